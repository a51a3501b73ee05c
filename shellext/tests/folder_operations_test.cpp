// The shell folder's operations over a model whose main client is the in-process fake.
#include "shellext/folder_operations.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "core/datetime.h"
#include "folder_test_support.h"
#include "mainclient_fake/fake_main_client.h"

using namespace lark;
using namespace lark::shellext;
using localization::FakeMessageBox;
using mainclient::fake::FakeMainClient;
using mainclient::fake::Reply;

namespace {

using test::DataModuleDefinition;
using mainclient::fake::TextReply;
using mainclient::fake::ValueReply;
using mainclient::fake::FailureReply;

std::string Listing(const std::vector<std::pair<std::string, bool>>& entries) {
    std::string text;
    for (const auto& [name, folder] : entries)
        text += (folder ? "drwxr-xr-x 2 owner group 512 Jan 10  2003 " : "-rw-r--r-- 1 owner group 7 Jan 10  2003 ") +
                name + "\r\n";
    return text;
}

// Owns item lists made by the tests.
struct Items {
    std::vector<ItemIdList*> lists;
    ~Items() {
        for (ItemIdList* l : lists) FreePidl(l);
    }
    ItemIdList* Of(const RegisteredNode& node) {
        lists.push_back(CreatePidlItem(node));
        return lists.back();
    }
};

class FolderOperations : public ::testing::Test {
protected:
    TFTPObject* AddSite(TFTPObjects& level, const std::string& name, bool folder = false) {
        TFTPObject* node = level.AddNewRecord();
        node->ServerInfo()->ProfileName = name;
        node->ServerInfo()->IsFolder = folder;
        return node;
    }
    // A site listed with the given entries.
    TFTPObject* ListedSite(const std::vector<std::pair<std::string, bool>>& entries) {
        TFTPObject* site = AddSite(model.Nodes(), "S");
        client->Script("ListDirectory", TextReply(Listing(entries)));
        EXPECT_TRUE(site->LoadContent());
        client->ClearCalls();
        return site;
    }
    std::vector<std::string> Names(const std::vector<ItemIdList*>& lists) {
        std::vector<std::string> names;
        for (ItemIdList* l : lists) {
            names.push_back(DisplayNameOf(l).value_or("?"));
            FreePidl(l);
        }
        return names;
    }

    std::shared_ptr<FakeMainClient> client = std::make_shared<FakeMainClient>();
    core::FixedClock clock{core::EncodeDate(2024, 6, 15)};
    TFTPContainer model{ModelServices{[this] { return client; }, nullptr, &clock}};
    std::unique_ptr<TDM> dm = TDM::Create(DataModuleDefinition(), 0x0409);
    FakeMessageBox box;
    FolderContext context{model, *dm, box};
    Items items;
};

}  // namespace

TEST_F(FolderOperations, AttributesAreTheIntersectionOverAllItems) {
    TFTPObject* folder = AddSite(model.Nodes(), "F", true);
    TFTPObject* site = ListedSite({{"dir", true}, {"file", false}});
    ItemIdList* f = items.Of(*folder);
    ItemIdList* s = items.Of(*site);
    ItemIdList* d = items.Of(*site->Content()->Items(0));
    ItemIdList* x = items.Of(*site->Content()->Items(1));
    struct Case { std::vector<const ItemIdList*> lists; std::optional<std::uint32_t> want; } cases[] = {
        {{}, 0xA1000000},
        {{f}, 0xA1000113},
        {{s}, 0xA1000113},
        {{d}, 0xA1000111},
        {{x}, 0x01000011},
        {{d, s}, 0xA1000111},
        {{s, x}, 0x01000011},  // not the last item's value alone
        {{x, s}, 0x01000011},
    };
    for (const Case& c : cases) EXPECT_EQ(AttributesOfItems(c.lists.data(), c.lists.size()), c.want);
    const std::uint8_t foreign[96] = {92};
    const ItemIdList* withForeign[] = {s, reinterpret_cast<const ItemIdList*>(foreign)};
    EXPECT_EQ(AttributesOfItems(withForeign, 2), std::nullopt);
    EXPECT_EQ(AttributesOfItems(nullptr, 1), std::nullopt);
    const ItemIdList* nullEntry[] = {nullptr};
    EXPECT_EQ(AttributesOfItems(nullEntry, 1), std::nullopt);
}

