#include "harness.h"

#include <stdio.h>

#include <sstream>

#include "res/resource.h"

static const DWORD FORM_WAIT_MS = 30000;
static const int TEXT_CAP = 1024;
static const long long UNITS_PER_MS = UNITS_PER_SECOND / 1000;

static std::string g_journalPath;

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

// The form is the dialog that carries the status line.
static BOOL CALLBACK FindFormOfProcess(HWND window, LPARAM search)
{
    FormSearch* s = reinterpret_cast<FormSearch*>(search);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64];
    GetClassNameA(window, className, sizeof className);
    if ((s->processId == 0 || owner == s->processId) && lstrcmpA(className, "#32770") == 0 &&
        GetDlgItem(window, IDC_STATUS) != nullptr) {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindQuorvelForm(DWORD processId)
{
    FormSearch search = {processId, nullptr};
    EnumWindows(FindFormOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

Launched LaunchQuorvel(const std::string& exe, const char* folder)
{
    Launched launched = {};
    STARTUPINFOA startup = {sizeof startup};
    std::string commandLine = "\"" + exe + "\"";
    DWORD started = GetTickCount();
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder,
                        &startup, &launched.process)) {
        fprintf(stderr, "could not start %s: error %lu\n", exe.c_str(), GetLastError());
        return launched;
    }
    DWORD code = STILL_ACTIVE;
    while (GetTickCount() - started < FORM_WAIT_MS &&
           GetExitCodeProcess(launched.process.hProcess, &code) && code == STILL_ACTIVE) {
        HWND form = FindQuorvelForm(launched.process.dwProcessId);
        if (form != nullptr && IsWindowVisible(form)) {
            launched.form = form;
            launched.msToForm = GetTickCount() - started;
            return launched;
        }
        Sleep(WAIT_POLL_MS);
    }
    if (code != STILL_ACTIVE) {
        fprintf(stderr, "%s ended with code %#lx before its form came\n", exe.c_str(), code);
        return launched;
    }
    TerminateProcess(launched.process.hProcess, 1);
    fprintf(stderr, "%s showed no form within %lu ms\n", exe.c_str(), FORM_WAIT_MS);
    return launched;
}

DWORD WaitForExitCode(Launched* launched, DWORD timeoutMs)
{
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(launched->process.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(launched->process.hProcess, &code);
    else
        TerminateProcess(launched->process.hProcess, 1);
    CloseHandle(launched->process.hProcess);
    CloseHandle(launched->process.hThread);
    return code;
}

DWORD CloseQuorvel(Launched* launched, DWORD timeoutMs)
{
    PostMessageA(launched->form, WM_CLOSE, 0, 0);
    return WaitForExitCode(launched, timeoutMs);
}

std::string ControlText(HWND form, int control)
{
    char text[TEXT_CAP] = "";
    GetDlgItemTextA(form, control, text, sizeof text);
    return text;
}

void PressButton(HWND form, int control)
{
    SendMessageA(form, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(form, control)));
}

// By the whole name: the list's own search by string takes any name that
// begins with it.
void SelectEntry(HWND form, const char* name)
{
    LRESULT index = SendDlgItemMessageA(form, IDC_ENTRY, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                        reinterpret_cast<LPARAM>(name));
    SendDlgItemMessageA(form, IDC_ENTRY, CB_SETCURSEL, index, 0);
    SendMessageA(form, WM_COMMAND, MAKEWPARAM(IDC_ENTRY, CBN_SELCHANGE), 0);
}

// The picker's message carries a pointer, which the platform does not carry
// over to another process: there the value goes through that process's memory.
bool SetPicker(HWND form, int picker, const SYSTEMTIME& value)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(form, &processId);
    if (processId == GetCurrentProcessId())
        return SendDlgItemMessageA(form, picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&value)) != 0;
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processId);
    void* remote = process != nullptr ? VirtualAllocEx(process, nullptr, sizeof value, MEM_COMMIT, PAGE_READWRITE)
                                      : nullptr;
    bool done = remote != nullptr && WriteProcessMemory(process, remote, &value, sizeof value, nullptr) &&
                SendDlgItemMessageA(form, picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(remote)) != 0;
    if (remote != nullptr)
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    if (process != nullptr)
        CloseHandle(process);
    return done;
}

SYSTEMTIME LocalNow()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now;
}

SYSTEMTIME UtcNow()
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    return now;
}

SYSTEMTIME LocalOf(const SYSTEMTIME& utc)
{
    SYSTEMTIME local = {};
    SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
    return local;
}

long long UnitsOf(const FILETIME& time)
{
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return static_cast<long long>(value.QuadPart);
}

long long UnitsOf(const SYSTEMTIME& time)
{
    FILETIME stamp = {};
    return SystemTimeToFileTime(&time, &stamp) ? UnitsOf(stamp) : 0;
}

SYSTEMTIME TimeOfUnits(long long units)
{
    ULARGE_INTEGER value;
    value.QuadPart = static_cast<ULONGLONG>(units);
    FILETIME stamp = {value.LowPart, value.HighPart};
    SYSTEMTIME result = {};
    FileTimeToSystemTime(&stamp, &result);
    return result;
}

SYSTEMTIME AddSeconds(const SYSTEMTIME& time, long long seconds)
{
    return TimeOfUnits(UnitsOf(time) + seconds * UNITS_PER_SECOND);
}

long long MsBetween(const SYSTEMTIME& from, const SYSTEMTIME& to)
{
    return (UnitsOf(to) - UnitsOf(from)) / UNITS_PER_MS;
}

