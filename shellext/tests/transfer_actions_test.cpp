// The transfer and edit actions over a model whose main client is the in-process fake.
#include "shellext/transfer_actions.h"

#include <gtest/gtest.h>

#include "action_fixture.h"
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
