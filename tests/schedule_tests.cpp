// Counting, the schedule tick, the dial and the hang-up against the stand-in service, and what
// the program asks of the platform's power management. The tests pass the instants of Start and
// of every tick themselves, and record what each step made happen.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>

#include "res/resource.h"
#include "scheduler/scheduler.h"
#include "test_support.h"

static const char BOOK[] = "[Home ISP]\nUser=alice\nPassword=secret\nDomain=HOME\nAcceptPassword=secret\n"
                           "[Busy Line]\nUser=bob\nDialResult=678\n"
                           "[Sticky]\nUser=dan\nDialResult=678\nStillUpAfterFailure=1\n"
                           "[Strict]\nUser=erin\nPassword=old\nDomain=WORK\nAcceptPassword=right\n"
                           "[Stubborn]\nHangUpResult=668\n[Clingy]\nStillUpAfterHangUp=1\n[Work VPN]\n";
// 00:00 UTC, 02:00 in the zone the tests run in, far from the real clock.
static const SYSTEMTIME NIGHT = {2031, 5, 3, 14, 0, 0, 0, 0};
static const int NEVER = 9000;
enum Ticked { NONE = 0, DIAL = 1, HANG_UP = 2, BOTH = 3 };
// The power calls of XP and Vista (none of Windows 7's); of Windows 7, which refuses
// execution-required requests; of Windows 8 and later; of one that refuses requests and reasons.
enum Windows { WINDOWS_XP, WINDOWS_7, WINDOWS_8, REFUSING };
#define HOME_DIALLED "Dial \"Home ISP\" alice HOME -> 0"

// What a run made happen, step by step, e.g. "start: a, b; t60: c": the stand-in's calls, what
// was asked of the power management, the boxes as text@status then, the status line at the end.
struct Observed {
    std::string calls, asked, boxes, status;
    std::vector<std::string> reasons; // #1, #2, ... in the order first given
};
static Observed g_seen;
static std::string g_step;
static int g_stepNumber;

static void Note(std::string* log, int* lastStep, const std::string& entry)
{
    *log += *lastStep == g_stepNumber ? ", " : (log->empty() ? "" : "; ") + g_step + ": ";
    *lastStep = g_stepNumber;
    *log += entry;
}

// The journal's new dials, hang-ups and status queries, shortened, a live handle as h.
static void NoteNewCalls()
{
    static const char* const SHORTER[][2] = {
        {"handle=[1-9][0-9]*", "handle=h"},
        {"RasDialA entry=(\"[^\"]*\") user=\"([^\"]*)\" domain=\"([^\"]*)\" -> (\\d+) handle=\\w+", "Dial $1 $2 $3 -> $4"},
        {"RasHangUpA handle=", "HangUp "},
        {"RasGetConnectStatusA handle=(\\w+) -> 0 state=(\\w+) error=", "Status $1 $2 "},
        {"RasGetConnectStatusA handle=(\\w+) -> 6", "Status $1 gone"},
    };
    static size_t read;
    static int lastStep;
    std::vector<JournalCall> journal = ReadJournal();
    if (g_stepNumber == 0)
        read = 0, lastStep = -1;
    std::string calls;
    for (; read < journal.size(); read++) {
        std::string line = journal[read].function + " " + journal[read].rest;
        for (const auto& rule : SHORTER)
            line = std::regex_replace(line, std::regex(rule[0]), rule[1]);
        if (line.rfind("Ras", 0) != 0)
            calls += (calls.empty() ? "" : ", ") + line;
    }
    // A hang-up waited for until the service had forgotten the handle, or in vain.
    calls = std::regex_replace(calls, std::regex("(, Status h connected 0){2,}"), " still up");
    calls = std::regex_replace(calls, std::regex("(, Status h disconnected \\d+)+, Status h gone"), " closed");
    if (!calls.empty())
        Note(&g_seen.calls, &lastStep, calls);
}

// The power calls, recorded in place of the real ones: a request's handle is its reason's number.
static Windows g_windows;
static const UINT_PTR FAKE_REQUEST = 0x7E000000;

static void Ask(const std::string& call)
{
    static int lastStep;
    if (g_seen.asked.empty())
        lastStep = -1;
    Note(&g_seen.asked, &lastStep, call);
}

