#pragma once
// UTF-8 inside, UTF-16 at the Win32 and COM boundary.
#include <string>
#include <string_view>

namespace lark::win {

// Invalid input is replaced (U+FFFD), never rejected: boundary text comes from outside.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace lark::win
