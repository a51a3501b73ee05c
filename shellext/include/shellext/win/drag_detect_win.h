#pragma once
#include <windows.h>

namespace lark::shellext {

// True when the user starts dragging from `point` (client coordinates of `window`). Captures
// the mouse meanwhile and gives the capture back to whoever held it.
bool DragDetectEx(HWND window, POINT point);

}  // namespace lark::shellext
