#include "uicomponents/jpeg_decoder.h"

#include <csetjmp>
#include <cstdio>
#include <string>

#include "core/errors.h"

extern "C" {
#include <jpeglib.h>
}

namespace lark::ui {

namespace {
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

void NoOutput(j_common_ptr) {}

// The decoding proper: only trivially destructible locals, because libjpeg's error exit
// leaves through longjmp.
bool Decode(jpeg_decompress_struct& info, const std::vector<std::uint8_t>& bytes, DecodedPicture& picture,
            ErrorManager& errors) {
    if (setjmp(errors.jump)) return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    picture.width = static_cast<int>(info.output_width);
    picture.height = static_cast<int>(info.output_height);
    picture.bgra.resize(static_cast<std::size_t>(picture.width) * picture.height * 4);
    picture.bgra.shrink_to_fit();
    while (info.output_scanline < info.output_height) {
        const std::size_t y = info.output_scanline;
        std::uint8_t* row = picture.bgra.data() + y * picture.width * 4;
        // RGB lands in the row's last three quarters, then spreads to BGRA from the front.
        std::uint8_t* rgb = row + picture.width;
        JSAMPROW rows[1] = {rgb};
        jpeg_read_scanlines(&info, rows, 1);
        for (int x = 0; x < picture.width; ++x) {
            const std::uint8_t r = rgb[x * 3], g = rgb[x * 3 + 1], b = rgb[x * 3 + 2];
            row[x * 4] = b;
            row[x * 4 + 1] = g;
            row[x * 4 + 2] = r;
            row[x * 4 + 3] = 255;
        }
    }
    jpeg_finish_decompress(&info);
    return true;
}
}  // namespace

bool IsJpeg(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

DecodedPicture DecodeJpeg(const std::vector<std::uint8_t>& bytes) {
    if (!IsJpeg(bytes)) throw core::Error("JPEG picture: not a JPEG file");
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = &ErrorExit;
    errors.base.output_message = &NoOutput;
    DecodedPicture picture;
    const bool ok = Decode(info, bytes, picture, errors);
    jpeg_destroy_decompress(&info);
    if (!ok) throw core::Error(std::string("JPEG picture: ") + errors.message);
    return picture;
}

}  // namespace lark::ui
