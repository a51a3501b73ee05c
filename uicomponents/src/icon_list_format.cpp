#include "uicomponents/icon_list_format.h"

#include <string>

#include "little_endian.h"

namespace lark::ui {

namespace {
std::int32_t ReadInt32(std::span<const std::uint8_t> bytes, std::size_t& at, const std::string& what) {
    if (bytes.size() - at < 4) throw core::Error("Icons: " + what + " runs past the data");
    at += 4;
    return LoadInt32Le(bytes.data() + at - 4);
}
}  // namespace

std::vector<IconFileBytes> ReadIconList(std::span<const std::uint8_t> bytes) {
    std::size_t at = 0;
    const std::int32_t count = ReadInt32(bytes, at, "the entry count");
    if (count < 0) throw core::Error("Icons: negative entry count " + std::to_string(count));
    std::vector<IconFileBytes> entries;
    for (std::int32_t i = 0; i < count; ++i) {
        const std::string what = "entry " + std::to_string(i);
        const std::int32_t size = ReadInt32(bytes, at, what);
        if (size <= 0) {
            entries.emplace_back();
            continue;
        }
        if (bytes.size() - at < static_cast<std::size_t>(size)) throw core::Error("Icons: " + what + " runs past the data");
        entries.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                             bytes.begin() + static_cast<std::ptrdiff_t>(at + static_cast<std::size_t>(size)));
        at += static_cast<std::size_t>(size);
    }
    return entries;
}

std::vector<std::uint8_t> WriteIconList(const std::vector<IconFileBytes>& entries) {
    std::vector<std::uint8_t> out;
    AppendInt32Le(out, static_cast<std::int32_t>(entries.size()));
    for (const IconFileBytes& entry : entries) {
        AppendInt32Le(out, static_cast<std::int32_t>(entry.size()));
        out.insert(out.end(), entry.begin(), entry.end());
    }
    return out;
}

}  // namespace lark::ui
