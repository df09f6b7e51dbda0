// What the tests share: the real form made from the real template, a hook
// that catches error boxes so that no test blocks on one, and the files the
// stand-in remote access service reads and writes.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

// The form, modeless, from the template the program uses; the counting and
// connection state of earlier tests in the same process is cleared first.
HWND CreateSchedulerForm();
void DestroySchedulerForm(HWND form);
// Handles whatever is queued for this thread; a quit request is taken out
// and reported through QuitRequested.
void PumpMessages();
bool QuitRequested(int* code);

std::string ControlText(HWND form, int control);
void SetControlText(HWND form, int control, const char* text);
void ClickButton(HWND form, int control);
SYSTEMTIME PickerValue(HWND form, int picker);
void SetPickerValue(HWND form, int picker, const SYSTEMTIME& value);
// Sets a moment's time and date pickers to the given local time.
void SetMoment(HWND form, int timePicker, int datePicker, const SYSTEMTIME& value);
SYSTEMTIME LocalNow();
SYSTEMTIME AddSeconds(const SYSTEMTIME& time, int seconds);
long long SecondsBetween(const SYSTEMTIME& from, const SYSTEMTIME& to);
long long MsBetween(const SYSTEMTIME& from, const SYSTEMTIME& to);

// Every message box opened on this thread while catching is recorded and
// closed with OK. The callback, when set, runs while the box is open, before
// it is closed; what it posts is handled by the box's own message loop.
struct CaughtBox {
    std::string text;
    std::string caption;
    HWND owner;
    bool ownerVisible;
};
void StartCatchingBoxes();
void StopCatchingBoxes();
const std::vector<CaughtBox>& CaughtBoxes();
void SetBoxCallback(void (*callback)(HWND box, void* context), void* context);

// A file in a folder of this test run's own, as a Windows path.
std::string TestFilePath(const char* name);
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
// Writes a phonebook and points the stand-in service at it.
std::string UsePhonebook(const std::string& contents);
// Starts an empty journal of the stand-in's calls.
std::string UseJournal();
std::vector<std::string> JournalLines();
// The journal lines that name the given function.
std::vector<std::string> JournalCalls(const char* function);

// Sets the dial and hang-up moments to the given offsets from the current
// second and presses Start, all within one second: when the second turns
// meanwhile it stops and tries again. Returns the second it used.
SYSTEMTIME StartCountingWith(HWND form, int dialOffset, int hangUpOffset);
// One timer message, as the platform sends it each second.
void Tick(HWND form);
// The remote access text for a code, as the service gives it.
std::string RasText(DWORD code);

// The local time at the head of a journal line; false when it has none.
bool JournalTime(const std::string& line, SYSTEMTIME* time);

// quorvel.exe, started from this process as a user would start it.
struct Launched {
    PROCESS_INFORMATION process;
    HWND form;
    DWORD msToForm;
};
std::string QuorvelExePath();
Launched LaunchQuorvel();
DWORD WaitForExitCode(Launched* launched, DWORD timeoutMs);
// A picker of the form in the other process: its value is handed over
// through memory of that process, as the message carries a pointer.
bool SetRemotePicker(const Launched& quorvel, int picker, const SYSTEMTIME& value);
