#include "uicomponents/thread_timer.h"

#include "core/errors.h"
#include "ui/application.h"
#include "uicomponents/link_label.h"

namespace lark::ui {

namespace {
constexpr wchar_t kWindowClass[] = L"TUiTimerWindow";
constexpr UINT kTickMessage = WM_APP + 1;
constexpr UINT_PTR kWindowTimerId = 1;

const char kAnchor = 0;
HINSTANCE ThisModule() { return ModuleOf(&kAnchor); }

int WinPriority(ThreadPriority priority) {
    switch (priority) {
    case ThreadPriority::Idle: return THREAD_PRIORITY_IDLE;
    case ThreadPriority::Lowest: return THREAD_PRIORITY_LOWEST;
    case ThreadPriority::Lower: return THREAD_PRIORITY_BELOW_NORMAL;
    case ThreadPriority::Normal: return THREAD_PRIORITY_NORMAL;
    case ThreadPriority::Higher: return THREAD_PRIORITY_ABOVE_NORMAL;
    case ThreadPriority::Highest: return THREAD_PRIORITY_HIGHEST;
    case ThreadPriority::TimeCritical: return THREAD_PRIORITY_TIME_CRITICAL;
    }
    return THREAD_PRIORITY_NORMAL;
}
}  // namespace

const core::TypeInfo& ThreadPriorityType() {
    static const auto type = core::MakeEnumType(
        "TThreadPriority", {"tpIdle", "tpLowest", "tpLower", "tpNormal", "tpHigher", "tpHighest", "tpTimeCritical"});
    return *type;
}

LARK_DEFINE_CLASS(ThreadTimer) {
    using core::Value;
    return core::ClassBuilder<ThreadTimer>("TUiTimer", &core::Component::StaticClass())
        .Prop("Enabled", core::BooleanType(), &ThreadTimer::Enabled, &ThreadTimer::SetEnabled, Value(std::int64_t(1)))
        .Prop("Interval", core::CardinalType(), &ThreadTimer::Interval, &ThreadTimer::SetInterval,
              Value(std::int64_t(1000)))
        .Prop("SyncEvent", core::BooleanType(), &ThreadTimer::SyncEvent, &ThreadTimer::SetSyncEvent,
              Value(std::int64_t(1)))
        .Prop("Threaded", core::BooleanType(), &ThreadTimer::Threaded, &ThreadTimer::SetThreaded, Value(std::int64_t(1)))
        .Prop("ThreadPriority", ThreadPriorityType(), &ThreadTimer::Priority, &ThreadTimer::SetPriority,
              Value(std::int64_t(3)))
        .Event("OnTimer", &ThreadTimer::OnTimer)
        .Build();
}

ThreadTimer::ThreadTimer(core::Component* owner) : core::Component(owner) {
    static const bool registered = [] {
        WNDCLASSEXW wc{sizeof(wc)};
        wc.lpfnWndProc = &WindowProc;
        wc.hInstance = ThisModule();
        wc.lpszClassName = kWindowClass;
        if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            throw core::Error("TUiTimer: cannot register its window class");
        return true;
    }();
    (void)registered;
    window_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ThisModule(), nullptr);
    if (!window_) throw core::Error("TUiTimer: cannot create its window");
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    thread_.SetThreadHook([this] { SetThreadPriority(GetCurrentThread(), WinPriority(priority_)); });
}

ThreadTimer::~ThreadTimer() {
    BeginDestroy();
    thread_.Stop();  // joined: nothing posts from here on
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);  // drops a tick still queued
}

bool ThreadTimer::ShouldRun() const { return enabled_ && interval_ > 0 && static_cast<bool>(OnTimer) && !IsDestroying(); }

bool ThreadTimer::Ticking() const { return windowTimer_ || thread_.Running(); }

void ThreadTimer::Reschedule() {
    if (IsLoading()) return;
    pending_ = false;
    if (windowTimer_) {
        KillTimer(window_, kWindowTimerId);
        windowTimer_ = false;
    }
    if (threaded_) {
        thread_.Configure(interval_, ShouldRun());
        return;
    }
    thread_.Configure(interval_, false);
    if (!ShouldRun()) return;
    if (!SetTimer(window_, kWindowTimerId, interval_, nullptr))
        throw core::Error(NamePath() + ": Nicht genügend Timer verfügbar");
    windowTimer_ = true;
}

void ThreadTimer::SetEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    Reschedule();
}

void ThreadTimer::SetInterval(unsigned interval) {
    if (interval == interval_) return;
    interval_ = interval;
    Reschedule();
}

void ThreadTimer::SetSyncEvent(bool on) {
    if (on == syncEvent_) return;
    syncEvent_ = on;
    if (on) {
        thread_.SetDirectTick(nullptr);
        return;
    }
    thread_.SetDirectTick([this] {
        try {
            if (enabled_) OnTimer(*this);
        } catch (...) {
            Application::Instance().HandleException(std::current_exception());
        }
    });
}

void ThreadTimer::SetThreaded(bool on) {
    if (on == threaded_) return;
    threaded_ = on;
    Reschedule();
}

void ThreadTimer::SetPriority(ThreadPriority priority) {
    if (priority == priority_) return;
    priority_ = priority;
    if (threaded_) thread_.SetThreadHook([this] { SetThreadPriority(GetCurrentThread(), WinPriority(priority_)); });
}

void ThreadTimer::SetOnTimer(std::function<void(core::Component&)> handler) {
    OnTimer.Bind(std::move(handler));
    Reschedule();
}

void ThreadTimer::Loaded() {
    core::Component::Loaded();
    Reschedule();
}

bool ThreadTimer::Post() {
    // One tick at a time in the queue: a busy receiver is not flooded.
    if (pending_.exchange(true)) return true;
    if (PostMessageW(window_, kTickMessage, 0, 0)) return true;
    pending_ = false;
    return false;
}

void ThreadTimer::Tick() {
    if (!ShouldRun()) return;
    OnTimer(*this);
}

LRESULT CALLBACK ThreadTimer::WindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<ThreadTimer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && (message == kTickMessage || (message == WM_TIMER && w == kWindowTimerId))) {
        if (message == kTickMessage) self->pending_ = false;
        try {
            self->Tick();
        } catch (...) {
            Application::Instance().HandleException(std::current_exception());
        }
        return 0;
    }
    return DefWindowProcW(window, message, w, l);
}

}  // namespace lark::ui
