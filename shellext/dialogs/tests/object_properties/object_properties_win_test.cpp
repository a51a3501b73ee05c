// The folder and remote object property dialogs under Wine, driven through their entry points
// against the registered main-client double: what they show in each language, what a user's
// choices send to the main client (the double's call log), and that their icons go with them.
#include "object_properties.h"

#include <gtest/gtest.h>

#include <exception>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/datetime.h"
#include "gui_testing/form_driver.h"
#include "mainclient/automation_client.h"
#include "mainclient/registration.h"
#include "mainclient_double/double_support.h"
#include "shellext/model/site_database.h"
#include "shellext/object_properties_rules.h"
#include "uicomponents/html_help.h"
#include "win/text.h"
#include "ui/application.h"
#include "ui/standard_controls.h"

namespace lark::shellext {
namespace {

using testing::FormDriver;

struct Language {
    int number;
    const char* tag;
};
constexpr Language kLanguages[] = {{1, "en"}, {2, "de"}, {3, "fr"}};

// Runs the steps on the dialog that `entry` shows modally, each from a timer inside its own
// loop, so the loop runs between them (a refused OK keeps the dialog open for the next step).
// Steps left when the dialog closes fail the test; a dialog left open after the last step is
// cancelled. Answers what the entry point answered.
using Step = std::function<void(FormDriver&, ui::Form&)>;
struct ScriptRun {
    const std::vector<Step>* steps = nullptr;
    std::size_t next = 0;
    ui::Form* form = nullptr;
    std::exception_ptr failure;
};
ScriptRun* g_run = nullptr;

void CALLBACK RunStep(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    ScriptRun* run = g_run;
    if (!run || !run->form || run->next >= run->steps->size()) return;
    try {
        FormDriver driver(*run->form);
        (*run->steps)[run->next++](driver, *run->form);
    } catch (...) {
        run->failure = std::current_exception();
        run->next = run->steps->size();
    }
    if (!run->form->Modal()) return;
    if (run->next < run->steps->size())
        SetTimer(nullptr, 0, 0, &RunStep);
    else if (run->form->GetModalResult() == ui::ModalResult::None)
        run->form->SetModalResult(ui::ModalResult::Cancel);
}

bool Drive(const std::function<bool()>& entry, const std::vector<Step>& steps) {
    ScriptRun run{&steps};
    g_run = &run;
    ui::Application::Instance().OnModalBegin.Bind([](ui::Form& form) {
        if (!g_run || g_run->form) return;
        g_run->form = &form;
        SetTimer(nullptr, 0, 0, &RunStep);
    });
    bool answer = false;
    try {
        answer = entry();
    } catch (...) {
        g_run = nullptr;
        throw;
    }
    g_run = nullptr;
    ui::Application::Instance().OnModalBegin.Bind(nullptr);
    if (run.failure) std::rethrow_exception(run.failure);
    EXPECT_EQ(run.next, steps.size()) << "the dialog closed before every step ran";
    return answer;
}
bool Drive(const std::function<bool()>& entry, const Step& script) { return Drive(entry, std::vector<Step>{script}); }

std::vector<std::uint8_t> DataModuleDefinition() {
    HRSRC info = FindResourceW(nullptr, L"TDM", MAKEINTRESOURCEW(10));
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, info)));
    return {bytes, bytes + SizeofResource(nullptr, info)};
}

bool IconAlive(HICON icon) {
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return false;
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return true;
}

HICON ShownIcon(FormDriver& driver) {
    return reinterpret_cast<HICON>(SendMessageW(driver.Window("Image1"), STM_GETICON, 0, 0));
}

