#include "scheduler/scheduler.h"

#include "dialup/dialup.h"
#include "res/resource.h"
#include "shell/shell.h"

static const char TIME_FORMAT[] = "HH:mm:ss";
static const char DATE_FORMAT[] = "dd/MM/yyy";

// Each field and its label: by its identifier where it has one, else by its
// text, as the template gives them.
struct FieldLabel {
    int field;
    int label;
    const char* text;
};

static const FieldLabel FIELD_LABELS[] = {
    {IDC_ENTRY, IDC_STATIC, "RAS Entry:"},       {IDC_USER, IDC_STATIC, "User ID:"},
    {IDC_PASSWORD, IDC_PASSWORD_LABEL, nullptr}, {IDC_DOMAIN, IDC_STATIC, "Domain:"},
    {IDC_DIAL_TIME, IDC_DIAL_TIME_LABEL, nullptr}, {IDC_DIAL_DATE, IDC_DIAL_DATE_LABEL, nullptr},
    {IDC_HANGUP_TIME, IDC_HANGUP_TIME_LABEL, nullptr}, {IDC_HANGUP_DATE, IDC_HANGUP_DATE_LABEL, nullptr},
};

typedef void(WINAPI* DisableProcessWindowsGhostingCall)();

static void SetFormIcons(HWND form)
{
    HICON bigIcon = LoadIconA(g_hInstance, MAKEINTRESOURCEA(IDI_APP));
    SendMessageA(form, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
    HICON smallIcon = LoadIconA(g_hInstance, MAKEINTRESOURCEA(IDI_APP));
    SendMessageA(form, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
}

static void SetPickerFormat(HWND form, int picker, const char* format)
{
    SendMessageA(GetDlgItem(form, picker), DTM_SETFORMATA, 0, reinterpret_cast<LPARAM>(format));
}

// The fields take no more than a dial can carry, so nothing typed is cut.
static void LimitCredentialFields(HWND form)
{
    SendDlgItemMessageA(form, IDC_USER, EM_LIMITTEXT, RAS_MAX_USER_NAME, 0);
    SendDlgItemMessageA(form, IDC_PASSWORD, EM_LIMITTEXT, RAS_MAX_PASSWORD, 0);
    SendDlgItemMessageA(form, IDC_DOMAIN, EM_LIMITTEXT, RAS_MAX_DOMAIN, 0);
}

// A screen reader names a field by the label just before it in z-order.
// The template places every label after every control; moved, a label keeps
// its place on screen, and as it takes no focus the tab order stays the
// template's.
static void PlaceLabelsBeforeFields(HWND form)
{
    for (const FieldLabel& pair : FIELD_LABELS) {
        HWND field = GetDlgItem(form, pair.field);
        HWND label = pair.text != nullptr ? FindWindowExA(form, nullptr, "Static", pair.text)
                                          : GetDlgItem(form, pair.label);
        HWND before = GetWindow(field, GW_HWNDPREV);
        if (field == nullptr || label == nullptr || label == before)
            continue;
        SetWindowPos(label, before != nullptr ? before : HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    }
}

// A dial may hold the thread for longer than five seconds; Windows would
// then put a "(Not Responding)" ghost in the form's place, whose close box
// offers to end the program in the middle of the dial.
static void KeepFormFromGhosting()
{
    auto disable = reinterpret_cast<DisableProcessWindowsGhostingCall>(
        FindLaterCall("user32.dll", "DisableProcessWindowsGhosting"));
    if (disable != nullptr)
        disable();
}

static INT_PTR InitSchedulerDialog(HWND form)
{
    SetFormIcons(form);
    CheckDlgButton(form, IDC_DIAL_ENABLE, BST_CHECKED);
    CheckDlgButton(form, IDC_HANGUP_ENABLE, BST_CHECKED);
    SetPickerFormat(form, IDC_DIAL_TIME, TIME_FORMAT);
    SetPickerFormat(form, IDC_DIAL_DATE, DATE_FORMAT);
    SetPickerFormat(form, IDC_HANGUP_TIME, TIME_FORMAT);
    SetPickerFormat(form, IDC_HANGUP_DATE, DATE_FORMAT);
    LimitCredentialFields(form);
    PlaceLabelsBeforeFields(form);
    KeepFormFromGhosting();
    LetShellRestartIn(form);
    FillEntryList(form);
    LoadSelectedEntryCredentials(form);
    return TRUE;
}

static void OnEntryCommand(HWND form, WORD notification)
{
    if (notification == CBN_SELCHANGE)
        LoadSelectedEntryCredentials(form);
}

static void OnSchedulerCommand(HWND form, WORD control, WORD notification)
{
    switch (control) {
    case IDC_HIDE:
        HideToTray(form);
        break;
    case IDC_CLOSE:
        PostQuitMessage(QUIT_CODE);
        break;
    case IDC_START:
        ToggleCounting(form);
        break;
    case IDC_ENTRY:
        OnEntryCommand(form, notification);
        break;
    default:
        // OK and Cancel (Enter and Escape without a default button) as well.
        break;
    }
}

INT_PTR CALLBACK SchedulerDlgProc(HWND form, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return InitSchedulerDialog(form);
    case WM_COMMAND:
        OnSchedulerCommand(form, LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_CLOSE:
        PostQuitMessage(QUIT_CODE);
        return 0;
    case WM_TIMER:
        OnScheduleTick(form);
        return 0;
    case WM_TRAYNOTIFY:
        RestoreFromTray(form, lParam);
        return 0;
    default:
        // The shell's restart message has no fixed number, so it can't be a case.
        if (message == TaskbarCreatedMessage() && message != 0)
            RestoreTrayIcon(form);
        return 0;
    }
}

#ifdef QUORVEL_TESTING
void ResetSchedulerState()
{
    ResetCountingState();
    ResetWakeState();
    ResetTrayState();
}
#endif
