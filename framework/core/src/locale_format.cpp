// The system's date and time pictures in this framework's format specifiers.
#include "core/locale_format.h"

namespace lark::core {

namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Characters that FormatDateTime would read as something other than themselves.
bool NeedsQuotes(char c) {
    return IsAsciiLetter(c) || c == '"' || c == '\'' || c == '/' || c == ':';
}

class PictureWriter {
public:
    void Literal(char c) { literal_ += c; }
    void Specifier(std::string_view text) {
        Flush();
        out_ += text;
    }
    std::string Finish() {
        Flush();
        return std::move(out_);
    }

private:
    // Literal text goes out bare where it cannot be mistaken for a specifier, else in double
    // quotes; a double quote itself in single quotes.
    void Flush() {
        bool quote = false;
        for (char c : literal_) quote = quote || NeedsQuotes(c);
        if (!quote) {
            out_ += literal_;
        } else {
            std::size_t i = 0;
            while (i < literal_.size()) {
                if (literal_[i] == '"') {
                    out_ += "'\"'";
                    ++i;
                    continue;
                }
                const std::size_t end = literal_.find('"', i);
                const std::size_t stop = end == std::string::npos ? literal_.size() : end;
                out_ += '"';
                out_.append(literal_, i, stop - i);
                out_ += '"';
                i = stop;
            }
        }
        literal_.clear();
    }

    std::string out_;
    std::string literal_;
};

std::string AmPmSpecifier(bool oneLetter, const FormatSettings& s) {
    // One letter of the marker: a/p writes the letters as given, which fits where the markers
    // begin with them (AM, PM; am, pm).
    if (oneLetter && !s.TimeAMString.empty() && !s.TimePMString.empty()) {
        const char a = s.TimeAMString[0], p = s.TimePMString[0];
        if ((a == 'a' || a == 'A') && (p == 'p' || p == 'P')) return std::string{a, '/', p};
    }
    return "ampm";
}

}  // namespace

std::string ConvertLocalePicture(std::string_view picture, PictureKind kind, const FormatSettings& settings) {
    const bool isDate = kind != PictureKind::Time;
    std::string_view separator;
    char separatorToken = 0;
    if (kind == PictureKind::ShortDate) {
        separator = settings.DateSeparator;
        separatorToken = '/';
    } else if (kind == PictureKind::Time) {
        separator = settings.TimeSeparator;
        separatorToken = ':';
    }
    PictureWriter w;
    std::size_t i = 0;
    while (i < picture.size()) {
        const char c = picture[i];
        if (c == '\'') {
            // A quoted literal; '' stands for one quote, inside quotes and outside.
            ++i;
            if (i < picture.size() && picture[i] == '\'') {
                w.Literal('\'');
                ++i;
                continue;
            }
            while (i < picture.size()) {
                if (picture[i] == '\'') {
                    if (i + 1 < picture.size() && picture[i + 1] == '\'') {
                        w.Literal('\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                w.Literal(picture[i++]);
            }
            continue;
        }
        if (!separator.empty() && picture.substr(i, separator.size()) == separator) {
            w.Specifier(std::string(1, separatorToken));
            i += separator.size();
            continue;
        }
        const bool dateLetter = c == 'd' || c == 'M' || c == 'y' || c == 'g';
        const bool timeLetter = c == 'h' || c == 'H' || c == 'm' || c == 's' || c == 't';
        if (!(isDate ? dateLetter : timeLetter)) {
            w.Literal(c);
            ++i;
            continue;
        }
        std::size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == c) ++run;
        i += run;
        const bool two = run >= 2;
        switch (c) {
            case 'd': w.Specifier(std::string(run > 4 ? 4 : run, 'd')); break;
            case 'M': w.Specifier(std::string(run > 4 ? 4 : run, 'm')); break;
            case 'y': w.Specifier(run <= 2 ? "yy" : "yyyy"); break;
            case 'g': break;
            case 'h':
            case 'H': w.Specifier(two ? "hh" : "h"); break;
            case 'm': w.Specifier(two ? "nn" : "n"); break;
            case 's': w.Specifier(two ? "ss" : "s"); break;
            case 't': w.Specifier(AmPmSpecifier(!two, settings)); break;
            default: break;
        }
    }
    return w.Finish();
}

RegionalSettings RegionalSettingsFromLocale(const LocaleAnswers& a, const RegionalSettings& fallback) {
    RegionalSettings result = fallback;
    FormatSettings& s = result.formats;
    auto take = [](const std::optional<std::string>& answer, std::string& target) {
        if (answer) target = *answer;
    };
    auto first = [](const std::optional<std::string>& answer, std::string& target) {
        if (answer && !answer->empty()) target = *answer;
    };
    take(a.currency, result.CurrencyString);
    first(a.thousandSeparator, result.ThousandSeparator);
    first(a.decimalSeparator, s.DecimalSeparator);
    first(a.dateSeparator, s.DateSeparator);
    first(a.timeSeparator, s.TimeSeparator);
    take(a.am, s.TimeAMString);
    take(a.pm, s.TimePMString);
    // The separators and markers come first: the pictures are converted with them.
    auto picture = [&](const std::optional<std::string>& answer, PictureKind kind, std::string& target) {
        if (!answer || answer->empty()) return;
        std::string converted = ConvertLocalePicture(*answer, kind, s);
        if (!converted.empty()) target = std::move(converted);
    };
    picture(a.shortDate, PictureKind::ShortDate, s.ShortDateFormat);
    picture(a.longDate, PictureKind::LongDate, s.LongDateFormat);
    picture(a.shortTime, PictureKind::Time, s.ShortTimeFormat);
    picture(a.longTime, PictureKind::Time, s.LongTimeFormat);
    auto names = [&](const auto& answers, auto& target) {
        for (std::size_t i = 0; i < target.size(); ++i) first(answers[i], target[i]);
    };
    names(a.shortMonths, s.ShortMonthNames);
    names(a.longMonths, s.LongMonthNames);
    names(a.shortDays, s.ShortDayNames);
    names(a.longDays, s.LongDayNames);
    return result;
}

}  // namespace lark::core
