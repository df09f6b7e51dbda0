// What the tools and the tests share: a phonebook written and the journal
// read for the stand-in remote access service, the clock arithmetic, and a
// quorvel.exe started and driven from a second process. The stand-in's
// variables and line format are its own, in standin_contract.h.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"
#include "standin/standin_contract.h"

struct JournalCall {
    SYSTEMTIME time; // all zero when the line has no time
    std::string function, rest, line;
};
// Writes a phonebook to a file of its own and points the stand-in at it.
std::string UsePhonebook(const std::string& contents);
void UsePhonebookAt(const std::string& path);
// Starts an empty journal.
void UseJournal();
std::vector<JournalCall> ReadJournal();
std::vector<JournalCall> JournalCalls(const char* function);
// A file of this process's own in the temporary folder, as a Windows path.
std::string TempFilePath(const char* name);

// FILETIME units (100 ns); a SYSTEMTIME that is no time counts as 0.
const long long UNITS_PER_SECOND = 10000000;
long long UnitsOf(const SYSTEMTIME& time);
long long UnitsOf(const FILETIME& time);
SYSTEMTIME TimeOfUnits(long long units);
SYSTEMTIME LocalNow();
SYSTEMTIME UtcNow();
// The local wall-clock time of a UTC instant, in the zone this process runs in.
SYSTEMTIME LocalOf(const SYSTEMTIME& utc);
SYSTEMTIME AddSeconds(const SYSTEMTIME& time, long long seconds);
long long MsBetween(const SYSTEMTIME& from, const SYSTEMTIME& to);
// Whole seconds from the second of one to the second of the other.
long long SecondsBetween(const SYSTEMTIME& from, const SYSTEMTIME& to);

struct Launched {
    PROCESS_INFORMATION process;
    HWND form;
    DWORD msToForm;
};
// quorvel.exe of this build: bin/ beside the folder of the calling program.
std::string QuorvelExePath();
// Starts it (or another copy of it) as a user would, in the given folder
// (null: this one), and waits until its form is on screen; the form is null
// when it did not come.
Launched LaunchQuorvel(const std::string& exe = QuorvelExePath(), const char* folder = nullptr);
// Null when no form of that process (0: of any process) is open.
HWND FindQuorvelForm(DWORD processId);
// Waits for the end of the process; ends it and returns STILL_ACTIVE when
// it does not end in time.
DWORD WaitForExitCode(Launched* launched, DWORD timeoutMs);
// Closes the form as its close box does, and waits for the exit code.
DWORD CloseQuorvel(Launched* launched, DWORD timeoutMs);

// These work on a form of this process or of another one.
std::string ControlText(HWND form, int control);
void PressButton(HWND form, int control);
void SelectEntry(HWND form, const char* name);
bool SetPicker(HWND form, int picker, const SYSTEMTIME& value);
// A user's mouse and keyboard, through the system's input queue: clicks at a point of the
// screen or the middle of a control, a key pressed and let go.
void ClickAt(POINT at, int clicks);
void ClickControl(HWND form, int control);
void PressKey(WORD key);
// Waits until the check holds, or the control shows the text; false when it does not in time.
const DWORD WAIT_POLL_MS = 20;
template <typename Check> bool WaitFor(Check check, DWORD timeoutMs)
{
    for (DWORD waited = 0; !check(); waited += WAIT_POLL_MS) {
        if (waited >= timeoutMs)
            return false;
        Sleep(WAIT_POLL_MS);
    }
    return true;
}
bool WaitForText(HWND form, int control, const char* text, DWORD timeoutMs);
// Where a user sees an icon on a window, the shell's task bar say: the middle of the one place there
// that shows its picture, small, as the shell draws it; false where no place or more than one does.
bool FindIconIn(HWND window, HICON icon, POINT* centre);
bool FindShellIcon(HICON icon, POINT* centre);