static std::string ReasonNumber(const POWER_REASON* reason)
{
    char text[WAKE_REASON_CAP] = "";
    WideCharToMultiByte(CP_ACP, 0, reason->Reason.SimpleReasonString, -1, text, sizeof text, nullptr, nullptr);
    EXPECT_EQ(reason->Version, 0u);
    EXPECT_EQ(reason->Flags, static_cast<DWORD>(POWER_REQUEST_CONTEXT_SIMPLE_STRING));
    size_t n = std::find(g_seen.reasons.begin(), g_seen.reasons.end(), text) - g_seen.reasons.begin();
    if (n == g_seen.reasons.size())
        g_seen.reasons.push_back(text);
    return "#" + std::to_string(n + 1);
}

static std::string RequestName(ULONG type, HANDLE request)
{
    return (type == 1 ? "system #" : type == 3 ? "execution #" : "type? #") +
           std::to_string(reinterpret_cast<UINT_PTR>(request) - FAKE_REQUEST);
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
    Ask("request " + number + (g_windows == REFUSING ? " refused" : ""));
    return g_windows == REFUSING ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(FAKE_REQUEST + stoi(number.substr(1)));
}

static BOOL WINAPI RecordSetRequest(HANDLE request, ULONG type)
{
    bool refused = type == 3 && g_windows == WINDOWS_7;
    Ask("set " + RequestName(type, request) + (refused ? " refused" : ""));
    return !refused;
}

static BOOL WINAPI RecordClearRequest(HANDLE request, ULONG type)
{
    Ask("clear " + RequestName(type, request));
    return TRUE;
}

static BOOL(WINAPI* g_closeHandle)(HANDLE);
static BOOL WINAPI RecordCloseHandle(HANDLE handle)
{
    if (reinterpret_cast<UINT_PTR>(handle) < FAKE_REQUEST || handle == INVALID_HANDLE_VALUE)
        return g_closeHandle(handle);
    Ask("close #" + std::to_string(reinterpret_cast<UINT_PTR>(handle) - FAKE_REQUEST));
    return TRUE;
}

static BOOL WINAPI RecordWakeTimerWithReason(HANDLE, const LARGE_INTEGER* due, LONG, PTIMERAPCROUTINE, LPVOID,
                                             POWER_REASON* reason, ULONG)
{
    Ask(WakeText(TimeOfUnits(due->QuadPart)) + " " + ReasonNumber(reason) + (g_windows == REFUSING ? " refused" : ""));
    return g_windows != REFUSING;
}

static BOOL WINAPI RecordWakeTimer(HANDLE, const LARGE_INTEGER* due, LONG, PTIMERAPCROUTINE, LPVOID, BOOL resume)
{
    Ask(WakeText(TimeOfUnits(due->QuadPart)) + (resume ? "" : " without resume"));
    return TRUE;
}

static BOOL WINAPI RecordCancel(HANDLE)
{
    Ask("cancel");
    return TRUE;
}

static EXECUTION_STATE WINAPI RecordExecutionState(EXECUTION_STATE state)
{
    Ask(state == (ES_CONTINUOUS | ES_SYSTEM_REQUIRED) ? "awake" : state == ES_CONTINUOUS ? "release" : "state?");
    return ES_CONTINUOUS;
}

static FARPROC(WINAPI* g_getProcAddress)(HMODULE, LPCSTR);
static FARPROC WINAPI RecordLookUp(HMODULE module, LPCSTR name)
{
    static const std::pair<const char*, void*> LATER_CALLS[] = {
        {"PowerCreateRequest", reinterpret_cast<void*>(RecordCreateRequest)},
        {"PowerSetRequest", reinterpret_cast<void*>(RecordSetRequest)},
        {"PowerClearRequest", reinterpret_cast<void*>(RecordClearRequest)},
        {"SetWaitableTimerEx", reinterpret_cast<void*>(RecordWakeTimerWithReason)},
    };
    for (const auto& call : LATER_CALLS) {
        if (HIWORD(name) != 0 && lstrcmpA(name, call.first) == 0)
            return g_windows == WINDOWS_XP ? nullptr : reinterpret_cast<FARPROC>(call.second);
    }
    return g_getProcAddress(module, name);
}

