#include "scheduler/settings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "storage/passphrase_digest.h"
#include "storage/password_cipher.h"

using namespace lark;
using namespace lark::scheduler;

namespace {

const std::string kFolder = "C:\\Program\\";

TEST(Settings, AFreshInstallationUsesTheDefaults) {
    core::IniStore empty;
    const SchedulerSettings s = LoadSettings(empty, kFolder);
    EXPECT_EQ(s.taskFile, "C:\\Program\\TaskList.ltl");
    EXPECT_EQ(s.logFile, "C:\\Program\\Schedule.log");
    EXPECT_EQ(s.autoSaveInterval, 900000);
    EXPECT_TRUE(s.autoSave);
    EXPECT_TRUE(s.makeBackup);
    EXPECT_EQ(s.maxLogSize, 65535u);
    EXPECT_EQ(s.defaultUserName, "anonymous");
    EXPECT_EQ(s.defaultLanguage, 1);
    EXPECT_EQ(s.defaultPassword, kBuiltInDefaultPassword);
}

TEST(Settings, DamagedValuesGiveDefaultsOrAreClamped) {
    core::IniStore store;
    store.LoadFromText(
        "[Options]\r\nDefaultPassword=not base64 at all\r\nDefaultLanguage=9\r\nDefaultTaskType=-3\r\n"
        "DefaultSchedule=4\r\nAutoSaveInterval=0\r\nMaxLogSize=-5\r\n");
    const SchedulerSettings s = LoadSettings(store, kFolder);
    EXPECT_EQ(s.defaultPassword, kBuiltInDefaultPassword);
    EXPECT_EQ(s.defaultLanguage, 3);
    EXPECT_EQ(s.defaultTaskType, 0);
    EXPECT_EQ(s.defaultSchedule, 3);
    EXPECT_EQ(s.autoSaveInterval, 60000);
    EXPECT_EQ(s.maxLogSize, 65535u);
}

TEST(Settings, SavedSettingsReadBackWithTheirPassword) {
    const auto path = std::filesystem::temp_directory_path() / "lark-settings-test.ini";
    std::filesystem::remove(path);
    SchedulerSettings s = DefaultSettings(kFolder);
    s.defaultPassword = "sécret";
    s.defaultLanguage = 2;
    s.useCloseAsMinimize = false;
    s.maxLogSize = 64512;
    auto file = core::SharedIniFile::Open(path.string());
    file->Update([&](core::SharedIniFile& f) { SaveSettings(s, f); });
    core::IniStore store(path.string());
    EXPECT_NE(store.ReadString("Options", "DefaultPassword", ""), "sécret");
    const SchedulerSettings read = LoadSettings(store, kFolder);
    EXPECT_EQ(read.defaultPassword, "sécret");
    EXPECT_EQ(read.defaultLanguage, 2);
    EXPECT_FALSE(read.useCloseAsMinimize);
    EXPECT_EQ(read.maxLogSize, 64512u);
    EXPECT_EQ(read.taskFile, s.taskFile);
    std::filesystem::remove(path);
}

// The default password is enciphered from its Windows-1252 bytes, as task passwords are; a
// file written by earlier versions, which enciphered the UTF-8 bytes, still reads back.
TEST(Settings, TheDefaultPasswordIsStoredAsWindows1252AndReadInEitherForm) {
    const auto key = storage::PassphraseDigest16("K42mQ#rwJ;tXbN");
    const auto path = std::filesystem::temp_directory_path() / "lark-settings-password.ini";
    std::filesystem::remove(path);
    SchedulerSettings s = DefaultSettings(kFolder);
    s.defaultPassword = "s\xC3\xA9" "cr\xE2\x82\xAC";  // é and the euro sign
    core::SharedIniFile::Open(path.string())->Update([&](core::SharedIniFile& f) { SaveSettings(s, f); });
    const std::string stored = core::IniStore(path.string()).ReadString("Options", "DefaultPassword", "");
    EXPECT_EQ(storage::AesTextCipher(stored, key.data(), key.size(), false), "s\xE9" "cr\x80");
    std::filesystem::remove(path);
    for (const std::string plain : {"s\xE9" "cr\x80", "s\xC3\xA9" "cr\xE2\x82\xAC", "plain"}) {
        core::IniStore store;
        store.WriteString("Options", "DefaultPassword", storage::AesTextCipher(plain, key.data(), key.size(), true));
        EXPECT_EQ(LoadSettings(store, kFolder).defaultPassword,
                  plain == "plain" ? "plain" : "s\xC3\xA9" "cr\xE2\x82\xAC");
    }
}

TEST(Settings, SystemFtpProxyForms) {
    struct Case {
        const char* value;
        const char* host;
        const char* port;
    } cases[] = {
        {"ftp=gate:2121;http=web:80", "gate", "2121"},
        {"http=web:80;ftp=gate:2121", "gate", "2121"},
        {"proxy.corp:3128", "proxy.corp", "3128"},
        {"ftpgw.corp:8080", "ftpgw.corp", "8080"},
        {"8080", "old", "8080"},
        {"http=web:80;https=web:443", "", ""},
        {"", "old", "21"},
    };
    for (const Case& c : cases) {
        std::string host = "old", port = "21";
        ParseSystemFtpProxy(c.value, host, port);
        EXPECT_EQ(host, c.host) << c.value;
        EXPECT_EQ(port, c.port) << c.value;
    }
}

}  // namespace
