#pragma once
// The user's regional settings as the system answers them, turned into FormatSettings. The
// system's date and time pictures ("dd.MM.yyyy", "h:mm:ss tt", quoted literals) become this
// framework's format texts (see FormatDateTime); framework/win reads the answers.
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "core/datetime.h"

namespace lark::core {

// One answer per regional setting, UTF-8; no value where the system answered nothing. An
// empty text is an answer (a locale may have no AM string).
struct LocaleAnswers {
    std::optional<std::string> shortDate, longDate, shortTime, longTime;
    std::optional<std::string> dateSeparator, timeSeparator, am, pm;
    std::optional<std::string> decimalSeparator, thousandSeparator, currency;
    std::array<std::optional<std::string>, 12> shortMonths, longMonths;
    std::array<std::optional<std::string>, 7> shortDays, longDays;  // Sunday first
};

enum class PictureKind { ShortDate, LongDate, Time };

// A date or time picture in the format text of FormatDateTime, giving the same text as the
// system would: d..dddd, M..MMMM, y, yy, yyyy, h/hh (12-hour), H/HH (24-hour), m/mm, s/ss,
// t/tt, 'quoted literals' with '' for a quote; every other character is literal. In a short
// date the settings' DateSeparator becomes "/", in a time TimeSeparator becomes ":", so that a
// translation table's separator rows still reach them. Eras (g, gg) have no specifier here and
// are left out.
std::string ConvertLocalePicture(std::string_view picture, PictureKind kind, const FormatSettings& settings);

// Everything the regional settings decide: the date and time conventions and the number
// conventions beside them.
struct RegionalSettings {
    FormatSettings formats;
    std::string CurrencyString = "$";
    std::string ThousandSeparator = ",";
};

// The settings from the answers; what is not answered keeps the value of `fallback` (the
// built-in English conventions by default). A picture answered empty keeps the fallback's too
// (an empty format would mean "c").
RegionalSettings RegionalSettingsFromLocale(const LocaleAnswers& answers,
                                            const RegionalSettings& fallback = RegionalSettings());

// A number with `decimals` decimals (0..18): `decimalSeparator` before the decimals and, when
// `thousandSeparator` is not empty, it between groups of three digits. Format's %f and %n stay
// fixed for program texts and files; this is for numbers the user reads.
std::string FormatNumber(double value, int decimals, std::string_view decimalSeparator,
                         std::string_view thousandSeparator);

}  // namespace lark::core
