// The extension's own view in a fake shell browser, over the registered main-client double: the
// rows and both column sets, sorting by every column both ways, view modes, the merged menus,
// the status texts the browser receives, rename in place and the notices that follow.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "localization/message_box.h"
#include "lx_test_root.h"
#include "mainclient_double/double_support.h"
#include "shell_testing/fake_shell_browser.h"
#include "shell_testing/notice_recorder.h"
#include "shellext/item_ids.h"
#include "shellext/selection_list.h"
#include "shellext/win/actions_win.h"
#include "shellext/win/data_objects.h"
#include "shellext/view_rows.h"
#include "shellext/win/lx_library.h"
#include "shellext/win/shell_view.h"
#include "win/com_ptr.h"
#include "win/text.h"

using namespace lark;
using namespace lark::shellext;
using namespace lark::testing;
using win::ComPtr;

namespace {

void Pump(int ms = 100) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    } while (GetTickCount() < end);
}

std::vector<std::string> Columns(HWND list) {
    std::vector<std::string> names;
    for (int i = 0;; ++i) {
        wchar_t text[64] = L"";
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT;
        column.pszText = text;
        column.cchTextMax = 64;
        if (!SendMessageW(list, LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&column))) break;
        names.push_back(win::Narrow(text));
    }
    return names;
}

std::string Cell(HWND list, int row, int column) {
    wchar_t text[260] = L"";
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 260;
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return win::Narrow(text);
}

std::vector<std::string> Captions(HWND list) {
    std::vector<std::string> names;
    const int n = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) names.push_back(Cell(list, i, 0));
    return names;
}

int RowOf(HWND list, const std::string& caption) {
    const auto names = Captions(list);
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == caption) return static_cast<int>(i);
    return -1;
}

void SelectOnly(HWND list, int row) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

