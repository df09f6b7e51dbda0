#include "shell/shell.h"

#include "res/resource.h"
#include "scheduler/scheduler.h"

HINSTANCE g_hInstance;
HWND g_hMainWnd;

static const char MAIN_CLASS_NAME[] = "QUORVEL";
static const char MAIN_WINDOW_TITLE[] = "Quorvel";

ATOM RegisterMainClass(HINSTANCE instance)
{
    WNDCLASSEXA wc = {sizeof wc};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    wc.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = MAIN_CLASS_NAME;
    return RegisterClassExA(&wc);
}

int CreateMainWindow(HINSTANCE instance)
{
    g_hMainWnd = CreateWindowExA(0, MAIN_CLASS_NAME, MAIN_WINDOW_TITLE, WS_OVERLAPPEDWINDOW,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                 nullptr, nullptr, instance, nullptr);
    return g_hMainWnd != nullptr;
}

int RunSchedulerDialog(HWND owner, HINSTANCE instance)
{
    INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_SCHEDULER), owner,
                                     SchedulerDlgProc, 0);
    if (result == -1) {
        ShowLastSystemError(owner);
        return 0;
    }
    return 1;
}

int RunMessageLoop()
{
    MSG msg = {};
    while (GetMessageA(&msg, nullptr, 0, 0) == 1) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return 0;
    case WM_DESTROY:
        PostQuitMessage(QUIT_CODE);
        return 0;
    case WM_PAINT:
        return 0;
    case WM_QUIT:
        PostQuitMessage(QUIT_CODE);
        return 0;
    case WM_COMMAND:
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

#ifdef QUORVEL_TESTING
void ResetShellState()
{
    g_hInstance = nullptr;
    g_hMainWnd = nullptr;
}
#endif
