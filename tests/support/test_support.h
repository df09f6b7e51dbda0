// What the in-process tests share: the real form made from the real
// template, a hook that catches message boxes so that no test blocks on
// one, and a platform that refuses timers. The tools' helpers for the
// stand-in's phonebook and journal and for the clock come along.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"
#include "remote.h"

// The form, modeless; the counting and connection state of earlier forms
// in the same process is cleared first. Destroying it stops catching boxes.
HWND CreateSchedulerForm();
void DestroySchedulerForm(HWND form);
// Handles what is queued for this thread; tells whether a quit request came.
bool QuitRequested(int* code);

void SetPicker(HWND form, int picker, const SYSTEMTIME& value);
// The time picker gets the moment's time of day on another date, the date
// picker its date at another time: each half counts only where it belongs.
void SetMoment(HWND form, int timePicker, int datePicker, const SYSTEMTIME& value);
void SelectEntry(HWND form, const char* name);

// Each message box opened on this thread is recorded, with the status line
// of its owner at that moment, and closed with OK; the callback, when set,
// runs while it is open.
struct CaughtBox {
    std::string text, caption, ownerStatus;
    HWND owner;
    bool ownerVisible;
};
void StartCatchingBoxes(void (*callback)(void* context) = nullptr, void* context = nullptr);
void StopCatchingBoxes();
const std::vector<CaughtBox>& CaughtBoxes();

// The remote access text for a code, as the service gives it.
std::string RasText(DWORD code);
std::string SystemText(DWORD code);
// While on, the platform refuses every new timer of this program.
void RefuseTimers(bool refuse);
