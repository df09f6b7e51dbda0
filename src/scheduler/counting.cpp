#include "scheduler/scheduler.h"

#include <stdio.h>

#include "dialup/dialup.h"
#include "res/resource.h"
#include "shell/shell.h"

UINT_PTR g_countingTimer;

static const UINT_PTR COUNTING_TIMER_ID = 0;
// Each tick is aimed this long after a second of the clock begins, whenever
// Start was pressed: past the timer's resolution (a clock tick, about 16 ms
// on Windows) and the clock's own, so that the tick finds its second begun
// and acts on a moment inside it, early.
static const UINT TICK_MARGIN_MS = 40;
// Seconds that passed while the thread was busy are looked at afterwards,
// up to this many. A clock that moved further between two ticks was set by
// hand or woke from sleep: the moments in between are reported as missed.
static const ULONGLONG MAX_CATCH_UP_SECONDS = 3600;
// How many of the moments acted on since Start are remembered, so that a
// clock going back (by hand, or at the end of daylight saving) never acts
// on one again; the oldest are forgotten first.
static const int MAX_ACTED_MOMENTS = 64;
static const int MISSED_TEXT_CAP = 160;
static const int MOMENT_TEXT_CAP = 32;

// The last second looked at, in whole seconds of UTC, which runs on evenly
// through daylight saving changes. Every tick looks at each second after it
// up to its own now, so a second that passed while the thread was busy is
// still looked at, and none twice.
static ULONGLONG g_lastExaminedSecond;

static void DialFromForm(HWND form);
static void HangUpFromForm(HWND form);

struct ScheduledAction {
    int enableBox;
    int timePicker;
    int datePicker;
    const char* name;
    const char* verb;
    const char* missedStatus;
    void (*act)(HWND form);
};

// In the order in which a tick acts on them.
static const ScheduledAction ACTIONS[] = {
    {IDC_DIAL_ENABLE, IDC_DIAL_TIME, IDC_DIAL_DATE, "dial", "dial", "Dial missed", DialFromForm},
    {IDC_HANGUP_ENABLE, IDC_HANGUP_TIME, IDC_HANGUP_DATE, "hang-up", "hang up", "Hangup missed", HangUpFromForm},
};
static const int ACTION_COUNT = sizeof ACTIONS / sizeof ACTIONS[0];

struct ActedMoment {
    int enableBox;
    ULONGLONG localSecond;
};

static ActedMoment g_actedMoments[MAX_ACTED_MOMENTS];
static int g_actedCount;

static void ReadPicker(HWND form, int picker, SYSTEMTIME* value)
{
    ZeroMemory(value, sizeof *value);
    SendMessageA(GetDlgItem(form, picker), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(value));
}

// A scheduled moment, a local wall-clock time: the time of day from one
// picker, the date from the other.
static ULONGLONG ReadScheduledSecond(HWND form, const ScheduledAction& action)
{
    SYSTEMTIME timeOfDay;
    SYSTEMTIME date;
    ReadPicker(form, action.timePicker, &timeOfDay);
    ReadPicker(form, action.datePicker, &date);
    SYSTEMTIME moment = date;
    moment.wHour = timeOfDay.wHour;
    moment.wMinute = timeOfDay.wMinute;
    moment.wSecond = timeOfDay.wSecond;
    return SecondOf(&moment);
}

static void ReadMoments(HWND form, ULONGLONG* moments)
{
    for (int i = 0; i < ACTION_COUNT; i++)
        moments[i] = ReadScheduledSecond(form, ACTIONS[i]);
}

static bool IsActionTicked(HWND form, const ScheduledAction& action)
{
    return IsDlgButtonChecked(form, action.enableBox) == BST_CHECKED;
}

static bool WasActedOn(const ScheduledAction& action, ULONGLONG moment)
{
    int remembered = g_actedCount < MAX_ACTED_MOMENTS ? g_actedCount : MAX_ACTED_MOMENTS;
    for (int i = 0; i < remembered; i++) {
        if (g_actedMoments[i].enableBox == action.enableBox && g_actedMoments[i].localSecond == moment)
            return true;
    }
    return false;
}

