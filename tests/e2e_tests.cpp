// The real quorvel.exe, started and driven from this second process.
#include <gtest/gtest.h>

#include <string>

#include "res/resource.h"
#include "test_support.h"

static const DWORD FORM_WAIT_MS = 30000;
static const DWORD EXIT_WAIT_MS = 15000;

struct Launched {
    PROCESS_INFORMATION process;
    HWND form;
};

// The exe sits in bin/ beside this program's tests/ folder.
static std::string QuorvelExePath()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path);
    folder = folder.substr(0, folder.find_last_of('\\'));
    folder = folder.substr(0, folder.find_last_of('\\'));
    return folder + "\\bin\\quorvel.exe";
}

struct FormSearch {
    DWORD processId;
    HWND found;
};

static BOOL CALLBACK FindFormOfProcess(HWND window, LPARAM search)
{
    FormSearch* s = reinterpret_cast<FormSearch*>(search);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64];
    GetClassNameA(window, className, sizeof className);
    char title[64];
    GetWindowTextA(window, title, sizeof title);
    if (owner == s->processId && lstrcmpA(className, "#32770") == 0 &&
        lstrcmpA(title, "Quorvel") == 0) {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForForm(DWORD processId, DWORD timeoutMs)
{
    for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
        FormSearch search = {processId, nullptr};
        EnumWindows(FindFormOfProcess, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr && IsWindowVisible(search.found))
            return search.found;
        Sleep(100);
    }
    return nullptr;
}

static Launched LaunchQuorvel()
{
    Launched launched = {};
    std::string exe = QuorvelExePath();
    STARTUPINFOA startup = {sizeof startup};
    char commandLine[MAX_PATH + 2];
    snprintf(commandLine, sizeof commandLine, "\"%s\"", exe.c_str());
    if (!CreateProcessA(exe.c_str(), commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &launched.process)) {
        ADD_FAILURE() << "could not start " << exe << ": error " << GetLastError();
        return launched;
    }
    launched.form = WaitForForm(launched.process.dwProcessId, FORM_WAIT_MS);
    return launched;
}

static DWORD WaitForExitCode(Launched* launched)
{
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(launched->process.hProcess, EXIT_WAIT_MS) == WAIT_OBJECT_0)
        GetExitCodeProcess(launched->process.hProcess, &code);
    else
        TerminateProcess(launched->process.hProcess, 99);
    CloseHandle(launched->process.hProcess);
    CloseHandle(launched->process.hThread);
    return code;
}

static HWND FindHiddenWindowOf(DWORD processId)
{
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, "QUORVEL", "Quorvel")) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId)
            return window;
    }
    return nullptr;
}

TEST(EndToEnd, FormComesUpWithItsHiddenWindowAndClosesWithCodeZero)
{
    UsePhonebook("[Home ISP]\nUser=alice\nPassword=secret\n");
    Launched quorvel = LaunchQuorvel();
    ASSERT_NE(quorvel.form, nullptr) << "the form did not appear";
    HWND hidden = FindHiddenWindowOf(quorvel.process.dwProcessId);
    ASSERT_NE(hidden, nullptr);
    EXPECT_FALSE(IsWindowVisible(hidden));

    char status[64];
    GetDlgItemTextA(quorvel.form, IDC_STATUS, status, sizeof status);
    EXPECT_STREQ(status, "Idle");
    char entry[64];
    GetDlgItemTextA(quorvel.form, IDC_ENTRY, entry, sizeof entry);
    EXPECT_STREQ(entry, "Home ISP");

    PostMessageA(quorvel.form, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForExitCode(&quorvel), 0u);
}

TEST(EndToEnd, CancelEndsWithCodeZero)
{
    UsePhonebook("[Home ISP]\n");
    Launched quorvel = LaunchQuorvel();
    ASSERT_NE(quorvel.form, nullptr);
    PostMessageA(quorvel.form, WM_COMMAND, MAKEWPARAM(IDC_CLOSE, BN_CLICKED), 0);
    EXPECT_EQ(WaitForExitCode(&quorvel), 0u);
}

TEST(EndToEnd, SystemMenuCloseEndsWithCodeZero)
{
    UsePhonebook("[Home ISP]\n");
    Launched quorvel = LaunchQuorvel();
    ASSERT_NE(quorvel.form, nullptr);
    // What Alt+F4 and the close box send.
    PostMessageA(quorvel.form, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(WaitForExitCode(&quorvel), 0u);
}

TEST(EndToEnd, PostedQuitRequestEndsWithCodeZero)
{
    UsePhonebook("[Home ISP]\n");
    Launched quorvel = LaunchQuorvel();
    ASSERT_NE(quorvel.form, nullptr);
    PostThreadMessageA(quorvel.process.dwThreadId, WM_QUIT, 0, 0);
    EXPECT_EQ(WaitForExitCode(&quorvel), 0u);
}

TEST(EndToEnd, EscapeLeavesTheFormUp)
{
    UsePhonebook("[Home ISP]\n");
    Launched quorvel = LaunchQuorvel();
    ASSERT_NE(quorvel.form, nullptr);
    PostMessageA(quorvel.form, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    PostMessageA(quorvel.form, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(WaitForSingleObject(quorvel.process.hProcess, 1500), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(IsWindowVisible(quorvel.form));
    PostMessageA(quorvel.form, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForExitCode(&quorvel), 0u);
}
