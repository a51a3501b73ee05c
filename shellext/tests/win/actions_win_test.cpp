// The context menu and the transfer actions under Wine, against the registered main-client
// double: the menu from the folder's GetUIObjectOf with the shell's first id 0 and 1000, each
// command ending in its call in the double's log; profiles moved and read back from the double's
// own site database; local files dropped onto a remote folder arriving in the double's site.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "local_files_data.h"
#include "lx_test_root.h"
#include "gui_testing/form_driver.h"
#include "mainclient_double/double_support.h"
#include "shellext/model/site_database.h"
#include "shellext/selection_list.h"
#include "shellext/win/actions_win.h"
#include "shellext/win/lx_library.h"
#include "shellext/win/shell_view.h"
#include "shell_testing/fake_shell_browser.h"
#include "shell_testing/notice_recorder.h"
#include "ui/application.h"
#include "win/com_ptr.h"
#include "win/object.h"
#include "win/text.h"

using namespace lark;
using namespace lark::shellext;
using namespace lark::testing;
using win::ComPtr;

namespace {

const ItemIdList* Items(LPCITEMIDLIST list) { return reinterpret_cast<const ItemIdList*>(list); }

class RecordingDialogs : public ItemDialogs {
public:
    std::vector<std::string> shown;
    bool NewProfile(FolderContext&, TFTPObjects* folder, TFTPObject*& node) override {
        shown.push_back("NewProfile");
        TFTPObjects& level = folder ? *folder : LxLibrary::Instance().Model().Nodes();
        node = level.AddNewRecord();
        node->ServerInfo()->ProfileName = "Made";
        return true;
    }
    bool EditProfile(FolderContext&, TFTPObject& node) override {
        shown.push_back("EditProfile " + node.NodeName());
        return true;
    }
    bool EditProfileFolder(FolderContext&, TFTPObject& node) override {
        shown.push_back("EditProfileFolder " + node.NodeName());
        return false;
    }
    bool EditFSObject(FolderContext&, TFSObject& object) override {
        shown.push_back("EditFSObject " + object.Name);
        return true;
    }
    bool EditFSObjects(FolderContext&, const std::vector<std::pair<std::string, TFSObject*>>&) override {
        shown.push_back("EditFSObjects");
        return true;
    }
};

class RecordingView : public ViewCommands {
public:
    std::vector<std::string> calls;
    int CurrentViewMode() const override { return 4; }
    void ApplyViewMode(std::uint32_t command) override { calls.push_back("mode " + std::to_string(command)); }
    void StartRename() override { calls.push_back("rename"); }
    ActionResult RefreshView() override {
        calls.push_back("refresh");
        return S_OK;
    }
};

using LocalFiles = LocalFilesData;  // local files as Explorer drags them

class LxActions : public LxComSuite {
protected:
    static void SetUpTestSuite() {
        StartSuite({.doubleName = L"lxactions", .beforeRegister = [](DoubleSetup& server) {
                        WriteTextFile(server.Root() + L"double.ini",
                                      "[Double]\r\nSite=site\r\nCallLog=calls.log\r\nScenario=scenario.ini\r\n"
                                      "SiteDatabase=sites.ini\r\n");
                    }});
        SetLibraryDialogs(&dialogs_);
    }
    static void TearDownTestSuite() {
        SetLibraryDialogs(nullptr);
        EndSuite();
    }

    void SetUp() override {
        double_->Reset();
        // The double's own database starts as the one lx reads.
        const std::wstring programFolder = FolderOf(win::ModulePath()) + L"mainclient\\";
        ASSERT_TRUE(CopyFileW((programFolder + L"larkftpsrvs.ini").c_str(), Sites().c_str(), FALSE));
        CreateDirectoryW(double_->Site(L"pub").c_str(), nullptr);
        WriteTextFile(double_->Site(L"readme.txt"), "hello");
        WriteTextFile(double_->Site(L"notes.txt"), "notes");
        LxLibrary::Instance().ResetModel();
        box_.shown.clear();
        box_.answers.clear();
        dialogs_.shown.clear();
        root_ = NewLxRoot();
    }
    void TearDown() override {
        root_.Reset();
        SelectionList::Global().Clear();
        OleSetClipboard(nullptr);  // a copied data source holds the module until the clipboard lets go
    }

    static std::wstring Sites() { return double_->Root() + L"sites.ini"; }


    static Pidl Find(IShellFolder* folder, SHCONTF flags, const std::string& name) {
        ComPtr<IEnumIDList> e;
        if (folder->EnumObjects(nullptr, flags, e.Put()) != S_OK || !e) return nullptr;
        LPITEMIDLIST item = nullptr;
        while (e->Next(1, &item, nullptr) == S_OK) {
            Pidl owned(item);
            if (PidlDisplayName(Items(item)) == name) return owned;
        }
        return nullptr;
    }
    static ComPtr<IShellFolder> Bind(IShellFolder* folder, LPCITEMIDLIST item) {
        ComPtr<IShellFolder> child;
        EXPECT_EQ(folder->BindToObject(item, nullptr, IID_IShellFolder, child.PutVoid()), S_OK);
        return child;
    }
    static Pidl Absolute(IShellFolder* folder) {
        ComPtr<IPersistFolder2> persist;
        EXPECT_EQ(ComPtr<IShellFolder>(folder).As(persist), S_OK);
        LPITEMIDLIST list = nullptr;
        EXPECT_EQ(persist->GetCurFolder(&list), S_OK);
        return Pidl(list);
    }

