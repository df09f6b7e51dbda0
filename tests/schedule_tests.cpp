// Counting, the schedule tick, the dial and the hang-up, against the
// stand-in service. The tests pass the moments of Start and of each tick
// themselves; the service's journal tells what was called, in what order.
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
static const SYSTEMTIME NIGHT = {2031, 5, 0, 14, 2, 0, 0, 0}; // far from the real clock
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
    for (std::string line : JournalLines()) {
        line = line.substr(line.find(' ', 11) + 1); // after the date and time
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
// first box is open; eNAME selects an entry, wTEXT types a password, dTEXT a domain.
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
        else
            SetDlgItemTextA(form, step[0] == 'w' ? IDC_PASSWORD : IDC_DOMAIN, arg.c_str());
        KillTimer(form, 0); // the test sends every tick itself
    }
}

TEST(Schedule, ScenariosEndInTheirCallsBoxesAndStatus)
{
    // Boxes as code@status then; "long": the program's own text for a long domain.
    struct {
        const char* entry;
        int dial, hangUp;
        UINT dialBox, hangUpBox;
        const char *steps, *calls, *boxes, *status;
    } cases[] = {
        {"Home ISP", 0, NEVER, 1, 1, "t0,t0", HOME_DIALLED, "", "Connected to ISP"},
        {"Home ISP", 0, 0, 0, 1, "t0", "HangUp 0 -> 6", "6@Hanging Up", "Hangup error"},
        {"Home ISP", 0, 0, 0, 0, "t0", "", "", "Started counting"},
        {"Home ISP", -5, -3, 1, 1, "t10", "", "", "Started counting"}, // past at Start
        {"Home ISP", 0, 0, 1, 1, "t0,t0", HOME_DIALLED "; HangUp h -> 0 closed", "", "Hung up"},
        {"Home ISP", 600, 3600, 1, 1, "t0,t3600,t3600", HOME_DIALLED "; HangUp h -> 0 closed", "", "Hung up"}, // an hour
        {"Home ISP", 1800, 7200, 1, 1, "t7200", "HangUp 0 -> 6", "6@Hanging Up", "Hangup error"}, // clock 2 h on
        {"Home ISP", 5, NEVER, 1, 1, "t10,t5,t6", HOME_DIALLED "; " HOME_DIALLED, "", "Connected to ISP"}, // clock back
        // Stop and Start within the acted second; Start in a second not looked at yet.
        {"Home ISP", 0, NEVER, 1, 1, "t0,p0,p0,t0,t1", HOME_DIALLED, "", "Started counting"},
        {"Home ISP", 1, NEVER, 1, 1, "t0,p0,p1,t1,t1", HOME_DIALLED, "", "Connected to ISP"},
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
        {"Home ISP", 0, 1, 1, 1, "t1,t5,t1", HOME_DIALLED "; HangUp h -> 0 closed; HangUp h -> 6", "6@Hanging Up",
         "Hangup error"}, // two hang-ups of one line
    };
    int day = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << day << ": " << c.steps);
        HWND form = FormOn(c.entry);
        SYSTEMTIME start = AddSeconds(NIGHT, 86400LL * day++);
        SetMoment(form, IDC_DIAL_TIME, IDC_DIAL_DATE, AddSeconds(start, c.dial));
        SetMoment(form, IDC_HANGUP_TIME, IDC_HANGUP_DATE, AddSeconds(start, c.hangUp));
        CheckDlgButton(form, IDC_DIAL_ENABLE, c.dialBox);
        CheckDlgButton(form, IDC_HANGUP_ENABLE, c.hangUpBox);
        RunSteps(form, start, c.steps);
        EXPECT_EQ(Calls(), c.calls);
        std::string boxes;
        for (const CaughtBox& box : g_caughtBoxes) {
            std::string code = box.text.find("15 for the domain") != std::string::npos ? "long" : box.text;
            code = box.text.find("line is still up") != std::string::npos ? "up" : code;
            for (DWORD known : {6, 668, 678, 691})
                code = box.text == RasText(known) ? std::to_string(known) : code;
            boxes += (boxes.empty() ? "" : ",") + code + "@" + box.ownerStatus +
                     (box.owner == form && box.plain ? "" : " with another owner or look");
        }
        EXPECT_EQ(boxes, c.boxes);
        EXPECT_EQ(ControlText(form, IDC_STATUS), c.status);
        DestroySchedulerForm(form);
    }
}

TEST(Schedule, ARefusedTimerIsShownAndCountingStaysOff)
{
    HWND form = FormOn("Home ISP");
    RefuseTimers(true);
    PressButton(form, IDC_START);
    RefuseTimers(false);
    EXPECT_EQ(g_caughtBoxes.size() == 1 ? g_caughtBoxes[0].text : "no box", SystemText(ERROR_NOT_ENOUGH_QUOTA));
    EXPECT_EQ(ControlText(form, IDC_START) + "/" + ControlText(form, IDC_STATUS), "Start/Idle");
    PressButton(form, IDC_START);
    EXPECT_EQ(ControlText(form, IDC_START) + "/" + ControlText(form, IDC_STATUS), "Stop/Started counting");
    PressButton(form, IDC_START);
    EXPECT_EQ(ControlText(form, IDC_START) + "/" + ControlText(form, IDC_STATUS), "Start/Idle");
    DestroySchedulerForm(form);
}
