#include "scheduler/scheduler.h"

#include "dialup/dialup.h"
#include "res/resource.h"
#include "shell/shell.h"

UINT_PTR g_countingTimer;

// The last second whose moments have been looked at, in whole seconds of
// local time. Every tick looks at each second after it up to its own now,
// so a second that passed while the thread was busy is still acted on, and
// none is acted on twice.
static ULONGLONG g_lastExaminedSecond;

static const UINT_PTR COUNTING_TIMER_ID = 0;
static const ULONGLONG FILETIME_UNITS_PER_SECOND = 10000000;
// A clock that moves further than this between two ticks has been set or
// has woken from sleep: the seconds in between are not caught up.
static const ULONGLONG MAX_CATCH_UP_SECONDS = 3600;

static ULONGLONG SecondOf(const SYSTEMTIME* time)
{
    SYSTEMTIME whole = *time;
    whole.wMilliseconds = 0;
    whole.wDayOfWeek = 0;
    FILETIME stamp;
    if (!SystemTimeToFileTime(&whole, &stamp))
        return 0;
    ULARGE_INTEGER value;
    value.LowPart = stamp.dwLowDateTime;
    value.HighPart = stamp.dwHighDateTime;
    return value.QuadPart / FILETIME_UNITS_PER_SECOND;
}

static void ReadPicker(HWND form, int picker, SYSTEMTIME* value)
{
    ZeroMemory(value, sizeof *value);
    SendMessageA(GetDlgItem(form, picker), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(value));
}

// One scheduled moment: the time of day from one picker, the date from the
// other; as a second it can be compared with the clock.
static ULONGLONG ReadScheduledSecond(HWND form, int timePicker, int datePicker)
{
    SYSTEMTIME timeOfDay;
    SYSTEMTIME date;
    ReadPicker(form, timePicker, &timeOfDay);
    ReadPicker(form, datePicker, &date);
    SYSTEMTIME moment = date;
    moment.wHour = timeOfDay.wHour;
    moment.wMinute = timeOfDay.wMinute;
    moment.wSecond = timeOfDay.wSecond;
    return SecondOf(&moment);
}

static bool IsActionTicked(HWND form, int box)
{
    return IsDlgButtonChecked(form, box) == BST_CHECKED;
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

static void StartCounting(HWND form, const SYSTEMTIME* now)
{
    g_countingTimer = SetTimer(form, COUNTING_TIMER_ID, TICK_INTERVAL_MS, nullptr);
    if (g_countingTimer == 0) {
        // Counting without ticks would promise what can't happen.
        ShowLastSystemError(form);
        SetDlgItemTextA(form, IDC_START, "Start");
        SetStatusText(form, "Idle");
        return;
    }
    // The second of the press is still to be looked at, unless this run
    // has looked at it already (Stop and Start within one second); the
    // seconds before it are past. After the clock went back, as at a tick.
    ULONGLONG nowSecond = SecondOf(now);
    if (g_lastExaminedSecond + 1 < nowSecond || g_lastExaminedSecond > nowSecond)
        g_lastExaminedSecond = nowSecond - 1;
    SetDlgItemTextA(form, IDC_START, "Stop");
    SetStatusText(form, "Started counting");
}

static void StopCounting(HWND form)
{
    KillTimer(form, COUNTING_TIMER_ID);
    g_countingTimer = 0;
    SetDlgItemTextA(form, IDC_START, "Start");
    SetStatusText(form, "Idle");
}

void ToggleCounting(HWND form)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    ToggleCountingAt(form, &now);
}

void ToggleCountingAt(HWND form, const SYSTEMTIME* now)
{
    if (g_countingTimer == 0)
        StartCounting(form, now);
    else
        StopCounting(form);
}

void OnScheduleTick(HWND form)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    ExamineScheduleUpTo(form, &now);
}

void ExamineScheduleUpTo(HWND form, const SYSTEMTIME* now)
{
    if (g_countingTimer == 0)
        return;
    ULONGLONG dialSecond = ReadScheduledSecond(form, IDC_DIAL_TIME, IDC_DIAL_DATE);
    ULONGLONG hangUpSecond = ReadScheduledSecond(form, IDC_HANGUP_TIME, IDC_HANGUP_DATE);
    ULONGLONG nowSecond = SecondOf(now);
    if (nowSecond < g_lastExaminedSecond || nowSecond - g_lastExaminedSecond > MAX_CATCH_UP_SECONDS)
        g_lastExaminedSecond = nowSecond - 1;

    // A dial or an error box may let further ticks in; they move the cursor
    // on, and this loop then leaves their seconds alone.
    while (g_countingTimer != 0 && g_lastExaminedSecond < nowSecond) {
        ULONGLONG second = ++g_lastExaminedSecond;
        if (second == dialSecond && IsActionTicked(form, IDC_DIAL_ENABLE))
            DialFromForm(form);
        if (second == hangUpSecond && IsActionTicked(form, IDC_HANGUP_ENABLE))
            HangUpConnection(form);
    }
}
