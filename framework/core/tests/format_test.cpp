#include "core/format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "core/errors.h"

using namespace lark::core;

namespace {

TEST(Format, TextsOfThePrograms) {
    EXPECT_EQ(Format("%s : %s", {"1/15/2004 7:45:07 PM", "Transfer completed"}),
              "1/15/2004 7:45:07 PM : Transfer completed");
    EXPECT_EQ(Format("LARK-FTP Scheduler: %d Tasks for today", {3}),
              "LARK-FTP Scheduler: 3 Tasks for today");
    EXPECT_EQ(Format("%d,%d,%d,%d", {-1, -1, 1024, 768}), "-1,-1,1024,768");
    EXPECT_EQ(Format("(%dx%d)", {1024, 768}), "(1024x768)");
    EXPECT_EQ(Format("%s (%d)", {std::string("New folder"), 2}), "New folder (2)");
    EXPECT_EQ(Format("Item%d_", {std::size_t{7}}), "Item7_");
    EXPECT_EQ(Format("%d - is not a valid property value!\rValue must be within [1..%d]", {0, 4}),
              "0 - is not a valid property value!\rValue must be within [1..4]");
    EXPECT_EQ(Format("%s kann nicht umbenannt werden", {"Ordner ä"}),
              "Ordner ä kann nicht umbenannt werden");
    EXPECT_EQ(Format("100%% done", {}), "100% done");
    EXPECT_EQ(Format("no specifiers", {1, "extra"}), "no specifiers");
}

TEST(Format, SpecifierTable) {
    struct { const char* fmt; FormatArg arg; const char* out; } cases[] = {
        {"[%5d]", 42, "[   42]"},
        {"[%-5d]", 42, "[42   ]"},
        {"[%05d]", -42, "[-0042]"},
        {"[%.4d]", 42, "[0042]"},
        {"[%d]", std::numeric_limits<std::int64_t>::min(), "[-9223372036854775808]"},
        {"[%d]", std::numeric_limits<std::uint64_t>::max(), "[18446744073709551615]"},
        {"[%u]", -1, "[4294967295]"},
        {"[%x]", 255, "[ff]"},
        {"[%X]", 255, "[FF]"},
        {"[%8.4x]", 0xAB, "[    00ab]"},
        {"[%x]", -1, "[ffffffff]"},
        {"[%x]", std::int64_t{-5000000000}, "[fffffffed5fa0e00]"},
        {"[%5s]", "ab", "[   ab]"},
        {"[%-5s]", "ab", "[ab   ]"},
        {"[%.2s]", "abc", "[ab]"},
        {"[%.2s]", "äöü", "[äö]"},      // counts characters, never cuts one in half
        {"[%4s]", "äö", "[  äö]"},
        {"[%s]", "", "[]"},
        {"[%f]", 3.14159, "[3.14]"},
        {"[%.3f]", -0.5, "[-0.500]"},
        {"[%.2n]", 1234567.891, "[1,234,567.89]"},
        {"[%.0n]", 999.0, "[999]"},
        {"[%n]", -1000.0, "[-1,000.00]"},
    };
    for (const auto& c : cases) EXPECT_EQ(Format(c.fmt, {c.arg}), c.out) << c.fmt;
}

TEST(Format, IndexesAndStars) {
    EXPECT_EQ(Format("%1:s %0:s", {"a", "b"}), "b a");
    EXPECT_EQ(Format("%1:s %s %0:s %s", {"a", "b", "c"}), "b c a b");
    EXPECT_EQ(Format("[%*d]", {4, 7}), "[   7]");
    EXPECT_EQ(Format("[%-*.*s]", {5, 2, "abc"}), "[ab   ]");
}

TEST(Format, MistakesThrowInsteadOfMisbehaving) {
    struct { const char* fmt; } bad[] = {
        {"%d"},          // too few arguments
        {"%s %s"},
        {"trailing %"},
        {"%q"},          // unknown
        {"%5"},          // incomplete
        {"%1:"},
        {"%.d"},
        {"%2:s"},        // index past the arguments
        {"%99999d"},     // width out of range
        {"%.99999s"},
        {"%*d"},         // star needs an integer
        {"%n"},          // needs a float
    };
    for (const auto& c : bad) EXPECT_THROW(Format(c.fmt, {"x"}), Error) << c.fmt;
    EXPECT_THROW(Format("%d", {"text"}), Error);
    EXPECT_THROW(Format("%s", {5}), Error);
    EXPECT_THROW(Format("%x", {1.5}), Error);
    EXPECT_THROW(Format("%f", {5}), Error);
    EXPECT_THROW(Format("%*d", {-3, 1}), Error);
    EXPECT_NO_THROW(Format("%.d", {1}));
    // Arbitrary text never does anything worse than throw.
    std::string junk = "%";
    for (int n = 0; n < 2000; ++n) {
        junk += static_cast<char>("%sd0123456789.*:-xXnfu \xff"[n % 24]);
        try {
            Format(junk, {"a", 1, 2.0, std::size_t{3}});
        } catch (const Error&) {
        }
    }
}

}  // namespace
