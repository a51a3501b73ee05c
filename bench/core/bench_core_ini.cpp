// Cost of opening a large site database (3,000 records of 23 keys) and reading every key: what
// the shell extension pays at start-up and on every reload.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/ini_store.h"

namespace {

using namespace lark::core;

constexpr int kRecords = 3000;
constexpr int kKeys = 23;

const char* const kKeyNames[kKeys] = {
    "ProfileName", "Comments",      "Account",    "HostName",  "Port",       "UserName",
    "PassWord",    "HostDirName",   "Binary",     "Passive",   "IsFolder",   "UseGlobalProxy",
    "ProxyName",   "ProxyPort",     "ProxyType",  "ProxyUser", "ProxyPassword", "ServerType",
    "PrivateKey",  "KeyPassword",   "HostFingerprint", "Authentication", "LocalFolder"};

std::string MakeDatabase() {
    std::string text = "[FTPServers]\r\nFTPServers_Count=" + std::to_string(kRecords) + "\r\n\r\n";
    for (int r = 0; r < kRecords; ++r) {
        text += "[FTPServers.Item" + std::to_string(r) + "]\r\n";
        for (int k = 0; k < kKeys; ++k)
            text += std::string(kKeyNames[k]) + "=value " + std::to_string(r) + " of " +
                    kKeyNames[k] + " \xE4\xF6\xFC\r\n";
        text += "\r\n";
    }
    return text;
}

std::vector<std::string> SectionNames() {
    std::vector<std::string> names;
    for (int r = 0; r < kRecords; ++r) names.push_back("FTPServers.Item" + std::to_string(r));
    return names;
}

void BM_ParseDatabase(benchmark::State& state) {
    const std::string text = MakeDatabase();
    for (auto _ : state) {
        IniStore ini;
        ini.LoadFromText(text);
        benchmark::DoNotOptimize(ini);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ParseDatabase)->Unit(benchmark::kMillisecond);

void BM_ParseAndReadEveryKey(benchmark::State& state) {
    const std::string text = MakeDatabase();
    const std::vector<std::string> sections = SectionNames();
    for (auto _ : state) {
        IniStore ini;
        ini.LoadFromText(text);
        std::size_t total = 0;
        for (const std::string& s : sections)
            for (const char* key : kKeyNames) total += ini.ReadString(s, key, "").size();
        benchmark::DoNotOptimize(total);
    }
    state.counters["keys"] = kRecords * kKeys;
}
BENCHMARK(BM_ParseAndReadEveryKey)->Unit(benchmark::kMillisecond);

void BM_ReadEveryKey(benchmark::State& state) {
    IniStore ini;
    ini.LoadFromText(MakeDatabase());
    const std::vector<std::string> sections = SectionNames();
    for (auto _ : state) {
        std::size_t total = 0;
        for (const std::string& s : sections)
            for (const char* key : kKeyNames) total += ini.ReadString(s, key, "").size();
        benchmark::DoNotOptimize(total);
    }
    state.counters["keys"] = kRecords * kKeys;
}
BENCHMARK(BM_ReadEveryKey)->Unit(benchmark::kMillisecond);

}  // namespace
