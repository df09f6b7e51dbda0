// The six remote access calls the program makes. Their DLL, rasapi32.dll,
// is not one that Windows always takes from the system, so it is not
// imported: Windows would look for it beside the exe first. It is loaded
// from the system folder at the first call, once; where that fails, or the
// DLL lacks a call, the call returns the reason, and the program reports it
// as it reports any other failure.
#include "platform/platform.h"

static const char REMOTE_ACCESS_DLL[] = "rasapi32.dll";

enum RemoteAccessCall { ENUM_ENTRIES, GET_ENTRY_DIAL_PARAMS, DIAL, GET_CONNECT_STATUS, HANG_UP, GET_ERROR_STRING };
static const char* const CALL_NAMES[] = {"RasEnumEntriesA", "RasGetEntryDialParamsA", "RasDialA",
                                         "RasGetConnectStatusA", "RasHangUpA", "RasGetErrorStringA"};

typedef DWORD(WINAPI* EnumEntriesCall)(LPCSTR, LPCSTR, RASENTRYNAMEA*, LPDWORD, LPDWORD);
typedef DWORD(WINAPI* GetEntryDialParamsCall)(LPCSTR, RASDIALPARAMSA*, LPBOOL);
typedef DWORD(WINAPI* DialCall)(LPVOID, LPCSTR, RASDIALPARAMSA*, DWORD, LPVOID, HRASCONN*);
typedef DWORD(WINAPI* GetConnectStatusCall)(HRASCONN, RASCONNSTATUSA*);
typedef DWORD(WINAPI* HangUpCall)(HRASCONN);
typedef DWORD(WINAPI* GetErrorStringCall)(UINT, LPSTR, DWORD);

static bool g_loadTried;
static HMODULE g_hRemoteAccess;
static DWORD g_loadError;

// The call's address in the service; null, with the reason, where there is none.
static void* FindRemoteAccessCall(RemoteAccessCall call, DWORD* reason)
{
    if (!g_loadTried) {
        g_loadTried = true;
        g_hRemoteAccess = LoadSystemDll(REMOTE_ACCESS_DLL);
        g_loadError = g_hRemoteAccess == nullptr ? GetLastError() : ERROR_SUCCESS;
        if (g_hRemoteAccess == nullptr && g_loadError == ERROR_SUCCESS)
            g_loadError = ERROR_MOD_NOT_FOUND;
    }
    if (g_hRemoteAccess == nullptr) {
        *reason = g_loadError;
        return nullptr;
    }
    void* address = reinterpret_cast<void*>(GetProcAddress(g_hRemoteAccess, CALL_NAMES[call]));
    *reason = ERROR_PROC_NOT_FOUND;
    return address;
}

DWORD WINAPI RasEnumEntriesA(LPCSTR reserved, LPCSTR phonebook, RASENTRYNAMEA* entries, LPDWORD byteCount,
                             LPDWORD entryCount)
{
    DWORD reason;
    auto call = reinterpret_cast<EnumEntriesCall>(FindRemoteAccessCall(ENUM_ENTRIES, &reason));
    return call != nullptr ? call(reserved, phonebook, entries, byteCount, entryCount) : reason;
}

DWORD WINAPI RasGetEntryDialParamsA(LPCSTR phonebook, RASDIALPARAMSA* params, LPBOOL passwordStored)
{
    DWORD reason;
    auto call = reinterpret_cast<GetEntryDialParamsCall>(FindRemoteAccessCall(GET_ENTRY_DIAL_PARAMS, &reason));
    return call != nullptr ? call(phonebook, params, passwordStored) : reason;
}

DWORD WINAPI RasDialA(LPVOID extensions, LPCSTR phonebook, RASDIALPARAMSA* params, DWORD notifierType,
                      LPVOID notifier, HRASCONN* connection)
{
    DWORD reason;
    auto call = reinterpret_cast<DialCall>(FindRemoteAccessCall(DIAL, &reason));
    return call != nullptr ? call(extensions, phonebook, params, notifierType, notifier, connection) : reason;
}

DWORD WINAPI RasGetConnectStatusA(HRASCONN connection, RASCONNSTATUSA* status)
{
    DWORD reason;
    auto call = reinterpret_cast<GetConnectStatusCall>(FindRemoteAccessCall(GET_CONNECT_STATUS, &reason));
    return call != nullptr ? call(connection, status) : reason;
}

DWORD WINAPI RasHangUpA(HRASCONN connection)
{
    DWORD reason;
    auto call = reinterpret_cast<HangUpCall>(FindRemoteAccessCall(HANG_UP, &reason));
    return call != nullptr ? call(connection) : reason;
}

DWORD WINAPI RasGetErrorStringA(UINT code, LPSTR buffer, DWORD capacity)
{
    DWORD reason;
    auto call = reinterpret_cast<GetErrorStringCall>(FindRemoteAccessCall(GET_ERROR_STRING, &reason));
    return call != nullptr ? call(code, buffer, capacity) : reason;
}

#ifdef QUORVEL_TESTING
void ResetRemoteAccessState()
{
    if (g_hRemoteAccess != nullptr)
        FreeLibrary(g_hRemoteAccess);
    g_hRemoteAccess = nullptr;
    g_loadTried = false;
    g_loadError = ERROR_SUCCESS;
}
#endif