    static ComPtr<IContextMenu> ItemMenu(IShellFolder* folder, LPCITEMIDLIST item) {
        ComPtr<IContextMenu> menu;
        EXPECT_EQ(folder->GetUIObjectOf(nullptr, 1, &item, IID_IContextMenu, nullptr, menu.PutVoid()), S_OK);
        return menu;
    }

    // The menu's (id, text) in order, separators as (0, "-").
    static std::vector<std::pair<UINT, std::string>> Entries(HMENU menu) {
        std::vector<std::pair<UINT, std::string>> out;
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            MENUITEMINFOW info{};
            wchar_t text[128] = L"";
            info.cbSize = sizeof info;
            info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING;
            info.dwTypeData = text;
            info.cch = 128;
            GetMenuItemInfoW(menu, i, TRUE, &info);
            out.emplace_back(info.fType & MFT_SEPARATOR ? 0 : info.wID,
                             info.fType & MFT_SEPARATOR ? "-" : win::Narrow(text));
        }
        return out;
    }

    static HRESULT Invoke(IContextMenu* menu, UINT offset) {
        CMINVOKECOMMANDINFO info{};
        info.cbSize = sizeof info;
        info.lpVerb = MAKEINTRESOURCEA(offset);
        info.nShow = SW_SHOWNORMAL;
        return menu->InvokeCommand(&info);
    }
    static HRESULT InvokeVerb(IContextMenu* menu, const char* verb) {
        CMINVOKECOMMANDINFO info{};
        info.cbSize = sizeof info;
        info.lpVerb = verb;
        return menu->InvokeCommand(&info);
    }

    static inline RecordingDialogs dialogs_;
    ComPtr<IShellFolder> root_;
};

}  // namespace

TEST_F(LxActions, ItemMenuWithFirstIdZeroAndThousandRunsItsCommandsThroughTheDouble) {
    Pidl homeItem = Find(root_.get(), SHCONTF_FOLDERS, "Home");
    ComPtr<IShellFolder> home = Bind(root_.get(), homeItem.get());
    for (UINT first : {0u, 1000u}) {
        SCOPED_TRACE(first);
        Pidl readme = Find(home.get(), SHCONTF_NONFOLDERS, first == 0 ? "readme.txt" : "notes.txt");
        ASSERT_TRUE(readme);
        ComPtr<IContextMenu> menu = ItemMenu(home.get(), readme.get());
        ASSERT_TRUE(menu);
        HMENU popup = CreatePopupMenu();
        const HRESULT hr = menu->QueryContextMenu(popup, 0, first, first + 0x7FFF, CMF_NORMAL);
        EXPECT_EQ(HRESULT_CODE(hr), 205);  // the largest offset (Paste, 204) + 1
        EXPECT_TRUE(SUCCEEDED(hr));
        using E = std::pair<UINT, std::string>;
        EXPECT_EQ(Entries(popup), (std::vector<E>{{first + 102, "&Explore"}, {0, "-"}, {first + 203, "&Copy"},
                                                  {first + 204, "&Paste"}, {0, "-"}, {first + 106, "&Delete"},
                                                  {first + 107, "&Rename"}, {0, "-"}, {first + 108, "&Properties"}}));
        EXPECT_EQ(GetMenuState(popup, first + 107, MF_BYCOMMAND) & MF_GRAYED, UINT(MF_GRAYED));  // no view: no rename
        DestroyMenu(popup);

        const std::string path = first == 0 ? "/readme.txt" : "/notes.txt";
        // Open: the main client opens the file.
        EXPECT_EQ(Invoke(menu.get(), 102), S_OK);
        EXPECT_EQ(double_->CallsOf("OpenRemoteFile").back(), "OpenRemoteFile\t1\t" + path);
        // Properties: the remote object's dialog.
        EXPECT_EQ(Invoke(menu.get(), 108), S_OK);
        EXPECT_EQ(dialogs_.shown.back(), "EditFSObject " + path.substr(1));
        // Rename from a folder's menu and view commands are refused.
        EXPECT_EQ(Invoke(menu.get(), 107), E_INVALIDARG);
        EXPECT_EQ(Invoke(menu.get(), 304), E_INVALIDARG);
        EXPECT_EQ(InvokeVerb(menu.get(), "explore"), E_INVALIDARG);
        // Delete, answered No then Yes (the canonical verb maps to it).
        box_.answers = {localization::ModalResult::mrNo, localization::ModalResult::mrYes};
        box_.shown.clear();
        EXPECT_EQ(InvokeVerb(menu.get(), "delete"), S_OK);
        EXPECT_TRUE(Exists(double_->Site(win::Widen(path.substr(1)))));
        EXPECT_EQ(Invoke(menu.get(), 106), S_OK);
        ASSERT_EQ(box_.shown.size(), 2u);
        EXPECT_EQ(box_.shown[1].text, "Are you sure you want to delete \"" + path.substr(1) + "\"?");
        EXPECT_EQ(box_.shown[1].caption, "Confirm remote file deletion");
        EXPECT_EQ(double_->CallsOf("DeleteRemoteFile").back(), "DeleteRemoteFile\t1\t" + path);
        EXPECT_FALSE(Exists(double_->Site(win::Widen(path.substr(1)))));
    }
}

