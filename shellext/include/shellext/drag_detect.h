#pragma once
// Whether a mouse press turns into a drag: the pointer must leave a small rectangle around the
// press point, and not sooner than 200 ms after it, while a button is still down. The decision
// is portable; the Win32 message source is in win/drag_detect_win.h.
#include <cstdint>
#include <optional>

namespace lark::shellext {

struct DragMessage {
    enum class Kind { MouseMove, ButtonUp, CancelMode, Quit, Other };
    Kind kind = Kind::Other;
    int x = 0, y = 0;         // pointer position in screen coordinates
    std::uint32_t time = 0;   // message time, milliseconds (wraps like the tick count)
};

class DragMessageSource {
public:
    virtual ~DragMessageSource() = default;
    // Left or right button held.
    virtual bool ButtonsDown() = 0;
    // The next message of the window, taken out of the queue; Other messages are handed on by
    // the source itself. Nothing when the queue is empty.
    virtual std::optional<DragMessage> Next() = 0;
    // Waits a little for input when the queue was empty.
    virtual void Idle() = 0;
};

inline constexpr std::uint32_t DragDelayMs = 200;

// Runs the detection from a press at (x, y) in screen coordinates at tick `start`, with the
// system's drag width and height. True when a drag started.
bool DetectDrag(DragMessageSource& source, int x, int y, int dragWidth, int dragHeight,
                std::uint32_t start);

}  // namespace lark::shellext
