#pragma once
// Timer ("TTimer"): Interval in milliseconds, Enabled, OnTimer. A thread timer (no window), so
// it serves inside a host process too; it starts once its definition is read (or at once when
// made in code) and runs on the thread that made it. A failure in OnTimer goes to
// Application::HandleException.
#include "ui/win32.h"

#include "core/component.h"
#include "core/event.h"

namespace lark::ui {

class Timer : public core::Component {
    LARK_PERSISTENT_CLASS(Timer)
public:
    explicit Timer(core::Component* owner = nullptr) : core::Component(owner) {}
    ~Timer() override;
    int Interval() const { return interval_; }
    void SetInterval(int interval);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    void Loaded() override;
    core::NotifyEvent OnTimer;

private:
    static void CALLBACK TimerProc(HWND, UINT, UINT_PTR, DWORD);
    void Restart();
    int interval_ = 1000;
    bool enabled_ = true;
    UINT_PTR id_ = 0;
};

}  // namespace lark::ui
