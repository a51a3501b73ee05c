#include "scheduler/schedule.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

namespace lark::scheduler {
namespace {

using core::DateTime;

// A date-time the calendar can represent, from 1 January 0001 to the end of 31 December 9999.
bool Representable(double v) { return std::isfinite(v) && core::IsValidDateTime(v); }

// Repeating schedules count from a present-day clock; before 31 December 1899 date-times stop
// being linear in time, and such a clock is not meaningful.
bool UsableClock(double v) { return Representable(v) && v >= 1.0; }

// Whether a slot is still to come: not before now, and after the last run, which used up every
// slot up to its own moment.
bool Open(const TLarkFTPTask& task, DateTime now, double r) {
    return now <= r && (task.LastTime() < 1.0 || task.LastTime() < r);
}

// The day from which slots are looked for: today, or the last run's day when the clock shows an
// earlier one.
double FirstDay(const TLarkFTPTask& task, DateTime now) {
    return core::DateOf(task.LastTime() >= 1.0 && task.LastTime() > now ? task.LastTime() : now);
}

// The days of the rhythm are fixed by the calendar: every DayInterval-th day counted from the
// day of StartTime, so a late or manual run never moves them.
DateTime Daily(const TLarkFTPTask& task, DateTime now, double timeOfDay) {
    const double every = static_cast<double>(std::max<std::int32_t>(task.DayInterval(), 1));
    const double startDay = core::DateOf(task.StartTime());
    double day = startDay + every * std::ceil((FirstDay(task, now) - startDay) / every);
    // That day's slot, or when it has passed or was used, the next one.
    for (int step = 0; step < 3; ++step, day += every) {
        const double r = day + timeOfDay;
        if (!Representable(r)) return 0.0;
        if (Open(task, now, r)) return r;
    }
    return 0.0;
}

// The weeks of the rhythm are fixed by the calendar: every EveryWeek-th week counted from the
// week of StartTime (weeks begin on Monday). A run's hand-over moment never moves them, so a
// late or manual run cannot shift, repeat or multiply later runs; it only uses up the slots up
// to its own moment. The first slot not before now (and after the last run) is the answer.
DateTime Weekly(const TLarkFTPTask& task, DateTime now, double timeOfDay) {
    const TWeekDays days = task.WeekDays();
    if (days.Empty()) return 0.0;
    const std::int64_t every = std::max<std::int32_t>(task.EveryWeek(), 1);
    const double start = task.StartTime();
    const double firstMonday = core::DateOf(start) - static_cast<double>(core::DayOfWeekIso(start) - 1);
    double day = FirstDay(task, now);
    // At most one jump to a week of the rhythm and seven days in it, twice over for rounding.
    for (int step = 0; step < 32; ++step) {
        const double week = std::floor((day - firstMonday) / 7.0);
        const double phase = week - static_cast<double>(every) * std::floor(week / static_cast<double>(every));
        if (phase != 0.0) {
            day = firstMonday + 7.0 * (week + static_cast<double>(every) - phase);
            if (!Representable(day)) return 0.0;
            continue;
        }
        const double r = day + timeOfDay;
        if (!Representable(r)) return 0.0;
        if (days.Contains(core::DayOfWeekIso(r)) && Open(task, now, r)) return r;
        day += 1.0;
    }
    return 0.0;
}

DateTime Monthly(const TLarkFTPTask& task, DateTime now, DateTime base, double timeOfDay) {
    const TMonths months = task.Months();
    if (months.Empty()) return 0.0;
    const int day = std::clamp<std::int32_t>(task.EveryDayOfMonth(), 1, 31);

    int year = 0, month = 0, unusedDay = 0;
    core::DecodeDate(base, year, month, unusedDay);
    auto candidate = [&] {
        return core::EncodeDate(year, month, std::min(day, core::DaysInMonth(year, month))) + timeOfDay;
    };
    auto nextMonth = [&] {
        if (++month > 12) {
            month = 1;
            ++year;
        }
    };

    double r = candidate();
    if (months.Contains(month) && Open(task, now, r)) return r;

    // Every candidate of a month before now's lies before now: start from the month before it.
    int nowYear = 0, nowMonth = 0;
    core::DecodeDate(now, nowYear, nowMonth, unusedDay);
    if (year * 12 + month < nowYear * 12 + nowMonth - 1) {
        year = nowYear;
        month = nowMonth;
        if (--month < 1) {
            month = 12;
            --year;
        }
    }
    // Twelve months after now's month hold every month number, all of them later than now.
    for (int step = 0; step < 13; ++step) {
        nextMonth();
        if (year > 9999) return 0.0;
        r = candidate();
        if (months.Contains(month) && now < r) return r;
    }
    return 0.0;
}

}  // namespace

DateTime GetNextRunTime(const TLarkFTPTask& task, const core::Clock& clock) {
    const DateTime start = task.StartTime();
    if (!Representable(start)) return 0.0;
    const TScheduleTask kind = task.ScheduleTask();
    if (kind == TScheduleTask::stOnce) return start;
    if (kind != TScheduleTask::stDaily && kind != TScheduleTask::stWeekly && kind != TScheduleTask::stMonthly)
        return 0.0;

    const DateTime now = clock.Now();
    const DateTime last = task.LastTime();
    if (!UsableClock(now) || !Representable(last)) return 0.0;

    const double timeOfDay = core::TimeOf(start);

    switch (kind) {
        case TScheduleTask::stDaily: return Daily(task, now, timeOfDay);
        case TScheduleTask::stWeekly: return Weekly(task, now, timeOfDay);
        default: return Monthly(task, now, last >= 1.0 ? last : core::DateOf(now), timeOfDay);
    }
}

bool CheckLocalName(TLarkFTPTask& task, const FileSystem& fileSystem, std::string_view invalidText) {
    if (task.TaskType() != TTaskType::ttPut) return true;
    std::string_view name = task.LocalName();
    if (fileSystem.FileExists(name)) return true;
    if (!name.empty() && (name.back() == '\\' || name.back() == '/')) name.remove_suffix(1);
    if (!name.empty() && fileSystem.DirectoryExists(name)) return true;
    task.SetStatus(TTaskStatus::tsError);
    task.SetLastResult(std::string(invalidText));
    return false;
}

}  // namespace lark::scheduler
