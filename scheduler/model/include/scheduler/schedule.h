#pragma once
// When a task starts next, and whether an upload has its source.
#include <string_view>

#include "core/clock.h"
#include "core/datetime.h"
#include "scheduler/file_system.h"
#include "scheduler/task.h"

namespace lark::scheduler {

// The next start of the task in local time; 0 means never. A once-task answers its StartTime
// whether past or not. Repeating tasks run at the time of day of StartTime on the days a
// calendar gives them, and the last run (LastTime) uses up every slot up to its own moment; the
// answer is the first slot after that and not before now:
//  - daily: every DayInterval-th day, counted from the day of StartTime;
//  - weekly: the days of WeekDays of every EveryWeek-th week, counted from the week of
//    StartTime (weeks begin on Monday);
//  - monthly: day EveryDayOfMonth, or the month's last day when it is shorter, of the months in
//    Months.
// A late or manual run therefore never shifts, repeats or multiplies later runs; a slot missed
// while the computer was off runs once, late.
// Empty day or month sets, stCustom, unknown kinds and dates outside the calendar give 0.
// Intervals and days below 1 count as 1.
DateTime GetNextRunTime(const TLarkFTPTask& task, const core::Clock& clock);

// A download always passes. An upload passes when LocalName is an existing file, or else an
// existing directory (a trailing path delimiter is allowed). On failure the task's Status
// becomes tsError and LastResult the given text (the translated "Local name is invalid").
bool CheckLocalName(TLarkFTPTask& task, const FileSystem& fileSystem, std::string_view invalidText);

}  // namespace lark::scheduler
