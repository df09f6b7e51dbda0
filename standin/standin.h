// What the parts of the stand-in remote access service share: the phonebook
// as read from its file and the journal of calls.
#pragma once

#include "platform/platform.h"
#include "standin_values.h"

// One entry of the phonebook, as its file says at the moment it is read.
struct PhonebookEntry {
    char user[RAS_MAX_USER_NAME + 1];
    char password[RAS_MAX_PASSWORD + 1];
    char domain[RAS_MAX_DOMAIN + 1];
    char acceptPassword[RAS_MAX_PASSWORD + 1];
    BOOL passwordStored;
    BOOL checksPassword;
    DWORD dialResult;
    DWORD dialMs;
    BOOL stillUpAfterFailure;
    DWORD hangUpResult;
    BOOL stillUpAfterHangUp;
};

// The entry names in file order, each ended by a NUL, the list by an empty
// name. Returns 0 (no file is an empty phonebook) or 621.
DWORD ReadEntryNames(const char** names);
// Returns 0, 621, or 623 for a name the phonebook does not have.
DWORD ReadEntry(const char* name, PhonebookEntry* entry);

// One journal line per call, built while the call runs and written at its
// end. What does not fit in a line is cut.
void StartJournalLine(const char* function);
void AddJournal(const char* format, ...);
// Appends ` label="value"` with quotes, backslashes and control bytes escaped,
// reading at most capacity bytes of value.
void AddJournalQuoted(const char* label, const char* value, size_t capacity);
// Writes the line and gives back the call's result, for the call to return.
DWORD WriteJournalLine(DWORD result);
