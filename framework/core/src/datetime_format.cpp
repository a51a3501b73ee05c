// Date-time texts: formatting with the format specifiers and parsing by the date order.
#include <cstdint>
#include <cstdio>

#include "core/datetime.h"

namespace lark::core {

namespace {

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

bool StartsWithNoCase(std::string_view text, std::size_t pos, std::string_view prefix) {
    if (prefix.empty() || pos > text.size() || text.size() - pos < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (Upper(text[pos + i]) != Upper(prefix[i])) return false;
    return true;
}

void AppendNumber(std::string& out, int value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*d", digits, value);
    out += buf;
}

// Whether any am/pm specifier outside quoted text switches hours to the 12-hour clock.
bool Uses12Hour(std::string_view f) {
    for (std::size_t i = 0; i < f.size(); ++i) {
        char c = f[i];
        if (c == '"' || c == '\'') {
            std::size_t close = f.find(c, i + 1);
            if (close == std::string_view::npos) return false;
            i = close;
        } else if (c == 'a' || c == 'A') {
            if (StartsWithNoCase(f, i, "am/pm") || StartsWithNoCase(f, i, "a/p") ||
                StartsWithNoCase(f, i, "ampm"))
                return true;
        }
    }
    return false;
}

struct Parts {
    int year, month, day, hour, minute, second, ms, dow;  // dow: 1 = Sunday
};

class Formatter {
public:
    Formatter(const FormatSettings& s, DateTime value) : s_(s) {
        DecodeDateTime(value, p_.year, p_.month, p_.day, p_.hour, p_.minute, p_.second, p_.ms);
        p_.dow = DayOfWeekSunday(value);
    }

    void Append(std::string& out, std::string_view f, int depth) {
        if (depth > 2) return;  // a format that names itself must not recurse forever
        bool twelve = Uses12Hour(f);
        char last = ' ';
        std::size_t i = 0;
        while (i < f.size()) {
            char raw = f[i];
            char token = Upper(raw);
            if (token >= 'A' && token <= 'Z') {
                if (token == 'M' && last == 'H') token = 'N';
                last = token;
            }
            std::size_t count = 1;
            auto countRun = [&] {
                while (i + count < f.size() && Upper(f[i + count]) == Upper(raw)) ++count;
            };
            switch (token) {
            case 'Y':
                countRun();
                if (count <= 2) AppendNumber(out, p_.year % 100, 2);
                else AppendNumber(out, p_.year, 4);
                break;
            case 'M':
                countRun();
                if (count <= 2) AppendNumber(out, p_.month, static_cast<int>(count));
                else if (count == 3) out += s_.ShortMonthNames[p_.month - 1];
                else out += s_.LongMonthNames[p_.month - 1];
                break;
            case 'D':
                countRun();
                if (count <= 2) AppendNumber(out, p_.day, static_cast<int>(count));
                else if (count == 3) out += s_.ShortDayNames[p_.dow - 1];
                else if (count == 4) out += s_.LongDayNames[p_.dow - 1];
                else if (count == 5) Append(out, s_.ShortDateFormat, depth + 1);
                else Append(out, s_.LongDateFormat, depth + 1);
                break;
            case 'H': {
                countRun();
                int h = p_.hour;
                if (twelve) {
                    h %= 12;
                    if (h == 0) h = 12;
                }
                AppendNumber(out, h, count >= 2 ? 2 : 1);
                break;
            }
            case 'N':
                countRun();
                AppendNumber(out, p_.minute, count >= 2 ? 2 : 1);
                break;
            case 'S':
                countRun();
                AppendNumber(out, p_.second, count >= 2 ? 2 : 1);
                break;
            case 'Z':
                countRun();
                AppendNumber(out, p_.ms, count >= 2 ? 3 : 1);
                break;
            case 'T':
                countRun();
                Append(out, count == 1 ? s_.ShortTimeFormat : s_.LongTimeFormat, depth + 1);
                break;
            case 'C':
                Append(out, s_.ShortDateFormat, depth + 1);
                if (p_.hour != 0 || p_.minute != 0 || p_.second != 0) {
                    out += ' ';
                    Append(out, s_.LongTimeFormat, depth + 1);
                }
                break;
            case 'A': {
                bool pm = p_.hour >= 12;
                if (StartsWithNoCase(f, i, "am/pm")) {
                    out.append(f.substr(i + (pm ? 3 : 0), 2));
                    count = 5;
                } else if (StartsWithNoCase(f, i, "a/p")) {
                    out += f[i + (pm ? 2 : 0)];
                    count = 3;
                } else if (StartsWithNoCase(f, i, "ampm")) {
                    out += pm ? s_.TimePMString : s_.TimeAMString;
                    count = 4;
                } else {
                    out += raw;
                }
                break;
            }
            case '/':
                out += s_.DateSeparator;
                break;
            case ':':
                out += s_.TimeSeparator;
                break;
            case '"':
            case '\'': {
                std::size_t close = f.find(raw, i + 1);
                if (close == std::string_view::npos) close = f.size();
                out.append(f.substr(i + 1, close - i - 1));
                count = close < f.size() ? close - i + 1 : close - i;
                break;
            }
            default:
                out += raw;
                break;
            }
            i += count;
        }
    }

private:
    const FormatSettings& s_;
    Parts p_{};
};

// --- parsing ---

enum class DateOrder { MDY, DMY, YMD };

DateOrder OrderOf(std::string_view format) {
    for (std::size_t i = 0; i < format.size(); ++i) {
        char c = Upper(format[i]);
        if (format[i] == '"' || format[i] == '\'') {
            std::size_t close = format.find(format[i], i + 1);
            if (close == std::string_view::npos) break;
            i = close;
            continue;
        }
        if (c == 'M') return DateOrder::MDY;
        if (c == 'D') return DateOrder::DMY;
        if (c == 'Y') return DateOrder::YMD;
    }
    return DateOrder::MDY;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

void SkipBlanks(std::string_view t, std::size_t& pos) {
    while (pos < t.size() && IsBlank(t[pos])) ++pos;
}

bool ScanNumber(std::string_view t, std::size_t& pos, int& value, int& digits) {
    value = 0;
    digits = 0;
    while (pos < t.size() && t[pos] >= '0' && t[pos] <= '9') {
        if (digits == 9) return false;
        value = value * 10 + (t[pos] - '0');
        ++digits;
        ++pos;
    }
    return digits > 0;
}

bool ScanText(std::string_view t, std::size_t& pos, std::string_view what) {
    if (what.empty() || !StartsWithNoCase(t, pos, what)) return false;
    pos += what.size();
    return true;
}

bool ScanDate(std::string_view t, std::size_t& pos, const FormatSettings& s, int currentYear,
              DateTime& result) {
    std::size_t p = pos;
    SkipBlanks(t, p);
    int n[3], len[3];
    int count = 0;
    if (!ScanNumber(t, p, n[0], len[0]) || !ScanText(t, p, s.DateSeparator)) return false;
    if (!ScanNumber(t, p, n[1], len[1])) return false;
    count = 2;
    std::size_t beforeThird = p;
    if (ScanText(t, p, s.DateSeparator)) {
        if (ScanNumber(t, p, n[2], len[2])) count = 3;
        else p = beforeThird;
    }
    int y = currentYear, m, d, yearDigits = 4;
    DateOrder order = OrderOf(s.ShortDateFormat);
    if (count == 3) {
        switch (order) {
        case DateOrder::MDY: m = n[0]; d = n[1]; y = n[2]; yearDigits = len[2]; break;
        case DateOrder::DMY: d = n[0]; m = n[1]; y = n[2]; yearDigits = len[2]; break;
        default: y = n[0]; m = n[1]; d = n[2]; yearDigits = len[0]; break;
        }
    } else if (order == DateOrder::DMY) {
        d = n[0]; m = n[1];
    } else {
        m = n[0]; d = n[1];
    }
    if (yearDigits <= 2) {
        int window = s.TwoDigitYearCenturyWindow;
        int start = currentYear - (window > 0 ? window : 0);
        y += start / 100 * 100;
        if (window > 0 && y < start) y += 100;
    }
    if (!TryEncodeDate(y, m, d, result)) return false;
    pos = p;
    return true;
}

bool ScanTime(std::string_view t, std::size_t& pos, const FormatSettings& s, DateTime& result) {
    std::size_t p = pos;
    SkipBlanks(t, p);
    int h, mi = 0, sec = 0, ms = 0, len;
    if (!ScanNumber(t, p, h, len)) return false;
    bool hasMinutes = false;
    if (ScanText(t, p, s.TimeSeparator)) {
        if (!ScanNumber(t, p, mi, len)) return false;
        hasMinutes = true;
        if (ScanText(t, p, s.TimeSeparator)) {
            if (!ScanNumber(t, p, sec, len)) return false;
            if (ScanText(t, p, s.DecimalSeparator)) {
                if (!ScanNumber(t, p, ms, len) || len > 3) return false;
                for (; len < 3; ++len) ms *= 10;
            }
        }
    }
    SkipBlanks(t, p);
    int base = -1;
    if (ScanText(t, p, s.TimeAMString) || ScanText(t, p, "AM")) base = 0;
    else if (ScanText(t, p, s.TimePMString) || ScanText(t, p, "PM")) base = 12;
    if (base >= 0) {
        if (h == 0 || h > 12) return false;
        h = h % 12 + base;
    } else if (!hasMinutes) {
        return false;
    }
    if (!TryEncodeTime(h, mi, sec, ms, result)) return false;
    pos = p;
    return true;
}

bool AtEnd(std::string_view t, std::size_t pos) {
    SkipBlanks(t, pos);
    return pos == t.size();
}

}  // namespace

std::string FormatDateTime(std::string_view format, DateTime value,
                           const FormatSettings& settings) {
    std::string out;
    Formatter f(settings, value);
    f.Append(out, format.empty() ? std::string_view("c") : format, 0);
    return out;
}

std::string DateToStr(DateTime value, const FormatSettings& settings) {
    return FormatDateTime("ddddd", value, settings);
}

std::string TimeToStr(DateTime value, const FormatSettings& settings) {
    return FormatDateTime("tt", value, settings);
}

std::string DateTimeToStr(DateTime value, const FormatSettings& settings) {
    return FormatDateTime("c", value, settings);
}

bool TryStrToDate(std::string_view text, DateTime& result, const FormatSettings& settings,
                  int currentYear) {
    std::size_t pos = 0;
    DateTime d;
    if (!ScanDate(text, pos, settings, currentYear, d) || !AtEnd(text, pos)) return false;
    result = d;
    return true;
}

bool TryStrToTime(std::string_view text, DateTime& result, const FormatSettings& settings) {
    std::size_t pos = 0;
    DateTime t;
    if (!ScanTime(text, pos, settings, t) || !AtEnd(text, pos)) return false;
    result = t;
    return true;
}

bool TryStrToDateTime(std::string_view text, DateTime& result, const FormatSettings& settings,
                      int currentYear) {
    std::size_t pos = 0;
    DateTime d, t;
    if (ScanDate(text, pos, settings, currentYear, d)) {
        if (AtEnd(text, pos)) {
            result = d;
            return true;
        }
        if (pos < text.size() && !IsBlank(text[pos])) return false;
        if (!ScanTime(text, pos, settings, t) || !AtEnd(text, pos)) return false;
        result = ComposeDateTime(d, t);
        return true;
    }
    return TryStrToTime(text, result, settings);
}

}  // namespace lark::core