TEST_F(LxActions, CommandStringsAreVerbsOrEmptyAndTooFewIdsLeaveEntriesOut) {
    Pidl homeItem = Find(root_.get(), SHCONTF_FOLDERS, "Home");
    ComPtr<IContextMenu> menu = ItemMenu(root_.get(), homeItem.get());
    ASSERT_TRUE(menu);
    HMENU popup = CreatePopupMenu();
    const HRESULT hr = menu->QueryContextMenu(popup, 0, 1000, 1107, CMF_EXPLORE);
    EXPECT_EQ(HRESULT_CODE(hr), 108);  // Rename (107) is the largest that fits
    using E = std::pair<UINT, std::string>;
    EXPECT_EQ(Entries(popup), (std::vector<E>{{1101, "&Open"}, {0, "-"}, {1106, "&Delete"}, {1107, "&Rename"}}));
    DestroyMenu(popup);

    char text[32];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(menu->GetCommandString(106, GCS_VERBA, nullptr, text, sizeof text), S_OK);
    EXPECT_STREQ(text, "delete");
    wchar_t wide[32];
    std::fill(std::begin(wide), std::end(wide), L'x');
    EXPECT_EQ(menu->GetCommandString(106, GCS_HELPTEXTW, nullptr, reinterpret_cast<LPSTR>(wide), 32), S_OK);
    EXPECT_EQ(wide[0], L'\0');
    EXPECT_EQ(menu->GetCommandString(206, GCS_VERBW, nullptr, reinterpret_cast<LPSTR>(wide), 32), S_OK);
    EXPECT_EQ(wide[0], L'\0');
    EXPECT_EQ(menu->GetCommandString(106, GCS_HELPTEXTA, nullptr, text, sizeof text), E_NOTIMPL);

    // Properties of a site profile through its canonical verb.
    EXPECT_EQ(InvokeVerb(menu.get(), "properties"), S_OK);
    EXPECT_EQ(dialogs_.shown.back(), "EditProfile Home");
}

TEST_F(LxActions, BackgroundMenuMakesANewRemoteDirectoryAndANewProfileAndRefreshesItsView) {
    Pidl homeItem = Find(root_.get(), SHCONTF_FOLDERS, "Home");
    ComPtr<IShellFolder> home = Bind(root_.get(), homeItem.get());
    Pidl homeList = Absolute(home.get());
    auto view = std::make_shared<RecordingView>();
    ComPtr<IContextMenu> menu;
    ASSERT_EQ(CreateContextMenu({home.get(), nullptr, Items(homeList.get()), view}, nullptr, 0, nullptr,
                                IID_IContextMenu, menu.PutVoid()),
              S_OK);
    HMENU popup = CreatePopupMenu();
    EXPECT_EQ(HRESULT_CODE(menu->QueryContextMenu(popup, 0, 1000, 0x7FFF, CMF_NORMAL)), 1033);
    HMENU add = GetSubMenu(popup, GetMenuItemCount(popup) - 1);
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(GetMenuState(add, 2032, MF_BYCOMMAND) & MF_GRAYED, UINT(MF_GRAYED));  // no profile inside a site
    HMENU modes = GetSubMenu(popup, 0);
    EXPECT_EQ(GetMenuState(modes, 1304, MF_BYCOMMAND) & MF_CHECKED, UINT(MF_CHECKED));
    DestroyMenu(popup);

    EXPECT_EQ(Invoke(menu.get(), 1031), S_OK);
    EXPECT_EQ(double_->CallsOf("MakeRemoteDirectory").back(), "MakeRemoteDirectory\t1\t/New folder");
    EXPECT_TRUE(Exists(double_->Site(L"New folder")));
    EXPECT_EQ(Invoke(menu.get(), 109), S_OK);
    EXPECT_EQ(Invoke(menu.get(), 302), S_OK);
    EXPECT_EQ(view->calls, (std::vector<std::string>{"refresh", "mode 302"}));

    // At the namespace root: a new site folder in the double's database, a new profile by the dialog.
    ComPtr<IContextMenu> rootMenu;
    ASSERT_EQ(CreateContextMenu({root_.get(), nullptr, nullptr, nullptr}, nullptr, 0, nullptr, IID_IContextMenu,
                                rootMenu.PutVoid()),
              S_OK);
    EXPECT_EQ(Invoke(rootMenu.get(), 1031), S_OK);
    EXPECT_EQ(double_->CallsOf("AddProfileFolder").back(), "AddProfileFolder\tNew folder\t\\");
    EXPECT_EQ(Invoke(rootMenu.get(), 1032), S_OK);
    EXPECT_EQ(dialogs_.shown.back(), "NewProfile");
    EXPECT_EQ(Invoke(rootMenu.get(), 109), E_INVALIDARG);  // no view to refresh
    auto sites = LoadSiteDatabase(win::Narrow(Sites()));
    ASSERT_EQ(sites->FTPServers().Count(), 3);
    EXPECT_EQ(sites->FTPServers().Items(2)->ProfileName, "New folder");
    EXPECT_TRUE(sites->FTPServers().Items(2)->IsFolder);
}

