#include "scheduler/task_runner.h"

#include "scheduler/schedule.h"

namespace lark::scheduler {

TaskRunner::TaskRunner(TaskRows& rows, MainClientFactory factory, const core::Clock& clock,
                       const FileSystem& fileSystem, const StringSource& strings, TLogFile* log,
                       const core::FormatSettings& formats)
    : rows_(rows),
      factory_(std::move(factory)),
      clock_(clock),
      fileSystem_(fileSystem),
      strings_(strings),
      log_(log),
      formats_(formats) {}

void TaskRunner::OnTimer() {
    if (!running_ || Suspended()) return;
    try {
        CheckTasks();
    } catch (...) {
        // The pass ends at the row that failed; the next tick tries again.
    }
}

void TaskRunner::EnsureAutomation() {
    try {
        if (!automation_) automation_ = factory_();
        automation_->SetAutomationMode("-1");
    } catch (...) {
        automation_.reset();
        automation_ = factory_();
    }
}

void TaskRunner::CheckTasks() {
    Suspension hold(*this);
    for (int row = 0; row < rows_.RowCount();) {
        TLarkFTPTask& task = rows_.RowTask(row);
        switch (task.Status()) {
            case TTaskStatus::tsPending:
                if (task.NextTime() > 1.0 && clock_.Now() > task.NextTime()) {
                    if (!CheckLocalName(task, fileSystem_, strings_.Text("IDS_2"))) {
                        rows_.RefreshRow(row);
                        break;
                    }
                    EnsureAutomation();
                    task.SetStatus(TTaskStatus::tsActive);
                    rows_.RefreshRow(row);
                    try {
                        Run(task);
                    } catch (...) {
                        // Nothing runs: the task waits for the next tick instead of staying active.
                        task.SetStatus(TTaskStatus::tsPending);
                        int at = rows_.FindRow(task);
                        if (at >= 0) rows_.RefreshRow(at);
                        throw;
                    }
                }
                break;
            case TTaskStatus::tsCompleted:
                if (task.ScheduleTask() != TScheduleTask::stOnce) {
                    task.SetStatus(TTaskStatus::tsPending);
                    rows_.RefreshRow(row);
                } else if (task.DeleteCompleted()) {
                    rows_.DeleteRow(row);
                    continue;  // the next task moved into this row
                }
                break;
            default:
                break;
        }
        ++row;
    }
}

std::string TaskRunner::NamesPart(const TLarkFTPTask& task) const {
    return task.LocalName() + strings_.Text("IDS_8") + task.RemoteURL() + strings_.Text("IDS_9") + task.RemoteName() +
           "]";
}

std::string TaskRunner::Stamp() const { return core::DateTimeToStr(clock_.Now(), formats_); }

void TaskRunner::RunTask(TLarkFTPTask& task) {
    Suspension hold(*this);
    EnsureAutomation();
    Run(task);
}

void TaskRunner::Run(TLarkFTPTask& task) {
    if (saveLog_ && log_) log_->Add(strings_.Text("IDS_7") + NamesPart(task));

    mainclient::TransferRequest request{task.RemoteURL(), task.UserName(), task.UserPassword(), task.ProxyServer(),
                                        task.ProxyPort(), task.LocalName(), task.RemoteName()};
    if (task.IsFolder() && !request.remote_name.empty() &&
        (request.remote_name.back() == '/' || request.remote_name.back() == '\\'))
        request.remote_name.pop_back();

    std::int32_t id = 0;
    std::int32_t count = 1;
    inTransferCall_ = true;
    early_.clear();
    try {
        bool get = task.TaskType() == TTaskType::ttGet;
        if (!task.IsFolder()) {
            id = get ? automation_->StartGetFile(request) : automation_->StartPutFile(request);
        } else {
            mainclient::FolderTask r = get ? automation_->StartGetFolder(request) : automation_->StartPutFolder(request);
            id = r.task_id;
            count = r.file_count;
        }
    } catch (const std::exception& e) {
        inTransferCall_ = false;
        early_.clear();
        automation_.reset();  // a failed call leaves the object suspect: the next run makes a new one
        task.SetStatus(TTaskStatus::tsFailed);
        task.SetLastResult(std::string(e.what()) + "\r\n" + Stamp());
        if (saveLog_ && log_) {
            log_->Add(strings_.Text("IDS_35") + NamesPart(task));
            log_->Add(task.LastResult());
        }
        int row = rows_.FindRow(task);
        if (row >= 0) rows_.RefreshRow(row);
        return;
    }
    inTransferCall_ = false;

    task.SetDoneFiles(0);
    task.SetFailedFiles(0);
    task.SetTaskID(static_cast<std::uint32_t>(id));
    task.SetTotalFiles(count);
    task.SetStatus(id == 0 ? TTaskStatus::tsFailed : count != 0 ? TTaskStatus::tsActive : TTaskStatus::tsCompleted);
    task.SetLastTime(clock_.Now());
    int row = rows_.FindRow(task);
    if (row >= 0) rows_.RefreshRow(row);

    auto early = std::move(early_);
    early_.clear();
    if (id != 0 && row >= 0)
        for (const auto& [earlyId, result] : early)
            if (earlyId == static_cast<std::uint32_t>(id)) ApplyCompletion(row, result);
}

void TaskRunner::HandleCompletion(std::uint32_t taskId, std::int32_t result) {
    Suspension hold(*this);
    int match = -1;
    for (int row = 0; row < rows_.RowCount(); ++row) {
        const TLarkFTPTask& task = rows_.RowTask(row);
        if (task.TaskID() != taskId) continue;
        if (task.Status() == TTaskStatus::tsActive) {
            match = row;
            break;
        }
        if (match < 0) match = row;
    }
    if (match >= 0) {
        ApplyCompletion(match, result);
    } else if (inTransferCall_) {
        early_.emplace_back(taskId, result);
    }
}

void TaskRunner::ApplyCompletion(int row, std::int32_t result) {
    TLarkFTPTask& task = rows_.RowTask(row);
    if (result == mainclient::kFileFailed) task.SetFailedFiles(task.FailedFiles() + 1);
    else if (result == mainclient::kFileDone) task.SetDoneFiles(task.DoneFiles() + 1);
    if (task.DoneFiles() + task.FailedFiles() != task.TotalFiles()) return;
    if (task.DoneFiles() == task.TotalFiles()) {
        task.SetStatus(TTaskStatus::tsCompleted);
        task.SetLastResult(strings_.Text("IDS_29") + "\r\n" + Stamp());
        if (saveLog_ && log_) log_->Add(strings_.Text("IDS_30") + NamesPart(task));
    } else {
        task.SetStatus(TTaskStatus::tsFailed);
        task.SetLastResult(std::to_string(task.FailedFiles()) + strings_.Text("IDS_33") +
                           std::to_string(task.TotalFiles()) + strings_.Text("IDS_34") + "\r\n" + Stamp());
        if (saveLog_ && log_) {
            log_->Add(strings_.Text("IDS_35") + NamesPart(task));
            log_->Add(task.LastResult());
        }
    }
    rows_.RefreshRow(row);
}

}  // namespace lark::scheduler
