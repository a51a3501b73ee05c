#pragma once
// The scheduler's automation server: the class LarkFTP_Scheduler (interface ILarkFTP_Scheduler,
// described by the type library linked into the program as resource 1), its registration under
// HKEY_CLASSES_ROOT and its class object.
//
// The class object is served by the multithreaded apartment: each AddTask waits on a thread of its
// own while the program's state is touched only on the user-interface thread. A call is queued,
// the user-interface thread is woken (`wake`, from any thread) and ServeQueued, called there,
// hands the calls on one after another: a call that arrives while an earlier one's dialog is open
// waits its turn, so every call reaches the user, in the order they came. A refused request
// (AddTaskRefusal) answers E_INVALIDARG with its text as the error info at once and adds nothing;
// a call after Stop, or still queued at Stop, answers CO_E_SERVER_STOPPING; any other failure
// answers its HRESULT with its text. Objects hold no state of their own and may outlive the
// server: they then answer CO_E_SERVER_STOPPING too.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "scheduler/automation_task.h"
#include "win/local_server.h"

namespace lark::scheduler {

inline constexpr char kAutomationProgId[] = "LF_Scheduler.LarkFTP_Scheduler";

// Registers the program's type library and the class (class id, LocalServer32 = the program,
// ProgID, TypeLib) under HKEY_CLASSES_ROOT; raises lark::win::ComError or core::Error.
void RegisterAutomationServer(const std::wstring& programPath);
// Removes both; what is not registered is fine. Raises on other failures.
void UnregisterAutomationServer(const std::wstring& programPath);

class AutomationServer {
public:
    // Adds the requested (not refused) task; raises on failure.
    using AddTaskHandler = std::function<void(const AddTaskRequest&)>;

    // Registers the class object for multiple use; raises when it cannot. With startedByCom the
    // process ends (WM_QUIT to this thread) when the last object handed out is released, unless
    // KeepRunning was called before. `wake` must make this thread call ServeQueued soon (a
    // posted message); it is called on the callers' threads.
    AutomationServer(AddTaskHandler addTask, std::function<void()> wake, bool startedByCom);
    ~AutomationServer();
    AutomationServer(const AutomationServer&) = delete;
    AutomationServer& operator=(const AutomationServer&) = delete;

    // On the user-interface thread: hands the queued calls on, in order. Inside a dialog it
    // opened (a nested message loop) it does nothing: the calls wait for that dialog to close.
    void ServeQueued();
    // Revokes the class object; calls from now on, and those still queued, answer
    // CO_E_SERVER_STOPPING. Runs once.
    void Stop();
    // The program stays when its last object goes (a task was scheduled through it).
    void KeepRunning();

    struct State;

private:
    std::shared_ptr<State> state_;
    struct Registrar;
    std::unique_ptr<Registrar> registrar_;
};

}  // namespace lark::scheduler
