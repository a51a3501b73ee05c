#include "shellext/drag_detect.h"

namespace lark::shellext {

bool DetectDrag(DragMessageSource& source, int x, int y, int dragWidth, int dragHeight,
                std::uint32_t start) {
    const int left = x - dragWidth, right = x + dragWidth;
    const int top = y - dragHeight, bottom = y + dragHeight;
    while (source.ButtonsDown()) {
        const std::optional<DragMessage> msg = source.Next();
        if (!msg) {
            source.Idle();
            continue;
        }
        switch (msg->kind) {
        case DragMessage::Kind::MouseMove: {
            const bool inside = msg->x >= left && msg->x < right && msg->y >= top && msg->y < bottom;
            // Unsigned difference: the tick count wraps after 49.7 days.
            if (!inside && static_cast<std::uint32_t>(msg->time - start) >= DragDelayMs) return true;
            break;
        }
        case DragMessage::Kind::ButtonUp:
        case DragMessage::Kind::CancelMode:
        case DragMessage::Kind::Quit:
            return false;
        case DragMessage::Kind::Other:
            break;
        }
    }
    return false;
}

}  // namespace lark::shellext
