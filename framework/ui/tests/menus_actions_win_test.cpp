// Actions with shortcuts and update handlers, mirrored by menu items and tool buttons; a popup
// menu returns the item chosen.
#include "ui/win32.h"

#include "gui_testing/form_driver.h"
#include "gui_testing/process.h"
#include "ui/actions.h"
#include "ui/bars.h"
#include "ui/image_list.h"
#include "ui/menus.h"
#include "ui/standard_controls.h"
#include "ui_fixture.h"

namespace lark::ui::testing {
namespace {

using lark::testing::FormDriver;
using lark::testing::kCtrl;

TEST(ShortCutText, ParsesTheWrittenForms) {
    EXPECT_EQ(ParseShortCut("Ctrl+N"), (ShortCut{'N', FCONTROL}));
    EXPECT_EQ(ParseShortCut("Shift+Ctrl+S"), (ShortCut{'S', FCONTROL | FSHIFT}));
    EXPECT_EQ(ParseShortCut("Del"), (ShortCut{VK_DELETE, 0}));
    EXPECT_EQ(ParseShortCut("F5"), (ShortCut{VK_F5, 0}));
    EXPECT_EQ(ParseShortCut("Alt+Enter"), (ShortCut{VK_RETURN, FALT}));
    EXPECT_EQ(ParseShortCut(""), ShortCut{});
    for (const char* bad : {"Ctrl+", "Hyper+N", "F25", "Ctrl+NN"}) EXPECT_THROW(ParseShortCut(bad), core::Error) << bad;
}

class MainWindow : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        form.SetName("MainWindow");
        form.SetBounds(100, 100, 400, 300);
        auto* actions = form.Create<ActionList>();
        acNew = form.Create<Action>();
        acNew->SetName("acNew");
        acNew->SetCaption("&New task");
        acNew->SetShortCutText("Ctrl+N");
        acNew->SetParentComponent(actions);
        acNew->OnExecute.Bind([this](core::Component&) { ++created; });
        acDelete = form.Create<Action>();
        acDelete->SetName("acDelete");
        acDelete->SetCaption("&Delete");
        acDelete->SetShortCutText("Del");
        acDelete->SetParentComponent(actions);
        acDelete->OnExecute.Bind([this](core::Component&) { ++deleted; });
        acDelete->OnUpdate.Bind([this](core::Component& sender) { static_cast<Action&>(sender).SetEnabled(haveSelection); });

        auto* menu = form.Create<MainMenu>();
        auto* file = form.Create<MenuItem>();
        file->SetCaption("&File");
        menu->Add(file);
        miNew = form.Create<MenuItem>();
        miNew->SetAction(acNew);
        file->Add(miNew);
        miDelete = form.Create<MenuItem>();
        miDelete->SetAction(acDelete);
        file->Add(miDelete);
        form.SetMenu(menu);

        auto* images = form.Create<ImageList>();
        images->SetName("ilActions");
        images->SetMasked(false);  // one colour: masked, nothing would show
        images->SetBitmap(BmpFile(32, 16, 0x2E7D32));
        acNew->SetImageIndex(0);
        acDelete->SetImageIndex(1);
        auto* bar = Add<ToolBar>(form, "tbMain", &form, 0, 0, 0, 26);
        bar->SetImages(images);
        tbNew = form.Create<ToolButton>();
        tbNew->SetAction(acNew);
        tbNew->SetParentComponent(bar);
        tbDelete = form.Create<ToolButton>();
        tbDelete->SetAction(acDelete);
        tbDelete->SetParentComponent(bar);
        Add<Edit>(form, "edFilter", &form, 8, 40, 200, 21);
    }

    bool MenuEnabled(MenuItem* item) {
        return !(GetMenuState(GetMenu(form.Handle()), item->CommandId(), MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED));
    }
    bool ButtonEnabled(ToolButton* button) {
        return SendMessageW(form.FindComponent("tbMain") ? static_cast<Control*>(form.FindComponent("tbMain"))->Handle() : nullptr,
                            TB_ISBUTTONENABLED, button->CommandId(), 0) != 0;
    }

    Form form;
    Action *acNew = nullptr, *acDelete = nullptr;
    MenuItem *miNew = nullptr, *miDelete = nullptr;
    ToolButton *tbNew = nullptr, *tbDelete = nullptr;
    int created = 0, deleted = 0;
    bool haveSelection = true;
};

TEST_F(MainWindow, AShortcutRunsItsAction) {
    form.Show();
    FormDriver driver(form);
    driver.Control("edFilter").SetFocus();
    driver.Key('N', kCtrl);
    EXPECT_EQ(created, 1);
    driver.Key(VK_DELETE);
    EXPECT_EQ(deleted, 1);
    wchar_t text[64] = {};
    GetMenuStringW(GetMenu(form.Handle()), miNew->CommandId(), text, 64, MF_BYCOMMAND);
    EXPECT_STREQ(text, L"&New task\tCtrl+N");
}

