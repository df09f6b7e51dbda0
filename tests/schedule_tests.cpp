// Counting, the schedule tick, the dial and the hang-up, against the
// stand-in service. The tests send the timer message themselves; the
// service's journal tells what was called, with what, and when.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialup/dialup.h"
#include "res/resource.h"
#include "scheduler/scheduler.h"
#include "test_support.h"

static const int FAR_AWAY = 3 * 3600;
static const char BOOK[] =
    "[Home ISP]\nUser=alice\nPassword=secret\nDomain=HOME\n"
    "[Busy Line]\nUser=bob\nPassword=pw\nDialResult=678\n"
    "[Slow ISP]\nUser=carol\nDialMs=2500\n"
    "[Sticky]\nUser=dan\nDialResult=633\nStillUpAfterFailure=1\n"
    "[Strict]\nUser=erin\nAcceptUser=erin\nAcceptDomain=WORK\nDomain=WORK\n"
    "[Stubborn]\nUser=fay\nHangUpResult=668\n";

static bool Contains(const std::string& line, const std::string& part)
{
    return line.find(part) != std::string::npos;
}

static HWND FormOn(const char* entry)
{
    UsePhonebook(BOOK);
    UseJournal();
    StartCatchingBoxes();
    HWND form = CreateSchedulerForm();
    LRESULT index = SendDlgItemMessageA(form, IDC_ENTRY, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                        reinterpret_cast<LPARAM>(entry));
    SendDlgItemMessageA(form, IDC_ENTRY, CB_SETCURSEL, index, 0);
    SendMessageA(form, WM_COMMAND, MAKEWPARAM(IDC_ENTRY, CBN_SELCHANGE), 0);
    UseJournal();
    return form;
}

static void CloseForm(HWND form)
{
    DestroySchedulerForm(form);
    StopCatchingBoxes();
}

TEST(Counting, StartAndStopSwitchCaptionAndStatus)
{
    HWND form = FormOn("Home ISP");
    ClickButton(form, IDC_START);
    EXPECT_EQ(ControlText(form, IDC_START), "Stop");
    EXPECT_EQ(ControlText(form, IDC_STATUS), "Started counting");
    EXPECT_NE(g_countingTimer, 0u);
    ClickButton(form, IDC_START);
    EXPECT_EQ(ControlText(form, IDC_START), "Start");
    EXPECT_EQ(ControlText(form, IDC_STATUS), "Idle");
    EXPECT_EQ(g_countingTimer, 0u);
    CloseForm(form);
}

TEST(Counting, DialsAtItsSecondWithWhatTheFormHoldsThen)
{
    HWND form = FormOn("Home ISP");
    StartCountingWith(form, 0, FAR_AWAY);
    // Changed after Start: the dial takes what the form holds at the match.
    SetControlText(form, IDC_USER, "alice2");
    SetControlText(form, IDC_DOMAIN, "");
    Tick(form);
    std::vector<std::string> dials = JournalCalls("RasDialA");
    ASSERT_EQ(dials.size(), 1u);
    EXPECT_TRUE(Contains(dials[0], "entry=\"Home ISP\"")) << dials[0];
    EXPECT_TRUE(Contains(dials[0], "user=\"alice2\"")) << dials[0];
    EXPECT_TRUE(Contains(dials[0], "domain=\"*\"")) << dials[0];
    EXPECT_TRUE(Contains(dials[0], "-> 0")) << dials[0];
    EXPECT_FALSE(Contains(dials[0], "secret"));
    EXPECT_EQ(ControlText(form, IDC_STATUS), "Connected to ISP");
    EXPECT_NE(g_hRasConn, nullptr);
    EXPECT_TRUE(CaughtBoxes().empty());
    EXPECT_EQ(ControlText(form, IDC_START), "Stop");
    CloseForm(form);
}

