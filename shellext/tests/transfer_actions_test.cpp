// The transfer and edit actions over a model whose main client is the in-process fake.
#include "shellext/transfer_actions.h"

#include <gtest/gtest.h>

#include <cstring>

#include "action_fixture.h"
#include "shellext/view_rows.h"
#include "core/persistent.h"

using namespace lark;
using namespace lark::shellext;
using namespace lark::shellext::testing;

namespace {

using Lines = std::vector<std::string>;

class Actions : public ActionFixture {};

// Every published value but the members (objects) is the same, the password too.
void ExpectSameFields(const TFtpServerInfo& copy, const TFtpServerInfo& source) {
    for (const core::PropInfo* prop : source.Class().AllProps()) {
        const core::Value value = copy.GetProp(*prop);
        if (std::holds_alternative<core::Persistent*>(value)) continue;
        EXPECT_EQ(value, source.GetProp(*prop)) << prop->name;
    }
    EXPECT_EQ(copy.PassWord(), source.PassWord());
    EXPECT_EQ(copy.UseGlobalProxy(), source.UseGlobalProxy());
}

// A little-endian DROPFILES block: header, then the names as given, then the list's zero.
std::vector<std::uint8_t> DropFiles(const std::vector<std::u16string>& names, bool wide, std::uint32_t offset = 20) {
    std::vector<std::uint8_t> block(20, 0);
    auto put = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) block[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put(0, offset);
    put(16, wide ? 1 : 0);
    for (const std::u16string& name : names) {
        for (char16_t c : name) {
            block.push_back(static_cast<std::uint8_t>(c));
            if (wide) block.push_back(static_cast<std::uint8_t>(c >> 8));
        }
        block.insert(block.end(), wide ? 2 : 1, 0);
    }
    block.insert(block.end(), wide ? 2 : 1, 0);
    return block;
}

}  // namespace

// ---- delete ----

TEST_F(Actions, DeleteAsksByKindAndRemovesTheNodeWithItsRecordOnYes) {
    TFTPObject* folder = AddSite(model.Nodes(), "Team", true);
    TFTPObject* inFolder = AddSite(folder->Children(), "Web");
    TFTPObject* site = ListedSite("S", {{"dir", true}, {"a.txt", false}});
    ItemIdList* siteList = lists.Of(*site);
    struct Case {
        const RegisteredNode* node;
        const ItemIdList* folderList;
        std::string text, caption, call;
        Notice notice;
    } cases[] = {
        {inFolder, lists.Of(*folder), "Are you sure you want to delete \"Web\"?", "Confirm LARK-FTP profile deletion",
         "DeleteProfile|Team\\Web", {ShellChange::RemoveDir, "Team/Web", true}},
        {site->Content()->Items(1), siteList, "Are you sure you want to delete \"a.txt\"?", "Confirm remote file deletion",
         "DeleteRemoteFile|1|/a.txt", {ShellChange::Delete, "S/a.txt", true}},
        {site->Content()->Items(0), siteList, "Are you sure you want to delete \"dir\" and all its content?",
         "Confirm remote folder deletion", "DeleteRemoteDirectory|1|/dir", {ShellChange::RemoveDir, "S/dir", true}},
        {folder, nullptr, "Are you sure you want to delete \"Team\" and all its content?",
         "Confirm LARK-FTP folder deletion", "DeleteProfileFolder|Team", {ShellChange::RemoveDir, "Team", true}},
    };
    for (const Case& c : cases) {
        ItemIdList* item = lists.Of(*c.node);
        box.shown.clear();
        box.answers = {ModalResult::mrNo};
        EXPECT_EQ(DeleteItems(7, 1, c.folderList, item, context), 0);
        EXPECT_TRUE(client->calls().empty());
        ASSERT_NE(PidlNode(item), nullptr);

        box.shown.clear();
        box.answers = {ModalResult::mrYes};
        shell.notices.clear();
        EXPECT_EQ(DeleteItems(7, 1, c.folderList, item, context), 0);
        ASSERT_EQ(box.shown.size(), 1u);
        EXPECT_EQ(box.shown[0].text, c.text);
        EXPECT_EQ(box.shown[0].caption, c.caption);
        EXPECT_EQ(box.shown[0].owner.window, 7u);
        EXPECT_EQ(client->CallLines(), Lines{c.call});
        EXPECT_EQ(shell.notices, std::vector<Notice>{c.notice});
        EXPECT_EQ(PidlNode(item), nullptr) << c.call;
        client->ClearCalls();
    }
    EXPECT_EQ(model.Nodes().Count(), 1);
    ExpectInStep(model.Nodes());
}

TEST_F(Actions, DeleteThatTheMainClientRefusesKeepsTheNode) {
    TFTPObject* site = AddSite(model.Nodes(), "S");
    ItemIdList* item = lists.Of(*site);
    box.answers = {ModalResult::mrYes};
    client->Script("DeleteProfile", ValueReply(-1));
    EXPECT_EQ(DeleteItems(0, 1, nullptr, item, context), -1);
    EXPECT_EQ(PidlNode(item), site);
    client->Script("DeleteProfile", FailureReply());
    EXPECT_EQ(DeleteItems(0, 1, nullptr, item, context), 0);
    EXPECT_EQ(PidlNode(item), site);
    EXPECT_TRUE(shell.notices.empty());
}

TEST_F(Actions, DeletingSeveralRemoteFilesAsksOnceAndUpdatesTheFolder) {
    TFTPObject* site = ListedSite("S", {{"a", false}, {"b", false}, {"c", false}, {"d", true}});
    ItemIdList* folderList = lists.Of(*site);
    TFSObjects& content = *site->Content();
    ItemIdList* items = lists.Join({content.Items(0), content.Items(1), content.Items(3)});
    box.answers = {ModalResult::mrYes};
    client->SetDefault("ListDirectory", TextReply(Listing({{"c", false}})));
    EXPECT_EQ(DeleteItems(0, 3, folderList, items, context), 0);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, "Are you sure you want to delete these 3 items?");
    EXPECT_EQ(box.shown[0].caption, "Confirm multiple remote files deletion");
    EXPECT_EQ(client->CallLines(), (Lines{"DeleteRemoteFile|1|/a", "DeleteRemoteFile|1|/b",
                                          "DeleteRemoteDirectory|1|/d", "ListDirectory|1|/|-1"}));
    EXPECT_EQ(shell.notices, (std::vector<Notice>{{ShellChange::RemoveDir, "S/d", true},
                                                  {ShellChange::UpdateDir, "S", true}}));
    ASSERT_EQ(site->Content()->Count(), 1);
    EXPECT_EQ(site->Content()->Items(0)->Name, "c");
}

