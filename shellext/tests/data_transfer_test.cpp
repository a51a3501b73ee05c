// Clipboard and drag data in portable terms: offered formats, format matching, the marker
// DROPFILES block, the drop target's choices and the process-wide selection.
#include "shellext/data_transfer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/datetime.h"
#include "mainclient_fake/fake_main_client.h"
#include "shellext/selection_list.h"

using namespace lark;
using namespace lark::shellext;
using mainclient::fake::FakeMainClient;
using mainclient::fake::Reply;

namespace {

class DataTransfer : public ::testing::Test {
protected:
    DataTransfer() {
        folder = AddSite(model.Nodes(), "F", true);
        site = AddSite(folder->Children(), "S");
        Reply listing;
        listing.text =
            "drwxr-xr-x 2 owner group 512 Jan 10  2003 dir\r\n"
            "-rw-r--r-- 1 owner group 7 Jan 10  2003 a.txt\r\n";
        client->Script("ListDirectory", listing);
        EXPECT_TRUE(site->LoadContent());
        dir = site->Content()->Items(0);
        file = site->Content()->Items(1);
    }
    ~DataTransfer() override {
        for (ItemIdList* l : lists) FreePidl(l);
    }
    TFTPObject* AddSite(TFTPObjects& level, const std::string& name, bool isFolder = false) {
        TFTPObject* node = level.AddNewRecord();
        node->ServerInfo()->ProfileName = name;
        node->ServerInfo()->IsFolder = isFolder;
        return node;
    }
    ItemIdList* Keep(ItemIdList* list) {
        lists.push_back(list);
        return list;
    }
    ItemIdList* ItemOf(const RegisteredNode& node) { return Keep(CreatePidlItem(node)); }
    // The items joined by the item-list convention.
    ItemIdList* Run(std::vector<const ItemIdList*> items) {
        return Keep(JoinLastItems(items.data(), static_cast<unsigned>(items.size())));
    }

    std::shared_ptr<FakeMainClient> client = std::make_shared<FakeMainClient>();
    core::FixedClock clock{core::EncodeDate(2024, 6, 15)};
    TFTPContainer model{ModelServices{[this] { return client; }, nullptr, &clock}};
    TFTPObject* folder = nullptr;
    TFTPObject* site = nullptr;
    TFSObject* dir = nullptr;
    TFSObject* file = nullptr;
    std::vector<ItemIdList*> lists;
};

}  // namespace

TEST(TransferFormats, SitesOfferTheProfileFormatAndRemoteObjectsTheFileFormatThenHDrop) {
    using F = TransferFormat;
    EXPECT_EQ(OfferedFormats(0), std::vector<F>{F::ProfileItem});
    EXPECT_EQ(OfferedFormats(ItemKindSiteFolder), std::vector<F>{F::ProfileItem});
    EXPECT_EQ(OfferedFormats(ItemKindProfile), std::vector<F>{F::ProfileItem});
    EXPECT_EQ(OfferedFormats(ItemKindRemoteDir), (std::vector<F>{F::FileItem, F::HDrop}));
    EXPECT_EQ(OfferedFormats(ItemKindRemoteFile), (std::vector<F>{F::FileItem, F::HDrop}));
}

TEST(TransferFormats, AFormatMatchesOnFormatAspectAndOneSharedMedium) {
    const FormatKey offered{kClipboardHDrop, kAspectContent, kTymedHGlobal | kTymedIStream};
    struct Case { FormatKey requested; bool want; } cases[] = {
        {{kClipboardHDrop, kAspectContent, kTymedHGlobal}, true},
        {{kClipboardHDrop, kAspectContent, kTymedIStream}, true},
        {{kClipboardHDrop, kAspectContent, 0xFFFFFFFF}, true},
        {{kClipboardHDrop, kAspectContent, 2 /* TYMED_FILE */}, false},
        {{kClipboardHDrop, 4 /* DVASPECT_ICON */, kTymedHGlobal}, false},
        {{kClipboardHDrop + 1, kAspectContent, kTymedHGlobal}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatMatches(c.requested, offered), c.want) << c.requested.tymed;
}

TEST(TransferFormats, TheMarkerDropFilesOfATenCharacterTempPathIsSeventyBytes) {
    const std::string path = std::string("C:\\temp\\x\\") + "{A9D3D103-4CCD-4BDE-A11A-04D527EF71CE}";
    ASSERT_EQ(path.size(), 48u);
    const std::vector<std::uint8_t> block = MarkerDropFiles(path);
    ASSERT_EQ(block.size(), 70u);
    const std::uint8_t header[20] = {20};  // pFiles = 20, point (0, 0), fNC = 0, fWide = 0
    EXPECT_EQ(std::memcmp(block.data(), header, 20), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.data()) + 20, 48), path);
    EXPECT_EQ(block[68], 0);
    EXPECT_EQ(block[69], 0);
}

