#pragma once
// ImageList ("TImageList"): Width, Height, Masked and the images as one bitmap strip (the
// defined binary property "Bitmap": the bytes of a .bmp file, filled by the definition
// compiler). The HIMAGELIST is made on first use; controls refer to the list by reference.
#include "ui/win32.h"

#include <cstdint>
#include <vector>

#include "core/component.h"

namespace lark::ui {

class ImageList : public core::Component {
    LARK_PERSISTENT_CLASS(ImageList)
public:
    explicit ImageList(core::Component* owner = nullptr) : core::Component(owner) {}
    ~ImageList() override;

    int Width() const { return width_; }
    void SetWidth(int width);
    int Height() const { return height_; }
    void SetHeight(int height);
    bool Masked() const { return masked_; }
    void SetMasked(bool masked);
    // The strip as .bmp file bytes; raises core::Error naming the list when they are no bitmap.
    void SetBitmap(std::vector<std::uint8_t> bmpFile);
    const std::vector<std::uint8_t>& Bitmap() const { return bitmap_; }
    // Adds an icon (copied); its index.
    int AddIcon(HICON icon);
    int Count();

    HIMAGELIST Handle();
    void DefineProperties(core::Filer& filer) override;

private:
    void Reset();
    int width_ = 16, height_ = 16;
    bool masked_ = true;
    std::vector<std::uint8_t> bitmap_;
    HIMAGELIST handle_ = nullptr;
};

}  // namespace lark::ui
