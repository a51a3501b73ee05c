// One rule for every published property: the field until the window exists, then the window;
// what the user changes in the window survives a re-created window and the window's end.
#include "ui/win32.h"

#include <functional>

#include "gui_testing/form_driver.h"
#include "gui_testing/process.h"
#include "ui/date_time_picker.h"
#include "ui/image.h"
#include "ui/image_list.h"
#include "ui/page_control.h"
#include "ui/standard_controls.h"
#include "ui_fixture.h"
#include "win/text.h"

namespace lark::ui::testing {
namespace {

using core::Value;

Value Bool(bool b) { return Value(std::int64_t(b ? 1 : 0)); }
Value Int(std::int64_t i) { return Value(i); }

std::string WindowText(HWND window) {
    wchar_t buffer[512];
    int n = GetWindowTextW(window, buffer, 512);
    return win::Narrow(std::wstring(buffer, static_cast<std::size_t>(n)));
}
bool HasStyle(HWND window, LONG_PTR bit) { return (GetWindowLongPtrW(window, GWL_STYLE) & bit) == bit; }

struct Case {
    const char* name;
    const char* className;
    const char* prop;
    Value value;
    // What the window shows.
    std::function<Value(Control&, HWND)> window;
    // A user's change in the window, and the value it gives (none for properties users do not change).
    std::function<void(Control&, HWND)> user = {};
    Value changed = {};
    std::function<void(Control&)> prepare = {};
};

const Case kCases[] = {
    {"LabelCaption", "TLabel", "Caption", Value(std::string("&Name:")), [](Control&, HWND h) { return Value(WindowText(h)); }},
    {"ButtonCaption", "TButton", "Caption", Value(std::string("&Übernehmen")), [](Control&, HWND h) { return Value(WindowText(h)); }},
    {"ButtonCancelIsIdCancel", "TButton", "Cancel", Bool(true), [](Control&, HWND h) { return Bool(GetDlgCtrlID(h) == IDCANCEL); }},
    {"EditText", "TEdit", "Text", Value(std::string("ftp.example.org")), [](Control&, HWND h) { return Value(WindowText(h)); },
     [](Control&, HWND h) { SendMessageW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"typed by hand")); },
     Value(std::string("typed by hand"))},
    {"MemoText", "TMemo", "Text", Value(std::string("first line\r\nsecond line")),
     [](Control&, HWND h) { return Value(HasStyle(h, ES_MULTILINE | ES_WANTRETURN) ? WindowText(h) : std::string()); },
     [](Control&, HWND h) { SendMessageW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"one\r\ntwo\r\nthree")); },
     Value(std::string("one\r\ntwo\r\nthree"))},
    {"DateTimePickerFormat", "TDateTimePicker", "Format", Value(std::string("H:mm")),
     // The picker shows 7:05 in the format.
     [](Control&, HWND h) {
         const std::string shown = WindowText(h);
         return Value(shown == "7:05" ? std::string("H:mm") : "shown: " + shown);
     },
     {}, {},
     [](Control& c) { static_cast<DateTimePicker&>(c).SetDateTime(core::EncodeDateTime(2026, 12, 10, 7, 5, 0, 0)); }},
    {"EditMaxLength", "TEdit", "MaxLength", Int(5), [](Control&, HWND h) { return Int(SendMessageW(h, EM_GETLIMITTEXT, 0, 0)); }},
    {"EditPasswordChar", "TEdit", "PasswordChar", Value(std::string("*")),
     [](Control&, HWND h) { return Value(std::string(1, static_cast<char>(SendMessageW(h, EM_GETPASSWORDCHAR, 0, 0)))); }},
    {"EditReadOnly", "TEdit", "ReadOnly", Bool(true), [](Control&, HWND h) { return Bool(HasStyle(h, ES_READONLY)); }},
    {"CheckBoxChecked", "TCheckBox", "Checked", Bool(true),
     [](Control&, HWND h) { return Bool(SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED); },
     [](Control&, HWND h) { SendMessageW(h, BM_CLICK, 0, 0); }, Bool(false)},
    {"RadioButtonChecked", "TRadioButton", "Checked", Bool(false),
     [](Control&, HWND h) { return Bool(SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED); },
     [](Control&, HWND h) { SendMessageW(h, BM_CLICK, 0, 0); }, Bool(true)},
    {"ComboBoxItemIndex", "TComboBox", "ItemIndex", Int(1), [](Control&, HWND h) { return Int(SendMessageW(h, CB_GETCURSEL, 0, 0)); },
     [](Control&, HWND h) { SendMessageW(h, CB_SETCURSEL, 2, 0); }, Int(2),
     [](Control& c) { static_cast<ComboBox&>(c).Items()->SetLines({"English", "Deutsch", "Français"}); }},
    {"ComboBoxText", "TComboBox", "Text", Value(std::string("Deutsch")), [](Control&, HWND h) { return Value(WindowText(h)); },
     [](Control&, HWND h) { SendMessageW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Français")); },
     Value(std::string("Français"))},
    {"RadioGroupItemIndex", "TRadioGroup", "ItemIndex", Int(0),
     [](Control&, HWND h) {
         int i = 0;
         for (HWND b = GetWindow(h, GW_CHILD); b; b = GetWindow(b, GW_HWNDNEXT), ++i)
             if (SendMessageW(b, BM_GETCHECK, 0, 0) == BST_CHECKED) return Int(i);
         return Int(-1);
     },
     [](Control&, HWND h) { SendMessageW(GetWindow(GetWindow(h, GW_CHILD), GW_HWNDNEXT), BM_CLICK, 0, 0); }, Int(1),
     [](Control& c) {
         c.SetHeight(90);
         static_cast<RadioGroup&>(c).Items()->SetLines({"Daily", "Weekly", "Monthly"});
     }},
    {"Enabled", "TEdit", "Enabled", Bool(false), [](Control&, HWND h) { return Bool(IsWindowEnabled(h)); }},
    {"Visible", "TButton", "Visible", Bool(false), [](Control&, HWND h) { return Bool(IsWindowVisible(h)); }},
    {"TabStop", "TLabel", "TabStop", Bool(true), [](Control&, HWND h) { return Bool(HasStyle(h, WS_TABSTOP)); }},
    {"Left", "TEdit", "Left", Int(37), [](Control&, HWND h) {
         RECT r{};
         GetWindowRect(h, &r);
         MapWindowPoints(HWND_DESKTOP, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
         return Int(r.left);
     },
     [](Control&, HWND h) { SetWindowPos(h, nullptr, 61, 8, 120, 21, SWP_NOZORDER); }, Int(61)},
    {"DateTime", "TDateTimePicker", "DateTime", Value(core::EncodeDateTime(2026, 3, 1, 0, 0, 0, 0)),
     [](Control&, HWND h) {
         SYSTEMTIME st{};
         SendMessageW(h, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st));
         return Value(core::EncodeDate(st.wYear, st.wMonth, st.wDay));
     },
     [](Control&, HWND h) {
         SYSTEMTIME st{2027, 12, 5, 31, 0, 0, 0, 0};
         SendMessageW(h, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
     },
     Value(core::EncodeDateTime(2027, 12, 31, 0, 0, 0, 0))},
};

class ControlProperty : public UiTest, public ::testing::WithParamInterface<Case> {};

TEST_P(ControlProperty, FieldBeforeTheWindowThenTheWindowAndTheUsersChangeSurvivesRecreation) {
    const Case& c = GetParam();
    Form form;
    form.SetName("PropertyForm");
    form.SetBounds(100, 100, 320, 200);
    auto made = core::ClassRegistry::Find(c.className)->create();
    auto* control = dynamic_cast<Control*>(made.get());
    ASSERT_NE(control, nullptr);
    form.Adopt(std::unique_ptr<core::Component>(static_cast<core::Component*>(made.release())));
    control->SetName("Subject");
    control->SetBounds(8, 8, 120, 21);
    control->SetParent(&form);
    if (c.prepare) c.prepare(*control);

    control->SetProp(c.prop, c.value);
    ASSERT_FALSE(control->HandleAllocated());
    EXPECT_EQ(control->GetProp(c.prop), c.value);

    form.Show();
    ASSERT_TRUE(control->HandleAllocated());
    EXPECT_EQ(c.window(*control, control->Handle()), c.value) << "the window does not show the field";
    EXPECT_EQ(control->GetProp(c.prop), c.value);

    Value expected = c.value;
    if (c.user) {
        c.user(*control, control->Handle());
        lark::testing::Pump();
        expected = c.changed;
        EXPECT_EQ(control->GetProp(c.prop), expected) << "the getter does not read the window";
    }
    control->RecreateHandle();
    EXPECT_EQ(c.window(*control, control->Handle()), expected) << "lost when the window was made again";
    form.DestroyHandle();
    EXPECT_FALSE(control->HandleAllocated());
    EXPECT_EQ(control->GetProp(c.prop), expected) << "lost with the window";
}

INSTANTIATE_TEST_SUITE_P(Table, ControlProperty, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

class Controls : public UiTest {};

TEST_F(Controls, FontReachesTheWindowAndParentFontFollowsTheForm) {
    Form form;
    form.SetBounds(100, 100, 320, 200);
    auto* edit = Add<Edit>(form, "edHost", &form, 8, 8, 120, 21);
    auto* label = Add<Label>(form, "lblHost", &form, 8, 40, 120, 21);
    label->GetFont()->SetName("Courier New");
    form.Show();
    auto faceOf = [](HWND h) {
        LOGFONTW lf{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)), sizeof lf, &lf);
        return win::Narrow(lf.lfFaceName);
    };
    EXPECT_EQ(faceOf(edit->Handle()), "Tahoma");
    EXPECT_EQ(faceOf(label->Handle()), "Courier New");
    EXPECT_FALSE(label->ParentFont());
    form.GetFont()->SetName("Arial");
    EXPECT_EQ(faceOf(edit->Handle()), "Arial");
    EXPECT_EQ(faceOf(label->Handle()), "Courier New");
}

