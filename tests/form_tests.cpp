// The form as it comes up with the stand-in's phonebook, its entry list and credentials, and the failures' reports.
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

TEST(Form, ComesUpIdleWithTheFirstEntryInSortedOrderAndItsCredentialsAsTheTemplatePlacesItAndEndsOnlyAsAsked)
{
    // More entries than the program's fixed buffer holds, some long or accented.
    std::string longName = "A" + std::string(255, 'n'), accented = "Caf\xe9 Net";
    std::string book = "[Zeta]\n[" + longName + "]\nUser=al\nPassword=pw1\nDomain=DOM\n[" + accented + "]\nUser=cafe\n";
    for (int i = 10; i < 20; i++)
        book += "[Entry " + std::to_string(i) + "]\n";
    HWND form = FormOn(UsePhonebook(book));
    EXPECT_NE(SendMessageA(form, WM_GETICON, ICON_BIG, 0), 0) << "the form's big icon";
    EXPECT_NE(SendMessageA(form, WM_GETICON, ICON_SMALL, 0), 0) << "the form's small icon";
    EXPECT_EQ(SendDlgItemMessageA(form, IDC_ENTRY, CB_GETCOUNT, 0, 0), 13);
    // A saved password is shown as the service's handle to it.
    ExpectTexts(form, {{IDC_ENTRY, longName}, {IDC_USER, "al"}, {IDC_PASSWORD, RAS_SAVED_PASSWORD_HANDLE},
                       {IDC_DOMAIN, "DOM"}, {IDC_STATUS, "Idle"}, {IDC_START, "Start"}});
    // Each picker shows the moment the form came up, a time with spin buttons, a date with a calendar, in its format.
    for (int picker : {IDC_DIAL_TIME, IDC_DIAL_DATE, IDC_HANGUP_TIME, IDC_HANGUP_DATE}) {
        SYSTEMTIME shown = {};
        SendDlgItemMessageA(form, picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&shown));
        EXPECT_LE(std::llabs(SecondsBetween(shown, LocalNow())), 2) << "the moment picker " << picker << " shows";
        bool time = picker == IDC_DIAL_TIME || picker == IDC_HANGUP_TIME;
        EXPECT_EQ(FindWindowExA(GetDlgItem(form, picker), nullptr, UPDOWN_CLASSA, nullptr) != nullptr, time)
            << "spin buttons in picker " << picker;
        EXPECT_TRUE(SetPicker(form, picker, SYSTEMTIME{2027, 3, 4, 4, 21, 7, 9, 0})) << "picker " << picker;
        EXPECT_EQ(ControlText(form, picker), time ? "21:07:09" : "04/03/2027");
    }
    // Only a new selection replaces typed credentials, and only where the service can read them.
    SetDlgItemTextA(form, IDC_USER, "typed");
    SendDlgItemMessageA(form, IDC_ENTRY, CB_SETCURSEL, 1, 0);
    for (WORD notification : {CBN_DROPDOWN, CBN_CLOSEUP, CBN_SELENDOK, CBN_SETFOCUS, CBN_KILLFOCUS})
        SendMessageA(form, WM_COMMAND, MAKEWPARAM(IDC_ENTRY, notification), 0);
    EXPECT_EQ(ControlText(form, IDC_USER), "typed");
    SelectEntry(form, accented.c_str());
    ExpectTexts(form, {{IDC_ENTRY, accented}, {IDC_USER, "cafe"}, {IDC_PASSWORD, ""}, {IDC_DOMAIN, ""}});
    UsePhonebook("[Zeta]\n"); // the long one goes while the form is up
    SelectEntry(form, longName.c_str());
    EXPECT_EQ(ControlText(form, IDC_USER), "cafe");
    ASSERT_EQ(g_caughtBoxes.size(), 1u) << "boxes";
    EXPECT_TRUE(g_caughtBoxes[0].text == "The phonebook has no entry of that name." && g_caughtBoxes[0].owner == form);
    // As much as a dial carries can be typed, and no more.
    const std::pair<int, LRESULT> limits[] = {{IDC_USER, 256}, {IDC_PASSWORD, 256}, {IDC_DOMAIN, 15}};
    for (const auto& limit : limits)
        EXPECT_EQ(SendDlgItemMessageA(form, limit.first, EM_GETLIMITTEXT, 0, 0), limit.second);
    // A password typed in is kept, and the field shows none of its characters.
    for (char typed : std::string("s3cret"))
        SendDlgItemMessageA(form, IDC_PASSWORD, WM_CHAR, static_cast<BYTE>(typed), 0);
    EXPECT_EQ(ControlText(form, IDC_PASSWORD), "s3cret");
    EXPECT_NE(SendDlgItemMessageA(form, IDC_PASSWORD, EM_GETPASSWORDCHAR, 0, 0), 0) << "the password field's mask";
    // Each control where the template places it, in dialog units: by its identifier, or by its text, the first with it
    // after the control named (0: from the first). The combo box's height takes in its list.
    const struct { int after; const char* text; int x, y, width, height; } layout[] = {
        {IDC_ENTRY, 0, 45, 7, 154, 34}, {IDC_USER, 0, 45, 27, 70, 14}, {IDC_PASSWORD, 0, 45, 42, 70, 14},
        {IDC_DOMAIN, 0, 45, 56, 70, 14}, {IDC_DIAL_ENABLE, 0, 17, 90, 103, 10}, {IDC_DIAL_TIME, 0, 41, 106, 80, 15},
        {IDC_DIAL_DATE, 0, 41, 122, 80, 15}, {IDC_HANGUP_ENABLE, 0, 146, 90, 103, 10},
        {IDC_HANGUP_TIME, 0, 170, 106, 80, 15}, {IDC_HANGUP_DATE, 0, 170, 122, 80, 15}, {IDC_START, 0, 214, 7, 50, 14},
        {IDC_HIDE, 0, 214, 23, 50, 14}, {IDC_CLOSE, 0, 214, 39, 50, 14}, {IDC_DIAL_TIME_LABEL, 0, 17, 108, 18, 8},
        {IDC_DIAL_DATE_LABEL, 0, 17, 124, 18, 8}, {IDC_DIAL_ENABLE, "Dial", 7, 80, 128, 62},
        {IDC_HANGUP_TIME_LABEL, 0, 146, 108, 18, 8}, {IDC_HANGUP_DATE_LABEL, 0, 146, 124, 18, 8},
        {IDC_HANGUP_ENABLE, "Hangup", 136, 80, 128, 62}, {0, "RAS Entry:", 7, 10, 36, 8}, {0, "User ID:", 7, 30, 27, 8},
        {IDC_PASSWORD_LABEL, 0, 7, 45, 34, 8}, {0, "Domain:", 7, 59, 27, 8}, {IDC_STATUS, 0, 129, 61, 132, 8}};
    for (const auto& c : layout) {
        RECT wanted = {c.x, c.y, c.width, c.height}, shown = {};
        MapDialogRect(form, &wanted);
        HWND after = GetDlgItem(form, c.after);
        GetWindowRect(c.text != nullptr ? FindWindowExA(form, after, nullptr, c.text) : after, &shown);
        MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&shown), 2);
        if (c.after == IDC_ENTRY) // closed, as high as its font; Wine does not tell the height of its list dropped down
            wanted.bottom = shown.bottom - shown.top;
        EXPECT_EQ(std::vector<LONG>({shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top}),
                  std::vector<LONG>({wanted.left, wanted.top, wanted.right, wanted.bottom}))
            << "where control " << c.after << (c.text ? c.text : "") << " is, and how large, in pixels";
    }
    // Escape does not end the program; Cancel and the close box (or Alt+F4) end it with code 0.
    const std::pair<UINT, WPARAM> endings[] = {
        {WM_COMMAND, IDCANCEL}, {WM_COMMAND, IDC_CLOSE}, {WM_SYSCOMMAND, SC_CLOSE}};
    for (const auto& ending : endings) {
        SendMessageA(form, ending.first, ending.second, 0);
        EXPECT_EQ(QuitCode(), ending.second == IDCANCEL ? NO_QUIT : 0) << ending.first << " " << ending.second;
    }
    DestroySchedulerForm(form);
}

