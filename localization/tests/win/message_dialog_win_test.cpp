// The translated message box under Wine: captions read back from its windows in each language,
// the keys and the title bar's close, the layout rules, and the message-box interface over it.
#include <gtest/gtest.h>

#include "../lines.h"
#include "gui_testing/form_driver.h"
#include "localization/dialog_captions.h"
#include "localization/message_dialog_win.h"
#include "ui/application.h"
#include "ui/register.h"

namespace lark::localization {
namespace {

using lark::testing::FormDriver;
using lark::testing::kAlt;
using enum MsgDlgBtn;

using testing::Line;

// A main window with its translation component, as the scheduler's.
struct MessageBoxTest : ::testing::Test {
    ui::Form window;
    TlcLang* lang = nullptr;

    void SetUp() override {
        ui::RegisterControls();
        window.SetName("MainWin");
        lang = window.Create<TlcLang>();
        lang->SetLangNames({"English", "Deutsch", "Français"});
        // Identifiers in other case than the box asks for: lookups ignore case.
        *lang->ListOfKind(TStringsType::stDlgsCaptions) = {
            Line({"Confirm", "Confirm", "Bestätigen", "Confirmation"}),
            Line({"WARNING", "Warning", "Warnung", "Avertissement"}),
            Line({"Yes", "&Yes", "&Ja", "&Oui"}),
            Line({"no", "&No", "&Nein", "&Non"}),
            Line({"OK", "OK", "OK", "OK"}),
            Line({"Cancel", "Cancel", "&Abbrechen", "&Annuler"}),
            Line({"yes to all", "Y&es To All", "Ja, &alle", "Oui pour &tous"}),
        };
    }
};

TEST_F(MessageBoxTest, ButtonCaptionsInEachLanguageAndAltF4AnswersCancel) {
    struct Case {
        int language;
        const char* file;
        std::vector<std::string> texts;  // caption, Yes, No, Cancel, Yes_To_All
    };
    const Case cases[] = {
        {1, "message_box_english", {"Confirm", "&Yes", "&No", "Cancel", "Y&es To All"}},
        {2, "message_box_german", {"Bestätigen", "&Ja", "&Nein", "&Abbrechen", "Ja, &alle"}},
        {3, "message_box_french", {"Confirmation", "&Oui", "&Non", "&Annuler", "Oui pour &tous"}},
    };
    for (const Case& c : cases) {
        lang->SetActiveLanguage(c.language);
        auto box = BuildTranslatedMessageForm(lang, "Delete the task \"Nightly backup\"?", MsgDlgType::mtConfirmation,
                                              ButtonSet(mbYes, mbNo, mbCancel, mbYesToAll));
        FormDriver driver(*box);
        std::vector<std::string> texts;
        std::vector<std::string> overflowing;
        const ui::ModalResult result = driver.RunModal([&](FormDriver& d) {
            texts.push_back(box->Caption());  // read from the window while it exists
            for (const char* name : {"Yes", "No", "Cancel", "Yes_To_All"}) texts.push_back(d.Text(name));
            overflowing = lark::testing::OverflowingTexts(*box);
            d.Screenshot(c.file);
            d.Key(VK_F4, kAlt);
        });
        EXPECT_EQ(texts, c.texts) << c.file;
        EXPECT_EQ(overflowing, std::vector<std::string>{}) << c.file;
        EXPECT_EQ(static_cast<int>(result), 2) << c.file;
    }
}

TEST_F(MessageBoxTest, EnterGivesTheDefaultButtonAndEscTheCancelButton) {
    lang->SetActiveLanguage(2);
    struct Case {
        MsgDlgButtons buttons;
        UINT key;
        int expected;
    };
    const Case cases[] = {
        {ButtonSet(mbOK, mbCancel), VK_RETURN, 1},     {ButtonSet(mbOK, mbCancel), VK_ESCAPE, 2},
        {ButtonSet(mbYes, mbNo), VK_RETURN, 6},        {ButtonSet(mbYes, mbNo), VK_ESCAPE, 7},
        {ButtonSet(mbOK), VK_ESCAPE, 1},               {ButtonSet(mbRetry, mbCancel), VK_RETURN, 4},
    };
    for (const Case& c : cases) {
        auto box = BuildTranslatedMessageForm(lang, "Text", MsgDlgType::mtConfirmation, c.buttons);
        FormDriver driver(*box);
        const ui::ModalResult result = driver.RunModal([&](FormDriver& d) { d.Key(c.key); });
        EXPECT_EQ(static_cast<int>(result), c.expected) << c.buttons << " key " << c.key;
    }
}

TEST_F(MessageBoxTest, ASecondaryWindowsBoxTakesItsContainersCaptions) {
    ui::Form options;
    auto* linked = options.Create<TlcLangLinked>();
    linked->SetLangNames({"English", "Deutsch", "Français"});
    linked->SetCommonContainer(lang);
    linked->SetActiveLanguage(2);
    auto box = BuildTranslatedMessageForm(linked, "Text", MsgDlgType::mtWarning, ButtonSet(mbYes, mbNo));
    FormDriver driver(*box);
    EXPECT_EQ(box->Caption(), "Warnung");
    EXPECT_EQ(driver.Text("No"), "&Nein");
}

TEST_F(MessageBoxTest, TheHelpButtonShowsHelpAndLeavesTheBoxOpen) {
    std::vector<std::pair<std::string, int>> asked;
    TMessageForm::HelpHandler() = [&](const std::string& file, int context) { asked.emplace_back(file, context); };
    auto box = BuildTranslatedMessageForm(lang, "Text", MsgDlgType::mtInformation, ButtonSet(mbOK, mbHelp));
    box->SetHelpContext(42);
    box->HelpFile = "scheduler.chm";
    FormDriver driver(*box);
    ui::ModalResult afterHelp = ui::ModalResult::Abort;
    const ui::ModalResult result = driver.RunModal([&](FormDriver& d) {
        d.Click("Help");
        afterHelp = box->GetModalResult();
        d.Click("OK");
    });
    TMessageForm::HelpHandler() = nullptr;
    EXPECT_EQ(afterHelp, ui::ModalResult::None);
    EXPECT_EQ(result, ui::ModalResult::Ok);
    EXPECT_EQ(asked, (std::vector<std::pair<std::string, int>>{{"scheduler.chm", 42}}));
}

TEST_F(MessageBoxTest, WithoutDefaultOrCancelButtonEnterAndEscDoNothingButTheTitleBarCloses) {
    auto box = BuildTranslatedMessageForm(lang, "Text", MsgDlgType::mtError, ButtonSet(mbAbort, mbIgnore));
    FormDriver driver(*box);
    ui::ModalResult stillOpen = ui::ModalResult::Abort;
    const ui::ModalResult result = driver.RunModal([&](FormDriver& d) {
        d.Key(VK_ESCAPE);
        d.Key(VK_RETURN);
        stillOpen = box->GetModalResult();
        PostMessageW(box->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
        d.Pump();
    });
    EXPECT_EQ(stillOpen, ui::ModalResult::None);
    EXPECT_EQ(result, ui::ModalResult::Cancel);
}

TEST_F(MessageBoxTest, ALongTextWrapsAtHalfTheScreenAndATallBoxKeepsItsTopOnScreen) {
    const int half = GetSystemMetrics(SM_CXSCREEN) / 2;
    std::string longText;
    for (int i = 0; i < 60; ++i) longText += "The transfer could not be started. ";
    auto box = BuildTranslatedMessageForm(lang, longText, MsgDlgType::mtWarning, ButtonSet(mbOK));
    ui::Control* message = dynamic_cast<ui::Control*>(box->FindComponent("Message"));
    ASSERT_NE(message, nullptr);
    EXPECT_LE(message->Width(), half);
    EXPECT_GT(message->Height(), 3 * 13);
    EXPECT_EQ(box->Caption(), "Warning");

    std::string tallText;
    for (int i = 0; i < 200; ++i) tallText += "Line " + std::to_string(i) + "\n";
    auto tall = BuildTranslatedMessageForm(lang, tallText, MsgDlgType::mtWarning, ButtonSet(mbOK));
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_GT(tall->Height(), area.bottom - area.top);
    EXPECT_EQ(tall->Top(), area.top);
}

TEST_F(MessageBoxTest, ACustomBoxHasNoIconAndTheApplicationsTitle) {
    auto box = BuildTranslatedMessageForm(lang, "Text", MsgDlgType::mtCustom, ButtonSet(mbOK));
    EXPECT_EQ(box->FindComponent("Image"), nullptr);
    EXPECT_EQ(box->Caption(), ui::Application::Instance().Title());
    auto* message = dynamic_cast<ui::Control*>(box->FindComponent("Message"));
    auto withIcon = BuildTranslatedMessageForm(lang, "Text", MsgDlgType::mtError, ButtonSet(mbOK));
    auto* iconMessage = dynamic_cast<ui::Control*>(withIcon->FindComponent("Message"));
    EXPECT_NE(withIcon->FindComponent("Image"), nullptr);
    EXPECT_GT(iconMessage->Left(), message->Left() + 32);
    // A missing caption line gives an empty caption; the box still works.
    EXPECT_EQ(withIcon->Caption(), "");
}

// Closes the box the interface shows, by its title bar, once it is up.
void CALLBACK CloseMessageForm(HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = FindWindowW(L"TMessageForm", nullptr);
    if (!box || !IsWindowVisible(box)) return;
    KillTimer(nullptr, id);
    PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
}

TEST_F(MessageBoxTest, TheInterfaceShowsTheTranslatedBoxWithTheGivenCaption) {
    lang->SetActiveLanguage(3);
    TranslatedMessageForms forms(lang);
    SetTimer(nullptr, 0, 20, &CloseMessageForm);
    EXPECT_EQ(forms.ShowTranslatedMessage("Text", "Planificateur", MsgDlgType::mtConfirmation, ButtonSet(mbYes, mbNo)),
              ModalResult::mrCancel);
    // Without a component: the English defaults.
    auto box = BuildTranslatedMessageForm(nullptr, "Text", MsgDlgType::mtInformation, ButtonSet(mbYes, mbNoToAll));
    FormDriver driver(*box);
    EXPECT_EQ(box->Caption(), "Information");
    EXPECT_EQ(driver.Text("No_To_All"), "N&o To All");
}

}  // namespace
}  // namespace lark::localization
