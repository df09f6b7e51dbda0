// The form as it comes up, and the shell around it: the hidden main window
// and the reports of a start-up that fails.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "res/resource.h"
#include "scheduler/scheduler.h"
#include "shell/shell.h"
#include "test_support.h"

TEST(Form, ComesUpIdleWithTheFirstEntryInSortedOrderAndItsCredentials)
{
    std::string book = "[Zeta]\nUser=zed\n[alpha]\nUser=al\nPassword=pw1\nDomain=DOM\n[Mike]\nUser=mike\n";
    std::string path = UsePhonebook(book);
    StartCatchingBoxes();
    SYSTEMTIME before = LocalNow();
    HWND form = CreateSchedulerForm();
    SYSTEMTIME after = LocalNow();
    EXPECT_TRUE(CaughtBoxes().empty());
    EXPECT_NE(SendMessageA(form, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageA(form, WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_EQ(IsDlgButtonChecked(form, IDC_DIAL_ENABLE) + IsDlgButtonChecked(form, IDC_HANGUP_ENABLE), 2u);
    EXPECT_EQ(ControlText(form, IDC_START) + "/" + ControlText(form, IDC_STATUS), "Start/Idle");
    // Enter acts on Start; Escape's Cancel is no control of the form.
    EXPECT_EQ(LOWORD(SendMessageA(form, DM_GETDEFID, 0, 0)), IDC_START);
    EXPECT_EQ(GetDlgItem(form, IDCANCEL), nullptr);

    EXPECT_EQ(SendDlgItemMessageA(form, IDC_ENTRY, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(ControlText(form, IDC_ENTRY), "alpha");
    EXPECT_EQ(ControlText(form, IDC_USER) + ControlText(form, IDC_PASSWORD) + ControlText(form, IDC_DOMAIN),
              "alpw1DOM");
    // As much as a dial carries can be typed, and no more.
    EXPECT_EQ(SendDlgItemMessageA(form, IDC_USER, EM_GETLIMITTEXT, 0, 0), 256);
    EXPECT_EQ(SendDlgItemMessageA(form, IDC_PASSWORD, EM_GETLIMITTEXT, 0, 0), 256);
    EXPECT_EQ(SendDlgItemMessageA(form, IDC_DOMAIN, EM_GETLIMITTEXT, 0, 0), 15);

    // Each picker shows the moment the form came up, in its own format.
    const char* const shown[] = {"21:07:09", "04/03/2027"};
    const int pickers[] = {IDC_DIAL_TIME, IDC_DIAL_DATE, IDC_HANGUP_TIME, IDC_HANGUP_DATE};
    for (int i = 0; i < 4; i++) {
        SYSTEMTIME value = {};
        SendDlgItemMessageA(form, pickers[i], DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&value));
        EXPECT_TRUE(SecondsBetween(before, value) >= 0 && SecondsBetween(value, after) >= 0) << pickers[i];
        SetPicker(form, pickers[i], SYSTEMTIME{2027, 3, 4, 4, 21, 7, 9, 0});
        EXPECT_EQ(ControlText(form, pickers[i]), shown[i % 2]);
    }
    DestroySchedulerForm(form);
    std::ostringstream file;
    file << std::ifstream(path, std::ios::binary).rdbuf();
    EXPECT_EQ(file.str(), book) << "the phonebook is never written";
}

TEST(Startup, FailuresAreShownWithTheSystemsTextOrAnHonestOne)
{
    StartCatchingBoxes();
    // A module without the form's template: the form can't be created.
    EXPECT_EQ(RunSchedulerDialog(nullptr, GetModuleHandleA("kernel32.dll")), 0);
    ASSERT_EQ(CaughtBoxes().size(), 1u);
    EXPECT_EQ(CaughtBoxes()[0].owner, nullptr);
    EXPECT_FALSE(CaughtBoxes()[0].text.empty());

    const std::pair<DWORD, std::string> cases[] = {
        {ERROR_FILE_NOT_FOUND, SystemText(ERROR_FILE_NOT_FOUND)},
        {0x2000FFFF, "The operation failed with system error 536936447, for which Windows has no text."},
        {ERROR_SUCCESS, "The operation failed, and Windows gave no reason for it."},
    };
    for (const auto& c : cases) {
        SetLastError(c.first);
        ShowLastSystemError(nullptr);
        EXPECT_EQ(CaughtBoxes().back().text, c.second);
    }
    StopCatchingBoxes();
}

TEST(Startup, TheMainWindowStaysHiddenAndEndsTheLoopWhenDestroyed)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    ASSERT_NE(RegisterMainClass(instance), 0);
    ASSERT_EQ(CreateMainWindow(instance), 1);
    EXPECT_EQ(FindWindowA("QUORVEL", "Quorvel"), g_hMainWnd);
    EXPECT_FALSE(IsWindowVisible(g_hMainWnd));
    WNDCLASSEXA wc = {sizeof wc};
    EXPECT_TRUE(GetClassInfoExA(instance, "QUORVEL", &wc) && wc.hIcon != nullptr);
    SendMessageA(g_hMainWnd, WM_COMMAND, IDC_CLOSE, 0);
    SendMessageA(g_hMainWnd, WM_PAINT, 0, 0);
    EXPECT_FALSE(QuitRequested(nullptr));
    int code = -1;
    SendMessageA(g_hMainWnd, WM_QUIT, 0, 0);
    EXPECT_TRUE(QuitRequested(&code));
    DestroyWindow(g_hMainWnd);
    EXPECT_TRUE(QuitRequested(&code));
    EXPECT_EQ(code, 0);
}
