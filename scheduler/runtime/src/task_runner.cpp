#include "scheduler/task_runner.h"

#include <algorithm>
#include <limits>
#include <set>

#include "core/format.h"
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
    if (Suspended()) return;
    try {
        if (running_) {
            CheckTasks();
        } else {
            // Paused: nothing starts, but runs whose main client has ended still end.
            Suspension hold(*this);
            CheckMainClientsAlive();
        }
        lastError_.clear();
    } catch (const MainClientUnavailable&) {
        // Logged when it first failed (SetReachable); the due task waits for the next tick.
    } catch (const std::exception& e) {
        // The pass ends at the row that failed; the next tick tries again.
        if (!onError) throw;
        if (lastError_ != e.what()) {
            lastError_ = e.what();
            onError(lastError_);
        }
    }
}

void TaskRunner::ReleaseAutomation() {
    automation_.reset();
    runs_.clear();
}

std::shared_ptr<mainclient::MainClient> TaskRunner::PrepareAutomation(const std::string& mode) {
    const auto renew = [&] {
        // The cached object is dead (its main client ended or was restarted): a new one,
        // prepared like the first. Its failure goes on to the caller.
        automation_.reset();
        automation_ = factory_();
        automation_->SetAutomationMode(mode);
    };
    try {
        try {
            if (!automation_) automation_ = factory_();
            automation_->SetAutomationMode(mode);
        } catch (const mainclient::AutomationError& e) {
            // A main client that does not answer would not answer a new object either.
            if (mainclient::IsNoAnswer(e.code())) throw;
            renew();
        } catch (const std::exception&) {
            renew();
        }
    } catch (...) {
        automation_.reset();
        throw;
    }
    return automation_;
}

void TaskRunner::EnsureAutomation() {
    try {
        PrepareAutomation("-1");
    } catch (const mainclient::AutomationError& e) {
        if (!mainclient::IsNoAnswer(e.code())) {
            SetReachable(false, e.what());
            throw MainClientUnavailable(e.what());
        }
        const std::string text = strings_.Text("IDS_MainClientNoAnswer");
        SetReachable(false, text, text);
        throw MainClientUnavailable(text);
    } catch (const std::exception& e) {
        SetReachable(false, e.what());
        throw MainClientUnavailable(e.what());
    }
    SetReachable(true, {});
}

void TaskRunner::SetReachable(bool reachable, const std::string& error, const std::string& logLine) {
    reachError_ = error;
    if (reachable == reachable_) return;
    reachable_ = reachable;
    if (saveLog_ && log_)
        log_->Add(reachable          ? strings_.Text("IDS_MainClientReachable")
                  : logLine.empty() ? core::Format(strings_.Text("IDS_MainClientUnreachable"), {error})
                                    : logLine);
    if (onMainClientChanged) onMainClientChanged();
}

void TaskRunner::CheckTasks() {
    Suspension hold(*this);
    CheckMainClientsAlive();
    // The time is read once for the walk (reading the clock costs more than looking at a task)
    // and again after each run, which may take a while.
    DateTime now = clock_.Now();
    // Nothing changed since a walk that found no work and no next start has come: this walk
    // would find no work either.
    if (idle_.known && idle_.changes == TaskChanges() && idle_.rows == rows_.RowCount() && now <= idle_.until) return;
    idle_.known = false;
    bool work = false;
    DateTime earliest = std::numeric_limits<DateTime>::infinity();
    for (int row = 0; row < rows_.RowCount();) {
        TLarkFTPTask& task = rows_.RowTask(row);
        switch (task.Status()) {
            case TTaskStatus::tsPending:
                if (task.NextTime() > 1.0 && now > task.NextTime()) {
                    work = true;
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
                        // Nothing runs: the task waits for the next tick instead of staying
                        // active. The failure goes on.
                        task.SetStatus(TTaskStatus::tsPending);
                        Refresh(task);
                        throw;
                    }
                    now = clock_.Now();
                } else if (task.NextTime() > 1.0) {
                    earliest = std::min(earliest, task.NextTime());
                }
                break;
            case TTaskStatus::tsCompleted:
                if (task.ScheduleTask() != TScheduleTask::stOnce) {
                    work = true;
                    task.SetStatus(TTaskStatus::tsPending);
                    rows_.RefreshRow(row);
                } else if (task.DeleteCompleted()) {
                    work = true;
                    rows_.DeleteRow(row);
                    continue;  // the next task moved into this row
                }
                break;
            default:
                break;
        }
        ++row;
    }
    if (!work) idle_ = {true, TaskChanges(), rows_.RowCount(), earliest};
}

