#include "tick_count.h"

#include <chrono>

namespace lark::storage::detail {

std::uint32_t MillisecondTicks() {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace lark::storage::detail
