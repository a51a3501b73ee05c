#include "automation_server.h"

#include "lf_scheduler.h"
#include "win/bstr.h"
#include "win/com_error.h"
#include "win/local_server.h"
#include "win/object.h"
#include "win/registration.h"

namespace lark::scheduler {

struct AutomationServer::State {
    AddTaskHandler addTask;
    bool stopping = false;
    bool keepRunning = false;
};

namespace {

class SchedulerObject : public win::ComObject<ILarkFTP_Scheduler, ISupportErrorInfo> {
public:
    explicit SchedulerObject(std::shared_ptr<AutomationServer::State> state) : state_(std::move(state)) {}

    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override {
        return IsEqualIID(iid, IID_ILarkFTP_Scheduler) ? S_OK : S_FALSE;
    }

    STDMETHODIMP AddTask(BSTR HostName, BSTR UserName, BSTR Password, BSTR ProxyServer, BSTR ProxyPort,
                         BSTR LocalName, BSTR RemoteName, signed char TaskType) override {
        return win::Guard(IID_ILarkFTP_Scheduler, [&]() -> HRESULT {
            if (state_->stopping) {
                win::SetErrorText("AddTask: the scheduler is shutting down; no task was added", IID_ILarkFTP_Scheduler);
                return CO_E_SERVER_STOPPING;
            }
            AddTaskRequest request{win::BstrToUtf8(HostName),  win::BstrToUtf8(UserName),   win::BstrToUtf8(Password),
                                   win::BstrToUtf8(ProxyServer), win::BstrToUtf8(ProxyPort), win::BstrToUtf8(LocalName),
                                   win::BstrToUtf8(RemoteName),  TaskType};
            if (const std::string refusal = AddTaskRefusal(request); !refusal.empty()) {
                win::SetErrorText(refusal, IID_ILarkFTP_Scheduler);
                return E_INVALIDARG;
            }
            // The handler runs the modal dialog: the server may be stopped before it returns,
            // but the state it reads stays alive with this object.
            const std::shared_ptr<AutomationServer::State> state = state_;
            state->addTask(request);
            return S_OK;
        });
    }

private:
    std::shared_ptr<AutomationServer::State> state_;
    win::ScopedModuleLock lock_;
};

}  // namespace

namespace {

win::ClassRegistration Registration(const std::wstring& programPath) {
    win::ClassRegistration reg;
    reg.clsid = CLSID_LarkFTP_Scheduler;
    reg.description = "LarkFTP_Scheduler";
    reg.server_path = programPath;
    reg.local_server = true;
    reg.prog_id = kAutomationProgId;
    reg.type_library = LIBID_LF_Scheduler;
    return reg;
}

}  // namespace

void RegisterAutomationServer(const std::wstring& programPath) {
    win::RegisterComClassWithTypeLibrary(Registration(programPath));
}

void UnregisterAutomationServer(const std::wstring& programPath) {
    win::UnregisterComClassWithTypeLibrary(Registration(programPath));
}

AutomationServer::AutomationServer(AddTaskHandler addTask, bool startedByCom)
    : state_(std::make_shared<State>(State{std::move(addTask)})) {
    if (startedByCom) {
        std::weak_ptr<State> weak = state_;
        const DWORD thread = GetCurrentThreadId();
        win::UseServerProcessLock([weak, thread] {
            const auto state = weak.lock();
            if (state && state->keepRunning && !state->stopping)
                CoResumeClassObjects();
            else
                PostThreadMessageW(thread, WM_QUIT, 0, 0);
        });
    }
    std::weak_ptr<State> weak = state_;
    auto factory = win::ComPtr<IClassFactory>::Attach(new win::ClassFactory([weak](REFIID iid, void** out) {
        const auto state = weak.lock();
        if (!state || state->stopping) return CO_E_SERVER_STOPPING;
        return win::CreateInstance<SchedulerObject>(iid, out, state);
    }));
    registration_ =
        std::make_unique<win::ClassObjectRegistration>(CLSID_LarkFTP_Scheduler, factory.get(), REGCLS_MULTIPLEUSE);
}

AutomationServer::~AutomationServer() { Stop(); }

void AutomationServer::Stop() {
    state_->stopping = true;
    registration_.reset();
}

void AutomationServer::KeepRunning() { state_->keepRunning = true; }

}  // namespace lark::scheduler
