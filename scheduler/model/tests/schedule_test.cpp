#include "scheduler/schedule.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <limits>
#include <optional>
#include <string>

#include "core/clock.h"
#include "core/datetime.h"
#include "scheduler/task.h"

namespace lark::scheduler {
namespace {

using TS = TScheduleTask;

// "yyyy-mm-dd hh:mm[:ss]"; "" is 0.
DateTime At(std::string_view text) {
    if (text.empty()) return 0;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    int n = std::sscanf(std::string(text).c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s);
    EXPECT_GE(n, 5) << text;
    return core::EncodeDate(y, mo, d) + core::EncodeTime(h, mi, s, 0);
}

std::string Show(DateTime v) {
    if (v == 0) return "never";
    if (!core::IsValidDateTime(v)) return std::to_string(v);
    return core::FormatDateTime("yyyy-mm-dd hh:nn:ss", v);
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

struct Case {
    const char* name;
    TS kind;
    const char* now;
    const char* start;        // its time of day is the daily start time
    const char* last;         // "" = never run
    const char* expect;       // "" = never (0)
    std::int32_t every = 1;   // DayInterval or EveryWeek
    TWeekDays days{1};
    std::int32_t dayOfMonth = 1;
    TMonths months = TMonths::All();
    std::optional<double> rawStart{}, rawLast{}, rawNow{};  // values no text can give
};

// 2024-03-04 is a Monday; 2024 is a leap year, 2023 is not.
const Case kCases[] = {
    {"once in the past stays", TS::stOnce, "2024-03-04 09:00", "2024-03-01 10:00", "", "2024-03-01 10:00"},
    {"once ignores the last run", TS::stOnce, "2024-03-04 09:00", "2024-03-05 10:00", "2024-03-04 08:00", "2024-03-05 10:00"},

    {"daily 3, three days after the run, before start", TS::stDaily, "2024-03-04 09:00", "2023-06-01 10:00", "2024-03-01 08:00", "2024-03-04 10:00", 3},
    {"daily 3, three days after the run, after start", TS::stDaily, "2024-03-04 11:00", "2023-06-01 10:00", "2024-03-01 08:00", "2024-03-05 10:00", 3},
    {"daily 3, never run: today plus two days", TS::stDaily, "2024-03-04 09:00", "2023-06-01 10:00", "", "2024-03-06 10:00", 3},
    {"daily 1, never run, start time passed", TS::stDaily, "2024-03-04 11:00", "2023-06-01 10:00", "", "2024-03-05 10:00"},
    {"daily 3 after an on-time run is three days later", TS::stDaily, "2024-03-01 12:00", "2023-06-01 10:00", "2024-03-01 10:00:30", "2024-03-04 10:00", 3},
    {"daily 1 after an on-time run is tomorrow", TS::stDaily, "2024-03-04 10:00:10", "2023-06-01 10:00", "2024-03-04 10:00:05", "2024-03-05 10:00"},
    {"daily into a leap day", TS::stDaily, "2024-02-28 12:00", "2023-06-01 10:00", "2024-02-28 10:00:05", "2024-02-29 10:00"},
    {"daily over a common February", TS::stDaily, "2023-02-28 12:00", "2023-01-01 10:00", "2023-02-28 10:00:05", "2023-03-01 10:00"},
    {"daily missed for years runs on the next day", TS::stDaily, "2024-03-04 11:00", "2019-06-01 10:00", "2020-01-01 10:00", "2024-03-05 10:00", 7},
    {"daily interval below 1 counts as 1", TS::stDaily, "2024-03-04 10:00:10", "2023-06-01 10:00", "2024-03-04 10:00:05", "2024-03-05 10:00", kMin},
    {"daily interval past the calendar", TS::stDaily, "2024-03-04 09:00", "2023-06-01 10:00", "", "", kMax},

    {"weekly Monday, Monday before start", TS::stWeekly, "2024-03-04 09:00", "2023-06-01 10:00", "", "2024-03-04 10:00"},
    {"weekly Monday, exactly at start", TS::stWeekly, "2024-03-04 10:00", "2023-06-01 10:00", "", "2024-03-04 10:00"},
    {"weekly Monday, a minute late", TS::stWeekly, "2024-03-04 10:01", "2023-06-01 10:00", "", "2024-03-11 10:00"},
    {"weekly after a Monday run", TS::stWeekly, "2024-03-04 12:00", "2023-06-01 10:00", "2024-03-04 10:00:02", "2024-03-11 10:00"},
    {"weekly Thursday onto the leap day", TS::stWeekly, "2024-02-26 09:00", "2023-06-01 10:00", "", "2024-02-29 10:00", 1, TWeekDays{4}},
    {"weekly empty days", TS::stWeekly, "2024-03-04 09:00", "2023-06-01 10:00", "", "", 1, TWeekDays{}},
    {"every 2 weeks, never run: a week after today", TS::stWeekly, "2024-03-04 09:00", "2023-06-01 10:00", "", "2024-03-11 10:00", 2},
    {"every 2 weeks, never run, then day steps", TS::stWeekly, "2024-03-04 09:00", "2023-06-01 10:00", "", "2024-03-13 10:00", 2, TWeekDays{3}},
    {"every 2 weeks, rest of the run's week", TS::stWeekly, "2024-03-04 12:00", "2023-06-01 10:00", "2024-03-04 10:00:05", "2024-03-06 10:00", 2, TWeekDays{1, 3}},
    {"every 2 weeks skips the next week", TS::stWeekly, "2024-03-06 12:00", "2023-06-01 10:00", "2024-03-06 10:00:05", "2024-03-18 10:00", 2, TWeekDays{1, 3}},
    {"every 3 weeks on Friday", TS::stWeekly, "2024-03-08 12:00", "2023-06-01 10:00", "2024-03-08 10:00:05", "2024-03-29 10:00", 3, TWeekDays{5}},
    {"every 2 weeks on Sunday: Sunday ends the week", TS::stWeekly, "2024-03-03 12:00", "2023-06-01 10:00", "2024-03-03 10:00:05", "2024-03-17 10:00", 2, TWeekDays{7}},
    {"weekly missed for years", TS::stWeekly, "2024-03-04 09:00", "2019-06-01 10:00", "2020-01-05 10:00", "2024-03-10 10:00", 1, TWeekDays{7}},
    {"every 2 weeks missed for a year", TS::stWeekly, "2024-03-04 09:00", "2019-06-01 10:00", "2023-01-02 10:00", "2024-03-04 10:00", 2},
    {"weekly interval below 1 counts as 1", TS::stWeekly, "2024-03-04 09:00", "2023-06-01 10:00", "", "2024-03-04 10:00", kMin},
    {"weekly interval past the calendar", TS::stWeekly, "2024-03-04 09:00", "2023-06-01 10:00", "", "", kMax},

    {"monthly 31 in April is the 30th", TS::stMonthly, "2024-04-10 09:00", "2023-06-01 10:00", "", "2024-04-30 10:00", 1, {1}, 31},
    {"monthly 15 in January only, from June", TS::stMonthly, "2024-06-20 09:00", "2023-06-01 10:00", "", "2025-01-15 10:00", 1, {1}, 15, TMonths{1}},
    {"monthly 31 after the leap February run", TS::stMonthly, "2024-02-29 12:00", "2023-06-01 10:00", "", "2024-03-31 10:00", 1, {1}, 31},
    {"monthly 31 from January to a leap February", TS::stMonthly, "2024-01-31 12:00", "2023-06-01 10:00", "2024-01-31 10:00:05", "2024-02-29 10:00", 1, {1}, 31},
    {"monthly 31 from a clamped February", TS::stMonthly, "2024-02-29 12:00", "2023-06-01 10:00", "2024-02-29 10:00:05", "2024-03-31 10:00", 1, {1}, 31},
    {"monthly 31 from March to April 30", TS::stMonthly, "2024-03-31 12:00", "2023-06-01 10:00", "2024-03-31 10:00:05", "2024-04-30 10:00", 1, {1}, 31},
    {"monthly 30 in a common February", TS::stMonthly, "2023-01-10 09:00", "2022-06-01 10:00", "", "2023-02-28 10:00", 1, {1}, 30, TMonths{2}},
    {"monthly 30 in a leap February", TS::stMonthly, "2024-01-10 09:00", "2022-06-01 10:00", "", "2024-02-29 10:00", 1, {1}, 30, TMonths{2}},
    {"monthly December run is due in January", TS::stMonthly, "2024-01-03 09:00", "2023-06-01 10:00", "2023-12-15 10:00:05", "2024-01-15 10:00", 1, {1}, 15},
    {"monthly December 31 run is due January 31", TS::stMonthly, "2024-01-02 09:00", "2023-06-01 10:00", "2023-12-31 10:00:05", "2024-01-31 10:00", 1, {1}, 31},
    {"monthly December only, run last December", TS::stMonthly, "2024-01-03 09:00", "2023-06-01 10:00", "2023-12-15 10:00:05", "2024-12-15 10:00", 1, {1}, 15, TMonths{12}},
    {"monthly exactly at start", TS::stMonthly, "2024-03-04 10:00", "2023-06-01 10:00", "", "2024-03-04 10:00", 1, {1}, 4},
    {"monthly missed for decades", TS::stMonthly, "2024-03-04 09:00", "2000-06-01 10:00", "2001-06-10 10:00", "2024-06-10 10:00", 1, {1}, 10, TMonths{6}},
    {"monthly day below 1 counts as 1", TS::stMonthly, "2024-03-04 09:00", "2023-06-01 10:00", "", "2024-04-01 10:00", 1, {1}, 0},
    {"monthly day above 31 is the month's end", TS::stMonthly, "2024-04-10 09:00", "2023-06-01 10:00", "", "2024-04-30 10:00", 1, {1}, kMax},
    {"monthly empty months", TS::stMonthly, "2024-03-04 09:00", "2023-06-01 10:00", "", "", 1, {1}, 15, TMonths{}},
    {"monthly past year 9999", TS::stMonthly, "9999-06-01 09:00", "2023-06-01 10:00", "", "", 1, {1}, 15, TMonths{1}},

    {"custom never runs", TS::stCustom, "2024-03-04 09:00", "2023-06-01 10:00", "", ""},
    {"unknown kind never runs", static_cast<TS>(9), "2024-03-04 09:00", "2023-06-01 10:00", "", ""},
    {"once with a NaN start", TS::stOnce, "2024-03-04 09:00", "", "", "", 1, {1}, 1, TMonths::All(), kNaN},
    {"once with a start past the calendar", TS::stOnce, "2024-03-04 09:00", "", "", "", 1, {1}, 1, TMonths::All(), 1e18},
    {"daily with a NaN start", TS::stDaily, "2024-03-04 09:00", "", "", "", 1, {1}, 1, TMonths::All(), kNaN},
    {"weekly with an infinite last run", TS::stWeekly, "2024-03-04 09:00", "2023-06-01 10:00", "", "", 1, {1}, 1, TMonths::All(), {}, kInf},
    {"monthly with an absurd last run", TS::stMonthly, "2024-03-04 09:00", "2023-06-01 10:00", "", "", 1, {1}, 1, TMonths::All(), {}, 1e300},
    {"daily with a NaN clock", TS::stDaily, "", "2023-06-01 10:00", "", "", 1, {1}, 1, TMonths::All(), {}, {}, kNaN},
    {"weekly with a clock past the calendar", TS::stWeekly, "", "2023-06-01 10:00", "", "", 1, {1}, 1, TMonths::All(), {}, {}, 1e12},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class NextRunTime : public testing::TestWithParam<Case> {};

TEST_P(NextRunTime, Computes) {
    const Case& c = GetParam();
    TLarkFTPTask task;
    task.SetScheduleTask(c.kind);
    task.SetStartTime(c.rawStart ? *c.rawStart : At(c.start));
    task.SetLastTime(c.rawLast ? *c.rawLast : At(c.last));
    task.SetDayInterval(c.every);
    task.SetEveryWeek(c.every);
    task.SetWeekDays(c.days);
    task.SetEveryDayOfMonth(c.dayOfMonth);
    task.SetMonths(c.months);
    core::FixedClock clock(c.rawNow ? *c.rawNow : At(c.now));

    const DateTime got = GetNextRunTime(task, clock);
    const DateTime want = At(c.expect);
    // Whole seconds: the values are sums of days and times of day.
    EXPECT_NEAR(got, want, 1e-9) << c.name << ": got " << Show(got) << ", want " << Show(want);
}

INSTANTIATE_TEST_SUITE_P(Cases, NextRunTime, testing::ValuesIn(kCases), [](const auto& info) {
    std::string n;
    for (const char* p = info.param.name; *p; ++p) n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return n;
});

// Against a plain search of the calendar, for every day of two years: the first listed
// weekday, or the last day of the first listed month, whose start time lies after now.
TEST(NextRunTime, MatchesCalendarSearchOverTwoYears) {
    const DateTime startTime = core::EncodeTime(23, 30, 0, 0);
    TLarkFTPTask weekly;
    weekly.SetScheduleTask(TS::stWeekly);
    weekly.SetStartTime(At("2023-06-01 23:30"));
    weekly.SetWeekDays(TWeekDays{2, 6});
    TLarkFTPTask monthly;
    monthly.SetScheduleTask(TS::stMonthly);
    monthly.SetStartTime(At("2023-06-01 23:30"));
    monthly.SetEveryDayOfMonth(31);
    monthly.SetMonths(TMonths{2, 11});

    for (DateTime now = At("2023-01-01 07:00"); now < At("2025-01-01 00:00"); now += 1.0) {
        core::FixedClock clock(now);
        weekly.SetLastTime(now - 3.25);
        DateTime wantWeekly = 0;
        for (DateTime d = core::DateOf(now) + startTime; wantWeekly == 0; d += 1.0)
            if (d > now && weekly.WeekDays().Contains(core::DayOfWeekIso(d))) wantWeekly = d;
        ASSERT_NEAR(GetNextRunTime(weekly, clock), wantWeekly, 1e-9) << Show(now);

        monthly.SetLastTime(now - 40);
        DateTime wantMonthly = 0;
        int y, m, d;
        core::DecodeDate(now, y, m, d);
        for (; wantMonthly == 0; m == 12 ? (m = 1, ++y) : ++m) {
            DateTime c = core::EncodeDate(y, m, core::DaysInMonth(y, m)) + startTime;
            if (c > now && monthly.Months().Contains(m)) wantMonthly = c;
        }
        ASSERT_NEAR(GetNextRunTime(monthly, clock), wantMonthly, 1e-9) << Show(now);
    }
}

}  // namespace
}  // namespace lark::scheduler
