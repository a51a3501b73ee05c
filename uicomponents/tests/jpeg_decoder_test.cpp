#include "uicomponents/jpeg_decoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "core/errors.h"

extern "C" {
#include <jpeglib.h>
}

namespace lark::ui {
namespace {

// A 16 x 8 picture: the left half red, the right half blue, encoded by libjpeg at quality 100.
std::vector<std::uint8_t> RedBlueJpeg(int components) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = 16;
    info.image_height = 8;
    info.input_components = components;
    info.in_color_space = components == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(16 * components);
    for (int x = 0; x < 16; ++x) {
        if (components == 3) {
            row[x * 3] = x < 8 ? 255 : 0;
            row[x * 3 + 2] = x < 8 ? 0 : 255;
        } else {
            row[x] = x < 8 ? 40 : 200;
        }
    }
    while (info.next_scanline < 8) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<std::uint8_t> bytes(out, out + size);
    std::free(out);
    return bytes;
}

int Channel(const DecodedPicture& p, int x, int y, int channel) { return p.bgra[(y * p.width + x) * 4 + channel]; }

TEST(JpegDecoder, DecodesColourIntoTopDownBgra) {
    const DecodedPicture picture = DecodeJpeg(RedBlueJpeg(3));
    ASSERT_EQ(picture.width, 16);
    ASSERT_EQ(picture.height, 8);
    ASSERT_EQ(picture.bgra.size(), 16u * 8 * 4);
    EXPECT_GT(Channel(picture, 2, 4, 2), 200);  // red on the left
    EXPECT_LT(Channel(picture, 2, 4, 0), 60);
    EXPECT_GT(Channel(picture, 13, 4, 0), 200);  // blue on the right
    EXPECT_LT(Channel(picture, 13, 4, 2), 60);
    EXPECT_EQ(Channel(picture, 13, 7, 3), 255);
}

TEST(JpegDecoder, DecodesGrey) {
    const DecodedPicture picture = DecodeJpeg(RedBlueJpeg(1));
    EXPECT_NEAR(Channel(picture, 1, 1, 0), 40, 6);
    EXPECT_NEAR(Channel(picture, 1, 1, 2), 40, 6);
    EXPECT_NEAR(Channel(picture, 14, 6, 1), 200, 6);
}

TEST(JpegDecoder, RefusesWhatIsNoJpegOrIsDamaged) {
    EXPECT_FALSE(IsJpeg({'B', 'M', 0}));
    EXPECT_THROW(DecodeJpeg({'B', 'M', 0, 0}), core::Error);
    std::vector<std::uint8_t> damaged = RedBlueJpeg(3);
    damaged.resize(20);  // the start marker, then a header cut short
    EXPECT_TRUE(IsJpeg(damaged));
    try {
        DecodeJpeg(damaged);
        FAIL() << "a damaged header decoded";
    } catch (const core::Error& e) {
        EXPECT_NE(std::string(e.what()).find("JPEG picture: "), std::string::npos);
    }
}

}  // namespace
}  // namespace lark::ui