class ObjectPropertiesDialogs : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        server = new testing::DoubleSetup(win::Widen(LARK_DOUBLE_EXE), L"lxprops");
        ASSERT_TRUE(server->Register());
    }
    void SetUp() override {
        server->Reset();
        ui::Application::Instance().ShowError = [this](const std::string& text) { errors.push_back(text); };
    }
    void TearDown() override {
        ui::Application::Instance().ShowError = nullptr;
        EXPECT_EQ(errors, std::vector<std::string>{});
    }

    TFTPObject* AddSite(TFTPObjects& level, const std::string& name, bool folder = false) {
        TFTPObject* node = level.AddNewRecord();
        node->ServerInfo()->ProfileName = name;
        node->ServerInfo()->HostName = "ftp.example.org";
        node->ServerInfo()->IsFolder = folder;
        return node;
    }
    // A site listed by the double, whose site folder holds these files (name, size).
    TFTPObject* ListedSite(const std::vector<std::pair<std::string, std::size_t>>& files) {
        for (const auto& [name, size] : files) testing::WriteTextFile(server->Site(win::Widen(name)), std::string(size, 'x'));
        CreateDirectoryW(server->Site(L"pub").c_str(), nullptr);
        TFTPObject* site = AddSite(model.Nodes(), "Site");
        EXPECT_TRUE(site->LoadContent());
        return site;
    }
    TFSObject* Node(TFTPObject& site, const std::string& name) {
        TFSObject* node = site.Content()->FindByName(name);
        EXPECT_NE(node, nullptr) << name;
        return node;
    }
    std::vector<std::string> AttributeCalls() { return server->CallsOf("SetAttributes"); }
    std::string AttributeCall(const TFSObject& node, const std::string& mode) {
        return "SetAttributes\t" + node.GetConnectionID() + "\t" + node.GetRemotePath() + "\t" + mode;
    }

    static inline testing::DoubleSetup* server = nullptr;
    TFTPContainer model{ModelServices{[]() -> std::shared_ptr<mainclient::MainClient> {
        return std::shared_ptr<mainclient::MainClient>(mainclient::AutomationClient::Create());
    }}};
    std::unique_ptr<TDM> dm = TDM::Create(DataModuleDefinition(), 0x0409);
    localization::FakeMessageBox box;
    FolderContext context{model, *dm, box};
    std::vector<std::string> errors;
};

TEST_F(ObjectPropertiesDialogs, FolderDialogInEachLanguageShowsNameAndCountsAndCancelChangesNothing) {
    TFTPObject* work = AddSite(model.Nodes(), "Work", true);
    AddSite(work->Children(), "Inner", true);
    AddSite(work->Children(), "One");
    AddSite(work->Children(), "Two");
    const char* counts[] = {"1 folders, 2 profiles", "1 Ordner, 2 Profile", "1 dossiers, 2 profils"};
    const char* captions[] = {"Work Properties", "Work - Eigenschaften", "Work - Propriétés"};
    for (const Language& language : kLanguages) {
        SCOPED_TRACE(language.tag);
        dm->SetLanguage(language.number);
        HICON icon = nullptr;
        const bool answer = Drive([&] { return EditProfileFolder(context, *work); }, [&](FormDriver& driver, ui::Form& form) {
            EXPECT_EQ(form.Caption(), captions[language.number - 1]);
            EXPECT_EQ(form.HelpContext(), 12);
            EXPECT_EQ(driver.Text("edProfile"), "Work");
            EXPECT_EQ(driver.Focused(), "edProfile");
            EXPECT_EQ(driver.Text("lblContainsCont"), counts[language.number - 1]);
            EXPECT_TRUE(driver.Control("btnOK").Enabled());
            EXPECT_EQ(testing::OverflowingTexts(form), std::vector<std::string>{});
            icon = ShownIcon(driver);
            EXPECT_TRUE(IconAlive(icon));
            driver.Pump();
            driver.Screenshot(std::string("profile_folder_") + language.tag);
            driver.Click("btnCancel");
        });
        EXPECT_FALSE(answer);
        EXPECT_FALSE(IconAlive(icon)) << "the folder icon outlived its dialog";
    }
    EXPECT_EQ(work->ServerInfo()->ProfileName, "Work");
    EXPECT_EQ(server->CallsOf("ModifyProfile"), std::vector<std::string>{});
}

