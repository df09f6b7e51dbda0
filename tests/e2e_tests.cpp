// The real quorvel.exe, started and driven from this second process.
#include <gtest/gtest.h>

#include <algorithm>

#include "res/resource.h"
#include "test_support.h"

static const DWORD EXIT_WAIT_MS = 15000;
static const DWORD STAYS_UP_MS = 1500;

TEST(EndToEnd, TheWaysOfEndingEndWithCodeZeroAndEscapeIsNoneOfThem)
{
    // Cancel, the close box or Alt+F4, a quit request posted to the thread, Escape.
    const std::pair<UINT, WPARAM> cases[] = {
        {WM_COMMAND, IDC_CLOSE}, {WM_SYSCOMMAND, SC_CLOSE}, {WM_QUIT, 0}, {WM_COMMAND, IDCANCEL}};
    UsePhonebook("[Home ISP]\nUser=alice\n");
    for (const auto& c : cases) {
        Launched quorvel = LaunchQuorvel();
        ASSERT_NE(quorvel.form, nullptr) << "the form did not appear";
        HWND hidden = FindWindowA("QUORVEL", "Quorvel");
        EXPECT_NE(hidden, nullptr) << "the main window";
        EXPECT_FALSE(IsWindowVisible(hidden)) << "the main window is never shown";
        PostThreadMessageA(quorvel.process.dwThreadId, c.first == WM_QUIT ? WM_QUIT : WM_NULL, 0, 0);
        PostMessageA(quorvel.form, c.first == WM_QUIT ? WM_NULL : c.first, c.second, 0);
        bool escape = c.second == IDCANCEL;
        EXPECT_EQ(WaitForSingleObject(quorvel.process.hProcess, escape ? STAYS_UP_MS : EXIT_WAIT_MS),
                  escape ? WAIT_TIMEOUT : WAIT_OBJECT_0) << c.first;
        PostMessageA(quorvel.form, WM_CLOSE, 0, 0);
        EXPECT_EQ(WaitForExitCode(&quorvel, EXIT_WAIT_MS), 0u);
    }
}

TEST(EndToEnd, DialsAndHangsUpWithinTheirOwnSecondsOnTheRealTimer)
{
    // A user ID and a password typed over the stored ones, longer than 49 characters: the dial takes them whole.
    const std::string user = "a.user.with.a.long.name@" + std::string(40, 'u'), password(64, 'p');
    UsePhonebook("[Home ISP]\nUser=alice\nPassword=secret\nDomain=HOME\nAcceptPassword=" + password + "\n");
    UseJournal();
    Launched quorvel = LaunchQuorvel();
    ASSERT_NE(quorvel.form, nullptr) << "the form did not appear";
    SetDlgItemTextA(quorvel.form, IDC_USER, user.c_str());
    SetDlgItemTextA(quorvel.form, IDC_PASSWORD, password.c_str());
    SYSTEMTIME dial = AddSeconds(LocalNow(), 3), hangUp = AddSeconds(dial, 2);
    for (int picker : {IDC_DIAL_TIME, IDC_DIAL_DATE, IDC_HANGUP_TIME, IDC_HANGUP_DATE})
        EXPECT_TRUE(SetPicker(quorvel.form, picker, picker == IDC_DIAL_TIME || picker == IDC_DIAL_DATE ? dial : hangUp));
    // Enter in a field presses the form's default button, Start, and again Stop.
    ClickControl(quorvel.form, IDC_USER);
    PressKey(VK_RETURN);
    EXPECT_TRUE(WaitForText(quorvel.form, IDC_STATUS, "Started counting", EXIT_WAIT_MS)) << "Enter in the user field";
    EXPECT_GT(SecondsBetween(LocalNow(), dial), 0) << "Start came after the dial's second";
    Sleep(static_cast<DWORD>(std::max(0LL, MsBetween(LocalNow(), hangUp))) + 1500);
    EXPECT_EQ(ControlText(quorvel.form, IDC_STATUS), "Hung up");
    PressKey(VK_RETURN);
    EXPECT_TRUE(WaitForText(quorvel.form, IDC_START, "Start", EXIT_WAIT_MS)) << "Enter again stops counting";
    EXPECT_EQ(ControlText(quorvel.form, IDC_STATUS), "Idle");
    PostMessageA(quorvel.form, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForExitCode(&quorvel, EXIT_WAIT_MS), 0u);
    std::vector<JournalCall> dials = JournalCalls("RasDialA"), hangUps = JournalCalls("RasHangUpA");
    ASSERT_EQ(dials.size(), 1u) << "dials";
    ASSERT_EQ(hangUps.size(), 1u) << "hang-ups";
    EXPECT_EQ(SecondsBetween(dial, dials[0].time), 0) << dials[0].line;
    EXPECT_EQ(SecondsBetween(hangUp, hangUps[0].time), 0) << hangUps[0].line;
    EXPECT_EQ(dials[0].rest, "entry=\"Home ISP\" user=\"" + user + "\" domain=\"HOME\" -> 0 handle=1");
}

