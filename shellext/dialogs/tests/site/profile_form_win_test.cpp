// The site properties dialog under Wine: NewProfile and EditProfile with their sub-dialogs,
// driven as a user would, against the registered main-client double and its site database.
#include "profile_form.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/component_stream.h"
#include "gui_testing/modal_script.h"
#include "mainclient/automation_client.h"
#include "mainclient_double/double_support.h"
#include "shellext/model/site_database.h"
#include "ui/application.h"
#include "uicomponents/html_help.h"
#include "ui/standard_controls.h"

using namespace lark;
using namespace lark::shellext;
using namespace lark::testing;

namespace {

// Picks an item of a combo box as the user does: the selection, then its notice.
void Choose(FormDriver& driver, std::string_view combo, int index) {
    HWND box = driver.Window(combo);
    SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(GetParent(box), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
    driver.Pump();
}

// Clicks the index-th button of a radio group (its buttons are windows of the group).
void ClickGroupItem(FormDriver& driver, std::string_view group, int index) {
    HWND button = GetWindow(driver.Window(group), GW_CHILD);
    for (int i = 0; i < index && button; ++i) button = GetWindow(button, GW_HWNDNEXT);
    ASSERT_NE(button, nullptr);
    SendMessageW(button, BM_CLICK, 0, 0);
    driver.Pump();
}

bool Enabled(FormDriver& driver, std::string_view control) { return IsWindowEnabled(driver.Window(control)) != FALSE; }
bool ReadOnly(FormDriver& driver, std::string_view edit) {
    return (GetWindowLongW(driver.Window(edit), GWL_STYLE) & ES_READONLY) != 0;
}
POINT CentreOf(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
POINT CentreOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return CentreOf(r);
}
// Centred within a pixel (odd sizes round).
void ExpectCentredOn(HWND window, POINT centre) {
    const POINT c = CentreOf(window);
    EXPECT_LE(std::abs(c.x - centre.x), 1) << c.x << " vs " << centre.x;
    EXPECT_LE(std::abs(c.y - centre.y), 1) << c.y << " vs " << centre.y;
}

bool Checked(FormDriver& driver, std::string_view box) {
    return SendMessageW(driver.Window(box), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::string Joined(std::initializer_list<std::string> parts) {
    std::string line;
    for (const std::string& p : parts) line += (line.empty() ? "" : "\t") + p;
    return line;
}

class ProfileFormTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        // A failure inside a handler fails the test instead of waiting in a box.
        ui::Application::Instance().ShowError = [](const std::string& text) { ADD_FAILURE() << text; };
        server_ = new DoubleSetup(win::Widen(LARK_DOUBLE_EXE), L"lxsite");
        ASSERT_TRUE(server_->Register());
    }
    static void TearDownTestSuite() {
        delete server_;
        CoUninitialize();
    }

    void SetUp() override {
        server_->Reset();
        databasePath = GetSiteDatabasePath(*MakeRegistryMainClientRegistration());
        ASSERT_FALSE(databasePath.empty());
        database = ReadTextFile(win::Widen(databasePath));
        ASSERT_FALSE(database.empty());
        model.LoadDatabase(databasePath);
        ASSERT_EQ(model.Nodes().Count(), 2);
        HRSRC info = FindResourceW(nullptr, L"TDM", MAKEINTRESOURCEW(10));
        ASSERT_NE(info, nullptr);
        const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, info)));
        dm = TDM::Create(std::span(bytes, SizeofResource(nullptr, info)), 0x0409);
        context = std::make_unique<FolderContext>(FolderContext{model, *dm, box});
    }
    void TearDown() override {
        // The extension never writes the site database: the main client owns it.
        EXPECT_EQ(ReadTextFile(win::Widen(databasePath)), database);
    }

    TFTPObject* Node(const std::string& name) {
        TFTPObject* node = model.Nodes().FindByName(name);
        if (!node) node = model.Nodes().FindByName("Work")->Children().FindByName(name);
        return node;
    }
    // Every published field of every record, and the shape of the tree.
    std::string State() {
        const std::vector<std::uint8_t> bytes = core::WriteComponentToBytes(model);
        TFTPObject* work = model.Nodes().FindByName("Work");
        return std::string(bytes.begin(), bytes.end()) + "|" + std::to_string(model.Nodes().Count()) + "/" +
               std::to_string(model.FTPServers().Count()) + "|" + std::to_string(work->Children().Count()) + "/" +
               std::to_string(work->ServerInfo()->Servers().Count());
    }

    static inline DoubleSetup* server_ = nullptr;
    std::string databasePath, database;
    TFTPContainer model{ModelServices{[]() -> std::shared_ptr<mainclient::MainClient> {
        return std::shared_ptr<mainclient::MainClient>(mainclient::AutomationClient::Create());
    }}};
    std::unique_ptr<TDM> dm;
    localization::FakeMessageBox box;
    std::unique_ptr<FolderContext> context;
};

}  // namespace

