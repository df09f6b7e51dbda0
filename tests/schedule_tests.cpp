// Counting, the schedule tick, the dial and the hang-up, against the stand-in service. The tests pass
// the moments of Start and of each tick themselves; the journal tells what was called, in what order.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "res/resource.h"
#include "scheduler/scheduler.h"
#include "test_support.h"

static const char BOOK[] = "[Home ISP]\nUser=alice\nPassword=secret\nDomain=HOME\nAcceptPassword=secret\n"
                           "[Busy Line]\nUser=bob\nDialResult=678\n"
                           "[Sticky]\nUser=dan\nDialResult=678\nStillUpAfterFailure=1\n"
                           "[Strict]\nUser=erin\nPassword=old\nDomain=WORK\nAcceptPassword=right\n"
                           "[Stubborn]\nHangUpResult=668\n[Clingy]\nStillUpAfterHangUp=1\n";
// In UTC, far from the real clock: 02:00 in the zone the tests run in.
static const SYSTEMTIME NIGHT = {2031, 5, 0, 14, 0, 0, 0, 0};
static const int NEVER = 9000;
#define HOME_DIALLED "Dial \"Home ISP\" alice HOME -> 0"

static HWND g_form;
static SYSTEMTIME g_tickInBox;

// The journal's dials, hang-ups and status queries, shortened, a live handle as h.
static std::string Calls()
{
    static const char* const SHORTER[][2] = {
        {"handle=[1-9][0-9]*", "handle=h"},
        {"RasDialA entry=(\"[^\"]*\") user=\"([^\"]*)\" domain=\"([^\"]*)\" -> (\\d+) handle=\\w+", "Dial $1 $2 $3 -> $4"},
        {"RasHangUpA handle=", "HangUp "},
        {"RasGetConnectStatusA handle=(\\w+) -> 0 state=(\\w+) error=", "Status $1 $2 "},
        {"RasGetConnectStatusA handle=(\\w+) -> 6", "Status $1 gone"},
    };
    std::string calls;
    for (const JournalCall& call : ReadJournal()) {
        std::string line = call.function + " " + call.rest;
        for (const auto& rule : SHORTER)
            line = std::regex_replace(line, std::regex(rule[0]), rule[1]);
        if (line.rfind("Ras", 0) != 0)
            calls += (calls.empty() ? "" : "; ") + line;
    }
    // A hang-up waited for until the service had forgotten the handle, or in vain.
    calls = std::regex_replace(calls, std::regex("(; Status h connected 0){2,}"), " still up");
    return std::regex_replace(calls, std::regex("(; Status h disconnected \\d+)+; Status h gone"), " closed");
}

static HWND FormOn(const char* entry)
{
    UsePhonebook(BOOK);
    StartCatchingBoxes();
    HWND form = CreateSchedulerForm();
    SelectEntry(form, entry);
    UseJournal();
    return form;
}

static void TickInTheFirstBox()
{
    if (g_caughtBoxes.size() == 1)
        ExamineScheduleUpTo(g_form, &g_tickInBox);
}

// Start, then steps N seconds after it: tN a tick, pN a press of Start, bN a tick while the
// first box is open; eNAME selects an entry, wTEXT types a password, dTEXT a domain, u
// unticks the dial box.
static void RunSteps(HWND form, const SYSTEMTIME& start, const char* steps)
{
    std::istringstream in(steps);
    g_form = form;
    ToggleCountingAt(form, &start);
    for (std::string step; std::getline(in, step, ',');) {
        std::string arg = step.substr(1);
        SYSTEMTIME at = AddSeconds(start, atoi(arg.c_str()));
        if (step[0] == 't')
            ExamineScheduleUpTo(form, &at);
        else if (step[0] == 'p')
            ToggleCountingAt(form, &at);
        else if (step[0] == 'b') {
            g_tickInBox = at;
            StartCatchingBoxes(TickInTheFirstBox);
        } else if (step[0] == 'e')
            SelectEntry(form, arg.c_str());
        else if (step[0] == 'u')
            CheckDlgButton(form, IDC_DIAL_ENABLE, BST_UNCHECKED);
        else
            SetDlgItemTextA(form, step[0] == 'w' ? IDC_PASSWORD : IDC_DOMAIN, arg.c_str());
        KillTimer(form, 0); // the test sends every tick itself
    }
}