TEST(Counting, HangsUpAtItsSecondAndWaitsForTheConnectionToGo)
{
    HWND form = FormOn("Home ISP");
    StartCountingWith(form, 0, 0);
    Tick(form);
    std::vector<std::string> lines = JournalLines();
    size_t dial = lines.size(), hangUp = lines.size();
    for (size_t i = 0; i < lines.size(); i++) {
        if (Contains(lines[i], " RasDialA ") && dial == lines.size())
            dial = i;
        if (Contains(lines[i], " RasHangUpA "))
            hangUp = i;
    }
    ASSERT_LT(dial, lines.size());
    ASSERT_LT(hangUp, lines.size());
    EXPECT_LT(dial, hangUp) << "the dial comes first in a shared second";
    EXPECT_TRUE(Contains(lines[hangUp], "-> 0"));
    // "Hung up" only once the service says the handle is gone.
    ASSERT_GT(lines.size(), hangUp + 1);
    EXPECT_TRUE(Contains(lines.back(), "RasGetConnectStatusA")) << lines.back();
    EXPECT_TRUE(Contains(lines.back(), "-> 6")) << lines.back();
    EXPECT_EQ(ControlText(form, IDC_STATUS), "Hung up");
    EXPECT_TRUE(CaughtBoxes().empty());
    CloseForm(form);
}

TEST(Counting, UntickedActionsAreLeftAloneWhileCountingGoesOn)
{
    HWND form = FormOn("Home ISP");
    CheckDlgButton(form, IDC_DIAL_ENABLE, BST_UNCHECKED);
    CheckDlgButton(form, IDC_HANGUP_ENABLE, BST_UNCHECKED);
    StartCountingWith(form, 0, 0);
    Tick(form);
    EXPECT_TRUE(JournalCalls("RasDialA").empty());
    EXPECT_TRUE(JournalCalls("RasHangUpA").empty());
    EXPECT_EQ(ControlText(form, IDC_STATUS), "Started counting");
    EXPECT_NE(g_countingTimer, 0u);
    CloseForm(form);
}

TEST(Counting, AMomentAlreadyPastAtStartNeverFires)
{
    HWND form = FormOn("Home ISP");
    StartCountingWith(form, -5, -3);
    Tick(form);
    EXPECT_TRUE(JournalCalls("RasDialA").empty());
    EXPECT_TRUE(JournalCalls("RasHangUpA").empty());
    CloseForm(form);
}

TEST(Counting, TwoTicksInOneSecondActOnce)
{
    HWND form = FormOn("Home ISP");
    StartCountingWith(form, 0, FAR_AWAY);
    Tick(form);
    Tick(form);
    Tick(form);
    EXPECT_EQ(JournalCalls("RasDialA").size(), 1u);
    CloseForm(form);
}

TEST(Counting, AMomentPassedDuringABlockingDialFiresOnceWhenItReturns)
{
    HWND form = FormOn("Slow ISP");
    SYSTEMTIME start = StartCountingWith(form, 0, 1);
    Tick(form);
    EXPECT_TRUE(JournalCalls("RasHangUpA").empty()) << "its second had not come at that tick";
    ASSERT_GE(SecondsBetween(start, LocalNow()), 2) << "the dial blocks past the hang-up second";
    Tick(form);
    Tick(form);
    std::vector<std::string> hangUps = JournalCalls("RasHangUpA");
    ASSERT_EQ(hangUps.size(), 1u);
    EXPECT_TRUE(Contains(hangUps[0], "-> 0")) << hangUps[0];
    EXPECT_EQ(ControlText(form, IDC_STATUS), "Hung up");
    CloseForm(form);
}

TEST(Counting, AClockJumpLooksOnlyAtItsOwnSecond)
{
    HWND form = FormOn("Home ISP");
    SYSTEMTIME start = StartCountingWith(form, 30 * 60, 2 * 3600);
    // Two hours on at once: the dial half an hour on is not caught up.
    SYSTEMTIME later = AddSeconds(start, 2 * 3600);
    ExamineScheduleUpTo(form, &later);
    EXPECT_TRUE(JournalCalls("RasDialA").empty());
    EXPECT_EQ(JournalCalls("RasHangUpA").size(), 1u);

    // Back by an hour: that second alone.
    SetMoment(form, IDC_DIAL_TIME, IDC_DIAL_DATE, AddSeconds(start, 3600));
    SYSTEMTIME back = AddSeconds(start, 3600);
    ExamineScheduleUpTo(form, &back);
    EXPECT_EQ(JournalCalls("RasDialA").size(), 1u);
    CloseForm(form);
}

