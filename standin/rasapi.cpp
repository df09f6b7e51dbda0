// The six remote access calls the program makes, answered from the
// phonebook file instead of a modem or a VPN. Connections live in this
// process only: the handles count 1, 2, 3, ... from its start. The program
// calls from one thread, so nothing here is locked.
#include "standin.h"

#include <string.h>

// After a hang-up the connection is known this long as disconnected, as a
// real port takes a moment to close.
static const DWORD CLOSING_MS = 250;
static const int MAX_CONNECTIONS = 256;

struct Connection {
    HRASCONN handle; // null for a free slot
    char entry[RAS_MAX_ENTRY_NAME + 1];
    BOOL up;
    DWORD error;
    BOOL closing;
    DWORD closingSince;
};

static Connection g_connections[MAX_CONNECTIONS];
static DWORD g_lastHandle;

struct ErrorText {
    DWORD code;
    const char* text;
};

// The service's own codes that it gives, and those the demo and test
// phonebooks name. As on Windows, the system's codes (below 600) have no
// text here.
static const ErrorText ERROR_TEXTS[] = {
    {RAS_ERROR_BUFFER_TOO_SMALL, "The buffer given is too small for the answer."},
    {RAS_ERROR_CANNOT_OPEN_PHONEBOOK, "The phonebook file cannot be opened or read."},
    {RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY, "The phonebook has no entry of that name."},
    {RAS_ERROR_INVALID_SIZE, "A record passed to the remote access service has a size it does not know."},
    {RAS_ERROR_PORT_NOT_AVAILABLE, "The port is already in use or is not set up for dialling."},
    {RAS_ERROR_NO_CONNECTION, "The connection was dropped."},
    {RAS_ERROR_LINE_BUSY, "The line is busy."},
    {RAS_ERROR_NO_ANSWER, "There was no answer."},
    {RAS_ERROR_AUTHENTICATION_FAILURE, "The user name or password was not accepted by the remote server."},
};

static unsigned long HandleNumber(HRASCONN connection)
{
    return static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(connection));
}

// The slot of a handle, or with a null one a free slot; null when there is
// none. A closing connection is forgotten once its closing time is over.
static Connection* Slot(HRASCONN connection)
{
    for (Connection& c : g_connections) {
        if (c.closing && GetTickCount() - c.closingSince >= CLOSING_MS)
            c.handle = nullptr;
        if (c.handle == connection)
            return &c;
    }
    return nullptr;
}

DWORD WINAPI RasEnumEntriesA(LPCSTR, LPCSTR, RASENTRYNAMEA* entries, LPDWORD byteCount, LPDWORD entryCount)
{
    StartJournalLine("RasEnumEntriesA");
    const char* names = nullptr;
    DWORD count = 0;
    DWORD result = 0;
    if (byteCount == nullptr || entryCount == nullptr || (entries == nullptr && *byteCount != 0))
        result = ERROR_INVALID_PARAMETER;
    else if (entries != nullptr && *byteCount >= sizeof(DWORD) && entries[0].dwSize != sizeof(RASENTRYNAMEA))
        result = RAS_ERROR_INVALID_SIZE;
    else
        result = ReadEntryNames(&names);
    for (const char* name = names; result == 0 && *name != '\0'; name += lstrlenA(name) + 1)
        count++;
    DWORD needed = count * static_cast<DWORD>(sizeof(RASENTRYNAMEA));
    if (result == 0 && needed > *byteCount)
        result = RAS_ERROR_BUFFER_TOO_SMALL;
    AddJournal(" -> %lu", result);
    if (result == 0 || result == RAS_ERROR_BUFFER_TOO_SMALL) {
        *byteCount = needed;
        *entryCount = count;
        AddJournal(result == 0 ? " entries=%lu" : " entries=%lu bytes=%lu", count, needed);
    }
    for (DWORD i = 0; result == 0 && i < count; names += lstrlenA(names) + 1, i++) {
        entries[i].dwSize = sizeof(RASENTRYNAMEA);
        lstrcpynA(entries[i].szEntryName, names, sizeof entries[i].szEntryName);
    }
    return WriteJournalLine(result);
}

DWORD WINAPI RasGetEntryDialParamsA(LPCSTR, RASDIALPARAMSA* params, LPBOOL passwordStored)
{
    StartJournalLine("RasGetEntryDialParamsA");
    PhonebookEntry entry;
    DWORD result = 0;
    if (params == nullptr || passwordStored == nullptr) {
        result = ERROR_INVALID_PARAMETER;
    } else if (params->dwSize != sizeof(RASDIALPARAMSA)) {
        result = RAS_ERROR_INVALID_SIZE;
    } else {
        char name[RAS_MAX_ENTRY_NAME + 1];
        lstrcpynA(name, params->szEntryName, sizeof name);
        AddJournalQuoted("entry", name, sizeof name);
        result = ReadEntry(name, &entry);
    }
    AddJournal(" -> %lu", result);
    if (result == 0) {
        lstrcpynA(params->szUserName, entry.user, sizeof params->szUserName);
        // As on Windows since 2000: a handle to a saved password, never the password.
        lstrcpynA(params->szPassword, entry.passwordStored ? RAS_SAVED_PASSWORD_HANDLE : "",
                  sizeof params->szPassword);
        lstrcpynA(params->szDomain, entry.domain, sizeof params->szDomain);
        *passwordStored = entry.passwordStored;
        AddJournalQuoted("user", entry.user, sizeof entry.user);
        AddJournalQuoted("domain", entry.domain, sizeof entry.domain);
        AddJournal(" passwordStored=%d", entry.passwordStored ? 1 : 0);
    }
    SecureZeroMemory(&entry, sizeof entry);
    return WriteJournalLine(result);
}

