#include "win/bstr.h"

#include "core/errors.h"
#include "win/com_error.h"
#include "win/text.h"

namespace lark::win {

std::string BstrToUtf8(BSTR s) { return s ? Narrow(std::wstring_view(s, SysStringLen(s))) : std::string(); }

Bstr::Bstr(std::string_view utf8) : Bstr(std::wstring_view(Widen(utf8))) {}

Bstr::Bstr(std::wstring_view utf16) {
    s_ = SysAllocStringLen(utf16.data(), static_cast<UINT>(utf16.size()));
    if (!s_) throw ComError(E_OUTOFMEMORY, "out of memory for a BSTR");
}

std::string Variant::ToUtf8() const {
    if (v_.vt == VT_BSTR) return BstrToUtf8(v_.bstrVal);
    VARIANT copy;
    VariantInit(&copy);
    Check(VariantChangeType(&copy, const_cast<VARIANT*>(&v_), 0, VT_BSTR), "variant to text");
    std::string text = BstrToUtf8(copy.bstrVal);
    VariantClear(&copy);
    return text;
}

}  // namespace lark::win
