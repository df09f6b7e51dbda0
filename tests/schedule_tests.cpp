// Counting, the tick, the dial and the hang-up against the stand-in service, and what the program asks of the power
// management and of the timer: the tests pass the instants of Start and of every tick themselves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

// What a run made happen, step by step, e.g. "start: a, b; t60: c": the stand-in's calls, the power calls, the next
// tick's due time (local minute:second.ms), the boxes as text@status then, the caption/status at the end.
struct Observed {
    std::string calls, asked, ticks, boxes, status;
    std::vector<std::string> reasons; // #1, #2, ... in the order first given
    int callsStep = -1, askedStep = -1, ticksStep = -1;
    size_t journalRead = 0;
};
static Observed g_seen;
static std::string g_step;
static int g_stepNumber;
static SYSTEMTIME g_stepAt;

static void Note(std::string* log, int* lastStep, const std::string& entry)
{
    *log += (*lastStep == g_stepNumber ? ", " : (log->empty() ? "" : "; ") + g_step + ": ") + entry;
    *lastStep = g_stepNumber;
}

// The journal's new dials, hang-ups and status queries, shortened: a live handle as h, a hang-up waited out.
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

// The timer is not made: each step's instant and the time-out asked for tell when the tick would come.
static bool g_refuseTimer;
static UINT_PTR WINAPI RecordSetTimer(HWND, UINT_PTR, UINT timeOutMs, TIMERPROC)
{
    if (g_refuseTimer) {
        g_refuseTimer = false;
        SetLastError(ERROR_NOT_ENOUGH_QUOTA);
        return 0;
    }
    SYSTEMTIME due = LocalOf(TimeOfUnits(UnitsOf(g_stepAt) + timeOutMs * (UNITS_PER_SECOND / 1000)));
    char text[16];
    snprintf(text, sizeof text, "%02u:%02u.%03u", due.wMinute, due.wSecond, due.wMilliseconds);
    Note(&g_seen.ticks, &g_seen.ticksStep, text);
    return 1;
}

// Imported calls and their recorders, swapped in or back; the later power calls, which XP lacks, looked up.
static LaterCall g_imports[] = {
    {"kernel32.dll", "SetWaitableTimer", RECORDER(RecordWakeTimer)},
    {"kernel32.dll", "CancelWaitableTimer", RECORDER(RecordCancel)},
    {"kernel32.dll", "SetThreadExecutionState", RECORDER(RecordExecutionState)},
    {"kernel32.dll", "CloseHandle", RECORDER(RecordCloseHandle)}, {"user32.dll", "SetTimer", RECORDER(RecordSetTimer)}};
static void SwapRecordedCalls(bool recording)
{
    for (LaterCall& call : g_imports) {
        call.recorder = SwapImport(call.dll, call.name, call.recorder);
        ASSERT_NE(call.recorder, nullptr) << "the program does not import " << call.name;
    }
    g_closeHandle = reinterpret_cast<decltype(g_closeHandle)>(g_imports[3].recorder);
    bool xp = g_windows == WINDOWS_XP;
    RecordLaterCalls(recording ? std::vector<LaterCall>{
        {"kernel32.dll", "PowerCreateRequest", xp ? nullptr : RECORDER(RecordCreateRequest)},
        {"kernel32.dll", "PowerSetRequest", xp ? nullptr : RECORDER(RecordRequest<true>)},
        {"kernel32.dll", "PowerClearRequest", xp ? nullptr : RECORDER(RecordRequest<false>)},
        {"kernel32.dll", "SetWaitableTimerEx", xp ? nullptr : RECORDER(RecordWakeTimerWithReason)}}
        : std::vector<LaterCall>());
}

static SYSTEMTIME g_tickInBox;
static void TickInTheFirstBox()
{
    if (g_caughtBoxes.size() == 1)
        ExamineScheduleUpTo(g_caughtBoxes[0].owner, &g_tickInBox);
}