TEST_F(ObjectPropertiesDialogs, FolderRenameRefusesASiblingFolderNameAndTellsTheMainClient) {
    TFTPObject* work = AddSite(model.Nodes(), "Work", true);
    AddSite(model.Nodes(), "Archive", true);
    AddSite(model.Nodes(), "Site");
    TFTPObject* inner = AddSite(work->Children(), "Inner", true);
    dm->SetLanguage(1);

    EXPECT_TRUE(Drive([&] { return EditProfileFolder(context, *work); },
                      {[&](FormDriver& driver, ui::Form&) {
                           driver.Type("edProfile", "");
                           EXPECT_FALSE(driver.Control("btnOK").Enabled());
                           driver.Type("edProfile", "ARCHIVE");  // a sibling folder in other case: refused
                           EXPECT_TRUE(driver.Control("btnOK").Enabled());
                           driver.Click("btnOK");
                       },
                       [&](FormDriver& driver, ui::Form& form) {
                           ASSERT_EQ(box.shown.size(), 1u);
                           EXPECT_EQ(box.shown[0].caption, "Error creating new folder");
                           EXPECT_EQ(box.shown[0].text,
                                     "Cannot create ARCHIVE : A folder with the name you specified already exists.\n\r"
                                     "Specify a different folder name.");
                           EXPECT_EQ(box.shown[0].type, localization::MsgDlgType::mtError);
                           EXPECT_EQ(box.shown[0].owner.window, reinterpret_cast<std::uintptr_t>(form.Handle()));
                           EXPECT_EQ(driver.Focused(), "edProfile");
                           EXPECT_EQ(work->ServerInfo()->ProfileName, "Work");
                           driver.Type("edProfile", "Site");  // a sibling profile's name is allowed
                           driver.Click("btnOK");
                       }}));
    EXPECT_EQ(work->ServerInfo()->ProfileName, "Site");
    EXPECT_EQ(model.Nodes().Count(), 3);

    EXPECT_TRUE(Drive([&] { return EditProfileFolder(context, *inner); }, [&](FormDriver& driver, ui::Form&) {
        driver.Type("edProfile", "Renamed");
        driver.Key(VK_RETURN);
    }));
    EXPECT_EQ(inner->ServerInfo()->ProfileName, "Renamed");
    const std::vector<std::string> calls = server->CallsOf("ModifyProfile");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].rfind("ModifyProfile\t\\\tSite\t\t\t\t\t0\t", 0), 0u) << calls[0];
    EXPECT_EQ(calls[1].rfind("ModifyProfile\tSite\\\tRenamed\t\t\t\t\t0\t", 0), 0u) << calls[1];

    // The main client fails the call: the folder keeps its name and the answer is false.
    server->Scenario("[ModifyProfile]\r\nHResult=0x80004005\r\n");
    EXPECT_FALSE(Drive([&] { return EditProfileFolder(context, *inner); }, [&](FormDriver& driver, ui::Form&) {
        driver.Type("edProfile", "Lost");
        driver.Click("btnOK");
    }));
    EXPECT_EQ(inner->ServerInfo()->ProfileName, "Renamed");
}

