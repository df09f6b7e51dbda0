// The journal: one line per call, in the format standin_contract.h gives,
// appended to the file that its variable names, so that tests and the
// benchmark can see what the program asked for and when.
#include "standin.h"

#include <stdarg.h>
#include <stdio.h>

#include "standin_contract.h"

static const char LINE_END[] = JOURNAL_LINE_END;
static const DWORD JOURNAL_PATH_CAP = 1024;
static const size_t JOURNAL_LINE_CAP = 4096;

static char g_line[JOURNAL_LINE_CAP];
static size_t g_length;

void AddJournal(const char* format, ...)
{
    // Room is kept for the line end; the terminator vsnprintf writes falls in it.
    size_t room = sizeof g_line - sizeof LINE_END - g_length;
    va_list arguments;
    va_start(arguments, format);
    int written = vsnprintf(g_line + g_length, room + 1, format, arguments);
    va_end(arguments);
    if (written > 0)
        g_length += static_cast<size_t>(written) < room ? static_cast<size_t>(written) : room;
}

// Stamped with the call's start, so that a dial shows when it was asked for.
void StartJournalLine(const char* function)
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    g_length = 0;
    AddJournal(JOURNAL_TIME_FORMAT " %s", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond,
               t.wMilliseconds, function);
}

void AddJournalQuoted(const char* label, const char* value, size_t capacity)
{
    AddJournal(" %s=\"", label);
    for (size_t i = 0; i < capacity && value[i] != '\0'; i++) {
        unsigned char c = static_cast<unsigned char>(value[i]);
        // One call, one line: a line break in a user name must not end it.
        if (c < 0x20 || c == 0x7F)
            AddJournal("\\x%02x", c);
        else
            AddJournal(c == '"' || c == '\\' ? "\\%c" : "%c", c);
    }
    AddJournal("\"");
}

DWORD WriteJournalLine(DWORD result)
{
    // AddJournal always leaves room for the line end.
    CopyMemory(g_line + g_length, LINE_END, sizeof LINE_END - 1);
    g_length += sizeof LINE_END - 1;
    char path[JOURNAL_PATH_CAP];
    DWORD length = GetEnvironmentVariableA(JOURNAL_VARIABLE, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return result;
    // Opened and closed for each line, so that another process can read the
    // journal meanwhile and nothing is lost if the program dies.
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD wrote = 0;
        WriteFile(file, g_line, static_cast<DWORD>(g_length), &wrote, nullptr);
        CloseHandle(file);
    }
    return result;
}
