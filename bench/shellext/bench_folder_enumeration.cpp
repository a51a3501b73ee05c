// The folder's first listings on the host, without COM: a remote folder of 10,000 files (the
// listing parsed into nodes, then the items built) and the junction over a site database of
// 10,000 profiles (the file read, passwords deciphered, the tree built, the items made). The
// same costs measured under Wine through the COM folder: bench_lx_wine.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "mainclient_fake/fake_main_client.h"
#include "shellext/folder_operations.h"

namespace {

using namespace lark;
using namespace lark::shellext;

std::unique_ptr<TDM> DataModule() {
    std::ifstream in(LARK_SHELLEXT_FORMS "/TDM.tpf", std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return TDM::Create(bytes, 0x0409);
}

void FreeAll(std::vector<ItemIdList*>& items) {
    for (ItemIdList* item : items) FreePidl(item);
}

void RemoteFolderOf10000Files(benchmark::State& state) {
    std::string listing;
    for (int i = 0; i < 10000; ++i)
        listing += "-rw-r--r-- 1 owner group " + std::to_string(1000 + i) + " Jan 10  2003 file" + std::to_string(i) + ".dat\r\n";
    auto dm = DataModule();
    localization::FakeMessageBox box;
    for (auto _ : state) {
        auto client = std::make_shared<mainclient::fake::FakeMainClient>();
        mainclient::fake::Reply reply;
        reply.text = listing;
        client->SetDefault("ListDirectory", reply);
        TFTPContainer model{ModelServices{[client] { return client; }}};
        TFTPObject* site = model.Nodes().AddNewRecord();
        site->ServerInfo()->ProfileName = "S";
        ItemIdList* siteItem = CreatePidlItem(*site);
        FolderContext context{model, *dm, box};
        auto items = BuildEnumeration(siteItem, kEnumFolders | kEnumNonFolders, context);
        if (!items || items->size() != 10000) state.SkipWithError("not 10,000 items");
        benchmark::DoNotOptimize(items->data());
        FreeAll(*items);
        FreePidl(siteItem);
    }
}
BENCHMARK(RemoteFolderOf10000Files)->Unit(benchmark::kMillisecond);

void JunctionOf10000Profiles(benchmark::State& state) {
    const auto path = std::filesystem::temp_directory_path() / "lark-bench-10000-profiles.ini";
    {
        std::ofstream out(path, std::ios::binary);
        out << "[FTPServers]\r\nServers1_FTPServers.Count=10000\r\n\r\n[FTPServers.Servers1_FTPServers]\r\n";
        for (int i = 0; i < 10000; ++i)
            out << "Item" << i << "_ProfileName=Site " << i << "\r\nItem" << i << "_HostName=host" << i
                << ".example\r\nItem" << i << "_Port=21\r\nItem" << i << "_UserName=user\r\nItem" << i
                << "_PassWord=5gXhx3miOJswKepb2ZOAB60dazBwjIkHc7QPtOYliKA=\r\nItem" << i << "_HostDirName=/pub\r\nItem"
                << i << "_IsFolder=False\r\n";
    }
    auto dm = DataModule();
    localization::FakeMessageBox box;
    for (auto _ : state) {
        TFTPContainer model;
        model.LoadDatabase(path.string());
        FolderContext context{model, *dm, box};
        auto items = BuildEnumeration(nullptr, kEnumFolders, context);
        if (!items || items->size() != 10000) state.SkipWithError("not 10,000 items");
        FreeAll(*items);
    }
    std::filesystem::remove(path);
}
BENCHMARK(JunctionOf10000Profiles)->Unit(benchmark::kMillisecond);

}  // namespace
