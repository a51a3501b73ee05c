#pragma once
// The running double: its settings, scenario, call log and the window that posts completions.
#include <windows.h>

#include <cstdint>
#include <map>
#include <vector>

#include "double.h"

namespace lark::mainclient_double {

class Server {
public:
    explicit Server(Settings settings);
    ~Server();

    const Settings& settings() const { return settings_; }
    const Scenario& scenario() const { return scenario_; }
    CallLog& log() { return log_; }

    // Posts "LarkFTP_Task_Completed" once per entry of results (9 done, 8 failed) to the
    // scheduler's window: at once when `now`, else from a timer after delay_ms, so the call
    // has returned first. Pending posts keep the process alive.
    void Complete(int32_t task_id, const std::vector<int32_t>& results, bool now, UINT delay_ms);

    // Every call marks the server busy; IdleMs is the time since the last call.
    void Touch() { last_call_ = GetTickCount(); }
    DWORD IdleMs() const { return GetTickCount() - last_call_; }
    bool HasPendingPosts() const { return !jobs_.empty(); }

private:
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
    void Post(int32_t task_id, const std::vector<int32_t>& results);

    struct Job {
        int32_t task_id;
        std::vector<int32_t> results;
    };
    Settings settings_;
    Scenario scenario_;
    CallLog log_;
    CallLog posts_;
    UINT message_;
    HWND window_ = nullptr;
    UINT_PTR next_timer_ = 100;
    std::map<UINT_PTR, Job> jobs_;
    DWORD last_call_ = GetTickCount();
};

}  // namespace lark::mainclient_double
