#include "shellext/utf16.h"

#include <gtest/gtest.h>

using namespace lark::shellext;

TEST(Utf16, RoundTripsAndReplacesMalformedInput) {
    EXPECT_EQ(Utf8ToUtf16("A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), u"A\u00E9\u20AC\U0001F600");
    EXPECT_EQ(Utf16ToUtf8(u"A\u00E9\u20AC\U0001F600"), "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    struct Case {
        const char* what;
        std::string in;
        std::u16string out;
    };
    const Case cases[] = {
        {"lone continuation", "a\x80z", u"a\uFFFDz"},
        {"truncated sequence", "a\xE2\x82", u"a\uFFFD"},
        {"broken then ascii", "\xE2(z", u"\uFFFD(z"},
        {"overlong slash", "\xC0\xAF", u"\uFFFD"},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD"},
    };
    for (const Case& c : cases) EXPECT_EQ(Utf8ToUtf16(c.in), c.out) << c.what;
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
}
