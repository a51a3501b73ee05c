// LF_Scheduler.exe under Wine, with the main-client double registered: the time from starting
// the program to its notification-area icon; the time to the list of a task file of 10,000,
// 100,000 and 200,000 tasks shown, beside the time reading that file takes and the longest the
// program kept another program waiting for an answer meanwhile; and the processor time the
// idle program (hidden, 10,000 tasks none of which is due) takes over 60 s. Figures are printed, not asserted. Wine's GetProcessTimes does not follow
// another process while it runs, so the idle time is read from the Linux process behind the
// program (/proc through Wine's Z: drive).
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "core/clock.h"
#include "scheduler/task_file.h"
#include "scheduler_harness.h"
#include "win/text.h"

using namespace lark;
using namespace lark::testing;
using namespace std::chrono_literals;

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1e3 / static_cast<double>(f.QuadPart);
}

bool TrayIconUp(const SchedulerRun& run) { return FindRunWindowOfClass(run, L"TUiTrayIconWindow") != nullptr; }

// Starts the program and waits until `ready`; the milliseconds it took.
template <class Ready>
double TimeStart(SchedulerRun& run, Ready ready) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring cmd = L"\"" + run.folder + L"LF_Scheduler.exe\"";
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, run.folder.c_str(), &si, &run.process))
        throw std::runtime_error("cannot start the scheduler");
    if (!PumpUntil([&] { return ready(); }, 180s)) throw std::runtime_error("the scheduler did not get ready");
    QueryPerformanceCounter(&end);
    return Milliseconds(start, end);
}

// The Linux process whose command line names this program file: its /proc folder, or empty.
std::wstring LinuxProcessOf(const std::wstring& program) {
    std::string wanted = win::Narrow(program);
    std::transform(wanted.begin(), wanted.end(), wanted.begin(), [](unsigned char c) { return std::tolower(c); });
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE) return {};
    std::wstring result;
    do {
        if (found.cFileName[0] < L'0' || found.cFileName[0] > L'9') continue;
        const std::wstring folder = std::wstring(L"Z:\\proc\\") + found.cFileName + L"\\";
        std::string command = ReadTextFile(folder + L"cmdline");
        std::replace(command.begin(), command.end(), '\0', ' ');
        std::transform(command.begin(), command.end(), command.begin(), [](unsigned char c) { return std::tolower(c); });
        if (command.find(wanted) != std::string::npos) result = folder;
    } while (result.empty() && FindNextFileW(search, &found));
    FindClose(search);
    return result;
}

