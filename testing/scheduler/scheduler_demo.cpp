// The main job's demo: LF_Scheduler.exe runs two due transfers through the main-client double
// (which stands in for the real main client here), then the task list and the log it left
// are shown.
#include <cstdio>
#include <filesystem>

#include "core/clock.h"
#include "core/datetime.h"
#include "scheduler/task_file.h"
#include "gui_testing/form_driver.h"
#include "scheduler_harness.h"
#include "win/module_path.h"
#include "win/text.h"

using namespace lark;
using namespace lark::scheduler;
using namespace lark::testing;
using namespace std::chrono_literals;

namespace {
void Show(const char* title, const std::string& text) {
    std::printf("\n== %s\n%s", title, text.c_str());
    if (!text.empty() && text.back() != '\n') std::printf("\n");
}
}  // namespace

int wmain() {
    try {
        std::wstring root = win::ModuleFolder() + L"demo\\";
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
        SchedulerRun run;
        run.folder = root + L"LF_Scheduler\\";
        run.site = root + L"remote-site\\";
        run.callLog = root + L"main-client-calls.log";
        std::wstring local = root + L"downloads\\";
        WriteTextFile(run.site + L"pub\\readme.txt", "Read me.\r\n");
        WriteTextFile(run.site + L"pub\\reports\\january.csv", "month,total\r\njanuary,10\r\n");
        WriteTextFile(run.site + L"pub\\reports\\february.csv", "month,total\r\nfebruary,12\r\n");
        std::filesystem::create_directories(local);

        TLarkFTPTaskStorage tasks;
        double now = core::SystemClock().Now();
        TLarkFTPTask& file = tasks.TaskList().Add();
        file.SetRemoteURL("demo.example.org");
        file.SetUserName("anonymous");
        file.SetLocalName(win::Narrow(local + L"readme.txt"));
        file.SetRemoteName("/pub/readme.txt");
        // Both fall due a few seconds after the scheduler has started and computed their times.
        const double soon = now + 4.0 / 86400;
        file.SetStartTime(soon);
        file.SetDeleteCompleted(false);
        TLarkFTPTask& folder = tasks.TaskList().Add();
        folder.SetRemoteURL("demo.example.org");
        folder.SetUserName("anonymous");
        folder.SetLocalName(win::Narrow(local + L"reports"));
        folder.SetRemoteName("/pub/reports/");
        folder.SetIsFolder(true);
        folder.SetScheduleTask(TScheduleTask::stDaily);
        folder.SetStartTime(soon);
        folder.SetLastTime(now - 1);

        PrepareRun(run);
        SaveToFile(tasks, win::Narrow(run.folder + L"TaskList.ltl"));
        std::printf("Starting LF_Scheduler.exe in %s with two due tasks...\n", win::Narrow(run.folder).c_str());
        StartScheduler(run);
        // One completion for the file, one for each of the folder's two files.
        bool done = PumpUntil([&] { return PostedCompletions(run) >= 3; }, 30s);
        // The main window as a user brings it up (a second start does the same), beside the log.
        std::wstring picture;
        if (HWND main = FindSchedulerMainWindow(run)) {
            PostMessageW(main, 0x2504, 0, 0);
            PumpUntil([&] { return IsWindowVisible(main) != FALSE; }, 10s);
            Sleep(500);
            picture = run.folder + L"main-window.png";
            CaptureWindow(main, picture);
        }
        DWORD code = CloseScheduler(run);
        std::printf("LF_Scheduler.exe closed (exit code %lu); transfers %s.\n", static_cast<unsigned long>(code),
                    done ? "arrived" : "did NOT arrive");

        TLarkFTPTaskStorage after;
        LoadFromFile(after, win::Narrow(run.folder + L"TaskList.ltl"));
        std::string list;
        for (int i = 0; i < after.TaskList().Count(); ++i) {
            const TLarkFTPTask& t = after.TaskList().Items(i);
            list += t.RemoteName() + " -> " + t.LocalName() + ": " + std::string(EnumName(t.Status()).substr(2)) + " (" +
                    t.LastResult().substr(0, t.LastResult().find('\r')) + ")\n";
        }
        Show("task list after the run", list);
        Show("Schedule.log", ReadTextFile(run.folder + L"Schedule.log"));
        Show("calls the main client received", ReadTextFile(run.callLog));
        std::string files;
        for (const auto& e : std::filesystem::recursive_directory_iterator(local))
            if (e.is_regular_file()) files += win::Narrow(e.path().wstring()) + "\n";
        Show("downloaded files", files);
        Show("picture of the main window", picture.empty() ? "(the main window was not found)" : win::Narrow(picture));
        return done && code == 0 ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "demo failed: %s\n", e.what());
        return 1;
    }
}
