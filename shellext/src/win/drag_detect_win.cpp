#include "shellext/win/drag_detect_win.h"

#include "shellext/drag_detect.h"

namespace lark::shellext {
namespace {

class WindowMessages final : public DragMessageSource {
public:
    explicit WindowMessages(HWND window) : window_(window) {}

    bool ButtonsDown() override {
        return (GetKeyState(VK_LBUTTON) & 0x8000) || (GetKeyState(VK_RBUTTON) & 0x8000);
    }

    std::optional<DragMessage> Next() override {
        MSG msg;
        if (!PeekMessageW(&msg, window_, 0, 0, PM_REMOVE)) return std::nullopt;
        DragMessage m;
        m.time = static_cast<std::uint32_t>(msg.time);
        switch (msg.message) {
        case WM_MOUSEMOVE: {
            // The rectangle is in screen coordinates; the message's point is in client ones.
            POINT pt{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
            ClientToScreen(window_, &pt);
            m.kind = DragMessage::Kind::MouseMove;
            m.x = pt.x;
            m.y = pt.y;
            break;
        }
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
            m.kind = DragMessage::Kind::ButtonUp;
            break;
        case WM_CANCELMODE:
            m.kind = DragMessage::Kind::CancelMode;
            break;
        case WM_QUIT:
            // Taken out of the queue here, it must go back so the message loop still ends.
            PostQuitMessage(static_cast<int>(msg.wParam));
            m.kind = DragMessage::Kind::Quit;
            break;
        default:
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            m.kind = DragMessage::Kind::Other;
        }
        return m;
    }

    void Idle() override {
        // Waits for input instead of spinning on Sleep(0); the timeout keeps the button test live.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }

private:
    HWND window_;
};

}  // namespace

bool DragDetectEx(HWND window, POINT point) {
    if (!ClientToScreen(window, &point)) return false;
    const int cx = GetSystemMetrics(SM_CXDRAG);
    const int cy = GetSystemMetrics(SM_CYDRAG);
    const std::uint32_t start = GetTickCount();
    const HWND previous = SetCapture(window);
    WindowMessages messages(window);
    bool dragging = false;
    try {
        dragging = DetectDrag(messages, point.x, point.y, cx, cy, start);
    } catch (...) {
        dragging = false;  // a dispatched message's failure must not leave the capture held
    }
    ReleaseCapture();
    if (previous) SetCapture(previous);
    return dragging;
}

}  // namespace lark::shellext
