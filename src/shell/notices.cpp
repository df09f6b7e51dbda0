#include "shell/shell.h"

#include <stdio.h>

#include "res/resource.h"

// Room for the fallback text when the system has none for an error code.
static const int FALLBACK_TEXT_CAP = 128;
static const char NO_REASON_TEXT[] = "The operation failed, and Windows gave no reason for it.";

void SetStatusText(HWND form, const char* text)
{
    SetDlgItemTextA(form, IDC_STATUS, text);
}

// A box whose owner is hidden, a form in the notification area say, has
// no task bar button, and Windows may put it behind whatever the user has
// open: then it comes up in front of them.
void ShowErrorBox(HWND owner, const char* text)
{
    UINT style = MB_OK | MB_ICONERROR;
    if (owner != nullptr && !IsWindowVisible(owner))
        style |= MB_TOPMOST | MB_SETFOREGROUND;
    MessageBoxA(owner, text, nullptr, style);
}

void ShowLastSystemError(HWND owner)
{
    DWORD code = GetLastError();
    // Some calls fail without setting a code; its text would read as success.
    if (code == ERROR_SUCCESS) {
        ShowErrorBox(owner, NO_REASON_TEXT);
        return;
    }
    char* text = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                  reinterpret_cast<char*>(&text), 0, nullptr);
    if (length == 0 || text == nullptr) {
        char fallback[FALLBACK_TEXT_CAP];
        snprintf(fallback, sizeof fallback,
                 "The operation failed with system error %lu, for which Windows has no text.",
                 static_cast<unsigned long>(code));
        ShowErrorBox(owner, fallback);
        return;
    }
    ShowErrorBox(owner, text);
    LocalFree(text);
}
