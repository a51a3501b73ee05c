// The site properties dialog's rules and its two runs over a fake dialog and the in-process
// main client.
#include "shellext/profile_draft.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "core/component_stream.h"
#include "folder_test_support.h"
#include "mainclient_fake/fake_main_client.h"

using namespace lark;
using namespace lark::shellext;
using localization::FakeMessageBox;
using mainclient::fake::FakeMainClient;
using mainclient::fake::Reply;

namespace {

using test::DataModuleDefinition;
using mainclient::fake::ValueReply;
using mainclient::fake::FailureReply;

// The dialog as a script: records what it was shown and edits the draft.
class ScriptedDialog : public ProfileDialog {
public:
    std::function<bool(ProfileDraft&)> script = [](ProfileDraft&) { return true; };
    std::vector<ProfileDialogSetup> shown;

    std::string TextById(std::string_view id) override {
        if (id == "IDS_0") return "Create new profile";
        if (id == "IDS_1") return "New profile";
        if (id == "IDS_2") return " Properties";
        return {};
    }
    bool Run(const ProfileDialogSetup& setup, ProfileDraft& draft) override {
        shown.push_back(setup);
        return script(draft);
    }
};

class ProfileRuns : public ::testing::Test {
protected:
    ProfileRuns() {
        home = AddSite(model.Nodes(), "Home");
        home->ServerInfo()->HostName = "home.example";
        home->ServerInfo()->SetPassWord("secret");
        work = AddSite(model.Nodes(), "Work", true);
        work->Children().Bind(work->ServerInfo()->Servers());
        AddSite(work->Children(), "Archive");
    }
    TFTPObject* AddSite(TFTPObjects& level, const std::string& name, bool folder = false) {
        TFTPObject* node = level.AddNewRecord();
        node->ServerInfo()->ProfileName = name;
        node->ServerInfo()->IsFolder = folder;
        return node;
    }
    // Every published field of every record, and the shape of the tree.
    std::string State() {
        const std::vector<std::uint8_t> bytes = core::WriteComponentToBytes(model);
        return std::string(bytes.begin(), bytes.end()) + "|" + std::to_string(model.Nodes().Count()) + "/" +
               std::to_string(model.FTPServers().Count()) + "|" + std::to_string(work->Children().Count()) + "/" +
               std::to_string(work->ServerInfo()->Servers().Count()) + "|" + home->ServerInfo()->PassWord();
    }

    std::shared_ptr<FakeMainClient> client = std::make_shared<FakeMainClient>();
    bool factoryFails = false;
    TFTPContainer model{ModelServices{[this]() -> std::shared_ptr<mainclient::MainClient> {
        if (factoryFails) throw mainclient::AutomationError(-2147221164, "Class not registered");
        return client;
    }}};
    std::unique_ptr<TDM> dm = TDM::Create(DataModuleDefinition(), 0x0409);
    FakeMessageBox box;
    FolderContext context{model, *dm, box};
    ScriptedDialog dialog;
    TFTPObject* home = nullptr;
    TFTPObject* work = nullptr;
};

}  // namespace

TEST(ProfileDraft, StoringTheLoadedDraftKeepsTheRecordAndTheWorkingCopyWinsOverTheGlobalProxy) {
    TFtpServerInfo record;
    record.ProfileName = "Home";
    record.HostName = "h";
    record.SetUseGlobalProxy(false);
    record.ProxyName = "proxy";
    record.ProxyPort = "8080";
    record.ServerType = 1;
    record.Authentication = 0;
    record.PrivateKey = "k";
    record.ProxyType = 5;
    ProfileDraft draft = DraftOf(record);
    EXPECT_EQ(draft.serverType, 1);
    EXPECT_EQ(draft.proxyName, "proxy");
    draft.useGlobalProxy = true;  // the setter empties address and port, the working copy restores them
    StoreDraft(draft, record);
    EXPECT_TRUE(record.UseGlobalProxy());
    EXPECT_EQ(record.ProxyName, "proxy");
    EXPECT_EQ(record.ProxyPort, "8080");
    EXPECT_EQ(record.Authentication, 0);
    EXPECT_EQ(record.ProxyType, 5);
}

TEST(ProfileDraft, AServerTypeTheBoxDoesNotListKeepsTheRecordsValue) {
    for (int stored : {0, 1, 2, 7}) {
        TFtpServerInfo record;
        record.ServerType = stored;
        ProfileDraft draft = DraftOf(record);
        draft.serverType = -1;  // what the box answers for a value it does not list
        StoreDraft(draft, record);
        EXPECT_EQ(record.ServerType, stored);
        draft.serverType = 1;
        StoreDraft(draft, record);
        EXPECT_EQ(record.ServerType, 1);
    }
}