TEST_F(Actions, DeletingSeveralProfilesAsksWithTheProfileTexts) {
    TFTPObject* a = AddSite(model.Nodes(), "A");
    TFTPObject* f = AddSite(model.Nodes(), "F", true);
    AddSite(model.Nodes(), "C");
    box.answers = {ModalResult::mrYes};
    EXPECT_EQ(DeleteItems(0, 2, nullptr, lists.Join({a, f}), context), 0);
    EXPECT_EQ(box.shown.at(0).text, "Are you sure you want to delete these 2 items?");
    EXPECT_EQ(box.shown.at(0).caption, "Confirm multiple Lark-FTP profiles deletion");
    EXPECT_EQ(client->CallLines(), (Lines{"DeleteProfile|A", "DeleteProfileFolder|F"}));
    ASSERT_EQ(model.Nodes().Count(), 1);
    EXPECT_EQ(model.Nodes().Items(0)->NodeName(), "C");
    ExpectInStep(model.Nodes());
}

// ---- new items ----

TEST_F(Actions, NewSiteFolderIsUniqueAddedThroughTheMainClientAndAnnounced) {
    AddSite(model.Nodes(), "New folder", true);
    ItemIdList* made = nullptr;
    EXPECT_EQ(CreateNewItem({}, NewItemKind::SiteFolder, context, &made), kActionOk);
    lists.Keep(made);
    EXPECT_EQ(Describe(made), "New folder (2)");
    EXPECT_EQ(client->CallLines(), Lines{"AddProfileFolder|New folder (2)|\\"});
    EXPECT_EQ(shell.notices, (std::vector<Notice>{{ShellChange::MakeDir, "New folder (2)", true}}));
    ExpectInStep(model.Nodes());

    // Inside that folder: the parent path names it.
    TFTPObject* parent = SiteNodeOf(made);
    ASSERT_NE(parent, nullptr);
    client->ClearCalls();
    shell.notices.clear();
    EXPECT_EQ(CreateNewItem({nullptr, made}, NewItemKind::SiteFolder, context), kActionOk);
    EXPECT_EQ(client->CallLines(), Lines{"AddProfileFolder|New folder|\\New folder (2)\\"});
    EXPECT_EQ(shell.notices, (std::vector<Notice>{{ShellChange::MakeDir, "New folder (2)/New folder", true}}));
    EXPECT_EQ(parent->Children().Count(), 1);
    ExpectInStep(model.Nodes());
}

TEST_F(Actions, NewSiteFolderThatFailsOrRaisesIsRemovedAgain) {
    client->Script("AddProfileFolder", ValueReply(-1));
    EXPECT_EQ(CreateNewItem({}, NewItemKind::SiteFolder, context), kActionFail);
    client->Script("AddProfileFolder", FailureReply());
    EXPECT_EQ(CreateNewItem({}, NewItemKind::SiteFolder, context), kActionFail);
    EXPECT_EQ(model.Nodes().Count(), 0);
    EXPECT_EQ(model.FTPServers().Count(), 0);
    EXPECT_TRUE(shell.notices.empty());
}

TEST_F(Actions, NewRemoteDirectoryGetsTheNormalisedPathAndIsRemovedWhenTheCallRaises) {
    TFTPObject* site = ListedSite("S", {{"New folder", true}});
    site->ServerInfo()->HostDirName = "pub/";
    ItemIdList* own = lists.Of(*site);
    EXPECT_EQ(CreateNewItem({nullptr, own}, NewItemKind::RemoteDirectory, context), kActionOk);
    EXPECT_EQ(client->CallLines(), Lines{"MakeRemoteDirectory|1|/pub/New folder (2)"});
    EXPECT_EQ(shell.notices, (std::vector<Notice>{{ShellChange::MakeDir, "S/New folder (2)", true}}));
    ASSERT_EQ(site->Content()->Count(), 2);
    EXPECT_EQ(site->Content()->Items(1)->Modified, clock.Now());

    // Below a remote directory.
    ItemIdList* dir = lists.Of(*site->Content()->Items(0));
    client->ClearCalls();
    EXPECT_EQ(CreateNewItem({nullptr, lists.Join({site, site->Content()->Items(0)})}, NewItemKind::RemoteDirectory,
                            context),
              kActionOk);
    EXPECT_EQ(client->CallLines(), Lines{"MakeRemoteDirectory|1|/pub/New folder/New folder"});
    (void)dir;

    client->Script("MakeRemoteDirectory", FailureReply());
    EXPECT_EQ(CreateNewItem({nullptr, own}, NewItemKind::RemoteDirectory, context), kActionFail);
    EXPECT_EQ(site->Content()->Count(), 2);
}

TEST_F(Actions, NewProfileGoesThroughTheDialogAndAnnouncesTheNewNode) {
    TFTPObject* folder = AddSite(model.Nodes(), "F", true);
    TFTPObjects* asked = reinterpret_cast<TFTPObjects*>(1);
    dialogs.newProfile = [&](TFTPObjects* level) {
        asked = level;
        TFTPObject* node = (level ? *level : model.Nodes()).AddNewRecord();
        node->ServerInfo()->ProfileName = "Mine";
        return node;
    };
    EXPECT_EQ(CreateNewItem({nullptr, lists.Of(*folder)}, NewItemKind::SiteProfile, context), kActionOk);
    EXPECT_EQ(asked, &folder->Children());
    EXPECT_EQ(shell.notices, (std::vector<Notice>{{ShellChange::MakeDir, "F/Mine", true}}));
    EXPECT_EQ(CreateNewItem({}, NewItemKind::SiteProfile, context), kActionOk);
    EXPECT_EQ(asked, nullptr);
    dialogs.answer = false;
    shell.notices.clear();
    EXPECT_EQ(CreateNewItem({}, NewItemKind::SiteProfile, context), kActionOk);
    EXPECT_TRUE(shell.notices.empty());
    // Never inside a site.
    TFTPObject* site = AddSite(model.Nodes(), "S");
    EXPECT_EQ(CreateNewItem({nullptr, lists.Of(*site)}, NewItemKind::SiteProfile, context), kActionInvalidArg);
}

