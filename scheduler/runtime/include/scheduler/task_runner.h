#pragma once
// The scheduling tick, the run of a task through the main client, and the per-file completion
// messages that settle it. Portable: the list view, the main client, the clock, the file
// system, the log and the texts are reached through interfaces.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/clock.h"
#include "core/datetime.h"
#include "core/errors.h"
#include "mainclient/main_client.h"
#include "scheduler/file_system.h"
#include "scheduler/log_file.h"
#include "scheduler/strings.h"
#include "scheduler/task.h"

namespace lark::scheduler {

// The task list as the user sees it: rows in display order. The list view implements it.
class TaskRows {
public:
    virtual ~TaskRows() = default;
    virtual int RowCount() const = 0;
    virtual TLarkFTPTask& RowTask(int row) = 0;
    // Shows the task's current state; recomputes its NextTime.
    virtual void RefreshRow(int row) = 0;
    // Frees the row's task (it leaves the task list) and removes the row.
    virtual void DeleteRow(int row) = 0;
    // The row of a task, or -1.
    virtual int FindRow(const TLarkFTPTask& task) const = 0;
};

// Makes the main client's automation object; raises when the main client cannot be reached.
using MainClientFactory = std::function<std::shared_ptr<mainclient::MainClient>()>;

// The main client's automation object could not be made ready for a run (created and put in
// automation mode); the text is the failure's.
class MainClientUnavailable : public core::Error {
public:
    using core::Error::Error;
};

class TaskRunner {
public:
    // How often, while a task is Active, its main client is asked whether it still answers.
    static constexpr double kAliveCheckInterval = 30.0 / 86400;

    TaskRunner(TaskRows& rows, MainClientFactory factory, const core::Clock& clock, const FileSystem& fileSystem,
               const StringSource& strings, TLogFile* log,
               const core::FormatSettings& formats = core::DefaultFormatSettings());

    bool Running() const { return running_; }
    void SetRunning(bool on) { running_ = on; }
    bool SaveLog() const { return saveLog_; }
    void SetSaveLog(bool on) { saveLog_ = on; }

    // While suspended the timer's ticks do nothing. Every pass, completion message and modal
    // interaction holds a suspension; they nest.
    class Suspension {
    public:
        explicit Suspension(TaskRunner& r) : runner_(r) { ++runner_.suspended_; }
        ~Suspension() { --runner_.suspended_; }
        Suspension(const Suspension&) = delete;
        Suspension& operator=(const Suspension&) = delete;

    private:
        TaskRunner& runner_;
    };
    bool Suspended() const { return suspended_ > 0; }

    // The main timer's tick: one pass unless paused or suspended (while paused only the check
    // of the Active tasks' main clients is made). A main client that cannot be reached is
    // logged when it first fails (see MainClientReachable); any other failure of the pass goes
    // to onError once until a pass succeeds (raised when there is no onError).
    void OnTimer();
    // One pass over the rows; first, at most every kAliveCheckInterval while a task is Active,
    // the main clients of the Active tasks are asked whether they still answer, and the tasks
    // of one that has ended, or that gives no answer in time (mainclient::kNoAnswer), fail. After a pass that found no work the rows are not walked again
    // until a task changes (TaskChanges) or the earliest next start has come.
    void CheckTasks();
    // Hands one task to the main client. Raises MainClientUnavailable when the main client
    // cannot be reached or does not answer while it is made ready (the task is then not run); a
    // transfer call that gets no answer in time fails the task with "IDS_MainClientNoAnswer". A refused run (id 0, or a negative file count) fails with the failure
    // text of its files, a folder of no files completes at once; both with the date and the
    // log lines of a finished run.
    void RunTask(TLarkFTPTask& task);
    // "LarkFTP_Task_Completed": wParam id, lParam 9 done / 8 failed. It counts a file for the
    // Active task with that id, and for no other task; any other lParam changes nothing.
    // Messages that arrive during a transfer call are kept unless they belong to another Active
    // task, and are handled once the call's id is recorded.
    void HandleCompletion(std::uint32_t taskId, std::int32_t result);

    // The cached automation object (created on first use); dropped at shutdown and after a
    // failed call.
    mainclient::MainClient* Automation() const { return automation_.get(); }
    // Drops the cached object and those of the runs in progress (at shutdown).
    void ReleaseAutomation();
    // The cached automation object, made when there is none, put in `mode`; when the cached one
    // fails, a new one is made and put in the mode. Raises (the cache then empty) when that
    // fails too. The profile chooser of the task dialogs uses mode "0", runs use "-1".
    std::shared_ptr<mainclient::MainClient> PrepareAutomation(const std::string& mode);

    // Whether the last attempt to make the main client ready worked (true until one failed),
    // and the failure's text; for a status bar. onMainClientChanged is told when it changes.
    bool MainClientReachable() const { return reachable_; }
    const std::string& MainClientError() const { return reachError_; }
    std::function<void()> onMainClientChanged;
    // Where the tick's other failures go (the program logs them).
    std::function<void(const std::string& text)> onError;

private:
    void EnsureAutomation();
    // The log gets logLine, or the unreachable text with the error when it is empty.
    void SetReachable(bool reachable, const std::string& error, const std::string& logLine = {});
    // The run after the automation object is ensured.
    void Run(TLarkFTPTask& task);
    void ApplyCompletion(TLarkFTPTask& task, std::int32_t result);
    void HandleKept();
    void CheckMainClientsAlive();
    // Ends a run: Completed with the success text, or Failed with `why`; the date, the log
    // lines and the row.
    void Complete(TLarkFTPTask& task);
    void Fail(TLarkFTPTask& task, const std::string& why);
    void Refresh(const TLarkFTPTask& task);
    std::string FailureCount(std::int32_t failed, std::int32_t total) const;
    std::string NamesPart(const TLarkFTPTask& task) const;
    std::string Stamp() const;

    TaskRows& rows_;
    MainClientFactory factory_;
    const core::Clock& clock_;
    const FileSystem& fileSystem_;
    const StringSource& strings_;
    TLogFile* log_;
    const core::FormatSettings& formats_;
    std::shared_ptr<mainclient::MainClient> automation_;
    bool running_ = true;
    bool saveLog_ = true;
    int suspended_ = 0;
    // The tasks whose transfer calls are under way (they nest), and the completion messages
    // kept during them.
    std::vector<const TLarkFTPTask*> inCalls_;
    std::vector<std::pair<std::uint32_t, std::int32_t>> early_;
    // The object each Active run was handed to, and when they are next asked whether they
    // answer.
    std::map<const TLarkFTPTask*, std::shared_ptr<mainclient::MainClient>> runs_;
    DateTime nextAliveCheck_ = 0;
    // What the last walk that found no work saw: the change count, the rows and the earliest
    // next start.
    struct IdleState {
        bool known = false;
        std::uint64_t changes = 0;
        int rows = 0;
        DateTime until = 0;
    } idle_;
    bool reachable_ = true;
    std::string reachError_;
    std::string lastError_;  // the last failure given to onError, until a pass succeeds
};

}  // namespace lark::scheduler