TEST_F(FolderOperations, CompareOrdersFoldersFirstThenByNameAndTellsLongNamesApart) {
    TFTPObject* folder = AddSite(model.Nodes(), "Same", true);
    TFTPObject* profile = AddSite(model.Nodes(), "Same");
    const std::string shared(39, 'n');
    TFTPObject* site = ListedSite({{"b", true}, {"A", false}, {shared + "1", false}, {shared + "2", false}});
    const TFSObjects& c = *site->Content();
    EXPECT_EQ(CompareItems(items.Of(*folder), items.Of(*profile)), -1);
    EXPECT_EQ(CompareItems(items.Of(*profile), items.Of(*folder)), 1);
    EXPECT_EQ(CompareItems(items.Of(*c.Items(1)), items.Of(*c.Items(0))), -1);  // "A" file before "b" dir
    EXPECT_EQ(CompareItems(items.Of(*c.Items(0)), items.Of(*c.Items(0))), 0);
    EXPECT_EQ(CompareItems(items.Of(*c.Items(2)), items.Of(*c.Items(3))), -1);
    EXPECT_EQ(CompareItems(items.Of(*c.Items(3)), items.Of(*c.Items(2))), 1);
    const std::uint8_t foreign[96] = {92};
    EXPECT_EQ(CompareItems(reinterpret_cast<const ItemIdList*>(foreign), items.Of(*folder)), 1);
    EXPECT_EQ(CompareItems(nullptr, nullptr), 1);
}

