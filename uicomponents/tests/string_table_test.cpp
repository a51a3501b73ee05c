#include "uicomponents/string_table.h"

#include <gtest/gtest.h>

#include <vector>

namespace lark::ui {
namespace {

struct Entry {
    std::int32_t id, offset, length;
};

// A table of the given index entries and UTF-16 text block (offsets as given, so a test can
// damage them).
std::vector<std::uint8_t> Table(std::uint32_t count, const std::vector<Entry>& index, std::u16string texts,
                                const char* magic = "STR0") {
    std::vector<std::uint8_t> bytes(magic, magic + 4);
    auto put = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    put(count);
    for (const Entry& e : index) {
        put(static_cast<std::uint32_t>(e.id));
        put(static_cast<std::uint32_t>(e.offset));
        put(static_cast<std::uint32_t>(e.length));
    }
    for (char16_t c : texts) {
        bytes.push_back(static_cast<std::uint8_t>(c));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

TEST(StringTable, FindsEachTextAndAnswersEmptyForAnAbsentIdentifier) {
    // Header 8 + 3 entries of 12 = 44: the texts follow.
    const auto bytes = Table(3, {{1, 44, 3}, {73, 50, 18}, {325, 86, 5}}, u"OneError opening fileGrüße");
    const StringTable table("UITOOLS_STRINGS_ENGLISH", bytes);
    EXPECT_EQ(table.Count(), 3u);
    EXPECT_EQ(table.Text(1), "One");
    EXPECT_EQ(table.Text(73), "Error opening file");
    EXPECT_EQ(table.Text(325), "Grüße");
    for (int absent : {0, 41, 74, 326, -1}) EXPECT_EQ(table.Text(absent), "") << absent;
}

TEST(StringTable, RefusesWhatIsNotATable) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        const char* message;
    };
    for (const Case& c : {
             Case{"other magic", Table(1, {{1, 20, 1}}, u"x", "STRX"), "Invalid string resource: T"},
             Case{"too short", std::vector<std::uint8_t>{'S', 'T', 'R'}, "Invalid string resource: T"},
             Case{"empty", Table(0, {}, u""), "String resource not found: T (empty table)"},
             Case{"index past the end", Table(1000, {{1, 20, 1}}, u"x"),
                  "Invalid string resource: T (index longer than the table)"},
         }) {
        try {
            StringTable table("T", c.bytes);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const StringTableError& e) {
            EXPECT_STREQ(e.what(), c.message) << c.what;
        }
    }
}

TEST(StringTable, AnEntryPointingOutsideTheTableRaisesOnLookup) {
    // Entries: a good one; one past the end; one with a negative offset; one whose length wraps.
    const auto bytes = Table(4, {{1, 56, 2}, {2, 56, 3}, {3, -4, 1}, {4, 56, -1}}, u"ok");
    const StringTable table("T", bytes);
    EXPECT_EQ(table.Text(1), "ok");
    for (int id : {2, 3, 4}) EXPECT_THROW(table.Text(id), StringTableError) << id;
}

}  // namespace
}  // namespace lark::ui