TEST_F(ObjectPropertiesDialogs, FileDialogInEachLanguageAndAPermissionChangeGoesToTheMainClient) {
    TFTPObject* site = ListedSite({{"a.txt", 999}, {"b.bin", 1000}});
    TFSObject* a = Node(*site, "a.txt");
    ASSERT_NE(a, nullptr);
    a->Modified = core::EncodeDateTime(2024, 3, 5, 0, 0, 0, 0);
    const char* sizes[] = {"999 bytes", "999 Bytes", "999 octets"};
    for (const Language& language : kLanguages) {
        SCOPED_TRACE(language.tag);
        dm->SetLanguage(language.number);
        HICON icon = nullptr;
        EXPECT_FALSE(Drive([&] { return EditFSObject(context, *a); }, [&](FormDriver& driver, ui::Form& form) {
            EXPECT_EQ(form.HelpContext(), 12);
            EXPECT_EQ(driver.Text("edFSObjectName"), "a.txt");
            EXPECT_EQ(driver.Text("edtLocation"), "lark-ftp://Site/");
            EXPECT_EQ(driver.Text("lblSizeCont"), sizes[language.number - 1]);
            EXPECT_EQ(driver.Text("lblModifiedCont"), core::FormatDateTime("dddddd", a->Modified));  // midnight: no time
            EXPECT_NE(driver.Text("lblTypeCont"), "");
            EXPECT_EQ(driver.Text("edNumAttr"), "644");
            EXPECT_TRUE(driver.Control("pnlAttr").Visible());
            EXPECT_FALSE(driver.Control("Label4").Visible());
            EXPECT_EQ(testing::OverflowingTexts(form), std::vector<std::string>{});
            icon = ShownIcon(driver);
            EXPECT_TRUE(IconAlive(icon));
            driver.Pump();
            driver.Screenshot(std::string("remote_file_") + language.tag);
            driver.Key(VK_ESCAPE);
        }));
        EXPECT_FALSE(IconAlive(icon)) << "the file icon outlived its dialog";
    }
    EXPECT_EQ(AttributeCalls(), std::vector<std::string>{});

    dm->SetLanguage(1);
    EXPECT_TRUE(Drive([&] { return EditFSObject(context, *a); }, [&](FormDriver& driver, ui::Form& form) {
        EXPECT_EQ(form.Caption(), "a.txt Properties");
        driver.Click("ckbX1");  // owner execute
        EXPECT_EQ(driver.Text("edNumAttr"), "744");
        driver.Click("ckbR3");  // other read off
        EXPECT_EQ(driver.Text("edNumAttr"), "740");
        driver.Click("btnOK");
    }));
    EXPECT_EQ(AttributeCalls(), std::vector<std::string>{AttributeCall(*a, "740")});
    EXPECT_EQ(a->PermString, "-rwxr-----");
    EXPECT_EQ(NumericTextOf(a->Permissions), "740");
    // The server keeps it: a fresh listing shows the new mode.
    ASSERT_TRUE(site->RefreshContent());
    EXPECT_EQ(Node(*site, "a.txt")->PermString, "-rwxr-----");

    // 1000 bytes are shown in kilobytes; every box unchecked sends 0.
    TFSObject* b = Node(*site, "b.bin");
    EXPECT_TRUE(Drive([&] { return EditFSObject(context, *b); }, [&](FormDriver& driver, ui::Form&) {
        EXPECT_EQ(driver.Text("lblSizeCont"), "0.98 Kb");
        for (const char* name : {"ckbR1", "ckbW1", "ckbR2", "ckbR3"}) driver.Click(name);
        EXPECT_EQ(driver.Text("edNumAttr"), "0");
        driver.Click("btnOK");
    }));
    EXPECT_EQ(AttributeCalls().back(), AttributeCall(*b, "0"));
}

TEST_F(ObjectPropertiesDialogs, ADirectoryWithoutPermissionColumnHidesSizeAndPanelAndShowsTheBitsItHas) {
    TFTPObject* site = ListedSite({});
    TFSObject* pub = Node(*site, "pub");
    ASSERT_NE(pub, nullptr);
    // Refreshed bits count, not the listed text.
    pub->Permissions = 0x1FF;
    EXPECT_TRUE(Drive([&] { return EditFSObject(context, *pub); }, [&](FormDriver& driver, ui::Form&) {
        EXPECT_FALSE(driver.Control("lblSize").Visible());
        EXPECT_FALSE(driver.Control("lblSizeCont").Visible());
        EXPECT_EQ(driver.Text("edNumAttr"), "777");
        driver.Click("btnOK");
    }));
    EXPECT_EQ(AttributeCalls(), std::vector<std::string>{AttributeCall(*pub, "777")});
    EXPECT_EQ(pub->PermString, "drwxrwxrwx");

    // No permission column (mode 000 would still show the panel).
    pub->PermString.clear();
    pub->Permissions = 0;
    for (const Language& language : kLanguages) {
        SCOPED_TRACE(language.tag);
        dm->SetLanguage(language.number);
        EXPECT_TRUE(Drive([&] { return EditFSObject(context, *pub); }, [&](FormDriver& driver, ui::Form& form) {
            EXPECT_FALSE(driver.Control("pnlAttr").Visible());
            EXPECT_TRUE(driver.Control("Label4").Visible());
            EXPECT_EQ(testing::OverflowingTexts(form), std::vector<std::string>{});
            driver.Pump();
            driver.Screenshot(std::string("remote_directory_no_permissions_") + language.tag);
            driver.Click("btnOK");
        }));
    }
    EXPECT_EQ(AttributeCalls().size(), 1u);  // OK without the panel sends nothing
}

