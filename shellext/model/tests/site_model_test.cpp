#include "shellext/model/site_model.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/datetime.h"
#include "core/errors.h"
#include "mainclient_fake/fake_main_client.h"
#include "shellext/model/site_database.h"
#include "storage/form_storage.h"

using namespace lark;
using namespace lark::shellext;
using mainclient::fake::FakeMainClient;
using mainclient::fake::Reply;

namespace {

std::string File(const std::string& name, std::int64_t size = 1, const std::string& perm = "-rw-r--r--") {
    return perm + " 1 owner group " + std::to_string(size) + " Jan 10  2003 " + name;
}
std::string Dir(const std::string& name) { return "drwxr-xr-x 2 owner group 512 Jan 10  2003 " + name; }
std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines) text += l + "\r\n";
    return text;
}

Reply Text(std::string text) {
    Reply r;
    r.text = std::move(text);
    return r;
}
Reply Failure() {
    Reply r;
    r.fail = static_cast<int32_t>(0x80004005);
    return r;
}

std::vector<std::string> Names(const TFSObjects* nodes) {
    std::vector<std::string> names;
    if (nodes)
        for (int i = 0; i < nodes->Count(); ++i) names.push_back(nodes->Items(i)->Name);
    return names;
}
std::vector<std::string> Names(const TFTPObjects& nodes) {
    std::vector<std::string> names;
    for (int i = 0; i < nodes.Count(); ++i) names.push_back(nodes.Items(i)->NodeName());
    return names;
}

bool Live(std::uint32_t handle) { return NodeRegistry::Global().Find(handle) != nullptr; }

class Notices : public ChangeNotifier {
public:
    void FolderUpdated(const ItemIdList* folder) override { folders.push_back(folder); }
    std::vector<const ItemIdList*> folders;
};

class SiteModel : public ::testing::Test {
protected:
    TFTPObject* AddSite(TFTPObjects& level, const std::string& name, const std::string& dir = "") {
        TFTPObject* node = level.AddNewRecord();
        node->ServerInfo()->ProfileName = name;
        node->ServerInfo()->HostDirName = dir;
        return node;
    }
    TFTPObject* AddSite(const std::string& name, const std::string& dir = "") {
        return AddSite(model.Nodes(), name, dir);
    }
    // A site whose start directory lists the given lines.
    TFTPObject* ListedSite(const std::vector<std::string>& lines) {
        TFTPObject* site = AddSite("S");
        client->Script("ListDirectory", Text(Lines(lines)));
        EXPECT_TRUE(site->LoadContent());
        client->ClearCalls();
        return site;
    }

    std::shared_ptr<FakeMainClient> client = std::make_shared<FakeMainClient>();
    int created = 0;
    Notices notices;
    core::FixedClock clock{core::EncodeDate(2024, 6, 15)};
    TFTPContainer model{ModelServices{[this] {
                                          ++created;
                                          return client;
                                      },
                                      &notices, &clock}};
};

// ---- connecting and first listings ----

