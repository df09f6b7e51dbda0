#include "scheduler/scheduler.h"

// Wakes the computer this long before a moment, so that the program is
// running again when the moment comes.
static const ULONGLONG WAKE_LEAD_SECONDS = 60;
static const ULONGLONG FILETIME_UNITS_PER_SECOND = 10000000;

// Never waited on: its only task is to wake the computer when due.
static HANDLE g_hWakeTimer;
// The UTC second the wake timer is due at; 0 when it is not set.
static ULONGLONG g_wakeDueSecond;
// Windows can't wake this computer for us, or refused the timer.
static bool g_wakeRefused;
static bool g_keepingAwake;

static void SetWakeTimer(ULONGLONG dueSecond)
{
    if (dueSecond == g_wakeDueSecond)
        return;
    g_wakeDueSecond = dueSecond;
    if (g_hWakeTimer == nullptr)
        g_hWakeTimer = CreateWaitableTimerA(nullptr, TRUE, nullptr);
    // A positive due time is an absolute UTC time.
    LARGE_INTEGER due;
    due.QuadPart = static_cast<LONGLONG>(dueSecond * FILETIME_UNITS_PER_SECOND);
    // The call succeeds but sets ERROR_NOT_SUPPORTED where the computer
    // can't be woken.
    SetLastError(ERROR_SUCCESS);
    BOOL set = g_hWakeTimer != nullptr && SetWaitableTimer(g_hWakeTimer, &due, 0, nullptr, nullptr, TRUE);
    g_wakeRefused = !set || GetLastError() == ERROR_NOT_SUPPORTED;
}

static void CancelWakeTimer()
{
    if (g_wakeDueSecond == 0)
        return;
    g_wakeDueSecond = 0;
    if (g_hWakeTimer != nullptr)
        CancelWaitableTimer(g_hWakeTimer);
}

// Keeps the system, not the display, from going to sleep when idle.
static void KeepSystemAwake(bool awake)
{
    if (awake == g_keepingAwake)
        return;
    g_keepingAwake = awake;
    SetThreadExecutionState(awake ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
}

void RequestWakeFor(ULONGLONG nextMomentSecond, ULONGLONG nowSecond)
{
    ULONGLONG dueSecond = nextMomentSecond - WAKE_LEAD_SECONDS;
    SetWakeTimer(dueSecond);
    // Once awake for a moment, it stays awake until none lies ahead: a dial
    // at night keeps its line up until the hang-up. Without a wake timer,
    // it stays awake from Start.
    KeepSystemAwake(g_keepingAwake || g_wakeRefused || nowSecond >= dueSecond);
}

void ReleaseWake()
{
    CancelWakeTimer();
    KeepSystemAwake(false);
}
