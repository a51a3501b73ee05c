#pragma once
// The "Icons" data of a tray icon's frames, as window definitions hold it. Contract:
// - Layout (little-endian): signed entry count N, then N entries of a signed size S followed by
//   S bytes of an icon file; S of 0 (or below) is an empty entry with no bytes.
// - ReadIconList refuses a negative count and an entry that runs past the data, naming the
//   entry; it never reads outside the bytes.
#include <cstdint>
#include <span>
#include <vector>

#include "core/errors.h"

namespace lark::ui {

using IconFileBytes = std::vector<std::uint8_t>;  // empty: an empty entry

std::vector<IconFileBytes> ReadIconList(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> WriteIconList(const std::vector<IconFileBytes>& entries);

}  // namespace lark::ui
