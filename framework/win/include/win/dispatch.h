#pragma once
// IDispatch of a dual interface, answered from its type information.
#include <windows.h>
#include <oaidl.h>

#include <string_view>
#include <utility>

#include "win/com_ptr.h"
#include "win/object.h"

namespace lark::win {

// The type information of one interface from a type library file (an .exe or .dll with an
// embedded library, or a .tlb). Throws ComError.
ComPtr<ITypeInfo> LoadTypeInfo(std::wstring_view library_path, REFIID iid);

// Implements IUnknown and IDispatch for a dual interface Dual (plus Rest): IDispatch calls go
// through ITypeInfo::Invoke into Dual's vtable, so scripts and marshalled callers reach the same
// methods.
template <class Dual, class... Rest>
class DualObject : public ComObject<Dual, Rest...> {
public:
    explicit DualObject(ComPtr<ITypeInfo> type_info) : type_info_(std::move(type_info)) {}

    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = type_info_ ? 1 : 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index != 0 || !type_info_) return DISP_E_BADINDEX;
        *info = type_info_.get();
        (*info)->AddRef();
        return S_OK;
    }
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        if (!type_info_) return E_UNEXPECTED;
        return type_info_->GetIDsOfNames(names, count, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* arg_err) override {
        if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        if (!type_info_) return E_UNEXPECTED;
        return type_info_->Invoke(static_cast<Dual*>(this), id, flags, params, result, excep, arg_err);
    }

protected:
    void* QueryOther(REFIID iid) override {
        if (IsEqualIID(iid, IID_IDispatch)) return static_cast<IDispatch*>(static_cast<Dual*>(this));
        return nullptr;
    }

private:
    ComPtr<ITypeInfo> type_info_;
};

}  // namespace lark::win
