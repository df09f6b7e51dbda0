// Hiding the form to the notification area and bringing it back, with the
// shell of Wine's desktop (the test prefix runs one).
#include <gtest/gtest.h>

#include "res/resource.h"
#include "scheduler/scheduler.h"
#include "test_support.h"

static const char BOOK[] = "[Busy Line]\nUser=bob\nDialResult=678\n";

// The shell takes a modification only of an icon it holds.
static bool ShellHoldsIcon(HWND form)
{
    NOTIFYICONDATAA_V1 nid = {sizeof nid};
    nid.hWnd = form;
    nid.uID = TRAY_ICON_ID;
    return Shell_NotifyIconA(NIM_MODIFY, reinterpret_cast<NOTIFYICONDATAA*>(&nid)) != FALSE;
}

static void DeleteIconBehindTheFormsBack(HWND form)
{
    NOTIFYICONDATAA_V1 nid = {sizeof nid};
    nid.hWnd = form;
    nid.uID = TRAY_ICON_ID;
    Shell_NotifyIconA(NIM_DELETE, reinterpret_cast<NOTIFYICONDATAA*>(&nid));
}

static void SendIconMouse(HWND form, UINT mouseMessage)
{
    SendMessageA(form, WM_TRAYNOTIFY, TRAY_ICON_ID, mouseMessage);
}

static HWND ShownForm()
{
    UsePhonebook(BOOK);
    UseJournal();
    StartCatchingBoxes();
    HWND form = CreateSchedulerForm();
    ShowWindow(form, SW_SHOW);
    return form;
}

TEST(Tray, HideSwapsTheFormForTheIconAndOnlyADoubleClickBringsItBack)
{
    HWND form = ShownForm();
    ASSERT_NE(FindWindowA("Shell_TrayWnd", nullptr), nullptr) << "the test prefix runs Wine's shell";
    ClickButton(form, IDC_HIDE);
    EXPECT_FALSE(IsWindowVisible(form));
    EXPECT_TRUE(ShellHoldsIcon(form));

    SendIconMouse(form, WM_LBUTTONDOWN);
    SendIconMouse(form, WM_LBUTTONUP);
    SendIconMouse(form, WM_RBUTTONDOWN);
    SendIconMouse(form, WM_RBUTTONUP);
    SendIconMouse(form, WM_MOUSEMOVE);
    EXPECT_FALSE(IsWindowVisible(form));
    EXPECT_TRUE(ShellHoldsIcon(form));

    SendIconMouse(form, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(form));
    EXPECT_FALSE(ShellHoldsIcon(form));

    ClickButton(form, IDC_HIDE);
    EXPECT_FALSE(IsWindowVisible(form));
    EXPECT_TRUE(ShellHoldsIcon(form));
    SendIconMouse(form, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(form));
    EXPECT_TRUE(CaughtBoxes().empty());
    DestroySchedulerForm(form);
    StopCatchingBoxes();
}

TEST(Tray, CountingGoesOnWhileHiddenAndItsBoxLeavesTheFormHidden)
{
    HWND form = ShownForm();
    StartCountingWith(form, 0, 3600);
    ClickButton(form, IDC_HIDE);
    Tick(form);
    ASSERT_EQ(JournalCalls("RasDialA").size(), 1u);
    ASSERT_EQ(CaughtBoxes().size(), 1u);
    EXPECT_EQ(CaughtBoxes()[0].owner, form);
    EXPECT_FALSE(CaughtBoxes()[0].ownerVisible);
    EXPECT_FALSE(IsWindowVisible(form));
    EXPECT_EQ(ControlText(form, IDC_STATUS), "Dial error");
    EXPECT_TRUE(ShellHoldsIcon(form));
    SendIconMouse(form, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(form));
    DestroySchedulerForm(form);
    StopCatchingBoxes();
}

TEST(Tray, AnIconTheShellRefusesLeavesTheFormOnScreenWithABox)
{
    HWND form = ShownForm();
    // The shell takes no second icon of the same window and identifier.
    NOTIFYICONDATAA_V1 nid = {sizeof nid};
    nid.hWnd = form;
    nid.uID = TRAY_ICON_ID;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, reinterpret_cast<NOTIFYICONDATAA*>(&nid)));
    ClickButton(form, IDC_HIDE);
    EXPECT_TRUE(IsWindowVisible(form));
    ASSERT_EQ(CaughtBoxes().size(), 1u);
    EXPECT_NE(CaughtBoxes()[0].text.find("notification area"), std::string::npos);
    DeleteIconBehindTheFormsBack(form);
    DestroySchedulerForm(form);
    StopCatchingBoxes();
}

TEST(Tray, ARestartedShellGetsTheIconAgain)
{
    HWND form = ShownForm();
    ClickButton(form, IDC_HIDE);
    // As if the shell had gone and a new one had come up empty.
    DeleteIconBehindTheFormsBack(form);
    ASSERT_FALSE(ShellHoldsIcon(form));
    SendMessageA(form, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(ShellHoldsIcon(form));
    EXPECT_FALSE(IsWindowVisible(form));

    // Shown, the form puts no icon into a new shell.
    SendIconMouse(form, WM_LBUTTONDBLCLK);
    SendMessageA(form, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_FALSE(ShellHoldsIcon(form));
    EXPECT_TRUE(CaughtBoxes().empty());
    DestroySchedulerForm(form);
    StopCatchingBoxes();
}
