// The dialog-caption list (defaults, growing and shrinking with NeedAllDlgs) and the linked
// translation component that copies it, with the locales, from its common container.
#include <gtest/gtest.h>

#include "core/component_stream.h"
#include "localization/dialog_captions.h"
#include "lang_window.h"

namespace lark::localization {
namespace {

using testing::Line;
using testing::Window;
using K = TStringsType;

struct DialogCaptions : ::testing::Test {
    void SetUp() override { testing::RegisterTestClasses(); }
    static std::vector<std::string> Ids(const StringList& list) {
        std::vector<std::string> out;
        for (const auto& l : list) out.push_back(DelimitedField(l, '\x01', 0));
        return out;
    }
};

TEST_F(DialogCaptions, ANewComponentHoldsTheFifteenDefaultLines) {
    TlcLang lang;
    const StringList& list = *lang.ListOfKind(K::stDlgsCaptions);
    ASSERT_EQ(list.size(), 15u);
    EXPECT_EQ(list[0], Line({"Warning", "Warning"}));
    EXPECT_EQ(list[12], Line({"No To All", "N&o To All"}));
    EXPECT_EQ(list[14], Line({"Help", "&Help"}));
    EXPECT_EQ(lang.LookupText(K::stDlgsCaptions, "yes to all", true), "Y&es To All");
}

TEST_F(DialogCaptions, AllDialogsGrowsToEightyTwoAndShrinksBackWithoutRegardToCase) {
    Window w;
    StringList& list = *w.lang->ListOfKind(K::stDlgsCaptions);
    // A window definition's own three-language lines, one identifier in other case.
    list[4] = Line({"YES", "&Yes", "&Ja", "&Oui"});
    w.lang->SetNeedAllDlgs(true);
    ASSERT_EQ(list.size(), 82u);
    EXPECT_EQ(list[15], Line({"Open", "&Open"}));
    EXPECT_EQ(list[28], Line({"|Solid", "|S&olid"}));
    EXPECT_EQ(list[81], Line({"(None)", "(None)"}));
    w.lang->SetNeedAllDlgs(false);
    ASSERT_EQ(list.size(), 15u);
    EXPECT_EQ(list[4], Line({"YES", "&Yes", "&Ja", "&Oui"}));
    // A list of another length is the definition's own: left alone.
    list.pop_back();
    w.lang->SetNeedAllDlgs(true);
    EXPECT_EQ(list.size(), 14u);
}

TEST_F(DialogCaptions, AllDialogsSetInADefinitionGrowsTheListWhenLoadingEnds) {
    Window w;
    w.lang->SetNeedAllDlgs(true);
    ASSERT_EQ(w.lang->ListOfKind(K::stDlgsCaptions)->size(), 82u);
    const auto bytes = core::WriteComponentToBytes(*w.form);
    testing::TTestForm read;
    core::ReadComponentFromBytes(read, bytes);
    auto* lang = dynamic_cast<TlcLang*>(read.FindComponent("lcLang"));
    ASSERT_NE(lang, nullptr);
    EXPECT_TRUE(lang->NeedAllDlgs());
    EXPECT_EQ(lang->ListOfKind(K::stDlgsCaptions)->size(), 82u);
}

struct Linked : DialogCaptions {
    Window main;  // the common container's window
    std::unique_ptr<testing::TTestForm> second = std::make_unique<testing::TTestForm>();
    TlcLangLinked* linked = second->Create<TlcLangLinked>();

