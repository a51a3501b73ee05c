// The data source, its format enumerator and the drop target. The decisions (formats offered,
// matching, the drop's target and effect, the selection) are the portable code's; this file
// translates them to OLE.
#include "shellext/win/data_objects.h"

#include <shlobj.h>
#include <shellapi.h>

#include <atomic>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "shellext/selection_list.h"
#include "shellext/transfer_folder.h"
#include "win/com_ptr.h"
#include "win/object.h"
#include "win/text.h"

namespace lark::shellext::data_objects_detail {

// Our own data source as seen in this process: an interface no proxy exists for, so a data
// object of another process (or another program) never answers it.
struct ILxDataSource : public IUnknown {
    virtual void STDMETHODCALLTYPE RefillSelection() = 0;
    virtual DWORD STDMETHODCALLTYPE LastEffect() = 0;
};

// Our own drop target, for DetachDataTarget.
struct ILxDataTarget : public IUnknown {
    virtual void STDMETHODCALLTYPE Detach() = 0;
};

}  // namespace lark::shellext::data_objects_detail

// {5B0C2E41-7D5A-4F0B-9E57-2C7A1D4E8B31}
__CRT_UUID_DECL(lark::shellext::data_objects_detail::ILxDataSource, 0x5b0c2e41, 0x7d5a, 0x4f0b, 0x9e, 0x57, 0x2c,
                0x7a, 0x1d, 0x4e, 0x8b, 0x31)
// {5B0C2E42-7D5A-4F0B-9E57-2C7A1D4E8B31}
__CRT_UUID_DECL(lark::shellext::data_objects_detail::ILxDataTarget, 0x5b0c2e42, 0x7d5a, 0x4f0b, 0x9e, 0x57, 0x2c,
                0x7a, 0x1d, 0x4e, 0x8b, 0x31)

namespace lark::shellext {

using data_objects_detail::ILxDataSource;
using data_objects_detail::ILxDataTarget;

namespace {

// {4657278A-411B-11D2-839A-00C04FD918D0}: the shell's drag image object.
constexpr CLSID kDragDropHelper = {0x4657278A, 0x411B, 0x11D2, {0x83, 0x9A, 0x00, 0xC0, 0x4F, 0xD9, 0x18, 0xD0}};
constexpr DWORD kTemplateMedia = TYMED_HGLOBAL | TYMED_ISTREAM;
// The size of the token formats' media: they carry nothing, but a consumer gets a real block.
constexpr SIZE_T kTokenSize = 4;

std::atomic<UINT> profileFormat{0};
std::atomic<UINT> fileFormat{0};

UINT Registered(std::atomic<UINT>& slot, const char* name) {
    UINT id = slot.load();
    if (id == 0) {
        id = RegisterClipboardFormatW(win::Widen(name).c_str());
        slot.store(id);
    }
    return id;
}

FORMATETC Template(UINT format, DWORD media) {
    return FORMATETC{static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, media};
}

UINT ClipboardFormatOf(TransferFormat format) {
    switch (format) {
        case TransferFormat::ProfileItem: return ProfileObjectFormat();
        case TransferFormat::FileItem: return FileSystemObjectFormat();
        case TransferFormat::HDrop: return CF_HDROP;
    }
    return 0;
}

FormatKey KeyOf(const FORMATETC& format) { return FormatKey{format.cfFormat, format.dwAspect, format.tymed}; }

bool Matches(const FORMATETC& requested, TransferFormat format) {
    return FormatMatches(KeyOf(requested), FormatKey{ClipboardFormatOf(format), DVASPECT_CONTENT, kTemplateMedia});
}

// A zero-filled movable block, or null.
HGLOBAL ZeroBlock(SIZE_T size) { return GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size); }

std::string ToAnsi(const std::string& utf8) {
    const std::wstring wide = win::Widen(utf8);
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string ansi(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), ansi.data(), n, nullptr, nullptr);
    return ansi;
}

// The DROPFILES medium naming the transfer marker folder.
HRESULT MakeMarkerDropFiles(STGMEDIUM& medium) {
    std::memset(&medium, 0, sizeof medium);
    const std::vector<std::uint8_t> bytes = MarkerDropFiles(ToAnsi(GetTransferTempFolder()));
    HGLOBAL block = ZeroBlock(bytes.size());
    if (!block) return E_OUTOFMEMORY;
    void* p = GlobalLock(block);
    if (!p) {
        GlobalFree(block);
        return E_OUTOFMEMORY;
    }
    std::memcpy(p, bytes.data(), bytes.size());
    GlobalUnlock(block);
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = block;
    return S_OK;
}

