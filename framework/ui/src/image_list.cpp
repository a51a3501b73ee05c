#include "ui/image_list.h"


#include "core/component_stream.h"
#include "ui/image.h"

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
        // Checked now, so a damaged strip is a read error of the definition.
        HBITMAP strip = nullptr;
        try {
            strip = DecodeBmp(bmpFile);
        } catch (const std::exception& e) {
            throw core::Error(NamePath() + ".Bitmap: " + e.what());
        }
        if (!strip) throw core::Error(NamePath() + ".Bitmap: not a bitmap");
        DeleteObject(strip);
    }
    bitmap_ = std::move(bmpFile);
    Reset();
}

HIMAGELIST ImageList::Handle() {
    if (handle_) return handle_;
    handle_ = ImageList_Create(width_, height_, ILC_COLOR32 | (masked_ ? ILC_MASK : 0), 4, 4);
    if (!handle_) throw core::Error(NamePath() + ": cannot create the image list");
    if (bitmap_.empty()) return handle_;
    HBITMAP strip = DecodeBmp(bitmap_);
    BITMAP size{};
    GetObjectW(strip, sizeof size, &size);
    // The bottom-left pixel is the transparent colour, as image strips are drawn.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, strip);
    COLORREF mask = GetPixel(dc, 0, size.bmHeight - 1);
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
