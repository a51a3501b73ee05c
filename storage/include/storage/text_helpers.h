#pragma once
// Small single-byte text routines of the storage components: replacement, word scanning with a
// delimiter set, and the keyed hex text of stored values. Positions count from 1.
#include <bitset>
#include <cstddef>
#include <string>
#include <string_view>

namespace lark::storage {

// A set of byte values that separate words.
class Delimiters {
public:
    Delimiters() = default;
    Delimiters(std::string_view chars) {
        for (unsigned char c : chars) bits_.set(c);
    }
    bool contains(unsigned char c) const { return bits_.test(c); }

private:
    std::bitset<256> bits_;
};

// Every occurrence of `from` replaced, left to right; a replacement is never scanned again.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// Number of maximal runs of characters outside the delimiter set.
int WordCount(std::string_view text, const Delimiters& delimiters);

// Position (from 1) of the first character of the n-th word, or 0 when there is none.
std::size_t WordAt(int n, std::string_view text, const Delimiters& delimiters);

// The n-th word, or "" when there is none.
std::string ExtractNthWord(int n, std::string_view text, const Delimiters& delimiters);

// Each byte XORed with the key (cyclically; an empty key leaves it) as two lowercase hex digits.
std::string XorHexEncode(std::string_view key, std::string_view text);

// The reverse; a pair that is not hexadecimal reads as a space, an odd last digit is ignored.
std::string XorHexDecode(std::string_view key, std::string_view hex);

}  // namespace lark::storage
