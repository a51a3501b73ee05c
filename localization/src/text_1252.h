#pragma once
// Case-folded sort keys for the translation tables. Conversion itself is the framework's
// (core/text_encoding.h); this adds a key that orders like its case-insensitive comparison, so
// tables can sort once and bisect on plain byte comparisons.
#include <string>
#include <string_view>

namespace lark::localization::detail {

// Sort key of a UTF-8 text: each character is folded to lower case the Windows-1252 way and
// encoded so that comparing keys bytewise orders texts by their folded Windows-1252 bytes;
// characters outside Windows-1252 sort after all of them by code point and never collide.
std::string FoldKey(std::string_view utf8);

// Case-insensitive equality under the same folding as FoldKey.
bool EqualFolded(std::string_view a, std::string_view b);

// ASCII-only case-insensitive equality (section lines, list names, plain identifiers).
bool EqualAsciiNoCase(std::string_view a, std::string_view b);

}  // namespace lark::localization::detail
