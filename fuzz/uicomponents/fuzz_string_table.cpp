// Arbitrary bytes as a string table resource: opening and looking up every identifier of the
// index (and some that are not) either answers or refuses, never reads outside the bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "uicomponents/string_table.h"

using namespace lark::ui;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const StringTable table("FUZZ", std::span(data, size));
        for (std::size_t i = 0; i < table.Count(); ++i) {
            const std::uint8_t* entry = data + 8 + 12 * i;
            const std::int32_t id = static_cast<std::int32_t>(std::uint32_t(entry[0]) | std::uint32_t(entry[1]) << 8 |
                                                              std::uint32_t(entry[2]) << 16 | std::uint32_t(entry[3]) << 24);
            try {
                (void)table.Text(id);
            } catch (const StringTableError&) {
                // A damaged entry is refused.
            }
        }
        (void)table.Text(-1);
        (void)table.Text(73);
    } catch (const StringTableError&) {
        // Not a table.
    }
    return 0;
}
