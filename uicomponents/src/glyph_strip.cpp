#include "uicomponents/glyph_strip.h"

#include <algorithm>

namespace lark::ui {

void GlyphStrip::Recount(int stripWidth, int stripHeight, GlyphOrientation orientation) {
    stripWidth_ = std::max(stripWidth, 0);
    stripHeight_ = std::max(stripHeight, 0);
    orientation_ = orientation;
    numGlyphs_ = 1;
    glyphNum_ = 0;
    if (orientation == GlyphOrientation::Horizontal && stripHeight_ > 0 && stripWidth_ % stripHeight_ == 0)
        numGlyphs_ = std::max(stripWidth_ / stripHeight_, 1);
    if (orientation == GlyphOrientation::Vertical && stripWidth_ > 0 && stripHeight_ % stripWidth_ == 0)
        numGlyphs_ = std::max(stripHeight_ / stripWidth_, 1);
    if (inactiveGlyph_ >= numGlyphs_) inactiveGlyph_ = -1;
    UpdateFrameSize();
}

void GlyphStrip::UpdateFrameSize() {
    if (numGlyphs_ < 1) numGlyphs_ = 1;
    frameWidth_ = orientation_ == GlyphOrientation::Horizontal ? stripWidth_ / numGlyphs_ : stripWidth_;
    frameHeight_ = orientation_ == GlyphOrientation::Vertical ? stripHeight_ / numGlyphs_ : stripHeight_;
}

void GlyphStrip::SetNumGlyphs(int count) {
    numGlyphs_ = std::max(count, 1);
    if (glyphNum_ >= numGlyphs_) glyphNum_ = numGlyphs_ - 1;
    if (inactiveGlyph_ >= numGlyphs_) inactiveGlyph_ = -1;
    UpdateFrameSize();
}

bool GlyphStrip::SetGlyphNum(int index) {
    if (index < 0 || index >= numGlyphs_ || index == glyphNum_) return false;
    glyphNum_ = index;
    return true;
}

bool GlyphStrip::SetInactiveGlyph(int index) {
    if (index < 0) index = -1;
    if (index == inactiveGlyph_ || index >= numGlyphs_) return false;
    inactiveGlyph_ = index;
    return true;
}

bool GlyphStrip::Advance() {
    if (numGlyphs_ <= 1) return false;
    const int before = glyphNum_;
    int next = (glyphNum_ + 1) % numGlyphs_;
    if (next == inactiveGlyph_) next = (next + 1) % numGlyphs_;
    glyphNum_ = next;
    return glyphNum_ != before;
}

int GlyphStrip::ShownFrame(bool active) const {
    if (!active && inactiveGlyph_ >= 0 && inactiveGlyph_ < numGlyphs_) return inactiveGlyph_;
    return glyphNum_;
}

}  // namespace lark::ui