// Start, then the steps, each N seconds (or a fraction) of UTC after Start: tN a tick; pN a press of Start; bN a tick
// at N while the first error box is open; mN sets the dial moment N seconds after Start's local time; eNAME selects
// an entry; wTEXT types a password; dTEXT types a domain; u unticks both boxes; r refuses the next timer.
static void RunSteps(HWND form, const SYSTEMTIME& start, const char* steps)
{
    std::istringstream in(std::string("start,") + steps);
    for (g_stepNumber = 0; std::getline(in, g_step, ','); g_stepNumber++) {
        const char* arg = g_step.c_str() + 1;
        g_stepAt = TimeOfUnits(UnitsOf(start) + llround(atof(arg) * UNITS_PER_SECOND));
        if (g_step[0] == 't')
            ExamineScheduleUpTo(form, &g_stepAt);
        else if (g_step[0] == 'p' || g_step == "start")
            ToggleCountingAt(form, &g_stepAt);
        else if (g_step[0] == 'b')
            g_tickInBox = g_stepAt, StartCatchingBoxes(TickInTheFirstBox);
        else if (g_step[0] == 'm')
            SetMoment(form, IDC_DIAL_TIME, IDC_DIAL_DATE, LocalOf(g_stepAt));
        else if (g_step[0] == 'e')
            SelectEntry(form, arg);
        else if (g_step[0] == 'w' || g_step[0] == 'd')
            SetDlgItemTextA(form, g_step[0] == 'w' ? IDC_PASSWORD : IDC_DOMAIN, arg);
        else if (g_step == "u")
            CheckDlgButton(form, IDC_DIAL_ENABLE, BST_UNCHECKED), CheckDlgButton(form, IDC_HANGUP_ENABLE, 0);
        else if (g_step == "r")
            g_refuseTimer = true;
        else
            ADD_FAILURE() << "the test's step \"" << g_step << "\" is none of t, p, b, m, e, w, d, u, r";
        NoteNewCalls();
    }
}

// A box's text, short: a code for the stand-in's and the system's texts, the action and moment of a missed one.
static std::string BoxName(std::string text)
{
    const std::pair<std::string, const char*> NAMES[] = {
        {"There was no answer\\.", "678"}, {"The connection was dropped\\.", "668"}, {".*longer than a dial.*", "long"},
        {"The user name or password was not accepted by the remote server\\.", "691"}, {"The line is still up.*", "up"},
        {SystemText(ERROR_INVALID_HANDLE), "6"}, {SystemText(ERROR_NOT_ENOUGH_QUOTA), "quota"},
        {"The (dial|hang-up) at (\\S+) on (\\S+) was missed: the computer was asleep or its clock was changed\\.",
         "missed $1 $2 $3"}};
    for (const auto& name : NAMES)
        text = std::regex_replace(text, std::regex(name.first), name.second);
    return text;
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
    CheckDlgButton(form, IDC_HANGUP_ENABLE, hangUp == NEVER ? BST_UNCHECKED : BST_CHECKED);
    g_seen = Observed();
    g_windows = windows;
    SwapRecordedCalls(true);
    return form;
}

static Observed RunSchedule(const SYSTEMTIME& start, int dial, int hangUp, const char* steps, Windows windows)
{
    HWND form = NewForm(start, dial, hangUp, windows);
    RunSteps(form, start, steps);
    SwapRecordedCalls(false);
    for (const CaughtBox& box : g_caughtBoxes) {
        g_seen.boxes += (g_seen.boxes.empty() ? "" : ",") + BoxName(box.text) + "@" + box.ownerStatus;
        EXPECT_TRUE(box.owner == form && box.look == PLAIN_ERROR_BOX) << box.text << ": " << box.look;
    }
    g_seen.status = ControlText(form, IDC_START) + "/" + ControlText(form, IDC_STATUS);
    DestroySchedulerForm(form);
    return g_seen;
}

