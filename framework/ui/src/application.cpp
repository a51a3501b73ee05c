#include "ui/application.h"

#include <commctrl.h>

#include "ui/bars.h"
#include "ui/form.h"
#include "ui/message_loop.h"
#include "win/text.h"

namespace lark::ui {

void InitCommonControls() {
    static const bool done = [] {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES |
                                                 ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS |
                                                 ICC_STANDARD_CLASSES};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)done;
}

Application& Application::Instance() {
    static Application instance;
    return instance;
}

Application::Application() {
    InitCommonControls();
    Log = [](const std::string& text) { OutputDebugStringW(win::Widen(text + "\n").c_str()); };
    ShowError = [this](const std::string& text) {
        MessageBoxW(GetActiveWindow(), win::Widen(text).c_str(), win::Widen(title_).c_str(), MB_OK | MB_ICONERROR);
    };
}

void Application::Initialize(HINSTANCE resources, std::wstring windowClass, std::string title) {
    resources_ = resources;
    title_ = std::move(title);
    if (handle_) {
        SetWindowTextW(handle_, win::Widen(title_).c_str());
        return;
    }
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = windowClass.c_str();
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw core::Error("cannot register the application window class");
    // A normal hidden top-level window (not message-only): broadcasts reach it.
    handle_ = CreateWindowExW(WS_EX_TOOLWINDOW, windowClass.c_str(), win::Widen(title_).c_str(), WS_POPUP, 0, 0, 0, 0,
                              nullptr, nullptr, wc.hInstance, nullptr);
    if (!handle_) throw core::Error("cannot create the application window");
}

void Application::OnRegisteredMessage(std::string_view name, std::function<void(WPARAM, LPARAM)> handler) {
    UINT message = RegisterWindowMessageW(win::Widen(name).c_str());
    if (!message) throw core::Error("cannot register the window message " + std::string(name));
    registered_[message] = std::move(handler);
}

LRESULT CALLBACK Application::WindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    Application& app = Instance();
    try {
        if (auto found = app.registered_.find(message); found != app.registered_.end()) {
            found->second(w, l);
            return 0;
        }
        if (message == WM_CLOSE) {
            app.Terminate();
            return 0;
        }
    } catch (...) {
        app.HandleException(std::current_exception());
        return 0;
    }
    return DefWindowProcW(window, message, w, l);
}

int Application::Run(Form& mainForm, bool showMainForm) {
    mainForm_ = &mainForm;
    if (showMainForm) mainForm.Show();
    MessageLoop loop;
    int code = loop.Run();
    mainForm_ = nullptr;
    return code;
}

void Application::Terminate() { PostQuitMessage(0); }

void Application::Idle() {
    try {
        for (Form* form : Form::All())
            if (form->HandleAllocated() && IsWindowVisible(form->Handle())) form->UpdateActions();
        OnIdle();
    } catch (...) {
        HandleException(std::current_exception());
    }
}

std::string ShortHint(std::string_view hint) { return std::string(hint.substr(0, hint.find('|'))); }

std::string LongHint(std::string_view hint) {
    const std::size_t bar = hint.find('|');
    return std::string(bar == std::string_view::npos ? hint : hint.substr(bar + 1));
}

void Application::SetHint(std::string hint) {
    if (hint == hint_) return;
    hint_ = std::move(hint);
    OnHint();
}

void Application::HintAt(HWND window, POINT point) {
    std::string hint;
    if (dynamic_cast<ToolBar*>(Control::FromHandle(window))) {
        const auto index = static_cast<int>(SendMessageW(window, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&point)));
        TBBUTTON button{};
        if (index >= 0 && SendMessageW(window, TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&button)))
            if (CommandTarget* target = CommandTarget::Find(static_cast<WORD>(button.idCommand))) hint = target->CommandHint();
    } else {
        for (HWND w = window; w && hint.empty(); w = GetParent(w))
            if (Control* control = Control::FromHandle(w)) hint = control->Hint();
    }
    SetHint(std::move(hint));
}

void Application::HandleException(std::exception_ptr failure) noexcept {
    std::string text;
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        text = e.what();
    } catch (...) {
        text = "unknown failure";
    }
    try {
        if (Log) Log(text);
        // A failure while an error is shown (a timer firing under the box) is logged only.
        if (ShowError && !showing_) {
            showing_ = true;
            ShowError(text);
            showing_ = false;
        }
    } catch (...) {
        showing_ = false;
        OutputDebugStringW(win::Widen("failure while reporting: " + text + "\n").c_str());
    }
}

}  // namespace lark::ui
