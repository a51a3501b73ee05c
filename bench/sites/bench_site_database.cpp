// Loading a site database of 10,000 profiles (100 at the top, the rest in 100 folders), each
// with an enciphered password: the start-up cost of the shell extension's tree.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "core/ini_store.h"
#include "shellext/model/site_database.h"
#include "shellext/model/site_model.h"
#include "storage/props_storage.h"

using namespace lark;
using namespace lark::shellext;

namespace {

void AddProfile(TFtpServers& to, int n) {
    TFtpServerInfo* r = to.Add();
    r->ProfileName = "Profile " + std::to_string(n);
    r->HostName = "host" + std::to_string(n) + ".example";
    r->UserName = "user" + std::to_string(n);
    r->HostDirName = "/pub/" + std::to_string(n);
    r->SetPassWord(EncipherPassWord("password" + std::to_string(n), SitePasswordKey()));
}

const std::string& DatabaseFile() {
    static const std::string path = [] {
        TServers servers;
        servers.SetName("Servers1");
        int n = 0;
        for (int i = 0; i < 100; ++i) AddProfile(servers.FTPServers(), n++);
        for (int f = 0; f < 100; ++f) {
            TFtpServerInfo* folder = servers.FTPServers().Add();
            folder->ProfileName = "Folder " + std::to_string(f);
            folder->IsFolder = true;
            for (int i = 0; i < 99; ++i) AddProfile(folder->Servers(), n++);
        }
        core::IniStore ini;
        storage::TPropsStorage writer;
        writer.OnWriteString = [&](auto s, auto k, auto v) { ini.WriteString(s, k, v); };
        writer.OnEraseSection = [&](auto s) { ini.EraseSection(s); };
        writer.Object = &servers;
        writer.Prefix = "Servers1_";
        writer.Section = "FTPServers";
        writer.SavePropValue(*servers.Class().FindProp("FTPServers"));
        auto p = (std::filesystem::temp_directory_path() / "lark_bench_sites.ini").string();
        ini.SaveToFile(p);
        return p;
    }();
    return path;
}

void BM_LoadSiteDatabase10k(benchmark::State& state) {
    const std::string& path = DatabaseFile();
    for (auto _ : state) {
        auto servers = LoadSiteDatabase(path);
        if (servers->FTPServers().Count() != 200) state.SkipWithError("database not read");
        benchmark::DoNotOptimize(servers.get());
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
}
BENCHMARK(BM_LoadSiteDatabase10k)->Unit(benchmark::kMillisecond);

// The extension's start-up: the database read and the tree of site nodes built over it.
void BM_BuildSiteTree10k(benchmark::State& state) {
    const std::string& path = DatabaseFile();
    for (auto _ : state) {
        TFTPContainer container;
        container.LoadDatabase(path);
        if (container.Nodes().Count() != 200) state.SkipWithError("tree not built");
        benchmark::DoNotOptimize(&container);
    }
}
BENCHMARK(BM_BuildSiteTree10k)->Unit(benchmark::kMillisecond);

// A refresh of the root folder: the database read again and merged into an unchanged tree.
void BM_ReloadSiteTree10k(benchmark::State& state) {
    const std::string& path = DatabaseFile();
    TFTPContainer container;
    container.LoadDatabase(path);
    for (auto _ : state) {
        container.LoadFromDatabase(path, nullptr);
        if (container.Nodes().Count() != 200) state.SkipWithError("tree changed");
    }
}
BENCHMARK(BM_ReloadSiteTree10k)->Unit(benchmark::kMillisecond);

}  // namespace
