// The spin edit on a dialog read from its definition: typing takes digits only, the value is
// clamped while typing and the text on leaving, Enter presses the default button, the arrow keys
// and a held button step it, and each language is pictured.
#include "uicomponents/spin_edit.h"

#include <gtest/gtest.h>

#include <chrono>

#include "gui_testing/form_driver.h"
#include "gui_testing/process.h"
#include "localization/lang_component.h"
#include "localization/lang_dispatcher.h"
#include "ui/application.h"
#include "ui/menus.h"
#include "uicomponents/register.h"
#include "uicomponents/tray_icon.h"
#include "uicomponents/version_info.h"
#include "win/registration.h"
#include "win/text.h"

namespace lark::ui {

class SpinSample : public Form {
    LARK_PERSISTENT_CLASS(SpinSample)
public:
    explicit SpinSample(core::Component* owner = nullptr) : Form(owner) {}
    localization::TlcLangDispatcher* lcDispatcher = nullptr;
    SpinEdit* seAutoSave = nullptr;
    SpinEdit* seDayOfMonth = nullptr;
    VersionInfo* UiVersionInfo = nullptr;
    TrayIcon* TrayIcon = nullptr;
    std::vector<std::string> exitTexts;
    int restores = 0, doubleClicks = 0;

private:
    void seAutoSaveExit(core::Component&) { exitTexts.push_back(seAutoSave->Text()); }
    void miRestoreClick(core::Component&) { ++restores; }
    void TrayIconDblClick(core::Component&) { ++doubleClicks; }
};

LARK_DEFINE_CLASS(SpinSample) {
    return core::ClassBuilder<SpinSample>("TSpinSample", &Form::StaticClass())
        .Binds("lcDispatcher", &SpinSample::lcDispatcher)
        .Binds("seAutoSave", &SpinSample::seAutoSave)
        .Binds("seDayOfMonth", &SpinSample::seDayOfMonth)
        .Binds("UiVersionInfo", &SpinSample::UiVersionInfo)
        .Binds("TrayIcon", &SpinSample::TrayIcon)
        .Handler("seAutoSaveExit", &SpinSample::seAutoSaveExit)
        .Handler("miRestoreClick", &SpinSample::miRestoreClick)
        .Handler("TrayIconDblClick", &SpinSample::TrayIconDblClick)
        .Build();
}

namespace {

using lark::testing::FormDriver;

class SpinEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterUiComponents();
        (void)localization::TlcLang::StaticClass();
        (void)localization::TlcLangDispatcher::StaticClass();
        Application::Instance().ShowError = [this](const std::string& text) { shown.push_back(text); };
        form = Form::Make<SpinSample>(nullptr);
    }
    void TearDown() override {
        form.reset();
        Application::Instance().ShowError = nullptr;
        EXPECT_EQ(shown, std::vector<std::string>{});
    }
    void Char(const char* component, wchar_t c) {
        FormDriver driver(*form);
        SendMessageW(driver.Window(component), WM_CHAR, c, 0);
    }
    std::unique_ptr<SpinSample> form;
    std::vector<std::string> shown;
};

TEST_F(SpinEditTest, TheDefinitionGivesLimitsValueAndTheProgramsOwnFile) {
    EXPECT_EQ(form->seAutoSave->MinValue(), 1);
    EXPECT_EQ(form->seAutoSave->MaxValue(), 1000);
    EXPECT_EQ(form->seAutoSave->Value(), 15);
    EXPECT_EQ(win::Widen(form->UiVersionInfo->FileName()), win::ModulePath(nullptr));
    // The tray icon of a definition: its menu and handler bound, nothing shown without an icon.
    ASSERT_NE(form->TrayIcon->GetPopupMenu(), nullptr);
    EXPECT_EQ(form->TrayIcon->Hint(), "Scheduler|The scheduler of unattended transfers");
    EXPECT_FALSE(form->TrayIcon->Added());
    SendMessageW(form->TrayIcon->Handle(), TrayIcon::kCallbackMessage, 0, WM_LBUTTONDBLCLK);
    EXPECT_EQ(form->restores, 1) << "the menu's default item";
    form->TrayIcon->GetPopupMenu()->Items()[0]->SetDefault(false);
    SendMessageW(form->TrayIcon->Handle(), TrayIcon::kCallbackMessage, 0, WM_LBUTTONDBLCLK);
    EXPECT_EQ(form->doubleClicks, 1);
}

TEST_F(SpinEditTest, AValueReadBetweenItsLimitsKeepsItsNumber) {
    // A definition may give MinValue, then Value, then MaxValue.
    SpinEdit edit;
    edit.SetLoading(true);
    edit.SetProp("MinValue", core::Value(std::int64_t(1)));
    edit.SetProp("Value", core::Value(std::int64_t(15)));
    edit.SetProp("MaxValue", core::Value(std::int64_t(1000)));
    edit.SetLoading(false);
    EXPECT_EQ(edit.Value(), 15);
}

TEST_F(SpinEditTest, TypingTakesDigitsOnly) {
    form->Show();
    FormDriver driver(*form);
    driver.Type("seAutoSave", "");
    for (wchar_t c : std::wstring(L"4a2.x\r"))
        if (c != L'.') Char("seAutoSave", c);
    EXPECT_EQ(driver.Text("seAutoSave"), "42");
    form->seAutoSave->SetEditorEnabled(false);
    Char("seAutoSave", L'7');
    Char("seAutoSave", L'\b');
    EXPECT_EQ(driver.Text("seAutoSave"), "42");
}

