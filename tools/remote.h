// What the end-to-end tests, the benchmark and the scripts' driver share:
// a quorvel.exe started and driven from this second process, the clock
// arithmetic to schedule it, and the files of the stand-in remote access
// service it uses (the phonebook it reads, the journal of its calls).
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

struct Launched {
    PROCESS_INFORMATION process;
    HWND form;
    DWORD msToForm;
};

// quorvel.exe of this build: bin/ beside the folder of the calling program.
std::string QuorvelExePath();
// Starts it as a user would and waits until its form is on screen; the
// form is null when it did not come.
Launched LaunchQuorvel();
// Null when no form of that process (0: of any process) is open.
HWND FindQuorvelForm(DWORD processId);
// Waits for the end of the process; ends it and returns STILL_ACTIVE when
// it does not end in time.
DWORD WaitForExitCode(Launched* launched, DWORD timeoutMs);

// These work on a form of this process or of another one.
std::string ControlText(HWND form, int control);
void PressButton(HWND form, int control);
void SelectEntry(HWND form, const char* name);
bool SetPicker(HWND form, int picker, const SYSTEMTIME& value);

SYSTEMTIME LocalNow();
SYSTEMTIME AddSeconds(const SYSTEMTIME& time, long long seconds);
long long MsBetween(const SYSTEMTIME& from, const SYSTEMTIME& to);
// Whole seconds from the second of one to the second of the other.
long long SecondsBetween(const SYSTEMTIME& from, const SYSTEMTIME& to);

// A file of this process's own in the temporary folder, as a Windows path.
std::string TempFilePath(const char* name);
// Writes a phonebook and points the stand-in service at it.
std::string UsePhonebook(const std::string& contents);
// Starts an empty journal of the stand-in's calls.
void UseJournal();
// The journal lines of calls to the given function.
std::vector<std::string> JournalCalls(const char* function);
std::vector<std::string> JournalLines();
// The local time at the head of a journal line; false when it has none.
bool JournalTime(const std::string& line, SYSTEMTIME* time);