void ClickColumn(HWND view, HWND list, int column) {
    NMLISTVIEW header{};
    header.hdr.hwndFrom = list;
    header.hdr.idFrom = 0;
    header.hdr.code = LVN_COLUMNCLICK;
    header.iItem = -1;
    header.iSubItem = column;
    SendMessageW(view, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
}

void SetFileDay(const std::wstring& path, int day) {
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    SYSTEMTIME st{};
    st.wYear = 2020;
    st.wMonth = 3;
    st.wDay = static_cast<WORD>(day);
    st.wHour = 12;
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    SetFileTime(file, nullptr, nullptr, &ft);
    CloseHandle(file);
}

class LxView : public LxComSuite {
protected:
    static void SetUpTestSuite() { StartSuite({.doubleName = L"lxview"}); }
    static void TearDownTestSuite() { EndSuite(); }

    void SetUp() override {
        double_->Reset();
        CreateDirectoryW(double_->Site(L"pub").c_str(), nullptr);
        CreateDirectoryW(double_->Site(L"docs").c_str(), nullptr);
        WriteTextFile(double_->Site(L"readme.txt"), "hello");
        WriteTextFile(double_->Site(L"big.bin"), std::string(3000, 'x'));
        WriteTextFile(double_->Site(L"a.log"), "1");
        SetFileDay(double_->Site(L"pub"), 5);
        SetFileDay(double_->Site(L"docs"), 9);
        SetFileDay(double_->Site(L"readme.txt"), 3);
        SetFileDay(double_->Site(L"big.bin"), 1);
        SetFileDay(double_->Site(L"a.log"), 7);
        LxLibrary::Instance().ResetModel();
        box_.shown.clear();
        SetSortDirection(-1);
        browser_ = new FakeShellBrowser;
        root_ = NewLxRoot();
    }
    void TearDown() override {
        if (view_) {
            view_->UIActivate(SVUIA_DEACTIVATE);
            view_->DestroyViewWindow();
            view_.Reset();
        }
        root_.Reset();
        browser_->Release();
        Pump(50);
    }


    ComPtr<IShellFolder> Home() {
        ComPtr<IEnumIDList> e;
        EXPECT_EQ(root_->EnumObjects(nullptr, SHCONTF_FOLDERS, e.Put()), S_OK);
        LPITEMIDLIST item = nullptr;
        ComPtr<IShellFolder> home;
        while (e && e->Next(1, &item, nullptr) == S_OK) {
            if (PidlDisplayName(reinterpret_cast<const ItemIdList*>(item)) == "Home")
                root_->BindToObject(item, nullptr, IID_IShellFolder, home.PutVoid());
            CoTaskMemFree(item);
        }
        return home;
    }

    // A view of the folder in the browser; its list view.
    HWND Open(IShellFolder* folder, UINT mode = FVM_DETAILS) {
        EXPECT_EQ(folder->CreateViewObject(browser_->Window(), IID_IShellView, view_.PutVoid()), S_OK);
        if (!view_) return nullptr;
        HWND window = reinterpret_cast<HWND>(1);
        EXPECT_EQ(view_->GetWindow(&window), E_FAIL);  // no window yet
        FOLDERSETTINGS settings{mode, 0};
        RECT rect{0, 0, 760, 500};
        EXPECT_EQ(view_->CreateViewWindow(nullptr, &settings, browser_, &rect, &window), S_OK);
        HWND answered = nullptr;
        EXPECT_EQ(view_->GetWindow(&answered), S_OK);
        EXPECT_EQ(answered, window);
        viewWindow_ = window;
        wchar_t name[64] = L"";
        GetClassNameW(window, name, 64);
        EXPECT_EQ(std::wstring(name), L"TLXVIEWOBJECT");
        return FindWindowExW(window, nullptr, WC_LISTVIEWW, nullptr);
    }
    void Command(int id) { SendMessageW(viewWindow_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

    FakeShellBrowser* browser_ = nullptr;
    ComPtr<IShellFolder> root_;
    ComPtr<IShellView> view_;
    HWND viewWindow_ = nullptr;
};

using Names = std::vector<std::string>;

}  // namespace

TEST_F(LxView, TheSiteListShowsProfilesWithItsColumnsAndStatus) {
    HWND list = Open(root_.get());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(Columns(list), (Names{"Profile", "Host name", "Host directory"}));
    EXPECT_EQ(Captions(list), (Names{"Create new...", "Home", "Work"}));
    EXPECT_EQ(Cell(list, 1, 1), "localhost");
    EXPECT_EQ(Cell(list, 1, 2), "/");
    EXPECT_EQ(browser_->toolbarCalls, 1);
    // The share flag keeps the library's and the system's image lists alive.
    EXPECT_TRUE(GetWindowLongPtrW(list, GWL_STYLE) & LVS_SHAREIMAGELISTS);
    EXPECT_TRUE(GetWindowLongPtrW(list, GWL_STYLE) & LVS_OWNERDATA);

    ASSERT_EQ(view_->UIActivate(SVUIA_ACTIVATE_FOCUS), S_OK);
    EXPECT_EQ(browser_->statusParts, (std::vector<int>{120, 240, -1}));
    EXPECT_NE(browser_->statusIcon, nullptr);
    EXPECT_EQ(browser_->statusTexts[2], L"LARK-FTP Network Places");
    EXPECT_EQ(browser_->statusTexts[0], L"3 object(s)");  // "Create new..." counts
    EXPECT_EQ(browser_->statusTexts[1], L"");
    SelectOnly(list, 2);
    EXPECT_EQ(browser_->statusTexts[0], L"1 object(s) selected");
    // A column click in the site list only turns the direction.
    ClickColumn(viewWindow_, list, 0);
    EXPECT_EQ(SortDirection(), 1);
    EXPECT_EQ(Captions(list), (Names{"Create new...", "Home", "Work"}));
    // Opening a site folder browses into it.
    SendMessageW(list, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_EQ(browser_->browsed.size(), 1u);
    EXPECT_EQ(browser_->browsed[0].first, L"Work");
    EXPECT_EQ(browser_->browsed[0].second, UINT(SBSP_SAMEBROWSER | SBSP_RELATIVE));
    // "Create new..." is not renamed.
    SetFocus(list);
    EXPECT_EQ(SendMessageW(list, LVM_EDITLABELW, 0, 0), 0);
}

TEST_F(LxView, TheFilesViewShowsRemoteObjectsAndSortsByEveryColumnBothWays) {
    ComPtr<IShellFolder> home = Home();
    ASSERT_TRUE(home);
    HWND list = Open(home.get());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(Columns(list), (Names{"Name", "Size", "Type", "Modified", "Attributes"}));
    // Not sorted when filled: the folder's order (directories, then files).
    ASSERT_EQ(Captions(list).size(), 5u);
    const int big = RowOf(list, "big.bin");
    ASSERT_GE(big, 0);
    EXPECT_EQ(Cell(list, big, 1), "2.93 KB");
    EXPECT_NE(Cell(list, big, 2), "");
    EXPECT_NE(Cell(list, big, 3), "");
    EXPECT_EQ(Cell(list, big, 4), "-rw-r--r--");
    EXPECT_EQ(Cell(list, RowOf(list, "readme.txt"), 1), "5 bytes");
    EXPECT_EQ(Cell(list, RowOf(list, "docs"), 1), "");

    struct Case {
        int column;
        Names first, second;  // after one click, after the second
    } cases[] = {
        {0, {"readme.txt", "big.bin", "a.log", "pub", "docs"}, {"docs", "pub", "a.log", "big.bin", "readme.txt"}},
        {3, {"big.bin", "readme.txt", "a.log", "pub", "docs"}, {"docs", "pub", "a.log", "readme.txt", "big.bin"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.column);
        SetSortDirection(-1);
        ClickColumn(viewWindow_, list, c.column);
        EXPECT_EQ(SortDirection(), 1);
        EXPECT_EQ(Captions(list), c.first);
        ClickColumn(viewWindow_, list, c.column);
        EXPECT_EQ(Captions(list), c.second);
    }
    // Size: smallest first on the first click, largest first on the second (the directories'
    // listed sizes are sizes too).
    const auto files = [&] {
        Names names;
        for (const std::string& name : Captions(list))
            if (name.find('.') != std::string::npos) names.push_back(name);
        return names;
    };
    SetSortDirection(-1);
    ClickColumn(viewWindow_, list, 1);
    EXPECT_EQ(files(), (Names{"a.log", "readme.txt", "big.bin"}));
    ClickColumn(viewWindow_, list, 1);
    EXPECT_EQ(files(), (Names{"big.bin", "readme.txt", "a.log"}));
    // Type and attributes: directories grouped, named in order.
    for (int column : {2, 4}) {
        SetSortDirection(-1);
        ClickColumn(viewWindow_, list, column);
        Names once = Captions(list);
        EXPECT_EQ(Names(once.begin() + 3, once.end()), (Names{"pub", "docs"})) << column;
        ClickColumn(viewWindow_, list, column);
        Names twice = Captions(list);
        EXPECT_EQ(Names(twice.begin(), twice.begin() + 2), (Names{"docs", "pub"})) << column;
    }
    // The arrange commands turn the direction and sort by name, type, size, date.
    SetSortDirection(1);
    Command(view_command::kArrangeByName);
    EXPECT_EQ(Captions(list), (Names{"docs", "pub", "a.log", "big.bin", "readme.txt"}));
    Command(view_command::kArrangeBySize);
    EXPECT_EQ(files(), (Names{"a.log", "readme.txt", "big.bin"}));
    // The selection stays on the same rows through a sort.
    SelectOnly(list, RowOf(list, "readme.txt"));
    Command(view_command::kArrangeByDate);
    const int selected = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    EXPECT_EQ(Cell(list, selected, 0), "readme.txt");
}

TEST_F(LxView, MergedMenusViewModesAndStatusTexts) {
    ComPtr<IShellFolder> home = Home();
    HWND list = Open(home.get());
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(view_->UIActivate(SVUIA_ACTIVATE_FOCUS), S_OK);
    EXPECT_EQ(view_->UIActivate(SVUIA_ACTIVATE_FOCUS), S_OK);  // same state: merged once
    EXPECT_EQ(browser_->insertMenusCalls, 1);
    ASSERT_NE(browser_->installedMenu, nullptr);
    EXPECT_EQ(FakeShellBrowser::Entries(browser_->Submenu(FCIDM_MENU_FILE)),
              (Names{"&New", "-", "&Delete(g)", "&Rename(g)", "&Properties(g)", "-", "&Close"}));
    EXPECT_EQ(FakeShellBrowser::Entries(browser_->Submenu(FCIDM_MENU_EDIT)),
              (Names{"Cu&t\tCtrl+X(g)", "&Copy\tCtrl+C(g)", "&Paste\tCtrl+V(g)", "-", "Select &All\tCtrl+A",
                     "&Invert selection", "&Undo"}));
    EXPECT_EQ(FakeShellBrowser::Entries(browser_->Submenu(FCIDM_MENU_VIEW)),
              (Names{"-", "&Toolbar", "-", "&Large icons", "&Small icons", "&List", "[x]&Details", "-",
                     "Arrange &icons", "-", "&Options"}));
    EXPECT_EQ(FakeShellBrowser::Entries(browser_->Submenu(FCIDM_MENU_TOOLS)), (Names{"-", "&Map drive"}));
    EXPECT_EQ(FakeShellBrowser::Entries(browser_->Submenu(FCIDM_MENU_HELP)),
              (Names{"&About Lark-FTP Explorer", "-", "&Help topics"}));
    // A files view offers no new profile.
    EXPECT_TRUE(GetMenuState(browser_->installedMenu, view_command::kNewProfile, MF_BYCOMMAND) & MF_GRAYED);

    // Status: every row's size when none is selected, the selection's otherwise.
    EXPECT_EQ(browser_->statusTexts[0], L"5 object(s)");
    SelectOnly(list, RowOf(list, "big.bin"));
    EXPECT_EQ(browser_->statusTexts[0], L"1 object(s) selected");
    EXPECT_EQ(browser_->statusTexts[1], L"Size: 2.93 KB");
    SelectOnly(list, RowOf(list, "readme.txt"));
    EXPECT_EQ(browser_->statusTexts[1], L"Size: 5 bytes");
    // The selection enables the entries that act on it; Cut stays grayed.
    const auto state = [&](int id) { return GetMenuState(browser_->installedMenu, id, MF_BYCOMMAND); };
    for (int id : {view_command::kDelete, view_command::kRename, view_command::kProperties, view_command::kCopy})
        EXPECT_FALSE(state(id) & MF_GRAYED) << id;
    EXPECT_TRUE(state(view_command::kCut) & MF_GRAYED);
    Command(view_command::kSelectAll);
    EXPECT_EQ(browser_->statusTexts[0], L"5 object(s) selected");
    Command(view_command::kInvertSelection);
    EXPECT_EQ(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), 0);

    // View modes: the list's style, the radio check and the folder settings follow.
    struct Mode {
        int command;
        DWORD style;
        UINT mode;
    } modes[] = {{view_command::kLargeIcons, LVS_ICON, 1}, {view_command::kSmallIcons, LVS_SMALLICON, 2},
                 {view_command::kList, LVS_LIST, 3}, {view_command::kDetails, LVS_REPORT, 4}};
    for (const Mode& m : modes) {
        Command(m.command);
        EXPECT_EQ(GetWindowLongPtrW(list, GWL_STYLE) & LVS_TYPEMASK, static_cast<LONG_PTR>(m.style)) << m.command;
        FOLDERSETTINGS settings{};
        EXPECT_EQ(view_->GetCurrentInfo(&settings), S_OK);
        EXPECT_EQ(settings.ViewMode, m.mode);
        for (int id = view_command::kLargeIcons; id <= view_command::kDetails; ++id)
            EXPECT_EQ((state(id) & MF_CHECKED) != 0, id == m.command) << m.command << " " << id;
    }
    // Deactivation removes and destroys the merged menu once.
    HMENU merged = browser_->installedMenu;
    EXPECT_EQ(view_->UIActivate(SVUIA_DEACTIVATE), S_OK);
    EXPECT_EQ(browser_->removeMenusCalls, 1);
    EXPECT_EQ(browser_->installedMenu, nullptr);
    EXPECT_FALSE(IsMenu(merged));
    EXPECT_EQ(view_->UIActivate(SVUIA_DEACTIVATE), S_OK);
    EXPECT_EQ(browser_->removeMenusCalls, 1);
}

TEST_F(LxView, RenameInPlaceGoesThroughTheDoubleAndNotifies) {
    ComPtr<IShellFolder> home = Home();
    HWND list = Open(home.get());
    ASSERT_NE(list, nullptr);
    NoticeRecorder recorder;
    const auto rename = [&](const std::string& from, const std::wstring& to) {
        const int row = RowOf(list, from);
        EXPECT_GE(row, 0) << from;
        SelectOnly(list, row);
        SetFocus(list);
        Command(view_command::kRename);
        HWND edit = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETEDITCONTROL, 0, 0));
        EXPECT_NE(edit, nullptr);
        if (!edit) return;
        SetWindowTextW(edit, to.c_str());
        SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
        Pump(300);
    };

    rename("readme.txt", L"notes.txt");
    EXPECT_EQ(double_->CallsOf("RenameRemoteObject"), (Names{"RenameRemoteObject\t1\t/readme.txt\tnotes.txt"}));
    EXPECT_GE(RowOf(list, "notes.txt"), 0);
    EXPECT_EQ(RowOf(list, "readme.txt"), -1);
    EXPECT_TRUE(Exists(double_->Site(L"notes.txt")));
    ASSERT_FALSE(recorder.notices.empty());
    EXPECT_EQ(recorder.notices.back().event, SHCNE_RENAMEITEM);
    EXPECT_EQ(recorder.notices.back().first, "readme.txt");
    EXPECT_EQ(recorder.notices.back().second, "notes.txt");

    // A directory: the folder rename notice carries the old and the new list.
    recorder.notices.clear();
    rename("docs", L"papers");
    EXPECT_EQ(double_->CallsOf("RenameRemoteObject").back(), "RenameRemoteObject\t1\t/docs\tpapers");
    ASSERT_FALSE(recorder.notices.empty());
    EXPECT_EQ(recorder.notices.back().event, SHCNE_RENAMEFOLDER);
    EXPECT_EQ(recorder.notices.back().first, "docs");
    EXPECT_EQ(recorder.notices.back().second, "papers");
    EXPECT_GE(RowOf(list, "papers"), 0);

    // The same text ends silently; a change of letter case only is refused with the box.
    const std::size_t calls = double_->CallsOf("RenameRemoteObject").size();
    rename("big.bin", L"big.bin");
    EXPECT_EQ(double_->CallsOf("RenameRemoteObject").size(), calls);
    EXPECT_TRUE(box_.shown.empty());
    rename("big.bin", L"BIG.bin");
    EXPECT_EQ(double_->CallsOf("RenameRemoteObject").size(), calls);
    ASSERT_EQ(box_.shown.size(), 1u);
    EXPECT_EQ(box_.shown[0].text,
              "Cannot rename big.bin: A file with the name you specified already exists. Specify a different name.");
    SendMessageW(list, LVM_CANCELEDITLABEL, 0, 0);
    EXPECT_GE(RowOf(list, "big.bin"), 0);
}

TEST_F(LxView, NoticesAddAndRemoveRowsOfTheShownFolderOnly) {
    ComPtr<IShellFolder> home = Home();
    HWND list = Open(home.get());
    ASSERT_NE(list, nullptr);
    ComPtr<IPersistFolder2> persist;
    ASSERT_EQ(home.As(persist), S_OK);
    LPITEMIDLIST absolute = nullptr;
    ASSERT_EQ(persist->GetCurFolder(&absolute), S_OK);
    Pidl folder(absolute);
    TFTPObject* site = SiteNodeOf(reinterpret_cast<const ItemIdList*>(ILFindLastID(folder.get())));
    ASSERT_NE(site, nullptr);

    // A directory made in the model and announced: a row, with its label being edited.
    TFSObject* made = AddFSObject(*site->Content(), "fresh", true);
    ItemIdList* item = CreatePidlItem(*made);
    Pidl madeList(ILCombine(folder.get(), reinterpret_cast<LPCITEMIDLIST>(item)));
    FreePidl(item);
    SHChangeNotify(SHCNE_MKDIR, SHCNF_IDLIST | SHCNF_FLUSH, madeList.get(), nullptr);
    Pump(300);
    EXPECT_GE(RowOf(list, "fresh"), 0);
    EXPECT_NE(SendMessageW(list, LVM_GETEDITCONTROL, 0, 0), 0);
    SendMessageW(list, LVM_CANCELEDITLABEL, 0, 0);
    EXPECT_EQ(Captions(list).size(), 6u);
    // Announced again: no second row.
    SHChangeNotify(SHCNE_MKDIR, SHCNF_IDLIST | SHCNF_FLUSH, madeList.get(), nullptr);
    Pump(200);
    EXPECT_EQ(Captions(list).size(), 6u);

    // Removed from the model, then announced: the row goes and the status counts live rows.
    SelectOnly(list, RowOf(list, "big.bin"));
    site->Content()->Delete(site->Content()->IndexOf(made));
    SHChangeNotify(SHCNE_RMDIR, SHCNF_IDLIST | SHCNF_FLUSH, madeList.get(), nullptr);
    Pump(300);
    EXPECT_EQ(RowOf(list, "fresh"), -1);
    EXPECT_EQ(Captions(list).size(), 5u);
    EXPECT_EQ(browser_->statusTexts[0], L"1 object(s) selected");
    EXPECT_EQ(Cell(list, static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)), 0),
              "big.bin");

    // Refresh: the folder is listed again through the double and the rows follow.
    WriteTextFile(double_->Site(L"later.txt"), "later");
    EXPECT_EQ(view_->Refresh(), S_OK);
    Pump(300);
    EXPECT_GE(RowOf(list, "later.txt"), 0);
}

