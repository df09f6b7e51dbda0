// The entry list and the stored credentials, read from the stand-in
// service's phonebook through the form.
#include <gtest/gtest.h>

#include <string>

#include "res/resource.h"
#include "test_support.h"

static std::string ListItem(HWND form, int index)
{
    char text[300] = "";
    SendDlgItemMessageA(form, IDC_ENTRY, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
}

static int ListCount(HWND form)
{
    return static_cast<int>(SendDlgItemMessageA(form, IDC_ENTRY, CB_GETCOUNT, 0, 0));
}

static void SelectEntry(HWND form, int index)
{
    SendDlgItemMessageA(form, IDC_ENTRY, CB_SETCURSEL, index, 0);
    SendMessageA(form, WM_COMMAND, MAKEWPARAM(IDC_ENTRY, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(form, IDC_ENTRY)));
}

TEST(Phonebook, EntriesAreSortedAndTheFirstIsSelectedWithItsCredentials)
{
    std::string book = "[Zeta]\nUser=zed\n"
                       "[alpha]\nUser=al\nPassword=pw1\nDomain=DOM\n"
                       "[Mike]\nUser=mike\n";
    std::string path = UsePhonebook(book);
    StartCatchingBoxes();
    HWND form = CreateSchedulerForm();
    EXPECT_TRUE(CaughtBoxes().empty());
    ASSERT_EQ(ListCount(form), 3);
    EXPECT_EQ(ListItem(form, 0), "alpha");
    EXPECT_EQ(ListItem(form, 1), "Mike");
    EXPECT_EQ(ListItem(form, 2), "Zeta");
    EXPECT_EQ(ControlText(form, IDC_ENTRY), "alpha");
    EXPECT_EQ(ControlText(form, IDC_USER), "al");
    EXPECT_EQ(ControlText(form, IDC_PASSWORD), "pw1");
    EXPECT_EQ(ControlText(form, IDC_DOMAIN), "DOM");
    DestroySchedulerForm(form);
    StopCatchingBoxes();
    EXPECT_EQ(ReadFileBytes(path), book);
}

TEST(Phonebook, MoreEntriesThanTheFixedBufferAreAllListed)
{
    std::string book;
    for (int i = 1; i <= 12; i++)
        book += "[Entry " + std::string(i < 10 ? "0" : "") + std::to_string(i) + "]\nUser=u" +
                std::to_string(i) + "\n";
    UsePhonebook(book);
    StartCatchingBoxes();
    HWND form = CreateSchedulerForm();
    EXPECT_TRUE(CaughtBoxes().empty());
    ASSERT_EQ(ListCount(form), 12);
    EXPECT_EQ(ListItem(form, 0), "Entry 01");
    EXPECT_EQ(ListItem(form, 11), "Entry 12");
    EXPECT_EQ(ControlText(form, IDC_USER), "u1");
    DestroySchedulerForm(form);
    StopCatchingBoxes();
}

TEST(Phonebook, EmptyPhonebookShowsTheFailedLookupOfTheEmptyName)
{
    UsePhonebook("; nothing here yet\n");
    StartCatchingBoxes();
    HWND form = CreateSchedulerForm();
    EXPECT_EQ(ListCount(form), 0);
    ASSERT_EQ(CaughtBoxes().size(), 1u);
    EXPECT_EQ(CaughtBoxes()[0].text, RasText(623));
    EXPECT_EQ(CaughtBoxes()[0].owner, form);
    EXPECT_EQ(ControlText(form, IDC_USER), "");
    DestroySchedulerForm(form);
    StopCatchingBoxes();
}

TEST(Phonebook, UnreadableOrMalformedPhonebookIsReportedWithItsText)
{
    // A folder where the file should be can't be read as one.
    std::string folder = TestFilePath("folder.pbk");
    CreateDirectoryA(folder.c_str(), nullptr);
    SetEnvironmentVariableA("QUORVEL_RAS_PHONEBOOK", folder.c_str());
    StartCatchingBoxes();
    HWND form = CreateSchedulerForm();
    EXPECT_EQ(ListCount(form), 0);
    ASSERT_GE(CaughtBoxes().size(), 1u);
    EXPECT_EQ(CaughtBoxes()[0].text, RasText(621));
    EXPECT_NE(CaughtBoxes()[0].text, "Unknown error");
    DestroySchedulerForm(form);
    RemoveDirectoryA(folder.c_str());

    UsePhonebook("[Good]\nUser=a\nthis line is no key\n");
    StartCatchingBoxes();
    form = CreateSchedulerForm();
    EXPECT_EQ(ListCount(form), 0);
    ASSERT_GE(CaughtBoxes().size(), 1u);
    EXPECT_EQ(CaughtBoxes()[0].text, RasText(625));
    DestroySchedulerForm(form);
    StopCatchingBoxes();
}

TEST(Phonebook, ChangingTheSelectionFillsTheFieldsAndAFailedLookupKeepsWhatWasTyped)
{
    std::string book = "[Alpha]\nUser=al\nPassword=p1\nDomain=D1\n"
                       "[Beta]\nUser=be\nPassword=p2\n";
    std::string path = UsePhonebook(book);
    StartCatchingBoxes();
    HWND form = CreateSchedulerForm();
    SetControlText(form, IDC_USER, "typed");
    SelectEntry(form, 1);
    EXPECT_TRUE(CaughtBoxes().empty());
    EXPECT_EQ(ControlText(form, IDC_USER), "be");
    EXPECT_EQ(ControlText(form, IDC_PASSWORD), "p2");
    EXPECT_EQ(ControlText(form, IDC_DOMAIN), "");

    // The entry goes from the phonebook while the form is up.
    UsePhonebook("[Beta]\nUser=be\n");
    SetControlText(form, IDC_USER, "mine");
    SetControlText(form, IDC_PASSWORD, "secret");
    SetControlText(form, IDC_DOMAIN, "DOMAIN");
    SelectEntry(form, 0);
    ASSERT_EQ(CaughtBoxes().size(), 1u);
    EXPECT_EQ(CaughtBoxes()[0].text, RasText(623));
    EXPECT_EQ(ControlText(form, IDC_USER), "mine");
    EXPECT_EQ(ControlText(form, IDC_PASSWORD), "secret");
    EXPECT_EQ(ControlText(form, IDC_DOMAIN), "DOMAIN");
    DestroySchedulerForm(form);
    StopCatchingBoxes();
    EXPECT_EQ(ReadFileBytes(path), book);
}

TEST(Phonebook, LongAndAccentedNamesAreReadWhole)
{
    std::string longName(256, 'n');
    longName[0] = 'A';
    std::string accented = "Caf\xe9 Net";
    std::string book = "[" + longName + "]\nUser=longuser\n[" + accented + "]\nUser=cafe\n";
    UsePhonebook(book);
    StartCatchingBoxes();
    HWND form = CreateSchedulerForm();
    EXPECT_TRUE(CaughtBoxes().empty());
    ASSERT_EQ(ListCount(form), 2);
    EXPECT_EQ(ControlText(form, IDC_ENTRY), longName);
    EXPECT_EQ(ControlText(form, IDC_USER), "longuser");
    SelectEntry(form, 1);
    EXPECT_EQ(ControlText(form, IDC_ENTRY), accented);
    EXPECT_EQ(ControlText(form, IDC_USER), "cafe");
    EXPECT_TRUE(CaughtBoxes().empty());
    DestroySchedulerForm(form);
    StopCatchingBoxes();
}

TEST(Phonebook, FieldsTakeNoMoreThanADialCarries)
{
    UsePhonebook("[Alpha]\n");
    HWND form = CreateSchedulerForm();
    EXPECT_EQ(SendDlgItemMessageA(form, IDC_USER, EM_GETLIMITTEXT, 0, 0), 256);
    EXPECT_EQ(SendDlgItemMessageA(form, IDC_PASSWORD, EM_GETLIMITTEXT, 0, 0), 256);
    EXPECT_EQ(SendDlgItemMessageA(form, IDC_DOMAIN, EM_GETLIMITTEXT, 0, 0), 15);
    DestroySchedulerForm(form);
}
