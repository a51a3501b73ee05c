#include "ui/standard_controls.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <algorithm>

#include "core/compiler.h"
#include "ui/reference.h"
#include "win/text.h"

namespace lark::ui {

const core::TypeInfo& AlignmentType() {
    static const auto type = core::MakeEnumType("TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"});
    return *type;
}

namespace {
const core::TypeInfo& ComboStyleType() {
    static const auto type = core::MakeEnumType("TComboBoxStyle", {"csDropDown", "csDropDownList"});
    return *type;
}
}  // namespace

// Caption and Text are the window text (Control::Text), live while the window exists.
#define LARK_CAPTION(T, name) .Prop(name, core::StringType(), &T::Text, &T::SetText, core::Value(std::string()))

// --- Label

// GCC 12 sees the moved-from std::variant default values of this builder as maybe destroyed
// uninitialised (GCC bug 80635, the std::optional false positive).
LARK_GCC_FALSE_POSITIVE("-Wmaybe-uninitialized")
LARK_DEFINE_CLASS(Label) {
    using core::Value;
    return core::ClassBuilder<Label>("TLabel", &Control::StaticClass())
        .Prop("Alignment", AlignmentType(), &Label::GetAlignment, &Label::SetAlignment, Value(std::int64_t(0)))
        LARK_CAPTION(Label, "Caption")
        .Custom(
            "FocusControl", core::ClassTypeOf<Control>(), [](const Label& l) { return Value(static_cast<core::Persistent*>(l.FocusControl())); },
            [](Label& l, const Value& v) { l.SetFocusControl(dynamic_cast<Control*>(core::AsObject(v))); })
        .Prop("WordWrap", core::BooleanType(), &Label::WordWrap, &Label::SetWordWrap, Value(std::int64_t(0)))
        .Build();
}
LARK_GCC_FALSE_POSITIVE_END

Label::Label(core::Component* owner) : Control(owner) {}

void Label::SetAlignment(Alignment alignment) {
    alignment_ = alignment;
    RecreateHandle();
}

void Label::SetWordWrap(bool on) {
    wordWrap_ = on;
    RecreateHandle();
}

void Label::SetFocusControl(Control* control) {
    SetReference(*this, focusControl_, control);
}

void Label::Notification(core::Component* component, core::Operation operation) {
    Control::Notification(component, operation);
    if (operation == core::Operation::Remove && component == focusControl_) focusControl_ = nullptr;
}

void Label::FillCreateParams(CreateParams& params) {
    Control::FillCreateParams(params);
    params.className = WC_STATICW;
    switch (alignment_) {
    case Alignment::LeftJustify: params.style |= wordWrap_ ? SS_LEFT : SS_LEFTNOWORDWRAP; break;
    case Alignment::RightJustify: params.style |= SS_RIGHT; break;
    case Alignment::Center: params.style |= SS_CENTER; break;
    }
}

// --- Button

LARK_DEFINE_CLASS(Button) {
    using core::Value;
    return core::ClassBuilder<Button>("TButton", &Control::StaticClass())
        .Custom(
            "Action", core::ClassTypeOf<Action>(), [](const Button& b) { return Value(static_cast<core::Persistent*>(b.GetAction())); },
            [](Button& b, const Value& v) { b.SetAction(dynamic_cast<Action*>(core::AsObject(v))); })
        .Prop("Cancel", core::BooleanType(), &Button::Cancel, &Button::SetCancel, Value(std::int64_t(0)))
        LARK_CAPTION(Button, "Caption")
        .Prop("Default", core::BooleanType(), &Button::Default, &Button::SetDefault, Value(std::int64_t(0)))
        .Prop("ModalResult", ModalResultType(), &Button::GetModalResult, &Button::SetModalResult, Value(std::int64_t(0)))
        .Event("OnClick", &Button::OnClick)
        .Build();
}

Button::Button(core::Component* owner) : Control(owner), ActionClient(this) { SetTabStop(true); }

