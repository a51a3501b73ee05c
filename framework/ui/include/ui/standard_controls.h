#pragma once
// The standard controls over the system window classes (labels are STATIC windows) and the
// panel (an own class). Live properties (read from the window while it exists and saved back
// before it goes): Edit::Text, ComboBox::Text and ItemIndex, CheckBox/RadioButton::Checked.
#include "ui/win32.h"

#include <string>
#include <vector>

#include "core/event.h"
#include "core/strings_object.h"
#include "ui/actions.h"
#include "ui/control.h"
#include "ui/form.h"

namespace lark::ui {

enum class Alignment { LeftJustify, RightJustify, Center };
const core::TypeInfo& AlignmentType();

class Label : public Control {
    LARK_PERSISTENT_CLASS(Label)
public:
    explicit Label(core::Component* owner = nullptr);
    // Published: Caption, Alignment, WordWrap, FocusControl (the control its mnemonic focuses).
    Alignment GetAlignment() const { return alignment_; }
    void SetAlignment(Alignment alignment);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool on);
    Control* FocusControl() const { return focusControl_; }
    void SetFocusControl(Control* control);
    void Notification(core::Component* component, core::Operation operation) override;

protected:
    void FillCreateParams(CreateParams& params) override;
    Control* ZOrderBefore() const override { return focusControl_; }

private:
    Alignment alignment_ = Alignment::LeftJustify;
    bool wordWrap_ = false;
    Control* focusControl_ = nullptr;
};

class Button : public Control, public ActionClient {
    LARK_PERSISTENT_CLASS(Button)
public:
    explicit Button(core::Component* owner = nullptr);
    // Published: Caption, Default (BS_DEFPUSHBUTTON and the form's default id), Cancel (the id
    // IDCANCEL, so Esc clicks it), ModalResult (set on the form when clicked), Action, OnClick.
    bool Default() const { return default_; }
    void SetDefault(bool on);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool on);
    ModalResult GetModalResult() const { return modalResult_; }
    void SetModalResult(ModalResult result) { modalResult_ = result; }
    // Sets the form's modal result, then runs the action or OnClick.
    virtual void Click();
    void ActionChanged(Action& action) override;
    void Notification(core::Component* component, core::Operation operation) override;

    core::NotifyEvent OnClick;

protected:
    void FillCreateParams(CreateParams& params) override;
    void HandleCreated() override;
    bool Command(WORD code, WORD id) override;

private:
    bool default_ = false, cancel_ = false;
    ModalResult modalResult_ = ModalResult::None;
};

// Check boxes and radio buttons: Checked is live; OnClick after the user changed it.
class CheckBox : public Control {
    LARK_PERSISTENT_CLASS(CheckBox)
public:
    explicit CheckBox(core::Component* owner = nullptr);
    bool Checked() const;
    void SetChecked(bool checked);
    core::NotifyEvent OnClick;

protected:
    void FillCreateParams(CreateParams& params) override;
    void HandleCreated() override;
    void SaveLiveState() override;
    bool Command(WORD code, WORD id) override;

private:
    bool checked_ = false;
};

class RadioButton : public CheckBox {
    LARK_PERSISTENT_CLASS(RadioButton)
public:
    explicit RadioButton(core::Component* owner = nullptr) : CheckBox(owner) {}

protected:
    void FillCreateParams(CreateParams& params) override;
    bool IsRadio() const override { return true; }
};

class Edit : public Control {
    LARK_PERSISTENT_CLASS(Edit)
public:
    explicit Edit(core::Component* owner = nullptr);
    // Published: Text (live), MaxLength, PasswordChar, ReadOnly, OnChange.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int length);
    const std::string& PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(std::string c);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool on);
    core::NotifyEvent OnChange;

protected:
    void FillCreateParams(CreateParams& params) override;
    void HandleCreated() override;
    bool Command(WORD code, WORD id) override;

private:
    int maxLength_ = 0;
    std::string passwordChar_;
    bool readOnly_ = false;
};

// A multi-line edit: lines wrap at the right edge, a vertical scroll bar, Enter starts a new
// line. Text holds the lines separated by CR LF.
class Memo : public Edit {
    LARK_PERSISTENT_CLASS(Memo)
public:
    explicit Memo(core::Component* owner = nullptr) : Edit(owner) {}

protected:
    void FillCreateParams(CreateParams& params) override;
};

enum class ComboStyle { DropDown, DropDownList };

class ComboBox : public Control {
    LARK_PERSISTENT_CLASS(ComboBox)
public:
    explicit ComboBox(core::Component* owner = nullptr);
    // Published: Items, ItemIndex (live), Style, Text (live), OnChange.
    core::StringsObject* Items() { return &items_; }
    int ItemIndex() const;
    void SetItemIndex(int index);
    ComboStyle Style() const { return style_; }
    void SetStyle(ComboStyle style);
    core::NotifyEvent OnChange;

protected:
    void FillCreateParams(CreateParams& params) override;
    void HandleCreated() override;
    void SaveLiveState() override;
    bool Command(WORD code, WORD id) override;

private:
    void FillItems();
    core::StringsObject items_;
    int itemIndex_ = -1;
    ComboStyle style_ = ComboStyle::DropDown;
};

class GroupBox : public Control {
    LARK_PERSISTENT_CLASS(GroupBox)
public:
    explicit GroupBox(core::Component* owner = nullptr) : Control(owner) {}

protected:
    void FillCreateParams(CreateParams& params) override;
    // The system's group box leaves its inside to its parent; here it holds the controls itself.
    LRESULT WndProc(UINT message, WPARAM w, LPARAM l) override;
};

// A group box of radio buttons made from Items, in Columns; ItemIndex is live and kept within
// -1..count-1 (-1: none checked). The buttons are windows of the group, not components; over a
// themed group they draw on its background with a transparent background mode.
class RadioGroup : public GroupBox {
    LARK_PERSISTENT_CLASS(RadioGroup)
public:
    explicit RadioGroup(core::Component* owner = nullptr);
    core::StringsObject* Items() { return &items_; }
    int ItemIndex() const;
    void SetItemIndex(int index);
    int Columns() const { return columns_; }
    void SetColumns(int columns);
    void Loaded() override;
    // After the user checked another button (not when code sets ItemIndex).
    core::NotifyEvent OnClick;

protected:
    void HandleCreated() override;
    void SaveLiveState() override;
    LRESULT WndProc(UINT message, WPARAM w, LPARAM l) override;

private:
    void MakeButtons();
    void LayOut();
    core::StringsObject items_;
    int itemIndex_ = -1, columns_ = 1;
    std::vector<HWND> buttons_;
};

class Panel : public Control {
    LARK_PERSISTENT_CLASS(Panel)
public:
    explicit Panel(core::Component* owner = nullptr) : Control(owner) {}

protected:
    void FillCreateParams(CreateParams& params) override;
};

}  // namespace lark::ui
