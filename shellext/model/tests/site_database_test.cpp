#include "shellext/model/site_database.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/ini_store.h"
#include "storage/form_storage.h"

using namespace lark;
using namespace lark::shellext;

namespace {

class FakeRegistration : public MainClientRegistration {
public:
    explicit FakeRegistration(std::optional<std::string> value) : value_(std::move(value)) {}
    std::optional<std::string> LocalServer32() const override { return value_; }

private:
    std::optional<std::string> value_;
};

std::filesystem::path TempFile(const char* name) {
    auto p = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove(p);
    return p;
}

void WriteFile(const std::filesystem::path& p, std::string_view bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

// As the main client writes it: passwords under the site passphrase, a record without a
// "ProfileName", a password that is no cipher text, a folder whose count claims far more members
// than it has, a count that is no number and a byte out of range.
constexpr std::string_view kFixture = R"([FTPServers]
Servers1_FTPServers.Count=4

[FTPServers.Servers1_FTPServers]
Item0_ProfileName=Work
Item0_HostName=ftp.work.example
Item0_UserName=alice
Item0_PassWord=/wkUVdwDaulaQ0pfEEGlTKijFDmV6fvpt08c8dggwjc=
Item0_Port=2121
Item0_Passive=TRUE
Item0_UseGlobalProxy=False
Item0_ProxyName=proxy.work.example
Item0_ProxyPort=8080
Item0_ProxyType=1
Item0_ServerType=1
Item0_Authentication=2
Item0_IsFolder=False
Item1_HostName=nameless.example
Item1_PassWord=not-a-cipher-text
Item2_ProfileName=Clients
Item2_IsFolder=True
Item2_Servers.Count=99999999
Item3_ProfileName=Home
Item3_PassWord=iBlmt7PAtbbXfF1NWxHasQuO1BSLrc5pCwzFVRxgnl8=
Item3_Servers.Count=zz
Item3_ProxyType=300
Item3_UseGlobalProxy=True
Item3_ProxyName=kept.example

[FTPServers.Servers1_FTPServers.Item2_Servers]
Item0_ProfileName=Acme
Item0_IsFolder=True
Item0_Servers.Count=1
Item1_ProfileName=Globex
Item1_PassWord=

[FTPServers.Servers1_FTPServers.Item2_Servers.Item0_Servers]
Item0_ProfileName=Acme staging
Item0_PassWord=E1T0eQwesTTXu8s8eil3p405r4rwINBsCB6xkA9WEPw=
Item0_HostDirName=/pub/
)";

TFtpServerInfo* AddSite(TFtpServers& to, std::string name, std::string plain, bool folder = false) {
    TFtpServerInfo* r = to.Add();
    r->ProfileName = std::move(name);
    r->IsFolder = folder;
    r->HostName = r->ProfileName + ".example";
    r->SetPassWord(EncipherPassWord(plain, SitePasswordKey()));  // as it lies in the file
    return r;
}

}  // namespace

TEST(SiteRecords, NewRecordDefaults) {
    TFtpServers servers;
    TFtpServerInfo* r = servers.Add();
    EXPECT_EQ(r->ProfileName, "New FTP server");
    EXPECT_EQ(r->Port, "21");
    EXPECT_EQ(r->UserName, "anonymous");
    EXPECT_EQ(r->PassWord(), kDefaultPassWord);
    EXPECT_TRUE(r->Binary);
    EXPECT_TRUE(r->UseGlobalProxy());
    EXPECT_EQ(r->Authentication, 1);
    EXPECT_EQ(r->Servers().Count(), 0);
    EXPECT_EQ(r->Class().AllProps().size(), 24u);
    r->ProfileName.clear();
    EXPECT_EQ(r->DisplayName(), "TFtpServerInfo");
}

TEST(SiteRecords, UseGlobalProxySetOnEmptiesTheProxyWhateverItWas) {
    struct Case { bool from, to; bool cleared; } cases[] = {
        {false, true, true}, {true, true, true}, {false, false, false}, {true, false, false}};
    for (const auto& c : cases) {
        TFtpServerInfo r;
        r.SetUseGlobalProxy(c.from);
        r.ProxyName = "proxy";
        r.ProxyPort = "3128";
        r.SetUseGlobalProxy(c.to);
        EXPECT_EQ(r.ProxyName.empty(), c.cleared) << c.from << "->" << c.to;
        EXPECT_EQ(r.ProxyPort.empty(), c.cleared);
        EXPECT_EQ(r.UseGlobalProxy(), c.to);
    }
}

