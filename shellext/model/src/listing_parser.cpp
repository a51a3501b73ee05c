#include "shellext/model/listing_parser.h"

#include <array>
#include <bit>
#include <cstring>
#include <initializer_list>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lark::shellext {
namespace {

// Large listings are parsed line by line while the user waits for a folder: everything below
// works on views of the line and writes into the entry's existing texts.

using Pos = std::size_t;
constexpr Pos npos = std::string_view::npos;

[[gnu::always_inline]] inline bool IsDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }
[[gnu::always_inline]] inline char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool AllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!IsDigit(c)) return false;
    return true;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

// All digits, at least one, and within int64; anything else is not a number.
bool ParseCount(std::string_view s, std::int64_t& value) {
    if (s.empty()) return false;
    std::int64_t v = 0;
    if (s.size() <= 18) {  // cannot overflow
        for (char c : s) {
            if (!IsDigit(c)) return false;
            v = v * 10 + (c - '0');
        }
    } else {
        for (char c : s) {
            if (!IsDigit(c) || v > (std::numeric_limits<std::int64_t>::max() - (c - '0')) / 10) return false;
            v = v * 10 + (c - '0');
        }
    }
    value = v;
    return true;
}

// One to `maxDigits` digits.
[[gnu::always_inline]] inline bool ParseSmall(std::string_view s, std::size_t maxDigits, int& value) {
    if (s.empty() || s.size() > maxDigits) return false;
    int v = 0;
    for (char c : s) {
        if (!IsDigit(c)) return false;
        v = v * 10 + (c - '0');
    }
    value = v;
    return true;
}

constexpr unsigned Key3(char a, char b, char c) {
    return (static_cast<unsigned char>(a) << 16) | (static_cast<unsigned char>(b) << 8) |
           static_cast<unsigned char>(c);
}

// Month of an English abbreviation ("Jan".."Dec", any case), or 0. Listings are written in
// English whatever the user's locale.
[[gnu::always_inline]] inline int MonthOf(std::string_view word) {
    static constexpr unsigned kMonths[12] = {
        Key3('j', 'a', 'n'), Key3('f', 'e', 'b'), Key3('m', 'a', 'r'), Key3('a', 'p', 'r'),
        Key3('m', 'a', 'y'), Key3('j', 'u', 'n'), Key3('j', 'u', 'l'), Key3('a', 'u', 'g'),
        Key3('s', 'e', 'p'), Key3('o', 'c', 't'), Key3('n', 'o', 'v'), Key3('d', 'e', 'c')};
    if (word.size() != 3) return 0;
    const unsigned key = Key3(Lower(word[0]), Lower(word[1]), Lower(word[2]));
    for (int m = 0; m < 12; ++m)
        if (kMonths[m] == key) return m + 1;
    return 0;
}

struct Today {
    int year = 0, month = 0;
};

// Four digits as written; one or two digits in the hundred years from 50 before the current year.
[[gnu::always_inline]] inline bool ParseYear(std::string_view s, const Today& today, int& year) {
    int v = 0;
    if (s.size() == 4 && ParseSmall(s, 4, v)) {
        year = v;
        return true;
    }
    if (!ParseSmall(s, 2, v)) return false;
    const int first = today.year - 50;
    year = today.year / 100 * 100 + v;  // then moved by a century into [first, first + 100)
    if (year < first) year += 100;
    else if (year >= first + 100) year -= 100;
    return true;
}

[[gnu::always_inline]] inline bool IsDay(std::string_view s, int& day) { return ParseSmall(s, 2, day) && day >= 1 && day <= 31; }

enum class Read { NoShape, Invalid, Valid };

