// The window side of TFormPlacement: the placement record of a real window, the size limits
// applied through the window hook, listening to the owner form's life cycle, and the registry
// store.
#include "ui/win32.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "../placement_detail.h"
#include "core/integer_text.h"
#include "storage/form_placement.h"
#include "storage/text_helpers.h"
#include "storage/window_hook_win.h"
#include "ui/form.h"
#include "win/module_path.h"
#include "win/registry.h"
#include "win/text.h"

namespace lark::storage {
namespace {

HKEY RootKey(TPlacementRegRoot root) {
    switch (root) {
    case TPlacementRegRoot::prCurrentUser: return HKEY_CURRENT_USER;
    case TPlacementRegRoot::prLocalMachine: return HKEY_LOCAL_MACHINE;
    case TPlacementRegRoot::prCurrentConfig: return HKEY_CURRENT_CONFIG;
    case TPlacementRegRoot::prClassesRoot: return HKEY_CLASSES_ROOT;
    case TPlacementRegRoot::prUsers: return HKEY_USERS;
    case TPlacementRegRoot::prDynData: return HKEY_DYN_DATA;
    }
    return HKEY_CURRENT_USER;
}

// Sections are subkeys of the key, values are strings. Nothing is opened ahead: a read never
// creates a key, and a write creates only the key it writes to.
class RegistrySettings : public SettingsStore {
public:
    RegistrySettings(HKEY root, std::string key) : root_(root), key_(std::move(key)) {}
    std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) override {
        auto v = win::ReadRegistryString(root_, Path(section), key);
        return v ? *v : std::string(defaultValue);
    }
    void WriteString(std::string_view section, std::string_view key, std::string_view value) override {
        win::WriteRegistryString(root_, Path(section), key, value);
    }
    void EraseSection(std::string_view section) override { win::DeleteRegistryTree(root_, Path(section)); }
    std::vector<std::string> SectionKeys(std::string_view section) override {
        return win::ReadRegistryValueNames(root_, Path(section));
    }

private:
    std::string Path(std::string_view section) const {
        return section.empty() ? key_ : key_ + "\\" + std::string(section);
    }
    HKEY root_;
    std::string key_;
};

int ScreenPixelsPerInch() {
    HDC dc = GetDC(nullptr);
    const int ppi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return ppi;
}

std::string Format4(long a, long b, long c, long d) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%ld,%ld,%ld,%ld", a, b, c, d);
    return buf;
}

