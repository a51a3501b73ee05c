#pragma once
// Windows-1252 conversion and case folding used by the translation tables. Kept private: the
// translation data is the only 8-bit text this library reads or writes.
#include <string>
#include <string_view>

namespace lark::localization::detail {

// Every one of the 256 bytes maps to a code point (the five unassigned ones to the C1 control
// of the same value), so bytes -> UTF-8 -> bytes is lossless.
std::string Win1252ToUtf8(std::string_view bytes);

// Code points outside Windows-1252 become '?'; a byte that is not valid UTF-8 passes through
// unchanged (it most likely is a Windows-1252 byte already).
std::string Utf8ToWin1252(std::string_view utf8);

// Sort key of a UTF-8 text: each character is folded to upper case the Windows-1252 way and
// encoded so that comparing keys bytewise orders texts by their folded Windows-1252 values;
// characters outside Windows-1252 sort after all of them and never collide with them.
std::string FoldKey(std::string_view utf8);

// Case-insensitive equality under the same folding as FoldKey.
bool EqualFolded(std::string_view a, std::string_view b);

// ASCII-only case-insensitive equality (section lines, list names, plain identifiers).
bool EqualAsciiNoCase(std::string_view a, std::string_view b);

}  // namespace lark::localization::detail
