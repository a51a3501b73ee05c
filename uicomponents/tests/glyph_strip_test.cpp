#include "uicomponents/glyph_strip.h"

#include <gtest/gtest.h>

namespace lark::ui {
namespace {

TEST(GlyphStrip, CountsSquareFramesOnlyWhenTheStripDividesEvenly) {
    struct Case {
        int width, height;
        GlyphOrientation orientation;
        int frames, frameWidth, frameHeight;
    } cases[] = {
        {64, 16, GlyphOrientation::Horizontal, 4, 16, 16},
        {60, 16, GlyphOrientation::Horizontal, 1, 60, 16},
        {16, 48, GlyphOrientation::Vertical, 3, 16, 16},
        {16, 48, GlyphOrientation::Horizontal, 1, 16, 48},
        {0, 0, GlyphOrientation::Horizontal, 1, 0, 0},
    };
    for (const Case& c : cases) {
        GlyphStrip strip;
        strip.Recount(c.width, c.height, c.orientation);
        EXPECT_EQ(strip.NumGlyphs(), c.frames) << c.width << "x" << c.height;
        EXPECT_EQ(strip.FrameWidth(), c.frameWidth) << c.width << "x" << c.height;
        EXPECT_EQ(strip.FrameHeight(), c.frameHeight) << c.width << "x" << c.height;
    }
}

TEST(GlyphStrip, NumGlyphsBeforeGlyphNumStartsAtTheWrittenFrame) {
    GlyphStrip strip;
    strip.Recount(66, 26, GlyphOrientation::Horizontal);  // two 33 x 26 frames: not square
    EXPECT_FALSE(strip.SetGlyphNum(1));                  // outside the one-frame strip: ignored
    strip.SetNumGlyphs(2);
    EXPECT_TRUE(strip.SetGlyphNum(1));
    EXPECT_EQ(strip.FrameWidth(), 33);
    EXPECT_EQ(strip.FrameLeft(1), 33);
    EXPECT_FALSE(strip.SetGlyphNum(2));  // GlyphNum = NumGlyphs is ignored
    EXPECT_EQ(strip.GlyphNum(), 1);
}

TEST(GlyphStrip, FewerFramesKeepGlyphNumAndTheInactiveFrameInsideTheStrip) {
    GlyphStrip strip;
    strip.Recount(64, 16, GlyphOrientation::Horizontal);
    ASSERT_TRUE(strip.SetGlyphNum(3));
    ASSERT_TRUE(strip.SetInactiveGlyph(3));
    strip.SetNumGlyphs(2);
    EXPECT_EQ(strip.GlyphNum(), 1);
    EXPECT_EQ(strip.InactiveGlyph(), -1);
    strip.SetNumGlyphs(0);
    EXPECT_EQ(strip.NumGlyphs(), 1);
    EXPECT_EQ(strip.GlyphNum(), 0);
}

TEST(GlyphStrip, AdvanceWrapsAndSkipsTheInactiveFrame) {
    GlyphStrip strip;
    strip.Recount(48, 16, GlyphOrientation::Horizontal);
    ASSERT_TRUE(strip.SetInactiveGlyph(1));
    std::vector<int> seen;
    for (int i = 0; i < 4; ++i) {
        strip.Advance();
        seen.push_back(strip.GlyphNum());
    }
    EXPECT_EQ(seen, (std::vector<int>{2, 0, 2, 0}));
    EXPECT_EQ(strip.ShownFrame(false), 1);
    EXPECT_EQ(strip.ShownFrame(true), 0);

    GlyphStrip two;  // two frames, the second inactive: frame 0 at every tick
    two.Recount(32, 16, GlyphOrientation::Horizontal);
    ASSERT_TRUE(two.SetInactiveGlyph(1));
    EXPECT_FALSE(two.Advance());
    EXPECT_EQ(two.GlyphNum(), 0);

    GlyphStrip one;
    one.Recount(16, 16, GlyphOrientation::Horizontal);
    EXPECT_FALSE(one.Advance());
}

TEST(GlyphStrip, ANegativeInactiveFrameMeansNone) {
    GlyphStrip strip;
    strip.Recount(32, 16, GlyphOrientation::Horizontal);
    ASSERT_TRUE(strip.SetInactiveGlyph(0));
    EXPECT_TRUE(strip.SetInactiveGlyph(-7));
    EXPECT_EQ(strip.InactiveGlyph(), -1);
    EXPECT_FALSE(strip.SetInactiveGlyph(2));
}

}  // namespace
}  // namespace lark::ui