TEST(ProfileDraft, OkNeedsProfileHostPortAndUserButNotPasswordOrDirectory) {
    ProfileDraft full;
    full.profileName = "p";
    full.hostName = "h";
    full.port = "21";
    full.userName = "u";
    EXPECT_TRUE(CanConfirm(full));
    for (std::string ProfileDraft::*field : {&ProfileDraft::profileName, &ProfileDraft::hostName, &ProfileDraft::port,
                                             &ProfileDraft::userName}) {
        ProfileDraft d = full;
        d.*field = "";
        EXPECT_FALSE(CanConfirm(d));
    }
    ProfileDraft d = full;
    d.password = "";
    d.hostDirName = "";
    EXPECT_TRUE(CanConfirm(d));
}

TEST_F(ProfileRuns, SiblingsAreProfilesOnlyAndDuplicatesAreRefusedWithoutCase) {
    AddSite(model.Nodes(), "Same", true);  // a folder of the name does not block
    EXPECT_EQ(SiblingNames(model.Nodes(), home), std::vector<std::string>{});
    EXPECT_EQ(SiblingNames(model.Nodes(), nullptr), std::vector<std::string>{"Home"});
    ProfileDialogSetup setup{"", true, {"Home", "Ärger"}, ""};
    struct Case { const char* name; bool refused; } cases[] = {
        {"Same", false}, {"home", true}, {"HOME", true}, {"ärger", true}, {"Homes", false}};
    for (const Case& c : cases) EXPECT_EQ(NameRefused(setup, c.name), c.refused) << c.name;
    // Editing: the record's own stored name passes, a sibling's does not.
    ProfileDialogSetup edit{"", false, {"Other"}, "Home"};
    EXPECT_FALSE(NameRefused(edit, "Home"));
    EXPECT_TRUE(NameRefused(edit, "other"));
    EXPECT_EQ(DuplicateNameText("Cannot create ", "Home", " : A profile with the name you specified already exists.",
                                "Specify a different profile name."),
              "Cannot create Home : A profile with the name you specified already exists.\n\r"
              "Specify a different profile name.");
}

TEST(ProfileDraft, AuthenticationItemsAndChoices) {
    EXPECT_EQ(AuthItemOf(0), 2);
    EXPECT_EQ(AuthItemOf(1), 0);
    EXPECT_EQ(AuthItemOf(2), 1);
    EXPECT_EQ(AuthItemOf(9), 0);
    EXPECT_FALSE(AuthShowsKey(1));
    EXPECT_TRUE(AuthShowsKey(2));
    ProfileDraft d;
    d.privateKey = "old.key";
    d.keyPassword = "old";
    StoreAuthChoice(0, "new.key", "new", d);  // password only keeps the stored key
    EXPECT_EQ(d.authentication, 1);
    EXPECT_EQ(d.privateKey, "old.key");
    EXPECT_EQ(d.keyPassword, "old");
    StoreAuthChoice(1, "new.key", "new", d);
    EXPECT_EQ(d.authentication, 2);
    EXPECT_EQ(d.privateKey, "new.key");
    StoreAuthChoice(2, "both.key", "b", d);
    EXPECT_EQ(d.authentication, 0);
    EXPECT_EQ(d.keyPassword, "b");
}

TEST(ProfileDraft, ProxyScreenPreselectsByConnectionAndStoredType) {
    struct Case {
        int serverType, type;
        ProxyRow row;
        int socks;
    } cases[] = {
        {kServerTypeFtp, 1, ProxyRow::Ftp, 0},   // a stored HTTP proxy shows in the FTP row
        {kServerTypeSftp, 2, ProxyRow::Http, 0},  // a stored FTP proxy shows in the HTTP row
        {kServerTypeFtp, 0, ProxyRow::Ftp, 0},   {kServerTypeSftp, 3, ProxyRow::Socks, 0},
        {kServerTypeFtp, 4, ProxyRow::Socks, 1}, {kServerTypeSftp, 5, ProxyRow::Socks, 2},
    };
    for (const Case& c : cases) {
        ProxyScreen screen;
        screen.on = ProxyInUse({"addr", "81", c.type, "u", "p"});
        screen.names = {"x", "y", "z"};
        FillProxyScreen({"addr", "81", c.type, "u", "p"}, c.serverType, screen);
        EXPECT_EQ(screen.row, c.row) << c.type;
        EXPECT_EQ(screen.socksType, c.socks);
        for (int i = 0; i < kProxyRows; ++i)
            EXPECT_EQ(screen.names[i], i == static_cast<int>(c.row) ? "addr" : "") << c.type << " row " << i;
        EXPECT_EQ(screen.user, screen.on ? "u" : "");
    }
}

