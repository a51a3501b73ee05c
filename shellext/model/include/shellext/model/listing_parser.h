#pragma once
// One line of a server's directory listing into a listing entry. Three server styles are told
// apart by the line's shape: Unix "ls -l" lines, DOS/IIS lines and VMS lines. Lines are UTF-8;
// names keep every byte of the line. The parser never throws for bad input: a line it cannot
// read leaves an entry with an empty name, which the caller skips.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/clock.h"
#include "core/datetime.h"

namespace lark::shellext {

// The 9-bit permission set of a listing entry.
inline constexpr std::uint16_t PermOwnerRead = 0x1;
inline constexpr std::uint16_t PermOwnerWrite = 0x2;
inline constexpr std::uint16_t PermOwnerExecute = 0x4;
inline constexpr std::uint16_t PermGroupRead = 0x8;
inline constexpr std::uint16_t PermGroupWrite = 0x10;
inline constexpr std::uint16_t PermGroupExecute = 0x20;
inline constexpr std::uint16_t PermOthersRead = 0x40;
inline constexpr std::uint16_t PermOthersWrite = 0x80;
inline constexpr std::uint16_t PermOthersExecute = 0x100;

class TFTPFileList;

struct TFTPFileInfo {
    TFTPFileInfo();
    TFTPFileInfo(const TFTPFileInfo&) = delete;
    TFTPFileInfo& operator=(const TFTPFileInfo&) = delete;
    ~TFTPFileInfo();

    // Takes Name, Size, DateTime, Owner, Group, Permissions and PermString; nothing else.
    void Assign(const TFTPFileInfo& source);
    // Everything empty or zero again; Children is destroyed.
    void Clear();

    core::DateTime DateTime = 0;  // 0 when the listing's date could not be read
    std::int64_t Size = 0;        // bytes; 0 when it could not be read
    std::string Owner;
    std::string Name;
    std::string Group;
    std::uint16_t Permissions = 0;
    std::string PermString;       // Unix permission column as listed
    bool IsDir = false;
    std::unique_ptr<TFTPFileList> Children;  // created for a directory
    bool IsCharDevice = false;
    std::string RawText;          // the parsed line followed by CR LF
};

// An owning list of entries with one spare entry of its own.
class TFTPFileList {
public:
    TFTPFileList();
    ~TFTPFileList();

    TFTPFileInfo& Add();
    std::size_t Count() const { return items_.size(); }
    TFTPFileInfo& operator[](std::size_t i) { return *items_[i]; }
    const TFTPFileInfo& operator[](std::size_t i) const { return *items_[i]; }
    void Clear() { items_.clear(); }
    TFTPFileInfo& Spare() { return *spare_; }

private:
    std::vector<std::unique_ptr<TFTPFileInfo>> items_;
    std::unique_ptr<TFTPFileInfo> spare_;
};

// Fills the entry from one listing line (a trailing CR or LF is not part of it). The clock
// gives the year of Unix dates that carry a time instead of a year, and the century of
// two-digit years.
void ParseLine(TFTPFileInfo& entry, std::string_view line, const core::Clock& clock);

// The date-time of a Unix date column: month name, day, then a year or a time of day
// ("Mar  5 12:34", "Jan 10  2003"); 0 when it cannot be read. A time belongs to the current
// year, or to the previous one when its month lies after the current month.
core::DateTime ParseUnixDate(std::string_view text, const core::Clock& clock);

// The 1-based position of the first " " or "," at or after `start` (from 1), or one past the
// end when there is none.
std::size_t NextDelimiter(std::string_view text, std::size_t start);

}  // namespace lark::shellext
