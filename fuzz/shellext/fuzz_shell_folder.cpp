// Random item lists at the shell folder's entry points (attributes, display names, binding and
// listing, ordering, renaming, the selection the view hands on), over a model with a node of
// every kind and a freed one. The shell hands over well-formed count chains; everything else in
// an item is hostile: counts below 92, foreign signatures, mistyped kinds, stale and unknown
// handles. Nothing may crash, and nothing that is refused may reach the main client.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "mainclient_fake/fake_main_client.h"
#include "shellext/folder_operations.h"
#include "fuzz_item_input.h"

namespace {

using namespace lark;
using namespace lark::shellext;
using fuzzing::Input;

struct World {
    std::shared_ptr<mainclient::fake::FakeMainClient> client = std::make_shared<mainclient::fake::FakeMainClient>();
    TFTPContainer model{ModelServices{[this] { return client; }}};
    std::unique_ptr<TDM> dm = TDM::Create(fuzzing::DataModuleDefinition(), 0x0409);
    localization::FakeMessageBox box;
    std::vector<std::uint32_t> handles;

    World() {
        TFTPObject* folder = model.Nodes().AddNewRecord();
        folder->ServerInfo()->ProfileName = "F";
        folder->ServerInfo()->IsFolder = true;
        TFTPObject* site = model.Nodes().AddNewRecord();
        site->ServerInfo()->ProfileName = "S";
        mainclient::fake::Reply listing;
        listing.text = "drwxr-xr-x 2 o g 512 Jan 10  2003 dir\r\n-rw-r--r-- 1 o g 7 Jan 10  2003 file\r\n"
                       "drwxr-xr-x 2 o g 512 Jan 10  2003 gone\r\n";
        client->SetDefault("ListDirectory", listing);
        site->LoadContent();
        for (RegisteredNode* n : {static_cast<RegisteredNode*>(folder), static_cast<RegisteredNode*>(site),
                                  static_cast<RegisteredNode*>(site->Content()->Items(0)),
                                  static_cast<RegisteredNode*>(site->Content()->Items(1)),
                                  static_cast<RegisteredNode*>(site->Content()->Items(2))})
            handles.push_back(n->Handle());
        site->Content()->Delete(2);  // its handle stays in the list: a freed node
    }
};

const ItemIdList* AsList(const std::vector<std::uint8_t>& bytes) { return reinterpret_cast<const ItemIdList*>(bytes.data()); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static World world;
    Input in(data, size);
    FolderContext context{world.model, *world.dm, world.box};
    while (!in.Empty()) {
        const std::uint8_t op = in.Byte() % 6;
        auto a = in.List(world.handles);
        auto b = in.List(world.handles);
        world.client->ClearCalls();
        switch (op) {
            case 0: {
                const ItemIdList* lists[] = {AsList(a), AsList(b)};
                AttributesOfItems(lists, 2);
                break;
            }
            case 1:
                DisplayNameOf(AsList(a));
                break;
            case 2: {
                const int order = CompareItems(AsList(a), AsList(b));
                if (order < -1 || order > 1) std::abort();
                break;
            }
            case 3: {
                const ItemIdList* last = LastPidlItem(AsList(a));
                if (auto items = BuildEnumeration(PidlSize(last) > 2 ? last : nullptr, kEnumFolders | kEnumNonFolders, context))
                    for (ItemIdList* item : *items) FreePidl(item);
                break;
            }
            case 4: {
                // Renames to a name no node bears, so an accepted rename leaves the model as it was.
                const bool ours = DisplayNameOf(AsList(a)).has_value();
                const RenameOutcome outcome = RenameItem(reinterpret_cast<ItemIdList*>(a.data()), "fuzz-new-name", 0, context);
                if (!ours && (outcome != RenameOutcome::NotOurs || !world.client->calls().empty())) std::abort();
                if (outcome == RenameOutcome::Renamed) RenameItem(reinterpret_cast<ItemIdList*>(a.data()), "zz", 0, context);
                break;
            }
            case 5: {
                const ItemIdList* lists[] = {AsList(a), AsList(b)};
                SelectionList selection;
                selection.SetLastItems(lists, 2, nullptr);
                break;
            }
        }
    }
    return 0;
}