HRESULT MakeTokenMedium(STGMEDIUM& medium) {
    std::memset(&medium, 0, sizeof medium);
    HGLOBAL block = ZeroBlock(kTokenSize);
    if (!block) return E_OUTOFMEMORY;
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = block;
    return S_OK;
}

// The guard of the methods that do real work.
template <class Body>
HRESULT Guarded(HRESULT onError, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::exception& e) {
        win::SetErrorText(e.what());
        return onError;
    }
}

OwnedPidl Copy(const ItemIdList* list) {
    if (!list) return {};
    OwnedPidl copy(CopyPidl(list));
    if (!copy) throw std::bad_alloc();
    return copy;
}

DropActions* installedActions = nullptr;

DropActions* CurrentDropActions() { return installedActions; }

bool Offers(IDataObject* data, TransferFormat format) {
    FORMATETC request = Template(ClipboardFormatOf(format), kTemplateMedia);
    return data->QueryGetData(&request) == S_OK;
}

// GetData succeeds for the format; the medium is released at once.
bool ReadsFormat(IDataObject* data, TransferFormat format) {
    FORMATETC request = Template(ClipboardFormatOf(format), kTemplateMedia);
    STGMEDIUM medium{};
    if (data->GetData(&request, &medium) != S_OK) return false;
    ReleaseStgMedium(&medium);
    return true;
}

// ---- the format enumerator ----

class TEnumFormatEtc : public win::ComObject<IEnumFORMATETC> {
public:
    TEnumFormatEtc(std::vector<FORMATETC> formats, std::size_t index) : formats_(std::move(formats)), index_(index) {}

    STDMETHODIMP Next(ULONG count, FORMATETC* out, ULONG* fetched) override {
        if (fetched) *fetched = 0;
        if (!out) return E_INVALIDARG;
        ULONG n = 0;
        while (n < count && index_ < formats_.size()) out[n++] = formats_[index_++];  // no target devices
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        if (formats_.size() - index_ < count) {
            index_ = formats_.size();
            return S_FALSE;
        }
        index_ += count;
        return S_OK;
    }
    STDMETHODIMP Reset() override {
        index_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumFORMATETC** out) override {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        return win::CreateInstance<TEnumFormatEtc>(IID_IEnumFORMATETC, reinterpret_cast<void**>(out), formats_, index_);
    }

private:
    std::vector<FORMATETC> formats_;  // its own copy: outlives the data source
    std::size_t index_;
    win::ScopedModuleLock lock_;
};

// ---- the data source ----

class TlxDataSource : public win::ComObject<IDataObject, IDropSource, ILxDataSource> {
public:
    // The items' own terminator bounds them; the data source shows no window of its own.
    TlxDataSource(const ItemIdList* folderList, const ItemIdList* items, unsigned, HWND)
        : folderList_(Copy(folderList)), items_(Copy(items)) {
        const ItemIdList* last = items ? LastPidlItem(items) : nullptr;
        const std::uint32_t kind = last && IsOwnPidl(last) ? PidlKind(last) : 0;
        for (TransferFormat format : OfferedFormats(kind))
            formats_.push_back(Template(ClipboardFormatOf(format), TYMED_HGLOBAL));
    }