TEST(DropDecisions, EffectByTargetKeysAndWhatTheSourceAllows) {
    using K = DropTargetKind;
    using F = TransferFormat;
    constexpr std::uint32_t all = kDropEffectCopy | kDropEffectMove | kDropEffectLink;
    constexpr std::uint32_t copyOnly = kDropEffectCopy;
    struct Case {
        K kind;
        std::uint32_t keys;
        std::uint32_t allowed;
        bool accepted;
        F format;
        std::uint32_t effect;
    } cases[] = {
        {K::Root, 0, all, true, F::ProfileItem, kDropEffectMove},
        {K::SiteFolder, 0, all, true, F::ProfileItem, kDropEffectMove},
        {K::SiteFolder, kKeyControl, all, true, F::ProfileItem, kDropEffectCopy},  // Ctrl turns the move into a copy
        {K::SiteFolder, 0, copyOnly, true, F::ProfileItem, kDropEffectCopy},       // a source that cannot move
        {K::SiteFolder, 0, kDropEffectLink, false, F::ProfileItem, kDropEffectNone},
        {K::Profile, 0, all, true, F::HDrop, kDropEffectCopy},
        {K::RemoteDir, 0, kDropEffectCopy | kDropEffectMove, true, F::HDrop, kDropEffectCopy},  // never a move
        {K::RemoteDir, kKeyControl, all, true, F::HDrop, kDropEffectCopy},
        {K::RemoteDir, 0, kDropEffectMove, false, F::HDrop, kDropEffectNone},  // moving local files is refused
        {K::RemoteFile, 0, all, false, F::ProfileItem, kDropEffectNone},
        {K::Invalid, 0, all, false, F::ProfileItem, kDropEffectNone},
    };
    for (const Case& c : cases) {
        const DropDecision d = DecideDrop(c.kind, c.keys, c.allowed);
        EXPECT_EQ(d.accepted, c.accepted) << static_cast<int>(c.kind) << " " << c.keys << " " << c.allowed;
        EXPECT_EQ(d.effect, c.effect) << static_cast<int>(c.kind) << " " << c.keys << " " << c.allowed;
        EXPECT_EQ(d.effect & ~c.allowed, 0u);
        if (c.accepted) {
            EXPECT_EQ(d.required, c.format);
        }
    }
}

TEST_F(DataTransfer, KindsOfTargetsGoThroughTheLiveNodes) {
    EXPECT_EQ(KindOfDropTarget(nullptr), DropTargetKind::Root);
    EXPECT_EQ(KindOfDropTarget(ItemOf(*folder)), DropTargetKind::SiteFolder);
    EXPECT_EQ(KindOfDropTarget(ItemOf(*site)), DropTargetKind::Profile);
    EXPECT_EQ(KindOfDropTarget(ItemOf(*dir)), DropTargetKind::RemoteDir);
    ItemIdList* fileItem = ItemOf(*file);
    EXPECT_EQ(KindOfDropTarget(fileItem), DropTargetKind::RemoteFile);
    site->Content()->Clear();  // the nodes are freed
    EXPECT_EQ(KindOfDropTarget(fileItem), DropTargetKind::Invalid);
    const std::uint8_t foreign[96] = {92};
    EXPECT_EQ(KindOfDropTarget(reinterpret_cast<const ItemIdList*>(foreign)), DropTargetKind::Invalid);
}

