#include "scheduler/strings.h"

#include <array>
#include <utility>

namespace lark::scheduler {

namespace {

using Entry = std::pair<std::string_view, std::string_view>;

// The runtime's texts (the tick, the runs, the log), what start-up and the save found of the
// task file (format texts), then the task list's.
constexpr std::array kTexts{
    Entry{"IDS_2", "Local name is invalid"},
    Entry{"IDS_7", "Transfer started: [Local name: "},
    Entry{"IDS_8", "; Host/Profile: "},
    Entry{"IDS_9", "; Remote name: "},
    Entry{"IDS_12", "\"Logging started\" ddddd \"at\" H:mm:ss"},
    Entry{"IDS_13", "\"Logging ended\" ddddd \"at\" H:mm:ss"},
    Entry{"IDS_29", "Successfully completed"},
    Entry{"IDS_30", "Transfer completed: [Local name: "},
    Entry{"IDS_33", " files of "},
    Entry{"IDS_34", " are not transferred."},
    Entry{"IDS_35", "Transfer failed: [Local name: "},
    Entry{"IDS_MainClientEnded", "The main client ended before the transfer was complete."},
    Entry{"IDS_MainClientUnreachable", "The main client cannot be reached: %s"},
    Entry{"IDS_MainClientReachable", "The main client can be reached again."},
    Entry{"IDS_MainClientNoAnswer", "The main client does not answer."},
    Entry{"strTaskFileSetAside",
          "The task file %s could not be read (%s). It was kept as %s; the task list starts empty."},
    Entry{"strTaskFileReadOnly",
          "The task file %s could not be read (%s) nor kept aside (%s). It is not saved over in this run."},
    Entry{"strPasswordChanged",
          "The password of task %d holds characters the task file cannot store; it was saved with \"?\" in their "
          "place."},
    Entry{"strTaskFileLocked",
          "The task file %s is held by another program (%s). It was not read and is not saved over in this run unless it can be read: choose Retry to read it again."},
    Entry{"strTaskFileKept",
          "The task file %s could not be read at start-up: the task list is not saved in this run. Use File to work with another task list."},
    Entry{"strSaveFailed",
          "The task list could not be saved to %s (%s)."},
    Entry{"strSaveFailedAtExit",
          "The task list could not be saved to %s (%s).\n\nChoose Retry to save it again, or Cancel to write it beside that file under a new name."},
    Entry{"strSavedBeside",
          "The task list was written to %s; the task file %s was left as it was."},
    Entry{"strNotSavedBeside",
          "The task list could not be written beside %s either (%s). The changes of this run are not saved."},
    Entry{"strSettingsUnreadable",
          "The settings file %s could not be read (%s). The program runs with the default settings and does not write over that file in this run."},
    Entry{"strSettingsKept",
          "The settings are not saved: the settings file %s could not be read at start-up and is not written over in this run."},
    Entry{"strLogSaveFailed",
          "The transfer log could not be written to %s (%s). The log lines of this run are lost."},
    Entry{"strSettingsSaveFailed",
          "The settings could not be saved to %s (%s). The settings, the column layout and the window position of this run are not saved; that file keeps what it held before."},
    Entry{"strFatalError",
          "The scheduler has stopped because of an error: %s"},
    Entry{"IDS_0", "Never"},
    Entry{"IDS_1", "ddddd \"at\" H:mm"},
    Entry{"strsDownload", "Download"},
    Entry{"strsUpload", "Upload"},
    Entry{"strsOnce", "Once"},
    Entry{"strsDaily", "Daily"},
    Entry{"strsWeekly", "Weekly"},
    Entry{"strsMonthly", "Monthly"},
    Entry{"strsPending", "Pending"},
    Entry{"strsCompleted", "Completed"},
    Entry{"strsDisabled", "Disabled"},
    Entry{"strsActive", "Active"},
    Entry{"strsError", "Error"},
    Entry{"strsFailed", "Failed"},
    Entry{"IDS_20", "Local name: "},
    Entry{"IDS_21", "Remote name: "},
    Entry{"IDS_22", "Last start time: "},
    Entry{"IDS_23", "Next start time: "},
    Entry{"IDS_24", "Started: "},
    Entry{"IDS_25", "Total files: "},
    Entry{"IDS_26", "Completed: "},
    Entry{"IDS_27", "Failed: "},
};

}  // namespace

std::string EnglishStrings::Text(std::string_view id) const {
    for (const auto& [key, text] : kTexts)
        if (key == id) return std::string(text);
    return {};
}

std::vector<std::string_view> EnglishStrings::Identifiers() {
    std::vector<std::string_view> ids;
    for (const auto& entry : kTexts) ids.push_back(entry.first);
    return ids;
}

}  // namespace lark::scheduler
