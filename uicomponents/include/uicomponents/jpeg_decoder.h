#pragma once
// JPEG pictures (the about boxes' banners) decoded with libjpeg. Contract:
// - IsJpeg: the bytes start with a JPEG start-of-image marker.
// - DecodeJpeg: top-down 32-bit pixels, blue, green, red, 255 per pixel (a DIB section's
//   layout). Grey and colour pictures. Bytes libjpeg cannot decode raise core::Error with its
//   reason (never a longjmp past the caller); a picture cut short keeps libjpeg's recovery
//   (the missing rows grey).
#include <cstddef>
#include <cstdint>
#include <vector>

namespace lark::ui {

struct DecodedPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bgra;
};

bool IsJpeg(const std::vector<std::uint8_t>& bytes);
DecodedPicture DecodeJpeg(const std::vector<std::uint8_t>& bytes);

}  // namespace lark::ui
