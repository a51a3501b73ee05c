#include "uicomponents/thread_timer.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <chrono>
#include <memory>

#include "gui_testing/process.h"

namespace lark::ui {
namespace {

using namespace std::chrono_literals;
using testing::Pump;
using testing::PumpUntil;

int ThreadsOfThisProcess() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{sizeof entry};
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
    CloseHandle(snapshot);
    return count;
}

TEST(ThreadTimer, TicksOnTheMakingThreadAndPausesAndResumes) {
    ThreadTimer timer;
    timer.SetInterval(10);
    int ticks = 0;
    DWORD tickThread = 0;
    timer.SetOnTimer([&](core::Component&) {
        ++ticks;
        tickThread = GetCurrentThreadId();
    });
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 3; }, 5s));
    EXPECT_EQ(tickThread, GetCurrentThreadId());

    timer.SetEnabled(false);
    const int paused = ticks;
    Sleep(60);  // ticks posted meanwhile would be pending now
    Pump();
    EXPECT_EQ(ticks, paused);

    timer.SetEnabled(true);
    EXPECT_TRUE(PumpUntil([&] { return ticks >= paused + 3; }, 5s));
}

TEST(ThreadTimer, ATickPendingAtDestructionIsDroppedAndTheThreadIsJoined) {
    const int threadsBefore = ThreadsOfThisProcess();
    int ticks = 0;
    {
        auto timer = std::make_unique<ThreadTimer>();
        timer->SetInterval(1);
        timer->SetOnTimer([&](core::Component&) { ++ticks; });
        Sleep(50);  // a tick is queued now, never pumped
        ASSERT_TRUE(timer->Ticking());
    }
    Pump();
    EXPECT_EQ(ticks, 0);
    EXPECT_EQ(ThreadsOfThisProcess(), threadsBefore);
}

TEST(ThreadTimer, WindowTimerModeAndBack) {
    ThreadTimer timer;
    timer.SetInterval(10);
    int ticks = 0;
    timer.SetOnTimer([&](core::Component&) { ++ticks; });
    timer.SetThreaded(false);
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 2; }, 5s));
    timer.SetThreaded(true);
    const int before = ticks;
    EXPECT_TRUE(PumpUntil([&] { return ticks >= before + 2; }, 5s));
    timer.SetInterval(0);
    EXPECT_FALSE(timer.Ticking());
}

TEST(ThreadTimer, WithoutSyncEventTheTickRunsOnTheTimerThread) {
    ThreadTimer timer;
    timer.SetInterval(5);
    timer.SetSyncEvent(false);
    std::atomic<DWORD> tickThread{0};
    timer.SetOnTimer([&](core::Component&) { tickThread = GetCurrentThreadId(); });
    for (int i = 0; i < 500 && tickThread == 0; ++i) Sleep(5);
    EXPECT_NE(tickThread.load(), 0u);
    EXPECT_NE(tickThread.load(), GetCurrentThreadId());
}

}  // namespace
}  // namespace lark::ui