TEST(Failures, AreShownWithTheServicesTextTheSystemsOrAnHonestOne)
{
    StartCatchingBoxes();
    // A module without the form's template: the form can't be created.
    EXPECT_EQ(RunSchedulerDialog(nullptr, GetModuleHandleA("kernel32.dll")), 0);
    ASSERT_EQ(g_caughtBoxes.size(), 1u) << "boxes";
    EXPECT_TRUE(g_caughtBoxes[0].text == SystemText(ERROR_RESOURCE_TYPE_NOT_FOUND) && g_caughtBoxes[0].owner == nullptr)
        << g_caughtBoxes[0].text;
    // The last error, or a remote access code the service has no text for: the system's text, else another.
    const struct { bool remoteAccess; DWORD code; std::string text; } cases[] = {
        {false, 0x2000FFFF, "The operation failed with system error 536936447, for which Windows has no text."},
        {false, ERROR_SUCCESS, "The operation failed, and Windows gave no reason for it."},
        {true, 0x2000FFFF, "Unknown error"},
    };
    for (const auto& c : cases) {
        g_caughtBoxes.clear();
        SetLastError(c.code);
        c.remoteAccess ? ShowRasErrorBox(nullptr, c.code) : ShowLastSystemError(nullptr);
        ASSERT_EQ(g_caughtBoxes.size(), 1u) << "boxes for code " << c.code;
        EXPECT_EQ(g_caughtBoxes[0].text, c.text) << "code " << c.code;
    }
    // The service's text: an empty phonebook has no entry to select; a folder's list, then no entry's, can't be read.
    std::string folder = TempFilePath("folder.pbk");
    CreateDirectoryA(folder.c_str(), nullptr);
    const struct { std::string book; const char* text; size_t boxes; } books[] = {
        {UsePhonebook("; nothing here yet\n"), "The phonebook has no entry of that name.", 1},
        {folder, "The phonebook file cannot be opened or read.", 2}};
    for (const auto& book : books) {
        HWND form = FormOn(book.book);
        EXPECT_EQ(SendDlgItemMessageA(form, IDC_ENTRY, CB_GETCOUNT, 0, 0), 0) << book.book;
        EXPECT_EQ(g_caughtBoxes.size(), book.boxes) << "boxes for " << book.book;
        for (const CaughtBox& box : g_caughtBoxes)
            EXPECT_TRUE(box.text == book.text && box.owner == form) << box.text;
        DestroySchedulerForm(form);
    }
}

