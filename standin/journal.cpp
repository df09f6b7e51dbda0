#include "standin.h"

#include <stdio.h>

static const char JOURNAL_VARIABLE[] = "QUORVEL_RAS_JOURNAL";
static const char LINE_END[] = "\r\n";
static const char HEX_DIGITS[] = "0123456789abcdef";
// Room kept at the end of every line for its end and terminator.
static const size_t LINE_END_ROOM = sizeof LINE_END;

static void AppendBytes(JournalLine* line, const char* bytes, size_t count)
{
    size_t room = JOURNAL_LINE_CAP - LINE_END_ROOM - line->length;
    if (count > room)
        count = room;
    CopyMemory(line->text + line->length, bytes, count);
    line->length += count;
    line->text[line->length] = '\0';
}

void StartJournalLine(JournalLine* line, const char* function)
{
    GetLocalTime(&line->start);
    line->length = 0;
    line->text[0] = '\0';
    AppendJournalText(line, function);
}

void AppendJournalText(JournalLine* line, const char* text)
{
    AppendBytes(line, text, static_cast<size_t>(lstrlenA(text)));
}

void AppendJournalNumber(JournalLine* line, const char* label, DWORD value)
{
    char text[64];
    snprintf(text, sizeof text, " %s%lu", label, static_cast<unsigned long>(value));
    text[sizeof text - 1] = '\0';
    AppendJournalText(line, text);
}

void AppendJournalQuoted(JournalLine* line, const char* label, const char* value)
{
    AppendJournalText(line, " ");
    AppendJournalText(line, label);
    AppendJournalText(line, "=\"");
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(value); *c != '\0'; c++) {
        if (*c == '"' || *c == '\\') {
            char escaped[2] = {'\\', static_cast<char>(*c)};
            AppendBytes(line, escaped, sizeof escaped);
        } else if (*c < 0x20 || *c == 0x7F) {
            // One call, one line: a line break in a user name must not end it.
            char escaped[4] = {'\\', 'x', HEX_DIGITS[*c >> 4], HEX_DIGITS[*c & 0xF]};
            AppendBytes(line, escaped, sizeof escaped);
        } else {
            AppendBytes(line, reinterpret_cast<const char*>(c), 1);
        }
    }
    AppendJournalText(line, "\"");
}

void WriteJournalLine(JournalLine* line)
{
    char path[PHONEBOOK_PATH_CAP];
    DWORD length = GetEnvironmentVariableA(JOURNAL_VARIABLE, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return;
    char whole[JOURNAL_LINE_CAP + 64];
    const SYSTEMTIME& t = line->start;
    int written = snprintf(whole, sizeof whole, "%04u-%02u-%02u %02u:%02u:%02u.%03u %s%s", t.wYear, t.wMonth,
                           t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, line->text, LINE_END);
    if (written <= 0)
        return;
    DWORD size = static_cast<DWORD>(written) < sizeof whole ? static_cast<DWORD>(written) : sizeof whole - 1;
    // Opened and closed for each line, so that nothing is lost in a crash
    // and another process can read the journal meanwhile.
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD wrote = 0;
    WriteFile(file, whole, size, &wrote, nullptr);
    CloseHandle(file);
}
