#include "scheduler/task_draft.h"

#include <algorithm>

#include "core/compiler.h"
#include "scheduler/schedule.h"

namespace lark::scheduler {

namespace {

// Spaces and control characters at both ends removed, as the fields are judged.
std::string_view Trimmed(std::string_view text) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

bool IsDelimiter(char c) { return c == '\\' || c == '/'; }

// The last part of a path, after any trailing delimiters.
std::string_view LastName(std::string_view path) {
    while (!path.empty() && IsDelimiter(path.back())) path.remove_suffix(1);
    const std::size_t slash = path.find_last_of("\\/");
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    // A drive ("C:") is no folder name.
    if (name.size() == 2 && name[1] == ':') return {};
    return name;
}

void ApplySchedule(const ScheduleDraft& s, TLarkFTPTask& task) {
    if (s.kind) task.SetScheduleTask(*s.kind);
    task.SetStartTime(s.startTime);
    task.SetDeleteCompleted(s.deleteCompleted);
    task.SetDayInterval(s.dayInterval);
    task.SetEveryWeek(s.everyWeek);
    task.SetWeekDays(s.weekDays);
    task.SetEveryDayOfMonth(s.dayOfMonth);
    task.SetMonths(s.months);
}

void MakeProfileTask(TLarkFTPTask& task, const std::string& profile) {
    task.SetUseProfile(true);
    task.SetRemoteURL(profile);
    task.SetUserName({});
    task.SetUserPassword({});
    task.SetProxyServer({});
    task.SetProxyPort({});
}

}  // namespace

ScheduleDraft ScheduleDraftOf(const TLarkFTPTask& task) {
    ScheduleDraft s;
    const TScheduleTask kind = task.ScheduleTask();
    s.kind = kind <= TScheduleTask::stMonthly ? std::optional(kind) : std::nullopt;
    s.startTime = task.StartTime();
    s.deleteCompleted = task.DeleteCompleted();
    // Values outside what the controls offer are brought into their range.
    switch (kind) {
        case TScheduleTask::stDaily: s.dayInterval = std::clamp(task.DayInterval(), 1, kMaxDayInterval); break;
        case TScheduleTask::stWeekly:
            s.everyWeek = std::clamp(task.EveryWeek(), 1, kMaxDayInterval);
            s.weekDays = task.WeekDays();
            break;
        case TScheduleTask::stMonthly:
            s.dayOfMonth = std::clamp(task.EveryDayOfMonth(), 1, kMaxDayOfMonth);
            s.months = task.Months();
            break;
        default: break;
    }
    return s;
}

DateTime PreviewNextRun(const ScheduleDraft& schedule, TTaskType taskType, const core::Clock& clock) {
    TLarkFTPTask scratch;
    scratch.SetTaskType(taskType);
    ApplySchedule(schedule, scratch);
    if (!schedule.kind) scratch.SetScheduleTask(TScheduleTask::stCustom);
    scratch.SetLastTime(0);
    return GetNextRunTime(scratch, clock);
}

std::string PreviewText(DateTime next, std::string_view startsFormat, std::string_view neverText) {
    if (next > 1) return core::FormatDateTime(startsFormat, next);
    return std::string(neverText);
}

// ---- the properties dialog ----

TaskDraft LoadTaskDraft(std::span<TLarkFTPTask* const> tasks) {
    TaskDraft d;
    if (tasks.empty()) return d;
    const TLarkFTPTask& first = *tasks.front();
    if (tasks.size() == 1) {
        d.localName = first.LocalName();
        d.remoteName = first.RemoteName();
    } else {
        // Each name goes in front of the ones before it: the last task's name comes first.
        for (const TLarkFTPTask* task : tasks) {
            d.localName = "\"" + task->LocalName() + "\";" + d.localName;
            d.remoteName = "\"" + task->RemoteName() + "\";" + d.remoteName;
        }
        d.namesEditable = false;
    }
    if (first.UseProfile()) d.profile = first.RemoteURL();
    d.taskType = first.TaskType();
    if (first.Status() <= TTaskStatus::tsDisabled) d.status = first.Status();
    d.comments = first.Comments();
    d.lastResult = first.LastResult();
    d.schedule = ScheduleDraftOf(first);
    return d;
}

void StoreTaskDraft(const TaskDraft& edited, std::span<TLarkFTPTask* const> tasks) {
    const std::string profile(Trimmed(edited.profile));
    for (TLarkFTPTask* task : tasks) {
        if (tasks.size() == 1 && edited.namesEditable) {
            task->SetLocalName(edited.localName);
            task->SetRemoteName(edited.remoteName);
        }
        // A blank field would leave a task with no site at all: a host task keeps its host.
        if (!profile.empty()) MakeProfileTask(*task, profile);
        task->SetComments(edited.comments);
        task->SetTaskType(edited.taskType);
        if (edited.status) task->SetStatus(*edited.status);
        ApplySchedule(edited.schedule, *task);
    }
}

// ---- the new-task wizard ----

bool IsUpload(WizardKind kind) { return kind == WizardKind::UploadFile || kind == WizardKind::UploadFolder; }
bool IsFolder(WizardKind kind) { return kind == WizardKind::DownloadFolder || kind == WizardKind::UploadFolder; }

WizardDraft WizardDraftOf(const TLarkFTPTask& task, int defaultTaskType) {
    WizardDraft d;
    d.kind = defaultTaskType != 0 ? WizardKind::UploadFile : WizardKind::DownloadFile;
    d.schedule.startTime = task.StartTime();
    const TScheduleTask kind = task.ScheduleTask();
    d.schedule.kind = kind <= TScheduleTask::stMonthly ? kind : TScheduleTask::stOnce;
    d.schedule.deleteCompleted = task.DeleteCompleted();
    return d;
}

void WizardNext(WizardDraft& d) {
    if (d.page >= kWizardPages) return;
    ++d.page;
    if (d.page == 2) {
        d.localName.clear();
        d.remoteName.clear();
    }
}

void WizardBack(WizardDraft& d) {
    if (d.page > 1) --d.page;
}

bool WizardPageComplete(const WizardDraft& d, const FileSystem& files) {
    switch (d.page) {
        case 2: return !Trimmed(d.profile).empty();
        case 3: {
            const std::string_view local = Trimmed(d.localName);
            if (local.empty() || Trimmed(d.remoteName).empty()) return false;
            if (!IsUpload(d.kind)) return true;
            if (!IsFolder(d.kind)) return files.FileExists(local);
            std::string_view folder = local;
            // "C:\" stays a root; any other trailing delimiter goes.
            if (folder.size() > 1 && folder.back() == '\\' && !(folder.size() == 3 && folder[1] == ':'))
                folder.remove_suffix(1);
            return files.DirectoryExists(folder);
        }
        default: return true;
    }
}

TextIds ObjectPageTextIds(WizardKind kind) {
    switch (kind) {
        case WizardKind::DownloadFile: return {"IDS_3", "IDS_4"};
        case WizardKind::DownloadFolder: return {"IDS_5", "IDS_6"};
        case WizardKind::UploadFile: return {"IDS_7", "IDS_8"};
        case WizardKind::UploadFolder: return {"IDS_9", "IDS_10"};
    }
    return {"IDS_3", "IDS_4"};
}

void ChooseFile(WizardDraft& d, const std::string& path) {
    d.localName = path;
    // GCC 12 reports an overlapping copy of 2^63 bytes in "literal" + std::string&& (GCC bug 105329).
    LARK_GCC_FALSE_POSITIVE("-Wrestrict")
    d.remoteName = "/" + std::string(LastName(path));
    LARK_GCC_FALSE_POSITIVE_END
}

void ChooseFolder(WizardDraft& d, const std::string& path) {
    d.localName = path;
    if (d.localName.empty() || !IsDelimiter(d.localName.back())) d.localName += '\\';
    const std::string_view name = LastName(path);
    // A drive root has no name of its own: its remote counterpart is the remote root.
    // GCC 12 reports an overlapping copy of 2^63 bytes in "literal" + std::string&& (GCC bug 105329).
    LARK_GCC_FALSE_POSITIVE("-Wrestrict")
    d.remoteName = name.empty() ? "/" : "/" + std::string(name) + "/";
    LARK_GCC_FALSE_POSITIVE_END
}

void FinishWizard(const WizardDraft& d, TLarkFTPTask& task) {
    task.SetLocalName(d.localName);
    task.SetRemoteName(d.remoteName);
    MakeProfileTask(task, std::string(Trimmed(d.profile)));
    task.SetTaskType(IsUpload(d.kind) ? TTaskType::ttPut : TTaskType::ttGet);
    task.SetIsFolder(IsFolder(d.kind));
    ApplySchedule(d.schedule, task);
    task.SetStatus(TTaskStatus::tsPending);
}

// ---- the New command ----

void FillNewTask(TLarkFTPTask& task, const SchedulerSettings& settings, DateTime now) {
    task.SetTaskType(settings.defaultTaskType != 0 ? TTaskType::ttPut : TTaskType::ttGet);
    task.SetStartTime(now + 1.0 / 24);
    task.SetUserName(settings.defaultUserName);
    task.SetUserPassword(settings.defaultPassword);
    task.SetDeleteCompleted(settings.defaultDeleteCompleted);
    task.SetScheduleTask(static_cast<TScheduleTask>(std::clamp(settings.defaultSchedule, 0, 3)));
    task.SetProxyServer(settings.proxyHost);
    task.SetProxyPort(settings.proxyPort);
}

// ---- both ----

std::optional<std::string> SelectProfileThrough(TaskRunner& runner) {
    const std::shared_ptr<mainclient::MainClient> client = runner.PrepareAutomation("0");
    mainclient::ProfileChoice choice = client->SelectProfile();
    if (choice.result != 0) return std::nullopt;
    return std::move(choice.name);
}

}  // namespace lark::scheduler
