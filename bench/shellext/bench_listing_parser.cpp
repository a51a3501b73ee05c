// Cost of turning a large directory listing (100,000 lines, and 1,000,000 of the three styles
// in turn) into entries: what a user waits for when opening a big remote folder. One entry is
// reused, as the model does. items_per_second is lines a second.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "shellext/model/listing_parser.h"

// Every allocation of the program is counted, so the figures show what parsing allocates.
namespace {
std::atomic<long long> allocations{0};
}  // namespace

// GCC takes the replaced operators for a mismatch of new and free; they are a matched pair.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace lark;

// 'u' Unix, 'd' DOS, 'v' VMS, 'm' the three in turn.
std::vector<std::string> MakeLines(char style, int count = 100000) {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        switch (style == 'm' ? "udv"[i % 3] : style) {
        case 'u':
            lines.push_back(i % 3 ? "-rw-r--r--   1 owner group " + std::to_string(i * 1031LL) +
                                        " Mar  5 12:34 file number " + n + ".txt"
                                  : "drwxr-xr-x   2 owner group 4096 Jan 10  2003 dir" + n);
            break;
        case 'd':
            lines.push_back(i % 3 ? "02-23-05  10:36AM                 1234 file " + n + ".txt"
                                  : "01-15-04  07:45PM       <DIR>          dir " + n);
            break;
        default:
            lines.push_back("FILE" + n + ".TXT;1  3/4  15-FEB-2004 10:30:15 [STAFF,SMITH] (RWED,RWED,RE,)");
        }
    }
    return lines;
}

void Parse(benchmark::State& state, char style, int count = 100000) {
    const std::vector<std::string> lines = MakeLines(style, count);
    const core::FixedClock clock(core::EncodeDate(2026, 12, 10));
    const shellext::ListingParser parser(clock);
    shellext::TFTPFileInfo entry;
    parser.Parse(entry, lines.front());  // the entry's texts grow once, before the count
    const long long before = allocations;
    for (auto _ : state) {
        std::size_t named = 0;
        for (const std::string& line : lines) {
            parser.Parse(entry, line);
            named += !entry.Name.empty();
        }
        benchmark::DoNotOptimize(named);
    }
    const double parsed = static_cast<double>(state.iterations()) * static_cast<double>(lines.size());
    state.counters["allocs_per_line"] = static_cast<double>(allocations - before) / parsed;
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines.size()));
}

void BM_ParseUnix100k(benchmark::State& state) { Parse(state, 'u'); }
void BM_ParseDos100k(benchmark::State& state) { Parse(state, 'd'); }
void BM_ParseVms100k(benchmark::State& state) { Parse(state, 'v'); }
void BM_ParseMixed100k(benchmark::State& state) { Parse(state, 'm'); }
void BM_ParseMixed1M(benchmark::State& state) { Parse(state, 'm', 1000000); }

BENCHMARK(BM_ParseUnix100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseDos100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseVms100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseMixed100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseMixed1M)->Unit(benchmark::kMillisecond);

}  // namespace
