#pragma once
// The scheduler's settings: sections Common and Options of "LF_Scheduler.ini" beside the
// program, the file the window placements and the column layout also live in (one store per
// file, core::SharedIniFile). Read once at start-up; written at shutdown, after the options
// dialog and after a language change another program asked for. Damaged values never stop the
// start: each falls back to its default or is clamped to its range.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/ini_store.h"

namespace lark::scheduler {

struct SchedulerSettings {
    std::string taskFile;
    bool useCloseAsMinimize = true;
    bool saveLog = true;
    std::uint32_t maxLogSize = 65535;  // bytes
    std::string logFile;
    bool runAtStartup = false;
    int autoSaveInterval = 900000;
    bool autoSave = true;
    bool makeBackup = true;
    int defaultTaskType = 0;
    int defaultSchedule = 0;
    std::string defaultUserName = "anonymous";
    bool defaultDeleteCompleted = true;
    int defaultLanguage = 1;
    std::string defaultPassword;  // plain
    // Not stored: the system FTP proxy, read at every load.
    std::string proxyHost, proxyPort;
};

inline constexpr std::string_view kSettingsFileName = "LF_Scheduler.ini";
// The password new tasks get when the settings hold none that deciphers.
inline constexpr std::string_view kBuiltInDefaultPassword = "guest@example.com";

// Every key's default for a program in `programFolder` (with a trailing delimiter).
SchedulerSettings DefaultSettings(const std::string& programFolder);
// Reads the keys over the defaults.
SchedulerSettings LoadSettings(const core::IniStore& store, const std::string& programFolder);
// Writes every key, in the order of the table (inside a pass of `file`).
void SaveSettings(const SchedulerSettings& settings, core::SharedIniFile& file);

// The host and port of the system proxy value for FTP: "host:port", or per protocol
// "ftp=host:port;http=..." (no ftp entry: no proxy). An empty value changes nothing.
void ParseSystemFtpProxy(std::string_view value, std::string& host, std::string& port);

}  // namespace lark::scheduler