    // ---- IDataObject ----
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
        return Guarded(E_UNEXPECTED, [&]() -> HRESULT {
            if (!format || !medium) return E_INVALIDARG;
            std::memset(medium, 0, sizeof *medium);
            HRESULT hr = DV_E_FORMATETC;
            // Asked by template, not by the offered table: a consumer that asks gets the token.
            const bool token = Matches(*format, TransferFormat::FileItem) || Matches(*format, TransferFormat::ProfileItem);
            const bool hdrop = !token && Matches(*format, TransferFormat::HDrop);
            if (!token && !hdrop) return DV_E_FORMATETC;
            if (!(format->tymed & TYMED_HGLOBAL)) return DV_E_TYMED;  // the only medium made
            hr = token ? MakeTokenMedium(*medium) : MakeMarkerDropFiles(*medium);
            if (SUCCEEDED(hr)) RefillSelection();
            return hr;
        });
    }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC* format) override {
        if (!format) return E_INVALIDARG;
        for (const FORMATETC& offered : formats_)
            if (FormatMatches(KeyOf(*format), KeyOf(offered))) return S_OK;
        return DV_E_FORMATETC;
    }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override {
        if (!out) return E_INVALIDARG;
        if (in) *out = *in;
        out->ptd = nullptr;
        return DATA_S_SAMEFORMATETC;
    }
    STDMETHODIMP SetData(FORMATETC* format, STGMEDIUM*, BOOL) override {
        return Guarded(E_NOTIMPL, [&]() -> HRESULT {
            if (format && Matches(*format, TransferFormat::HDrop)) RefillSelection();
            return E_NOTIMPL;
        });
    }
    STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        if (direction == DATADIR_SET) return E_NOTIMPL;
        if (direction != DATADIR_GET) return E_INVALIDARG;
        return win::CreateInstance<TEnumFormatEtc>(IID_IEnumFORMATETC, reinterpret_cast<void**>(out), formats_,
                                                   std::size_t{0});
    }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA** out) override {
        if (out) *out = nullptr;
        return OLE_E_ADVISENOTSUPPORTED;
    }

    // ---- IDropSource ----
    STDMETHODIMP QueryContinueDrag(BOOL escape, DWORD keys) override {
        if (escape) return DRAGDROP_S_CANCEL;
        if (keys & (MK_LBUTTON | MK_RBUTTON)) return S_OK;
        return DRAGDROP_S_DROP;
    }
    STDMETHODIMP GiveFeedback(DWORD effect) override {
        lastEffect_ = effect;
        return DRAGDROP_S_USEDEFAULTCURSORS;
    }

    // ---- ILxDataSource ----
    void STDMETHODCALLTYPE RefillSelection() override { SetSelectionList(items_.get(), folderList_.get()); }
    DWORD STDMETHODCALLTYPE LastEffect() override { return lastEffect_; }

private:
    OwnedPidl folderList_;
    OwnedPidl items_;
    std::vector<FORMATETC> formats_;
    DWORD lastEffect_ = DROPEFFECT_NONE;
    win::ScopedModuleLock lock_;
};

// ---- the drop target ----

