#include "uicomponents/spin_value.h"

#include <gtest/gtest.h>

#include <climits>

namespace lark::ui {
namespace {

TEST(SpinValue, TheValueOfATextIsAlwaysInsideTheLimits) {
    const SpinLimits autoSave{1, 1000};
    struct Case {
        const char* text;
        int value;
        bool rewrite;
    };
    for (const Case& c : {Case{"15", 15, false}, Case{"5000", 1000, true}, Case{"0", 1, true}, Case{"-7", 1, true},
                          Case{"", 1, true}, Case{"abc", 1, true}, Case{"-", 1, true}, Case{"+12", 12, true},
                          Case{" 7 ", 7, true}, Case{"1.5", 1, true}, Case{"99999999999999999999", 1000, true},
                          Case{"1000", 1000, false}}) {
        EXPECT_EQ(SpinValueOfText(c.text, autoSave), c.value) << '"' << c.text << '"';
        EXPECT_EQ(SpinTextNeedsRewrite(c.text, autoSave), c.rewrite) << '"' << c.text << '"';
    }
}

TEST(SpinValue, EqualLimitsMeanNoLimitsButThirtyTwoBitsStill) {
    const SpinLimits none{0, 0};
    EXPECT_EQ(SpinValueOfText("5000", none), 5000);
    EXPECT_EQ(SpinValueOfText("-5000", none), -5000);
    EXPECT_EQ(SpinValueOfText("99999999999", none), INT_MAX);
    EXPECT_EQ(SpinValueOfText("-99999999999", none), INT_MIN);
    EXPECT_EQ(SpinValueOfText("x", none), 0);
}

TEST(SpinValue, StepsSaturateInsteadOfOverflowing) {
    const SpinLimits none{0, 0};
    EXPECT_EQ(StepSpinValue(INT_MAX, 1, none), INT_MAX);
    EXPECT_EQ(StepSpinValue(INT_MIN, -1, none), INT_MIN);
    EXPECT_EQ(StepSpinValue(0, -static_cast<std::int64_t>(INT_MIN), none), INT_MAX);
    const SpinLimits days{1, 31};
    EXPECT_EQ(StepSpinValue(30, 5, days), 31);
    EXPECT_EQ(StepSpinValue(2, -5, days), 1);
    EXPECT_EQ(StepSpinValue(500, 0, days), 31) << "a zero step rewrites the clamped value";
}

TEST(SpinValue, TypingTakesSignsDigitsAndTheSeparatorOnly) {
    for (char16_t c : std::u16string(u"0123456789+-,\b\x03\x16\x18"))
        EXPECT_TRUE(AcceptsSpinChar(c, u',', true)) << int(c);
    for (char16_t c : std::u16string(u"aZ .\r$e"))
        EXPECT_FALSE(AcceptsSpinChar(c, u',', true)) << int(c);
    EXPECT_FALSE(AcceptsSpinChar(u'5', u',', false));
    EXPECT_FALSE(AcceptsSpinChar(u'\b', u',', false));
    EXPECT_TRUE(AcceptsSpinChar(u'\x03', u',', false)) << "copy stays possible";
}

}  // namespace
}  // namespace lark::ui