TEST(ProfileDraft, ProxyEnablesFollowConnectionStateAndRow) {
    struct Case {
        int serverType;
        bool on;
        ProxyRow row;
        std::array<bool, 3> radio, edits;
        bool socks, user;
    } cases[] = {
        {kServerTypeFtp, false, ProxyRow::Ftp, {false, false, false}, {false, false, false}, false, false},
        {kServerTypeFtp, true, ProxyRow::Ftp, {true, false, true}, {true, false, false}, false, false},
        {kServerTypeFtp, true, ProxyRow::Socks, {true, false, true}, {false, false, true}, true, true},
        {kServerTypeFtp, true, ProxyRow::Http, {true, false, true}, {false, false, false}, false, false},
        {kServerTypeSftp, true, ProxyRow::Http, {false, true, true}, {false, true, false}, false, true},
        {kServerTypeSftp, true, ProxyRow::Ftp, {false, true, true}, {false, false, false}, false, false},
    };
    for (const Case& c : cases) {
        const ProxyEnables e = ProxyEnablesOf(c.serverType, c.on, c.row);
        EXPECT_EQ(e.radio, c.radio);
        EXPECT_EQ(e.edits, c.edits);
        EXPECT_EQ(e.socksType, c.socks);
        EXPECT_EQ(e.userAndPassword, c.user);
    }
}

TEST(ProfileDraft, ProxyStoreByRowAndUncheckedKeepsTheAddress) {
    ProxyScreen screen;
    screen.names = {"ftp.px", "http.px", "socks.px"};
    screen.ports = {"21", "80", "1080"};
    screen.user = "u";
    screen.password = "p";
    screen.socksType = 2;
    ProxySettings s{"old", "1", 1, "ou", "op"};
    screen.on = false;
    StoreProxyScreen(screen, s);
    EXPECT_EQ(s.type, 0);
    EXPECT_EQ(s.name, "old");
    EXPECT_EQ(s.user, "ou");
    screen.on = true;
    screen.row = ProxyRow::Ftp;
    StoreProxyScreen(screen, s);
    EXPECT_EQ(s.type, 2);
    EXPECT_EQ(s.name, "ftp.px");
    EXPECT_EQ(s.user, "ou");  // an FTP proxy has no user
    screen.row = ProxyRow::Http;
    StoreProxyScreen(screen, s);
    EXPECT_EQ(s.type, 1);
    EXPECT_EQ(s.port, "80");
    EXPECT_EQ(s.user, "u");
    screen.row = ProxyRow::Socks;
    StoreProxyScreen(screen, s);
    EXPECT_EQ(s.type, 5);
    EXPECT_EQ(s.name, "socks.px");
}

TEST_F(ProfileRuns, NewProfileOkAddsItWithItsFolderPathAndAUniqueName) {
    dialog.script = [](ProfileDraft& d) {
        EXPECT_EQ(d.profileName, "New profile");
        d.hostName = "ftp.example";
        d.password = "pw";
        return true;
    };
    TFTPObject* node = nullptr;
    ASSERT_TRUE(RunNewProfile(context, nullptr, node, dialog));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(model.Nodes().IndexOf(node), 2);
    EXPECT_EQ(node->ServerInfo(), model.FTPServers().Items(2));
    EXPECT_EQ(node->ServerInfo()->HostName, "ftp.example");
    EXPECT_EQ(dialog.shown.back().caption, "Create new profile");
    EXPECT_TRUE(dialog.shown.back().isNew);
    EXPECT_EQ(dialog.shown.back().siblings, std::vector<std::string>{"Home"});
    EXPECT_EQ(client->CallLines(),
              std::vector<std::string>{"AddProfile|\\|New profile|ftp.example|anonymous|pw|21|-1||||0|0|0|0|||1||"});

    // The next one is numbered; one inside a folder gets the folder's path.
    dialog.script = [](ProfileDraft&) { return true; };
    ASSERT_TRUE(RunNewProfile(context, nullptr, node, dialog));
    EXPECT_EQ(node->ServerInfo()->ProfileName, "New profile (2)");
    client->ClearCalls();
    ASSERT_TRUE(RunNewProfile(context, &work->Children(), node, dialog));
    EXPECT_EQ(work->Children().Count(), 2);
    EXPECT_EQ(work->ServerInfo()->Servers().Count(), 2);
    EXPECT_EQ(dialog.shown.back().siblings, std::vector<std::string>{"Archive"});
    ASSERT_EQ(client->calls().size(), 1u);
    EXPECT_EQ(client->calls()[0].args[0], "\\Work\\");
    EXPECT_EQ(client->calls()[0].args[1], "New profile");
}

