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

// Each add and version handed to the shell; while g_shellFails, each add fails, though a busy shell makes it.
static BOOL(WINAPI* g_shellNotify)(DWORD, NOTIFYICONDATAA*);
static bool g_shellFails, g_shellBusy;
static std::string g_shellCalls;
static BOOL WINAPI RecordShell(DWORD action, NOTIFYICONDATAA* record)
{
    const NOTIFYICONDATAA_V1* nid = reinterpret_cast<const NOTIFYICONDATAA_V1*>(record);
    std::string sized = " size " + std::to_string(nid->cbSize) + ", id " + std::to_string(nid->uID);
    if (action == NIM_ADD)
        g_shellCalls += "add" + sized + ", flags " + std::to_string(nid->uFlags) + ", message " +
                        std::to_string(nid->uCallbackMessage) + ", tip " +
                        std::string(nid->szTip, strnlen(nid->szTip, sizeof nid->szTip)) + "; ";
    if (action == NIM_SETVERSION)
        g_shellCalls += "version " + std::to_string(reinterpret_cast<const NOTIFYICONDATAA_V2*>(record)->uVersion) +
                        sized + "; ";
    if (!g_shellFails || action != NIM_ADD)
        return g_shellNotify(action, record);
    if (g_shellBusy)
        g_shellNotify(action, record);
    return FALSE;
}

TEST(Tray, HideAndRestoreSwapTheFormAndItsIcon)
{
    UsePhonebook("[Busy Line]\nUser=bob\nDialResult=678\n");
    StartCatchingBoxes();
    HWND form = CreateSchedulerForm();
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
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    ShellIcon(form, NIM_DELETE); // a new shell comes up with an empty notification area
    SendMessageA(form, taskbarCreated, 0, 0);
    EXPECT_TRUE(ShellIcon(form, NIM_MODIFY)) << "a new shell gets the icon of a hidden form";
    EXPECT_EQ(g_shellCalls, added + added) << "what a new shell is handed";

    // Counting goes on while hidden: a dial fails, and its box leaves the form hidden.
    SYSTEMTIME now = UtcNow();
    SetMoment(form, IDC_DIAL_TIME, IDC_DIAL_DATE, LocalOf(now));
    CheckDlgButton(form, IDC_HANGUP_ENABLE, BST_UNCHECKED);
    ToggleCountingAt(form, &now);
    ExamineScheduleUpTo(form, &now);
    ASSERT_EQ(g_caughtBoxes.size(), 1u) << "boxes while hidden";
    EXPECT_EQ(g_caughtBoxes[0].look, PLAIN_BOX_IN_FRONT) << "the box of a hidden form";
    EXPECT_FALSE(IsWindowVisible(form)) << "the form after its box";

    // A double-click on the icon, as the real exe's test makes where the shell shows it.
    SendMessageA(form, WM_TRAYNOTIFY, TRAY_ICON_ID, WM_LBUTTONDBLCLK);
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
    for (const CaughtBox& box : g_caughtBoxes)
        EXPECT_TRUE(box.owner == form && box.look == PLAIN_ERROR_BOX && box.text == "The notification area did not "
                    "take Quorvel's icon, so the form stays on screen. Counting goes on.") << box.text << box.look;
    DestroySchedulerForm(form);
}
