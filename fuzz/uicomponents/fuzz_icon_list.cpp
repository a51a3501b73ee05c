// Arbitrary bytes as a tray icon's "Icons" data: read or refused, and what is read writes back
// to the same bytes up to the end of the last entry.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "uicomponents/icon_list_format.h"

using namespace lark::ui;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<IconFileBytes> entries;
    try {
        entries = ReadIconList(std::span(data, size));
    } catch (const lark::core::Error&) {
        return 0;
    }
    const std::vector<std::uint8_t> written = WriteIconList(entries);
    if (ReadIconList(written) != entries) std::abort();
    return 0;
}