// ---- paste of profiles ----

TEST_F(Actions, PastingAProfileCopiesEveryFieldUnderAUniqueName) {
    TFTPObject* source = AddSite(model.Nodes(), "Web");
    TFtpServerInfo& r = *source->ServerInfo();
    r.HostName = "ftp.example.com";
    r.Comments = "notes";
    r.Account = "acct";
    r.Port = "2121";
    r.UserName = "me";
    r.SetPassWord("secret");
    r.HostDirName = "/pub";
    r.Passive = true;
    r.Binary = false;
    r.SetUseGlobalProxy(false);
    r.ProxyName = "proxy";
    r.ProxyPort = "8080";
    r.ProxyType = 2;
    r.ProxyUser = "pu";
    r.ProxyPassword = "pp";
    r.ServerType = 1;
    r.PrivateKey = "key";
    r.KeyPassword = "kp";
    r.HostFingerprint = "ff";
    r.Authentication = 2;
    r.LocalFolder = "C:\\x";
    TFTPObject* target = AddSite(model.Nodes(), "T", true);
    AddSite(target->Children(), "Web");
    AddSite(target->Children(), "Web (2)");
    SelectNodes(selection, {source});
    EXPECT_EQ(PasteProfiles(lists.Of(*target), nullptr, kDropEffectCopy, context), kActionOk);
    EXPECT_EQ(client->CallLines(),
              Lines{"AddProfile|\\T\\|Web (3)|ftp.example.com|me|secret|2121|0|proxy|8080|/pub|-1|0|1|2|pu|pp|2|key|kp"});
    ASSERT_EQ(target->Children().Count(), 3);
    TFtpServerInfo& copy = *target->Children().Items(2)->ServerInfo();
    EXPECT_EQ(copy.ProfileName, "Web (3)");
    copy.ProfileName = r.ProfileName;
    // Every published value is the source's.
    ExpectSameFields(copy, r);
    EXPECT_EQ(copy.PassWord(), "secret");
    EXPECT_EQ(model.Nodes().Count(), 2);  // a copy leaves the source
    ExpectInStep(model.Nodes());
}

TEST_F(Actions, AFolderIsNeverPastedIntoItselfItsSubtreeOrWhereItLies) {
    TFTPObject* top = AddSite(model.Nodes(), "Top", true);
    TFTPObject* mid = AddSite(top->Children(), "Mid", true);
    TFTPObject* other = AddSite(model.Nodes(), "Other", true);
    SelectNodes(selection, {top});
    for (const RegisteredNode* target : {static_cast<const RegisteredNode*>(top), static_cast<const RegisteredNode*>(mid)})
        EXPECT_EQ(PasteProfiles(lists.Of(*target), nullptr, kDropEffectCopy, context), kActionInvalidArg);
    EXPECT_FALSE(IsValidDropTarget(nullptr, context));  // the root level already holds it
    EXPECT_TRUE(IsValidDropTarget(lists.Of(*other), context));
    EXPECT_TRUE(client->calls().empty());
    ExpectInStep(model.Nodes());
}

TEST_F(Actions, AMovedFolderArrivesWithItsSubtreeAndLeavesItsSource) {
    TFTPObject* team = AddSite(model.Nodes(), "Team", true);
    TFTPObject* web = AddSite(team->Children(), "Web");
    web->ServerInfo()->HostName = "h";
    web->ServerInfo()->Comments = "c";
    web->ServerInfo()->SetPassWord("pw");
    AddSite(team->Children(), "Inner", true);
    TFTPObject* target = AddSite(model.Nodes(), "Target", true);
    TFtpServerInfo original;
    original.AssignFields(*web->ServerInfo());
    ItemIdList* source = lists.Keep(CombinePidls(nullptr, nullptr));  // the namespace root: no items
    (void)source;
    SelectNodes(selection, {team});
    EXPECT_EQ(PasteProfiles(lists.Of(*target), nullptr, kDropEffectMove, context), kActionOk);
    EXPECT_EQ(client->CallLines(), (Lines{"AddProfileFolder|Team|\\Target\\",
                                          "AddProfile|\\Target\\Team\\|Web|h|anonymous|pw|21|-1||||0|0|0|0|||1||",
                                          "AddProfileFolder|Inner|\\Target\\Team\\", "DeleteProfile|Team"}));
    ASSERT_EQ(model.Nodes().Count(), 1);
    TFTPObject* moved = target->Children().Items(0);
    ASSERT_EQ(moved->Children().Count(), 2);
    ExpectSameFields(*moved->Children().Items(0)->ServerInfo(), original);
    EXPECT_EQ(shell.notices, (std::vector<Notice>{{ShellChange::RemoveDir, "Team", true}}));
    ExpectInStep(model.Nodes());
}

TEST_F(Actions, AFailedAddInsideAMovedFolderKeepsTheSource) {
    TFTPObject* team = AddSite(model.Nodes(), "Team", true);
    AddSite(team->Children(), "A");
    AddSite(team->Children(), "B");
    TFTPObject* target = AddSite(model.Nodes(), "Target", true);
    client->Script("AddProfile", ValueReply(-5));
    SelectNodes(selection, {team});
    EXPECT_EQ(PasteProfiles(lists.Of(*target), nullptr, kDropEffectMove, context), kActionOk);
    EXPECT_EQ(client->CallLines(),
              (Lines{"AddProfileFolder|Team|\\Target\\", "AddProfile|\\Target\\Team\\|A||anonymous|guest@example.com|21|-1||||0|0|0|0|||1||",
                     "AddProfile|\\Target\\Team\\|B||anonymous|guest@example.com|21|-1||||0|0|0|0|||1||"}));
    EXPECT_EQ(model.Nodes().Items(0), team);
    EXPECT_EQ(team->Children().Count(), 2);
    // The failed one is not in the copy.
    ASSERT_EQ(target->Children().Count(), 1);
    EXPECT_EQ(target->Children().Items(0)->Children().Count(), 1);
    EXPECT_TRUE(shell.notices.empty());
    ExpectInStep(model.Nodes());
}

