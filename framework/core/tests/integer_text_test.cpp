#include "core/integer_text.h"

#include <gtest/gtest.h>

#include <string>

using namespace lark::core;

namespace {

constexpr IntegerSyntax kDecimal{};
constexpr IntegerSyntax kIni{.hexadecimal = true, .plusSign = true};
constexpr IntegerSyntax kWide{.hexadecimal = true, .plusSign = true, .width = IntegerWidth::Bits64};

TEST(ParseInteger, EachSyntaxTakesItsOwnTexts) {
    struct Case {
        const char* text;
        IntegerSyntax syntax;
        std::optional<std::int64_t> expected;
    };
    const Case cases[] = {
        {"0", kDecimal, 0},
        {"-17", kDecimal, -17},
        {"+17", kDecimal, std::nullopt},
        {"+17", kIni, 17},
        {"2147483647", kDecimal, 2147483647},
        {"2147483648", kDecimal, std::nullopt},
        {"-2147483648", kDecimal, -2147483648LL},
        {"-2147483649", kDecimal, std::nullopt},
        {"0x1F", kDecimal, std::nullopt},
        {"0x1F", kIni, 31},
        {"0X1f", kIni, 31},
        {"$ff", kIni, 255},
        {"-$10", kIni, -16},
        {"0x", kIni, std::nullopt},
        {"$", kIni, std::nullopt},
        {"0xFFFFFFFF", kIni, -1},
        {"0x100000000", kIni, std::nullopt},
        {"0xFFFFFFFFFFFFFFFF", kWide, -1},
        {"9223372036854775807", kWide, INT64_MAX},
        {"9223372036854775808", kWide, std::nullopt},
        {"-9223372036854775808", kWide, INT64_MIN},
        {"4294967296", kWide, 4294967296LL},
        {"0x-5", kIni, std::nullopt},
        {"--5", kIni, std::nullopt},
        {"+-5", kIni, std::nullopt},
        {"", kIni, std::nullopt},
        {"-", kIni, std::nullopt},
        {" 5", kIni, std::nullopt},
        {"5 ", kIni, std::nullopt},
        {"12abc", kDecimal, std::nullopt},
        {"007", kDecimal, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\"");
        EXPECT_EQ(ParseInteger(c.text, c.syntax), c.expected);
    }
    EXPECT_EQ(ParseDecimal32("-42"), -42);
    EXPECT_EQ(ParseDecimal32("$2A"), std::nullopt);
}

}  // namespace
