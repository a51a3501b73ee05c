// What a large selection and a large folder cost on the host, without COM: with 20,000 remote
// files selected, the selection list that every GetData refills, the split of the item list
// that delete, move, open, properties and menus start with, and the item list a context menu
// keeps; with 10,000 rows all selected, a change notice applied and the selection found again.
// Under Wine, through the COM objects: bench_lx_wine.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "mainclient_fake/fake_main_client.h"
#include "shellext/folder_operations.h"
#include "shellext/selection_list.h"
#include "shellext/transfer_actions.h"
#include "shellext/view_rows.h"

namespace {

using namespace lark;
using namespace lark::shellext;

// A site whose start directory holds `files` files, and one item for each.
struct Folder {
    explicit Folder(int files) {
        std::string listing;
        for (int i = 0; i < files; ++i)
            listing += "-rw-r--r-- 1 owner group " + std::to_string(1000 + i) + " Jan 10  2003 file" +
                       std::to_string(i) + ".dat\r\n";
        mainclient::fake::Reply reply;
        reply.text = listing;
        client->SetDefault("ListDirectory", reply);
        site = model.Nodes().AddNewRecord();
        site->ServerInfo()->ProfileName = "S";
        site->LoadContent();
        std::vector<const ItemIdList*> parts;
        for (int i = 0; i < site->Content()->Count(); ++i) {
            items.push_back(CreatePidlItem(*site->Content()->Items(i)));
            parts.push_back(items.back());
        }
        joined = JoinItems(parts);
    }
    ~Folder() {
        for (ItemIdList* item : items) FreePidl(item);
        FreePidl(joined);
    }
    std::shared_ptr<mainclient::fake::FakeMainClient> client = std::make_shared<mainclient::fake::FakeMainClient>();
    TFTPContainer model{ModelServices{[this] { return client; }}};
    TFTPObject* site = nullptr;
    std::vector<ItemIdList*> items;
    ItemIdList* joined = nullptr;  // the item-list convention: every item in one list
};

constexpr int kSelected = 20000;
constexpr int kRows = 10000;

void SelectionListOf20000Items(benchmark::State& state) {
    Folder folder(kSelected);
    SelectionList selection;
    for (auto _ : state) {
        selection.Set(folder.joined, nullptr);
        if (selection.Count() != kSelected) state.SkipWithError("not every item was selected");
    }
}
BENCHMARK(SelectionListOf20000Items)->Unit(benchmark::kMillisecond);

void SplitItemsOf20000(benchmark::State& state) {
    Folder folder(kSelected);
    for (auto _ : state) {
        const auto split = SplitItems(folder.joined, kSelected);
        if (split.size() != kSelected) state.SkipWithError("not every item was split");
        benchmark::DoNotOptimize(split.data());
    }
}
BENCHMARK(SplitItemsOf20000)->Unit(benchmark::kMillisecond);

// What the context menu's constructor does with the items it is given: split and keep a copy.
void MenuItemListOf20000(benchmark::State& state) {
    Folder folder(kSelected);
    for (auto _ : state) {
        ItemIdList* kept = JoinItems(SplitItems(folder.joined, kSelected));
        benchmark::DoNotOptimize(kept);
        FreePidl(kept);
    }
}
BENCHMARK(MenuItemListOf20000)->Unit(benchmark::kMillisecond);

// An update notice for one row of 10,000, then every selected row found again by its handle.
void NoticeWith10000RowsSelected(benchmark::State& state) {
    Folder folder(kRows);
    std::ifstream in(LARK_SHELLEXT_FORMS "/TDM.tpf", std::ios::binary);
    const std::vector<std::uint8_t> definition{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::unique_ptr<TDM> texts = TDM::Create(definition, 0x0409);
    ItemIdList* siteItem = CreatePidlItem(*folder.site);
    ViewRows rows(siteItem, *texts, nullptr);
    std::vector<ItemIdList*> copies;
    for (ItemIdList* item : folder.items) copies.push_back(CopyPidl(item));
    rows.Fill(copies);
    std::vector<std::uint32_t> selected;
    for (int i = 0; i < rows.Count(); ++i) selected.push_back(PidlNodeHandle(rows.Row(i).item));
    ItemIdList* notice = CombinePidls(siteItem, folder.items[kRows / 2]);
    for (auto _ : state) {
        const NoticeResult result = rows.ApplyNotice(kNoticeUpdateItem, notice, PidlSize(notice));
        const std::vector<int> found = rows.FindRows(selected);
        if (result.effect != NoticeEffect::RowUpdated || found.size() != selected.size())
            state.SkipWithError("the notice did not reach its row");
    }
    FreePidl(notice);
    FreePidl(siteItem);
}
BENCHMARK(NoticeWith10000RowsSelected)->Unit(benchmark::kMillisecond);

}  // namespace