TEST(SiteRecords, AssignTakesEveryValueAndThePasswordStateAsTheyAre) {
    TServers servers;
    TFtpServerInfo& source = *servers.FTPServers().Add();
    source.ProfileName = "Site";
    source.HostName = "ftp.example.com";
    source.Port = "2121";
    source.Passive = true;
    source.SetUseGlobalProxy(false);
    source.ProxyName = "proxy";
    source.ProxyPort = "8080";
    source.ServerType = 1;
    source.LocalFolder = "C:\\sites";
    source.UserData = "not stored";
    source.SetStoredPassWord("0A1B");  // cipher text as read from a database
    source.IsFolder = true;
    source.Servers().Add()->ProfileName = "Member";

    TFtpServerInfo& copy = *servers.FTPServers().Add();
    copy.SetPassWord("plain");
    copy.Assign(source);
    EXPECT_EQ(copy.ProfileName, "Site");
    EXPECT_EQ(copy.HostName, "ftp.example.com");
    EXPECT_EQ(copy.Port, "2121");
    EXPECT_TRUE(copy.Passive);
    EXPECT_FALSE(copy.UseGlobalProxy());
    EXPECT_EQ(copy.ProxyName, "proxy");
    EXPECT_EQ(copy.ProxyPort, "8080");
    EXPECT_EQ(copy.ServerType, 1);
    EXPECT_EQ(copy.LocalFolder, "C:\\sites");
    EXPECT_EQ(copy.UserData, "not stored");
    EXPECT_EQ(copy.PassWord(), "0A1B");
    EXPECT_TRUE(copy.PassWordIsEnciphered());
    ASSERT_EQ(copy.Servers().Count(), 1);
    EXPECT_EQ(copy.Servers().Items(0)->ProfileName, "Member");

    // A plain password stays plain; a proxy name held while the global proxy is on is taken too.
    source.SetPassWord("secret");
    source.SetUseGlobalProxy(true);
    source.ProxyName = "kept while global";
    copy.Assign(source);
    EXPECT_EQ(copy.PassWord(), "secret");
    EXPECT_FALSE(copy.PassWordIsEnciphered());
    EXPECT_TRUE(copy.UseGlobalProxy());
    EXPECT_EQ(copy.ProxyName, "kept while global");
}

TEST(SiteRecords, FindByNameIgnoresCaseAndNestedServersShareTheOwner) {
    core::Component owner;
    TServers holder(&owner);
    TFtpServerInfo* folder = AddSite(holder.FTPServers(), "Fähre", "", true);
    TFtpServerInfo* inner = AddSite(folder->Servers(), "Inner", "", true);
    EXPECT_EQ(holder.FTPServers().FindByName("fÄHRE"), folder);
    EXPECT_EQ(holder.FTPServers().FindByName("Inner"), nullptr);
    EXPECT_EQ(holder.FTPServers().OwnerComponent(), &owner);
    EXPECT_EQ(inner->Servers().OwnerComponent(), &owner);
}

TEST(SiteDatabase, PathFromTheMainClientRegistration) {
    struct Case { std::optional<std::string> value; const char* path; } cases[] = {
        {std::nullopt, ""},
        {"", ""},
        {"lark.exe", ""},  // no folder: never a file of the current directory
        {R"(C:\Program Files\Lark\lark.exe)", R"(C:\Program Files\Lark\larkftpsrvs.ini)"},
        {R"("C:\Program Files\Lark\lark.exe" /automation)", R"(C:\Program Files\Lark\larkftpsrvs.ini)"},
        {R"("C:\Lark Dir\lark.exe")", R"(C:\Lark Dir\larkftpsrvs.ini)"},
        {R"(C:\Program Files\Lark\LARK.EXE -Embedding C:\other\x.txt)", R"(C:\Program Files\Lark\larkftpsrvs.ini)"},
        {R"(  C:\Lark\lark.exe  )", R"(C:\Lark\larkftpsrvs.ini)"},
    };
    for (const auto& c : cases) {
        FakeRegistration reg(c.value);
        EXPECT_EQ(GetSiteDatabasePath(reg), c.path) << c.value.value_or("(missing)");
    }
}