TEST_F(Actions, ProfilePasteTakesOnlySiteEntries) {
    TFTPObject* site = ListedSite("S", {{"f", false}});
    TFTPObject* target = AddSite(model.Nodes(), "T", true);
    SelectNodes(selection, {site->Content()->Items(0)});
    EXPECT_EQ(PasteProfiles(lists.Of(*target), nullptr, kDropEffectMove, context), kActionOk);
    EXPECT_TRUE(client->calls().empty());
    EXPECT_EQ(target->Children().Count(), 0);
}

TEST_F(Actions, PasteEmptiesTheSelectionReadsTheClipboardThenChecks) {
    TFTPObject* a = AddSite(model.Nodes(), "A");
    TFTPObject* target = AddSite(model.Nodes(), "T", true);
    ItemIdList* folderList = nullptr;
    ItemIdList* targetList = lists.Of(*target);
    auto data = std::make_shared<FakeData>();
    shell.clipboard = data;
    // A stale selection and a data object from elsewhere: nothing is pasted.
    SelectNodes(selection, {a});
    data->offers = {TransferFormat::ProfileItem};
    EXPECT_EQ(PasteFromClipboard(folderList, targetList, context), kActionOk);
    EXPECT_TRUE(client->calls().empty());
    EXPECT_EQ(selection.Count(), 0u);
    EXPECT_EQ(shell.notices, (std::vector<Notice>{{ShellChange::UpdateDir, "T", true}}));

    // Our own data source refills it when read.
    data->onRead = [&] { SelectNodes(selection, {a}); };
    EXPECT_EQ(PasteFromClipboard(folderList, targetList, context), kActionOk);
    EXPECT_EQ(client->CallLines(), Lines{"AddProfile|\\T\\|A||anonymous|guest@example.com|21|-1||||0|0|0|0|||1||"});
    EXPECT_EQ(model.Nodes().Count(), 2);  // a paste is a copy

    // Onto the folder it came from: refused after the read.
    client->ClearCalls();
    data->onRead = [&] { SelectNodes(selection, {target->Children().Items(0)}); };
    EXPECT_EQ(PasteFromClipboard(folderList, targetList, context), kActionInvalidArg);
    EXPECT_TRUE(client->calls().empty());

    shell.clipboard = nullptr;
    EXPECT_EQ(PasteFromClipboard(folderList, targetList, context), kActionFail);
}

TEST_F(Actions, CanPasteAsksForTheFormatTheTargetTakes) {
    TFTPObject* folder = AddSite(model.Nodes(), "F", true);
    TFTPObject* site = ListedSite("S", {{"d", true}, {"f", false}});
    auto data = std::make_shared<FakeData>();
    shell.clipboard = data;
    ItemIdList* f = lists.Of(*folder);
    ItemIdList* s = lists.Of(*site);
    ItemIdList* d = lists.Of(*site->Content()->Items(0));
    ItemIdList* x = lists.Of(*site->Content()->Items(1));
    data->offers = {TransferFormat::ProfileItem};
    EXPECT_TRUE(CanPaste(nullptr, context));
    EXPECT_TRUE(CanPaste(f, context));
    EXPECT_FALSE(CanPaste(s, context));
    data->offers = {TransferFormat::HDrop, TransferFormat::FileItem};
    EXPECT_FALSE(CanPaste(f, context));
    EXPECT_TRUE(CanPaste(s, context));
    EXPECT_TRUE(CanPaste(d, context));
    EXPECT_FALSE(CanPaste(x, context));
    shell.clipboard = nullptr;
    EXPECT_FALSE(CanPaste(s, context));
}

// ---- paste of remote and local files ----

TEST_F(Actions, RemoteFilesAreCopiedOnTheServerDirectoriesSkipped) {
    TFTPObject* from = ListedSite("From", {{"d", true}, {"a.txt", false}, {"b.txt", false}});
    TFTPObject* to = ListedSite("To", {{"old", false}});
    auto data = std::make_shared<FakeData>();
    data->offers = {TransferFormat::FileItem, TransferFormat::HDrop};
    data->onRead = [&] { SelectNodes(selection, {from->Content()->Items(0), from->Content()->Items(1), from->Content()->Items(2)}); };
    client->SetDefault("ListDirectory", TextReply(Listing({{"a.txt", false}, {"b.txt", false}})));
    EXPECT_EQ(PasteFileObjects(lists.Of(*to), *data, kDropEffectMove, context), kActionOk);
    EXPECT_EQ(client->CallLines(), (Lines{"CopyRemoteFile|1|1|/b.txt|/b.txt|0", "CopyRemoteFile|1|1|/a.txt|/a.txt|0",
                                          "ListDirectory|1|/|-1"}));
    EXPECT_EQ(to->Content()->Count(), 2);
    EXPECT_EQ(from->Content()->Count(), 3);  // sources stay
    EXPECT_EQ(shell.pumps, 0);
}

TEST_F(Actions, LocalFilesAreUploadedIntoTheTargetWithMessagesPumped) {
    TFTPObject* site = ListedSite("S", {{"in", true}});
    auto data = std::make_shared<FakeData>();
    data->offers = {TransferFormat::HDrop};
    data->files = std::vector<std::string>{"C:\\local\\a.txt", "C:\\local\\dir", "C:\\gone"};
    shell.paths = {{"C:\\local\\a.txt", ShellHost::PathKind::File}, {"C:\\local\\dir", ShellHost::PathKind::Directory}};
    TFSObject* in = site->Content()->Items(0);
    client->SetDefault("ListDirectory", TextReply(Listing({{"a.txt", false}})));
    EXPECT_EQ(PasteFileObjects(lists.Of(*in), *data, kDropEffectCopy, context), kActionOk);
    EXPECT_EQ(client->CallLines(), (Lines{"ListDirectory|1|/in|0", "UploadFile|1|0|0|0|0|0|C:\\local\\a.txt|/in/a.txt|0|0|0",
                                          "UploadDirectory|1|C:\\local\\dir|/in", "ListDirectory|1|/in|-1"}));
    EXPECT_EQ(shell.pumps, 3);

    // Onto the profile: a start directory without its leading "/" gets one.
    site->ServerInfo()->HostDirName = "pub";
    client->ClearCalls();
    data->files = std::vector<std::string>{"C:\\local\\a.txt"};
    EXPECT_EQ(PasteFileObjects(lists.Of(*site), *data, kDropEffectCopy, context), kActionOk);
    EXPECT_EQ(client->CallLines().at(0), "UploadFile|1|0|0|0|0|0|C:\\local\\a.txt|/pub/a.txt|0|0|0");
}

