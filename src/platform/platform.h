// The one header through which Quorvel reaches Windows. Everything the
// program calls on the platform comes in here; the remote access records
// are declared in their first layouts, which the program passes with their
// size fields set, because MinGW's ras.h carries only the later layouts.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "platform/platform_values.h"

DECLARE_HANDLE(HRASCONN);

struct RASENTRYNAMEA {
    DWORD dwSize;
    CHAR szEntryName[RAS_MAX_ENTRY_NAME + 1];
};

struct RASDIALPARAMSA {
    DWORD dwSize;
    CHAR szEntryName[RAS_MAX_ENTRY_NAME + 1];
    CHAR szPhoneNumber[RAS_MAX_PHONE_NUMBER + 1];
    CHAR szCallbackNumber[RAS_MAX_CALLBACK_NUMBER + 1];
    CHAR szUserName[RAS_MAX_USER_NAME + 1];
    CHAR szPassword[RAS_MAX_PASSWORD + 1];
    CHAR szDomain[RAS_MAX_DOMAIN + 1];
};

struct RASCONNSTATUSA {
    DWORD dwSize;
    DWORD rasconnstate;
    DWORD dwError;
    CHAR szDeviceType[RAS_MAX_DEVICE_TYPE + 1];
    CHAR szDeviceName[RAS_MAX_DEVICE_NAME + 1];
};

// The notification-area record as the first shells knew it: the later
// fields of shellapi.h's NOTIFYICONDATAA are left out, and the size field
// tells the shell so.
struct NOTIFYICONDATAA_V1 {
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    CHAR szTip[64];
};

// The record as Windows 2000's shell first knew it: the first layout and
// the fields up to the icon's behaviour version, which it carries to
// NIM_SETVERSION (its place is shared with a balloon's time-out).
struct NOTIFYICONDATAA_V2 {
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    CHAR szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    CHAR szInfo[256];
    UINT uVersion;
    CHAR szInfoTitle[64];
    DWORD dwInfoFlags;
};

// The reason a power request or a wake timer gives Windows, which
// powercfg /requests and /waketimers show. The program gives one string;
// the union is as large as the platform's, whose other form names a
// string resource.
struct POWER_REASON {
    ULONG Version;
    DWORD Flags;
    union {
        struct {
            HMODULE LocalizedReasonModule;
            ULONG LocalizedReasonId;
            ULONG ReasonStringCount;
            LPWSTR* ReasonStrings;
        } Detailed;
        LPWSTR SimpleReasonString;
    } Reason;
};

// Calls of Windows 7 and later. The program finds them at run time, so
// that it still starts on Windows XP and Vista, which lack them.
typedef HANDLE(WINAPI* PowerCreateRequestCall)(POWER_REASON* reason);
typedef BOOL(WINAPI* PowerRequestCall)(HANDLE request, ULONG requestType);
typedef BOOL(WINAPI* SetWaitableTimerExCall)(HANDLE timer, const LARGE_INTEGER* due, LONG period,
                                             PTIMERAPCROUTINE routine, LPVOID argument, POWER_REASON* reason,
                                             ULONG tolerableDelay);

static_assert(sizeof(RASENTRYNAMEA) == RASENTRYNAMEA_V1_SIZE, "RASENTRYNAMEA first layout");
static_assert(sizeof(RASDIALPARAMSA) == RASDIALPARAMSA_V1_SIZE, "RASDIALPARAMSA first layout");
static_assert(sizeof(RASCONNSTATUSA) == RASCONNSTATUSA_V1_SIZE, "RASCONNSTATUSA first layout");
static_assert(sizeof(NOTIFYICONDATAA_V1) == NOTIFYICONDATAA_V1_RECORD_SIZE, "NOTIFYICONDATAA first layout");
static_assert(sizeof(NOTIFYICONDATAA_V1) == NOTIFYICONDATAA_V1_SIZE, "agrees with shellapi.h");
static_assert(sizeof(NOTIFYICONDATAA_V2) == NOTIFYICONDATAA_V2_RECORD_SIZE, "NOTIFYICONDATAA of Windows 2000");
static_assert(sizeof(NOTIFYICONDATAA_V2) == NOTIFYICONDATAA_V2_SIZE, "agrees with shellapi.h");
static_assert(sizeof(POWER_REASON) == POWER_REASON_RECORD_SIZE, "REASON_CONTEXT");

// Where the program takes its DLLs from: the system folder alone.
// Limits loading for the rest of the process, as far as the Windows it
// runs on allows; WinMain calls it first.
void LimitDllSearchToSystem();
// A DLL from the system folder, never from the program's folder or the one
// it was started in; null, with the reason in GetLastError, where it can't
// be loaded.
HMODULE LoadSystemDll(const char* name);
// The address of a call that older Windows lack, in a DLL the program has
// loaded, for the caller to take as its own type of function; null where
// it is missing.
void* FindLaterCall(const char* dll, const char* name);

// The remote access calls, as the program makes them. They pass on to the
// service's rasapi32.dll, loaded from the system folder at the first call;
// where it can't be, each returns the system's code for the reason.
extern "C" {
DWORD WINAPI RasEnumEntriesA(LPCSTR reserved, LPCSTR phonebook, RASENTRYNAMEA* entries,
                             LPDWORD byteCount, LPDWORD entryCount);
DWORD WINAPI RasGetEntryDialParamsA(LPCSTR phonebook, RASDIALPARAMSA* params, LPBOOL passwordStored);
DWORD WINAPI RasDialA(LPVOID extensions, LPCSTR phonebook, RASDIALPARAMSA* params,
                      DWORD notifierType, LPVOID notifier, HRASCONN* connection);
DWORD WINAPI RasGetConnectStatusA(HRASCONN connection, RASCONNSTATUSA* status);
DWORD WINAPI RasHangUpA(HRASCONN connection);
DWORD WINAPI RasGetErrorStringA(UINT code, LPSTR buffer, DWORD capacity);
}

#ifdef QUORVEL_TESTING
// Forgets the service, so that the next call loads it again.
void ResetRemoteAccessState();
#endif
