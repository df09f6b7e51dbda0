#include "scheduler/scheduler.h"

#include "res/resource.h"
#include "shell/shell.h"

static const char TRAY_TIP[] = "Quorvel";
static const char TRAY_REFUSED_TEXT[] =
    "The notification area did not take Quorvel's icon, so the form stays on screen. "
    "Counting goes on.";

static UINT g_taskbarCreatedMessage;
static bool g_inTray;

UINT TaskbarCreatedMessage()
{
    if (g_taskbarCreatedMessage == 0)
        g_taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    return g_taskbarCreatedMessage;
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
    return Shell_NotifyIconA(NIM_ADD, record) != FALSE || Shell_NotifyIconA(NIM_MODIFY, record) != FALSE;
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

void RestoreFromTray(HWND form, LPARAM mouseMessage)
{
    if (mouseMessage != WM_LBUTTONDBLCLK || !g_inTray)
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
