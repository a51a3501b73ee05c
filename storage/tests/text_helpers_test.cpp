#include "storage/text_helpers.h"

#include <gtest/gtest.h>

using namespace lark::storage;

TEST(ReplaceAll, ReplacesEveryOccurrenceOnce) {
    EXPECT_EQ(ReplaceAll("1,5,25", ",", "."), "1.5.25");
    EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");  // replacements are not rescanned
    EXPECT_EQ(ReplaceAll("abab", "ab", ""), "");
    EXPECT_EQ(ReplaceAll("text", "", "x"), "text");
    EXPECT_EQ(ReplaceAll("", "a", "b"), "");
}

TEST(Words, CountPositionAndExtract) {
    const Delimiters blankComma(" ,");
    EXPECT_EQ(ExtractNthWord(2, "10,20 30", blankComma), "20");
    EXPECT_EQ(ExtractNthWord(3, "10,20 30", blankComma), "30");
    EXPECT_EQ(ExtractNthWord(4, "10,20 30", blankComma), "");
    EXPECT_EQ(ExtractNthWord(0, "10,20 30", blankComma), "");

    const Delimiters comma(",");
    EXPECT_EQ(WordCount(",,a,,b,", comma), 2);
    EXPECT_EQ(WordAt(1, ",,a,,b,", comma), 3u);
    EXPECT_EQ(WordAt(2, ",,a,,b,", comma), 6u);
    EXPECT_EQ(WordAt(3, ",,a,,b,", comma), 0u);
    EXPECT_EQ(WordCount("", comma), 0);
    EXPECT_EQ(WordCount(",,,", comma), 0);
    EXPECT_EQ(ExtractNthWord(1, "100,200,300,400", comma), "100");
}

TEST(XorHex, EmptyKeyIsPlainHex) {
    EXPECT_EQ(XorHexEncode("", "abc"), "616263");
    EXPECT_EQ(XorHexDecode("", "616263"), "abc");
    EXPECT_EQ(XorHexDecode("", "zz"), " ");
    EXPECT_EQ(XorHexDecode("", "6162636"), "abc");  // odd last digit ignored
    EXPECT_EQ(XorHexDecode("", "4A4b"), "JK");
}

TEST(XorHex, KeyedRoundTripCoversEveryByte) {
    std::string all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
    const std::string key = "k3y";
    std::string hex = XorHexEncode(key, all);
    ASSERT_EQ(hex.size(), 512u);
    EXPECT_EQ(hex.substr(0, 2), "6b");  // 0x00 ^ 'k'
    EXPECT_EQ(XorHexDecode(key, hex), all);
}
