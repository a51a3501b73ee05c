#include "uicomponents/animated_image.h"

#include <gtest/gtest.h>

#include <chrono>

#include "gui_testing/process.h"
#include "ui/form.h"

namespace lark::ui {
namespace {

using namespace std::chrono_literals;

// A strip of `frames` square frames of `size` pixels: frame i is filled with colors[i], and the
// bottom-left pixel of the strip is `key`.
HBITMAP Strip(int frames, int size, const std::vector<COLORREF>& colors, COLORREF key) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, frames * size, size);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    for (int i = 0; i < frames; ++i) {
        HBRUSH brush = CreateSolidBrush(colors[i]);
        RECT r{i * size, 0, (i + 1) * size, size};
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
    SetPixel(dc, 0, size - 1, key);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

TEST(AnimatedImage, AFourFrameStripAdvancesWhileActiveAndShowsTheInactiveFrameWhenStopped) {
    Form form;
    form.SetBounds(0, 0, 120, 100);
    AnimatedImage image;
    image.SetParent(&form);
    image.SetGlyphBitmap(Strip(4, 16, {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(9, 9, 9)}, RGB(1, 2, 3)));
    EXPECT_EQ(image.NumGlyphs(), 4);
    EXPECT_EQ(image.Width(), 16);  // AutoSize: one frame
    EXPECT_EQ(image.TransparentColor(), RGB(1, 2, 3));
    image.SetInactiveGlyph(3);
    image.SetInterval(20);
    form.Show();
    int changes = 0;
    image.OnFrameChanged.Bind([&](core::Component&) { ++changes; });
    image.SetActive(true);
    std::vector<int> seen;
    ASSERT_TRUE(testing::PumpUntil(
        [&] {
            if (seen.empty() || seen.back() != image.GlyphNum()) seen.push_back(image.GlyphNum());
            return seen.size() >= 5;
        },
        5s));
    EXPECT_EQ(seen.front(), 3);  // the inactive frame, shown until the first tick
    for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_NE(seen[i], 3);  // then skipped
    EXPECT_GE(changes, 4);
    EXPECT_GT(image.PaintCount(), 0);
    image.SetActive(false);
    EXPECT_EQ(image.GlyphNum(), 3);
    image.SetParent(nullptr);
}

TEST(AnimatedImage, DrawsTheTransparentColourAsTheParentsBackground) {
    HDC screen = GetDC(nullptr);
    HBITMAP target = CreateCompatibleBitmap(screen, 32, 16);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, target);
    RECT all{0, 0, 32, 16};
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    FillRect(dc, &all, white);
    DeleteObject(white);
    // Frame 1 is blue with a key-coloured left half.
    HBITMAP strip = Strip(2, 16, {RGB(255, 0, 0), RGB(0, 0, 255)}, RGB(0, 0, 255));
    DrawBitmapTransparent(dc, 0, 0, 16, 16, strip, 16, 0, 16, 16, RGB(0, 0, 255));  // all key: nothing drawn
    DrawBitmapTransparent(dc, 16, 0, 16, 16, strip, 0, 0, 16, 16, AnimatedImage::kColorNone);  // opaque red
    EXPECT_EQ(GetPixel(dc, 4, 4), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 20, 4), RGB(255, 0, 0));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(target);
    DeleteObject(strip);
    ReleaseDC(nullptr, screen);
}

TEST(AnimatedImage, NumGlyphsKeepsGlyphNumInsideTheStrip) {
    AnimatedImage image;
    image.SetGlyphBitmap(Strip(4, 8, {0, 0, 0, 0}, 0));
    image.SetGlyphNum(3);
    image.SetNumGlyphs(2);
    EXPECT_EQ(image.GlyphNum(), 1);
    image.SetGlyphNum(2);  // outside: ignored
    EXPECT_EQ(image.GlyphNum(), 1);
}

}  // namespace
}  // namespace lark::ui
