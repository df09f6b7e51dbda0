// Drives a running quorvel.exe from another process, for scripts/run:
//   quorvel_drive wait [seconds]   waits until the form is on screen
//   quorvel_drive rect             prints the form's screen rectangle
//   quorvel_drive close            closes the form as its close box does
// Exit code 0 when it did what was asked, 1 otherwise, with the reason.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "harness.h"

static const DWORD POLL_MS = 100;
static const int DEFAULT_WAIT_SECONDS = 30;

static int WaitForForm(int seconds)
{
    for (DWORD waited = 0; waited < static_cast<DWORD>(seconds) * 1000; waited += POLL_MS) {
        HWND form = FindQuorvelForm(0);
        if (form != nullptr && IsWindowVisible(form))
            return 0;
        Sleep(POLL_MS);
    }
    fprintf(stderr, "quorvel_drive: no Quorvel form came on screen within %d s\n", seconds);
    return 1;
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
    for (int i = 0; i < DEFAULT_WAIT_SECONDS * 10 && IsWindow(form); i++)
        Sleep(POLL_MS);
    if (!IsWindow(form))
        return 0;
    fprintf(stderr, "quorvel_drive: the form is still open after %d s\n", DEFAULT_WAIT_SECONDS);
    return 1;
}

int main(int argc, char** argv)
{
    const char* command = argc > 1 ? argv[1] : "";
    if (strcmp(command, "wait") == 0)
        return WaitForForm(argc > 2 ? atoi(argv[2]) : DEFAULT_WAIT_SECONDS);
    HWND form = FindQuorvelForm(0);
    if (form == nullptr && (strcmp(command, "rect") == 0 || strcmp(command, "close") == 0)) {
        fprintf(stderr, "quorvel_drive: no Quorvel form is open\n");
        return 1;
    }
    if (strcmp(command, "rect") == 0)
        return PrintFormRect(form);
    if (strcmp(command, "close") == 0)
        return CloseForm(form);
    fprintf(stderr, "usage: quorvel_drive wait [seconds] | rect | close\n");
    return 1;
}
