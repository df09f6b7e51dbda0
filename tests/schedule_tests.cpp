// Counting, the schedule tick, the dial and the hang-up against the stand-in service, and what the program asks of
// the platform's power management. The tests pass the instants of Start and of every tick themselves.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>

#include "res/resource.h"
#include "scheduler/scheduler.h"
#include "test_support.h"

static const char BOOK[] = "[Home ISP]\nUser=alice\nPassword=secret\nDomain=HOME\nAcceptPassword=secret\n[Busy Line]\n"
                           "User=bob\nDialResult=678\n[Sticky]\nUser=dan\nDialResult=678\nStillUpAfterFailure=1\n"
                           "[Strict]\nUser=erin\nPassword=old\nDomain=WORK\nAcceptPassword=right\n[Stubborn]\n"
                           "HangUpResult=668\n[Clingy]\nStillUpAfterHangUp=1\n[Work VPN]\n";
// 00:00 UTC, 02:00 in the zone the tests run in, far from the real clock.
static const SYSTEMTIME NIGHT = {2031, 5, 3, 14, 0, 0, 0, 0};
static const int NEVER = 9000; // a hang-up left unticked
// XP and Vista lack Windows 7's power calls; 7 refuses execution-required requests; REFUSING, requests and reasons.
enum Windows { WINDOWS_XP, WINDOWS_7, WINDOWS_8, REFUSING };
#define HOME_DIALLED "Dial \"Home ISP\" alice HOME -> 0"
#define CLOSED ", HangUp h -> 0 closed"
#define HOME_HUNG_UP HOME_DIALLED CLOSED
#define MISSED_DIAL "missed dial 02:00:01 14/05/2031@Dial missed"

// What a run made happen, step by step, e.g. "start: a, b; t60: c": the stand-in's calls, what
// was asked of the power management, the boxes as text@status then, the status line at the end.
struct Observed {
    std::string calls, asked, boxes, status;
    std::vector<std::string> reasons; // #1, #2, ... in the order first given
    int callsStep = -1, askedStep = -1;
    size_t journalRead = 0;
};
static Observed g_seen;
static std::string g_step;
static int g_stepNumber;

static void Note(std::string* log, int* lastStep, const std::string& entry)
{
    *log += (*lastStep == g_stepNumber ? ", " : (log->empty() ? "" : "; ") + g_step + ": ") + entry;
    *lastStep = g_stepNumber;
}

// The journal's new dials, hang-ups and status queries, shortened, a live handle as h; a hang-up waited for until
// the service had forgotten the handle, or in vain.
static void NoteNewCalls()
{
    static const char* const SHORTER[][2] = {
        {"handle=[1-9][0-9]*", "handle=h"}, {"RasHangUpA handle=", "HangUp "},
        {"RasDialA entry=(\".*?\") user=\"(.*?)\" domain=\"(.*?)\" -> (\\d+) handle=\\w+", "Dial $1 $2 $3 -> $4"},
        {"RasGetConnectStatusA handle=(\\w+) -> 0 state=(\\w+) error=", "Status $1 $2 "},
        {"RasGetConnectStatusA handle=(\\w+) -> 6", "Status $1 gone"},
        {"(, Status h connected 0){2,}", " still up"}, {"(, Status h disconnected \\d+)+, Status h gone", " closed"}};
    std::vector<JournalCall> journal = ReadJournal();
    std::string calls;
    for (; g_seen.journalRead < journal.size(); g_seen.journalRead++) {
        const std::string& function = journal[g_seen.journalRead].function;
        if (function == "RasDialA" || function == "RasHangUpA" || function == "RasGetConnectStatusA")
            calls += ", " + function + " " + journal[g_seen.journalRead].rest;
    }
    for (const auto& rule : SHORTER)
        calls = std::regex_replace(calls, std::regex(rule[0]), rule[1]);
    if (!calls.empty())
        Note(&g_seen.calls, &g_seen.callsStep, calls.substr(2));
}

// The power calls, recorded in place of the real ones: a request's handle is its reason's number.
static Windows g_windows;
static const UINT_PTR FAKE_REQUEST = 0x7E000000;
#define RECORDER(call) reinterpret_cast<void*>(call)

static BOOL Ask(const std::string& call, bool refused = false)
{
    Note(&g_seen.asked, &g_seen.askedStep, call + (refused ? " refused" : ""));
    return !refused;
}

