#include "view_window.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cwctype>
#include <mutex>

#include "about_box.h"
#include "core/datetime.h"
#include "core/errors.h"
#include "localization/regional_settings.h"
#include "shellext/folder_operations.h"
#include "shellext/win/actions_win.h"
#include "shellext/win/lx_library.h"
#include "shellext/win/shell_view.h"
#include "win/activation_context.h"
#include "ui/application.h"
#include "win/regional_settings.h"
#include "win/text.h"

namespace lark::shellext {
namespace {

constexpr wchar_t kClassName[] = L"TLXVIEWOBJECT";
constexpr DWORD kWindowStyle = WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | WS_VISIBLE;
constexpr UINT kClassStyle = 0x10008;  // double clicks, IME
constexpr DWORD kListBaseStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_OWNERDATA | LVS_SHOWSELALWAYS |
                                 LVS_AUTOARRANGE | LVS_EDITLABELS | LVS_SHAREIMAGELISTS;

std::mutex gClassMutex;
bool gClassRegistered = false;

const ItemIdList* AsItems(LPCITEMIDLIST list) { return reinterpret_cast<const ItemIdList*>(list); }
LPCITEMIDLIST AsShell(const ItemIdList* list) { return reinterpret_cast<LPCITEMIDLIST>(list); }

// Registers the class once; a class of that name that is already there (registered by an earlier
// load of the library that did not end cleanly) is replaced when its procedure is not ours.
void RegisterViewClass(WNDPROC procedure) {
    std::lock_guard lock(gClassMutex);
    if (gClassRegistered) return;
    HINSTANCE instance = LxLibrary::Instance().Module();
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance, kClassName, &existing)) {
        if (existing.lpfnWndProc == procedure) {
            gClassRegistered = true;
            return;
        }
        UnregisterClassW(kClassName, instance);
    }
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = kClassStyle;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /* IDC_ARROW */);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw core::Error("lx: the view window class TLXVIEWOBJECT cannot be registered");
    gClassRegistered = true;
}

// The platform's part of a remote row: the system image and type name by name and attribute
// (no remote access), cached by extension since the shell answers the same for each; the date
// as the user's short date and long time.
class ShellRowDecorator : public RowDecorator {
public:
    void TypeOf(const std::string& name, bool isFolder, int& image, std::string& typeName) override {
        std::wstring wide = win::Widen(name);
        std::wstring key = isFolder ? L"/" : L"";
        if (!isFolder) {
            const auto dot = wide.rfind(L'.');
            if (dot != std::wstring::npos) key = wide.substr(dot);
            std::transform(key.begin(), key.end(), key.begin(), [](wchar_t c) { return std::towlower(c); });
        }
        auto found = cache_.find(key);
        if (found == cache_.end()) {
            SHFILEINFOW info{};
            const std::wstring probe = isFolder ? L"folder" : L"file" + key;
            SHGetFileInfoW(probe.c_str(), isFolder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                           SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_TYPENAME | SHGFI_SMALLICON);
            found = cache_.emplace(key, std::make_pair(info.iIcon, win::Narrow(info.szTypeName))).first;
        }
        image = found->second.first;
        typeName = found->second.second;
    }
    // The short date and the long time of the active locale.
    std::string DateText(core::DateTime value) override { return core::FormatDateTime("ddddd tt", value); }

private:
    std::map<std::wstring, std::pair<int, std::string>> cache_;
};

// The user's locale's case-sensitive comparison.
int LocaleCompare(std::string_view a, std::string_view b) {
    wchar_t left[260], right[260];
    const auto widen = [](std::string_view text, wchar_t* buffer, std::wstring& spill) -> const wchar_t* {
        const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), buffer, 259);
        if (n > 0 || text.empty()) {
            buffer[n] = L'\0';
            return buffer;
        }
        spill = win::Widen(std::string(text));
        return spill.c_str();
    };
    std::wstring spillA, spillB;
    const wchar_t* wa = widen(a, left, spillA);
    const wchar_t* wb = widen(b, right, spillB);
    return CompareStringW(LOCALE_USER_DEFAULT, 0, wa, -1, wb, -1) - CSTR_EQUAL;
}