// What the program asked of the platform's power management, in order.
static std::string g_power;
static DWORD g_wakeError;

static std::string WakeAt(const SYSTEMTIME& utc)
{
    char text[32];
    snprintf(text, sizeof text, "wake %02u:%02u:%02u; ", utc.wHour, utc.wMinute, utc.wSecond);
    return text;
}

static BOOL WINAPI RecordWakeTimer(HANDLE, const LARGE_INTEGER* due, LONG, PTIMERAPCROUTINE, LPVOID, BOOL resume)
{
    g_power += WakeAt(TimeOfUnits(due->QuadPart)) + (resume ? "" : "without resume; ");
    // As documented, a computer that can't be woken sets ERROR_NOT_SUPPORTED with success.
    SetLastError(g_wakeError);
    return g_wakeError == 0 || g_wakeError == ERROR_NOT_SUPPORTED;
}

static BOOL WINAPI RecordCancel(HANDLE)
{
    g_power += "cancel; ";
    return TRUE;
}

static EXECUTION_STATE WINAPI RecordExecutionState(EXECUTION_STATE state)
{
    g_power += state == (ES_CONTINUOUS | ES_SYSTEM_REQUIRED) ? "awake; " : state == ES_CONTINUOUS ? "release; " : "?; ";
    return ES_CONTINUOUS;
}

// Swaps the program's power calls with the recorders above; a second call swaps them back.
static void SwapPowerCalls()
{
    static const char* const NAMES[] = {"SetWaitableTimer", "CancelWaitableTimer", "SetThreadExecutionState"};
    static void* saved[3] = {reinterpret_cast<void*>(RecordWakeTimer), reinterpret_cast<void*>(RecordCancel),
                             reinterpret_cast<void*>(RecordExecutionState)};
    for (int i = 0; i < 3; i++)
        saved[i] = SwapImport("kernel32.dll", NAMES[i], saved[i]);
}

