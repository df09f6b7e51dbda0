// Drives a running quorvel.exe from another process, for the scripts:
//   quorvel_drive wait [seconds]     waits until the form is on screen
//   quorvel_drive rect               prints the form's screen rectangle
//   quorvel_drive click ID           presses the button with that identifier
//   quorvel_drive text ID            prints a control's text
//   quorvel_drive close              closes the form as its close box does
//   quorvel_drive hidden [seconds]   waits until the form is off screen
//   quorvel_drive trayicon           prints where the shell's first
//                                    notification-area icon sits
// Exit code 0 when it did what was asked, 1 otherwise.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "platform/platform.h"
#include "res/resource.h"

static const DWORD POLL_MS = 100;
static const int DEFAULT_WAIT_SECONDS = 30;
static const int TEXT_CAP = 512;

static HWND FindForm()
{
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, "#32770", "Quorvel")) != nullptr) {
        if (GetDlgItem(window, IDC_STATUS) != nullptr)
            return window;
    }
    return nullptr;
}

static int WaitForForm(int seconds)
{
    for (DWORD waited = 0; waited < static_cast<DWORD>(seconds) * 1000; waited += POLL_MS) {
        HWND form = FindForm();
        if (form != nullptr && IsWindowVisible(form)) {
            printf("form %p\n", static_cast<void*>(form));
            return 0;
        }
        Sleep(POLL_MS);
    }
    fprintf(stderr, "quorvel_drive: no Quorvel form appeared within %d s\n", seconds);
    return 1;
}

static int WaitForHiddenForm(int seconds)
{
    for (DWORD waited = 0; waited < static_cast<DWORD>(seconds) * 1000; waited += POLL_MS) {
        HWND form = FindForm();
        if (form != nullptr && !IsWindowVisible(form))
            return 0;
        Sleep(POLL_MS);
    }
    fprintf(stderr, "quorvel_drive: the form is still on screen after %d s\n", seconds);
    return 1;
}

// Wine's taskbar puts the notification area at its right end, the first
// icon rightmost, each a small icon with a little room around it.
static int PrintTrayIconPoint()
{
    HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
    if (tray == nullptr) {
        fprintf(stderr, "quorvel_drive: no taskbar; run under Wine's desktop with its shell\n");
        return 1;
    }
    RECT rect;
    GetWindowRect(tray, &rect);
    int iconWidth = GetSystemMetrics(SM_CXSMICON);
    printf("%ld %ld\n", rect.right - iconWidth / 2 - 3, (rect.top + rect.bottom) / 2);
    return 0;
}

static int PrintFormRect(HWND form)
{
    RECT rect;
    GetWindowRect(form, &rect);
    printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    return 0;
}

static int CloseForm(HWND form)
{
    PostMessageA(form, WM_CLOSE, 0, 0);
    for (int i = 0; i < 100 && IsWindow(form); i++)
        Sleep(POLL_MS);
    return IsWindow(form) ? 1 : 0;
}

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: quorvel_drive wait|hidden [s]|rect|click ID|text ID|close|trayicon\n");
        return 1;
    }
    const char* command = argv[1];
    if (strcmp(command, "wait") == 0)
        return WaitForForm(argc > 2 ? atoi(argv[2]) : DEFAULT_WAIT_SECONDS);
    if (strcmp(command, "hidden") == 0)
        return WaitForHiddenForm(argc > 2 ? atoi(argv[2]) : DEFAULT_WAIT_SECONDS);
    if (strcmp(command, "trayicon") == 0)
        return PrintTrayIconPoint();

    HWND form = FindForm();
    if (form == nullptr) {
        fprintf(stderr, "quorvel_drive: no Quorvel form is open\n");
        return 1;
    }
    if (strcmp(command, "rect") == 0)
        return PrintFormRect(form);
    if (strcmp(command, "close") == 0)
        return CloseForm(form);
    if (argc > 2 && strcmp(command, "click") == 0) {
        PostMessageA(form, WM_COMMAND, MAKEWPARAM(atoi(argv[2]), BN_CLICKED), 0);
        return 0;
    }
    if (argc > 2 && strcmp(command, "text") == 0) {
        char text[TEXT_CAP];
        GetDlgItemTextA(form, atoi(argv[2]), text, sizeof text);
        printf("%s\n", text);
        return 0;
    }
    fprintf(stderr, "quorvel_drive: unknown command %s\n", command);
    return 1;
}
