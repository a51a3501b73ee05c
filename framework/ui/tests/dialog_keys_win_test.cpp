// The dialog manager serves every form: Tab and Shift+Tab follow TabOrder, a mnemonic focuses
// or clicks its control, Enter clicks the default button, Esc the cancel button — inside the
// modal form's own loop.
#include "gui_testing/form_driver.h"
#include "ui/standard_controls.h"
#include "ui_fixture.h"

namespace lark::ui::testing {
namespace {

using lark::testing::FormDriver;
using lark::testing::kAlt;
using lark::testing::kShift;

// A small login form; its tab order differs from its creation order.
class LoginForm : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        form.SetName("LoginForm");
        form.SetCaption("Log in");
        form.SetBorderStyle(BorderStyle::Dialog);
        form.SetBounds(200, 200, 300, 170);
        auto* ok = Add<Button>(form, "btnOK", &form, 120, 100, 75, 25);
        ok->SetText("OK");
        ok->SetDefault(true);
        ok->SetModalResult(ModalResult::Ok);
        ok->SetTabOrder(3);
        auto* cancel = Add<Button>(form, "btnCancel", &form, 205, 100, 75, 25);
        cancel->SetText("Cancel");
        cancel->SetCancel(true);
        cancel->SetModalResult(ModalResult::Cancel);
        cancel->SetTabOrder(4);
        auto* user = Add<Edit>(form, "edUser", &form, 90, 10, 190, 21);
        user->SetTabOrder(0);
        auto* password = Add<Edit>(form, "edPassword", &form, 90, 40, 190, 21);
        password->SetTabOrder(1);
        password->SetPasswordChar("*");
        auto* label = Add<Label>(form, "lblPassword", &form, 10, 43, 75, 17);
        label->SetText("&Password:");
        label->SetFocusControl(password);
        remember = Add<CheckBox>(form, "chkRemember", &form, 10, 70, 200, 21);
        remember->SetText("&Remember me");
        remember->SetTabOrder(2);
    }
    Form form;
    CheckBox* remember = nullptr;
};

TEST_F(LoginForm, TabShiftTabMnemonicsAndEnter) {
    std::vector<std::string> focus;
    FormDriver driver(form);
    ModalResult result = driver.RunModal([&](FormDriver& d) {
        focus.push_back(d.Focused());
        d.Key(VK_TAB);
        focus.push_back(d.Focused());
        d.Key(VK_TAB);
        focus.push_back(d.Focused());
        d.Key(VK_TAB, kShift);
        focus.push_back(d.Focused());
        d.Key('R', kAlt);  // a check box's mnemonic clicks it
        focus.push_back(d.Focused());
        d.Key(VK_TAB, kShift);
        d.Key(VK_TAB, kShift);
        d.Key('P', kAlt);  // a label's mnemonic focuses the control it names
        focus.push_back(d.Focused());
        d.Type("edUser", "anonymous");
        d.Key(VK_RETURN);
    });
    EXPECT_EQ(result, ModalResult::Ok);
    EXPECT_EQ(focus, (std::vector<std::string>{"edUser", "edPassword", "chkRemember", "edPassword", "chkRemember",
                                               "edPassword"}));
    EXPECT_TRUE(remember->Checked());
    EXPECT_EQ(form.FindComponent("edUser")->GetProp("Text"), core::Value(std::string("anonymous")));
    EXPECT_FALSE(form.Visible());
}

TEST_F(LoginForm, EscapeClicksTheCancelButton) {
    FormDriver driver(form);
    EXPECT_EQ(driver.RunModal([](FormDriver& d) { d.Key(VK_ESCAPE); }), ModalResult::Cancel);
}

TEST_F(LoginForm, ARefusedCloseKeepsTheFormAndTheOwnerComesBackEnabled) {
    Form owner;
    owner.SetBounds(50, 50, 500, 400);
    owner.Show();
    form.SetOwnerWindow(owner.Handle());
    int asked = 0;
    bool shownWhenRefused = false;
    form.OnCloseQuery.Bind([&](core::Component&, bool& canClose) {
        canClose = ++asked > 1;
        if (canClose) return;
        shownWhenRefused = form.Visible();
        // The user, told no, presses Esc.
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
    });
    bool ownerDisabled = false;
    FormDriver driver(form);
    ModalResult result = driver.RunModal([&](FormDriver& d) {
        ownerDisabled = !IsWindowEnabled(owner.Handle());
        d.Key(VK_RETURN);
    });
    EXPECT_EQ(result, ModalResult::Cancel);
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(shownWhenRefused);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    EXPECT_FALSE(form.Visible());
}

TEST_F(LoginForm, AQuitMessageEndsTheModalLoopAndReachesTheOuterLoop) {
    FormDriver driver(form);
    EXPECT_EQ(driver.RunModal([](FormDriver&) { PostQuitMessage(7); }), ModalResult::Cancel);
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 7u);
}

}  // namespace
}  // namespace lark::ui::testing

namespace lark::ui::testing {
namespace {

TEST_F(LoginForm, EnterReachesADefaultButtonOnAPanel) {
    // The dialog template's buttons sit on a bottom panel, out of the dialog manager's sight.
    auto* panel = Add<Panel>(form, "pnlButtons", &form, 0, 95, 300, 40);
    panel->SetTabOrder(3);
    static_cast<Control*>(form.FindComponent("btnOK"))->SetParent(panel);
    static_cast<Control*>(form.FindComponent("btnCancel"))->SetParent(panel);
    static_cast<Control*>(form.FindComponent("btnOK"))->SetTop(5);
    static_cast<Control*>(form.FindComponent("btnCancel"))->SetTop(5);
    FormDriver driver(form);
    EXPECT_EQ(driver.RunModal([](FormDriver& d) { d.Key(VK_RETURN); }), ModalResult::Ok);
    EXPECT_EQ(driver.RunModal([](FormDriver& d) { d.Key(VK_ESCAPE); }), ModalResult::Cancel);
}

}  // namespace
}  // namespace lark::ui::testing
