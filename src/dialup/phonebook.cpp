#include "dialup/dialup.h"

#include "res/resource.h"
#include "shell/shell.h"

static const int MAX_PHONEBOOK_ENTRIES = 10;
static const int RAS_TEXT_SIZE = 512;
// The phonebook may grow between asking its size and reading it.
static const int MAX_ENUMERATION_ATTEMPTS = 3;
static const char UNKNOWN_ERROR_TEXT[] = "Unknown error";

// The service has texts for its own codes only; the system's codes that it
// passes on (an unknown handle, say) have the system's text.
void ShowRasErrorBox(HWND owner, DWORD code)
{
    char text[RAS_TEXT_SIZE];
    if (RasGetErrorStringA(code, text, sizeof text) != 0 &&
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr) == 0)
        lstrcpynA(text, UNKNOWN_ERROR_TEXT, sizeof text);
    text[sizeof text - 1] = '\0';
    ShowErrorBox(owner, text);
}

static void AddEntryNames(HWND form, const RASENTRYNAMEA* entries, DWORD count)
{
    for (DWORD i = 0; i < count; i++) {
        char name[ENTRY_NAME_CAP];
        lstrcpynA(name, entries[i].szEntryName, sizeof name);
        SendDlgItemMessageA(form, IDC_ENTRY, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
}

int FillEntryList(HWND form)
{
    RASENTRYNAMEA fixed[MAX_PHONEBOOK_ENTRIES];
    RASENTRYNAMEA* entries = fixed;
    DWORD byteCount = sizeof fixed;
    DWORD count = 0;
    DWORD result = 0;
    // A phonebook with more entries than the fixed buffer holds is read again
    // into a buffer of the size the service asks for.
    for (int attempt = 0; attempt < MAX_ENUMERATION_ATTEMPTS; attempt++) {
        entries[0].dwSize = sizeof(RASENTRYNAMEA);
        result = RasEnumEntriesA(nullptr, nullptr, entries, &byteCount, &count);
        if (result != RAS_ERROR_BUFFER_TOO_SMALL || byteCount < sizeof(RASENTRYNAMEA))
            break;
        if (entries != fixed)
            LocalFree(entries);
        entries = static_cast<RASENTRYNAMEA*>(LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, byteCount));
        if (entries == nullptr) {
            entries = fixed;
            break;
        }
    }
    if (result == 0) {
        DWORD capacity = byteCount / sizeof(RASENTRYNAMEA);
        AddEntryNames(form, entries, count < capacity ? count : capacity);
        SendDlgItemMessageA(form, IDC_ENTRY, CB_SETCURSEL, 0, 0);
    }
    if (entries != fixed)
        LocalFree(entries);
    if (result != 0) {
        ShowRasErrorBox(form, result);
        return 1;
    }
    return 0;
}

void LoadEntryCredentials(HWND form, const char* entryName)
{
    RASDIALPARAMSA params = {};
    params.dwSize = sizeof params;
    lstrcpynA(params.szEntryName, entryName, sizeof params.szEntryName);
    BOOL passwordStored = FALSE;
    DWORD result = RasGetEntryDialParamsA(nullptr, &params, &passwordStored);
    if (result != 0) {
        ShowRasErrorBox(form, result);
        return;
    }
    SetDlgItemTextA(form, IDC_USER, params.szUserName);
    SetDlgItemTextA(form, IDC_PASSWORD, params.szPassword);
    SetDlgItemTextA(form, IDC_DOMAIN, params.szDomain);
    SecureZeroMemory(&params, sizeof params);
}

void LoadSelectedEntryCredentials(HWND form)
{
    char entry[ENTRY_NAME_CAP];
    GetDlgItemTextA(form, IDC_ENTRY, entry, sizeof entry);
    LoadEntryCredentials(form, entry);
}