TEST_F(LxActions, AMovedProfileKeepsEveryFieldInTheDoublesDatabase) {
    TServers original;
    original.SetName("Servers1");
    ReadSiteDatabase(original, win::Narrow(Sites()));
    Pidl homeItem = Find(root_.get(), SHCONTF_FOLDERS, "Home");
    Pidl workItem = Find(root_.get(), SHCONTF_FOLDERS, "Work");
    FolderContext folder = LxLibrary::Instance().Context();
    ActionContext context = LibraryActionContext(folder);
    SelectionList::Global().Set(Items(homeItem.get()), nullptr);
    EXPECT_EQ(PasteProfiles(Items(workItem.get()), nullptr, kDropEffectMove, context), S_OK);
    EXPECT_EQ(double_->CallsOf("DeleteProfile").back(), "DeleteProfile\tHome");

    auto sites = LoadSiteDatabase(win::Narrow(Sites()));
    ASSERT_EQ(sites->FTPServers().Count(), 1);
    TFtpServers& work = sites->FTPServers().Items(0)->Servers();
    ASSERT_EQ(work.Count(), 2);
    const TFtpServerInfo& moved = *work.Items(1);
    const TFtpServerInfo& before = *original.FTPServers().Items(0);
    for (const core::PropInfo* prop : before.Class().AllProps()) {
        const core::Value value = moved.GetProp(*prop);
        if (std::holds_alternative<core::Persistent*>(value)) continue;
        EXPECT_EQ(value, before.GetProp(*prop)) << prop->name;
    }
    EXPECT_EQ(moved.PassWord(), before.PassWord());
    EXPECT_FALSE(before.PassWord().empty());

    // Into its own subtree: refused, nothing called.
    const std::size_t calls = double_->Calls().size();
    SelectionList::Global().Set(Items(workItem.get()), nullptr);
    EXPECT_EQ(PasteProfiles(Items(workItem.get()), nullptr, kDropEffectMove, context), E_INVALIDARG);
    EXPECT_EQ(double_->Calls().size(), calls);
}

TEST_F(LxActions, AFailedAddInsideAMovedFolderKeepsTheSource) {
    FolderContext folder = LxLibrary::Instance().Context();
    ActionContext context = LibraryActionContext(folder);
    ItemIdList* made = nullptr;
    ASSERT_EQ(CreateNewItem({}, NewItemKind::SiteFolder, context, &made), S_OK);
    Pidl target(reinterpret_cast<LPITEMIDLIST>(made));
    Pidl workItem = Find(root_.get(), SHCONTF_FOLDERS, "Work");
    double_->Scenario("[AddProfile]\r\nResult=-1\r\n");
    SelectionList::Global().Set(Items(workItem.get()), nullptr);
    EXPECT_EQ(PasteProfiles(Items(target.get()), nullptr, kDropEffectMove, context), S_OK);
    EXPECT_EQ(double_->CallsOf("AddProfileFolder").back(), "AddProfileFolder\tWork\t\\New folder\\");
    EXPECT_EQ(double_->CallsOf("AddProfile").back().rfind("AddProfile\t\\New folder\\Work\\\tArchive\t", 0), 0u);
    EXPECT_TRUE(double_->CallsOf("DeleteProfileFolder").empty());
    auto sites = LoadSiteDatabase(win::Narrow(Sites()));
    ASSERT_EQ(sites->FTPServers().Count(), 3);
    EXPECT_EQ(sites->FTPServers().Items(1)->ProfileName, "Work");
    EXPECT_EQ(sites->FTPServers().Items(1)->Servers().Count(), 1);
}

