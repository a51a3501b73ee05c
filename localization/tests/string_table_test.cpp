#include "localization/string_table.h"

#include <gtest/gtest.h>

#include "localization/errors.h"

namespace lark::localization {
namespace {

TEST(StringTable, BuildsAndFindsByIdentifierInAnyCase) {
    TlcStringsCollection table;
    table.BuildStringTable({"btnOK\x01OK\x01OK\x01OK\x01", "IDS_1\x01" "a\x01" "b\x01" "c\x01"}, 0, 3, '\x01');
    ASSERT_EQ(table.Count(), 2);
    EXPECT_EQ(table.FindTextById("ids_1", 2), "b");
    EXPECT_EQ(table.FindTextById("IDS_2", 2), "");
    EXPECT_EQ(table.FindTextById("IDS_1", 4), "");  // a language the item lacks
    EXPECT_THROW(table.FindTextById("IDS_1", 0), ELanguageError);
    EXPECT_EQ(table.IndexOfIdentifier("BTNOK"), table.Item(0).Identifier == "btnOK" ? 0 : 1);
    EXPECT_EQ(table.IndexOfIdentifier("none"), -1);

    TlcStringsCollection empty;
    EXPECT_EQ(empty.FindTextById("IDS_1", 1), "");
}

// Sorting and searching must agree on how "_", digits and letters of any case order, or the
// bisection misses items that are present.
TEST(StringTable, EveryIdentifierOfAMixedTableIsFound) {
    StringList lines;
    const char* ids[] = {"IDS_1", "IDS_12", "IDSA", "ids_b", "Ids_Z", "IDS__", "strsActive", "STR_11",
                         "str11", "_x", "ÄRGER", "ärger2", "Zebra", "zebra_", "a", "B", "ß", "œuvre", "Œuvre2",
                         "€uro", "名前", "ÿ", "Ÿx", "×"};
    for (const char* id : ids) lines.push_back(std::string(id) + "\x01" + id + "!\x01");
    TlcStringsCollection table;
    table.BuildStringTable(lines, 0, 1, '\x01');
    for (const char* id : ids) {
        EXPECT_EQ(table.FindTextById(id, 1), std::string(id) + "!") << id;
    }
    EXPECT_EQ(table.FindTextById("äRGER", 1), "ÄRGER!");
    EXPECT_EQ(table.FindTextById("ŒUVRE", 1), "œuvre!");
    EXPECT_EQ(table.FindTextById("ŸX", 1), "Ÿx!");
    EXPECT_EQ(table.FindTextById("名", 1), "");
}

TEST(StringTable, TranslationByText) {
    TlcStringsCollection table;
    table.BuildStringTable({"b\x01" "Cancel\x01" "Abbrechen\x01\x01", "a\x01OK\x01OK\x01Oui\x01",
                            "c\x01Help\x01\x01" "Aide\x01"},
                           1, 3, '\x01');
    EXPECT_EQ(table.SortColumn(), 1);
    EXPECT_EQ(table.FindTranslationByText("ok", 3), "Oui");
    EXPECT_EQ(table.FindTranslationByText("Absent", 2), "Absent");
    EXPECT_EQ(table.FindTranslationByText("Help", 2), "");
    const TestModeTransform upper = [](std::string_view s) { return std::string("<").append(s).append(">"); };
    EXPECT_EQ(table.FindTranslationByText("Help", 2, &upper), "<Help>");
    EXPECT_EQ(table.FindTranslationByText("Cancel", 2, &upper), "Abbrechen");
}

TEST(ExtendedItems, FindReplaceAndTexts) {
    TlcExtendedItems items;
    items.Add("lcOpenDialog1.Title").Values = "Open\x01Öffnen\x01Ouvrir\x01";
    items.Add("lvTaskList.Columns[0].Caption").Values = "Name\x01\x01Nom\x01";
    TlcExtendedItem* title = items.FindExtendedItem("LCOPENDIALOG1.title");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(ExtendedItemText(*title, 2, '\x01', false), "Öffnen");

    const TlcExtendedItem& column = items[1];
    EXPECT_EQ(ExtendedItemText(column, 2, '\x01', false), "");  // ttNoChange: leave it
    EXPECT_EQ(ExtendedItemText(column, 2, '\x01', true), "Name");
    const TestModeTransform mark = [](std::string_view s) { return std::string("~").append(s); };
    EXPECT_EQ(ExtendedItemText(column, 2, '\x01', true, &mark), "~Name");
    EXPECT_EQ(ExtendedItemText(column, 9, '\x01', false), "");

    EXPECT_EQ(SetValueAtLanguage(column.Values, 2, 3, '\x01', "Name DE"), "Name\x01Name DE\x01Nom\x01");
    items.ReplaceDelimiterInExtended('\x01', '\t');
    EXPECT_EQ(items[0].Values, "Open\tÖffnen\tOuvrir\t");
    items.Delete(0);
    EXPECT_EQ(items.FindExtendedItem("lcOpenDialog1.Title"), nullptr);
    EXPECT_THROW(items.Delete(5), std::out_of_range);
}

TEST(ExtendedItems, ValuesExIsWindows1252) {
    TlcExtendedItem item;
    item.Values = "Open\x01Öffnen\x01";
    const std::vector<uint8_t> bytes = item.WriteValuesEx();
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "Open\x01\xD6" "ffnen\x01");
    TlcExtendedItem back;
    back.ReadValuesEx(bytes);
    EXPECT_EQ(back.Values, item.Values);
    back.ReadValuesEx({});
    EXPECT_EQ(back.Values, "");
}

}  // namespace
}  // namespace lark::localization