TEST(Counting, SecondsWithinAnHourAreCaughtUp)
{
    HWND form = FormOn("Home ISP");
    SYSTEMTIME start = StartCountingWith(form, 10 * 60, FAR_AWAY);
    SYSTEMTIME later = AddSeconds(start, 50 * 60);
    ExamineScheduleUpTo(form, &later);
    EXPECT_EQ(JournalCalls("RasDialA").size(), 1u);
    ExamineScheduleUpTo(form, &later);
    EXPECT_EQ(JournalCalls("RasDialA").size(), 1u);
    CloseForm(form);
}

TEST(Dial, AFailedDialShowsItsTextReleasesTheHandleAndSaysDialError)
{
    HWND form = FormOn("Busy Line");
    StartCountingWith(form, 0, FAR_AWAY);
    Tick(form);
    ASSERT_EQ(CaughtBoxes().size(), 1u);
    EXPECT_EQ(CaughtBoxes()[0].text, RasText(678));
    EXPECT_NE(CaughtBoxes()[0].text, "Unknown error");
    EXPECT_EQ(CaughtBoxes()[0].owner, form);
    EXPECT_EQ(CaughtBoxes()[0].caption, "Error");
    EXPECT_EQ(ControlText(form, IDC_STATUS), "Dial error");
    std::vector<std::string> dials = JournalCalls("RasDialA");
    ASSERT_EQ(dials.size(), 1u);
    EXPECT_TRUE(Contains(dials[0], "-> 678")) << dials[0];
    std::vector<std::string> hangUps = JournalCalls("RasHangUpA");
    ASSERT_EQ(hangUps.size(), 1u) << "the failed attempt's handle is released";
    EXPECT_TRUE(Contains(hangUps[0], "-> 0")) << hangUps[0];
    EXPECT_EQ(g_hRasConn, nullptr);
    CloseForm(form);
}

TEST(Dial, AFailedDialWhoseConnectionIsStillUpShowsNoBox)
{
    HWND form = FormOn("Sticky");
    StartCountingWith(form, 0, FAR_AWAY);
    Tick(form);
    EXPECT_TRUE(CaughtBoxes().empty());
    EXPECT_EQ(ControlText(form, IDC_STATUS), "Dial error");
    EXPECT_NE(g_hRasConn, nullptr) << "a connection that is up can still be hung up";
    EXPECT_TRUE(JournalCalls("RasHangUpA").empty());
    CloseForm(form);
}

TEST(Dial, WrongCredentialsFailWithTheAuthenticationText)
{
    HWND form = FormOn("Strict");
    SetControlText(form, IDC_USER, "mallory");
    StartCountingWith(form, 0, FAR_AWAY);
    Tick(form);
    ASSERT_EQ(CaughtBoxes().size(), 1u);
    EXPECT_EQ(CaughtBoxes()[0].text, RasText(691));
    EXPECT_EQ(ControlText(form, IDC_STATUS), "Dial error");
    CloseForm(form);
}

TEST(Dial, ADomainLongerThanADialCarriesIsRefusedNotCut)
{
    HWND form = FormOn("Strict");
    // Set in code, past the field's limit for typing.
    SetControlText(form, IDC_DOMAIN, "WORKWORKWORKWORK");
    StartCountingWith(form, 0, FAR_AWAY);
    Tick(form);
    ASSERT_EQ(CaughtBoxes().size(), 1u);
    EXPECT_TRUE(Contains(CaughtBoxes()[0].text, "15")) << CaughtBoxes()[0].text;
    EXPECT_EQ(ControlText(form, IDC_STATUS), "Dial error");
    EXPECT_TRUE(JournalCalls("RasDialA").empty());
    CloseForm(form);
}