// A time of day: "h:mm" or "hh:mm", optionally ":ss" (ignored), optionally AM or PM (any
// case). NoShape for anything else; Invalid for a time of that shape that does not exist.
Read ReadClock(std::string_view s, core::DateTime& time) {
    // "12:34", by far the most common, without the general walk.
    if (s.size() == 5 && s[2] == ':' && IsDigit(s[0]) && IsDigit(s[1]) && IsDigit(s[3]) && IsDigit(s[4]))
        return core::TryEncodeTime((s[0] - '0') * 10 + (s[1] - '0'), (s[3] - '0') * 10 + (s[4] - '0'), 0, 0, time)
                   ? Read::Valid
                   : Read::Invalid;
    const Pos colon = s.size() > 1 && s[1] == ':' ? 1 : s.size() > 2 && s[2] == ':' ? 2 : npos;
    int hour = 0, minute = 0, second = 0;
    if (colon == npos || !ParseSmall(s.substr(0, colon), 2, hour)) return Read::NoShape;
    if (s.size() < colon + 3 || !ParseSmall(s.substr(colon + 1, 2), 2, minute)) return Read::NoShape;
    std::string_view rest = s.substr(colon + 3);
    if (rest.size() >= 3 && rest[0] == ':' && ParseSmall(rest.substr(1, 2), 2, second)) {
        rest.remove_prefix(3);
        if (rest.size() >= 2 && rest[0] == '.' && AllDigits(rest.substr(1))) rest = {};  // fraction
    }
    if (rest.size() == 2 && Lower(rest[1]) == 'm' && (Lower(rest[0]) == 'a' || Lower(rest[0]) == 'p')) {
        if (hour < 1 || hour > 12) return Read::Invalid;
        hour = hour % 12 + (Lower(rest[0]) == 'p' ? 12 : 0);  // 12:xxAM is 00:xx, 12:xxPM is 12:xx
        rest = {};
    }
    if (!rest.empty()) return Read::NoShape;
    return core::TryEncodeTime(hour, minute, 0, 0, time) ? Read::Valid : Read::Invalid;
}

// Words of a line, as positions, so that the name can be cut out of the line itself. Left
// uninitialised until they are split: zeroing them costs more than the split.
struct Word {
    Pos begin, end;
};

