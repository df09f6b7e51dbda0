// The form as it comes up with the stand-in's phonebook, what the entry list
// and credentials do, and the reports of a start-up that fails.
#include <gtest/gtest.h>

#include <cstdlib>

#include "dialup/dialup.h"
#include "res/resource.h"
#include "scheduler/scheduler.h"
#include "shell/shell.h"
#include "standin/standin_values.h"
#include "test_support.h"

static HWND FormOn(const std::string& phonebook)
{
    UsePhonebookAt(phonebook);
    StartCatchingBoxes();
    return CreateSchedulerForm();
}

static void ExpectTexts(HWND form, std::initializer_list<std::pair<int, std::string>> wanted)
{
    for (const auto& control : wanted)
        EXPECT_EQ(ControlText(form, control.first), control.second) << "the text of control " << control.first;
}

TEST(Form, ComesUpIdleWithTheFirstEntryInSortedOrderAndItsCredentials)
{
    // More entries than the program's fixed buffer holds, some long or accented.
    std::string longName = "A" + std::string(255, 'n'), accented = "Caf\xe9 Net";
    std::string book = "[Zeta]\n[" + longName + "]\nUser=al\nPassword=pw1\nDomain=DOM\n[" + accented + "]\nUser=cafe\n";
    for (int i = 10; i < 20; i++)
        book += "[Entry " + std::to_string(i) + "]\n";
    HWND form = FormOn(UsePhonebook(book));
    EXPECT_NE(SendMessageA(form, WM_GETICON, ICON_BIG, 0), 0) << "the form's big icon";
    EXPECT_NE(SendMessageA(form, WM_GETICON, ICON_SMALL, 0), 0) << "the form's small icon";
    EXPECT_EQ(IsDlgButtonChecked(form, IDC_DIAL_ENABLE), static_cast<UINT>(BST_CHECKED)) << "the dial's box";
    EXPECT_EQ(IsDlgButtonChecked(form, IDC_HANGUP_ENABLE), static_cast<UINT>(BST_CHECKED)) << "the hang-up's box";
    EXPECT_EQ(SendDlgItemMessageA(form, IDC_ENTRY, CB_GETCOUNT, 0, 0), 13);
    // A saved password is shown as the service's handle to it.
    ExpectTexts(form, {{IDC_ENTRY, longName}, {IDC_USER, "al"}, {IDC_PASSWORD, RAS_SAVED_PASSWORD_HANDLE},
                       {IDC_DOMAIN, "DOM"}, {IDC_STATUS, "Idle"}, {IDC_START, "Start"}});
    // Each picker shows the moment the form came up; a time is set with spin buttons, a date from a drop-down calendar.
    for (int picker : {IDC_DIAL_TIME, IDC_DIAL_DATE, IDC_HANGUP_TIME, IDC_HANGUP_DATE}) {
        SYSTEMTIME shown = {};
        SendDlgItemMessageA(form, picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&shown));
        EXPECT_LE(std::llabs(SecondsBetween(shown, LocalNow())), 2) << "the moment picker " << picker << " shows";
        EXPECT_EQ(FindWindowExA(GetDlgItem(form, picker), nullptr, UPDOWN_CLASSA, nullptr) != nullptr,
                  picker == IDC_DIAL_TIME || picker == IDC_HANGUP_TIME) << "spin buttons in picker " << picker;
    }
    SelectEntry(form, accented.c_str());
    ExpectTexts(form, {{IDC_ENTRY, accented}, {IDC_USER, "cafe"}, {IDC_PASSWORD, ""}});
    // As much as a dial carries can be typed, and no more.
    const std::pair<int, LRESULT> limits[] = {{IDC_USER, 256}, {IDC_PASSWORD, 256}, {IDC_DOMAIN, 15}};
    for (const auto& limit : limits)
        EXPECT_EQ(SendDlgItemMessageA(form, limit.first, EM_GETLIMITTEXT, 0, 0), limit.second);
    // A password typed in is kept, and the field shows none of its characters.
    for (char typed : std::string("s3cret"))
        SendDlgItemMessageA(form, IDC_PASSWORD, WM_CHAR, static_cast<BYTE>(typed), 0);
    EXPECT_EQ(ControlText(form, IDC_PASSWORD), "s3cret");
    EXPECT_NE(SendDlgItemMessageA(form, IDC_PASSWORD, EM_GETPASSWORDCHAR, 0, 0), 0) << "the password field's mask";
    // Each picker shows a moment in its own format.
    for (int picker : {IDC_DIAL_TIME, IDC_DIAL_DATE, IDC_HANGUP_TIME, IDC_HANGUP_DATE})
        EXPECT_TRUE(SetPicker(form, picker, SYSTEMTIME{2027, 3, 4, 4, 21, 7, 9, 0})) << "picker " << picker;
    ExpectTexts(form, {{IDC_DIAL_TIME, "21:07:09"}, {IDC_DIAL_DATE, "04/03/2027"}, {IDC_HANGUP_TIME, "21:07:09"},
                       {IDC_HANGUP_DATE, "04/03/2027"}});
    // Version 6 of the common controls, which the manifest asks for, draws the buttons: only its tell their ideal size.
    SIZE ideal = {};
    EXPECT_TRUE(SendDlgItemMessageA(form, IDC_START, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)) != FALSE &&
                ideal.cx > 0) << "Start's ideal size";
    EXPECT_EQ(g_caughtBoxes.size(), 0u) << "boxes";
    DestroySchedulerForm(form);
}

