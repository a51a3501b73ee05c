#include "std_dialog_template.h"

#include <gtest/gtest.h>

#include "gui_testing/form_driver.h"
#include "ui/application.h"
#include "ui/register.h"
#include "ui/standard_controls.h"

namespace lark::shellext {

class TemplateSample : public StdDialogTemplate {
    LARK_PERSISTENT_CLASS(TemplateSample)
public:
    explicit TemplateSample(core::Component* owner = nullptr) : StdDialogTemplate(owner) {}
    // A field of the derived class: bound once both definitions are read.
    ui::Edit* edName = nullptr;
};

LARK_DEFINE_CLASS(TemplateSample) {
    return core::ClassBuilder<TemplateSample>("TTemplateSample", &StdDialogTemplate::StaticClass())
        .Binds("edName", &TemplateSample::edName)
        .Build();
}

namespace {

using testing::FormDriver;

std::vector<int> Lefts(FormDriver& driver, std::initializer_list<const char*> names) {
    std::vector<int> lefts;
    for (const char* name : names) lefts.push_back(driver.Control(name).Left());
    return lefts;
}

TEST(StdDialogTemplate, ADialogBasedOnItLaysItsButtonsOutFromTheRight) {
    ui::RegisterControls();
    auto form = ui::Form::Make<TemplateSample>(nullptr);
    ASSERT_NE(form->edName, nullptr);
    EXPECT_EQ(form->edName, form->FindComponent("edName"));
    FormDriver(*form).RunModal([&](FormDriver& driver) {
        EXPECT_EQ(driver.Text("edName"), "");  // the dialog's own control, in the template's panel
        EXPECT_EQ(Lefts(driver, {"btnOK", "btnCancel", "btnHelp"}), (std::vector<int>{202, 283, 364}));
        EXPECT_EQ(driver.Control("btnOK").Top(), 8);
        driver.Screenshot("template_sample");

        driver.Control("btnHelp").SetVisible(false);  // Help hidden: OK and Cancel at the right edge
        form->LayOutButtons();
        EXPECT_EQ(Lefts(driver, {"btnOK", "btnCancel"}), (std::vector<int>{283, 364}));

        driver.Control("btnHelp").SetVisible(true);
        driver.Control("btnHelp").SetTag(1);  // a larger Tag: leftmost
        driver.Control("btnOK").SetWidth(110);  // unequal widths: no overlap
        form->LayOutButtons();
        EXPECT_EQ(Lefts(driver, {"btnHelp", "btnOK", "btnCancel"}), (std::vector<int>{167, 248, 364}));
        driver.Key(VK_ESCAPE);
    });
}

}  // namespace
}  // namespace lark::shellext
