#include "uicomponents/animated_image.h"

#include "core/component_stream.h"
#include "core/errors.h"
#include "ui/image.h"
#include "uicomponents/thread_timer.h"

namespace lark::ui {

const core::TypeInfo& GlyphOrientationType() {
    static const auto type = core::MakeEnumType("TGlyphOrientation", {"goHorizontal", "goVertical"});
    return *type;
}

LARK_DEFINE_CLASS(AnimatedImage) {
    using core::Value;
    return core::ClassBuilder<AnimatedImage>("TAnimatedImage", &Control::StaticClass())
        .Prop("Active", core::BooleanType(), &AnimatedImage::Active, &AnimatedImage::SetActive, Value(std::int64_t(0)))
        .Prop("AutoSize", core::BooleanType(), &AnimatedImage::AutoSize, &AnimatedImage::SetAutoSize,
              Value(std::int64_t(1)))
        .Prop("Center", core::BooleanType(), &AnimatedImage::Center, &AnimatedImage::SetCenter, Value(std::int64_t(0)))
        .Prop("Orientation", GlyphOrientationType(), &AnimatedImage::Orientation, &AnimatedImage::SetOrientation,
              Value(std::int64_t(0)))
        .Prop("NumGlyphs", core::IntegerType(), &AnimatedImage::NumGlyphs, &AnimatedImage::SetNumGlyphs,
              Value(std::int64_t(1)))
        .Prop("GlyphNum", core::IntegerType(), &AnimatedImage::GlyphNum, &AnimatedImage::SetGlyphNum,
              Value(std::int64_t(0)))
        .Prop("InactiveGlyph", core::IntegerType(), &AnimatedImage::InactiveGlyph, &AnimatedImage::SetInactiveGlyph,
              Value(std::int64_t(-1)))
        .Prop("Interval", core::CardinalType(), &AnimatedImage::Interval, &AnimatedImage::SetInterval,
              Value(std::int64_t(100)))
        .Prop("Opaque", core::BooleanType(), &AnimatedImage::Opaque, &AnimatedImage::SetOpaque, Value(std::int64_t(0)))
        .Prop("Stretch", core::BooleanType(), &AnimatedImage::Stretch, &AnimatedImage::SetStretch,
              Value(std::int64_t(1)))
        .Prop("TransparentColor", core::IntegerType(), &AnimatedImage::TransparentColor,
              &AnimatedImage::SetTransparentColor, Value(AnimatedImage::kColorNone))
        .Event("OnFrameChanged", &AnimatedImage::OnFrameChanged)
        .Event("OnStart", &AnimatedImage::OnStart)
        .Event("OnStop", &AnimatedImage::OnStop)
        .Build();
}

AnimatedImage::AnimatedImage(core::Component* owner) : PaintedControl(owner) {
    SetBounds(0, 0, 105, 105);
    timer_ = Create<ThreadTimer>();
    timer_->SetEnabled(false);
    timer_->SetInterval(100);
}

AnimatedImage::~AnimatedImage() {
    BeginDestroy();
    OnFrameChanged.Bind(nullptr);
    OnStart.Bind(nullptr);
    OnStop.Bind(nullptr);
    SetActive(false);
    DestroyHandle();
    if (glyph_) DeleteObject(glyph_);
}

unsigned AnimatedImage::Interval() const { return timer_->Interval(); }
void AnimatedImage::SetInterval(unsigned interval) { timer_->SetInterval(interval); }

void AnimatedImage::SetActive(bool on) {
    if (on == active_) return;
    if (on) {
        timer_->SetOnTimer([this](core::Component&) { AdvanceGlyph(); });
        timer_->SetEnabled(true);
        active_ = timer_->Enabled();
        if (!IsLoading()) OnStart(*this);
        return;
    }
    timer_->SetEnabled(false);
    timer_->SetOnTimer(nullptr);
    active_ = false;
    if (IsDestroying()) return;
    ShowInactiveFrame();
    FrameChanged();
    if (!IsLoading()) OnStop(*this);
    Refresh();
}

void AnimatedImage::SetAutoSize(bool on) {
    autoSize_ = on;
    AdjustSize();
}

void AnimatedImage::SetCenter(bool on) {
    center_ = on;
    Refresh();
}

void AnimatedImage::SetOpaque(bool on) {
    opaque_ = on;
    Refresh();
}

void AnimatedImage::SetStretch(bool on) {
    stretch_ = on;
    Refresh();
}

void AnimatedImage::SetOrientation(GlyphOrientation orientation) {
    orientation_ = orientation;
    GlyphChanged();
}

void AnimatedImage::SetGlyphNum(int index) {
    if (!strip_.SetGlyphNum(index)) return;
    ShowInactiveFrame();
    FrameChanged();
    Refresh();
}

void AnimatedImage::SetInactiveGlyph(int index) {
    if (!strip_.SetInactiveGlyph(index)) return;
    ShowInactiveFrame();
    FrameChanged();
    Refresh();
}

void AnimatedImage::SetNumGlyphs(int count) {
    strip_.SetNumGlyphs(count);
    ShowInactiveFrame();
    AdjustSize();
    FrameChanged();
    Refresh();
}

void AnimatedImage::SetTransparentColor(std::int64_t color) {
    transparentColor_ = color;
    Refresh();
}

void AnimatedImage::SetGlyph(std::vector<std::uint8_t> bytes) {
    HBITMAP bitmap = nullptr;
    if (!bytes.empty()) {
        try {
            bitmap = DecodeBmp(bytes);
        } catch (const std::exception& e) {
            throw core::Error(NamePath() + ".Glyph: " + e.what());
        }
        if (!bitmap) throw core::Error(NamePath() + ".Glyph: not a bitmap file");
    }
    glyphBytes_ = std::move(bytes);
    SetGlyphBitmap(bitmap);
}

void AnimatedImage::SetGlyphBitmap(HBITMAP bitmap) {
    if (glyph_ && glyph_ != bitmap) DeleteObject(glyph_);
    glyph_ = bitmap;
    GlyphChanged();
}

void AnimatedImage::GlyphChanged() {
    BITMAP info{};
    if (glyph_) GetObjectW(glyph_, sizeof info, &info);
    transparentColor_ = kColorNone;
    if (glyph_ && info.bmWidth > 0 && info.bmHeight > 0) {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, glyph_);
        const COLORREF corner = GetPixel(dc, 0, info.bmHeight - 1);
        SelectObject(dc, old);
        DeleteDC(dc);
        if (corner != CLR_INVALID) transparentColor_ = corner & 0xFFFFFF;
    }
    strip_.Recount(info.bmWidth, info.bmHeight, orientation_);
    AdjustSize();
    Refresh();
}

