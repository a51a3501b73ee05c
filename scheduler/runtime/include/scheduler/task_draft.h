#pragma once
// What the task properties dialog and the new-task wizard edit, apart from the windows: the
// dialogs move values between their controls and these drafts; loading from tasks, the rules of
// what OK and Finish store, the wizard's page logic and the preview of the next start live here.
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/clock.h"
#include "core/datetime.h"
#include "scheduler/file_system.h"
#include "scheduler/settings.h"
#include "scheduler/strings.h"
#include "scheduler/task.h"
#include "scheduler/task_runner.h"

namespace lark::scheduler {

// The schedule controls, the same on the properties dialog's page "Schedule" and on the
// wizard's last page.
struct ScheduleDraft {
    // Once, daily, weekly or monthly; none for a kind the list does not offer (stCustom).
    std::optional<TScheduleTask> kind = TScheduleTask::stOnce;
    DateTime startTime = 0;  // date and time of the first start
    bool deleteCompleted = true;
    int dayInterval = 1;  // 1..365
    int everyWeek = 1;    // 1..365
    TWeekDays weekDays{1};
    int dayOfMonth = 1;  // 1..31
    TMonths months = TMonths::All();

    bool operator==(const ScheduleDraft&) const = default;
};

inline constexpr int kMaxDayInterval = 365;
inline constexpr int kMaxDayOfMonth = 31;

// The start time, kind and DeleteCompleted of the task, and the values of its own kind only
// (the controls of the other kinds keep their defaults).
ScheduleDraft ScheduleDraftOf(const TLarkFTPTask& task);
// The next start the schedule gives a task of that direction that never ran; 0: never.
DateTime PreviewNextRun(const ScheduleDraft& schedule, TTaskType taskType, const core::Clock& clock);
// The preview line: the start formatted with the date-time format `startsFormat`, or
// `neverText` when the result is not after 1.
std::string PreviewText(DateTime next, std::string_view startsFormat, std::string_view neverText);

// ---- the properties dialog ----

struct TaskDraft {
    // One task: its names, editable. Several: every name in double quotes followed by ";", the
    // last task's first; read-only.
    std::string localName, remoteName;
    bool namesEditable = true;
    // The profile a profile task uses; empty for a host task.
    std::string profile;
    TTaskType taskType = TTaskType::ttGet;
    // Pending, Completed or Disabled; none for the others.
    std::optional<TTaskStatus> status;
    std::string comments;
    std::string lastResult;  // shown only
    ScheduleDraft schedule;

    bool operator==(const TaskDraft&) const = default;
};

// What the dialog shows for the tasks (one or more): the names of all, the rest from the first.
TaskDraft LoadTaskDraft(std::span<TLarkFTPTask* const> tasks);
// OK: stores what the dialog shows into every task (one or more), so that a multiple edit
// gives all of them the same values:
//  - the names only for a single task (each task of several keeps its own);
//  - a profile that is not blank makes every task a profile task of that name and empties
//    UserName, UserPassword, ProxyServer and ProxyPort; a blank field leaves these and
//    UseProfile and RemoteURL as they are (a host task from another program keeps its host);
//  - comments, direction, and every schedule control (the kind when the list shows one, the
//    start, DeleteCompleted, DayInterval, EveryWeek, WeekDays, EveryDayOfMonth, Months);
//  - a status only when one of the three is selected (Active, Error, Failed stay otherwise).
void StoreTaskDraft(const TaskDraft& edited, std::span<TLarkFTPTask* const> tasks);

// ---- the new-task wizard ----

enum class WizardKind { DownloadFile, UploadFile, DownloadFolder, UploadFolder };
inline constexpr int kWizardPages = 4;

struct WizardDraft {
    int page = 1;  // 1: kind, 2: profile, 3: names, 4: schedule
    WizardKind kind = WizardKind::DownloadFile;
    std::string profile, localName, remoteName;
    ScheduleDraft schedule;
};

bool IsUpload(WizardKind kind);
bool IsFolder(WizardKind kind);
// The wizard's start: the task's start time, schedule kind and DeleteCompleted; an upload of a
// file when `defaultTaskType` is not 0, else a download of a file.
WizardDraft WizardDraftOf(const TLarkFTPTask& task, int defaultTaskType);
// To the next page (not beyond the last); entering page 2 empties both names.
void WizardNext(WizardDraft& draft);
// To the previous page (not before the first).
void WizardBack(WizardDraft& draft);
// Whether Next (Finish) may be pressed: page 2 needs a profile, page 3 both names and, for an
// upload, an existing source (texts trimmed); the other pages are always complete.
bool WizardPageComplete(const WizardDraft& draft, const FileSystem& files);
// The identifiers of page 3's title and instruction for the kind.
struct TextIds {
    const char* title;
    const char* instruction;
};
TextIds ObjectPageTextIds(WizardKind kind);
// Browse results: a file gives its path and "/" + its name; a folder its path with a trailing
// "\" and "/" + its name + "/" ("/" for a drive root).
void ChooseFile(WizardDraft& draft, const std::string& path);
void ChooseFolder(WizardDraft& draft, const std::string& path);
// Finish: the task becomes a Pending profile task with the draft's names, direction, folder flag
// and schedule.
void FinishWizard(const WizardDraft& draft, TLarkFTPTask& task);

// ---- the New command ----

// What a task added by New starts with before the wizard: the default direction, schedule,
// user, password and DeleteCompleted of the settings, the system FTP proxy, a start an hour
// from `now`.
void FillNewTask(TLarkFTPTask& task, const SchedulerSettings& settings, DateTime now);

// ---- both ----

// The main client's profile chooser through the runner's cached automation object (put in mode
// "0", made anew when that fails): the chosen profile's path, or none when nothing was chosen.
// Raises when the main client cannot be reached or the call fails.
std::optional<std::string> SelectProfileThrough(TaskRunner& runner);

}  // namespace lark::scheduler