TEST(SplitItems, StopsAtAnItemOfAnotherSizeAndReadsNothingPastIt) {
    // Exactly as long as its bytes: an item whose count points far past the block's end.
    auto block = std::make_unique<std::uint8_t[]>(4);
    block[0] = 0x00;
    block[1] = 0x40;
    block[2] = block[3] = 0x5A;
    EXPECT_TRUE(SplitItems(reinterpret_cast<const ItemIdList*>(block.get()), 3).empty());
    EXPECT_TRUE(SplitItems(nullptr, 3).empty());
}

TEST(ReadDropFileList, ReadsNamesInsideTheBlockOnly) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> block;
        std::vector<std::string> want;
    } cases[] = {
        {"ansi", DropFiles({u"C:\\a.txt", u"C:\\caf\u00e9"}, false), {"C:\\a.txt", "C:\\caf\u00e9"}},
        {"wide", DropFiles({u"C:\\\u65e5\u672c.txt", u"D:\\b"}, true), {"C:\\\u65e5\u672c.txt", "D:\\b"}},
        {"empty list", DropFiles({}, true), {}},
        {"offset past the end", DropFiles({u"C:\\a"}, false, 400), {}},
        {"offset inside the header", DropFiles({u"C:\\a"}, false, 4), {}},
        {"short header", {20, 0, 0}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadDropFileList(c.block), c.want) << c.what;
    // A list the block cuts off is refused whole, never half read: a name cut short, or a
    // list whose closing empty name is missing (wide and ANSI).
    std::vector<std::uint8_t> cut = DropFiles({u"C:\\a", u"C:\\bbbb"}, true);
    cut.resize(cut.size() - 6);
    EXPECT_TRUE(ReadDropFileList(cut).empty());
    for (const bool wide : {true, false}) {
        cut = DropFiles({u"C:\\a", u"C:\\b"}, wide);
        cut.resize(cut.size() - (wide ? 2 : 1));  // the names end, the list does not
        EXPECT_TRUE(ReadDropFileList(cut).empty()) << wide;
    }
    // An ANSI list is read in the code page its writer used (the decoder the caller gives).
    const std::vector<std::uint8_t> ansi = {20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                            'C', ':', '\\', 0xEF, 0xE0, 0, 0};
    EXPECT_EQ(ReadDropFileList(ansi, [](std::string_view text) { return "[" + std::to_string(text.size()) + "]"; }),
              std::vector<std::string>{"[5]"});
    cut = DropFiles({u"C:\\a"}, false);
    cut.resize(cut.size() - 2);
    EXPECT_TRUE(ReadDropFileList(cut).empty());
    std::vector<std::uint8_t> odd = DropFiles({u"C:\\a"}, true);
    odd.resize(odd.size() - 3);  // half a unit at the end
    EXPECT_TRUE(ReadDropFileList(odd).empty());
}

// ---- move, open, properties ----

TEST_F(Actions, MoveRenamesIntoTheChosenDirectoryAndRefreshesBothFolders) {
    TFTPObject* folder = AddSite(model.Nodes(), "Team", true);
    TFTPObject* site = ListedSite("S", {{"dest", true}, {"a", false}, {"b", false}}, &folder->Children());
    TFSObjects& content = *site->Content();
    ItemIdList* relative = lists.Join({folder, site});
    ItemIdList* items = lists.Join({content.Items(1), content.Items(2)});
    ItemIdList* destination = lists.Join({folder, site, content.Items(0)});
    shell.browse = [&](const ItemIdList*) { return CopyPidl(destination); };
    client->SetDefault("ListDirectory", TextReply(Listing({{"dest", true}})));
    EXPECT_EQ(MoveToFolder(3, 2, items, {nullptr, relative}, context), kActionFalse);
    EXPECT_EQ(shell.browseRoot, "Team/S");
    EXPECT_EQ(shell.browseTitle, "Select destination directory:");
    EXPECT_EQ(client->CallLines(), (Lines{"RenameRemoteObject|1|/a|/dest/a", "RenameRemoteObject|1|/b|/dest/b",
                                          "ListDirectory|1|/|-1", "ListDirectory|1|/dest|0"}));
    EXPECT_EQ(shell.notices, (std::vector<Notice>{{ShellChange::UpdateDir, "Team/S/dest", true},
                                                  {ShellChange::UpdateDir, "Team/S", true}}));
    EXPECT_EQ(site->Content()->Count(), 1);  // the moved files left the source

    // The site's top, or a cancelled choice: nothing moves.
    client->ClearCalls();
    shell.notices.clear();
    shell.browse = [&](const ItemIdList*) { return CopyPidl(relative); };
    EXPECT_EQ(MoveToFolder(3, 1, lists.Of(*site->Content()->Items(0)), {nullptr, relative}, context), kActionFalse);
    shell.browse = nullptr;
    EXPECT_EQ(MoveToFolder(3, 1, lists.Of(*site->Content()->Items(0)), {nullptr, relative}, context), kActionFalse);
    EXPECT_TRUE(client->calls().empty());
    EXPECT_TRUE(shell.notices.empty());
    EXPECT_EQ(MoveToFolder(3, 0, nullptr, {nullptr, relative}, context), kActionFalse);
}

TEST_F(Actions, OpenGivesFilesToTheMainClientAndFoldersToExplorer) {
    TFTPObject* site = ListedSite("S", {{"d", true}, {"f", false}});
    ItemIdList* folderList = lists.Of(*site);
    EXPECT_EQ(OpenItems(0, 2, lists.Join({site->Content()->Items(1), site->Content()->Items(0)}), folderList, context),
              kActionOk);
    EXPECT_EQ(client->CallLines(), Lines{"OpenRemoteFile|1|/f"});
    EXPECT_EQ(shell.opened, Lines{"S/d"});
    client->Script("OpenRemoteFile", FailureReply());
    EXPECT_EQ(OpenItems(0, 1, lists.Of(*site->Content()->Items(1)), folderList, context), kActionFail);
}

