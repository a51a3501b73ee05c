// The window side of TFormPlacement: the placement record of a real window, the size limits
// applied through the window hook, the owner window's events, and the registry store.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "../placement_detail.h"
#include "core/integer_text.h"
#include "storage/form_placement.h"
#include "storage/text_helpers.h"
#include "storage/window_hook_win.h"
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

WindowControl* ControlOfHandle(core::Component* owner, HWND handle) {
    if (!owner || !handle) return nullptr;
    for (int i = 0; i < owner->ComponentCount(); ++i)
        if (auto* c = dynamic_cast<WindowControl*>(owner->Components(i)); c && c->Handle() == handle) return c;
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

std::string ProgramFileName() {
    wchar_t path[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameW(nullptr, path, DWORD(std::size(path)));
    const std::string full = win::Narrow(std::wstring_view(path, n));
    return full.substr(full.find_last_of("\\/") + 1);
}

std::unique_ptr<SettingsStore> OpenRegistrySettings(TPlacementRegRoot root, const std::string& key) {
    return std::make_unique<RegistrySettings>(RootKey(root), key);
}

std::string DefaultStorageSection(const core::Component* component) {
    if (!component) return {};
    auto* ownerWindow = dynamic_cast<const WindowControl*>(component->Owner());
    if (dynamic_cast<const WindowControl*>(component))
        return ownerWindow ? ownerWindow->Class().name + component->Name() : component->Class().name;
    return ownerWindow ? ownerWindow->Class().name + "." + component->Name() : component->Name();
}

WindowControl* TFormPlacement::Window() const { return dynamic_cast<WindowControl*>(Owner()); }

void TFormPlacement::SaveWindowPlacement() {
    WindowControl* window = Window();
    if (!window || !window->HandleAllocated()) return;
    const std::string section = StorageSection();
    if (options_ & (fpState | fpPosition)) {
        WritePlacement(window->Handle(), *this, section);
        // Never shown since it was restored: the state it was to take is still the stored one.
        if (pendingShowCmd_) WriteStoredInteger(section, "ShowCmd", pendingShowCmd_);
        WriteStoredString(section, "Visible", destroyingWindow_ ? "1" : "0");
    }
    if (options_ & fpActiveControl) {
        HWND focus = GetFocus();
        if (focus && IsChild(window->Handle(), focus))
            if (WindowControl* active = ControlOfHandle(window, focus); active && !active->Name().empty())
                WriteStoredString(section, "ActiveControl", active->Name());
    }
}

void TFormPlacement::RestoreWindowPlacement() {
    WindowControl* window = Window();
    if (!window || !window->HandleAllocated()) return;
    pendingShowCmd_ = ReadPlacement(window->Handle(), *this, StorageSection(), options_ & fpPosition, options_ & fpState);
    UpdateHook();
}

void TFormPlacement::ActivateStoredControl() {
    WindowControl* window = Window();
    if (!window) return;
    const std::string name = ReadStoredString(StorageSection(), "ActiveControl", "");
    if (name.empty()) return;
    auto* control = dynamic_cast<WindowControl*>(window->FindComponent(name));
    if (control && control->HandleAllocated() && IsWindowVisible(control->Handle()) && IsWindowEnabled(control->Handle()))
        SetFocus(control->Handle());
}

void TFormPlacement::WindowShow() {
    if (active_) {
        try {
            LoadPlacement();
        } catch (...) {
            ReportWindowFailure(std::current_exception());
        }
    }
    if (savedOnShow_)
        if (WindowControl* window = Window()) savedOnShow_(*window);
}

bool TFormPlacement::WindowCloseQuery() {
    bool canClose = true;
    WindowControl* window = Window();
    if (savedOnCloseQuery_ && window) savedOnCloseQuery_(*window, canClose);
    if (canClose && active_ && window && window->HandleAllocated()) {
        try {
            StorePlacement();
        } catch (...) {
            ReportWindowFailure(std::current_exception());
        }
    }
    return canClose;
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
    if (savedOnDestroy_)
        if (WindowControl* window = Window()) savedOnDestroy_(*window);
}

void TFormPlacement::AttachOwnerEvents() {
    WindowControl* window = Window();
    if (!window || ownerEventsAttached_) return;
    savedOnShow_ = std::move(window->OnShow);
    savedOnCloseQuery_ = std::move(window->OnCloseQuery);
    savedOnDestroy_ = std::move(window->OnDestroy);
    window->OnShow = [this](WindowControl&) { WindowShow(); };
    window->OnCloseQuery = [this](WindowControl&, bool& canClose) { canClose = WindowCloseQuery(); };
    window->OnDestroy = [this](WindowControl&) { WindowDestroy(); };
    ownerEventsAttached_ = true;
    if (window->HandleAllocated())
        defaultMaximize_ = GetWindowLongPtrW(window->Handle(), GWL_STYLE) & WS_MAXIMIZEBOX;
}

void TFormPlacement::DetachOwnerEvents() {
    if (!ownerEventsAttached_) return;
    ownerEventsAttached_ = false;
    // A window that is itself being destroyed is no longer one (its handlers are gone with it).
    WindowControl* window = Window();
    if (!window || window->IsDestroying()) return;
    window->OnShow = std::move(savedOnShow_);
    window->OnCloseQuery = std::move(savedOnCloseQuery_);
    window->OnDestroy = std::move(savedOnDestroy_);
}

void TFormPlacement::CreateHook() {
    hook_ = Create<TUiWindowHook>();
    hook_->SetActive(false);
    hook_->AfterMessage = [this](TUiWindowHook&, HookMessage& m, bool& handled) {
        WindowControl* window = Window();
        if (!window || !window->HandleAllocated()) return;
        HWND hwnd = window->Handle();
        if (pendingShowCmd_ && m.msg == WM_WINDOWPOSCHANGED &&
            (reinterpret_cast<const WINDOWPOS*>(m.lParam)->flags & SWP_SHOWWINDOW)) {
            // The window has just become visible: now it can take the restored state.
            const int show = std::exchange(pendingShowCmd_, 0);
            UpdateHook();
            ShowWindow(hwnd, show);
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
    WindowControl* window = Window();
    const bool wanted = window && (preventResize_ || !minMaxInfo_.DefaultMinMaxInfo() || pendingShowCmd_ != 0);
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
    WindowControl* window = Window();
    if (!window || !window->HandleAllocated() || IsLoading() || preventResize_ || !minMaxInfo_.DefaultMinMaxInfo()) return;
    HWND hwnd = window->Handle();
    WINDOWPLACEMENT wp{sizeof wp};
    if (!GetWindowPlacement(hwnd, &wp)) return;
    if (!IsWindowVisible(hwnd)) wp.showCmd = SW_HIDE;
    wp.ptMaxPosition = MaximizedOrigin(hwnd);
    SetWindowPlacement(hwnd, &wp);
}

void TFormPlacement::ApplyPreventResize() {
    WindowControl* window = Window();
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
