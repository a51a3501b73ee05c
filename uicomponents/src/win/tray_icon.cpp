#include "uicomponents/tray_icon.h"

#include <windowsx.h>

#include <algorithm>

#include "core/compiler.h"
#include "ui/application.h"
#include "ui/menus.h"
#include "ui/reference.h"
#include "uicomponents/icon_file.h"
#include "uicomponents/icon_list_format.h"
#include "win/text.h"

namespace lark::ui {

namespace {
constexpr wchar_t kWindowClass[] = L"TUiTrayIconWindow";
constexpr UINT_PTR kAnimationTimer = 1;
constexpr std::size_t kTipLength = 63;

UINT TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

void RegisterWindowClass(WNDPROC proc) {
    static const bool registered = [proc] {
        WNDCLASSEXW wc{sizeof(wc)};
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kWindowClass;
        if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            throw core::Error("TUiTrayIcon: cannot register its window class");
        return true;
    }();
    (void)registered;
}

unsigned KeyShiftState() {
    unsigned shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) shift |= kShiftKey;
    if (GetKeyState(VK_MENU) < 0) shift |= kAltKey;
    if (GetKeyState(VK_CONTROL) < 0) shift |= kCtrlKey;
    return shift;
}

HICON CopyOf(HICON icon) { return icon ? CopyIcon(icon) : nullptr; }
}  // namespace

std::function<BOOL(DWORD, NOTIFYICONDATAW&)> TrayIcon::ShellNotify = [](DWORD message, NOTIFYICONDATAW& data) {
    return Shell_NotifyIconW(message, &data);
};

// GCC 12 sees the moved-from std::variant default values of this builder as maybe destroyed
// uninitialised (GCC bug 80635, the std::optional false positive).
LARK_GCC_FALSE_POSITIVE("-Wmaybe-uninitialized")
LARK_DEFINE_CLASS(TrayIcon) {
    using core::Value;
    return core::ClassBuilder<TrayIcon>("TUiTrayIcon", &core::Component::StaticClass())
        .Prop("Active", core::BooleanType(), &TrayIcon::Active, &TrayIcon::SetActive, Value(std::int64_t(1)))
        .Prop("Animated", core::BooleanType(), &TrayIcon::Animated, &TrayIcon::SetAnimated, Value(std::int64_t(0)))
        .Prop("Enabled", core::BooleanType(), &TrayIcon::Enabled, &TrayIcon::SetEnabled, Value(std::int64_t(1)))
        .Prop("Hint", core::StringType(), &TrayIcon::Hint, &TrayIcon::SetHint, Value(std::string()))
        .Prop("Interval", core::CardinalType(), &TrayIcon::Interval, &TrayIcon::SetInterval, Value(std::int64_t(150)))
        .Custom(
            "PopupMenu", core::ClassTypeOf<PopupMenu>(),
            [](const TrayIcon& t) { return Value(static_cast<core::Persistent*>(t.GetPopupMenu())); },
            [](TrayIcon& t, const Value& v) { t.SetPopupMenu(dynamic_cast<PopupMenu*>(core::AsObject(v))); })
        .Event("OnClick", &TrayIcon::OnClick)
        .Event("OnDblClick", &TrayIcon::OnDblClick)
        .Event("OnMouseDown", &TrayIcon::OnMouseDown)
        .Event("OnMouseMove", &TrayIcon::OnMouseMove)
        .Event("OnMouseUp", &TrayIcon::OnMouseUp)
        .Build();
}
LARK_GCC_FALSE_POSITIVE_END

