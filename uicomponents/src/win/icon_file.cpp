#include "uicomponents/icon_file.h"

#include <cstring>

#include "core/errors.h"

namespace lark::ui {

namespace {
#pragma pack(push, 1)
struct IconDirectory {
    WORD reserved, type, count;
};
struct IconDirectoryEntry {
    BYTE width, height, colorCount, reserved;
    WORD planes, bitCount;
    DWORD bytesInRes, imageOffset;
};
#pragma pack(pop)

// Copies `size` bytes to `at`, answers the end.
std::uint8_t* Put(std::uint8_t* at, const void* bytes, std::size_t size) {
    if (size) std::memcpy(at, bytes, size);
    return at + size;
}

// The rows of a bitmap as a bottom-up DIB of `bits` per pixel.
std::vector<std::uint8_t> Rows(HDC dc, HBITMAP bitmap, int width, int height, WORD bits) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[2];
    } info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = height;
    info.header.biPlanes = 1;
    info.header.biBitCount = bits;
    info.header.biCompression = BI_RGB;
    const std::size_t stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
    std::vector<std::uint8_t> rows(stride * static_cast<std::size_t>(height));
    if (GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), rows.data(), reinterpret_cast<BITMAPINFO*>(&info),
                  DIB_RGB_COLORS) != height)
        throw core::Error("Icon: cannot read the icon's pixels");
    return rows;
}
}  // namespace

std::vector<std::uint8_t> IconFileOf(HICON icon) {
    ICONINFO parts{};
    if (!icon || !GetIconInfo(icon, &parts)) throw core::Error("Icon: cannot read the icon");
    struct Release {
        ICONINFO& parts;
        ~Release() {
            if (parts.hbmColor) DeleteObject(parts.hbmColor);
            if (parts.hbmMask) DeleteObject(parts.hbmMask);
        }
    } release{parts};
    if (!parts.hbmColor) throw core::Error("Icon: a monochrome icon cannot be stored");
    BITMAP color{};
    GetObjectW(parts.hbmColor, sizeof(color), &color);
    const int width = color.bmWidth, height = color.bmHeight;
    if (width <= 0 || height <= 0 || width > 256 || height > 256) throw core::Error("Icon: unsupported icon size");
    HDC dc = GetDC(nullptr);
    std::vector<std::uint8_t> pixels, mask;
    try {
        pixels = Rows(dc, parts.hbmColor, width, height, 32);
        mask = Rows(dc, parts.hbmMask, width, height, 1);
    } catch (...) {
        ReleaseDC(nullptr, dc);
        throw;
    }
    ReleaseDC(nullptr, dc);

    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height * 2;  // colour and mask, as icon images count it
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(pixels.size() + mask.size());
    IconDirectory directory{0, 1, 1};
    IconDirectoryEntry entry{};
    entry.width = static_cast<BYTE>(width == 256 ? 0 : width);
    entry.height = static_cast<BYTE>(height == 256 ? 0 : height);
    entry.planes = 1;
    entry.bitCount = 32;
    entry.bytesInRes = static_cast<DWORD>(sizeof(header) + pixels.size() + mask.size());
    entry.imageOffset = sizeof(directory) + sizeof(entry);
    // One buffer of the file's size, filled in place.
    std::vector<std::uint8_t> out(entry.imageOffset + entry.bytesInRes);
    std::uint8_t* at = Put(out.data(), &directory, sizeof(directory));
    at = Put(at, &entry, sizeof(entry));
    at = Put(at, &header, sizeof(header));
    at = Put(at, pixels.data(), pixels.size());
    Put(at, mask.data(), mask.size());
    return out;
}

HICON IconFromFile(std::span<const std::uint8_t> bytes) {
    IconDirectory directory{};
    IconDirectoryEntry entry{};
    if (bytes.size() < sizeof(directory) + sizeof(entry)) throw core::Error("Icon: not an icon file");
    std::memcpy(&directory, bytes.data(), sizeof(directory));
    std::memcpy(&entry, bytes.data() + sizeof(directory), sizeof(entry));
    if (directory.reserved != 0 || directory.type != 1 || directory.count == 0)
        throw core::Error("Icon: not an icon file");
    if (entry.imageOffset > bytes.size() || entry.bytesInRes > bytes.size() - entry.imageOffset ||
        entry.bytesInRes < sizeof(BITMAPINFOHEADER))
        throw core::Error("Icon: the image lies outside the file");
    // CreateIconFromResourceEx takes a non-const pointer but does not write through it.
    std::vector<std::uint8_t> image(bytes.begin() + entry.imageOffset,
                                    bytes.begin() + entry.imageOffset + entry.bytesInRes);
    const int width = entry.width ? entry.width : 256, height = entry.height ? entry.height : 256;
    HICON icon = CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE, 0x00030000, width,
                                          height, LR_DEFAULTCOLOR);
    if (!icon) throw core::Error("Icon: the image cannot be read");
    return icon;
}

}  // namespace lark::ui
