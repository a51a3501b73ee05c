#include "scheduler/strings.h"

#include <array>
#include <utility>

namespace lark::scheduler {

std::string EnglishStrings::Text(std::string_view id) const {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 14> kTexts{{
        {"IDS_2", "Local name is invalid"},
        {"IDS_7", "Transfer started: [Local name: "},
        {"IDS_8", "; Host/Profile: "},
        {"IDS_9", "; Remote name: "},
        {"IDS_12", "\"Logging started\" ddddd \"at\" H:mm:ss"},
        {"IDS_13", "\"Logging ended\" ddddd \"at\" H:mm:ss"},
        {"IDS_29", "Successfully completed"},
        {"IDS_30", "Transfer completed: [Local name: "},
        {"IDS_33", " files of "},
        {"IDS_34", " are not transferred."},
        {"IDS_35", "Transfer failed: [Local name: "},
        {"IDS_MainClientEnded", "The main client ended before the transfer was complete."},
        {"IDS_MainClientUnreachable", "The main client cannot be reached: %s"},
        {"IDS_MainClientReachable", "The main client can be reached again."},
    }};
    for (const auto& [key, text] : kTexts)
        if (key == id) return std::string(text);
    // What start-up and the save found of the task file (format texts).
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 3> kTaskFileTexts{{
        {"strTaskFileSetAside", "The task file %s could not be read (%s). It was kept as %s; the task list starts empty."},
        {"strTaskFileReadOnly",
         "The task file %s could not be read (%s) nor kept aside (%s). It is not saved over in this run."},
        {"strPasswordChanged",
         "The password of task %d holds characters the task file cannot store; it was saved with \"?\" in their place."},
    }};
    for (const auto& [key, text] : kTaskFileTexts)
        if (key == id) return std::string(text);
    // The task list's texts.
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 22> kListTexts{{
        {"IDS_0", "Never"},
        {"IDS_1", "ddddd \"at\" H:mm"},
        {"strsDownload", "Download"},
        {"strsUpload", "Upload"},
        {"strsOnce", "Once"},
        {"strsDaily", "Daily"},
        {"strsWeekly", "Weekly"},
        {"strsMonthly", "Monthly"},
        {"strsPending", "Pending"},
        {"strsCompleted", "Completed"},
        {"strsDisabled", "Disabled"},
        {"strsActive", "Active"},
        {"strsError", "Error"},
        {"strsFailed", "Failed"},
        {"IDS_20", "Local name: "},
        {"IDS_21", "Remote name: "},
        {"IDS_22", "Last start time: "},
        {"IDS_23", "Next start time: "},
        {"IDS_24", "Started: "},
        {"IDS_25", "Total files: "},
        {"IDS_26", "Completed: "},
        {"IDS_27", "Failed: "},
    }};
    for (const auto& [key, text] : kListTexts)
        if (key == id) return std::string(text);
    return {};
}

}  // namespace lark::scheduler
