#include "shellext/model/listing_parser.h"

#include <array>
#include <limits>

namespace lark::shellext {
namespace {

using Pos = std::size_t;
constexpr Pos npos = std::string_view::npos;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (Pos i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
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
    for (char c : s) {
        if (!IsDigit(c)) return false;
        if (v > (std::numeric_limits<std::int64_t>::max() - (c - '0')) / 10) return false;
        v = v * 10 + (c - '0');
    }
    value = v;
    return true;
}

bool ParseSmall(std::string_view s, std::size_t maxDigits, int& value) {
    if (s.empty() || s.size() > maxDigits) return false;
    std::int64_t v = 0;
    if (!ParseCount(s, v)) return false;
    value = static_cast<int>(v);
    return true;
}

// Month of an English abbreviation ("Jan".."Dec", any case), or 0. Listings are written in
// English whatever the user's locale.
int MonthOf(std::string_view word) {
    static constexpr std::array<std::string_view, 12> names{"jan", "feb", "mar", "apr", "may", "jun",
                                                            "jul", "aug", "sep", "oct", "nov", "dec"};
    for (int m = 0; m < 12; ++m)
        if (EqualsNoCase(word, names[m])) return m + 1;
    return 0;
}

struct Today {
    int year = 0, month = 0;
};

Today TodayOf(const core::Clock& clock) {
    int y = 0, m = 0, d = 0;
    core::DecodeDate(clock.Now(), y, m, d);
    return {y, m};
}

// Four digits as written; one or two digits in the hundred years from 50 before the current year.
bool ParseYear(std::string_view s, const core::Clock& clock, int& year) {
    int v = 0;
    if (s.size() == 4 && ParseSmall(s, 4, v)) {
        year = v;
        return true;
    }
    if (!ParseSmall(s, 2, v)) return false;
    const int first = TodayOf(clock).year - 50;
    year = first + ((v - first) % 100 + 100) % 100;
    return true;
}

// "h:mm" or "hh:mm", optionally followed by AM or PM (any case). `rest` receives what follows.
bool ParseClock(std::string_view s, int& hour, int& minute, std::string_view& rest) {
    const Pos colon = s.find(':');
    if (colon == npos || !ParseSmall(s.substr(0, colon), 2, hour)) return false;
    if (s.size() < colon + 3 || !ParseSmall(s.substr(colon + 1, 2), 2, minute)) return false;
    rest = s.substr(colon + 3);
    if (rest.size() >= 2 && (EqualsNoCase(rest.substr(0, 2), "am") || EqualsNoCase(rest.substr(0, 2), "pm"))) {
        const bool pm = Lower(rest[0]) == 'p';
        if (hour < 1 || hour > 12) return false;
        hour = hour % 12 + (pm ? 12 : 0);  // 12:xxAM is 00:xx, 12:xxPM is 12:xx
        rest.remove_prefix(2);
    }
    return hour < 24 && minute < 60;
}

bool TimeOfDay(int hour, int minute, core::DateTime& time) {
    return core::TryEncodeTime(hour, minute, 0, 0, time);
}

// Splits at runs of the given delimiters; positions are kept so the name can be cut out of
// the line itself, spaces included.
struct Word {
    Pos begin = 0, end = 0;
    bool commaAfter = false;  // a "," follows, possibly after blanks: "4, 64"
};

template <std::size_t N>
std::size_t SplitWords(std::string_view line, Pos from, std::string_view delimiters,
                       std::array<Word, N>& words) {
    std::size_t count = 0;
    Pos i = from;
    while (count < N) {
        while (i < line.size() && delimiters.find(line[i]) != npos) {
            if (line[i] == ',' && count > 0) words[count - 1].commaAfter = true;
            ++i;
        }
        if (i >= line.size()) break;
        Word& w = words[count++];
        w.begin = i;
        while (i < line.size() && delimiters.find(line[i]) == npos) ++i;
        w.end = i;
    }
    return count;
}

std::string_view Text(std::string_view line, const Word& w) {
    return line.substr(w.begin, w.end - w.begin);
}

bool IsUnixTypeLetter(char c) {
    return c == '-' || c == 'b' || c == 'c' || c == 'd' || c == 'l' || c == 's';
}

// "drwxr-xr-x", optionally with an ACL or security-context mark after it.
bool LooksLikeMode(std::string_view word) {
    if (word.size() < 10 || word.size() > 11 || !IsUnixTypeLetter(word[0])) return false;
    for (Pos i = 1; i < 10; ++i)
        if (std::string_view("-rwxsStTlL").find(word[i]) == npos) return false;
    return true;
}

void ParseUnix(TFTPFileInfo& e, std::string_view line, const core::Clock& clock) {
    // Mode, link count, owner, then up to three words before the date ([group] size, or a
    // device's [group] major, minor), then month, day and year or time.
    std::array<Word, 9> w;
    const std::size_t n = SplitWords(line, 0, " ,", w);
    if (n == 0) return;

    const std::string_view mode = Text(line, w[0]);
    e.PermString = std::string(mode);
    e.IsCharDevice = mode[0] == 'c';
    e.IsDir = mode[0] == 'd';
    if (e.IsDir) e.Children = std::make_unique<TFTPFileList>();
    static constexpr std::uint16_t bits[9] = {PermOwnerRead,  PermOwnerWrite,  PermOwnerExecute,
                                              PermGroupRead,  PermGroupWrite,  PermGroupExecute,
                                              PermOthersRead, PermOthersWrite, PermOthersExecute};
    static constexpr char letters[3] = {'r', 'w', 'x'};
    for (Pos i = 1; i < 10 && i < mode.size(); ++i)
        if (mode[i] == letters[(i - 1) % 3]) e.Permissions |= bits[i - 1];
    if (n < 3) return;
    e.Owner = std::string(Text(line, w[2]));

    // The date is found by its month name instead of by column: owners padded to the widest
    // name and listings without a group column shift every column after the owner.
    std::size_t month = 0;
    for (std::size_t k = 4; k <= 6 && k + 2 < n; ++k) {
        int day = 0;
        if (MonthOf(Text(line, w[k])) && ParseSmall(Text(line, w[k + 1]), 2, day) && day >= 1 &&
            day <= 31) {
            month = k;
            break;
        }
    }
    if (month == 0) return;  // no date: the name cannot be located

    const bool device = mode[0] == 'c' || mode[0] == 'b';
    std::size_t sizeWord = month - 1;
    std::size_t groupWords = month - 4;  // words between the owner and the size
    if (device && month >= 5 && w[month - 2].commaAfter) {
        // "major, minor" is no byte count.
        sizeWord = 0;
        groupWords = month - 5;
    }
    if (groupWords > 0) e.Group = std::string(Text(line, w[3]));
    if (sizeWord != 0) {
        std::int64_t size = 0;
        if (ParseCount(Text(line, w[sizeWord]), size)) e.Size = size;
    }
    e.DateTime =
        ParseUnixDate(line.substr(w[month].begin, w[month + 2].end - w[month].begin), clock);

    const Pos nameStart = w[month + 2].end + 1;
    if (nameStart >= line.size()) return;
    std::string_view name = line.substr(nameStart);
    if (mode[0] == 'l') {
        const Pos arrow = name.find(" -> ");
        if (arrow != npos) name = name.substr(0, arrow);
    } else {
        // A name listed with its path keeps its last part; a "/" marks a directory (ls -F).
        if (!name.empty() && name.back() == '/') name.remove_suffix(1);
        const Pos slash = name.rfind('/');
        if (slash != npos) name.remove_prefix(slash + 1);
    }
    if (mode.find('x') != npos && !name.empty() && name.back() == '*') name.remove_suffix(1);
    e.Name = std::string(name);
}

// "mm-dd-yy" (or with a four-digit year, or "/" separators).
bool ParseDosDate(std::string_view s, const core::Clock& clock, bool& shapeOk, core::DateTime& date) {
    shapeOk = false;
    const Pos a = s.find_first_of("-/");
    if (a == npos) return false;
    const Pos b = s.find_first_of("-/", a + 1);
    if (b == npos || s[b] != s[a]) return false;
    int month = 0, day = 0, year = 0;
    if (!ParseSmall(s.substr(0, a), 2, month) || !ParseSmall(s.substr(a + 1, b - a - 1), 2, day))
        return false;
    const std::string_view y = s.substr(b + 1);
    if (y.size() != 2 && y.size() != 4) return false;
    if (!ParseYear(y, clock, year)) return false;
    shapeOk = true;
    return core::TryEncodeDate(year, month, day, date);
}

void ParseDos(TFTPFileInfo& e, std::string_view line, const core::Clock& clock) {
    std::array<Word, 3> w;
    if (SplitWords(line, 0, " ", w) < 3) return;
    bool shapeOk = false;
    core::DateTime date = 0;
    const bool dateOk = ParseDosDate(Text(line, w[0]), clock, shapeOk, date);
    if (!shapeOk) return;  // not a listing line ("total 12", a banner)
    if (dateOk) {
        int hour = 0, minute = 0;
        std::string_view rest;
        core::DateTime time = 0;
        if (ParseClock(Text(line, w[1]), hour, minute, rest) && rest.empty() &&
            TimeOfDay(hour, minute, time))
            e.DateTime = core::ComposeDateTime(date, time);
        else
            e.DateTime = date;
    }
    const std::string_view third = Text(line, w[2]);
    if (third == "<DIR>") {
        e.IsDir = true;
        e.Children = std::make_unique<TFTPFileList>();
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
    if (start != npos) e.Name = std::string(line.substr(start));
}

// "15-FEB-2004" (a month name in any case; a two-digit year is windowed).
bool ParseVmsDate(std::string_view s, const core::Clock& clock, core::DateTime& date) {
    const Pos a = s.find('-');
    if (a == npos) return false;
    const Pos b = s.find('-', a + 1);
    if (b == npos) return false;
    int day = 0, year = 0;
    const int month = MonthOf(s.substr(a + 1, b - a - 1));
    if (!month || !ParseSmall(s.substr(0, a), 2, day) || !ParseYear(s.substr(b + 1), clock, year))
        return false;
    return core::TryEncodeDate(year, month, day, date);
}

// "(RWED,RWED,RE,)": system, owner, group and world access.
void ParseVmsProtection(TFTPFileInfo& e, std::string_view s) {
    s = s.substr(1);
    if (!s.empty() && s.back() == ')') s.remove_suffix(1);
    static constexpr std::uint16_t bits[3][3] = {
        {PermOwnerRead, PermOwnerWrite, PermOwnerExecute},
        {PermGroupRead, PermGroupWrite, PermGroupExecute},
        {PermOthersRead, PermOthersWrite, PermOthersExecute}};
    for (int field = 0; field < 4; ++field) {
        const Pos comma = s.find(',');
        const std::string_view part = s.substr(0, comma);
        if (field > 0) {
            for (char c : part) {
                if (c == 'R') e.Permissions |= bits[field - 1][0];
                if (c == 'W') e.Permissions |= bits[field - 1][1];
                if (c == 'E') e.Permissions |= bits[field - 1][2];
            }
        }
        if (comma == npos) break;
        s.remove_prefix(comma + 1);
    }
}

void ParseVms(TFTPFileInfo& e, std::string_view line, const core::Clock& clock) {
    std::array<Word, 6> w;
    const std::size_t n = SplitWords(line, 0, " \t", w);
    if (n == 0 || w[0].begin != 0) return;  // a continuation line of a long name
    const std::string_view name = Text(line, w[0]);
    const std::string_view base = name.substr(0, name.find(';'));
    if (base.empty()) return;
    e.IsDir = base.size() >= 4 && EqualsNoCase(base.substr(base.size() - 4), ".DIR");
    if (e.IsDir) e.Children = std::make_unique<TFTPFileList>();
    e.Name = std::string(name);
    if (n < 2) return;

    const std::string_view sizeWord = Text(line, w[1]);
    std::int64_t blocks = 0;
    if (ParseCount(sizeWord.substr(0, sizeWord.find('/')), blocks) &&
        blocks <= std::numeric_limits<std::int64_t>::max() / 512)
        e.Size = blocks * 512;
    if (n < 3) return;

    core::DateTime date = 0;
    if (ParseVmsDate(Text(line, w[2]), clock, date)) {
        e.DateTime = date;
        int hour = 0, minute = 0;
        std::string_view rest;
        core::DateTime time = 0;
        if (n >= 4) {
            const std::string_view clockText = Text(line, w[3]).substr(0, 5);
            if (ParseClock(clockText, hour, minute, rest) && (rest.empty() || rest[0] == ':') &&
                TimeOfDay(hour, minute, time))
                e.DateTime = core::ComposeDateTime(date, time);
        }
    }
    for (std::size_t k = 4; k < n; ++k) {
        const std::string_view word = Text(line, w[k]);
        if (word.front() == '[') {
            std::string_view uic = word.substr(1);
            if (!uic.empty() && uic.back() == ']') uic.remove_suffix(1);
            const Pos comma = uic.find(',');
            if (comma == npos) {
                e.Owner = std::string(uic);
            } else {
                e.Group = std::string(uic.substr(0, comma));
                e.Owner = std::string(uic.substr(comma + 1));
            }
        } else if (word.front() == '(') {
            ParseVmsProtection(e, word);
        }
    }
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
    Children.reset();
    IsCharDevice = false;
    RawText.clear();
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
    std::array<Word, 3> w;
    if (SplitWords(text, 0, " ,", w) < 3) return 0;
    const int month = MonthOf(Text(text, w[0]));
    int day = 0;
    if (!month || !ParseSmall(Text(text, w[1]), 2, day)) return 0;
    const std::string_view third = Text(text, w[2]);
    core::DateTime date = 0, time = 0;
    if (third.find(':') == npos) {
        int year = 0;
        if (!ParseYear(third, clock, year) || !core::TryEncodeDate(year, month, day, date)) return 0;
        return date;
    }
    int hour = 0, minute = 0;
    std::string_view rest;
    if (!ParseClock(third, hour, minute, rest) || !rest.empty() || !TimeOfDay(hour, minute, time))
        return 0;
    // Recent files show a time instead of a year: this year's, unless the month is still ahead.
    const Today today = TodayOf(clock);
    const int year = today.month < month ? today.year - 1 : today.year;
    if (!core::TryEncodeDate(year, month, day, date)) return 0;
    return core::ComposeDateTime(date, time);
}

void ParseLine(TFTPFileInfo& entry, std::string_view line, const core::Clock& clock) {
    entry.Clear();
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    entry.RawText.reserve(line.size() + 2);
    entry.RawText.append(line).append("\r\n");
    if (Trim(line).empty()) return;

    if (IsUnixTypeLetter(line[0]) &&
        (line.find(';') == npos || LooksLikeMode(line.substr(0, line.find_first_of(" ,")))))
        ParseUnix(entry, line, clock);
    else if (line.find(';') != npos)
        ParseVms(entry, line, clock);
    else
        ParseDos(entry, line, clock);
}

}  // namespace lark::shellext