struct Column {
    const char* text;
    int width;
    int format;
};
constexpr Column kSiteColumns[kSiteColumnCount] = {
    {"STR_58", 200, LVCFMT_LEFT}, {"STR_59", 150, LVCFMT_LEFT}, {"STR_60", 150, LVCFMT_LEFT}};
constexpr Column kFileColumns[kFileColumnCount] = {{"STR_53", 100, LVCFMT_LEFT},
                                                   {"STR_54", 100, LVCFMT_RIGHT},
                                                   {"STR_55", 100, LVCFMT_LEFT},
                                                   {"STR_56", 100, LVCFMT_LEFT},
                                                   {"STR_57", 100, LVCFMT_RIGHT}};

}  // namespace

void UnregisterViewWindowClass() {
    std::lock_guard lock(gClassMutex);
    if (!gClassRegistered) return;
    UnregisterClassW(kClassName, LxLibrary::Instance().Module());
    gClassRegistered = false;
}

TViewWindow::TViewWindow(HWND parent, const FOLDERSETTINGS& settings, TlxShellView& view, const RECT& rectangle)
    : parent_(parent), view_(&view) {
    decorator_ = std::make_unique<ShellRowDecorator>();
    rows_ = std::make_unique<ViewRows>(view.OwnItem(), LxLibrary::Instance().DataModule(), decorator_.get());
    win::ModuleActivationContext::Scope scope(LxLibrary::Instance().ActivationContext());
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    RegisterViewClass(&TViewWindow::WindowProc);
    window_ = CreateWindowExW(WS_EX_CLIENTEDGE, kClassName, L"", kWindowStyle, rectangle.left, rectangle.top,
                              rectangle.right - rectangle.left, rectangle.bottom - rectangle.top, parent, nullptr,
                              LxLibrary::Instance().Module(), this);
    if (!window_) throw core::Error("lx: the view window cannot be created");
    RECT client{};
    GetClientRect(window_, &client);
    list_ = CreateWindowExW(0, WC_LISTVIEWW, L"", kListBaseStyle | LVS_REPORT, 0, 0, client.right, client.bottom,
                            window_, nullptr, LxLibrary::Instance().Module(), nullptr);
    if (!list_) {
        DestroyWindow(window_);
        throw core::Error("lx: the view window's list view cannot be created");
    }
    SetWindowSubclass(list_, &TViewWindow::ListProc, 1, reinterpret_cast<DWORD_PTR>(this));
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    SetListStyle(settings.ViewMode);
    SetupColumns();

    // Notices for the whole namespace: a change anywhere below the root may concern this folder.
    SHChangeNotifyEntry entry{};
    entry.pidl = AsShell(view.RootList());
    entry.fRecursive = TRUE;
    notifyId_ = SHChangeNotifyRegister(window_, SHCNRF_InterruptLevel | SHCNRF_ShellLevel | SHCNRF_NewDelivery,
                                       kNoticeEvents, kShellNotifyMessage, 1, &entry);
}

