#include "scheduler/automation_task.h"

#include <iterator>

#include "core/errors.h"
#include "core/text_encoding.h"

namespace lark::scheduler {

std::string OverlongTextRefusal(const char* name, std::size_t length) {
    if (length <= kMaxAddTaskText) return {};
    return "AddTask: the " + std::string(name) + " is " + std::to_string(length) +
           " characters long, more than any Windows path or field can use (at most " +
           std::to_string(kMaxAddTaskText) + "); no task was added";
}

std::string AddTaskRefusal(const AddTaskRequest& request) {
    const std::string* texts[] = {&request.hostName,  &request.userName,  &request.password,  &request.proxyServer,
                                  &request.proxyPort, &request.localName, &request.remoteName};
    for (std::size_t i = 0; i < std::size(texts); ++i)
        if (std::string refusal = OverlongTextRefusal(kAddTaskTextNames[i], core::Utf16Length(*texts[i]));
            !refusal.empty())
            return refusal;
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
    if (kept) {
        if (task.UseProfile()) {
            task.SetUserName({});
            task.SetUserPassword({});
            task.SetProxyServer({});
            task.SetProxyPort({});
        }
        rows.RefreshRow(row);
    } else
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
