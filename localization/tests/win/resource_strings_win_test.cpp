// Resource strings of a real string table follow the dispatcher's language, and test mode
// measures a real text on the screen.
#include <windows.h>

#include <gtest/gtest.h>

#include "lang_window.h"
#include "localization/resource_strings.h"
#include "localization/win/platform_win.h"

namespace lark::localization {
namespace {

using testing::Line;
using testing::Window;

TEST(ResourceStringsWin, TheProgramsStringTableSwitchesLanguage) {
    testing::RegisterTestClasses();
    win::InstallWin32Localization();
    EXPECT_EQ(TranslatedLoadResString(0, 100), "Ready");
    EXPECT_EQ(TranslatedLoadResString(0, 999), "");  // no such string

    TlcLangDispatcher dispatcher;
    dispatcher.SetLangNames({"English", "German", "French"});
    Window w;
    *w.lang->ListOfKind(TStringsType::stStrings) = {Line({"IDS_R", "Ready", "Bereit", "Prêt"}),
                                                    Line({"IDS_C", "Cancel", "Abbrechen", "Annuler"})};
    w.lang->Tables().HandleResourceStrings = true;
    w.lang->SetLoading(true);
    w.lang->SetLangDispatcher(&dispatcher);
    w.lang->Loaded();
    ASSERT_EQ(ResourceStringTranslator(), w.lang);
    struct Row {
        int language;
        const char* ready;
        const char* cancel;
    } rows[] = {{2, "Bereit", "Abbrechen"}, {3, "Prêt", "Annuler"}, {1, "Ready", "Cancel"}};
    for (const Row& r : rows) {
        dispatcher.SetActiveLanguage(r.language);
        EXPECT_EQ(TranslatedLoadResString(0, 100), r.ready) << r.language;
        EXPECT_EQ(TranslatedLoadResString(0, 101), r.cancel) << r.language;
        EXPECT_EQ(TranslatedLoadResString(0, 102), "Not translated") << r.language;
    }
}

TEST(ResourceStringsWin, TestModeMeasuresOnTheScreen) {
    const int abc = win::TestModeTextWidth("abc");
    ASSERT_GT(abc, 0);
    EXPECT_EQ(win::TestModeTextWidth(""), 0);
    EXPECT_GT(win::TestModeTextWidth("WWWW"), win::TestModeTextWidth("iiii"));
    const int twice = win::TestModeTextWidth("abcabc");
    EXPECT_GE(twice, 2 * abc - 2);
    EXPECT_LE(twice, 2 * abc + 2);
    // Expanded by 100 %: at least twice as wide, the upper-case text with padding inside.
    const std::string expanded = ExpandWidth("Cancel", '*', 100, [](std::string_view t) { return win::TestModeTextWidth(t); });
    EXPECT_GE(win::TestModeTextWidth(expanded), 2 * win::TestModeTextWidth("Cancel"));
    std::string letters = expanded;
    std::erase(letters, '*');
    EXPECT_EQ(letters, "CANCEL");
    EXPECT_NE(expanded.find('*'), std::string::npos);
}

}  // namespace
}  // namespace lark::localization
