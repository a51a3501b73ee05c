// The Windows side of the actions: the shell host, the data-object adapter, the dialogs of the
// library and TlxContextMenu. Each only translates; what happens is the portable code's.
#include "shellext/win/actions_win.h"

#include <shellapi.h>

#include <cstring>
#include <span>
#include <utility>

#include "core/errors.h"
#include "shellext/selection_list.h"
#include "shellext/win/data_objects.h"
#include "shellext/win/lx_library.h"
#include "win/com_error.h"
#include "win/com_ptr.h"
#include "win/object.h"
#include "win/text.h"

namespace lark::shellext {

ItemDialogs& BuiltInDialogs();  // dialogs_win.cpp

using win::ComPtr;

namespace {

LPCITEMIDLIST AsShell(const ItemIdList* list) { return reinterpret_cast<LPCITEMIDLIST>(list); }

FORMATETC FormatOf(TransferFormat format) {
    switch (format) {
        case TransferFormat::HDrop: return HDropFormat();
        case TransferFormat::ProfileItem: return ProfileItemFormat();
        case TransferFormat::FileItem: return FileItemFormat();
    }
    throw core::Error("Unknown transfer format");
}

// A data object as the actions read it; every medium it is given is released at once.
class OleTransferData : public TransferData {
public:
    explicit OleTransferData(IDataObject* data) : data_(data) {
        if (data_) data_->AddRef();
    }
    ~OleTransferData() override {
        if (data_) data_->Release();
    }
    OleTransferData(const OleTransferData&) = delete;
    OleTransferData& operator=(const OleTransferData&) = delete;

    bool Offers(TransferFormat format) override {
        FORMATETC f = FormatOf(format);
        return data_ && data_->QueryGetData(&f) == S_OK;
    }
    bool Read(TransferFormat format) override {
        if (!data_) return false;
        FORMATETC f = FormatOf(format);
        STGMEDIUM medium{};
        const HRESULT hr = data_->GetData(&f, &medium);
        if (hr == S_OK) ReleaseStgMedium(&medium);
        return hr == S_OK;
    }
    std::optional<std::vector<std::string>> DropFiles() override {
        if (!data_) return std::nullopt;
        FORMATETC f = HDropFormat();
        f.tymed = TYMED_HGLOBAL;
        STGMEDIUM medium{};
        if (data_->GetData(&f, &medium) != S_OK) return std::nullopt;
        std::vector<std::string> names;
        const HRESULT hr = medium.tymed == TYMED_HGLOBAL ? ReadDropFileList(medium.hGlobal, names) : E_INVALIDARG;
        ReleaseStgMedium(&medium);
        if (FAILED(hr)) return std::nullopt;
        return names;
    }

private:
    IDataObject* data_;
};

class WindowsShellHost : public ShellHost {
public:
    void Notify(ShellChange event, const ItemIdList* first, const ItemIdList* second) override {
        SHChangeNotify(static_cast<LONG>(event), SHCNF_IDLIST | SHCNF_FLUSHNOWAIT, AsShell(first), AsShell(second));
    }
    std::shared_ptr<TransferData> Clipboard() override {
        IDataObject* data = nullptr;
        if (FAILED(OleGetClipboard(&data)) || !data) return nullptr;
        auto adapter = std::make_shared<OleTransferData>(data);
        data->Release();
        return adapter;
    }
    ItemIdList* BrowseForFolder(std::uintptr_t owner, const ItemIdList* root, const std::string& title) override {
        const std::wstring text = win::Widen(title);
        BROWSEINFOW info{};
        info.hwndOwner = reinterpret_cast<HWND>(owner);
        info.pidlRoot = AsShell(root);
        info.lpszTitle = text.c_str();
        info.ulFlags = BIF_NONEWFOLDERBUTTON;
        return reinterpret_cast<ItemIdList*>(SHBrowseForFolderW(&info));
    }
    void OpenFolder(std::uintptr_t window, const ItemIdList* absolute) override {
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_IDLIST | SEE_MASK_CLASSNAME;
        info.hwnd = reinterpret_cast<HWND>(window);
        info.lpVerb = L"open";
        info.lpClass = L"folder";
        info.lpIDList = const_cast<ITEMIDLIST*>(AsShell(absolute));
        info.nShow = SW_SHOWNORMAL;
        if (!ShellExecuteExW(&info))
            throw core::Error("The folder could not be opened (error " + std::to_string(GetLastError()) + ")");
    }
    void PumpMessages() override {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(message.wParam));  // left for the owner's loop
                return;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    PathKind LocalPathKind(const std::string& path) override {
        const DWORD attributes = GetFileAttributesW(win::Widen(path).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::None;
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Directory : PathKind::File;
    }
};

ItemDialogs* installedDialogs = nullptr;

// CopyToClipboard of the clipboard data for the menu's items.
class OleClipboardWriter : public ClipboardWriter {
public:
    ActionResult CopyToClipboard(const MenuTarget& target) override {
        return shellext::CopyToClipboard(target.folderList, reinterpret_cast<HWND>(target.window), target.count,
                                         target.items);
    }
};

// The extension's IContextMenu: its entries and commands are the portable menu's.
class TlxContextMenu : public win::ComObject<IContextMenu> {
public:
    TlxContextMenu(const ContextMenuOwner& owner, const ItemIdList* items, unsigned count, HWND window)
        : keepAlive_(owner.keepAlive), viewHolder_(owner.view), view_(owner.view.get()), window_(window) {
        root_.reset(CopyPidl(owner.root));
        relative_.reset(CopyPidl(owner.relative));
        if ((owner.root && !root_) || (owner.relative && !relative_)) throw std::bad_alloc();
        if (owner.root || owner.relative) {
            folderList_.reset(CombinePidls(owner.root, owner.relative));
            if (!folderList_) throw std::bad_alloc();
        }
        // Only the items given, each checked for its own 92 bytes.
        const std::vector<const ItemIdList*> list = SplitItems(items, count);
        if (!list.empty()) {
            items_.reset(JoinItems(list));
            if (!items_) throw std::bad_alloc();
        }
        count_ = static_cast<unsigned>(list.size());
        if (keepAlive_) keepAlive_->AddRef();
    }

    STDMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT firstId, UINT lastId, UINT flags) override {
        return win::Guard([&]() -> HRESULT {
            if (!menu) return E_INVALIDARG;
            FolderContext folder = LxLibrary::Instance().Context();
            ActionContext context = LibraryActionContext(folder);
            MenuState state;
            state.hasItems = count_ > 0;
            state.explore = (flags & CMF_EXPLORE) != 0;
            state.ownerIsView = view_ != nullptr;
            state.hostRenames = !view_ && (flags & CMF_CANRENAME) && count_ == 1;
            state.insideSite = IsInsideSite(relative_.get());
            state.viewMode = view_ ? view_->CurrentViewMode() : 0;
            OwnedPidl own(count_ > 0 ? CopyFirstPidlItem(items_.get()) : nullptr);
            state.canPaste = CanPaste(count_ > 0 ? own.get() : FolderLists{root_.get(), relative_.get()}.OwnItem(), context);
            const BuiltMenu built = BuildContextMenu(state, context.folder.dataModule, firstId, lastId);
            Insert(menu, index, built.entries);
            firstId_ = firstId;
            return MAKE_HRESULT(SEVERITY_SUCCESS, 0, static_cast<USHORT>(built.span));
        });
    }

    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override {
        return win::Guard([&]() -> HRESULT {
            if (!info) return E_INVALIDARG;
            std::uint32_t command = 0;
            if (HIWORD(reinterpret_cast<UINT_PTR>(info->lpVerb)) != 0) {
                // A string verb: only the canonical ones.
                std::string verb;
                const auto* ex = reinterpret_cast<const CMINVOKECOMMANDINFOEX*>(info);
                if (info->cbSize >= sizeof(CMINVOKECOMMANDINFOEX) && (info->fMask & CMIC_MASK_UNICODE) && ex->lpVerbW)
                    verb = win::Narrow(ex->lpVerbW);
                else
                    verb = info->lpVerb;
                const std::optional<std::uint32_t> mapped = CommandOfVerb(verb);
                if (!mapped) return E_INVALIDARG;
                command = *mapped;
            } else {
                command = LOWORD(reinterpret_cast<UINT_PTR>(info->lpVerb));
            }
            FolderContext folder = LxLibrary::Instance().Context();
            ActionContext context = LibraryActionContext(folder);
            MenuTarget target;
            target.window = reinterpret_cast<std::uintptr_t>(window_ ? window_ : info->hwnd);
            target.folder = {root_.get(), relative_.get()};
            target.folderList = folderList_.get();
            target.items = items_.get();
            target.count = count_;
            target.view = view_;
            target.insideSite = IsInsideSite(relative_.get());
            OleClipboardWriter clipboard;
            return InvokeMenuCommand(command, target, context, clipboard);
        });
    }