TEST(Schedule, ScenariosEndInTheirCallsBoxesAndStatus)
{
    TIME_ZONE_INFORMATION zone;
    ASSERT_TRUE(GetTimeZoneInformation(&zone) != TIME_ZONE_ID_UNKNOWN && zone.Bias != 0 && zone.DaylightBias != 0)
        << "the tests run in a zone with daylight saving and an offset from UTC, as scripts/test sets";
    // Moments are wall-clock seconds after the local time of Start, steps UTC seconds after Start.
    // Boxes as code@status then, "long" the program's own text for a long domain; asked: the power calls.
    struct {
        const char* entry;
        int dial, hangUp;
        UINT dialBox, hangUpBox;
        const char *steps, *calls, *boxes, *status, *asked;
        SYSTEMTIME start; // a night of its own, unless zero
        DWORD wakeError;
    } cases[] = {
        {"Home ISP", 0, NEVER, 1, 1, "t0,t0", HOME_DIALLED, "", "Connected to ISP"},
        {"Home ISP", 0, 0, 0, 1, "t0", "HangUp 0 -> 6", "6@Hanging Up", "Hangup error"},
        {"Home ISP", 0, 0, 0, 0, "t0", "", "", "Started counting"},
        {"Home ISP", -5, -3, 1, 1, "t7200", "", "", "Started counting", ""}, // past at Start, not missed
        // Awake from a minute before the first moment ahead until the last; a ticked one ahead, or none.
        {"Home ISP", 3600, 7200, 1, 1, "t60,t3539,t3540,t3600,t7200,p7200", HOME_DIALLED "; HangUp h -> 0 closed", "",
         "Idle", "wake 00:59:00; awake; wake 01:59:00; cancel; release; "},
        {"Home ISP", 3600, 7200, 1, 0, "t60,u,t61", "", "", "Started counting", "wake 00:59:00; cancel; "},
        // A computer that can't be woken is kept awake from Start.
        {"Home ISP", 3600, 7200, 1, 0, "t60,p60", "", "", "Idle", "wake 00:59:00; awake; cancel; release; ", {},
         ERROR_NOT_SUPPORTED},
        {"Home ISP", 3600, 7200, 1, 0, "t60,p60", "", "", "Idle", "wake 00:59:00; awake; cancel; release; ", {},
         ERROR_ACCESS_DENIED},
        {"Home ISP", 0, 0, 1, 1, "t0,t0", HOME_DIALLED "; HangUp h -> 0 closed", "", "Hung up"},
        // As far as the catch-up reaches, and one second further.
        {"Home ISP", 600, 3600, 1, 1, "t0,t3600", HOME_DIALLED "; HangUp h -> 0 closed", "", "Hung up"},
        {"Home ISP", 1, 3601, 1, 1, "t0,t3601", "HangUp 0 -> 6",
         "missed dial 01:00:01 14/05/2031@Dial missed,6@Hanging Up", "Hangup error", nullptr,
         {2031, 5, 0, 13, 23, 0, 0, 0}},
        {"Home ISP", 5, NEVER, 1, 1, "t10,t5,t6", HOME_DIALLED, "", "Connected to ISP"}, // clock back
        // Stop and Start within the acted second; Start in a second not looked at yet.
        {"Home ISP", 0, NEVER, 1, 1, "t0,p0,p0,t0,t1", HOME_DIALLED, "", "Started counting"},
        {"Home ISP", 1, NEVER, 1, 1, "t0,p0,p1,t1,t1", HOME_DIALLED, "", "Connected to ISP"},
        // The zone's changes in 2031, at 01:00 UTC: on 30 March from 01:59:59 to 03:00:00, where
        // 02:20 is acted on at the change; on 26 October from 02:59:59 back to 02:00:00, where
        // 02:30 is acted on in the first pass only, or in the second after a Start in it.
        {"Home ISP", 1260, 3661, 1, 1, "t59,t60", HOME_DIALLED, "", "Connected to ISP", nullptr, {2031, 3, 0, 30, 0, 59, 0, 0}},
        {"Home ISP", 60, NEVER, 1, 1, "t60,t3660", HOME_DIALLED, "", "Connected to ISP", nullptr, {2031, 10, 0, 26, 0, 29, 0, 0}},
        {"Home ISP", 1200, NEVER, 1, 1, "t1199,t1200", HOME_DIALLED, "", "Connected to ISP", nullptr, {2031, 10, 0, 26, 1, 10, 0, 0}},
        {"Busy Line", 1, NEVER, 1, 1, "eStrict,t1", // the form is read at the match
         "Dial \"Strict\" erin WORK -> 691; Status h disconnected 691; HangUp h -> 0 closed", "691@Dialling", "Dial error"},
        {"Strict", 1, NEVER, 1, 1, "wright,d,t1", "Dial \"Strict\" erin * -> 0", "", "Connected to ISP"},
        {"Home ISP", 0, NEVER, 1, 1, "dWORKWORKWORKWORK,t0", "", "long@Started counting", "Dial error"},
        {"Home ISP", 0, NEVER, 1, 1, "dWORKWORKWORKWOR,t0", "Dial \"Home ISP\" alice WORKWORKWORKWOR -> 0", "",
         "Connected to ISP"}, // 15 characters of domain are not too long
        {"Sticky", 0, 1, 1, 1, "t1", "Dial \"Sticky\" dan * -> 678; Status h connected 0; HangUp h -> 0 closed", "",
         "Hung up"}, // still up after failing: no box, and the line is kept
        {"Busy Line", 0, 1, 1, 1, "b1,t0", "Dial \"Busy Line\" bob * -> 678; Status h disconnected 678; HangUp h -> 0 closed; "
         "HangUp 0 -> 6", "678@Dialling,6@Hanging Up", "Dial error"}, // a tick while the box is open acts at once
        {"Stubborn", 0, 0, 1, 1, "t0", "Dial \"Stubborn\"  * -> 0; HangUp h -> 668", "668@Hanging Up", "Hangup error"},
        {"Clingy", 0, 1, 1, 1, "t1", "Dial \"Clingy\"  * -> 0; HangUp h -> 0 still up", "up@Hanging Up",
         "Hangup error"}, // a line that does not go down
        {"Home ISP", 0, 1, 1, 1, "t1,p5,p5,t1", HOME_DIALLED "; HangUp h -> 0 closed; HangUp h -> 6", "6@Hanging Up",
         "Hangup error"}, // two hang-ups of one line, a Start between
    };
    // The system's text for 6, the stand-in's for its own codes.
    const std::pair<std::string, std::string> texts[] = {
        {"6", SystemText(ERROR_INVALID_HANDLE)}, {"668", "The connection was dropped."}, {"678", "There was no answer."},
        {"691", "The user name or password was not accepted by the remote server."}};
    const std::regex missed("The (dial|hang-up) at (\\S+) on (\\S+) was missed: the computer was asleep or its "
                            "clock was changed\\.");
    int day = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << day << ": " << c.steps);
        HWND form = FormOn(c.entry);
        SYSTEMTIME start = c.start.wYear != 0 ? c.start : AddSeconds(NIGHT, 86400LL * day);
        day++;
        SetMoment(form, IDC_DIAL_TIME, IDC_DIAL_DATE, AddSeconds(LocalOf(start), c.dial));
        SetMoment(form, IDC_HANGUP_TIME, IDC_HANGUP_DATE, AddSeconds(LocalOf(start), c.hangUp));
        CheckDlgButton(form, IDC_DIAL_ENABLE, c.dialBox);
        CheckDlgButton(form, IDC_HANGUP_ENABLE, c.hangUpBox);
        g_wakeError = c.wakeError;
        g_power.clear();
        SwapPowerCalls();
        RunSteps(form, start, c.steps);
        SwapPowerCalls();
        EXPECT_EQ(c.asked != nullptr ? g_power : "", c.asked != nullptr ? c.asked : "");
        EXPECT_EQ(Calls(), c.calls);
        std::string boxes;
        for (const CaughtBox& box : g_caughtBoxes) {
            std::string code = box.text.find("15 for the domain") != std::string::npos ? "long" : box.text;
            code = box.text.find("line is still up") != std::string::npos ? "up" : code;
            for (const auto& known : texts)
                code = box.text == known.second ? known.first : code;
            code = std::regex_replace(code, missed, "missed $1 $2 $3");
            boxes += (boxes.empty() ? "" : ",") + code + "@" + box.ownerStatus +
                     (box.owner == form && box.look == PLAIN_ERROR_BOX ? "" : " with another owner or look");
        }
        EXPECT_EQ(boxes, c.boxes);
        EXPECT_EQ(ControlText(form, IDC_STATUS), c.status);
        DestroySchedulerForm(form);
    }
}

