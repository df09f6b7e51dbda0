#include "standin.h"

#include <shlobj.h>
#include <stdio.h>

static const char PHONEBOOK_VARIABLE[] = "QUORVEL_RAS_PHONEBOOK";
static const char APPDATA_VARIABLE[] = "APPDATA";
static const char DEFAULT_PHONEBOOK_TAIL[] = "\\Microsoft\\Network\\Connections\\Pbk\\rasphone.pbk";
// A phonebook is a small text; anything larger is not one.
static const DWORD PHONEBOOK_MAX_BYTES = 1024 * 1024;
// A wait longer than this in a phonebook is a typing mistake, not a test.
static const DWORD MAX_DIAL_MS = 10 * 60 * 1000;

enum TextKey { KEY_USER, KEY_PASSWORD, KEY_DOMAIN, KEY_ACCEPT_USER, KEY_ACCEPT_PASSWORD, KEY_ACCEPT_DOMAIN };
enum NumberKey { KEY_DIAL_RESULT, KEY_DIAL_MS, KEY_HANG_UP_RESULT, KEY_STILL_UP_AFTER_FAILURE };

struct TextKeyName {
    const char* name;
    TextKey key;
    int maxLength;
};

struct NumberKeyName {
    const char* name;
    NumberKey key;
};

static const TextKeyName TEXT_KEYS[] = {
    {"User", KEY_USER, RAS_MAX_USER_NAME},
    {"Password", KEY_PASSWORD, RAS_MAX_PASSWORD},
    {"Domain", KEY_DOMAIN, RAS_MAX_DOMAIN},
    {"AcceptUser", KEY_ACCEPT_USER, RAS_MAX_USER_NAME},
    {"AcceptPassword", KEY_ACCEPT_PASSWORD, RAS_MAX_PASSWORD},
    {"AcceptDomain", KEY_ACCEPT_DOMAIN, RAS_MAX_DOMAIN},
};

static const NumberKeyName NUMBER_KEYS[] = {
    {"DialResult", KEY_DIAL_RESULT},
    {"DialMs", KEY_DIAL_MS},
    {"HangUpResult", KEY_HANG_UP_RESULT},
    {"StillUpAfterFailure", KEY_STILL_UP_AFTER_FAILURE},
};

static bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

static char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(const char* a, const char* b)
{
    while (*a != '\0' && AsciiLower(*a) == AsciiLower(*b)) {
        a++;
        b++;
    }
    return AsciiLower(*a) == AsciiLower(*b);
}

// Cuts blanks off both ends of the text, in place.
static char* Trim(char* text)
{
    while (IsBlank(*text))
        text++;
    size_t length = static_cast<size_t>(lstrlenA(text));
    while (length > 0 && IsBlank(text[length - 1]))
        text[--length] = '\0';
    return text;
}

// Decimal digits only, within a DWORD.
static bool ParseNumber(const char* text, DWORD* value)
{
    if (*text == '\0')
        return false;
    unsigned long long number = 0;
    for (; *text != '\0'; text++) {
        if (*text < '0' || *text > '9')
            return false;
        number = number * 10 + static_cast<unsigned>(*text - '0');
        if (number > 0xFFFFFFFFull)
            return false;
    }
    *value = static_cast<DWORD>(number);
    return true;
}

static const char** TextField(PhonebookEntry* entry, TextKey key)
{
    switch (key) {
    case KEY_USER:
        return &entry->user;
    case KEY_PASSWORD:
        return &entry->password;
    case KEY_DOMAIN:
        return &entry->domain;
    case KEY_ACCEPT_USER:
        return &entry->acceptUser;
    case KEY_ACCEPT_PASSWORD:
        return &entry->acceptPassword;
    case KEY_ACCEPT_DOMAIN:
        return &entry->acceptDomain;
    }
    return &entry->user;
}

static void SetNumber(PhonebookEntry* entry, NumberKey key, DWORD value)
{
    switch (key) {
    case KEY_DIAL_RESULT:
        entry->dialResult = value;
        break;
    case KEY_DIAL_MS:
        entry->dialMs = value < MAX_DIAL_MS ? value : MAX_DIAL_MS;
        break;
    case KEY_HANG_UP_RESULT:
        entry->hangUpResult = value;
        break;
    case KEY_STILL_UP_AFTER_FAILURE:
        entry->stillUpAfterFailure = value != 0;
        break;
    }
}

// Takes one key=value line into the entry. The first of repeated keys
// counts, as with Windows' own INI files; keys it does not know are notes.
static bool TakeKey(PhonebookEntry* entry, char* key, char* value)
{
    for (const TextKeyName& known : TEXT_KEYS) {
        if (!SameName(key, known.name))
            continue;
        if (lstrlenA(value) > known.maxLength)
            return false;
        const char** field = TextField(entry, known.key);
        if (*field == nullptr)
            *field = value;
        return true;
    }
    for (const NumberKeyName& known : NUMBER_KEYS) {
        if (!SameName(key, known.name))
            continue;
        DWORD number = 0;
        if (!ParseNumber(value, &number))
            return false;
        SetNumber(entry, known.key, number);
        return true;
    }
    return true;
}

static bool TakeSection(Phonebook* book, char* line)
{
    size_t length = static_cast<size_t>(lstrlenA(line));
    if (length < 2 || line[length - 1] != ']')
        return false;
    line[length - 1] = '\0';
    char* name = line + 1;
    int nameLength = lstrlenA(name);
    if (nameLength == 0 || nameLength > RAS_MAX_ENTRY_NAME)
        return false;
    if (FindPhonebookEntry(book, name) != nullptr || book->count >= PHONEBOOK_MAX_ENTRIES)
        return false;
    PhonebookEntry* entry = &book->entries[book->count++];
    ZeroMemory(entry, sizeof *entry);
    entry->name = name;
    return true;
}

