#pragma once
// ThreadTimer ("TUiTimer"): a timer whose intervals are measured on a thread of its own, so a
// busy or modal message loop does not stretch them. Contract:
// - Published: Enabled (True), Interval (1000 ms; 0 stops), SyncEvent (True: OnTimer runs on
//   the thread that made the timer; False: on the timer thread), Threaded (True; False: an
//   ordinary window timer), ThreadPriority (tpNormal), OnTimer.
// - It ticks while Enabled, Interval > 0 and OnTimer is set. Pausing waits on the thread's
//   event; the thread is never suspended.
// - Ticks reach the making thread as a message to the timer's own hidden window; a tick still
//   queued when the timer is paused or destroyed is dropped.
// - Destruction stops the thread and joins it before returning (a DLL may be unloaded right
//   after). A tick that finds the making thread gone pauses the timer: no busy loop.
// - A failure in OnTimer goes to Application::HandleException.
#include "ui/win32.h"

#include <atomic>
#include <memory>

#include "core/component.h"
#include "core/event.h"
#include "uicomponents/timer_thread.h"

namespace lark::ui {

enum class ThreadPriority { Idle, Lowest, Lower, Normal, Higher, Highest, TimeCritical };
const core::TypeInfo& ThreadPriorityType();

class ThreadTimer : public core::Component, private TickHandOff {
    LARK_PERSISTENT_CLASS(ThreadTimer)
public:
    explicit ThreadTimer(core::Component* owner = nullptr);
    ~ThreadTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned interval);
    bool SyncEvent() const { return syncEvent_; }
    void SetSyncEvent(bool on);
    bool Threaded() const { return threaded_; }
    void SetThreaded(bool on);
    ThreadPriority Priority() const { return priority_; }
    void SetPriority(ThreadPriority priority);
    // Binds OnTimer in code and starts or stops the timer with it.
    void SetOnTimer(std::function<void(core::Component&)> handler);

    // Whether ticks are being measured now (thread or window timer).
    bool Ticking() const;
    void Loaded() override;

    core::NotifyEvent OnTimer;

private:
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
    bool Post() override;
    void Reschedule();
    void Tick();
    bool ShouldRun() const;

    HWND window_ = nullptr;
    TimerThread thread_{*this};
    std::atomic<bool> enabled_{true};
    unsigned interval_ = 1000;
    bool syncEvent_ = true;
    bool threaded_ = true;
    std::atomic<ThreadPriority> priority_{ThreadPriority::Normal};
    bool windowTimer_ = false;
    std::atomic<bool> pending_{false};
};

}  // namespace lark::ui
