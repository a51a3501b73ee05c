#include "ui/timer.h"

#include <map>

#include "ui/application.h"

namespace lark::ui {

namespace {
std::map<UINT_PTR, Timer*>& Running() {
    static std::map<UINT_PTR, Timer*> timers;
    return timers;
}
}  // namespace

LARK_DEFINE_CLASS(Timer) {
    using core::Value;
    return core::ClassBuilder<Timer>("TTimer", &core::Component::StaticClass())
        .Prop("Enabled", core::BooleanType(), &Timer::Enabled, &Timer::SetEnabled, Value(std::int64_t(1)))
        .Prop("Interval", core::CardinalType(), &Timer::Interval, &Timer::SetInterval, Value(std::int64_t(1000)))
        .Event("OnTimer", &Timer::OnTimer)
        .Build();
}

Timer::~Timer() {
    BeginDestroy();
    enabled_ = false;
    Restart();
}

void Timer::SetInterval(int interval) {
    if (interval < 0) throw core::Error(NamePath() + ".Interval: must not be negative");
    interval_ = interval;
    Restart();
}

void Timer::SetEnabled(bool enabled) {
    enabled_ = enabled;
    Restart();
}

void Timer::Loaded() {
    core::Component::Loaded();
    Restart();
}

void Timer::Restart() {
    if (id_) {
        KillTimer(nullptr, id_);
        Running().erase(id_);
        id_ = 0;
    }
    if (!enabled_ || interval_ == 0 || IsLoading() || IsDestroying()) return;
    id_ = SetTimer(nullptr, 0, static_cast<UINT>(interval_), &TimerProc);
    if (!id_) throw core::Error(NamePath() + ": cannot start the timer");
    Running()[id_] = this;
}

void CALLBACK Timer::TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
    try {
        auto found = Running().find(id);
        if (found != Running().end()) found->second->OnTimer(*found->second);
    } catch (...) {
        Application::Instance().HandleException(std::current_exception());
    }
}

}  // namespace lark::ui
