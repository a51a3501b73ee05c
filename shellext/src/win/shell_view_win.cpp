// The shell view: links the folder to Explorer's browser (its window, menus and status bar) and
// owns the view window.
#include "shellext/win/shell_view.h"

#include <shellapi.h>

#include <string>

#include "core/errors.h"
#include "shellext/model/site_database.h"
#include "shellext/win/data_objects.h"
#include "shellext/win/lx_library.h"
#include "view_window.h"
#include "win/text.h"

namespace lark::shellext {
namespace {

using namespace view_command;

template <class Body>
HRESULT Guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::exception&) {
        return E_UNEXPECTED;
    }
}

std::wstring TextOf(const char* id) { return win::Widen(LxLibrary::Instance().DataModule().Text(id)); }

// One entry inserted by position.
void Insert(HMENU menu, UINT position, UINT id, const std::wstring& text, UINT state = 0, HMENU submenu = nullptr,
            bool radio = false) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_STRING | (submenu ? MIIM_SUBMENU : 0);
    item.fType = MFT_STRING | (radio ? MFT_RADIOCHECK : 0);
    item.fState = state;
    item.wID = id;
    item.hSubMenu = submenu;
    std::wstring copy = text;
    item.dwTypeData = copy.data();
    InsertMenuItemW(menu, position, TRUE, &item);
}

void InsertSeparator(HMENU menu, UINT position) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE;
    item.fType = MFT_SEPARATOR;
    InsertMenuItemW(menu, position, TRUE, &item);
}

HMENU SubmenuOf(HMENU menu, UINT id) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_SUBMENU;
    if (!GetMenuItemInfoW(menu, id, FALSE, &item)) return nullptr;
    return item.hSubMenu;
}

// The position of the entry with this id, or the end.
UINT PositionOf(HMENU menu, UINT id) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i)
        if (GetMenuItemID(menu, i) == id) return static_cast<UINT>(i);
    return static_cast<UINT>(count < 0 ? 0 : count);
}

}  // namespace

TlxShellView::TlxShellView(IShellFolder* folder, const ItemIdList* root, const ItemIdList* relative) {
    if (!folder) throw core::Error("lx: a view needs its folder");
    root_ = CopyPidl(root);
    relative_ = relative && PidlSize(relative) > 2 ? CopyPidl(relative) : nullptr;
    ownItem_ = relative_ ? CopyFirstPidlItem(LastPidlItem(relative_)) : nullptr;
    folderList_ = relative_ ? CombinePidls(root_, relative_) : CopyPidl(root_);
    if ((root && !root_) || (relative_ && (!ownItem_ || !folderList_))) {
        for (ItemIdList* l : {root_, relative_, ownItem_, folderList_}) FreePidl(l);
        throw std::bad_alloc();
    }
    folder_ = folder;
    folder_->AddRef();
}

TlxShellView::~TlxShellView() {
    window_.reset();
    if (browser_) browser_->Release();
    for (ItemIdList* l : {root_, relative_, ownItem_, folderList_}) FreePidl(l);
    folder_->Release();
}

HWND TlxShellView::ViewWindowHandle() const { return window_ ? window_->Handle() : nullptr; }
HWND TlxShellView::ListHandle() const { return window_ ? window_->List() : nullptr; }
bool TlxShellView::IsFilesView() const { return ViewKindOf(ownItem_) == ViewKind::FilesView; }

STDMETHODIMP TlxShellView::GetWindow(HWND* window) {
    if (!window) return E_INVALIDARG;
    *window = ViewWindowHandle();
    return *window ? S_OK : E_FAIL;
}