    STDMETHODIMP GetCommandString(UINT_PTR id, UINT type, UINT*, LPSTR name, UINT size) override {
        return win::Guard([&]() -> HRESULT {
            if (type == GCS_HELPTEXTA) return E_NOTIMPL;
            const std::string verb(type == GCS_VERBA || type == GCS_VERBW ? VerbOfCommand(static_cast<std::uint32_t>(id))
                                                                          : std::string_view());
            if (type == GCS_VALIDATEA || type == GCS_VALIDATEW) return S_OK;
            if (!name || size == 0) return S_OK;
            // Texts it does not fill are written empty, never left as the caller's bytes.
            if (type & GCS_UNICODE) {
                lstrcpynW(reinterpret_cast<LPWSTR>(name), win::Widen(verb).c_str(), static_cast<int>(size));
            } else {
                lstrcpynA(name, verb.c_str(), static_cast<int>(size));
            }
            return S_OK;
        });
    }

private:
    ~TlxContextMenu() override {
        if (keepAlive_) keepAlive_->Release();
    }

    // Inserts the entries at `index` in order, submenus as popups.
    static void Insert(HMENU menu, UINT index, const std::vector<MenuEntry>& entries) {
        UINT position = index;
        for (const MenuEntry& e : entries) {
            MENUITEMINFOW item{};
            item.cbSize = sizeof item;
            std::wstring text = win::Widen(e.text);
            if (e.separator) {
                item.fMask = MIIM_FTYPE;
                item.fType = MFT_SEPARATOR;
            } else {
                item.fMask = MIIM_STATE | MIIM_ID | MIIM_FTYPE | MIIM_STRING;
                item.fType = MFT_STRING | (e.radio ? MFT_RADIOCHECK : 0);
                item.fState = (e.grayed ? MFS_GRAYED : MFS_ENABLED) | (e.checked ? MFS_CHECKED : 0) |
                              (e.isDefault ? MFS_DEFAULT : 0);
                item.wID = e.id;
                item.dwTypeData = text.data();
                if (!e.submenu.empty()) {
                    HMENU popup = CreatePopupMenu();
                    if (!popup) throw core::Error("A submenu could not be made");
                    Insert(popup, 0, e.submenu);
                    item.fMask |= MIIM_SUBMENU;
                    item.hSubMenu = popup;
                }
            }
            if (!InsertMenuItemW(menu, position, TRUE, &item)) {
                if (item.hSubMenu) DestroyMenu(item.hSubMenu);
                throw core::Error("A menu entry could not be inserted");
            }
            ++position;
        }
    }