TEST_F(LxActions, LocalFilesDroppedOnARemoteFolderArriveInTheDoublesSite) {
    WriteTextFile(double_->Local(L"a.txt"), "alpha");
    CreateDirectoryW(double_->Local(L"tree").c_str(), nullptr);
    WriteTextFile(double_->Local(L"tree\\b.txt"), "beta");
    Pidl homeItem = Find(root_.get(), SHCONTF_FOLDERS, "Home");
    ComPtr<IShellFolder> home = Bind(root_.get(), homeItem.get());
    Pidl pub = Find(home.get(), SHCONTF_FOLDERS, "pub");
    ASSERT_TRUE(pub);
    FolderContext folder = LxLibrary::Instance().Context();
    ActionContext context = LibraryActionContext(folder);
    ComPtr<IDataObject> data = ComPtr<IDataObject>::Attach(
        new LocalFiles({double_->Local(L"a.txt"), double_->Local(L"tree"), double_->Local(L"missing")}));
    const std::shared_ptr<TransferData> adapter = TransferDataOf(data.get());
    EXPECT_EQ(PasteFileObjects(Items(pub.get()), *adapter, DROPEFFECT_COPY, context), S_OK);
    EXPECT_EQ(ReadTextFile(double_->Site(L"pub\\a.txt")), "alpha");
    EXPECT_EQ(ReadTextFile(double_->Site(L"pub\\tree\\b.txt")), "beta");
    EXPECT_EQ(double_->CallsOf("UploadFile").size(), 1u);
    EXPECT_EQ(double_->CallsOf("UploadDirectory").size(), 1u);
    // The folder was listed again and holds them now.
    TFSObject* dir = RemoteNodeOf(Items(pub.get()));
    ASSERT_NE(dir, nullptr);
    ASSERT_NE(dir->Children(), nullptr);
    EXPECT_NE(dir->Children()->FindByName("a.txt"), nullptr);
    EXPECT_NE(dir->Children()->FindByName("tree"), nullptr);
}

TEST(ReadDropFileListWin, EveryReadStaysInsideTheBlock) {
    // A header that points past a 24-byte block, and a name without its end.
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 24);
    auto* bytes = static_cast<std::uint8_t*>(GlobalLock(block));
    bytes[0] = 200;
    GlobalUnlock(block);
    std::vector<std::string> names{"stale"};
    EXPECT_EQ(ReadDropFileList(block, names), E_INVALIDARG);
    EXPECT_TRUE(names.empty());
    bytes = static_cast<std::uint8_t*>(GlobalLock(block));
    bytes[0] = 20;
    std::memset(bytes + 20, 'x', GlobalSize(block) - 20);  // up to the block's very end
    GlobalUnlock(block);
    EXPECT_EQ(ReadDropFileList(block, names), E_INVALIDARG);
    EXPECT_TRUE(names.empty());
    GlobalFree(block);
    // An ANSI list is read in the system's code page (here the prefix's, Windows-1252).
    const char ansi[] = "C:\\caf\xe9";
    block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 20 + sizeof ansi + 1);
    bytes = static_cast<std::uint8_t*>(GlobalLock(block));
    bytes[0] = 20;
    std::memcpy(bytes + 20, ansi, sizeof ansi);
    GlobalUnlock(block);
    EXPECT_EQ(ReadDropFileList(block, names), S_OK);
    EXPECT_EQ(names, std::vector<std::string>{"C:\\caf\xc3\xa9"});
    GlobalFree(block);
    EXPECT_EQ(ReadDropFileList(nullptr, names), E_INVALIDARG);
}

TEST_F(LxActions, TheViewsCommandsAndItsMenuRunThroughTheActions) {
    auto* browser = new FakeShellBrowser;
    Pidl homeItem = Find(root_.get(), SHCONTF_FOLDERS, "Home");
    ComPtr<IShellFolder> home = Bind(root_.get(), homeItem.get());
    ComPtr<IShellView> shellView;
    ASSERT_EQ(home->CreateViewObject(browser->Window(), IID_IShellView, shellView.PutVoid()), S_OK);
    FOLDERSETTINGS settings{FVM_DETAILS, 0};
    RECT rect{0, 0, 600, 400};
    HWND window = nullptr;
    ASSERT_EQ(shellView->CreateViewWindow(nullptr, &settings, browser, &rect, &window), S_OK);
    TlxShellView& view = *static_cast<TlxShellView*>(shellView.get());

    // Delete of the selected row, answered Yes; a new remote directory; no profile inside a site.
    Pidl readme = Find(home.get(), SHCONTF_NONFOLDERS, "readme.txt");
    const ItemIdList* selected[] = {Items(readme.get())};
    box_.answers = {localization::ModalResult::mrYes};
    EXPECT_EQ(RunViewCommand(view, menu_command::kDelete, selected, 1, window), S_OK);
    EXPECT_FALSE(Exists(double_->Site(L"readme.txt")));
    EXPECT_EQ(RunViewCommand(view, menu_command::kNewFolder, nullptr, 0, window), S_OK);
    EXPECT_TRUE(Exists(double_->Site(L"New folder")));
    EXPECT_EQ(RunViewCommand(view, menu_command::kNewProfile, nullptr, 0, window), E_INVALIDARG);
    Pidl notes = Find(home.get(), SHCONTF_NONFOLDERS, "notes.txt");
    const ItemIdList* notesItem[] = {Items(notes.get())};
    EXPECT_EQ(RunViewCommand(view, menu_command::kProperties, notesItem, 1, window), S_OK);
    EXPECT_EQ(dialogs_.shown.back(), "EditFSObject notes.txt");

    // The background menu of the view: its mode checked, a mode chosen, a refresh.
    ComPtr<IContextMenu> menu;
    ASSERT_EQ(CreateContextMenu({shellView.get(), view.RootList(), view.RelativeList(), ViewCommandsOf(view)}, nullptr,
                                0, window, IID_IContextMenu, menu.PutVoid()),
              S_OK);
    HMENU popup = CreatePopupMenu();
    EXPECT_EQ(HRESULT_CODE(menu->QueryContextMenu(popup, 0, 0, 0x7FFF, CMF_NORMAL)), 1033);
    EXPECT_EQ(GetMenuState(GetSubMenu(popup, 0), 304, MF_BYCOMMAND) & MF_CHECKED, UINT(MF_CHECKED));
    DestroyMenu(popup);
    EXPECT_EQ(Invoke(menu.get(), 303), S_OK);
    FOLDERSETTINGS now{};
    EXPECT_EQ(shellView->GetCurrentInfo(&now), S_OK);
    EXPECT_EQ(now.ViewMode, 3u);
    const std::size_t listings = double_->CallsOf("ListDirectory").size();
    EXPECT_EQ(Invoke(menu.get(), 109), S_OK);
    const auto after = double_->CallsOf("ListDirectory");
    ASSERT_GT(after.size(), listings);
    EXPECT_EQ(after.back(), "ListDirectory\t1\t/\t-1");  // listed afresh

    menu.Reset();
    shellView->DestroyViewWindow();
    shellView.Reset();
    browser->Release();
}

