#include "server.h"

#include "mainclient/main_client.h"
#include "win/object.h"
#include "win/text.h"

namespace lark::mainclient_double {

Server::Server(Settings settings)
    : settings_(std::move(settings)), log_(settings_.call_log), posts_(settings_.post_log),
      message_(RegisterWindowMessageW(win::Widen(mainclient::kTaskCompletedMessage).c_str())) {
    scenario_.Load(settings_.scenario);
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Server::WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LarkFtpDoubleWindow";
    RegisterClassW(&wc);
    // Message-only: the double's own window must never be mistaken for a client's.
    window_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, this);
}

Server::~Server() {
    if (window_) DestroyWindow(window_);
}

void Server::Post(int32_t task_id, const std::vector<int32_t>& results) {
    HWND target = FindWindowW(nullptr, settings_.window_title.c_str());
    if (!target) return;  // nobody listening: the messages are lost, as with the real client
    for (int32_t r : results) {
        // Logged once in the client's queue, so a test that sees the line knows the message comes
        // before anything it posts itself.
        if (PostMessageW(target, message_, static_cast<WPARAM>(task_id), r) && !settings_.post_log.empty())
            posts_.Append(std::to_string(static_cast<uint32_t>(task_id)), {std::to_string(r)});
    }
}

void Server::Complete(int32_t task_id, const std::vector<int32_t>& results, bool now, UINT delay_ms) {
    if (results.empty()) return;
    if (now || !window_) return Post(task_id, results);
    const UINT_PTR id = next_timer_++;
    jobs_[id] = Job{task_id, results};
    win::ModuleLock::Lock();
    SetTimer(window_, id, delay_ms < USER_TIMER_MINIMUM ? USER_TIMER_MINIMUM : delay_ms, nullptr);
}

LRESULT CALLBACK Server::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    } else if (msg == WM_TIMER) {
        auto* self = reinterpret_cast<Server*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        KillTimer(hwnd, wp);
        if (self) {
            auto job = self->jobs_.find(wp);
            if (job != self->jobs_.end()) {
                self->Post(job->second.task_id, job->second.results);
                self->jobs_.erase(job);
                win::ModuleLock::Unlock();
            }
        }
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace lark::mainclient_double
