#include "test_support.h"

#include <stdio.h>
#include <string.h>

#include "dialup/dialup.h"
#include "res/resource.h"
#include "scheduler/scheduler.h"
#include "shell/shell.h"

static HHOOK g_boxHook;
static std::vector<CaughtBox> g_caughtBoxes;
static void (*g_boxCallback)(HWND, void*);
static void* g_boxCallbackContext;
static bool g_quitSeen;
static int g_quitCode;
static std::string g_journalPath;

static const int TEXT_CAP = 1024;
static const long long FILETIME_UNITS_PER_SECOND = 10000000;

HWND CreateSchedulerForm()
{
    g_hInstance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_DATE_CLASSES};
    InitCommonControlsEx(&icc);
    g_countingTimer = 0;
    g_hRasConn = nullptr;
    g_quitSeen = false;
    HWND form = CreateDialogParamA(g_hInstance, MAKEINTRESOURCEA(IDD_SCHEDULER), nullptr,
                                   SchedulerDlgProc, 0);
    PumpMessages();
    return form;
}

void DestroySchedulerForm(HWND form)
{
    if (g_countingTimer != 0)
        KillTimer(form, 0);
    g_countingTimer = 0;
    DestroyWindow(form);
    PumpMessages();
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            g_quitSeen = true;
            g_quitCode = static_cast<int>(msg.wParam);
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool QuitRequested(int* code)
{
    PumpMessages();
    if (code != nullptr)
        *code = g_quitCode;
    bool seen = g_quitSeen;
    g_quitSeen = false;
    return seen;
}

std::string ControlText(HWND form, int control)
{
    char text[TEXT_CAP];
    GetDlgItemTextA(form, control, text, sizeof text);
    return text;
}

void SetControlText(HWND form, int control, const char* text)
{
    SetDlgItemTextA(form, control, text);
}

void ClickButton(HWND form, int control)
{
    SendMessageA(form, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(form, control)));
}

SYSTEMTIME PickerValue(HWND form, int picker)
{
    SYSTEMTIME value = {};
    SendDlgItemMessageA(form, picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&value));
    return value;
}

void SetPickerValue(HWND form, int picker, const SYSTEMTIME& value)
{
    SendDlgItemMessageA(form, picker, DTM_SETSYSTEMTIME, GDT_VALID,
                        reinterpret_cast<LPARAM>(&value));
}

void SetMoment(HWND form, int timePicker, int datePicker, const SYSTEMTIME& value)
{
    SetPickerValue(form, timePicker, value);
    SetPickerValue(form, datePicker, value);
}

SYSTEMTIME LocalNow()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now;
}

static long long TicksOf(const SYSTEMTIME& time)
{
    FILETIME stamp;
    SystemTimeToFileTime(&time, &stamp);
    ULARGE_INTEGER value;
    value.LowPart = stamp.dwLowDateTime;
    value.HighPart = stamp.dwHighDateTime;
    return static_cast<long long>(value.QuadPart);
}

SYSTEMTIME AddSeconds(const SYSTEMTIME& time, int seconds)
{
    ULARGE_INTEGER value;
    value.QuadPart = static_cast<ULONGLONG>(TicksOf(time) + seconds * FILETIME_UNITS_PER_SECOND);
    FILETIME stamp;
    stamp.dwLowDateTime = value.LowPart;
    stamp.dwHighDateTime = value.HighPart;
    SYSTEMTIME result;
    FileTimeToSystemTime(&stamp, &result);
    return result;
}

long long MsBetween(const SYSTEMTIME& from, const SYSTEMTIME& to)
{
    return (TicksOf(to) - TicksOf(from)) / (FILETIME_UNITS_PER_SECOND / 1000);
}

long long SecondsBetween(const SYSTEMTIME& from, const SYSTEMTIME& to)
{
    return TicksOf(to) / FILETIME_UNITS_PER_SECOND - TicksOf(from) / FILETIME_UNITS_PER_SECOND;
}

static BOOL CALLBACK CollectBoxText(HWND child, LPARAM found)
{
    char className[64];
    GetClassNameA(child, className, sizeof className);
    char text[TEXT_CAP];
    GetWindowTextA(child, text, sizeof text);
    std::string* longest = reinterpret_cast<std::string*>(found);
    if (lstrcmpiA(className, "Static") == 0 && strlen(text) > longest->size())
        *longest = text;
    return TRUE;
}

