#pragma once
// Touches the class description of every component of this library (and the window layer's,
// through RegisterControls), so window definitions can hold them by their published names.
namespace lark::ui {
void RegisterUiComponents();
}  // namespace lark::ui
