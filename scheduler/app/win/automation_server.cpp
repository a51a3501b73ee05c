#include "automation_server.h"

#include <atomic>
#include <deque>
#include <iterator>
#include <mutex>
#include <thread>

#include "lf_scheduler.h"
#include "win/bstr.h"
#include "win/com_error.h"
#include "win/local_server.h"
#include "win/object.h"
#include "win/registration.h"

namespace lark::scheduler {

namespace {

constexpr char kStoppingText[] = "AddTask: the scheduler is shutting down; no task was added";

// One AddTask waiting for the user-interface thread.
struct QueuedCall {
    AddTaskRequest request;
    HRESULT hr = S_OK;
    std::string text;  // the failure's, for the caller's error info
    HANDLE answered = CreateEventW(nullptr, TRUE, FALSE, nullptr);

    explicit QueuedCall(AddTaskRequest r) : request(std::move(r)) {}
    QueuedCall(const QueuedCall&) = delete;
    QueuedCall& operator=(const QueuedCall&) = delete;
    ~QueuedCall() {
        if (answered) CloseHandle(answered);
    }
    void Answer(HRESULT code, std::string why) {
        hr = code;
        text = std::move(why);
        SetEvent(answered);
    }
};

}  // namespace

struct AutomationServer::State {
    AddTaskHandler addTask;     // user-interface thread only
    std::function<void()> wake;  // any thread
    std::atomic<bool> stopping{false};
    std::atomic<bool> keepRunning{false};
    std::mutex mutex;
    std::deque<std::shared_ptr<QueuedCall>> queue;
    bool serving = false;  // user-interface thread only
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
                win::SetErrorText(kStoppingText, IID_ILarkFTP_Scheduler);
                return CO_E_SERVER_STOPPING;
            }
            // Measured before anything is converted: a text no Windows path or field can use is
            // refused whole.
            const BSTR texts[] = {HostName, UserName, Password, ProxyServer, ProxyPort, LocalName, RemoteName};
            for (std::size_t i = 0; i < std::size(texts); ++i)
                if (const std::string refusal = OverlongTextRefusal(kAddTaskTextNames[i], SysStringLen(texts[i]));
                    !refusal.empty()) {
                    win::SetErrorText(refusal, IID_ILarkFTP_Scheduler);
                    return E_INVALIDARG;
                }
            AddTaskRequest request{win::BstrToUtf8(HostName),  win::BstrToUtf8(UserName),   win::BstrToUtf8(Password),
                                   win::BstrToUtf8(ProxyServer), win::BstrToUtf8(ProxyPort), win::BstrToUtf8(LocalName),
                                   win::BstrToUtf8(RemoteName),  TaskType};
            if (const std::string refusal = AddTaskRefusal(request); !refusal.empty()) {
                win::SetErrorText(refusal, IID_ILarkFTP_Scheduler);
                return E_INVALIDARG;
            }
            auto call = std::make_shared<QueuedCall>(std::move(request));
            if (!call->answered) throw win::ComError(HRESULT_FROM_WIN32(GetLastError()), "AddTask: no event");
            {
                std::lock_guard<std::mutex> lock(state_->mutex);
                // Checked again under the lock: Stop answers only what it finds queued.
                if (state_->stopping) {
                    win::SetErrorText(kStoppingText, IID_ILarkFTP_Scheduler);
                    return CO_E_SERVER_STOPPING;
                }
                state_->queue.push_back(call);
            }
            state_->wake();
            // Until the user has closed this call's dialog (the caller waits as long, as it always did).
            WaitForSingleObject(call->answered, INFINITE);
            if (FAILED(call->hr) && !call->text.empty()) win::SetErrorText(call->text, IID_ILarkFTP_Scheduler);
            return call->hr;
        });
    }

private:
    std::shared_ptr<AutomationServer::State> state_;
    win::ScopedModuleLock lock_;
};

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

// The thread of the multithreaded apartment that registers the class object and, at Stop,
// revokes it. It stays in the apartment: calls still waiting there need it.
struct AutomationServer::Registrar {
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // registered (or failed), later revoked
    HRESULT hr = E_UNEXPECTED;
    std::string error;
    bool running = false;

    Registrar(const Registrar&) = delete;
    Registrar& operator=(const Registrar&) = delete;
    explicit Registrar(win::ComPtr<IClassFactory> factory) {
        std::thread([this, factory] {
            const HRESULT init = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            std::unique_ptr<win::ClassObjectRegistration> registration;
            try {
                if (FAILED(init)) throw win::ComError(init, "joining the multithreaded apartment");
                registration = std::make_unique<win::ClassObjectRegistration>(CLSID_LarkFTP_Scheduler, factory.get(),
                                                                               REGCLS_MULTIPLEUSE);
                hr = S_OK;
            } catch (const win::ComError& e) {
                hr = e.code();
                error = e.what();
            } catch (const std::exception& e) {
                hr = E_FAIL;
                error = e.what();
            }
            const bool registered = registration != nullptr;
            SetEvent(done);
            if (!registered) return;
            WaitForSingleObject(stop, INFINITE);
            registration.reset();
            SetEvent(done);
        }).detach();
        WaitForSingleObject(done, INFINITE);
        if (FAILED(hr)) throw win::ComError(hr, error);
        running = true;
        ResetEvent(done);
    }

    void Revoke() {
        if (!running) return;
        running = false;
        SetEvent(stop);
        WaitForSingleObject(done, 10000);
    }

    ~Registrar() {
        Revoke();
        // The thread may still be setting `done` after a timeout: the handles stay with the process.
    }
};

AutomationServer::AutomationServer(AddTaskHandler addTask, std::function<void()> wake, bool startedByCom)
    : state_(std::make_shared<State>()) {
    state_->addTask = std::move(addTask);
    state_->wake = std::move(wake);
    if (startedByCom) {
        std::weak_ptr<State> weak = state_;
        const DWORD thread = GetCurrentThreadId();
        // Runs on the thread of the last release.
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
    registrar_ = std::make_unique<Registrar>(factory);
}

AutomationServer::~AutomationServer() { Stop(); }

void AutomationServer::ServeQueued() {
    // A copy: a call's dialog may stop and free the server.
    const std::shared_ptr<State> state = state_;
    if (state->serving) return;
    state->serving = true;
    struct Served {
        State& state;
        ~Served() { state.serving = false; }
    } served{*state};
    for (;;) {
        std::shared_ptr<QueuedCall> call;
        {
            std::lock_guard<std::mutex> lock(state->mutex);
            if (state->queue.empty()) return;
            call = std::move(state->queue.front());
            state->queue.pop_front();
        }
        if (state->stopping) {
            call->Answer(CO_E_SERVER_STOPPING, kStoppingText);
            continue;
        }
        try {
            state->addTask(call->request);
            call->Answer(S_OK, {});
        } catch (const win::ComError& e) {
            call->Answer(e.code(), e.what());
        } catch (const std::bad_alloc&) {
            call->Answer(E_OUTOFMEMORY, "AddTask: out of memory");
        } catch (const std::exception& e) {
            call->Answer(E_FAIL, e.what());
        }
    }
}

void AutomationServer::Stop() {
    state_->stopping = true;
    if (registrar_) registrar_->Revoke();
    std::deque<std::shared_ptr<QueuedCall>> left;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        left.swap(state_->queue);
    }
    for (const auto& call : left) call->Answer(CO_E_SERVER_STOPPING, kStoppingText);
}

void AutomationServer::KeepRunning() { state_->keepRunning = true; }

}  // namespace lark::scheduler