TEST_F(Controls, PageControlActivePageIsLiveAndKeptAcrossRecreation) {
    Form form;
    form.SetBounds(100, 100, 400, 300);
    auto* pages = Add<PageControl>(form, "pcTask", &form, 8, 8, 380, 250);
    auto* general = Add<TabSheet>(form, "tsGeneral", pages, 0, 0, 0, 0);
    auto* schedule = Add<TabSheet>(form, "tsSchedule", pages, 0, 0, 0, 0);
    general->SetProp("Caption", Value(std::string("General")));
    schedule->SetProp("Caption", Value(std::string("Schedule")));
    pages->SetActivePage(schedule);
    form.Show();
    EXPECT_EQ(SendMessageW(pages->Handle(), TCM_GETCURSEL, 0, 0), 1);
    EXPECT_TRUE(IsWindowVisible(schedule->Handle()));
    EXPECT_FALSE(IsWindowVisible(general->Handle()));

    // The user clicks the first tab.
    SendMessageW(pages->Handle(), TCM_SETCURSEL, 0, 0);
    NMHDR change{pages->Handle(), static_cast<UINT_PTR>(GetDlgCtrlID(pages->Handle())), TCN_SELCHANGE};
    SendMessageW(form.Handle(), WM_NOTIFY, change.idFrom, reinterpret_cast<LPARAM>(&change));
    EXPECT_EQ(pages->ActivePage(), general);
    EXPECT_TRUE(IsWindowVisible(general->Handle()));
    pages->RecreateHandle();
    EXPECT_EQ(pages->ActivePage(), general);
    EXPECT_EQ(SendMessageW(pages->Handle(), TCM_GETCURSEL, 0, 0), 0);

    // Hidden tabs (the wizard): no tab, the page still shows.
    general->SetTabVisible(false);
    schedule->SetTabVisible(false);
    pages->SetActivePage(schedule);
    EXPECT_EQ(SendMessageW(pages->Handle(), TCM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_TRUE(IsWindowVisible(schedule->Handle()));
    EXPECT_EQ(pages->ActivePage(), schedule);
}

TEST_F(Controls, AFailureInAHandlerIsShownAndDoesNotCrossTheWindowProcedure) {
    Form form;
    form.SetBounds(100, 100, 320, 200);
    auto* button = Add<Button>(form, "btnFail", &form, 8, 8, 75, 25);
    button->OnClick.Bind([](core::Component&) { throw core::Error("the task file cannot be written"); });
    auto* after = Add<Button>(form, "btnAfter", &form, 100, 8, 75, 25);
    int clicks = 0;
    after->OnClick.Bind([&](core::Component&) { ++clicks; });
    form.Show();
    SendMessageW(button->Handle(), BM_CLICK, 0, 0);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "the task file cannot be written");
    SendMessageW(after->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
}

// A control may stand for a window it did not make (a list view's header): it follows the
// window to its end and never destroys it; several controls may stand for one window.
TEST_F(Controls, AnAttachedWindowIsFollowedButNotOwned) {
    HWND foreign = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(foreign, nullptr);
    {
        Control first, second;
        first.Attach(foreign);
        second.Attach(foreign);
        EXPECT_EQ(first.Handle(), foreign);
        EXPECT_EQ(second.Handle(), foreign);
        EXPECT_EQ(Control::FromHandle(foreign), &first);
        first.Attach(nullptr);
        EXPECT_FALSE(first.HandleAllocated());
        SetWindowTextW(foreign, L"still answers");
        EXPECT_EQ(WindowText(foreign), "still answers");
    }
    ASSERT_TRUE(IsWindow(foreign));
    Control follower;
    follower.Attach(foreign);
    DestroyWindow(foreign);
    EXPECT_FALSE(follower.HandleAllocated());
    EXPECT_EQ(follower.Handle(), nullptr) << "a control standing for a window makes none of its own";

    Form form;
    auto* button = Add<Button>(form, "btnOwn", &form, 8, 8, 75, 25);
    button->Handle();
    EXPECT_THROW(button->Attach(form.Handle()), core::Error);
}

TEST_F(Controls, PicturesAreDecodedOrRefusedWithTheirName) {
    Form form;
    form.SetBounds(100, 100, 200, 150);
    auto* image = Add<Image>(form, "imgLogo", &form, 8, 8, 64, 64);
    image->SetPicture(BmpFile(32, 16, 0x3366CC));
    ASSERT_NE(image->Bitmap(), nullptr);
    BITMAP info{};
    GetObjectW(image->Bitmap(), sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 32);
    form.Show();
    lark::testing::Pump();

    auto cut = BmpFile(32, 16, 0);
    cut.resize(cut.size() - 100);
    try {
        image->SetPicture(cut);
        FAIL() << "a cut bitmap was taken";
    } catch (const core::Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("imgLogo.Picture: ", 0), 0u) << e.what();
    }
    EXPECT_THROW(image->SetPicture({'G', 'I', 'F', '8', '9', 'a'}), core::Error);
    EXPECT_NE(image->Bitmap(), nullptr) << "a refused picture dropped the shown one";

    // Other formats plug in.
    Image::AddDecoder([](const std::vector<std::uint8_t>& bytes) -> HBITMAP {
        return bytes.size() == 4 && bytes[0] == 'T' ? CreateBitmap(7, 7, 1, 32, nullptr) : nullptr;
    });
    image->SetPicture({'T', 'E', 'S', 'T'});
    GetObjectW(image->Bitmap(), sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 7);
}

TEST_F(Controls, AnImageStripIsCutIntoImages) {
    Form form;
    auto* images = form.Create<ImageList>();
    images->SetName("ilTasks");
    images->SetBitmap(BmpFile(16 * 5, 16, 0xFF00FF));
    EXPECT_EQ(images->Count(), 5);
    EXPECT_THROW(images->SetBitmap({'B', 'M', 0, 0}), core::Error);
}

TEST_F(Controls, ARadioGroupLaysItsButtonsOutInColumnsAndReportsClicks) {
    Form form;
    form.SetBounds(100, 100, 300, 200);
    auto* group = Add<RadioGroup>(form, "rgMethod", &form, 8, 8, 210, 100);
    group->SetColumns(2);
    group->Items()->SetLines({"Password", "Key file", "Agent", "Keyboard", "None"});
    group->SetItemIndex(4);
    int clicks = 0;
    group->OnClick.Bind([&](core::Component&) { ++clicks; });
    form.Show();
    std::vector<RECT> places;
    for (HWND b = GetWindow(group->Handle(), GW_CHILD); b; b = GetWindow(b, GW_HWNDNEXT)) {
        RECT r{};
        GetWindowRect(b, &r);
        MapWindowPoints(HWND_DESKTOP, group->Handle(), reinterpret_cast<POINT*>(&r), 2);
        places.push_back(r);
    }
    ASSERT_EQ(places.size(), 5u);
    // Three rows in the first column, two in the second, each (210 - 10) / 2 wide.
    EXPECT_EQ(places[0].left, 8);
    EXPECT_EQ(places[2].left, 8);
    EXPECT_EQ(places[3].left, 108);
    EXPECT_EQ(places[3].top, places[0].top);
    EXPECT_EQ(places[1].right - places[1].left, 100);
    EXPECT_EQ(clicks, 0) << "setting ItemIndex in code is no click";
    SendMessageW(GetWindow(group->Handle(), GW_CHILD), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(group->ItemIndex(), 0);
    group->SetItemIndex(4);
    group->Items()->SetLines({"Password", "Key file"});
    EXPECT_EQ(group->ItemIndex(), 1) << "an index past the items moves to the last";
}

// Definitions are written at 96 DPI; a form scales its tree once before its windows are made.
TEST_F(Controls, ScalingForAnotherDpiReachesGeometryAndOwnFonts) {
    Form form;
    form.SetClientWidth(300);
    form.SetClientHeight(200);
    auto* edit = Add<Edit>(form, "edHost", &form, 10, 20, 120, 21);
    auto* label = Add<Label>(form, "lblHost", &form, 10, 50, 80, 17);
    label->GetFont()->SetHeight(-12);
    form.ScaleBy(144, 96);
    EXPECT_EQ(edit->Left(), 15);
    EXPECT_EQ(edit->Top(), 30);
    EXPECT_EQ(edit->Width(), 180);
    EXPECT_EQ(edit->Height(), 32);
    EXPECT_EQ(form.GetFont()->Height(), -17);  // -11 * 1.5, rounded
    EXPECT_EQ(label->GetFont()->Height(), -18);
    EXPECT_TRUE(edit->ParentFont());
    form.Show();
    EXPECT_EQ(form.ClientWidth(), 450);
    EXPECT_EQ(form.ClientHeight(), 300);
}

TEST_F(Controls, AlignedChildrenShareTheClientArea) {
    Form form;
    form.SetClientWidth(300);
    form.SetClientHeight(200);
    auto* top = Add<Panel>(form, "pnlTop", &form, 0, 0, 10, 30);
    top->SetAlign(Align::Top);
    auto* bottom = Add<Panel>(form, "pnlBottom", &form, 0, 0, 10, 40);
    bottom->SetAlign(Align::Bottom);
    auto* client = Add<Panel>(form, "pnlClient", &form, 0, 0, 10, 10);
    client->SetAlign(Align::Client);
    form.Show();
    EXPECT_EQ(form.ClientWidth(), 300);
    EXPECT_EQ(form.ClientHeight(), 200);
    EXPECT_EQ(top->Width(), 300);
    EXPECT_EQ(bottom->Top(), 160);
    EXPECT_EQ(client->Top(), 30);
    EXPECT_EQ(client->Height(), 130);
    SetWindowPos(form.Handle(), nullptr, 0, 0, form.Width() + 100, form.Height(), SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(client->Width(), 400);
}

}  // namespace
}  // namespace lark::ui::testing
