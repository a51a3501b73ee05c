#pragma once
// The running scheduler: its hidden application window, the one-second tick, the task file
// and the log, and the orderly shutdown.
#include <windows.h>

#include <memory>
#include <string>

#include "core/clock.h"
#include "scheduler/list_rows.h"
#include "scheduler/log_file.h"
#include "scheduler/strings.h"
#include "scheduler/task_file.h"
#include "scheduler/task_list.h"
#include "scheduler/task_runner.h"

namespace lark::scheduler {

// The application window's title, by which the main client finds the scheduler.
inline constexpr wchar_t kApplicationTitle[] = L"Lark-FTP Scheduler";

class SchedulerApp {
public:
    explicit SchedulerApp(HINSTANCE instance);
    ~SchedulerApp();
    SchedulerApp(const SchedulerApp&) = delete;
    SchedulerApp& operator=(const SchedulerApp&) = delete;

    // Loads the task file and starts the tick; false when the window could not be made.
    bool Start();
    int Run();  // the message loop; returns the exit code
    // Releases the main client, saves the task file and ends the log, each step guarded so
    // that one failure never stops the others.
    void Shutdown();

    HWND Window() const { return window_; }
    // What start-up found of the task file: the main window tells the user of a file set aside
    // or left read-only.
    const TaskFileStartup& TaskFileState() const { return taskFileStartup_; }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void Report(const std::string& text);
    // To the debugger and the transfer log.
    void LogAndReport(const std::string& text);
    void ReportTaskFileStartup();

    HINSTANCE instance_;
    HWND window_ = nullptr;
    UINT completedMessage_ = 0;
    std::string folder_;  // the program folder, with a trailing delimiter
    std::string taskFile_;
    TaskFileStartup taskFileStartup_;
    core::SystemClock clock_;
    LocalFileSystem files_;
    EnglishStrings strings_;
    TLarkFTPTaskStorage storage_;
    ListRows rows_;
    TLogFile log_;
    TaskRunner runner_;
    bool shutDown_ = false;
};

}  // namespace lark::scheduler
