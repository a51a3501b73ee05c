#include "localization/translation_tables.h"

#include <gtest/gtest.h>

#include "localization/errors.h"

namespace lark::localization {
namespace {

class Lookup : public ::testing::Test {
protected:
    void SetUp() override {
        t.SetNumOfLanguages(3);
        t.Lists().Strings() = {
            "IDS_12\x01Twelve\x01Zwölf\x01" "Douze\x01",
            "strsActive\x01" "Active\x01" "Aktiv\x01" "Actif\x01",
            "IDS_1\x01One\x01\x01Un\x01",  // German missing
            "STR_short\x01Short\x01",        // holds only language 1
            "IDS_Änderung\x01" "Change\x01Änderung\x01\x01",
        };
        t.RebuildLookupTables();
        *t.ListOfKind(TStringsType::stDlgsCaptions) = t.Lists().Strings();
    }
    TranslationTables t;
};

TEST_F(Lookup, FindsEveryIdentifierInTableAndScanAlike) {
    struct Case {
        const char* id;
        int language;
        const char* withFallback;
        const char* without;
    } cases[] = {
        {"IDS_12", 2, "Zwölf", "Zwölf"},
        {"ids_12", 3, "Douze", "Douze"},
        {"strsactive", 2, "Aktiv", "Aktiv"},   // case ignored
        {"STRSACTIVE", 1, "Active", "Active"},
        {"IDS_1", 2, "One", ""},               // whole field: never IDS_12's text; fallback
        {"IDS_1", 3, "Un", "Un"},
        {"STR_short", 3, "Short", ""},         // a short line lends nothing of the next line
        {"ids_änderung", 2, "Änderung", "Änderung"},  // Windows-1252 letters fold too
        {"IDS", 1, "", ""},                    // a prefix is no match
        {"IDS_123", 1, "", ""},
        {"", 1, "", ""},
    };
    for (const auto& c : cases) {
        t.SetActiveLanguage(c.language);
        for (auto kind : {TStringsType::stStrings, TStringsType::stDlgsCaptions}) {
            SCOPED_TRACE(std::string(c.id) + " kind " + std::to_string(static_cast<int>(kind)));
            EXPECT_EQ(t.LookupText(kind, c.id, true), c.withFallback);
            EXPECT_EQ(t.LookupText(kind, c.id, false), c.without);
        }
    }
}

TEST_F(Lookup, TextByIdFallsBackOnlyUnderGetDefault) {
    t.SetActiveLanguage(2);
    EXPECT_EQ(t.TextByIdOrDefault("IDS_1"), "One");
    EXPECT_EQ(t.TextById("IDS_1"), "");
    t.TranslateType = TTranslateType::ttGetDefault;
    EXPECT_EQ(t.TextById("IDS_1"), "One");
}

TEST_F(Lookup, MissingIdentifierIsEmptyOrRaisesTheExactMessage) {
    EXPECT_EQ(t.TextByIdOrDefault("XYZ"), "");
    t.DoRaiseExceptions = true;
    for (auto kind : {TStringsType::stStrings, TStringsType::stDlgsCaptions}) {
        try {
            t.LookupText(kind, "XYZ", true);
            ADD_FAILURE() << "no error";
        } catch (const ELanguageError& e) {
            EXPECT_STREQ(e.what(), "String identifier \"XYZ\" not found!");
        }
    }
    EXPECT_EQ(t.TextByIdOrDefault("ids_12"), "Twelve");
}

TEST_F(Lookup, StringsReadTheTableUntilItIsRebuilt) {
    t.Lists().Strings().push_back("IDS_NEW\x01New\x01Neu\x01Nouveau\x01");
    EXPECT_EQ(t.TextByIdOrDefault("IDS_NEW"), "");
    t.RebuildLookupTables();
    EXPECT_EQ(t.TextByIdOrDefault("IDS_NEW"), "New");
    t.SetDesigning(true);  // the designer scans the list itself
    t.Lists().Strings().push_back("IDS_NEWER\x01Newer\x01\x01\x01");
    EXPECT_EQ(t.TextByIdOrDefault("ids_newer"), "Newer");
}

TEST_F(Lookup, MultiLineTextDoesNotHideAnIdentifierMatch) {
    // An identifier-like text after a line break inside another line is no line start.
    *t.ListOfKind(TStringsType::stOtherStrings) = {"a.Hint\x01x\r\nIDS_9\x01y\x01\x01",
                                                   "IDS_9\x01nine\x01neun\x01neuf\x01"};
    t.SetActiveLanguage(2);
    EXPECT_EQ(t.LookupText(TStringsType::stOtherStrings, "IDS_9", true), "neun");
}

TEST_F(Lookup, TestModeTransformsUntranslatedTexts) {
    t.SetTestMode([](std::string_view s) { return std::string("[").append(s).append("]"); });
    t.SetActiveLanguage(2);
    EXPECT_EQ(t.TextById("IDS_1"), "[One]");
    EXPECT_EQ(t.LookupText(TStringsType::stDlgsCaptions, "IDS_1", false), "[One]");
    EXPECT_EQ(t.TextById("IDS_12"), "Zwölf");
    t.SetActiveLanguage(1);
    EXPECT_EQ(t.LookupText(TStringsType::stDlgsCaptions, "IDS_1", false), "One");
}

TEST_F(Lookup, LookupLineAndFindField) {
    t.SetActiveLanguage(2);
    EXPECT_EQ(t.LookupLine(TStringsType::stDlgsCaptions, 0, false), "Zwölf");
    EXPECT_EQ(t.LookupLine(TStringsType::stDlgsCaptions, 2, true), "One");
    EXPECT_EQ(t.LookupLine(TStringsType::stDlgsCaptions, -1, true), "");
    EXPECT_EQ(t.LookupLine(TStringsType::stDlgsCaptions, 5, true), "");
    EXPECT_EQ(t.LookupLine(TStringsType::stListView_TreeView_Items, 0, true), "");
    *t.ListOfKind(TStringsType::stCharSets) = {"TForm1\x01" "ANSI_CHARSET\x01" "DEFAULT_CHARSET\x01"};
    EXPECT_EQ(t.FindField(TStringsType::stCharSets, "tform1", 2), "DEFAULT_CHARSET");
    EXPECT_EQ(t.FindField(TStringsType::stCharSets, "tform1", 3), "");
    EXPECT_EQ(t.FindField(TStringsType::stCharSets, "TForm", 1), "");
    EXPECT_THROW(t.FindField(TStringsType::stCharSets, "TForm1", -1), ELanguageError);
}

TEST_F(Lookup, ActiveLanguageOutOfRangeRaisesAndKeepsTheLanguage) {
    t.SetActiveLanguage(2);
    for (int bad : {4, 0, -1}) {
        try {
            t.SetActiveLanguage(bad);
            ADD_FAILURE() << bad;
        } catch (const ELanguageError& e) {
            EXPECT_EQ(std::string(e.what()), std::to_string(bad) +
                                                 " - is not a valid property value!\rValue must be within [1..3]!");
        }
    }
    EXPECT_EQ(t.ActiveLanguage(), 2);
    try {
        t.SetNumOfLanguages(0);
        ADD_FAILURE();
    } catch (const ELanguageError& e) {
        EXPECT_STREQ(e.what(), "0 - is not a valid property value !\rValue must be more than ZERO !");
    }
}

TEST_F(Lookup, FewerLanguagesCutNoTextAndNothingReadsOutOfBounds) {
    t.SetActiveLanguage(3);
    *t.ListOfKind(TStringsType::stCaptions) = {"btnOK\x01OK\x01Ja\x01Oui\x01", "lbl\x01Name\x01"};
    t.SetNumOfLanguages(2);
    EXPECT_EQ(*t.ListOfKind(TStringsType::stCaptions),
              (StringList{"btnOK\x01OK\x01Ja\x01Oui\x01", "lbl\x01Name\x01"}));
    EXPECT_EQ(t.Lists().Strings()[3], "STR_short\x01Short\x01\x01");  // completed, not cut
    // The active language lay beyond the count: it is the first again.
    EXPECT_EQ(t.ActiveLanguage(), 1);
    EXPECT_EQ(t.TextById("IDS_12"), "Twelve");
    EXPECT_EQ(t.LookupText(TStringsType::stCaptions, "btnOK", false), "OK");
    // Raising the count again finds the third texts; a line without one reads empty.
    t.SetNumOfLanguages(3);
    t.SetActiveLanguage(3);
    EXPECT_EQ(t.TextById("IDS_12"), "Douze");
    EXPECT_EQ(t.LookupText(TStringsType::stCaptions, "btnOK", false), "Oui");
    EXPECT_EQ(t.LookupLine(TStringsType::stCaptions, 1, false), "");
    EXPECT_EQ(t.LookupLine(TStringsType::stCaptions, 1, true), "Name");
    t.SetNumOfLanguages(2);
    // More languages than fields can address are refused.
    EXPECT_THROW(t.SetNumOfLanguages(256), ELanguageError);
    EXPECT_EQ(t.NumOfLanguages(), 2);
}

TEST_F(Lookup, ChangingTheDelimiterRewritesEveryLine) {
    t.ExtendedTranslations().Add("lcOpenDialog1.Title").Values = "Open\x01Öffnen\x01Ouvrir\x01";
    t.SetLangDelim('\t');
    EXPECT_EQ(t.Lists().Strings()[0], "IDS_12\tTwelve\tZwölf\tDouze\t");
    EXPECT_EQ(t.ExtendedTranslations()[0].Values, "Open\tÖffnen\tOuvrir\t");
    t.SetActiveLanguage(2);
    EXPECT_EQ(t.TextById("strsActive"), "Aktiv");
    EXPECT_THROW(t.SetLangDelim('\xE4'), ELanguageError);
    EXPECT_THROW(t.SetLangDelim('\n'), ELanguageError);
}

TEST(LookupPayload, TranslationDataFeedsTheTable) {
    TranslationTables t;
    t.SetNumOfLanguages(3);
    const std::string payload = "stStrings\r\nIDS_7\x01Seven\x01Sieben\x01Sept\x01\r\nstrGr\xFC\xDF" "e\x01Hi\x01Gr\xFC\xDF" "e\x01Salut\x01\r\n";
    t.ReadTranslationData(std::vector<uint8_t>(payload.begin(), payload.end()));
    t.SetActiveLanguage(2);
    EXPECT_EQ(t.TextById("ids_7"), "Sieben");
    EXPECT_EQ(t.TextById("STRGRÜßE"), "Grüße");
}

}  // namespace
}  // namespace lark::localization
