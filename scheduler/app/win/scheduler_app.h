#pragma once
// The running scheduler, put together: settings, the task file, the log, the one-second tick,
// the main window and the application object (its hidden window, titled "Lark-FTP Scheduler",
// is where the main client posts completions), and the orderly shutdown.
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "automation_server.h"
#include "core/clock.h"
#include "core/ini_store.h"
#include "scheduler/list_rows.h"
#include "scheduler/log_file.h"
#include "scheduler/settings.h"
#include "scheduler/task_file.h"
#include "scheduler/task_list.h"
#include "scheduler/task_runner.h"
#include "scheduler_dialogs/main_window.h"
#include "scheduler_dialogs/task_properties.h"
#include "ui/timer.h"

namespace lark::scheduler {

// The application window's title, by which the main client finds the scheduler.
inline constexpr wchar_t kApplicationTitle[] = L"Lark-FTP Scheduler";

class SchedulerApp {
public:
    explicit SchedulerApp(HINSTANCE instance);
    ~SchedulerApp();
    SchedulerApp(const SchedulerApp&) = delete;
    SchedulerApp& operator=(const SchedulerApp&) = delete;

    // Reads the settings and the task file, makes the (hidden) main window and starts the tick.
    bool Start();
    // Registers the automation server's class object (calls wait for the message loop).
    // startedByCom: the program ends when its last object is released, unless a task was added
    // through it.
    void StartAutomation(bool startedByCom);
    int Run();  // the message loop; returns the exit code
    // Revokes the automation server's class object, releases the main client, saves the task file, ends the log, saves the column layout and
    // the settings, each step guarded so that one failure never stops the others. Runs once.
    void Shutdown();

    MainWindow& Window() { return *window_; }
    // What the task dialogs need (the properties dialog for AddTask, the New command's wizard).
    TaskDialogContext DialogContext();
    const TaskFileStartup& TaskFileState() const { return taskFileStartup_; }

    // To the debugger and the standard error.
    static void Report(const std::string& text);
    // A failure nothing else handled: logged, shown in a box (in the active language once the
    // texts are loaded, English before) and answered with the exit code to end with.
    int ShowFatal(const std::string& what) noexcept;

private:
    // AddTask: the new task in the properties dialog; it stays after OK.
    void AddTask(const AddTaskRequest& request);
    static UINT AddTaskMessage();
    // The task list without the tasks awaiting confirmation; raises when it cannot be written.
    SaveResult SaveTasks(const std::string& fileName);
    // Runs a save with the tasks awaiting confirmation taken out of the list meanwhile.
    void WithConfirmedTasksOnly(const std::function<void()>& save);
    // To the current task file at shutdown. A failure is logged and, where the user can
    // answer, a box offers Retry; else (and after Cancel) the list goes beside the file.
    void SaveTaskFile();
    // The list beside the current task file under a name that replaces nothing (nothing for an
    // empty list); logged and shown. Answers the name, empty when nothing was written.
    std::string KeepBeside();
    // The commands' save (Use File's of the current file, Rename's of the new name): a failure
    // is logged and shown; false when the list was not saved there.
    bool SaveCommand(const std::string& fileName);
    // Use File's load: raises when the file cannot be read; else the file is current and
    // writable.
    void UseTaskFile(const std::string& fileName, const LoadProgress& progress);
    // A task file that stayed locked at start: the box offers Retry until it is read or the
    // user cancels.
    void OfferLockedRetry();
    // To the debugger and the transfer log.
    void LogAndReport(const std::string& text);
    void ReportTaskFileStartup();
    std::string TaskFileStartupText() const;
    void ReadSystemFtpProxy();
    void SaveSettingsAndLayout();
    void AutoSave();
    void LanguageChanged(int language);
    void LanguageRequested(WPARAM language, LPARAM sender);
    void ShowOptions();
    // The New command: a task with the defaults, filled in by the wizard, or gone after Cancel.
    void NewTask();
    void ApplyRunAtStartup();
    DeleteAnswer ConfirmDelete(const std::string& text, bool several);
    void ShowError(const std::string& text);
    // A failed write at exit: told on stderr, and in a box unless the session ends.
    void ReportAtExit(const std::string& text);

    HINSTANCE instance_;
    std::string folder_;  // the program folder, with a trailing delimiter
    std::shared_ptr<core::SharedIniFile> ini_;
    SchedulerSettings settings_;
    StoredColumnLayout storedLayout_;
    std::string taskFile_;
    TaskFileStartup taskFileStartup_;
    core::SystemClock clock_;
    LocalFileSystem files_;
    WindowStrings strings_;
    TLarkFTPTaskStorage storage_;
    ListRows rows_;
    TLogFile log_;
    TaskRunner runner_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<AutomationServer> automation_;
    // Tasks added through AddTask whose dialog is open (innermost last); never saved.
    std::vector<TLarkFTPTask*> unconfirmed_;
    std::unique_ptr<ui::Timer> tick_;
    std::unique_ptr<ui::Timer> startupNotice_;
    std::vector<std::unique_ptr<TaskRunner::Suspension>> modalHolds_;
    bool started_ = false;
    bool shutDown_ = false;
    bool sessionEnding_ = false;  // Windows ends the session: no box may wait for an answer
    bool autoSaveBox_ = false;    // an auto-save failure is being shown
    // Why the settings file could not be read at start-up; while set, it is never written.
    std::string settingsError_;
    // Where AddTask calls wake the user-interface thread; set once the program has started.
    std::atomic<HWND> wakeWindow_{nullptr};
};

}  // namespace lark::scheduler