// A notice for the namespace root arrives while the main client renames: sent from another
// thread, it reaches the view while the apartment waits for the call (messages sent to a window
// are handled during that wait), as another window's change would.
TEST_F(LxView, RenameInPlaceSurvivesANoticeThatRefillsTheViewDuringTheCall) {
    HWND list = Open(root_.get());
    ASSERT_NE(list, nullptr);
    const int row = RowOf(list, "Home");
    ASSERT_GE(row, 0);
    // Only a refill shows this one.
    TFTPObject* extra = LxLibrary::Instance().Model().Nodes().AddNewRecord();
    extra->ServerInfo()->ProfileName = "Extra";
    ASSERT_EQ(RowOf(list, "Extra"), -1);
    // The main client takes its time: the notice comes while it renames.
    double_->Scenario("[RenameProfile]\r\nDelayMs=1500\r\n");
    SelectOnly(list, row);
    SetFocus(list);
    Command(view_command::kRename);
    HWND edit = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETEDITCONTROL, 0, 0));
    ASSERT_NE(edit, nullptr);
    SetWindowTextW(edit, L"Home2");
    std::thread notifier([] {
        Sleep(300);
        ITEMIDLIST* desktop = static_cast<ITEMIDLIST*>(CoTaskMemAlloc(2));
        std::memset(desktop, 0, 2);
        SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_IDLIST | SHCNF_FLUSH, desktop, nullptr);
        CoTaskMemFree(desktop);
    });
    SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
    // Nothing was pumped but the call's wait: the refill came during the call.
    EXPECT_GE(RowOf(list, "Extra"), 0);
    notifier.join();
    Pump(300);
    EXPECT_EQ(double_->CallsOf("RenameProfile"), (Names{"RenameProfile\tHome\tHome2"}));
    EXPECT_GE(RowOf(list, "Home2"), 0);
    EXPECT_EQ(RowOf(list, "Home"), -1);
}

