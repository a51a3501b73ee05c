#include "uicomponents/timer_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace lark::ui {
namespace {

using namespace std::chrono_literals;

// The receiving thread's queue: counts what the timer posted; Post answers `accept`.
class FakeHandOff : public TickHandOff {
public:
    bool Post() override {
        std::lock_guard lock(mutex_);
        ++posted_;
        changed_.notify_all();
        return accept;
    }
    int Posted() {
        std::lock_guard lock(mutex_);
        return posted_;
    }
    bool WaitForPosts(int count, std::chrono::milliseconds timeout = 5s) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return posted_ >= count; });
    }
    std::atomic<bool> accept{true};

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int posted_ = 0;
};

TEST(TimerThread, NothingRunsUntilConfiguredToRun) {
    FakeHandOff ui;
    TimerThread timer(ui);
    timer.Configure(10, false);
    timer.Configure(0, true);  // interval 0 stops
    std::this_thread::sleep_for(60ms);
    EXPECT_FALSE(timer.HasThread());
    EXPECT_EQ(ui.Posted(), 0);
}

TEST(TimerThread, PausesAndResumesWithoutLosingTheThread) {
    FakeHandOff ui;
    TimerThread timer(ui);
    timer.Configure(5, true);
    ASSERT_TRUE(ui.WaitForPosts(3));
    timer.Configure(5, false);
    const int paused = ui.Posted();
    std::this_thread::sleep_for(60ms);
    EXPECT_EQ(ui.Posted(), paused);
    EXPECT_TRUE(timer.HasThread());

    timer.Configure(5, true);
    EXPECT_TRUE(ui.WaitForPosts(paused + 3));
}

TEST(TimerThread, StopInterruptsALongIntervalAndNothingIsPostedAfterIt) {
    FakeHandOff ui;
    auto timer = std::make_unique<TimerThread>(ui);
    timer->Configure(3'600'000, true);
    const auto before = std::chrono::steady_clock::now();
    timer.reset();  // destruction signals the stop and joins
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
    EXPECT_EQ(ui.Posted(), 0);
}

TEST(TimerThread, DestroyedWhileTicksArePendingJoinsAndPostsNoMore) {
    FakeHandOff ui;
    {
        TimerThread timer(ui);
        timer.Configure(1, true);
        ASSERT_TRUE(ui.WaitForPosts(2));  // posted, never taken: pending at destruction
    }
    const int atDestruction = ui.Posted();
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(ui.Posted(), atDestruction);
}

TEST(TimerThread, AReceiverThatTakesNoMorePausesTheTimerUntilItIsConfiguredAgain) {
    FakeHandOff ui;
    ui.accept = false;
    TimerThread timer(ui);
    timer.Configure(2, true);
    ASSERT_TRUE(ui.WaitForPosts(1));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(ui.Posted(), 1);  // no busy loop against a dead receiver
    EXPECT_FALSE(timer.Running());

    ui.accept = true;
    timer.Configure(2, true);
    EXPECT_TRUE(ui.WaitForPosts(3));
}

TEST(TimerThread, DirectTicksRunOnTheTimerThreadAndTheHookRunsThereToo) {
    FakeHandOff ui;
    TimerThread timer(ui);
    std::atomic<int> direct{0};
    std::atomic<bool> hookOnTimerThread{false};
    const auto caller = std::this_thread::get_id();
    timer.SetThreadHook([&] { hookOnTimerThread = std::this_thread::get_id() != caller; });
    timer.SetDirectTick([&] { ++direct; });
    timer.Configure(2, true);
    for (int i = 0; i < 500 && direct < 3; ++i) std::this_thread::sleep_for(5ms);
    EXPECT_GE(direct.load(), 3);
    EXPECT_TRUE(hookOnTimerThread.load());
    EXPECT_EQ(ui.Posted(), 0);
}

}  // namespace
}  // namespace lark::ui
