// The real quorvel.exe, started and driven from this second process.
#include <gtest/gtest.h>

#include <algorithm>

#include "res/resource.h"
#include "test_support.h"

static const DWORD EXIT_WAIT_MS = 15000;
static const DWORD STAYS_UP_MS = 1500;

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
    SYSTEMTIME dial = AddSeconds(LocalNow(), 4), hangUp = AddSeconds(dial, 2);
    for (int picker : {IDC_DIAL_TIME, IDC_DIAL_DATE, IDC_HANGUP_TIME, IDC_HANGUP_DATE})
        EXPECT_TRUE(SetPicker(quorvel.form, picker, picker == IDC_DIAL_TIME || picker == IDC_DIAL_DATE ? dial : hangUp));
    // Enter in a field presses the default button, Start, late in a second, and again Stop.
    ClickControl(quorvel.form, IDC_USER);
    WaitFor([] { return LocalNow().wMilliseconds >= 955 && LocalNow().wMilliseconds < 985; }, EXIT_WAIT_MS);
    PressKey(VK_RETURN);
    EXPECT_TRUE(WaitForText(quorvel.form, IDC_STATUS, "Started counting", EXIT_WAIT_MS)) << "Enter in the user field";
    Sleep(static_cast<DWORD>(std::max(0LL, MsBetween(LocalNow(), hangUp))) + 1500);
    PressKey(VK_RETURN);
    EXPECT_TRUE(WaitForText(quorvel.form, IDC_START, "Start", EXIT_WAIT_MS)) << "Enter again stops counting";
    EXPECT_EQ(ControlText(quorvel.form, IDC_STATUS), "Idle");
    EXPECT_EQ(CloseQuorvel(&quorvel, EXIT_WAIT_MS), 0u);
    std::vector<JournalCall> dials = JournalCalls("RasDialA"), hangUps = JournalCalls("RasHangUpA");
    ASSERT_TRUE(dials.size() == 1 && hangUps.size() == 1) << dials.size() << " dials, " << hangUps.size() << " hangups";
    for (const auto& action : {std::make_pair(dial, dials[0]), std::make_pair(hangUp, hangUps[0])})
        EXPECT_TRUE(SecondsBetween(action.first, action.second.time) == 0 && action.second.time.wMilliseconds < 250)
            << "early in its own second: " << action.second.line;
    EXPECT_EQ(dials[0].rest, "entry=\"Home ISP\" user=\"" + user + "\" domain=\"HOME\" -> 0 handle=1");
}

static int FocusedControl(const Launched& quorvel)
{
    GUITHREADINFO info = {sizeof info};
    GetGUIThreadInfo(quorvel.process.dwThreadId, &info);
    return GetDlgCtrlID(info.hwndFocus);
}

static int VisibleTaskBarButtons()
{
    int count = 0;
    HWND taskBar = FindWindowA("Shell_TrayWnd", nullptr);
    for (HWND button = nullptr; (button = FindWindowExA(taskBar, button, "Button", nullptr)) != nullptr;)
        count += IsWindowVisible(button) != FALSE;
    return count;
}

TEST(EndToEnd, FromADownloadsFolderItLoadsNoStrangersDllAndMeetsTheShellTheKeyboardAndAScreenReader)
{
    // A copy of the exe beside a stranger's rasapi32.dll, started in a folder with one too; Wine looks as Windows does.
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
    for (const std::string& folder : {downloads, startedIn})
        EXPECT_EQ(GetFileAttributesA((folder + "\\rasapi32.dll.loaded").c_str()), INVALID_FILE_ATTRIBUTES)
            << "the rasapi32.dll in " << folder << " was loaded";
    ASSERT_NE(quorvel.form, nullptr) << "the form did not appear";
    HWND mainWindow = FindWindowA("QUORVEL", "Quorvel");
    EXPECT_TRUE(mainWindow != nullptr && !IsWindowVisible(mainWindow)) << "the main window is there and never shown";

    // A screen reader names a field by the static text just before it in z-order.
    const std::pair<int, const char*> labels[] = {
        {IDC_ENTRY, "RAS Entry:"}, {IDC_USER, "User ID:"}, {IDC_PASSWORD, "Password:"}, {IDC_DOMAIN, "Domain:"},
        {IDC_DIAL_TIME, "Time:"},  {IDC_DIAL_DATE, "Date:"}, {IDC_HANGUP_TIME, "Time:"}, {IDC_HANGUP_DATE, "Date:"}};
    for (const auto& label : labels) {
        char text[32] = "";
        int length = GetWindowTextA(GetWindow(GetDlgItem(quorvel.form, label.first), GW_HWNDPREV), text, sizeof text);
        EXPECT_EQ(std::string(text, std::max(length, 0)), label.second) << "the window before control " << label.first;
    }
    // A click on the form, then Tab after Tab from the first field, through the tab stops in the template's order.
    ClickControl(quorvel.form, IDC_STATUS);
    for (int control : {IDC_ENTRY, IDC_USER, IDC_PASSWORD, IDC_DOMAIN, IDC_DIAL_ENABLE, IDC_DIAL_TIME, IDC_DIAL_DATE,
                        IDC_HANGUP_ENABLE, IDC_HANGUP_TIME, IDC_HANGUP_DATE, IDC_START, IDC_HIDE, IDC_CLOSE, IDC_ENTRY}) {
        EXPECT_TRUE(WaitFor([&] { return FocusedControl(quorvel) == control; }, STAYS_UP_MS))
            << "the focus is on " << FocusedControl(quorvel) << " where the Tab key should take it to " << control;
        PressKey(VK_TAB);
    }

    // The icon in the caption, after Hide in the notification area, whose double-click brings back the form with a task
    // bar button of its own (no owner, no tool window). The test carries the program's resources.
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP));
    POINT at = {};
    EXPECT_TRUE(WaitFor([&] { return FindIconIn(quorvel.form, icon, &at); }, STAYS_UP_MS)) << "the caption's icon";
    PressButton(quorvel.form, IDC_HIDE);
    ASSERT_TRUE(WaitFor([&] { return FindShellIcon(icon, &at); }, STAYS_UP_MS)) << "the notification area's icon";
    int hidden = VisibleTaskBarButtons();
    ClickAt(at, 2);
    EXPECT_TRUE(WaitFor([&] { return VisibleTaskBarButtons() == hidden + 1; }, STAYS_UP_MS)) << "the task bar's button";
    // Cancel ends the program with code 0.
    PressButton(quorvel.form, IDC_CLOSE);
    EXPECT_EQ(WaitForExitCode(&quorvel, EXIT_WAIT_MS), 0u) << "after Cancel";
}
