// A rasapi32.dll as a stranger may leave one in a Downloads folder: its code
// runs the moment it is loaded, and leaves a file beside it that says so.
#include <windows.h>

static const char TRACE_SUFFIX[] = ".loaded";

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    char trace[MAX_PATH + sizeof TRACE_SUFFIX];
    DWORD length = GetModuleFileNameA(module, trace, MAX_PATH);
    if (reason != DLL_PROCESS_ATTACH || length == 0 || length >= MAX_PATH)
        return TRUE;
    lstrcpynA(trace + length, TRACE_SUFFIX, sizeof TRACE_SUFFIX);
    HANDLE file = CreateFileA(trace, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return TRUE;
}
