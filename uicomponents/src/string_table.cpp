#include "uicomponents/string_table.h"

#include "core/text_encoding.h"
#include "little_endian.h"

namespace lark::ui {

namespace {
constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kEntrySize = 12;
}  // namespace

StringTable::StringTable(std::string name, std::span<const std::uint8_t> bytes)
    : name_(std::move(name)), bytes_(bytes) {
    if (bytes_.size() < kHeaderSize || std::string_view(reinterpret_cast<const char*>(bytes_.data()), 4) != "STR0")
        throw StringTableError("Invalid string resource: " + name_);
    const std::uint32_t count = static_cast<std::uint32_t>(Field(4));
    if (count == 0) throw StringTableError("String resource not found: " + name_ + " (empty table)");
    if (count > (bytes_.size() - kHeaderSize) / kEntrySize)
        throw StringTableError("Invalid string resource: " + name_ + " (index longer than the table)");
    count_ = count;
}

std::int32_t StringTable::Field(std::size_t offset) const { return LoadInt32Le(bytes_.data() + offset); }

std::string StringTable::Text(std::int32_t id) const {
    std::size_t low = 0, high = count_;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        const std::size_t entry = kHeaderSize + middle * kEntrySize;
        const std::int32_t found = Field(entry);
        if (found < id) {
            low = middle + 1;
        } else if (found > id) {
            high = middle;
        } else {
            const std::int32_t offset = Field(entry + 4), length = Field(entry + 8);
            if (offset < 0 || length < 0 || static_cast<std::size_t>(offset) > bytes_.size() ||
                static_cast<std::size_t>(length) > (bytes_.size() - static_cast<std::size_t>(offset)) / 2)
                throw StringTableError("Invalid string resource: " + name_ + " (text of " + std::to_string(id) +
                                       " outside the table)");
            std::u16string text(static_cast<std::size_t>(length), u'\0');
            const std::uint8_t* p = bytes_.data() + offset;
            for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char16_t>(p[2 * i] | p[2 * i + 1] << 8);
            return core::Utf16ToUtf8(text);
        }
    }
    return {};
}

}  // namespace lark::ui
