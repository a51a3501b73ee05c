#include "core/text_encoding.h"

#include <gtest/gtest.h>

using namespace lark::core;

namespace {

TEST(TextEncoding, Win1252Table) {
    struct { const char* bytes; const char* utf8; } cases[] = {
        {"abc", "abc"},
        {"\x80", "\u20AC"},
        {"\x8A\x9A\x8C\x9C\x8E\x9E\x9F\xFF", "ŠšŒœŽžŸÿ"},
        {"\x93quoted\x94 \x85", "\u201Cquoted\u201D \u2026"},
        {"\xC4\xD6\xDC\xE4\xF6\xFC\xDF", "ÄÖÜäöüß"},
        {"\xE9t\xE9 \xE0 \xC7" "a", "été à Ça"},
        {"\xA0\xA9\xB5", "\u00A0©µ"},
        {"\x81\x8D\x8F\x90\x9D", "\u0081\u008D\u008F\u0090\u009D"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Win1252ToUtf8(c.bytes), c.utf8) << c.utf8;
        EXPECT_EQ(Utf8ToWin1252(c.utf8), c.bytes) << c.utf8;
        EXPECT_TRUE(Win1252RoundTrips(c.utf8)) << c.utf8;
    }
    // Every byte value survives the trip through UTF-8.
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToWin1252(Win1252ToUtf8(all)), all);
}

TEST(TextEncoding, UnmappableAndInvalidInput) {
    EXPECT_EQ(Utf8ToWin1252("a\u4E2Db\U0001F600c\u0085"), "a?b?c?");
    EXPECT_FALSE(Win1252RoundTrips("\u4E2D"));
    EXPECT_FALSE(Win1252RoundTrips("\xC3"));
    struct { std::string bad; std::string fixed; } cases[] = {
        {"\xC3", "\uFFFD"},                        // truncated
        {"a\x80z", "a\uFFFDz"},                    // stray continuation byte
        {"\xC0\xAF", "\uFFFD\uFFFD"},              // overlong
        {"\xE0\x80\xAF", "\uFFFD\uFFFD\uFFFD"},    // overlong three bytes
        {"\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},    // surrogate
        {"\xF4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xFF\xFE", "\uFFFD\uFFFD"},
        {"\xE2\x82", "\uFFFD\uFFFD"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(IsValidUtf8(c.bad));
        EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(c.bad)), c.fixed);
        EXPECT_EQ(Utf8ToWin1252(c.bad), Utf8ToWin1252(c.fixed));
    }
    EXPECT_TRUE(IsValidUtf8("\uFFFD ok \U0001F600"));
}

TEST(TextEncoding, Utf16) {
    std::string s = "A\u00E9\u20AC\U0001F600";
    std::u16string w = Utf8ToUtf16(s);
    EXPECT_EQ(w, (std::u16string{u'A', 0x00E9, 0x20AC, 0xD83D, 0xDE00}));
    EXPECT_EQ(Utf16ToUtf8(w), s);
    EXPECT_EQ(Utf16Length(s), 5u);
    EXPECT_EQ(Utf16Length(""), 0u);
    // Unpaired surrogates.
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD83D, u'x'}), "\uFFFDx");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDE00}), "\uFFFD");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{u'x', 0xD83D}), "x\uFFFD");
}

TEST(TextEncoding, AnsiCase) {
    EXPECT_EQ(AnsiUpper("abc\xE4\xF6\xFC\xE9\x9A\x9C\x9E\xFF\xDF\xF7\xB5"),
              "ABC\xC4\xD6\xDC\xC9\x8A\x8C\x8E\x9F\xDF\xF7\xB5");
    EXPECT_EQ(AnsiLower("ABC\xC4\xD6\xDC\xC9\x8A\x8C\x8E\x9F\xD7"),
              "abc\xE4\xF6\xFC\xE9\x9A\x9C\x9E\xFF\xD7");
    // Upper and lower are inverse on every letter pair.
    for (int b = 0; b < 256; ++b) {
        char c = static_cast<char>(b);
        char u = AnsiUpperChar(c), l = AnsiLowerChar(c);
        if (u != c) {
            EXPECT_EQ(AnsiLowerChar(u), c) << b;
        }
        if (l != c) {
            EXPECT_EQ(AnsiUpperChar(l), c) << b;
        }
    }
    EXPECT_EQ(AnsiCompareText("\xC4PFEL", "\xE4pfel"), 0);
    EXPECT_LT(AnsiCompareText("abc", "ABD"), 0);
    EXPECT_GT(AnsiCompareText("abcd", "ABC"), 0);
    EXPECT_LT(AnsiCompareText("", "a"), 0);
}

TEST(TextEncoding, CompareTextUtf8) {
    struct { const char* a; const char* b; int sign; } cases[] = {
        {"Servers1", "SERVERS1", 0},
        {"Äpfel", "äPFEL", 0},
        {"ŒUVRE", "œuvre", 0},
        {"Ÿ", "ÿ", 0},
        {"abc", "abd", -1},
        {"ab", "abc", -1},
        {"b", "A", 1},
        {"z", "é", -1},          // ordered by the Windows-1252 byte
        {"ÿ", "\u4E2D", -1},     // characters outside the code page come last
        {"\u4E2D", "\u4E2D", 0},
        {"", "", 0},
    };
    for (const auto& c : cases) {
        int r = CompareTextUtf8(c.a, c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " / " << c.b;
        int back = CompareTextUtf8(c.b, c.a);
        EXPECT_EQ((back > 0) - (back < 0), -c.sign) << c.a << " / " << c.b;
        if (Win1252RoundTrips(c.a) && Win1252RoundTrips(c.b)) {
            int ansi = AnsiCompareText(Utf8ToWin1252(c.a), Utf8ToWin1252(c.b));
            EXPECT_EQ((ansi > 0) - (ansi < 0), c.sign) << c.a << " / " << c.b;
        }
        EXPECT_EQ(FoldCaseUtf8(c.a) == FoldCaseUtf8(c.b), c.sign == 0) << c.a;
        // Sort keys order bytewise exactly as the comparison does.
        const int keys = SortKeyUtf8(c.a).compare(SortKeyUtf8(c.b));
        EXPECT_EQ((keys > 0) - (keys < 0), c.sign) << c.a << " / " << c.b;
    }
    EXPECT_TRUE(SameTextUtf8("FTPServers", "ftpservers"));
    EXPECT_EQ(FoldCaseUtf8("ÀÉÎ Straße ŠŽ"), "àéî straße šž");
}

}  // namespace
