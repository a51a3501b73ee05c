#include "uicomponents/timer_thread.h"

#include <chrono>

namespace lark::ui {

void TimerThread::Configure(unsigned intervalMs, bool run) {
    std::lock_guard lock(mutex_);
    interval_ = intervalMs;
    run_ = run && intervalMs > 0;
    changed_ = true;
    if (run_ && !thread_.joinable() && !stop_) thread_ = std::thread([this] { Loop(); });
    wake_.notify_all();
}

void TimerThread::SetDirectTick(std::function<void()> tick) {
    std::lock_guard lock(mutex_);
    directTick_ = std::move(tick);
}

void TimerThread::SetThreadHook(std::function<void()> hook) {
    std::lock_guard lock(mutex_);
    hook_ = std::move(hook);
    changed_ = true;
    wake_.notify_all();
}

void TimerThread::Stop() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        run_ = false;
        wake_.notify_all();
    }
    if (thread_.joinable()) thread_.join();
}

bool TimerThread::Running() const {
    std::lock_guard lock(mutex_);
    return run_;
}

void TimerThread::Loop() {
    std::unique_lock lock(mutex_);
    const auto woken = [this] { return stop_ || changed_; };
    changed_ = true;
    while (!stop_) {
        if (changed_) {
            changed_ = false;
            if (hook_) {
                auto hook = hook_;
                lock.unlock();
                hook();
                lock.lock();
                continue;
            }
        }
        if (!run_) {
            wake_.wait(lock, woken);
            continue;
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(interval_);
        if (wake_.wait_until(lock, deadline, woken)) continue;  // stopped or reconfigured
        auto direct = directTick_;
        lock.unlock();
        const bool taken = direct ? (direct(), true) : handOff_.Post();
        lock.lock();
        if (!taken && !changed_) run_ = false;
    }
}

}  // namespace lark::ui
