#include "test_support.h"

#include "dialup/dialup.h"
#include "res/resource.h"
#include "scheduler/scheduler.h"
#include "shell/shell.h"

static const int TEXT_CAP = 1024;

static HHOOK g_boxHook;
static std::vector<CaughtBox> g_caughtBoxes;
static void (*g_boxCallback)(void*);
static void* g_boxCallbackContext;

HWND CreateSchedulerForm()
{
    g_hInstance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_DATE_CLASSES};
    InitCommonControlsEx(&icc);
    g_countingTimer = 0;
    g_hRasConn = nullptr;
    HWND form = CreateDialogParamA(g_hInstance, MAKEINTRESOURCEA(IDD_SCHEDULER), nullptr, SchedulerDlgProc, 0);
    QuitRequested(nullptr);
    return form;
}

void DestroySchedulerForm(HWND form)
{
    KillTimer(form, 0);
    DestroyWindow(form);
    QuitRequested(nullptr);
    StopCatchingBoxes();
}

bool QuitRequested(int* code)
{
    bool seen = false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        seen = seen || msg.message == WM_QUIT;
        if (msg.message == WM_QUIT && code != nullptr)
            *code = static_cast<int>(msg.wParam);
        DispatchMessageA(&msg);
    }
    return seen;
}

void SetPicker(HWND form, int picker, const SYSTEMTIME& value)
{
    SendDlgItemMessageA(form, picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&value));
}

void SetMoment(HWND form, int timePicker, int datePicker, const SYSTEMTIME& value)
{
    SYSTEMTIME date = AddSeconds(value, 5 * 3600 + 17 * 60 + 23);
    date.wYear = value.wYear;
    date.wMonth = value.wMonth;
    date.wDay = value.wDay;
    SetPicker(form, timePicker, AddSeconds(value, 37 * 86400));
    SetPicker(form, datePicker, date);
}

void SelectEntry(HWND form, const char* name)
{
    SendDlgItemMessageA(form, IDC_ENTRY, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name));
    SendMessageA(form, WM_COMMAND, MAKEWPARAM(IDC_ENTRY, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(form, IDC_ENTRY)));
}

// A box's text is its longest static text.
static BOOL CALLBACK CollectBoxText(HWND child, LPARAM found)
{
    char text[TEXT_CAP];
    GetWindowTextA(child, text, sizeof text);
    std::string* longest = reinterpret_cast<std::string*>(found);
    if (GetDlgCtrlID(child) != IDOK && lstrlenA(text) > static_cast<int>(longest->size()))
        *longest = text;
    return TRUE;
}

static LRESULT CALLBACK BoxHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    HWND box = reinterpret_cast<HWND>(wParam);
    // Only message boxes: the form is a dialog too, but it has a status line.
    if (code == HCBT_ACTIVATE && GetDlgItem(box, IDOK) != nullptr && GetDlgItem(box, IDC_STATUS) == nullptr &&
        GetPropA(box, "Caught") == nullptr) {
        SetPropA(box, "Caught", box);
        CaughtBox caught = {"", "", "", GetWindow(box, GW_OWNER), false};
        EnumChildWindows(box, CollectBoxText, reinterpret_cast<LPARAM>(&caught.text));
        char caption[TEXT_CAP];
        GetWindowTextA(box, caption, sizeof caption);
        caught.caption = caption;
        caught.ownerStatus = ControlText(caught.owner, IDC_STATUS);
        caught.ownerVisible = caught.owner != nullptr && IsWindowVisible(caught.owner);
        g_caughtBoxes.push_back(caught);
        if (g_boxCallback != nullptr)
            g_boxCallback(g_boxCallbackContext);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(g_boxHook, code, wParam, lParam);
}

void StartCatchingBoxes(void (*callback)(void*), void* context)
{
    g_caughtBoxes.clear();
    g_boxCallback = callback;
    g_boxCallbackContext = context;
    if (g_boxHook == nullptr)
        g_boxHook = SetWindowsHookExA(WH_CBT, BoxHookProc, nullptr, GetCurrentThreadId());
}

void StopCatchingBoxes()
{
    UnhookWindowsHookEx(g_boxHook);
    g_boxHook = nullptr;
}

const std::vector<CaughtBox>& CaughtBoxes()
{
    return g_caughtBoxes;
}

std::string RasText(DWORD code)
{
    char text[512] = "";
    return RasGetErrorStringA(code, text, sizeof text) == 0 ? text : "Unknown error";
}

std::string SystemText(DWORD code)
{
    char text[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, sizeof text,
                   nullptr);
    return text;
}

static UINT_PTR WINAPI RefusedSetTimer(HWND, UINT_PTR, UINT, TIMERPROC)
{
    SetLastError(ERROR_NOT_ENOUGH_QUOTA);
    return 0;
}

// Swaps the entry of SetTimer in this program's import table, through
// which the program's own code calls it.
void RefuseTimers(bool refuse)
{
    ULONG_PTR real = reinterpret_cast<ULONG_PTR>(GetProcAddress(GetModuleHandleA("user32.dll"), "SetTimer"));
    ULONG_PTR refused = reinterpret_cast<ULONG_PTR>(RefusedSetTimer);
    BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports); dll->Name != 0; dll++) {
        for (auto* entry = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk); entry->u1.Function; entry++) {
            DWORD protection;
            if (entry->u1.Function != (refuse ? real : refused))
                continue;
            VirtualProtect(&entry->u1.Function, sizeof(ULONG_PTR), PAGE_READWRITE, &protection);
            entry->u1.Function = refuse ? refused : real;
            VirtualProtect(&entry->u1.Function, sizeof(ULONG_PTR), protection, &protection);
        }
    }
}
