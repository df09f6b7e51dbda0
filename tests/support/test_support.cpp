#include "test_support.h"

#include "dialup/dialup.h"
#include "res/resource.h"
#include "scheduler/scheduler.h"
#include "shell/shell.h"

static const int TEXT_CAP = 1024;
// The static control that holds a message box's text.
static const int BOX_TEXT_ID = 0xFFFF;

static HHOOK g_boxHook;
std::vector<CaughtBox> g_caughtBoxes;
static void (*g_boxCallback)();
static std::vector<LaterCall> g_laterCalls;
static FARPROC(WINAPI* g_lookUp)(HMODULE, LPCSTR);

HWND CreateSchedulerForm()
{
    ResetShellState();
    ResetSchedulerState();
    ResetDialupState();
    g_hInstance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_DATE_CLASSES};
    InitCommonControlsEx(&icc);
    HWND form = CreateDialogParamA(g_hInstance, MAKEINTRESOURCEA(IDD_SCHEDULER), nullptr, SchedulerDlgProc, 0);
    ShowWindow(form, SW_SHOWNOACTIVATE);
    QuitCode();
    return form;
}

void DestroySchedulerForm(HWND form)
{
    KillTimer(form, 0);
    DestroyWindow(form);
    QuitCode();
    UnhookWindowsHookEx(g_boxHook);
    g_boxHook = nullptr;
}

int QuitCode()
{
    int code = NO_QUIT;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            code = static_cast<int>(msg.wParam);
        DispatchMessageA(&msg);
    }
    return code;
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

// What the program asks of each box, as Wine does not show it all: it keeps no box topmost.
static int(WINAPI* g_messageBox)(HWND, LPCSTR, LPCSTR, UINT);
static UINT g_boxStyle;
static int WINAPI RecordMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT style)
{
    g_boxStyle = style;
    return g_messageBox(owner, text, caption, style);
}

// Its caption, how many buttons and error icons it has, and whether it was asked to come in front.
static std::string BoxLook(HWND box)
{
    char text[TEXT_CAP];
    int buttons = 0, errorIcons = 0;
    LRESULT errorIcon = reinterpret_cast<LRESULT>(LoadIconA(nullptr, IDI_ERROR));
    for (HWND child = nullptr; (child = FindWindowExA(box, child, nullptr, nullptr)) != nullptr;) {
        GetClassNameA(child, text, sizeof text);
        buttons += lstrcmpiA(text, "Button") == 0;
        errorIcons += SendMessageA(child, STM_GETICON, 0, 0) == errorIcon;
    }
    GetWindowTextA(box, text, sizeof text);
    return "caption " + std::string(text) + ", buttons " + std::to_string(buttons) + ", error icons " +
           std::to_string(errorIcons) + (g_boxStyle & MB_TOPMOST ? ", topmost" : "") +
           (g_boxStyle & MB_SETFOREGROUND ? ", in front" : "");
}

// A box, unlike the form, has an OK button; it is read once made up, as Windows may activate one while it does.
static LRESULT CALLBACK BoxHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    HWND box = call->hwnd;
    if (code == HC_ACTION && call->message == WM_INITDIALOG && GetDlgItem(box, IDOK) != nullptr) {
        HWND owner = GetWindow(box, GW_OWNER);
        g_caughtBoxes.push_back({ControlText(box, BOX_TEXT_ID), ControlText(owner, IDC_STATUS), BoxLook(box), owner});
        if (g_boxCallback != nullptr)
            g_boxCallback();
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(g_boxHook, code, wParam, lParam);
}

void StartCatchingBoxes(void (*callback)())
{
    g_caughtBoxes.clear();
    g_boxCallback = callback;
    if (g_messageBox == nullptr)
        g_messageBox = reinterpret_cast<decltype(g_messageBox)>(
            SwapImport("user32.dll", "MessageBoxA", reinterpret_cast<void*>(RecordMessageBox)));
    if (g_boxHook == nullptr)
        g_boxHook = SetWindowsHookExA(WH_CALLWNDPROCRET, BoxHookProc, nullptr, GetCurrentThreadId());
}

std::string SystemText(DWORD code)
{
    char text[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, sizeof text,
                   nullptr);
    return text;
}

void* SwapImport(const char* dll, const char* function, void* replacement)
{
    BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports); d->Name != 0; d++) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + d->Name), dll) != 0)
            continue;
        auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* entry = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; name->u1.AddressOfData != 0; name++, entry++) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal) ||
                lstrcmpA(reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData)->Name, function) != 0)
                continue;
            void* old = reinterpret_cast<void*>(entry->u1.Function);
            DWORD protection;
            if (!VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &protection))
                return nullptr;
            entry->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(entry, sizeof *entry, protection, &protection);
            return old;
        }
    }
    return nullptr;
}

static FARPROC WINAPI LookUpLaterCall(HMODULE module, LPCSTR name)
{
    for (const LaterCall& call : g_laterCalls) {
        if (HIWORD(name) != 0 && lstrcmpA(name, call.name) == 0 && module == GetModuleHandleA(call.dll))
            return reinterpret_cast<FARPROC>(call.recorder);
    }
    return g_lookUp(module, name);
}

void RecordLaterCalls(const std::vector<LaterCall>& calls)
{
    g_laterCalls = calls;
    if (g_lookUp == nullptr)
        g_lookUp = reinterpret_cast<decltype(g_lookUp)>(
            SwapImport("kernel32.dll", "GetProcAddress", reinterpret_cast<void*>(LookUpLaterCall)));
}
