#pragma once
// A checked formatter for program and translated texts. Every mistake in a format text (an
// unknown specifier, a %d given a text, too few arguments, a dangling %) throws Error; nothing
// reaches printf's variadic interface.
//
// Specifier: "%" [index ":"] ["-"] ["0"] [width] ["." precision] type, where index, width and
// precision are decimal numbers or "*" (the next argument, an integer). The index picks the
// argument by number from 0; the specifiers after it continue from there. Types:
//   s  a text; the precision cuts it to that many characters
//   d  a signed integer; the precision gives the minimum number of digits
//   u  an integer as unsigned (a negative one as its 32-bit pattern when it fits 32 bits)
//   x  an integer in lower-case hexadecimal, X upper-case; negative as for u
//   f  a floating-point number with precision decimals (default 2)
//   n  like f, with "," separating thousands
//   %% a percent sign
// Width pads on the left with blanks (with "-" on the right; with "0" numbers get leading
// zeros). Widths and precisions are limited to 4096. Arguments left over are ignored.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

namespace lark::core {

class FormatArg {
public:
    enum class Kind { Text, Signed, Unsigned, Float };

    FormatArg(std::string_view text) : kind_(Kind::Text), text_(text) {}
    FormatArg(const std::string& text) : kind_(Kind::Text), text_(text) {}
    FormatArg(const char* text) : kind_(Kind::Text), text_(text ? text : "") {}
    template <typename T, std::enable_if_t<std::is_integral_v<T> && std::is_signed_v<T> &&
                                               !std::is_same_v<T, char>, int> = 0>
    FormatArg(T value) : kind_(Kind::Signed), signed_(value) {}
    template <typename T, std::enable_if_t<std::is_integral_v<T> && std::is_unsigned_v<T> &&
                                               !std::is_same_v<T, bool> &&
                                               !std::is_same_v<T, char>, int> = 0>
    FormatArg(T value) : kind_(Kind::Unsigned), unsigned_(value) {}
    FormatArg(double value) : kind_(Kind::Float), float_(value) {}
    FormatArg(bool) = delete;
    FormatArg(char) = delete;

    Kind kind() const { return kind_; }
    std::string_view text() const { return text_; }
    std::int64_t signedValue() const { return signed_; }
    std::uint64_t unsignedValue() const { return unsigned_; }
    double floatValue() const { return float_; }

private:
    Kind kind_;
    std::string_view text_;
    std::int64_t signed_ = 0;
    std::uint64_t unsigned_ = 0;
    double float_ = 0;
};

std::string Format(std::string_view format, std::initializer_list<FormatArg> args);

}  // namespace lark::core