    IUnknown* keepAlive_;
    std::shared_ptr<ViewCommands> viewHolder_;
    ViewCommands* view_;
    HWND window_;
    OwnedPidl root_;
    OwnedPidl relative_;
    OwnedPidl folderList_;
    OwnedPidl items_;
    unsigned count_ = 0;
    UINT firstId_ = 0;
    win::ScopedModuleLock lock_;
};

// The actions a drop hands over to.
class LibraryDropActions : public DropActions {
public:
    bool IsValidDropTarget(const ItemIdList* target) override {
        FolderContext folder = LxLibrary::Instance().Context();
        ActionContext context = LibraryActionContext(folder);
        return shellext::IsValidDropTarget(target, context);
    }
    HRESULT PasteProfiles(const ItemIdList* target, IDataObject* data, DWORD effect) override {
        FolderContext folder = LxLibrary::Instance().Context();
        ActionContext context = LibraryActionContext(folder);
        return shellext::PasteProfiles(target, TransferDataOf(data).get(), effect, context);
    }
    HRESULT PasteFileObjects(const ItemIdList* target, IDataObject* data, DWORD effect) override {
        FolderContext folder = LxLibrary::Instance().Context();
        ActionContext context = LibraryActionContext(folder);
        return shellext::PasteFileObjects(target, *TransferDataOf(data), effect, context);
    }
};

// Installed when the library is loaded (a pointer set, nothing more), so every drop target of
// the library reaches the actions.
struct DropActionsInstaller {
    DropActionsInstaller() { SetDropActions(&actions); }
    LibraryDropActions actions;
} dropActionsInstaller;

}  // namespace

namespace {

// The writer of a list with fWide = 0 meant the system's ANSI code page.
std::string AnsiToUtf8(std::string_view ansi) {
    if (ansi.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), n);
    return win::Narrow(wide);
}

}  // namespace

HRESULT ReadDropFileList(HGLOBAL handle, std::vector<std::string>& list) {
    list.clear();
    if (!handle) return E_INVALIDARG;
    const SIZE_T size = GlobalSize(handle);
    const void* block = GlobalLock(handle);
    if (!block) return E_INVALIDARG;
    list = ReadDropFileList(std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(block), size),
                            &AnsiToUtf8);
    GlobalUnlock(handle);
    return list.empty() ? E_INVALIDARG : S_OK;
}

std::shared_ptr<TransferData> TransferDataOf(IDataObject* data) { return std::make_shared<OleTransferData>(data); }

ShellHost& LibraryShellHost() {
    static WindowsShellHost host;
    return host;
}

ItemDialogs& LibraryDialogs() {
    if (installedDialogs) return *installedDialogs;
    return BuiltInDialogs();
}

void SetLibraryDialogs(ItemDialogs* dialogs) { installedDialogs = dialogs; }

// The dialogs are looked up when an action shows one, so a build without them still copies,
// pastes, deletes and opens.
class LibraryDialogProxy : public ItemDialogs {
public:
    bool NewProfile(FolderContext& c, TFTPObjects* f, TFTPObject*& n) override { return LibraryDialogs().NewProfile(c, f, n); }
    bool EditProfile(FolderContext& c, TFTPObject& n) override { return LibraryDialogs().EditProfile(c, n); }
    bool EditProfileFolder(FolderContext& c, TFTPObject& n) override { return LibraryDialogs().EditProfileFolder(c, n); }
    bool EditFSObject(FolderContext& c, TFSObject& o) override { return LibraryDialogs().EditFSObject(c, o); }
    bool EditFSObjects(FolderContext& c, const std::vector<std::pair<std::string, TFSObject*>>& o) override {
        return LibraryDialogs().EditFSObjects(c, o);
    }
};

ActionContext LibraryActionContext(FolderContext& folder) {
    static LibraryDialogProxy dialogs;
    return {folder, LibraryShellHost(), dialogs, SelectionList::Global()};
}

HRESULT CreateContextMenu(const ContextMenuOwner& owner, const ItemIdList* items, unsigned count, HWND window,
                          REFIID iid, void** out) {
    return win::Guard([&]() -> HRESULT {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        return win::CreateInstance<TlxContextMenu>(iid, out, owner, items, count, window);
    });
}