TEST(Failures, AreShownWithTheServicesTextTheSystemsOrAnHonestOne)
{
    StartCatchingBoxes();
    // A module without the form's template: the form can't be created.
    EXPECT_EQ(RunSchedulerDialog(nullptr, GetModuleHandleA("kernel32.dll")), 0);
    ASSERT_EQ(g_caughtBoxes.size(), 1u) << "boxes";
    EXPECT_EQ(g_caughtBoxes[0].text, SystemText(ERROR_RESOURCE_TYPE_NOT_FOUND));
    EXPECT_EQ(g_caughtBoxes[0].owner, nullptr);
    EXPECT_EQ(g_caughtBoxes[0].look, PLAIN_ERROR_BOX);
    // The last error, or a remote access code the service has no text for: the system's text, else another.
    const struct { bool remoteAccess; DWORD code; std::string text; } cases[] = {
        {false, ERROR_FILE_NOT_FOUND, SystemText(ERROR_FILE_NOT_FOUND)},
        {false, 0x2000FFFF, "The operation failed with system error 536936447, for which Windows has no text."},
        {false, ERROR_SUCCESS, "The operation failed, and Windows gave no reason for it."},
        {true, ERROR_INVALID_HANDLE, SystemText(ERROR_INVALID_HANDLE)},
        {true, 0x2000FFFF, "Unknown error"},
    };
    for (const auto& c : cases) {
        g_caughtBoxes.clear();
        SetLastError(c.code);
        c.remoteAccess ? ShowRasErrorBox(nullptr, c.code) : ShowLastSystemError(nullptr);
        ASSERT_EQ(g_caughtBoxes.size(), 1u) << "boxes for code " << c.code;
        EXPECT_EQ(g_caughtBoxes[0].text, c.text) << "code " << c.code;
    }
    // The service's text: a phonebook with no entries has none to select; a folder can't be read as one.
    std::string folder = TempFilePath("folder.pbk");
    CreateDirectoryA(folder.c_str(), nullptr);
    // The folder's list can't be read, and then nor can the credentials of no entry.
    const struct { std::string book; const char* text; size_t boxes; } books[] = {
        {UsePhonebook("; nothing here yet\n"), "The phonebook has no entry of that name.", 1},
        {folder, "The phonebook file cannot be opened or read.", 2}};
    for (const auto& book : books) {
        HWND form = FormOn(book.book);
        EXPECT_EQ(SendDlgItemMessageA(form, IDC_ENTRY, CB_GETCOUNT, 0, 0), 0) << book.book;
        EXPECT_EQ(g_caughtBoxes.size(), book.boxes) << "boxes for " << book.book;
        for (const CaughtBox& box : g_caughtBoxes) {
            EXPECT_EQ(box.text, book.text);
            EXPECT_EQ(box.owner, form);
        }
        DestroySchedulerForm(form);
    }
    RemoveDirectoryA(folder.c_str());
}