TEST_F(SiteModel, FirstListingConnectsAndListsTheStartDirectory) {
    struct Case { const char* dir; const char* listed; const char* child; } cases[] = {
        {"", "/", "/a"},
        {"/", "/", "/a"},
        {"pub/", "/pub", "/pub/a"},
        {"pub", "/pub", "/pub/a"},
        {"/pub/in/", "/pub/in", "/pub/in/a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dir);
        client->ClearCalls();
        TFTPObject* site = AddSite("Site", c.dir);
        client->Script("ListDirectory", Text(Lines({File("a")})));
        EXPECT_TRUE(site->LoadContent());
        EXPECT_TRUE(site->Connected());
        EXPECT_EQ(site->ConnectionID(), "1");
        EXPECT_TRUE(site->Listed());
        EXPECT_EQ(client->CallLines(), (std::vector<std::string>{"OpenSession|Site", std::string("ListDirectory|1|") + c.listed + "|0"}));
        ASSERT_EQ(Names(site->Content()), std::vector<std::string>{"a"});
        EXPECT_EQ(site->Content()->Items(0)->GetRemotePath(), c.child);
    }
}

TEST_F(SiteModel, ListingLinesBecomeNodesWithTheirDetails) {
    const std::string utf8Name = "Gr\xC3\xBC\xC3\x9F" "e \xE6\x96\x87\xE4\xBB\xB6.txt";
    TFTPObject* site = ListedSite({"total 12", Dir("."), Dir(".."), Dir("pub"), "", "???",
                                   File("big.iso", 5000000000LL), File(utf8Name, 7, "-rwx------")});
    TFSObjects* content = site->Content();
    ASSERT_EQ(Names(content), (std::vector<std::string>{"pub", "big.iso", utf8Name}));

    TFSObject* pub = content->Items(0);
    EXPECT_TRUE(pub->IsFolder());
    ASSERT_NE(pub->Children(), nullptr);
    EXPECT_EQ(pub->Permissions, 0x16F);
    EXPECT_EQ(pub->PermString, "drwxr-xr-x");
    EXPECT_EQ(&pub->Site(), site);
    EXPECT_EQ(pub->NodeParent(), site);

    TFSObject* big = content->Items(1);
    EXPECT_FALSE(big->IsFolder());
    EXPECT_EQ(big->Children(), nullptr);
    EXPECT_EQ(big->Size, 5000000000LL);
    EXPECT_DOUBLE_EQ(big->Modified, core::EncodeDate(2003, 1, 10));
    EXPECT_EQ(content->Items(2)->Permissions, 0x7);
}

// An empty directory answers an empty listing: one call, listed, and not asked again.
TEST_F(SiteModel, EmptyListingIsAnAnswerListedWithOneCall) {
    TFTPObject* site = AddSite("S");
    client->SetDefault("ListDirectory", Text(""));
    EXPECT_TRUE(site->LoadContent());
    EXPECT_TRUE(site->Listed());
    EXPECT_EQ(client->CallLines(), (std::vector<std::string>{"OpenSession|S", "ListDirectory|1|/|0"}));
    EXPECT_EQ(created, 1);
    EXPECT_TRUE(Names(site->Content()).empty());

    TFSObject* empty = AddFSObject(*site->Content(), "empty", true);
    client->ClearCalls();
    EXPECT_TRUE(empty->LoadContent());
    EXPECT_TRUE(empty->Listed);
    EXPECT_TRUE(empty->LoadContent());
    EXPECT_EQ(client->CallLines(), std::vector<std::string>{"ListDirectory|1|/empty|0"});
    EXPECT_EQ(created, 1);
}

TEST_F(SiteModel, FailedListingReconnectsOnceThenReachesTheCaller) {
    TFTPObject* site = AddSite("S");
    client->Script("ListDirectory", Failure());
    client->Script("ListDirectory", Text(Lines({File("a")})));
    EXPECT_TRUE(site->LoadContent());
    EXPECT_EQ(client->CallLines(), (std::vector<std::string>{"OpenSession|S", "ListDirectory|1|/|0", "OpenSession|S",
                                                             "ListDirectory|1|/|0"}));

    // Failing again after the reconnect: the caller hears of it and the content stays.
    client->Script("ListDirectory", Failure());
    client->Script("ListDirectory", Failure());
    EXPECT_THROW(site->LoadContent(), mainclient::AutomationError);
    EXPECT_EQ(Names(site->Content()), std::vector<std::string>{"a"});
    EXPECT_TRUE(site->Listed());
}

TEST_F(SiteModel, ErrorReplyListsTheRootInstead) {
    TFTPObject* site = AddSite("S", "gone/");
    client->Script("ListDirectory", Text("ERROR\r\n"));
    client->Script("ListDirectory", Text(Lines({Dir("home")})));
    EXPECT_TRUE(site->LoadContent());
    EXPECT_EQ(client->CallLines(),
              (std::vector<std::string>{"OpenSession|S", "ListDirectory|1|/gone|0", "ListDirectory|1|/|0"}));
    EXPECT_EQ(Names(site->Content()), std::vector<std::string>{"home"});
}

TEST_F(SiteModel, RemoteDirectoriesListBelowTheSiteWithoutConnecting) {
    TFtpServerInfo* folder = model.FTPServers().Add();
    folder->ProfileName = "F";
    folder->IsFolder = true;
    TFtpServerInfo* record = folder->Servers().Add();
    record->ProfileName = "S";
    record->HostDirName = "pub";
    model.BuildTree();
    TFTPObject* site = model.Nodes().Items(0)->Children().Items(0);

    client->Script("ListDirectory", Text(Lines({Dir("a"), File("top")})));
    ASSERT_TRUE(site->LoadContent());
    TFSObject* a = site->Content()->Items(0);
    client->ClearCalls();
    client->Script("ListDirectory", Text(Lines({File("b", 3)})));
    EXPECT_TRUE(a->LoadContent());
    EXPECT_TRUE(a->Listed);
    EXPECT_EQ(client->CallLines(), std::vector<std::string>{"ListDirectory|1|/pub/a|0"});
    TFSObject* b = a->Children()->Items(0);

    EXPECT_EQ(b->GetRemotePath(), "/pub/a/b");
    EXPECT_EQ(b->GetConnectionID(), "1");
    EXPECT_EQ(b->GetFSObjectURL(), "lark-ftp://F/S/a/");
    EXPECT_EQ(GetObjectPath(*b, "\\"), "\\F\\S\\a\\");
    ItemIdList* item = CreatePidlItem(ItemKindRemoteFile, b);
    EXPECT_EQ(PidlToPath(item), "F/S/a/b");
    FreePidl(item);

    // Listed already, and files: no calls.
    client->ClearCalls();
    EXPECT_TRUE(a->LoadContent());
    EXPECT_TRUE(b->LoadContent());
    EXPECT_TRUE(b->Listed);
    EXPECT_TRUE(client->CallLines().empty());

    // A remote listing that fails even after reconnecting answers false instead of throwing.
    TFSObject* c = AddFSObject(*site->Content(), "c", true);
    client->Script("ListDirectory", Failure());
    client->Script("ListDirectory", Failure());
    EXPECT_FALSE(c->LoadContent());
    EXPECT_FALSE(c->Listed);
}

TEST_F(SiteModel, FailedConnectLeavesThePreviousContent) {
    TFTPObject* site = ListedSite({File("a"), File("b")});
    TFSObject* a = site->Content()->Items(0);

    site->SetConnected(false);  // after a change of the site: the next browse reconnects
    EXPECT_FALSE(site->Connected());
    client->Script("OpenSession", Text("-1"));
    EXPECT_TRUE(site->LoadContent());  // the previous answer
    EXPECT_EQ(client->CallLines(), std::vector<std::string>{"OpenSession|S"});
    EXPECT_FALSE(site->Connected());
    EXPECT_EQ(site->Content()->Items(0), a);

    client->Script("OpenSession", Failure());
    EXPECT_THROW(site->LoadContent(), mainclient::AutomationError);
    EXPECT_FALSE(site->Connected());  // a session that failed to open is no session
    EXPECT_EQ(Names(site->Content()), (std::vector<std::string>{"a", "b"}));

    client->ClearCalls();
    client->Script("ListDirectory", Text(Lines({File("c")})));
    EXPECT_TRUE(site->LoadContent());
    EXPECT_EQ(client->CallLines(), (std::vector<std::string>{"OpenSession|S", "ListDirectory|1|/|0"}));
    EXPECT_EQ(Names(site->Content()), std::vector<std::string>{"c"});
}

// ---- refreshing ----

TEST_F(SiteModel, RefreshUpdatesAppendsReplacesAndRemoves) {
    TFTPObject* site = ListedSite({File("a.txt", 10), File("b.txt", 20), Dir("docs"), File("c.txt", 30)});
    TFSObjects& nodes = *site->Content();
    TFSObject* a = nodes.Items(0);
    TFSObject* b = nodes.Items(1);
    const std::uint32_t docs = nodes.Items(2)->Handle();
    const std::uint32_t c = nodes.Items(3)->Handle();

    client->Script("ListDirectory", Text(Lines({File("a.txt", 10), File("b.txt", 6000000000LL, "-rwx------"),
                                                File("docs", 5), File("d.txt", 40)})));
    EXPECT_TRUE(site->RefreshContent());
    EXPECT_EQ(client->CallLines(), std::vector<std::string>{"ListDirectory|1|/|-1"});
    ASSERT_EQ(Names(&nodes), (std::vector<std::string>{"a.txt", "b.txt", "docs", "d.txt"}));
    EXPECT_EQ(nodes.Items(0), a);
    EXPECT_EQ(nodes.Items(1), b);
    EXPECT_EQ(b->Size, 6000000000LL);
    EXPECT_EQ(b->PermString, "-rwx------");
    EXPECT_EQ(b->Permissions, 0x7);
    EXPECT_FALSE(nodes.Items(2)->IsFolder());  // the directory turned into a file: a new node
    EXPECT_FALSE(Live(docs));
    EXPECT_FALSE(Live(c));
    EXPECT_TRUE(site->Listed());
}

TEST_F(SiteModel, RefreshAfterARenameOrDeleteRemovesExactlyThatNode) {
    struct Case {
        const char* what;
        std::vector<std::string> listed;
        std::vector<std::string> names;
    } cases[] = {
        {"renamed", {File("a"), File("c"), File("x")}, {"a", "c", "x"}},
        {"deleted", {File("a"), File("c")}, {"a", "c"}},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        TFTPObject* site = ListedSite({File("a"), File("b"), File("c")});
        TFSObjects& nodes = *site->Content();
        TFSObject* a = nodes.Items(0);
        const std::uint32_t b = nodes.Items(1)->Handle();
        TFSObject* c = nodes.Items(2);
        ItemIdList* bItem = CreatePidlItem(ItemKindRemoteFile, nodes.Items(1));

        client->Script("ListDirectory", Text(Lines(k.listed)));
        EXPECT_TRUE(site->RefreshContent());
        EXPECT_EQ(Names(&nodes), k.names);
        EXPECT_EQ(nodes.Items(0), a);
        EXPECT_EQ(nodes.Items(1), c);
        EXPECT_FALSE(Live(b));
        EXPECT_FALSE(IsOwnPidl(bItem));
        FreePidl(bItem);
    }
}

TEST_F(SiteModel, RefreshMatchesNamesOnceEachPreferringTheExactSpellingAndTakesTheListedSpelling) {
    TFTPObject* site = ListedSite({File("Readme", 1), File("README", 2), File("notes", 3)});
    TFSObjects& nodes = *site->Content();
    TFSObject* mixed = nodes.Items(0);
    TFSObject* upper = nodes.Items(1);
    TFSObject* notes = nodes.Items(2);

    client->Script("ListDirectory", Text(Lines({File("README", 20), File("Readme", 10), File("NOTES", 30)})));
    EXPECT_TRUE(site->RefreshContent());
    ASSERT_EQ(nodes.Count(), 3);
    EXPECT_EQ(mixed->Size, 10);
    EXPECT_EQ(upper->Size, 20);
    EXPECT_EQ(nodes.Items(2), notes);  // a case-only rename keeps the node
    EXPECT_EQ(notes->Name, "NOTES");    // with the server's new spelling
    EXPECT_EQ(notes->Size, 30);
    EXPECT_EQ(mixed->Name, "Readme");
    EXPECT_EQ(upper->Name, "README");
}

TEST_F(SiteModel, FailedRefreshAnswersFalseAndKeepsTheNodes) {
    struct Case { const char* what; std::vector<Reply> lists; std::vector<Reply> sessions; } cases[] = {
        {"listing fails, reconnect refused", {Failure()}, {Text("-1")}},
        {"listing fails after the reconnect", {Failure(), Failure()}, {Text("1")}},
        {"reconnect throws", {Failure()}, {Failure()}},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        TFTPObject* site = ListedSite({File("a"), Dir("d")});
        TFSObject* d = site->Content()->Items(1);
        client->Script("ListDirectory", Text(Lines({File("inner")})));
        ASSERT_TRUE(d->LoadContent());
        for (const Reply& r : k.lists) client->Script("ListDirectory", r);
        for (const Reply& r : k.sessions) client->Script("OpenSession", r);
        EXPECT_FALSE(site->RefreshContent());
        EXPECT_EQ(Names(site->Content()), (std::vector<std::string>{"a", "d"}));

        for (const Reply& r : k.lists) client->Script("ListDirectory", r);
        for (const Reply& r : k.sessions) client->Script("OpenSession", r);
        EXPECT_FALSE(d->RefreshContent());
        EXPECT_EQ(Names(d->Children()), std::vector<std::string>{"inner"});
        EXPECT_TRUE(d->Listed);
    }
}

TEST_F(SiteModel, RefreshBeforeTheFirstListingIsTheFirstListing) {
    TFTPObject* site = AddSite("S");
    client->Script("ListDirectory", Text(Lines({File("a")})));
    EXPECT_TRUE(site->RefreshContent());
    EXPECT_EQ(client->CallLines(), (std::vector<std::string>{"OpenSession|S", "ListDirectory|1|/|0"}));
    EXPECT_EQ(Names(site->Content()), std::vector<std::string>{"a"});
}

// ---- item identifiers ----

TEST_F(SiteModel, ItemsGiveTheirNodeOnlyAsTheNodesOwnKindAndClass) {
    TFTPObject* folder = AddSite("F");
    folder->ServerInfo()->IsFolder = true;
    TFTPObject* site = ListedSite({Dir("d"), File("f")});
    TFSObject* dir = site->Content()->Items(0);
    TFSObject* file = site->Content()->Items(1);
    EXPECT_EQ(folder->ItemKind(), ItemKindSiteFolder);
    EXPECT_EQ(site->ItemKind(), ItemKindProfile);
    EXPECT_EQ(dir->ItemKind(), ItemKindRemoteDir);
    EXPECT_EQ(file->ItemKind(), ItemKindRemoteFile);

    // Each node's own item, with its kind field overwritten: only the node's kind names it.
    const RegisteredNode* nodes[] = {folder, site, dir, file};
    const std::uint32_t kinds[] = {ItemKindSiteFolder, ItemKindProfile, ItemKindRemoteDir,
                                   ItemKindRemoteFile, 0x72639000, 0x72639005, 0x7263FFFF};
    for (const RegisteredNode* node : nodes) {
        ItemIdList* own = CreatePidlItem(*node);
        ASSERT_NE(own, nullptr);
        for (std::uint32_t kind : kinds) {
            SCOPED_TRACE(node->NodeName() + " as kind " + std::to_string(kind & 0xFFFF));
            std::vector<unsigned char> bytes(reinterpret_cast<unsigned char*>(own),
                                             reinterpret_cast<unsigned char*>(own) + 94);
            for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<unsigned char>(kind >> (8 * i));
            const auto* item = reinterpret_cast<const ItemIdList*>(bytes.data());
            const bool match = kind == node->ItemKind();
            const bool siteKind = kind == ItemKindSiteFolder || kind == ItemKindProfile;
            EXPECT_EQ(IsOwnPidl(item), match);
            EXPECT_EQ(SiteNodeOf(item), match && siteKind ? node : nullptr);
            EXPECT_EQ(RemoteNodeOf(item), match && !siteKind ? node : nullptr);
        }
        FreePidl(own);
    }
    EXPECT_EQ(SiteNodeOf(nullptr), nullptr);
    EXPECT_EQ(RemoteNodeOf(nullptr), nullptr);

    // A folder flag that changed under an item makes it name nothing.
    ItemIdList* siteItem = CreatePidlItem(*site);
    site->ServerInfo()->IsFolder = true;
    EXPECT_EQ(SiteNodeOf(siteItem), nullptr);
    site->ServerInfo()->IsFolder = false;
    EXPECT_EQ(SiteNodeOf(siteItem), site);
    FreePidl(siteItem);
}

// ---- names and paths ----

TEST_F(SiteModel, UniqueNames) {
    AddSite("B");
    AddSite("b (2)");
    AddSite("Other");
    EXPECT_EQ(UniqueProfileName(model.Nodes(), "B"), "B (3)");
    EXPECT_EQ(UniqueProfileName(model.Nodes(), "New"), "New");

    TFTPObject* site = ListedSite({Dir("New folder"), File("x")});
    EXPECT_EQ(UniqueFSObjectName(*site->Content(), "new FOLDER"), "new FOLDER (2)");
    EXPECT_EQ(UniqueFSObjectName(*site->Content(), "y"), "y");
}

TEST_F(SiteModel, HostileServerNamesStayVisibleButNeverBecomeLocalNames) {
    struct Case {
        std::string name;
        bool safe;
    } cases[] = {
        {"..\\..\\evil.exe", false},
        {"C:\\Windows\\x.dll", false},
        {"a/b", false},
        {"a\\b", false},
        {"C:x", false},
        {"file.txt:stream", false},
        {".", false},
        {"..", false},
        {"", false},
        {std::string("nul\0inside", 10), false},
        {"tab\there", false},
        {"bell\a", false},
        {"del\x7F", false},
        {"what?.txt", false},
        {"star*", false},
        {"<tag>", false},
        {"pipe|", false},
        {"quote\"", false},
        {"trailing.", false},
        {"...", false},
        {"trailing ", false},
        {"CON", false},
        {"con", false},
        {"Nul.txt", false},
        {"aux.tar.gz", false},
        {"PRN ", false},
        {"CON .txt", false},
        {"COM1", false},
        {"lpt9.log", false},
        {"COM\xC2\xB9", false},
        {"CONIN$", false},
        {std::string(256, 'x'), false},
        {"readme.txt", true},
        {".profile", true},
        {"a b", true},
        {" leading space", true},
        {"Grüße aus Köln.txt", true},
        {"CONSOLE", true},
        {"com10", true},
        {"COM0", true},
        {"lpt", true},
        {"null.txt", true},
        {"x.con", true},
        {std::string(255, 'x'), true},
        {std::string(127, 'x') + "\xC3\xA9", true},  // 128 units, 129 bytes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsSafeLocalFileName(c.name), c.safe);
    }

    // Such names come through the listing into the model unchanged, and stay refused there.
    TFTPObject* site = ListedSite({"01-15-04  07:45PM                  123 ..\\..\\evil.exe",
                                   "01-15-04  07:45PM                  123 C:\\Windows\\x.dll",
                                   "01-15-04  07:45PM       <DIR>          CON", File("ok.txt")});
    ASSERT_EQ(Names(site->Content()),
              (std::vector<std::string>{"..\\..\\evil.exe", "C:\\Windows\\x.dll", "CON", "ok.txt"}));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(LocalFileName(*site->Content()->Items(i)), std::nullopt);
    EXPECT_EQ(LocalFileName(*site->Content()->Items(3)), "ok.txt");
}

TEST_F(SiteModel, ObjectPathNamesTheEnclosingFolders) {
    TFTPObject* atRoot = AddSite("Top");
    TFTPObject* f = AddSite("F");
    f->ServerInfo()->IsFolder = true;
    TFTPObject* g = AddSite(f->Children(), "G");
    g->ServerInfo()->IsFolder = true;
    TFTPObject* inF = AddSite(f->Children(), "S1");
    TFTPObject* inG = AddSite(g->Children(), "S2");
    EXPECT_EQ(GetObjectPath(*atRoot, "\\"), "\\");
    EXPECT_EQ(GetObjectPath(*inF, "\\"), "\\F\\");
    EXPECT_EQ(GetObjectPath(*inG, "\\"), "\\F\\G\\");
    EXPECT_EQ(GetObjectPath(*inG, "/"), "/F/G/");
}

TEST(SiteModelText, TrailingSlashAndLineSplitting) {
    struct Slash { const char* in; const char* out; } slashes[] = {{"", ""}, {"/", "/"}, {"a", "a/"}, {"/a/", "/a/"}};
    for (const auto& s : slashes) EXPECT_EQ(IncludeTrailingSlash(s.in), s.out) << s.in;

    struct Split { const char* in; std::vector<std::string> lines; } splits[] = {
        {"", {}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"\r\n", {""}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"x\ry\r\n", {"x\ry"}},  // a CR inside a name is part of it
    };
    for (const auto& s : splits) EXPECT_EQ(SplitListing(s.in), s.lines) << s.in;
}

TEST_F(SiteModel, CopyFromTakesTheConnectionValuesOnly) {
    TFTPObject* from = AddSite("From", "/src");
    TFtpServerInfo& f = *from->ServerInfo();
    f.UserData = "data";
    f.HostName = "host.example";
    f.Account = "acct";
    f.UserName = "joe";
    f.SetPassWord("pw");
    f.Port = "2222";
    f.Comments = "not copied";
    TFTPObject* to = AddSite("To", "/dst");
    to->CopyFrom(*from);
    const TFtpServerInfo& t = *to->ServerInfo();
    EXPECT_EQ(t.ProfileName, "To");
    EXPECT_EQ(t.HostDirName, "/dst");
    EXPECT_EQ(t.Comments, "");
    EXPECT_EQ(t.UserData, "data");
    EXPECT_EQ(t.HostName, "host.example");
    EXPECT_EQ(t.Account, "acct");
    EXPECT_EQ(t.UserName, "joe");
    EXPECT_EQ(t.PassWord(), "pw");
    EXPECT_EQ(t.Port, "2222");
}

// ---- the site database: build and reload ----

struct Site {
    std::string name;
    std::string password;  // stored enciphered; "!bad" is stored as is
    std::vector<Site> members;
    bool folder = false;
};

void AddRecords(TFtpServers& to, const std::vector<Site>& sites) {
    for (const Site& s : sites) {
        TFtpServerInfo* r = to.Add();
        r->ProfileName = s.name;
        r->HostName = s.name + ".example";
        r->IsFolder = s.folder;
        r->SetPassWord(s.password == "!bad" ? std::string("not-a-cipher-text")
                                            : EncipherPassWord(s.password, SitePasswordKey()));
        AddRecords(r->Servers(), s.members);
    }
}

class SiteDatabaseModel : public SiteModel {
protected:
    SiteDatabaseModel() {
        std::random_device random;
        dir = std::filesystem::temp_directory_path() / ("lark_site_model_" + std::to_string(random()));
        std::filesystem::create_directories(dir);
    }
    ~SiteDatabaseModel() override { std::filesystem::remove_all(dir); }

    // The database as the main client writes it.
    std::string Write(const std::string& name, const std::vector<Site>& sites) {
        const std::string path = (dir / name).string();
        TServers holder;
        holder.SetName("Servers1");
        AddRecords(holder.FTPServers(), sites);
        storage::TFormStorage writer;
        writer.SetIniFileName(path);
        writer.SetIniSection("FTPServers");
        writer.AddStoredProp("Servers1.FTPServers", &holder);
        writer.SaveStoredProps();
        return path;
    }

    const std::vector<Site> first = {
        {"Alpha", "pw1"},
        {"Folder", "", {{"Inner1", "i1"}, {"Inner2", "i2"}}, true},
        {"Beta", "pw2"},
    };
    std::filesystem::path dir;
    const ItemIdList* asking = reinterpret_cast<const ItemIdList*>(&dir);  // any address will do
};

TEST_F(SiteDatabaseModel, BuildsTheTreeAndAnUndecipherablePasswordStopsNothing) {
    std::vector<Site> sites = first;
    sites.insert(sites.begin(), Site{"Broken", "!bad"});
    model.LoadDatabase(Write("a.ini", sites));
    EXPECT_EQ(model.Name(), "Servers1");
    ASSERT_EQ(Names(model.Nodes()), (std::vector<std::string>{"Broken", "Alpha", "Folder", "Beta"}));
    EXPECT_EQ(model.Nodes().Items(0)->ServerInfo()->PassWord(), "");
    EXPECT_EQ(model.Nodes().Items(1)->ServerInfo()->PassWord(), "pw1");
    TFTPObject* folder = model.Nodes().Items(2);
    EXPECT_TRUE(folder->IsFolder());
    ASSERT_EQ(Names(folder->Children()), (std::vector<std::string>{"Inner1", "Inner2"}));
    EXPECT_EQ(folder->Children().Items(1)->ServerInfo()->PassWord(), "i2");
    EXPECT_EQ(folder->Children().Items(1)->NodeParent(), folder);
    for (int i = 0; i < model.Nodes().Count(); ++i)
        EXPECT_EQ(model.Nodes().Items(i)->ServerInfo(), model.FTPServers().Items(i));
}

TEST_F(SiteDatabaseModel, ReloadWithoutOneRecordRemovesExactlyItsNode) {
    model.LoadDatabase(Write("a.ini", first));
    TFTPObject* alpha = model.Nodes().Items(0);
    TFTPObject* folder = model.Nodes().Items(1);
    TFTPObject* inner1 = folder->Children().Items(0);
    TFTPObject* beta = model.Nodes().Items(2);
    const std::uint32_t betaHandle = beta->Handle();
    ItemIdList* betaItem = CreatePidlItem(ItemKindProfile, beta);
    ASSERT_TRUE(IsOwnPidl(betaItem));

    model.LoadFromDatabase(Write("b.ini", {first[0], first[1]}), asking);
    ASSERT_EQ(Names(model.Nodes()), (std::vector<std::string>{"Alpha", "Folder"}));
    EXPECT_EQ(model.Nodes().Items(0), alpha);
    EXPECT_EQ(model.Nodes().Items(1), folder);
    EXPECT_EQ(folder->Children().Items(0), inner1);
    EXPECT_EQ(folder->Children().Count(), 2);
    EXPECT_EQ(model.FTPServers().Count(), 2);
    EXPECT_EQ(notices.folders, std::vector<const ItemIdList*>{asking});
    EXPECT_FALSE(Live(betaHandle));
    EXPECT_FALSE(IsOwnPidl(betaItem));
    FreePidl(betaItem);
}

TEST_F(SiteDatabaseModel, ReloadMergesLevelsAndKeepsTheRecordsOfSitesThatStay) {
    model.LoadDatabase(Write("a.ini", first));
    TFTPObject* alpha = model.Nodes().Items(0);
    TFtpServerInfo* alphaRecord = alpha->ServerInfo();
    TFTPObject* folder = model.Nodes().Items(1);
    const std::uint32_t inner2 = folder->Children().Items(1)->Handle();

    const std::vector<Site> second = {
        {"Alpha", "changed"},
        {"Folder", "", {{"Inner1", "i1"}, {"NewInner", "n"}}, true},
        {"Gamma", "!bad"},
        {"Delta", "d", {{"Deep", "deep"}}, true},
    };
    model.LoadFromDatabase(Write("b.ini", second), asking);

    // New records come last, in the reverse of their order in the file.
    ASSERT_EQ(Names(model.Nodes()), (std::vector<std::string>{"Alpha", "Folder", "Delta", "Gamma"}));
    EXPECT_EQ(model.Nodes().Items(0), alpha);
    EXPECT_EQ(alpha->ServerInfo(), alphaRecord);
    EXPECT_EQ(alphaRecord->PassWord(), "pw1");  // a site that stays keeps its record
    EXPECT_EQ(Names(folder->Children()), (std::vector<std::string>{"Inner1", "NewInner"}));
    EXPECT_FALSE(Live(inner2));
    EXPECT_EQ(folder->Children().Items(1)->ServerInfo()->PassWord(), "n");
    EXPECT_EQ(model.Nodes().Items(3)->ServerInfo()->PassWord(), "");  // undecipherable, still added

    TFTPObject* delta = model.Nodes().Items(2);
    EXPECT_EQ(delta->ServerInfo()->PassWord(), "d");
    ASSERT_EQ(Names(delta->Children()), std::vector<std::string>{"Deep"});
    EXPECT_EQ(delta->Children().Items(0)->ServerInfo(), delta->ServerInfo()->Servers().Items(0));
    EXPECT_EQ(delta->Children().Items(0)->ServerInfo()->PassWord(), "deep");

    // Node i stands for record i at every level.
    ASSERT_EQ(model.FTPServers().Count(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(model.Nodes().Items(i)->ServerInfo(), model.FTPServers().Items(i));
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(folder->Children().Items(i)->ServerInfo(), folder->ServerInfo()->Servers().Items(i));

    // Beta and Inner2 removed, NewInner, Delta and Gamma added.
    EXPECT_EQ(notices.folders, std::vector<const ItemIdList*>(5, asking));

    // Reloading the same file changes nothing.
    notices.folders.clear();
    model.LoadFromDatabase((dir / "b.ini").string(), asking);
    EXPECT_EQ(Names(model.Nodes()), (std::vector<std::string>{"Alpha", "Folder", "Delta", "Gamma"}));
    EXPECT_TRUE(notices.folders.empty());
}

// A profile that becomes a folder of the same name (or the reverse) is a new node: the old one
// goes with its record, and a folder's members never merge into a profile's empty list.
TEST_F(SiteDatabaseModel, ReloadNeverMergesAFolderAndAProfileOfTheSameName) {
    model.LoadDatabase(Write("a.ini", first));
    TFTPObject* folder = model.Nodes().Items(1);
    const std::uint32_t inner1 = folder->Children().Items(0)->Handle();
    const std::uint32_t beta = model.Nodes().Items(2)->Handle();

    model.LoadFromDatabase(Write("b.ini", {first[0],
                                           {"folder", "now a profile"},
                                           {"Beta", "", {{"Member", "m"}}, true}}),
                           asking);
    ASSERT_EQ(Names(model.Nodes()), (std::vector<std::string>{"Alpha", "Beta", "folder"}));
    EXPECT_FALSE(Live(inner1));
    EXPECT_FALSE(Live(beta));
    TFTPObject* newFolder = model.Nodes().Items(1);
    EXPECT_TRUE(newFolder->IsFolder());
    EXPECT_EQ(Names(newFolder->Children()), std::vector<std::string>{"Member"});
    TFTPObject* profile = model.Nodes().Items(2);
    EXPECT_FALSE(profile->IsFolder());
    EXPECT_EQ(profile->ServerInfo()->PassWord(), "now a profile");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(model.Nodes().Items(i)->ServerInfo(), model.FTPServers().Items(i));

    // Both kinds side by side under one name stay two nodes, and a second reload keeps them.
    model.LoadFromDatabase(Write("c.ini", {{"Same", "p"}, {"Same", "", {{"In", "i"}}, true}}), asking);
    ASSERT_EQ(model.Nodes().Count(), 2);
    notices.folders.clear();
    model.LoadFromDatabase((dir / "c.ini").string(), asking);
    ASSERT_EQ(model.Nodes().Count(), 2);
    EXPECT_NE(model.Nodes().Items(0)->IsFolder(), model.Nodes().Items(1)->IsFolder());
    EXPECT_TRUE(notices.folders.empty());
}

// A database that exists but cannot be read is an error for the caller, never an empty tree:
// neither a first load nor a reload changes the tree then.
TEST_F(SiteDatabaseModel, AnUnreadableDatabaseReachesTheCallerAndKeepsTheTree) {
    model.LoadDatabase(Write("a.ini", first));
    TFTPObject* alpha = model.Nodes().Items(0);
    const std::filesystem::path unreadable = dir / "locked.ini";
    std::filesystem::create_directories(unreadable);  // a folder where the file should be
    for (bool reload : {true, false}) {
        SCOPED_TRACE(reload ? "reload" : "load");
        try {
            if (reload) model.LoadFromDatabase(unreadable.string(), asking);
            else model.LoadDatabase(unreadable.string());
            ADD_FAILURE() << "the read failure was swallowed";
        } catch (const core::Error& e) {
            EXPECT_NE(std::string(e.what()).find("locked.ini"), std::string::npos) << e.what();
        }
        ASSERT_EQ(Names(model.Nodes()), (std::vector<std::string>{"Alpha", "Folder", "Beta"}));
        EXPECT_EQ(model.Nodes().Items(0), alpha);
        EXPECT_EQ(model.FTPServers().Count(), 3);
        EXPECT_TRUE(notices.folders.empty());
    }
    TServers holder;
    EXPECT_THROW(ReadSiteDatabase(holder, unreadable.string()), core::Error);
    // A missing file is no error: there are no sites.
    EXPECT_EQ(ReadSiteDatabase(holder, (dir / "missing.ini").string()), 0);
    EXPECT_EQ(holder.FTPServers().Count(), 0);
}

TEST_F(SiteDatabaseModel, FreedSitesTakeTheirRemoteNodesAlong) {
    model.LoadDatabase(Write("a.ini", first));
    TFTPObject* beta = model.Nodes().Items(2);
    client->Script("ListDirectory", Text(Lines({Dir("d"), File("f")})));
    ASSERT_TRUE(beta->LoadContent());
    const std::uint32_t d = beta->Content()->Items(0)->Handle();
    const std::size_t live = NodeRegistry::Global().LiveCount();
    model.LoadFromDatabase(Write("b.ini", {first[0], first[1]}), asking);
    EXPECT_FALSE(Live(d));
    EXPECT_EQ(NodeRegistry::Global().LiveCount(), live - 3);
}

}  // namespace