// The delimiter sets of the three styles. A line's delimiters are found as a bit mask, 64
// bytes at a time (16 at a time with SSE2, 8 without): a branch per character mispredicts at
// every word end, and listings are mostly short words.
#if defined(__SSE2__)
using Chunk = __m128i;
constexpr std::size_t kChunk = 16;
Chunk LoadChunk(const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
Chunk Equal(Chunk x, char c) { return _mm_cmpeq_epi8(x, _mm_set1_epi8(c)); }
Chunk Either(Chunk x, Chunk y) { return _mm_or_si128(x, y); }
std::uint32_t Bits(Chunk x) { return static_cast<std::uint32_t>(_mm_movemask_epi8(x)); }
#else
using Chunk = std::uint64_t;
constexpr std::size_t kChunk = 8;
constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
Chunk LoadChunk(const char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    return v;
}
// The high bit of each byte of x that equals c, exactly (no carries between bytes).
Chunk Equal(Chunk x, char c) {
    const std::uint64_t y = x ^ (kOnes * static_cast<unsigned char>(c));
    return ~(((y & kLow7) + kLow7) | y) & kHighs;
}
Chunk Either(Chunk x, Chunk y) { return x | y; }
// One bit per byte: the high bits gathered into the low eight.
std::uint32_t Bits(Chunk x) { return static_cast<std::uint32_t>(((x >> 7) * 0x0102040810204080ULL) >> 56); }
#endif

struct UnixDelimiters {
    static bool Is(char c) { return c == ' ' || c == ','; }
    static Chunk Mark(Chunk x) { return Either(Equal(x, ' '), Equal(x, ',')); }
};
struct SpaceDelimiters {
    static bool Is(char c) { return c == ' '; }
    static Chunk Mark(Chunk x) { return Equal(x, ' '); }
};
struct BlankDelimiters {
    static bool Is(char c) { return c == ' ' || c == '\t'; }
    static Chunk Mark(Chunk x) { return Either(Equal(x, ' '), Equal(x, '\t')); }
};

// Bit i set where byte at + i of the line is a delimiter, for the 64 bytes from `at` (at < n);
// bytes past the end count as delimiters, so that the last word ends there. Reads nothing
// outside the line: a short tail is read as the line's last chunk, shifted.
template <class D>
std::uint64_t DelimiterBits(const char* line, std::size_t n, std::size_t at) {
    const std::size_t left = n - at;
    const char* p = line + at;
    std::uint64_t bits = 0;
    std::size_t i = 0;
    for (; i < 64 && i + kChunk <= left; i += kChunk) bits |= std::uint64_t{Bits(D::Mark(LoadChunk(p + i)))} << i;
    if (i < 64 && i < left) {
        const std::size_t rest = left - i;  // 1 .. kChunk-1 bytes up to the end
        if (n >= kChunk) {
            bits |= std::uint64_t{Bits(D::Mark(LoadChunk(line + n - kChunk))) >> (kChunk - rest)} << i;
        } else {
            for (std::size_t j = 0; j < rest; ++j) bits |= std::uint64_t{D::Is(p[i + j])} << (i + j);
        }
    }
    if (left < 64) bits |= ~std::uint64_t{0} << left;
    return bits;
}

// The words of a line, split a 64-byte block at a time as they are asked for: word starts and
// ends come out of the block's delimiter bits at a few instructions each. Owner and group of a
// Unix line may take any number of words ("domain users"), so no line is cut into a fixed
// number of them; the last 64 words are kept (a block holds at most 33 word ends), enough for
// the few words that the parsers look back.
template <class D>
class LineWords {
public:
    explicit LineWords(std::string_view line) : line_(line) {}

    // Whether word i (from 0) exists; splits the line up to it.
    bool Has(std::size_t i) {
        while (count_ <= i) [[unlikely]]
            if (!SplitBlock()) return false;
        return true;
    }
    // Word i, after Has(i), while it is among the last 64 split.
    const Word& operator[](std::size_t i) const { return ring_[i & kMask]; }
    std::string_view Text(std::size_t i) const {
        const Word& w = ring_[i & kMask];
        return std::string_view(line_.data() + w.begin, w.end - w.begin);
    }

private:
    static constexpr std::size_t kMask = 63;

    // Locals throughout: the ring's stores would otherwise make the compiler reload the members.
    bool SplitBlock() {
        const std::size_t n = line_.size();
        const std::size_t block = block_;
        std::size_t count = count_;
        if (block >= n) {
            if (!open_) return false;
            ring_[count & kMask].end = n;  // the last word ran to the end of a full block
            count_ = count + 1;
            open_ = false;
            return true;
        }
        const std::uint64_t bits = DelimiterBits<D>(line_.data(), n, block);
        // The byte before the block counts as a delimiter unless a word is open there.
        const std::uint64_t before = (bits << 1) | (open_ ? 0 : 1);
        std::uint64_t starts = ~bits & before;
        std::uint64_t ends = bits & ~before;
        bool open = open_;
        if (open && ends) {
            ring_[count++ & kMask].end = block + static_cast<Pos>(std::countr_zero(ends));
            ends &= ends - 1;
            open = false;
        }
        while (starts) {
            Word& w = ring_[count & kMask];
            w.begin = block + static_cast<Pos>(std::countr_zero(starts));
            starts &= starts - 1;
            if (!ends) {
                open = true;  // it ends in a later block
                break;
            }
            w.end = block + static_cast<Pos>(std::countr_zero(ends));
            ends &= ends - 1;
            ++count;
        }
        block_ = block + 64;
        count_ = count;
        open_ = open;
        return true;
    }

    std::string_view line_;
    std::size_t block_ = 0;  // the next block to split
    std::size_t count_ = 0;  // words split
    bool open_ = false;      // the last word begun has no end yet
    std::array<Word, kMask + 1> ring_;
};

using UnixWords = LineWords<UnixDelimiters>;

bool IsUnixTypeLetter(char c) {
    return c == '-' || c == 'b' || c == 'c' || c == 'd' || c == 'l' || c == 's';
}

bool IsModeLetter(char c) {
    static constexpr auto kLetters = [] {
        std::array<bool, 256> table{};
        for (unsigned char letter : std::string_view("-rwxsStTlL")) table[letter] = true;
        return table;
    }();
    return kLetters[static_cast<unsigned char>(c)];
}

// The line opens with "drwxr-xr-x", optionally with an ACL or security-context mark after it.
bool StartsWithMode(std::string_view line) {
    if (line.size() < 10 || !IsUnixTypeLetter(line[0])) return false;
    for (Pos i = 1; i < 10; ++i)
        if (!IsModeLetter(line[i])) return false;
    const auto ends = [&](Pos i) { return i >= line.size() || line[i] == ' ' || line[i] == ','; };
    return ends(10) || ends(11);
}

// Month, day and a year or a time of the Unix date column; 0 when it does not exist.
core::DateTime UnixDate(int month, int day, std::string_view third, const Today& today) {
    core::DateTime date = 0, time = 0;
    const Read clock = ReadClock(third, time);
    if (clock == Read::NoShape) {
        int year = 0;
        if (!ParseYear(third, today, year) || !core::TryEncodeDate(year, month, day, date)) return 0;
        return date;
    }
    if (clock != Read::Valid) return 0;
    // Recent files show a time instead of a year: this year's, unless the month is still ahead.
    const int year = today.month < month ? today.year - 1 : today.year;
    if (!core::TryEncodeDate(year, month, day, date)) return 0;
    return core::ComposeDateTime(date, time);
}

// "2004-01-15" (also with "/"), "15.01.2004", or the DOS "01-15-04" and "01-15-2004".
Read ReadNumericDate(std::string_view s, const Today& today, core::DateTime& date) {
    // "01-15-04", "01-15-2004", "15.01.2004" and "2004-01-15" without the general walk.
    const auto digits = [s](std::initializer_list<Pos> at) {
        for (Pos i : at)
            if (!IsDigit(s[i])) return false;
        return true;
    };
    const auto two = [s](Pos i) { return (s[i] - '0') * 10 + (s[i + 1] - '0'); };
    if ((s.size() == 8 || s.size() == 10) && s[2] == s[5] && (s[2] == '-' || s[2] == '/' || s[2] == '.') &&
        digits({0, 1, 3, 4, 6, 7}) && (s.size() == 8 || digits({8, 9}))) {
        int year = 0;
        if (!ParseYear(s.substr(6), today, year)) return Read::NoShape;
        const bool dayFirst = s[2] == '.';
        return core::TryEncodeDate(year, dayFirst ? two(3) : two(0), dayFirst ? two(0) : two(3), date) ? Read::Valid
                                                                                                    : Read::Invalid;
    }
    if (s.size() == 10 && s[4] == s[7] && (s[4] == '-' || s[4] == '/') && digits({0, 1, 2, 3, 5, 6, 8, 9}))
        return core::TryEncodeDate(two(0) * 100 + two(2), two(5), two(8), date) ? Read::Valid : Read::Invalid;
    Pos a = 0;
    while (a < s.size() && s[a] != '-' && s[a] != '/' && s[a] != '.') ++a;
    if (a >= s.size()) return Read::NoShape;
    const Pos b = s.find(s[a], a + 1);
    if (b == npos) return Read::NoShape;
    const std::string_view p1 = s.substr(0, a), p2 = s.substr(a + 1, b - a - 1), p3 = s.substr(b + 1);
    if (!AllDigits(p1) || !AllDigits(p2) || !AllDigits(p3) || p2.size() > 2) return Read::NoShape;
    // Year first (four digits, "-" or "/"), or year last (two or four digits); nothing else
    // counts as a date, so that banners and version numbers are no listing lines.
    const bool yearFirst = p1.size() == 4 && p3.size() <= 2 && s[a] != '.';
    const bool yearLast = p1.size() <= 2 && (p3.size() == 2 || p3.size() == 4);
    if (!yearFirst && !yearLast) return Read::NoShape;
    int year = 0, month = 0, day = 0;
    bool ok = false;
    if (yearFirst) {
        ok = ParseSmall(p1, 4, year) && ParseSmall(p2, 2, month) && ParseSmall(p3, 2, day);
    } else {
        const bool dayFirst = s[a] == '.';
        ok = ParseSmall(dayFirst ? p1 : p2, 2, day) && ParseSmall(dayFirst ? p2 : p1, 2, month) &&
             ParseYear(p3, today, year);
    }
    return ok && core::TryEncodeDate(year, month, day, date) ? Read::Valid : Read::Invalid;
}

// "2004-01-15", exactly: the ISO form "ls --time-style=long-iso" writes.
bool IsIsoDate(std::string_view s) {
    return s.size() == 10 && s[4] == '-' && s[7] == '-' && AllDigits(s.substr(0, 4)) &&
           AllDigits(s.substr(5, 2)) && AllDigits(s.substr(8, 2));
}

// "+0100", "-0500": a zone offset after a full time.
bool IsZone(std::string_view s) {
    return s.size() == 5 && (s[0] == '+' || s[0] == '-') && AllDigits(s.substr(1));
}

// Where the date lies among the words of a Unix line, and what it says.
struct DateSpan {
    std::size_t first = 0, last = 0;  // word indices
    core::DateTime date = 0;
};

// An English or ISO date starting at word k.
bool KnownUnixDate(UnixWords& w, std::size_t k, const Today& today, DateSpan& span) {
    const std::string_view a = w.Text(k), b = w.Text(k + 1);
    int day = 0;
    if (const int month = MonthOf(a); month && IsDay(b, day) && w.Has(k + 2)) {
        span = {k, k + 2, UnixDate(month, day, w.Text(k + 2), today)};
        return true;
    }
    core::DateTime time = 0, date = 0;
    if (IsIsoDate(a)) {
        if (const Read clock = ReadClock(b, time); clock != Read::NoShape) {
            const bool valid = clock == Read::Valid && ReadNumericDate(a, today, date) == Read::Valid;
            span = {k, k + 1, valid ? core::ComposeDateTime(date, time) : 0};
            // ls --full-time adds the zone: "2004-01-15 19:45:12.000000000 +0100".
            if (w.Has(k + 2) && IsZone(w.Text(k + 2))) span.last = k + 2;
            return true;
        }
    }
    return false;
}

// A date of another form (localized month names, day first, numeric dates) starting at word k:
// found by the size before it and the time or year that ends it; it is not read.
bool OtherUnixDate(UnixWords& w, std::size_t k, const Today& today, DateSpan& span) {
    if (!AllDigits(w.Text(k - 1))) return false;
    const std::string_view a = w.Text(k), b = w.Text(k + 1);
    core::DateTime ignored = 0;
    if (!(AllDigits(a) && AllDigits(b)) && w.Has(k + 2)) {
        const std::string_view c = w.Text(k + 2);
        if (ReadClock(c, ignored) != Read::NoShape || (c.size() == 4 && AllDigits(c))) {
            span = {k, k + 2, 0};
            return true;
        }
    }
    if (ReadNumericDate(a, today, ignored) != Read::NoShape && ReadClock(b, ignored) != Read::NoShape) {
        span = {k, k + 1, 0};
        return true;
    }
    return false;
}

// The date follows the size, which follows the owner and any number of group words (none, one,
// "domain users"); a device has "major, minor" in place of the size. The first date from word
// 4 on is taken. A date of an unknown form gives way to an English or ISO date that starts
// within its words, so that a numeric group is never taken for the size ("1000 531 2003-01-29
// 12:34" is group, size, date).
bool FindUnixDate(UnixWords& w, const Today& today, DateSpan& span) {
    DateSpan other;
    bool haveOther = false;
    for (std::size_t k = 4; w.Has(k + 1); ++k) {
        if (haveOther && k > other.first + 2) break;
        if (KnownUnixDate(w, k, today, span)) return true;
        if (!haveOther) haveOther = OtherUnixDate(w, k, today, other);
    }
    if (haveOther) span = other;
    return haveOther;
}

void ParseUnix(TFTPFileInfo& e, std::string_view line, const Today& today) {
    // Mode, link count, owner, group words and the size (or a device's major, minor), then the
    // date and the name.
    const bool device = line[0] == 'c' || line[0] == 'b';
    UnixWords w(line);
    if (!w.Has(0)) return;

    const std::string_view mode = w.Text(0);
    e.PermString.assign(mode);
    e.IsCharDevice = mode[0] == 'c';
    e.IsDir = mode[0] == 'd';
    if (e.IsDir) e.MakeChildren();
    // Only the letters r, w and x count: "s" and "t" are no execute bits.
    char m[10] = {};
    mode.copy(m, 10);
    e.Permissions = static_cast<std::uint16_t>(
        (m[1] == 'r' ? PermOwnerRead : 0) | (m[2] == 'w' ? PermOwnerWrite : 0) |
        (m[3] == 'x' ? PermOwnerExecute : 0) | (m[4] == 'r' ? PermGroupRead : 0) |
        (m[5] == 'w' ? PermGroupWrite : 0) | (m[6] == 'x' ? PermGroupExecute : 0) |
        (m[7] == 'r' ? PermOthersRead : 0) | (m[8] == 'w' ? PermOthersWrite : 0) |
        (m[9] == 'x' ? PermOthersExecute : 0));
    if (!w.Has(2)) return;
    e.Owner.assign(w.Text(2));
    if (!w.Has(3)) return;
    const Pos groupBegin = w[3].begin;  // word 3 leaves the kept words on long lines

    DateSpan span;
    if (!FindUnixDate(w, today, span)) return;  // the name cannot be located

    std::size_t sizeWord = span.first - 1;
    // "major, minor" is no byte count: a "," between the two words before the date.
    if (device && span.first >= 5 &&
        std::memchr(line.data() + w[span.first - 2].end, ',', w[span.first - 1].begin - w[span.first - 2].end))
        sizeWord = 0;
    const std::size_t groupEnd = sizeWord ? sizeWord : span.first - 2;  // one past the group's last word
    if (groupEnd > 3) e.Group.assign(line.substr(groupBegin, w[groupEnd - 1].end - groupBegin));
    if (sizeWord != 0) {
        std::int64_t size = 0;
        if (ParseCount(w.Text(sizeWord), size)) e.Size = size;
    }
    e.DateTime = span.date;

    const Pos nameStart = w[span.last].end + 1;
    if (nameStart >= line.size()) return;
    std::string_view name = line.substr(nameStart);
    // A link shows its target after " -> ": the entry is the link itself.
    if (mode[0] == 'l') {
        const Pos arrow = name.find(" -> ");
        if (arrow != npos) name = name.substr(0, arrow);
    }
    // A name listed with its path keeps its last part; a "/" after it marks a directory (ls -F).
    if (!name.empty() && name.back() == '/') name.remove_suffix(1);
    if (name.find('/') != npos) name.remove_prefix(name.rfind('/') + 1);  // rare: find is the fast scan
    if (!name.empty() && name.back() == '*' && mode.find('x') != npos) name.remove_suffix(1);
    e.Name.assign(name);
}

void ParseDos(TFTPFileInfo& e, std::string_view line, const Today& today) {
    LineWords<SpaceDelimiters> w(line);
    if (!w.Has(2)) return;
    core::DateTime date = 0, time = 0;
    const Read dateRead = ReadNumericDate(w.Text(0), today, date);
    if (dateRead == Read::NoShape) return;  // not a listing line ("total 12", a banner)
    if (dateRead == Read::Valid)
        e.DateTime = ReadClock(w.Text(1), time) == Read::Valid ? core::ComposeDateTime(date, time) : date;
    const std::string_view third = w.Text(2);
    if (third == "<DIR>") {
        e.IsDir = true;
        e.MakeChildren();
    } else {
        std::int64_t size = 0;
        if (ParseCount(third, size)) e.Size = size;
    }
    // The name has a fixed column, 40, in the usual layout; it moves with the width of the
    // date and time (four-digit years). The column is only trusted when blanks alone lie
    // between the third word and it, so names that begin with blanks keep them.
    const Pos column = w[1].end + 39 - 17;
    Pos start = npos;
    if (column > w[2].end && column < line.size() &&
        line.substr(w[2].end, column - w[2].end).find_first_not_of(' ') == npos)
        start = column;
    else
        start = line.find_first_not_of(' ', w[2].end);
    if (start != npos) e.Name.assign(line.substr(start));
}

// "15-FEB-2004" (a month name in any case; a two-digit year is windowed).
bool ParseVmsDate(std::string_view s, const Today& today, core::DateTime& date) {
    const Pos a = s.find('-');
    if (a == npos) return false;
    const Pos b = s.find('-', a + 1);
    if (b == npos) return false;
    int day = 0, year = 0;
    const int month = MonthOf(s.substr(a + 1, b - a - 1));
    if (!month || !ParseSmall(s.substr(0, a), 2, day) || !ParseYear(s.substr(b + 1), today, year))
        return false;
    return core::TryEncodeDate(year, month, day, date);
}

void ParseVms(TFTPFileInfo& e, std::string_view line, const Today& today) {
    LineWords<BlankDelimiters> w(line);
    if (!w.Has(0) || w[0].begin != 0) return;  // a continuation line of a long name
    const std::string_view name = w.Text(0);
    const std::string_view base = name.substr(0, name.find(';'));
    if (base.empty()) return;  // a version alone names nothing
    // NAME.DIR;1 is a directory, whatever the length of its version.
    e.IsDir = base.size() >= 4 && base[base.size() - 4] == '.' && Lower(base[base.size() - 3]) == 'd' &&
              Lower(base[base.size() - 2]) == 'i' && Lower(base[base.size() - 1]) == 'r';
    if (e.IsDir) e.MakeChildren();
    e.Name.assign(name);
    if (!w.Has(1)) return;

    const std::string_view sizeWord = w.Text(1);
    std::int64_t blocks = 0;
    if (ParseCount(sizeWord.substr(0, sizeWord.find('/')), blocks) &&
        blocks <= std::numeric_limits<std::int64_t>::max() / 512)
        e.Size = blocks * 512;
    if (!w.Has(2)) return;

    core::DateTime date = 0, time = 0;
    if (!ParseVmsDate(w.Text(2), today, date)) return;
    e.DateTime = date;
    if (!w.Has(3)) return;
    // Hours and minutes count; seconds and hundredths after them do not.
    const std::string_view clock = w.Text(3);
    const Pos colon = clock.find(':');
    if (colon != npos && ReadClock(clock.substr(0, colon + 3), time) == Read::Valid)
        e.DateTime = core::ComposeDateTime(date, time);
}

Today TodayOf(const core::Clock& clock) {
    int y = 0, m = 0, d = 0;
    core::DecodeDate(clock.Now(), y, m, d);
    return {y, m};
}

}  // namespace

