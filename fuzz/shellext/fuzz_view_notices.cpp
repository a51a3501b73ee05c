// Random change notices, item lists and model changes through a view's rows: notices naming
// hostile, stale, foreign and live items of every kind, for views of the root, a site folder, a
// site and a remote directory, mixed with sorting, row reads and nodes freed behind the rows.
// Nothing may crash; a row's item is always one of ours or the "Create new..." row's none; a site
// list always keeps its first row.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "fuzz_item_input.h"
#include "mainclient_fake/fake_main_client.h"
#include "shellext/view_rows.h"

namespace {

using namespace lark;
using namespace lark::shellext;
using fuzzing::Input;

class Decorator : public RowDecorator {
public:
    void TypeOf(const std::string&, bool isFolder, int& image, std::string& typeName) override {
        image = isFolder ? 1 : 2;
        typeName = isFolder ? "Folder" : "File";
    }
    std::string DateText(core::DateTime) override { return "date"; }
};

// A model of every kind, built afresh for each input so freed nodes do not pile up.
struct World {
    std::shared_ptr<mainclient::fake::FakeMainClient> client = std::make_shared<mainclient::fake::FakeMainClient>();
    TFTPContainer model{ModelServices{[this] { return client; }}};
    std::vector<RegisteredNode*> nodes;
    std::vector<std::uint32_t> handles;

    World() {
        TFTPObject* folder = model.Nodes().AddNewRecord();
        folder->ServerInfo()->ProfileName = "F";
        folder->ServerInfo()->IsFolder = true;
        TFTPObject* inner = folder->Children().AddNewRecord();
        inner->ServerInfo()->ProfileName = "I";
        TFTPObject* site = model.Nodes().AddNewRecord();
        site->ServerInfo()->ProfileName = "S";
        mainclient::fake::Reply listing;
        listing.text = "drwxr-xr-x 2 o g 512 Jan 10  2003 dir\r\n-rw-r--r-- 1 o g 7 Jan 10  2003 file\r\n"
                       "-rw-r--r-- 1 o g 3000000000 Jan 11  2003 big\r\n";
        client->SetDefault("ListDirectory", listing);
        site->LoadContent();
        TFSObject* dir = site->Content()->Items(0);
        AddFSObject(*dir->Children(), "sub", true);
        AddFSObject(*dir->Children(), "leaf", false);
        dir->Listed = true;
        nodes = {folder, inner, site, dir, site->Content()->Items(1), site->Content()->Items(2),
                 dir->Children()->Items(0), dir->Children()->Items(1)};
        for (RegisteredNode* n : nodes) handles.push_back(n->Handle());
        handles.push_back(0x12345678);  // never a live handle
    }

    // Items of a level as a view's enumeration would hand them out.
    std::vector<ItemIdList*> Items(RegisteredNode* own) {
        std::vector<ItemIdList*> items;
        const auto add = [&](const RegisteredNode& node) {
            if (ItemIdList* item = CreatePidlItem(node)) items.push_back(item);
        };
        if (!own) {
            for (int i = 0; i < model.Nodes().Count(); ++i) add(*model.Nodes().Items(i));
        } else if (auto* site = dynamic_cast<TFTPObject*>(own)) {
            if (site->IsFolder()) {
                for (int i = 0; i < site->Children().Count(); ++i) add(*site->Children().Items(i));
            } else if (site->Content()) {
                for (int i = 0; i < site->Content()->Count(); ++i) add(*site->Content()->Items(i));
            }
        } else if (auto* dir = dynamic_cast<TFSObject*>(own); dir && dir->Children()) {
            for (int i = 0; i < dir->Children()->Count(); ++i) add(*dir->Children()->Items(i));
        }
        return items;
    }
};

const TDM& Texts() {
    static std::unique_ptr<TDM> dm = TDM::Create(fuzzing::DataModuleDefinition(), 0x0409);
    return *dm;
}

void Check(const ViewRows& rows) {
    if (rows.Kind() == ViewKind::SiteList && (rows.Count() < 1 || rows.Row(0).item)) std::abort();
    for (int i = 0; i < rows.Count(); ++i) {
        const ItemIdList* item = rows.Row(i).item;
        if (!item && !(i == 0 && rows.Kind() == ViewKind::SiteList)) std::abort();
        if (item && !IsNodeKind(PidlKind(item))) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Decorator decorator;
    World world;
    Input in(data, size);
    // The view: the root, the site folder, the site or the remote directory.
    const int shown = in.Byte() % 4;
    RegisteredNode* own = shown == 0 ? nullptr : world.nodes[shown == 1 ? 0 : (shown == 2 ? 2 : 3)];
    ItemIdList* ownItem = own ? CreatePidlItem(*own) : nullptr;
    ViewRows rows(ownItem, Texts(), &decorator);
    FreePidl(ownItem);
    rows.Fill(world.Items(own));
    Check(rows);
    static const long kEvents[] = {kNoticeRmDir, kNoticeDelete, kNoticeMkDir, kNoticeUpdateDir, kNoticeUpdateItem,
                                   kNoticeRenameFolder, kNoticeRenameItem, kNoticeCreate, 0x800, kNoticeEvents};
    while (!in.Empty()) {
        const std::uint8_t op = in.Byte();
        switch (op % 6) {
            case 0:
            case 1: {
                std::vector<std::uint8_t> list = in.List(world.handles);
                const long event = kEvents[in.Byte() % std::size(kEvents)];
                const NoticeResult result =
                    rows.ApplyNotice(event, reinterpret_cast<const ItemIdList*>(list.data()), list.size());
                if (result.effect == NoticeEffect::RefillNeeded) rows.Fill(world.Items(own));
                if ((result.effect == NoticeEffect::RowAdded || result.effect == NoticeEffect::RowAddedEdit ||
                     result.effect == NoticeEffect::RowUpdated) &&
                    (result.row < 0 || result.row >= rows.Count()))
                    std::abort();
                break;
            }
            case 2: {
                // A node comes into a listed level (as a new folder would), named by the input.
                if (auto* site = dynamic_cast<TFTPObject*>(world.nodes[2]); site && site->Content())
                    world.nodes.push_back(AddFSObject(*site->Content(), "n" + std::to_string(in.Byte()), (op & 0x80) != 0));
                world.handles.push_back(world.nodes.back()->Handle());
                break;
            }
            case 3: {
                // A remote node of the site freed behind the rows (its handle stays known).
                auto* site = dynamic_cast<TFTPObject*>(world.nodes[2]);
                if (site && site->Content() && site->Content()->Count() > 1) {
                    const int index = in.Byte() % site->Content()->Count();
                    RegisteredNode* gone = site->Content()->Items(index);
                    if (gone == own) break;
                    for (RegisteredNode*& n : world.nodes)
                        if (n == gone) n = world.nodes[2];
                    site->Content()->Delete(index);
                }
                break;
            }
            case 4:
                rows.Sort(in.Byte() % 6, (op & 0x80) ? 1 : -1, &OrdinalCompare);
                break;
            case 5: {
                std::vector<int> selected;
                for (int i = in.Byte() % 4; i > 0; --i) selected.push_back(in.Byte() % (rows.Count() + 2) - 1);
                rows.SizeSum(selected);
                rows.CountText(selected);
                rows.SizeText(selected);
                rows.FillRow(in.Byte() % (rows.Count() + 1));
                break;
            }
        }
        Check(rows);
    }
    return 0;
}
