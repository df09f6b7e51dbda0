// The application shell: start-up, the hidden main window, the modal run of
// the form, and the notices through which the rest of the program talks to
// the user.
#pragma once

#include "platform/platform.h"

// The code the program ends with, carried by its quit request.
#define QUIT_CODE 0

extern HINSTANCE g_hInstance;
extern HWND g_hMainWnd;

ATOM RegisterMainClass(HINSTANCE instance);
int CreateMainWindow(HINSTANCE instance);
int RunSchedulerDialog(HWND owner, HINSTANCE instance);
int RunMessageLoop();
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void SetStatusText(HWND form, const char* text);
void ShowErrorBox(HWND owner, const char* text);
void ShowLastSystemError(HWND owner);

#ifdef QUORVEL_TESTING
// Back to the state of a program just started, for each test's new form.
void ResetShellState();
#endif
