#include "uicomponents/jpeg_image.h"

#include <cstring>

#include "core/errors.h"
#include "ui/image.h"
#include "uicomponents/jpeg_decoder.h"

namespace lark::ui {

HBITMAP DecodeJpegBitmap(const std::vector<std::uint8_t>& bytes) {
    if (!IsJpeg(bytes)) return nullptr;
    const DecodedPicture picture = DecodeJpeg(bytes);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) throw core::Error("JPEG picture: no bitmap of " + std::to_string(picture.width) + " x " +
                                   std::to_string(picture.height) + " pixels can be made");
    std::memcpy(bits, picture.bgra.data(), picture.bgra.size());
    return bitmap;
}

void UseJpegImages() {
    static const bool added = [] {
        Image::AddDecoder(&DecodeJpegBitmap);
        return true;
    }();
    (void)added;
}

}  // namespace lark::ui
