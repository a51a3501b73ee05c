#include "ui/image_list.h"

#include <cstring>

#include "core/component_stream.h"

namespace lark::ui {

LARK_DEFINE_CLASS(ImageList) {
    using core::Value;
    return core::ClassBuilder<ImageList>("TImageList", &core::Component::StaticClass())
        .Prop("Height", core::IntegerType(), &ImageList::Height, &ImageList::SetHeight, Value(std::int64_t(16)))
        .Prop("Masked", core::BooleanType(), &ImageList::Masked, &ImageList::SetMasked, Value(std::int64_t(1)))
        .Prop("Width", core::IntegerType(), &ImageList::Width, &ImageList::SetWidth, Value(std::int64_t(16)))
        .Build();
}

ImageList::~ImageList() {
    BeginDestroy();
    if (handle_) ImageList_Destroy(handle_);
}

void ImageList::Reset() {
    if (handle_) ImageList_Destroy(handle_);
    handle_ = nullptr;
}

void ImageList::SetWidth(int width) {
    width_ = width;
    Reset();
}

void ImageList::SetHeight(int height) {
    height_ = height;
    Reset();
}

void ImageList::SetMasked(bool masked) {
    masked_ = masked;
    Reset();
}

void ImageList::SetBitmap(std::vector<std::uint8_t> bmpFile) {
    if (!bmpFile.empty()) {
        BITMAPFILEHEADER file{};
        if (bmpFile.size() < sizeof file + sizeof(BITMAPINFOHEADER)) throw core::Error(NamePath() + ".Bitmap: not a bitmap");
        std::memcpy(&file, bmpFile.data(), sizeof file);
        if (file.bfType != 0x4D42 || file.bfOffBits >= bmpFile.size())
            throw core::Error(NamePath() + ".Bitmap: not a bitmap");
    }
    bitmap_ = std::move(bmpFile);
    Reset();
}

HIMAGELIST ImageList::Handle() {
    if (handle_) return handle_;
    handle_ = ImageList_Create(width_, height_, ILC_COLOR32 | (masked_ ? ILC_MASK : 0), 4, 4);
    if (!handle_) throw core::Error(NamePath() + ": cannot create the image list");
    if (bitmap_.empty()) return handle_;
    BITMAPFILEHEADER file{};
    std::memcpy(&file, bitmap_.data(), sizeof file);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(bitmap_.data() + sizeof file);
    HDC screen = GetDC(nullptr);
    HBITMAP strip = CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, bitmap_.data() + file.bfOffBits, info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (!strip) throw core::Error(NamePath() + ".Bitmap: the bitmap cannot be read");
    // The bottom-left pixel is the transparent colour, as image strips are drawn.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, strip);
    COLORREF mask = GetPixel(dc, 0, info->bmiHeader.biHeight > 0 ? info->bmiHeader.biHeight - 1 : 0);
    SelectObject(dc, old);
    DeleteDC(dc);
    masked_ ? ImageList_AddMasked(handle_, strip, mask) : ImageList_Add(handle_, strip, nullptr);
    DeleteObject(strip);
    return handle_;
}

int ImageList::AddIcon(HICON icon) { return ImageList_AddIcon(Handle(), icon); }

int ImageList::Count() { return ImageList_GetImageCount(Handle()); }

void ImageList::DefineProperties(core::Filer& filer) {
    filer.DefineBinaryProperty(
        "Bitmap", [this](const std::vector<std::uint8_t>& bytes) { SetBitmap(bytes); },
        [this](std::vector<std::uint8_t>& bytes) { bytes = bitmap_; }, !bitmap_.empty());
}

}  // namespace lark::ui