static LRESULT CALLBACK BoxHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wParam);
        char className[64];
        GetClassNameA(box, className, sizeof className);
        bool isMessageBox = strcmp(className, "#32770") == 0 &&
                            GetDlgItem(box, IDC_STATUS) == nullptr &&
                            GetPropA(box, "QuorvelCaught") == nullptr;
        if (isMessageBox) {
            SetPropA(box, "QuorvelCaught", reinterpret_cast<HANDLE>(1));
            CaughtBox caught;
            EnumChildWindows(box, CollectBoxText, reinterpret_cast<LPARAM>(&caught.text));
            char caption[TEXT_CAP];
            GetWindowTextA(box, caption, sizeof caption);
            caught.caption = caption;
            caught.owner = GetWindow(box, GW_OWNER);
            caught.ownerVisible = caught.owner != nullptr && IsWindowVisible(caught.owner);
            g_caughtBoxes.push_back(caught);
            if (g_boxCallback != nullptr)
                g_boxCallback(box, g_boxCallbackContext);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(g_boxHook, code, wParam, lParam);
}

void StartCatchingBoxes()
{
    g_caughtBoxes.clear();
    g_boxCallback = nullptr;
    if (g_boxHook == nullptr)
        g_boxHook = SetWindowsHookExA(WH_CBT, BoxHookProc, nullptr, GetCurrentThreadId());
}

void StopCatchingBoxes()
{
    if (g_boxHook != nullptr)
        UnhookWindowsHookEx(g_boxHook);
    g_boxHook = nullptr;
    g_boxCallback = nullptr;
}

const std::vector<CaughtBox>& CaughtBoxes()
{
    return g_caughtBoxes;
}

void SetBoxCallback(void (*callback)(HWND, void*), void* context)
{
    g_boxCallback = callback;
    g_boxCallbackContext = context;
}

std::string TestFilePath(const char* name)
{
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    char path[MAX_PATH];
    snprintf(path, sizeof path, "%squorvel-test-%lu-%s", folder,
             static_cast<unsigned long>(GetCurrentProcessId()), name);
    return path;
}

std::string ReadFileBytes(const std::string& path)
{
    std::string bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr)
        return bytes;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, got);
    fclose(file);
    return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr)
        return;
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
}

std::string UsePhonebook(const std::string& contents)
{
    static int count;
    char name[32];
    snprintf(name, sizeof name, "phonebook-%d.pbk", ++count);
    std::string path = TestFilePath(name);
    WriteFileBytes(path, contents);
    SetEnvironmentVariableA("QUORVEL_RAS_PHONEBOOK", path.c_str());
    return path;
}

std::string UseJournal()
{
    static int count;
    char name[32];
    snprintf(name, sizeof name, "journal-%d.txt", ++count);
    g_journalPath = TestFilePath(name);
    DeleteFileA(g_journalPath.c_str());
    SetEnvironmentVariableA("QUORVEL_RAS_JOURNAL", g_journalPath.c_str());
    return g_journalPath;
}

