#pragma once
// What the options dialog edits, apart from the dialog: the dialog moves values between its
// controls and a draft; checking and applying the draft to the settings happen here.
#include <optional>
#include <string>
#include <vector>

#include "scheduler/settings.h"

namespace lark::scheduler {

inline constexpr int kMaxRecentNames = 7;
// The largest log size the field takes, in KB: its byte count must fit 32 bits.
inline constexpr long long kMaxLogSizeKb = 4194303;

struct OptionsDraft {
    std::string logFile;
    std::string maxLogSizeKb;  // as typed; empty keeps the size
    std::string taskFile;      // empty keeps the name
    bool useCloseAsMinimize = true, saveLog = true, runAtStartup = false, autoSave = true, makeBackup = true;
    int autoSaveMinutes = 15;
    int defaultSchedule = 0, defaultTaskType = 0;
    std::string defaultUserName, defaultPassword;
    bool defaultDeleteCompleted = true;
    int languageIndex = 0;
};

// PasswordNotStorable: the default password holds characters the settings and task files cannot
// store (CanStorePassword).
enum class OptionsProblem { LogSizeNotANumber, LogSizeTooLarge, PasswordNotStorable };

OptionsDraft DraftOf(const SchedulerSettings& settings);
// The first problem of the draft, or none.
std::optional<OptionsProblem> CheckDraft(const OptionsDraft& draft);
// Applies a checked draft (CheckDraft gave none).
void ApplyDraft(const OptionsDraft& draft, SchedulerSettings& settings);
// A name chosen or typed goes to the top of its recent list unless it is there already
// (compared without case); empty names are skipped; at most kMaxRecentNames remain.
void AddRecentName(std::vector<std::string>& list, const std::string& name);
// A recent list as stored: empty names and repeats (without case) left out, at most
// kMaxRecentNames, in their order.
std::vector<std::string> RecentNames(const std::vector<std::string>& stored);

}  // namespace lark::scheduler
