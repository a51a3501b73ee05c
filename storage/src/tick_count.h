#pragma once
#include <cstdint>

namespace lark::storage::detail {

// Milliseconds since some fixed moment, wrapping at 2^32.
std::uint32_t MillisecondTicks();

}  // namespace lark::storage::detail
