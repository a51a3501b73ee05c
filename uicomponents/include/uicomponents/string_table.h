#pragma once
// String tables stored as raw data resources ("STR0" tables), read from their bytes. Contract:
// - Layout (little-endian): "STR0", entry count N (u32), N index entries of identifier, offset
//   and length (i32 each, sorted by identifier ascending, offset from the table's start, length
//   in UTF-16 code units), then the texts, unterminated UTF-16LE.
// - Open refuses a table that is not one: wrong magic, an index longer than the bytes, or no
//   entries (an empty table counts as not found). Every entry's offset and length is checked
//   against the size before its text is read; a damaged entry raises, never reads outside.
// - Text() answers the UTF-8 text of an identifier, empty when the identifier is absent.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/errors.h"

namespace lark::ui {

class StringTableError : public core::Error {
public:
    using core::Error::Error;
};

class StringTable {
public:
    // `name` names the table in errors. The bytes must outlive the table (a resource's are the
    // module's).
    StringTable(std::string name, std::span<const std::uint8_t> bytes);

    std::size_t Count() const { return count_; }
    std::string Text(std::int32_t id) const;
    const std::string& Name() const { return name_; }

private:
    std::int32_t Field(std::size_t offset) const;
    std::string name_;
    std::span<const std::uint8_t> bytes_;
    std::size_t count_ = 0;
};

}  // namespace lark::ui
