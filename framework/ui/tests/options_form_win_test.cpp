// A form made from its compiled definition (an RCDATA resource of this program), shown in each
// of its three languages: every caption comes from the table, fits its control, and a picture of
// each language goes to the artifacts.
#include "gui_testing/form_driver.h"
#include "localization/lang_component.h"
#include "localization/lang_dispatcher.h"
#include "ui/standard_controls.h"
#include "ui_fixture.h"

namespace lark::ui::testing {

class OptionsSample : public Form {
    LARK_PERSISTENT_CLASS(OptionsSample)
public:
    explicit OptionsSample(core::Component* owner = nullptr) : Form(owner) {}
    localization::TlcLangDispatcher* lcDispatcher = nullptr;
    CheckBox* chkPassive = nullptr;
    int helps = 0;

private:
    void btnHelpClick(core::Component&) { ++helps; }
};

LARK_DEFINE_CLASS(OptionsSample) {
    return core::ClassBuilder<OptionsSample>("TOptionsSample", &Form::StaticClass())
        .Binds("lcDispatcher", &OptionsSample::lcDispatcher)
        .Binds("chkPassive", &OptionsSample::chkPassive)
        .Handler("btnHelpClick", &OptionsSample::btnHelpClick)
        .Build();
}

namespace {

class OptionsForm : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        (void)localization::TlcLang::StaticClass();
        (void)localization::TlcLangDispatcher::StaticClass();
    }
};

TEST_F(OptionsForm, EachLanguageIsShownAndFits) {
    auto form = Form::Make<OptionsSample>(nullptr);
    ASSERT_NE(form->lcDispatcher, nullptr);
    form->Show();
    lark::testing::FormDriver driver(*form);
    struct Language {
        int number;
        const char* caption;
        const char* cancel;
        const char* passive;
        const char* picture;
    } languages[] = {
        {1, "Options", "Cancel", "Use p&assive mode", "options_english"},
        {2, "Optionen", "Abbrechen", "P&assiven Modus verwenden", "options_deutsch"},
        {3, "Options", "Annuler", "Utiliser le mode p&assif", "options_francais"},
    };
    for (const Language& language : languages) {
        form->lcDispatcher->SetActiveLanguage(language.number);
        driver.Pump();
        EXPECT_EQ(form->Text(), language.caption);
        EXPECT_EQ(driver.Text("btnCancel"), language.cancel);
        EXPECT_EQ(driver.Text("chkPassive"), language.passive);
        EXPECT_EQ(lark::testing::OverflowingTexts(*form), std::vector<std::string>{}) << language.picture;
        driver.Screenshot(language.picture);
    }
    EXPECT_TRUE(form->chkPassive->Checked());
    driver.Click("btnHelp");
    EXPECT_EQ(form->helps, 1);
}

TEST_F(OptionsForm, AWiderTextIsReportedAsOverflowing) {
    auto form = Form::Make<OptionsSample>(nullptr);
    form->Show();
    form->FindComponent("btnOK")->SetProp("Caption", core::Value(std::string("Einstellungen übernehmen")));
    auto found = lark::testing::OverflowingTexts(*form);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].rfind("btnOK: \"Einstellungen übernehmen\" needs ", 0), 0u) << found[0];
}

}  // namespace
}  // namespace lark::ui::testing
