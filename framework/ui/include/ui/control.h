#pragma once
// Control: a component that is a window. Contract:
// - Every published property has a field. While there is no window (always the case while a
//   definition is read) the field is the truth; once the window exists a setter writes the field
//   and makes its one Win32 call.
// - What the user changes in the window (texts, check states, selections, column widths) is
//   live: the getter asks the window while it exists, and SaveLiveState copies it back into the
//   fields when the window is destroyed or re-created, so a re-created window shows it again.
// - Handle() creates the window on first use, with its parents and then its children (in
//   TabOrder). The parent reflects WM_COMMAND, WM_NOTIFY and WM_CTLCOLOR* to the child control,
//   so each control's behaviour stays in its class.
// - No exception leaves a window procedure: each hands it to Application::HandleException.
#include "ui/win32.h"

#include <functional>
#include <string>
#include <vector>

#include "core/component.h"
#include "core/event.h"

namespace lark::ui {

class PopupMenu;
class Form;

enum class Align { None, Top, Bottom, Left, Right, Client };

// A font as controls publish it ("TFont"): Height in pixels (negative: character height, as
// LOGFONT), Style a set of fsBold, fsItalic, fsUnderline, fsStrikeOut. Handle() is created on
// first use and again after a change.
class Font : public core::Persistent {
    LARK_PERSISTENT_CLASS(Font)
public:
    Font();
    ~Font() override;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    enum Style : unsigned { Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8 };

    const std::string& Name() const { return name_; }
    void SetName(std::string name);
    int Height() const { return height_; }
    void SetHeight(int height);
    int Charset() const { return charset_; }
    void SetCharset(int charset);
    core::SetValue Styles() const { return core::SetValue{styles_}; }
    void SetStyles(core::SetValue styles);
    void Assign(const Font& other);

    HFONT Handle();
    // Told after every change (the owning control re-applies the font).
    std::function<void()> onChange;

private:
    void Changed();
    std::string name_ = "Tahoma";
    int height_ = -11;
    int charset_ = DEFAULT_CHARSET;
    unsigned styles_ = 0;
    HFONT handle_ = nullptr;
};

class Control : public core::Component {
    LARK_PERSISTENT_CLASS(Control)
public:
    explicit Control(core::Component* owner = nullptr);
    ~Control() override;

    // Published: Left, Top, Width, Height, Visible, Enabled, Hint, TabOrder, TabStop, Font,
    // ParentFont, Align, PopupMenu, HelpContext; Caption or Text in the classes that show one.
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void SetLeft(int v) { SetBounds(v, Top(), Width(), Height()); }
    void SetTop(int v) { SetBounds(Left(), v, Width(), Height()); }
    void SetWidth(int v) { SetBounds(Left(), Top(), v, Height()); }
    void SetHeight(int v) { SetBounds(Left(), Top(), Width(), v); }
    virtual void SetBounds(int left, int top, int width, int height);
    bool Visible() const { return visible_; }
    virtual void SetVisible(bool visible);
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled);
    // The window text: Caption for labels, buttons and forms, Text for edits. Live.
    std::string Text() const;
    void SetText(std::string text);
    const std::string& Hint() const { return hint_; }
    void SetHint(std::string hint) { hint_ = std::move(hint); }
    int TabOrder() const { return tabOrder_; }
    void SetTabOrder(int order);
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool on);
    Font* GetFont() { return &font_; }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool on);
    Align GetAlign() const { return align_; }
    void SetAlign(Align align);
    PopupMenu* GetPopupMenu() const { return popupMenu_; }
    void SetPopupMenu(PopupMenu* menu);
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int context) { helpContext_ = context; }

    Control* Parent() const { return parent_; }
    void SetParent(Control* parent);
    const std::vector<Control*>& Controls() const { return children_; }
    // The form this control sits on (itself for a form); null when it has no form.
    Form* ParentForm();

    HWND Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }
    // Destroys the window (saving the live state first) and creates it again when it had one.
    void RecreateHandle();
    void DestroyHandle();
    void SetFocus();
    bool Focused() const;
    // The control a window belongs to, or null.
    static Control* FromHandle(HWND window);

    // Stands for a window this layer did not make (the header inside a list view, a window of
    // another component): Handle() answers it, FromHandle finds this control unless another one
    // has the window already, and the control follows the window until it is destroyed but never
    // destroys it (DestroyHandle and the destructor let go of it). Several controls may stand for
    // one window. Null lets go; a control with a window of its own refuses.
    void Attach(HWND window);
    bool Attached() const { return foreign_; }

    // Told when a control gets a window (made, before its children are; or attached) and before
    // it lets go of an attached window that stays: hooks that subclass windows from outside
    // follow a control's window here. One watcher per process; null removes it.
    class WindowWatcher {
    public:
        virtual ~WindowWatcher() = default;
        virtual void WindowAttached(Control& control) = 0;
        virtual void WindowReleasing(Control& control) = 0;
    };
    static void SetWindowWatcher(WindowWatcher* watcher);

    // The font the window uses: its own, or the parent's while ParentFont is set.
    Font& EffectiveFont();

    bool HasParent() const override { return true; }
    core::Component* GetParentComponent() const override { return parent_; }
    void SetParentComponent(core::Component* parent) override;
    void GetChildren(const std::function<void(core::Component*)>& proc, core::Component* root) override;
    void Notification(core::Component* component, core::Operation operation) override;

    // Multiplies the geometry and the font height (DPI scaling of a definition written at 96).
    virtual void ScaleBy(int numerator, int denominator);