void Button::SetDefault(bool on) {
    default_ = on;
    if (!HandleAllocated()) return;
    if (Form* form = ParentForm(); form && form->HandleAllocated() && on)
        SendMessageW(form->Handle(), DM_SETDEFID, GetDlgCtrlID(handle_), 0);
    else
        SendMessageW(handle_, BM_SETSTYLE, on ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void Button::SetCancel(bool on) {
    cancel_ = on;
    RecreateHandle();
}

void Button::ActionChanged(Action& action) {
    SetText(action.Caption());
    SetHint(action.Hint());
    SetEnabled(action.Enabled());
    SetVisible(action.Visible());
}

void Button::Notification(core::Component* component, core::Operation operation) {
    Control::Notification(component, operation);
    if (operation == core::Operation::Remove) ActionRemoved(component);
}

void Button::FillCreateParams(CreateParams& params) {
    Control::FillCreateParams(params);
    params.className = WC_BUTTONW;
    params.style |= default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    if (cancel_) params.id = IDCANCEL;
}

void Button::HandleCreated() {
    Control::HandleCreated();
    if (default_)
        if (Form* form = ParentForm(); form && form->HandleAllocated())
            SendMessageW(form->Handle(), DM_SETDEFID, GetDlgCtrlID(handle_), 0);
}

void Button::Click() {
    if (modalResult_ != ModalResult::None)
        if (Form* form = ParentForm()) form->SetModalResult(modalResult_);
    if (Action* action = GetAction()) action->Execute();
    else OnClick(*this);
}

bool Button::Command(WORD code, WORD) {
    if (code != BN_CLICKED) return false;
    Click();
    return true;
}

// --- CheckBox, RadioButton

LARK_DEFINE_CLASS(CheckBox) {
    using core::Value;
    return core::ClassBuilder<CheckBox>("TCheckBox", &Control::StaticClass())
        LARK_CAPTION(CheckBox, "Caption")
        .Prop("Checked", core::BooleanType(), &CheckBox::Checked, &CheckBox::SetChecked, Value(std::int64_t(0)))
        .Event("OnClick", &CheckBox::OnClick)
        .Build();
}

LARK_DEFINE_CLASS(RadioButton) {
    return core::ClassBuilder<RadioButton>("TRadioButton", &CheckBox::StaticClass()).Build();
}

CheckBox::CheckBox(core::Component* owner) : Control(owner) { SetTabStop(true); }

bool CheckBox::Checked() const {
    if (!handle_) return checked_;
    return SendMessageW(handle_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CheckBox::SetChecked(bool checked) {
    checked_ = checked;
    if (handle_) SendMessageW(handle_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void CheckBox::FillCreateParams(CreateParams& params) {
    Control::FillCreateParams(params);
    params.className = WC_BUTTONW;
    params.style |= BS_AUTOCHECKBOX;
}

void RadioButton::FillCreateParams(CreateParams& params) {
    CheckBox::FillCreateParams(params);
    params.style = (params.style & ~static_cast<DWORD>(BS_AUTOCHECKBOX)) | BS_AUTORADIOBUTTON;
}

void CheckBox::HandleCreated() {
    Control::HandleCreated();
    if (checked_) SendMessageW(handle_, BM_SETCHECK, BST_CHECKED, 0);
}

void CheckBox::SaveLiveState() {
    if (handle_) checked_ = Checked();
    Control::SaveLiveState();
}

bool CheckBox::Command(WORD code, WORD) {
    if (code != BN_CLICKED) return false;
    OnClick(*this);
    return true;
}

// --- Edit

LARK_DEFINE_CLASS(Edit) {
    using core::Value;
    return core::ClassBuilder<Edit>("TEdit", &Control::StaticClass())
        .Prop("MaxLength", core::IntegerType(), &Edit::MaxLength, &Edit::SetMaxLength, Value(std::int64_t(0)))
        .Prop("PasswordChar", core::StringType(), &Edit::PasswordChar, &Edit::SetPasswordChar, Value(std::string()))
        .Prop("ReadOnly", core::BooleanType(), &Edit::ReadOnly, &Edit::SetReadOnly, Value(std::int64_t(0)))
        LARK_CAPTION(Edit, "Text")
        .Event("OnChange", &Edit::OnChange)
        .Build();
}

Edit::Edit(core::Component* owner) : Control(owner) { SetTabStop(true); }

void Edit::SetMaxLength(int length) {
    maxLength_ = length;
    if (handle_) SendMessageW(handle_, EM_SETLIMITTEXT, static_cast<WPARAM>(length), 0);
}

void Edit::SetPasswordChar(std::string c) {
    passwordChar_ = std::move(c);
    if (!handle_) return;
    std::wstring wide = win::Widen(passwordChar_);
    SendMessageW(handle_, EM_SETPASSWORDCHAR, wide.empty() ? 0 : wide[0], 0);
    InvalidateRect(handle_, nullptr, TRUE);
}

void Edit::SetReadOnly(bool on) {
    readOnly_ = on;
    if (handle_) SendMessageW(handle_, EM_SETREADONLY, on, 0);
}

void Edit::FillCreateParams(CreateParams& params) {
    Control::FillCreateParams(params);
    params.className = WC_EDITW;
    params.style |= ES_AUTOHSCROLL;
    if (!passwordChar_.empty()) params.style |= ES_PASSWORD;
    if (readOnly_) params.style |= ES_READONLY;
    params.exStyle |= WS_EX_CLIENTEDGE;
}

void Edit::HandleCreated() {
    Control::HandleCreated();
    if (maxLength_) SendMessageW(handle_, EM_SETLIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
    if (!passwordChar_.empty()) SetPasswordChar(passwordChar_);
}

bool Edit::Command(WORD code, WORD) {
    if (code != EN_CHANGE) return false;
    OnChange(*this);
    return true;
}

// --- Memo

LARK_DEFINE_CLASS(Memo) { return core::ClassBuilder<Memo>("TMemo", &Edit::StaticClass()).Build(); }

void Memo::FillCreateParams(CreateParams& params) {
    Edit::FillCreateParams(params);
    params.style &= ~static_cast<DWORD>(ES_AUTOHSCROLL);
    params.style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL;
}

// --- ComboBox

LARK_DEFINE_CLASS(ComboBox) {
    using core::Value;
    return core::ClassBuilder<ComboBox>("TComboBox", &Control::StaticClass())
        .Object("Items", core::ClassTypeOf<core::StringsObject>(), &ComboBox::Items)
        .Prop("ItemIndex", core::IntegerType(), &ComboBox::ItemIndex, &ComboBox::SetItemIndex, Value(std::int64_t(-1)))
        .Prop("Style", ComboStyleType(), &ComboBox::Style, &ComboBox::SetStyle, Value(std::int64_t(0)))
        LARK_CAPTION(ComboBox, "Text")
        .Event("OnChange", &ComboBox::OnChange)
        .Build();
}

ComboBox::ComboBox(core::Component* owner) : Control(owner) {
    SetTabStop(true);
    items_.List().OnChange = [this] { FillItems(); };
}

int ComboBox::ItemIndex() const {
    if (!handle_) return itemIndex_;
    return static_cast<int>(SendMessageW(handle_, CB_GETCURSEL, 0, 0));
}

void ComboBox::SetItemIndex(int index) {
    itemIndex_ = index;
    if (handle_) SendMessageW(handle_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void ComboBox::SetStyle(ComboStyle style) {
    style_ = style;
    RecreateHandle();
}

void ComboBox::FillItems() {
    if (!handle_) return;
    const int index = ItemIndex();
    SendMessageW(handle_, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < items_.Count(); ++i)
        SendMessageW(handle_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win::Widen(items_.Strings(i)).c_str()));
    SendMessageW(handle_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void ComboBox::FillCreateParams(CreateParams& params) {
    Control::FillCreateParams(params);
    params.className = WC_COMBOBOXW;
    params.style |= WS_VSCROLL | (style_ == ComboStyle::DropDownList ? CBS_DROPDOWNLIST : CBS_DROPDOWN | CBS_AUTOHSCROLL);
}

void ComboBox::HandleCreated() {
    Control::HandleCreated();
    // The window's height includes the drop-down list.
    SetWindowPos(handle_, nullptr, 0, 0, Width(), Height() + 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const std::string text = text_;
    SendMessageW(handle_, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < items_.Count(); ++i)
        SendMessageW(handle_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win::Widen(items_.Strings(i)).c_str()));
    SendMessageW(handle_, CB_SETCURSEL, static_cast<WPARAM>(itemIndex_), 0);
    if (itemIndex_ < 0 && style_ == ComboStyle::DropDown) SetWindowTextW(handle_, win::Widen(text).c_str());
}

void ComboBox::SaveLiveState() {
    if (handle_) itemIndex_ = ItemIndex();
    Control::SaveLiveState();
}

bool ComboBox::Command(WORD code, WORD) {
    if (code != CBN_SELCHANGE && code != CBN_EDITCHANGE) return false;
    OnChange(*this);
    return true;
}

// --- GroupBox, Panel

LARK_DEFINE_CLASS(GroupBox) {
    return core::ClassBuilder<GroupBox>("TGroupBox", &Control::StaticClass()) LARK_CAPTION(GroupBox, "Caption").Build();
}

void GroupBox::FillCreateParams(CreateParams& params) {
    Control::FillCreateParams(params);
    params.className = WC_BUTTONW;
    params.style |= BS_GROUPBOX;
    params.exStyle |= WS_EX_CONTROLPARENT;
}

LRESULT GroupBox::WndProc(UINT message, WPARAM w, LPARAM l) {
    if (message == WM_ERASEBKGND) {
        RECT r{};
        GetClientRect(handle_, &r);
        FillRect(reinterpret_cast<HDC>(w), &r, GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    return Control::WndProc(message, w, l);
}

// --- RadioGroup

// GCC 12 sees the moved-from std::variant default values of this builder as maybe destroyed
// uninitialised (GCC bug 80635, the std::optional false positive).
LARK_GCC_FALSE_POSITIVE("-Wmaybe-uninitialized")
LARK_DEFINE_CLASS(RadioGroup) {
    using core::Value;
    return core::ClassBuilder<RadioGroup>("TRadioGroup", &GroupBox::StaticClass())
        .Prop("Columns", core::IntegerType(), &RadioGroup::Columns, &RadioGroup::SetColumns, Value(std::int64_t(1)))
        .Object("Items", core::ClassTypeOf<core::StringsObject>(), &RadioGroup::Items)
        .Prop("ItemIndex", core::IntegerType(), &RadioGroup::ItemIndex, &RadioGroup::SetItemIndex, Value(std::int64_t(-1)))
        .Event("OnClick", &RadioGroup::OnClick)
        .Build();
}
LARK_GCC_FALSE_POSITIVE_END

RadioGroup::RadioGroup(core::Component* owner) : GroupBox(owner) {
    items_.List().OnChange = [this] {
        // An index past the remaining items moves to the last one.
        itemIndex_ = std::min(ItemIndex(), items_.Count() - 1);
        MakeButtons();
    };
}

int RadioGroup::ItemIndex() const {
    if (!HandleAllocated()) return itemIndex_;
    for (std::size_t i = 0; i < buttons_.size(); ++i)
        if (SendMessageW(buttons_[i], BM_GETCHECK, 0, 0) == BST_CHECKED) return static_cast<int>(i);
    return -1;
}

void RadioGroup::SetItemIndex(int index) {
    // -1 unchecks every button; an index past the items is kept only while the definition is
    // read (Items may follow it), then clamped in Loaded.
    if (!IsLoading()) index = std::clamp(index, -1, items_.Count() - 1);
    itemIndex_ = index;
    for (std::size_t i = 0; i < buttons_.size(); ++i)
        SendMessageW(buttons_[i], BM_SETCHECK, static_cast<int>(i) == index ? BST_CHECKED : BST_UNCHECKED, 0);
}

void RadioGroup::SetColumns(int columns) {
    if (columns < 1) throw core::Error(NamePath() + ".Columns: at least one column");
    columns_ = columns;
    LayOut();
}

void RadioGroup::HandleCreated() {
    GroupBox::HandleCreated();
    buttons_.clear();
    MakeButtons();
}

void RadioGroup::MakeButtons() {
    if (!HandleAllocated()) return;
    const int index = itemIndex_;
    for (HWND button : buttons_) DestroyWindow(button);
    buttons_.clear();
    for (int i = 0; i < items_.Count(); ++i) {
        HWND button = CreateWindowExW(0, WC_BUTTONW, win::Widen(items_.Strings(i)).c_str(),
                                      WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0),
                                      0, 0, 0, 0, handle_, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (!button) throw core::Error(NamePath() + ": cannot create its buttons");
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(EffectiveFont().Handle()), FALSE);
        buttons_.push_back(button);
    }
    SetItemIndex(index);
    LayOut();
}

// Column after column below the caption, the rows sharing the height left: a button is
// (width - 10) / Columns wide, the rows start half the spare pixels below the caption.
void RadioGroup::LayOut() {
    if (!HandleAllocated() || buttons_.empty()) return;
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, EffectiveFont().Handle());
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen, &metrics);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    const int charHeight = metrics.tmHeight;
    const int count = static_cast<int>(buttons_.size());
    const int rows = (count + columns_ - 1) / columns_;
    const int width = (Width() - 10) / columns_;
    const int freeHeight = Height() - charHeight - 5;
    const int height = freeHeight / rows;
    const int firstTop = freeHeight % rows / 2 + charHeight + 1;
    for (int i = 0; i < count; ++i) {
        const int column = i / rows, row = i % rows;
        SetWindowPos(buttons_[static_cast<std::size_t>(i)], nullptr, column * width + 8, row * height + firstTop, width,
                     height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void RadioGroup::SaveLiveState() {
    if (HandleAllocated()) itemIndex_ = ItemIndex();
    buttons_.clear();  // they go with the window
    GroupBox::SaveLiveState();
}

void RadioGroup::Loaded() {
    GroupBox::Loaded();
    SetItemIndex(itemIndex_);
}

LRESULT RadioGroup::WndProc(UINT message, WPARAM w, LPARAM l) {
    const bool fromButton = std::find(buttons_.begin(), buttons_.end(), reinterpret_cast<HWND>(l)) != buttons_.end();
    if (message == WM_COMMAND && HIWORD(w) == BN_CLICKED && fromButton) {
        // Reported only when the checked button changes (a click on the checked one is none).
        const int index = ItemIndex();
        if (index != itemIndex_) {
            itemIndex_ = index;
            OnClick(*this);
        }
        return 0;
    }
    if (message == WM_CTLCOLORSTATIC && fromButton) {
        // Over a themed group the buttons show the group's own background.
        HDC dc = reinterpret_cast<HDC>(w);
        SetBkMode(dc, TRANSPARENT);
        if (IsAppThemed() && IsThemeActive()) {
            DrawThemeParentBackground(reinterpret_cast<HWND>(l), dc, nullptr);
            return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        }
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    LRESULT result = GroupBox::WndProc(message, w, l);
    if (message == WM_SIZE) LayOut();
    return result;
}

LARK_DEFINE_CLASS(Panel) {
    return core::ClassBuilder<Panel>("TPanel", &Control::StaticClass()) LARK_CAPTION(Panel, "Caption").Build();
}

void Panel::FillCreateParams(CreateParams& params) {
    Control::FillCreateParams(params);
    params.ownClass = true;
    params.style |= WS_CLIPCHILDREN;
    params.exStyle |= WS_EX_CONTROLPARENT;
}

}  // namespace lark::ui
