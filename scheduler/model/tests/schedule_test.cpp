#include "scheduler/schedule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

    // Every n days: the days of the rhythm are counted from the day of StartTime.
    {"daily 3, before start on a day of the rhythm", TS::stDaily, "2024-03-04 09:00", "2024-02-24 10:00", "2024-03-01 08:00", "2024-03-04 10:00", 3},
    {"daily 3, after start: the next day of the rhythm", TS::stDaily, "2024-03-04 11:00", "2024-02-24 10:00", "2024-03-01 08:00", "2024-03-07 10:00", 3},
    {"daily 3, never run: the next day of the rhythm", TS::stDaily, "2024-03-04 09:00", "2024-02-26 10:00", "", "2024-03-06 10:00", 3},
    {"daily 1, never run, start time passed", TS::stDaily, "2024-03-04 11:00", "2023-06-01 10:00", "", "2024-03-05 10:00"},
    {"daily 3 after an on-time run is three days later", TS::stDaily, "2024-03-01 12:00", "2024-02-24 10:00", "2024-03-01 10:00:30", "2024-03-04 10:00", 3},
    {"daily 3, a run two days late keeps the rhythm", TS::stDaily, "2024-03-03 10:31", "2024-02-24 10:00", "2024-03-03 10:30", "2024-03-04 10:00", 3},
    {"daily 3, a manual run between the days", TS::stDaily, "2024-03-02 12:05", "2024-02-24 10:00", "2024-03-02 12:00", "2024-03-04 10:00", 3},
    {"daily 3, a manual run before the slot", TS::stDaily, "2024-03-04 08:05", "2024-02-24 10:00", "2024-03-04 08:00", "2024-03-04 10:00", 3},
    {"daily 1 after an on-time run is tomorrow", TS::stDaily, "2024-03-04 10:00:10", "2023-06-01 10:00", "2024-03-04 10:00:05", "2024-03-05 10:00"},
    {"daily into a leap day", TS::stDaily, "2024-02-28 12:00", "2023-06-01 10:00", "2024-02-28 10:00:05", "2024-02-29 10:00"},
    {"daily over a common February", TS::stDaily, "2023-02-28 12:00", "2023-01-01 10:00", "2023-02-28 10:00:05", "2023-03-01 10:00"},
    {"daily 7 missed for years: the next day of the rhythm", TS::stDaily, "2024-03-04 11:00", "2019-06-01 10:00", "2020-01-01 10:00", "2024-03-09 10:00", 7},
    {"daily interval below 1 counts as 1", TS::stDaily, "2024-03-04 10:00:10", "2023-06-01 10:00", "2024-03-04 10:00:05", "2024-03-05 10:00", kMin},
    {"daily interval past the calendar", TS::stDaily, "2024-03-04 09:00", "2023-06-01 10:00", "", "", kMax},

    {"weekly Monday, Monday before start", TS::stWeekly, "2024-03-04 09:00", "2023-06-01 10:00", "", "2024-03-04 10:00"},
    {"weekly Monday, exactly at start", TS::stWeekly, "2024-03-04 10:00", "2023-06-01 10:00", "", "2024-03-04 10:00"},
    {"weekly Monday, a minute late", TS::stWeekly, "2024-03-04 10:01", "2023-06-01 10:00", "", "2024-03-11 10:00"},
    {"weekly after a Monday run", TS::stWeekly, "2024-03-04 12:00", "2023-06-01 10:00", "2024-03-04 10:00:02", "2024-03-11 10:00"},
    {"weekly Thursday onto the leap day", TS::stWeekly, "2024-02-26 09:00", "2023-06-01 10:00", "", "2024-02-29 10:00", 1, TWeekDays{4}},
    {"weekly empty days", TS::stWeekly, "2024-03-04 09:00", "2023-06-01 10:00", "", "", 1, TWeekDays{}},
    // Every n weeks: the weeks of the rhythm are counted from the week of StartTime.
    {"every 2 weeks, never run, in a week of the rhythm", TS::stWeekly, "2024-03-04 09:00", "2024-02-19 10:00", "", "2024-03-04 10:00", 2},
    {"every 2 weeks, never run, in a week between", TS::stWeekly, "2024-03-04 09:00", "2024-02-26 10:00", "", "2024-03-11 10:00", 2},
    {"every 2 weeks, never run, then day steps", TS::stWeekly, "2024-03-04 09:00", "2024-02-26 10:00", "", "2024-03-13 10:00", 2, TWeekDays{3}},
    {"every 2 weeks, rest of the run's week", TS::stWeekly, "2024-03-04 12:00", "2024-02-19 10:00", "2024-03-04 10:00:05", "2024-03-06 10:00", 2, TWeekDays{1, 3}},
    {"every 2 weeks skips the next week", TS::stWeekly, "2024-03-06 12:00", "2024-02-19 10:00", "2024-03-06 10:00:05", "2024-03-18 10:00", 2, TWeekDays{1, 3}},
    {"every 3 weeks on Friday", TS::stWeekly, "2024-03-08 12:00", "2024-02-16 10:00", "2024-03-08 10:00:05", "2024-03-29 10:00", 3, TWeekDays{5}},
    {"every 2 weeks on Sunday: Sunday ends the week", TS::stWeekly, "2024-03-03 12:00", "2024-02-18 10:00", "2024-03-03 10:00:05", "2024-03-17 10:00", 2, TWeekDays{7}},
    {"every 2 weeks, a Sunday run handed over on Monday", TS::stWeekly, "2024-03-04 00:31", "2024-02-18 23:30", "2024-03-04 00:30", "2024-03-17 23:30", 2, TWeekDays{7}},
    {"every 2 weeks, a manual run in a week between", TS::stWeekly, "2024-03-13 12:05", "2024-02-19 10:00", "2024-03-13 12:00", "2024-03-18 10:00", 2},
    {"every 2 weeks, a manual run before the slot", TS::stWeekly, "2024-03-04 08:05", "2024-02-19 10:00", "2024-03-04 08:00", "2024-03-04 10:00", 2},
    {"every 4 weeks over the year end", TS::stWeekly, "2024-12-30 10:00:05", "2024-12-02 10:00", "2024-12-30 10:00:01", "2025-01-27 10:00", 4},
    {"weekly missed for years", TS::stWeekly, "2024-03-04 09:00", "2019-06-01 10:00", "2020-01-05 10:00", "2024-03-10 10:00", 1, TWeekDays{7}},
    {"every 2 weeks missed for a year", TS::stWeekly, "2024-03-04 09:00", "2023-01-02 10:00", "2023-01-02 10:00:01", "2024-03-11 10:00", 2},
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

    // Summer time ends: the clock goes back an hour after a run; the run is not repeated.
    {"daily, clock set back after the run", TS::stDaily, "2024-10-27 02:10", "2024-01-01 02:30", "2024-10-27 02:30:05", "2024-10-28 02:30"},
    {"weekly, clock set back after the run", TS::stWeekly, "2024-10-27 02:10", "2024-01-01 02:30", "2024-10-27 02:30:05", "2024-11-03 02:30", 1, TWeekDays{7}},
    {"monthly, clock set back after the run", TS::stMonthly, "2024-10-27 02:10", "2024-01-01 02:30", "2024-10-27 02:30:05", "2024-11-27 02:30", 1, {1}, 27},

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

