// The real quorvel.exe, started and driven from this second process.
#include <gtest/gtest.h>

#include <string>

#include "res/resource.h"
#include "test_support.h"

static const DWORD EXIT_WAIT_MS = 15000;

static HWND FindHiddenWindowOf(DWORD processId)
{
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, "QUORVEL", "Quorvel")) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId)
            return window;
    }
    return nullptr;
}

TEST(EndToEnd, FormComesUpWithItsHiddenWindowAndClosesWithCodeZero)
{
    UsePhonebook("[Home ISP]\nUser=alice\nPassword=secret\n");
    Launched quorvel = LaunchQuorvel();
    ASSERT_NE(quorvel.form, nullptr) << "the form did not appear";
    HWND hidden = FindHiddenWindowOf(quorvel.process.dwProcessId);
    ASSERT_NE(hidden, nullptr);
    EXPECT_FALSE(IsWindowVisible(hidden));

    char status[64];
    GetDlgItemTextA(quorvel.form, IDC_STATUS, status, sizeof status);
    EXPECT_STREQ(status, "Idle");
    char entry[64];
    GetDlgItemTextA(quorvel.form, IDC_ENTRY, entry, sizeof entry);
    EXPECT_STREQ(entry, "Home ISP");

    PostMessageA(quorvel.form, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForExitCode(&quorvel, EXIT_WAIT_MS), 0u);
}

TEST(EndToEnd, CancelEndsWithCodeZero)
{
    UsePhonebook("[Home ISP]\n");
    Launched quorvel = LaunchQuorvel();
    ASSERT_NE(quorvel.form, nullptr) << "the form did not appear";
    PostMessageA(quorvel.form, WM_COMMAND, MAKEWPARAM(IDC_CLOSE, BN_CLICKED), 0);
    EXPECT_EQ(WaitForExitCode(&quorvel, EXIT_WAIT_MS), 0u);
}

TEST(EndToEnd, SystemMenuCloseEndsWithCodeZero)
{
    UsePhonebook("[Home ISP]\n");
    Launched quorvel = LaunchQuorvel();
    ASSERT_NE(quorvel.form, nullptr) << "the form did not appear";
    // What Alt+F4 and the close box send.
    PostMessageA(quorvel.form, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(WaitForExitCode(&quorvel, EXIT_WAIT_MS), 0u);
}

TEST(EndToEnd, PostedQuitRequestEndsWithCodeZero)
{
    UsePhonebook("[Home ISP]\n");
    Launched quorvel = LaunchQuorvel();
    ASSERT_NE(quorvel.form, nullptr) << "the form did not appear";
    PostThreadMessageA(quorvel.process.dwThreadId, WM_QUIT, 0, 0);
    EXPECT_EQ(WaitForExitCode(&quorvel, EXIT_WAIT_MS), 0u);
}

TEST(EndToEnd, EscapeLeavesTheFormUp)
{
    UsePhonebook("[Home ISP]\n");
    Launched quorvel = LaunchQuorvel();
    ASSERT_NE(quorvel.form, nullptr) << "the form did not appear";
    PostMessageA(quorvel.form, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    PostMessageA(quorvel.form, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(WaitForSingleObject(quorvel.process.hProcess, 1500), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(IsWindowVisible(quorvel.form));
    PostMessageA(quorvel.form, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForExitCode(&quorvel, EXIT_WAIT_MS), 0u);
}

// Schedules a dial and a hang-up in the running program, as a user would
// set the pickers, and looks at what it did and when.
static void ScheduleDialAndHangUp(const Launched& quorvel)
{
    SYSTEMTIME dial = AddSeconds(LocalNow(), 3);
    dial.wMilliseconds = 0;
    SYSTEMTIME hangUp = AddSeconds(dial, 2);
    ASSERT_TRUE(SetRemotePicker(quorvel, IDC_DIAL_TIME, dial));
    ASSERT_TRUE(SetRemotePicker(quorvel, IDC_DIAL_DATE, dial));
    ASSERT_TRUE(SetRemotePicker(quorvel, IDC_HANGUP_TIME, hangUp));
    ASSERT_TRUE(SetRemotePicker(quorvel, IDC_HANGUP_DATE, hangUp));
    SendMessageA(quorvel.form, WM_COMMAND, MAKEWPARAM(IDC_START, BN_CLICKED), 0);
    EXPECT_EQ(ControlText(quorvel.form, IDC_STATUS), "Started counting");
    ASSERT_GT(SecondsBetween(LocalNow(), dial), 0) << "Start came after the dial's second";

    bool sawConnected = false;
    while (SecondsBetween(hangUp, LocalNow()) < 2) {
        if (ControlText(quorvel.form, IDC_STATUS) == "Connected to ISP")
            sawConnected = true;
        Sleep(50);
    }
    EXPECT_TRUE(sawConnected);
    EXPECT_EQ(ControlText(quorvel.form, IDC_STATUS), "Hung up");

    std::vector<std::string> dials = JournalCalls("RasDialA");
    std::vector<std::string> hangUps = JournalCalls("RasHangUpA");
    ASSERT_EQ(dials.size(), 1u);
    ASSERT_EQ(hangUps.size(), 1u);
    SYSTEMTIME dialled, hungUp;
    ASSERT_TRUE(JournalTime(dials[0], &dialled)) << dials[0];
    ASSERT_TRUE(JournalTime(hangUps[0], &hungUp)) << hangUps[0];
    EXPECT_EQ(SecondsBetween(dial, dialled), 0) << dials[0];
    EXPECT_EQ(SecondsBetween(hangUp, hungUp), 0) << hangUps[0];
    EXPECT_NE(dials[0].find("user=\"alice\" domain=\"HOME\" -> 0"), std::string::npos) << dials[0];
}

TEST(EndToEnd, DialsAndHangsUpWithinTheirOwnSecondsOnTheRealTimer)
{
    UsePhonebook("[Home ISP]\nUser=alice\nPassword=secret\nDomain=HOME\n");
    UseJournal();
    Launched quorvel = LaunchQuorvel();
    ASSERT_NE(quorvel.form, nullptr) << "the form did not appear";
    ScheduleDialAndHangUp(quorvel);
    PostMessageA(quorvel.form, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForExitCode(&quorvel, EXIT_WAIT_MS), 0u);
}