static std::string ReasonNumber(const POWER_REASON* reason)
{
    char text[WAKE_REASON_CAP] = "";
    WideCharToMultiByte(CP_ACP, 0, reason->Reason.SimpleReasonString, -1, text, sizeof text, nullptr, nullptr);
    EXPECT_TRUE(reason->Version == 0 && reason->Flags == POWER_REQUEST_CONTEXT_SIMPLE_STRING) << text;
    size_t n = std::find(g_seen.reasons.begin(), g_seen.reasons.end(), text) - g_seen.reasons.begin();
    if (n == g_seen.reasons.size())
        g_seen.reasons.push_back(text);
    return std::to_string(n + 1);
}

static std::string WakeText(const SYSTEMTIME& utc)
{
    char text[32];
    snprintf(text, sizeof text, "wake %02u:%02u:%02u", utc.wHour, utc.wMinute, utc.wSecond);
    return text;
}

static HANDLE WINAPI RecordCreateRequest(POWER_REASON* reason)
{
    std::string number = ReasonNumber(reason);
    return Ask("request #" + number, g_windows == REFUSING) ? reinterpret_cast<HANDLE>(FAKE_REQUEST + stoi(number))
                                                            : INVALID_HANDLE_VALUE;
}

template <bool SET> static BOOL WINAPI RecordRequest(HANDLE request, ULONG type)
{
    return Ask((SET ? "set " : "clear ") + std::string(type == 1 ? "system #" : type == 3 ? "execution #" : "type? #") +
                   std::to_string(reinterpret_cast<UINT_PTR>(request) - FAKE_REQUEST),
               SET && type == 3 && g_windows == WINDOWS_7);
}

static BOOL(WINAPI* g_closeHandle)(HANDLE);
static BOOL WINAPI RecordCloseHandle(HANDLE handle)
{
    if (reinterpret_cast<UINT_PTR>(handle) < FAKE_REQUEST || handle == INVALID_HANDLE_VALUE)
        return g_closeHandle(handle);
    return Ask("close #" + std::to_string(reinterpret_cast<UINT_PTR>(handle) - FAKE_REQUEST));
}

static BOOL WINAPI RecordWakeTimerWithReason(HANDLE, const LARGE_INTEGER* due, LONG, PTIMERAPCROUTINE, LPVOID,
                                             POWER_REASON* reason, ULONG)
{
    return Ask(WakeText(TimeOfUnits(due->QuadPart)) + " #" + ReasonNumber(reason), g_windows == REFUSING);
}

static BOOL WINAPI RecordWakeTimer(HANDLE, const LARGE_INTEGER* due, LONG, PTIMERAPCROUTINE, LPVOID, BOOL resume)
{
    return Ask(WakeText(TimeOfUnits(due->QuadPart)) + (resume ? "" : " without resume"));
}

static BOOL WINAPI RecordCancel(HANDLE)
{
    return Ask("cancel");
}

static EXECUTION_STATE WINAPI RecordExecutionState(EXECUTION_STATE state)
{
    Ask(state == (ES_CONTINUOUS | ES_SYSTEM_REQUIRED) ? "awake" : state == ES_CONTINUOUS ? "release" : "state?");
    return ES_CONTINUOUS;
}

static FARPROC WINAPI RecordLookUp(HMODULE module, LPCSTR name);
// The power calls the program imports, then those it looks up, each with its recorder, or the real one while
// swapped; a second SwapPowerCalls swaps them back.
static std::pair<const char*, void*> g_calls[] = {
    {"SetWaitableTimer", RECORDER(RecordWakeTimer)}, {"CancelWaitableTimer", RECORDER(RecordCancel)},
    {"SetThreadExecutionState", RECORDER(RecordExecutionState)}, {"CloseHandle", RECORDER(RecordCloseHandle)},
    {"GetProcAddress", RECORDER(RecordLookUp)}, {"PowerCreateRequest", RECORDER(RecordCreateRequest)},
    {"PowerSetRequest", RECORDER(RecordRequest<true>)}, {"PowerClearRequest", RECORDER(RecordRequest<false>)},
    {"SetWaitableTimerEx", RECORDER(RecordWakeTimerWithReason)}};
static const int IMPORTED = 5;

