#include "scheduler/settings.h"

#include <algorithm>

#include "core/errors.h"
#include "core/integer_text.h"
#include "core/text_encoding.h"

#include "storage/passphrase_digest.h"
#include "storage/password_cipher.h"

namespace lark::scheduler {

namespace {

constexpr std::string_view kCommon = "Common";
constexpr std::string_view kOptions = "Options";
// The settings key is derived from this passphrase each time the settings are read or written.
constexpr std::string_view kSettingsPassphrase = "K42mQ#rwJ;tXbN";

std::string Bool(bool on) { return on ? "1" : "0"; }

// The deciphered bytes of DefaultPassword. They are Windows-1252, as in the task file; earlier
// versions enciphered the UTF-8 bytes, so bytes that read as UTF-8 with characters beyond ASCII
// are taken as that (Windows-1252 text that reads so is unlikely: "Ã©" and the like).
std::string StoredPasswordText(const std::string& bytes) {
    const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii && core::IsValidUtf8(bytes)) return bytes;
    return core::Win1252ToUtf8(bytes);
}

}  // namespace

SchedulerSettings DefaultSettings(const std::string& programFolder) {
    SchedulerSettings s;
    s.taskFile = programFolder + "TaskList.ltl";
    s.logFile = programFolder + "Schedule.log";
    s.defaultPassword = std::string(kBuiltInDefaultPassword);
    return s;
}

SchedulerSettings LoadSettings(const core::IniStore& store, const std::string& programFolder) {
    SchedulerSettings s = DefaultSettings(programFolder);
    s.taskFile = store.ReadString(kCommon, "TaskFile", s.taskFile);
    s.useCloseAsMinimize = store.ReadBool(kOptions, "UseCloseAsMinimize", s.useCloseAsMinimize);
    s.saveLog = store.ReadBool(kOptions, "SaveLog", s.saveLog);
    // Up to 4 GB - 1: read wider than an int.
    const auto maxLogSize = core::ParseInteger(store.ReadString(kOptions, "MaxLogSize", ""), {.width = core::IntegerWidth::Bits64});
    if (maxLogSize && *maxLogSize >= 0 && *maxLogSize <= 0xFFFFFFFFll) s.maxLogSize = static_cast<std::uint32_t>(*maxLogSize);
    s.logFile = store.ReadString(kOptions, "LogFile", s.logFile);
    s.runAtStartup = store.ReadBool(kOptions, "RunAtStartup", s.runAtStartup);
    s.autoSaveInterval = store.ReadInteger(kOptions, "AutoSaveInterval", s.autoSaveInterval);
    if (s.autoSaveInterval < 60000) s.autoSaveInterval = 60000;
    s.autoSave = store.ReadBool(kOptions, "AutoSave", s.autoSave);
    s.makeBackup = store.ReadBool(kOptions, "MakeBackup", s.makeBackup);
    s.defaultTaskType = std::clamp(store.ReadInteger(kOptions, "DefaultTaskType", s.defaultTaskType), 0, 1);
    s.defaultSchedule = std::clamp(store.ReadInteger(kOptions, "DefaultSchedule", s.defaultSchedule), 0, 3);
    s.defaultUserName = store.ReadString(kOptions, "DefaultUserName", s.defaultUserName);
    s.defaultDeleteCompleted = store.ReadBool(kOptions, "DefaultDeleteCompleted", s.defaultDeleteCompleted);
    s.defaultLanguage = std::clamp(store.ReadInteger(kOptions, "DefaultLanguage", s.defaultLanguage), 1, 3);
    const std::string stored = store.ReadString(kOptions, "DefaultPassword", "");
    if (!stored.empty()) {
        const auto key = storage::PassphraseDigest16(kSettingsPassphrase);
        try {
            s.defaultPassword = StoredPasswordText(storage::AesTextCipher(stored, key.data(), key.size(), false));
        } catch (const core::Error&) {
            // Not a password text (bad Base64 or frame): the built-in default stays.
        }
    }
    return s;
}

void SaveSettings(const SchedulerSettings& s, core::SharedIniFile& file) {
    const auto key = storage::PassphraseDigest16(kSettingsPassphrase);
    file.WriteString(kCommon, "TaskFile", s.taskFile);
    file.WriteString(kOptions, "UseCloseAsMinimize", Bool(s.useCloseAsMinimize));
    file.WriteString(kOptions, "SaveLog", Bool(s.saveLog));
    file.WriteString(kOptions, "MaxLogSize", std::to_string(s.maxLogSize));
    file.WriteString(kOptions, "LogFile", s.logFile);
    file.WriteString(kOptions, "RunAtStartup", Bool(s.runAtStartup));
    file.WriteString(kOptions, "AutoSaveInterval", std::to_string(s.autoSaveInterval));
    file.WriteString(kOptions, "AutoSave", Bool(s.autoSave));
    file.WriteString(kOptions, "MakeBackup", Bool(s.makeBackup));
    file.WriteString(kOptions, "DefaultTaskType", std::to_string(s.defaultTaskType));
    file.WriteString(kOptions, "DefaultSchedule", std::to_string(s.defaultSchedule));
    file.WriteString(kOptions, "DefaultUserName", s.defaultUserName);
    file.WriteString(kOptions, "DefaultDeleteCompleted", Bool(s.defaultDeleteCompleted));
    file.WriteString(kOptions, "DefaultLanguage", std::to_string(s.defaultLanguage));
    file.WriteString(kOptions, "DefaultPassword", storage::AesTextCipher(core::Utf8ToWin1252(s.defaultPassword), key.data(), key.size(), true));
}

void ParseSystemFtpProxy(std::string_view value, std::string& host, std::string& port) {
    if (value.empty()) return;
    std::string_view entry = value;
    if (value.find('=') != std::string_view::npos) {
        entry = {};
        bool found = false;
        while (!value.empty()) {
            const std::size_t semi = value.find(';');
            std::string_view part = value.substr(0, semi);
            const std::size_t eq = part.find('=');
            if (eq != std::string_view::npos && part.substr(0, eq) == "ftp") {
                entry = part.substr(eq + 1);
                found = true;
                break;
            }
            if (semi == std::string_view::npos) break;
            value.remove_prefix(semi + 1);
        }
        if (!found) {
            host.clear();
            port.clear();
            return;
        }
    }
    const std::size_t colon = entry.find(':');
    if (colon != std::string_view::npos) {
        host = std::string(entry.substr(0, colon));
        port = std::string(entry.substr(colon + 1));
    } else {
        port = std::string(entry);
    }
}

}  // namespace lark::scheduler
