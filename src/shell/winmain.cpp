#include "shell/shell.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int)
{
    // Before anything else is loaded: the exe may lie among strangers' files.
    LimitDllSearchToSystem();
    if (previous == nullptr && RegisterMainClass(instance) == 0)
        return 0;
    g_hInstance = instance;
    if (!CreateMainWindow(instance))
        return 0;

    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_DATE_CLASSES};
    InitCommonControlsEx(&icc);

    if (!RunSchedulerDialog(nullptr, instance))
        return 0;
    return RunMessageLoop();
}
