// The six remote access calls the program makes, answered from the
// phonebook file instead of a modem or a VPN. Connections live in this
// process only: the handles count 1, 2, 3, ... from its start.
#include "standin.h"

// After a hang-up the connection is known this long as disconnected, as a
// real port takes a moment to close.
static const DWORD CLOSING_MS = 250;
static const int MAX_CONNECTIONS = 256;
static const char DOMAIN_FROM_ENTRY[] = "*";
static const char DEVICE_TYPE[] = "vpn";
static const char DEVICE_NAME[] = "Quorvel stand-in VPN";

struct Connection {
    DWORD handle;
    char entry[RAS_MAX_ENTRY_NAME + 1];
    BOOL up;
    DWORD error;
    BOOL closing;
    DWORD closingSince;
};

// A slot whose handle is 0 is free.
static Connection g_connections[MAX_CONNECTIONS];
static DWORD g_lastHandle;
static CRITICAL_SECTION g_lock;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        InitializeCriticalSection(&g_lock);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        DeleteCriticalSection(&g_lock);
    }
    return TRUE;
}

static DWORD HandleNumber(HRASCONN connection)
{
    UINT_PTR value = reinterpret_cast<UINT_PTR>(connection);
    return value <= 0xFFFFFFFFu ? static_cast<DWORD>(value) : 0;
}

static HRASCONN HandleOf(DWORD number)
{
    return reinterpret_cast<HRASCONN>(static_cast<UINT_PTR>(number));
}

// Forgets the connections whose closing time is over. Called with the lock.
static void ForgetClosedConnections()
{
    DWORD now = GetTickCount();
    for (Connection& c : g_connections) {
        if (c.handle != 0 && c.closing && now - c.closingSince >= CLOSING_MS)
            c.handle = 0;
    }
}

// Called with the lock; null for a handle the service does not know.
static Connection* FindConnection(HRASCONN connection)
{
    DWORD number = HandleNumber(connection);
    ForgetClosedConnections();
    if (number == 0)
        return nullptr;
    for (Connection& c : g_connections) {
        if (c.handle == number)
            return &c;
    }
    return nullptr;
}

// The live connection of an entry; called with the lock.
static Connection* FindLiveConnection(const char* entry)
{
    ForgetClosedConnections();
    for (Connection& c : g_connections) {
        if (c.handle != 0 && c.up && !c.closing && SameName(c.entry, entry))
            return &c;
    }
    return nullptr;
}

static Connection* FreeConnectionSlot()
{
    ForgetClosedConnections();
    for (Connection& c : g_connections) {
        if (c.handle == 0)
            return &c;
    }
    return nullptr;
}

DWORD WINAPI RasEnumEntriesA(LPCSTR reserved, LPCSTR phonebook, RASENTRYNAMEA* entries, LPDWORD byteCount,
                             LPDWORD entryCount)
{
    JournalLine line;
    StartJournalLine(&line, "RasEnumEntriesA");
    DWORD result = 0;
    DWORD count = 0;
    DWORD needed = 0;
    if (reserved != nullptr || byteCount == nullptr || entryCount == nullptr ||
        (entries == nullptr && *byteCount != 0)) {
        result = ERROR_INVALID_PARAMETER;
    } else if (entries != nullptr && *byteCount >= sizeof(DWORD) && entries[0].dwSize != sizeof(RASENTRYNAMEA)) {
        result = RAS_ERROR_INVALID_SIZE;
    } else {
        Phonebook book;
        result = LoadPhonebook(phonebook, &book);
        count = book.count;
        needed = count * static_cast<DWORD>(sizeof(RASENTRYNAMEA));
        if (result == 0 && needed > *byteCount) {
            result = RAS_ERROR_BUFFER_TOO_SMALL;
        } else if (result == 0) {
            for (DWORD i = 0; i < count; i++) {
                entries[i].dwSize = sizeof(RASENTRYNAMEA);
                lstrcpynA(entries[i].szEntryName, book.entries[i].name, sizeof entries[i].szEntryName);
            }
        }
        FreePhonebook(&book);
        if (result == 0 || result == RAS_ERROR_BUFFER_TOO_SMALL) {
            *byteCount = needed;
            *entryCount = count;
        } else {
            *entryCount = 0;
        }
    }
    AppendJournalNumber(&line, "-> ", result);
    if (result == 0 || result == RAS_ERROR_BUFFER_TOO_SMALL)
        AppendJournalNumber(&line, "entries=", count);
    if (result == RAS_ERROR_BUFFER_TOO_SMALL)
        AppendJournalNumber(&line, "bytes=", needed);
    WriteJournalLine(&line);
    return result;
}