TEST_F(LxActions, CopiedItemsPasteOntoAnotherFolderAndSiteButNeverIntoTheirOwnSubtree) {
    Pidl homeItem = Find(root_.get(), SHCONTF_FOLDERS, "Home");
    Pidl workItem = Find(root_.get(), SHCONTF_FOLDERS, "Work");
    ComPtr<IShellFolder> home = Bind(root_.get(), homeItem.get());
    ComPtr<IShellFolder> work = Bind(root_.get(), workItem.get());
    Pidl readme = Find(home.get(), SHCONTF_NONFOLDERS, "readme.txt");
    Pidl pub = Find(home.get(), SHCONTF_FOLDERS, "pub");
    Pidl archive = Find(work.get(), SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, "Archive");
    ASSERT_TRUE(readme && pub && archive);

    // A remote file copied, pasted into a directory of its site and onto another site.
    EXPECT_EQ(Invoke(ItemMenu(home.get(), readme.get()).get(), 203), S_OK);
    EXPECT_EQ(Invoke(ItemMenu(home.get(), pub.get()).get(), 204), S_OK);
    EXPECT_EQ(double_->CallsOf("CopyRemoteFile").back(), "CopyRemoteFile\t1\t1\t/readme.txt\t/pub/readme.txt\t0");
    EXPECT_EQ(ReadTextFile(double_->Site(L"pub\\readme.txt")), "hello");
    DeleteFileW(double_->Site(L"pub\\readme.txt").c_str());
    EXPECT_EQ(Invoke(ItemMenu(work.get(), archive.get()).get(), 204), S_OK);
    EXPECT_EQ(double_->CallsOf("OpenSession").back(), "OpenSession\tArchive");
    EXPECT_EQ(double_->CallsOf("CopyRemoteFile").back().rfind("CopyRemoteFile\t1\t", 0), 0u);
    EXPECT_NE(double_->CallsOf("CopyRemoteFile").back().find("\t/readme.txt\t/pub/readme.txt\t"), std::string::npos);
    EXPECT_EQ(ReadTextFile(double_->Site(L"pub\\readme.txt")), "hello");

    // A profile copied onto another folder arrives in the double's database beside the folder's own.
    EXPECT_EQ(Invoke(ItemMenu(root_.get(), homeItem.get()).get(), 203), S_OK);
    EXPECT_EQ(Invoke(ItemMenu(root_.get(), workItem.get()).get(), 204), S_OK);
    EXPECT_EQ(double_->CallsOf("AddProfile").back().rfind("AddProfile\t\\Work\\\tHome\tlocalhost\t", 0), 0u);
    auto sites = LoadSiteDatabase(win::Narrow(Sites()));
    ASSERT_EQ(sites->FTPServers().Count(), 2);  // a paste copies: Home stays
    ASSERT_EQ(sites->FTPServers().Items(1)->Servers().Count(), 2);
    EXPECT_EQ(sites->FTPServers().Items(1)->Servers().Items(1)->ProfileName, "Home");

    // The folder copied and pasted onto itself: refused, nothing called.
    EXPECT_EQ(Invoke(ItemMenu(root_.get(), workItem.get()).get(), 203), S_OK);
    const std::size_t calls = double_->Calls().size();
    EXPECT_EQ(Invoke(ItemMenu(root_.get(), workItem.get()).get(), 204), E_INVALIDARG);
    EXPECT_EQ(double_->Calls().size(), calls);
}