// The loader and the later calls, recorded: the search limited as Windows 8 (or 7 with its update) or XP SP1 to 7
// does it; each load, refused where there is no remote access; the message filter of 7 or Vista; no ghosts.
static bool g_noService;
static std::string g_asked;
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

static HMODULE WINAPI RecordLoad(LPCSTR name, HANDLE file, DWORD flags)
{
    Asked("load " + std::string(name) + " " + std::to_string(flags));
    SetLastError(ERROR_MOD_NOT_FOUND);
    return g_noService ? nullptr : g_load(name, file, flags);
}

static ATOM WINAPI RefuseClass(const WNDCLASSEXA*)
{
    Asked("register");
    return 0;
}

TEST(LaterCalls, TheProgramFirstLimitsTheSearchTakesTheServiceFromTheSystemFolderOnceLetsTheShellInAndNeverGhosts)
{
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    const std::string form = "register, no ghosts, form's filter: let TaskbarCreated in 1, ";
    const std::string flags = "limit 2048, " + form + "load rasapi32.dll 2048, ";
    const std::string noModule = SystemText(ERROR_MOD_NOT_FOUND) + "@";
    const struct { bool searchFlags, noService; std::string asked, boxes, status; } cases[] = {
        {true, false, flags, "", "Hung up"},
        {false, false, "folder \"\", register, no ghosts, let TaskbarCreated in 1, load " + std::string(system) +
         "\\rasapi32.dll 8, ", "", "Hung up"},
        {true, true, flags, noModule + "Idle," + noModule + "Idle," + noModule + "Dialling," + noModule + "Hanging Up,",
         "Hangup error"},
    };
    g_load = reinterpret_cast<decltype(g_load)>(SwapImport("kernel32.dll", "LoadLibraryExA", RECORDER(RecordLoad)));
    void* registerClass = SwapImport("user32.dll", "RegisterClassExA", RECORDER(RefuseClass));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.asked);
        // XP SP1 to 7 without its update lacks the search flags; Vista, the window's own message filter.
        RecordLaterCalls({{"kernel32.dll", "SetDefaultDllDirectories", c.searchFlags ? RECORDER(RecordSearchLimit) : 0},
                          {"kernel32.dll", "SetDllDirectoryA", RECORDER(RecordDllFolder)},
                          {"user32.dll", "ChangeWindowMessageFilterEx", c.searchFlags ? RECORDER(RecordFormFilter) : 0},
                          {"user32.dll", "ChangeWindowMessageFilter", RECORDER(RecordProcessFilter)},
                          {"user32.dll", "DisableProcessWindowsGhosting", RECORDER(RecordNoGhosts)}});
        g_noService = c.noService, g_asked.clear();
        ResetRemoteAccessState();
        // The program's first act; a class refused then ends it at once, with code 0.
        EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL), 0);
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
    SwapImport("user32.dll", "RegisterClassExA", registerClass);
    SwapImport("kernel32.dll", "LoadLibraryExA", RECORDER(g_load));
    RecordLaterCalls({});
}