TFTPFileInfo::TFTPFileInfo() = default;
TFTPFileInfo::~TFTPFileInfo() = default;

void TFTPFileInfo::Assign(const TFTPFileInfo& source) {
    if (&source == this) return;
    Name = source.Name;
    Size = source.Size;
    DateTime = source.DateTime;
    Owner = source.Owner;
    Group = source.Group;
    Permissions = source.Permissions;
    PermString = source.PermString;
}

void TFTPFileInfo::Clear() {
    DateTime = 0;
    Size = 0;
    Owner.clear();
    Name.clear();
    Group.clear();
    Permissions = 0;
    PermString.clear();
    IsDir = false;
    if (Children) {
        Children->Clear();
        parkedChildren_ = std::move(Children);
    }
    IsCharDevice = false;
    RawText.clear();
}

void TFTPFileInfo::MakeChildren() {
    if (Children)
        Children->Clear();
    else if (parkedChildren_)
        Children = std::move(parkedChildren_);
    else
        Children = std::make_unique<TFTPFileList>();
}

TFTPFileList::TFTPFileList() : spare_(std::make_unique<TFTPFileInfo>()) {}
TFTPFileList::~TFTPFileList() = default;

TFTPFileInfo& TFTPFileList::Add() {
    items_.push_back(std::make_unique<TFTPFileInfo>());
    return *items_.back();
}

