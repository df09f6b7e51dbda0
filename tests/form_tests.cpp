// The form as it comes up, the commands that must do nothing, and the two
// ways of ending the program.
#include <gtest/gtest.h>

#include "res/resource.h"
#include "scheduler/scheduler.h"
#include "shell/shell.h"
#include "test_support.h"

static const char ONE_ENTRY[] = "[Home ISP]\nUser=alice\nPassword=secret\nDomain=HOME\n";

TEST(Form, ComesUpWithIconsTickedBoxesIdleStatusAndStartCaption)
{
    UsePhonebook(ONE_ENTRY);
    StartCatchingBoxes();
    SYSTEMTIME before = LocalNow();
    HWND form = CreateSchedulerForm();
    SYSTEMTIME after = LocalNow();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(CaughtBoxes().empty());

    EXPECT_NE(SendMessageA(form, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageA(form, WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_EQ(IsDlgButtonChecked(form, IDC_DIAL_ENABLE), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(form, IDC_HANGUP_ENABLE), BST_CHECKED);
    EXPECT_EQ(ControlText(form, IDC_STATUS), "Idle");
    EXPECT_EQ(ControlText(form, IDC_START), "Start");
    EXPECT_EQ(ControlText(form, IDC_CLOSE), "Cancel");
    EXPECT_EQ(ControlText(form, IDC_HIDE), "Hide");

    char caption[64];
    GetWindowTextA(form, caption, sizeof caption);
    EXPECT_STREQ(caption, "Quorvel");

    const int pickers[] = {IDC_DIAL_TIME, IDC_DIAL_DATE, IDC_HANGUP_TIME, IDC_HANGUP_DATE};
    for (int picker : pickers) {
        SYSTEMTIME value = PickerValue(form, picker);
        EXPECT_GE(SecondsBetween(before, value), -2) << "picker " << picker;
        EXPECT_LE(SecondsBetween(value, after), 2) << "picker " << picker;
    }
    DestroySchedulerForm(form);
    StopCatchingBoxes();
}

TEST(Form, PickersShowTheirFormats)
{
    UsePhonebook(ONE_ENTRY);
    HWND form = CreateSchedulerForm();
    SYSTEMTIME moment = {2027, 3, 0, 4, 21, 7, 9, 0};
    SetMoment(form, IDC_DIAL_TIME, IDC_DIAL_DATE, moment);
    EXPECT_EQ(ControlText(form, IDC_DIAL_TIME), "21:07:09");
    EXPECT_EQ(ControlText(form, IDC_DIAL_DATE), "04/03/2027");
    SetMoment(form, IDC_HANGUP_TIME, IDC_HANGUP_DATE, moment);
    EXPECT_EQ(ControlText(form, IDC_HANGUP_TIME), "21:07:09");
    EXPECT_EQ(ControlText(form, IDC_HANGUP_DATE), "04/03/2027");
    DestroySchedulerForm(form);
}

TEST(Form, ControlsFollowTheTemplateInTabOrder)
{
    UsePhonebook(ONE_ENTRY);
    HWND form = CreateSchedulerForm();
    const int tabOrder[] = {IDC_ENTRY,       IDC_USER,          IDC_PASSWORD,    IDC_DOMAIN,
                            IDC_DIAL_ENABLE, IDC_DIAL_TIME,     IDC_DIAL_DATE,   IDC_HANGUP_ENABLE,
                            IDC_HANGUP_TIME, IDC_HANGUP_DATE,   IDC_START,       IDC_HIDE,
                            IDC_CLOSE};
    HWND child = GetWindow(form, GW_CHILD);
    for (int control : tabOrder) {
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(GetDlgCtrlID(child), control);
        EXPECT_TRUE(GetWindowLongA(child, GWL_STYLE) & WS_TABSTOP) << control;
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_TRUE(GetWindowLongA(GetDlgItem(form, IDC_PASSWORD), GWL_STYLE) & ES_PASSWORD);
    EXPECT_TRUE(GetWindowLongA(GetDlgItem(form, IDC_START), GWL_STYLE) & BS_DEFPUSHBUTTON);
    EXPECT_EQ(LOWORD(SendMessageA(form, DM_GETDEFID, 0, 0)), IDC_START);

    char className[64];
    GetClassNameA(GetDlgItem(form, IDC_DIAL_TIME), className, sizeof className);
    EXPECT_STREQ(className, "SysDateTimePick32");

    // 271 x 149 dialog units, measured through the form's own font.
    RECT client;
    GetClientRect(form, &client);
    RECT units = {0, 0, 271, 149};
    MapDialogRect(form, &units);
    EXPECT_EQ(client.right, units.right);
    EXPECT_EQ(client.bottom, units.bottom);
    DestroySchedulerForm(form);
}

TEST(Form, OkCancelAndOtherCommandsDoNothing)
{
    UsePhonebook(ONE_ENTRY);
    HWND form = CreateSchedulerForm();
    SendMessageA(form, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    SendMessageA(form, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    SendMessageA(form, WM_COMMAND, MAKEWPARAM(IDC_STATUS, 0), 0);
    EXPECT_FALSE(QuitRequested(nullptr));
    EXPECT_TRUE(IsWindow(form));
    EXPECT_EQ(ControlText(form, IDC_STATUS), "Idle");
    EXPECT_EQ(ControlText(form, IDC_START), "Start");
    DestroySchedulerForm(form);
}

TEST(Form, EscapeDoesNotCloseAndEnterActsOnStart)
{
    UsePhonebook(ONE_ENTRY);
    HWND form = CreateSchedulerForm();
    ShowWindow(form, SW_SHOW);
    SetFocus(GetDlgItem(form, IDC_USER));
    MSG key = {form, WM_KEYDOWN, VK_ESCAPE, 0};
    key.hwnd = GetDlgItem(form, IDC_USER);
    IsDialogMessageA(form, &key);
    PumpMessages();
    EXPECT_FALSE(QuitRequested(nullptr));
    EXPECT_TRUE(IsWindow(form));

    key.wParam = VK_RETURN;
    IsDialogMessageA(form, &key);
    PumpMessages();
    EXPECT_EQ(ControlText(form, IDC_START), "Stop");
    EXPECT_EQ(ControlText(form, IDC_STATUS), "Started counting");
    DestroySchedulerForm(form);
}

TEST(Form, CancelPostsTheQuitRequestWithCodeZero)
{
    UsePhonebook(ONE_ENTRY);
    HWND form = CreateSchedulerForm();
    ClickButton(form, IDC_CLOSE);
    int code = -1;
    EXPECT_TRUE(QuitRequested(&code));
    EXPECT_EQ(code, 0);
    DestroySchedulerForm(form);
}

TEST(Form, CloseMessagePostsTheQuitRequestWithCodeZero)
{
    UsePhonebook(ONE_ENTRY);
    HWND form = CreateSchedulerForm();
    SendMessageA(form, WM_CLOSE, 0, 0);
    int code = -1;
    EXPECT_TRUE(QuitRequested(&code));
    EXPECT_EQ(code, 0);
    DestroySchedulerForm(form);
}

TEST(Startup, FormThatCannotBeCreatedIsReportedWithTheSystemText)
{
    StartCatchingBoxes();
    // A module that carries no form template.
    HINSTANCE withoutTemplate = GetModuleHandleA("kernel32.dll");
    EXPECT_EQ(RunSchedulerDialog(nullptr, withoutTemplate), 0);
    ASSERT_EQ(CaughtBoxes().size(), 1u);
    EXPECT_FALSE(CaughtBoxes()[0].text.empty());
    EXPECT_EQ(CaughtBoxes()[0].owner, nullptr);
    StopCatchingBoxes();
}

TEST(Startup, SystemErrorWithoutTextGetsATextOfItsOwn)
{
    StartCatchingBoxes();
    const DWORD codeWithoutText = 0x2000FFFF;
    SetLastError(codeWithoutText);
    ShowLastSystemError(nullptr);
    ASSERT_EQ(CaughtBoxes().size(), 1u);
    EXPECT_NE(CaughtBoxes()[0].text.find("536936447"), std::string::npos) << CaughtBoxes()[0].text;

    // A failure that left no code is not shown as "completed successfully".
    SetLastError(ERROR_SUCCESS);
    ShowLastSystemError(nullptr);
    ASSERT_EQ(CaughtBoxes().size(), 2u);
    EXPECT_EQ(CaughtBoxes()[1].text, "The operation failed, and Windows gave no reason for it.");
    StopCatchingBoxes();
}

TEST(Startup, MainWindowIsRegisteredCreatedAndNeverShown)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    ASSERT_NE(RegisterMainClass(instance), 0);
    ASSERT_EQ(CreateMainWindow(instance), 1);
    EXPECT_EQ(FindWindowA("QUORVEL", "Quorvel"), g_hMainWnd);
    EXPECT_FALSE(IsWindowVisible(g_hMainWnd));
    WNDCLASSEXA wc = {sizeof wc};
    ASSERT_TRUE(GetClassInfoExA(instance, "QUORVEL", &wc));
    EXPECT_NE(wc.hIcon, nullptr);
    EXPECT_EQ(wc.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));

    SendMessageA(g_hMainWnd, WM_COMMAND, 1, 0);
    EXPECT_FALSE(QuitRequested(nullptr));
    DestroyWindow(g_hMainWnd);
    int code = -1;
    EXPECT_TRUE(QuitRequested(&code));
    EXPECT_EQ(code, 0);
}