TViewWindow::~TViewWindow() {
    if (notifyId_) SHChangeNotifyDeregister(notifyId_);
    if (list_ && IsWindow(list_)) RemoveWindowSubclass(list_, &TViewWindow::ListProc, 1);
    if (window_ && IsWindow(window_)) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

void TViewWindow::SetupColumns() {
    while (SendMessageW(list_, LVM_DELETECOLUMN, 0, 0)) {
    }
    const TDM& dm = LxLibrary::Instance().DataModule();
    const bool files = Kind() == ViewKind::FilesView;
    const Column* columns = files ? kFileColumns : kSiteColumns;
    const int count = files ? kFileColumnCount : kSiteColumnCount;
    for (int i = 0; i < count; ++i) {
        std::wstring caption = win::Widen(dm.Text(columns[i].text));
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        column.fmt = columns[i].format;
        column.cx = columns[i].width;
        column.pszText = caption.data();
        column.iSubItem = i;
        SendMessageW(list_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
}

void TViewWindow::SetListStyle(UINT viewMode) {
    DWORD style = LVS_REPORT;
    switch (viewMode) {
        case 1: style = LVS_ICON; break;
        case 2: style = LVS_SMALLICON; break;
        case 3: style = LVS_LIST; break;
        default: break;
    }
    const LONG_PTR old = GetWindowLongPtrW(list_, GWL_STYLE);
    SetWindowLongPtrW(list_, GWL_STYLE, (old & ~static_cast<LONG_PTR>(LVS_TYPEMASK)) | style);
    SetListImages(style != LVS_ICON);
    SendMessageW(list_, LVM_ARRANGE, LVA_DEFAULT, 0);
    InvalidateRect(list_, nullptr, TRUE);
}

void TViewWindow::SetListImages(bool small) {
    const int slot = small ? LVSIL_SMALL : LVSIL_NORMAL;
    if (Kind() == ViewKind::SiteList) {
        HIMAGELIST images = small ? LxLibrary::Instance().SmallImages() : LxLibrary::Instance().LargeImages();
        SendMessageW(list_, LVM_SETIMAGELIST, slot, reinterpret_cast<LPARAM>(images));
        return;
    }
    if (SendMessageW(list_, LVM_GETIMAGELIST, slot, 0)) return;
    SHFILEINFOW info{};
    // The system image list: shared (LVS_SHAREIMAGELISTS), never destroyed.
    const auto images = SHGetFileInfoW(L"C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | (small ? SHGFI_SMALLICON : 0));
    SendMessageW(list_, LVM_SETIMAGELIST, slot, static_cast<LPARAM>(images));
}

void TViewWindow::FillView() {
    if (filling_) {
        refillPending_ = true;  // a notice arrived while the folder was enumerated
        return;
    }
    filling_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{filling_};
    for (int pass = 0; pass < 2; ++pass) {
        refillPending_ = false;
        std::vector<ItemIdList*> items;
        IEnumIDList* e = nullptr;
        HWND owner = Kind() == ViewKind::SiteList ? window_ : list_;
        if (SUCCEEDED(view_->Folder()->EnumObjects(owner, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &e)) && e) {
            LPITEMIDLIST item = nullptr;
            ULONG fetched = 0;
            while (e->Next(1, &item, &fetched) == S_OK && item) {
                items.push_back(reinterpret_cast<ItemIdList*>(item));
                item = nullptr;
            }
            e->Release();
        }
        SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
        rows_->Fill(std::move(items));
        Select(-1, false);
        SendMessageW(list_, LVM_SETITEMCOUNT, rows_->Count(), 0);
        SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list_, nullptr, TRUE);
        if (!refillPending_) break;
    }
}

std::vector<int> TViewWindow::SelectedRows() const {
    std::vector<int> rows;
    if (!list_) return rows;
    const int count = rows_->Count();
    const int selected = static_cast<int>(SendMessageW(list_, LVM_GETSELECTEDCOUNT, 0, 0));
    if (selected <= 0) return rows;
    rows.reserve(static_cast<std::size_t>(std::min(selected, count)));
    if (selected >= count) {
        for (int i = 0; i < count; ++i) rows.push_back(i);
        return rows;
    }
    // Finding the next selected row of an owner-data list can cost a walk of the rows before it
    // (Wine's does): a few rows are found that way, many by asking each row's state.
    constexpr int kFewRows = 64;
    if (selected <= kFewRows) {
        int i = -1;
        while ((i = static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, i, LVNI_SELECTED))) >= 0) {
            if (i >= count) break;
            rows.push_back(i);
        }
        return rows;
    }
    for (int i = 0; i < count; ++i)
        if (SendMessageW(list_, LVM_GETITEMSTATE, i, LVIS_SELECTED) & LVIS_SELECTED) rows.push_back(i);
    return rows;
}

std::vector<std::uint32_t> TViewWindow::SelectedHandles() const {
    std::vector<std::uint32_t> handles;
    for (int row : SelectedRows())
        if (const ItemIdList* item = rows_->Row(row).item) handles.push_back(PidlNodeHandle(item));
    return handles;
}

void TViewWindow::Select(int row, bool on) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = on ? LVIS_SELECTED : 0;
    SendMessageW(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

// Selection changes made row by row report once, at the end (a row-by-row report walks the
// selection each time: quadratic on a large folder).
class TViewWindow::BulkChange {
public:
    explicit BulkChange(TViewWindow& window) : window_(window) { ++window_.bulk_; }
    ~BulkChange() {
        if (--window_.bulk_ == 0 && window_.list_) window_.UpdateMenuState();
    }
    BulkChange(const BulkChange&) = delete;
    BulkChange& operator=(const BulkChange&) = delete;

private:
    TViewWindow& window_;
};

void TViewWindow::RowsChanged(const std::vector<std::uint32_t>& selected) {
    BulkChange bulk(*this);
    SendMessageW(list_, LVM_SETITEMCOUNT, rows_->Count(), LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    // Each row's state change is a message with its notices: when most rows stay selected, all
    // are selected at once and the few others cleared.
    std::vector<bool> chosen(static_cast<std::size_t>(rows_->Count()), false);
    std::size_t count = 0;
    for (const int row : rows_->FindRows(selected))
        if (row >= 0 && !chosen[static_cast<std::size_t>(row)]) {
            chosen[static_cast<std::size_t>(row)] = true;
            ++count;
        }
    const bool most = count > chosen.size() / 2;
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    Select(-1, most);
    for (std::size_t row = 0; row < chosen.size(); ++row)
        if (chosen[row] != most) Select(static_cast<int>(row), !most);
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
}

void TViewWindow::SortBy(int column) {
    const std::vector<std::uint32_t> selected = SelectedHandles();
    rows_->Sort(column, SortDirection(), &LocaleCompare);
    RowsChanged(selected);
}

void TViewWindow::SelectAll() { Select(-1, true); }

void TViewWindow::InvertSelection() {
    BulkChange bulk(*this);
    for (int i = 0; i < rows_->Count(); ++i)
        Select(i, (SendMessageW(list_, LVM_GETITEMSTATE, i, LVIS_SELECTED) & LVIS_SELECTED) == 0);
}

void TViewWindow::StartRename() {
    const std::vector<int> selected = SelectedRows();
    if (selected.empty() || !rows_->Row(selected.front()).item) return;
    SetFocus(list_);
    SendMessageW(list_, LVM_EDITLABELW, selected.front(), 0);
}

void TViewWindow::UpdateStatusBar() {
    const std::vector<int> selected = SelectedRows();
    const std::wstring count = win::Widen(rows_->CountText(selected));
    const std::wstring size = win::Widen(rows_->SizeText(selected));
    view_->SendStatus(SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(count.c_str()));
    view_->SendStatus(SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(size.c_str()));
}

void TViewWindow::UpdateMenuState() {
    if (!view_->Browser()) return;
    if (HMENU menu = view_->SharedMenu()) {
        const UINT state = SelectedRows().empty() ? MF_GRAYED : MF_ENABLED;
        for (int id : {view_command::kProperties, view_command::kRename, view_command::kDelete, view_command::kCopy})
            EnableMenuItem(menu, id, MF_BYCOMMAND | state);
        // Cut has no handler: always grayed.
        EnableMenuItem(menu, view_command::kCut, MF_BYCOMMAND | MF_GRAYED);
        FolderContext folder = LxLibrary::Instance().Context();
        ActionContext context = LibraryActionContext(folder);
        EnableMenuItem(menu, view_command::kPaste,
                       MF_BYCOMMAND | (CanPaste(view_->OwnItem(), context) ? MF_ENABLED : MF_GRAYED));
    }
    UpdateStatusBar();
}

void TViewWindow::OpenSelectedRow() {
    const std::vector<int> selected = SelectedRows();
    if (selected.empty()) return;
    const ItemIdList* item = rows_->Row(selected.front()).item;
    if (!item) {
        // "Create new..." makes a new profile.
        if (Kind() == ViewKind::SiteList) RunAction(view_command::kNewProfile, false);
        return;
    }
    if (!PidlNode(item)) return;
    if (TFSObject* remote = RemoteNodeOf(item); remote && !remote->IsFolder()) {
        RunViewCommand(*view_, menu_command::kOpen, &item, 1, list_);
        return;
    }
    if (IShellBrowser* browser = view_->Browser()) browser->BrowseObject(AsShell(item), SBSP_SAMEBROWSER | SBSP_RELATIVE);
}

std::vector<const ItemIdList*> TViewWindow::SelectedItems() const {
    std::vector<const ItemIdList*> items;
    for (int row : SelectedRows())
        if (const ItemIdList* item = rows_->Row(row).item; item && IsOwnPidl(item)) items.push_back(item);
    return items;
}

void TViewWindow::RunAction(int command, bool onSelection) {
    const std::vector<const ItemIdList*> items = onSelection ? SelectedItems() : std::vector<const ItemIdList*>();
    if (onSelection && items.empty()) return;
    RunViewCommand(*view_, static_cast<std::uint32_t>(command), items.data(), static_cast<unsigned>(items.size()), list_);
}

void TViewWindow::ShowRowMenu() {
    const std::vector<const ItemIdList*> items = SelectedItems();
    POINT screen{};
    GetCursorPos(&screen);
    ShowViewContextMenu(*view_, items.data(), static_cast<unsigned>(items.size()), list_, screen);
}

OwnedPidl TViewWindow::CollectSelection(unsigned& count) const {
    const std::vector<const ItemIdList*> items = SelectedItems();
    count = static_cast<unsigned>(items.size());
    if (items.empty()) return nullptr;
    OwnedPidl joined(JoinLastItems(items.data(), count));
    if (!joined) throw std::bad_alloc();
    return joined;
}

void TViewWindow::StartDrag() {
    unsigned count = 0;
    OwnedPidl items = CollectSelection(count);
    if (count == 0) return;
    IDataObject* data = nullptr;
    if (FAILED(CreateDataSource(view_->FolderList(), items.get(), count, window_, IID_IDataObject,
                                reinterpret_cast<void**>(&data))) ||
        !data)
        return;
    IDropSource* source = nullptr;
    if (SUCCEEDED(data->QueryInterface(IID_IDropSource, reinterpret_cast<void**>(&source))) && source) {
        // Remote objects are only copied out; sites and folders may also move within the tree.
        const DWORD allowed = Kind() == ViewKind::FilesView ? DROPEFFECT_SCROLL | DROPEFFECT_COPY
                                                            : DROPEFFECT_SCROLL | DROPEFFECT_COPY | DROPEFFECT_MOVE;
        DWORD effect = DROPEFFECT_NONE;
        DoDragDrop(data, source, allowed, &effect);
        source->Release();
    }
    data->Release();
}

int TViewWindow::DropRowAt(POINT screenPoint) {
    if (!list_) return -1;
    LVHITTESTINFO hit{};
    hit.pt = screenPoint;
    ScreenToClient(list_, &hit.pt);
    const int row = static_cast<int>(SendMessageW(list_, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    return row >= 0 && row < rows_->Count() && (hit.flags & LVHT_ONITEM) ? row : -1;
}

const ItemIdList* TViewWindow::DropRowItem(int row) {
    if (row < 0 || row >= rows_->Count()) return nullptr;
    const ItemIdList* item = rows_->Row(row).item;
    return item && IsOwnPidl(item) ? item : nullptr;
}

void TViewWindow::SetDropHighlight(int row, bool highlighted) {
    if (!list_ || row < 0 || row >= rows_->Count()) return;
    LVITEMW item{};
    item.stateMask = LVIS_DROPHILITED;
    item.state = highlighted ? LVIS_DROPHILITED : 0;
    SendMessageW(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

void TViewWindow::Command(int id) {
    switch (id) {
        case view_command::kCopy: {
            unsigned count = 0;
            OwnedPidl items = CollectSelection(count);
            if (count > 0) CopyToClipboard(view_->FolderList(), window_, count, items.get());
            break;
        }
        case view_command::kDelete:
            RunAction(id, true);
            UpdateStatusBar();
            break;
        case view_command::kProperties: RunAction(id, true); break;
        case view_command::kPaste:
        case view_command::kNewFolder:
        case view_command::kNewProfile: RunAction(id, false); break;
        case view_command::kRename: view_->StartRename(); break;
        case view_command::kSelectAll: view_->SelectAllRows(); break;
        case view_command::kInvertSelection: view_->InvertSelection(); break;
        case view_command::kLargeIcons:
        case view_command::kSmallIcons:
        case view_command::kList:
        case view_command::kDetails: view_->SetViewMode(id); break;
        case view_command::kArrangeByName:
        case view_command::kArrangeByType:
        case view_command::kArrangeBySize:
        case view_command::kArrangeByDate: view_->ArrangeBy(id); break;
        case view_command::kLanguageEnglish:
        case view_command::kLanguageGerman:
        case view_command::kLanguageFrench: view_->SwitchViewLanguage(id); break;
        case view_command::kAbout: {
            win::ModuleActivationContext::Scope scope(LxLibrary::Instance().ActivationContext());
            ShowAbout(parent_, LxLibrary::Instance().DataModule().Language());
            break;
        }
        default: break;
    }
}

bool TViewWindow::KeyDown(WPARAM key, bool alt) {
    const bool control = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    int command = 0;
    switch (key) {
        case 'C': command = control ? view_command::kCopy : 0; break;
        case 'A': command = control ? view_command::kSelectAll : 0; break;
        case 'V': command = control ? view_command::kPaste : 0; break;
        case VK_RETURN:
            if (alt) {
                command = view_command::kProperties;
            } else {
                OpenSelectedRow();
                return true;
            }
            break;
        case VK_DELETE:
            if (SendMessageW(list_, LVM_GETEDITCONTROL, 0, 0)) return false;
            command = view_command::kDelete;
            break;
        case VK_F2: command = view_command::kRename; break;
        case VK_F5: view_->Refresh(); return true;
        default: break;
    }
    if (command == 0) return false;
    SendMessageW(window_, WM_COMMAND, MAKEWPARAM(command, 0), reinterpret_cast<LPARAM>(list_));
    return true;
}

void TViewWindow::RenameEditedRow(std::uint32_t handle, const std::wstring& text) {
    FolderContext context = LxLibrary::Instance().Context();
    // The rows are found again by the handle inside: the call pumps messages, and a notice may
    // refill this view meanwhile.
    const std::optional<RowRename> done = RenameRow(*rows_, handle, win::Narrow(text), view_->FolderList(),
                                                    reinterpret_cast<std::uintptr_t>(list_), context);
    if (!done) return;
    if (done->row >= 0) {
        SendMessageW(list_, LVM_REDRAWITEMS, done->row, done->row);
        // After the box about an empty or taken name, the user edits again.
        if (done->outcome == RenameOutcome::NameRefused) PostMessageW(list_, LVM_EDITLABELW, done->row, 0);
    }
    if (done->outcome != RenameOutcome::Renamed) return;
    // Last: the notice may come back into this window at once.
    SHChangeNotify(done->isFile ? SHCNE_RENAMEITEM : SHCNE_RENAMEFOLDER, SHCNF_IDLIST | SHCNF_FLUSHNOWAIT,
                   done->oldList.get(), done->newList.get());
}

void TViewWindow::ProcessShellNotify(WPARAM w, LPARAM l) {
    using LockFn = HANDLE(WINAPI*)(HANDLE, DWORD, LPITEMIDLIST**, LONG*);
    using UnlockFn = BOOL(WINAPI*)(HANDLE);
    static const auto lockFn = reinterpret_cast<LockFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"shell32.dll"), MAKEINTRESOURCEA(644))));
    static const auto unlockFn = reinterpret_cast<UnlockFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"shell32.dll"), MAKEINTRESOURCEA(645))));
    if (!lockFn || !unlockFn) return;
    LPITEMIDLIST* lists = nullptr;
    LONG event = 0;
    HANDLE lock = lockFn(reinterpret_cast<HANDLE>(w), static_cast<DWORD>(l), &lists, &event);
    if (!lock) return;
    // A copy, so the lock is not held while the notice is handled (which may re-enter).
    ItemIdList* first = lists && lists[0] ? CopyPidl(AsItems(lists[0])) : nullptr;
    unlockFn(lock);
    if (!first) return;
    try {
        const std::vector<std::uint32_t> selected = SelectedHandles();
        const NoticeResult result = rows_->ApplyNotice(event, first, PidlSize(first));
        switch (result.effect) {
            case NoticeEffect::RowDeleted:
                RowsChanged(selected);
                UpdateStatusBar();
                break;
            case NoticeEffect::RowAdded:
            case NoticeEffect::RowAddedEdit:
                RowsChanged(selected);
                if (result.effect == NoticeEffect::RowAddedEdit) {
                    SetFocus(list_);
                    SendMessageW(list_, LVM_ENSUREVISIBLE, result.row, FALSE);
                    SendMessageW(list_, LVM_EDITLABELW, result.row, 0);
                }
                UpdateStatusBar();
                break;
            case NoticeEffect::RowUpdated: SendMessageW(list_, LVM_REDRAWITEMS, result.row, result.row); break;
            case NoticeEffect::RefillNeeded:
                FillView();
                UpdateStatusBar();
                break;
            case NoticeEffect::None: break;
        }
    } catch (const std::exception&) {
        // A notice that cannot be followed leaves the rows as they are.
    }
    FreePidl(first);
}

