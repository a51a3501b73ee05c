// Date, time and number texts of the in-memory INI file.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "localization/mem_ini.h"

namespace lark::localization {
namespace {


// Days since 1899-12-30 of a civil date (proleptic Gregorian).
int64_t DaysOf(int y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + 25569;  // 1970-01-01 is day 25569
}

void CivilOf(int64_t days, int& y, int& m, int& d) {
    const int64_t z = days - 25569 + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int DaysInMonth(int y, int m) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Date part and time-of-day of a value; the fraction of a negative value is its time as well.
void Split(double value, int64_t& days, double& time) {
    const double whole = std::trunc(value);
    days = static_cast<int64_t>(whole);
    time = std::fabs(value - whole);
}

// Tokens of a format: runs of one letter (case-insensitive), or a literal character.
struct Token {
    char letter;  // lower-case letter, or 0 for a literal
    int count;
    char literal;
};

std::vector<Token> Tokens(std::string_view f) {
    std::vector<Token> out;
    for (size_t i = 0; i < f.size();) {
        if (f.compare(i, 5, "AM/PM") == 0 || f.compare(i, 5, "am/pm") == 0) {
            out.push_back({'a', 1, 0});
            i += 5;
            continue;
        }
        char c = f[i];
        const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        if (lower == 'd' || lower == 'm' || lower == 'y' || lower == 'h' || lower == 'n' || lower == 's') {
            size_t j = i;
            while (j < f.size() && (f[j] | 0x20) == lower) ++j;
            out.push_back({lower, static_cast<int>(j - i), 0});
            i = j;
        } else {
            out.push_back({0, 0, c});
            ++i;
        }
    }
    return out;
}

void AppendNumber(std::string& out, long long v, int width) {
    std::string s = std::to_string(v);
    if (static_cast<int>(s.size()) < width) out.append(width - s.size(), '0');
    out += s;
}

// Reads the numbers of a text separated by sep (blanks around them allowed).
bool Numbers(std::string_view text, char sep, std::vector<int>& out, std::vector<int>* widths = nullptr) {
    out.clear();
    size_t i = 0;
    for (;;) {
        while (i < text.size() && text[i] == ' ') ++i;
        int v = 0;
        const auto [p, ec] = std::from_chars(text.data() + i, text.data() + text.size(), v);
        if (ec != std::errc() || v < 0) return false;
        const size_t next = static_cast<size_t>(p - text.data());
        if (widths) widths->push_back(static_cast<int>(next - i));
        out.push_back(v);
        i = next;
        while (i < text.size() && text[i] == ' ') ++i;
        if (i == text.size()) return true;
        if (text[i] != sep) return false;
        ++i;
    }
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

}  // namespace

std::string DateToText(double value, const IniFormatSettings& fs) {
    int64_t days;
    double time;
    Split(value, days, time);
    int y, m, d;
    CivilOf(days, y, m, d);
    std::string out;
    for (const Token& t : Tokens(fs.ShortDateFormat)) {
        if (t.letter == 'd') AppendNumber(out, d, t.count >= 2 ? 2 : 1);
        else if (t.letter == 'm') AppendNumber(out, m, t.count >= 2 ? 2 : 1);
        else if (t.letter == 'y') AppendNumber(out, t.count <= 2 ? y % 100 : y, t.count <= 2 ? 2 : 4);
        else if (t.letter == 0) out += t.literal == '/' ? fs.DateSeparator : t.literal;
    }
    return out;
}

std::string TimeToText(double value, const IniFormatSettings& fs) {
    int64_t days;
    double time;
    Split(value, days, time);
    int64_t ms = std::llround(time * 86400000.0);
    if (ms >= 86400000) ms = 86399999;
    int h = static_cast<int>(ms / 3600000), n = static_cast<int>(ms / 60000 % 60),
        s = static_cast<int>(ms / 1000 % 60);
    const auto tokens = Tokens(fs.LongTimeFormat);
    bool twelve = false;
    for (const Token& t : tokens) twelve |= t.letter == 'a';
    std::string out;
    for (const Token& t : tokens) {
        if (t.letter == 'h') AppendNumber(out, twelve ? (h % 12 == 0 ? 12 : h % 12) : h, t.count >= 2 ? 2 : 1);
        else if (t.letter == 'n' || t.letter == 'm') AppendNumber(out, n, t.count >= 2 ? 2 : 1);
        else if (t.letter == 's') AppendNumber(out, s, t.count >= 2 ? 2 : 1);
        else if (t.letter == 'a') out += h < 12 ? "AM" : "PM";
        else if (t.letter == 0) out += t.literal == ':' ? fs.TimeSeparator : t.literal;
    }
    return out;
}

std::string DateTimeToText(double value, const IniFormatSettings& fs) {
    int64_t days;
    double time;
    Split(value, days, time);
    std::string out = DateToText(value, fs);
    if (time != 0) {
        out += ' ';
        out += TimeToText(value, fs);
    }
    return out;
}

std::string FloatToText(double value, const IniFormatSettings& fs) {
    char buf[64];
    const auto [p, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    std::string out(buf, ec == std::errc() ? p : buf);
    for (auto& c : out)
        if (c == '.') c = fs.DecimalSeparator;
    return out;
}

bool TextToFloat(std::string_view text, const IniFormatSettings& fs, double& value) {
    std::string s(Trim(text));
    if (s.empty()) return false;
    for (auto& c : s) {
        if (c == fs.DecimalSeparator) c = '.';
        else if (c == '.') return false;  // a point that is not the separator
    }
    const char* begin = s.data() + (s[0] == '+' ? 1 : 0);
    const auto [p, ec] = std::from_chars(begin, s.data() + s.size(), value);
    return ec == std::errc() && p == s.data() + s.size() && std::isfinite(value);
}

bool TextToDate(std::string_view text, const IniFormatSettings& fs, double& value) {
    std::vector<int> nums, widths;
    if (!Numbers(Trim(text), fs.DateSeparator, nums, &widths) || nums.size() != 3)
        return false;
    // Order of day, month and year as the short date format has them.
    std::string order;
    for (const Token& t : Tokens(fs.ShortDateFormat))
        if ((t.letter == 'd' || t.letter == 'm' || t.letter == 'y') && order.find(t.letter) == std::string::npos)
            order += t.letter;
    if (order.size() != 3) order = "mdy";
    int y = -1, m = 0, d = 0;
    size_t k = 0;
    for (char part : order) {
        if (k >= nums.size()) return false;
        const int v = nums[k];
        const int w = widths[k];
        ++k;
        if (part == 'd') d = v;
        else if (part == 'm') m = v;
        else y = w <= 2 ? (v < 50 ? 2000 + v : 1900 + v) : v;
    }
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) return false;
    value = static_cast<double>(DaysOf(y, m, d));
    return true;
}

bool TextToTime(std::string_view text, const IniFormatSettings& fs, double& value) {
    std::string_view s = Trim(text);
    int ampm = 0;
    if (s.size() >= 2) {
        const std::string_view tail = s.substr(s.size() - 2);
        if (tail == "AM" || tail == "am") ampm = 1;
        if (tail == "PM" || tail == "pm") ampm = 2;
        if (ampm) s = Trim(s.substr(0, s.size() - 2));
    }
    int ms = 0;
    if (const size_t dot = s.find('.'); dot != std::string_view::npos && fs.TimeSeparator != '.') {
        const std::string_view frac = s.substr(dot + 1);
        const auto [p, ec] = std::from_chars(frac.data(), frac.data() + frac.size(), ms);
        if (ec != std::errc() || p != frac.data() + frac.size() || ms < 0 || ms > 999) return false;
        s = s.substr(0, dot);
    }
    std::vector<int> nums;
    if (!Numbers(s, fs.TimeSeparator, nums) || nums.empty() || nums.size() > 3) return false;
    int h = nums[0];
    const int n = nums.size() > 1 ? nums[1] : 0, sec = nums.size() > 2 ? nums[2] : 0;
    if (ampm) {
        if (h < 1 || h > 12) return false;
        h = (h % 12) + (ampm == 2 ? 12 : 0);
    }
    if (h > 23 || n > 59 || sec > 59) return false;
    value = (h * 3600000.0 + n * 60000.0 + sec * 1000.0 + ms) / 86400000.0;
    return true;
}

bool TextToDateTime(std::string_view text, const IniFormatSettings& fs, double& value) {
    std::string_view s = Trim(text);
    if (s.find(fs.DateSeparator) == std::string_view::npos) return TextToTime(s, fs, value);
    const size_t blank = s.find(' ');
    double date, time = 0;
    if (!TextToDate(s.substr(0, blank), fs, date)) return false;
    if (blank != std::string_view::npos && !TextToTime(s.substr(blank + 1), fs, time)) return false;
    value = date >= 0 ? date + time : date - time;
    return true;
}

}  // namespace lark::localization