// User and system time of a Linux process (all its threads), in seconds; -1 when unknown.
double ProcessorSeconds(const std::wstring& procFolder) {
    const std::string stat = ReadTextFile(procFolder + L"stat");
    const std::size_t end = stat.rfind(')');
    if (end == std::string::npos) return -1;
    // After the command's closing parenthesis: state is field 3; utime and stime are 14 and 15.
    std::vector<std::string> fields;
    std::size_t at = end + 2;
    while (at < stat.size()) {
        std::size_t next = stat.find(' ', at);
        if (next == std::string::npos) next = stat.size();
        fields.push_back(stat.substr(at, next - at));
        at = next + 1;
    }
    if (fields.size() < 13) return -1;
    const double ticks = std::stod(fields[11]) + std::stod(fields[12]);
    return ticks / 100.0;  // USER_HZ
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Starts the program as at log-on (hidden) and prints the processor time it takes over 60 s once
// the start has settled.
void MeasureIdle(SchedulerRun& run, const char* what) {
    TimeStart(run, [&] { return TrayIconUp(run); });
    Sleep(5000);
    const std::wstring proc = LinuxProcessOf(run.folder + L"LF_Scheduler.exe");
    if (proc.empty()) throw std::runtime_error("the scheduler's Linux process was not found");
    const double before = ProcessorSeconds(proc);
    const int seconds = 60;
    Sleep(seconds * 1000);
    const double after = ProcessorSeconds(proc);
    if (before < 0 || after < 0) throw std::runtime_error("the scheduler's processor time cannot be read");
    std::printf("idle with %s over %d s: %.0f ms of processor time, %.3f %% of a core\n", what, seconds,
                (after - before) * 1e3, (after - before) * 100.0 / seconds);
    CloseScheduler(run);
}

// A task file of `count` daily tasks, none of them due.
void WriteTaskFile(const SchedulerRun& run, int count) {
    scheduler::TLarkFTPTaskStorage tasks;
    const double later = core::SystemClock().Now() + 30;
    for (int i = 0; i < count; ++i) {
        scheduler::TLarkFTPTask& t = tasks.TaskList().Add();
        t.SetRemoteURL("host" + std::to_string(i % 50) + ".example.org");
        t.SetLocalName("C:\\data\\file" + std::to_string(i) + ".txt");
        t.SetRemoteName("/pub/file" + std::to_string(i) + ".txt");
        t.SetScheduleTask(scheduler::TScheduleTask::stDaily);
        t.SetStartTime(later);
    }
    scheduler::SaveToFile(tasks, win::Narrow(run.folder + L"TaskList.ltl"));
}

// Start to the list of `count` tasks shown (the program is asked to show its window as soon as
// it has one), the time reading the file alone takes here, and the longest the program's
// windows kept another program waiting for an answer meanwhile.
void MeasureList(SchedulerRun& run, int count) {
    const std::string file = win::Narrow(run.folder + L"TaskList.ltl");
    std::vector<double> reads;
    for (int i = 0; i < 3; ++i) {
        scheduler::TLarkFTPTaskStorage scratch;
        LARGE_INTEGER from, to;
        QueryPerformanceCounter(&from);
        scheduler::LoadFromFile(scratch, file);
        QueryPerformanceCounter(&to);
        reads.push_back(Milliseconds(from, to));
    }
    std::vector<double> shown, waits;
    for (int i = 0; i < 3; ++i) {
        double longestWait = 0;
        shown.push_back(TimeStart(run, [&] {
            // Any of its windows answers for its one thread.
            HWND app = FindSchedulerWindow(run);
            if (app) {
                LARGE_INTEGER from, to;
                QueryPerformanceCounter(&from);
                DWORD_PTR result = 0;
                SendMessageTimeoutW(app, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result);
                QueryPerformanceCounter(&to);
                longestWait = std::max(longestWait, Milliseconds(from, to));
            }
            HWND main = FindSchedulerMainWindow(run);
            if (!main) return false;
            if (!IsWindowVisible(main)) {
                PostMessageW(main, 0x2504, 0, 0);
                return false;
            }
            HWND view = FindWindowExW(main, nullptr, WC_LISTVIEWW, nullptr);
            return view && SendMessageW(view, LVM_GETITEMCOUNT, 0, 0) == count;
        }));
        waits.push_back(longestWait);
        CloseScheduler(run, 120s);
    }
    const double read = Median(reads), start = Median(shown);
    std::printf("%d tasks: start to the list shown: median %.0f ms of %zu; reading the same file in this process: "
                "median %.0f ms; the difference: %.0f ms; longest wait for an answer meanwhile: median %.0f ms\n",
                count, start, shown.size(), read, start - read, Median(waits));
}

}  // namespace

int wmain() {
    try {
        SchedulerRun run;
        PlaceRun(run, L"lark-bench-start");
        PrepareRun(run);

        std::vector<double> tray;
        for (int i = 0; i < 5; ++i) {
            tray.push_back(TimeStart(run, [&] { return TrayIconUp(run); }));
            CloseScheduler(run);
        }
        std::printf("start to the tray icon (empty task list): median %.1f ms of %zu\n", Median(tray), tray.size());
        MeasureIdle(run, "an empty task list");

        for (const int count : {10000, 100000, 200000}) {
            WriteTaskFile(run, count);
            MeasureList(run, count);
        }
        WriteTaskFile(run, 10000);
        MeasureIdle(run, "10,000 tasks");

        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench failed: %s\n", e.what());
        return 1;
    }
}