bool TViewWindow::Notify(NMHDR& header, LRESULT& result) {
    if (header.hwndFrom != list_) return false;
    switch (header.code) {
        case LVN_GETDISPINFOW: {
            auto& info = reinterpret_cast<NMLVDISPINFOW&>(header);
            LVITEMW& item = info.item;
            if (item.iItem < 0 || item.iItem >= rows_->Count()) return true;
            const ViewRow& row = rows_->Row(item.iItem);
            if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
                const int column = std::clamp(item.iSubItem, 0, kFileColumnCount - 1);
                const std::string& text = row.texts[column];
                const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), item.pszText,
                                                  item.cchTextMax - 1);
                item.pszText[std::max(n, 0)] = L'\0';
            }
            if (item.mask & LVIF_IMAGE) item.iImage = row.image;
            return true;
        }
        case LVN_ODFINDITEMW:
            result = -1;
            return true;
        case LVN_ITEMCHANGED: {
            const auto& change = reinterpret_cast<NMLISTVIEW&>(header);
            const bool selection = change.iItem < 0 || ((change.uChanged & LVIF_STATE) &&
                                                            ((change.uNewState ^ change.uOldState) & LVIS_SELECTED));
            if (selection && bulk_ == 0) UpdateMenuState();
            return true;
        }
        case LVN_ODSTATECHANGED:
            if (bulk_ == 0) UpdateMenuState();
            return true;
        case LVN_COLUMNCLICK: {
            const int column = reinterpret_cast<NMLISTVIEW&>(header).iSubItem;
            NegateSortDirection();
            if (Kind() == ViewKind::FilesView) SortBy(column);
            return true;
        }
        case NM_DBLCLK: OpenSelectedRow(); return true;
        case LVN_BEGINDRAG: StartDrag(); return true;
        case NM_RCLICK: ShowRowMenu(); return true;
        case NM_SETFOCUS:
            if (IShellBrowser* browser = view_->Browser()) browser->OnViewWindowActive(view_);
            return true;
        case LVN_BEGINLABELEDITW: {
            const int row = reinterpret_cast<NMLVDISPINFOW&>(header).item.iItem;
            const bool editable = row >= 0 && row < rows_->Count() && rows_->Row(row).item;
            editedHandle_ = editable ? PidlNodeHandle(rows_->Row(row).item) : 0;
            result = editable ? FALSE : TRUE;  // "Create new..." is not renamed
            return true;
        }
        case LVN_ENDLABELEDITW: {
            const auto& info = reinterpret_cast<NMLVDISPINFOW&>(header);
            const std::uint32_t handle = std::exchange(editedHandle_, 0);
            result = FALSE;
            if (info.item.pszText && handle) RenameEditedRow(handle, info.item.pszText);
            return true;
        }
        default: return false;
    }
}

