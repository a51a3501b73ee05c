#pragma once
// A data object of another program for the COM tests: local files as CF_HDROP (wide names), as
// Explorer drags them, optionally with one token format as a data source of another process
// offers it. Counts the SetData calls, so a test sees whether anyone wrote to it.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "win/object.h"

namespace lark::testing {

class LocalFilesData : public win::ComObject<IDataObject> {
public:
    explicit LocalFilesData(std::vector<std::wstring> paths) : paths_(std::move(paths)) {}
    int setDataCalls = 0;
    UINT token = 0;  // also a token format, as a data source of another process offers

    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (!format || !medium) return E_INVALIDARG;
        if (token && format->cfFormat == token) {
            medium->tymed = TYMED_HGLOBAL;
            medium->hGlobal = GlobalAlloc(GHND, 4);
            medium->pUnkForRelease = nullptr;
            return S_OK;
        }
        if (format->cfFormat != CF_HDROP || !(format->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
        std::vector<wchar_t> names;
        for (const std::wstring& p : paths_) names.insert(names.end(), p.c_str(), p.c_str() + p.size() + 1);
        names.push_back(0);
        HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
        auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
        drop->pFiles = sizeof(DROPFILES);
        drop->fWide = TRUE;
        std::memcpy(drop + 1, names.data(), names.size() * sizeof(wchar_t));
        GlobalUnlock(block);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = block;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC* format) override {
        if (format && token && format->cfFormat == token) return S_OK;
        return format && format->cfFormat == CF_HDROP && (format->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
    }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        if (out) out->ptd = nullptr;
        return DATA_S_SAMEFORMATETC;
    }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override {
        ++setDataCalls;
        return E_NOTIMPL;
    }
    // Its formats, so that it can also stand on the clipboard (OleSetClipboard enumerates them).
    STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        if (direction != DATADIR_GET) return E_NOTIMPL;
        FORMATETC formats[2] = {{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL},
                                {static_cast<CLIPFORMAT>(token), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}};
        return SHCreateStdEnumFmtEtc(token ? 2 : 1, formats, out);
    }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA** out) override {
        if (out) *out = nullptr;
        return OLE_E_ADVISENOTSUPPORTED;
    }

private:
    std::vector<std::wstring> paths_;
};

}  // namespace lark::testing