TEST_F(ProfileRuns, NewProfileCancelledFailedOrRaisingLeavesTheModelAsItWas) {
    const std::string before = State();
    struct Case {
        const char* what;
        bool ok;
        std::optional<Reply> reply;
    } cases[] = {{"cancel", false, {}}, {"refused", true, ValueReply(1)}, {"raised", true, FailureReply()}};
    for (const Case& c : cases) {
        dialog.script = [&](ProfileDraft& d) {
            d.hostName = "changed";
            return c.ok;
        };
        if (c.reply) client->Script("AddProfile", *c.reply);
        TFTPObject* node = work;
        EXPECT_FALSE(RunNewProfile(context, nullptr, node, dialog)) << c.what;
        EXPECT_EQ(node, nullptr) << c.what;
        EXPECT_EQ(State(), before) << c.what;
    }
    EXPECT_EQ(client->calls().size(), 2u);  // no call after Cancel
}

TEST_F(ProfileRuns, NewProfileWhoseMainClientCannotBeMadeRemovesTheNodeFirstThenThrows) {
    const std::string before = State();
    factoryFails = true;
    TFTPObject* node = nullptr;
    EXPECT_THROW(RunNewProfile(context, &work->Children(), node, dialog), mainclient::AutomationError);
    EXPECT_TRUE(dialog.shown.empty());
    EXPECT_EQ(node, nullptr);
    EXPECT_EQ(State(), before);
}

TEST_F(ProfileRuns, EditProfileOkModifiesWithTheStoredValues) {
    dialog.script = [](ProfileDraft& d) {
        EXPECT_EQ(d.hostName, "home.example");
        EXPECT_EQ(d.password, "secret");
        d.port = "2121";
        d.serverType = 1;
        d.authentication = 2;
        d.privateKey = "id.key";
        d.useGlobalProxy = false;
        d.proxyType = 1;
        d.proxyName = "px";
        d.proxyPort = "3128";
        d.proxyUser = "pu";
        return true;
    };
    ASSERT_TRUE(RunEditProfile(context, *home, dialog));
    EXPECT_EQ(dialog.shown.back().caption, "Home Properties");
    EXPECT_FALSE(dialog.shown.back().isNew);
    EXPECT_EQ(dialog.shown.back().storedName, "Home");
    EXPECT_EQ(dialog.shown.back().siblings, std::vector<std::string>{});
    EXPECT_EQ(home->ServerInfo()->Port, "2121");
    EXPECT_EQ(client->CallLines(), std::vector<std::string>{
                                       "ModifyProfile|\\|Home|home.example|anonymous|secret|2121|0|px|3128||0|0|1|1|pu||2|id.key|"});
}

TEST_F(ProfileRuns, EditProfileCancelledFailedOrRaisingLeavesTheRecordAsItWas) {
    const std::string before = State();
    struct Case {
        const char* what;
        bool ok;
        std::optional<Reply> reply;
        bool factoryFails;
    } cases[] = {{"cancel", false, {}, false},
                 {"refused", true, ValueReply(-1), false},
                 {"raised", true, FailureReply(), false},
                 {"no main client", true, {}, true}};
    for (const Case& c : cases) {
        dialog.script = [&](ProfileDraft& d) {
            d.hostName = "changed";
            d.password = "changed";
            d.useGlobalProxy = !d.useGlobalProxy;
            d.proxyName = "changed";
            return c.ok;
        };
        if (c.reply) client->Script("ModifyProfile", *c.reply);
        factoryFails = c.factoryFails;
        EXPECT_FALSE(RunEditProfile(context, *home, dialog)) << c.what;
        EXPECT_EQ(State(), before) << c.what;
        EXPECT_TRUE(box.shown.empty()) << c.what;
    }
}

// A stored password that could not be read starts the edit empty, and OK waits for one.
TEST(ProfileDraft, AnUnreadablePasswordMustBeTypedBeforeOk) {
    TFtpServerInfo record;
    record.ProfileName = "Home";
    record.HostName = "h";
    record.SetStoredPassWord("not a cipher text");
    EXPECT_FALSE(record.DecipherPassWord(SitePasswordKey()));
    EXPECT_TRUE(record.PassWordUnreadable());
    ProfileDraft draft = DraftOf(record);
    EXPECT_TRUE(draft.passwordUnreadable);
    EXPECT_EQ(draft.password, "");
    EXPECT_FALSE(CanConfirm(draft));
    draft.password = "typed";
    EXPECT_TRUE(CanConfirm(draft));
    StoreDraft(draft, record);
    EXPECT_EQ(record.PassWord(), "typed");
    EXPECT_FALSE(record.PassWordUnreadable());
    // A readable record needs no password.
    TFtpServerInfo plain;
    plain.HostName = "h";
    ProfileDraft empty = DraftOf(plain);
    empty.password.clear();
    EXPECT_TRUE(CanConfirm(empty));
}