TEST_F(Actions, PropertiesOpenTheDialogOfTheKindAndAnnounceAChange) {
    TFTPObject* folder = AddSite(model.Nodes(), "F", true);
    TFTPObject* site = ListedSite("S", {{"f", false}});
    EXPECT_TRUE(site->Listed());
    EXPECT_EQ(ShowItemProperties(lists.Of(*folder), context), kActionOk);
    EXPECT_EQ(ShowItemProperties(lists.Of(*site->Content()->Items(0)), context), kActionOk);
    EXPECT_EQ(ShowItemProperties(lists.Of(*site), context), kActionOk);
    EXPECT_EQ(dialogs.shown, (Lines{"EditProfileFolder F", "EditFSObject f", "EditProfile S"}));
    EXPECT_FALSE(site->Listed());
    EXPECT_EQ(shell.notices, (std::vector<Notice>{{ShellChange::UpdateItem, "F", true},
                                                  {ShellChange::UpdateItem, "f", true},
                                                  {ShellChange::UpdateDir, "S", true},
                                                  {ShellChange::UpdateItem, "S", true}}));
    dialogs.answer = false;
    shell.notices.clear();
    EXPECT_EQ(ShowItemProperties(lists.Of(*folder), context), kActionOk);
    EXPECT_TRUE(shell.notices.empty());
    const std::uint8_t foreign[96] = {92};
    EXPECT_EQ(ShowItemProperties(reinterpret_cast<const ItemIdList*>(foreign), context), kActionInvalidArg);
}

// ---- a paste with no target goes into the folder shown ----

