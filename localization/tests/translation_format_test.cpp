#include "localization/translation_format.h"

#include <gtest/gtest.h>

#include <string>

namespace lark::localization {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes ToBytes(std::string_view s) { return Bytes(s.begin(), s.end()); }
std::string ToString(const Bytes& b) { return std::string(b.begin(), b.end()); }

// The options window of the scheduler: a linked component (no dialog captions, no locales).
TranslationLists OptionsWindowLists() {
    TranslationLists lists(ListSet::Linked);
    *lists.ListOfKind(TStringsType::stCaptions) = {
        "btnBrowse\x01" "Browse\x01" "Durchsuchen\x01" "Parcourir\x01", "btnOK\x01OK\x01OK\x01OK\x01"};
    *lists.ListOfKind(TStringsType::stHints) = {"btnBrowse\x01\x01\x01\x01"};
    *lists.ListOfKind(TStringsType::stMultiLines) = {
        "cbDefaultLanguage.Items\x01" "English,German,French\x01" "Englisch,Deutsch,Französisch\x01"
        "Anglais, Allemand, Français\x01"};
    *lists.ListOfKind(TStringsType::stStrings) = {
        "IDS_3\x01Log Files (*.log)|*.log|All Files (*.*)|*.*\x01"
        "Protokolldateien (*.log)|*.log|Alle Dateien (*.*)|*.*\x01"
        "Fichiers journaux (*.log)|*.log|Tous les fichiers (*.*)|*.*\x01"};
    *lists.ListOfKind(TStringsType::stOtherStrings) = {"lcOpenDialog1.Title\x01\x01\x01\x01"};
    return lists;
}

const std::string kOptionsPayload =
    "stCaptions\r\n"
    "btnBrowse\x01" "Browse\x01" "Durchsuchen\x01" "Parcourir\x01\r\n"
    "btnOK\x01OK\x01OK\x01OK\x01\r\n"
    "stHints\r\n"
    "btnBrowse\x01\x01\x01\x01\r\n"
    "stDisplayLabels\r\n"
    "stFonts\r\n"
    "stMultiLines\r\n"
    "cbDefaultLanguage.Items\x01" "English,German,French\x01" "Englisch,Deutsch,Franz\xF6sisch\x01"
    "Anglais, Allemand, Fran\xE7" "ais\x01\r\n"
    "stStrings\r\n"
    "IDS_3\x01Log Files (*.log)|*.log|All Files (*.*)|*.*\x01"
    "Protokolldateien (*.log)|*.log|Alle Dateien (*.*)|*.*\x01"
    "Fichiers journaux (*.log)|*.log|Tous les fichiers (*.*)|*.*\x01\r\n"
    "stOtherStrings\r\n"
    "lcOpenDialog1.Title\x01\x01\x01\x01\r\n"
    "stCollections\r\n"
    "stCharSets\r\n";

TEST(TranslationData, WritesTheOptionsWindowPayloadExactly) {
    EXPECT_EQ(ToString(WriteTranslationData(OptionsWindowLists())), kOptionsPayload);
}

TEST(TranslationData, ReadsTheOptionsWindowPayloadAndWritesItBackByteForByte) {
    TranslationLists lists(ListSet::Linked);
    ReadTranslationData(ToBytes(kOptionsPayload), lists);
    EXPECT_EQ(lists, OptionsWindowLists());
    EXPECT_EQ(ToString(WriteTranslationData(lists)), kOptionsPayload);
}

TEST(TranslationData, EveryKindRoundTripsWithThreeLanguagesAndLineBreaks) {
    TranslationLists lists;  // all 11 lists
    for (int k = 0; k < kStringsTypeCount; ++k) {
        StringList* list = lists.ListOfKind(static_cast<TStringsType>(k));
        if (!list) continue;
        const std::string id = "id" + std::to_string(k);
        list->push_back(id + "\x01" "Close\x01" "Schließen über Ä\x01" "Fermer l'élément œ €\x01");
        list->push_back(id + "x\x01line one\r\nline two\x01Zeile\r\n\x01ligne\n\x01");
    }
    const Bytes payload = WriteTranslationData(lists);
    const std::string text = ToString(payload);
    // Windows-1252 bytes on the wire, escapes for the breaks.
    EXPECT_NE(text.find("Schlie\xDF" "en \xFC" "ber \xC4"), std::string::npos);
    EXPECT_NE(text.find("l'\xE9l\xE9ment \x9C \x80"), std::string::npos);
    EXPECT_NE(text.find("line one\x19\x1Aline two"), std::string::npos);
    EXPECT_EQ(text.find("stListView_TreeView_Items"), std::string::npos);  // kind 11 has no list

    TranslationLists back;
    ReadTranslationData(payload, back);
    EXPECT_EQ(back, lists);
    EXPECT_EQ(WriteTranslationData(back), payload);
}

TEST(TranslationData, EveryByteRoundTripsThroughTheInMemoryText) {
    std::string raw;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n' && b != 0x19 && b != 0x1A) raw += static_cast<char>(b);
    const std::string payload = "stStrings\r\nX\x01" + raw + "\x01\r\n";
    TranslationLists lists;
    ReadTranslationData(ToBytes(payload), lists);
    const std::string written = ToString(WriteTranslationData(lists));
    EXPECT_NE(written.find(payload), std::string::npos);
    TranslationLists again;
    ReadTranslationData(WriteTranslationData(lists), again);
    EXPECT_EQ(again, lists);
}

TEST(TranslationData, MultiLineTextKeepsItsBreaksAsEscapeBytes) {
    const std::string payload =
        "stStrings\r\nstrConfirmDelete\x01The following task is not completed:\x19\x1A\x19\x1A"
        "Continue?\x01\x01\x01\r\n";
    TranslationLists lists;
    ReadTranslationData(ToBytes(payload), lists);
    ASSERT_EQ(lists.Strings().size(), 1u);
    EXPECT_EQ(DelimitedField(lists.Strings()[0], '\x01', 1),
              "The following task is not completed:\r\n\r\nContinue?");
}

TEST(TranslationData, SectionsReplaceOnlyTheirKinds) {
    TranslationLists lists;
    lists.Captions() = {"old\x01x\x01"};
    lists.Strings() = {"IDS_1\x01keep\x01"};
    ReadTranslationData(ToBytes("stCaptions\r\nstHints\r\n"), lists);
    EXPECT_TRUE(lists.Captions().empty());
    EXPECT_TRUE(lists.ListOfKind(TStringsType::stHints)->empty());
    EXPECT_EQ(lists.Strings(), StringList{"IDS_1\x01keep\x01"});
}

TEST(TranslationData, ReaderRules) {
    TranslationLists lists(ListSet::Linked);
    ReadTranslationData(
        ToBytes("Captions\r\nbefore\x01x\x01\r\n"      // before any section: ignored
                "STCAPTIONS\rfirst\x01" "a\x01\n"     // capitals, lone CR and LF
                "\r\n"                                 // an empty line is a line
                "stDlgsCaptions\r\nOK\x01OK\x01\r\n"  // not stored here: skipped
                "stlistview_treeview_items\r\nz\r\n"
                "stStrings\r\nlast\x01\x19\x1A\x01"),  // last line without CR LF
        lists);
    EXPECT_EQ(lists.Captions(), (StringList{"first\x01" "a\x01", ""}));
    EXPECT_EQ(lists.Strings(), StringList{"last\x01\r\n\x01"});
    EXPECT_TRUE(lists.ListOfKind(TStringsType::stDlgsCaptions)->empty());
    EXPECT_FALSE(lists.Stored(TStringsType::stDlgsCaptions));
}

TEST(TranslationData, ALineSpellingASectionNameStaysALine) {
    TranslationLists lists;
    lists.Strings() = {"stHints", "IDS_1\x01One\x01"};
    TranslationLists back;
    ReadTranslationData(WriteTranslationData(lists), back);
    EXPECT_EQ(back.Strings(), (StringList{"stHints\x01", "IDS_1\x01One\x01"}));
    EXPECT_TRUE(back.ListOfKind(TStringsType::stHints)->empty());
}

TEST(TranslationData, StoringRule) {
    TranslationLists own, ancestor;
    EXPECT_TRUE(ShouldStoreTranslationData(own, nullptr, true));
    EXPECT_FALSE(ShouldStoreTranslationData(own, &ancestor, false));
    own.Captions() = {"TForm1\x01Main\x01"};
    ancestor.Captions() = {"TForm1\x01main\x01"};
    EXPECT_TRUE(ShouldStoreTranslationData(own, &ancestor, false));  // case-sensitive
    EXPECT_FALSE(ShouldStoreTranslationData(own, &ancestor, true));
}

TEST(TranslationLists, ListsByKindAndName) {
    TranslationLists full, linked(ListSet::Linked);
    EXPECT_NE(full.ListOfKind(TStringsType::stLocales), nullptr);
    EXPECT_EQ(full.ListOfKind(TStringsType::stListView_TreeView_Items), nullptr);
    // A linked component holds copies of the dialog captions and locales but never stores them.
    EXPECT_NE(linked.ListOfKind(TStringsType::stDlgsCaptions), nullptr);
    EXPECT_FALSE(linked.Stored(TStringsType::stLocales));
    EXPECT_TRUE(linked.Stored(TStringsType::stStrings));
    EXPECT_TRUE(full.Stored(TStringsType::stDlgsCaptions));
    EXPECT_EQ(full.ListOfKindName("otherSTRINGS"), full.ListOfKind(TStringsType::stOtherStrings));
    EXPECT_EQ(full.ListOfKindName("Nothing"), nullptr);
    EXPECT_EQ(StringsTypeName(TStringsType::stListView_TreeView_Items), "stListView_TreeView_Items");
}

// ---- fields ----

TEST(Fields, DelimitedField) {
    struct Case {
        std::string line;
        int field;
        std::string want;
    } cases[] = {
        {"btnBrowse\x01" "Browse\x01" "Durchsuchen\x01" "Parcourir\x01", 0, "btnBrowse"},
        {"btnBrowse\x01" "Browse\x01" "Durchsuchen\x01" "Parcourir\x01", 1, "Browse"},
        {"btnBrowse\x01" "Browse\x01" "Durchsuchen\x01" "Parcourir\x01", 3, "Parcourir"},
        {"btnBrowse\x01" "Browse\x01" "Durchsuchen\x01" "Parcourir\x01", 4, ""},
        {"lcOpenDialog1.Title\x01\x01\x01\x01", 2, ""},
        {"id\x01" "a", 1, "a"},
        {"id\x01" "a", 2, ""},
        {"", 0, ""},
        {"\x01" "x\x01", 0, "\x01" "x"},  // the first byte always belongs to the identifier
        {"id\x01" "a\x01", 256, ""},       // no wrap-around to the identifier
        {"id\x01" "a\x01", -1, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DelimitedField(c.line, '\x01', c.field), c.want) << c.field << " of " << c.line;
}

TEST(Fields, ValueFieldAndFieldStart) {
    const DelimiterSet set = MakeDelimiterSet('\x01');
    EXPECT_EQ(ValueField(1, "a\x01\x01" "c\x01", set), "a");
    EXPECT_EQ(ValueField(2, "a\x01\x01" "c\x01", set), "");
    EXPECT_EQ(ValueField(3, "a\x01\x01" "c\x01", set), "c");
    EXPECT_EQ(ValueField(4, "a\x01\x01" "c\x01", set), "");
    EXPECT_EQ(ValueField(1, "\x01" "b\x01", set), "b");
    EXPECT_EQ(ValueField(2, "a\x01" "b", set), "b");  // a one-byte last field is still a field
    EXPECT_EQ(ValueField(1, "", set), "");

    EXPECT_EQ(FieldStart(3, "a\x01\x01" "c\x01", set), 4);
    EXPECT_EQ(FieldStart(2, "a\x01", set), 0);  // no such field
    EXPECT_EQ(DelimiterCount("a\x01\x01" "c\x01", set), 3);
}

TEST(Fields, SubstituteAndPlace) {
    EXPECT_EQ(SubstituteText("aaa", "aa", "b", true), "ba");
    EXPECT_EQ(SubstituteText("xAx", "x", "y", false), "yAx");
    EXPECT_EQ(SubstituteText("Abc", "a", "z", true), "Abc");
    EXPECT_EQ(SubstituteText("abc", "", "z", true), "abc");
    EXPECT_EQ(PlaceTextAtLanguage("Öffnen", 2, 3, '\x01'), "\x01Öffnen\x01\x01");
    EXPECT_EQ(PlaceTextAtLanguage("x", 4, 3, '\x01'), "\x01\x01\x01");
}

TEST(Fields, PadLinesCompletesShortLinesOnly) {
    StringList list = {"id\x01text", "btnOK\x01OK\x01OK\x01OK\x01", "long\x01" "a\x01" "b\x01" "c\x01" "d\x01",
                       "id2"};
    PadLines(list, 3, '\x01');
    EXPECT_EQ(list, (StringList{"id\x01text\x01\x01\x01", "btnOK\x01OK\x01OK\x01OK\x01",
                                "long\x01" "a\x01" "b\x01" "c\x01" "d\x01", "id2\x01\x01\x01\x01"}));
}

TEST(Fields, CuttingLanguagesLeavesShorterLinesWhole) {
    StringList list = {"btnOK\x01OK\x01Ja\x01Oui\x01", "short\x01one\x01", "noclose\x01one", "open\x01" "a\x01" "b"};
    CutLinesToLanguages(list, 2, '\x01');
    EXPECT_EQ(list, (StringList{"btnOK\x01OK\x01Ja\x01", "short\x01one\x01", "noclose\x01one",
                                "open\x01" "a\x01" "b"}));
}

}  // namespace
}  // namespace lark::localization
