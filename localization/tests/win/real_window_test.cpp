// A language switch reaches real windows: captions published over window texts change with
// the dispatcher and come back exactly.
#include "ui/win32.h"

#include <gtest/gtest.h>

#include "localization/lang_component.h"
#include "localization/lang_dispatcher.h"
#include "ui/form.h"
#include "ui/standard_controls.h"
#include "win/text.h"

namespace lark::localization {
namespace {

std::string WindowText(HWND hwnd) {
    wchar_t buffer[256];
    int n = GetWindowTextW(hwnd, buffer, 256);
    return win::Narrow(std::wstring(buffer, static_cast<std::size_t>(n)));
}

std::string Line(std::initializer_list<std::string_view> fields) {
    std::string out;
    for (std::string_view f : fields) out += std::string(f) + '\x01';
    return out;
}

TEST(RealWindow, SwitchingLanguagesChangesWindowTexts) {
    ui::Form form;
    form.SetCaption("Options");
    form.SetBounds(0, 0, 300, 200);
    auto* button = form.Create<ui::Button>();
    button->SetName("btnClose");
    button->SetText("Close");
    button->SetBounds(10, 10, 80, 24);
    button->SetParent(&form);
    HWND formWindow = form.Handle();
    HWND buttonWindow = button->Handle();
    ASSERT_NE(buttonWindow, nullptr);
    TlcLang* lang = form.Create<TlcLang>();
    lang->SetName("lcLang");
    lang->SetNumOfLanguages(3);
    auto& t = lang->Tables();
    *t.ListOfKind(TStringsType::stCaptions) = {
        Line({"TForm", "Options", "Einstellungen", "Options"}),
        Line({"btnClose", "Close", "Schlie\xC3\x9F" "en", "Fermer l'\xC3\xA9" "cran"}),
    };
    t.RebuildLookupTables();

    TlcLangDispatcher dispatcher;
    dispatcher.SetLangNames({"English", "German", "French"});
    lang->SetLangDispatcher(&dispatcher);

    struct Expect {
        int language;
        const char* form;
        const char* button;
    } expects[] = {
        {2, "Einstellungen", "Schlie\xC3\x9F" "en"},
        {3, "Options", "Fermer l'\xC3\xA9" "cran"},
        {1, "Options", "Close"},
    };
    for (const Expect& e : expects) {
        dispatcher.SetActiveLanguage(e.language);
        EXPECT_EQ(WindowText(formWindow), e.form) << e.language;
        EXPECT_EQ(WindowText(buttonWindow), e.button) << e.language;
    }
}

}  // namespace
}  // namespace lark::localization