TrayIcon::TrayIcon(core::Component* owner) : core::Component(owner) {
    RegisterWindowClass(&WindowProc);
    // Hidden but top-level: only top-level windows hear the "TaskbarCreated" broadcast.
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    if (!window_) throw core::Error("TUiTrayIcon: cannot create its window");
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TrayIcon::~TrayIcon() {
    BeginDestroy();
    enabled_ = false;
    animated_ = false;
    RemoveIcon();
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
    if (icon_) DestroyIcon(icon_);
    for (HICON frame : frames_)
        if (frame) DestroyIcon(frame);
    SetReference<PopupMenu>(*this, popupMenu_, nullptr);
}

void TrayIcon::SetActive(bool active) {
    if (active == active_) return;
    active_ = active;
    if (IsLoading()) return;
    if (active_)
        PlaceIcon();
    else
        RemoveIcon();
}

void TrayIcon::SetHint(std::string hint) {
    if (hint == hint_) return;
    hint_ = std::move(hint);
    RefreshIcon();
}

void TrayIcon::SetIcon(HICON icon) {
    HICON copy = CopyOf(icon);
    if (icon && !copy) throw core::Error(NamePath() + ".Icon: cannot copy the icon");
    if (icon_) DestroyIcon(icon_);
    icon_ = copy;
    RefreshIcon();
}

void TrayIcon::SetIcons(const std::vector<HICON>& frames) {
    std::vector<HICON> copies;
    for (HICON frame : frames) copies.push_back(CopyOf(frame));
    for (HICON frame : frames_)
        if (frame) DestroyIcon(frame);
    frames_ = std::move(copies);
    RefreshIcon();
}

void TrayIcon::SetAnimated(bool on) {
    on = on && !frames_.empty();
    if (on == animated_) return;
    animated_ = on;
    frame_ = 0;
    UpdateTimer();
    RefreshIcon();
}

void TrayIcon::SetInterval(int interval) {
    if (interval < 0 || interval > 0xFFFF) throw core::Error(NamePath() + ".Interval: must be 0 to 65535");
    interval_ = interval;
    UpdateTimer();
}

void TrayIcon::SetPopupMenu(PopupMenu* menu) { SetReference(*this, popupMenu_, menu); }

void TrayIcon::Notification(core::Component* component, core::Operation operation) {
    core::Component::Notification(component, operation);
    if (operation == core::Operation::Remove && component == popupMenu_) popupMenu_ = nullptr;
}

void TrayIcon::DefineProperties(core::Filer& filer) {
    core::Component::DefineProperties(filer);
    filer.DefineBinaryProperty(
        "Icon",
        [this](const std::vector<std::uint8_t>& bytes) {
            HICON icon = IconFromFile(bytes);
            SetIcon(icon);
            DestroyIcon(icon);
        },
        [this](std::vector<std::uint8_t>& bytes) { bytes = IconFileOf(icon_); }, icon_ != nullptr);
    filer.DefineBinaryProperty(
        "Icons",
        [this](const std::vector<std::uint8_t>& bytes) {
            std::vector<HICON> frames;
            try {
                for (const IconFileBytes& entry : ReadIconList(bytes))
                    frames.push_back(entry.empty() ? nullptr : IconFromFile(entry));
            } catch (...) {
                for (HICON frame : frames)
                    if (frame) DestroyIcon(frame);
                throw;
            }
            SetIcons(frames);
            for (HICON frame : frames)
                if (frame) DestroyIcon(frame);
        },
        [this](std::vector<std::uint8_t>& bytes) {
            std::vector<IconFileBytes> entries;
            for (HICON frame : frames_) entries.push_back(frame ? IconFileOf(frame) : IconFileBytes{});
            bytes = WriteIconList(entries);
        },
        !frames_.empty());
}

void TrayIcon::Loaded() {
    core::Component::Loaded();
    if (active_) PlaceIcon();
}

HICON TrayIcon::DisplayedIcon() const {
    if (animated_ && !frames_.empty())
        return frames_[static_cast<std::size_t>(std::clamp(frame_, 0, static_cast<int>(frames_.size()) - 1))];
    return icon_;
}

std::wstring TrayIcon::TipOf(const std::string& hint) {
    std::wstring tip = win::Widen(hint.substr(0, hint.find('|')));
    if (tip.size() > kTipLength) tip.resize(kTipLength);
    return tip;
}

NOTIFYICONDATAW TrayIcon::NotifyRecord() const {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = window_;
    data.uID = 0;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kCallbackMessage;
    data.hIcon = DisplayedIcon();
    const std::wstring tip = TipOf(hint_);
    std::copy(tip.begin(), tip.end(), data.szTip);
    return data;
}

void TrayIcon::PlaceIcon() {
    RemoveIcon();
    if (!DisplayedIcon()) return;
    leftPending_ = rightPending_ = false;
    NOTIFYICONDATAW data = NotifyRecord();
    added_ = ShellNotify(NIM_ADD, data) != FALSE;
    UpdateTimer();
}

void TrayIcon::RemoveIcon() {
    if (added_) {
        NOTIFYICONDATAW data = NotifyRecord();
        ShellNotify(NIM_DELETE, data);
    }
    added_ = false;
    leftPending_ = rightPending_ = false;
    UpdateTimer();
}

void TrayIcon::RefreshIcon() {
    if (frames_.empty() && animated_) {
        animated_ = false;
        UpdateTimer();
    }
    if (added_) {
        if (!DisplayedIcon()) {
            RemoveIcon();
            return;
        }
        NOTIFYICONDATAW data = NotifyRecord();
        ShellNotify(NIM_MODIFY, data);
    } else if (Showing()) {
        PlaceIcon();
    }
}

void TrayIcon::UpdateTimer() {
    if (!window_) return;
    if (animated_ && added_ && interval_ > 0)
        SetTimer(window_, kAnimationTimer, static_cast<UINT>(interval_), nullptr);
    else
        KillTimer(window_, kAnimationTimer);
}

void TrayIcon::NextFrame() {
    if (IsDestroying() || !animated_) return;
    if (++frame_ >= static_cast<int>(frames_.size())) frame_ = 0;
    RefreshIcon();
}

LRESULT CALLBACK TrayIcon::WindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<TrayIcon*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, w, l);
    try {
        return self->HandleMessage(message, w, l);
    } catch (...) {
        Application::Instance().HandleException(std::current_exception());
        return 0;
    }
}

