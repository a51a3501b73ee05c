// The real scheduler against the double, out of process: due tasks run, completions settle
// them, and the task file and the log say so, line by line.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

#include "core/clock.h"
#include "core/datetime.h"
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

    // Runs the scheduler over the tasks until the double has posted the completions it owes
    // (they then precede the close in the scheduler's queue), closes it and reads the task file.
    void Run(TLarkFTPTaskStorage& tasks, int completions, TLarkFTPTaskStorage& after,
             const std::function<void()>& beforeStart = {}) {
        PrepareRun(run);
        SaveToFile(tasks, win::Narrow(run.folder + L"TaskList.ltl"));
        if (beforeStart) beforeStart();
        StartScheduler(run);
        EXPECT_TRUE(PumpUntil([&] { return PostedCompletions(run) >= completions; }, 30s));
        EXPECT_EQ(PostedCompletions(run), completions);
        EXPECT_EQ(CloseScheduler(run), 0u);
        LoadFromFile(after, win::Narrow(run.folder + L"TaskList.ltl"));
    }

    std::string Log() const { return ReadTextFile(run.folder + L"Schedule.log"); }
    std::vector<std::string> Calls() const { return SplitLines(ReadTextFile(run.callLog), "\n"); }
};

TEST_F(SchedulerE2E, ADueFileDownloadCompletes) {
    TLarkFTPTaskStorage tasks;
    std::string target = win::Narrow(local + L"a.txt");
    AddDueTask(tasks, target, "/pub/a.txt", false);
    TLarkFTPTaskStorage after;
    Run(tasks, 1, after);

    EXPECT_EQ(ReadTextFile(local + L"a.txt"), "alpha");
    EXPECT_EQ(Calls(), (std::vector<std::string>{
                           "SetAutomationMode\t-1",
                           "StartGetFile\tftp.example.org\tanna\ts3cr\xC3\xA9t\t\t\t" + target + "\t/pub/a.txt",
                       }));
    ASSERT_EQ(after.TaskList().Count(), 1);
    const TLarkFTPTask& t = after.TaskList().Items(0);
    EXPECT_EQ(t.Status(), TTaskStatus::tsCompleted);
    EXPECT_TRUE(StampedDuring(run, t.LastResult(), [](core::DateTime at) {
        return "Successfully completed\r\n" + core::DateTimeToStr(at);
    })) << t.LastResult();
    EXPECT_EQ(t.UserPassword(), "s3cr\xC3\xA9t");
    const std::string names = "[Local name: " + target + "; Host/Profile: ftp.example.org; Remote name: /pub/a.txt]";
    EXPECT_EQ(MismatchedLines(run, Log(), {LoggingLine("Logging started"), LogEntry("Transfer started: " + names),
                        LogEntry("Transfer completed: " + names), LoggingLine("Logging ended")}),
              "");

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
    Run(tasks, 3, after);

    EXPECT_TRUE(FileExistsW(local + L"dir\\3.txt"));
    EXPECT_EQ(Calls(), (std::vector<std::string>{
                           "SetAutomationMode\t-1",
                           "StartGetFolder\tftp.example.org\tanna\ts3cr\xC3\xA9t\t\t\t" + target + "\t/pub/dir",
                       }));
    ASSERT_EQ(after.TaskList().Count(), 1);
    const TLarkFTPTask& t = after.TaskList().Items(0);
    EXPECT_EQ(t.Status(), TTaskStatus::tsFailed);
    EXPECT_TRUE(StampedDuring(run, t.LastResult(), [](core::DateTime at) {
        return "1 files of 3 are not transferred.\r\n" + core::DateTimeToStr(at);
    })) << t.LastResult();
    // The failed line is followed by the task's last result, whose date is a line of its own.
    const std::string names = "[Local name: " + target + "; Host/Profile: ftp.example.org; Remote name: /pub/dir/]";
    EXPECT_EQ(MismatchedLines(run, Log(), {LoggingLine("Logging started"), LogEntry("Transfer started: " + names),
                        LogEntry("Transfer failed: " + names), LogEntry("1 files of 3 are not transferred."), StampLine(),
                        LoggingLine("Logging ended")}),
              "");
}

// The log is written late in the shutdown: its failure is told (on stderr and in a box naming
// the file) and the program still ends normally, with the task list saved.
TEST_F(SchedulerE2E, ALogThatCannotBeWrittenDoesNotStopTheShutdown) {
    TLarkFTPTaskStorage tasks;
    AddDueTask(tasks, win::Narrow(local + L"a.txt"), "/pub/a.txt", false);
    run.errorOutput = root + L"stderr.txt";
    const std::wstring log = run.folder + L"Schedule.log";
    PrepareRun(run);
    SaveToFile(tasks, win::Narrow(run.folder + L"TaskList.ltl"));
    // A folder where the log file should be: it can be neither read nor replaced.
    ASSERT_TRUE(CreateDirectoryW(log.c_str(), nullptr));
    StartScheduler(run);
    EXPECT_TRUE(PumpUntil([&] { return PostedCompletions(run) >= 1; }, 30s));
    PostMessageW(FindSchedulerWindow(run), WM_CLOSE, 0, 0);
    HWND box = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] { return (box = FindRunWindowOfClass(run, L"TMessageForm")) != nullptr && IsWindowVisible(box); }, 30s))
        << "the failed log is not shown";
    std::wstring text;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        std::wstring part(2048, L'\0');
        part.resize(static_cast<std::size_t>(GetWindowTextW(child, part.data(), 2048)));
        text += part + L"\n";
    }
    EXPECT_NE(text.find(L"The transfer log could not be written to " + log), std::wstring::npos)
        << win::Narrow(text);
    PostMessageW(box, WM_CLOSE, 0, 0);
    EXPECT_EQ(CloseScheduler(run), 0u);
    TLarkFTPTaskStorage after;
    LoadFromFile(after, win::Narrow(run.folder + L"TaskList.ltl"));

    ASSERT_EQ(after.TaskList().Count(), 1);
    EXPECT_EQ(after.TaskList().Items(0).Status(), TTaskStatus::tsCompleted);
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(log)));
    EXPECT_TRUE(std::filesystem::is_empty(std::filesystem::path(log)));
    const std::string errors = ReadTextFile(run.errorOutput);
    EXPECT_NE(errors.find("The transfer log could not be written to " + win::Narrow(log) + " ("), std::string::npos)
        << errors;
}

}  // namespace