TEST_F(LxView, CopyPutsTheSelectedRowsOnTheClipboardAsTokens) {
    ComPtr<IShellFolder> home = Home();
    HWND list = Open(home.get());
    ASSERT_NE(list, nullptr);
    SelectOnly(list, RowOf(list, "readme.txt"));
    LVITEMW item{};
    item.stateMask = item.state = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, RowOf(list, "pub"), reinterpret_cast<LPARAM>(&item));
    SelectionList::Global().Clear();
    // Ctrl+C reaches the copy command.
    SendMessageW(viewWindow_, WM_COMMAND, MAKEWPARAM(view_command::kCopy, 0), 0);
    ComPtr<IDataObject> data;
    ASSERT_EQ(OleGetClipboard(data.Put()), S_OK);
    FORMATETC files = FileItemFormat();
    EXPECT_EQ(data->QueryGetData(&files), S_OK);
    FORMATETC drop = HDropFormat();
    drop.tymed = TYMED_HGLOBAL;
    STGMEDIUM medium{};
    ASSERT_EQ(data->GetData(&drop, &medium), S_OK);
    wchar_t path[MAX_PATH] = L"";
    DragQueryFileW(static_cast<HDROP>(medium.hGlobal), 0, path, MAX_PATH);
    ReleaseStgMedium(&medium);
    EXPECT_NE(std::wstring(path).find(L"{A9D3D103-4CCD-4BDE-A11A-04D527EF71CE}"), std::wstring::npos);
    // Asking for the data recorded the two rows, in row order.
    std::vector<std::string> names;
    for (const auto& entry : SelectionList::Global().Items()) names.push_back(entry ? PidlDisplayName(entry.get()) : "?");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Names{"pub", "readme.txt"}));
    OleSetClipboard(nullptr);
}

