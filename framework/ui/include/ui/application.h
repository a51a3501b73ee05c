#pragma once
// The application object: the hidden top-level application window (its class and title are
// what other programs look for), the main message loop, registered-message handlers, and the one
// place every failure inside a window procedure, timer or event handler ends: HandleException
// logs it and shows it (ShowError; tests replace it). Modal forms announce themselves through
// OnModalBegin/OnModalEnd. Inside a host process (the shell extension) there is no Run, but
// HandleException and the resource module serve the same.
#include "ui/win32.h"

#include <exception>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "core/event.h"

namespace lark::ui {

class Form;

class Application {
public:
    static Application& Instance();

    // Registers the hidden window's class (windowClass) and creates it titled `title`; loads
    // the common controls. Forms read their definitions from `resources` (the program, or the
    // DLL's own instance).
    void Initialize(HINSTANCE resources, std::wstring windowClass, std::string title);
    HINSTANCE ResourceModule() const { return resources_ ? resources_ : GetModuleHandleW(nullptr); }
    void SetResourceModule(HINSTANCE module) { resources_ = module; }
    HWND Handle() const { return handle_; }
    const std::string& Title() const { return title_; }

    // Shows the main form (unless `showMainForm` is false: a program living in the notification
    // area starts hidden) and runs the message loop until WM_QUIT; its exit code. Closing the
    // main form ends the loop.
    int Run(Form& mainForm, bool showMainForm = true);
    Form* MainForm() const { return mainForm_; }
    void Terminate();

    // A registered window message arriving at the hidden window.
    void OnRegisteredMessage(std::string_view name, std::function<void(WPARAM, LPARAM)> handler);

    // Where every failure inside a window procedure, timer, hook or event handler ends. Never
    // throws.
    void HandleException(std::exception_ptr failure) noexcept;
    // Shows a failure to the user (default: an error box owned by the active window).
    std::function<void(const std::string& text)> ShowError;
    // Records a failure (default: the debugger output).
    std::function<void(const std::string& text)> Log;

    // Idle work: update handlers of the actions of every shown form, then OnIdle.
    void Idle();

    // The hint of what the mouse is over (a control, a tool button) or of the menu item being
    // chosen; OnHint follows every change (a status bar shows LongHint(Hint())).
    const std::string& Hint() const { return hint_; }
    void SetHint(std::string hint);
    // The hint of the control or tool button under the mouse in `window`.
    void HintAt(HWND window, POINT clientPoint);

    core::Event<Form&> OnModalBegin, OnModalEnd;
    core::Event<> OnIdle, OnHint;

private:
    Application();
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);

    HINSTANCE resources_ = nullptr;
    HWND handle_ = nullptr;
    std::string title_;
    Form* mainForm_ = nullptr;
    std::map<UINT, std::function<void(WPARAM, LPARAM)>> registered_;
    bool showing_ = false;
    std::string hint_;
};

// Forms read their definitions from `module` while the scope lasts: a library's dialogs shown
// inside a host program whose own resources hold none of them.
class ResourceModuleScope {
public:
    explicit ResourceModuleScope(HINSTANCE module) : previous_(Application::Instance().ResourceModule()) {
        Application::Instance().SetResourceModule(module);
    }
    ~ResourceModuleScope() { Application::Instance().SetResourceModule(previous_); }
    ResourceModuleScope(const ResourceModuleScope&) = delete;
    ResourceModuleScope& operator=(const ResourceModuleScope&) = delete;

private:
    HINSTANCE previous_;
};

// A hint is "short|long": the short part shows as a tool tip, the long one in a status bar. A
// hint without "|" is both.
std::string ShortHint(std::string_view hint);
std::string LongHint(std::string_view hint);

// Loads the common controls of every class the layer uses (once).
void InitCommonControls();

}  // namespace lark::ui
