#include "core/text_encoding.h"

#include <cstdint>

namespace lark::core {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Characters of bytes 0x80..0x9F; the undefined ones keep their own value.
constexpr char16_t kHigh1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The byte of a character, or -1 when Windows-1252 lacks it.
int To1252(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i)
        if (kHigh1252[i] == cp) return 0x80 + i;
    return -1;
}

char32_t From1252(unsigned char b) {
    return (b >= 0x80 && b < 0xA0) ? kHigh1252[b - 0x80] : b;
}

// Decodes one character at i and moves past it; an invalid byte gives U+FFFD and moves one on.
char32_t Decode(std::string_view s, std::size_t& i) {
    auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int len;
    char32_t cp, min;
    if (b0 >= 0xC2 && b0 <= 0xDF) { len = 2; cp = b0 & 0x1F; min = 0x80; }
    else if (b0 >= 0xE0 && b0 <= 0xEF) { len = 3; cp = b0 & 0x0F; min = 0x800; }
    else if (b0 >= 0xF0 && b0 <= 0xF4) { len = 4; cp = b0 & 0x07; min = 0x10000; }
    else { ++i; return kReplacement; }
    if (s.size() - i < static_cast<std::size_t>(len)) { ++i; return kReplacement; }
    for (int k = 1; k < len; ++k) {
        auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) { ++i; return kReplacement; }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) { ++i; return kReplacement; }
    i += len;
    return cp;
}

void Encode(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char32_t FoldChar(char32_t cp) {
    if (cp >= 'A' && cp <= 'Z') return cp + 32;
    if (cp < 0x80) return cp;
    if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) return cp + 32;
    switch (cp) {
    case 0x160: return 0x161;
    case 0x152: return 0x153;
    case 0x17D: return 0x17E;
    case 0x178: return 0xFF;
    default: return cp;
    }
}

std::uint32_t SortKey(char32_t cp) {
    cp = FoldChar(cp);
    int b = To1252(cp);
    return b >= 0 ? static_cast<std::uint32_t>(b) : 0x100u + cp;
}

}  // namespace

std::string Utf8ToWin1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t run = i;
        while (run < utf8.size() && static_cast<unsigned char>(utf8[run]) < 0x80) ++run;
        if (run > i) {
            out.append(utf8.data() + i, run - i);
            i = run;
            continue;
        }
        int b = To1252(Decode(utf8, i));
        out += b >= 0 ? static_cast<char>(b) : '?';
    }
    return out;
}

std::string Win1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t run = i;
        while (run < bytes.size() && static_cast<unsigned char>(bytes[run]) < 0x80) ++run;
        out.append(bytes.data() + i, run - i);
        if (run == bytes.size()) break;
        Encode(out, From1252(static_cast<unsigned char>(bytes[run])));
        i = run + 1;
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = Decode(utf8, i);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t u = utf16[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            u = 0x10000 + ((u - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            u = kReplacement;
        }
        Encode(out, u);
    }
    return out;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        std::size_t start = i;
        if (Decode(text, i) == kReplacement && i - start == 1) return false;
    }
    return true;
}

bool Win1252RoundTrips(std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t start = i;
        char32_t cp = Decode(utf8, i);
        if (cp == kReplacement && i - start == 1) return false;
        if (To1252(cp) < 0) return false;
    }
    return true;
}

std::size_t Utf16Length(std::string_view utf8) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < utf8.size();) n += Decode(utf8, i) >= 0x10000 ? 2 : 1;
    return n;
}

char AnsiLowerChar(char c) {
    auto b = static_cast<unsigned char>(c);
    int folded = To1252(FoldChar(From1252(b)));
    return static_cast<char>(folded);
}

char AnsiUpperChar(char c) {
    auto b = static_cast<unsigned char>(c);
    if (b >= 'a' && b <= 'z') return static_cast<char>(b - 32);
    if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<char>(b - 32);
    switch (b) {
    case 0x9A: return static_cast<char>(0x8A);
    case 0x9C: return static_cast<char>(0x8C);
    case 0x9E: return static_cast<char>(0x8E);
    case 0xFF: return static_cast<char>(0x9F);
    default: return c;
    }
}

std::string AnsiUpper(std::string_view bytes) {
    std::string out(bytes);
    for (char& c : out) c = AnsiUpperChar(c);
    return out;
}

std::string AnsiLower(std::string_view bytes) {
    std::string out(bytes);
    for (char& c : out) c = AnsiLowerChar(c);
    return out;
}

int AnsiCompareText(std::string_view a, std::string_view b) {
    std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        auto x = static_cast<unsigned char>(AnsiLowerChar(a[i]));
        auto y = static_cast<unsigned char>(AnsiLowerChar(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int CompareTextUtf8(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        auto ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[j]);
        std::uint32_t ka, kb;
        if ((ca | cb) < 0x80) {
            ka = static_cast<std::uint32_t>(FoldChar(ca));
            kb = static_cast<std::uint32_t>(FoldChar(cb));
            ++i;
            ++j;
        } else {
            ka = SortKey(Decode(a, i));
            kb = SortKey(Decode(b, j));
        }
        if (ka != kb) return ka < kb ? -1 : 1;
    }
    bool aDone = i >= a.size(), bDone = j >= b.size();
    return aDone && bDone ? 0 : (aDone ? -1 : 1);
}

bool SameTextUtf8(std::string_view a, std::string_view b) {
    if (a == b) return true;  // the usual case of a name looked up as it was written
    return CompareTextUtf8(a, b) == 0;
}

std::string FoldCaseUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
            ++i;
        } else {
            Encode(out, FoldChar(Decode(utf8, i)));
        }
    }
    return out;
}

}  // namespace lark::core
