// A language switch reaches real windows: captions published over window texts change with
// the dispatcher and come back exactly.
#include <windows.h>

#include <gtest/gtest.h>

#include "core/published.h"
#include "localization/lang_component.h"
#include "localization/lang_dispatcher.h"
#include "win/text.h"

namespace lark::localization {
namespace {

std::string WindowText(HWND hwnd) {
    wchar_t buffer[256];
    int n = GetWindowTextW(hwnd, buffer, 256);
    return win::Narrow(std::wstring(buffer, static_cast<std::size_t>(n)));
}

// A component whose Caption is the text of a real window.
class TWinControl : public core::Component {
    LARK_PERSISTENT_CLASS(TWinControl)
public:
    explicit TWinControl(core::Component* owner = nullptr) : core::Component(owner) {}
    HWND hwnd = nullptr;
    std::string Caption() const { return WindowText(hwnd); }
    void SetCaption(const std::string& text) { SetWindowTextW(hwnd, win::Widen(text).c_str()); }
};

class TWinForm : public TWinControl {
    LARK_PERSISTENT_CLASS(TWinForm)
public:
    TWinForm() {
        hwnd = CreateWindowExW(0, L"STATIC", L"Options", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    }
    ~TWinForm() override {
        BeginDestroy();
        DestroyWindow(hwnd);
    }
};

}  // namespace

LARK_DEFINE_CLASS(TWinControl) {
    return core::ClassBuilder<TWinControl>("TWinControl", &core::Component::StaticClass())
        .Custom(
            "Caption", core::StringType(), [](const TWinControl& c) { return core::Value(c.Caption()); },
            [](TWinControl& c, const core::Value& v) { c.SetCaption(core::AsText(v)); })
        .Build();
}

LARK_DEFINE_CLASS(TWinForm) {
    return core::ClassBuilder<TWinForm>("TWinForm", &TWinControl::StaticClass()).Build();
}

namespace {

std::string Line(std::initializer_list<std::string_view> fields) {
    std::string out;
    for (std::string_view f : fields) out += std::string(f) + '\x01';
    return out;
}

TEST(RealWindow, SwitchingLanguagesChangesWindowTexts) {
    TWinForm form;
    ASSERT_NE(form.hwnd, nullptr);
    auto* button = form.Create<TWinControl>();
    button->SetName("btnClose");
    button->hwnd = CreateWindowExW(0, L"BUTTON", L"Close", WS_CHILD | WS_VISIBLE, 10, 10, 80, 24, form.hwnd, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(button->hwnd, nullptr);
    TlcLang* lang = form.Create<TlcLang>();
    lang->SetName("lcLang");
    lang->SetNumOfLanguages(3);
    auto& t = lang->Tables();
    *t.ListOfKind(TStringsType::stCaptions) = {
        Line({"TWinForm", "Options", "Einstellungen", "Options"}),
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
        EXPECT_EQ(WindowText(form.hwnd), e.form) << e.language;
        EXPECT_EQ(WindowText(button->hwnd), e.button) << e.language;
    }
}

}  // namespace
}  // namespace lark::localization