TEST(Schedule, ActionsTheirBoxesAndTheStatusLine)
{
    // Moments in seconds after 02:00:00 local on 14/05/2031, Start's moment; steps as RunSteps reads them.
    const struct {
        int dial, hangUp;
        const char *steps, *calls, *boxes, *status, *ticks;
    } cases[] = {
        {1, 1, "u,t1,m3,t7200", "", "", "Started counting"}, // unticked: neither acted on nor missed
        {-5, -3, "t7200", "", "", "Started counting"}, // past at Start: not missed
        // As far as the catch-up reaches, and one second further, where the hang-up has the null handle.
        {600, 3600, "t0,t3600", "t3600: " HOME_HUNG_UP, "", "Hung up"},
        {1, 3601, "t0,t3601", "t3601: HangUp 0 -> 6", MISSED_DIAL ",6@Hanging Up", "Hangup error"},
        // Each reported once, though a tick comes while the first box is open.
        {1, 3600, "t0,b3602,t3601", "", MISSED_DIAL ",missed hang-up 03:00:00 14/05/2031@Hangup missed",
         "Hangup missed"},
        // A clock back over a moment acted on, then on past it further than the catch-up: it was not missed.
        {600, NEVER, "t600,t0,t4000", "t600: " HOME_DIALLED, "", "Connected to ISP"},
        // Start's own second at once, then two ticks in it; a moment moved to the next, the clock back over it.
        {0, NEVER, "t0,t0,m1,t1,t0,t1", "start: " HOME_DIALLED "; t1: " HOME_DIALLED, "", "Connected to ISP"},
        // Start again in a second not looked at yet, then within the second acted on.
        {1, NEVER, "t0,p0,p1,t1,t1,p1,p1,t1,t2", "p1: " HOME_DIALLED, "", "Started counting"},
        // The form is read at the match, not at Start: the entry, the password, the domain (none is *, 16 characters
        // too long, 15 not).
        {1, NEVER, "eStrict,t1,wright,d,m2,t2", "t1: Dial \"Strict\" erin WORK -> 691, Status h disconnected 691, "
                                                "HangUp h -> 0 closed; t2: Dial \"Strict\" erin * -> 0", "691@Dialling",
         "Connected to ISP"},
        {1, NEVER, "dWORKWORKWORKWORK,t1,dWORKWORKWORKWOR,m2,t2", "t2: Dial \"Home ISP\" alice WORKWORKWORKWOR -> 0",
         "long@Started counting", "Connected to ISP"},
        // Still up after failing: no box, and the line is kept for the hang-up.
        {1, 2, "eSticky,t2", "t2: Dial \"Sticky\" dan * -> 678, Status h connected 0" CLOSED, "", "Hung up"},
        // A tick while the dial's box is open acts at once.
        {1, 2, "eBusy Line,b2,t1", "t1: Dial \"Busy Line\" bob * -> 678, Status h disconnected 678" CLOSED
         ", HangUp 0 -> 6", "678@Dialling,6@Hanging Up", "Dial error"},
        {1, 1, "eStubborn,t1", "t1: Dial \"Stubborn\"  * -> 0, HangUp h -> 668", "668@Hanging Up", "Hangup error"},
        {1, 2, "eClingy,t2", "t2: Dial \"Clingy\"  * -> 0, HangUp h -> 0 still up", "up@Hanging Up", "Hangup error"},
        // Two hang-ups of one line, a Start between.
        {0, 1, "t1,p5,p5,t1", "start: " HOME_DIALLED "; t1: HangUp h -> 0 closed; t1: HangUp h -> 6", "6@Hanging Up",
         "Hangup error"},
        // The next tick asked for early in the next second, whenever Start was pressed and however early or late the
        // tick before came, the clock set back or forward: a moment is acted on early in its own second.
        {1, NEVER, "p.03,p.03,p.5,p.5,p.96,p.96,p.999,p.999,t1.04,t1.995,t3.7,t-5.2,t7200.3", "t1.04: " HOME_DIALLED,
         "", "Connected to ISP", "start: 00:01.040; p.03: 00:01.040; p.5: 00:01.040; p.96: 00:01.040; p.999: "
         "00:01.040; t1.04: 00:02.040; t1.995: 00:02.040; t3.7: 00:04.040; t-5.2: 59:55.040; t7200.3: 00:01.040"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dial << " " << c.hangUp << " " << c.steps);
        Observed seen = RunSchedule(NIGHT, c.dial, c.hangUp, c.steps, WINDOWS_8);
        EXPECT_EQ(seen.calls, c.calls);
        EXPECT_EQ(seen.boxes + "; " + seen.status, std::string(c.boxes) + "; Stop/" + c.status);
        EXPECT_TRUE(c.ticks == nullptr || seen.ticks == c.ticks) << "the ticks asked for: " << seen.ticks;
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
    // From Start, NIGHT where none is given; the wake timer due two minutes before the first second that acts, in UTC.
    const char* const DIAL_AT_3 = "Quorvel: dial \"Home ISP\" at 03:00:00 on 14/05/2031";
    const struct {
        Windows windows;
        int dial, hangUp;
        const char *steps, *calls, *asked;
        SYSTEMTIME start;
        std::vector<std::string> reasons;
        const char* shown; // the boxes; the caption and status at the end
    } cases[] = {
        // A new reason, before the old one goes, when the next moment or entry changes; nothing after the last.
        {WINDOWS_8, 3600, 7200, "t60,m1800,t61,eWork VPN,t62,t1800,t7200",
         "t1800: Dial \"Work VPN\"  * -> 0; t7200: HangUp h -> 0 closed",
         "start: " HOLD("1") ", wake 00:58:00 #1; t61: " HOLD("2") ", " LET_GO("1") ", wake 00:28:00 #2; "
         "t62: " HOLD("3") ", " LET_GO("2") ", wake 00:28:00 #3; t1800: " HOLD("4") ", " LET_GO("3")
         ", wake 01:58:00 #4; t7200: " LET_GO("4") ", cancel", {},
         {DIAL_AT_3, "Quorvel: dial \"Home ISP\" at 02:30:00 on 14/05/2031",
          "Quorvel: dial \"Work VPN\" at 02:30:00 on 14/05/2031",
          "Quorvel: hang up \"Work VPN\" at 04:00:00 on 14/05/2031"}},
        {WINDOWS_7, 3600, NEVER, "p60", "", "start: request #1, set system #1, set execution #1 refused, "
         "wake 00:58:00 #1; p60: clear system #1, close #1, cancel", {}, {DIAL_AT_3}},
        {REFUSING, 3600, NEVER, "p60", "", "start: request #1 refused, awake, wake 00:58:00 #1 refused, "
         "wake 00:58:00; p60: release, cancel", {}, {DIAL_AT_3}},
        {WINDOWS_XP, 3600, 7200, "t3600,t7200", "t3600: " HOME_DIALLED "; t7200: HangUp h -> 0 closed",
         "start: awake, wake 00:58:00; t3600: wake 01:58:00; t7200: release, cancel"},
        // On to the next moment when one moves to a second looked at; let go at one missed; nothing for past ones.
        {WINDOWS_XP, 3600, 7200, "t60,m60,t60,t7300", "", "start: awake, wake 00:58:00; t60: wake 01:58:00; t7300: "
         "release, cancel"},
        {WINDOWS_8, -5, -3, "t1,p2", "", ""},
        // A timer refused at Start or at a tick is shown, and counting ends with what it kept awake.
        {WINDOWS_XP, 1800, NEVER, "p0,r,p0,p0,r,t1", "", "start: awake, wake 00:28:00; p0: release, cancel; p0: awake, "
         "wake 00:28:00; t1: release, cancel", {}, {}, "quota@Idle,quota@Started counting; Start/Idle"},
        // 2031's changes at 01:00 UTC: 30 March, 01:59:59 to 03:00:00, 02:20 acted on at the change; 26 October,
        // 02:59:59 back to 02:00:00, 02:30 in the first pass from Start in it, in the second from Start after it.
        {WINDOWS_XP, 1260, NEVER, "t59,t60", "t60: " HOME_DIALLED, XP_HELD("00:58:00", "t60"), {2031, 3, 0, 30, 0, 59}},
        {WINDOWS_XP, 60, NEVER, "t59,t60,t3660", "t60: " HOME_DIALLED, XP_HELD("00:28:00", "t60"),
         {2031, 10, 0, 26, 0, 29}},
        {WINDOWS_XP, -600, NEVER, "t2999,t3000", "t3000: " HOME_DIALLED, XP_HELD("01:28:00", "t3000"),
         {2031, 10, 0, 26, 0, 40}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "Windows " << c.windows << ", " << c.start.wMonth << ": " << c.steps);
        Observed seen = RunSchedule(c.start.wYear != 0 ? c.start : NIGHT, c.dial, c.hangUp, c.steps, c.windows);
        EXPECT_EQ(seen.calls, c.calls);
        EXPECT_EQ(seen.asked, c.asked) << "with the boxes " << seen.boxes;
        EXPECT_EQ(seen.reasons, c.reasons);
        std::string shown = seen.boxes + "; " + seen.status;
        EXPECT_TRUE(c.shown == nullptr || shown == c.shown) << shown;
    }
}