long long SecondsBetween(const SYSTEMTIME& from, const SYSTEMTIME& to)
{
    return UnitsOf(to) / UNITS_PER_SECOND - UnitsOf(from) / UNITS_PER_SECOND;
}

std::string TempFilePath(const char* name)
{
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    return std::string(folder) + "quorvel-" + std::to_string(GetCurrentProcessId()) + "-" + name;
}

static void WriteWholeFile(const std::string& path, const std::string& bytes)
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
    std::string path = TempFilePath(("phonebook-" + std::to_string(++count) + ".pbk").c_str());
    WriteWholeFile(path, contents);
    UsePhonebookAt(path);
    return path;
}

void UsePhonebookAt(const std::string& path)
{
    SetEnvironmentVariableA(PHONEBOOK_VARIABLE, path.c_str());
}

void UseJournal()
{
    static int count;
    g_journalPath = TempFilePath(("journal-" + std::to_string(++count) + ".txt").c_str());
    DeleteFileA(g_journalPath.c_str());
    SetEnvironmentVariableA(JOURNAL_VARIABLE, g_journalPath.c_str());
}

// The time, the function and the rest of the line, split at the spaces after them.
static JournalCall ParseJournalLine(const std::string& line)
{
    JournalCall call = {{}, "", "", line};
    unsigned f[7];
    if (sscanf(line.c_str(), JOURNAL_TIME_SCAN, &f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6]) == 7)
        call.time = SYSTEMTIME{static_cast<WORD>(f[0]), static_cast<WORD>(f[1]), 0, static_cast<WORD>(f[2]),
                               static_cast<WORD>(f[3]), static_cast<WORD>(f[4]), static_cast<WORD>(f[5]),
                               static_cast<WORD>(f[6])};
    std::istringstream fields(line);
    std::string date, time;
    fields >> date >> time >> call.function;
    std::getline(fields >> std::ws, call.rest);
    return call;
}

std::vector<JournalCall> ReadJournal()
{
    std::vector<JournalCall> calls;
    FILE* file = fopen(g_journalPath.c_str(), "rb");
    if (file == nullptr)
        return calls;
    char line[TEXT_CAP * 4];
    while (fgets(line, sizeof line, file) != nullptr) {
        std::string text(line);
        const size_t end = sizeof JOURNAL_LINE_END - 1;
        if (text.size() >= end && text.compare(text.size() - end, end, JOURNAL_LINE_END) == 0)
            text.resize(text.size() - end);
        calls.push_back(ParseJournalLine(text));
    }
    fclose(file);
    return calls;
}

std::vector<JournalCall> JournalCalls(const char* function)
{
    std::vector<JournalCall> calls;
    for (const JournalCall& call : ReadJournal()) {
        if (call.function == function)
            calls.push_back(call);
    }
    return calls;
}

void ClickAt(POINT at, int clicks)
{
    SetCursorPos(at.x, at.y);
    for (int i = 0; i < clicks * 2; i++) {
        INPUT click = {INPUT_MOUSE};
        click.mi.dwFlags = i % 2 == 0 ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
        SendInput(1, &click, sizeof click);
    }
}

void ClickControl(HWND form, int control)
{
    RECT rect;
    GetWindowRect(GetDlgItem(form, control), &rect);
    ClickAt({(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}, 1);
}

void PressKey(WORD key)
{
    INPUT press[2] = {{INPUT_KEYBOARD}, {INPUT_KEYBOARD}};
    press[0].ki.wVk = press[1].ki.wVk = key;
    press[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, press, sizeof press[0]);
}

bool WaitForText(HWND form, int control, const char* text, DWORD timeoutMs)
{
    return WaitFor([&] { return ControlText(form, control) == text; }, timeoutMs);
}

// A part of the screen, or an icon drawn on a background, pixel by pixel.
static std::vector<COLORREF> Pixels(const RECT& part, HICON icon, COLORREF background)
{
    int width = part.right - part.left, height = part.bottom - part.top;
    HDC screen = GetDC(nullptr), dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(dc, bitmap);
    if (icon == nullptr) {
        BitBlt(dc, 0, 0, width, height, screen, part.left, part.top, SRCCOPY);
    } else {
        HBRUSH brush = CreateSolidBrush(background);
        RECT all = {0, 0, width, height};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        DrawIconEx(dc, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
    }
    std::vector<COLORREF> pixels;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            pixels.push_back(GetPixel(dc, x, y));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// Pixels that show through the icon are not compared.
bool FindIconIn(HWND window, HICON icon, POINT* centre)
{
    if (icon == nullptr || window == nullptr)
        return false;
    RECT area, small = {0, 0, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)};
    GetWindowRect(window, &area);
    std::vector<COLORREF> onBlack = Pixels(small, icon, RGB(0, 0, 0)), onWhite = Pixels(small, icon, RGB(255, 255, 255));
    std::vector<COLORREF> shown = Pixels(area, nullptr, 0);
    int width = area.right - area.left, found = 0;
    for (int top = 0; top + small.bottom <= area.bottom - area.top; top++)
        for (int left = 0; left + small.right <= width; left++) {
            bool same = true;
            for (size_t i = 0; same && i < onBlack.size(); i++)
                same = onBlack[i] != onWhite[i] ||
                       shown[(top + i / small.right) * width + left + i % small.right] == onBlack[i];
            if (same && found++ == 0)
                *centre = {area.left + left + small.right / 2, area.top + top + small.bottom / 2};
        }
    return found == 1;
}

// Neither Wine answers Shell_NotifyIconGetRect, so the icon's picture is what finds it.
bool FindShellIcon(HICON icon, POINT* centre)
{
    return FindIconIn(FindWindowA("Shell_TrayWnd", nullptr), icon, centre);
}