STDMETHODIMP TlxShellView::GetItemObject(UINT, REFIID, void** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP TlxShellView::CreateViewWindow(IShellView*, LPCFOLDERSETTINGS settings, IShellBrowser* browser,
                                            RECT* rectangle, HWND* window) {
    return Guarded([&]() -> HRESULT {
        if (window) *window = nullptr;
        if (!settings || !browser || !rectangle || !window) return E_INVALIDARG;
        if (window_) return E_UNEXPECTED;
        browser->AddRef();
        if (browser_) browser_->Release();
        browser_ = browser;
        browserWindow_ = nullptr;
        browser_->GetWindow(&browserWindow_);
        browser_->SetToolbarItems(nullptr, 0, FCT_MERGE);
        viewMode_ = settings->ViewMode;
        viewFlags_ = settings->fFlags;
        window_ = std::make_unique<TViewWindow>(browserWindow_, *settings, *this, *rectangle);
        *window = window_->Handle();
        window_->FillView();
        // Drops onto the window: the target holds this view and the folder until it is detached.
        IDropTarget* target = nullptr;
        if (SUCCEEDED(CreateDataTarget(folder_, static_cast<IShellView*>(this), window_.get(), folderList_, ownItem_,
                                       *window, IID_IDropTarget, reinterpret_cast<void**>(&target))) &&
            target) {
            if (SUCCEEDED(RegisterDragDrop(*window, target))) {
                dropTarget_ = target;
            } else {
                DetachDataTarget(target);
                target->Release();
            }
        }
        return *window ? S_OK : E_UNEXPECTED;
    });
}

STDMETHODIMP TlxShellView::DestroyViewWindow() {
    return Guarded([&]() -> HRESULT {
        MergeMenus(SVUIA_DEACTIVATE);
        if (dropTarget_) {
            if (HWND window = ViewWindowHandle()) RevokeDragDrop(window);
            DetachDataTarget(dropTarget_);
            dropTarget_->Release();
            dropTarget_ = nullptr;
        }
        window_.reset();
        if (browser_) browser_->Release();
        browser_ = nullptr;
        return S_OK;
    });
}

STDMETHODIMP TlxShellView::GetCurrentInfo(LPFOLDERSETTINGS settings) {
    if (!settings) return E_INVALIDARG;
    settings->ViewMode = viewMode_;
    settings->fFlags = viewFlags_;
    return S_OK;
}

void TlxShellView::SendStatus(UINT message, WPARAM w, LPARAM l) {
    if (!browser_) return;
    LRESULT result = 0;
    browser_->SendControlMsg(FCW_STATUS, message, w, l, &result);
}

void TlxShellView::UpdateStatusBar() {
    if (window_) window_->UpdateStatusBar();
}

STDMETHODIMP TlxShellView::UIActivate(UINT state) {
    return Guarded([&]() -> HRESULT {
        if (window_) {
            const int parts[3] = {120, 240, -1};
            SendStatus(SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));
            if (!statusIcon_)
                statusIcon_ = static_cast<HICON>(LoadImageW(LxLibrary::Instance().Module(), L"MAINICON", IMAGE_ICON,
                                                            GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                            LR_SHARED));
            SendStatus(SB_SETICON, 2, reinterpret_cast<LPARAM>(statusIcon_));
            const std::wstring title = TextOf("STR_50");
            SendStatus(SB_SETTEXTW, 2, reinterpret_cast<LPARAM>(title.c_str()));
            window_->UpdateStatusBar();
        }
        if (state == activation_) return S_OK;
        MergeMenus(state);
        if (sharedMenu_) EnableMenuItem(sharedMenu_, kNewProfile, MF_BYCOMMAND | (IsFilesView() ? MF_GRAYED : MF_ENABLED));
        if (window_) {
            window_->UpdateMenuState();
            if (state == SVUIA_ACTIVATE_FOCUS) SetFocus(window_->List());
        }
        return S_OK;
    });
}

void TlxShellView::RemoveMergedMenus() {
    if (activation_ != SVUIA_DEACTIVATE && sharedMenu_ && browser_) {
        browser_->SetMenuSB(nullptr, nullptr, nullptr);
        browser_->RemoveMenusSB(sharedMenu_);
        DestroyMenu(sharedMenu_);
        sharedMenu_ = nullptr;
    }
    activation_ = SVUIA_DEACTIVATE;
}

