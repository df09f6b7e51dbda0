// The entry list and the stored credentials, read from the stand-in
// service's phonebook through the form.
#include <gtest/gtest.h>

#include "dialup/dialup.h"
#include "res/resource.h"
#include "test_support.h"

static HWND FormWith(const std::string& book)
{
    UsePhonebook(book);
    StartCatchingBoxes();
    return CreateSchedulerForm();
}

TEST(Phonebook, MoreEntriesThanTheFixedBufferAreAllListedWhole)
{
    std::string longName = "A" + std::string(255, 'n'), accented = "Caf\xe9 Net";
    std::string book = "[" + longName + "]\nUser=long\n[" + accented + "]\nUser=cafe\n";
    for (int i = 10; i < 20; i++)
        book += "[Entry " + std::to_string(i) + "]\n";
    HWND form = FormWith(book);
    EXPECT_EQ(SendDlgItemMessageA(form, IDC_ENTRY, CB_GETCOUNT, 0, 0), 12);
    EXPECT_EQ(ControlText(form, IDC_ENTRY) + "/" + ControlText(form, IDC_USER), longName + "/long");
    SelectEntry(form, accented.c_str());
    EXPECT_EQ(ControlText(form, IDC_ENTRY) + "/" + ControlText(form, IDC_USER), accented + "/cafe");
    EXPECT_TRUE(CaughtBoxes().empty());
    DestroySchedulerForm(form);
}

TEST(Phonebook, FailuresAreShownWithTheServicesTextOrUnknownError)
{
    // A folder where the file should be can't be read as one.
    std::string folder = TempFilePath("folder.pbk");
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::pair<std::string, DWORD> cases[] = {{UsePhonebook("; nothing here yet\n"), 623}, {folder, 621}};
    for (const auto& c : cases) {
        SetEnvironmentVariableA("QUORVEL_RAS_PHONEBOOK", c.first.c_str());
        StartCatchingBoxes();
        HWND form = CreateSchedulerForm();
        EXPECT_EQ(SendDlgItemMessageA(form, IDC_ENTRY, CB_GETCOUNT, 0, 0), 0);
        ASSERT_FALSE(CaughtBoxes().empty());
        EXPECT_EQ(CaughtBoxes()[0].text, RasText(c.second));
        EXPECT_EQ(CaughtBoxes()[0].owner, form);
        ShowRasErrorBox(form, 4321);
        EXPECT_EQ(CaughtBoxes().back().text, "Unknown error");
        DestroySchedulerForm(form);
    }
    RemoveDirectoryA(folder.c_str());
}

TEST(Phonebook, OnlyANewSelectionThatCanBeReadReplacesTypedCredentials)
{
    HWND form = FormWith("[Alpha]\nUser=al\nPassword=p1\nDomain=D1\n[Beta]\nUser=be\nPassword=p2\n");
    const int fields[] = {IDC_USER, IDC_PASSWORD, IDC_DOMAIN};
    for (int field : fields)
        SetDlgItemTextA(form, field, "typed");
    SendDlgItemMessageA(form, IDC_ENTRY, CB_SETCURSEL, 1, 0);
    const WORD otherNotifications[] = {CBN_DROPDOWN, CBN_CLOSEUP, CBN_SELENDOK, CBN_SETFOCUS, CBN_KILLFOCUS};
    for (WORD notification : otherNotifications)
        SendMessageA(form, WM_COMMAND, MAKEWPARAM(IDC_ENTRY, notification), 0);
    for (int field : fields)
        EXPECT_EQ(ControlText(form, field), "typed") << field;
    SelectEntry(form, "Beta");
    EXPECT_EQ(ControlText(form, IDC_USER) + ControlText(form, IDC_PASSWORD) + ControlText(form, IDC_DOMAIN),
              "bep2");
    // The entry goes from the phonebook while the form is up.
    UsePhonebook("[Beta]\nUser=be\n");
    SetDlgItemTextA(form, IDC_USER, "mine");
    SelectEntry(form, "Alpha");
    ASSERT_EQ(CaughtBoxes().size(), 1u);
    EXPECT_EQ(CaughtBoxes()[0].text, RasText(623));
    EXPECT_EQ(ControlText(form, IDC_USER) + ControlText(form, IDC_PASSWORD), "minep2");
    DestroySchedulerForm(form);
}