LRESULT TrayIcon::HandleMessage(UINT message, WPARAM w, LPARAM l) {
    if (message == kCallbackMessage && enabled_) {
        MouseNotification(static_cast<UINT>(l));
        return 0;
    }
    if (message == WM_TIMER && w == kAnimationTimer) {
        NextFrame();
        return 0;
    }
    if (message == TaskbarCreatedMessage()) {
        // The taskbar (re)started and holds no icon of ours.
        added_ = false;
        if (Showing()) PlaceIcon();
        return 0;
    }
    return DefWindowProcW(window_, message, w, l);
}

void TrayIcon::MouseNotification(UINT mouseMessage) {
    POINT at{};
    GetCursorPos(&at);
    const unsigned shift = KeyShiftState();
    if (mouseMessage == WM_MOUSEMOVE) {
        OnMouseMove(*this, shift, at.x, at.y);
        return;
    }
    if (mouseMessage < WM_LBUTTONDOWN || mouseMessage > WM_MBUTTONDBLCLK) return;
    // Down, up and double click of the left, right and middle button follow each other.
    const UINT offset = mouseMessage - WM_LBUTTONDOWN;
    const auto button = static_cast<MouseButton>(offset / 3);
    const unsigned buttonShift = button == MouseButton::Left    ? kLeftButton
                                 : button == MouseButton::Right ? kRightButton
                                                                : kMiddleButton;
    // A click needs its own press since the icon was shown; the middle button has no click.
    bool* pending = button == MouseButton::Left ? &leftPending_ : button == MouseButton::Right ? &rightPending_ : nullptr;
    switch (offset % 3) {
    case 0:
        OnMouseDown(*this, button, shift | buttonShift, at.x, at.y);
        if (pending) *pending = true;
        break;
    case 1:
        if (pending && *pending) {
            *pending = false;
            Click(button, shift | buttonShift, at.x, at.y);
        }
        OnMouseUp(*this, button, shift | buttonShift, at.x, at.y);
        break;
    default:
        if (button == MouseButton::Left) DblClick();
        OnMouseDown(*this, button, shift | kDoubleClick, at.x, at.y);
        break;
    }
}

void TrayIcon::Click(MouseButton button, unsigned shift, int x, int y) {
    if (button == MouseButton::Right && OpenTrayMenu(x, y)) return;
    OnClick(*this, button, shift, x, y);
}

void TrayIcon::DblClick() {
    if (!RunDefaultMenuItem()) OnDblClick(*this);
}

bool TrayIcon::OpenTrayMenu(int x, int y) {
    if (!active_ || !popupMenu_ || IsDestroying()) return false;
    // Owned by the hidden window, which Popup brings to the foreground: only then does the menu
    // close when the user clicks elsewhere.
    popupMenu_->Popup(x, y, window_);
    return true;
}

bool TrayIcon::RunDefaultMenuItem() {
    if (!active_ || !popupMenu_) return false;
    for (MenuItem* item : popupMenu_->Items())
        if (item->Default() && item->Enabled()) {
            item->Click();
            return true;
        }
    return false;
}

}  // namespace lark::ui