static void RememberActedOn(const ScheduledAction& action, ULONGLONG moment)
{
    g_actedMoments[g_actedCount % MAX_ACTED_MOMENTS] = {action.enableBox, moment};
    g_actedCount++;
}

// A ticked moment that may still be acted on in this run.
static bool IsPending(HWND form, const ScheduledAction& action, ULONGLONG moment)
{
    return IsActionTicked(form, action) && !WasActedOn(action, moment);
}

static void DialFromForm(HWND form)
{
    char entry[ENTRY_NAME_CAP];
    char user[CREDENTIAL_FIELD_CAP];
    char password[CREDENTIAL_FIELD_CAP];
    char domain[CREDENTIAL_FIELD_CAP];
    GetDlgItemTextA(form, IDC_ENTRY, entry, sizeof entry);
    GetDlgItemTextA(form, IDC_USER, user, sizeof user);
    GetDlgItemTextA(form, IDC_PASSWORD, password, sizeof password);
    GetDlgItemTextA(form, IDC_DOMAIN, domain, sizeof domain);
    DialEntry(form, entry, user, password, domain);
    SecureZeroMemory(password, sizeof password);
}

static void HangUpFromForm(HWND form)
{
    HangUpConnection(form);
}

// A moment as the pickers show it, e.g. "02:00:00 on 09/12/2026".
static void FormatMoment(ULONGLONG moment, char* text, size_t capacity)
{
    SYSTEMTIME t;
    TimeOfSecond(moment, &t);
    snprintf(text, capacity, "%02u:%02u:%02u on %02u/%02u/%04u", t.wHour, t.wMinute, t.wSecond, t.wDay, t.wMonth,
             t.wYear);
}

static void ReportMissedMoment(HWND form, const ScheduledAction& action, ULONGLONG moment)
{
    char when[MOMENT_TEXT_CAP];
    FormatMoment(moment, when, sizeof when);
    char text[MISSED_TEXT_CAP];
    snprintf(text, sizeof text, "The %s at %s was missed: the computer was asleep or its clock was changed.",
             action.name, when);
    SetStatusText(form, action.missedStatus);
    ShowErrorBox(form, text);
}

// The local clock passed from one time to another without the seconds in
// between being looked at: every ticked moment among them is lost.
static void ReportMissedMoments(HWND form, const ULONGLONG* moments, ULONGLONG fromLocal, ULONGLONG toLocal)
{
    for (int i = 0; i < ACTION_COUNT; i++) {
        if (fromLocal < moments[i] && moments[i] <= toLocal && IsPending(form, ACTIONS[i], moments[i]))
            ReportMissedMoment(form, ACTIONS[i], moments[i]);
    }
}

// Keeps the computer awake, and wakes it, for the earliest ticked moment
// that lies ahead, naming it; lets go when none does. A moment lies ahead
// while a second not looked at yet will reach it.
static void KeepAwakeForNextMoment(HWND form, const ULONGLONG* moments)
{
    int next = -1;
    ULONGLONG nextSecond = 0;
    for (int i = 0; i < ACTION_COUNT; i++) {
        ULONGLONG second = IsPending(form, ACTIONS[i], moments[i])
                               ? FirstSecondReaching(moments[i], g_lastExaminedSecond)
                               : 0;
        if (second != 0 && (next < 0 || second < nextSecond)) {
            next = i;
            nextSecond = second;
        }
    }
    if (next < 0) {
        ReleaseWake();
        return;
    }
    char entry[ENTRY_NAME_CAP];
    GetDlgItemTextA(form, IDC_ENTRY, entry, sizeof entry);
    char when[MOMENT_TEXT_CAP];
    FormatMoment(moments[next], when, sizeof when);
    char reason[WAKE_REASON_CAP];
    snprintf(reason, sizeof reason, "Quorvel: %s \"%s\" at %s", ACTIONS[next].verb, entry, when);
    KeepAwakeFor(reason, nextSecond);
}

// The next tick, TICK_MARGIN_MS into the next second of the clock. Aimed
// anew at every tick, so that neither the timer's drift nor a late tick,
// a sleep or a clock set by hand moves the ticks off the clock's seconds.
static bool AimNextTick(HWND form, const SYSTEMTIME* nowUtc)
{
    UINT untilNextSecond = TICK_INTERVAL_MS - nowUtc->wMilliseconds;
    g_countingTimer = SetTimer(form, COUNTING_TIMER_ID, untilNextSecond + TICK_MARGIN_MS, nullptr);
    return g_countingTimer != 0;
}