void TaskRunner::CheckMainClientsAlive() {
    if (runs_.empty()) return;  // no run to follow: no walk
    // Only the runs still Active in the list are followed.
    std::map<const TLarkFTPTask*, std::shared_ptr<mainclient::MainClient>> active;
    for (int row = 0; row < rows_.RowCount(); ++row) {
        const TLarkFTPTask& task = rows_.RowTask(row);
        if (task.Status() != TTaskStatus::tsActive) continue;
        if (auto run = runs_.find(&task); run != runs_.end()) active.insert(*run);
    }
    runs_.swap(active);
    const DateTime now = clock_.Now();
    if (runs_.empty() || now < nextAliveCheck_) return;
    nextAliveCheck_ = now + kAliveCheckInterval;

    // Copies: a failing run leaves runs_, and a call may dispatch messages.
    const auto runs = runs_;
    std::set<mainclient::MainClient*> asked, ended, silent;
    for (const auto& [task, client] : runs) {
        if (!asked.insert(client.get()).second) continue;
        try {
            client->Ping();
        } catch (const mainclient::AutomationError& e) {
            // A main client that has ended, or that does not answer, will report no more files.
            // Any other failure is an answer: the main client is there, and a transfer may
            // take hours.
            if (mainclient::IsDisconnection(e.code())) ended.insert(client.get());
            else if (mainclient::IsNoAnswer(e.code())) silent.insert(client.get());
        }
    }
    if (ended.empty() && silent.empty()) return;
    if (automation_ && (ended.count(automation_.get()) || silent.count(automation_.get()))) automation_.reset();
    std::vector<std::pair<TLarkFTPTask*, const char*>> failed;
    for (int row = 0; row < rows_.RowCount(); ++row) {
        TLarkFTPTask& task = rows_.RowTask(row);
        auto run = runs_.find(&task);
        if (run == runs_.end()) continue;
        if (ended.count(run->second.get())) failed.emplace_back(&task, "IDS_MainClientEnded");
        else if (silent.count(run->second.get())) failed.emplace_back(&task, "IDS_MainClientNoAnswer");
    }
    for (const auto& [task, why] : failed) Fail(*task, strings_.Text(why));
}

std::string TaskRunner::NamesPart(const TLarkFTPTask& task) const {
    return task.LocalName() + strings_.Text("IDS_8") + task.RemoteURL() + strings_.Text("IDS_9") + task.RemoteName() +
           "]";
}

std::string TaskRunner::Stamp() const { return core::DateTimeToStr(clock_.Now(), formats_); }

std::string TaskRunner::FailureCount(std::int32_t failed, std::int32_t total) const {
    return std::to_string(failed) + strings_.Text("IDS_33") + std::to_string(total) + strings_.Text("IDS_34");
}

void TaskRunner::Refresh(const TLarkFTPTask& task) {
    int row = rows_.FindRow(task);
    if (row >= 0) rows_.RefreshRow(row);
}

void TaskRunner::Complete(TLarkFTPTask& task) {
    runs_.erase(&task);
    task.SetStatus(TTaskStatus::tsCompleted);
    task.SetLastResult(strings_.Text("IDS_29") + "\r\n" + Stamp());
    if (saveLog_ && log_) log_->Add(strings_.Text("IDS_30") + NamesPart(task));
    Refresh(task);
}

