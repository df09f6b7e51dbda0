// Measures the real quorvel.exe under load: it schedules many dials and
// hang-ups a few seconds apart, some while a dial blocks the program's
// thread and some while the form is hidden, and reads from the stand-in's
// journal when each was acted on. Prints a table; not a test.
#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "res/resource.h"
#include "scheduler/scheduler.h"
#include "harness.h"

#include <psapi.h>

static const int FREE_CYCLES = 30;
static const int BUSY_CYCLES = 10;
static const int HIDDEN_CYCLES = 10;
static const int LEAD_SECONDS = 2;
static const int HANG_UP_AFTER_SECONDS = 2;
static const int SLOW_DIAL_MS = 4000;
static const DWORD IDLE_COUNTING_MS = 30000;
static const DWORD RESTORE_WAIT_MS = 2000;

enum CycleKind { FREE_CYCLE, BUSY_CYCLE, HIDDEN_CYCLE };

struct Moment {
    SYSTEMTIME at;
    bool isDial;
    bool threadBusy;
    bool hidden;
    int actedOn;
    long long lateMs;
};

static double CpuSeconds(HANDLE process)
{
    FILETIME created, ended, kernel, user;
    GetProcessTimes(process, &created, &ended, &kernel, &user);
    return static_cast<double>(UnitsOf(kernel) + UnitsOf(user)) / UNITS_PER_SECOND;
}

static void WaitUntil(const SYSTEMTIME& moment, int extraMs)
{
    for (;;) {
        long long left = MsBetween(LocalNow(), moment) + extraMs;
        if (left <= 0)
            return;
        Sleep(static_cast<DWORD>(std::min<long long>(left, 100)));
    }
}

// The program's icon, as quorvel.exe carries it, to find it in the task bar.
static HICON g_quorvelIcon;

// As a user brings the form back: a double-click on its icon where the shell shows it.
static bool RestoreFromIcon(HWND form)
{
    POINT icon;
    if (!FindShellIcon(g_quorvelIcon, &icon))
        return false;
    ClickAt(icon, 2);
    return WaitFor([&] { return IsWindowVisible(form) != FALSE; }, RESTORE_WAIT_MS);
}

static void RunCycle(const Launched& quorvel, CycleKind kind, std::vector<Moment>* moments, int* restored)
{
    SelectEntry(quorvel.form, kind == BUSY_CYCLE ? "Slow" : "Fast");
    SYSTEMTIME dial = AddSeconds(LocalNow(), LEAD_SECONDS);
    dial.wMilliseconds = 0;
    SYSTEMTIME hangUp = AddSeconds(dial, HANG_UP_AFTER_SECONDS);
    SetPicker(quorvel.form, IDC_DIAL_TIME, dial);
    SetPicker(quorvel.form, IDC_DIAL_DATE, dial);
    SetPicker(quorvel.form, IDC_HANGUP_TIME, hangUp);
    SetPicker(quorvel.form, IDC_HANGUP_DATE, hangUp);
    bool hidden = kind == HIDDEN_CYCLE;
    if (hidden)
        PressButton(quorvel.form, IDC_HIDE);
    moments->push_back({dial, true, false, hidden, 0, 0});
    moments->push_back({hangUp, false, kind == BUSY_CYCLE, hidden, 0, 0});
    int settleMs = kind == BUSY_CYCLE ? SLOW_DIAL_MS + 1500 : 1500;
    WaitUntil(kind == BUSY_CYCLE ? dial : hangUp, settleMs);
    if (hidden && RestoreFromIcon(quorvel.form))
        ++*restored;
    else if (hidden)
        SendMessageA(quorvel.form, WM_TRAYNOTIFY, TRAY_ICON_ID, WM_LBUTTONDBLCLK); // so the next cycles go on
}

// Each moment is matched with the calls of its kind made from its second
// until the next moment of that kind.
static void MatchJournal(std::vector<Moment>* moments)
{
    std::vector<JournalCall> dials = JournalCalls("RasDialA");
    std::vector<JournalCall> hangUps = JournalCalls("RasHangUpA");
    for (size_t i = 0; i < moments->size(); i++) {
        Moment& m = (*moments)[i];
        SYSTEMTIME until = AddSeconds(m.at, 3600);
        for (size_t j = i + 1; j < moments->size(); j++) {
            if ((*moments)[j].isDial == m.isDial) {
                until = (*moments)[j].at;
                break;
            }
        }
        // A line with no time reads as far in the past, so it matches no moment.
        for (const JournalCall& call : m.isDial ? dials : hangUps) {
            long long late = MsBetween(m.at, call.time);
            if (late >= 0 && MsBetween(call.time, until) > 0) {
                if (m.actedOn++ == 0)
                    m.lateMs = late;
            }
        }
    }
}

