// The next start of every task, as a refresh of the whole task list computes it.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "core/clock.h"
#include "core/datetime.h"
#include "scheduler/schedule.h"
#include "scheduler/task_list.h"

namespace {

using namespace lark::scheduler;

// 10,000 tasks of every kind: never run, run recently, missed for years, sparse day and month
// sets, long intervals, month ends.
void Fill(TLarkFTPTaskList& list, lark::core::DateTime now) {
    std::uint32_t seed = 12345;
    auto next = [&seed](std::uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % n;
    };
    for (int i = 0; i < 10000; ++i) {
        TLarkFTPTask& t = list.Add();
        t.SetScheduleTask(static_cast<TScheduleTask>(next(5)));
        t.SetStartTime(now - next(2000) + next(1440) / 1440.0);
        switch (next(3)) {
            case 0: t.SetLastTime(0); break;
            case 1: t.SetLastTime(now - next(40) - next(1440) / 1440.0); break;
            default: t.SetLastTime(now - 365.0 * (1 + next(20))); break;
        }
        t.SetDayInterval(1 + static_cast<int>(next(365)));
        t.SetEveryWeek(1 + static_cast<int>(next(8)));
        t.SetWeekDays(TWeekDays::FromBits(next(256)));
        t.SetEveryDayOfMonth(1 + static_cast<int>(next(31)));
        t.SetMonths(TMonths::FromBits(next(1 << 13)));
    }
}

void BM_NextRunTime(benchmark::State& state) {
    const lark::core::DateTime now = lark::core::EncodeDate(2024, 3, 4) + lark::core::EncodeTime(9, 30, 0, 0);
    lark::core::FixedClock clock(now);
    TLarkFTPTaskList list;
    Fill(list, now);
    for (auto _ : state) {
        for (int i = 0; i < list.Count(); ++i) {
            TLarkFTPTask& t = list.Items(i);
            t.SetNextTime(GetNextRunTime(t, clock));
        }
        benchmark::DoNotOptimize(list.TodayTaskCount(clock));
    }
    state.SetItemsProcessed(state.iterations() * list.Count());
}
BENCHMARK(BM_NextRunTime)->Unit(benchmark::kMicrosecond);

}  // namespace