std::string ScreenSizeSuffix() {
    char buf[40];
    std::snprintf(buf, sizeof buf, "(%dx%d)", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return buf;
}

// The text under the key with the screen-size suffix, else under the plain key.
std::string ReadSized(TFormPlacement& store, std::string_view section, const std::string& key) {
    std::string v = store.ReadStoredString(section, key + ScreenSizeSuffix(), "");
    return v.empty() ? store.ReadStoredString(section, key, "") : v;
}

// A rectangle on no monitor (one that was unplugged since) is moved onto the nearest monitor's
// work area, shrunk to fit, so the window never opens where nobody can see or reach it.
void BringOnScreen(RECT& r) {
    if (MonitorFromRect(&r, MONITOR_DEFAULTTONULL)) return;
    MONITORINFO mi{sizeof mi};
    if (!GetMonitorInfoW(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &mi)) return;
    const RECT& work = mi.rcWork;
    const long width = std::min(r.right - r.left, work.right - work.left);
    const long height = std::min(r.bottom - r.top, work.bottom - work.top);
    const long left = std::clamp(r.left, work.left, work.right - width);
    const long top = std::clamp(r.top, work.top, work.bottom - height);
    r = RECT{left, top, left + width, top + height};
}

bool IsDialogFrame(HWND hwnd) { return GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME; }

// The maximized position that hides the window's border off the screen edge.
POINT MaximizedOrigin(HWND hwnd) {
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    if (style & WS_THICKFRAME) return POINT{-GetSystemMetrics(SM_CXSIZEFRAME), -GetSystemMetrics(SM_CYSIZEFRAME)};
    if (IsDialogFrame(hwnd)) return POINT{-GetSystemMetrics(SM_CXDLGFRAME), -GetSystemMetrics(SM_CYDLGFRAME)};
    if (style & (WS_BORDER | WS_DLGFRAME)) return POINT{-GetSystemMetrics(SM_CXBORDER), -GetSystemMetrics(SM_CYBORDER)};
    return POINT{0, 0};
}

// The form's control that has the focus (the edit inside a combo box counts as the box).
ui::Control* FocusedControl(ui::Form& form) {
    for (HWND window = GetFocus(); window && window != form.Handle(); window = GetParent(window))
        if (ui::Control* control = ui::Control::FromHandle(window); control && control->Owner() == &form) return control;
    return nullptr;
}

void WritePlacement(HWND window, TFormPlacement& store, std::string_view section) {
    WINDOWPLACEMENT wp{sizeof wp};
    if (!GetWindowPlacement(window, &wp)) return;
    store.WriteStoredInteger(section, "Flags", int(wp.flags));
    store.WriteStoredInteger(section, "ShowCmd", int(wp.showCmd));
    store.WriteStoredInteger(section, "PixelsPerInch", ScreenPixelsPerInch());
    const std::string minMax = Format4(wp.ptMinPosition.x, wp.ptMinPosition.y, wp.ptMaxPosition.x, wp.ptMaxPosition.y);
    const RECT& r = wp.rcNormalPosition;
    const std::string norm = Format4(r.left, r.top, r.right, r.bottom);
    const std::string suffix = ScreenSizeSuffix();
    store.WriteStoredString(section, "MinMaxPos" + suffix, minMax);
    store.WriteStoredString(section, "MinMaxPos", minMax);
    store.WriteStoredString(section, "NormPos" + suffix, norm);
    store.WriteStoredString(section, "NormPos", norm);
}

// The show command for the stored "ShowCmd", or 0 when it names no state to restore.
int StoredShowCommand(TFormPlacement& store, std::string_view section) {
    switch (store.ReadStoredInteger(section, "ShowCmd", 0)) {
    case SW_SHOWNORMAL: case SW_SHOW: case SW_RESTORE: return SW_SHOWNORMAL;
    case SW_SHOWMINIMIZED: case SW_MINIMIZE: case SW_SHOWMINNOACTIVE: return SW_SHOWMINNOACTIVE;
    case SW_SHOWMAXIMIZED: return SW_SHOWMAXIMIZED;
    default: return 0;
    }
}

// Puts the stored placement on the window. A window that is still hidden (it is read as it is
// about to be shown) cannot take a state without being shown: the show command to apply once
// it shows is returned instead (0 for none).
int ReadPlacement(HWND window, TFormPlacement& store, std::string_view section, bool position, bool state) {
    if (!position && !state) return 0;
    WINDOWPLACEMENT wp{sizeof wp};
    if (!GetWindowPlacement(window, &wp)) return 0;
    const bool visible = IsWindowVisible(window);
    if (!visible) wp.showCmd = SW_HIDE;
    if (position) {
        wp.flags = UINT(store.ReadStoredInteger(section, "Flags", int(wp.flags)));
        const Delimiters delims(" ,");
        auto word = [&](const std::string& text, int n, long fallback) {
            auto v = core::ParseDecimal32(ExtractNthWord(n, text, delims));
            return v ? long(*v) : fallback;
        };
        const std::string minMax = ReadSized(store, section, "MinMaxPos");
        if (!minMax.empty()) {
            wp.ptMinPosition = POINT{word(minMax, 1, 0), word(minMax, 2, 0)};
            wp.ptMaxPosition = POINT{word(minMax, 3, 0), word(minMax, 4, 0)};
        }
        const std::string norm = ReadSized(store, section, "NormPos");
        RECT windowRect{};
        GetWindowRect(window, &windowRect);
        const RECT current = wp.rcNormalPosition;
        RECT r = current;
        if (!norm.empty())
            r = RECT{word(norm, 1, windowRect.left), word(norm, 2, windowRect.top), word(norm, 3, windowRect.right),
                     word(norm, 4, windowRect.bottom)};
        const int ppi = store.ReadStoredInteger(section, "PixelsPerInch", ScreenPixelsPerInch());
        if ((!minMax.empty() || !norm.empty()) && ppi == ScreenPixelsPerInch()) {
            // A window without a sizing border keeps its designed size at the stored place.
            if (!(GetWindowLongPtrW(window, GWL_STYLE) & WS_THICKFRAME)) {
                r.right = r.left + (current.right - current.left);
                r.bottom = r.top + (current.bottom - current.top);
            }
            if (r.left < r.right) {
                BringOnScreen(r);
                wp.rcNormalPosition = r;
                // The state is applied below; here only the place, without showing a hidden window.
                const UINT show = wp.showCmd;
                if (state || !visible) wp.showCmd = visible ? SW_SHOWNOACTIVATE : SW_HIDE;
                SetWindowPlacement(window, &wp);
                wp.showCmd = show;
            }
        }
    }
    int pending = 0;
    if (state) {
        const int show = StoredShowCommand(store, section);
        if (!visible)
            pending = show;
        else
            ShowWindow(window, show ? show : IsZoomed(window) ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    }
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    return pending;
}

}  // namespace

std::string ProgramFileName() { return win::Narrow(win::ModuleFileName()); }

std::unique_ptr<SettingsStore> OpenRegistrySettings(TPlacementRegRoot root, const std::string& key) {
    return std::make_unique<RegistrySettings>(RootKey(root), key);
}

std::string DefaultStorageSection(const core::Component* component) {
    if (!component) return {};
    auto* ownerWindow = dynamic_cast<const ui::Control*>(component->Owner());
    if (dynamic_cast<const ui::Control*>(component))
        return ownerWindow ? ownerWindow->Class().name + component->Name() : component->Class().name;
    return ownerWindow ? ownerWindow->Class().name + "." + component->Name() : component->Name();
}

ui::Form* TFormPlacement::Window() const { return dynamic_cast<ui::Form*>(Owner()); }

void TFormPlacement::SaveWindowPlacement() {
    ui::Form* window = Window();
    if (!window || !window->HandleAllocated()) return;
    const std::string section = StorageSection();
    if (options_ & (fpState | fpPosition)) {
        WritePlacement(window->Handle(), *this, section);
        // Never shown since it was restored: the state it was to take is still the stored one.
        if (pendingShowCmd_) WriteStoredInteger(section, "ShowCmd", pendingShowCmd_);
        WriteStoredString(section, "Visible", destroyingWindow_ ? "1" : "0");
    }
    if (options_ & fpActiveControl) {
        if (ui::Control* active = FocusedControl(*window); active && !active->Name().empty())
            WriteStoredString(section, "ActiveControl", active->Name());
    }
}

void TFormPlacement::RestoreWindowPlacement() {
    ui::Form* window = Window();
    if (!window || !window->HandleAllocated()) return;
    pendingShowCmd_ = ReadPlacement(window->Handle(), *this, StorageSection(), options_ & fpPosition, options_ & fpState);
    UpdateHook();
}

// A form is restored before it shows, and a hidden window takes no focus: the stored control is
// focused when the window becomes visible.
void TFormPlacement::ActivateStoredControl() {
    ui::Form* window = Window();
    if (!window) return;
    const std::string name = ReadStoredString(StorageSection(), "ActiveControl", "");
    if (name.empty()) return;
    if (window->HandleAllocated() && IsWindowVisible(window->Handle())) return FocusControl(name);
    pendingActiveControl_ = name;
    UpdateHook();
}

void TFormPlacement::FocusControl(const std::string& name) {
    ui::Form* window = Window();
    auto* control = window ? dynamic_cast<ui::Control*>(window->FindComponent(name)) : nullptr;
    if (control && control->HandleAllocated() && IsWindowVisible(control->Handle()) && IsWindowEnabled(control->Handle()))
        SetFocus(control->Handle());
}

void TFormPlacement::WindowShow() {
    // A form's window is usually made after the placement was loaded, or made again since: a
    // maximize box still there means the size lock has not reached this window yet.
    if (ui::Form* window = Window(); preventResize_ && window && window->HandleAllocated() &&
                                     (GetWindowLongPtrW(window->Handle(), GWL_STYLE) & WS_MAXIMIZEBOX))
        ApplyPreventResize();
    if (active_) {
        try {
            LoadPlacement();
        } catch (...) {
            ReportWindowFailure(std::current_exception());
        }
    }
}

bool TFormPlacement::WindowCloseQuery() {
    // The form asks its own handler first and its listeners only when that allows the close.
    ui::Form* window = Window();
    if (active_ && window && window->HandleAllocated()) {
        try {
            StorePlacement();
        } catch (...) {
            ReportWindowFailure(std::current_exception());
        }
    }
    return true;
}

void TFormPlacement::WindowDestroy() {
    if (active_ && !saved_) {
        destroyingWindow_ = true;
        try {
            StorePlacement();
        } catch (...) {
            ReportWindowFailure(std::current_exception());
        }
        destroyingWindow_ = false;
    }
}

struct TFormPlacement::OwnerListener : ui::FormListener {
    explicit OwnerListener(TFormPlacement& placement) : placement(placement) {}
    void FormShowing(ui::Form&) override { placement.WindowShow(); }
    bool FormCloseQuery(ui::Form&) override { return placement.WindowCloseQuery(); }
    void FormDestroying(ui::Form&) override { placement.WindowDestroy(); }
    TFormPlacement& placement;
};

void TFormPlacement::ListenToOwner() {
    ui::Form* window = Window();
    if (!window || ownerListener_) return;
    ownerListener_ = new OwnerListener(*this);
    window->AddListener(ownerListener_);
    if (window->HandleAllocated())
        defaultMaximize_ = GetWindowLongPtrW(window->Handle(), GWL_STYLE) & WS_MAXIMIZEBOX;
}

void TFormPlacement::StopListening() {
    std::unique_ptr<OwnerListener> listener(std::exchange(ownerListener_, nullptr));
    if (!listener) return;
    if (ui::Form* window = Window()) window->RemoveListener(listener.get());
}

void TFormPlacement::CreateHook() {
    hook_ = Create<TUiWindowHook>();
    hook_->SetActive(false);
    hook_->AfterMessage = [this](TUiWindowHook&, HookMessage& m, bool& handled) {
        ui::Form* window = Window();
        if (!window || !window->HandleAllocated()) return;
        HWND hwnd = window->Handle();
        if ((pendingShowCmd_ || !pendingActiveControl_.empty()) && m.msg == WM_WINDOWPOSCHANGED &&
            (reinterpret_cast<const WINDOWPOS*>(m.lParam)->flags & SWP_SHOWWINDOW)) {
            // The window has just become visible: now it can take the restored state and focus.
            const int show = std::exchange(pendingShowCmd_, 0);
            const std::string focus = std::exchange(pendingActiveControl_, std::string());
            UpdateHook();
            if (show) ShowWindow(hwnd, show);
            if (!focus.empty()) FocusControl(focus);
            return;
        }
        if (!preventResize_ && minMaxInfo_.DefaultMinMaxInfo()) return;  // hooked only for the show
        if (preventResize_) {
            if (m.msg == WM_GETMINMAXINFO && IsWindowVisible(hwnd)) {
                RECT r{};
                GetWindowRect(hwnd, &r);
                auto* info = reinterpret_cast<MINMAXINFO*>(m.lParam);
                info->ptMinTrackSize = info->ptMaxTrackSize = POINT{r.right - r.left, r.bottom - r.top};
                m.result = 0;
                handled = true;
            } else if (m.msg == WM_NCHITTEST && m.result >= HTLEFT && m.result <= HTBOTTOMRIGHT) {
                m.result = HTNOWHERE;
                handled = true;
            } else if (m.msg == WM_INITMENUPOPUP && HIWORD(m.lParam)) {
                auto menu = reinterpret_cast<HMENU>(m.wParam);
                EnableMenuItem(menu, SC_SIZE, MF_BYCOMMAND | MF_GRAYED);
                EnableMenuItem(menu, SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);
                handled = true;
            }
        } else if (m.msg == WM_GETMINMAXINFO) {
            auto* info = reinterpret_cast<MINMAXINFO*>(m.lParam);
            if (minMaxInfo_.DefaultMinMaxInfo()) {
                info->ptMaxPosition = POINT{0, 0};
            } else {
                auto set = [&](LONG& field, TWinMinMaxInfo::Index i) {
                    if (int v = minMaxInfo_.Value(i)) field = v;
                };
                set(info->ptMinTrackSize.x, TWinMinMaxInfo::MinTrackWidth);
                set(info->ptMinTrackSize.y, TWinMinMaxInfo::MinTrackHeight);
                set(info->ptMaxTrackSize.x, TWinMinMaxInfo::MaxTrackWidth);
                set(info->ptMaxTrackSize.y, TWinMinMaxInfo::MaxTrackHeight);
                set(info->ptMaxSize.x, TWinMinMaxInfo::MaxSizeWidth);
                set(info->ptMaxSize.y, TWinMinMaxInfo::MaxSizeHeight);
                set(info->ptMaxPosition.x, TWinMinMaxInfo::MaxPosLeft);
                set(info->ptMaxPosition.y, TWinMinMaxInfo::MaxPosTop);
            }
            m.result = 0;
            handled = true;
        }
    };
}

void TFormPlacement::UpdateHook() {
    ui::Form* window = Window();
    const bool wanted = window && (preventResize_ || !minMaxInfo_.DefaultMinMaxInfo() || pendingShowCmd_ != 0 ||
                                   !pendingActiveControl_.empty());
    if (!wanted) {
        hook_->SetActive(false);
        return;
    }
    if (hook_->WinControl() != window) {
        hook_->SetActive(false);
        hook_->SetWinControl(window);
    }
    hook_->SetActive(true);
}

void TFormPlacement::AdjustMaximizedPosition() {
    ui::Form* window = Window();
    if (!window || !window->HandleAllocated() || IsLoading() || preventResize_ || !minMaxInfo_.DefaultMinMaxInfo()) return;
    HWND hwnd = window->Handle();
    WINDOWPLACEMENT wp{sizeof wp};
    if (!GetWindowPlacement(hwnd, &wp)) return;
    if (!IsWindowVisible(hwnd)) wp.showCmd = SW_HIDE;
    wp.ptMaxPosition = MaximizedOrigin(hwnd);
    SetWindowPlacement(hwnd, &wp);
}

void TFormPlacement::ApplyPreventResize() {
    ui::Form* window = Window();
    if (!window || !window->HandleAllocated()) return;
    HWND hwnd = window->Handle();
    LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    if (preventResize_) defaultMaximize_ = style & WS_MAXIMIZEBOX;
    const bool saveActive = active_;
    active_ = false;
    if (preventResize_ || !defaultMaximize_ || IsDialogFrame(hwnd))
        style &= ~LONG_PTR(WS_MAXIMIZEBOX);
    else
        style |= WS_MAXIMIZEBOX;
    SetWindowLongPtrW(hwnd, GWL_STYLE, style);
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    active_ = saveActive;
    if (!IsLoading()) UpdateHook();
}

}  // namespace lark::storage
