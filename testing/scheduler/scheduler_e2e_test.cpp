// The real scheduler against the double, out of process: due tasks run, completions settle
// them, and the task file and the log say so.
#include <gtest/gtest.h>

#include <cstring>

#include "core/clock.h"
#include "scheduler/task_file.h"
#include "scheduler_harness.h"
#include "storage/passphrase_digest.h"
#include "storage/password_cipher.h"
#include "win/text.h"

using namespace lark;
using namespace lark::scheduler;
using namespace lark::testing;
using namespace std::chrono_literals;

namespace {

struct SchedulerE2E : ::testing::Test {
    SchedulerRun run;
    std::wstring root, local;

    void SetUp() override {
        root = PlaceRun(run, std::wstring(L"lark-e2e-") +
                                 win::Widen(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        local = root + L"local\\";
        CreateDirectoryW(local.c_str(), nullptr);
        WriteTextFile(run.site + L"pub\\a.txt", "alpha");
        for (const wchar_t* n : {L"1.txt", L"2.txt", L"3.txt"}) WriteTextFile(run.site + L"pub\\dir\\" + n, "file");
    }
    void TearDown() override { CloseScheduler(run); }

    TLarkFTPTask& AddDueTask(TLarkFTPTaskStorage& s, const std::string& localName, const std::string& remoteName,
                             bool folder) {
        TLarkFTPTask& t = s.TaskList().Add();
        t.SetRemoteURL("ftp.example.org");
        t.SetUserName("anna");
        t.SetUserPassword("s3cr\xC3\xA9t");
        t.SetLocalName(localName);
        t.SetRemoteName(remoteName);
        t.SetIsFolder(folder);
        t.SetDeleteCompleted(false);
        t.SetStartTime(core::SystemClock().Now() - 1.0 / 1440);
        return t;
    }

    void RunUntil(TLarkFTPTaskStorage& tasks, const std::function<bool()>& done, TLarkFTPTaskStorage& after) {
        PrepareRun(run);
        SaveToFile(tasks, win::Narrow(run.folder + L"TaskList.ltl"));
        StartScheduler(run);
        EXPECT_TRUE(PumpUntil(done, 30s));
        Sleep(1500);  // the double posts its completions after the call has returned
        EXPECT_EQ(CloseScheduler(run), 0u);
        LoadFromFile(after, win::Narrow(run.folder + L"TaskList.ltl"));
    }

    std::string Log() const { return ReadTextFile(run.folder + L"Schedule.log"); }
};

TEST_F(SchedulerE2E, ADueFileDownloadCompletes) {
    TLarkFTPTaskStorage tasks;
    std::string target = win::Narrow(local + L"a.txt");
    AddDueTask(tasks, target, "/pub/a.txt", false);
    TLarkFTPTaskStorage after;
    RunUntil(tasks, [&] { return FileExistsW(local + L"a.txt"); }, after);

    EXPECT_EQ(ReadTextFile(local + L"a.txt"), "alpha");
    std::string calls = ReadTextFile(run.callLog);
    EXPECT_NE(calls.find("SetAutomationMode\t-1\nStartGetFile\tftp.example.org\tanna\ts3cr\xC3\xA9t\t\t\t" + target +
                         "\t/pub/a.txt"),
              std::string::npos)
        << calls;
    ASSERT_EQ(after.TaskList().Count(), 1);
    const TLarkFTPTask& t = after.TaskList().Items(0);
    EXPECT_EQ(t.Status(), TTaskStatus::tsCompleted);
    EXPECT_EQ(t.LastResult().rfind("Successfully completed\r\n", 0), 0u) << t.LastResult();
    EXPECT_EQ(t.UserPassword(), "s3cr\xC3\xA9t");
    std::string log = Log();
    EXPECT_EQ(log.rfind("Logging started ", 0), 0u) << log;
    EXPECT_NE(log.find(" : Transfer started: [Local name: " + target + "; Host/Profile: ftp.example.org; Remote name: /pub/a.txt]\r\n"),
              std::string::npos) << log;
    EXPECT_NE(log.find(" : Transfer completed: [Local name: " + target), std::string::npos) << log;
    EXPECT_NE(log.find("\r\nLogging ended "), std::string::npos) << log;

    // Another reader of the file, outside the scheduler's code: the stored password deciphers
    // with the task key.
    std::string file = ReadTextFile(run.folder + L"TaskList.ltl");
    std::size_t at = file.find("\x0CUserPassword");
    ASSERT_NE(at, std::string::npos);
    at += 13;
    ASSERT_EQ(file[at], 0x06);
    std::string text = file.substr(at + 2, static_cast<unsigned char>(file[at + 1]));
    auto key = storage::PassphraseDigest16("hD42mQ#rwJ;tXbN");
    EXPECT_EQ(storage::AesTextCipher(text, key.data(), key.size(), false), "s3cr\xE9t");
}

TEST_F(SchedulerE2E, AFolderWithAFailedFileFails) {
    run.scenario = root + L"scenario.ini";
    WriteTextFile(run.scenario, "[StartGetFolder]\r\nFailFiles=2.txt\r\n");
    TLarkFTPTaskStorage tasks;
    std::string target = win::Narrow(local + L"dir");
    AddDueTask(tasks, target, "/pub/dir/", true);
    TLarkFTPTaskStorage after;
    RunUntil(tasks, [&] { return FileExistsW(local + L"dir\\3.txt"); }, after);

    std::string calls = ReadTextFile(run.callLog);
    EXPECT_NE(calls.find("StartGetFolder\tftp.example.org\tanna\ts3cr\xC3\xA9t\t\t\t" + target + "\t/pub/dir\n"),
              std::string::npos) << calls;
    ASSERT_EQ(after.TaskList().Count(), 1);
    const TLarkFTPTask& t = after.TaskList().Items(0);
    EXPECT_EQ(t.Status(), TTaskStatus::tsFailed);
    EXPECT_EQ(t.LastResult().rfind("1 files of 3 are not transferred.\r\n", 0), 0u) << t.LastResult();
    std::string log = Log();
    EXPECT_NE(log.find(" : Transfer failed: [Local name: " + target), std::string::npos) << log;
    EXPECT_NE(log.find(" : 1 files of 3 are not transferred.\r\n"), std::string::npos) << log;
}

}  // namespace
