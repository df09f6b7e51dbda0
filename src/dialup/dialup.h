// Everything that talks to the remote access service: the phonebook's
// entries and stored credentials, the dial and the hang-up, and the texts
// of remote access errors. The procedures with a result return 0 on
// success and 1 on failure.
#pragma once

#include "platform/platform.h"

// Room for the form's texts that go into a dial or a lookup: as much as
// the dial record holds, so nothing is cut. A domain gets the same room, so
// that one too long for the record is refused rather than cut.
#define ENTRY_NAME_CAP (RAS_MAX_ENTRY_NAME + 1)
#define CREDENTIAL_FIELD_CAP (RAS_MAX_PASSWORD + 1)

// Handle of the connection of the last dial; 0 when there is none.
extern HRASCONN g_hRasConn;

void ShowRasErrorBox(HWND owner, DWORD code);
int FillEntryList(HWND form);
void LoadEntryCredentials(HWND form, const char* entryName);
void LoadSelectedEntryCredentials(HWND form);
int DialEntry(HWND form, const char* entryName, const char* user, const char* password,
              const char* domain);
int HangUpConnection(HWND form);

#ifdef QUORVEL_TESTING
// Back to the state of a program just started, for each test's new form.
void ResetDialupState();
#endif
