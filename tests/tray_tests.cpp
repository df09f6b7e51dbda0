// Hiding the form to the notification area and bringing it back, with the
// shell of Wine's desktop (the test prefix runs one).
#include <gtest/gtest.h>

#include "res/resource.h"
#include "scheduler/scheduler.h"
#include "test_support.h"

// Asks the shell about the form's icon (NIM_MODIFY: true only for an icon
// it holds), or adds or deletes it behind the form's back.
static bool ShellIcon(HWND form, DWORD action)
{
    NOTIFYICONDATAA_V1 nid = {sizeof nid};
    nid.hWnd = form;
    nid.uID = TRAY_ICON_ID;
    return Shell_NotifyIconA(action, reinterpret_cast<NOTIFYICONDATAA*>(&nid)) != FALSE;
}

// A double-click on the shell's rightmost icon, where the form's is, as the
// taskbar gets it from the mouse; the shell tells the form with the icon's
// message.
static void DoubleClickTheIcon(HWND form)
{
    HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
    RECT rect;
    GetClientRect(tray, &rect);
    PostMessageA(tray, WM_LBUTTONDBLCLK, MK_LBUTTON,
                 MAKELPARAM(rect.right - GetSystemMetrics(SM_CXSMICON) / 2 - 3, rect.bottom / 2));
    for (int i = 0; i < 100 && !IsWindowVisible(form); i++) {
        QuitRequested(nullptr);
        Sleep(20);
    }
}

TEST(Tray, HideAndRestoreSwapTheFormAndItsIcon)
{
    UsePhonebook("[Busy Line]\nUser=bob\nDialResult=678\n");
    UseJournal();
    StartCatchingBoxes();
    HWND form = CreateSchedulerForm();
    ShowWindow(form, SW_SHOW);
    ASSERT_NE(FindWindowA("Shell_TrayWnd", nullptr), nullptr) << "the test prefix runs Wine's shell";
    PressButton(form, IDC_HIDE);
    EXPECT_FALSE(IsWindowVisible(form));
    EXPECT_TRUE(ShellIcon(form, NIM_MODIFY));
    const UINT ignored[] = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK, WM_MOUSEMOVE};
    for (UINT mouse : ignored)
        SendMessageA(form, WM_TRAYNOTIFY, TRAY_ICON_ID, mouse);
    EXPECT_FALSE(IsWindowVisible(form));

    // A new shell comes up with an empty notification area.
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    ShellIcon(form, NIM_DELETE);
    SendMessageA(form, taskbarCreated, 0, 0);
    EXPECT_TRUE(ShellIcon(form, NIM_MODIFY));

    // Counting goes on while hidden; its box leaves the form hidden.
    SYSTEMTIME now = LocalNow();
    SetMoment(form, IDC_DIAL_TIME, IDC_DIAL_DATE, now);
    CheckDlgButton(form, IDC_HANGUP_ENABLE, BST_UNCHECKED);
    ToggleCountingAt(form, &now);
    ExamineScheduleUpTo(form, &now);
    EXPECT_EQ(JournalCalls("RasDialA").size(), 1u);
    ASSERT_EQ(CaughtBoxes().size(), 1u);
    EXPECT_FALSE(CaughtBoxes()[0].ownerVisible);
    EXPECT_FALSE(IsWindowVisible(form));

    DoubleClickTheIcon(form);
    EXPECT_TRUE(IsWindowVisible(form));
    EXPECT_FALSE(ShellIcon(form, NIM_MODIFY));
    SendMessageA(form, taskbarCreated, 0, 0);
    EXPECT_FALSE(ShellIcon(form, NIM_MODIFY)) << "a shown form puts no icon into a new shell";

    // An icon the shell refuses (it takes no second one of the same window
    // and identifier) leaves the form on screen, with a box; later it hides.
    ASSERT_TRUE(ShellIcon(form, NIM_ADD));
    PressButton(form, IDC_HIDE);
    EXPECT_TRUE(IsWindowVisible(form));
    ASSERT_EQ(CaughtBoxes().size(), 2u);
    EXPECT_NE(CaughtBoxes()[1].text.find("notification area"), std::string::npos);
    ShellIcon(form, NIM_DELETE);
    PressButton(form, IDC_HIDE);
    EXPECT_FALSE(IsWindowVisible(form));
    EXPECT_TRUE(ShellIcon(form, NIM_DELETE));
    DestroySchedulerForm(form);
}
