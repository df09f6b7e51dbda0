// The scheduler form: its dialog procedure, counting with the schedule tick,
// and hiding to the notification area.
#pragma once

#include "platform/platform.h"

// Private message through which the notification-area icon reports mouse
// events to the form.
#define WM_TRAYNOTIFY 1234
#define TRAY_ICON_ID 1
// The ticks come once a second, each early in a second of the clock.
#define TICK_INTERVAL_MS 1000

// Nonzero while counting: what the platform returned for the timer.
extern UINT_PTR g_countingTimer;

INT_PTR CALLBACK SchedulerDlgProc(HWND form, UINT message, WPARAM wParam, LPARAM lParam);

// The button and the tick pass the present UTC time; tests may pass
// another, to stand for a given moment or a clock change.
void ToggleCounting(HWND form);
void ToggleCountingAt(HWND form, const SYSTEMTIME* nowUtc);
void OnScheduleTick(HWND form);
// Aims the next tick, then examines every second not examined yet up to
// and including now.
void ExamineScheduleUpTo(HWND form, const SYSTEMTIME* nowUtc);

// Seconds are whole seconds since 1601, as in a FILETIME: of UTC for
// instants, of the local wall clock for the moments the pickers hold.
#define FILETIME_UNITS_PER_SECOND 10000000ULL
ULONGLONG SecondOf(const SYSTEMTIME* time);
void TimeOfSecond(ULONGLONG second, SYSTEMTIME* time);
// What the local clock shows at a UTC second, by the zone's rules for that date.
ULONGLONG LocalSecondAt(ULONGLONG utcSecond);
// Whether the local clock reaches a moment at a UTC second.
bool ClockReaches(ULONGLONG utcSecond, ULONGLONG moment);
// The first UTC second after the given one that reaches a moment; 0 when none does.
ULONGLONG FirstSecondReaching(ULONGLONG moment, ULONGLONG afterUtcSecond);

// Room for the reason given to Windows, e.g. Quorvel: dial "Home ISP" at
// 02:00:00 on 09/12/2026, with the longest entry name.
#define WAKE_REASON_CAP 320
// Keeps the system awake from now on, and sets a timer that wakes it a lead
// before the action's UTC second, both naming the reason; until ReleaseWake.
void KeepAwakeFor(const char* reason, ULONGLONG actionSecond);
void ReleaseWake();

void HideToTray(HWND form);
void RestoreFromTray(HWND form, LPARAM mouseMessage);
void RestoreTrayIcon(HWND form);
UINT TaskbarCreatedMessage();
void LetShellRestartIn(HWND form);

#ifdef QUORVEL_TESTING
// Back to the state of a program just started, for each test's new form.
void ResetSchedulerState();
void ResetCountingState();
void ResetWakeState();
void ResetTrayState();
#endif