static UINT_PTR WINAPI RefusedSetTimer(HWND, UINT_PTR, UINT, TIMERPROC)
{
    SetLastError(ERROR_NOT_ENOUGH_QUOTA);
    return 0;
}

TEST(Schedule, StartOnTheRealClockShowsARefusedTimerAndWakesForADialAnHourAhead)
{
    HWND form = FormOn("Home ISP");
    SYSTEMTIME now = UtcNow();
    SetMoment(form, IDC_DIAL_TIME, IDC_DIAL_DATE, AddSeconds(LocalOf(now), 3600));
    g_wakeError = 0;
    g_power.clear();
    SwapPowerCalls();
    void* setTimer = SwapImport("user32.dll", "SetTimer", reinterpret_cast<void*>(RefusedSetTimer));
    PressButton(form, IDC_START);
    SwapImport("user32.dll", "SetTimer", setTimer);
    EXPECT_EQ(g_caughtBoxes.size() == 1 ? g_caughtBoxes[0].text : "no box", SystemText(ERROR_NOT_ENOUGH_QUOTA));
    std::string seen = ControlText(form, IDC_START) + "/" + ControlText(form, IDC_STATUS) + "/" + g_power;
    for (int press = 0; press < 2; press++) {
        PressButton(form, IDC_START);
        seen += " " + ControlText(form, IDC_START) + "/" + ControlText(form, IDC_STATUS);
    }
    SwapPowerCalls();
    EXPECT_EQ(seen + "/" + g_power, "Start/Idle/ Stop/Started counting Start/Idle/" + WakeAt(AddSeconds(now, 3540)) + "cancel; ");
    DestroySchedulerForm(form);
}
