#include <windows.h>
#include <mmsystem.h>

#include "../tick_count.h"

namespace lark::storage::detail {

std::uint32_t MillisecondTicks() {
    return timeGetTime();
}

}  // namespace lark::storage::detail