void AnimatedImage::DefineProperties(core::Filer& filer) {
    Control::DefineProperties(filer);
    filer.DefineBinaryProperty(
        "Glyph", [this](const std::vector<std::uint8_t>& bytes) { SetGlyph(bytes); },
        [this](std::vector<std::uint8_t>& bytes) { bytes = glyphBytes_; }, !glyphBytes_.empty());
}

void AnimatedImage::Loaded() {
    Control::Loaded();
    AdjustSize();
    ShowInactiveFrame();
}

void AnimatedImage::ShowInactiveFrame() {
    if (!active_ && strip_.InactiveGlyph() >= 0) strip_.SetGlyphNum(strip_.InactiveGlyph());
}

void AnimatedImage::FrameChanged() {
    if (!IsDestroying()) OnFrameChanged(*this);
}

void AnimatedImage::AdjustSize() {
    if (IsLoading() || !autoSize_ || strip_.FrameWidth() <= 0 || strip_.FrameHeight() <= 0) return;
    SetBounds(Left(), Top(), strip_.FrameWidth(), strip_.FrameHeight());
}

void AnimatedImage::Refresh() {
    if (IsDestroying() || !HandleAllocated()) return;
    InvalidateRect(handle_, nullptr, FALSE);
}

void AnimatedImage::AdvanceGlyph() {
    if (!HandleAllocated() || !IsWindowVisible(handle_) || strip_.NumGlyphs() <= 1) return;
    HWND parent = GetParent(handle_);
    if (!parent) return;
    if (!strip_.Advance()) return;
    FrameChanged();
    Refresh();
}