TEST_F(LxActions, NoticesNameTheItemOnceAndARenamedFolderByBothItsNames) {
    NoticeRecorder recorder;
    auto pump = [] {
        for (int i = 0; i < 20; ++i) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            Sleep(5);
        }
    };
    Pidl homeItem = Find(root_.get(), SHCONTF_FOLDERS, "Home");
    ComPtr<IShellFolder> home = Bind(root_.get(), homeItem.get());
    Pidl readme = Find(home.get(), SHCONTF_NONFOLDERS, "readme.txt");
    Pidl pub = Find(home.get(), SHCONTF_FOLDERS, "pub");
    box_.answers = {localization::ModalResult::mrYes};
    EXPECT_EQ(Invoke(ItemMenu(home.get(), readme.get()).get(), 106), S_OK);
    EXPECT_EQ(home->SetNameOf(nullptr, pub.get(), L"public", SHGDN_NORMAL, nullptr), S_OK);
    pump();
    std::vector<std::string> seen;
    for (const ShellNotice& n : recorder.notices)
        seen.push_back(std::to_string(n.event) + " " + n.first + " " + n.second);
    EXPECT_EQ(seen, (std::vector<std::string>{std::to_string(SHCNE_DELETE) + " readme.txt <null>",
                                              std::to_string(SHCNE_RENAMEFOLDER) + " pub public"}));
}

// Ctrl+V or Edit > Paste in a view with nothing selected, as Explorer delivers it (the view
// window's Paste command): whatever the clipboard holds goes into the folder shown, in every
// kind of folder.
TEST_F(LxActions, APasteWithNothingSelectedGoesIntoTheFolderShownInEveryKindOfFolder) {
    Pidl homeItem = Find(root_.get(), SHCONTF_FOLDERS, "Home");
    Pidl workItem = Find(root_.get(), SHCONTF_FOLDERS, "Work");
    ComPtr<IShellFolder> home = Bind(root_.get(), homeItem.get());
    ComPtr<IShellFolder> work = Bind(root_.get(), workItem.get());
    Pidl archive = Find(work.get(), SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, "Archive");
    Pidl pubItem = Find(home.get(), SHCONTF_FOLDERS, "pub");
    Pidl readme = Find(home.get(), SHCONTF_NONFOLDERS, "readme.txt");
    ASSERT_TRUE(archive && pubItem && readme);
    ComPtr<IShellFolder> pub = Bind(home.get(), pubItem.get());
    WriteTextFile(double_->Local(L"upload.txt"), "up");

    // Pastes in a view of the folder with no row selected.
    auto pasteInView = [&](IShellFolder* folder) {
        auto* browser = new FakeShellBrowser;
        ComPtr<IShellView> view;
        ASSERT_EQ(folder->CreateViewObject(browser->Window(), IID_IShellView, view.PutVoid()), S_OK);
        FOLDERSETTINGS settings{FVM_DETAILS, 0};
        RECT rect{0, 0, 600, 400};
        HWND window = nullptr;
        ASSERT_EQ(view->CreateViewWindow(nullptr, &settings, browser, &rect, &window), S_OK);
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(view_command::kPaste, 0), 0);
        view->DestroyViewWindow();
        view.Reset();
        browser->Release();
    };

    // The namespace root: a profile copied from a folder is recreated at the top level.
    EXPECT_EQ(Invoke(ItemMenu(work.get(), archive.get()).get(), 203), S_OK);
    pasteInView(root_.get());
    ASSERT_FALSE(double_->CallsOf("AddProfile").empty());
    EXPECT_EQ(double_->CallsOf("AddProfile").back().rfind("AddProfile\t\\\tArchive\t", 0), 0u);

    // A profile folder: a profile of the top level arrives in the folder.
    EXPECT_EQ(Invoke(ItemMenu(root_.get(), homeItem.get()).get(), 203), S_OK);
    pasteInView(work.get());
    EXPECT_EQ(double_->CallsOf("AddProfile").back().rfind("AddProfile\t\\Work\\\tHome\t", 0), 0u);
    auto sites = LoadSiteDatabase(win::Narrow(Sites()));
    ASSERT_EQ(sites->FTPServers().Count(), 3);  // Home, Work and the pasted Archive
    EXPECT_EQ(sites->FTPServers().Items(1)->Servers().Count(), 2);

    // A site: local files are uploaded into its top directory.
    ComPtr<IDataObject> local = ComPtr<IDataObject>::Attach(new LocalFiles({double_->Local(L"upload.txt")}));
    ASSERT_EQ(OleSetClipboard(local.get()), S_OK);
    pasteInView(home.get());
    EXPECT_EQ(ReadTextFile(double_->Site(L"upload.txt")), "up");
    ASSERT_EQ(double_->CallsOf("UploadFile").size(), 1u);

    // A remote directory: a remote file is copied into it on the server.
    EXPECT_EQ(Invoke(ItemMenu(home.get(), readme.get()).get(), 203), S_OK);
    pasteInView(pub.get());
    ASSERT_FALSE(double_->CallsOf("CopyRemoteFile").empty());
    EXPECT_EQ(double_->CallsOf("CopyRemoteFile").back(), "CopyRemoteFile\t1\t1\t/readme.txt\t/pub/readme.txt\t0");
    EXPECT_EQ(ReadTextFile(double_->Site(L"pub\\readme.txt")), "hello");
}

