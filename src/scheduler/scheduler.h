// The scheduler form: its dialog procedure, counting with the schedule tick,
// and hiding to the notification area.
#pragma once

#include "platform/platform.h"

// Private message through which the notification-area icon reports mouse
// events to the form.
#define WM_TRAYNOTIFY 1234
#define TRAY_ICON_ID 1
#define TICK_INTERVAL_MS 1000

// Nonzero while counting: what the platform returned for the timer.
extern UINT_PTR g_countingTimer;

INT_PTR CALLBACK SchedulerDlgProc(HWND form, UINT message, WPARAM wParam, LPARAM lParam);

// The button and the tick pass the present UTC time; tests may pass
// another, to stand for a given moment or a clock change.
void ToggleCounting(HWND form);
void ToggleCountingAt(HWND form, const SYSTEMTIME* nowUtc);
void OnScheduleTick(HWND form);
// Examines every second not examined yet up to and including now.
void ExamineScheduleUpTo(HWND form, const SYSTEMTIME* nowUtc);

// Seconds are whole seconds of UTC since 1601, as in a FILETIME. Sets a
// timer that wakes the computer a lead before the next moment, and keeps
// the system awake from then until ReleaseWake.
void RequestWakeFor(ULONGLONG nextMomentSecond, ULONGLONG nowSecond);
void ReleaseWake();

void HideToTray(HWND form);
void RestoreFromTray(HWND form, LPARAM mouseMessage);
void RestoreTrayIcon(HWND form);
UINT TaskbarCreatedMessage();