static long long Percentile(std::vector<long long> values, double fraction)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    size_t index = static_cast<size_t>(fraction * (values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

static void PrintLateness(const char* label, const std::vector<Moment>& moments, int which)
{
    std::vector<long long> late;
    for (const Moment& m : moments) {
        bool wanted = which == 0 ? !m.threadBusy : which == 1 ? m.threadBusy : m.hidden;
        if (wanted && m.actedOn > 0)
            late.push_back(m.lateMs);
    }
    printf("| lateness, %-26s | %5zu | %6lld | %6lld | %6lld | %6lld |\n", label, late.size(), Percentile(late, 0.0),
           Percentile(late, 0.5), Percentile(late, 0.99), Percentile(late, 1.0));
}

int main()
{
    UsePhonebook("[Fast]\nUser=alice\nPassword=secret\n"
                 "[Slow]\nUser=bob\nPassword=secret\nDialMs=" + std::to_string(SLOW_DIAL_MS) + "\n");
    UseJournal();
    std::string exe = QuorvelExePath();
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    GetFileAttributesExA(exe.c_str(), GetFileExInfoStandard, &attributes);

    Launched quorvel = LaunchQuorvel();
    if (quorvel.form == nullptr)
        return 2;
    HMODULE resources = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    g_quorvelIcon = LoadIconA(resources, MAKEINTRESOURCEA(IDI_APP));
    std::vector<CycleKind> plan;
    for (int i = 0; i < FREE_CYCLES + BUSY_CYCLES + HIDDEN_CYCLES; i++)
        plan.push_back(i % 5 == 2 ? BUSY_CYCLE : i % 5 == 4 ? HIDDEN_CYCLE : FREE_CYCLE);

    PressButton(quorvel.form, IDC_START);
    DWORD countingStarted = GetTickCount();
    double cpuAtStart = CpuSeconds(quorvel.process.hProcess);
    std::vector<Moment> moments;
    int restored = 0;
    for (CycleKind kind : plan) {
        RunCycle(quorvel, kind, &moments, &restored);
        fprintf(stderr, ".");
    }
    fprintf(stderr, "\n");
    double busyMinutes = (GetTickCount() - countingStarted) / 60000.0;
    double busyCpu = CpuSeconds(quorvel.process.hProcess) - cpuAtStart;

    double cpuBeforeIdle = CpuSeconds(quorvel.process.hProcess);
    Sleep(IDLE_COUNTING_MS);
    double idleCpu = CpuSeconds(quorvel.process.hProcess) - cpuBeforeIdle;

    PROCESS_MEMORY_COUNTERS memory = {sizeof memory};
    GetProcessMemoryInfo(quorvel.process.hProcess, &memory, sizeof memory);
    DWORD exitCode = CloseQuorvel(&quorvel, 15000);

    MatchJournal(&moments);
    int acted = 0, missed = 0, twice = 0, hidden = 0;
    for (const Moment& m : moments) {
        acted += m.actedOn > 0;
        missed += m.actedOn == 0;
        twice += m.actedOn > 1;
        hidden += m.hidden;
    }
    printf("| measure                              | count |    min | median |    p99 |    max |\n");
    printf("|--------------------------------------|-------|--------|--------|--------|--------|\n");
    printf("| moments scheduled                    | %5zu |        |        |        |        |\n", moments.size());
    printf("|   of them while the form was hidden  | %5d |        |        |        |        |\n", hidden);
    printf("| hidden forms back from their icon    | %5d |        |        |        |        |\n", restored);
    printf("| acted on                             | %5d |        |        |        |        |\n", acted);
    printf("| missed                               | %5d |        |        |        |        |\n", missed);
    printf("| acted on twice                       | %5d |        |        |        |        |\n", twice);
    PrintLateness("thread free (ms)", moments, 0);
    PrintLateness("thread busy dialling (ms)", moments, 1);
    PrintLateness("form hidden (ms)", moments, 2);
    printf("\n");
    printf("CPU time per minute of counting: %.3f s with the moments above, %.3f s idle\n",
           busyCpu / busyMinutes, std::max(0.0, idleCpu) / (IDLE_COUNTING_MS / 60000.0));
    printf("Peak working set: %.1f MiB\n", memory.PeakWorkingSetSize / (1024.0 * 1024.0));
    printf("Launch to form on screen: %lu ms\n", quorvel.msToForm);
    printf("quorvel.exe size: %lu bytes\n", attributes.nFileSizeLow);
    printf("Exit code: %lu\n", exitCode);
    return missed == 0 && twice == 0 && restored == HIDDEN_CYCLES && exitCode == 0 ? 0 : 1;
}