std::size_t NextDelimiter(std::string_view text, std::size_t start) {
    if (start == 0) start = 1;
    const Pos found = start - 1 < text.size() ? text.find_first_of(" ,", start - 1) : npos;
    return found == npos ? text.size() + 1 : found + 1;
}

core::DateTime ParseUnixDate(std::string_view text, const core::Clock& clock) {
    UnixWords w(text);
    if (!w.Has(2)) return 0;
    const int month = MonthOf(w.Text(0));
    int day = 0;
    if (!month || !ParseSmall(w.Text(1), 2, day)) return 0;
    return UnixDate(month, day, w.Text(2), TodayOf(clock));
}

ListingParser::ListingParser(const core::Clock& clock) {
    const Today today = TodayOf(clock);
    year_ = today.year;
    month_ = today.month;
}

void ListingParser::Parse(TFTPFileInfo& entry, std::string_view line) const {
    entry.Clear();
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    entry.RawText.append(line).append("\r\n");
    if (Trim(line).empty()) return;

    const Today today{year_, month_};
    // VMS lines open with a name with its version: a ";" in the first word (a ";" further on
    // is part of a DOS or Unix name). A VMS name may begin with a Unix type letter
    // ("data.dir;1"), so a Unix line also needs its permission column or no ";" there.
    const auto versioned = [line] {
        for (const char c : line) {
            if (c == ';') return true;
            if (c == ' ' || c == '\t') return false;
        }
        return false;
    };
    if (IsUnixTypeLetter(line[0]) && (StartsWithMode(line) || !versioned()))
        ParseUnix(entry, line, today);
    else if (versioned())
        ParseVms(entry, line, today);
    else
        ParseDos(entry, line, today);
}

void ParseLine(TFTPFileInfo& entry, std::string_view line, const core::Clock& clock) {
    ListingParser(clock).Parse(entry, line);
}

}  // namespace lark::shellext
