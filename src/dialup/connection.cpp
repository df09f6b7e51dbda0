#include "dialup/dialup.h"

#include "shell/shell.h"

HRASCONN g_hRasConn;

static const char DOMAIN_FROM_ENTRY[] = "*";
static const char TOO_LONG_TEXT[] =
    "The entry name, user ID, password or domain is longer than a dial can carry "
    "(256 characters, 15 for the domain). Shorten it; nothing was dialled.";
static const char STILL_UP_TEXT[] =
    "The line is still up: the connection was hung up, but it still reads as connected. "
    "Check it in the network connections of Windows.";
// The service needs a closed connection to be gone before its port can be
// dialled again; this long at the most is waited for it.
static const DWORD CLOSE_WAIT_MS = 3000;
static const DWORD CLOSE_POLL_MS = 50;

static bool FitsDialRecord(const char* entryName, const char* user, const char* password,
                           const char* domain)
{
    return lstrlenA(entryName) <= RAS_MAX_ENTRY_NAME && lstrlenA(user) <= RAS_MAX_USER_NAME &&
           lstrlenA(password) <= RAS_MAX_PASSWORD && lstrlenA(domain) <= RAS_MAX_DOMAIN;
}

static bool IsConnectionUp(HRASCONN connection)
{
    RASCONNSTATUSA status = {};
    status.dwSize = sizeof status;
    return RasGetConnectStatusA(connection, &status) == 0 &&
           status.rasconnstate == RAS_STATE_CONNECTED;
}

// The hang-up returns before the line is down. Waits until the service has
// forgotten the connection; false when it still reads as connected at the end.
static bool WaitForConnectionClosed(HRASCONN connection)
{
    for (DWORD waited = 0;; waited += CLOSE_POLL_MS) {
        RASCONNSTATUSA status = {};
        status.dwSize = sizeof status;
        if (RasGetConnectStatusA(connection, &status) != 0)
            return true;
        if (waited >= CLOSE_WAIT_MS)
            return status.rasconnstate != RAS_STATE_CONNECTED;
        Sleep(CLOSE_POLL_MS);
    }
}

// A failed dial that left a handle holds its port until the handle is hung up.
static void ReleaseFailedConnection()
{
    HRASCONN connection = g_hRasConn;
    g_hRasConn = nullptr;
    if (connection != nullptr && RasHangUpA(connection) == 0)
        WaitForConnectionClosed(connection);
}

int DialEntry(HWND form, const char* entryName, const char* user, const char* password,
              const char* domain)
{
    if (!FitsDialRecord(entryName, user, password, domain)) {
        ShowErrorBox(form, TOO_LONG_TEXT);
        SetStatusText(form, "Dial error");
        return 1;
    }
    g_hRasConn = nullptr;

    RASDIALPARAMSA params = {};
    params.dwSize = sizeof params;
    lstrcpynA(params.szEntryName, entryName, sizeof params.szEntryName);
    lstrcpynA(params.szUserName, user, sizeof params.szUserName);
    lstrcpynA(params.szPassword, password, sizeof params.szPassword);
    lstrcpynA(params.szDomain, domain[0] != '\0' ? domain : DOMAIN_FROM_ENTRY,
              sizeof params.szDomain);

    SetStatusText(form, "Dialling");
    DWORD result = RasDialA(nullptr, nullptr, &params, 0, nullptr, &g_hRasConn);
    SecureZeroMemory(&params, sizeof params);
    if (result == 0) {
        SetStatusText(form, "Connected to ISP");
        return 0;
    }
    if (!IsConnectionUp(g_hRasConn)) {
        ReleaseFailedConnection();
        ShowRasErrorBox(form, result);
    }
    SetStatusText(form, "Dial error");
    return 1;
}

int HangUpConnection(HWND form)
{
    SetStatusText(form, "Hanging Up");
    HRASCONN connection = g_hRasConn;
    DWORD result = RasHangUpA(connection);
    if (result == 0 && WaitForConnectionClosed(connection)) {
        SetStatusText(form, "Hung up");
        return 0;
    }
    if (result == 0)
        ShowErrorBox(form, STILL_UP_TEXT);
    else
        ShowRasErrorBox(form, result);
    SetStatusText(form, "Hangup error");
    return 1;
}

#ifdef QUORVEL_TESTING
void ResetDialupState()
{
    g_hRasConn = nullptr;
}
#endif
