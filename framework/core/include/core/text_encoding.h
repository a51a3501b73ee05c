#pragma once
// Conversions between the programs' UTF-8 text, stored Windows-1252 bytes and the UTF-16 of the
// Win32 and COM boundaries, and case-insensitive comparison of names.
//
// Invalid UTF-8 (stray continuation bytes, overlong forms, surrogates, truncated sequences) reads
// as U+FFFD, one per offending byte. The five bytes that Windows-1252 leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of the same value and back, so every
// byte string survives a trip through UTF-8.
#include <cstddef>
#include <string>
#include <string_view>

namespace lark::core {

// Unmappable characters become '?'.
std::string Utf8ToWin1252(std::string_view utf8);
std::string Win1252ToUtf8(std::string_view bytes);
// Unpaired surrogates become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
// Valid UTF-8 whose every character exists in Windows-1252.
bool Win1252RoundTrips(std::string_view utf8);
// Number of UTF-16 code units of the text.
std::size_t Utf16Length(std::string_view utf8);
bool IsValidUtf8(std::string_view text);

// Case mapping of Windows-1252 bytes: ASCII letters, À-Þ/à-þ (not × and ÷), Š/š, Œ/œ, Ž/ž, Ÿ/ÿ.
char AnsiUpperChar(char c);
char AnsiLowerChar(char c);
std::string AnsiUpper(std::string_view bytes);
std::string AnsiLower(std::string_view bytes);
// Case-insensitive comparison of Windows-1252 bytes: below, equal to or above 0.
int AnsiCompareText(std::string_view a, std::string_view b);

// Case-insensitive comparison of UTF-8 texts with the letters above folded. Characters that
// Windows-1252 has order by their byte there, consistently with AnsiCompareText; all others
// order after them by code point.
int CompareTextUtf8(std::string_view a, std::string_view b);
bool SameTextUtf8(std::string_view a, std::string_view b);
// The UTF-8 text with the letters above lowered: equal keys for texts that compare equal.
std::string FoldCaseUtf8(std::string_view utf8);
// A key whose bytewise order is CompareTextUtf8's order (equal keys for texts that compare
// equal): sort and search once by keys instead of comparing texts each time.
std::string SortKeyUtf8(std::string_view utf8);

}  // namespace lark::core
