// The phonebook: an INI file with one [section] per entry, read afresh with
// the platform's own profile calls on every call and never written.
#include "standin.h"

#include <string.h>

#include "standin_contract.h"

static const char DEFAULT_PHONEBOOK[] = "%APPDATA%\\Microsoft\\Network\\Connections\\Pbk\\rasphone.pbk";
static const char KEY_PASSWORD[] = "Password";
static const char KEY_ACCEPT_PASSWORD[] = "AcceptPassword";
static const DWORD PHONEBOOK_PATH_CAP = 1024;
// Room for a few hundred entry names of the longest kind.
static const DWORD NAMES_CAP = 65536;
static const DWORD KEYS_CAP = 4096;

static char g_path[PHONEBOOK_PATH_CAP];
static char g_names[NAMES_CAP];
static char g_keys[KEYS_CAP];

// Wine keeps the profile it read last and serves it again while the file's
// write time is unchanged, so a rewrite within one tick of the file system's
// clock would go unseen. The documented flush drops it; called right after
// reading, the profile it drops is the phonebook.
static void ForgetCachedProfile()
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, nullptr);
}

// The name in a list of names that is the given one without regard to ASCII
// case, as Windows compares entry names; null when there is none.
static const char* FindInList(const char* list, const char* name)
{
    for (const char* item = list; *item != '\0'; item += lstrlenA(item) + 1) {
        if (_stricmp(item, name) == 0)
            return item;
    }
    return nullptr;
}

DWORD ReadEntryNames(const char** names)
{
    g_names[0] = '\0';
    *names = g_names;
    DWORD length = GetEnvironmentVariableA(PHONEBOOK_VARIABLE, g_path, sizeof g_path);
    if (length == 0)
        length = ExpandEnvironmentStringsA(DEFAULT_PHONEBOOK, g_path, sizeof g_path);
    if (length == 0 || length >= sizeof g_path)
        return RAS_ERROR_CANNOT_OPEN_PHONEBOOK;
    // The profile calls would read a folder, or a file they may not open, as
    // an empty phonebook.
    HANDLE file = CreateFileA(g_path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        // No file yet is a phonebook with no entries, as for a new user.
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 0
                                                                              : RAS_ERROR_CANNOT_OPEN_PHONEBOOK;
    }
    CloseHandle(file);
    GetPrivateProfileSectionNamesA(g_names, sizeof g_names, g_path);
    ForgetCachedProfile();
    return 0;
}

DWORD ReadEntry(const char* name, PhonebookEntry* entry)
{
    ZeroMemory(entry, sizeof *entry);
    const char* names = nullptr;
    DWORD result = ReadEntryNames(&names);
    if (result != 0)
        return result;
    const char* section = name[0] != '\0' ? FindInList(names, name) : nullptr;
    if (section == nullptr)
        return RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    // With no key named, the profile call lists the keys the entry has.
    g_keys[0] = '\0';
    GetPrivateProfileStringA(section, nullptr, "", g_keys, sizeof g_keys, g_path);
    entry->passwordStored = FindInList(g_keys, KEY_PASSWORD) != nullptr;
    entry->checksPassword = FindInList(g_keys, KEY_ACCEPT_PASSWORD) != nullptr;
    GetPrivateProfileStringA(section, "User", "", entry->user, sizeof entry->user, g_path);
    GetPrivateProfileStringA(section, KEY_PASSWORD, "", entry->password, sizeof entry->password, g_path);
    GetPrivateProfileStringA(section, "Domain", "", entry->domain, sizeof entry->domain, g_path);
    GetPrivateProfileStringA(section, KEY_ACCEPT_PASSWORD, "", entry->acceptPassword, sizeof entry->acceptPassword,
                             g_path);
    entry->dialResult = GetPrivateProfileIntA(section, "DialResult", 0, g_path);
    entry->dialMs = GetPrivateProfileIntA(section, "DialMs", 0, g_path);
    entry->stillUpAfterFailure = GetPrivateProfileIntA(section, "StillUpAfterFailure", 0, g_path) == 1;
    entry->hangUpResult = GetPrivateProfileIntA(section, "HangUpResult", 0, g_path);
    entry->stillUpAfterHangUp = GetPrivateProfileIntA(section, "StillUpAfterHangUp", 0, g_path) == 1;
    ForgetCachedProfile();
    return 0;
}