DWORD WINAPI RasGetEntryDialParamsA(LPCSTR phonebook, RASDIALPARAMSA* params, LPBOOL passwordStored)
{
    JournalLine line;
    StartJournalLine(&line, "RasGetEntryDialParamsA");
    DWORD result = 0;
    if (params == nullptr || passwordStored == nullptr) {
        result = ERROR_INVALID_PARAMETER;
    } else if (params->dwSize != sizeof(RASDIALPARAMSA)) {
        result = RAS_ERROR_INVALID_SIZE;
    } else {
        char entryName[RAS_MAX_ENTRY_NAME + 1];
        lstrcpynA(entryName, params->szEntryName, sizeof entryName);
        AppendJournalQuoted(&line, "entry", entryName);
        Phonebook book;
        result = LoadPhonebook(phonebook, &book);
        const PhonebookEntry* entry = result == 0 ? FindPhonebookEntry(&book, entryName) : nullptr;
        if (result == 0 && entry == nullptr)
            result = RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
        if (result == 0) {
            lstrcpynA(params->szUserName, entry->user != nullptr ? entry->user : "", sizeof params->szUserName);
            lstrcpynA(params->szPassword, entry->password != nullptr ? entry->password : "",
                      sizeof params->szPassword);
            lstrcpynA(params->szDomain, entry->domain != nullptr ? entry->domain : "", sizeof params->szDomain);
            params->szPhoneNumber[0] = '\0';
            params->szCallbackNumber[0] = '\0';
            *passwordStored = entry->password != nullptr;
        }
        FreePhonebook(&book);
    }
    AppendJournalNumber(&line, "-> ", result);
    if (result == 0) {
        AppendJournalQuoted(&line, "user", params->szUserName);
        AppendJournalQuoted(&line, "domain", params->szDomain);
        AppendJournalNumber(&line, "passwordStored=", *passwordStored ? 1 : 0);
    }
    WriteJournalLine(&line);
    return result;
}

// What a dial needs of its entry, copied so that the phonebook can be let
// go before the dial's wait.
struct DialSettings {
    char domain[RAS_MAX_DOMAIN + 1];
    char acceptUser[RAS_MAX_USER_NAME + 1];
    char acceptPassword[RAS_MAX_PASSWORD + 1];
    char acceptDomain[RAS_MAX_DOMAIN + 1];
    BOOL checksUser;
    BOOL checksPassword;
    BOOL checksDomain;
    DWORD dialResult;
    DWORD dialMs;
    BOOL stillUpAfterFailure;
};

static void CopyOptional(char* target, const char* value, int capacity, BOOL* present)
{
    *present = value != nullptr;
    lstrcpynA(target, value != nullptr ? value : "", capacity);
}

static void TakeDialSettings(const PhonebookEntry* entry, DialSettings* settings)
{
    BOOL unused = FALSE;
    CopyOptional(settings->domain, entry->domain, sizeof settings->domain, &unused);
    CopyOptional(settings->acceptUser, entry->acceptUser, sizeof settings->acceptUser, &settings->checksUser);
    CopyOptional(settings->acceptPassword, entry->acceptPassword, sizeof settings->acceptPassword,
                 &settings->checksPassword);
    CopyOptional(settings->acceptDomain, entry->acceptDomain, sizeof settings->acceptDomain,
                 &settings->checksDomain);
    settings->dialResult = entry->dialResult;
    settings->dialMs = entry->dialMs;
    settings->stillUpAfterFailure = entry->stillUpAfterFailure;
}

