#pragma once
// AnimatedImage ("TAnimatedImage"): one frame of a glyph strip (equal frames side by side or
// stacked), stepped through every Interval ms while Active, drawn with a transparent colour over
// its parent's background. Contract:
// - Published: Active, AutoSize (True: the control takes one frame's size), Center, Glyph (the
//   strip as .bmp bytes, a defined binary property), GlyphNum, InactiveGlyph (-1), Interval
//   (100), NumGlyphs (1), Opaque, Orientation (goHorizontal), Stretch (True),
//   TransparentColor (clNone = $1FFFFFFF: drawn opaque; clDefault = $20000000: the strip's
//   bottom-left pixel), OnFrameChanged, OnStart, OnStop.
// - A new Glyph counts square frames and takes its bottom-left pixel as the transparent colour;
//   values read after it in a definition override both, so definitions write NumGlyphs before
//   GlyphNum (GlyphNum outside the strip is ignored; NumGlyphs keeps GlyphNum inside it).
// - Ticks come from an owned ThreadTimer and are handled on the control's own thread: the frame
//   is painted there, never from the timer thread.
// - The background is the parent's own surface (its erase and client painting, never its
//   children), so the copy cannot reach back into this control.
#include "ui/win32.h"

#include <cstdint>
#include <vector>

#include "ui/control.h"
#include "uicomponents/glyph_strip.h"

namespace lark::ui {

class ThreadTimer;

const core::TypeInfo& GlyphOrientationType();

class AnimatedImage : public PaintedControl {
    LARK_PERSISTENT_CLASS(AnimatedImage)
public:
    static constexpr std::int64_t kColorNone = 0x1FFFFFFF;
    static constexpr std::int64_t kColorDefault = 0x20000000;

    explicit AnimatedImage(core::Component* owner = nullptr);
    ~AnimatedImage() override;

    bool Active() const { return active_; }
    void SetActive(bool on);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);
    bool Center() const { return center_; }
    void SetCenter(bool on);
    bool Opaque() const { return opaque_; }
    void SetOpaque(bool on);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool on);
    GlyphOrientation Orientation() const { return orientation_; }
    void SetOrientation(GlyphOrientation orientation);
    int GlyphNum() const { return strip_.GlyphNum(); }
    void SetGlyphNum(int index);
    int InactiveGlyph() const { return strip_.InactiveGlyph(); }
    void SetInactiveGlyph(int index);
    int NumGlyphs() const { return strip_.NumGlyphs(); }
    void SetNumGlyphs(int count);
    unsigned Interval() const;
    void SetInterval(unsigned interval);
    std::int64_t TransparentColor() const { return transparentColor_; }
    void SetTransparentColor(std::int64_t color);
    // The strip as .bmp file bytes (raises core::Error naming the control for other bytes).
    void SetGlyph(std::vector<std::uint8_t> bytes);
    // Takes the bitmap.
    void SetGlyphBitmap(HBITMAP bitmap);
    HBITMAP GlyphBitmap() const { return glyph_; }
    // The frame the control shows now.
    int ShownFrame() const { return strip_.ShownFrame(active_); }
    // Frames painted so far (for tests and diagnostics).
    int PaintCount() const { return paintCount_; }

    void DefineProperties(core::Filer& filer) override;
    void Loaded() override;

    core::NotifyEvent OnFrameChanged, OnStart, OnStop;

protected:
    void FillCreateParams(CreateParams& params) override;
    void Paint(HDC dc) override;

private:
    void AdvanceGlyph();
    void GlyphChanged();
    void FrameChanged();
    void ShowInactiveFrame();
    void AdjustSize();
    void Refresh();
    void PaintFrame(HDC dc, const RECT& client);

    ThreadTimer* timer_ = nullptr;  // owned as a component
    GlyphStrip strip_;
    HBITMAP glyph_ = nullptr;
    std::vector<std::uint8_t> glyphBytes_;
    bool active_ = false, autoSize_ = true, center_ = false, opaque_ = false, stretch_ = true;
    GlyphOrientation orientation_ = GlyphOrientation::Horizontal;
    std::int64_t transparentColor_ = kColorNone;
    int paintCount_ = 0;
};

// Copies `source` (srcX, srcY, srcWidth x srcHeight; below 1: the whole bitmap) onto `dc`,
// leaving the pixels of `transparent` (an RGB colour, or kColorNone for an opaque copy)
// unpainted.
void DrawBitmapTransparent(HDC dc, int x, int y, int width, int height, HBITMAP source, int srcX, int srcY,
                           int srcWidth, int srcHeight, std::int64_t transparent);
// Paints what `control`'s parent shows beneath it (the parent's own background and client
// drawing, not its other children) into `dc`, whose origin is the control's top-left corner.
void CopyParentBackground(HWND control, HDC dc);

}  // namespace lark::ui
