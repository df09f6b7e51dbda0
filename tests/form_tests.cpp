// The form as it comes up with the stand-in's phonebook, what the entry list
// and credentials do, and the reports of a start-up that fails.
#include <gtest/gtest.h>

#include "dialup/dialup.h"
#include "res/resource.h"
#include "scheduler/scheduler.h"
#include "shell/shell.h"
#include "standin/standin_values.h"
#include "test_support.h"

static HWND FormWith(const std::string& book)
{
    UsePhonebook(book);
    StartCatchingBoxes();
    return CreateSchedulerForm();
}

TEST(Form, ComesUpIdleWithTheFirstEntryInSortedOrderAndItsCredentials)
{
    // More entries than the program's fixed buffer holds, some long or accented.
    std::string longName = "A" + std::string(255, 'n'), accented = "Caf\xe9 Net";
    std::string book = "[Zeta]\n[" + longName + "]\nUser=al\nPassword=pw1\nDomain=DOM\n[" + accented + "]\nUser=cafe\n";
    for (int i = 10; i < 20; i++)
        book += "[Entry " + std::to_string(i) + "]\n";
    HWND form = FormWith(book);
    EXPECT_TRUE(SendMessageA(form, WM_GETICON, ICON_BIG, 0) && SendMessageA(form, WM_GETICON, ICON_SMALL, 0));
    EXPECT_EQ(IsDlgButtonChecked(form, IDC_DIAL_ENABLE) + IsDlgButtonChecked(form, IDC_HANGUP_ENABLE), 2u);
    EXPECT_EQ(SendDlgItemMessageA(form, IDC_ENTRY, CB_GETCOUNT, 0, 0), 13);
    // A saved password is shown as the service's handle to it, and masked.
    EXPECT_EQ(ControlText(form, IDC_ENTRY) + ":" + ControlText(form, IDC_USER) + ControlText(form, IDC_PASSWORD) +
                  ControlText(form, IDC_DOMAIN), longName + ":al" RAS_SAVED_PASSWORD_HANDLE "DOM");
    EXPECT_NE(SendDlgItemMessageA(form, IDC_PASSWORD, EM_GETPASSWORDCHAR, 0, 0), 0);
    SelectEntry(form, accented.c_str());
    EXPECT_EQ(ControlText(form, IDC_ENTRY) + ":" + ControlText(form, IDC_USER) + ControlText(form, IDC_PASSWORD),
              accented + ":cafe");
    // As much as a dial carries can be typed, and no more.
    const std::pair<int, LRESULT> limits[] = {{IDC_USER, 256}, {IDC_PASSWORD, 256}, {IDC_DOMAIN, 15}};
    for (const auto& limit : limits)
        EXPECT_EQ(SendDlgItemMessageA(form, limit.first, EM_GETLIMITTEXT, 0, 0), limit.second);
    // Each picker shows a moment in its own format.
    std::string shown;
    for (int picker : {IDC_DIAL_TIME, IDC_DIAL_DATE, IDC_HANGUP_TIME, IDC_HANGUP_DATE}) {
        SetPicker(form, picker, SYSTEMTIME{2027, 3, 4, 4, 21, 7, 9, 0});
        shown += ControlText(form, picker) + " ";
    }
    EXPECT_EQ(shown, "21:07:09 04/03/2027 21:07:09 04/03/2027 ");
    EXPECT_TRUE(g_caughtBoxes.empty());
    DestroySchedulerForm(form);
}

TEST(Startup, FailuresAreShownWithTheSystemsTextOrAnHonestOne)
{
    StartCatchingBoxes();
    // A module without the form's template: the form can't be created.
    EXPECT_EQ(RunSchedulerDialog(nullptr, GetModuleHandleA("kernel32.dll")), 0);
    EXPECT_TRUE(g_caughtBoxes.size() == 1 && g_caughtBoxes[0].owner == nullptr && !g_caughtBoxes[0].text.empty() &&
                g_caughtBoxes[0].plain);
    // The last error, or a remote access code the service has no text for: the system's text, else another.
    const struct { bool remoteAccess; DWORD code; std::string text; } cases[] = {
        {false, ERROR_FILE_NOT_FOUND, SystemText(ERROR_FILE_NOT_FOUND)},
        {false, 0x2000FFFF, "The operation failed with system error 536936447, for which Windows has no text."},
        {false, ERROR_SUCCESS, "The operation failed, and Windows gave no reason for it."},
        {true, ERROR_INVALID_HANDLE, SystemText(ERROR_INVALID_HANDLE)},
        {true, 0x2000FFFF, "Unknown error"},
    };
    for (const auto& c : cases) {
        SetLastError(c.code);
        c.remoteAccess ? ShowRasErrorBox(nullptr, c.code) : ShowLastSystemError(nullptr);
        EXPECT_EQ(g_caughtBoxes.back().text, c.text);
    }
    StopCatchingBoxes();
}

TEST(Phonebook, FailuresAreShownWithTheServicesText)
{
    // A folder where the file should be can't be read as one.
    std::string folder = TempFilePath("folder.pbk");
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::pair<std::string, DWORD> cases[] = {{UsePhonebook("; nothing here yet\n"), 623}, {folder, 621}};
    for (const auto& c : cases) {
        UsePhonebookAt(c.first);
        StartCatchingBoxes();
        HWND form = CreateSchedulerForm();
        EXPECT_EQ(SendDlgItemMessageA(form, IDC_ENTRY, CB_GETCOUNT, 0, 0), 0);
        ASSERT_FALSE(g_caughtBoxes.empty());
        EXPECT_TRUE(g_caughtBoxes[0].text == RasText(c.second) && g_caughtBoxes[0].owner == form);
        DestroySchedulerForm(form);
    }
    RemoveDirectoryA(folder.c_str());
}

TEST(Phonebook, OnlyANewSelectionThatCanBeReadReplacesTypedCredentials)
{
    HWND form = FormWith("[Alpha]\nUser=al\nPassword=p1\n[Beta]\nUser=be\nPassword=p2\n");
    SetDlgItemTextA(form, IDC_USER, "typed");
    SendDlgItemMessageA(form, IDC_ENTRY, CB_SETCURSEL, 1, 0);
    for (WORD notification : {CBN_DROPDOWN, CBN_CLOSEUP, CBN_SELENDOK, CBN_SETFOCUS, CBN_KILLFOCUS})
        SendMessageA(form, WM_COMMAND, MAKEWPARAM(IDC_ENTRY, notification), 0);
    EXPECT_EQ(ControlText(form, IDC_USER), "typed");
    SelectEntry(form, "Beta");
    EXPECT_EQ(ControlText(form, IDC_USER) + ":" + ControlText(form, IDC_PASSWORD) + ControlText(form, IDC_DOMAIN),
              "be:" RAS_SAVED_PASSWORD_HANDLE);
    UsePhonebook("[Beta]\nUser=be\n"); // Alpha goes while the form is up
    SetDlgItemTextA(form, IDC_USER, "mine");
    SelectEntry(form, "Alpha");
    EXPECT_EQ(g_caughtBoxes.size() == 1 ? g_caughtBoxes[0].text : "no box", RasText(623));
    EXPECT_EQ(ControlText(form, IDC_USER) + ControlText(form, IDC_PASSWORD), "mine" RAS_SAVED_PASSWORD_HANDLE);
    DestroySchedulerForm(form);
}