namespace {

// The item dialogs, recorded and answered No.
class RecordingDialogs : public ItemDialogs {
public:
    std::vector<std::string> shown;
    bool NewProfile(FolderContext&, TFTPObjects*, TFTPObject*&) override { return Record("NewProfile"); }
    bool EditProfile(FolderContext&, TFTPObject& node) override { return Record("EditProfile " + node.NodeName()); }
    bool EditProfileFolder(FolderContext&, TFTPObject& node) override {
        return Record("EditProfileFolder " + node.NodeName());
    }
    bool EditFSObject(FolderContext&, TFSObject& object) override { return Record("EditFSObject " + object.Name); }
    bool EditFSObjects(FolderContext&, const std::vector<std::pair<std::string, TFSObject*>>& objects) override {
        return Record("EditFSObjects " + std::to_string(objects.size()));
    }

private:
    bool Record(std::string what) {
        shown.push_back(std::move(what));
        return false;
    }
};

}  // namespace

TEST_F(LxView, KeysReachTheirCommandsAltEnterIncluded) {
    RecordingDialogs dialogs;
    SetLibraryDialogs(&dialogs);
    ComPtr<IShellFolder> home = Home();
    HWND list = Open(home.get());
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(view_->UIActivate(SVUIA_ACTIVATE_FOCUS), S_OK);
    SelectOnly(list, RowOf(list, "readme.txt"));
    // Alt+Enter: the properties of the selected file.
    SendMessageW(list, WM_SYSKEYDOWN, VK_RETURN, 1 << 29);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0], "EditFSObject readme.txt");
    // Enter on a remote file opens it through the main client.
    SendMessageW(list, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(double_->CallsOf("OpenRemoteFile").size(), 1u);
    // F2 starts label editing.
    SendMessageW(list, WM_KEYDOWN, VK_F2, 0);
    EXPECT_NE(SendMessageW(list, LVM_GETEDITCONTROL, 0, 0), 0);
    SendMessageW(list, LVM_CANCELEDITLABEL, 0, 0);
    // Delete, answered Yes: the double deletes, the row goes, the status counts what is left.
    box_.answers = {localization::ModalResult::mrYes};
    SendMessageW(list, WM_KEYDOWN, VK_DELETE, 0);
    Pump(300);
    EXPECT_EQ(double_->CallsOf("DeleteRemoteFile").size(), 1u);
    EXPECT_FALSE(Exists(double_->Site(L"readme.txt")));
    EXPECT_EQ(RowOf(list, "readme.txt"), -1);
    EXPECT_EQ(browser_->statusTexts[0], L"4 object(s)");
    SetLibraryDialogs(nullptr);
}

TEST_F(LxView, AStaleWindowClassIsReplacedAndTheClassGoesWhenTheLibraryMayUnload) {
    HINSTANCE module = GetModuleHandleW(nullptr);
    UnregisterViewWindowClass();
    // A class of that name left behind with another procedure.
    WNDCLASSW stale{};
    stale.lpfnWndProc = DefWindowProcW;
    stale.hInstance = module;
    stale.lpszClassName = L"TLXVIEWOBJECT";
    ASSERT_NE(RegisterClassW(&stale), 0);
    HWND list = Open(root_.get());
    ASSERT_NE(list, nullptr);
    EXPECT_NE(GetClassLongPtrW(viewWindow_, GCLP_WNDPROC), reinterpret_cast<LONG_PTR>(&DefWindowProcW));
    EXPECT_EQ(Captions(list).size(), 3u);
    view_->DestroyViewWindow();
    view_.Reset();
    root_.Reset();
    // Nothing of the library lives: it may unload, and its class is gone.
    EXPECT_EQ(LxCanUnloadNow(), S_OK);
    WNDCLASSW info{};
    EXPECT_FALSE(GetClassInfoW(module, L"TLXVIEWOBJECT", &info));
}
