#pragma once
// JPEG pictures for the window layer's Image: UseJpegImages() plugs the libjpeg decoder into
// Image (once per process), so a definition's Picture may hold a JPEG file.
#include "ui/win32.h"

#include <cstdint>
#include <vector>

namespace lark::ui {

void UseJpegImages();
// A 32-bit top-down DIB section of the JPEG bytes; null for bytes that are no JPEG.
HBITMAP DecodeJpegBitmap(const std::vector<std::uint8_t>& bytes);

}  // namespace lark::ui
