#include "win/com_error.h"

#include <cstdio>

#include "win/bstr.h"
#include "win/com_ptr.h"
#include "win/text.h"

namespace lark::win {

std::string FormatHResult(HRESULT hr) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0,
                                   nullptr);
    std::string text;
    if (n != 0 && buffer) {
        text = Narrow(std::wstring_view(buffer, n));
        LocalFree(buffer);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' ||
                                 text.back() == '.'))
            text.pop_back();
    }
    std::string out(code);
    if (!text.empty()) out.append(" (").append(text).append(")");
    return out;
}

std::string FailureText(HRESULT hr, IUnknown* object, REFIID iid) {
    bool supported = object == nullptr;
    if (object) {
        ComPtr<ISupportErrorInfo> support;
        if (SUCCEEDED(object->QueryInterface(IID_ISupportErrorInfo, support.PutVoid())))
            supported = support->InterfaceSupportsErrorInfo(iid) == S_OK;
    }
    ComPtr<IErrorInfo> info;
    // Always fetch: it also clears a stale error info of an unrelated call.
    if (GetErrorInfo(0, info.Put()) == S_OK && info && supported) {
        Bstr description;
        if (SUCCEEDED(info->GetDescription(description.Put())) && !description.empty())
            return description.Utf8();
    }
    return FormatHResult(hr);
}

void Check(HRESULT hr, std::string_view what, IUnknown* object, REFIID iid) {
    if (SUCCEEDED(hr)) return;
    std::string text = FailureText(hr, object, iid);
    if (!what.empty()) text = std::string(what) + ": " + text;
    throw ComError(hr, text);
}

void SetErrorText(std::string_view description, REFIID iid) {
    ComPtr<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(create.Put()))) return;
    create->SetGUID(iid);
    Bstr text(description);
    create->SetDescription(text.get());
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, info.PutVoid()))) SetErrorInfo(0, info.get());
}

}  // namespace lark::win
