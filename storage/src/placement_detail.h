#pragma once
// What the portable and the window side of the placement share.
#include <optional>
#include <string>
#include <string_view>

namespace lark::storage {

// The running program's file name without its directory (UTF-8).
std::string ProgramFileName();

// A stored decimal integer; nothing unless the whole text is one.
std::optional<int> StoredDecimal(std::string_view text);

}  // namespace lark::storage
