#pragma once
// BSTR and VARIANT ownership.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>
#include <utility>

namespace lark::win {

// UTF-8 text of a BSTR; a null BSTR is the empty text.
std::string BstrToUtf8(BSTR s);

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(std::string_view utf8);
    explicit Bstr(std::wstring_view utf16);
    Bstr(const Bstr& o) : s_(o.s_ ? SysAllocStringLen(o.s_, SysStringLen(o.s_)) : nullptr) {}
    Bstr(Bstr&& o) noexcept : s_(std::exchange(o.s_, nullptr)) {}
    Bstr& operator=(Bstr o) noexcept {
        std::swap(s_, o.s_);
        return *this;
    }
    ~Bstr() { SysFreeString(s_); }

    static Bstr Attach(BSTR s) {
        Bstr r;
        r.s_ = s;
        return r;
    }
    BSTR Detach() { return std::exchange(s_, nullptr); }
    BSTR get() const { return s_; }
    // For [out] BSTR*: frees the current text first.
    BSTR* Put() {
        SysFreeString(std::exchange(s_, nullptr));
        return &s_;
    }

    bool empty() const { return SysStringLen(s_) == 0; }
    std::string Utf8() const { return BstrToUtf8(s_); }

private:
    BSTR s_ = nullptr;
};

class Variant {
public:
    Variant() { VariantInit(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { VariantClear(&v_); }

    VARIANT* get() { return &v_; }
    const VARIANT* get() const { return &v_; }
    VARIANT* Put() {
        VariantClear(&v_);
        return &v_;
    }
    // Text of any variant that converts to a string (throws ComError when it does not).
    std::string ToUtf8() const;

private:
    VARIANT v_;
};

}  // namespace lark::win
