#pragma once
// Form: a top-level window made from its definition. Contract:
// - Make<F>() constructs F, reads the definition of every class of F's published chain that has
//   one (an RCDATA resource named after the published class, upper case, from the application's
//   resource module), base class first and as one read (fields and handlers bind after the
//   last), then raises OnCreate.
// - Show/ShowModal create the handles (form, then children in TabOrder), tell the listeners
//   (FormShowing), raise OnShow and show. Close asks OnCloseQuery and every listener. Destruction
//   tells the listeners (FormDestroying) and raises OnDestroy while every component still exists.
// - The window class has DLGWINDOWEXTRA and ends in DefDlgProcW, with WS_EX_CONTROLPARENT, so the
//   dialog manager gives Tab, Shift+Tab, mnemonics, Enter (the Default button) and Esc (the
//   Cancel button, id IDCANCEL) to every form.
// - ShowModal disables the owner, runs its own loop until a modal result is set (and the close
//   is allowed), re-enables the owner before hiding, and posts a WM_QUIT it saw again.
#include "ui/win32.h"

#include <memory>
#include <vector>

#include "core/stream.h"
#include "ui/control.h"

namespace lark::ui {

class MainMenu;
class Action;

enum class ModalResult { None, Ok, Cancel, Abort, Retry, Ignore, Yes, No, All, NoToAll, YesToAll };
enum class BorderStyle { None, Single, Sizeable, Dialog, ToolWindow, SizeToolWin };
enum class Position { Designed, Default, ScreenCenter, OwnerFormCenter };

const core::TypeInfo& ModalResultType();

class FormListener {
public:
    virtual ~FormListener() = default;
    virtual void FormShowing(class Form&) {}
    virtual bool FormCloseQuery(class Form&) { return true; }
    virtual void FormDestroying(class Form&) {}
};

class Form : public Control {
    LARK_PERSISTENT_CLASS(Form)
public:
    explicit Form(core::Component* owner = nullptr);
    ~Form() override;

    template <class F, class... A>
    static std::unique_ptr<F> Make(core::Component* owner, A&&... args) {
        auto form = std::make_unique<F>(owner, std::forward<A>(args)...);
        form->ReadDefinitions();
        form->OnCreate(*form);
        return form;
    }
    // Reads one definition (a component stream) into this form.
    void ReadDefinition(core::Stream& stream);
    // The definitions of the published class chain, from the resource module.
    void ReadDefinitions();

    // Published: Caption, BorderStyle, Position, ClientWidth, ClientHeight, Menu, KeyPreview.
    std::string Caption() const { return Text(); }
    void SetCaption(std::string caption) { SetText(std::move(caption)); }
    BorderStyle GetBorderStyle() const { return borderStyle_; }
    void SetBorderStyle(BorderStyle style);
    Position GetPosition() const { return position_; }
    void SetPosition(Position position) { position_ = position; }
    int ClientWidth() const;
    int ClientHeight() const;
    void SetClientWidth(int width);
    void SetClientHeight(int height);
    MainMenu* Menu() const { return menu_; }
    void SetMenu(MainMenu* menu);
    // The window class; by default the published class name.
    void SetWindowClassName(std::wstring name) { windowClass_ = std::move(name); }
    // The owner window (a modal form's is disabled while it runs). Default: the form owning
    // this one, else the active window when shown modally, else the main form.
    void SetOwnerWindow(HWND owner) { ownerWindow_ = owner; }

    void Show();
    void Hide();
    // Asks OnCloseQuery and the listeners; a modal form ends its loop with Cancel.
    void Close();
    bool CloseQuery();
    ModalResult ShowModal();
    bool Modal() const { return modal_; }
    ModalResult GetModalResult() const { return modalResult_; }
    void SetModalResult(ModalResult result) { modalResult_ = result; }

    void AddListener(FormListener* listener);
    void RemoveListener(FormListener* listener);

    // Shortcuts of this form's actions and menu items (null when none); rebuilt after a change.
    HACCEL Accelerators();
    void ShortCutsChanged() { acceleratorsDirty_ = true; }
    // Runs the update handlers of the actions this form owns.
    void UpdateActions();
    // Every form alive, in creation order.
    static const std::vector<Form*>& All();

    void ScaleBy(int numerator, int denominator) override;

    core::NotifyEvent OnCreate, OnShow, OnHide, OnDestroy;
    core::CloseQueryEvent OnCloseQuery;

protected:
    void FillCreateParams(CreateParams& params) override;
    void HandleCreated() override;
    LRESULT WndProc(UINT message, WPARAM w, LPARAM l) override;

private:
    void PlaceOnShow();
    HWND DefaultOwner() const;
    Control* FindControlById(Control& parent, UINT id);
    Control* FindDefaultButton(Control& parent);
    void CommandFromKeyboardOrMenu(WORD id);

    BorderStyle borderStyle_ = BorderStyle::Sizeable;
    Position position_ = Position::Designed;
    int clientWidth_ = 0, clientHeight_ = 0;
    MainMenu* menu_ = nullptr;
    std::wstring windowClass_;
    HWND ownerWindow_ = nullptr;
    HWND modalOwner_ = nullptr;
    bool modal_ = false;
    ModalResult modalResult_ = ModalResult::None;
    bool scaled_ = false;
    bool placed_ = false;
    std::vector<FormListener*> listeners_;
    HACCEL accelerators_ = nullptr;
    bool acceleratorsDirty_ = true;
};

}  // namespace lark::ui