namespace {

// Our own data source as the clipboard holds it: QueryGetData by its format table, GetData
// answering every one of the three formats and refilling the selection when read.
class OwnData : public TransferData {
public:
    OwnData(SelectionList& selection, const RegisteredNode& node, const RegisteredNode* source, bool remote)
        : selection_(selection), node_(&node), remote_(remote) {
        if (source) source_.reset(CreatePidlItem(*source));
    }
    bool Offers(TransferFormat format) override {
        return remote_ ? format != TransferFormat::ProfileItem : format == TransferFormat::ProfileItem;
    }
    bool Read(TransferFormat) override {
        SelectNodes(selection_, {node_}, source_.get());
        return true;
    }
    std::optional<std::vector<std::string>> DropFiles() override { return std::vector<std::string>{"C:\\Temp\\marker"}; }

private:
    SelectionList& selection_;
    const RegisteredNode* node_;
    OwnedPidl source_;
    bool remote_;
};

// A 92-byte shell item that is not ours, standing for the junction's list.
OwnedPidl Junction() {
    std::vector<std::uint8_t> bytes(ItemSize + 2, 0);
    bytes[0] = static_cast<std::uint8_t>(ItemSize);
    bytes[4] = 0x1F;
    OwnedPidl junction(static_cast<ItemIdList*>(DefaultShellAllocator().Alloc(bytes.size())));
    std::memcpy(junction.get(), bytes.data(), bytes.size());
    return junction;
}

// "Method|arg|arg|arg|arg", zeros left out: enough of each call to tell where it went.
Lines Short(const std::vector<mainclient::fake::Call>& calls) {
    Lines lines;
    for (const auto& c : calls) {
        std::string line = c.method;
        int taken = 0;
        for (std::size_t i = 0; i < c.args.size() && taken < 4; ++i)
            if (c.args[i] != "0") {
                line += "|" + c.args[i];
                ++taken;
            }
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

TEST_F(Actions, APasteWithNoTargetGoesIntoTheShownFolderAsOntoItsRow) {
    enum class View { Root, ProfileFolder, Site, RemoteDirectory };
    enum class Held { Profile, ProfileFolder, LocalFiles, RemoteFiles };
    const Lines none;
    struct Cell {
        View view;
        Held held;
        Lines calls;
    } cells[] = {
        {View::Root, Held::Profile, {"AddProfile|\\|Leaf||anonymous"}},
        {View::Root, Held::ProfileFolder, {"AddProfileFolder|Sub|\\", "AddProfile|\\Sub\\|Leaf||anonymous"}},
        {View::Root, Held::LocalFiles, none},
        {View::Root, Held::RemoteFiles, none},
        {View::ProfileFolder, Held::Profile, {"AddProfile|\\Alpha\\|Leaf||anonymous"}},
        {View::ProfileFolder, Held::ProfileFolder,
         {"AddProfileFolder|Sub|\\Alpha\\", "AddProfile|\\Alpha\\Sub\\|Leaf||anonymous"}},
        {View::ProfileFolder, Held::LocalFiles, none},
        {View::ProfileFolder, Held::RemoteFiles, none},
        {View::Site, Held::Profile, {"ListDirectory|W|/|-1"}},
        {View::Site, Held::ProfileFolder, {"ListDirectory|W|/|-1"}},
        {View::Site, Held::LocalFiles, {"UploadFile|W|C:\\up\\new.txt|/new.txt", "ListDirectory|W|/|-1"}},
        {View::Site, Held::RemoteFiles, {"CopyRemoteFile|O|W|/c.txt|/c.txt", "ListDirectory|W|/|-1"}},
        {View::RemoteDirectory, Held::Profile, {"ListDirectory|W|/pub|-1"}},
        {View::RemoteDirectory, Held::ProfileFolder, {"ListDirectory|W|/pub|-1"}},
        {View::RemoteDirectory, Held::LocalFiles,
         {"UploadFile|W|C:\\up\\new.txt|/pub/new.txt", "ListDirectory|W|/pub|-1"}},
        {View::RemoteDirectory, Held::RemoteFiles, {"CopyRemoteFile|O|W|/c.txt|/pub/c.txt", "ListDirectory|W|/pub|-1"}},
    };
    const OwnedPidl junction = Junction();
    shell.paths["C:\\up\\new.txt"] = ShellHost::PathKind::File;
    for (const Cell& cell : cells) {
        for (const bool asRow : {true, false}) {
            if (asRow && cell.view == View::Root) continue;  // the root is no row of any view
            SCOPED_TRACE(::testing::Message() << "view " << static_cast<int>(cell.view) << ", held "
                                            << static_cast<int>(cell.held) << (asRow ? ", onto its row" : ", no target"));
            // A fresh model for each paste: the refreshes after it merge listings into the nodes.
            while (model.Nodes().Count() > 0) model.Nodes().Delete(0);
            TFTPObject* alpha = AddSite(model.Nodes(), "Alpha", true);
            TFTPObject* beta = AddSite(model.Nodes(), "Beta", true);
            TFTPObject* sub = AddSite(beta->Children(), "Sub", true);
            TFTPObject* leaf = AddSite(sub->Children(), "Leaf");
            client->Script("OpenSession", TextReply("W"));
            TFTPObject* web = ListedSite("Web", {{"pub", true}, {"a.txt", false}});
            TFSObject* pub = web->Content()->Items(0);
            client->Script("ListDirectory", TextReply(Listing({{"old.txt", false}})));
            ASSERT_TRUE(pub->LoadContent());
            client->Script("OpenSession", TextReply("O"));
            TFTPObject* other = ListedSite("Other", {{"c.txt", false}});
            client->ClearCalls();

            // The shown folder's list below the junction, and its parent's.
            std::vector<const RegisteredNode*> chain;
            switch (cell.view) {
                case View::Root: break;
                case View::ProfileFolder: chain = {alpha}; break;
                case View::Site: chain = {web}; break;
                case View::RemoteDirectory: chain = {web, pub}; break;
            }
            ItemIdList* relative = chain.empty() ? nullptr : lists.Join(chain);
            ItemIdList* folderList = lists.Keep(CombinePidls(junction.get(), relative));
            std::vector<const RegisteredNode*> parentChain(chain.begin(), chain.end() - (chain.empty() ? 0 : 1));
            ItemIdList* parentList =
                lists.Keep(CombinePidls(junction.get(), parentChain.empty() ? nullptr : lists.Join(parentChain)));
            ItemIdList* row = chain.empty() ? nullptr : lists.Of(*chain.back());

            std::shared_ptr<TransferData> data;
            switch (cell.held) {
                case Held::Profile: data = std::make_shared<OwnData>(selection, *leaf, sub, false); break;
                case Held::ProfileFolder: data = std::make_shared<OwnData>(selection, *sub, beta, false); break;
                case Held::RemoteFiles:
                    data = std::make_shared<OwnData>(selection, *other->Content()->Items(0), other, true);
                    break;
                case Held::LocalFiles: {
                    auto local = std::make_shared<FakeData>();
                    local->offers = {TransferFormat::HDrop};
                    local->files = std::vector<std::string>{"C:\\up\\new.txt"};
                    data = local;
                    break;
                }
            }
            shell.clipboard = data;
            shell.notices.clear();
            selection.Clear();

            const ActionResult result = asRow ? PasteFromClipboard(parentList, row, context)
                                              : PasteFromClipboard(folderList, nullptr, context);
            EXPECT_EQ(result, kActionOk);
            EXPECT_EQ(Short(client->calls()), cell.calls);
            // The notice names the folder the paste went into, either way.
            ASSERT_EQ(shell.notices.size(), 1u);
            EXPECT_EQ(shell.notices[0].event, ShellChange::UpdateDir);
            EXPECT_EQ(shell.notices[0].first, Describe(folderList));
            ExpectInStep(model.Nodes());
        }
    }
}

// ---- a notice handled while the main client works frees nothing an action still uses ----

namespace {

// A box that runs `during` while it is shown, as a real box pumps messages.
class PumpingBox : public FakeMessageBox {
public:
    std::function<void()> during;
    ModalResult ShowTranslatedMessage(const std::string& text, const std::string& caption, localization::MsgDlgType type,
                                      localization::MsgDlgButtons buttons,
                                      localization::MessageBoxOwner owner = {}) override {
        if (during) during();
        return FakeMessageBox::ShowTranslatedMessage(text, caption, type, buttons, owner);
    }
};

Lines Names(const TFSObjects& level) {
    Lines names;
    for (int i = 0; i < level.Count(); ++i) names.push_back(level.Items(i)->Name);
    return names;
}

// Another window's delete: the node with its subtree and record.
void RemoveFirst(TFTPObjects& level, const std::string& name) {
    for (int i = 0; i < level.Count(); ++i)
        if (level.Items(i)->NodeName() == name) return level.Delete(i);
}

Reply During(std::function<void()> notice, std::int32_t value = 0) {
    Reply r = ValueReply(value);
    r.during = std::move(notice);
    return r;
}

}  // namespace

class ActionsAcrossPumps : public Actions {
protected:
    // The view's rows emptied and filled again from the model, as an update notice does.
    void Refill(ViewRows& rows) {
        rows.Fill({});
        std::optional<std::vector<ItemIdList*>> items = BuildEnumeration(rows.OwnNode() ? own_.get() : nullptr,
                                                                         kEnumFolders | kEnumNonFolders, folderContext);
        ASSERT_TRUE(items);
        rows.Fill(std::move(*items));
    }
    OwnedPidl own_;
};

TEST_F(ActionsAcrossPumps, RenameFindsItsRowAgainAfterANoticeRefilledTheView) {
    TFTPObject* web = AddSite(model.Nodes(), "Web");
    AddSite(model.Nodes(), "Zeta");
    ViewRows rows(nullptr, *dm, nullptr);
    Refill(rows);
    const std::uint32_t handle = web->Handle();
    client->Script("RenameProfile", During([&] { Refill(rows); }));
    const std::optional<RowRename> done = RenameRow(rows, handle, "Web2", nullptr, 0, folderContext);
    ASSERT_TRUE(done);
    EXPECT_EQ(done->outcome, RenameOutcome::Renamed);
    EXPECT_EQ(client->CallLines(), Lines{"RenameProfile|Web|Web2"});
    EXPECT_EQ(web->NodeName(), "Web2");
    ASSERT_GE(done->row, 0);
    EXPECT_EQ(rows.Row(done->row).texts[0], "Web2");
    EXPECT_EQ(PidlDisplayName(rows.Row(done->row).item), "Web2");
    EXPECT_EQ(Describe(done->oldList.get()), "Web");
    EXPECT_EQ(Describe(done->newList.get()), "Web2");
}

TEST_F(ActionsAcrossPumps, RenameOfANodeFreedDuringTheCallTouchesNothingOfIt) {
    TFTPObject* site = ListedSite("S", {{"a.txt", false}, {"b.txt", false}});
    own_.reset(CreatePidlItem(*site));
    ViewRows rows(own_.get(), *dm, nullptr);
    Refill(rows);
    const std::uint32_t handle = site->Content()->Items(0)->Handle();
    // Meanwhile the folder is listed again without the file, and the view refilled.
    client->SetDefault("ListDirectory", TextReply(Listing({{"b.txt", false}})));
    client->Script("RenameRemoteObject", During([&] {
                       site->RefreshContent();
                       Refill(rows);
                   }));
    const std::optional<RowRename> done = RenameRow(rows, handle, "c.txt", own_.get(), 0, folderContext);
    ASSERT_TRUE(done);
    EXPECT_EQ(done->outcome, RenameOutcome::Renamed);  // the main client renamed it
    EXPECT_EQ(done->row, -1);                          // and the view no longer shows it
    EXPECT_TRUE(done->isFile);
    EXPECT_EQ(Describe(done->newList.get()), "S/c.txt");
    ASSERT_EQ(rows.Count(), 1);
    EXPECT_EQ(rows.Row(0).texts[0], "b.txt");
}

TEST_F(ActionsAcrossPumps, DeleteGoesOnAfterNoticesDuringTheBoxAndEachCall) {
    TFTPObject* site = ListedSite("S", {{"a", false}, {"b", false}, {"c", false}});
    own_.reset(CreatePidlItem(*site));
    ViewRows rows(own_.get(), *dm, nullptr);
    Refill(rows);
    TFSObjects& content = *site->Content();
    ItemIdList* items = lists.Join({content.Items(0), content.Items(1)});
    PumpingBox pumping;
    pumping.answers = {ModalResult::mrYes};
    pumping.during = [&] { Refill(rows); };
    FolderContext folder{model, *dm, pumping};
    ActionContext actions{folder, shell, dialogs, selection};
    // While "a" is deleted, a notice lists the folder again: both files go, "c" comes.
    client->Script("DeleteRemoteFile", During([&] {
                       client->Script("ListDirectory", TextReply(Listing({{"c", false}})));
                       site->RefreshContent();
                       Refill(rows);
                   }));
    client->SetDefault("ListDirectory", TextReply(Listing({{"c", false}})));
    EXPECT_EQ(DeleteItems(0, 2, own_.get(), items, actions), 0);
    // "b" was freed by the listing before its turn: not asked for.
    EXPECT_EQ(client->CallLines(), (Lines{"DeleteRemoteFile|1|/a", "ListDirectory|1|/|-1", "ListDirectory|1|/|-1"}));
    EXPECT_EQ(Names(content), Lines{"c"});

    // One item: the box pumps, a notice frees the node, nothing is deleted.
    TFSObject* c = content.Items(0);
    ItemIdList* cItem = lists.Of(*c);
    client->ClearCalls();
    pumping.shown.clear();
    pumping.during = [&] {
        client->Script("ListDirectory", TextReply(""));
        site->RefreshContent();
        Refill(rows);
    };
    EXPECT_EQ(DeleteItems(0, 1, own_.get(), cItem, actions), 0);
    EXPECT_EQ(client->CallLines(), Lines{"ListDirectory|1|/|-1"});
    EXPECT_EQ(rows.Count(), 0);
}

TEST_F(ActionsAcrossPumps, PasteOfProfilesGoesOnWhenANoticeFreesSourcesAndTargetMeanwhile) {
    TFTPObject* team = AddSite(model.Nodes(), "Team", true);
    AddSite(team->Children(), "A");
    AddSite(team->Children(), "B");
    TFTPObject* lone = AddSite(model.Nodes(), "Lone");
    TFTPObject* target = AddSite(model.Nodes(), "Target", true);
    ViewRows rows(nullptr, *dm, nullptr);
    Refill(rows);
    // While the folder is added, another window deletes member B and the view is refilled.
    client->Script("AddProfileFolder", During([&] {
                       RemoveFirst(team->Children(), "B");
                       Refill(rows);
                   }));
    // While A is added, the target folder itself goes.
    client->Script("AddProfile", During([&] {
                       RemoveFirst(model.Nodes(), "Target");
                       Refill(rows);
                   }));
    SelectNodes(selection, {lone, team});
    EXPECT_EQ(PasteProfiles(lists.Of(*target), nullptr, kDropEffectMove, context), kActionOk);
    // Team first (the last entry), its member A, then nothing more: the target is gone.
    EXPECT_EQ(Short(client->calls()), (Lines{"AddProfileFolder|Team|\\Target\\", "AddProfile|\\Target\\Team\\|A||anonymous"}));
    EXPECT_EQ(model.Nodes().Count(), 2);
    ExpectInStep(model.Nodes());
}

// A profile whose stored password could not be read is neither copied (the copy would carry an
// empty password) nor moved (the source would then be deleted): one box names it, nothing is sent.
TEST_F(Actions, AProfileWithAnUnreadablePasswordIsNeitherCopiedNorMoved) {
    TFTPObject* team = AddSite(model.Nodes(), "Team", true);
    TFTPObject* web = AddSite(team->Children(), "Web");
    web->ServerInfo()->SetStoredPassWord("not a cipher text");
    EXPECT_FALSE(web->ServerInfo()->DecipherPassWord(SitePasswordKey()));
    ASSERT_TRUE(web->ServerInfo()->PassWordUnreadable());
    TFTPObject* target = AddSite(model.Nodes(), "Target", true);
    for (std::uint32_t effect : {kDropEffectCopy, kDropEffectMove}) {
        SCOPED_TRACE(effect);
        box.shown.clear();
        for (TFTPObject* selected : {web, team}) {
            SelectNodes(selection, {selected});
            EXPECT_EQ(PasteProfiles(lists.Of(*target), nullptr, effect, context), kActionFail);
        }
        ASSERT_EQ(box.shown.size(), 2u);
        EXPECT_EQ(box.shown[0].text,
                  "The stored password of Web could not be read. Open the profile's properties and type its password "
                  "before you copy or move it.");
        EXPECT_EQ(box.shown[0].caption, "Error");
        EXPECT_EQ(box.shown[1].text, box.shown[0].text);  // found inside the folder too
    }
    EXPECT_EQ(client->CallLines(), Lines{});
    EXPECT_EQ(target->Children().Count(), 0);
    EXPECT_EQ(team->Children().Count(), 1);
    // Once a password is typed for it, it goes like any other.
    web->ServerInfo()->SetPassWord("typed");
    SelectNodes(selection, {web});
    EXPECT_EQ(PasteProfiles(lists.Of(*target), nullptr, kDropEffectCopy, context), kActionOk);
    EXPECT_EQ(target->Children().Count(), 1);
}