protected:
    struct CreateParams {
        std::wstring className;         // WC_BUTTONW, ...; own classes: the published name
        DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
        DWORD exStyle = 0;
        UINT classStyle = CS_DBLCLKS;
        bool ownClass = false;          // register className with this layer's procedure
        bool dialogClass = false;       // own class with DLGWINDOWEXTRA, default DefDlgProcW
        HWND parentWindow = nullptr;    // top-level windows: the owner
        UINT_PTR id = 0;                // child windows: the control id
    };
    virtual void FillCreateParams(CreateParams& params);
    virtual void CreateHandle();
    // Pushes the fields into the new window (the base sets the font).
    virtual void HandleCreated();
    // Pulls what the user changed into the fields, before the window goes.
    virtual void SaveLiveState();
    // Reflected from the parent. `id` is the command id (tool bars name their buttons by it).
    virtual bool Command(WORD code, WORD id) { return false; }
    virtual bool Notify(NMHDR& header, LRESULT& result) { return false; }
    virtual bool CtlColor(UINT message, HDC dc, LRESULT& result) { return false; }
    virtual LRESULT WndProc(UINT message, WPARAM w, LPARAM l);
    // The class's own procedure.
    LRESULT Default(UINT message, WPARAM w, LPARAM l);
    // Lays the aligned children out in the client area.
    void AlignControls();
    // The area aligned children share (a page control leaves its tabs out).
    virtual void AdjustClientRect(RECT& rect) {}
    // A control that must come right before another in the tab order (a label before the control
    // its mnemonic focuses); null for the others.
    virtual Control* ZOrderBefore() const { return nullptr; }
    // Radio buttons form groups: the first of a run gets WS_GROUP, and so does the control after it.
    virtual bool IsRadio() const { return false; }
    bool StartsGroup() const;
    // Sets or clears style bits of the window (a no-op without one).
    void SetStyleBit(DWORD bit, bool on);
    // The child controls in TabOrder (stable for equal orders).
    std::vector<Control*> ChildrenInTabOrder() const;
    HWND handle_ = nullptr;
    std::string text_;

private:
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    static LRESULT CALLBACK OwnClassProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT Dispatch(UINT message, WPARAM w, LPARAM l);
    void AttachWindow(HWND window, bool subclass);
    void DetachWindow();
    void ReleaseForeignWindow();
    void ApplyFont();
    void FontChanged();
    void ArrangeZOrder();

    Control* parent_ = nullptr;
    std::vector<Control*> children_;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    std::string hint_;
    int tabOrder_ = -1;
    bool tabStop_ = false;
    Font font_;
    bool parentFont_ = true;
    Align align_ = Align::None;
    PopupMenu* popupMenu_ = nullptr;
    int helpContext_ = 0;
    bool subclassed_ = false;
    bool foreign_ = false;  // Attach: the window is not this control's to destroy
    bool dialogClass_ = false;
    bool aligning_ = false;
};

// A control that draws its whole client area itself: WM_PAINT and WM_PRINTCLIENT (screenshots, a
// parent composing its background) both reach Paint, and nothing is erased first, so it never
// flickers.
class PaintedControl : public Control {
public:
    using Control::Control;

protected:
    virtual void Paint(HDC dc) = 0;
    LRESULT WndProc(UINT message, WPARAM w, LPARAM l) override;
};

const core::TypeInfo& AlignType();

}  // namespace lark::ui