// User names and domains are compared as Windows does, without regard to
// case; passwords exactly.
static bool CredentialsAccepted(const DialSettings* settings, const char* user, const char* password,
                                const char* domain)
{
    const char* dialledDomain = lstrcmpA(domain, DOMAIN_FROM_ENTRY) == 0 ? settings->domain : domain;
    if (settings->checksUser && !SameName(user, settings->acceptUser))
        return false;
    if (settings->checksPassword && lstrcmpA(password, settings->acceptPassword) != 0)
        return false;
    if (settings->checksDomain && !SameName(dialledDomain, settings->acceptDomain))
        return false;
    return true;
}

// Finds the entry and, when it is not already connected, the settings of
// the dial. Returns 0 or the code of an error found before any dialling.
static DWORD PrepareDial(LPCSTR phonebook, const char* entryName, DialSettings* settings, DWORD* liveHandle)
{
    *liveHandle = 0;
    Phonebook book;
    DWORD result = LoadPhonebook(phonebook, &book);
    const PhonebookEntry* entry = result == 0 ? FindPhonebookEntry(&book, entryName) : nullptr;
    if (result == 0 && entry == nullptr)
        result = RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    if (result == 0)
        TakeDialSettings(entry, settings);
    FreePhonebook(&book);
    if (result != 0)
        return result;
    EnterCriticalSection(&g_lock);
    Connection* live = FindLiveConnection(entryName);
    if (live != nullptr)
        *liveHandle = live->handle;
    LeaveCriticalSection(&g_lock);
    return 0;
}

DWORD WINAPI RasDialA(LPVOID extensions, LPCSTR phonebook, RASDIALPARAMSA* params, DWORD notifierType,
                      LPVOID notifier, HRASCONN* connection)
{
    JournalLine line;
    StartJournalLine(&line, "RasDialA");
    DWORD result = 0;
    DWORD handle = 0;
    if (connection != nullptr)
        *connection = nullptr;
    // Only the synchronous dial is offered: no notifier, no extensions.
    if (params == nullptr || connection == nullptr || extensions != nullptr || notifier != nullptr ||
        notifierType != 0) {
        result = ERROR_INVALID_PARAMETER;
    } else if (params->dwSize != sizeof(RASDIALPARAMSA)) {
        result = RAS_ERROR_INVALID_SIZE;
    } else {
        char entryName[RAS_MAX_ENTRY_NAME + 1];
        char user[RAS_MAX_USER_NAME + 1];
        char password[RAS_MAX_PASSWORD + 1];
        char domain[RAS_MAX_DOMAIN + 1];
        lstrcpynA(entryName, params->szEntryName, sizeof entryName);
        lstrcpynA(user, params->szUserName, sizeof user);
        lstrcpynA(password, params->szPassword, sizeof password);
        lstrcpynA(domain, params->szDomain, sizeof domain);
        AppendJournalQuoted(&line, "entry", entryName);
        AppendJournalQuoted(&line, "user", user);
        AppendJournalQuoted(&line, "domain", domain);

        DialSettings settings;
        result = PrepareDial(phonebook, entryName, &settings, &handle);
        if (result == 0 && handle == 0) {
            Sleep(settings.dialMs);
            result = CredentialsAccepted(&settings, user, password, domain) ? settings.dialResult
                                                                            : RAS_ERROR_AUTHENTICATION_FAILURE;
            EnterCriticalSection(&g_lock);
            Connection* slot = FreeConnectionSlot();
            if (slot == nullptr) {
                result = RAS_ERROR_PORT_NOT_AVAILABLE;
            } else {
                // A failed dial keeps its handle until it is hung up, as on Windows.
                handle = ++g_lastHandle;
                slot->handle = handle;
                lstrcpynA(slot->entry, entryName, sizeof slot->entry);
                slot->up = result == 0 || settings.stillUpAfterFailure;
                slot->error = result;
                slot->closing = FALSE;
                slot->closingSince = 0;
            }
            LeaveCriticalSection(&g_lock);
        }
        SecureZeroMemory(password, sizeof password);
        SecureZeroMemory(settings.acceptPassword, sizeof settings.acceptPassword);
        *connection = HandleOf(handle);
    }
    AppendJournalNumber(&line, "-> ", result);
    AppendJournalNumber(&line, "handle=", handle);
    WriteJournalLine(&line);
    return result;
}

