#pragma once
// The one parser of integer texts. Every caller states its rules as an IntegerSyntax rather than
// keeping a copy: which signs it takes, whether "$" and "0x" hexadecimal are allowed, and how
// wide the value may be.
//
// The whole text must be the number: no blanks, no trailing characters. A leading "-" is always
// taken; "+" only with plusSign. The sign comes before a hexadecimal prefix ("-$1F"), never after
// it. "0x" needs at least one digit after it. A hexadecimal text without a "-" spells the bit
// pattern of the width, so "0xFFFFFFFF" is -1 in 32 bits; a decimal text must lie within the
// signed range of the width.
#include <cstdint>
#include <optional>
#include <string_view>

namespace lark::core {

enum class IntegerWidth { Bits32, Bits64 };

struct IntegerSyntax {
    bool hexadecimal = false;  // "$1F" and "0x1F" (either case of x and of the digits)
    bool plusSign = false;     // a leading "+"
    IntegerWidth width = IntegerWidth::Bits32;
};

// The value, or nothing when the text is no integer of that syntax.
std::optional<std::int64_t> ParseInteger(std::string_view text, IntegerSyntax syntax = {});

// 32-bit decimal with an optional "-": a plain stored number.
inline std::optional<int> ParseDecimal32(std::string_view text) {
    auto v = ParseInteger(text);
    return v ? std::optional<int>(static_cast<int>(*v)) : std::nullopt;
}

}  // namespace lark::core
