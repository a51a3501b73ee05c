#include "scheduler/options_draft.h"

#include <algorithm>

#include "core/text_encoding.h"
#include "scheduler/task.h"

namespace lark::scheduler {

OptionsDraft DraftOf(const SchedulerSettings& s) {
    OptionsDraft d;
    d.logFile = s.logFile;
    d.maxLogSizeKb = std::to_string(s.maxLogSize / 1024);
    d.taskFile = s.taskFile;
    d.useCloseAsMinimize = s.useCloseAsMinimize;
    d.saveLog = s.saveLog;
    d.runAtStartup = s.runAtStartup;
    d.autoSave = s.autoSave;
    d.makeBackup = s.makeBackup;
    d.autoSaveMinutes = s.autoSaveInterval / 60000;
    d.defaultSchedule = s.defaultSchedule;
    d.defaultTaskType = s.defaultTaskType;
    d.defaultUserName = s.defaultUserName;
    d.defaultPassword = s.defaultPassword;
    d.defaultDeleteCompleted = s.defaultDeleteCompleted;
    d.languageIndex = s.defaultLanguage - 1;
    return d;
}

namespace {

// The KB value of a non-empty field of digits, or nothing when it has another character or is
// too large to hold.
std::optional<long long> Kilobytes(const std::string& text) {
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > kMaxLogSizeKb) return kMaxLogSizeKb + 1;
    }
    return value;
}

}  // namespace

std::optional<OptionsProblem> CheckDraft(const OptionsDraft& d) {
    if (!d.maxLogSizeKb.empty()) {
        const auto kb = Kilobytes(d.maxLogSizeKb);
        if (!kb) return OptionsProblem::LogSizeNotANumber;
        if (*kb > kMaxLogSizeKb) return OptionsProblem::LogSizeTooLarge;
    }
    if (!CanStorePassword(d.defaultPassword)) return OptionsProblem::PasswordNotStorable;
    return std::nullopt;
}

void ApplyDraft(const OptionsDraft& d, SchedulerSettings& s) {
    s.logFile = d.logFile;
    if (!d.maxLogSizeKb.empty()) s.maxLogSize = static_cast<std::uint32_t>(*Kilobytes(d.maxLogSizeKb) * 1024);
    if (!d.taskFile.empty()) s.taskFile = d.taskFile;
    s.useCloseAsMinimize = d.useCloseAsMinimize;
    s.saveLog = d.saveLog;
    s.runAtStartup = d.runAtStartup;
    s.autoSave = d.autoSave;
    s.makeBackup = d.makeBackup;
    s.autoSaveInterval = std::clamp(d.autoSaveMinutes, 1, 1000) * 60000;
    s.defaultSchedule = std::clamp(d.defaultSchedule, 0, 3);
    s.defaultTaskType = std::clamp(d.defaultTaskType, 0, 1);
    s.defaultUserName = d.defaultUserName;
    s.defaultPassword = d.defaultPassword;
    s.defaultDeleteCompleted = d.defaultDeleteCompleted;
    s.defaultLanguage = std::clamp(d.languageIndex + 1, 1, 3);
}

void AddRecentName(std::vector<std::string>& list, const std::string& name) {
    if (name.empty()) return;
    std::erase_if(list, [](const std::string& item) { return item.empty(); });
    const bool known = std::any_of(list.begin(), list.end(), [&](const std::string& item) { return core::SameTextUtf8(item, name); });
    if (!known) list.insert(list.begin(), name);
    if (list.size() > static_cast<std::size_t>(kMaxRecentNames)) list.resize(kMaxRecentNames);
}

std::vector<std::string> RecentNames(const std::vector<std::string>& stored) {
    std::vector<std::string> names;
    for (const std::string& name : stored) {
        if (names.size() == static_cast<std::size_t>(kMaxRecentNames)) break;
        if (!name.empty() &&
            std::none_of(names.begin(), names.end(), [&](const std::string& n) { return core::SameTextUtf8(n, name); }))
            names.push_back(name);
    }
    return names;
}

}  // namespace lark::scheduler
