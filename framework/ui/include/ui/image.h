#pragma once
// Image ("TImage"): shows a picture, centred or stretched. The picture travels in definitions as
// the bytes of its file (the defined binary property "Picture"); decoders turn bytes into a
// bitmap. Bitmaps (.bmp) are decoded here; other formats plug in (AddDecoder), so the window
// layer carries no image library.
#include "ui/win32.h"

#include <cstdint>
#include <functional>
#include <vector>

#include "ui/control.h"

namespace lark::ui {

class Image : public PaintedControl {
    LARK_PERSISTENT_CLASS(Image)
public:
    // A decoder answers null for bytes it does not know; it raises for damaged ones.
    using Decoder = std::function<HBITMAP(const std::vector<std::uint8_t>& bytes)>;
    static void AddDecoder(Decoder decoder);

    explicit Image(core::Component* owner = nullptr);
    ~Image() override;

    bool Center() const { return center_; }
    void SetCenter(bool on);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool on);
    // Raises core::Error naming the image when no decoder knows the bytes.
    void SetPicture(std::vector<std::uint8_t> bytes);
    const std::vector<std::uint8_t>& Picture() const { return picture_; }
    // Takes the bitmap (freed with the image).
    void SetBitmap(HBITMAP bitmap);
    HBITMAP Bitmap() const { return bitmap_; }

    void DefineProperties(core::Filer& filer) override;

protected:
    void FillCreateParams(CreateParams& params) override;
    void Paint(HDC dc) override;

private:
    bool center_ = false, stretch_ = false;
    std::vector<std::uint8_t> picture_;
    HBITMAP bitmap_ = nullptr;
};

// The bitmap of .bmp file bytes; null when they are no bitmap file.
HBITMAP DecodeBmp(const std::vector<std::uint8_t>& bytes);

}  // namespace lark::ui
