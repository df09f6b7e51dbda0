// Everything that talks to the remote access service: the phonebook's
// entries and stored credentials, the dial and the hang-up, and the texts
// of remote access errors. The procedures with a result return 0 on
// success and 1 on failure.
#pragma once

#include "platform/platform.h"

// Handle of the connection of the last dial; 0 when there is none.
extern HRASCONN g_hRasConn;

void ShowRasErrorBox(HWND owner, DWORD code);
int FillEntryList(HWND form);
void LoadEntryCredentials(HWND form, const char* entryName);
void LoadSelectedEntryCredentials(HWND form);
int DialEntry(HWND form, const char* entryName, const char* user, const char* password,
              const char* domain);
int HangUpConnection(HWND form);