void TaskRunner::Fail(TLarkFTPTask& task, const std::string& why) {
    runs_.erase(&task);
    task.SetStatus(TTaskStatus::tsFailed);
    task.SetLastResult(why + "\r\n" + Stamp());
    if (saveLog_ && log_) {
        log_->Add(strings_.Text("IDS_35") + NamesPart(task));
        log_->Add(task.LastResult());
    }
    Refresh(task);
}

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
    const std::shared_ptr<mainclient::MainClient> client = automation_;  // whatever a nested run does to the cache
    try {
        // The call may dispatch messages (a modal loop of the call, a user's command inside it):
        // calls nest, and each one's messages are kept until its id is recorded.
        inCalls_.push_back(&task);
        struct InCall {
            std::vector<const TLarkFTPTask*>& calls;
            ~InCall() { calls.pop_back(); }
        } inCall{inCalls_};
        bool get = task.TaskType() == TTaskType::ttGet;
        if (!task.IsFolder()) {
            id = get ? client->StartGetFile(request) : client->StartPutFile(request);
        } else {
            mainclient::FolderTask r = get ? client->StartGetFolder(request) : client->StartPutFolder(request);
            id = r.task_id;
            count = r.file_count;
        }
    } catch (const std::exception& e) {
        // A failed call leaves the object suspect: the next run makes a new one.
        if (automation_ == client) automation_.reset();
        const auto* failure = dynamic_cast<const mainclient::AutomationError*>(&e);
        Fail(task, failure && mainclient::IsNoAnswer(failure->code()) ? strings_.Text("IDS_MainClientNoAnswer")
                                                                      : std::string(e.what()));
        HandleKept();
        return;
    }

    task.SetDoneFiles(0);
    task.SetFailedFiles(0);
    task.SetTaskID(static_cast<std::uint32_t>(id));
    task.SetLastTime(clock_.Now());
    if (id == 0 || count < 0) {
        // Refused (a negative count is no answer either): every file the run has fails.
        const std::int32_t files = task.IsFolder() ? std::max(count, 0) : 1;
        task.SetTotalFiles(files);
        task.SetFailedFiles(files);
        Fail(task, FailureCount(files, files));
    } else if (count == 0) {
        task.SetTotalFiles(0);
        Complete(task);
    } else {
        task.SetTotalFiles(count);
        task.SetStatus(TTaskStatus::tsActive);
        if (runs_.empty()) nextAliveCheck_ = clock_.Now() + kAliveCheckInterval;
        runs_[&task] = client;
        Refresh(task);
    }
    HandleKept();
}

void TaskRunner::HandleKept() {
    // Now that the id is recorded, the messages kept during the call find their task (or, while
    // an outer call is still under way, are kept again for it).
    auto kept = std::move(early_);
    early_.clear();
    for (const auto& [id, result] : kept) HandleCompletion(id, result);
}

void TaskRunner::HandleCompletion(std::uint32_t taskId, std::int32_t result) {
    Suspension hold(*this);
    if (result != mainclient::kFileDone && result != mainclient::kFileFailed) return;
    for (int row = 0; row < rows_.RowCount(); ++row) {
        TLarkFTPTask& task = rows_.RowTask(row);
        if (task.Status() == TTaskStatus::tsActive && task.TaskID() == taskId &&
            std::find(inCalls_.begin(), inCalls_.end(), &task) == inCalls_.end()) {
            ApplyCompletion(task, result);
            return;
        }
    }
    // During a transfer call the message may be the new run's, whose id is not known yet.
    if (!inCalls_.empty()) early_.emplace_back(taskId, result);
}

void TaskRunner::ApplyCompletion(TLarkFTPTask& task, std::int32_t result) {
    if (result == mainclient::kFileFailed) task.SetFailedFiles(task.FailedFiles() + 1);
    else task.SetDoneFiles(task.DoneFiles() + 1);
    if (task.DoneFiles() + task.FailedFiles() < task.TotalFiles()) return;
    if (task.FailedFiles() == 0) Complete(task);
    else Fail(task, FailureCount(task.FailedFiles(), task.TotalFiles()));
}

}  // namespace lark::scheduler