TEST(HangUp, WithNothingDialledItIsReportedLikeAnyFailure)
{
    HWND form = FormOn("Home ISP");
    StartCountingWith(form, FAR_AWAY, 0);
    Tick(form);
    std::vector<std::string> hangUps = JournalCalls("RasHangUpA");
    ASSERT_EQ(hangUps.size(), 1u);
    EXPECT_TRUE(Contains(hangUps[0], "handle=0")) << hangUps[0];
    ASSERT_EQ(CaughtBoxes().size(), 1u);
    EXPECT_EQ(CaughtBoxes()[0].text, RasText(6));
    EXPECT_EQ(ControlText(form, IDC_STATUS), "Hangup error");
    CloseForm(form);
}

TEST(HangUp, TwoHangUpsOnTheSameHandleAreEachReported)
{
    HWND form = FormOn("Home ISP");
    StartCountingWith(form, 0, 0);
    Tick(form);
    EXPECT_EQ(ControlText(form, IDC_STATUS), "Hung up");
    EXPECT_EQ(HangUpConnection(form), 1);
    ASSERT_EQ(CaughtBoxes().size(), 1u);
    EXPECT_EQ(CaughtBoxes()[0].text, RasText(6));
    EXPECT_EQ(ControlText(form, IDC_STATUS), "Hangup error");
    EXPECT_EQ(JournalCalls("RasHangUpA").size(), 2u);
    CloseForm(form);
}

TEST(HangUp, ARefusedHangUpShowsItsText)
{
    HWND form = FormOn("Stubborn");
    StartCountingWith(form, 0, 0);
    Tick(form);
    ASSERT_EQ(CaughtBoxes().size(), 1u);
    EXPECT_EQ(CaughtBoxes()[0].text, RasText(668));
    EXPECT_EQ(ControlText(form, IDC_STATUS), "Hangup error");
    CloseForm(form);
}

struct BoxWatch {
    HWND form;
    std::vector<std::string> statusWhenOpened;
};

// While the first box is open, the clock moves on and a tick arrives.
static void TickWhileTheFirstBoxIsOpen(HWND, void* context)
{
    BoxWatch* watch = static_cast<BoxWatch*>(context);
    watch->statusWhenOpened.push_back(ControlText(watch->form, IDC_STATUS));
    if (watch->statusWhenOpened.size() == 1) {
        Sleep(1100);
        PostMessageA(watch->form, WM_TIMER, 0, 0);
    }
}

TEST(Counting, TicksDuringAnErrorBoxActAtOnceAndTheBoxsWordComesAfter)
{
    HWND form = FormOn("Busy Line");
    BoxWatch watch = {form, {}};
    SetBoxCallback(TickWhileTheFirstBoxIsOpen, &watch);
    StartCountingWith(form, 0, 1);
    Tick(form);
    ASSERT_EQ(watch.statusWhenOpened.size(), 2u);
    EXPECT_EQ(watch.statusWhenOpened[0], "Dialling");
    EXPECT_EQ(watch.statusWhenOpened[1], "Hanging Up");
    EXPECT_EQ(CaughtBoxes()[1].text, RasText(6));
    // The hang-up inside the box ended first; the dial's word comes last.
    EXPECT_EQ(ControlText(form, IDC_STATUS), "Dial error");
    CloseForm(form);
}

TEST(Counting, ARefusedTimerLeavesCountingOffAndTheNextPressTriesAgain)
{
    UsePhonebook(BOOK);
    StartCatchingBoxes();
    HWND gone = CreateSchedulerForm();
    // A form that is gone can't carry a timer.
    DestroyWindow(gone);
    ToggleCounting(gone);
    EXPECT_EQ(g_countingTimer, 0u);

    HWND form = CreateSchedulerForm();
    ClickButton(form, IDC_START);
    EXPECT_NE(g_countingTimer, 0u);
    EXPECT_EQ(ControlText(form, IDC_START), "Stop");
    CloseForm(form);
}