static bool TakeLine(Phonebook* book, char* line)
{
    line = Trim(line);
    if (line[0] == '\0' || line[0] == ';' || line[0] == '#')
        return true;
    if (line[0] == '[')
        return TakeSection(book, line);
    char* equals = line;
    while (*equals != '\0' && *equals != '=')
        equals++;
    if (*equals != '=' || book->count == 0)
        return false;
    *equals = '\0';
    char* key = Trim(line);
    if (key[0] == '\0')
        return false;
    return TakeKey(&book->entries[book->count - 1], key, Trim(equals + 1));
}

// Splits the text into lines in place and takes each one.
static DWORD ParsePhonebook(Phonebook* book, DWORD size)
{
    char* text = book->text;
    for (DWORD i = 0; i < size; i++) {
        if (text[i] == '\0')
            return RAS_ERROR_CORRUPT_PHONEBOOK;
    }
    char* line = text;
    char* end = text + size;
    while (line < end) {
        char* next = line;
        while (next < end && *next != '\n')
            next++;
        *next = '\0';
        if (!TakeLine(book, line))
            return RAS_ERROR_CORRUPT_PHONEBOOK;
        line = next + 1;
    }
    return 0;
}

// Fills path with the phonebook's file name; false when it cannot be had.
static bool PhonebookPath(const char* callerPath, char* path, DWORD capacity)
{
    if (callerPath != nullptr && callerPath[0] != '\0') {
        if (static_cast<DWORD>(lstrlenA(callerPath)) >= capacity)
            return false;
        lstrcpynA(path, callerPath, static_cast<int>(capacity));
        return true;
    }
    DWORD length = GetEnvironmentVariableA(PHONEBOOK_VARIABLE, path, capacity);
    if (length >= capacity)
        return false;
    if (length > 0)
        return true;
    char folder[PHONEBOOK_PATH_CAP];
    length = GetEnvironmentVariableA(APPDATA_VARIABLE, folder, sizeof folder);
    if (length == 0 || length >= sizeof folder) {
        char shellFolder[MAX_PATH];
        if (SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, shellFolder) != S_OK)
            return false;
        lstrcpynA(folder, shellFolder, sizeof folder);
    }
    int written = snprintf(path, capacity, "%s%s", folder, DEFAULT_PHONEBOOK_TAIL);
    path[capacity - 1] = '\0';
    return written > 0 && static_cast<DWORD>(written) < capacity;
}

// Reads the whole file into a new buffer with room for a terminator.
static DWORD ReadPhonebookFile(const char* path, char** text, DWORD* size)
{
    *text = nullptr;
    *size = 0;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        // No file yet is a phonebook with no entries, as for a new user.
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return 0;
        return RAS_ERROR_CANNOT_OPEN_PHONEBOOK;
    }
    DWORD result = 0;
    LARGE_INTEGER fileSize;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        !GetFileSizeEx(file, &fileSize)) {
        result = RAS_ERROR_CANNOT_OPEN_PHONEBOOK;
    } else if (fileSize.QuadPart > PHONEBOOK_MAX_BYTES) {
        result = RAS_ERROR_CORRUPT_PHONEBOOK;
    } else {
        DWORD wanted = static_cast<DWORD>(fileSize.QuadPart);
        *text = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, wanted + 1));
        DWORD got = 0;
        if (*text == nullptr)
            result = ERROR_NOT_ENOUGH_MEMORY;
        else if (!ReadFile(file, *text, wanted, &got, nullptr) || got != wanted)
            result = RAS_ERROR_CANNOT_OPEN_PHONEBOOK;
        if (*text != nullptr)
            *size = got <= wanted ? got : wanted;
    }
    CloseHandle(file);
    if (*text != nullptr)
        (*text)[*size] = '\0';
    return result;
}

DWORD LoadPhonebook(const char* callerPath, Phonebook* book)
{
    ZeroMemory(book, sizeof *book);
    char path[PHONEBOOK_PATH_CAP];
    if (!PhonebookPath(callerPath, path, sizeof path))
        return RAS_ERROR_CANNOT_OPEN_PHONEBOOK;
    DWORD result = ReadPhonebookFile(path, &book->text, &book->textSize);
    if (result == 0 && book->text != nullptr) {
        book->entries = static_cast<PhonebookEntry*>(
            HeapAlloc(GetProcessHeap(), 0, PHONEBOOK_MAX_ENTRIES * sizeof(PhonebookEntry)));
        result = book->entries != nullptr ? ParsePhonebook(book, book->textSize) : ERROR_NOT_ENOUGH_MEMORY;
    }
    if (result != 0) {
        FreePhonebook(book);
        return result;
    }
    return 0;
}

void FreePhonebook(Phonebook* book)
{
    if (book->text != nullptr) {
        // The copy holds the stored passwords.
        SecureZeroMemory(book->text, book->textSize);
        HeapFree(GetProcessHeap(), 0, book->text);
    }
    if (book->entries != nullptr)
        HeapFree(GetProcessHeap(), 0, book->entries);
    ZeroMemory(book, sizeof *book);
}

const PhonebookEntry* FindPhonebookEntry(const Phonebook* book, const char* name)
{
    if (name == nullptr || name[0] == '\0')
        return nullptr;
    for (DWORD i = 0; i < book->count; i++) {
        if (SameName(book->entries[i].name, name))
            return &book->entries[i];
    }
    return nullptr;
}