static FARPROC WINAPI RecordLookUp(HMODULE module, LPCSTR name)
{
    for (int i = IMPORTED; i < 9; i++) {
        if (HIWORD(name) != 0 && lstrcmpA(name, g_calls[i].first) == 0)
            return g_windows == WINDOWS_XP ? nullptr : reinterpret_cast<FARPROC>(g_calls[i].second);
    }
    return reinterpret_cast<FARPROC(WINAPI*)(HMODULE, LPCSTR)>(g_calls[4].second)(module, name);
}

static void SwapPowerCalls()
{
    for (int i = 0; i < IMPORTED; i++) {
        g_calls[i].second = SwapImport("kernel32.dll", g_calls[i].first, g_calls[i].second);
        ASSERT_NE(g_calls[i].second, nullptr) << "the program does not import " << g_calls[i].first;
    }
    g_closeHandle = reinterpret_cast<decltype(g_closeHandle)>(g_calls[3].second);
}

static SYSTEMTIME g_tickInBox;
static void TickInTheFirstBox()
{
    if (g_caughtBoxes.size() == 1)
        ExamineScheduleUpTo(g_caughtBoxes[0].owner, &g_tickInBox);
}

// Start, then the steps, each N seconds of UTC after Start: tN a tick; pN a press of Start; bN a tick at N while the
// first error box is open; mN sets the dial moment N seconds after Start's local time; eNAME selects an entry; wTEXT
// types a password; dTEXT types a domain; u unticks both boxes.
static void RunSteps(HWND form, const SYSTEMTIME& start, const char* steps)
{
    std::istringstream in(std::string("start,") + steps);
    for (g_stepNumber = 0; std::getline(in, g_step, ','); g_stepNumber++) {
        const char* arg = g_step.c_str() + 1;
        SYSTEMTIME at = AddSeconds(start, atoi(arg));
        if (g_step[0] == 't')
            ExamineScheduleUpTo(form, &at);
        else if (g_step[0] == 'p' || g_step == "start")
            ToggleCountingAt(form, &at);
        else if (g_step[0] == 'b')
            g_tickInBox = at, StartCatchingBoxes(TickInTheFirstBox);
        else if (g_step[0] == 'm')
            SetMoment(form, IDC_DIAL_TIME, IDC_DIAL_DATE, LocalOf(at));
        else if (g_step[0] == 'e')
            SelectEntry(form, arg);
        else if (g_step[0] == 'w' || g_step[0] == 'd')
            SetDlgItemTextA(form, g_step[0] == 'w' ? IDC_PASSWORD : IDC_DOMAIN, arg);
        else if (g_step == "u")
            CheckDlgButton(form, IDC_DIAL_ENABLE, BST_UNCHECKED), CheckDlgButton(form, IDC_HANGUP_ENABLE, 0);
        else
            ADD_FAILURE() << "the test's step \"" << g_step << "\" is none of t, p, b, m, e, w, d, u";
        KillTimer(form, 0); // the test sends every tick itself
        NoteNewCalls();
    }
}

// A box's text, short: a code for the stand-in's and the system's texts, the action and moment of a missed one.
static std::string BoxName(const std::string& text)
{
    static const std::pair<std::string, const char*> NAMES[] = {
        {"There was no answer.", "678"}, {"The connection was dropped.", "668"},
        {"The user name or password was not accepted by the remote server.", "691"},
        {SystemText(ERROR_INVALID_HANDLE), "6"}};
    for (const auto& name : NAMES) {
        if (text == name.first)
            return name.second;
    }
    if (text.find("longer than a dial can carry (256 characters, 15 for the domain)") != std::string::npos)
        return "long";
    if (text.find("The line is still up") != std::string::npos)
        return "up";
    return std::regex_replace(text, std::regex("The (dial|hang-up) at (\\S+) on (\\S+) was missed: the computer "
                                               "was asleep or its clock was changed\\."), "missed $1 $2 $3");
}

// On Home ISP, the power calls swapped: moments N seconds after Start's local time, the hang-up ticked unless NEVER.
static HWND NewForm(const SYSTEMTIME& start, int dial, int hangUp, Windows windows)
{
    UsePhonebook(BOOK);
    StartCatchingBoxes();
    HWND form = CreateSchedulerForm();
    SelectEntry(form, "Home ISP");
    UseJournal();
    SetMoment(form, IDC_DIAL_TIME, IDC_DIAL_DATE, AddSeconds(LocalOf(start), dial));
    SetMoment(form, IDC_HANGUP_TIME, IDC_HANGUP_DATE, AddSeconds(LocalOf(start), hangUp));
    CheckDlgButton(form, IDC_DIAL_ENABLE, BST_CHECKED);
    CheckDlgButton(form, IDC_HANGUP_ENABLE, hangUp == NEVER ? BST_UNCHECKED : BST_CHECKED);
    g_seen = Observed();
    g_windows = windows;
    SwapPowerCalls();
    return form;
}

