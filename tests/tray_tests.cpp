// Hiding the form to the notification area of Wine's shell and back.
#include <gtest/gtest.h>

#include "res/resource.h"
#include "scheduler/scheduler.h"
#include "test_support.h"

// NIM_MODIFY asks whether the shell holds the form's icon.
static bool ShellIcon(HWND form, DWORD action)
{
    NOTIFYICONDATAA_V1 nid = {sizeof nid, form, TRAY_ICON_ID};
    return Shell_NotifyIconA(action, reinterpret_cast<NOTIFYICONDATAA*>(&nid)) != FALSE;
}

// A shell that reports every add as failed; a busy one has made it all the same.
static BOOL(WINAPI* g_shellNotify)(DWORD, NOTIFYICONDATAA*);
static bool g_shellBusy;
static BOOL WINAPI RefuseAdding(DWORD action, NOTIFYICONDATAA* nid)
{
    BOOL done = action != NIM_ADD || g_shellBusy ? g_shellNotify(action, nid) : FALSE;
    return action == NIM_ADD ? FALSE : done;
}

TEST(Tray, HideAndRestoreSwapTheFormAndItsIcon)
{
    UsePhonebook("[Busy Line]\nUser=bob\nDialResult=678\n");
    UseJournal();
    StartCatchingBoxes();
    HWND form = CreateSchedulerForm();
    ShowWindow(form, SW_SHOW);
    HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
    ASSERT_NE(tray, nullptr) << "the test prefix runs Wine's shell";
    PressButton(form, IDC_HIDE);
    for (UINT mouse : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK, WM_MOUSEMOVE})
        SendMessageA(form, WM_TRAYNOTIFY, TRAY_ICON_ID, mouse);
    EXPECT_FALSE(IsWindowVisible(form)) << "the form after Hide and clicks that are no double-click";
    EXPECT_TRUE(ShellIcon(form, NIM_MODIFY)) << "the shell holds the icon after Hide";
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    ShellIcon(form, NIM_DELETE); // a new shell comes up with an empty notification area
    SendMessageA(form, taskbarCreated, 0, 0);
    EXPECT_TRUE(ShellIcon(form, NIM_MODIFY)) << "a new shell gets the icon of a hidden form";

    // Counting goes on while hidden; its box leaves the form hidden.
    SYSTEMTIME now = UtcNow();
    SetMoment(form, IDC_DIAL_TIME, IDC_DIAL_DATE, LocalOf(now));
    CheckDlgButton(form, IDC_HANGUP_ENABLE, BST_UNCHECKED);
    ToggleCountingAt(form, &now);
    ExamineScheduleUpTo(form, &now);
    EXPECT_EQ(JournalCalls("RasDialA").size(), 1u) << "dials while hidden";
    ASSERT_EQ(g_caughtBoxes.size(), 1u) << "boxes while hidden";
    EXPECT_FALSE(g_caughtBoxes[0].ownerVisible) << "the form while its box is open";
    EXPECT_FALSE(IsWindowVisible(form)) << "the form after its box";

    // The shell's own double-click on the icon, rightmost in its area.
    RECT area;
    GetClientRect(tray, &area);
    PostMessageA(tray, WM_LBUTTONDBLCLK, MK_LBUTTON,
                 MAKELPARAM(area.right - GetSystemMetrics(SM_CXSMICON) / 2 - 3, area.bottom / 2));
    for (int i = 0; i < 100 && !IsWindowVisible(form) && !QuitRequested(); i++)
        Sleep(20);
    EXPECT_TRUE(IsWindowVisible(form)) << "the form after a double-click on its icon";
    EXPECT_FALSE(ShellIcon(form, NIM_MODIFY)) << "the icon of a form brought back";
    EXPECT_EQ(GetForegroundWindow(), form) << "the form brought back is in front";
    SendMessageA(form, taskbarCreated, 0, 0);
    EXPECT_FALSE(ShellIcon(form, NIM_MODIFY)) << "a shown form puts no icon into a new shell";

    // An add reported as failed: a busy shell's icon is there and serves; a refused one leaves the form shown.
    g_shellNotify = reinterpret_cast<decltype(g_shellNotify)>(
        SwapImport("shell32.dll", "Shell_NotifyIconA", reinterpret_cast<void*>(RefuseAdding)));
    for (bool busy : {true, false}) {
        SCOPED_TRACE(busy ? "a busy shell" : "a shell that refuses the icon");
        g_shellBusy = busy;
        g_caughtBoxes.clear();
        PressButton(form, IDC_HIDE);
        EXPECT_EQ(IsWindowVisible(form) != FALSE, !busy) << "the form shown after Hide";
        EXPECT_EQ(ShellIcon(form, NIM_MODIFY), busy) << "the shell holds the icon after Hide";
        EXPECT_EQ(g_caughtBoxes.size(), busy ? 0u : 1u) << "boxes after Hide";
        SendMessageA(form, WM_TRAYNOTIFY, TRAY_ICON_ID, WM_LBUTTONDBLCLK); // brings a hidden form back
        EXPECT_TRUE(IsWindowVisible(form)) << "the form after a double-click";
    }
    SwapImport("shell32.dll", "Shell_NotifyIconA", reinterpret_cast<void*>(g_shellNotify));
    for (const CaughtBox& box : g_caughtBoxes) {
        EXPECT_EQ(box.text, "The notification area did not take Quorvel's icon, so the form stays on screen. "
                            "Counting goes on.");
        EXPECT_EQ(box.owner, form);
        EXPECT_EQ(box.look, PLAIN_ERROR_BOX);
    }
    DestroySchedulerForm(form);
}
