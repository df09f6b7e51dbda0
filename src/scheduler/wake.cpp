// What the program asks of Windows' power management while a ticked moment
// lies ahead: that the system does not sleep when idle, that Modern Standby
// does not pause the program, and that a computer put to sleep anyway is
// woken in time. Each request gives its reason, so that powercfg /requests
// and /waketimers name the program and its moment.
#include "scheduler/scheduler.h"

// Wakes the computer this long before a moment, so that a wireless network
// has time to come back before a dial.
static const ULONGLONG WAKE_LEAD_SECONDS = 120;

// Never waited on: its only task is to wake the computer when due.
static HANDLE g_hWakeTimer;
// The UTC second the wake timer is due at, and its reason; 0 when not set.
static ULONGLONG g_wakeDueSecond;
static char g_wakeReason[WAKE_REASON_CAP];
// The power request that keeps the system awake (Windows 7 and later), and
// whether it keeps the program running in Modern Standby too (Windows 8
// and later).
static HANDLE g_hPowerRequest;
static bool g_executionRequired;
// Where there is no power request, the thread's execution state keeps the
// system awake instead.
static bool g_threadKeepsAwake;
// The reason given for keeping awake; empty when the system may sleep.
static char g_awakeReason[WAKE_REASON_CAP];

static void* FindKernelCall(const char* name)
{
    return FindLaterCall("kernel32.dll", name);
}

// The platform takes the reason as a wide string.
static void MakePowerReason(const char* reason, WCHAR* text, int capacity, POWER_REASON* context)
{
    if (MultiByteToWideChar(CP_ACP, 0, reason, -1, text, capacity) == 0)
        text[0] = L'\0';
    text[capacity - 1] = L'\0';
    ZeroMemory(context, sizeof *context);
    context->Version = REASON_CONTEXT_VERSION_0;
    context->Flags = REASON_CONTEXT_SIMPLE_STRING;
    context->Reason.SimpleReasonString = text;
}

// A power request that keeps the system awake and names its reason; null
// where there are no power requests (XP, Vista) or Windows refuses one.
static HANDLE CreateAwakeRequest(const char* reason, bool* executionRequired)
{
    auto create = reinterpret_cast<PowerCreateRequestCall>(FindKernelCall("PowerCreateRequest"));
    auto set = reinterpret_cast<PowerRequestCall>(FindKernelCall("PowerSetRequest"));
    if (create == nullptr || set == nullptr)
        return nullptr;
    WCHAR text[WAKE_REASON_CAP];
    POWER_REASON context;
    MakePowerReason(reason, text, WAKE_REASON_CAP, &context);
    HANDLE request = create(&context);
    if (request == nullptr || request == INVALID_HANDLE_VALUE)
        return nullptr;
    if (!set(request, POWER_REQUEST_SYSTEM_REQUIRED)) {
        CloseHandle(request);
        return nullptr;
    }
    // Windows 7 knows no execution-required request; the system one holds there.
    *executionRequired = set(request, POWER_REQUEST_EXECUTION_REQUIRED) != FALSE;
    return request;
}

static void CloseAwakeRequest()
{
    if (g_hPowerRequest == nullptr)
        return;
    auto clear = reinterpret_cast<PowerRequestCall>(FindKernelCall("PowerClearRequest"));
    if (clear != nullptr) {
        clear(g_hPowerRequest, POWER_REQUEST_SYSTEM_REQUIRED);
        if (g_executionRequired)
            clear(g_hPowerRequest, POWER_REQUEST_EXECUTION_REQUIRED);
    }
    CloseHandle(g_hPowerRequest);
    g_hPowerRequest = nullptr;
    g_executionRequired = false;
}

static void KeepThreadAwake(bool awake)
{
    if (awake == g_threadKeepsAwake)
        return;
    g_threadKeepsAwake = awake;
    SetThreadExecutionState(awake ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
}

// Keeps the system, not the display, from sleeping when idle. A reason
// can't be changed, so a new one takes a new request, which holds before
// the old one lets go. Should Windows refuse the new one, the old one
// holds on with its old reason.
static void KeepSystemAwake(const char* reason)
{
    if (lstrcmpA(reason, g_awakeReason) == 0)
        return;
    lstrcpynA(g_awakeReason, reason, sizeof g_awakeReason);
    bool executionRequired = false;
    HANDLE request = CreateAwakeRequest(reason, &executionRequired);
    if (request != nullptr) {
        CloseAwakeRequest();
        g_hPowerRequest = request;
        g_executionRequired = executionRequired;
        KeepThreadAwake(false);
    } else if (g_hPowerRequest == nullptr) {
        KeepThreadAwake(true);
    }
}

static void LetSystemSleep()
{
    CloseAwakeRequest();
    KeepThreadAwake(false);
    g_awakeReason[0] = '\0';
}

// A timer with a reason is a wake timer that powercfg /waketimers names.
static bool SetWakeTimerWithReason(const LARGE_INTEGER* due, const char* reason)
{
    auto setWithReason = reinterpret_cast<SetWaitableTimerExCall>(FindKernelCall("SetWaitableTimerEx"));
    if (setWithReason == nullptr)
        return false;
    WCHAR text[WAKE_REASON_CAP];
    POWER_REASON context;
    MakePowerReason(reason, text, WAKE_REASON_CAP, &context);
    return setWithReason(g_hWakeTimer, due, 0, nullptr, nullptr, &context, 0) != FALSE;
}

static void SetWakeTimer(ULONGLONG dueSecond, const char* reason)
{
    if (dueSecond == g_wakeDueSecond && lstrcmpA(reason, g_wakeReason) == 0)
        return;
    g_wakeDueSecond = dueSecond;
    lstrcpynA(g_wakeReason, reason, sizeof g_wakeReason);
    if (g_hWakeTimer == nullptr)
        g_hWakeTimer = CreateWaitableTimerA(nullptr, TRUE, nullptr);
    if (g_hWakeTimer == nullptr)
        return;
    // A positive due time is an absolute UTC time.
    LARGE_INTEGER due;
    due.QuadPart = static_cast<LONGLONG>(dueSecond * FILETIME_UNITS_PER_SECOND);
    if (!SetWakeTimerWithReason(&due, reason))
        SetWaitableTimer(g_hWakeTimer, &due, 0, nullptr, nullptr, TRUE);
}

static void CancelWakeTimer()
{
    if (g_wakeDueSecond == 0)
        return;
    g_wakeDueSecond = 0;
    g_wakeReason[0] = '\0';
    if (g_hWakeTimer != nullptr)
        CancelWaitableTimer(g_hWakeTimer);
}

void KeepAwakeFor(const char* reason, ULONGLONG actionSecond)
{
    KeepSystemAwake(reason);
    SetWakeTimer(actionSecond - WAKE_LEAD_SECONDS, reason);
}

void ReleaseWake()
{
    LetSystemSleep();
    CancelWakeTimer();
}

#ifdef QUORVEL_TESTING
// Forgets without asking Windows: a test's recorded calls hold no real
// handles. The timer itself is kept for the next test.
void ResetWakeState()
{
    g_wakeDueSecond = 0;
    g_wakeReason[0] = '\0';
    g_hPowerRequest = nullptr;
    g_executionRequired = false;
    g_threadKeepsAwake = false;
    g_awakeReason[0] = '\0';
}
#endif
