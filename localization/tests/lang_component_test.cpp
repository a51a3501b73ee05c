#include <gtest/gtest.h>

#include "core/component_stream.h"
#include "core/datetime.h"
#include "localization/errors.h"
#include "localization/regional_settings.h"
#include "lang_window.h"

namespace lark::localization {
namespace {

using testing::Line;
using testing::Window;
using K = TStringsType;

class LangComponent : public ::testing::Test {
protected:
    void SetUp() override { testing::RegisterTestClasses(); }
};

TEST_F(LangComponent, LanguageTwoReachesEveryKindOfTarget) {
    Window w;
    w.lang->SetActiveLanguage(2);
    EXPECT_EQ(w.form->Caption, "Optionen");
    EXPECT_EQ(w.form->Hint, "Formularhinweis");
    EXPECT_EQ(w.form->Font.Name, "Arial");
    EXPECT_EQ(w.form->Font.Charset, 204);
    EXPECT_EQ(w.btnOK->Hint, "Übernehmen");
    EXPECT_EQ(w.btnOK->Font.Name, "Courier");
    EXPECT_EQ(w.btnOK->Font.Charset, 238);  // component charsets match in any case
    EXPECT_EQ(w.actRun->Caption, "Ausführen");
    EXPECT_EQ(w.btnRun->Caption, "Run");  // its action supplies the caption
    EXPECT_EQ(w.cbLang->Items.CommaText(), "Englisch,Deutsch,Französisch");
    EXPECT_EQ(w.cbLang->ItemIndex, 1);
    EXPECT_EQ(w.lvTasks->Column(1)->Caption, "Nächster Lauf");
    EXPECT_EQ(w.dlgOpen->Title, "Öffnen");
    // ParentFont keeps the label's font.
    EXPECT_EQ(w.lblInfo->Font.Name, "Tahoma");
    EXPECT_EQ(w.lblInfo->Font.Charset, 1);
    EXPECT_EQ(w.lang->Language(), "German");
}

TEST_F(LangComponent, OwnerCharsetNamesAreCaseSensitive) {
    Window w;
    (*w.lang->ListOfKind(K::stCharSets))[0] = Line({"TTestForm", "DEFAULT_CHARSET", "russian_charset", ""});
    w.lang->SetActiveLanguage(2);
    EXPECT_EQ(w.form->Font.Name, "Arial");
    EXPECT_EQ(w.form->Font.Charset, 1);
}

TEST_F(LangComponent, PruningSetsAsideLinesOfMissingTargetsAndDropsActionLines) {
    Window w;
    auto& captions = *w.lang->ListOfKind(K::stCaptions);
    captions.push_back(Line({"btnGone", "Gone", "Weg", "Parti"}));
    auto& columns = *w.lang->ListOfKind(K::stCollections);
    columns.push_back(Line({"lvTasks.Columns[5].Caption", "Size", "Größe", "Taille"}));
    columns.push_back(Line({"lvTasks.Columns[0].Width", "1", "2", "3"}));
    w.lang->SetActiveLanguage(2);

    EXPECT_EQ(w.lang->LostRows(), (StringList{Line({"btnGone", "Gone", "Weg", "Parti"}),
                                              Line({"lvTasks.Columns[5].Caption", "Size", "Größe", "Taille"})}));
    // The action's button line is gone, not set aside; an unknown item property is deleted.
    for (const auto& l : captions) EXPECT_NE(DelimitedField(l, '\x01', 0), "btnRun");
    EXPECT_EQ(columns.size(), 2u);
    // Lines are kept otherwise, so switching back re-applies them.
    EXPECT_EQ(captions.size(), 3u);
}

TEST_F(LangComponent, DoNotTranslateLeavesComponentOrOwnerAlone) {
    struct Case {
        const char* name;
        bool owner;
    } cases[] = {{"btnOK", false}, {"TTestForm", true}};
    for (const Case& c : cases) {
        Window w;
        w.lang->DoNotTranslate.List().Add(c.name);
        w.lang->SetActiveLanguage(2);
        EXPECT_EQ(w.btnOK->Hint, c.owner ? "Übernehmen" : "Accept") << c.name;
        EXPECT_EQ(w.btnOK->Font.Name, c.owner ? "Courier" : "Tahoma") << c.name;
        EXPECT_EQ(w.form->Caption, c.owner ? "Options" : "Optionen") << c.name;
        EXPECT_EQ(w.form->Hint, c.owner ? "Form hint" : "Formularhinweis") << c.name;
        EXPECT_EQ(w.form->Font.Name, c.owner ? "Tahoma" : "Arial") << c.name;
        EXPECT_EQ(w.dlgOpen->Title, "Öffnen") << c.name;
    }
}

TEST_F(LangComponent, EmptyTextKeepsValueUnlessDefaultIsAsked) {
    for (auto type : {TTranslateType::ttNoChange, TTranslateType::ttGetDefault}) {
        Window w;
        (*w.lang->ListOfKind(K::stCaptions))[1] = Line({"btnOK", "Cancel", "", "Annuler"});
        w.btnOK->Caption = "untranslated";
        w.lang->Tables().TranslateType = type;
        w.lang->SetActiveLanguage(2);
        EXPECT_EQ(w.btnOK->Caption, type == TTranslateType::ttNoChange ? "untranslated" : "Cancel");
    }
}

TEST_F(LangComponent, ActiveLanguageIsCheckedAndAnUnchangedValueDoesNothing) {
    Window w;
    int changes = 0;
    w.lang->OnChangeLanguage = [&](TlcCustomLang&) { ++changes; };
    w.lang->SetActiveLanguage(1);
    EXPECT_EQ(changes, 0);
    try {
        w.lang->SetActiveLanguage(4);
        FAIL();
    } catch (const ELanguageError& e) {
        EXPECT_STREQ(e.what(), "4 - is not a valid property value!\rValue must be within [1..3]!");
    }
    EXPECT_EQ(w.lang->ActiveLanguage(), 1);
    w.lang->SetActiveLanguage(3);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(w.btnOK->Caption, "D'accord");
}

TEST_F(LangComponent, ChangingCursorShowsWhileApplyingAndIsRestoredOnErrors) {
    Window w;
    std::vector<int> shown;
    int screen = 0;
    ScreenCursor() = {[&] { return screen; }, [&](int c) { screen = c; shown.push_back(c); }};
    w.lang->ChangingCursor = -11;
    int seen = 0;
    w.lang->OnChangeLanguage = [&](TlcCustomLang&) {
        seen = screen;
        throw core::Error("handler failed");
    };
    EXPECT_THROW(w.lang->SetActiveLanguage(2), core::Error);
    EXPECT_EQ(seen, -11);
    EXPECT_EQ(screen, 0);
    // A cursor someone else shows is left alone.
    screen = 5;
    shown.clear();
    w.lang->OnChangeLanguage = nullptr;
    w.lang->SetActiveLanguage(3);
    EXPECT_TRUE(shown.empty());
    ScreenCursor() = {};
}

TEST_F(LangComponent, LoweringTheLanguageCountBelowTheActiveOneReturnsToTheFirst) {
    Window w;
    w.lang->SetActiveLanguage(3);
    w.lang->SetNumOfLanguages(2);
    EXPECT_EQ(w.lang->ActiveLanguage(), 1);
    EXPECT_EQ(w.btnOK->Caption, "OK");
    EXPECT_EQ(w.lang->LangNames().Lines(), (std::vector<std::string>{"English", "German"}));
    EXPECT_EQ((*w.lang->ListOfKind(K::stCaptions))[1], Line({"btnOK", "OK", "OK", "D'accord"}));
}

TEST_F(LangComponent, FewerLanguageNamesThenMoreAgainKeepTheDroppedTexts) {
    Window w;
    TlcLangDispatcher dispatcher;
    dispatcher.SetLangNames({"English", "German", "French"});
    w.lang->SetLangDispatcher(&dispatcher);
    // Directly on the component and through the dispatcher: 3 -> 2 -> 3.
    w.lang->SetLangNames({"English", "German"});
    w.lang->SetLangNames({"English", "German", "French"});
    w.lang->SetActiveLanguage(3);
    EXPECT_EQ(w.btnOK->Caption, "D'accord");
    dispatcher.SetLangNames({"English", "German"});
    EXPECT_EQ(w.lang->NumOfLanguages(), 2);
    dispatcher.SetLangNames({"English", "German", "French"});
    dispatcher.SetActiveLanguage(3);
    EXPECT_EQ(w.btnOK->Caption, "D'accord");
    EXPECT_EQ(w.lang->TextByIdOrDefault("IDS_1"), "Prêt");
    EXPECT_EQ((*w.lang->ListOfKind(K::stCaptions))[1], Line({"btnOK", "OK", "OK", "D'accord"}));
}

TEST_F(LangComponent, SecondTranslationComponentOnAWindowIsRefused) {
    Window w;
    try {
        w.form->Create<TlcLangLinked>();
        FAIL();
    } catch (const core::Error& e) {
        EXPECT_STREQ(e.what(), "Only one TlcCustomLang component per Form/DataModule allowed!");
    }
    EXPECT_EQ(w.form->ComponentCount(), 8);
}

TEST_F(LangComponent, ReplacingOneListAppliesThatKindAndTheOwnerOnly) {
    Window w;
    w.lang->SetActiveLanguage(2);
    w.btnOK->Caption = "changed";
    w.form->Caption = "changed";
    w.dlgOpen->Title = "changed";
    int changes = 0;
    w.lang->OnChangeLanguage = [&](TlcCustomLang&) { ++changes; };
    w.lang->SetList(K::stHints, {Line({"TTestForm", "h", "Neu", "n"}), Line({"btnOK", "h", "Neuer Hinweis", "n"})});
    EXPECT_EQ(w.btnOK->Hint, "Neuer Hinweis");
    EXPECT_EQ(w.btnOK->Caption, "changed");
    EXPECT_EQ(w.dlgOpen->Title, "changed");
    EXPECT_EQ(w.form->Caption, "Optionen");  // the owner's texts go with every apply
    EXPECT_EQ(changes, 1);
    // The next full apply is not filtered.
    w.lang->SetActiveLanguage(3);
    w.lang->SetActiveLanguage(2);
    EXPECT_EQ(w.btnOK->Caption, "OK");
    EXPECT_EQ(w.dlgOpen->Title, "Öffnen");
}

TEST_F(LangComponent, ExclusionsRemoveListsAndLines) {
    Window w;
    w.lang->ExcludedProperties.List().Add("hint");
    w.lang->ExcludedProperties.List().Add("Title");
    w.lang->SmartExcludeProps.List().Add("cbLang.Items");
    auto& columns = *w.lang->ListOfKind(K::stCollections);
    columns.push_back(Line({"lvTasks.Columns[2].Name", "a", "b", "c"}));
    w.lang->ExcludedProperties.List().Add("Caption");
    w.lang->ApplyExcludedProperties();
    EXPECT_TRUE(w.lang->ListOfKind(K::stHints)->empty());
    EXPECT_TRUE(w.lang->ListOfKind(K::stCaptions)->empty());
    EXPECT_TRUE(w.lang->ListOfKind(K::stMultiLines)->empty());
    EXPECT_TRUE(w.lang->ListOfKind(K::stOtherStrings)->empty());
    // Collections: "Caption" as the item's property, "Name" never translated.
    EXPECT_TRUE(columns.empty());
    EXPECT_EQ(w.lang->ListOfKind(K::stFonts)->size(), 3u);
}

TEST_F(LangComponent, LocalesApplyOnlyWhenAsked) {
    core::FormatSettings saved = core::DefaultFormatSettings();
    Window w;
    *w.lang->ListOfKind(K::stLocales) = {Line({"Date Separator", "/", ".", "/"}),
                                          Line({"Short Month Names", "Jan", "Jan,Feb,Mär", ""})};
    w.lang->SetActiveLanguage(2);
    EXPECT_EQ(core::DefaultFormatSettings().DateSeparator, saved.DateSeparator);
    w.lang->SetActiveLanguage(1);
    w.lang->SetChangeLocales(true);
    w.lang->SetActiveLanguage(2);
    EXPECT_EQ(core::DefaultFormatSettings().DateSeparator, ".");
    EXPECT_EQ(core::DefaultFormatSettings().ShortMonthNames[2], "Mär");
    EXPECT_EQ(core::DefaultFormatSettings().ShortMonthNames[3], saved.ShortMonthNames[3]);
    core::DefaultFormatSettings() = saved;
}

// The user's regional settings, loaded before a window is made, are what its DefaultLocale
// keeps; its locale rows override them while applied, and the next load brings them back.
TEST_F(LangComponent, RegionalSettingsUnderTheLocaleRows) {
    const core::RegionalSettings saved = CurrentRegionalSettings();
    core::LocaleAnswers answers;
    answers.shortDate = "dd.MM.yyyy";
    answers.longTime = "HH:mm:ss";
    answers.dateSeparator = ".";
    answers.decimalSeparator = ",";
    answers.thousandSeparator = ".";
    answers.currency = "€";
    answers.longMonths[2] = "März";
    const core::RegionalSettings german = core::RegionalSettingsFromLocale(answers);
    ApplyRegionalSettings(german);
    Window w;
    const auto& kept = w.lang->DefaultLocale();
    EXPECT_EQ(kept[0], "€");
    EXPECT_EQ(kept[1], ".");
    EXPECT_EQ(kept[2], ",");
    EXPECT_EQ(kept[4], "dd/mm/yyyy");
    EXPECT_EQ(kept[10], "hh:nn:ss");
    EXPECT_EQ(kept[12].substr(0, 23), "January,February,März,");
    *w.lang->ListOfKind(K::stLocales) = {Line({"Short Date Format", "m/d/yyyy", "yyyy/mm/dd", ""})};
    w.lang->SetChangeLocales(true);
    w.lang->SetActiveLanguage(2);
    const std::string overridden = core::DateToStr(core::EncodeDate(2026, 12, 10));
    ApplyRegionalSettings(german);  // the user changed the settings: a new load
    const std::string reloaded = core::DateToStr(core::EncodeDate(2026, 12, 10));
    ApplyRegionalSettings(saved);
    EXPECT_EQ(overridden, "2026.12.10");  // the row's picture with the user's separator
    EXPECT_EQ(reloaded, "10.12.2026");
    EXPECT_EQ(w.lang->DefaultLocale()[4], "dd/mm/yyyy");
}

TEST_F(LangComponent, ExtendedTranslationsFollowPropertyPaths) {
    Window w;
    auto& items = w.lang->Tables().ExtendedTranslations();
    items.Add("dlgOpen.Title").Values = "Open\x01\xC3\x96" "ffnen\x01Ouvrir\x01";
    items.Add("lvTasks.Columns[2].Caption").Values = "Size\x01Größe\x01Taille\x01";
    items.Add("lvTasks.Columns[9].Caption").Values = "x\x01y\x01z\x01";
    items.Add("TTestForm.Font.Name").Values = "A\x01" "Consolas\x01" "C\x01";
    items.Add("dlgOpen.Options").Values = "1\x01" "5\x01" "3\x01";
    items.Add("btnOK.ItemIndex").Values = "1\x01not a number\x01" "3\x01";
    items.Add("cbLang.Items").Values = "a\x01" "b,c\x01" "d\x01";
    w.btnOK->ItemIndex = 7;
    w.lang->SetActiveLanguage(2);
    EXPECT_EQ(w.dlgOpen->Title, "Öffnen");
    EXPECT_EQ(w.lvTasks->Column(2)->Caption, "Größe");
    EXPECT_EQ(w.form->Font.Name, "Consolas");  // after the Fonts list
    EXPECT_EQ(w.dlgOpen->Options, 5);
    EXPECT_EQ(w.btnOK->ItemIndex, 7);
    EXPECT_EQ(w.cbLang->Items.CommaText(), "b,c");
    EXPECT_EQ(FindObjectByPath(*w.form, "lvTasks.Columns[9].Caption"), nullptr);
    EXPECT_EQ(FindObjectByPath(*w.form, "btnOK.Caption.Length"), nullptr);
    EXPECT_EQ(FindObjectByPath(*w.form, "ttestform.Caption"), w.form.get());
}

TEST_F(LangComponent, TestModeShowsUntranslatedTextsTransformed) {
    Window w;
    TlcLangDispatcher dispatcher;
    dispatcher.SetLangNames({"English", "German", "French"});
    dispatcher.TestModeInfo().Active = true;
    dispatcher.TestModeInfo().Kind = TTestModeKind::tmkFlipCase;
    (*w.lang->ListOfKind(K::stCaptions))[1] = Line({"btnOK", "Cancel", "", ""});
    w.lang->SetList(K::stStrings, {Line({"IDS_2", "Abc1", "", ""})});
    w.lang->SetLangDispatcher(&dispatcher);
    dispatcher.SetActiveLanguage(2);
    EXPECT_EQ(w.btnOK->Caption, "cANCEL");
    EXPECT_EQ(w.lang->TextByIdOrDefault("ids_2"), "aBC1");
    dispatcher.TestModeInfo().Active = false;
    EXPECT_EQ(w.lang->TextById("IDS_2"), "");
    EXPECT_EQ(w.lang->TextByIdOrDefault("IDS_2"), "Abc1");
}

TEST(TestModeText, Transforms) {
    EXPECT_EQ(FlipCase("Abc1"), "aBC1");
    EXPECT_EQ(ExpandChars("abc", '*', 100), "a*b*c*");
    EXPECT_EQ(ExpandChars("abc", '*', 50), "abc*");  // one padding character, placed last
    EXPECT_EQ(ExpandChars("OK", '*', 100), "O*K*");
    EXPECT_EQ(ExpandChars("", '*', 100), "");
    auto chars = [](std::string_view t) { return static_cast<int>(t.size()); };
    EXPECT_EQ(ExpandWidth("ab", '*', 100, chars).size(), 4u);
    EXPECT_EQ(ExpandWidth("", '*', 100, chars), "");
    // A padding of no width stops after a bounded number of insertions.
    auto noPad = [](std::string_view t) { return static_cast<int>(std::count_if(t.begin(), t.end(), [](char c) { return c != '*'; })); };
    EXPECT_LT(ExpandWidth("abc", '*', 100, noPad).size(), 200u);
}

TEST_F(LangComponent, RedirectedStringsComeFromAnotherLinkedComponent) {
    TlcLangDispatcher dispatcher;
    Window a, b;
    b.lang->Options = core::SetValue{1u << static_cast<int>(TlcLangOption::loUseExtUDStrings)};
    EXPECT_EQ(b.lang->TextByIdOrDefault("IDS_1"), "");  // no dispatcher: nothing
    b.lang->SetLangDispatcher(&dispatcher);
    // Only itself holds strings: its own list answers, without looping.
    EXPECT_EQ(b.lang->TextByIdOrDefault("IDS_1"), "Ready");
    a.lang->SetList(K::stStrings, {Line({"IDS_1", "From A", "Von A", "De A"})});
    a.lang->SetLangDispatcher(&dispatcher);
    EXPECT_EQ(b.lang->TextByIdOrDefault("IDS_1"), "From A");
}

// A language-change handler that frees its own window: nothing touches the freed component or
// the handler afterwards (the sanitizer build catches any use after free).
TEST_F(LangComponent, AHandlerMayFreeItsOwnWindow) {
    struct Case {
        const char* what;
        std::function<void(TlcCustomLang&, TlcLangDispatcher&)> act;
    } cases[] = {
        {"SetList", [](TlcCustomLang& l, TlcLangDispatcher&) { l.SetList(K::stCaptions, {Line({"btnOK", "A", "B", "C"})}); }},
        {"SetNumOfLanguages", [](TlcCustomLang& l, TlcLangDispatcher&) { l.SetNumOfLanguages(2); }},
        {"SetLangNames", [](TlcCustomLang& l, TlcLangDispatcher&) { l.SetLangNames({"English"}); }},
        {"dispatcher count", [](TlcCustomLang&, TlcLangDispatcher& d) { d.SetNumOfLanguages(2); }},
        {"dispatcher names", [](TlcCustomLang&, TlcLangDispatcher& d) { d.SetLangNames({"English", "German"}); }},
    };
    for (const Case& c : cases) {
        TlcLangDispatcher dispatcher;
        dispatcher.SetLangNames({"English", "German", "French"});
        auto* w = new Window;
        w->lang->SetLangDispatcher(&dispatcher);
        dispatcher.SetActiveLanguage(3);
        int freed = 0;
        std::string note = c.what;
        w->lang->OnChangeLanguage = [w, &freed, note](TlcCustomLang&) {
            delete w;
            ++freed;  // the handler's own state is still read after the window is gone
            EXPECT_FALSE(note.empty());
        };
        c.act(*w->lang, dispatcher);
        EXPECT_EQ(freed, 1) << c.what;
        EXPECT_TRUE(dispatcher.LinkedLangs().empty()) << c.what;
    }
}

}  // namespace
}  // namespace lark::localization