    void SetUp() override {
        DialogCaptions::SetUp();
        *main.lang->ListOfKind(K::stDlgsCaptions) = {Line({"Confirm", "Confirm", "Bestätigen", "Confirmation"}),
                                                    Line({"Cancel", "Cancel", "&Abbrechen", "&Annuler"})};
        *main.lang->ListOfKind(K::stLocales) = {Line({"Date Separator", "/", ".", "/"})};
    }
};

TEST_F(Linked, CopiesTheContainersListsWithItsOwnDelimiter) {
    main.lang->SetLangDelim('\t');
    linked->SetCommonContainer(main.lang);
    EXPECT_EQ(*linked->ListOfKind(K::stDlgsCaptions), main.lang->Tables().Lists().ListOfKind(K::stDlgsCaptions)
                                                          ? (StringList{Line({"Confirm", "Confirm", "Bestätigen", "Confirmation"}),
                                                                        Line({"Cancel", "Cancel", "&Abbrechen", "&Annuler"})})
                                                          : StringList{});
    EXPECT_EQ(*linked->ListOfKind(K::stLocales), StringList{Line({"Date Separator", "/", ".", "/"})});
    linked->SetNumOfLanguages(3);
    linked->SetActiveLanguage(2);
    EXPECT_EQ(linked->LookupText(K::stDlgsCaptions, "cancel", true), "&Abbrechen");
}

TEST_F(Linked, ItselfIsIgnoredAndRerunningTheLinkChangesNothing) {
    linked->SetCommonContainer(linked);
    EXPECT_EQ(linked->CommonContainer(), nullptr);
    linked->SetCommonContainer(main.lang);
    const TranslationLists once = linked->Tables().Lists();
    linked->Loaded();
    linked->Loaded();
    EXPECT_EQ(linked->Tables().Lists(), once);
}

TEST_F(Linked, FreeingTheContainerFirstDropsTheLinkAndKeepsTheCopies) {
    linked->SetCommonContainer(main.lang);
    delete main.lang;
    main.lang = nullptr;
    EXPECT_EQ(linked->CommonContainer(), nullptr);
    EXPECT_EQ(Ids(*linked->ListOfKind(K::stDlgsCaptions)), (std::vector<std::string>{"Confirm", "Cancel"}));
}

TEST_F(Linked, FreeingTheLinkedWindowFirstLeavesTheContainerNothingToNotify) {
    linked->SetCommonContainer(main.lang);
    second.reset();
    // The container's removal must not reach the freed component (ASan sees it if it does).
    delete main.lang;
    main.lang = nullptr;
    SUCCEED();
}

TEST_F(Linked, SettingAnotherContainerAtRunTimeReplacesBothLists) {
    linked->SetCommonContainer(main.lang);
    Window other;
    *other.lang->ListOfKind(K::stDlgsCaptions) = {Line({"Error", "Error", "Fehler", "Erreur"})};
    other.lang->ListOfKind(K::stLocales)->clear();
    linked->SetCommonContainer(other.lang);
    EXPECT_EQ(Ids(*linked->ListOfKind(K::stDlgsCaptions)), std::vector<std::string>{"Error"});
    EXPECT_TRUE(linked->ListOfKind(K::stLocales)->empty());
}

TEST_F(Linked, ADefinitionNamesItsContainerOnAnotherWindowAndNeverStoresTheCopies) {
    main.form->SetName("MainWin");
    core::RootComponents::Add(main.form.get());
    linked->SetName("lcLang");
    linked->SetCommonContainer(main.lang);
    const auto bytes = core::WriteComponentToBytes(*second);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.find("Bestätigen"), std::string::npos);
    EXPECT_NE(text.find("MainWin.lcLang"), std::string::npos);

    testing::TTestForm read;
    core::ReadComponentFromBytes(read, bytes);
    auto* copy = dynamic_cast<TlcLangLinked*>(read.FindComponent("lcLang"));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->CommonContainer(), main.lang);
    // The reference was resolved before loading ended, so the lists were copied then.
    EXPECT_EQ(Ids(*copy->ListOfKind(K::stDlgsCaptions)), (std::vector<std::string>{"Confirm", "Cancel"}));
    core::RootComponents::Remove(main.form.get());
}

TEST_F(Linked, CopiesOfTheCommonListsNeverAnswerForAnotherComponent) {
    TlcLangDispatcher dispatcher;
    dispatcher.SetLangNames({"English", "German", "French"});
    linked->SetLangDispatcher(&dispatcher);  // linked first, holding only the English defaults
    main.lang->SetLangDispatcher(&dispatcher);
    Window asking;
    asking.lang->Options = core::SetValue{1u << static_cast<int>(TlcLangOption::loUseExtCommonStrings)};
    asking.lang->SetLangDispatcher(&dispatcher);
    dispatcher.SetActiveLanguage(2);
    EXPECT_EQ(asking.lang->LookupText(K::stDlgsCaptions, "Cancel", true), "&Abbrechen");
}

}  // namespace
}  // namespace lark::localization
