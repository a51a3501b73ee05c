#pragma once
// TrayIcon ("TUiTrayIcon"): one icon in the notification area. Contract:
// - The icon belongs to a hidden top-level window the component makes (a normal hidden window,
//   not a message-only one, so it hears the broadcast "TaskbarCreated" and adds the icon again
//   when the taskbar restarts). Every call to the shell goes through ShellNotify, which tests
//   replace to record what the shell was told.
// - Icon and Icons are data of the definition (binary, written only when there is an icon or a
//   frame).
// - Active (default true) shows the icon once the definition is read (or at once when made in
//   code); Hint's short form (the text before the first "|", at most 63 characters) is the tip.
// - An empty icon is never sent: the icon is hidden instead. A failed add is retried by the next
//   change while Active.
// - Mouse notifications become OnMouseDown/OnMouseUp/OnClick/OnMouseMove/OnDblClick (while
//   Enabled). A right click shows PopupMenu (owned by the hidden window, which is brought to the
//   foreground first) instead of raising OnClick; a double click runs the menu's enabled
//   default item instead of raising OnDblClick.
// - Animation cycles through the frames given to SetIcons every Interval ms by a window timer on
//   the hidden window (the thread that made the component); it runs only while the icon is shown.
// - Failures in event handlers go to Application::HandleException.
#include "ui/win32.h"

#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

#include "core/component.h"
#include "core/component_stream.h"
#include "core/event.h"

namespace lark::ui {

class PopupMenu;

// In the order of the Win32 button messages (left, right, middle).
enum class MouseButton { Left, Right, Middle };
// Shift state of a mouse event: keys held and the button(s) involved.
enum ShiftState : unsigned {
    kShiftKey = 1,
    kAltKey = 2,
    kCtrlKey = 4,
    kLeftButton = 8,
    kRightButton = 16,
    kMiddleButton = 32,
    kDoubleClick = 64
};

}  // namespace lark::ui

LARK_EVENT_TYPE("TMouseEvent", ::lark::core::Component&, ::lark::ui::MouseButton, unsigned, int, int)
LARK_EVENT_TYPE("TMouseMoveEvent", ::lark::core::Component&, unsigned, int, int)

namespace lark::ui {

using MouseEvent = core::Event<core::Component&, MouseButton, unsigned /*shift*/, int /*x*/, int /*y*/>;
using MouseMoveEvent = core::Event<core::Component&, unsigned /*shift*/, int /*x*/, int /*y*/>;

class TrayIcon : public core::Component {
    LARK_PERSISTENT_CLASS(TrayIcon)
public:
    // The callback message the shell sends to the hidden window.
    static constexpr UINT kCallbackMessage = 0xB054;
    // The seam to the shell (default Shell_NotifyIconW).
    static std::function<BOOL(DWORD message, NOTIFYICONDATAW& data)> ShellNotify;

    explicit TrayIcon(core::Component* owner = nullptr);
    ~TrayIcon() override;

    bool Active() const { return active_; }
    void SetActive(bool active);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    const std::string& Hint() const { return hint_; }
    void SetHint(std::string hint);
    // The still icon; the component keeps its own copy.
    HICON Icon() const { return icon_; }
    void SetIcon(HICON icon);
    // Animation frames (copied); an empty list turns the animation off.
    void SetIcons(const std::vector<HICON>& frames);
    std::size_t IconCount() const { return frames_.size(); }
    bool Animated() const { return animated_; }
    void SetAnimated(bool on);
    int Interval() const { return interval_; }
    void SetInterval(int interval);
    PopupMenu* GetPopupMenu() const { return popupMenu_; }
    void SetPopupMenu(PopupMenu* menu);

    // The shell holds the icon.
    bool Added() const { return added_; }
    // The icon shown now (the current frame while animating).
    HICON DisplayedIcon() const;
    int CurrentFrame() const { return frame_; }
    HWND Handle() const { return window_; }
    // The tip as the shell gets it.
    static std::wstring TipOf(const std::string& hint);

    void Loaded() override;
    // "Icon" (an icon file) and "Icons" (the frames, as icon_list_format.h lays them out) stream
    // as binary data.
    void DefineProperties(core::Filer& filer) override;
    void Notification(core::Component* component, core::Operation operation) override;

    MouseEvent OnClick, OnMouseDown, OnMouseUp;
    MouseMoveEvent OnMouseMove;
    core::NotifyEvent OnDblClick;

private:
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT HandleMessage(UINT message, WPARAM w, LPARAM l);
    void MouseNotification(UINT mouseMessage);
    void Click(MouseButton button, unsigned shift, int x, int y);
    void DblClick();
    bool OpenTrayMenu(int x, int y);
    bool RunDefaultMenuItem();
    void PlaceIcon();
    void RemoveIcon();
    void RefreshIcon();
    void NextFrame();
    void UpdateTimer();
    NOTIFYICONDATAW NotifyRecord() const;
    bool Showing() const { return active_ && !IsLoading() && !IsDestroying(); }

    HWND window_ = nullptr;
    bool active_ = true, added_ = false, animated_ = false, enabled_ = true;
    bool leftPending_ = false, rightPending_ = false;
    int frame_ = -1;
    int interval_ = 150;
    HICON icon_ = nullptr;
    std::vector<HICON> frames_;
    std::string hint_;
    PopupMenu* popupMenu_ = nullptr;
};

}  // namespace lark::ui
