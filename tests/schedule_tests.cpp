// Counting, the schedule tick, the dial and the hang-up, against the
// stand-in service. The tests pass the moments of Start and of each tick
// themselves; the service's journal tells what was called, in what order.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "dialup/dialup.h"
#include "res/resource.h"
#include "scheduler/scheduler.h"
#include "test_support.h"

static const char BOOK[] = "[Home ISP]\nUser=alice\nPassword=secret\nDomain=HOME\n"
                           "[Busy Line]\nUser=bob\nDialResult=678\n"
                           "[Sticky]\nUser=dan\nDialResult=678\nStillUpAfterFailure=1\n"
                           "[Strict]\nUser=erin\nPassword=old\nDomain=WORK\nAcceptPassword=right\n"
                           "[Stubborn]\nHangUpResult=668\n";
// 02:00:00, far from the real clock; each case starts a day after the last.
static const SYSTEMTIME NIGHT = {2031, 5, 0, 14, 2, 0, 0, 0};
static const int NEVER = 9000;

// The service's journal, shortened: dials, hang-ups and status queries,
// a live handle as h, a repeated status query told once.
static std::string Calls()
{
    static const char* const SHORTER[][2] = {
        {"handle=[1-9][0-9]*", "handle=h"},
        {"RasDialA entry=(\"[^\"]*\") user=\"([^\"]*)\" domain=\"([^\"]*)\" -> (\\d+) handle=\\w+", "Dial $1 $2 $3 -> $4"},
        {"RasHangUpA handle=", "HangUp "},
        {"RasGetConnectStatusA handle=(\\w+) -> 0 state=(\\w+) error=", "Status $1 $2 "},
        {"RasGetConnectStatusA handle=(\\w+) -> 6", "Status $1 gone"},
    };
    std::string calls, last;
    for (std::string line : JournalLines()) {
        line = line.substr(24);
        for (const auto& rule : SHORTER)
            line = std::regex_replace(line, std::regex(rule[0]), rule[1]);
        if (line.rfind("Ras", 0) == 0 || (line == last && line.rfind("Status", 0) == 0))
            continue;
        calls += (calls.empty() ? "" : "; ") + line;
        last = line;
    }
    return calls;
}

static HWND g_form;
static SYSTEMTIME g_tickInBox;

// A tick that arrives while the first box is open.
static void TickInTheFirstBox(void*)
{
    if (CaughtBoxes().size() == 1)
        ExamineScheduleUpTo(g_form, &g_tickInBox);
}

// Steps after Start at second 0: tN ticks at second N, pN presses Start at
// second N, bN ticks at second N while the first box is open, eNAME selects
// an entry, wTEXT types the password, dTEXT the domain.
static void RunSteps(HWND form, const SYSTEMTIME& start, const char* steps)
{
    std::istringstream in(steps);
    std::string step;
    while (std::getline(in, step, ',')) {
        std::string arg = step.substr(1);
        SYSTEMTIME at = AddSeconds(start, atoi(arg.c_str()));
        switch (step[0]) {
        case 't':
            ExamineScheduleUpTo(form, &at);
            break;
        case 'p':
            ToggleCountingAt(form, &at);
            break;
        case 'b':
            g_form = form;
            g_tickInBox = at;
            StartCatchingBoxes(TickInTheFirstBox);
            break;
        case 'e':
            SelectEntry(form, arg.c_str());
            break;
        default:
            SetDlgItemTextA(form, step[0] == 'w' ? IDC_PASSWORD : IDC_DOMAIN, arg.c_str());
        }
        KillTimer(form, 0); // the test sends every tick itself
    }
}

