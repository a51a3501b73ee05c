// The view's rows over a model whose main client is the in-process fake: texts, the sort order
// of every column both ways, status texts and what change notices do.
#include "shellext/view_rows.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "core/datetime.h"
#include "core/locale_format.h"
#include "localization/regional_settings.h"
#include "mainclient_fake/fake_main_client.h"

using namespace lark;
using namespace lark::shellext;
using mainclient::fake::FakeMainClient;
using mainclient::fake::Reply;

namespace {

std::vector<std::uint8_t> Definition() {
    std::ifstream in(LARK_SHELLEXT_FORMS "/TDM.tpf", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class FakeDecorator : public RowDecorator {
public:
    void TypeOf(const std::string& name, bool isFolder, int& image, std::string& typeName) override {
        image = isFolder ? 3 : 4;
        const auto dot = name.rfind('.');
        typeName = isFolder ? "Folder" : (dot == std::string::npos ? "File" : name.substr(dot + 1) + " File");
    }
    std::string DateText(core::DateTime value) override { return core::FormatDateTime("yyyy-mm-dd", value); }
};

class ViewRowsTest : public ::testing::Test {
protected:
    void SetUp() override { SetSortDirection(-1); }

    TFTPObject* AddSite(TFTPObjects& level, const std::string& name, bool folder = false) {
        TFTPObject* node = level.AddNewRecord();
        node->ServerInfo()->ProfileName = name;
        node->ServerInfo()->IsFolder = folder;
        node->ServerInfo()->HostName = name + ".example";
        node->ServerInfo()->HostDirName = "/" + name;
        return node;
    }
    // A listed site: (name, folder, size, day of January 2003) entries.
    struct Entry {
        std::string name;
        bool folder;
        std::int64_t size;
        int day;
    };
    TFTPObject* ListedSite(const std::vector<Entry>& entries) {
        std::string text;
        for (const Entry& e : entries)
            text += std::string(e.folder ? "drwxr-xr-x" : "-rw-r--r--") + " 1 o g " + std::to_string(e.size) + " Jan " +
                    std::to_string(e.day) + "  2003 " + e.name + "\r\n";
        TFTPObject* site = AddSite(model.Nodes(), "S");
        Reply r;
        r.text = text;
        client->Script("ListDirectory", r);
        EXPECT_TRUE(site->LoadContent());
        return site;
    }
    std::vector<ItemIdList*> ItemsOf(TFSObjects& content) {
        std::vector<ItemIdList*> items;
        for (int i = 0; i < content.Count(); ++i) items.push_back(CreatePidlItem(*content.Items(i)));
        return items;
    }
    static std::vector<std::string> Captions(const ViewRows& rows) {
        std::vector<std::string> names;
        for (int i = 0; i < rows.Count(); ++i) names.push_back(rows.Row(i).texts[0]);
        return names;
    }

    std::shared_ptr<FakeMainClient> client = std::make_shared<FakeMainClient>();
    TFTPContainer model{ModelServices{[this] { return client; }}};
    std::unique_ptr<TDM> dm = TDM::Create(Definition(), 0x0409);
    FakeDecorator decorator;
};

}  // namespace

TEST_F(ViewRowsTest, TheKindFollowsTheOwnItem) {
    TFTPObject* folder = AddSite(model.Nodes(), "F", true);
    TFTPObject* site = ListedSite({{"d", true, 512, 1}, {"f", false, 1, 1}});
    ItemIdList* f = CreatePidlItem(*folder);
    ItemIdList* s = CreatePidlItem(*site);
    ItemIdList* d = CreatePidlItem(*site->Content()->Items(0));
    ItemIdList* x = CreatePidlItem(*site->Content()->Items(1));
    EXPECT_EQ(ViewKindOf(nullptr), ViewKind::SiteList);
    EXPECT_EQ(ViewKindOf(f), ViewKind::SiteList);
    EXPECT_EQ(ViewKindOf(s), ViewKind::FilesView);
    EXPECT_EQ(ViewKindOf(d), ViewKind::FilesView);
    EXPECT_EQ(ViewKindOf(x), ViewKind::SiteList);
    for (ItemIdList* l : {f, s, d, x}) FreePidl(l);
}

TEST_F(ViewRowsTest, SiteListRowsStartWithCreateNewAndShowTheRecords) {
    TFTPObject* folder = AddSite(model.Nodes(), "Work", true);
    AddSite(model.Nodes(), "Home");
    ViewRows rows(nullptr, *dm, &decorator);
    rows.Fill({CreatePidlItem(*folder), CreatePidlItem(*model.Nodes().Items(1))});
    ASSERT_EQ(rows.Count(), 3);
    EXPECT_EQ(rows.Row(0).texts[0], "Create new...");
    EXPECT_EQ(rows.Row(0).item, nullptr);
    EXPECT_EQ(rows.Row(0).image, 0);
    EXPECT_EQ(rows.Row(1).texts[0], "Work");
    EXPECT_EQ(rows.Row(1).image, 1);
    EXPECT_EQ(rows.Row(2).texts[0], "Home");
    EXPECT_EQ(rows.Row(2).image, 2);
    EXPECT_EQ(rows.Row(2).texts[1], "Home.example");
    EXPECT_EQ(rows.Row(2).texts[2], "/Home");
    // The "Create new..." row counts; a site list has no size part.
    EXPECT_EQ(rows.CountText({}), "3 object(s)");
    EXPECT_EQ(rows.SizeText({}), "");
    // Never sorted.
    rows.Sort(0, 1, &OrdinalCompare);
    EXPECT_EQ(Captions(rows), (std::vector<std::string>{"Create new...", "Work", "Home"}));
}

TEST_F(ViewRowsTest, AnEmptySiteFolderCountsItsCreateNewRow) {
    TFTPObject* folder = AddSite(model.Nodes(), "Empty", true);
    ItemIdList* own = CreatePidlItem(*folder);
    ViewRows rows(own, *dm, &decorator);
    FreePidl(own);
    rows.Fill({});
    EXPECT_EQ(rows.CountText({}), "1 object(s)");
}

TEST_F(ViewRowsTest, FileRowTextsAndSizeTexts) {
    TFTPObject* site = ListedSite({{"docs", true, 512, 3}, {"a.txt", false, 1536, 4}, {"b.bin", false, 12, 5}});
    ItemIdList* own = CreatePidlItem(*site);
    ViewRows rows(own, *dm, &decorator);
    FreePidl(own);
    rows.Fill(ItemsOf(*site->Content()));
    ASSERT_EQ(rows.Count(), 3);
    EXPECT_EQ(rows.Row(0).texts[1], "");  // a directory shows no size
    EXPECT_EQ(rows.Row(0).texts[2], "Folder");
    EXPECT_EQ(rows.Row(1).texts[1], "1.50 KB");
    EXPECT_EQ(rows.Row(1).texts[2], "txt File");
    EXPECT_EQ(rows.Row(1).texts[3], "2003-01-04");
    EXPECT_EQ(rows.Row(1).texts[4], "-rw-r--r--");
    EXPECT_EQ(rows.Row(2).texts[1], "12 bytes");
    EXPECT_EQ(RowSizeText(1234567890, *dm), "1,205,632.71 KB");
    // A date of 0 shows empty.
    site->Content()->Items(2)->Modified = 0;
    ASSERT_TRUE(rows.FillRow(2));
    EXPECT_EQ(rows.Row(2).texts[3], "");
    // Status: one selected file of 1536 bytes; nothing selected sums every row (the directory's
    // listed size included).
    EXPECT_EQ(rows.CountText({1}), "1 object(s) selected");
    EXPECT_EQ(rows.SizeText({1}), "Size: 1.50 KB");
    EXPECT_EQ(rows.SizeText({2}), "Size: 12 bytes");
    EXPECT_EQ(rows.SizeText({}), "Size: 2.01 KB");  // 512 + 1536 + 12
    EXPECT_EQ(rows.CountText({}), "3 object(s)");
}

TEST_F(ViewRowsTest, SizesFollowTheRegionalSettings) {
    const core::RegionalSettings saved = localization::CurrentRegionalSettings();
    core::RegionalSettings german;
    german.formats.DecimalSeparator = ",";
    german.ThousandSeparator = ".";
    localization::ApplyRegionalSettings(german);
    TFTPObject* site = ListedSite({{"a.txt", false, 1536, 4}});
    ItemIdList* own = CreatePidlItem(*site);
    ViewRows rows(own, *dm, &decorator);
    FreePidl(own);
    rows.Fill(ItemsOf(*site->Content()));
    const std::string row = rows.Row(0).texts[1], status = rows.SizeText({0});
    const std::string large = RowSizeText(1234567890, *dm);
    localization::ApplyRegionalSettings(saved);
    EXPECT_EQ(row, "1,50 KB");
    EXPECT_EQ(status, "Size: 1,50 KB");
    EXPECT_EQ(large, "1.205.632,71 KB");
}

TEST_F(ViewRowsTest, SizesAreSummedIn64BitsAndOnlyLiveNodesCount) {
    TFTPObject* site = ListedSite({{"big1", false, 3000000000LL, 1}, {"big2", false, 3000000000LL, 1}, {"c", false, 100, 1}});
    ItemIdList* own = CreatePidlItem(*site);
    ViewRows rows(own, *dm, &decorator);
    FreePidl(own);
    rows.Fill(ItemsOf(*site->Content()));
    EXPECT_EQ(rows.SizeSum({}), 6000000100ULL);
    EXPECT_EQ(rows.SizeSum({0, 1}), 6000000000ULL);
    site->Content()->Delete(0);  // freed meanwhile: its row is inert
    EXPECT_EQ(rows.SizeSum({}), 3000000100ULL);
    EXPECT_EQ(rows.SizeSum({0}), 0u);
    EXPECT_FALSE(rows.FillRow(0));
}

TEST_F(ViewRowsTest, EveryColumnSortsBothWays) {
    TFTPObject* site = ListedSite({{"b.txt", false, 300, 2},
                                   {"Zdir", true, 512, 9},
                                   {"a.bin", false, 300, 7},
                                   {"adir", true, 512, 1},
                                   {"c.doc", false, 5, 4}});
    ItemIdList* own = CreatePidlItem(*site);
    ViewRows rows(own, *dm, &decorator);
    FreePidl(own);
    rows.Fill(ItemsOf(*site->Content()));
    using Names = std::vector<std::string>;
    struct Case {
        int column;
        int direction;
        Names want;
    } cases[] = {
        {0, -1, {"Zdir", "adir", "a.bin", "b.txt", "c.doc"}},
        {0, 1, {"c.doc", "b.txt", "a.bin", "adir", "Zdir"}},
        // Equal sizes are equal (stable: the order before stays); no grouping of directories.
        {1, -1, {"Zdir", "adir", "a.bin", "b.txt", "c.doc"}},
        {1, 1, {"c.doc", "a.bin", "b.txt", "Zdir", "adir"}},
        {2, -1, {"Zdir", "adir", "a.bin", "c.doc", "b.txt"}},
        {2, 1, {"b.txt", "c.doc", "a.bin", "adir", "Zdir"}},
        {3, -1, {"Zdir", "adir", "a.bin", "c.doc", "b.txt"}},
        {3, 1, {"b.txt", "c.doc", "a.bin", "adir", "Zdir"}},
        // Files with equal attributes keep their order.
        {4, -1, {"Zdir", "adir", "a.bin", "b.txt", "c.doc"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "column " << c.column << " direction " << c.direction);
        rows.Sort(0, -1, &OrdinalCompare);  // a known order before each sort
        rows.Sort(c.column, c.direction, &OrdinalCompare);
        EXPECT_EQ(Captions(rows), c.want);
    }
}

TEST_F(ViewRowsTest, TheComparisonIsAStrictWeakOrder) {
    // Equal keys compare equal both ways; times less than a millisecond apart are equal.
    ViewRow a, b;
    a.texts[0] = b.texts[0] = "x";
    a.size = b.size = 10;
    a.modified = core::EncodeDateTime(2003, 1, 1, 10, 0, 0, 0);
    b.modified = a.modified + 0.0004 / 86400.0;
    for (int column = 0; column < 6; ++column)
        for (int d : {-1, 1}) {
            EXPECT_EQ(CompareListItems(a, b, column, d, &OrdinalCompare), 0) << column;
            EXPECT_EQ(CompareListItems(b, a, column, d, &OrdinalCompare), 0) << column;
        }
    b.size = 11;
    EXPECT_EQ(CompareListItems(a, b, 1, -1, &OrdinalCompare), 1);
    EXPECT_EQ(CompareListItems(b, a, 1, -1, &OrdinalCompare), -1);
}

TEST_F(ViewRowsTest, NoticesDeleteAddRefillAndUpdateOnlyWhereTheyBelong) {
    TFTPObject* site = ListedSite({{"d", true, 512, 1}, {"f", false, 7, 1}});
    TFTPObject* other = ListedSite({{"o", false, 1, 1}});
    ItemIdList* own = CreatePidlItem(*site);
    ViewRows rows(own, *dm, &decorator);
    ViewRows siteList(nullptr, *dm, &decorator);
    rows.Fill(ItemsOf(*site->Content()));
    siteList.Fill({CreatePidlItem(*site)});
    const auto apply = [](ViewRows& r, long event, const ItemIdList* item) {
        return r.ApplyNotice(event, item, PidlSize(item));
    };

    // A new directory of this folder: a row, and editing starts; not in another folder's view
    // nor in the site list, and not twice.
    TFSObject* made = AddFSObject(*site->Content(), "new", true);
    ItemIdList* madeItem = CreatePidlItem(*made);
    NoticeResult r = apply(rows, kNoticeMkDir, madeItem);
    EXPECT_EQ(r.effect, NoticeEffect::RowAddedEdit);
    EXPECT_EQ(r.row, 2);
    EXPECT_EQ(apply(rows, kNoticeMkDir, madeItem).effect, NoticeEffect::None);
    EXPECT_EQ(apply(siteList, kNoticeMkDir, madeItem).effect, NoticeEffect::None);
    TFSObject* elsewhere = AddFSObject(*other->Content(), "x", true);
    ItemIdList* elsewhereItem = CreatePidlItem(*elsewhere);
    EXPECT_EQ(apply(rows, kNoticeMkDir, elsewhereItem).effect, NoticeEffect::None);
    EXPECT_EQ(rows.Count(), 3);
    // A new profile at the top: a row in the root's site list without editing.
    TFTPObject* profile = AddSite(model.Nodes(), "P");
    ItemIdList* profileItem = CreatePidlItem(*profile);
    EXPECT_EQ(apply(siteList, kNoticeMkDir, profileItem).effect, NoticeEffect::RowAdded);
    EXPECT_EQ(apply(rows, kNoticeMkDir, profileItem).effect, NoticeEffect::None);

    // Renamed and updated: the row reads its node again.
    made->Name = "renamed";
    r = apply(rows, kNoticeRenameFolder, madeItem);
    EXPECT_EQ(r.effect, NoticeEffect::RowUpdated);
    EXPECT_EQ(rows.Row(2).texts[0], "renamed");

    // Update-directory: this folder's and the root's views refill, others do not.
    ItemIdList* otherItem = CreatePidlItem(*other);
    EXPECT_EQ(apply(rows, kNoticeUpdateDir, own).effect, NoticeEffect::RefillNeeded);
    EXPECT_EQ(apply(rows, kNoticeUpdateDir, otherItem).effect, NoticeEffect::None);
    EXPECT_EQ(apply(siteList, kNoticeUpdateDir, otherItem).effect, NoticeEffect::RefillNeeded);

    // Deleted after the node was freed: the row still goes (matched by handle).
    site->Content()->Delete(site->Content()->IndexOf(made));
    r = apply(rows, kNoticeRmDir, madeItem);
    EXPECT_EQ(r.effect, NoticeEffect::RowDeleted);
    EXPECT_EQ(r.row, 2);
    EXPECT_EQ(rows.Count(), 2);
    // A truncated list is ignored.
    EXPECT_EQ(rows.ApplyNotice(kNoticeDelete, own, 50).effect, NoticeEffect::None);
    for (ItemIdList* l : {own, madeItem, elsewhereItem, profileItem, otherItem}) FreePidl(l);
}