HRESULT CreateFolderContextMenu(IUnknown* folder, const ItemIdList* root, const ItemIdList* relative, HWND window,
                                UINT count, LPCITEMIDLIST* lists, REFIID iid, void** out) {
    return win::Guard([&]() -> HRESULT {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        OwnedPidl items(JoinLastItems(reinterpret_cast<const ItemIdList* const*>(lists), count));
        if (count > 0 && !items) return E_OUTOFMEMORY;
        return CreateContextMenu({folder, root, relative, nullptr}, items.get(), count, window, iid, out);
    });
}

namespace {

class ShellViewCommands : public ViewCommands {
public:
    explicit ShellViewCommands(TlxShellView& view) : view_(&view) {}
    int CurrentViewMode() const override { return static_cast<int>(view_->ViewMode()); }
    void ApplyViewMode(std::uint32_t command) override { view_->SetViewMode(static_cast<int>(command)); }
    void StartRename() override { view_->StartRename(); }
    ActionResult RefreshView() override { return view_->Refresh(); }

private:
    TlxShellView* view_;
};

}  // namespace

std::shared_ptr<ViewCommands> ViewCommandsOf(TlxShellView& view) { return std::make_shared<ShellViewCommands>(view); }

HRESULT RunViewCommand(TlxShellView& view, std::uint32_t command, const ItemIdList* const* lists, unsigned count,
                       HWND window) {
    return win::Guard([&]() -> HRESULT {
        // The view and its folder stay while a command pumps messages (a paste between uploads).
        ComPtr<IShellView> hold(&view);
        OwnedPidl items(count > 0 ? JoinLastItems(lists, count) : nullptr);
        if (count > 0 && !items) return E_OUTOFMEMORY;
        FolderContext folder = LxLibrary::Instance().Context();
        ActionContext context = LibraryActionContext(folder);
        const std::shared_ptr<ViewCommands> commands = ViewCommandsOf(view);
        MenuTarget target;
        target.window = reinterpret_cast<std::uintptr_t>(window);
        target.folder = {view.RootList(), view.RelativeList()};
        target.folderList = view.FolderList();
        target.items = items.get();
        target.count = items ? static_cast<unsigned>(SplitItems(items.get(), count).size()) : 0;
        target.view = commands.get();
        target.insideSite = IsInsideSite(view.RelativeList());
        if (command == menu_command::kPaste) target.count = 0;  // the view pastes onto the folder it shows
        OleClipboardWriter clipboard;
        return InvokeMenuCommand(command, target, context, clipboard);
    });
}

HRESULT ShowViewContextMenu(TlxShellView& view, const ItemIdList* const* lists, unsigned count, HWND window,
                            POINT screen) {
    return win::Guard([&]() -> HRESULT {
        OwnedPidl items(count > 0 ? JoinLastItems(lists, count) : nullptr);
        if (count > 0 && !items) return E_OUTOFMEMORY;
        ComPtr<IContextMenu> menu;
        const HRESULT made = CreateContextMenu({&view, view.RootList(), view.RelativeList(), ViewCommandsOf(view)},
                                               items.get(), count, window, IID_IContextMenu, menu.PutVoid());
        if (FAILED(made)) return made;
        HMENU popup = CreatePopupMenu();
        if (!popup) return E_OUTOFMEMORY;
        struct Destroy {
            HMENU menu;
            ~Destroy() { DestroyMenu(menu); }
        } destroy{popup};
        const HRESULT built = menu->QueryContextMenu(popup, 0, 0, 0x7FFF, CMF_EXPLORE | CMF_CANRENAME);
        if (FAILED(built)) return built;
        const UINT chosen = static_cast<UINT>(
            TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, window, nullptr));
        if (chosen == 0) return S_FALSE;
        CMINVOKECOMMANDINFO info{};
        info.cbSize = sizeof info;
        info.hwnd = window;
        info.lpVerb = MAKEINTRESOURCEA(chosen);
        info.nShow = SW_SHOWNORMAL;
        return menu->InvokeCommand(&info);
    });
}

}  // namespace lark::shellext
