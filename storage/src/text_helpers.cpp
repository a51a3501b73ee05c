#include "storage/text_helpers.h"

namespace lark::storage {

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    for (;;) {
        std::size_t hit = text.find(from, pos);
        if (hit == std::string_view::npos) break;
        out.append(text.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    out.append(text.substr(pos));
    return out;
}

int WordCount(std::string_view text, const Delimiters& delimiters) {
    int count = 0;
    bool inWord = false;
    for (unsigned char c : text) {
        bool delim = delimiters.contains(c);
        if (!delim && !inWord) ++count;
        inWord = !delim;
    }
    return count;
}

std::size_t WordAt(int n, std::string_view text, const Delimiters& delimiters) {
    if (n < 1) return 0;
    int count = 0;
    bool inWord = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool delim = delimiters.contains(static_cast<unsigned char>(text[i]));
        if (!delim && !inWord && ++count == n) return i + 1;
        inWord = !delim;
    }
    return 0;
}

std::string ExtractNthWord(int n, std::string_view text, const Delimiters& delimiters) {
    std::size_t start = WordAt(n, text, delimiters);
    if (start == 0) return {};
    std::size_t end = start - 1;
    while (end < text.size() && !delimiters.contains(static_cast<unsigned char>(text[end]))) ++end;
    return std::string(text.substr(start - 1, end - (start - 1)));
}

std::string XorHexEncode(std::string_view key, std::string_view text) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size() * 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        if (!key.empty()) b ^= static_cast<unsigned char>(key[i % key.size()]);
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 15]);
    }
    return out;
}

namespace {
int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace

std::string XorHexDecode(std::string_view key, std::string_view hex) {
    std::string out;
    out.reserve(hex.size() / 2);
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        int hi = HexValue(hex[i]), lo = HexValue(hex[i + 1]);
        unsigned char b = (hi < 0 || lo < 0) ? ' ' : static_cast<unsigned char>(hi * 16 + lo);
        std::size_t pair = i / 2;
        if (!key.empty()) b ^= static_cast<unsigned char>(key[pair % key.size()]);
        out.push_back(static_cast<char>(b));
    }
    return out;
}

}  // namespace lark::storage
