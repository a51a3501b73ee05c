#pragma once
#include <string>

namespace lark::storage {

// The running program's file name without its directory (UTF-8).
std::string ProgramFileName();

}  // namespace lark::storage
