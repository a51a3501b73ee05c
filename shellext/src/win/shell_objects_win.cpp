// The COM objects Explorer talks to: the shell folder (also the copy hook), the item
// enumerator, the icon extractor and the info tip. Each checks its arguments and items before
// it touches the model and answers an HRESULT; no exception leaves a method.
#include <windows.h>
#include <shlobj.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/format.h"
#include "core/text_encoding.h"
#include "mainclient/main_client.h"
#include "shellext/transfer_folder.h"
#include "shellext/win/actions_win.h"
#include "shellext/win/data_objects.h"
#include "shellext/win/lx_library.h"
#include "shellext/win/shell_view.h"
#include "win/object.h"
#include "win/registration.h"
#include "win/text.h"

__CRT_UUID_DECL(ICopyHookA, 0x000214ef, 0x0000, 0x0000, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
__CRT_UUID_DECL(ICopyHookW, 0x000214fc, 0x0000, 0x0000, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
__CRT_UUID_DECL(IExtractIconA, 0x000214eb, 0x0000, 0x0000, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
__CRT_UUID_DECL(IExtractIconW, 0x000214fa, 0x0000, 0x0000, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
__CRT_UUID_DECL(IQueryInfo, 0x00021500, 0x0000, 0x0000, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)

namespace lark::shellext {
namespace {

const ItemIdList* AsItems(LPCITEMIDLIST list) { return reinterpret_cast<const ItemIdList*>(list); }
LPITEMIDLIST AsShell(ItemIdList* list) { return reinterpret_cast<LPITEMIDLIST>(list); }

// The guard of every method: an exception becomes E_UNEXPECTED (or the code a COM error
// carries, E_OUTOFMEMORY when memory ran out), its text the caller's error info.
template <class Body>
HRESULT Guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (const win::ComError& e) {
        win::SetErrorText(e.what());
        return e.code();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::exception& e) {
        win::SetErrorText(e.what());
        return E_UNEXPECTED;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// Frees a list of the shell allocator when it goes out of scope.
class OwnedList {
public:
    OwnedList() = default;
    explicit OwnedList(ItemIdList* list) : list_(list) {}
    OwnedList(const OwnedList&) = delete;
    OwnedList& operator=(const OwnedList&) = delete;
    ~OwnedList() { FreePidl(list_); }
    void Reset(ItemIdList* list) {
        FreePidl(list_);
        list_ = list;
    }
    ItemIdList* get() const { return list_; }
    ItemIdList* Release() { return std::exchange(list_, nullptr); }

private:
    ItemIdList* list_ = nullptr;
};

// ---- the item enumerator ----

class TlxEnumIDList : public win::ComObject<IEnumIDList> {
public:
    explicit TlxEnumIDList(std::vector<ItemIdList*> items) : items_(std::move(items)) {}

    // Hands out copies: the caller owns and frees them, the enumerator frees its own list, and
    // a restart never hands one block out twice.
    STDMETHODIMP Next(ULONG count, LPITEMIDLIST* out, ULONG* fetched) override {
        return Guarded([&]() -> HRESULT {
            if (fetched) *fetched = 0;
            if (!out || count == 0 || (count > 1 && !fetched)) return E_INVALIDARG;
            ULONG n = 0;
            while (n < count && position_ < items_.size()) {
                ItemIdList* copy = CopyPidl(items_[position_]);
                if (!copy) break;
                out[n++] = AsShell(copy);
                ++position_;
            }
            if (fetched) *fetched = n;
            if (n == 0 && position_ >= items_.size()) position_ = 0;  // past the end rewinds
            return n == count ? S_OK : S_FALSE;
        });
    }
    STDMETHODIMP Skip(ULONG count) override {
        if (items_.size() - position_ < count) {
            position_ = items_.size();
            return S_FALSE;
        }
        position_ += count;
        return S_OK;
    }
    STDMETHODIMP Reset() override {
        position_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumIDList** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }

private:
    ~TlxEnumIDList() override {
        for (ItemIdList* item : items_) FreePidl(item);
    }
    std::vector<ItemIdList*> items_;
    std::size_t position_ = 0;
    win::ScopedModuleLock lock_;
};

// ---- icons ----

// shell32's closed and open folder icons, by resource id (a negative index names an id).
constexpr int kShell32ClosedFolderIcon = -4;
constexpr int kShell32OpenFolderIcon = -5;
// The module's icons in resource order (named resources sort by name): MAINICON, NEWPROFILE,
// PROFILE.
constexpr int kProfileIconOrdinal = 2;

class TlxExtractIcon : public win::ComObject<IExtractIconA, IExtractIconW> {
public:
    explicit TlxExtractIcon(ItemIdList* item) : item_(item) {}

    STDMETHODIMP GetIconLocation(UINT flags, LPSTR file, UINT size, int* index, UINT* outFlags) override {
        return Location(flags, index, outFlags, [&](const std::wstring& module) {
            if (file && size > 0) {
                const int n = WideCharToMultiByte(CP_ACP, 0, module.c_str(), -1, file, static_cast<int>(size), nullptr, nullptr);
                if (n == 0) file[0] = '\0';
            }
        });
    }
    STDMETHODIMP GetIconLocation(UINT flags, LPWSTR file, UINT size, int* index, UINT* outFlags) override {
        return Location(flags, index, outFlags, [&](const std::wstring& module) {
            if (file && size > 0) lstrcpynW(file, module.c_str(), static_cast<int>(size));
        });
    }
    STDMETHODIMP Extract(LPCSTR, UINT, HICON* large, HICON* small, UINT) override {
        return ExtractIcons(large, small);
    }
    STDMETHODIMP Extract(LPCWSTR, UINT, HICON* large, HICON* small, UINT) override {
        return ExtractIcons(large, small);
    }

private:
    // The icon's real place, so that every shell finds it (Wine's reads the file and index
    // and never asks Extract): shell32's folder icons by resource id, the module's profile icon.
    template <class WriteFile>
    HRESULT Location(UINT flags, int* index, UINT* outFlags, WriteFile writeFile) {
        return Guarded([&]() -> HRESULT {
            if (!index || !outFlags) return E_INVALIDARG;
            *index = 0;
            *outFlags = 0;
            const ItemIdList* item = item_.get();
            TFTPObject* site = SiteNodeOf(item);
            TFSObject* remote = site ? nullptr : RemoteNodeOf(item);
            if ((site && site->IsFolder()) || (remote && remote->IsFolder())) {
                writeFile(SystemShell32Path());
                *index = (flags & GIL_OPENICON) ? kShell32OpenFolderIcon : kShell32ClosedFolderIcon;
                return S_OK;
            }
            if (site) {
                writeFile(win::ModulePath(LxLibrary::Instance().Module()));
                *index = kProfileIconOrdinal;
                return S_OK;
            }
            *outFlags = GIL_NOTFILENAME;
            return S_FALSE;  // a remote file or anything else: the shell's default icon
        });
    }

    // The shell extracts from the location itself.
    HRESULT ExtractIcons(HICON* large, HICON* small) {
        if (large) *large = nullptr;
        if (small) *small = nullptr;
        if (!large && !small) return E_INVALIDARG;
        return S_FALSE;
    }

    static std::wstring SystemShell32Path() {
        wchar_t folder[MAX_PATH] = L"";
        const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
        return (n > 0 && n < MAX_PATH ? std::wstring(folder, n) : std::wstring()) + L"\\shell32.dll";
    }

    OwnedList item_;
    win::ScopedModuleLock lock_;
};

// ---- info tips ----

class TlxQueryInfo : public win::ComObject<IQueryInfo> {
public:
    explicit TlxQueryInfo(ItemIdList* item) : item_(item) {}

    STDMETHODIMP GetInfoTip(DWORD, LPWSTR* tip) override {
        return Guarded([&]() -> HRESULT {
            if (!tip) return E_INVALIDARG;
            *tip = nullptr;
            TFTPObject* site = SiteNodeOf(item_.get());
            if (!site || site->IsFolder() || !site->ServerInfo()) return S_OK;
            const std::wstring text =
                win::Widen("ftp://" + site->ServerInfo()->HostName + site->ServerInfo()->HostDirName);
            auto* block = static_cast<wchar_t*>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
            if (!block) return E_OUTOFMEMORY;
            std::memcpy(block, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
            *tip = block;
            return S_OK;
        });
    }
    STDMETHODIMP GetInfoFlags(DWORD* flags) override {
        if (flags) *flags = 0;
        return E_NOTIMPL;
    }

private:
    OwnedList item_;
    win::ScopedModuleLock lock_;
};

// ---- the shell folder ----

constexpr UINT kColumnCount = 2;

class TlxShellFolder : public win::ComObject<IShellFolder2, IPersistFolder2, ICopyHookA, ICopyHookW> {
public:
    TlxShellFolder() = default;
    // A folder bound from `parent`: its absolute identifier is the parent's joined with the
    // relative list, so notifications name it exactly. The parent is kept alive.
    TlxShellFolder(TlxShellFolder* parent, const ItemIdList* relative) : parent_(parent) {
        if (!parent) return;
        root_.Reset(CopyPidl(parent->root_.get()));
        relative_.Reset(CombinePidls(parent->relative_.get(), relative));
        ownItem_.Reset(CopyFirstPidlItem(LastPidlItem(relative)));
        if (!relative_.get() || !ownItem_.get() || (parent->root_.get() && !root_.get())) throw std::bad_alloc();
        parent_->AddRef();
    }

    // ---- IShellFolder ----
    STDMETHODIMP ParseDisplayName(HWND, IBindCtx*, LPWSTR, ULONG*, LPITEMIDLIST* out, ULONG*) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }

    STDMETHODIMP EnumObjects(HWND, SHCONTF flags, IEnumIDList** out) override {
        return Guarded([&]() -> HRESULT {
            if (!out) return E_INVALIDARG;
            *out = nullptr;
            FolderContext context = LxLibrary::Instance().Context();
            auto items = BuildEnumeration(ownItem_.get(), flags, context);
            if (!items) return E_FAIL;
            *out = new TlxEnumIDList(std::move(*items));
            return S_OK;
        });
    }

    STDMETHODIMP BindToObject(LPCITEMIDLIST list, IBindCtx*, REFIID iid, void** out) override {
        return Guarded([&]() -> HRESULT {
            if (!out) return E_INVALIDARG;
            *out = nullptr;
            if (!list) return E_INVALIDARG;
            if (!IsEqualIID(iid, IID_IShellFolder)) return E_NOINTERFACE;
            // A path down from this folder, and its last item a folder of the model.
            const ItemIdList* last = LastBelow(AsItems(list));
            if (!last) return E_INVALIDARG;
            TFSObject* remote = RemoteNodeOf(last);
            if (!SiteNodeOf(last) && !(remote && remote->IsFolder())) return E_INVALIDARG;
            auto* child = new TlxShellFolder(this, AsItems(list));
            const HRESULT hr = child->QueryInterface(iid, out);
            child->Release();
            return hr;
        });
    }

    STDMETHODIMP BindToStorage(LPCITEMIDLIST, IBindCtx*, REFIID, void** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }

    STDMETHODIMP CompareIDs(LPARAM, LPCITEMIDLIST list1, LPCITEMIDLIST list2) override {
        return Guarded([&]() -> HRESULT {
            if (!LastBelow(AsItems(list1)) || !LastBelow(AsItems(list2))) return E_INVALIDARG;
            const int order = CompareItems(AsItems(list1), AsItems(list2));
            return MAKE_HRESULT(SEVERITY_SUCCESS, 0, static_cast<unsigned short>(static_cast<short>(order)));
        });
    }

    STDMETHODIMP CreateViewObject(HWND, REFIID iid, void** out) override {
        return Guarded([&]() -> HRESULT {
            if (!out) return E_INVALIDARG;
            *out = nullptr;
            if (!IsEqualIID(iid, IID_IShellView)) return E_NOINTERFACE;
            return CreateShellView(this, root_.get(), relative_.get(), iid, out);
        });
    }

    STDMETHODIMP GetAttributesOf(UINT count, LPCITEMIDLIST* lists, SFGAOF* attributes) override {
        return Guarded([&]() -> HRESULT {
            if (!attributes) return E_INVALIDARG;
            if (!AllBelow(count, lists)) return E_INVALIDARG;
            const auto value = AttributesOfItems(reinterpret_cast<const ItemIdList* const*>(lists), count);
            if (!value) return E_INVALIDARG;
            *attributes = *value;
            return S_OK;
        });
    }

    STDMETHODIMP GetUIObjectOf(HWND window, UINT count, LPCITEMIDLIST* lists, REFIID iid, UINT*, void** out) override {
        return Guarded([&]() -> HRESULT {
            if (!out) return E_INVALIDARG;
            *out = nullptr;
            if (count == 0 || !lists) return E_INVALIDARG;
            if (!AllBelow(count, lists)) return E_INVALIDARG;
            if (IsEqualIID(iid, IID_IDataObject) || IsEqualIID(iid, IID_IDropTarget)) {
                OwnedList items(JoinLastItems(reinterpret_cast<const ItemIdList* const*>(lists), count));
                OwnedList folder = Absolute();
                if (!items.get()) return E_OUTOFMEMORY;
                if (IsEqualIID(iid, IID_IDataObject))
                    return CreateDataSource(folder.get(), items.get(), count, window, iid, out);
                return CreateDataTarget(static_cast<IShellFolder2*>(this), nullptr, nullptr, folder.get(), items.get(),
                                        window, iid, out);
            }
            if (IsEqualIID(iid, IID_IContextMenu))
                return CreateFolderContextMenu(static_cast<IShellFolder2*>(this), root_.get(), relative_.get(), window,
                                               count, lists, iid, out);
            const bool icon = IsEqualIID(iid, IID_IExtractIconA) || IsEqualIID(iid, IID_IExtractIconW);
            const bool tip = IsEqualIID(iid, IID_IQueryInfo);
            if (!icon && !tip) return E_NOINTERFACE;
            const ItemIdList* first = LastBelow(AsItems(lists[0]));
            if (!first) return E_INVALIDARG;
            OwnedList item(CopyFirstPidlItem(first));
            if (!item.get()) return E_OUTOFMEMORY;
            if (icon) return win::CreateInstance<TlxExtractIcon>(iid, out, item.Release());
            return win::CreateInstance<TlxQueryInfo>(iid, out, item.Release());
        });
    }

    STDMETHODIMP GetDisplayNameOf(LPCITEMIDLIST list, SHGDNF, STRRET* name) override {
        return Guarded([&]() -> HRESULT {
            if (!name || !list) return E_INVALIDARG;
            std::memset(name, 0, sizeof *name);
            if (!LastBelow(AsItems(list))) return E_INVALIDARG;
            const auto text = DisplayNameOf(AsItems(list));
            if (!text) return E_INVALIDARG;
            const std::wstring wide = win::Widen(*text);
            auto* block = static_cast<wchar_t*>(CoTaskMemAlloc((wide.size() + 1) * sizeof(wchar_t)));
            if (!block) return E_OUTOFMEMORY;
            std::memcpy(block, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
            name->uType = STRRET_WSTR;
            name->pOleStr = block;
            return S_OK;
        });
    }

    STDMETHODIMP SetNameOf(HWND window, LPCITEMIDLIST list, LPCWSTR newName, SHGDNF, LPITEMIDLIST* out) override {
        return Guarded([&]() -> HRESULT {
            if (out) *out = nullptr;
            if (!list || !newName) return E_INVALIDARG;
            const ItemIdList* last = LastBelow(AsItems(list));
            if (!last) return E_INVALIDARG;
            const std::string name = win::Narrow(newName);
            // A program (no window to show a box on) gets the refusal as a result.
            if (!window && !name.empty() && !IsValidItemName(name)) return E_INVALIDARG;
            FolderContext context = LxLibrary::Instance().Context();
            // The item's stored name is rewritten in place, as the shell's copy is the one it shows.
            auto* item = const_cast<ItemIdList*>(AsItems(list));
            // The list as it was, so that the notice names it by its old name and its new.
            OwnedList oldList(CombinePidls(Absolute().get(), item));
            const bool file = RemoteNodeOf(last) && !RemoteNodeOf(last)->IsFolder();
            switch (RenameItem(item, name, reinterpret_cast<std::uintptr_t>(window), context)) {
                case RenameOutcome::NotOurs: return E_INVALIDARG;
                case RenameOutcome::NameRefused:
                case RenameOutcome::Refused: return E_FAIL;
                case RenameOutcome::Renamed: break;
            }
            // The renamed item's identifier, as the shell keeps it (selected) under its new name.
            OwnedList renamed(out ? CopyPidl(item) : nullptr);
            OwnedList newList(CombinePidls(Absolute().get(), item));
            if (oldList.get() && newList.get())
                SHChangeNotify(file ? SHCNE_RENAMEITEM : SHCNE_RENAMEFOLDER, SHCNF_IDLIST | SHCNF_FLUSHNOWAIT,
                               oldList.get(), newList.get());
            if (out) {
                if (!renamed.get()) return E_OUTOFMEMORY;
                *out = AsShell(renamed.Release());
            }
            return S_OK;
        });
    }

    // ---- IShellFolder2: the columns of the shell's own folder view (name, size) ----
    STDMETHODIMP GetDefaultSearchGUID(GUID*) override { return E_NOTIMPL; }
    STDMETHODIMP EnumSearches(IEnumExtraSearch** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetDefaultColumn(DWORD, ULONG* sort, ULONG* display) override {
        if (!sort || !display) return E_INVALIDARG;
        *sort = *display = 0;
        return S_OK;
    }
    STDMETHODIMP GetDefaultColumnState(UINT column, SHCOLSTATEF* state) override {
        if (!state) return E_INVALIDARG;
        if (column >= kColumnCount) return E_INVALIDARG;
        *state = SHCOLSTATE_ONBYDEFAULT | (column == 1 ? SHCOLSTATE_TYPE_INT : SHCOLSTATE_TYPE_STR);
        return S_OK;
    }
    STDMETHODIMP GetDetailsEx(LPCITEMIDLIST, const SHCOLUMNID*, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetDetailsOf(LPCITEMIDLIST list, UINT column, SHELLDETAILS* details) override {
        return Guarded([&]() -> HRESULT {
            if (!details) return E_INVALIDARG;
            if (column >= kColumnCount) return E_FAIL;  // the end of the columns
            details->fmt = column == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT;
            details->cxChar = column == 1 ? 12 : 30;
            std::string text;
            const TDM& dm = LxLibrary::Instance().DataModule();
            if (!list) {
                text = dm.Text(column == 1 ? "STR_54" : "STR_53");
            } else if (!LastBelow(AsItems(list))) {
                return E_INVALIDARG;
            } else if (column == 0) {
                const auto name = DisplayNameOf(AsItems(list));
                if (!name) return E_INVALIDARG;
                text = *name;
            } else if (TFSObject* remote = RemoteNodeOf(LastOwnItem(AsItems(list))); remote && !remote->IsFolder()) {
                text = core::Format(dm.Text("IDS_10"), {remote->Size});
            }
            const std::wstring wide = win::Widen(text);
            auto* block = static_cast<wchar_t*>(CoTaskMemAlloc((wide.size() + 1) * sizeof(wchar_t)));
            if (!block) return E_OUTOFMEMORY;
            std::memcpy(block, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
            details->str.uType = STRRET_WSTR;
            details->str.pOleStr = block;
            return S_OK;
        });
    }
    STDMETHODIMP MapColumnToSCID(UINT, SHCOLUMNID*) override { return E_NOTIMPL; }

    // ---- IPersistFolder2 ----
    STDMETHODIMP GetClassID(CLSID* id) override {
        if (!id) return E_INVALIDARG;
        *id = kShellFolderClassId;
        return S_OK;
    }
    STDMETHODIMP Initialize(LPCITEMIDLIST absolute) override {
        return Guarded([&]() -> HRESULT {
            ItemIdList* copy = CopyPidl(AsItems(absolute));
            if (!copy) return E_FAIL;
            root_.Reset(copy);
            return S_OK;
        });
    }
    STDMETHODIMP GetCurFolder(LPITEMIDLIST* out) override {
        return Guarded([&]() -> HRESULT {
            if (!out) return E_INVALIDARG;
            *out = nullptr;
            OwnedList absolute = Absolute();
            if (!absolute.get()) return E_FAIL;
            *out = AsShell(absolute.Release());
            return S_OK;
        });
    }

    // ---- ICopyHookA, ICopyHookW ----
    // The shell calls the wide hook when there is one; the ANSI one stays for callers that use it
    // (its paths can only name what the ANSI code page holds).
    STDMETHODIMP_(UINT) CopyCallback(HWND, UINT operation, UINT, LPCSTR source, DWORD, LPCSTR destination, DWORD) override {
        if (!source || !destination) return IDYES;
        try {
            return Copy(operation, FromAnsi(source), FromAnsi(destination));
        } catch (const std::exception&) {
            return IDYES;
        }
    }
    STDMETHODIMP_(UINT) CopyCallback(HWND, UINT operation, UINT, LPCWSTR source, DWORD, LPCWSTR destination, DWORD) override {
        if (!source || !destination) return IDYES;
        try {
            return Copy(operation, win::Narrow(source), win::Narrow(destination));
        } catch (const std::exception&) {
            return IDYES;
        }
    }

    UINT Copy(UINT operation, const std::string& source, const std::string& destination) {
        try {
            if (operation != FO_COPY && operation != FO_MOVE) return IDYES;
            const std::string marker = GetTransferTempFolder();
            if (!SameLocalPath(LongPath(source), LongPath(marker))) return IDYES;
        } catch (const std::exception&) {
            return IDYES;  // not recognised: the shell goes on with its own copy
        }
        // The marker folder: the shell's copy is cancelled and the selection downloaded instead.
        try {
            const std::string folder = DestinationFolderOf(destination);
            const std::vector<SelectionEntry> entries = LxLibrary::Instance().Selection().Snapshot();
            if (folder.empty() || entries.empty()) return IDCANCEL;
            const HRESULT init = CoInitialize(nullptr);
            struct Uninit {
                bool on;
                ~Uninit() {
                    if (on) CoUninitialize();
                }
            } uninit{SUCCEEDED(init)};
            LxLibrary& library = LxLibrary::Instance();
            std::shared_ptr<mainclient::MainClient> client = LxLibrary::NewMainClient();
            DownloadSelection(entries, folder, *client, library.DataModule(), library.MessageBox());
        } catch (const std::exception&) {
            // The downloads end; the shell's copy stays cancelled.
        }
        return IDCANCEL;
    }

protected:
    void* QueryOther(REFIID iid) override {
        if (IsEqualIID(iid, IID_IShellFolder)) return static_cast<IShellFolder*>(static_cast<IShellFolder2*>(this));
        if (IsEqualIID(iid, IID_IPersistFolder) || IsEqualIID(iid, IID_IPersist))
            return static_cast<IPersistFolder2*>(this);
        return nullptr;
    }

private:
    ~TlxShellFolder() override {
        if (parent_) parent_->Release();
    }

    // The last item of a list that is a path down from this folder; null for any other list.
    const ItemIdList* LastBelow(const ItemIdList* list) const {
        const auto items = ItemsBelowFolder(ownItem_.get(), list);
        return items && !items->empty() ? items->back() : nullptr;
    }
    bool AllBelow(UINT count, LPCITEMIDLIST* lists) const {
        for (UINT i = 0; lists && i < count; ++i)
            if (!LastBelow(AsItems(lists[i]))) return false;
        return true;
    }

    // The folder's absolute identifier: the root's joined with the relative list.
    OwnedList Absolute() const {
        if (!relative_.get()) return OwnedList(CopyPidl(root_.get()));
        return OwnedList(CombinePidls(root_.get(), relative_.get()));
    }

    static std::string FromAnsi(LPCSTR text) {
        const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
        std::wstring wide(n > 0 ? n : 0, L'\0');
        if (n > 0) MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), n);
        while (!wide.empty() && wide.back() == L'\0') wide.pop_back();
        return win::Narrow(wide);
    }

    static std::string LongPath(const std::string& path) {
        const std::wstring wide = win::Widen(path);
        const DWORD n = GetLongPathNameW(wide.c_str(), nullptr, 0);
        if (n == 0) return path;
        std::wstring full(n, L'\0');
        const DWORD m = GetLongPathNameW(wide.c_str(), full.data(), n);
        if (m == 0 || m >= n) return path;
        full.resize(m);
        return win::Narrow(full);
    }

    OwnedList root_;
    OwnedList ownItem_;
    OwnedList relative_;
    TlxShellFolder* parent_ = nullptr;
    win::ScopedModuleLock lock_;
};

}  // namespace

HRESULT CreateShellFolder(REFIID iid, void** out) { return win::CreateInstance<TlxShellFolder>(iid, out); }

}  // namespace lark::shellext