TEST(Phonebook, OnlyANewSelectionThatCanBeReadReplacesTypedCredentials)
{
    HWND form = FormOn(UsePhonebook("[Alpha]\nUser=al\nPassword=p1\n[Beta]\nUser=be\nPassword=p2\n"));
    SetDlgItemTextA(form, IDC_USER, "typed");
    SendDlgItemMessageA(form, IDC_ENTRY, CB_SETCURSEL, 1, 0);
    for (WORD notification : {CBN_DROPDOWN, CBN_CLOSEUP, CBN_SELENDOK, CBN_SETFOCUS, CBN_KILLFOCUS})
        SendMessageA(form, WM_COMMAND, MAKEWPARAM(IDC_ENTRY, notification), 0);
    EXPECT_EQ(ControlText(form, IDC_USER), "typed");
    SelectEntry(form, "Beta");
    ExpectTexts(form, {{IDC_USER, "be"}, {IDC_PASSWORD, RAS_SAVED_PASSWORD_HANDLE}, {IDC_DOMAIN, ""}});
    UsePhonebook("[Beta]\nUser=be\n"); // Alpha goes while the form is up
    SetDlgItemTextA(form, IDC_USER, "mine");
    SelectEntry(form, "Alpha");
    ASSERT_EQ(g_caughtBoxes.size(), 1u) << "boxes";
    EXPECT_EQ(g_caughtBoxes[0].text, "The phonebook has no entry of that name.");
    EXPECT_EQ(g_caughtBoxes[0].owner, form);
    ExpectTexts(form, {{IDC_USER, "mine"}, {IDC_PASSWORD, RAS_SAVED_PASSWORD_HANDLE}});
    DestroySchedulerForm(form);
}

// The loader and the later calls as the program reaches them, each call recorded: what limits the search, as
// Windows 8 (and 7 with its update) or XP SP1 to 7 has it, and each load, refused on a Windows without remote
// access; the message filter of Windows 7, or of Vista where the search is not limited; the end of ghosts.
static bool g_searchFlags, g_noService;
static std::string g_asked;
static FARPROC(WINAPI* g_lookUp)(HMODULE, LPCSTR);
static HMODULE(WINAPI* g_load)(LPCSTR, HANDLE, DWORD);

static BOOL Asked(const std::string& call)
{
    g_asked += call + ", ";
    return TRUE;
}

static BOOL WINAPI RecordSearchLimit(DWORD flags)
{
    return Asked("limit " + std::to_string(flags));
}

static BOOL WINAPI RecordDllFolder(LPCSTR folder)
{
    return Asked("folder \"" + std::string(folder) + "\"");
}

static BOOL WINAPI RecordProcessFilter(UINT message, DWORD action)
{
    return Asked(std::string(message == TaskbarCreatedMessage() ? "let TaskbarCreated in " : "let ? in ") +
                 std::to_string(action));
}

static BOOL WINAPI RecordFormFilter(HWND, UINT message, DWORD action, void*)
{
    g_asked += "form's filter: ";
    return RecordProcessFilter(message, action);
}

static void WINAPI RecordNoGhosts()
{
    Asked("no ghosts");
}

