#include "text_1252.h"

#include <cstdint>

#include "core/text_encoding.h"

namespace lark::localization::detail {
namespace {

// Code points of bytes 0x80..0x9F; the unassigned bytes keep their own value.
constexpr char32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Decodes one character at i; returns false (and leaves cp) for an invalid sequence, in which
// case the caller takes the single byte at i.
bool DecodeUtf8(std::string_view s, size_t& i, char32_t& cp) {
    const auto b0 = static_cast<uint8_t>(s[i]);
    if (b0 < 0x80) {
        cp = b0;
        ++i;
        return true;
    }
    int len;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        return false;
    }
    if (i + len > s.size()) return false;
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<uint8_t>(s[i + k]);
        if ((b & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += len;
    return true;
}

// Windows-1252 byte of a code point, or -1.
int ByteOf(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (int k = 0; k < 32; ++k)
        if (kHigh[k] == cp) return 0x80 + k;
    return -1;
}

uint8_t FoldByte(uint8_t b) { return static_cast<uint8_t>(core::AnsiLowerChar(static_cast<char>(b))); }

// Keys: a folded byte below 0xFF is one key byte; anything else is 0xFF and a 3-byte weight
// (0x100 + code point, or 0x110100 + byte for a stray byte) so order and uniqueness hold.
void AppendWeight(std::string& key, uint32_t w) {
    if (w < 0xFF) {
        key += static_cast<char>(w);
        return;
    }
    key += '\xFF';
    key += static_cast<char>((w >> 16) & 0xFF);
    key += static_cast<char>((w >> 8) & 0xFF);
    key += static_cast<char>(w & 0xFF);
}

}  // namespace

std::string FoldKey(std::string_view utf8) {
    std::string key;
    key.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const auto b0 = static_cast<uint8_t>(utf8[i]);
        if (b0 < 0x80) {
            key += static_cast<char>(FoldByte(b0));
            ++i;
            continue;
        }
        char32_t cp;
        if (!DecodeUtf8(utf8, i, cp)) {
            AppendWeight(key, 0x110100u + static_cast<uint8_t>(utf8[i++]));
            continue;
        }
        const int b = ByteOf(cp);
        AppendWeight(key, b < 0 ? 0x100u + cp : FoldByte(static_cast<uint8_t>(b)));
    }
    return key;
}

bool EqualFolded(std::string_view a, std::string_view b) {
    // Folded characters keep their UTF-8 length, but the cheap test is only a shortcut.
    for (size_t i = 0;; ++i) {
        if (i == a.size() || i == b.size()) {
            if (a.size() == b.size()) return true;
            break;
        }
        const auto x = static_cast<uint8_t>(a[i]), y = static_cast<uint8_t>(b[i]);
        if (x >= 0x80 || y >= 0x80) break;
        if (FoldByte(x) != FoldByte(y)) return false;
    }
    return FoldKey(a) == FoldKey(b);
}

bool EqualAsciiNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto x = static_cast<uint8_t>(a[i]), y = static_cast<uint8_t>(b[i]);
        if (x >= 'a' && x <= 'z') x -= 0x20;
        if (y >= 'a' && y <= 'z') y -= 0x20;
        if (x != y) return false;
    }
    return true;
}

}  // namespace lark::localization::detail
