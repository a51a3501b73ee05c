#include "core/datetime.h"

#include <cmath>
#include <cstdint>

#include "core/errors.h"

namespace lark::core {

namespace {

constexpr std::int64_t kMsPerDay = 86400000;
// Days from 1970-01-01 to 1899-12-30.
constexpr std::int64_t kEpochShift = 25569;
constexpr double kMinDay = -693593;   // 0001-01-01
constexpr double kMaxDay = 2958465;   // 9999-12-31

// Proleptic Gregorian day number relative to 1970-01-01.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

// The day number of a value, or 0 for values that are no date.
std::int64_t DayNumber(DateTime value) {
    if (!IsValidDateTime(value)) return 0;
    return static_cast<std::int64_t>(std::trunc(value));
}

std::int64_t TimeMs(DateTime value) {
    if (!IsValidDateTime(value)) return 0;
    double frac = std::fabs(value - std::trunc(value));
    auto ms = static_cast<std::int64_t>(std::llround(frac * static_cast<double>(kMsPerDay)));
    // A fraction a hair below 1 must stay on its own day.
    if (ms >= kMsPerDay) ms = kMsPerDay - 1;
    if (ms < 0) ms = 0;
    return ms;
}

}  // namespace

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool TryEncodeDate(int year, int month, int day, DateTime& result) {
    if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
    if (day < 1 || day > DaysInMonth(year, month)) return false;
    result = static_cast<double>(DaysFromCivil(year, month, day) + kEpochShift);
    return true;
}

DateTime EncodeDate(int year, int month, int day) {
    DateTime r;
    if (!TryEncodeDate(year, month, day, r))
        throw Error("Invalid date: " + std::to_string(year) + "-" + std::to_string(month) + "-" +
                    std::to_string(day));
    return r;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, DateTime& result) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        millisecond < 0 || millisecond > 999)
        return false;
    std::int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
    result = static_cast<double>(ms) / static_cast<double>(kMsPerDay);
    return true;
}

DateTime EncodeTime(int hour, int minute, int second, int millisecond) {
    DateTime r;
    if (!TryEncodeTime(hour, minute, second, millisecond, r))
        throw Error("Invalid time: " + std::to_string(hour) + ":" + std::to_string(minute) + ":" +
                    std::to_string(second) + "." + std::to_string(millisecond));
    return r;
}

DateTime ComposeDateTime(DateTime date, DateTime time) {
    double day = std::trunc(date);
    double t = std::fabs(time - std::trunc(time));
    return day < 0 ? day - t : day + t;
}

DateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                        int millisecond) {
    return ComposeDateTime(EncodeDate(year, month, day),
                           EncodeTime(hour, minute, second, millisecond));
}

void DecodeDate(DateTime value, int& year, int& month, int& day) {
    CivilFromDays(DayNumber(value) - kEpochShift, year, month, day);
}

void DecodeTime(DateTime value, int& hour, int& minute, int& second, int& millisecond) {
    std::int64_t ms = TimeMs(value);
    millisecond = static_cast<int>(ms % 1000);
    ms /= 1000;
    second = static_cast<int>(ms % 60);
    ms /= 60;
    minute = static_cast<int>(ms % 60);
    hour = static_cast<int>(ms / 60);
}

void DecodeDateTime(DateTime value, int& year, int& month, int& day, int& hour, int& minute,
                    int& second, int& millisecond) {
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, second, millisecond);
}

DateTime DateOf(DateTime value) {
    return static_cast<double>(DayNumber(value));
}

DateTime TimeOf(DateTime value) {
    return static_cast<double>(TimeMs(value)) / static_cast<double>(kMsPerDay);
}

int DayOfWeekIso(DateTime value) {
    // Day 0 (1899-12-30) was a Saturday.
    std::int64_t r = (DayNumber(value) + 5) % 7;
    if (r < 0) r += 7;
    return static_cast<int>(r) + 1;
}

int DayOfWeekSunday(DateTime value) {
    return DayOfWeekIso(value) % 7 + 1;
}

DateTime IncMonth(DateTime value, int months) {
    int y, m, d;
    DecodeDate(value, y, m, d);
    std::int64_t total = static_cast<std::int64_t>(y) * 12 + (m - 1) + months;
    std::int64_t ny = total >= 0 ? total / 12 : (total - 11) / 12;
    int nm = static_cast<int>(total - ny * 12) + 1;
    if (ny < 1 || ny > 9999) throw Error("Date out of range after adding months");
    int nd = d;
    int last = DaysInMonth(static_cast<int>(ny), nm);
    if (nd > last) nd = last;
    DateTime date = EncodeDate(static_cast<int>(ny), nm, nd);
    return ComposeDateTime(date, TimeOf(value));
}

bool IsValidDateTime(double value) {
    return std::isfinite(value) && value > kMinDay - 1 && value < kMaxDay + 1;
}

const FormatSettings& EnglishFormatSettings() {
    static const FormatSettings settings;
    return settings;
}

FormatSettings& DefaultFormatSettings() {
    static FormatSettings settings;
    return settings;
}

}  // namespace lark::core
