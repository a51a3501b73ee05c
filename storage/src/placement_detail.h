#pragma once
// What the portable and the window side of the placement share.
#include <string>
#include <string_view>

namespace lark::storage {

// The running program's file name without its directory (UTF-8).
std::string ProgramFileName();

}  // namespace lark::storage
