#pragma once
// GlyphStrip: which frame of a strip of equal frames an animated image shows. Portable.
// Contract:
// - Recount (a new strip or orientation): square frames when the strip's length is a whole
//   multiple of its breadth, else one frame; GlyphNum 0.
// - SetNumGlyphs: at least 1; GlyphNum stays inside the strip (clamped to the last frame) and an
//   InactiveGlyph outside it becomes -1.
// - SetGlyphNum / SetInactiveGlyph ignore indices outside the strip (a negative inactive frame
//   is -1, none).
// - Advance: the next frame, wrapping, skipping the inactive frame; false when the shown frame
//   stays (one frame, or two of which one is the inactive frame).
// - ShownFrame: GlyphNum while active, else the inactive frame when one is set.
namespace lark::ui {

enum class GlyphOrientation { Horizontal, Vertical };

class GlyphStrip {
public:
    void Recount(int stripWidth, int stripHeight, GlyphOrientation orientation);
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int count);
    int GlyphNum() const { return glyphNum_; }
    // False when ignored.
    bool SetGlyphNum(int index);
    int InactiveGlyph() const { return inactiveGlyph_; }
    bool SetInactiveGlyph(int index);
    bool Advance();
    int ShownFrame(bool active) const;
    // The frame's size in the strip; 0 x 0 without a strip.
    int FrameWidth() const { return frameWidth_; }
    int FrameHeight() const { return frameHeight_; }
    // The frame's top-left corner in the strip.
    int FrameLeft(int index) const { return orientation_ == GlyphOrientation::Horizontal ? index * frameWidth_ : 0; }
    int FrameTop(int index) const { return orientation_ == GlyphOrientation::Vertical ? index * frameHeight_ : 0; }

private:
    void UpdateFrameSize();
    int stripWidth_ = 0, stripHeight_ = 0;
    GlyphOrientation orientation_ = GlyphOrientation::Horizontal;
    int numGlyphs_ = 1;
    int glyphNum_ = 0;
    int inactiveGlyph_ = -1;
    int frameWidth_ = 0, frameHeight_ = 0;
};

}  // namespace lark::ui