class TlxDataTarget : public win::ComObject<IDropTarget, ILxDataTarget> {
public:
    TlxDataTarget(IUnknown* folder, IUnknown* view, DropRows* rows, const ItemIdList* folderList,
                  const ItemIdList* targetItem, HWND window)
        : window_(window), folder_(folder), view_(view), rows_(rows), forFolder_(view == nullptr) {
        // A failure leaves the rest unset: the target then refuses what it cannot check.
        if (targetItem && PidlSize(targetItem) > 2) ownItem_.reset(CopyFirstPidlItem(targetItem));
        folderList_.reset(CopyPidl(folderList));
        if (FAILED(CoCreateInstance(kDragDropHelper, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IDropTargetHelper),
                                    helper_.PutVoid())))
            helper_.Reset();
    }

    // ---- IDropTarget ----
    STDMETHODIMP DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override {
        return Guarded(E_FAIL, [&]() -> HRESULT {
            if (!effect) return E_INVALIDARG;
            data_ = win::ComPtr<IDataObject>(data);
            const DWORD allowed = *effect & ~DROPEFFECT_LINK;
            ReadSelection(data);
            Choice choice = Choose(keys, point, allowed);
            *effect = choice.result == S_OK ? choice.effect : DROPEFFECT_NONE;
            if (helper_) {
                POINT p{point.x, point.y};
                helper_->DragEnter(window_, data, &p, *effect);
            }
            return S_OK;
        });
    }

    STDMETHODIMP DragOver(DWORD keys, POINTL point, DWORD* effect) override {
        return Guarded(E_UNEXPECTED, [&]() -> HRESULT {
            if (!effect) return E_INVALIDARG;
            const DWORD allowed = *effect;
            Unhighlight();
            const Choice choice = Choose(keys, point, allowed);
            *effect = choice.result == S_OK ? choice.effect : DROPEFFECT_NONE;
            if (choice.result == S_OK && choice.row >= 0 && rows_) {
                rows_->SetDropHighlight(choice.row, true);
                highlighted_ = choice.row;
            }
            if (helper_) {
                POINT p{point.x, point.y};
                helper_->DragOver(&p, *effect);
            }
            return choice.result;
        });
    }

    STDMETHODIMP DragLeave() override {
        return Guarded(E_UNEXPECTED, [&]() -> HRESULT {
            Unhighlight();
            data_.Reset();
            if (helper_) helper_->DragLeave();
            return S_OK;
        });
    }

    STDMETHODIMP Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override {
        return Guarded(E_UNEXPECTED, [&]() -> HRESULT {
            if (!effect) return E_INVALIDARG;
            const DWORD allowed = *effect;
            *effect = DROPEFFECT_NONE;
            // Alive however the pumping between uploads goes: this target, its view and folder.
            win::ComPtr<IDropTarget> self(static_cast<IDropTarget*>(this));
            win::ComPtr<IUnknown> view(view_.get());
            win::ComPtr<IUnknown> folder(folder_.get());
            Unhighlight();
            data_.Reset();
            if (!data) {
                if (helper_) helper_->DragLeave();
                return E_INVALIDARG;
            }
            // The selection is what this data object carries now, or nothing.
            ReadSelection(data);
            const Choice choice = Choose(keys, point, allowed, data);
            if (helper_) {
                POINT p{point.x, point.y};
                helper_->Drop(data, &p, choice.result == S_OK ? choice.effect : DROPEFFECT_NONE);
            }
            if (choice.result != S_OK) return choice.kind == DropTargetKind::RemoteFile ? E_INVALIDARG : S_OK;

            DropActions* actions = CurrentDropActions();
            if (!actions) return S_OK;
            // A drop onto the shown folder itself is announced for the folder alone.
            const bool ontoShownFolder = choice.target == ownItem_.get() && !forFolder_;
            // The target of this drop, kept apart: a drag that enters while the uploads pump
            // messages chooses anew.
            const OwnedPidl target = Copy(choice.target);
            HRESULT result = S_OK;
            if (choice.kind == DropTargetKind::Root || choice.kind == DropTargetKind::SiteFolder) {
                // Only our own data source in this process brings items; anything else pastes nothing.
                if (SelectionList::Global().Empty() || !ReadsFormat(data, TransferFormat::ProfileItem)) return S_OK;
                result = actions->PasteProfiles(target.get(), data, choice.effect);
            } else {
                // Remote objects of another process bring no items: nothing to copy.
                if (Offers(data, TransferFormat::FileItem) && SelectionList::Global().Empty()) return S_OK;
                result = actions->PasteFileObjects(target.get(), data, choice.effect);
            }
            if (FAILED(result)) return result;
            *effect = choice.effect;
            const ItemIdList* item = ontoShownFolder ? nullptr : target.get();
            OwnedPidl changed(item ? CombinePidls(folderList_.get(), item) : CopyPidl(folderList_.get()));
            if (changed) SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_IDLIST | SHCNF_FLUSHNOWAIT, changed.get(), nullptr);
            return S_OK;
        });
    }

    // ---- ILxDataTarget ----
    void STDMETHODCALLTYPE Detach() override {
        Unhighlight();
        rows_ = nullptr;
        detached_ = true;
        data_.Reset();
        view_.Reset();
        folder_.Reset();
    }

