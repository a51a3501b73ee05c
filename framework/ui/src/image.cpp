#include "ui/image.h"

#include <cstring>

#include "core/component_stream.h"

namespace lark::ui {

namespace {
std::vector<Image::Decoder>& Decoders() {
    static std::vector<Image::Decoder> decoders{&DecodeBmp};
    return decoders;
}
}  // namespace

HBITMAP DecodeBmp(const std::vector<std::uint8_t>& bytes) {
    BITMAPFILEHEADER file{};
    if (bytes.size() < sizeof file + sizeof(BITMAPINFOHEADER)) return nullptr;
    std::memcpy(&file, bytes.data(), sizeof file);
    if (file.bfType != 0x4D42) return nullptr;
    BITMAPINFOHEADER header{};
    std::memcpy(&header, bytes.data() + sizeof file, sizeof header);
    if (file.bfOffBits >= bytes.size() || header.biSize < sizeof header || header.biWidth <= 0 || header.biHeight == 0)
        throw core::Error("the bitmap is damaged");
    // The pixel data must lie within the bytes (uncompressed rows are padded to four bytes).
    const std::uint64_t height = header.biHeight < 0 ? -static_cast<std::int64_t>(header.biHeight) : header.biHeight;
    const std::uint64_t row = (static_cast<std::uint64_t>(header.biWidth) * header.biBitCount + 31) / 32 * 4;
    if (header.biCompression == BI_RGB && file.bfOffBits + row * height > bytes.size()) throw core::Error("the bitmap is cut short");
    const auto* info = reinterpret_cast<const BITMAPINFO*>(bytes.data() + sizeof file);
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, bytes.data() + file.bfOffBits, info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (!bitmap) throw core::Error("the bitmap cannot be read");
    return bitmap;
}

void Image::AddDecoder(Decoder decoder) { Decoders().push_back(std::move(decoder)); }

LARK_DEFINE_CLASS(Image) {
    using core::Value;
    return core::ClassBuilder<Image>("TImage", &Control::StaticClass())
        .Prop("Center", core::BooleanType(), &Image::Center, &Image::SetCenter, Value(std::int64_t(0)))
        .Prop("Stretch", core::BooleanType(), &Image::Stretch, &Image::SetStretch, Value(std::int64_t(0)))
        .Build();
}

Image::Image(core::Component* owner) : PaintedControl(owner) {}

Image::~Image() {
    BeginDestroy();
    DestroyHandle();
    if (bitmap_) DeleteObject(bitmap_);
}

void Image::SetCenter(bool on) {
    center_ = on;
    if (HandleAllocated()) InvalidateRect(handle_, nullptr, TRUE);
}

void Image::SetStretch(bool on) {
    stretch_ = on;
    if (HandleAllocated()) InvalidateRect(handle_, nullptr, TRUE);
}

void Image::SetPicture(std::vector<std::uint8_t> bytes) {
    HBITMAP bitmap = nullptr;
    if (!bytes.empty()) {
        try {
            for (const Decoder& decode : Decoders())
                if ((bitmap = decode(bytes))) break;
        } catch (const std::exception& e) {
            throw core::Error(NamePath() + ".Picture: " + e.what());
        }
        if (!bitmap) throw core::Error(NamePath() + ".Picture: not a picture format this program reads");
    }
    picture_ = std::move(bytes);
    SetBitmap(bitmap);
}

void Image::SetBitmap(HBITMAP bitmap) {
    if (bitmap_ && bitmap_ != bitmap) DeleteObject(bitmap_);
    bitmap_ = bitmap;
    if (HandleAllocated()) InvalidateRect(handle_, nullptr, TRUE);
}

void Image::DefineProperties(core::Filer& filer) {
    filer.DefineBinaryProperty(
        "Picture", [this](const std::vector<std::uint8_t>& bytes) { SetPicture(bytes); },
        [this](std::vector<std::uint8_t>& bytes) { bytes = picture_; }, !picture_.empty());
}

void Image::FillCreateParams(CreateParams& params) {
    Control::FillCreateParams(params);
    params.ownClass = true;
}

void Image::Paint(HDC dc) {
    RECT client{};
    GetClientRect(handle_, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    if (!bitmap_) return;
    BITMAP info{};
    GetObjectW(bitmap_, sizeof info, &info);
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, bitmap_);
    if (stretch_) {
        SetStretchBltMode(dc, HALFTONE);
        StretchBlt(dc, 0, 0, client.right, client.bottom, source, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    } else {
        const int x = center_ ? (client.right - info.bmWidth) / 2 : 0;
        const int y = center_ ? (client.bottom - info.bmHeight) / 2 : 0;
        BitBlt(dc, x, y, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
    }
    SelectObject(source, old);
    DeleteDC(source);
}

}  // namespace lark::ui
