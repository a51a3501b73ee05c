// LF_Scheduler.exe under Wine, with the main-client double registered: the time from starting
// the program to its notification-area icon, and the time to the list of a 10,000-task file
// shown. Figures are printed, not asserted. (The idle program's processor time is not measured
// here: Wine's GetProcessTimes for another process does not follow it while it runs.)
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
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
    if (!PumpUntil([&] { return ready(); }, 60s)) throw std::runtime_error("the scheduler did not get ready");
    QueryPerformanceCounter(&end);
    return Milliseconds(start, end);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
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

        scheduler::TLarkFTPTaskStorage tasks;
        const double later = core::SystemClock().Now() + 30;
        for (int i = 0; i < 10000; ++i) {
            scheduler::TLarkFTPTask& t = tasks.TaskList().Add();
            t.SetRemoteURL("host" + std::to_string(i % 50) + ".example.org");
            t.SetLocalName("C:\\data\\file" + std::to_string(i) + ".txt");
            t.SetRemoteName("/pub/file" + std::to_string(i) + ".txt");
            t.SetScheduleTask(scheduler::TScheduleTask::stDaily);
            t.SetStartTime(later);
        }
        scheduler::SaveToFile(tasks, win::Narrow(run.folder + L"TaskList.ltl"));
        std::vector<double> list;
        for (int i = 0; i < 3; ++i) {
            list.push_back(TimeStart(run, [&] {
                HWND main = FindSchedulerMainWindow(run);
                if (!main) return false;
                if (!IsWindowVisible(main)) {
                    PostMessageW(main, 0x2504, 0, 0);
                    return false;
                }
                HWND view = FindWindowExW(main, nullptr, WC_LISTVIEWW, nullptr);
                return view && SendMessageW(view, LVM_GETITEMCOUNT, 0, 0) == 10000;
            }));
            CloseScheduler(run);
        }
        std::printf("start to the list of 10,000 tasks shown: median %.1f ms of %zu\n", Median(list), list.size());

        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench failed: %s\n", e.what());
        return 1;
    }
}
