#pragma once
// Icons to and from the icon file format (what an .ico file holds). Contract:
// - IconFileOf writes one 32-bit image with its mask; an icon without colour (monochrome) or one
//   that cannot be read raises.
// - IconFromFile makes an icon of the first image of the file; a file that is not one, or whose
//   directory points outside the bytes, raises; nothing is read outside them.
#include "ui/win32.h"

#include <cstdint>
#include <span>
#include <vector>

namespace lark::ui {

std::vector<std::uint8_t> IconFileOf(HICON icon);
HICON IconFromFile(std::span<const std::uint8_t> bytes);

}  // namespace lark::ui