// Swaps the program's power calls and its lookup of the later ones with the recorders above; a
// second call swaps them back.
static void SwapPowerCalls()
{
    static const char* const NAMES[] = {"SetWaitableTimer", "CancelWaitableTimer", "SetThreadExecutionState",
                                        "CloseHandle", "GetProcAddress"};
    static void* saved[] = {reinterpret_cast<void*>(RecordWakeTimer), reinterpret_cast<void*>(RecordCancel),
                            reinterpret_cast<void*>(RecordExecutionState), reinterpret_cast<void*>(RecordCloseHandle),
                            reinterpret_cast<void*>(RecordLookUp)};
    for (int i = 0; i < 5; i++) {
        saved[i] = SwapImport("kernel32.dll", NAMES[i], saved[i]);
        ASSERT_NE(saved[i], nullptr) << "the program does not import " << NAMES[i];
    }
    g_closeHandle = reinterpret_cast<decltype(g_closeHandle)>(saved[3]);
    g_getProcAddress = reinterpret_cast<decltype(g_getProcAddress)>(saved[4]);
}

static HWND g_form;
static SYSTEMTIME g_tickInBox;
static void TickInTheFirstBox()
{
    if (g_caughtBoxes.size() == 1)
        ExamineScheduleUpTo(g_form, &g_tickInBox);
}

// Start, then the steps, each N seconds of UTC after Start: tN a tick; pN a press of Start; bN a
// tick at N while the first error box is open; mN sets the dial moment N seconds after Start's
// local time; eNAME selects an entry; wTEXT types a password; dTEXT types a domain; u unticks the
// dial box.
static void RunSteps(HWND form, const SYSTEMTIME& start, const char* steps)
{
    std::istringstream in(steps);
    g_form = form;
    g_step = "start";
    g_stepNumber = 0;
    ToggleCountingAt(form, &start);
    KillTimer(form, 0); // the test sends every tick itself
    NoteNewCalls();
    for (std::string step; std::getline(in, step, ',');) {
        g_step = step;
        g_stepNumber++;
        std::string arg = step.substr(1);
        SYSTEMTIME at = AddSeconds(start, atoi(arg.c_str()));
        if (step[0] == 't')
            ExamineScheduleUpTo(form, &at);
        else if (step[0] == 'p')
            ToggleCountingAt(form, &at);
        else if (step[0] == 'b')
            g_tickInBox = at, StartCatchingBoxes(TickInTheFirstBox);
        else if (step[0] == 'm')
            SetMoment(form, IDC_DIAL_TIME, IDC_DIAL_DATE, AddSeconds(LocalOf(start), atoi(arg.c_str())));
        else if (step[0] == 'e')
            SelectEntry(form, arg.c_str());
        else if (step[0] == 'w' || step[0] == 'd')
            SetDlgItemTextA(form, step[0] == 'w' ? IDC_PASSWORD : IDC_DOMAIN, arg.c_str());
        else if (step == "u")
            CheckDlgButton(form, IDC_DIAL_ENABLE, BST_UNCHECKED);
        else
            ADD_FAILURE() << "the test's step \"" << step << "\" is none of t, p, b, m, e, w, d, u";
        KillTimer(form, 0);
        NoteNewCalls();
    }
}