TEST_F(DataTransfer, ARowHoldingARemoteFileOrAFreedNodeDropsIntoTheShownFolder) {
    ItemIdList* own = ItemOf(*site);
    ItemIdList* dirRow = ItemOf(*dir);
    ItemIdList* fileRow = ItemOf(*file);
    EXPECT_EQ(ChooseDropTarget(nullptr, own), own);
    EXPECT_EQ(ChooseDropTarget(dirRow, own), dirRow);
    EXPECT_EQ(ChooseDropTarget(fileRow, own), own);
    EXPECT_EQ(ChooseDropTarget(nullptr, nullptr), nullptr);
    site->Content()->Clear();
    EXPECT_EQ(ChooseDropTarget(dirRow, own), own);
}

TEST_F(DataTransfer, TheSelectionCopiesTheItemsAndTheSourceFolder) {
    SelectionList selection;
    ItemIdList* folderList = Keep(CombinePidls(ItemOf(*folder), ItemOf(*site)));
    selection.Set(Run({ItemOf(*file), ItemOf(*dir)}), folderList);
    ASSERT_EQ(selection.Count(), 2u);
    std::vector<OwnedPidl> items = selection.Items();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(RemoteNodeOf(items[0].get()), file);
    EXPECT_EQ(RemoteNodeOf(items[1].get()), dir);
    EXPECT_EQ(PidlSize(items[0].get()), ItemSize + 2);  // each entry is a single item
    OwnedPidl source = selection.SourceFolder();
    ASSERT_TRUE(source);
    EXPECT_EQ(PidlSize(source.get()), PidlSize(folderList));
    EXPECT_EQ(std::memcmp(source.get(), folderList, PidlSize(folderList)), 0);

    // Copies handed out survive a change of the selection (a paste pumps messages meanwhile).
    selection.Set(Run({ItemOf(*site)}), nullptr);
    EXPECT_EQ(RemoteNodeOf(items[0].get()), file);
    EXPECT_EQ(selection.Count(), 1u);
    EXPECT_FALSE(selection.SourceFolder());  // replaced by none

    // No items: emptied, the source folder stays.
    selection.Set(Run({ItemOf(*dir)}), folderList);
    selection.Set(nullptr, nullptr);
    EXPECT_TRUE(selection.Empty());
    EXPECT_TRUE(selection.SourceFolder());
}

TEST_F(DataTransfer, AnEntryWhoseNodeWasFreedIsInertWhileTheCopyHookKeepsItsSnapshot) {
    SelectionList selection;
    selection.Set(Run({ItemOf(*folder), ItemOf(*file), ItemOf(*dir)}), nullptr);
    site->Content()->Clear();
    std::vector<OwnedPidl> items = selection.Items();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(SiteNodeOf(items[0].get()), folder);
    EXPECT_EQ(PidlNode(items[1].get()), nullptr);
    EXPECT_EQ(PidlNode(items[2].get()), nullptr);
    const std::vector<SelectionEntry> entries = selection.Snapshot();
    ASSERT_EQ(entries.size(), 2u);  // the remote items only
    EXPECT_EQ(entries[0].name, "a.txt");
    EXPECT_EQ(entries[1].name, "dir");
    EXPECT_TRUE(entries[1].isFolder);
}

TEST_F(DataTransfer, JoiningTakesTheLastItemOfEachList) {
    ItemIdList* path = Keep(CombinePidls(ItemOf(*site), ItemOf(*dir)));
    const ItemIdList* parts[] = {path, ItemOf(*file), nullptr};
    ItemIdList* joined = Keep(JoinLastItems(parts, 3));
    EXPECT_EQ(PidlSize(joined), 2 * ItemSize + 2);
    EXPECT_EQ(RemoteNodeOf(joined), dir);
    EXPECT_EQ(RemoteNodeOf(NextPidlItem(joined)), file);
    ItemIdList* none = Keep(JoinLastItems(nullptr, 0));
    EXPECT_EQ(PidlSize(none), 2u);
}