// The folder tree's menu of one item: Rename is offered when the host says it renames
// (CMF_CANRENAME), under the verb "rename", and the host's SetNameOf on the folder renames.
TEST_F(LxActions, AFolderMenuOffersRenameToAHostThatRenamesThroughSetNameOf) {
    Pidl workItem = Find(root_.get(), SHCONTF_FOLDERS, "Work");
    ComPtr<IContextMenu> menu = ItemMenu(root_.get(), workItem.get());
    HMENU popup = CreatePopupMenu();
    ASSERT_TRUE(SUCCEEDED(menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_NORMAL)));
    EXPECT_EQ(GetMenuState(popup, 1 + 107, MF_BYCOMMAND) & MF_GRAYED, UINT(MF_GRAYED));
    DestroyMenu(popup);
    popup = CreatePopupMenu();
    ASSERT_TRUE(SUCCEEDED(menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_CANRENAME)));
    EXPECT_EQ(GetMenuState(popup, 1 + 107, MF_BYCOMMAND) & MF_GRAYED, 0u);
    DestroyMenu(popup);
    char verb[32] = "";
    EXPECT_EQ(menu->GetCommandString(107, GCS_VERBA, nullptr, verb, sizeof verb), S_OK);
    EXPECT_STREQ(verb, "rename");
    // What the host does on that verb: its own label editing, then the folder's SetNameOf.
    EXPECT_EQ(root_->SetNameOf(nullptr, workItem.get(), L"Office", SHGDN_NORMAL, nullptr), S_OK);
    EXPECT_EQ(double_->CallsOf("RenameProfileFolder").back(), "RenameProfileFolder\tWork\tOffice");
}

namespace {
// The translated box that the library shows, found as it opens: its captions, a picture, then
// the answer No.
struct BoxSeen {
    std::string caption, yes, no, text;
    bool shown = false;
};
BoxSeen* g_box = nullptr;
void CALLBACK AnswerBox(HWND, UINT, UINT_PTR id, DWORD);
ui::Form* g_boxForm = nullptr;
void CALLBACK AnswerBox(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (!g_box || !g_boxForm) return;
    FormDriver driver(*g_boxForm);
    g_box->shown = true;
    g_box->caption = g_boxForm->Caption();
    g_box->yes = driver.Text("Yes");
    g_box->no = driver.Text("No");
    g_box->text = driver.Text("Message");
    driver.Pump();
    driver.Screenshot("delete_box_de");
    driver.Click("No");
}
}  // namespace

// The library's own box (no test box installed) takes its captions from the data module in the
// active language: the German delete question says "&Ja" and "&Nein".
TEST_F(LxActions, TheDeleteQuestionSpeaksTheDataModulesLanguage) {
    Pidl homeItem = Find(root_.get(), SHCONTF_FOLDERS, "Home");
    ComPtr<IShellFolder> home = Bind(root_.get(), homeItem.get());
    Pidl readme = Find(home.get(), SHCONTF_NONFOLDERS, "readme.txt");
    ASSERT_TRUE(readme);
    ComPtr<IContextMenu> menu = ItemMenu(home.get(), readme.get());
    ASSERT_TRUE(menu);
    TDM& dm = LxLibrary::Instance().DataModule();
    dm.SetLanguage(2);
    LxLibrary::Instance().SetMessageBox(nullptr);
    BoxSeen seen;
    g_box = &seen;
    ui::Application::Instance().OnModalBegin.Bind([](ui::Form& form) {
        g_boxForm = &form;
        SetTimer(nullptr, 0, 0, &AnswerBox);
    });
    const HRESULT hr = Invoke(menu.get(), 106);
    ui::Application::Instance().OnModalBegin.Bind(nullptr);
    g_box = nullptr;
    g_boxForm = nullptr;
    LxLibrary::Instance().SetMessageBox(&box_);
    dm.SetLanguage(1);
    EXPECT_EQ(hr, S_OK);
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.caption, "Löschen von Datei auf Server bestätigen");
    EXPECT_EQ(seen.yes, "&Ja");
    EXPECT_EQ(seen.no, "&Nein");
    EXPECT_EQ(seen.text, "\"Sind Sie sicher, dass Sie löschen möchten \"readme.txt\"?");
    EXPECT_TRUE(Exists(double_->Site(L"readme.txt")));  // No keeps it
    EXPECT_TRUE(double_->CallsOf("DeleteRemoteFile").empty());
}