TEST_F(SpinEditTest, ValueIsClampedWhileTypingAndTheTextOnLeaving) {
    form->Show();
    FormDriver driver(*form);
    driver.Window("seAutoSave");
    form->seAutoSave->SetFocus();
    driver.Type("seAutoSave", "5000");
    EXPECT_EQ(form->seAutoSave->Value(), 1000) << "never more than MaxValue, even before leaving";
    EXPECT_EQ(driver.Text("seAutoSave"), "5000");
    driver.Key(VK_TAB);
    EXPECT_EQ(driver.Focused(), "seDayOfMonth");
    EXPECT_EQ(driver.Text("seAutoSave"), "1000");
    EXPECT_EQ(form->exitTexts, std::vector<std::string>{"5000"}) << "OnExit sees the text as typed";

    form->seAutoSave->SetFocus();
    driver.Type("seAutoSave", "");
    driver.Key(VK_TAB);
    EXPECT_EQ(driver.Text("seAutoSave"), "1") << "an empty field becomes MinValue";

    form->seAutoSave->SetValue(-20);
    EXPECT_EQ(driver.Text("seAutoSave"), "1");
}

TEST_F(SpinEditTest, EnterPressesTheDefaultButtonWithTheClampedValue) {
    FormDriver driver(*form);
    const ModalResult result = driver.RunModal([](FormDriver& d) {
        EXPECT_EQ(d.Focused(), "seAutoSave");
        d.Type("seAutoSave", "7000");
        d.Key(VK_RETURN);
    });
    EXPECT_EQ(result, ModalResult::Ok);
    EXPECT_EQ(form->seAutoSave->Value(), 1000);
}

TEST_F(SpinEditTest, ArrowKeysStepAndSaturate) {
    FormDriver driver(*form);
    driver.RunModal([&](FormDriver& d) {
        d.Key(VK_UP);
        d.Key(VK_UP);
        EXPECT_EQ(d.Text("seAutoSave"), "17");
        d.Key(VK_DOWN);
        EXPECT_EQ(d.Text("seAutoSave"), "16");
        form->seAutoSave->SetIncrement(2000000000);
        d.Key(VK_UP);
        d.Key(VK_UP);
        EXPECT_EQ(d.Text("seAutoSave"), "1000");
        form->seAutoSave->SetMaxValue(0);
        form->seAutoSave->SetMinValue(0);
        d.Key(VK_UP);
        d.Key(VK_UP);
        EXPECT_EQ(d.Text("seAutoSave"), "2147483647") << "no limits: saturates at 32 bits";
        form->seAutoSave->SetReadOnly(true);
        d.Key(VK_DOWN);
        EXPECT_EQ(d.Text("seAutoSave"), "2147483647") << "read-only: beeps, no step";
    });
}

TEST_F(SpinEditTest, AHeldButtonRepeatsUntilReleased) {
    form->Show();
    FormDriver driver(*form);
    HWND buttons = form->seDayOfMonth->Buttons();
    ASSERT_NE(buttons, nullptr);
    RECT r{};
    GetClientRect(buttons, &r);
    POINT at{r.right / 2, r.bottom / 4};
    const LPARAM upper = MAKELPARAM(at.x, at.y);
    // As a user does: the pointer rests on the up arrow (the control follows the real pointer
    // while it repeats), and the button is pressed there.
    ClientToScreen(buttons, &at);
    SetCursorPos(at.x, at.y);
    driver.Pump();
    PostMessageW(buttons, WM_LBUTTONDOWN, MK_LBUTTON, upper);
    driver.Pump();
    EXPECT_EQ(form->seDayOfMonth->Value(), 2) << "the press steps once at once";
    ASSERT_TRUE(lark::testing::PumpUntil([&] { return form->seDayOfMonth->Value() >= 5; }, std::chrono::seconds(5)))
        << "held: repeats";
    PostMessageW(buttons, WM_LBUTTONUP, 0, upper);
    driver.Pump();
    const int released = form->seDayOfMonth->Value();
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(600);
    lark::testing::PumpUntil([&] { return std::chrono::steady_clock::now() > until; }, std::chrono::seconds(1));
    EXPECT_EQ(form->seDayOfMonth->Value(), released) << "released: stops";
}

TEST_F(SpinEditTest, EachLanguageIsShownAndFits) {
    form->Show();
    FormDriver driver(*form);
    const char* pictures[] = {"spin_edit_english", "spin_edit_deutsch", "spin_edit_francais"};
    const char* labels[] = {"&Save every (minutes):", "&Speichern alle (Minuten):", "&Enregistrer toutes les (min) :"};
    for (int language = 1; language <= 3; ++language) {
        form->lcDispatcher->SetActiveLanguage(language);
        driver.Pump();
        EXPECT_EQ(driver.Text("lblAutoSave"), labels[language - 1]);
        EXPECT_EQ(lark::testing::OverflowingTexts(*form), std::vector<std::string>{}) << pictures[language - 1];
        driver.Screenshot(pictures[language - 1]);
    }
}

}  // namespace
}  // namespace lark::ui