static void StopCounting(HWND form)
{
    KillTimer(form, COUNTING_TIMER_ID);
    g_countingTimer = 0;
    ReleaseWake();
    SetDlgItemTextA(form, IDC_START, "Start");
    SetStatusText(form, "Idle");
}

// Counting without ticks would promise what can't happen.
static void StopOnRefusedTimer(HWND form)
{
    ShowLastSystemError(form);
    StopCounting(form);
}

// Looks at each second not looked at yet up to now, acting on the moments
// it reaches, then keeps the computer awake for the next one.
static void ExamineSecondsUpTo(HWND form, const SYSTEMTIME* nowUtc)
{
    ULONGLONG moments[ACTION_COUNT];
    ReadMoments(form, moments);
    ULONGLONG nowSecond = SecondOf(nowUtc);
    if (nowSecond < g_lastExaminedSecond) {
        g_lastExaminedSecond = nowSecond - 1;
    } else if (nowSecond - g_lastExaminedSecond > MAX_CATCH_UP_SECONDS) {
        // Moved on first: the boxes let further ticks in.
        ULONGLONG lastSeen = g_lastExaminedSecond;
        g_lastExaminedSecond = nowSecond - 1;
        ReportMissedMoments(form, moments, LocalSecondAt(lastSeen), LocalSecondAt(nowSecond - 1));
    }

    // A dial or an error box may let further ticks in; they move the cursor
    // on, and this loop then leaves their seconds alone.
    while (g_countingTimer != 0 && g_lastExaminedSecond < nowSecond) {
        ULONGLONG second = ++g_lastExaminedSecond;
        for (int i = 0; i < ACTION_COUNT; i++) {
            if (ClockReaches(second, moments[i]) && IsPending(form, ACTIONS[i], moments[i])) {
                RememberActedOn(ACTIONS[i], moments[i]);
                ACTIONS[i].act(form);
            }
        }
    }
    if (g_countingTimer != 0)
        KeepAwakeForNextMoment(form, moments);
}

static void StartCounting(HWND form, const SYSTEMTIME* nowUtc)
{
    if (!AimNextTick(form, nowUtc)) {
        StopOnRefusedTimer(form);
        return;
    }
    ULONGLONG nowSecond = SecondOf(nowUtc);
    // The second of the press is still to be looked at, unless this run
    // has looked at it already (Stop and Start within one second); the
    // seconds before it are past. After the clock went back, as at a tick.
    if (g_lastExaminedSecond + 1 < nowSecond || g_lastExaminedSecond > nowSecond)
        g_lastExaminedSecond = nowSecond - 1;
    g_actedCount = 0;
    SetDlgItemTextA(form, IDC_START, "Stop");
    SetStatusText(form, "Started counting");
    // At once: the first tick comes in the next second, too late for a
    // moment in this one.
    ExamineSecondsUpTo(form, nowUtc);
}

void ToggleCounting(HWND form)
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    ToggleCountingAt(form, &now);
}

void ToggleCountingAt(HWND form, const SYSTEMTIME* nowUtc)
{
    if (g_countingTimer == 0)
        StartCounting(form, nowUtc);
    else
        StopCounting(form);
}

void OnScheduleTick(HWND form)
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    ExamineScheduleUpTo(form, &now);
}

void ExamineScheduleUpTo(HWND form, const SYSTEMTIME* nowUtc)
{
    if (g_countingTimer == 0)
        return;
    // Aimed before acting: a dial that blocks past the next tick's time
    // leaves that tick waiting, to come as soon as the dial returns.
    if (!AimNextTick(form, nowUtc)) {
        StopOnRefusedTimer(form);
        return;
    }
    ExamineSecondsUpTo(form, nowUtc);
}

#ifdef QUORVEL_TESTING
void ResetCountingState()
{
    g_countingTimer = 0;
    g_lastExaminedSecond = 0;
    g_actedCount = 0;
}
#endif
