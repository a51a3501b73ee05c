#pragma once
// One line of a server's directory listing into a listing entry. Three server styles are told
// apart by the line's shape: Unix "ls -l" lines, DOS/IIS lines and VMS lines. Lines are UTF-8;
// names keep every byte of the line. The parser never throws for bad input: a line it cannot
// read leaves an entry with an empty name, which the caller skips. A line whose name, size and
// kind can be read is kept even when its date has a form the parser does not know: the entry
// then has no date (0). Reusing one entry for many lines allocates nothing per line once its
// texts have grown to the longest line.
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

    // A new, empty Children; an earlier list parked by Clear is taken again.
    void MakeChildren();

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

private:
    std::unique_ptr<TFTPFileList> parkedChildren_;  // an emptied Children kept for the next
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

// Parses the lines of one listing. The clock is read once, when the parser is made: it gives
// the year of Unix dates that carry a time instead of a year, and the century of two-digit
// years.
//
// Unix lines: the permission column, link count, owner, an optional group, the size (a
// device's "major, minor" gives 0), the date, the name. The date is found by its shape, so
// padded owners and missing groups move nothing: "Mar  5 12:34", "Jan 10  2003" and
// "2003-01-10 12:34" are read; any other three-word date ending in a time or a year, or a
// two-word numeric date and time, is passed over without a date. A name listed with a path
// keeps its last part ("dir/tool", "sub/"); a link keeps its own name, not its target; a "*"
// after an executable's name is dropped.
// DOS/IIS lines: date ("01-15-04", "01-15-2004", "2004-01-15", "15.01.2004"), time
// ("07:45PM", "19:45", "19:45:12"), "<DIR>" or the size, the name at its column.
// VMS lines (a ";" and no Unix permission column): name with version, size in 512-byte blocks,
// date ("15-FEB-2004") and time. VMS protections are not Unix permissions: Permissions stays 0.
class ListingParser {
public:
    explicit ListingParser(const core::Clock& clock);

    // Fills the entry from one listing line (a trailing CR or LF is not part of it).
    void Parse(TFTPFileInfo& entry, std::string_view line) const;

private:
    int year_;
    int month_;
};

// One line with a parser of its own.
void ParseLine(TFTPFileInfo& entry, std::string_view line, const core::Clock& clock);

// The date-time of a Unix date column: month name, day, then a year or a time of day
// ("Mar  5 12:34", "Jan 10  2003"); 0 when it cannot be read. A time belongs to the current
// year, or to the previous one when its month lies after the current month.
core::DateTime ParseUnixDate(std::string_view text, const core::Clock& clock);

// The 1-based position of the first " " or "," at or after `start` (from 1), or one past the
// end when there is none.
std::size_t NextDelimiter(std::string_view text, std::size_t start);

}  // namespace lark::shellext