std::vector<std::string> JournalLines()
{
    std::vector<std::string> lines;
    std::string bytes = ReadFileBytes(g_journalPath);
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> JournalCalls(const char* function)
{
    std::vector<std::string> calls;
    std::string word = std::string(" ") + function + " ";
    for (const std::string& line : JournalLines()) {
        if (line.find(word) != std::string::npos)
            calls.push_back(line);
    }
    return calls;
}

SYSTEMTIME StartCountingWith(HWND form, int dialOffset, int hangUpOffset)
{
    for (;;) {
        SYSTEMTIME now = LocalNow();
        SetMoment(form, IDC_DIAL_TIME, IDC_DIAL_DATE, AddSeconds(now, dialOffset));
        SetMoment(form, IDC_HANGUP_TIME, IDC_HANGUP_DATE, AddSeconds(now, hangUpOffset));
        ClickButton(form, IDC_START);
        if (SecondsBetween(now, LocalNow()) == 0)
            return now;
        ClickButton(form, IDC_START);
    }
}

void Tick(HWND form)
{
    SendMessageA(form, WM_TIMER, 0, 0);
}

std::string RasText(DWORD code)
{
    char text[512] = "";
    if (RasGetErrorStringA(code, text, sizeof text) != 0)
        return "Unknown error";
    return text;
}

bool JournalTime(const std::string& line, SYSTEMTIME* time)
{
    unsigned year, month, day, hour, minute, second, millisecond;
    char after = 0;
    if (sscanf(line.c_str(), "%4u-%2u-%2u %2u:%2u:%2u.%3u%c", &year, &month, &day, &hour, &minute, &second,
               &millisecond, &after) != 8 ||
        after != ' ' || line.size() < 24 || line[4] != '-' || line[19] != '.')
        return false;
    *time = SYSTEMTIME{};
    time->wYear = static_cast<WORD>(year);
    time->wMonth = static_cast<WORD>(month);
    time->wDay = static_cast<WORD>(day);
    time->wHour = static_cast<WORD>(hour);
    time->wMinute = static_cast<WORD>(minute);
    time->wSecond = static_cast<WORD>(second);
    time->wMilliseconds = static_cast<WORD>(millisecond);
    FILETIME unused;
    return SystemTimeToFileTime(time, &unused) != FALSE;
}

static const DWORD FORM_WAIT_MS = 30000;
static const DWORD POLL_MS = 20;

// The exe sits in bin/ beside the tests/ folder of the test programs.
std::string QuorvelExePath()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path);
    folder = folder.substr(0, folder.find_last_of('\\'));
    folder = folder.substr(0, folder.find_last_of('\\'));
    return folder + "\\bin\\quorvel.exe";
}

struct FormSearch {
    DWORD processId;
    HWND found;
};

static BOOL CALLBACK FindFormOfProcess(HWND window, LPARAM search)
{
    FormSearch* s = reinterpret_cast<FormSearch*>(search);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64];
    GetClassNameA(window, className, sizeof className);
    if (owner == s->processId && lstrcmpA(className, "#32770") == 0 &&
        GetDlgItem(window, IDC_STATUS) != nullptr) {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

Launched LaunchQuorvel()
{
    Launched launched = {};
    std::string exe = QuorvelExePath();
    STARTUPINFOA startup = {sizeof startup};
    char commandLine[MAX_PATH + 2];
    snprintf(commandLine, sizeof commandLine, "\"%s\"", exe.c_str());
    DWORD started = GetTickCount();
    if (!CreateProcessA(exe.c_str(), commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &launched.process)) {
        fprintf(stderr, "could not start %s: error %lu\n", exe.c_str(), GetLastError());
        return launched;
    }
    while (GetTickCount() - started < FORM_WAIT_MS) {
        FormSearch search = {launched.process.dwProcessId, nullptr};
        EnumWindows(FindFormOfProcess, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr && IsWindowVisible(search.found)) {
            launched.form = search.found;
            launched.msToForm = GetTickCount() - started;
            break;
        }
        Sleep(POLL_MS);
    }
    if (launched.form == nullptr) {
        TerminateProcess(launched.process.hProcess, 1);
        fprintf(stderr, "%s showed no form within %lu ms\n", exe.c_str(), FORM_WAIT_MS);
    }
    return launched;
}

DWORD WaitForExitCode(Launched* launched, DWORD timeoutMs)
{
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(launched->process.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(launched->process.hProcess, &code);
    else
        TerminateProcess(launched->process.hProcess, 99);
    CloseHandle(launched->process.hProcess);
    CloseHandle(launched->process.hThread);
    return code;
}

bool SetRemotePicker(const Launched& quorvel, int picker, const SYSTEMTIME& value)
{
    HANDLE process = quorvel.process.hProcess;
    void* remote = VirtualAllocEx(process, nullptr, sizeof value, MEM_COMMIT, PAGE_READWRITE);
    if (remote == nullptr)
        return false;
    bool done = WriteProcessMemory(process, remote, &value, sizeof value, nullptr) &&
                SendDlgItemMessageA(quorvel.form, picker, DTM_SETSYSTEMTIME, GDT_VALID,
                                    reinterpret_cast<LPARAM>(remote)) != 0;
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return done;
}