static FARPROC WINAPI RecordLookUp(HMODULE module, LPCSTR name)
{
    // XP SP1 to 7 without its update lacks the search flags; Vista, the window's own message filter.
    const std::pair<const char*, void*> recorders[] = {
        {"SetDefaultDllDirectories", g_searchFlags ? reinterpret_cast<void*>(RecordSearchLimit) : nullptr},
        {"SetDllDirectoryA", reinterpret_cast<void*>(RecordDllFolder)},
        {"ChangeWindowMessageFilterEx", g_searchFlags ? reinterpret_cast<void*>(RecordFormFilter) : nullptr},
        {"ChangeWindowMessageFilter", reinterpret_cast<void*>(RecordProcessFilter)},
        {"DisableProcessWindowsGhosting", reinterpret_cast<void*>(RecordNoGhosts)}};
    for (const auto& recorder : recorders) {
        if (HIWORD(name) != 0 && lstrcmpA(name, recorder.first) == 0)
            return reinterpret_cast<FARPROC>(recorder.second);
    }
    return g_lookUp(module, name);
}

static HMODULE WINAPI RecordLoad(LPCSTR name, HANDLE file, DWORD flags)
{
    Asked("load " + std::string(name) + " " + std::to_string(flags));
    if (g_noService)
        SetLastError(ERROR_MOD_NOT_FOUND);
    return g_noService ? nullptr : g_load(name, file, flags);
}

TEST(LaterCalls, TheServiceComesFromTheSystemFolderOnceAndTheFormLetsTheShellInAndNeverGhosts)
{
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    const std::string form = "no ghosts, form's filter: let TaskbarCreated in 1, ";
    const std::string flags = "limit 2048, " + form + "load rasapi32.dll 2048, ";
    const std::string noModule = SystemText(ERROR_MOD_NOT_FOUND) + "@";
    const struct { bool searchFlags, noService; std::string asked, boxes, status; } cases[] = {
        {true, false, flags, "", "Hung up"},
        {false, false, "folder \"\", no ghosts, let TaskbarCreated in 1, load " + std::string(system) +
         "\\rasapi32.dll 8, ", "", "Hung up"},
        {true, true, flags, noModule + "Idle," + noModule + "Idle," + noModule + "Dialling," + noModule + "Hanging Up,",
         "Hangup error"},
    };
    g_lookUp = reinterpret_cast<decltype(g_lookUp)>(
        SwapImport("kernel32.dll", "GetProcAddress", reinterpret_cast<void*>(RecordLookUp)));
    g_load = reinterpret_cast<decltype(g_load)>(
        SwapImport("kernel32.dll", "LoadLibraryExA", reinterpret_cast<void*>(RecordLoad)));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.asked);
        g_searchFlags = c.searchFlags, g_noService = c.noService, g_asked.clear();
        ResetRemoteAccessState();
        LimitDllSearchToSystem();
        // The form comes up, then dials and hangs up at once.
        HWND form = FormOn(UsePhonebook("[Home ISP]\nUser=alice\n"));
        SYSTEMTIME now = UtcNow();
        SetMoment(form, IDC_DIAL_TIME, IDC_DIAL_DATE, LocalOf(now));
        SetMoment(form, IDC_HANGUP_TIME, IDC_HANGUP_DATE, LocalOf(now));
        ToggleCountingAt(form, &now);
        ExamineScheduleUpTo(form, &now);
        std::string boxes;
        for (const CaughtBox& box : g_caughtBoxes)
            boxes += box.text + "@" + box.ownerStatus + ",";
        EXPECT_EQ(g_asked, c.asked);
        EXPECT_EQ(boxes, c.boxes);
        EXPECT_EQ(ControlText(form, IDC_STATUS), c.status);
        DestroySchedulerForm(form);
    }
    SwapImport("kernel32.dll", "LoadLibraryExA", reinterpret_cast<void*>(g_load));
    SwapImport("kernel32.dll", "GetProcAddress", reinterpret_cast<void*>(g_lookUp));
}
