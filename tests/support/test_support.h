// What the in-process tests share besides the harness.
#pragma once

#include "tools/harness.h"

// The real form from the real template, modeless and shown; destroying it stops catching boxes.
HWND CreateSchedulerForm();
void DestroySchedulerForm(HWND form);
// Handles what is queued for this thread; the code of a quit request that came, else NO_QUIT.
const int NO_QUIT = -1;
int QuitCode();
// Each picker gets the moment's half, the other half of another moment.
void SetMoment(HWND form, int timePicker, int datePicker, const SYSTEMTIME& value);

// Boxes opened on this thread, with the owner's status then, each closed after the callback. Each looks plain: the
// platform's caption, the error icon and OK alone; one whose owner is hidden is asked to come in front.
#define PLAIN_ERROR_BOX "caption Error, buttons 1, error icons 1"
#define PLAIN_BOX_IN_FRONT PLAIN_ERROR_BOX ", topmost, in front"
struct CaughtBox {
    std::string text, ownerStatus, look;
    HWND owner;
};
void StartCatchingBoxes(void (*callback)() = nullptr);
extern std::vector<CaughtBox> g_caughtBoxes;

// The platform's own text for a system code.
std::string SystemText(DWORD code);
// Swaps a function's entry in this program's import table, through which the program's own code calls it; returns
// the entry it held, null when the program does not import it.
void* SwapImport(const char* dll, const char* function, void* replacement);
// The calls of later Windows that the program looks up: each handed out as its recorder where it is looked
// up in the DLL that has it, a null recorder standing for a Windows that lacks it; the others as they are.
#define RECORDER(call) reinterpret_cast<void*>(call)
struct LaterCall {
    const char *dll, *name;
    void* recorder;
};
void RecordLaterCalls(const std::vector<LaterCall>& calls);
