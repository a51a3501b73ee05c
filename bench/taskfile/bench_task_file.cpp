// Saving and loading task lists of 10,000 and 100,000 tasks through the component stream: the
// larger list must cost about ten times the smaller one.
#include <benchmark/benchmark.h>

#include "scheduler/task_file.h"

using namespace lark::scheduler;

namespace {
void Fill(TLarkFTPTaskStorage& s, int n) {
    for (int i = 0; i < n; ++i) {
        TLarkFTPTask& t = s.TaskList().Add();
        t.SetLocalName("C:\\Users\\anna\\Documents\\reports\\report-" + std::to_string(i) + ".csv");
        t.SetRemoteName("/pub/reports/report-" + std::to_string(i) + ".csv");
        t.SetRemoteURL("ftp.example.org");
        t.SetUserName("anna");
        t.SetUserPassword("password" + std::to_string(i));
        t.SetScheduleTask(static_cast<TScheduleTask>(i % 4));
        t.SetStartTime(46000.5 + i);
        t.SetLastResult("Successfully completed\r\n12/10/2026 9:00:00 AM");
    }
}

void BM_SaveTasks(benchmark::State& state) {
    TLarkFTPTaskStorage s;
    Fill(s, static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(WriteTaskStream(s));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_LoadTasks(benchmark::State& state) {
    TLarkFTPTaskStorage s;
    Fill(s, static_cast<int>(state.range(0)));
    auto bytes = WriteTaskStream(s);
    for (auto _ : state) {
        TLarkFTPTaskStorage back;
        ReadTaskStream(back, bytes);
        benchmark::DoNotOptimize(back.TaskList().Count());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["bytes"] = static_cast<double>(bytes.size());
}
}  // namespace

BENCHMARK(BM_SaveTasks)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadTasks)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