// Dials an entry of the phonebook. A failed dial keeps its handle until it
// is hung up, as on Windows.
static DWORD Dial(const RASDIALPARAMSA* params, HRASCONN* connection)
{
    char name[RAS_MAX_ENTRY_NAME + 1];
    lstrcpynA(name, params->szEntryName, sizeof name);
    AddJournalQuoted("entry", name, sizeof name);
    AddJournalQuoted("user", params->szUserName, sizeof params->szUserName);
    AddJournalQuoted("domain", params->szDomain, sizeof params->szDomain);
    PhonebookEntry entry;
    DWORD result = ReadEntry(name, &entry);
    Connection* slot = result == 0 ? Slot(nullptr) : nullptr;
    if (result == 0 && slot == nullptr)
        result = RAS_ERROR_PORT_NOT_AVAILABLE;
    if (slot != nullptr) {
        Sleep(entry.dialMs);
        // The saved password's handle, passed back unchanged, stands for it.
        const char* password = params->szPassword;
        if (entry.passwordStored && strncmp(password, RAS_SAVED_PASSWORD_HANDLE, sizeof params->szPassword) == 0)
            password = entry.password;
        bool refused =
            entry.checksPassword && strncmp(password, entry.acceptPassword, sizeof entry.acceptPassword) != 0;
        result = refused ? RAS_ERROR_AUTHENTICATION_FAILURE : entry.dialResult;
        slot->handle = reinterpret_cast<HRASCONN>(static_cast<UINT_PTR>(++g_lastHandle));
        lstrcpynA(slot->entry, name, sizeof slot->entry);
        slot->up = result == 0 || entry.stillUpAfterFailure;
        slot->error = result;
        slot->closing = FALSE;
        *connection = slot->handle;
    }
    SecureZeroMemory(&entry, sizeof entry);
    return result;
}

DWORD WINAPI RasDialA(LPVOID extensions, LPCSTR, RASDIALPARAMSA* params, DWORD notifierType, LPVOID notifier,
                      HRASCONN* connection)
{
    StartJournalLine("RasDialA");
    DWORD result = 0;
    // Only the synchronous dial is offered: no notifier, no extensions.
    if (params == nullptr || connection == nullptr || extensions != nullptr || notifierType != 0 ||
        notifier != nullptr)
        result = ERROR_INVALID_PARAMETER;
    // On Windows a handle there asks to resume a paused dial of it.
    else if (*connection != nullptr)
        result = ERROR_INVALID_HANDLE;
    else if (params->dwSize != sizeof(RASDIALPARAMSA))
        result = RAS_ERROR_INVALID_SIZE;
    else
        result = Dial(params, connection);
    AddJournal(" -> %lu handle=%lu", result, connection != nullptr ? HandleNumber(*connection) : 0ul);
    return WriteJournalLine(result);
}

DWORD WINAPI RasGetConnectStatusA(HRASCONN connection, RASCONNSTATUSA* status)
{
    StartJournalLine("RasGetConnectStatusA");
    AddJournal(" handle=%lu", HandleNumber(connection));
    const Connection* c = connection != nullptr ? Slot(connection) : nullptr;
    DWORD result = 0;
    if (status == nullptr)
        result = ERROR_INVALID_PARAMETER;
    else if (status->dwSize != sizeof(RASCONNSTATUSA))
        result = RAS_ERROR_INVALID_SIZE;
    else if (c == nullptr)
        result = ERROR_INVALID_HANDLE;
    AddJournal(" -> %lu", result);
    if (result == 0) {
        bool up = c->up && !c->closing;
        status->rasconnstate = up ? RAS_STATE_CONNECTED : RAS_STATE_DISCONNECTED;
        status->dwError = up ? 0 : c->error;
        AddJournal(" state=%s error=%lu", up ? "connected" : "disconnected", status->dwError);
    }
    return WriteJournalLine(result);
}

DWORD WINAPI RasHangUpA(HRASCONN connection)
{
    StartJournalLine("RasHangUpA");
    AddJournal(" handle=%lu", HandleNumber(connection));
    Connection* c = connection != nullptr ? Slot(connection) : nullptr;
    DWORD result = c == nullptr ? ERROR_INVALID_HANDLE : 0;
    if (c != nullptr && !c->closing) {
        // As the phonebook says now; an entry gone from it closes as usual.
        PhonebookEntry entry;
        if (ReadEntry(c->entry, &entry) == 0)
            result = entry.hangUpResult;
        c->closing = result == 0 && !entry.stillUpAfterHangUp;
        SecureZeroMemory(&entry, sizeof entry);
        c->closingSince = GetTickCount();
    }
    AddJournal(" -> %lu", result);
    return WriteJournalLine(result);
}

DWORD WINAPI RasGetErrorStringA(UINT code, LPSTR buffer, DWORD capacity)
{
    StartJournalLine("RasGetErrorStringA");
    // Any other code leaves the buffer alone, and the program shows another text.
    DWORD result = ERROR_INVALID_PARAMETER;
    for (const ErrorText& known : ERROR_TEXTS) {
        if (known.code != code || buffer == nullptr)
            continue;
        // As on Windows, a text is never cut: a buffer too small for it fails.
        result = capacity > static_cast<DWORD>(lstrlenA(known.text)) ? 0 : ERROR_INSUFFICIENT_BUFFER;
        if (result == 0)
            lstrcpynA(buffer, known.text, static_cast<int>(capacity));
    }
    AddJournal(" code=%u -> %lu", code, result);
    return WriteJournalLine(result);
}
