#include <gtest/gtest.h>

#include "core/component_stream.h"
#include "localization/errors.h"
#include "lang_window.h"

namespace lark::localization {
namespace {

using testing::Line;
using testing::Window;
using K = TStringsType;

class Dispatcher : public ::testing::Test {
protected:
    void SetUp() override {
        testing::RegisterTestClasses();
        dispatcher.SetLangNames({"English", "German", "French"});
    }
    TlcLangDispatcher dispatcher;
};

TEST(DispatcherState, NewAndResized) {
    TlcLangDispatcher d;
    EXPECT_EQ(d.LangNames().Lines(), std::vector<std::string>{"Language N1"});
    EXPECT_EQ(d.NumOfLanguages(), 1);
    EXPECT_EQ(d.ActiveLanguage(), 1);
    EXPECT_EQ(d.Language(), "");
    d.SetNumOfLanguages(3);
    EXPECT_EQ(d.LangNames().Lines(), (std::vector<std::string>{"Language N1", "Language N2", "Language N3"}));
    d.SetNumOfLanguages(1);
    EXPECT_EQ(d.LangNames().Lines(), std::vector<std::string>{"Language N1"});
    EXPECT_THROW(d.SetNumOfLanguages(0), ELanguageError);
}

TEST_F(Dispatcher, SwitchingChangesEveryLinkedWindowAndBackRestoresExactly) {
    Window a, b;
    const auto first = a.Texts();
    a.lang->SetLangDispatcher(&dispatcher);
    b.lang->SetLangDispatcher(&dispatcher);
    ASSERT_EQ(dispatcher.LinkedLangs(), (std::vector<TlcCustomLang*>{a.lang, b.lang}));

    struct Expect {
        int language;
        const char* caption;
        const char* action;
        const char* column;
        const char* items;
        const char* font;
        int charset;
    } expects[] = {
        {2, "Optionen", "Ausführen", "Nächster Lauf", "Englisch,Deutsch,Französisch", "Arial", 204},
        {3, "Options", "Exécuter", "Prochaine exécution", "Anglais,Allemand,Français", "Verdana", 1},
        {1, "Options", "Run", "Next run", "English,German,French", "Tahoma", 1},
    };
    for (const Expect& e : expects) {
        dispatcher.SetActiveLanguage(e.language);
        for (Window* w : {&a, &b}) {
            EXPECT_EQ(w->lang->ActiveLanguage(), e.language);
            EXPECT_EQ(w->form->Caption, e.caption) << e.language;
            EXPECT_EQ(w->actRun->Caption, e.action) << e.language;
            EXPECT_EQ(w->lvTasks->Column(1)->Caption, e.column) << e.language;
            EXPECT_EQ(w->cbLang->Items.CommaText(), e.items) << e.language;
            EXPECT_EQ(w->form->Font.Name, e.font) << e.language;
            EXPECT_EQ(w->form->Font.Charset, e.charset) << e.language;
        }
        EXPECT_EQ(dispatcher.Language(), dispatcher.LangNames().Strings(e.language - 1));
    }
    EXPECT_EQ(a.Texts(), first);
    EXPECT_EQ(b.Texts(), first);
}

TEST_F(Dispatcher, RefusesAnActiveLanguageOutOfRangeBeforeStoringIt) {
    Window w;
    w.lang->SetLangDispatcher(&dispatcher);
    dispatcher.SetActiveLanguage(2);
    for (int bad : {0, -1, 4}) {
        EXPECT_THROW(dispatcher.SetActiveLanguage(bad), ELanguageError) << bad;
        EXPECT_EQ(dispatcher.ActiveLanguage(), 2);
        EXPECT_EQ(dispatcher.Language(), "German");
        EXPECT_EQ(w.form->Caption, "Optionen");
    }
}

TEST_F(Dispatcher, FewerLanguagesThanTheActiveOneReturnToTheFirst) {
    Window w;
    w.lang->SetLangDispatcher(&dispatcher);
    dispatcher.SetActiveLanguage(3);
    dispatcher.SetNumOfLanguages(2);
    EXPECT_EQ(dispatcher.ActiveLanguage(), 1);
    EXPECT_EQ(dispatcher.Language(), "English");
    EXPECT_EQ(w.lang->ActiveLanguage(), 1);
    EXPECT_EQ(w.lang->NumOfLanguages(), 2);
    EXPECT_EQ(w.btnOK->Caption, "OK");
    dispatcher.SetActiveLanguage(2);
    EXPECT_EQ(w.form->Caption, "Optionen");
}

TEST_F(Dispatcher, LanguageNamesSelectLanguages) {
    Window w;
    w.lang->SetLangDispatcher(&dispatcher);
    dispatcher.SetLanguage("german");
    EXPECT_EQ(dispatcher.ActiveLanguage(), 2);
    EXPECT_EQ(dispatcher.Language(), "German");
    EXPECT_EQ(w.lang->Language(), "German");
    try {
        dispatcher.SetLanguage("Klingon");
        FAIL();
    } catch (const ELanguageError& e) {
        EXPECT_STREQ(e.what(), "Language name shall be included in LangNames property!");
    }
    EXPECT_EQ(dispatcher.ActiveLanguage(), 2);
    EXPECT_EQ(dispatcher.Language(), "German");

    TlcLangDispatcher empty;
    empty.SetLangNames({});
    empty.SetLanguage("Klingon");
    EXPECT_EQ(empty.Language(), "Klingon");
    EXPECT_EQ(empty.ActiveLanguage(), 1);
}

TEST_F(Dispatcher, LinkingHandsOverTheLanguagesOnceAndKeepsOneEntry) {
    dispatcher.SetActiveLanguage(3);
    Window a, b;
    int events = 0;
    dispatcher.OnLinkToDispatcher = [&](TlcLangDispatcher& d, TlcCustomLang& l) {
        EXPECT_EQ(&d, &dispatcher);
        EXPECT_EQ(l.ActiveLanguage(), 3);
        ++events;
    };
    a.lang->SetNumOfLanguages(1);
    a.lang->SetLangDispatcher(&dispatcher);
    EXPECT_EQ(events, 1);
    EXPECT_EQ(a.lang->NumOfLanguages(), 3);
    EXPECT_EQ(a.lang->LangNames().Lines(), dispatcher.LangNames().Lines());
    EXPECT_EQ(a.lang->Language(), "French");
    b.lang->SetLangDispatcher(&dispatcher);
    EXPECT_EQ(b.btnOK->Caption, "D'accord");
    dispatcher.LinkLangToDispatcher(a.lang);
    EXPECT_EQ(dispatcher.LinkedLangs(), (std::vector<TlcCustomLang*>{b.lang, a.lang}));
}

TEST_F(Dispatcher, SwitchSurvivesHandlersThatFreeAndCreateWindows) {
    auto a = std::make_unique<Window>();
    auto b = std::make_unique<Window>();
    auto c = std::make_unique<Window>();
    std::unique_ptr<Window> created;
    for (Window* w : {a.get(), b.get(), c.get()}) w->lang->SetLangDispatcher(&dispatcher);
    int switchedC = 0;
    c->lang->OnChangeLanguage = [&](TlcCustomLang&) { ++switchedC; };
    a->lang->OnChangeLanguage = [&](TlcCustomLang&) {
        b.reset();
        if (!created) {
            created = std::make_unique<Window>();
            created->lang->SetLangDispatcher(&dispatcher);
        }
    };
    dispatcher.SetActiveLanguage(2);
    EXPECT_EQ(switchedC, 1);
    EXPECT_EQ(c->form->Caption, "Optionen");
    ASSERT_TRUE(created);
    EXPECT_EQ(created->form->Caption, "Optionen");
    EXPECT_EQ(dispatcher.LinkedLangs().size(), 3u);
}

TEST_F(Dispatcher, FreeingEitherSideUnlinks) {
    auto d = std::make_unique<TlcLangDispatcher>();
    d->SetLangNames({"English", "German", "French"});
    Window a;
    {
        Window b;
        a.lang->SetLangDispatcher(d.get());
        b.lang->SetLangDispatcher(d.get());
    }
    EXPECT_EQ(d->LinkedLangs(), std::vector<TlcCustomLang*>{a.lang});
    d.reset();
    EXPECT_EQ(a.lang->LangDispatcher(), nullptr);
    a.lang->SetActiveLanguage(2);  // still works alone
    EXPECT_EQ(a.form->Caption, "Optionen");
}

// ---- window definitions ----

class Definition : public Dispatcher {
protected:
    void SetUp() override {
        Dispatcher::SetUp();
        main.SetName("MainForm");
        dispatcher.SetName("Dispatcher");
        main.InsertComponent(&dispatcher);
        core::RootComponents::Add(&main);
    }
    void TearDown() override {
        core::RootComponents::Remove(&main);
        main.RemoveComponent(&dispatcher);
    }
    std::vector<std::uint8_t> Saved(Window& w) {
        w.form->SetName("OptionsForm");
        w.lang->ExcludedProperties.List().Add("FileName");
        w.lang->SetLangDispatcher(&dispatcher);
        return core::WriteComponentToBytes(*w.form);
    }
    testing::TTestForm main;
};

TEST_F(Definition, RoundTripKeepsListsAndSettings) {
    Window w;
    auto bytes = Saved(w);
    testing::TTestForm read;
    core::ReadComponentFromBytes(read, bytes);
    auto* lang = dynamic_cast<TlcLang*>(read.FindComponent("lcLang"));
    ASSERT_NE(lang, nullptr);
    EXPECT_EQ(lang->Tables().Lists(), w.lang->Tables().Lists());
    EXPECT_EQ(lang->LangNames().Lines(), w.lang->LangNames().Lines());
    EXPECT_EQ(lang->ExcludedProperties.Lines(), std::vector<std::string>{"FileName"});
    EXPECT_EQ(lang->StringsTypes.Lines(), (std::vector<std::string>{"TIB_STRINGLIST", "TSTRINGLIST"}));
    EXPECT_EQ(lang->LangDelim(), '\x01');
    EXPECT_EQ(lang->Language(), "English");
    EXPECT_EQ(lang->LangDispatcher(), &dispatcher);
    EXPECT_TRUE(dispatcher.IsLinked(lang));
    EXPECT_EQ(lang->TextByIdOrDefault("ids_1"), "Ready");
    dispatcher.SetActiveLanguage(2);
    auto* btnOK = dynamic_cast<testing::TControl*>(read.FindComponent("btnOK"));
    EXPECT_EQ(btnOK->Hint, "Übernehmen");
    EXPECT_EQ(read.Caption, "Optionen");
    auto* lv = dynamic_cast<testing::TListView*>(read.FindComponent("lvTasks"));
    EXPECT_EQ(lv->Column(1)->Caption, "Nächster Lauf");
    dispatcher.SetActiveLanguage(1);
}

TEST_F(Definition, LoadingExcludesAndBuildsTheTableBeforeLinking) {
    Window w;
    w.lang->ExcludedProperties.List().Add("Hint");
    auto bytes = Saved(w);
    dispatcher.SetActiveLanguage(2);

    testing::TTestForm read;
    auto* lang = read.Create<TlcLang>();
    lang->SetName("lcLang");
    std::string seenText, seenHint;
    int calls = 0;
    lang->OnChangeLanguage = [&](TlcCustomLang& l) {
        ++calls;
        seenText = l.TextByIdOrDefault("IDS_1");
        seenHint = dynamic_cast<testing::TControl*>(read.FindComponent("btnOK"))->Hint;
    };
    core::ReadComponentFromBytes(read, bytes);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seenText, "Bereit");
    EXPECT_EQ(seenHint, "Accept");  // the excluded hints were never applied
    EXPECT_EQ(read.Caption, "Optionen");
    dispatcher.SetActiveLanguage(1);
}

TEST_F(Definition, TabDelimitedListsEndWithTheDefaultDelimiter) {
    Window w;
    const TranslationLists original = w.lang->Tables().Lists();
    w.lang->SetLangDelim('\t');
    auto bytes = Saved(w);
    testing::TTestForm read;
    core::ReadComponentFromBytes(read, bytes);
    auto* lang = dynamic_cast<TlcLang*>(read.FindComponent("lcLang"));
    ASSERT_NE(lang, nullptr);
    EXPECT_EQ(lang->LangDelim(), '\x01');
    EXPECT_EQ(lang->Tables().Lists(), original);
}

TEST_F(Definition, ASecondTranslationComponentInADefinitionFailsToLoad) {
    Window w;
    auto bytes = Saved(w);
    testing::TTestForm read;
    auto* other = read.Create<TlcLangLinked>();
    other->SetName("lcOther");
    EXPECT_THROW(core::ReadComponentFromBytes(read, bytes), core::Error);
}

}  // namespace
}  // namespace lark::localization
