#pragma once
// Touches the class description of every control and component of the layer, so the reader
// can create each by its published name (a static library's unreferenced classes would
// otherwise never register).
namespace lark::ui {
void RegisterControls();
}  // namespace lark::ui