void TlxShellView::MergeMenus(UINT state) {
    if (state == activation_) return;
    RemoveMergedMenus();
    if (state == SVUIA_DEACTIVATE || !browser_) return;
    HMENU menu = CreateMenu();
    if (!menu) return;
    OLEMENUGROUPWIDTHS widths{};
    browser_->InsertMenusSB(menu, &widths);
    // A submenu that cannot be filled keeps what it has; the others are still filled.
    const auto fill = [&](UINT id, auto&& build) {
        if (HMENU sub = SubmenuOf(menu, id)) {
            try {
                build(sub);
            } catch (const std::exception&) {
            }
        }
    };
    fill(FCIDM_MENU_FILE, [&](HMENU file) {
        HMENU create = CreatePopupMenu();
        Insert(create, 0, kNewFolder, TextOf("STR_23"));
        Insert(create, 1, kNewProfile, TextOf("STR_22"));
        UINT at = 0;
        Insert(file, at++, kNew, TextOf("STR_27"), 0, create);
        InsertSeparator(file, at++);
        Insert(file, at++, kDelete, TextOf("STR_26"), MFS_GRAYED);
        Insert(file, at++, kRename, TextOf("STR_25"), MFS_GRAYED);
        Insert(file, at++, kProperties, TextOf("STR_24"), MFS_GRAYED);
        InsertSeparator(file, at++);
    });
    fill(FCIDM_MENU_EDIT, [&](HMENU edit) {
        UINT at = 0;
        Insert(edit, at++, kCut, TextOf("STR_20") + L"\tCtrl+X", MFS_GRAYED);
        Insert(edit, at++, kCopy, TextOf("STR_18") + L"\tCtrl+C", MFS_GRAYED);
        Insert(edit, at++, kPaste, TextOf("STR_16") + L"\tCtrl+V", MFS_GRAYED);
        InsertSeparator(edit, at++);
        Insert(edit, at++, kSelectAll, TextOf("STR_12") + L"\tCtrl+A");
        Insert(edit, at++, kInvertSelection, TextOf("STR_11"));
    });
    fill(FCIDM_MENU_VIEW, [&](HMENU view) {
        InsertSeparator(view, 0);
        const auto before = [&] { return PositionOf(view, FCIDM_MENU_VIEW_SEP_OPTIONS); };
        InsertSeparator(view, before());
        const char* texts[4] = {"STR_37", "STR_38", "STR_39", "STR_40"};
        for (int i = 0; i < 4; ++i)
            Insert(view, before(), kLargeIcons + i, TextOf(texts[i]),
                   i + 1 == static_cast<int>(viewMode_) ? MFS_CHECKED : 0, nullptr, true);
        InsertSeparator(view, before());
        if (IsFilesView()) {
            HMENU arrange = CreatePopupMenu();
            Insert(arrange, 0, kArrangeByName, TextOf("STR_36"));
            Insert(arrange, 1, kArrangeByType, TextOf("STR_35"));
            Insert(arrange, 2, kArrangeBySize, TextOf("STR_34"));
            Insert(arrange, 3, kArrangeByDate, TextOf("STR_33"));
            Insert(view, before(), kArrange, TextOf("STR_41"), 0, arrange);
        }
    });
    fill(FCIDM_MENU_TOOLS, [&](HMENU tools) { InsertSeparator(tools, 0); });
    fill(FCIDM_MENU_HELP, [&](HMENU help) {
        Insert(help, 0, kAbout, TextOf("IDS_4"));
        InsertSeparator(help, 1);
    });
    browser_->SetMenuSB(menu, nullptr, browserWindow_);
    sharedMenu_ = menu;
    activation_ = state;
}

STDMETHODIMP TlxShellView::Refresh() {
    return Guarded([&]() -> HRESULT {
        if (TFSObject* directory = RemoteNodeOf(ownItem_)) {
            directory->RefreshContent();
        } else if (TFTPObject* site = SiteNodeOf(ownItem_); site && !site->IsFolder()) {
            site->RefreshContent();
        } else if (!ownItem_ || site) {
            LxLibrary::Instance().Model().LoadFromDatabase(GetSiteDatabasePath(*MakeRegistryMainClientRegistration()),
                                                           root_);
        }
        SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_IDLIST | SHCNF_FLUSHNOWAIT, folderList_, nullptr);
        UpdateStatusBar();
        return S_OK;
    });
}

void TlxShellView::SetViewMode(int command) {
    if (command < kLargeIcons || command > kDetails) return;
    viewMode_ = static_cast<UINT>(command - kLargeIcons + 1);
    if (window_) window_->SetListStyle(viewMode_);
    if (sharedMenu_)
        if (HMENU view = SubmenuOf(sharedMenu_, FCIDM_MENU_VIEW))
            CheckMenuRadioItem(view, kLargeIcons, kDetails, command, MF_BYCOMMAND);
}

void TlxShellView::ArrangeBy(int command) {
    int column = -1;
    switch (command) {
        case kArrangeByName: column = 0; break;
        case kArrangeByType: column = 2; break;
        case kArrangeBySize: column = 1; break;
        case kArrangeByDate: column = 3; break;
        default: return;
    }
    NegateSortDirection();
    if (window_) window_->SortBy(column);
}

void TlxShellView::SelectAllRows() {
    if (window_) window_->SelectAll();
}

void TlxShellView::InvertSelection() {
    if (window_) window_->InvertSelection();
}

void TlxShellView::StartRename() {
    if (window_) window_->StartRename();
}

void TlxShellView::SwitchViewLanguage(int command) {
    if (command < kLanguageEnglish || command > kLanguageFrench) return;
    LxLibrary::Instance().DataModule().SetLanguage(command - kLanguageEnglish + 1);
    if (sharedMenu_)
        for (int id = kLanguageEnglish; id <= kLanguageFrench; ++id)
            CheckMenuItem(sharedMenu_, id, MF_BYCOMMAND | (id == command ? MF_CHECKED : MF_UNCHECKED));
    if (window_) {
        window_->SetupColumns();
        window_->FillView();
        window_->UpdateStatusBar();
    }
}

HRESULT CreateShellView(IShellFolder* folder, const ItemIdList* root, const ItemIdList* relative, REFIID iid,
                        void** out) {
    return win::CreateInstance<TlxShellView>(iid, out, folder, root, relative);
}

}  // namespace lark::shellext
