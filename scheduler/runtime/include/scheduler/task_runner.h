#pragma once
// The scheduling tick, the run of a task through the main client, and the per-file completion
// messages that settle it. Portable: the list view, the main client, the clock, the file
// system, the log and the texts are reached through interfaces.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/clock.h"
#include "core/datetime.h"
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

class TaskRunner {
public:
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

    // The main timer's tick: one pass unless paused or suspended.
    void OnTimer();
    // One pass over the rows.
    void CheckTasks();
    // Hands one task to the main client. Raises when the main client cannot be reached.
    void RunTask(TLarkFTPTask& task);
    // "LarkFTP_Task_Completed": wParam id, lParam 9 done / 8 failed.
    void HandleCompletion(std::uint32_t taskId, std::int32_t result);

    // The cached automation object (created on first use); dropped at shutdown and after a
    // failed call.
    mainclient::MainClient* Automation() const { return automation_.get(); }
    void ReleaseAutomation() { automation_.reset(); }

private:
    void EnsureAutomation();
    // The run after the automation object is ensured.
    void Run(TLarkFTPTask& task);
    void ApplyCompletion(int row, std::int32_t result);
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
    // Completion messages that arrive while a transfer call is under way, before its id is
    // known: kept and applied to the task once the call returns.
    bool inTransferCall_ = false;
    std::vector<std::pair<std::uint32_t, std::int32_t>> early_;
};

}  // namespace lark::scheduler