LRESULT CALLBACK TViewWindow::ListProc(HWND list, UINT message, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<TViewWindow*>(data);
    try {
        if (message == WM_KEYDOWN && self->KeyDown(w, false)) return 0;
        if (message == WM_SYSKEYDOWN && w == VK_RETURN && self->KeyDown(w, true)) return 0;
    } catch (const std::exception&) {
        return 0;
    }
    return DefSubclassProc(list, message, w, l);
}

LRESULT CALLBACK TViewWindow::WindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(l);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        if (create->lpCreateParams) static_cast<TViewWindow*>(create->lpCreateParams)->window_ = window;
    }
    auto* self = reinterpret_cast<TViewWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, w, l);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        self->list_ = nullptr;
        return DefWindowProcW(window, message, w, l);
    }
    try {
        return self->WndProc(message, w, l);
    } catch (const std::exception&) {
        // Nothing leaves a window procedure inside Explorer.
        return 0;
    }
}

LRESULT TViewWindow::WndProc(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_SIZE:
            if (list_) MoveWindow(list_, 0, 0, LOWORD(l), HIWORD(l), TRUE);
            return 0;
        case WM_SETFOCUS:
            if (list_) {
                SetFocus(list_);
                InvalidateRect(list_, nullptr, TRUE);
            }
            return 0;
        case WM_NOTIFY: {
            LRESULT result = 0;
            if (Notify(*reinterpret_cast<NMHDR*>(l), result)) return result;
            break;
        }
        case WM_COMMAND:
            Command(LOWORD(w));
            return 0;
        case kShellNotifyMessage:
            ProcessShellNotify(w, l);
            return 0;
        case WM_SETTINGCHANGE:
            // The browser hands the system's setting changes on to its views: new regional
            // settings redraw the dates and sizes.
            if (win::IsRegionalSettingChange(message, l)) {
                localization::ApplyRegionalSettings(win::ReadUserRegionalSettings());
                for (int row = 0; row < rows_->Count(); ++row) rows_->FillRow(row);
                if (list_) InvalidateRect(list_, nullptr, TRUE);
                UpdateStatusBar();
            }
            break;
        default: break;
    }
    return DefWindowProcW(window_, message, w, l);
}

}  // namespace lark::shellext