TEST_F(ObjectPropertiesDialogs, SeveralFilesInEachLanguageMixDisagreeingBitsAndSendEachItsOwnMode) {
    TFTPObject* site = ListedSite({{"one", 2000}, {"two", 3000}, {"three", 1048576}});
    std::vector<std::pair<std::string, TFSObject*>> selection;
    for (const char* name : {"one", "two", "three"}) selection.emplace_back(name, Node(*site, name));
    TFSObject* three = selection[2].second;
    ASSERT_NE(three, nullptr);
    SetPermissions(*three, 0x1 | 0x2);  // 600 against 644, 644
    const char* captions[] = {"Properties", "Eigenschaften", "Propriétés"};
    const char* types[] = {"Multiple Types", "Mehrere Typen", "Plusieurs types"};
    const char* sizes[] = {"1.00 Mb", "1.00 MB", "1.00 Mo"};
    for (const Language& language : kLanguages) {
        SCOPED_TRACE(language.tag);
        dm->SetLanguage(language.number);
        HICON icon = nullptr;
        EXPECT_FALSE(Drive([&] { return EditFSObjects(context, selection); }, [&](FormDriver& driver, ui::Form& form) {
            EXPECT_EQ(form.Caption(), captions[language.number - 1]);
            EXPECT_FALSE(driver.Control("edFSObjectName").Visible());
            EXPECT_TRUE(driver.Control("Label5").Visible());
            EXPECT_EQ(driver.Text("lblTypeCont"), types[language.number - 1]);
            EXPECT_EQ(driver.Text("edtLocation"), "lark-ftp://Site/");
            EXPECT_EQ(driver.Text("lblModifiedCont"), "");
            EXPECT_EQ(driver.Text("lblSizeCont"), sizes[language.number - 1]);  // the locale's separator, the language's unit
            EXPECT_EQ(driver.Text("edNumAttr"), "600");  // the mixed boxes add nothing
            EXPECT_EQ(SendMessageW(driver.Window("ckbR2"), BM_GETCHECK, 0, 0), BST_INDETERMINATE);
            EXPECT_EQ(SendMessageW(driver.Window("ckbR3"), BM_GETCHECK, 0, 0), BST_INDETERMINATE);
            EXPECT_EQ(SendMessageW(driver.Window("ckbR1"), BM_GETCHECK, 0, 0), BST_CHECKED);
            EXPECT_EQ(testing::OverflowingTexts(form), std::vector<std::string>{});
            icon = ShownIcon(driver);
            EXPECT_TRUE(IconAlive(icon));
            driver.Pump();
            driver.Screenshot(std::string("remote_files_") + language.tag);
            driver.Click("btnCancel");
        }));
        EXPECT_FALSE(IconAlive(icon)) << "the shell's icon outlived its dialog";
    }
    EXPECT_EQ(AttributeCalls(), std::vector<std::string>{});

    // No click: each object gets its own mode back.
    dm->SetLanguage(1);
    EXPECT_TRUE(Drive([&] { return EditFSObjects(context, selection); }, [&](FormDriver& driver, ui::Form&) {
        EXPECT_EQ(driver.Text("lblSizeCont"), "1.00 Mb");  // 2000 + 3000 + 1048576 bytes
        driver.Click("btnOK");
    }));
    EXPECT_EQ(AttributeCalls(), (std::vector<std::string>{AttributeCall(*selection[0].second, "644"),
                                                          AttributeCall(*selection[1].second, "644"),
                                                          AttributeCall(*three, "600")}));

    // Group read: mixed -> checked -> unchecked -> checked; group write checked for all.
    EXPECT_TRUE(Drive([&] { return EditFSObjects(context, selection); }, [&](FormDriver& driver, ui::Form&) {
        const std::vector<LRESULT> expected = {BST_CHECKED, BST_UNCHECKED, BST_CHECKED};
        std::vector<LRESULT> seen;
        for (int i = 0; i < 3; ++i) {
            driver.Click("ckbR2");
            seen.push_back(SendMessageW(driver.Window("ckbR2"), BM_GETCHECK, 0, 0));
        }
        EXPECT_EQ(seen, expected);
        EXPECT_EQ(driver.Text("edNumAttr"), "640");
        driver.Click("ckbW2");
        EXPECT_EQ(driver.Text("edNumAttr"), "660");
        driver.Click("btnOK");
    }));
    const std::vector<std::string> calls = AttributeCalls();
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(calls.begin() + 3, calls.end()),
              (std::vector<std::string>{AttributeCall(*selection[0].second, "664"),
                                        AttributeCall(*selection[1].second, "664"),
                                        AttributeCall(*three, "660")}));
    EXPECT_EQ(three->PermString, "-rw-rw----");
    EXPECT_EQ(selection[0].second->PermString, "-rw-rw-r--");
}

}  // namespace
}  // namespace lark::shellext

