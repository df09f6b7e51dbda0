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

// The shell as the program reaches it: each add and each version recorded; while g_shellFails, every add
// reported as failed, where a busy shell has made it all the same and a refusing one has not.
static BOOL(WINAPI* g_shellNotify)(DWORD, NOTIFYICONDATAA*);
static bool g_shellFails, g_shellBusy;
static std::string g_shellCalls;
static BOOL WINAPI RecordShell(DWORD action, NOTIFYICONDATAA* record)
{
    const NOTIFYICONDATAA_V1* nid = reinterpret_cast<const NOTIFYICONDATAA_V1*>(record);
    if (action == NIM_ADD)
        g_shellCalls += "add size " + std::to_string(nid->cbSize) + ", id " + std::to_string(nid->uID) + ", flags " +
                        std::to_string(nid->uFlags) + ", message " + std::to_string(nid->uCallbackMessage) + ", tip " +
                        std::string(nid->szTip, strnlen(nid->szTip, sizeof nid->szTip)) + "; ";
    if (action == NIM_SETVERSION)
        g_shellCalls += "version " + std::to_string(reinterpret_cast<const NOTIFYICONDATAA_V2*>(record)->uVersion) +
                        " size " + std::to_string(nid->cbSize) + ", id " + std::to_string(nid->uID) + "; ";
    if (!g_shellFails || action != NIM_ADD)
        return g_shellNotify(action, record);
    if (g_shellBusy)
        g_shellNotify(action, record);
    return FALSE;
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
    g_shellNotify = reinterpret_cast<decltype(g_shellNotify)>(
        SwapImport("shell32.dll", "Shell_NotifyIconA", reinterpret_cast<void*>(RecordShell)));
    PressButton(form, IDC_HIDE);
    // The record's first layout (88 bytes in the 32-bit program), then Windows 2000's behaviour for the keyboard.
    const std::string added = "add size " + std::to_string(NOTIFYICONDATAA_V1_SIZE) + ", id 1, flags 7, message 1234, "
                              "tip Quorvel; version 3 size " + std::to_string(NOTIFYICONDATAA_V2_SIZE) + ", id 1; ";
    EXPECT_EQ(g_shellCalls, added) << "what Hide hands to the shell";
    for (UINT mouse : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK, WM_MOUSEMOVE,
                       WM_CONTEXTMENU, NIN_SELECT})
        SendMessageA(form, WM_TRAYNOTIFY, TRAY_ICON_ID, mouse);
    EXPECT_FALSE(IsWindowVisible(form)) << "the form after Hide and clicks that are no double-click";
    EXPECT_TRUE(ShellIcon(form, NIM_MODIFY)) << "the shell holds the icon after Hide";
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    ShellIcon(form, NIM_DELETE); // a new shell comes up with an empty notification area
    SendMessageA(form, taskbarCreated, 0, 0);
    EXPECT_TRUE(ShellIcon(form, NIM_MODIFY)) << "a new shell gets the icon of a hidden form";
    EXPECT_EQ(g_shellCalls, added + added) << "what a new shell is handed";

    // Counting goes on while hidden; its box leaves the form hidden.
    SYSTEMTIME now = UtcNow();
    SetMoment(form, IDC_DIAL_TIME, IDC_DIAL_DATE, LocalOf(now));
    CheckDlgButton(form, IDC_HANGUP_ENABLE, BST_UNCHECKED);
    ToggleCountingAt(form, &now);
    ExamineScheduleUpTo(form, &now);
    EXPECT_EQ(JournalCalls("RasDialA").size(), 1u) << "dials while hidden";
    ASSERT_EQ(g_caughtBoxes.size(), 1u) << "boxes while hidden";
    EXPECT_FALSE(g_caughtBoxes[0].ownerVisible) << "the form while its box is open";
    EXPECT_EQ(g_caughtBoxes[0].look, PLAIN_BOX_IN_FRONT) << "the box of a hidden form";
    EXPECT_FALSE(IsWindowVisible(form)) << "the form after its box";

    // A double-click on the icon (as the real exe's test does where the shell shows it).
    SendMessageA(form, WM_TRAYNOTIFY, TRAY_ICON_ID, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(form)) << "the form after a double-click on its icon";
    EXPECT_FALSE(ShellIcon(form, NIM_MODIFY)) << "the icon of a form brought back";
    EXPECT_EQ(GetForegroundWindow(), form) << "the form brought back is in front";
    SendMessageA(form, taskbarCreated, 0, 0);
    EXPECT_FALSE(ShellIcon(form, NIM_MODIFY)) << "a shown form puts no icon into a new shell";

    // An add reported as failed: a busy shell's icon is there and serves; a refused one leaves the form shown.
    g_shellFails = true;
    for (bool busy : {true, false}) {
        SCOPED_TRACE(busy ? "a busy shell" : "a shell that refuses the icon");
        g_shellBusy = busy;
        g_caughtBoxes.clear();
        PressButton(form, IDC_HIDE);
        EXPECT_EQ(IsWindowVisible(form) != FALSE, !busy) << "the form shown after Hide";
        EXPECT_EQ(ShellIcon(form, NIM_MODIFY), busy) << "the shell holds the icon after Hide";
        EXPECT_EQ(g_caughtBoxes.size(), busy ? 0u : 1u) << "boxes after Hide";
        // Space or Enter on the icon from the keyboard brings a hidden form back.
        SendMessageA(form, WM_TRAYNOTIFY, TRAY_ICON_ID, NIN_KEYSELECT);
        EXPECT_TRUE(IsWindowVisible(form)) << "the form after Space or Enter on its icon";
    }
    g_shellFails = false;
    SwapImport("shell32.dll", "Shell_NotifyIconA", reinterpret_cast<void*>(g_shellNotify));
    for (const CaughtBox& box : g_caughtBoxes) {
        EXPECT_EQ(box.text, "The notification area did not take Quorvel's icon, so the form stays on screen. "
                            "Counting goes on.");
        EXPECT_EQ(box.owner, form);
        EXPECT_EQ(box.look, PLAIN_ERROR_BOX);
    }
    DestroySchedulerForm(form);
}
