#include "shellext/model/listing_parser.h"

#include <array>
#include <bit>
#include <cstring>
#include <limits>

namespace lark::shellext {
namespace {

// Large listings are parsed line by line while the user waits for a folder: everything below
// works on views of the line and writes into the entry's existing texts.

using Pos = std::size_t;
constexpr Pos npos = std::string_view::npos;

bool IsDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

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
bool ParseSmall(std::string_view s, std::size_t maxDigits, int& value) {
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
int MonthOf(std::string_view word) {
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
bool ParseYear(std::string_view s, const Today& today, int& year) {
    int v = 0;
    if (s.size() == 4 && ParseSmall(s, 4, v)) {
        year = v;
        return true;
    }
    if (!ParseSmall(s, 2, v)) return false;
    const int first = today.year - 50;
    year = first + ((v - first) % 100 + 100) % 100;
    return true;
}

bool IsDay(std::string_view s, int& day) { return ParseSmall(s, 2, day) && day >= 1 && day <= 31; }

enum class Read { NoShape, Invalid, Valid };

// A time of day: "h:mm" or "hh:mm", optionally ":ss" (ignored), optionally AM or PM (any
// case). NoShape for anything else; Invalid for a time of that shape that does not exist.
Read ReadClock(std::string_view s, core::DateTime& time) {
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
// uninitialised until SplitWords fills them: zeroing the arrays costs more than the split.
struct Word {
    Pos begin, end;
    bool commaAfter;  // a "," follows, possibly after blanks: "4, 64"
};

// The delimiter sets of the three styles. Words are found eight bytes at a time: a branch per
// character mispredicts at every word end, and listings are mostly short words.
constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
constexpr std::uint64_t kHighs = 0x8080808080808080ULL;

std::uint64_t Load8(const char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    return v;
}

// The high bit of each byte of x that equals c, exactly (no carries between bytes).
std::uint64_t BytesEqual(std::uint64_t x, char c) {
    const std::uint64_t y = x ^ (kOnes * static_cast<unsigned char>(c));
    return ~(((y & kLow7) + kLow7) | y) & kHighs;
}

// Index of the first marked byte of a non-zero mask.
Pos FirstMarked(std::uint64_t mask) { return static_cast<Pos>(std::countr_zero(mask) >> 3); }

struct UnixDelimiters {
    static constexpr bool kCommas = true;  // where asked for: only a device's "major, minor" needs them
    static bool Is(char c) { return c == ' ' || c == ','; }
    static std::uint64_t Mask(std::uint64_t x) { return BytesEqual(x, ' ') | BytesEqual(x, ','); }
};
struct SpaceDelimiters {
    static constexpr bool kCommas = false;
    static bool Is(char c) { return c == ' '; }
    static std::uint64_t Mask(std::uint64_t x) { return BytesEqual(x, ' '); }
};
struct BlankDelimiters {
    static constexpr bool kCommas = false;
    static bool Is(char c) { return c == ' ' || c == '\t'; }
    static std::uint64_t Mask(std::uint64_t x) { return BytesEqual(x, ' ') | BytesEqual(x, '\t'); }
};

// The first delimiter at or after p (or end); with `want` false, the first non-delimiter.
template <class Delimiters, bool want>
[[gnu::always_inline]] inline const char* Scan(const char* p, const char* end) {
    while (end - p >= 8) {
        std::uint64_t mask = Delimiters::Mask(Load8(p));
        if constexpr (!want) mask = ~mask & kHighs;
        if (mask) return p + FirstMarked(mask);
        p += 8;
    }
    while (p != end && Delimiters::Is(*p) != want) ++p;
    return p;
}

// The first `limit` (at most N) words of the line; answers how many there are. With `commas`,
// a word followed by a "," is marked.
template <class Delimiters, std::size_t N>
std::size_t SplitWords(std::string_view line, std::array<Word, N>& words, std::size_t limit = N,
                       bool commas = false) {
    std::size_t count = 0;
    const char* const begin = line.data();
    const char* const end = begin + line.size();
    const char* p = begin;
    while (count < limit) {
        const char* gap = p;
        p = Scan<Delimiters, false>(p, end);
        if constexpr (Delimiters::kCommas) {
            if (commas && count > 0)
                for (const char* c = gap; c != p; ++c)
                    if (*c == ',') words[count - 1].commaAfter = true;
        }
        if (p == end) break;
        Word& w = words[count++];
        w.begin = static_cast<Pos>(p - begin);
        p = Scan<Delimiters, true>(p, end);
        w.end = static_cast<Pos>(p - begin);
        w.commaAfter = false;
    }
    return count;
}

std::string_view Text(std::string_view line, const Word& w) {
    return line.substr(w.begin, w.end - w.begin);
}

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

// The date starts after the size, which is word 3 (no group), 4 (group, or a device without
// group) or 5 (a device with group). Known forms are looked for first at every place, so that
// a numeric group is never taken for the size.
template <std::size_t N>
bool FindUnixDate(std::string_view line, const std::array<Word, N>& w, std::size_t n,
                  const Today& today, DateSpan& span) {
    for (std::size_t k = 4; k <= 6 && k + 1 < n; ++k) {
        const std::string_view a = Text(line, w[k]), b = Text(line, w[k + 1]);
        int day = 0;
        if (const int month = MonthOf(a); month && k + 2 < n && IsDay(b, day)) {
            span = {k, k + 2, UnixDate(month, day, Text(line, w[k + 2]), today)};
            return true;
        }
        core::DateTime time = 0, date = 0;
        if (IsIsoDate(a)) {
            if (const Read clock = ReadClock(b, time); clock != Read::NoShape) {
                const bool valid = clock == Read::Valid &&
                                   ReadNumericDate(a, today, date) == Read::Valid;
                span = {k, k + 1, valid ? core::ComposeDateTime(date, time) : 0};
                // ls --full-time adds the zone: "2004-01-15 19:45:12.000000000 +0100".
                if (k + 2 < n && IsZone(Text(line, w[k + 2]))) span.last = k + 2;
                return true;
            }
        }
    }
    // A date of another form (localized month names, day first, numeric dates): its words are
    // found by the size before it and the time or year that ends it; it is not read.
    for (std::size_t k = 4; k <= 6 && k + 1 < n; ++k) {
        if (!AllDigits(Text(line, w[k - 1]))) continue;
        const std::string_view a = Text(line, w[k]), b = Text(line, w[k + 1]);
        core::DateTime ignored = 0;
        if (k + 2 < n && !(AllDigits(a) && AllDigits(b))) {
            const std::string_view c = Text(line, w[k + 2]);
            if (ReadClock(c, ignored) != Read::NoShape || (c.size() == 4 && AllDigits(c))) {
                span = {k, k + 2, 0};
                return true;
            }
        }
        if (ReadNumericDate(a, today, ignored) != Read::NoShape && ReadClock(b, ignored) != Read::NoShape) {
            span = {k, k + 1, 0};
            return true;
        }
    }
    return false;
}

void ParseUnix(TFTPFileInfo& e, std::string_view line, const Today& today) {
    // Mode, link count, owner, then up to three words before the date ([group] size, or a
    // device's [group] major, minor), then the date and the name.
    // A device's "major, minor" takes one word more, and only there do commas count.
    const bool device = line[0] == 'c' || line[0] == 'b';
    std::array<Word, 9> w;
    const std::size_t n = SplitWords<UnixDelimiters>(line, w, device ? 9 : 8, device);
    if (n == 0) return;

    const std::string_view mode = Text(line, w[0]);
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
    if (n < 3) return;
    e.Owner.assign(Text(line, w[2]));

    DateSpan span;
    if (!FindUnixDate(line, w, n, today, span)) return;  // the name cannot be located

    std::size_t sizeWord = span.first - 1;
    std::size_t groupWords = span.first - 4;  // words between the owner and the size
    if (device && span.first >= 5 && w[span.first - 2].commaAfter) {
        sizeWord = 0;  // "major, minor" is no byte count
        groupWords = span.first - 5;
    }
    if (groupWords > 0) e.Group.assign(Text(line, w[3]));
    if (sizeWord != 0) {
        std::int64_t size = 0;
        if (ParseCount(Text(line, w[sizeWord]), size)) e.Size = size;
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
    std::array<Word, 3> w;
    if (SplitWords<SpaceDelimiters>(line, w) < 3) return;
    core::DateTime date = 0, time = 0;
    const Read dateRead = ReadNumericDate(Text(line, w[0]), today, date);
    if (dateRead == Read::NoShape) return;  // not a listing line ("total 12", a banner)
    if (dateRead == Read::Valid)
        e.DateTime = ReadClock(Text(line, w[1]), time) == Read::Valid ? core::ComposeDateTime(date, time) : date;
    const std::string_view third = Text(line, w[2]);
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
    std::array<Word, 4> w;
    const std::size_t n = SplitWords<BlankDelimiters>(line, w);
    if (n == 0 || w[0].begin != 0) return;  // a continuation line of a long name
    const std::string_view name = Text(line, w[0]);
    const std::string_view base = name.substr(0, name.find(';'));
    if (base.empty()) return;  // a version alone names nothing
    // NAME.DIR;1 is a directory, whatever the length of its version.
    e.IsDir = base.size() >= 4 && base[base.size() - 4] == '.' && Lower(base[base.size() - 3]) == 'd' &&
              Lower(base[base.size() - 2]) == 'i' && Lower(base[base.size() - 1]) == 'r';
    if (e.IsDir) e.MakeChildren();
    e.Name.assign(name);
    if (n < 2) return;

    const std::string_view sizeWord = Text(line, w[1]);
    std::int64_t blocks = 0;
    if (ParseCount(sizeWord.substr(0, sizeWord.find('/')), blocks) &&
        blocks <= std::numeric_limits<std::int64_t>::max() / 512)
        e.Size = blocks * 512;
    if (n < 3) return;

    core::DateTime date = 0, time = 0;
    if (!ParseVmsDate(Text(line, w[2]), today, date)) return;
    e.DateTime = date;
    if (n < 4) return;
    // Hours and minutes count; seconds and hundredths after them do not.
    const std::string_view clock = Text(line, w[3]);
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
    // The Unix lines' nine-word array, three words used: a copy of SplitWords for three words
    // would be identical code, which GCC folds into the nine-word one and then reports as
    // reading a three-word array as nine (-Warray-bounds after identical code folding).
    std::array<Word, 9> w;
    if (SplitWords<UnixDelimiters>(text, w, 3) < 3) return 0;
    const int month = MonthOf(Text(text, w[0]));
    int day = 0;
    if (!month || !ParseSmall(Text(text, w[1]), 2, day)) return 0;
    return UnixDate(month, day, Text(text, w[2]), TodayOf(clock));
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
        const Pos semicolon = line.find(';');
        if (semicolon == npos) return false;
        const std::string_view first = line.substr(0, semicolon);
        return first.find(' ') == npos && first.find('\t') == npos;
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
