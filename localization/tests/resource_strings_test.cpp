#include <gtest/gtest.h>

#include <map>

#include "localization/errors.h"
#include "localization/resource_strings.h"
#include "lang_window.h"

namespace lark::localization {
namespace {

using testing::Line;
using testing::Window;
using K = TStringsType;

// A string table per module.
class FakeStringTable : public ResourceStringSource {
public:
    std::string Load(std::uintptr_t module, unsigned identifier) override {
        ++loads;
        auto it = texts.find({module, identifier});
        return it == texts.end() ? std::string() : it->second;
    }
    std::map<std::pair<std::uintptr_t, unsigned>, std::string> texts;
    int loads = 0;
};

class ResourceStrings : public ::testing::Test {
protected:
    void SetUp() override {
        testing::RegisterTestClasses();
        table.texts = {{{1, 100}, "Ready"}, {{1, 101}, "Unknown text"}, {{1, 102}, "Cancel"}, {{1, 103}, std::string(2000, 'x')}};
        SetResourceStringSource(&table);
        dispatcher.SetLangNames({"English", "German", "French"});
    }
    void TearDown() override { SetResourceStringSource(nullptr); }

    // A window whose component serves resource strings once it finishes loading.
    std::unique_ptr<Window> Translator() {
        auto w = std::make_unique<Window>();
        *w->lang->ListOfKind(K::stStrings) = {Line({"IDS_1", "Ready", "Bereit", "Prêt"}),
                                              Line({"IDS_2", "Cancel", "", "Annuler"})};
        w->lang->Tables().HandleResourceStrings = true;
        w->lang->SetLoading(true);
        w->lang->SetLangDispatcher(&dispatcher);
        w->lang->Loaded();
        return w;
    }

    FakeStringTable table;
    TlcLangDispatcher dispatcher;
};

TEST_F(ResourceStrings, FollowTheDispatchersLanguage) {
    EXPECT_EQ(TranslatedLoadResString(1, 100), "Ready");  // no translator yet
    auto w = Translator();
    ASSERT_EQ(ResourceStringTranslator(), w->lang);
    struct Row {
        int language;
        const char* ready;
        const char* cancel;
    } rows[] = {{2, "Bereit", "Cancel"}, {3, "Prêt", "Annuler"}, {1, "Ready", "Cancel"}};
    for (const Row& r : rows) {
        dispatcher.SetActiveLanguage(r.language);
        EXPECT_EQ(TranslatedLoadResString(1, 100), r.ready) << r.language;
        EXPECT_EQ(TranslatedLoadResString(1, 102), r.cancel) << r.language;  // empty German keeps the text
        EXPECT_EQ(TranslatedLoadResString(1, 101), "Unknown text");
        EXPECT_EQ(TranslatedLoadResString("Ready"), r.ready);  // a literal text
    }
    EXPECT_EQ(TranslatedLoadResString(1, 103).size(), kMaxResourceStringLength);
    EXPECT_EQ(TranslatedLoadResString(2, 100), "");  // a module without that string

    // A second qualifying component does not take over; the first one's end frees the place.
    auto second = Translator();
    EXPECT_EQ(ResourceStringTranslator(), w->lang);
    w.reset();
    EXPECT_EQ(ResourceStringTranslator(), nullptr);
    dispatcher.SetActiveLanguage(2);
    EXPECT_EQ(TranslatedLoadResString(1, 100), "Ready");
}

TEST_F(ResourceStrings, TheResourceLanguageIsCheckedAndBecomesTheSearchColumn) {
    auto w = Translator();
    dispatcher.SetActiveLanguage(1);
    try {
        w->lang->SetResourceLanguageIndex(4);
        FAIL();
    } catch (const ELanguageError& e) {
        EXPECT_STREQ(e.what(), "4 - is not a valid property value!\rValue must be within [1..3]!");
    }
    EXPECT_THROW(w->lang->SetResourceLanguageIndex(0), ELanguageError);
    EXPECT_EQ(w->lang->ResourceLanguageIndex(), 1);
    // Resource strings written in French: a French text is found and given in English.
    w->lang->SetResourceLanguageIndex(3);
    table.texts[{1, 200}] = "Prêt";
    EXPECT_EQ(TranslatedLoadResString(1, 200), "Ready");
    dispatcher.SetActiveLanguage(3);
    EXPECT_EQ(TranslatedLoadResString(1, 200), "Prêt");  // the resource language itself: as loaded
    // With fewer languages than the resource language, nothing is translated.
    dispatcher.SetActiveLanguage(2);
    w->lang->SetNumOfLanguages(2);
    EXPECT_EQ(TranslatedLoadResString(1, 200), "Prêt");
    // While loading any value is taken.
    w->lang->SetLoading(true);
    w->lang->SetResourceLanguageIndex(9);
    EXPECT_EQ(w->lang->ResourceLanguageIndex(), 9);
}

TEST_F(ResourceStrings, TestModeShowsUntranslatedResourceStrings) {
    auto w = Translator();
    dispatcher.TestModeInfo().Active = true;
    dispatcher.TestModeInfo().Kind = TTestModeKind::tmkFlipCase;
    dispatcher.SetActiveLanguage(2);
    EXPECT_EQ(TranslatedLoadResString(1, 102), "cANCEL");
    EXPECT_EQ(TranslatedLoadResString(1, 100), "Bereit");
}

// The transforms of test mode, one row each.
TEST(TestMode, Transforms) {
    auto chars = [](std::string_view t) {
        int n = 0;
        for (char c : t) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        return n;
    };
    auto noWidthPadding = [](std::string_view t) { return static_cast<int>(std::count_if(t.begin(), t.end(), [](char c) { return c != '*'; })); };
    struct Row {
        const char* what;
        std::string got, want;
    } rows[] = {
        {"flip case", FlipCase("Abc1"), "aBC1"},
        {"flip case of accented letters", FlipCase("Éte"), "éTE"},
        {"expand chars 100%", ExpandChars("abc", '*', 100), "a*b*c*"},
        {"expand chars 50%: the formula, not the old example", ExpandChars("abc", '*', 50), "abc*"},
        {"expand chars OK", ExpandChars("OK", '*', 100), "O*K*"},
        {"expand chars of nothing", ExpandChars("", '*', 100), ""},
        {"expand chars negative", ExpandChars("abc", '*', -50), "abc"},
        {"expand chars counts in 64 bits", std::to_string(ExpandChars("ab", '*', 1200000000).size()), "24000002"},
        {"expand width by characters", ExpandWidth("abc", '*', 100, chars), "AB***C"},
        {"expand width of a wide text inserts nothing", ExpandWidth("abc", '*', 0, chars), "ABC"},
        {"expand width negative", ExpandWidth("abc", '*', -100, chars), "ABC"},
        {"expand width of nothing", ExpandWidth("", '*', 100, chars), ""},
        {"expand width with a padding of no width stops", ExpandWidth("abc", '*', 100, noWidthPadding), "AB*C"},
    };
    for (const Row& r : rows) EXPECT_EQ(r.got, r.want) << r.what;
}

}  // namespace
}  // namespace lark::localization