void AnimatedImage::FillCreateParams(CreateParams& params) {
    Control::FillCreateParams(params);
    params.ownClass = true;
}

void AnimatedImage::PaintFrame(HDC dc, const RECT& client) {
    const int index = strip_.ShownFrame(active_);
    if (!opaque_) CopyParentBackground(handle_, dc);
    if (!glyph_ || strip_.FrameWidth() <= 0 || strip_.FrameHeight() <= 0) return;
    int x = 0, y = 0, width = strip_.FrameWidth(), height = strip_.FrameHeight();
    if (stretch_) {
        width = client.right;
        height = client.bottom;
    } else if (center_) {
        x = (client.right - width) / 2;
        y = (client.bottom - height) / 2;
    }
    DrawBitmapTransparent(dc, x, y, width, height, glyph_, strip_.FrameLeft(index), strip_.FrameTop(index),
                          strip_.FrameWidth(), strip_.FrameHeight(), transparentColor_);
}

void AnimatedImage::Paint(HDC dc) {
    RECT client{};
    GetClientRect(handle_, &client);
    if (client.right <= 0 || client.bottom <= 0) return;
    // Drawn off screen first: the background copy and the frame reach the screen at once.
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP buffer = CreateCompatibleBitmap(dc, client.right, client.bottom);
    HGDIOBJ old = SelectObject(memory, buffer);
    FillRect(memory, &client, GetSysColorBrush(COLOR_BTNFACE));
    PaintFrame(memory, client);
    BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(buffer);
    DeleteDC(memory);
    ++paintCount_;
}

void CopyParentBackground(HWND control, HDC dc) {
    HWND parent = GetParent(control);
    if (!parent) return;
    RECT bounds{};
    GetWindowRect(control, &bounds);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&bounds), 2);
    RECT parentClient{};
    GetClientRect(parent, &parentClient);
    const int saved = SaveDC(dc);
    POINT origin{};
    GetViewportOrgEx(dc, &origin);
    SetViewportOrgEx(dc, origin.x - bounds.left, origin.y - bounds.top, nullptr);
    IntersectClipRect(dc, parentClient.left, parentClient.top, parentClient.right, parentClient.bottom);
    // The parent's own surface only: no PRF_CHILDREN, so this control is never asked to paint
    // itself into its own background.
    SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    RestoreDC(dc, saved);
}

void DrawBitmapTransparent(HDC dc, int x, int y, int width, int height, HBITMAP source, int srcX, int srcY,
                           int srcWidth, int srcHeight, std::int64_t transparent) {
    BITMAP info{};
    if (!source || !GetObjectW(source, sizeof info, &info)) return;
    if (width < 1) width = info.bmWidth;
    if (height < 1) height = info.bmHeight;
    if (srcWidth < 1 || srcHeight < 1) {
        srcX = srcY = 0;
        srcWidth = info.bmWidth;
        srcHeight = info.bmHeight;
    }
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, source);
    if (info.bmBitsPixel > 1) SetStretchBltMode(dc, COLORONCOLOR);
    if (transparent == AnimatedImage::kColorNone) {
        StretchBlt(dc, x, y, width, height, memory, srcX, srcY, srcWidth, srcHeight, SRCCOPY);
    } else {
        COLORREF key = info.bmBitsPixel == 1 ? RGB(255, 255, 255) : static_cast<COLORREF>(transparent & 0xFFFFFF);
        if (transparent == AnimatedImage::kColorDefault) key = GetPixel(memory, 0, info.bmHeight - 1);
        TransparentBlt(dc, x, y, width, height, memory, srcX, srcY, srcWidth, srcHeight, key);
    }
    SelectObject(memory, old);
    DeleteDC(memory);
}

}  // namespace lark::ui
