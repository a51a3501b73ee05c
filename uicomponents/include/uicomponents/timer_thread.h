#pragma once
// TimerThread: the background half of a thread timer, portable so its pause, resume and stop
// can be tested without windows. Contract:
// - The thread starts on the first Configure that runs it, and waits on one condition (the
//   "event"): a changed configuration, a stop, or the end of an interval. Pausing never
//   suspends the thread; it waits for the next Configure or Stop.
// - At the end of each interval it hands the tick to its TickHandOff (Post), or runs the direct
//   tick on the thread when one is set. A Post that fails (the receiving thread takes no more:
//   its window is gone, the application is ending) pauses the timer until it is configured
//   again, so a dead receiver costs no busy loop.
// - Stop (and the destructor) signals the stop and joins the thread: when it returns, Post is
//   never called again. It may be called from any thread but the timer's own.
// - The thread hook runs on the timer thread when it starts and after every configuration
//   change (the Win32 timer sets the thread's priority there).
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace lark::ui {

class TickHandOff {
public:
    virtual ~TickHandOff() = default;
    // Timer thread: asks the receiving thread to run the tick later. Must not block. False when
    // the receiver takes no more ticks.
    virtual bool Post() = 0;
};

class TimerThread {
public:
    explicit TimerThread(TickHandOff& handOff) : handOff_(handOff) {}
    ~TimerThread() { Stop(); }
    TimerThread(const TimerThread&) = delete;
    TimerThread& operator=(const TimerThread&) = delete;

    // Runs (run true, intervalMs above 0) or pauses the timer; a change restarts the interval.
    void Configure(unsigned intervalMs, bool run);
    // Ticks run on the timer thread itself while set (null: every tick is posted).
    void SetDirectTick(std::function<void()> tick);
    void SetThreadHook(std::function<void()> hook);
    void Stop();

    bool Running() const;
    bool HasThread() const { return thread_.joinable(); }

private:
    void Loop();

    TickHandOff& handOff_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::thread thread_;
    unsigned interval_ = 0;
    bool run_ = false;
    bool stop_ = false;
    bool changed_ = false;
    std::function<void()> directTick_;
    std::function<void()> hook_;
};

}  // namespace lark::ui
