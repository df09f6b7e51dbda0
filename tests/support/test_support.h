// What the in-process tests share besides the harness.
#pragma once

#include "tools/harness.h"

// The real form from the real template, modeless; destroying it stops catching boxes.
HWND CreateSchedulerForm();
void DestroySchedulerForm(HWND form);
// Handles what is queued for this thread; tells whether a quit request came.
bool QuitRequested();
// Each picker gets the moment's half, the other half of another moment.
void SetMoment(HWND form, int timePicker, int datePicker, const SYSTEMTIME& value);

// Boxes opened on this thread, with the owner's status then; closed after the callback, the first
// only after firstOpenMs where given, its own modal loop running meanwhile.
// Every box of the program looks plain: the platform's caption, the error icon and OK alone; while
// the form is hidden, it is asked to come up in front of other windows.
#define PLAIN_ERROR_BOX "caption Error, buttons 1, error icons 1"
#define PLAIN_BOX_IN_FRONT PLAIN_ERROR_BOX ", topmost, in front"
struct CaughtBox {
    std::string text, ownerStatus, look;
    HWND owner;
    bool ownerVisible;
};
void StartCatchingBoxes(void (*callback)() = nullptr, UINT firstOpenMs = 0);
void StopCatchingBoxes();
extern std::vector<CaughtBox> g_caughtBoxes;

// The platform's own text for a system code.
std::string SystemText(DWORD code);
// Swaps a function's entry in this program's import table, through which the program's
// own code calls it; returns the entry it held, null when the program does not import it.
void* SwapImport(const char* dll, const char* function, void* replacement);