TEST_F(ProfileFormTest, EveryDialogInEveryLanguageFitsItsTextsAndIsPictured) {
    const char* captions[] = {"Create new profile", "Neues Profil anlegen", "Créer un profil"};
    const char* names[] = {"en", "de", "fr"};
    const std::string before = State();
    for (int language = 1; language <= 3; ++language) {
        SCOPED_TRACE(names[language - 1]);
        dm->SetLanguage(language);
        const std::string tag = names[language - 1];
        ModalScript site([&](FormDriver& driver, ui::Form& form) {
            EXPECT_EQ(form.Caption(), captions[language - 1]);
            EXPECT_EQ(OverflowingTexts(form), std::vector<std::string>{});
            driver.Screenshot("profile_form_" + tag);
            Choose(driver, "cbConnectionType", 1);
            {
                ModalScript auth([&](FormDriver& d, ui::Form& f) {
                    ClickGroupItem(d, "rgAuthMethod", 2);
                    EXPECT_EQ(OverflowingTexts(f), std::vector<std::string>{});
                    d.Screenshot("authentication_" + tag);
                    d.Key(VK_ESCAPE);
                });
                driver.Click("btnAdvanced");
                auth.Check();
            }
            driver.Click("ckbUseGlobalProxy");
            {
                ModalScript proxy([&](FormDriver& d, ui::Form& f) {
                    d.Click("ckbUseProxy");
                    d.Click("rbSOCKS");
                    EXPECT_EQ(OverflowingTexts(f), std::vector<std::string>{});
                    d.Screenshot("personal_proxy_" + tag);
                    d.Key(VK_ESCAPE);
                });
                driver.Click("btnProxySettings");
                proxy.Check();
            }
            driver.Key(VK_ESCAPE);
        });
        TFTPObject* node = nullptr;
        EXPECT_FALSE(NewProfile(*context, nullptr, node));
        site.Check();
        EXPECT_EQ(node, nullptr);
    }
    EXPECT_EQ(State(), before);
    EXPECT_TRUE(server_->CallsOf("AddProfile").empty());
}