DWORD WINAPI RasGetConnectStatusA(HRASCONN connection, RASCONNSTATUSA* status)
{
    JournalLine line;
    StartJournalLine(&line, "RasGetConnectStatusA");
    AppendJournalNumber(&line, "handle=", HandleNumber(connection));
    DWORD result = 0;
    if (status == nullptr) {
        result = ERROR_INVALID_PARAMETER;
    } else if (status->dwSize != sizeof(RASCONNSTATUSA)) {
        result = RAS_ERROR_INVALID_SIZE;
    } else {
        EnterCriticalSection(&g_lock);
        const Connection* c = FindConnection(connection);
        if (c == nullptr) {
            result = ERROR_INVALID_HANDLE;
        } else {
            bool up = c->up && !c->closing;
            status->rasconnstate = up ? RAS_STATE_CONNECTED : RAS_STATE_DISCONNECTED;
            status->dwError = up ? 0 : c->error;
            lstrcpynA(status->szDeviceType, DEVICE_TYPE, sizeof status->szDeviceType);
            lstrcpynA(status->szDeviceName, DEVICE_NAME, sizeof status->szDeviceName);
        }
        LeaveCriticalSection(&g_lock);
    }
    AppendJournalNumber(&line, "-> ", result);
    if (result == 0) {
        AppendJournalText(&line, status->rasconnstate == RAS_STATE_CONNECTED ? " state=connected"
                                                                             : " state=disconnected");
        AppendJournalNumber(&line, "error=", status->dwError);
    }
    WriteJournalLine(&line);
    return result;
}

// The HangUpResult of the entry; a phonebook that no longer has the entry,
// or cannot be read, does not keep a connection from closing.
static DWORD HangUpResultOf(const char* entryName)
{
    Phonebook book;
    DWORD result = 0;
    if (LoadPhonebook(nullptr, &book) == 0) {
        const PhonebookEntry* entry = FindPhonebookEntry(&book, entryName);
        if (entry != nullptr)
            result = entry->hangUpResult;
    }
    FreePhonebook(&book);
    return result;
}

DWORD WINAPI RasHangUpA(HRASCONN connection)
{
    JournalLine line;
    StartJournalLine(&line, "RasHangUpA");
    AppendJournalNumber(&line, "handle=", HandleNumber(connection));
    DWORD result = 0;
    EnterCriticalSection(&g_lock);
    Connection* c = FindConnection(connection);
    if (c == nullptr) {
        result = ERROR_INVALID_HANDLE;
    } else if (!c->closing) {
        result = HangUpResultOf(c->entry);
        if (result == 0) {
            c->closing = TRUE;
            c->closingSince = GetTickCount();
        }
    }
    LeaveCriticalSection(&g_lock);
    AppendJournalNumber(&line, "-> ", result);
    WriteJournalLine(&line);
    return result;
}

DWORD WINAPI RasGetErrorStringA(UINT code, LPSTR buffer, DWORD capacity)
{
    JournalLine line;
    StartJournalLine(&line, "RasGetErrorStringA");
    AppendJournalNumber(&line, "code=", code);
    DWORD result = CopyErrorText(code, buffer, capacity);
    AppendJournalNumber(&line, "-> ", result);
    WriteJournalLine(&line);
    return result;
}