static int VisibleTaskBarButtons()
{
    int count = 0;
    HWND taskBar = FindWindowA("Shell_TrayWnd", nullptr);
    for (HWND button = nullptr; (button = FindWindowExA(taskBar, button, "Button", nullptr)) != nullptr;)
        count += IsWindowVisible(button) != FALSE;
    return count;
}

TEST(EndToEnd, TheShellShowsTheProgramsIconInTheCaptionAndNotificationAreaAndATaskBarButtonForTheForm)
{
    UsePhonebook("[Home ISP]\n");
    Launched quorvel = LaunchQuorvel();
    ASSERT_NE(quorvel.form, nullptr) << "the form did not appear";
    // The test program carries the program's own resources.
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP));
    POINT at = {};
    EXPECT_TRUE(FindIconIn(quorvel.form, icon, &at)) << "the form's caption shows the program's icon";
    // The shell gives a button to a shown window that has no owner and is no tool window.
    EXPECT_EQ(GetWindow(quorvel.form, GW_OWNER), nullptr) << "the form's owner";
    EXPECT_FALSE(GetWindowLongA(quorvel.form, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) << "the form is a tool window";
    int buttons = VisibleTaskBarButtons();
    PressButton(quorvel.form, IDC_HIDE);
    for (int i = 0; i < 50 && VisibleTaskBarButtons() != buttons - 1; i++)
        Sleep(20);
    EXPECT_EQ(VisibleTaskBarButtons(), buttons - 1) << "the form's button goes from the task bar when it hides";
    for (int i = 0; i < 50 && !FindShellIcon(icon, &at); i++)
        Sleep(20);
    EXPECT_TRUE(FindShellIcon(icon, &at)) << "the notification area shows the program's icon once";
    PostMessageA(quorvel.form, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForExitCode(&quorvel, EXIT_WAIT_MS), 0u);
}

TEST(EndToEnd, AStrangersRasapi32BesideTheExeOrInTheFolderItStartsInIsNeverLoaded)
{
    // A copy of the exe in a Downloads folder beside someone's rasapi32.dll, started in another folder that holds one
    // too, with Wine told to look for that DLL where Windows does.
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string planted = std::string(self, strrchr(self, '\\')) + "\\planted\\rasapi32.dll";
    std::string downloads = TempFilePath("Downloads"), startedIn = TempFilePath("started-in");
    for (const std::string& folder : {downloads, startedIn}) {
        CreateDirectoryA(folder.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(planted.c_str(), (folder + "\\rasapi32.dll").c_str(), FALSE)) << planted;
    }
    ASSERT_TRUE(CopyFileA(QuorvelExePath().c_str(), (downloads + "\\quorvel.exe").c_str(), FALSE));
    char overrides[512] = "";
    GetEnvironmentVariableA("WINEDLLOVERRIDES", overrides, sizeof overrides);
    SetEnvironmentVariableA("WINEDLLOVERRIDES", (std::string(overrides) + ";rasapi32=n,b").c_str());
    UsePhonebook("[Home ISP]\nUser=alice\n");
    Launched quorvel = LaunchQuorvel(downloads + "\\quorvel.exe", startedIn.c_str());
    SetEnvironmentVariableA("WINEDLLOVERRIDES", overrides[0] != '\0' ? overrides : nullptr);
    for (const std::string& folder : {downloads, startedIn})
        EXPECT_EQ(GetFileAttributesA((folder + "\\rasapi32.dll.loaded").c_str()), INVALID_FILE_ATTRIBUTES)
            << "the rasapi32.dll in " << folder << " was loaded";
    ASSERT_NE(quorvel.form, nullptr) << "the form did not appear";
    EXPECT_EQ(ControlText(quorvel.form, IDC_ENTRY), "Home ISP") << "the entry of the system's service";
    PostMessageA(quorvel.form, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForExitCode(&quorvel, EXIT_WAIT_MS), 0u);
}
