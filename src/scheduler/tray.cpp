#include "scheduler/scheduler.h"

#include "res/resource.h"
#include "shell/shell.h"

static const char TRAY_TIP[] = "Quorvel";
static const char TRAY_REFUSED_TEXT[] =
    "The notification area did not take Quorvel's icon, so the form stays on screen. "
    "Counting goes on.";

static UINT g_taskbarCreatedMessage;
static bool g_inTray;

typedef BOOL(WINAPI* ChangeWindowMessageFilterExCall)(HWND window, UINT message, DWORD action, void* status);
typedef BOOL(WINAPI* ChangeWindowMessageFilterCall)(UINT message, DWORD action);

UINT TaskbarCreatedMessage()
{
    if (g_taskbarCreatedMessage == 0)
        g_taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    return g_taskbarCreatedMessage;
}

// A program run as administrator gets no message from the shell, which runs
// with the user's rights, unless it lets the message in: without this, a
// restarted Explorer would never get the icon back.
void LetShellRestartIn(HWND form)
{
    auto forWindow = reinterpret_cast<ChangeWindowMessageFilterExCall>(
        FindLaterCall("user32.dll", "ChangeWindowMessageFilterEx"));
    if (forWindow != nullptr) {
        forWindow(form, TaskbarCreatedMessage(), MESSAGE_FILTER_ALLOW, nullptr);
        return;
    }
    // Vista's filter is the process's.
    auto forProcess =
        reinterpret_cast<ChangeWindowMessageFilterCall>(FindLaterCall("user32.dll", "ChangeWindowMessageFilter"));
    if (forProcess != nullptr)
        forProcess(TaskbarCreatedMessage(), MESSAGE_FILTER_ALLOW);
}

// Windows 2000's behaviour: a keyboard user who selects the icon and presses
// Space or Enter reaches the form as NIN_KEYSELECT, where the first one sent
// the right button's messages. A shell that refuses keeps the first.
static void SetIconBehaviour(HWND form)
{
    NOTIFYICONDATAA_V2 nid = {sizeof nid};
    nid.hWnd = form;
    nid.uID = TRAY_ICON_ID;
    nid.uVersion = NOTIFYICON_VERSION;
    Shell_NotifyIconA(NIM_SETVERSION, reinterpret_cast<NOTIFYICONDATAA*>(&nid));
}

static bool AddNotificationIcon(HWND form)
{
    NOTIFYICONDATAA_V1 nid = {sizeof nid};
    nid.hWnd = form;
    nid.uID = TRAY_ICON_ID;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = WM_TRAYNOTIFY;
    nid.hIcon = LoadIconA(g_hInstance, MAKEINTRESOURCEA(IDI_APP));
    lstrcpynA(nid.szTip, TRAY_TIP, sizeof nid.szTip);
    NOTIFYICONDATAA* record = reinterpret_cast<NOTIFYICONDATAA*>(&nid);
    // A busy shell may time out and report a failed add of an icon it has
    // added; the icon is there when it can be modified.
    if (Shell_NotifyIconA(NIM_ADD, record) == FALSE && Shell_NotifyIconA(NIM_MODIFY, record) == FALSE)
        return false;
    SetIconBehaviour(form);
    return true;
}

static void DeleteNotificationIcon(HWND form)
{
    NOTIFYICONDATAA_V1 nid = {sizeof nid};
    nid.hWnd = form;
    nid.uID = TRAY_ICON_ID;
    Shell_NotifyIconA(NIM_DELETE, reinterpret_cast<NOTIFYICONDATAA*>(&nid));
}

// Without its icon a hidden form could never be brought back.
static void ShowFormWithoutIcon(HWND form)
{
    g_inTray = false;
    ShowWindow(form, SW_SHOW);
    ShowErrorBox(form, TRAY_REFUSED_TEXT);
}

void HideToTray(HWND form)
{
    if (g_inTray)
        return;
    ShowWindow(form, SW_HIDE);
    g_inTray = true;
    if (!AddNotificationIcon(form))
        ShowFormWithoutIcon(form);
}

// A double-click on the icon, or Space or Enter on it from the keyboard.
void RestoreFromTray(HWND form, LPARAM mouseMessage)
{
    if ((mouseMessage != WM_LBUTTONDBLCLK && mouseMessage != NIN_KEYSELECT) || !g_inTray)
        return;
    DeleteNotificationIcon(form);
    g_inTray = false;
    ShowWindow(form, SW_SHOW);
    SetForegroundWindow(form);
}

// A new shell starts with an empty notification area.
void RestoreTrayIcon(HWND form)
{
    if (g_inTray && !AddNotificationIcon(form))
        ShowFormWithoutIcon(form);
}

#ifdef QUORVEL_TESTING
void ResetTrayState()
{
    g_inTray = false;
}
#endif
