#include <gtest/gtest.h>

#include <algorithm>

#include "lang_window.h"

namespace lark::localization {
namespace {

using testing::Line;
using testing::Window;
using K = TStringsType;

bool Has(const StringList& list, const std::string& line) { return std::find(list.begin(), list.end(), line) != list.end(); }

class Capture : public ::testing::Test {
protected:
    void SetUp() override {
        testing::RegisterTestClasses();
        w.form->SetName("OptionsForm");
        w.lang->SetDesigning(true);
    }
    Window w;
};

TEST_F(Capture, TheShownTextsBecomeTheActiveLanguagesTexts) {
    w.lang->SetActiveLanguage(2);
    w.btnOK->Caption = "Gut";
    w.form->Caption = "Einstellungen";
    w.form->Font.Name = "Arial";
    w.form->Font.Charset = 204;
    w.cbLang->Items.SetCommaText("Eins,Zwei");
    w.lvTasks->Column(1)->Caption = "Nächster";
    w.lblInfo->Hint = "Hinweis";
    // Switching language in the designer stores the texts shown for the old language first.
    w.lang->SetActiveLanguage(3);
    const StringList& captions = *w.lang->ListOfKind(K::stCaptions);
    EXPECT_EQ(captions.front(), Line({"TTestForm", "Options", "Einstellungen", "Options"}));
    EXPECT_TRUE(Has(captions, Line({"btnOK", "OK", "Gut", "D'accord"})));
    EXPECT_TRUE(Has(*w.lang->ListOfKind(K::stMultiLines), Line({"cbLang.Items", "English,German,French", "Eins,Zwei", "Anglais,Allemand,Français"})));
    EXPECT_TRUE(Has(*w.lang->ListOfKind(K::stCollections), Line({"lvTasks.Columns[1].Caption", "Next run", "Nächster", "Prochaine exécution"})));
    EXPECT_EQ(w.lang->ListOfKind(K::stFonts)->front(), Line({"TTestForm", "Tahoma", "Arial", "Verdana"}));
    EXPECT_EQ(w.lang->ListOfKind(K::stCharSets)->front(), Line({"TTestForm", "DEFAULT_CHARSET", "RUSSIAN_CHARSET", "DEFAULT_CHARSET"}));
    // A new item gets a line with its text in the active language only.
    EXPECT_TRUE(Has(*w.lang->ListOfKind(K::stHints), Line({"lblInfo", "", "Hinweis", ""})));
}

TEST_F(Capture, ARenamedComponentKeepsItsTranslationsAndStaleLinesGo) {
    *w.lang->ListOfKind(K::stOtherStrings) = {Line({"dlgOpen.Title", "Open", "Öffnen", "Ouvrir"}),
                                              Line({"dlgOpen.Gone", "x", "y", "z"})};
    // The owner's line keyed by the window's name is the window's class line.
    (*w.lang->ListOfKind(K::stCaptions))[0] = Line({"OptionsForm", "Options", "Optionen", "Options"});
    w.btnOK->SetName("btnAccept");
    w.lang->StoreTranslation();
    const StringList& captions = *w.lang->ListOfKind(K::stCaptions);
    EXPECT_EQ(captions.front(), Line({"TTestForm", "Options", "Optionen", "Options"}));
    EXPECT_TRUE(Has(captions, Line({"btnAccept", "OK", "OK", "D'accord"})));
    EXPECT_FALSE(std::any_of(captions.begin(), captions.end(), [](const std::string& l) { return l.starts_with("btnOK\x01"); }));
    const StringList& other = *w.lang->ListOfKind(K::stOtherStrings);
    EXPECT_TRUE(Has(other, Line({"dlgOpen.Title", "Open", "Öffnen", "Ouvrir"})));
    EXPECT_FALSE(std::any_of(other.begin(), other.end(), [](const std::string& l) { return l.starts_with("dlgOpen.Gone"); }));
    EXPECT_TRUE(w.lang->LostRows().empty());
}

TEST_F(Capture, ExcludedPropertiesAndTheOwnerLine) {
    w.lang->ExcludedProperties.SetLines({"Hint"});
    w.lang->StoreTranslation();
    // The owner's hint line goes with the exclusion; the other hints are left alone.
    const StringList& hints = *w.lang->ListOfKind(K::stHints);
    EXPECT_FALSE(std::any_of(hints.begin(), hints.end(), [](const std::string& l) { return l.starts_with("TTestForm\x01"); }));
    EXPECT_TRUE(Has(hints, Line({"btnOK", "Accept", "Übernehmen", "Accepter"})));
    EXPECT_TRUE(w.lang->IsStringsType("tstringlist"));
    EXPECT_FALSE(w.lang->IsStringsType("TStrings"));
    EXPECT_TRUE(w.lang->IsPropertyExcluded("btnOK", "Name"));
}

TEST_F(Capture, RenamingRewritesOnlyThatComponentsLines) {
    *w.lang->ListOfKind(K::stCaptions) = {Line({"Button1", "a", "b", "c"}), Line({"Button10", "d", "e", "f"})};
    *w.lang->ListOfKind(K::stMultiLines) = {Line({"Button1.Items", "x", "y", "z"})};
    w.lang->DoNotTranslate.SetLines({"Button1"});
    w.lang->SmartExcludeProps.SetLines({"Button1.Text", "Button10.Text"});
    w.lang->Tables().ExtendedTranslations().Add("Button1.Caption");
    w.lang->RenameComponentRows("Button1", "btnOK");
    EXPECT_EQ(*w.lang->ListOfKind(K::stCaptions), (StringList{Line({"btnOK", "a", "b", "c"}), Line({"Button10", "d", "e", "f"})}));
    EXPECT_EQ(*w.lang->ListOfKind(K::stMultiLines), (StringList{Line({"btnOK.Items", "x", "y", "z"})}));
    EXPECT_EQ(w.lang->DoNotTranslate.Lines(), (std::vector<std::string>{"btnOK"}));
    EXPECT_EQ(w.lang->SmartExcludeProps.Lines(), (std::vector<std::string>{"btnOK.Text", "Button10.Text"}));
    EXPECT_EQ(w.lang->Tables().ExtendedTranslations()[0].Identifier, "btnOK.Caption");
    // The window's own lines carry its class name.
    *w.lang->ListOfKind(K::stCaptions) = {Line({"TOptionsForm", "a", "b", "c"})};
    w.lang->RenameComponentRows("OptionsForm", "SettingsForm");
    EXPECT_EQ(w.lang->ListOfKind(K::stCaptions)->front(), Line({"TSettingsForm", "a", "b", "c"}));
}

TEST_F(Capture, RemovedComponentsTakeTheirLinesOnlyInTheDesigner) {
    *w.lang->ListOfKind(K::stMultiLines) = {Line({"cbLang.Items", "a", "b", "c"}), Line({"cbLanguage.Items", "d", "e", "f"})};
    delete w.cbLang;
    EXPECT_EQ(*w.lang->ListOfKind(K::stMultiLines), (StringList{Line({"cbLanguage.Items", "d", "e", "f"})}));
    delete w.btnOK;
    const StringList& captions = *w.lang->ListOfKind(K::stCaptions);
    EXPECT_FALSE(std::any_of(captions.begin(), captions.end(), [](const std::string& l) { return l.starts_with("btnOK\x01"); }));
    w.lang->SetDesigning(false);
    delete w.lblInfo;
    EXPECT_TRUE(Has(*w.lang->ListOfKind(K::stFonts), Line({"lblInfo", "Tahoma", "Courier", "Courier"})));
    StringList lines = {Line({"a.P", "1"}), Line({"a.P", "2"}), Line({"a.Q", "3"})};
    w.lang->RemoveLines(lines, "a", K::stOtherStrings, "P");
    EXPECT_EQ(lines, (StringList{Line({"a.P", "1"}), Line({"a.Q", "3"})}));  // only the last found
    StringList items = {"a.Cols[0].Caption\x01x\x01", "a.Cols[1].Caption\x01y\x01", "b.Cols[0].Caption\x01z\x01"};
    w.lang->RemoveLines(items, "a", K::stCollections, "Cols");
    EXPECT_EQ(items, (StringList{"b.Cols[0].Caption\x01z\x01"}));
}

}  // namespace
}  // namespace lark::localization