// Two-level and three-level lists compare level by level, a shorter list first.
TEST_F(FolderOperations, CompareGoesLevelByLevelAndAShorterListComesFirst) {
    TFTPObject* s1 = AddSite(model.Nodes(), "S1");
    TFTPObject* s2 = AddSite(model.Nodes(), "S2");
    client->Script("ListDirectory", TextReply(Listing({{"pub", true}})));
    ASSERT_TRUE(s1->LoadContent());
    client->Script("ListDirectory", TextReply(Listing({{"pub", true}})));
    ASSERT_TRUE(s2->LoadContent());
    TFSObject* pub1 = s1->Content()->Items(0);
    TFSObject* pub2 = s2->Content()->Items(0);
    client->Script("ListDirectory", TextReply(Listing({{"a", false}, {"b", false}})));
    pub1->LoadContent();
    ASSERT_EQ(pub1->Children()->Count(), 2);
    auto path = [&](std::initializer_list<const RegisteredNode*> nodes) {
        std::vector<const ItemIdList*> parts;
        for (const RegisteredNode* n : nodes) parts.push_back(items.Of(*n));
        items.lists.push_back(JoinItems(parts));
        return items.lists.back();
    };
    const TFSObject* a = pub1->Children()->Items(0);
    const TFSObject* b = pub1->Children()->Items(1);
    struct Case { const char* what; const ItemIdList* x; const ItemIdList* y; int want; } cases[] = {
        {"/S1/pub vs /S2/pub", path({s1, pub1}), path({s2, pub2}), -1},
        {"/S2/pub vs /S1/pub", path({s2, pub2}), path({s1, pub1}), 1},
        {"/S1/pub vs itself", path({s1, pub1}), path({s1, pub1}), 0},
        {"/S1 vs /S1/pub", path({s1}), path({s1, pub1}), -1},
        {"/S1/pub vs /S1", path({s1, pub1}), path({s1}), 1},
        {"/S1/pub/a vs /S1/pub/b", path({s1, pub1, a}), path({s1, pub1, b}), -1},
        {"/S1/pub/b vs /S1/pub/a", path({s1, pub1, b}), path({s1, pub1, a}), 1},
        {"/S1/pub/a vs /S1/pub", path({s1, pub1, a}), path({s1, pub1}), 1},
        {"/S1/pub/a vs /S2/pub", path({s1, pub1, a}), path({s2, pub2}), -1},
        {"/S1/pub/a vs itself", path({s1, pub1, a}), path({s1, pub1, a}), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(CompareItems(c.x, c.y), c.want) << c.what;
}

// A relative list is accepted by a folder only as a path down from that folder.
TEST_F(FolderOperations, OnlyPathsBelowTheFolderAreItsItems) {
    TFTPObject* folder = AddSite(model.Nodes(), "F", true);
    TFTPObject* inner = AddSite(folder->Children(), "P");
    TFTPObject* site = ListedSite({{"d", true}});
    TFSObject* d = site->Content()->Items(0);
    ItemIdList* f = items.Of(*folder);
    ItemIdList* p = items.Of(*inner);
    ItemIdList* s = items.Of(*site);
    ItemIdList* dd = items.Of(*d);
    auto join = [&](std::vector<const ItemIdList*> parts) {
        items.lists.push_back(JoinItems(parts));
        return items.lists.back();
    };
    struct Case { const char* what; const ItemIdList* folder; const ItemIdList* list; bool accepted; } cases[] = {
        {"profile in its folder", f, p, true},
        {"profile of a folder, asked at the root", nullptr, p, false},
        {"folder at the root", nullptr, f, true},
        {"directory in its site", s, dd, true},
        {"directory of a site, asked in a profile folder", f, dd, false},
        {"site's directory asked at the site's folder level", nullptr, dd, false},
        {"two levels from the root", nullptr, join({s, dd}), true},
        {"two levels that do not nest", nullptr, join({s, p}), false},
        {"the folder's own item", s, s, false},
    };
    for (const Case& c : cases) EXPECT_EQ(ItemsBelowFolder(c.folder, c.list).has_value(), c.accepted) << c.what;
    EXPECT_EQ(ItemsBelowFolder(nullptr, nullptr), std::nullopt);
}

// The shell's blocks are as long as their counts say only when the items are ours: every walk
// stops at an item of another size without reading past it (each block below is allocated to
// its exact size, so a sanitizer build sees any read beyond it).
TEST_F(FolderOperations, ListsWithAnItemOfAnotherSizeAreRefusedWithoutReadingPastIt) {
    TFTPObject* site = ListedSite({{"dir", true}, {"file", false}});
    const ItemIdList* own = items.Of(*site->Content()->Items(1));
    auto block = [&](std::uint16_t cb, std::size_t tail) {
        auto bytes = std::make_unique<std::uint8_t[]>(ItemSize + 2 + tail);
        std::memcpy(bytes.get(), own, ItemSize);
        bytes[ItemSize] = static_cast<std::uint8_t>(cb);
        bytes[ItemSize + 1] = static_cast<std::uint8_t>(cb >> 8);
        std::memset(bytes.get() + ItemSize + 2, 0x5A, tail);
        return bytes;
    };
    struct Case { const char* what; std::uint16_t cb; std::size_t tail; } cases[] = {
        {"a count far past the block", 0xF000, 0},
        {"a count past the block by one item", 2 * ItemSize, 4},
        {"a count of 1", 1, 0},
        {"a count just above ours", ItemSize + 1, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto bytes = block(c.cb, c.tail);
        auto* list = reinterpret_cast<ItemIdList*>(bytes.get());
        const ItemIdList* lists[] = {list};
        EXPECT_EQ(AttributesOfItems(lists, 1), std::nullopt);
        EXPECT_EQ(DisplayNameOf(list), std::nullopt);
        EXPECT_EQ(CompareItems(list, own), 1);
        EXPECT_EQ(ItemsBelowFolder(nullptr, list), std::nullopt);
        EXPECT_EQ(RenameItem(list, "x", 0, context), RenameOutcome::NotOurs);
        SelectionList selection;
        selection.Set(list, nullptr);
        EXPECT_TRUE(selection.Empty());
        FreePidl(JoinLastItems(lists, 1));
    }
    EXPECT_TRUE(client->calls().empty());
}

TEST(ItemNames, ANameIsNeverAPathAControlOrTooLong) {
    struct Case { std::string name; bool valid; } cases[] = {
        {"report.txt", true},
        {"\xd0\xbf\xd0\xb0\xd0\xbf\xd0\xba\xd0\xb0", true},  // Cyrillic
        {"a b", true},
        {std::string(255, 'n'), true},
        {std::string(256, 'n'), false},
        {std::string(10000, 'n'), false},
        {"", false},
        {"a/b", false},
        {"a\\b", false},
        {"..\\x", false},
        {std::string("a\0b", 3), false},
        {"a\tb", false},
        {"a\nb", false},
        {"a\x7f", false},
        {"a\xc2\x85", false},  // NEL, a C1 control
    };
    for (const Case& c : cases) EXPECT_EQ(IsValidItemName(c.name), c.valid) << c.name.substr(0, 20);
}

TEST_F(FolderOperations, RenameRefusesPathsAndOverlongNamesWithABoxAndCallsNothing) {
    TFTPObject* profile = AddSite(model.Nodes(), "Archive");
    TFTPObject* site = ListedSite({{"a.txt", false}});
    for (const std::string& name : {std::string("a/b"), std::string("..\\up"), std::string(10000, 'p'),
                                    std::string("line\nbreak")}) {
        for (ItemIdList* item : {items.Of(*profile), items.Of(*site->Content()->Items(0))}) {
            box.shown.clear();
            EXPECT_EQ(RenameItem(item, name, 7, context), RenameOutcome::NameRefused);
            ASSERT_EQ(box.shown.size(), 1u);
            EXPECT_EQ(box.shown[0].text,
                      "A name cannot contain the characters \\ and / or control characters, and it can have at most "
                      "255 characters.");
            EXPECT_EQ(box.shown[0].caption, "Error renaming file or folder");
        }
    }
    EXPECT_TRUE(client->calls().empty());
    EXPECT_EQ(site->Content()->Items(0)->Name, "a.txt");
    EXPECT_EQ(RenameItem(items.Of(*profile), std::string(255, 'q'), 0, context), RenameOutcome::Renamed);
}

TEST_F(FolderOperations, EnumerationListsEachLevel) {
    TFTPObject* folder = AddSite(model.Nodes(), "Folder", true);
    AddSite(folder->Children(), "Inner");
    TFTPObject* site = ListedSite({{"pub", true}, {"a.txt", false}, {"incoming", true}});
    EXPECT_EQ(Names(*BuildEnumeration(nullptr, kEnumFolders, context)), (std::vector<std::string>{"Folder", "S"}));
    EXPECT_TRUE(BuildEnumeration(nullptr, kEnumNonFolders, context)->empty());
    EXPECT_EQ(Names(*BuildEnumeration(items.Of(*folder), kEnumFolders | kEnumNonFolders, context)),
              (std::vector<std::string>{"Inner"}));
    EXPECT_EQ(Names(*BuildEnumeration(items.Of(*site), kEnumFolders | kEnumNonFolders, context)),
              (std::vector<std::string>{"pub", "incoming", "a.txt"}));
    // A remote directory is listed on first use; an empty one lists nothing.
    client->Script("ListDirectory", TextReply(Listing({{"deep", true}, {"f", false}})));
    EXPECT_EQ(Names(*BuildEnumeration(items.Of(*site->Content()->Items(0)), kEnumFolders | kEnumNonFolders, context)),
              (std::vector<std::string>{"deep", "f"}));
    EXPECT_EQ(client->CallLines(), (std::vector<std::string>{"ListDirectory|1|/pub|0"}));
    client->Script("ListDirectory", TextReply(""));
    EXPECT_TRUE(BuildEnumeration(items.Of(*site->Content()->Items(1)), kEnumFolders | kEnumNonFolders, context)->empty());
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(FolderOperations, ASiteThatCannotConnectShowsOneBoxAndNoEnumerator) {
    TFTPObject* site = AddSite(model.Nodes(), "Unreachable");
    client->Script("OpenSession", FailureReply());
    EXPECT_EQ(BuildEnumeration(items.Of(*site), kEnumFolders | kEnumNonFolders, context), std::nullopt);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, "Cannot connect to Unreachable!");
    EXPECT_EQ(box.shown[0].caption, "Connection failed");
    EXPECT_EQ(box.shown[0].type, localization::MsgDlgType::mtError);
    EXPECT_TRUE(box.shown[0].owner.systemModal);
}

TEST_F(FolderOperations, StaleAndMistypedFolderItemsListNothing) {
    TFTPObject* site = ListedSite({{"pub", true}});
    ItemIdList* pub = items.Of(*site->Content()->Items(0));
    site->Content()->Clear();
    EXPECT_TRUE(BuildEnumeration(pub, kEnumFolders | kEnumNonFolders, context)->empty());
    EXPECT_TRUE(client->calls().empty());
}

TEST_F(FolderOperations, RenameGoesThroughTheMainClientAndChangesNothingWhenRefused) {
    TFTPObject* site = ListedSite({{"dir", true}, {"old.txt", false}});
    TFSObject* file = site->Content()->Items(1);
    ItemIdList* item = items.Of(*file);

    client->Script("RenameRemoteObject", ValueReply(-1));
    EXPECT_EQ(RenameItem(item, "refused.txt", 0, context), RenameOutcome::Refused);
    client->Script("RenameRemoteObject", FailureReply());
    EXPECT_EQ(RenameItem(item, "raised.txt", 0, context), RenameOutcome::Refused);
    EXPECT_EQ(file->Name, "old.txt");
    EXPECT_EQ(PidlDisplayName(item), "old.txt");

    EXPECT_EQ(RenameItem(item, "new.txt", 0, context), RenameOutcome::Renamed);
    EXPECT_EQ(file->Name, "new.txt");
    EXPECT_EQ(PidlDisplayName(item), "new.txt");
    EXPECT_EQ(client->CallLines().back(), "RenameRemoteObject|1|/old.txt|new.txt");
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(FolderOperations, RenameRefusesEmptyAndTakenNamesWithABox) {
    TFTPObject* folder = AddSite(model.Nodes(), "Work", true);
    TFTPObject* profile = AddSite(folder->Children(), "Archive");
    AddSite(folder->Children(), "Other");
    TFTPObject* site = ListedSite({{"dir", true}, {"a.txt", false}});
    struct Case { ItemIdList* item; const char* name; const char* text; const char* caption; } cases[] = {
        {items.Of(*profile), "", "You must type a non-empty name.", "Error"},
        {items.Of(*profile), "OTHER",
         "Cannot rename Archive: A profile with the name you specified already exists. Specify a different name.",
         "Error renaming file or folder"},
        {items.Of(*profile), "archive",  // a change of letter case alone is a collision too
         "Cannot rename Archive: A profile with the name you specified already exists. Specify a different name.",
         "Error renaming file or folder"},
        {items.Of(*site->Content()->Items(1)), "DIR",
         "Cannot rename a.txt: A file with the name you specified already exists. Specify a different name.",
         "Error renaming file or folder"},
        {items.Of(*site->Content()->Items(0)), "A.TXT",
         "Cannot rename dir: A folder with the name you specified already exists. Specify a different name.",
         "Error renaming file or folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        box.shown.clear();
        EXPECT_EQ(RenameItem(c.item, c.name, 42, context), RenameOutcome::NameRefused);
        ASSERT_EQ(box.shown.size(), 1u);
        EXPECT_EQ(box.shown[0].text, c.text);
        EXPECT_EQ(box.shown[0].caption, c.caption);
        EXPECT_EQ(box.shown[0].owner.window, 42u);
    }
    EXPECT_TRUE(client->calls().empty());

    EXPECT_EQ(RenameItem(items.Of(*profile), "Renamed", 0, context), RenameOutcome::Renamed);
    EXPECT_EQ(RenameItem(items.Of(*folder), "Job", 0, context), RenameOutcome::Renamed);
    EXPECT_EQ(client->CallLines(),
              (std::vector<std::string>{"RenameProfile|Work\\Archive|Renamed", "RenameProfileFolder|Work|Job"}));
    EXPECT_EQ(profile->NodeName(), "Renamed");
    const std::uint8_t foreign[96] = {92};
    EXPECT_EQ(RenameItem(reinterpret_cast<ItemIdList*>(const_cast<std::uint8_t*>(foreign)), "x", 0, context),
              RenameOutcome::NotOurs);
}

TEST(CopyHook, TheDestinationIsTheFolderOfTheShellsDestinationPath) {
    const char* marker = "{A9D3D103-4CCD-4BDE-A11A-04D527EF71CE}";
    struct Case { std::string destination; std::string folder; } cases[] = {
        {std::string("C:\\dest\\") + marker, "C:\\dest\\"},
        {std::string("C:\\dest\\Copy of ") + marker, "C:\\dest\\"},
        {std::string("C:\\dest\\") + marker + " (2)", "C:\\dest\\"},
        {std::string("C:\\a b\\c\\x"), "C:\\a b\\c\\"},
        {marker, ""},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(DestinationFolderOf(c.destination), c.folder) << c.destination;
    EXPECT_TRUE(SameLocalPath("C:\\Temp\\{A}", "c:\\temp\\{a}\\"));
    EXPECT_FALSE(SameLocalPath("C:\\Temp\\{A}", "C:\\Temp\\{A}x"));
    EXPECT_FALSE(SameLocalPath("\\", ""));
}

TEST(CopyHook, DownloadsEachEntryIntoTheFolderAndRefusesHostileNames) {
    auto dm = TDM::Create(DataModuleDefinition(), 0x0409);
    FakeMessageBox box;
    FakeMainClient client;
    const double when = core::EncodeDate(2024, 6, 15);
    const std::vector<SelectionEntry> entries = {
        {"7", "/pub/dir", "dir", 0, 0, true},
        {"7", "/pub/a.txt", "a.txt", 1234, when, false},
        {"7", "/pub/..\\..\\evil.exe", "..\\..\\evil.exe", 5, when, false},
        {"7", "/pub/CON", "CON", 5, when, false},
    };
    EXPECT_EQ(DownloadSelection(entries, "C:\\dest\\", client, *dm, box), 2);
    const auto halves = mainclient::SplitDate(when);
    EXPECT_EQ(client.CallLines(),
              (std::vector<std::string>{"DownloadDirectory|7|/pub/dir|C:\\dest\\dir\\",
                                        "DownloadFile|7|0|0|0|0|0|C:\\dest\\a.txt|/pub/a.txt|1234|" +
                                            std::to_string(halves.low) + "|" + std::to_string(halves.high)}));
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_NE(box.shown[0].text.find("..\\..\\evil.exe"), std::string::npos);
    // No folder: nothing is downloaded (never into the current directory).
    client.ClearCalls();
    EXPECT_EQ(DownloadSelection(entries, "", client, *dm, box), 0);
    EXPECT_TRUE(client.calls().empty());
}

TEST_F(FolderOperations, TheSelectionIsASnapshotOfTheRemoteItems) {
    TFTPObject* folder = AddSite(model.Nodes(), "F", true);
    TFTPObject* site = ListedSite({{"dir", true}, {"a.txt", false}});
    const ItemIdList* lists[] = {items.Of(*folder), items.Of(*site->Content()->Items(1)), items.Of(*site->Content()->Items(0))};
    SelectionList selection;
    selection.SetLastItems(lists, 3, nullptr);
    site->Content()->Clear();  // the nodes go; the snapshot stays
    const auto entries = selection.Snapshot();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "a.txt");
    EXPECT_EQ(entries[0].remotePath, "/a.txt");
    EXPECT_EQ(entries[0].size, 7);
    EXPECT_FALSE(entries[0].isFolder);
    EXPECT_EQ(entries[1].name, "dir");
    EXPECT_TRUE(entries[1].isFolder);
    EXPECT_EQ(entries[1].connectionId, "1");
}