TEST_F(ProfileFormTest, NewProfileOkRefusesADuplicateThenAddsThroughTheMainClient) {
    std::optional<ModalScript> again;
    HWND window = nullptr;
    ModalScript site([&](FormDriver& driver, ui::Form& form) {
        window = form.Handle();
        EXPECT_EQ(driver.Text("edProfile"), "New profile");
        EXPECT_EQ(driver.Focused(), "edProfile");
        EXPECT_FALSE(ReadOnly(driver, "edProfile"));
        EXPECT_TRUE(Enabled(driver, "ckbMaskPW"));
        EXPECT_FALSE(Enabled(driver, "btnOK"));  // no host name yet
        EXPECT_FALSE(Enabled(driver, "btnAdvanced"));
        EXPECT_TRUE(Enabled(driver, "ckbPassive"));
        EXPECT_FALSE(Enabled(driver, "btnProxySettings"));
        driver.Type("edHostName", "ftp.example.org");
        EXPECT_TRUE(Enabled(driver, "btnOK"));
        driver.Type("edUserName", "");
        EXPECT_FALSE(Enabled(driver, "btnOK"));
        driver.Type("edUserName", "alice");
        driver.Type("edPassword", "pw");
        driver.Click("ckbMaskPW");  // shows the password in clear
        EXPECT_EQ(SendMessageW(driver.Window("edPassword"), EM_GETPASSWORDCHAR, 0, 0), 0);
        driver.Click("ckbPassive");
        // A sibling profile's name in other letter case keeps the dialog open (checked when
        // the loop closes it, after this script).
        driver.Type("edProfile", "hOME");
        again.emplace([&](FormDriver& d, ui::Form& f) {
            ASSERT_EQ(box.shown.size(), 1u);
            EXPECT_EQ(box.shown[0].caption, "Error creating new profile");
            EXPECT_EQ(box.shown[0].text,
                      "Cannot create hOME : A profile with the name you specified already exists.\n\r"
                      "Specify a different profile name.");
            EXPECT_EQ(box.shown[0].owner.window, reinterpret_cast<std::uintptr_t>(window));
            EXPECT_EQ(d.Focused(), "edProfile");
            d.Type("edProfile", "Work");  // a profile folder's name does not block
            d.Click("btnOK");
        }, &form);
        driver.Click("btnOK");
    });
    TFTPObject* node = nullptr;
    ASSERT_TRUE(NewProfile(*context, nullptr, node));
    site.Check();
    again->Check();
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(model.Nodes().Count(), 3);
    EXPECT_EQ(model.FTPServers().Count(), 3);
    const TFtpServerInfo& r = *node->ServerInfo();
    EXPECT_EQ(r.ProfileName, "Work");
    EXPECT_EQ(r.HostName, "ftp.example.org");
    EXPECT_EQ(r.UserName, "alice");
    EXPECT_EQ(r.PassWord(), "pw");
    EXPECT_TRUE(r.Passive);
    EXPECT_EQ(server_->CallsOf("AddProfile"),
              std::vector<std::string>{Joined({"AddProfile", "\\", "Work", "ftp.example.org", "alice", "pw", "21", "-1", "",
                                               "", "", "-1", "0", "0", "0", "", "", "1", "", ""})});
}