private:
    struct Choice {
        HRESULT result = E_FAIL;
        DWORD effect = DROPEFFECT_NONE;
        DropTargetKind kind = DropTargetKind::Invalid;
        const ItemIdList* target = nullptr;
        int row = -1;  // the highlighted row when the target is a row
    };

    // DragOver and Drop choose alike: the row under the cursor (a view) or the own item, the
    // effect by its kind and the keys within what the source allows, the data's format, and
    // whether the selection may go there.
    Choice Choose(DWORD keys, POINTL point, DWORD allowed, IDataObject* data = nullptr) {
        Choice choice;
        if (detached_) return choice;
        if (!data) data = data_.get();
        int row = -1;
        const ItemIdList* rowItem = nullptr;
        if (!forFolder_ && rows_) {
            row = rows_->DropRowAt(POINT{point.x, point.y});
            if (row >= 0) rowItem = rows_->DropRowItem(row);
        }
        choice.target = forFolder_ ? ownItem_.get() : ChooseDropTarget(rowItem, ownItem_.get());
        if (choice.target && choice.target == rowItem) {
            // The row's item lives in the view: keep a copy for the whole call.
            rowCopy_.reset(CopyFirstPidlItem(rowItem));
            if (!rowCopy_) throw std::bad_alloc();
            choice.target = rowCopy_.get();
            choice.row = row;
        }
        choice.kind = KindOfDropTarget(choice.target);
        const DropDecision decision = DecideDrop(choice.kind, keys, allowed);
        if (!decision.accepted) {
            choice.result = choice.kind == DropTargetKind::RemoteFile ? E_INVALIDARG : E_FAIL;
            return choice;
        }
        if (!data) return choice;
        if (!Offers(data, decision.required)) {
            choice.result = DV_E_FORMATETC;
            return choice;
        }
        DropActions* actions = CurrentDropActions();
        if (!actions || !actions->IsValidDropTarget(choice.target)) {
            choice.result = E_FAIL;
            return choice;
        }
        choice.effect = decision.effect;
        choice.result = S_OK;
        return choice;
    }

    // Empties the selection and refills it from our own data source; a foreign object is not
    // written to, so it leaves the selection empty.
    static void ReadSelection(IDataObject* data) {
        SelectionList::Global().Clear();
        RefillSelectionFromOwnSource(data);
    }

    void Unhighlight() {
        if (highlighted_ >= 0 && rows_) rows_->SetDropHighlight(highlighted_, false);
        highlighted_ = -1;
    }

    HWND window_;
    OwnedPidl ownItem_;
    OwnedPidl folderList_;
    OwnedPidl rowCopy_;
    win::ComPtr<IDataObject> data_;
    win::ComPtr<IUnknown> folder_;
    win::ComPtr<IUnknown> view_;
    DropRows* rows_;
    win::ComPtr<IDropTargetHelper> helper_;
    bool forFolder_;
    bool detached_ = false;
    int highlighted_ = -1;
    win::ScopedModuleLock lock_;
};

}  // namespace

UINT ProfileObjectFormat() { return Registered(profileFormat, kProfileObjectFormatName); }
UINT FileSystemObjectFormat() { return Registered(fileFormat, kFileSystemObjectFormatName); }
FORMATETC HDropFormat() { return Template(CF_HDROP, kTemplateMedia); }
FORMATETC ProfileItemFormat() { return Template(ProfileObjectFormat(), kTemplateMedia); }
FORMATETC FileItemFormat() { return Template(FileSystemObjectFormat(), kTemplateMedia); }

void RegisterTransferFormats() {
    ProfileObjectFormat();
    FileSystemObjectFormat();
}

HRESULT CreateDataSource(const ItemIdList* folderList, const ItemIdList* items, unsigned count, HWND window,
                         REFIID iid, void** out) {
    return win::CreateInstance<TlxDataSource>(iid, out, folderList, items, count, window);
}

HRESULT CopyToClipboard(const ItemIdList* folderList, HWND window, unsigned count, const ItemIdList* items) {
    if (count == 0 || !items || PidlSize(items) <= 2) return E_INVALIDARG;
    win::ComPtr<IDataObject> data;
    const HRESULT hr = CreateDataSource(folderList, items, count, window, IID_IDataObject, data.PutVoid());
    if (FAILED(hr)) return hr;
    return OleSetClipboard(data.get());
}

bool RefillSelectionFromOwnSource(IDataObject* data) {
    if (!data) return false;
    win::ComPtr<ILxDataSource> own;
    if (FAILED(data->QueryInterface(__uuidof(ILxDataSource), own.PutVoid())) || !own) return false;
    own->RefillSelection();
    return true;
}

DWORD LastFeedbackEffect(IDataObject* data) {
    if (!data) return DROPEFFECT_NONE;
    win::ComPtr<ILxDataSource> own;
    if (FAILED(data->QueryInterface(__uuidof(ILxDataSource), own.PutVoid())) || !own) return DROPEFFECT_NONE;
    return own->LastEffect();
}

HRESULT CreateDataTarget(IUnknown* folder, IUnknown* view, DropRows* rows, const ItemIdList* folderList,
                         const ItemIdList* targetItem, HWND window, REFIID iid, void** out) {
    return win::CreateInstance<TlxDataTarget>(iid, out, folder, view, rows, folderList, targetItem, window);
}

DropActions* SetDropActions(DropActions* actions) { return std::exchange(installedActions, actions); }

void DetachDataTarget(IDropTarget* target) {
    if (!target) return;
    win::ComPtr<ILxDataTarget> own;
    if (SUCCEEDED(target->QueryInterface(__uuidof(ILxDataTarget), own.PutVoid())) && own) own->Detach();
}

}  // namespace lark::shellext