// A box's text, short: a code for the stand-in's and the system's texts, the action and moment
// of a missed one.
static std::string BoxName(const std::string& text)
{
    static const std::pair<std::string, const char*> NAMES[] = {
        {"There was no answer.", "678"},
        {"The user name or password was not accepted by the remote server.", "691"},
        {"The connection was dropped.", "668"},
        {SystemText(ERROR_INVALID_HANDLE), "6"},
    };
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

// One run on a new form: moments N seconds after Start's local time, boxes ticked as given.
static Observed RunSchedule(const char* entry, const SYSTEMTIME& start, int dial, int hangUp, int ticked,
                            const char* steps, Windows windows)
{
    UsePhonebook(BOOK);
    StartCatchingBoxes();
    HWND form = CreateSchedulerForm();
    SelectEntry(form, entry);
    UseJournal();
    SetMoment(form, IDC_DIAL_TIME, IDC_DIAL_DATE, AddSeconds(LocalOf(start), dial));
    SetMoment(form, IDC_HANGUP_TIME, IDC_HANGUP_DATE, AddSeconds(LocalOf(start), hangUp));
    CheckDlgButton(form, IDC_DIAL_ENABLE, ticked & DIAL ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(form, IDC_HANGUP_ENABLE, ticked & HANG_UP ? BST_CHECKED : BST_UNCHECKED);
    g_seen = Observed();
    g_windows = windows;
    SwapPowerCalls();
    RunSteps(form, start, steps);
    SwapPowerCalls();
    for (const CaughtBox& box : g_caughtBoxes) {
        g_seen.boxes += (g_seen.boxes.empty() ? "" : ",") + BoxName(box.text) + "@" + box.ownerStatus;
        EXPECT_EQ(box.owner, form) << box.text;
        EXPECT_EQ(box.look, PLAIN_ERROR_BOX) << box.text;
    }
    g_seen.status = ControlText(form, IDC_STATUS);
    if (g_seen.asked.empty())
        g_seen.asked = "none";
    DestroySchedulerForm(form);
    return g_seen;
}

TEST(Schedule, ActionsTheirBoxesAndTheStatusLine)
{
    // Moments in seconds after 02:00:00 local on 14/05/2031, Start's moment; steps as RunSteps reads them.
    const struct {
        const char* entry;
        int dial, hangUp;
        Ticked ticked;
        const char *steps, *calls, *boxes, *status;
    } cases[] = {
        {"Home ISP", 0, NEVER, BOTH, "t0,t0", "t0: " HOME_DIALLED, "", "Connected to ISP"},
        {"Home ISP", 0, 0, NONE, "t0", "", "", "Started counting"},
        {"Home ISP", -5, -3, BOTH, "t7200", "", "", "Started counting"}, // past at Start: not missed
        {"Home ISP", 0, 0, BOTH, "t0", "t0: " HOME_DIALLED ", HangUp h -> 0 closed", "", "Hung up"},
        // As far as the catch-up reaches, and one second further.
        {"Home ISP", 600, 3600, BOTH, "t0,t3600", "t3600: " HOME_DIALLED ", HangUp h -> 0 closed", "", "Hung up"},
        {"Home ISP", 1, 3601, BOTH, "t0,t3601", "t3601: HangUp 0 -> 6", // with the null handle
         "missed dial 02:00:01 14/05/2031@Dial missed,6@Hanging Up", "Hangup error"},
        {"Home ISP", 1, 3600, BOTH, "t0,t3601", "",
         "missed dial 02:00:01 14/05/2031@Dial missed,missed hang-up 03:00:00 14/05/2031@Hangup missed",
         "Hangup missed"},
        {"Home ISP", 5, NEVER, BOTH, "t10,t5,t6", "t10: " HOME_DIALLED, "", "Connected to ISP"}, // clock back
        {"Home ISP", 0, NEVER, BOTH, "t0,m1,t1", "t0: " HOME_DIALLED "; t1: " HOME_DIALLED, "", "Connected to ISP"},
        // Stop and Start within the acted second; Start in a second not looked at yet.
        {"Home ISP", 0, NEVER, BOTH, "t0,p0,p0,t0,t1", "t0: " HOME_DIALLED, "", "Started counting"},
        {"Home ISP", 1, NEVER, BOTH, "t0,p0,p1,t1,t1", "t1: " HOME_DIALLED, "", "Connected to ISP"},
        // The form is read at the match, not at Start.
        {"Busy Line", 1, NEVER, BOTH, "eStrict,t1",
         "t1: Dial \"Strict\" erin WORK -> 691, Status h disconnected 691, HangUp h -> 0 closed", "691@Dialling",
         "Dial error"},
        {"Strict", 1, NEVER, BOTH, "wright,d,t1", "t1: Dial \"Strict\" erin * -> 0", "", "Connected to ISP"},
        {"Home ISP", 0, NEVER, BOTH, "dWORKWORKWORKWORK,t0", "", "long@Started counting", "Dial error"},
        {"Home ISP", 0, NEVER, BOTH, "dWORKWORKWORKWOR,t0", "t0: Dial \"Home ISP\" alice WORKWORKWORKWOR -> 0", "",
         "Connected to ISP"}, // 15 characters of domain are not too long
        // Still up after failing: no box, and the line is kept for the hang-up.
        {"Sticky", 0, 1, BOTH, "t1", "t1: Dial \"Sticky\" dan * -> 678, Status h connected 0, HangUp h -> 0 closed",
         "", "Hung up"},
        // A tick while the dial's box is open acts at once.
        {"Busy Line", 0, 1, BOTH, "b1,t0",
         "t0: Dial \"Busy Line\" bob * -> 678, Status h disconnected 678, HangUp h -> 0 closed, HangUp 0 -> 6",
         "678@Dialling,6@Hanging Up", "Dial error"},
        {"Stubborn", 0, 0, BOTH, "t0", "t0: Dial \"Stubborn\"  * -> 0, HangUp h -> 668", "668@Hanging Up",
         "Hangup error"},
        {"Clingy", 0, 1, BOTH, "t1", "t1: Dial \"Clingy\"  * -> 0, HangUp h -> 0 still up", "up@Hanging Up",
         "Hangup error"}, // a line that does not go down
        {"Home ISP", 0, 1, BOTH, "t1,p5,p5,t1", "t1: " HOME_DIALLED ", HangUp h -> 0 closed; t1: HangUp h -> 6",
         "6@Hanging Up", "Hangup error"}, // two hang-ups of one line, a Start between
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.entry << " " << c.dial << " " << c.hangUp << " " << c.steps);
        Observed seen = RunSchedule(c.entry, NIGHT, c.dial, c.hangUp, c.ticked, c.steps, WINDOWS_8);
        EXPECT_EQ(seen.calls, c.calls);
        EXPECT_EQ(seen.boxes, c.boxes);
        EXPECT_EQ(seen.status, c.status);
    }
}

// A power request of Windows 8 made with reason #n, and let go of.
#define HOLD(n) "request #" n ", set system #" n ", set execution #" n
#define LET_GO(n) "clear system #" n ", clear execution #" n ", close #" n

TEST(Schedule, PowerRequestsAndWakeTimersHoldWhileATickedMomentLiesAheadThroughTheNight)
{
    TIME_ZONE_INFORMATION zone;
    ASSERT_NE(GetTimeZoneInformation(&zone), TIME_ZONE_ID_UNKNOWN);
    ASSERT_EQ(zone.Bias, -60) << "the tests run in Europe/Berlin, as scripts/test sets";
    ASSERT_EQ(zone.DaylightBias, -60) << "the tests run in Europe/Berlin, as scripts/test sets";
    // From Start, NIGHT where none is given: 02:00:00 local (00:00 UTC) on 14/05/2031. The wake
    // timer is due two minutes before the first second that acts, in UTC.
    const char* const DIAL_AT_3 = "Quorvel: dial \"Home ISP\" at 03:00:00 on 14/05/2031";
    const struct {
        Windows windows;
        int dial, hangUp; // the dial's box ticked, and the hang-up's where it is not NEVER
        const char *steps, *calls, *asked;
        std::vector<std::string> reasons;
        SYSTEMTIME start;
    } cases[] = {
        // A new reason when the next moment or entry changes, before the old one goes; none for a
        // tick alone; nothing held after the last moment.
        {WINDOWS_8, 3600, 7200, "t60,m1800,t61,eWork VPN,t62,t1800,t7200",
         "t1800: Dial \"Work VPN\"  * -> 0; t7200: HangUp h -> 0 closed", "start: " HOLD("1") ", wake 00:58:00 #1; t61: " HOLD("2") ", " LET_GO("1") ", wake 00:28:00 #2; t62: "
         HOLD("3") ", " LET_GO("2") ", wake 00:28:00 #3; t1800: " HOLD("4") ", " LET_GO("3") ", wake 01:58:00 #4; "
         "t7200: " LET_GO("4") ", cancel",
         {DIAL_AT_3, "Quorvel: dial \"Home ISP\" at 02:30:00 on 14/05/2031",
          "Quorvel: dial \"Work VPN\" at 02:30:00 on 14/05/2031",
          "Quorvel: hang up \"Work VPN\" at 04:00:00 on 14/05/2031"}},
        {WINDOWS_7, 3600, NEVER, "p60", "", "start: request #1, set system #1, set execution #1 refused, wake 00:58:00 #1; "
                                  "p60: clear system #1, close #1, cancel", {DIAL_AT_3}},
        {REFUSING, 3600, NEVER, "p60", "", "start: request #1 refused, awake, wake 00:58:00 #1 refused, wake 00:58:00; "
                                 "p60: release, cancel", {DIAL_AT_3}},
        {WINDOWS_XP, 3600, 7200, "t3600,t7200", "t3600: " HOME_DIALLED "; t7200: HangUp h -> 0 closed",
         "start: awake, wake 00:58:00; t3600: wake 01:58:00; t7200: release, cancel", {}},
        // Let go at Stop, when the box is unticked, when the moment is missed, or moved to a second
        // already looked at; nothing asked for moments already past.
        {WINDOWS_XP, 3600, NEVER, "p60", "", "start: awake, wake 00:58:00; p60: release, cancel", {}},
        {WINDOWS_XP, 3600, NEVER, "u,t61", "", "start: awake, wake 00:58:00; t61: release, cancel", {}},
        {WINDOWS_XP, 3600, NEVER, "t7300", "", "start: awake, wake 00:58:00; t7300: release, cancel", {}},
        {WINDOWS_XP, 3600, NEVER, "t60,m60,t60", "", "start: awake, wake 00:58:00; t60: release, cancel", {}},
        {WINDOWS_8, -5, -3, "t1,p2", "", "none", {}},
        // The zone's changes in 2031, at 01:00 UTC: on 30 March from 01:59:59 to 03:00:00, where
        // 02:20 is acted on at the change; on 26 October from 02:59:59 back to 02:00:00, where
        // 02:30 is acted on in the first pass from Start in it, in the second from Start in the
        // second pass, or in the first pass after the moment.
        {WINDOWS_XP, 1260, NEVER, "t59,t60", "t60: " HOME_DIALLED, "start: awake, wake 00:58:00; t60: release, cancel",
         {}, {2031, 3, 0, 30, 0, 59, 0, 0}},
        {WINDOWS_XP, 60, NEVER, "t59,t60,t3660", "t60: " HOME_DIALLED,
         "start: awake, wake 00:28:00; t60: release, cancel", {}, {2031, 10, 0, 26, 0, 29, 0, 0}},
        {WINDOWS_XP, 1200, NEVER, "t1199,t1200", "t1200: " HOME_DIALLED,
         "start: awake, wake 01:28:00; t1200: release, cancel", {}, {2031, 10, 0, 26, 1, 10, 0, 0}},
        {WINDOWS_XP, -600, NEVER, "t2999,t3000", "t3000: " HOME_DIALLED,
         "start: awake, wake 01:28:00; t3000: release, cancel", {}, {2031, 10, 0, 26, 0, 40, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "Windows " << c.windows << ", " << c.start.wMonth << ": " << c.steps);
        Observed seen = RunSchedule("Home ISP", c.start.wYear != 0 ? c.start : NIGHT, c.dial, c.hangUp,
                                    c.hangUp == NEVER ? DIAL : BOTH, c.steps, c.windows);
        EXPECT_EQ(seen.calls, c.calls);
        EXPECT_EQ(seen.asked, c.asked) << "with the boxes " << seen.boxes;
        EXPECT_EQ(seen.reasons, c.reasons);
    }
}

static UINT_PTR WINAPI RefusedSetTimer(HWND, UINT_PTR, UINT, TIMERPROC)
{
    SetLastError(ERROR_NOT_ENOUGH_QUOTA);
    return 0;
}

TEST(Schedule, StartOnTheRealClockShowsARefusedTimerAndKeepsAwakeForADialAhead)
{
    UsePhonebook(BOOK);
    StartCatchingBoxes();
    HWND form = CreateSchedulerForm();
    SYSTEMTIME now = UtcNow();
    SetMoment(form, IDC_DIAL_TIME, IDC_DIAL_DATE, AddSeconds(LocalOf(now), 1800));
    CheckDlgButton(form, IDC_HANGUP_ENABLE, BST_UNCHECKED);
    g_seen = Observed();
    g_windows = WINDOWS_XP;
    g_step = "press";
    SwapPowerCalls();
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
    std::string asked = "press: awake, " + WakeText(AddSeconds(now, 1800 - 120));
    EXPECT_EQ(shown, "Start/Idle ; Stop/Started counting " + asked + "; Start/Idle " + asked + ", release, cancel; ");
    DestroySchedulerForm(form);
}