TEST_F(ProfileFormTest, NewProfileCancelledRefusedOrFailedLeavesTheModelAsItWas) {
    const std::string before = State();
    struct Case {
        const char* what;
        const char* scenario;
        bool ok;
    } cases[] = {{"cancel", "", false},
                 {"refused", "[AddProfile]\r\nResult=1\r\n", true},
                 {"failed", "[AddProfile]\r\nHResult=0x80004005\r\n", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        server_->Reset();
        server_->Scenario(c.scenario);
        ModalScript site([&](FormDriver& driver, ui::Form&) {
            driver.Type("edHostName", "ftp.example.org");
            driver.Key(c.ok ? VK_RETURN : VK_ESCAPE);
        });
        TFTPObject* node = nullptr;
        EXPECT_FALSE(NewProfile(*context, &model.Nodes().FindByName("Work")->Children(), node));
        site.Check();
        EXPECT_EQ(node, nullptr);
        EXPECT_EQ(State(), before);
        EXPECT_EQ(server_->CallsOf("AddProfile").size(), c.ok ? 1u : 0u);
    }
}

TEST_F(ProfileFormTest, EditProfileThroughBothSubDialogsModifiesWithTheirValues) {
    TFTPObject* archive = Node("Archive");
    ASSERT_NE(archive, nullptr);
    ModalScript site([&](FormDriver& driver, ui::Form& form) {
        EXPECT_EQ(form.Caption(), "Archive Properties");
        EXPECT_TRUE(ReadOnly(driver, "edProfile"));
        EXPECT_FALSE(Enabled(driver, "ckbMaskPW"));
        EXPECT_EQ(driver.Text("edInDir"), "/pub");
        Choose(driver, "cbConnectionType", 1);
        EXPECT_TRUE(Enabled(driver, "btnAdvanced"));
        EXPECT_FALSE(Enabled(driver, "ckbPassive"));
        // Off the screen's centre, so that centred on it and centred on the screen differ.
        SetWindowPos(form.Handle(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        {
            ModalScript auth([&](FormDriver& d, ui::Form& f) {
                EXPECT_EQ(GetWindow(f.Handle(), GW_OWNER), form.Handle());
                ExpectCentredOn(f.Handle(), CentreOf(form.Handle()));
                EXPECT_EQ(d.Text("edPrivateKey"), "");  // password only: the key edits start empty
                EXPECT_FALSE(Enabled(d, "edPrivateKey"));
                ClickGroupItem(d, "rgAuthMethod", 1);
                EXPECT_TRUE(Enabled(d, "edPrivateKey"));
                EXPECT_TRUE(Enabled(d, "btBrowse"));
                d.Type("edPrivateKey", "C:\\keys\\id.key");
                d.Type("edPassphrase", "phrase");
                d.Click("btnOK");
            });
            driver.Click("btnAdvanced");
            auth.Check();
        }
        driver.Click("ckbUseGlobalProxy");
        EXPECT_TRUE(Enabled(driver, "btnProxySettings"));
        {
            ModalScript proxy([&](FormDriver& d, ui::Form& f) {
                EXPECT_EQ(GetWindow(f.Handle(), GW_OWNER), form.Handle());
                RECT area{};
                SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
                ExpectCentredOn(f.Handle(), CentreOf(area));
                EXPECT_FALSE(Checked(d, "ckbUseProxy"));
                EXPECT_FALSE(Enabled(d, "rbHTTP"));
                d.Click("ckbUseProxy");
                // SFTP: HTTP preselected, FTP not offered.
                EXPECT_TRUE(Checked(d, "rbHTTP"));
                EXPECT_FALSE(Enabled(d, "rbFTP"));
                EXPECT_TRUE(Enabled(d, "edHttpProxyName"));
                EXPECT_FALSE(Enabled(d, "rgSOCKSType"));
                d.Click("rbSOCKS");
                EXPECT_FALSE(Checked(d, "rbHTTP"));
                EXPECT_FALSE(Enabled(d, "edHttpProxyName"));
                EXPECT_TRUE(Enabled(d, "edSOCKSProxyName"));
                EXPECT_TRUE(Enabled(d, "rgSOCKSType"));
                EXPECT_TRUE(Enabled(d, "edProxyUser"));
                ClickGroupItem(d, "rgSOCKSType", 2);
                d.Type("edSOCKSProxyName", "socks.example");
                d.Type("edSocksProxyPort", "1080");
                d.Type("edProxyUser", "puser");
                d.Type("edProxyPassword", "ppass");
                d.Click("btnOK");
            });
            driver.Click("btnProxySettings");
            proxy.Check();
        }
        driver.Click("btnOK");
    });
    ASSERT_TRUE(EditProfile(*context, *archive));
    site.Check();
    EXPECT_EQ(server_->CallsOf("ModifyProfile"),
              std::vector<std::string>{Joined({"ModifyProfile", "\\Work\\", "Archive", "localhost", "anonymous", "", "21",
                                               "0", "socks.example", "1080", "/pub", "0", "0", "1", "5", "puser", "ppass",
                                               "2", "C:\\keys\\id.key", "phrase"})});
    const TFtpServerInfo& r = *archive->ServerInfo();
    EXPECT_EQ(r.ServerType, 1);
    EXPECT_EQ(r.ProxyType, 5);
    EXPECT_EQ(r.PrivateKey, "C:\\keys\\id.key");
    EXPECT_FALSE(r.UseGlobalProxy());
}

TEST_F(ProfileFormTest, EditProfileCancelledRefusedOrFailedLeavesTheRecordAsItWas) {
    const std::string before = State();
    struct Case {
        const char* what;
        const char* scenario;
        bool ok;
    } cases[] = {{"cancel", "", false},
                 {"refused", "[ModifyProfile]\r\nResult=-1\r\n", true},
                 {"failed", "[ModifyProfile]\r\nHResult=0x80004005\r\n", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        server_->Reset();
        server_->Scenario(c.scenario);
        ModalScript site([&](FormDriver& driver, ui::Form&) {
            driver.Type("edHostName", "changed.example");
            driver.Click("ckbUseGlobalProxy");
            Choose(driver, "cbConnectionType", 1);
            driver.Key(c.ok ? VK_RETURN : VK_ESCAPE);
        });
        EXPECT_FALSE(EditProfile(*context, *Node("Home")));
        site.Check();
        EXPECT_EQ(State(), before);
        EXPECT_TRUE(box.shown.empty());
        EXPECT_EQ(server_->CallsOf("ModifyProfile").size(), c.ok ? 1u : 0u);
    }
}

// Help of the site dialog (context 44) and of its authentication and proxy dialogs (no context
// of their own), each opened first, before any other Help of the process set a help file.
TEST_F(ProfileFormTest, HelpOfEveryDialogOpensTheExtensionsHelpFileInTheActiveLanguage) {
    // The stand-in help library records each request; held here so its record outlives unloading.
    HMODULE probe = LoadLibraryW(L"help_probe.dll");
    ASSERT_NE(probe, nullptr);
    ui::HtmlHelp& help = ui::HtmlHelp::Instance();
    help.SetLibrary(L"help_probe.dll");
    help.SetHelpFile("");
    const std::wstring folder = FolderOf(win::Widen(databasePath));
    for (const wchar_t* name : {L"help.chm", L"hilfe.chm", L"aide.chm"}) WriteTextFile(folder + name, "");
    for (int language : {1, 2, 3}) {
        dm->SetLanguage(language);
        ModalScript site([&](FormDriver& driver, ui::Form&) {
            Choose(driver, "cbConnectionType", 1);
            {
                ModalScript auth([&](FormDriver& d, ui::Form&) {
                    d.Click("btnHelp");
                    d.Key(VK_ESCAPE);
                });
                driver.Click("btnAdvanced");
                auth.Check();
            }
            driver.Click("ckbUseGlobalProxy");
            {
                ModalScript proxy([&](FormDriver& d, ui::Form&) {
                    d.Click("btnHelp");
                    d.Key(VK_ESCAPE);
                });
                driver.Click("btnProxySettings");
                proxy.Check();
            }
            driver.Click("btnHelp");
            driver.Key(VK_ESCAPE);
        });
        TFTPObject* node = nullptr;
        EXPECT_FALSE(NewProfile(*context, nullptr, node));
        site.Check();
    }
    help.Unload();
    help.SetLibrary(L"hhctrl.ocx");
    using Reader = int (*)(int, UINT*, wchar_t*, int, DWORD_PTR*, wchar_t*, int);
    auto read = reinterpret_cast<Reader>(reinterpret_cast<void*>(GetProcAddress(probe, "ProbeCall")));
    ASSERT_NE(read, nullptr);
    std::vector<std::pair<std::wstring, DWORD_PTR>> requests;
    for (int i = 0; i < read(-1, nullptr, nullptr, 0, nullptr, nullptr, 0); ++i) {
        UINT command = 0;
        DWORD_PTR data = 0;
        wchar_t target[2048] = L"", keyword[16] = L"";
        read(i, &command, target, 2048, &data, keyword, 16);
        if (command != 0x000F) continue;  // HH_HELP_CONTEXT; the unload adds its own request
        requests.emplace_back(target, data);
    }
    const std::vector<std::pair<std::wstring, DWORD_PTR>> expected = {
        {folder + L"help.chm", 0}, {folder + L"help.chm", 0}, {folder + L"help.chm", 44},
        {folder + L"hilfe.chm", 0}, {folder + L"hilfe.chm", 0}, {folder + L"hilfe.chm", 44},
        {folder + L"aide.chm", 0}, {folder + L"aide.chm", 0}, {folder + L"aide.chm", 44}};
    EXPECT_EQ(requests, expected);
    FreeLibrary(probe);
    for (const wchar_t* name : {L"help.chm", L"hilfe.chm", L"aide.chm"}) DeleteFileW((folder + name).c_str());
}

TEST_F(ProfileFormTest, AServerTypeTheBoxDoesNotListKeepsTheRecordsValue) {
    TFTPObject* home = Node("Home");
    home->ServerInfo()->ServerType = 2;
    ModalScript site([&](FormDriver& driver, ui::Form&) {
        EXPECT_EQ(SendMessageW(driver.Window("cbConnectionType"), CB_GETCURSEL, 0, 0), CB_ERR);
        EXPECT_FALSE(Enabled(driver, "btnAdvanced"));
        EXPECT_FALSE(Enabled(driver, "ckbPassive"));
        driver.Key(VK_RETURN);
    });
    ASSERT_TRUE(EditProfile(*context, *home));
    site.Check();
    EXPECT_EQ(home->ServerInfo()->ServerType, 2);
    const auto calls = server_->CallsOf("ModifyProfile");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_NE(calls[0].find("\t0\t0\t2\t0\t"), std::string::npos) << calls[0];  // passive, reserved, server type, proxy type
}

// A site whose stored password was enciphered under another key than lx's: the dialog says so in
// each language, starts with an empty password and keeps OK off until one is typed, which the
// main client then receives as typed.
TEST_F(ProfileFormTest, AStoredPasswordThatCannotBeReadMustBeTypedAndIsSentAsTyped) {
    TFTPObject* home = Node("Home");
    std::array<std::uint8_t, 16> otherKey{};
    otherKey.fill(0x5A);
    home->ServerInfo()->SetStoredPassWord(EncipherPassWord("theirs", otherKey));
    ASSERT_FALSE(home->ServerInfo()->DecipherPassWord(SitePasswordKey()));
    const char* tags[] = {"en", "de", "fr"};
    const char* lines[] = {"The stored password could not be read: type it.", "Gespeichertes Kennwort unlesbar: neu eingeben.",
                           "Mot de passe enregistré illisible : saisissez-le."};
    for (int language = 1; language <= 3; ++language) {
        SCOPED_TRACE(tags[language - 1]);
        dm->SetLanguage(language);
        server_->Reset();
        ModalScript site([&](FormDriver& driver, ui::Form& form) {
            ui::Control& line = driver.Control("lbPasswordUnreadable");
            EXPECT_TRUE(line.Visible());
            EXPECT_EQ(line.Text(), lines[language - 1]);
            EXPECT_EQ(driver.Text("edPassword"), "");
            EXPECT_FALSE(Enabled(driver, "btnOK"));
            EXPECT_EQ(OverflowingTexts(form), std::vector<std::string>{});
            driver.Screenshot(std::string("profile_form_password_unreadable_") + tags[language - 1]);
            if (language < 3) {
                driver.Key(VK_ESCAPE);
                return;
            }
            driver.Type("edPassword", "typed");
            EXPECT_TRUE(Enabled(driver, "btnOK"));
            driver.Key(VK_RETURN);
        });
        EXPECT_EQ(EditProfile(*context, *home), language == 3);
        site.Check();
        const auto calls = server_->CallsOf("ModifyProfile");
        ASSERT_EQ(calls.size(), language == 3 ? 1u : 0u);
        if (language == 3) {
            EXPECT_NE(calls[0].find("\ttyped\t"), std::string::npos) << calls[0];
        }
    }
    EXPECT_FALSE(home->ServerInfo()->PassWordUnreadable());
}