TEST(Schedule, ScenariosEndInTheirCallsBoxesAndStatus)
{
    struct {
        const char* entry;
        int dial, hangUp;
        UINT dialBox, hangUpBox;
        const char* steps;
        const char* calls;
        const char* boxes;  // code@status: the text shown, the status then; "long" the program's own text
        const char* status;
    } cases[] = {
        {"Home ISP", 0, NEVER, 1, 1, "t0,t0", "Dial \"Home ISP\" alice HOME -> 0", "", "Connected to ISP"},
        {"Home ISP", 0, 0, 0, 1, "t0", "HangUp 0 -> 6", "6@Hanging Up", "Hangup error"},
        {"Home ISP", 0, 0, 1, 0, "t0", "Dial \"Home ISP\" alice HOME -> 0", "", "Connected to ISP"},
        {"Home ISP", 0, 0, 0, 0, "t0", "", "", "Started counting"},
        {"Home ISP", -5, -3, 1, 1, "t10", "", "", "Started counting"}, // past at Start
        {"Home ISP", 0, 0, 1, 1, "t0,t0",
         "Dial \"Home ISP\" alice HOME -> 0; HangUp h -> 0; Status h disconnected 0; Status h gone", "", "Hung up"},
        {"Home ISP", 600, 3000, 1, 1, "t3000,t3000", // passed while the thread was busy
         "Dial \"Home ISP\" alice HOME -> 0; HangUp h -> 0; Status h disconnected 0; Status h gone", "", "Hung up"},
        {"Home ISP", 1800, 7200, 1, 1, "t7200", "HangUp 0 -> 6", "6@Hanging Up", "Hangup error"}, // clock two hours on
        {"Home ISP", 5, NEVER, 1, 1, "t10,t5,t6", // clock back: its own second again
         "Dial \"Home ISP\" alice HOME -> 0; Dial \"Home ISP\" alice HOME -> 0", "", "Connected to ISP"},
        // Stop and Start within the acted second; Start in a second not looked at yet.
        {"Home ISP", 0, NEVER, 1, 1, "t0,p0,p0,t0,t1", "Dial \"Home ISP\" alice HOME -> 0", "", "Started counting"},
        {"Home ISP", 1, NEVER, 1, 1, "t0,p0,p1,t1,t1", "Dial \"Home ISP\" alice HOME -> 0", "", "Connected to ISP"},
        {"Busy Line", 1, NEVER, 1, 1, "eStrict,t1", // the form is read at the match
         "Dial \"Strict\" erin WORK -> 691; Status h disconnected 691; HangUp h -> 0; Status h disconnected 691; "
         "Status h gone", "691@Dialling", "Dial error"},
        {"Busy Line", 1, NEVER, 1, 1, "eStrict,wright,t1", "Dial \"Strict\" erin WORK -> 0", "", "Connected to ISP"},
        {"Strict", 1, NEVER, 1, 1, "wright,d,t1", "Dial \"Strict\" erin * -> 0", "", "Connected to ISP"},
        {"Busy Line", 1, NEVER, 1, 1, "eHome ISP,t1", "Dial \"Home ISP\" alice HOME -> 0", "", "Connected to ISP"},
        {"Home ISP", 0, NEVER, 1, 1, "dWORKWORKWORKWORK,t0", "", "long@Started counting", "Dial error"},
        {"Sticky", 0, 1, 1, 1, "t0", "Dial \"Sticky\" dan * -> 678; Status h connected 0", "", "Dial error"},
        {"Sticky", 0, 1, 1, 1, "t1",
         "Dial \"Sticky\" dan * -> 678; Status h connected 0; HangUp h -> 0; Status h disconnected 678; Status h gone",
         "", "Hung up"},
        {"Busy Line", 0, 1, 1, 1, "b1,t0", // a tick while the box is open acts at once
         "Dial \"Busy Line\" bob * -> 678; Status h disconnected 678; HangUp h -> 0; Status h disconnected 678; "
         "Status h gone; HangUp 0 -> 6", "678@Dialling,6@Hanging Up", "Dial error"},
        {"Stubborn", 0, 0, 1, 1, "t0", "Dial \"Stubborn\"  * -> 0; HangUp h -> 668", "668@Hanging Up", "Hangup error"},
        {"Home ISP", 0, 1, 1, 1, "t1,t5,t1", // two hang-ups of one line
         "Dial \"Home ISP\" alice HOME -> 0; HangUp h -> 0; Status h disconnected 0; Status h gone; HangUp h -> 6",
         "6@Hanging Up", "Hangup error"},
    };
    int day = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << day << ": " << c.steps);
        UsePhonebook(BOOK);
        StartCatchingBoxes();
        HWND form = CreateSchedulerForm();
        SelectEntry(form, c.entry);
        UseJournal();
        SYSTEMTIME start = AddSeconds(NIGHT, 86400LL * day++);
        SetMoment(form, IDC_DIAL_TIME, IDC_DIAL_DATE, AddSeconds(start, c.dial));
        SetMoment(form, IDC_HANGUP_TIME, IDC_HANGUP_DATE, AddSeconds(start, c.hangUp));
        CheckDlgButton(form, IDC_DIAL_ENABLE, c.dialBox);
        CheckDlgButton(form, IDC_HANGUP_ENABLE, c.hangUpBox);
        RunSteps(form, start, "p0");
        RunSteps(form, start, c.steps);
        EXPECT_EQ(Calls(), c.calls);
        std::istringstream boxes(c.boxes);
        std::string box;
        for (const CaughtBox& caught : CaughtBoxes()) {
            ASSERT_TRUE(std::getline(boxes, box, ',')) << "a box too many: " << caught.text;
            std::string code = box.substr(0, box.find('@'));
            EXPECT_TRUE(code == "long" ? caught.text.find("15 for the domain") != std::string::npos
                                       : caught.text == RasText(std::stoul(code))) << caught.text;
            EXPECT_EQ(caught.ownerStatus, box.substr(box.find('@') + 1));
            EXPECT_EQ(caught.owner, form);
            EXPECT_EQ(caught.caption, "Error");
        }
        EXPECT_FALSE(std::getline(boxes, box, ',')) << "no box for " << box;
        EXPECT_EQ(ControlText(form, IDC_STATUS), c.status);
        DestroySchedulerForm(form);
    }
}

TEST(Schedule, ARefusedTimerIsShownAndCountingStaysOff)
{
    UsePhonebook(BOOK);
    StartCatchingBoxes();
    HWND form = CreateSchedulerForm();
    RefuseTimers(true);
    PressButton(form, IDC_START);
    RefuseTimers(false);
    ASSERT_EQ(CaughtBoxes().size(), 1u);
    EXPECT_EQ(CaughtBoxes()[0].text, SystemText(ERROR_NOT_ENOUGH_QUOTA));
    EXPECT_EQ(g_countingTimer, 0u);
    EXPECT_EQ(ControlText(form, IDC_START) + "/" + ControlText(form, IDC_STATUS), "Start/Idle");
    PressButton(form, IDC_START);
    EXPECT_NE(g_countingTimer, 0u);
    EXPECT_EQ(ControlText(form, IDC_START) + "/" + ControlText(form, IDC_STATUS), "Stop/Started counting");
    DestroySchedulerForm(form);
}
