// The shell folder's operations over a model whose main client is the in-process fake.
#include "shellext/folder_operations.h"

#include <gtest/gtest.h>

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
