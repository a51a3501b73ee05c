#pragma once
// A transfer task that another program asks the scheduler to add (the automation server's
// AddTask), in portable terms: what is refused, how the new task is filled, and how it enters
// the list for the user to confirm.
//
// Refused, with a text for the caller, and nothing added: a text longer than any Windows path
// or field can use (kMaxAddTaskText UTF-16 characters), a task type other than 0 (download) or 1
// (upload), and a password the task file cannot hold (CanStorePassword). Everything else, however
// odd, is taken as given.
#include <functional>
#include <string>
#include <string_view>

#include "core/clock.h"
#include "scheduler/task.h"
#include "scheduler/task_list.h"
#include "scheduler/task_runner.h"

namespace lark::scheduler {

// The parameters of AddTask, text in UTF-8.
struct AddTaskRequest {
    std::string hostName, userName, password, proxyServer, proxyPort, localName, remoteName;
    int taskType = 0;
};

// The longest text a parameter may hold, in UTF-16 characters.
inline constexpr std::size_t kMaxAddTaskText = 32767;

// The names of the text parameters, in call order.
inline constexpr const char* kAddTaskTextNames[] = {"HostName",  "UserName",  "Password",  "ProxyServer",
                                                    "ProxyPort", "LocalName", "RemoteName"};
// The refusal of a text parameter of `length` UTF-16 characters (kAddTaskTextNames), or empty
// when it is short enough. The server asks before it converts anything.
std::string OverlongTextRefusal(const char* name, std::size_t length);
// Why the request cannot be taken, or empty when it can.
std::string AddTaskRefusal(const AddTaskRequest& request);

// Fills a task with the creation defaults from the request: the names, the host (a site
// profile's name when user name and password are both empty, which makes it a profile task),
// the credentials and proxy, and a start one hour from `now`. The request must not be refused.
void FillRequestedTask(TLarkFTPTask& task, const AddTaskRequest& request, core::DateTime now);

// Adds the requested task at the end of the list with a row, and asks `confirm` (the properties
// dialog on that task alone): after true the row is refreshed and the task stays; after false
// (or when confirm raises) the row and the task go, so nothing of the call remains. A task kept
// as a profile task keeps no user name, password or proxy (the profile holds them). A task that
// left the list meanwhile is not touched again. True when the task stays. Raises
// lark::core::Error for a refused request, before anything is added.
bool AddRequestedTask(TLarkFTPTaskList& list, TaskRows& rows, const AddTaskRequest& request, const core::Clock& clock,
                      const std::function<bool(TLarkFTPTask&)>& confirm);

// The switches of the automation server: "/" or "-" and the name in any case.
enum class ServerSwitch { None, RegServer, UnregServer, Automation, Embedding };
ServerSwitch ParseServerSwitch(std::string_view argument);

}  // namespace lark::scheduler