TEST_F(MainWindow, AnUpdateHandlerDisablesTheMenuItemAndTheToolButtonTogether) {
    form.Show();
    FormDriver driver(form);
    driver.Pump();
    EXPECT_TRUE(MenuEnabled(miDelete));
    EXPECT_TRUE(ButtonEnabled(tbDelete));
    haveSelection = false;
    PostMessageW(form.Handle(), WM_NULL, 0, 0);  // idle time follows a message
    driver.Pump();
    EXPECT_FALSE(MenuEnabled(miDelete));
    EXPECT_FALSE(ButtonEnabled(tbDelete));
    EXPECT_TRUE(MenuEnabled(miNew));
    EXPECT_TRUE(ButtonEnabled(tbNew));
    driver.Control("edFilter").SetFocus();
    driver.Key(VK_DELETE);
    EXPECT_EQ(deleted, 0) << "the shortcut of a disabled action ran";
    SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(tbNew->CommandId(), BN_CLICKED),
                 reinterpret_cast<LPARAM>(static_cast<Control*>(form.FindComponent("tbMain"))->Handle()));
    EXPECT_EQ(created, 1);
    driver.Screenshot("main_window_actions");
}

TEST_F(MainWindow, TheMenuOutlivesARecreatedWindow) {
    form.Show();
    HMENU before = GetMenu(form.Handle());
    form.RecreateHandle();
    form.Show();
    HMENU after = GetMenu(form.Handle());
    EXPECT_EQ(after, before);
    ASSERT_TRUE(IsMenu(after));
    EXPECT_EQ(GetMenuItemCount(after), 1);
    FormDriver driver(form);
    driver.Control("edFilter").SetFocus();
    driver.Key('N', kCtrl);
    EXPECT_EQ(created, 1);
}

TEST_F(MainWindow, AToolButtonShowsItsActionsHintAsToolTip) {
    acNew->SetHint("Make a new task|Makes a new task and opens its properties");
    form.Show();
    HWND bar = static_cast<Control*>(form.FindComponent("tbMain"))->Handle();
    NMTTDISPINFOW tip{};
    tip.hdr.hwndFrom = reinterpret_cast<HWND>(SendMessageW(bar, TB_GETTOOLTIPS, 0, 0));
    tip.hdr.idFrom = tbNew->CommandId();
    tip.hdr.code = TTN_GETDISPINFOW;
    SendMessageW(form.Handle(), WM_NOTIFY, tip.hdr.idFrom, reinterpret_cast<LPARAM>(&tip));
    ASSERT_NE(tip.lpszText, nullptr);
    EXPECT_STREQ(tip.lpszText, L"Make a new task");
}

TEST_F(MainWindow, TheHintFollowsTheMouseAndTheMenu) {
    acNew->SetHint("New|Makes a new task");
    acDelete->SetHint("Delete|Deletes the selected tasks");
    auto* filter = static_cast<Control*>(form.FindComponent("edFilter"));
    filter->SetHint("Shows only matching tasks");
    form.Show();
    Application& app = Application::Instance();
    std::vector<std::string> status;
    app.OnHint.Bind([&] { status.push_back(LongHint(app.Hint())); });
    FormDriver driver(form);
    PostMessageW(filter->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    driver.Pump();
    // Over the first tool button.
    HWND bar = static_cast<Control*>(form.FindComponent("tbMain"))->Handle();
    RECT first{};
    SendMessageW(bar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    PostMessageW(bar, WM_MOUSEMOVE, 0, MAKELPARAM(first.left + 2, first.top + 2));
    driver.Pump();
    SendMessageW(form.Handle(), WM_MENUSELECT, MAKEWPARAM(miDelete->CommandId(), MF_STRING), reinterpret_cast<LPARAM>(GetMenu(form.Handle())));
    SendMessageW(form.Handle(), WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    app.OnHint.Bind(nullptr);
    EXPECT_EQ(status, (std::vector<std::string>{"Shows only matching tasks", "Makes a new task", "Deletes the selected tasks", ""}));
    EXPECT_EQ(ShortHint("New|Makes a new task"), "New");
}

TEST_F(MainWindow, APopupReturnsTheChosenItem) {
    auto* popup = form.Create<PopupMenu>();
    auto* first = form.Create<MenuItem>();
    first->SetCaption("&Run now");
    popup->Add(first);
    auto* second = form.Create<MenuItem>();
    second->SetCaption("&Properties");
    popup->Add(second);
    int clicked = 0;
    second->OnClick.Bind([&](core::Component&) { ++clicked; });
    // Entries of disabled actions are left out when the menu opens.
    auto* remove = form.Create<MenuItem>();
    remove->SetAction(acDelete);
    popup->Add(remove);
    haveSelection = false;
    int popups = 0;
    popup->OnPopup.Bind([&](core::Component&) {
        ++popups;
        remove->SetVisible(remove->Enabled());
    });
    form.Show();
    // The menu's own loop reads the keys waiting in the queue.
    PostMessageW(form.Handle(), WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(form.Handle(), WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(form.Handle(), WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(popup->Popup(150, 150), second);
    EXPECT_EQ(clicked, 1);
    EXPECT_EQ(popups, 1);
    EXPECT_FALSE(remove->Visible());
    EXPECT_EQ(GetMenuItemCount(popup->Handle()), 2);
}

}  // namespace
}  // namespace lark::ui::testing