static Observed RunSchedule(const SYSTEMTIME& start, int dial, int hangUp, const char* steps, Windows windows)
{
    HWND form = NewForm(start, dial, hangUp, windows);
    RunSteps(form, start, steps);
    SwapPowerCalls();
    for (const CaughtBox& box : g_caughtBoxes) {
        g_seen.boxes += (g_seen.boxes.empty() ? "" : ",") + BoxName(box.text) + "@" + box.ownerStatus;
        EXPECT_EQ(box.owner, form) << box.text;
        EXPECT_EQ(box.look, PLAIN_ERROR_BOX) << box.text;
    }
    g_seen.status = ControlText(form, IDC_STATUS);
    DestroySchedulerForm(form);
    return g_seen;
}

TEST(Schedule, ActionsTheirBoxesAndTheStatusLine)
{
    // Moments in seconds after 02:00:00 local on 14/05/2031, Start's moment; steps as RunSteps reads them.
    const struct {
        int dial, hangUp;
        const char *steps, *calls, *boxes, *status;
    } cases[] = {
        {0, 0, "u,t0", "", "", "Started counting"},
        {-5, -3, "t7200", "", "", "Started counting"}, // past at Start: not missed
        {0, 0, "t0", "t0: " HOME_HUNG_UP, "", "Hung up"},
        // As far as the catch-up reaches, and one second further, where the hang-up has the null handle.
        {600, 3600, "t0,t3600", "t3600: " HOME_HUNG_UP, "", "Hung up"},
        {1, 3601, "t0,t3601", "t3601: HangUp 0 -> 6", MISSED_DIAL ",6@Hanging Up", "Hangup error"},
        {1, 3600, "t0,t3601", "", MISSED_DIAL ",missed hang-up 03:00:00 14/05/2031@Hangup missed", "Hangup missed"},
        // A clock back over a moment acted on, then on past it further than the catch-up: it was not missed.
        {600, NEVER, "t600,t0,t4000", "t600: " HOME_DIALLED, "", "Connected to ISP"},
        {5, NEVER, "t10,t5,t6", "t10: " HOME_DIALLED, "", "Connected to ISP"}, // clock back
        {0, NEVER, "t0,t0,m1,t1", "t0: " HOME_DIALLED "; t1: " HOME_DIALLED, "", "Connected to ISP"},
        // Stop and Start within the acted second; Start in a second not looked at yet.
        {0, NEVER, "t0,p0,p0,t0,t1", "t0: " HOME_DIALLED, "", "Started counting"},
        {1, NEVER, "t0,p0,p1,t1,t1", "t1: " HOME_DIALLED, "", "Connected to ISP"},
        // The form is read at the match, not at Start: the entry, the password, the domain (none is *, 16 characters
        // too long, 15 not).
        {1, NEVER, "eStrict,t1,wright,d,m2,t2", "t1: Dial \"Strict\" erin WORK -> 691, Status h disconnected 691, "
                                                "HangUp h -> 0 closed; t2: Dial \"Strict\" erin * -> 0", "691@Dialling",
         "Connected to ISP"},
        {0, NEVER, "dWORKWORKWORKWORK,t0,dWORKWORKWORKWOR,m1,t1", "t1: Dial \"Home ISP\" alice WORKWORKWORKWOR -> 0",
         "long@Started counting", "Connected to ISP"},
        // Still up after failing: no box, and the line is kept for the hang-up.
        {0, 1, "eSticky,t1", "t1: Dial \"Sticky\" dan * -> 678, Status h connected 0" CLOSED, "", "Hung up"},
        // A tick while the dial's box is open acts at once.
        {0, 1, "eBusy Line,b1,t0", "t0: Dial \"Busy Line\" bob * -> 678, Status h disconnected 678" CLOSED
         ", HangUp 0 -> 6", "678@Dialling,6@Hanging Up", "Dial error"},
        {0, 0, "eStubborn,t0", "t0: Dial \"Stubborn\"  * -> 0, HangUp h -> 668", "668@Hanging Up", "Hangup error"},
        {0, 1, "eClingy,t1", "t1: Dial \"Clingy\"  * -> 0, HangUp h -> 0 still up", "up@Hanging Up", "Hangup error"},
        // Two hang-ups of one line, a Start between.
        {0, 1, "t1,p5,p5,t1", "t1: " HOME_HUNG_UP "; t1: HangUp h -> 6", "6@Hanging Up", "Hangup error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dial << " " << c.hangUp << " " << c.steps);
        Observed seen = RunSchedule(NIGHT, c.dial, c.hangUp, c.steps, WINDOWS_8);
        EXPECT_EQ(seen.calls, c.calls);
        EXPECT_EQ(seen.boxes, c.boxes);
        EXPECT_EQ(seen.status, c.status);
    }
}

// A power request of Windows 8 made with reason #n, and let go of.
#define HOLD(n) "request #" n ", set system #" n ", set execution #" n
#define LET_GO(n) "clear system #" n ", clear execution #" n ", close #" n
#define XP_HELD(wake, step) "start: awake, wake " wake "; " step ": release, cancel"

TEST(Schedule, PowerRequestsAndWakeTimersHoldWhileATickedMomentLiesAheadThroughTheNight)
{
    TIME_ZONE_INFORMATION zone;
    ASSERT_TRUE(GetTimeZoneInformation(&zone) != TIME_ZONE_ID_UNKNOWN && zone.Bias == -60 && zone.DaylightBias == -60)
        << "the tests run in Europe/Berlin, as scripts/test sets";
    // From Start, NIGHT where none is given: 02:00:00 local (00:00 UTC) on 14/05/2031. The wake
    // timer is due two minutes before the first second that acts, in UTC.
    const char* const DIAL_AT_3 = "Quorvel: dial \"Home ISP\" at 03:00:00 on 14/05/2031";
    const struct {
        Windows windows;
        int dial, hangUp;
        const char *steps, *calls, *asked;
        std::vector<std::string> reasons;
        SYSTEMTIME start;
    } cases[] = {
        // A new reason when the next moment or entry changes, before the old one goes; none for a tick alone; nothing
        // held after the last moment.
        {WINDOWS_8, 3600, 7200, "t60,m1800,t61,eWork VPN,t62,t1800,t7200",
         "t1800: Dial \"Work VPN\"  * -> 0; t7200: HangUp h -> 0 closed",
         "start: " HOLD("1") ", wake 00:58:00 #1; t61: " HOLD("2") ", " LET_GO("1") ", wake 00:28:00 #2; "
         "t62: " HOLD("3") ", " LET_GO("2") ", wake 00:28:00 #3; t1800: " HOLD("4") ", " LET_GO("3")
         ", wake 01:58:00 #4; t7200: " LET_GO("4") ", cancel",
         {DIAL_AT_3, "Quorvel: dial \"Home ISP\" at 02:30:00 on 14/05/2031",
          "Quorvel: dial \"Work VPN\" at 02:30:00 on 14/05/2031",
          "Quorvel: hang up \"Work VPN\" at 04:00:00 on 14/05/2031"}},
        {WINDOWS_7, 3600, NEVER, "p60", "", "start: request #1, set system #1, set execution #1 refused, "
         "wake 00:58:00 #1; p60: clear system #1, close #1, cancel", {DIAL_AT_3}},
        {REFUSING, 3600, NEVER, "p60", "", "start: request #1 refused, awake, wake 00:58:00 #1 refused, "
         "wake 00:58:00; p60: release, cancel", {DIAL_AT_3}},
        {WINDOWS_XP, 3600, 7200, "t3600,t7200", "t3600: " HOME_DIALLED "; t7200: HangUp h -> 0 closed",
         "start: awake, wake 00:58:00; t3600: wake 01:58:00; t7200: release, cancel"},
        // Let go when the moment is missed, or moved to a second already looked at; nothing
        // asked for moments already past.
        {WINDOWS_XP, 3600, NEVER, "t7300", "", XP_HELD("00:58:00", "t7300")},
        {WINDOWS_XP, 3600, NEVER, "t60,m60,t60", "", XP_HELD("00:58:00", "t60")},
        {WINDOWS_8, -5, -3, "t1,p2", "", ""},
        // The zone's changes in 2031, at 01:00 UTC: on 30 March from 01:59:59 to 03:00:00, where 02:20 is acted on at
        // the change; on 26 October from 02:59:59 back to 02:00:00, where 02:30 is acted on in the first pass from
        // Start in it, or in the second from Start in the first pass after the moment.
        {WINDOWS_XP, 1260, NEVER, "t59,t60", "t60: " HOME_DIALLED, XP_HELD("00:58:00", "t60"), {},
         {2031, 3, 0, 30, 0, 59}},
        {WINDOWS_XP, 60, NEVER, "t59,t60,t3660", "t60: " HOME_DIALLED, XP_HELD("00:28:00", "t60"), {},
         {2031, 10, 0, 26, 0, 29}},
        {WINDOWS_XP, -600, NEVER, "t2999,t3000", "t3000: " HOME_DIALLED, XP_HELD("01:28:00", "t3000"), {},
         {2031, 10, 0, 26, 0, 40}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "Windows " << c.windows << ", " << c.start.wMonth << ": " << c.steps);
        Observed seen = RunSchedule(c.start.wYear != 0 ? c.start : NIGHT, c.dial, c.hangUp, c.steps, c.windows);
        EXPECT_EQ(seen.calls, c.calls);
        EXPECT_EQ(seen.asked, c.asked) << "with the boxes " << seen.boxes;
        EXPECT_EQ(seen.reasons, c.reasons);
    }
}

TEST(Schedule, AMomentMissedOnTheRealClockIsReportedOnceWhileItsBoxStaysOpenOverRealTicks)
{
    // Start two hours ago, the dial ticked ten minutes after it and the hang-up unticked twenty: the first tick of
    // the real timer finds the clock past both. The box of the dial stays open over the ticks that follow.
    SYSTEMTIME start = AddSeconds(UtcNow(), -7200), dial = LocalOf(AddSeconds(start, 600));
    HWND form = NewForm(start, 600, 1200, WINDOWS_8);
    CheckDlgButton(form, IDC_HANGUP_ENABLE, BST_UNCHECKED);
    StartCatchingBoxes(nullptr, 3500);
    ToggleCountingAt(form, &start);
    for (DWORD began = GetTickCount(); GetTickCount() - began < 6000; Sleep(50))
        QuitRequested();
    SwapPowerCalls();
    char missed[64];
    snprintf(missed, sizeof missed, "missed dial %02u:%02u:%02u %02u/%02u/%04u@Dial missed", dial.wHour, dial.wMinute,
             dial.wSecond, dial.wDay, dial.wMonth, dial.wYear);
    ASSERT_EQ(g_caughtBoxes.size(), 1u) << "boxes";
    EXPECT_EQ(BoxName(g_caughtBoxes[0].text) + "@" + g_caughtBoxes[0].ownerStatus, missed);
    DestroySchedulerForm(form);
}

static UINT_PTR WINAPI RefusedSetTimer(HWND, UINT_PTR, UINT, TIMERPROC)
{
    SetLastError(ERROR_NOT_ENOUGH_QUOTA);
    return 0;
}

TEST(Schedule, StartOnTheRealClockShowsARefusedTimerAndKeepsAwakeForADialAhead)
{
    SYSTEMTIME now = UtcNow();
    HWND form = NewForm(now, 1800, NEVER, WINDOWS_XP);
    g_step = "press";
    void* setTimer = SwapImport("user32.dll", "SetTimer", reinterpret_cast<void*>(RefusedSetTimer));
    // The caption and status after each press, and what each press asked.
    std::string shown;
    for (int press = 0; press < 3; press++) {
        PressButton(form, IDC_START);
        shown += ControlText(form, IDC_START) + "/" + ControlText(form, IDC_STATUS) + " " + g_seen.asked + "; ";
        SwapImport("user32.dll", "SetTimer", setTimer);
    }
    SwapPowerCalls();
    ASSERT_EQ(g_caughtBoxes.size(), 1u);
    EXPECT_EQ(g_caughtBoxes[0].text, SystemText(ERROR_NOT_ENOUGH_QUOTA));
    EXPECT_EQ(g_caughtBoxes[0].owner, form);
    std::string asked = "press: awake, " + WakeText(AddSeconds(now, 1800 - 120));
    EXPECT_EQ(shown, "Start/Idle ; Stop/Started counting " + asked + "; Start/Idle " + asked + ", release, cancel; ");
    DestroySchedulerForm(form);
}