namespace lark::shellext {
namespace {

// Help of the folder and remote object dialogs opens the extension's help file in the active
// language at context 12, though no other Help of the process set a help file before.
TEST_F(ObjectPropertiesDialogs, HelpOpensTheExtensionsHelpFileInTheActiveLanguage) {
    HMODULE probe = LoadLibraryW(L"help_probe.dll");  // records each request
    ASSERT_NE(probe, nullptr);
    ui::HtmlHelp& help = ui::HtmlHelp::Instance();
    help.SetLibrary(L"help_probe.dll");
    help.SetHelpFile("");
    const std::wstring folder = win::Widen(mainclient::MainClientProgramFolder());
    ASSERT_FALSE(folder.empty());
    for (const wchar_t* name : {L"hilfe.chm", L"aide.chm"}) testing::WriteTextFile(folder + name, "");
    TFTPObject* work = AddSite(model.Nodes(), "Work", true);
    TFTPObject* site = ListedSite({{"a.txt", 3}});
    ASSERT_NE(site->Content(), nullptr);
    ASSERT_GE(site->Content()->Count(), 1);
    TFSObject* file = site->Content()->Items(0);
    const auto pressHelp = [](FormDriver& driver, ui::Form&) { driver.Click("btnHelp"); driver.Click("btnCancel"); };
    for (int language : {2, 3}) {
        dm->SetLanguage(language);
        EXPECT_FALSE(Drive([&] { return EditProfileFolder(context, *work); }, Step(pressHelp)));
        EXPECT_FALSE(Drive([&] { return EditFSObject(context, *file); }, Step(pressHelp)));
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
        if (command == 0x000F) requests.emplace_back(target, data);  // HH_HELP_CONTEXT
    }
    const std::vector<std::pair<std::wstring, DWORD_PTR>> expected = {
        {folder + L"hilfe.chm", 12}, {folder + L"hilfe.chm", 12}, {folder + L"aide.chm", 12}, {folder + L"aide.chm", 12}};
    EXPECT_EQ(requests, expected);
    FreeLibrary(probe);
    for (const wchar_t* name : {L"hilfe.chm", L"aide.chm"}) DeleteFileW((folder + name).c_str());
}

}  // namespace
}  // namespace lark::shellext
