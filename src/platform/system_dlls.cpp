// Where the program takes its DLLs from. It is run from wherever it was
// downloaded to, a Downloads folder full of other people's files say, so it
// loads no DLL but from the system folder, on any Windows from XP to 11.
#include "platform/platform.h"

static const char KERNEL_DLL[] = "kernel32.dll";

typedef BOOL(WINAPI* SetDefaultDllDirectoriesCall)(DWORD flags);
typedef BOOL(WINAPI* SetDllDirectoryCall)(LPCSTR folder);

void* FindLaterCall(const char* dll, const char* name)
{
    HMODULE module = GetModuleHandleA(dll);
    return module != nullptr ? reinterpret_cast<void*>(GetProcAddress(module, name)) : nullptr;
}

// Windows 8, and 7 with its update, know the search flags; the same call
// that limits the search says so.
static bool KnowsSearchFlags()
{
    return FindLaterCall(KERNEL_DLL, "SetDefaultDllDirectories") != nullptr;
}

void LimitDllSearchToSystem()
{
    auto limit = reinterpret_cast<SetDefaultDllDirectoriesCall>(FindLaterCall(KERNEL_DLL, "SetDefaultDllDirectories"));
    if (limit != nullptr && limit(DLL_SEARCH_SYSTEM32))
        return;
    // From XP SP1: the folder the program was started in leaves the search.
    auto setFolder = reinterpret_cast<SetDllDirectoryCall>(FindLaterCall(KERNEL_DLL, "SetDllDirectoryA"));
    if (setFolder != nullptr)
        setFolder("");
}

HMODULE LoadSystemDll(const char* name)
{
    if (KnowsSearchFlags())
        return LoadLibraryExA(name, nullptr, DLL_SEARCH_SYSTEM32);
    // Elsewhere by its full path; the altered search takes the DLLs it
    // needs from its own folder, not from the program's.
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, sizeof path);
    if (length == 0)
        return nullptr;
    if (length + 1 + lstrlenA(name) >= sizeof path) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    path[length] = '\\';
    lstrcpynA(path + length + 1, name, static_cast<int>(sizeof path - length - 1));
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
