#pragma once
// Signed 32-bit little-endian fields of the binary formats this library reads and writes.
#include <cstdint>
#include <vector>

namespace lark::ui {

inline std::int32_t LoadInt32Le(const std::uint8_t* p) {
    return static_cast<std::int32_t>(std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                                     std::uint32_t(p[3]) << 24);
}

inline void AppendInt32Le(std::vector<std::uint8_t>& out, std::int32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i)));
}

}  // namespace lark::ui
