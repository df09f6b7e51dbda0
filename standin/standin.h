// What the parts of the stand-in remote access service share: the
// phonebook as read from its file, the journal of calls and the texts of
// the error codes.
#pragma once

#include "platform/platform.h"

// Codes the service gives that platform.h does not name.
#define RAS_ERROR_PORT_NOT_AVAILABLE 633

// The phonebook holds at most this many entries; more is taken as damage.
#define PHONEBOOK_MAX_ENTRIES 4096
// Room for a Windows path taken from the environment or built from one.
#define PHONEBOOK_PATH_CAP 1024

// One [section] of the phonebook. The texts point into the phonebook's own
// copy of the file; an optional key that is absent is a null pointer.
struct PhonebookEntry {
    const char* name;
    const char* user;
    const char* password;
    const char* domain;
    const char* acceptUser;
    const char* acceptPassword;
    const char* acceptDomain;
    DWORD dialResult;
    DWORD dialMs;
    DWORD hangUpResult;
    BOOL stillUpAfterFailure;
};

struct Phonebook {
    char* text;
    DWORD textSize;
    PhonebookEntry* entries;
    DWORD count;
};

// Reads the phonebook named by the caller, or else by the environment, or
// else the user's default one. Returns 0, or a remote access code with the
// phonebook left empty; free it with FreePhonebook in either case.
DWORD LoadPhonebook(const char* callerPath, Phonebook* book);
void FreePhonebook(Phonebook* book);
// Null when the phonebook has no entry of that name (an empty name included).
const PhonebookEntry* FindPhonebookEntry(const Phonebook* book, const char* name);
// Entry names and user names compare as Windows compares them: ASCII
// letters without regard to case, every other byte as it is.
bool SameName(const char* a, const char* b);

// One journal line under construction: the call's start time, then what the
// caller appends. Texts are cut, never overrun, when the line is full.
#define JOURNAL_LINE_CAP 4096
struct JournalLine {
    SYSTEMTIME start;
    char text[JOURNAL_LINE_CAP];
    size_t length;
};
void StartJournalLine(JournalLine* line, const char* function);
void AppendJournalText(JournalLine* line, const char* text);
void AppendJournalNumber(JournalLine* line, const char* label, DWORD value);
// Appends ` label="value"`, with quotes, backslashes and control bytes escaped.
void AppendJournalQuoted(JournalLine* line, const char* label, const char* value);
// Appends the line to the journal file, if the environment names one.
void WriteJournalLine(JournalLine* line);

// Copies the text for a code; 0 on success, else the buffer is untouched.
DWORD CopyErrorText(DWORD code, char* buffer, DWORD capacity);