namespace lark::scheduler {
namespace {

constexpr double kSecond = 1.0 / 86400;

// Runs a task through the tick's hand-overs from `from` to `until`: each run is handed over
// `late` after the slot it was due at, settles five seconds later and its next start is then
// computed. With `manual`, a manual run comes half a day before every third slot. Answers the
// slots the runs were due at.
std::vector<DateTime> HandOvers(TLarkFTPTask& task, DateTime from, DateTime until, double late, bool manual) {
    std::vector<DateTime> slots;
    core::FixedClock clock(from);
    bool manualDone = false;
    task.SetLastTime(0);
    for (int guard = 0; guard < 1000; ++guard) {
        const DateTime next = GetNextRunTime(task, clock);
        if (next == 0 || next >= until) break;
        if (manual && !manualDone && slots.size() % 3 == 2 && next - 0.5 > clock.Now()) {
            clock.Set(next - 0.5);
            task.SetLastTime(clock.Now());
            clock.Advance(5 * kSecond);
            manualDone = true;
            continue;
        }
        manualDone = false;
        slots.push_back(next);
        clock.Set(next + late);
        task.SetLastTime(clock.Now());
        clock.Advance(5 * kSecond);
    }
    return slots;
}

// What a calendar says: the slots from `from`, less those that pass while a late run is still
// being handed over (a missed slot runs once, late).
std::vector<DateTime> Expected(const std::vector<DateTime>& calendar, DateTime from, DateTime until, double late) {
    std::vector<DateTime> want;
    DateTime open = from;
    for (DateTime slot : calendar)
        if (slot >= open && slot < until) {
            want.push_back(slot);
            open = slot + late + 5 * kSecond;
        }
    return want;
}

// Equal to the millisecond.
bool SameSlots(const std::vector<DateTime>& a, const std::vector<DateTime>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::fabs(a[i] - b[i]) > 1e-3 * kSecond) return false;
    return true;
}

std::string ShowAll(const std::vector<DateTime>& v) {
    std::string s;
    for (DateTime d : v) s += Show(d) + " (" + std::to_string(core::DayOfWeekIso(d)) + ")\n";
    return s;
}

constexpr double kLate[] = {kSecond, 1.0 / 24, 2.0};

struct WeeklyCase {
    const char* start;  // a date in the first week of the rhythm and the start time
    std::int32_t every;
    TWeekDays days;
};

// Late hand-overs across week ends and year ends never shift, repeat or multiply the weeks of
// the rhythm; neither does a manual run.
TEST(NextRunTime, WeeklyRhythmHoldsAgainstLateAndManualRuns) {
    const WeeklyCase cases[] = {
        {"2026-12-20 23:59:59", 2, TWeekDays{7}},
        {"2026-12-19 23:30", 3, TWeekDays{6, 7}},
        {"2026-12-21 23:59:59", 4, TWeekDays{1, 7}},
        {"2026-12-14 10:00", 2, TWeekDays{1, 3, 5}},
        {"2026-12-27 23:59:59", 1, TWeekDays{7}},
        {"2026-12-31 23:59:59", 2, TWeekDays{1, 2, 3, 4, 5, 6, 7}},
        {"2027-01-03 00:00", 5, TWeekDays{4, 7}},
    };
    const DateTime from = At("2026-11-02 12:00"), until = At("2028-03-01 00:00");
    for (const WeeklyCase& c : cases) {
        TLarkFTPTask task;
        task.SetScheduleTask(TS::stWeekly);
        DateTime start = At(c.start);
        if (std::string_view(c.start).ends_with(":59:59")) start += 0.5 * kSecond;  // 1 s late is the next day
        task.SetStartTime(start);
        task.SetEveryWeek(c.every);
        task.SetWeekDays(c.days);

        // The calendar: weeks counted from the Monday of the start's week, every n-th one.
        std::vector<DateTime> calendar;
        const DateTime firstMonday = core::DateOf(start) - (core::DayOfWeekIso(start) - 1);
        const DateTime time = start - core::DateOf(start);
        for (int week = -20; firstMonday + 7.0 * week < until; ++week) {
            if (((week % c.every) + c.every) % c.every != 0) continue;
            for (int d = 0; d < 7; ++d)
                if (c.days.Contains(d + 1)) calendar.push_back(firstMonday + 7.0 * week + d + time);
        }
        for (double late : kLate)
            for (bool manual : {false, true}) {
                const auto got = HandOvers(task, from, until, late, manual);
                const auto want = Expected(calendar, from, until, late);
                EXPECT_TRUE(SameSlots(got, want)) << c.start << " every " << c.every << ", late " << late * 86400 << " s"
                                     << (manual ? ", with manual runs" : "") << "\ngot:\n"
                                     << ShowAll(got) << "want:\n" << ShowAll(want);
            }
    }
}

// Daily and monthly tasks keep their days the same way.
TEST(NextRunTime, DailyAndMonthlyDaysHoldAgainstLateAndManualRuns) {
    const DateTime from = At("2026-11-02 12:00"), until = At("2028-03-01 00:00");
    const DateTime time = 0.5 * kSecond + At("2026-01-01 23:59:59") - At("2026-01-01 00:00");

    for (std::int32_t every : {1, 3, 10}) {
        TLarkFTPTask daily;
        daily.SetScheduleTask(TS::stDaily);
        daily.SetStartTime(At("2026-06-01 00:00") + time);
        daily.SetDayInterval(every);
        std::vector<DateTime> days;
        for (DateTime d = At("2026-06-01 00:00"); d < until; d += every) days.push_back(d + time);
        for (double late : kLate)
            for (bool manual : {false, true})
                EXPECT_TRUE(SameSlots(HandOvers(daily, from, until, late, manual), Expected(days, from, until, late)))
                    << "every " << every << " days, late " << late * 86400 << " s"
                    << (manual ? ", with manual runs" : "");
    }

    struct Monthly {
        std::int32_t day;
        TMonths months;
    } monthlyCases[] = {{31, TMonths::All()}, {15, TMonths{1, 6, 12}}, {29, TMonths{2, 3}}, {1, TMonths::All()}};
    for (const Monthly& c : monthlyCases) {
        TLarkFTPTask monthly;
        monthly.SetScheduleTask(TS::stMonthly);
        monthly.SetStartTime(At("2026-06-01 00:00") + time);
        monthly.SetEveryDayOfMonth(c.day);
        monthly.SetMonths(c.months);
        std::vector<DateTime> calendar;
        for (int y = 2026; y <= 2028; ++y)
            for (int m = 1; m <= 12; ++m)
                if (c.months.Contains(m))
                    calendar.push_back(core::EncodeDate(y, m, std::min(c.day, core::DaysInMonth(y, m))) + time);
        for (double late : kLate)
            for (bool manual : {false, true})
                EXPECT_TRUE(SameSlots(HandOvers(monthly, from, until, late, manual), Expected(calendar, from, until, late)))
                    << "monthly day " << c.day << ", late " << late * 86400 << " s"
                    << (manual ? ", with manual runs" : "");
    }
}

}  // namespace
}  // namespace lark::scheduler
