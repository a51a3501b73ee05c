#pragma once
// Date-time values: days since 30 December 1899 as a double, the fraction being the time of day.
// A negative value keeps the day in its integral part and the time in the fraction's absolute
// value (-1.25 is 29 December 1899, 06:00). Civil dates are proleptic Gregorian, years 1..9999.
#include <array>
#include <string>
#include <string_view>

namespace lark::core {

using DateTime = double;

bool IsLeapYear(int year);
// 0 for a month outside 1..12.
int DaysInMonth(int year, int month);

bool TryEncodeDate(int year, int month, int day, DateTime& result);
// Throws Error for a date that does not exist or lies outside years 1..9999.
DateTime EncodeDate(int year, int month, int day);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, DateTime& result);
// Throws Error unless 0 <= hour < 24, minute and second < 60, millisecond < 1000.
DateTime EncodeTime(int hour, int minute, int second, int millisecond);
// The date plus the time of day, following the sign convention for dates before 1899-12-30.
DateTime ComposeDateTime(DateTime date, DateTime time);
DateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                        int millisecond);

// Values outside IsValidDateTime decode as 30 December 1899.
void DecodeDate(DateTime value, int& year, int& month, int& day);
// The time rounded to the nearest millisecond, never past 23:59:59.999.
void DecodeTime(DateTime value, int& hour, int& minute, int& second, int& millisecond);
void DecodeDateTime(DateTime value, int& year, int& month, int& day, int& hour, int& minute,
                    int& second, int& millisecond);

DateTime DateOf(DateTime value);  // the day alone, time 00:00
DateTime TimeOf(DateTime value);  // the time of day alone, in [0, 1)
int DayOfWeekIso(DateTime value);  // 1 = Monday .. 7 = Sunday
int DayOfWeekSunday(DateTime value);  // 1 = Sunday .. 7 = Saturday
// The same time of day `months` later (or earlier); the day is clamped to the month's end.
// Throws Error when the result leaves years 1..9999.
DateTime IncMonth(DateTime value, int months);
// Finite and within 1 January 0001 .. 31 December 9999.
bool IsValidDateTime(double value);

// The conventions of date and time texts. Day name arrays start with Sunday.
struct FormatSettings {
    std::string ShortDateFormat = "M/d/yyyy";
    std::string LongDateFormat = "dddd, MMMM d, yyyy";
    std::string ShortTimeFormat = "h:mm AMPM";
    std::string LongTimeFormat = "h:mm:ss AMPM";
    std::string DateSeparator = "/";
    std::string TimeSeparator = ":";
    std::string DecimalSeparator = ".";
    std::string TimeAMString = "AM";
    std::string TimePMString = "PM";
    std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<std::string, 12> LongMonthNames{"January", "February", "March",     "April",
                                               "May",     "June",     "July",      "August",
                                               "September", "October", "November", "December"};
    std::array<std::string, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    std::array<std::string, 7> LongDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                            "Thursday", "Friday", "Saturday"};
    // A two-digit year is placed in the hundred years that begin this many years before the
    // current year; 0 puts it in the current century.
    int TwoDigitYearCenturyWindow = 50;
};

// The English (United States) conventions.
const FormatSettings& EnglishFormatSettings();
// The process-wide conventions, English until the program loads the user's locale into them.
// Only the user-interface thread changes or reads them.
FormatSettings& DefaultFormatSettings();

// Format specifiers (case-insensitive): c, d, dd, ddd, dddd, ddddd (short date), dddddd (long
// date), m, mm, mmm, mmmm (minutes right after h or hh), yy, yyyy, h, hh, n, nn, s, ss, z, zzz,
// t (short time), tt (long time), am/pm and a/p (the letters as written), ampm (TimeAMString or
// TimePMString), "/" date separator, ":" time separator; text in "..." or '...' is literal and
// any other character is copied. Any am/pm specifier switches hours to the 12-hour clock.
// An empty format is "c": the short date, then the long time unless the time is 00:00:00.
std::string FormatDateTime(std::string_view format, DateTime value,
                           const FormatSettings& settings = DefaultFormatSettings());
std::string DateToStr(DateTime value, const FormatSettings& settings = DefaultFormatSettings());
std::string TimeToStr(DateTime value, const FormatSettings& settings = DefaultFormatSettings());
std::string DateTimeToStr(DateTime value,
                          const FormatSettings& settings = DefaultFormatSettings());

// Parsing of date texts: up to three numbers separated by DateSeparator, in the order of day,
// month and year in ShortDateFormat; a missing year is currentYear, a two-digit year follows
// TwoDigitYearCenturyWindow. Blanks around the text are allowed.
bool TryStrToDate(std::string_view text, DateTime& result, const FormatSettings& settings,
                  int currentYear);
// Time texts: hour, then optionally TimeSeparator and minutes, seconds and DecimalSeparator and
// milliseconds, then optionally blanks and TimeAMString, TimePMString, "AM" or "PM" (any case).
// An hour alone needs the AM/PM suffix.
bool TryStrToTime(std::string_view text, DateTime& result, const FormatSettings& settings);
// A date, optionally followed by blanks and a time; or a time alone.
bool TryStrToDateTime(std::string_view text, DateTime& result, const FormatSettings& settings,
                      int currentYear);

}  // namespace lark::core