TEST(SiteDatabase, HandWrittenFileReadsIntoTheTree) {
    const auto path = TempFile("lark_sites_fixture.ini");
    WriteFile(path, kFixture);
    TServers holder;
    EXPECT_EQ(ReadSiteDatabase(holder, path.string()), 1);  // the one damaged password
    EXPECT_EQ(holder.Name(), "Servers1");
    TFtpServers& top = holder.FTPServers();
    ASSERT_EQ(top.Count(), 4);

    TFtpServerInfo* work = top.Items(0);
    EXPECT_EQ(work->ProfileName, "Work");
    EXPECT_EQ(work->PassWord(), "s3cret");
    EXPECT_EQ(work->UserName, "alice");
    EXPECT_EQ(work->Port, "2121");
    EXPECT_TRUE(work->Passive);
    EXPECT_FALSE(work->UseGlobalProxy());
    EXPECT_EQ(work->ProxyName, "proxy.work.example");
    EXPECT_EQ(work->ProxyPort, "8080");
    EXPECT_EQ(work->ProxyType, 1);
    EXPECT_EQ(work->ServerType, 1);
    EXPECT_EQ(work->Authentication, 2);

    TFtpServerInfo* nameless = top.Items(1);
    EXPECT_EQ(nameless->ProfileName, "New FTP server");
    EXPECT_EQ(nameless->HostName, "nameless.example");
    EXPECT_EQ(nameless->PassWord(), "");
    EXPECT_TRUE(nameless->PassWordUnreadable());  // the main client's password is kept there, not replaced
    EXPECT_FALSE(top.Items(0)->PassWordUnreadable());

    TFtpServerInfo* clients = top.Items(2);
    EXPECT_TRUE(clients->IsFolder);
    EXPECT_EQ(clients->PassWord(), kDefaultPassWord);  // not in the file: not deciphered
    ASSERT_EQ(clients->Servers().Count(), 2);
    TFtpServerInfo* acme = clients->Servers().Items(0);
    EXPECT_EQ(acme->ProfileName, "Acme");
    ASSERT_EQ(acme->Servers().Count(), 1);
    EXPECT_EQ(acme->Servers().Items(0)->ProfileName, "Acme staging");
    EXPECT_EQ(acme->Servers().Items(0)->PassWord(), "deep one");
    EXPECT_EQ(acme->Servers().Items(0)->HostDirName, "/pub/");
    EXPECT_EQ(clients->Servers().Items(1)->PassWord(), "");

    TFtpServerInfo* home = top.Items(3);
    EXPECT_EQ(home->PassWord(), "f\xC3\xA4hre-2026");
    EXPECT_EQ(home->Servers().Count(), 0);
    EXPECT_EQ(home->ProxyType, 0);
    EXPECT_EQ(home->ProxyName, "");  // stored with UseGlobalProxy=True: no proxy of its own

    // Deciphering again changes nothing.
    EXPECT_EQ(DecipherPasswords(top, SitePasswordKey()), 0);
    EXPECT_EQ(work->PassWord(), "s3cret");
}

TEST(SiteDatabase, WrittenInTheLayoutReadsBackWithPlainPasswords) {
    const auto path = TempFile("lark_sites_written.ini");
    TServers written;
    written.SetName("Servers1");
    AddSite(written.FTPServers(), "Alpha", "pa ss")->Port = "990";
    TFtpServerInfo* f1 = AddSite(written.FTPServers(), "Folder", "", true);
    TFtpServerInfo* f2 = AddSite(f1->Servers(), "Sub", "", true);
    AddSite(f1->Servers(), "Beta", "b\xC3\xA9ta");
    AddSite(f2->Servers(), "Gamma", "g")->SetUseGlobalProxy(false);
    f2->Servers().Items(0)->ProxyName = "px";
    {
        storage::TFormStorage writer;
        writer.SetIniFileName(path.string());
        writer.SetIniSection("FTPServers");
        writer.AddStoredProp("Servers1.FTPServers", &written);
        writer.SaveStoredProps();
    }
    core::IniStore file(path.string());
    EXPECT_EQ(file.ReadString("FTPServers", "Servers1_FTPServers.Count", ""), "2");
    EXPECT_EQ(file.ReadString("FTPServers.Servers1_FTPServers", "Item1_Servers.Count", ""), "2");
    EXPECT_EQ(file.ReadString("FTPServers.Servers1_FTPServers.Item1_Servers.Item0_Servers", "Item0_ProfileName", ""),
              "Gamma");

    auto read = LoadSiteDatabase(path.string());
    TFtpServers& top = read->FTPServers();
    ASSERT_EQ(top.Count(), 2);
    EXPECT_EQ(top.Items(0)->PassWord(), "pa ss");
    EXPECT_EQ(top.Items(0)->Port, "990");
    TFtpServers& inFolder = top.Items(1)->Servers();
    ASSERT_EQ(inFolder.Count(), 2);
    EXPECT_EQ(inFolder.Items(1)->ProfileName, "Beta");
    EXPECT_EQ(inFolder.Items(1)->PassWord(), "b\xC3\xA9ta");
    ASSERT_EQ(inFolder.Items(0)->Servers().Count(), 1);
    TFtpServerInfo* gamma = inFolder.Items(0)->Servers().Items(0);
    EXPECT_EQ(gamma->PassWord(), "g");
    EXPECT_FALSE(gamma->UseGlobalProxy());
    EXPECT_EQ(gamma->ProxyName, "px");
    EXPECT_EQ(top.Items(1)->PassWord(), "");  // stored empty
}

TEST(SiteDatabase, NoPathOrNoFileReadsNothing) {
    for (std::string path : {std::string(), TempFile("lark_sites_missing.ini").string()}) {
        auto read = LoadSiteDatabase(path);
        EXPECT_EQ(read->FTPServers().Count(), 0) << path;
    }
}
