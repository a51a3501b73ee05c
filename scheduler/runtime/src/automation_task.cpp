#include "scheduler/automation_task.h"

#include "core/errors.h"
#include "core/text_encoding.h"

namespace lark::scheduler {

std::string AddTaskRefusal(const AddTaskRequest& request) {
    if (request.taskType != static_cast<int>(TTaskType::ttGet) && request.taskType != static_cast<int>(TTaskType::ttPut))
        return "AddTask: the task type " + std::to_string(request.taskType) +
               " is neither 0 (download) nor 1 (upload); no task was added";
    if (!CanStorePassword(request.password))
        return "AddTask: the password holds characters the task file cannot store (it keeps passwords in "
               "Windows-1252); no task was added";
    return {};
}

void FillRequestedTask(TLarkFTPTask& task, const AddTaskRequest& request, core::DateTime now) {
    task.SetLocalName(request.localName);
    task.SetRemoteURL(request.hostName);
    task.SetRemoteName(request.remoteName);
    task.SetTaskType(static_cast<TTaskType>(request.taskType));
    task.SetUserName(request.userName);
    task.SetUserPassword(request.password);
    task.SetProxyServer(request.proxyServer);
    task.SetProxyPort(request.proxyPort);
    task.SetUseProfile(request.userName.empty() && request.password.empty());
    task.SetStartTime(now + 1.0 / 24);
}

bool AddRequestedTask(TLarkFTPTaskList& list, TaskRows& rows, const AddTaskRequest& request, const core::Clock& clock,
                      const std::function<bool(TLarkFTPTask&)>& confirm) {
    if (const std::string refusal = AddTaskRefusal(request); !refusal.empty()) throw core::Error(refusal);
    TLarkFTPTask& task = list.Add();
    FillRequestedTask(task, request, clock.Now());
    rows.RefreshRow(rows.FindRow(task));
    bool kept = false;
    try {
        kept = confirm(task);
    } catch (...) {
        if (const int row = rows.FindRow(task); row >= 0) rows.DeleteRow(row);
        throw;
    }
    const int row = rows.FindRow(task);
    if (row < 0) return false;
    if (kept)
        rows.RefreshRow(row);
    else
        rows.DeleteRow(row);
    return kept;
}

ServerSwitch ParseServerSwitch(std::string_view argument) {
    if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-')) return ServerSwitch::None;
    const std::string name = core::AnsiLower(argument.substr(1));
    if (name == "regserver") return ServerSwitch::RegServer;
    if (name == "unregserver") return ServerSwitch::UnregServer;
    if (name == "automation") return ServerSwitch::Automation;
    if (name == "embedding") return ServerSwitch::Embedding;
    return ServerSwitch::None;
}

}  // namespace lark::scheduler
