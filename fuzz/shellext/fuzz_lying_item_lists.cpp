// Item lists whose blocks are shorter than their counts claim, at the shell folder's entry
// points. Each list is a run of items of the world's nodes (live, freed, of every kind, with
// hostile bytes) and, at a random place, one item whose count is not ours: it may point far past
// the end, and the block is cut right after that count at a random length, so whatever lies
// past it is not there. The block is an exact-size heap copy: ASan reports any read beyond it.
// (An item whose count is ours is given its 92 bytes: a block shorter than a true count cannot
// be told from the outside.) Nothing may read past the block, nothing refused may reach the
// main client.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "mainclient_fake/fake_main_client.h"
#include "shellext/folder_operations.h"
#include "shellext/transfer_actions.h"
#include "fuzz_item_input.h"

namespace {

using namespace lark;
using namespace lark::shellext;

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Empty() const { return at_ >= size_; }
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint16_t Word() { return static_cast<std::uint16_t>(Byte() | (Byte() << 8)); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

struct World {
    std::shared_ptr<mainclient::fake::FakeMainClient> client = std::make_shared<mainclient::fake::FakeMainClient>();
    TFTPContainer model{ModelServices{[this] { return client; }}};
    std::unique_ptr<TDM> dm = TDM::Create(fuzzing::DataModuleDefinition(), 0x0409);
    localization::FakeMessageBox box;
    std::vector<ItemIdList*> items;  // one of each node, the last of a freed node

    World() {
        TFTPObject* folder = model.Nodes().AddNewRecord();
        folder->ServerInfo()->ProfileName = "F";
        folder->ServerInfo()->IsFolder = true;
        TFTPObject* inner = folder->Children().AddNewRecord();
        inner->ServerInfo()->ProfileName = "P";
        TFTPObject* site = model.Nodes().AddNewRecord();
        site->ServerInfo()->ProfileName = "S";
        mainclient::fake::Reply listing;
        listing.text = "drwxr-xr-x 2 o g 512 Jan 10  2003 dir\r\n-rw-r--r-- 1 o g 7 Jan 10  2003 file\r\n"
                       "drwxr-xr-x 2 o g 512 Jan 10  2003 gone\r\n";
        client->SetDefault("ListDirectory", listing);
        site->LoadContent();
        for (RegisteredNode* n : std::initializer_list<RegisteredNode*>{folder, inner, site, site->Content()->Items(0),
                                                                        site->Content()->Items(1),
                                                                        site->Content()->Items(2)})
            items.push_back(CreatePidlItem(*n));
        site->Content()->Delete(2);
    }
    ~World() {
        for (ItemIdList* item : items) FreePidl(item);
    }
};

// One list as the fuzz input describes it, in an exact-size heap block.
struct Block {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t size = 0;
    bool lies = false;  // an item's count is not ours
    std::size_t before = 0;  // the items ahead of that one
    const ItemIdList* List() const { return reinterpret_cast<const ItemIdList*>(bytes.get()); }
    ItemIdList* List() { return reinterpret_cast<ItemIdList*>(bytes.get()); }
};

Block MakeBlock(Bytes& in, const World& world) {
    std::vector<std::uint8_t> out;
    const int count = in.Byte() % 5;
    bool lies = false;
    std::size_t before = 0;
    for (int i = 0; i < count && !lies; ++i) {
        const std::uint8_t choice = in.Byte();
        if (choice < 0xC0) {
            // An item of a node, its bytes perhaps spoilt (signature, kind, name, handle kept ours).
            const auto* item = reinterpret_cast<const std::uint8_t*>(world.items[choice % world.items.size()]);
            std::vector<std::uint8_t> copy(item, item + ItemSize);
            if (choice & 0x20) copy[2 + in.Byte() % (ItemSize - 2)] = in.Byte();
            out.insert(out.end(), copy.begin(), copy.end());
            ++before;
        } else {
            // A count that is not ours, then the block ends at a random length.
            std::uint16_t cb = in.Word();
            if (cb == ItemSize || cb == 0) cb = static_cast<std::uint16_t>(ItemSize + 1 + (cb & 0xFF));
            out.push_back(static_cast<std::uint8_t>(cb));
            out.push_back(static_cast<std::uint8_t>(cb >> 8));
            const std::size_t tail = in.Byte() % 160;
            for (std::size_t k = 0; k < tail; ++k) out.push_back(in.Byte());
            lies = true;
        }
    }
    if (!lies) {
        out.push_back(0);
        out.push_back(0);
    }
    Block block;
    block.size = out.size();
    block.bytes = std::make_unique<std::uint8_t[]>(out.size());
    std::memcpy(block.bytes.get(), out.data(), out.size());
    block.lies = lies;
    block.before = before;
    return block;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static World world;
    Bytes in(data, size);
    FolderContext context{world.model, *world.dm, world.box};
    while (!in.Empty()) {
        const std::uint8_t op = in.Byte() % 9;
        Block a = MakeBlock(in, world);
        Block b = MakeBlock(in, world);
        world.client->ClearCalls();
        const ItemIdList* lists[] = {a.List(), b.List()};
        switch (op) {
            case 0:
                if (AttributesOfItems(lists, 2) && (a.lies || b.lies)) std::abort();
                break;
            case 1:
                if (DisplayNameOf(a.List()) && a.lies) std::abort();
                break;
            case 2:
                if ((a.lies || b.lies) && CompareItems(a.List(), b.List()) != 1) std::abort();
                break;
            case 3: {
                const ItemIdList* folder = world.items[in.Byte() % world.items.size()];
                if (ItemsBelowFolder(in.Byte() & 1 ? folder : nullptr, a.List()) && a.lies) std::abort();
                break;
            }
            case 4: {
                const RenameOutcome outcome = RenameItem(a.List(), "fuzz-new-name", 0, context);
                if (a.lies && (outcome != RenameOutcome::NotOurs || !world.client->calls().empty())) std::abort();
                if (outcome == RenameOutcome::Renamed) RenameItem(a.List(), "zz", 0, context);
                break;
            }
            case 5: {
                SelectionList selection;
                selection.Set(a.List(), nullptr);
                if (a.lies && !selection.Empty()) std::abort();
                selection.SetLastItems(lists, 2, nullptr);
                break;
            }
            case 6: {
                // Only the items asked for are looked at: a lie behind them is not reached.
                const unsigned count = 1 + in.Byte() % 6;
                if (a.lies && count > a.before && !SplitItems(a.List(), count).empty()) std::abort();
                break;
            }
            case 7:
                FreePidl(JoinLastItems(lists, 2));
                break;
            case 8:
                if (const ItemIdList* last = LastOwnItem(a.List())) {
                    if (a.lies) std::abort();
                    if (auto items = BuildEnumeration(last, kEnumFolders | kEnumNonFolders, context))
                        for (ItemIdList* item : *items) FreePidl(item);
                }
                break;
        }
    }
    return 0;
}
