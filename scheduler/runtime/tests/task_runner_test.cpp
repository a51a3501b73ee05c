#include "scheduler/task_runner.h"

#include <gtest/gtest.h>

#include <set>

#include "core/datetime.h"
#include "mainclient_fake/fake_main_client.h"
#include "scheduler/list_rows.h"

using namespace lark;
using namespace lark::scheduler;
using mainclient::fake::FakeMainClient;
using mainclient::fake::Reply;

namespace {

class FakeFiles : public FileSystem {
public:
    std::set<std::string, std::less<>> files, dirs;
    bool FileExists(std::string_view p) const override { return files.count(p) > 0; }
    bool DirectoryExists(std::string_view p) const override { return dirs.count(p) > 0; }
};

struct Fixture : ::testing::Test {
    core::FixedClock clock{core::EncodeDateTime(2026, 3, 10, 12, 0, 0, 0)};
    EnglishStrings strings;
    FakeFiles files;
    TLarkFTPTaskStorage storage;
    ListRows rows{storage.TaskList(), clock};
    TLogFile log{clock, strings, "/nonexistent/"};
    std::shared_ptr<FakeMainClient> client = std::make_shared<FakeMainClient>();
    int created = 0;
    bool reachable = true;
    TaskRunner runner{rows,
                      [this]() -> std::shared_ptr<mainclient::MainClient> {
                          ++created;
                          if (!reachable) throw core::Error("Class not registered");
                          return client;
                      },
                      clock, files, strings, &log};

    Fixture() {
        client->SetCompletionHook([this](int32_t id, int32_t r) { runner.HandleCompletion(static_cast<std::uint32_t>(id), r); });
    }

    TLarkFTPTask& DueTask(const std::string& local = "C:\\in\\a.txt", bool folder = false) {
        TLarkFTPTask& t = storage.TaskList().Add();
        t.SetRemoteURL("ftp.example.org");
        t.SetUserName("anna");
        t.SetUserPassword("pw");
        t.SetProxyServer("proxy");
        t.SetProxyPort("8080");
        t.SetLocalName(local);
        t.SetRemoteName(folder ? "/pub/data/" : "/pub/a.txt");
        t.SetIsFolder(folder);
        t.SetStartTime(clock.Now() - 1.0 / 24);
        rows.RefreshRow(storage.TaskList().Count() - 1);
        return t;
    }

    std::string Now() const { return core::DateTimeToStr(clock.Now()); }
};

using TaskRunnerTest = Fixture;

TEST_F(TaskRunnerTest, ADueFileDownloadRunsAndOneDoneMessageCompletesIt) {
    TLarkFTPTask& t = DueTask();
    runner.OnTimer();
    ASSERT_EQ(client->CallLines(), (std::vector<std::string>{
                                       "SetAutomationMode|-1",
                                       "StartGetFile|ftp.example.org|anna|pw|proxy|8080|C:\\in\\a.txt|/pub/a.txt"}));
    EXPECT_EQ(t.Status(), TTaskStatus::tsActive);
    EXPECT_EQ(t.TotalFiles(), 1);
    EXPECT_EQ(t.LastTime(), clock.Now());
    EXPECT_NE(t.TaskID(), 0u);

    client->DeliverCompletions();
    EXPECT_EQ(t.Status(), TTaskStatus::tsCompleted);
    EXPECT_EQ(t.LastResult(), "Successfully completed\r\n" + Now());
    ASSERT_EQ(log.Lines().size(), 2u);
    EXPECT_EQ(log.Lines()[0], Now() + " : Transfer started: [Local name: C:\\in\\a.txt; Host/Profile: ftp.example.org; Remote name: /pub/a.txt]");
    EXPECT_EQ(log.Lines()[1], Now() + " : Transfer completed: [Local name: C:\\in\\a.txt; Host/Profile: ftp.example.org; Remote name: /pub/a.txt]");
}

TEST_F(TaskRunnerTest, AFolderWithOneFailedFileOfThreeFails) {
    TLarkFTPTask& t = DueTask("C:\\in", true);
    client->Script("StartGetFolder", Reply{.value = 77, .count = 3, .completions = {9, 8, 9}});
    runner.CheckTasks();
    EXPECT_EQ(client->calls().back().args.back(), "/pub/data");
    EXPECT_EQ(t.TotalFiles(), 3);
    client->DeliverCompletions();
    EXPECT_EQ(t.Status(), TTaskStatus::tsFailed);
    EXPECT_EQ(t.LastResult(), "1 files of 3 are not transferred.\r\n" + Now());
    ASSERT_EQ(log.Lines().size(), 3u);
    EXPECT_EQ(log.Lines()[1], Now() + " : Transfer failed: [Local name: C:\\in; Host/Profile: ftp.example.org; Remote name: /pub/data/]");
    EXPECT_EQ(log.Lines()[2], Now() + " : 1 files of 3 are not transferred.\r\n" + Now());
}

TEST_F(TaskRunnerTest, RunOutcomesByReply) {
    struct Case {
        const char* name;
        bool folder;
        std::string remote;
        Reply reply;
        TTaskStatus status;
        std::string passed;
    } cases[] = {
        {"folder of no files", true, "/pub/x/", Reply{.value = 5, .count = 0}, TTaskStatus::tsCompleted, "/pub/x"},
        {"backslash trimmed once", true, "\\pub\\x\\\\", Reply{.value = 5, .count = 2}, TTaskStatus::tsActive, "\\pub\\x\\"},
        {"refused folder", true, "/pub/x", Reply{.value = 0, .count = 3}, TTaskStatus::tsFailed, "/pub/x"},
        {"refused file", false, "/pub/f/", Reply{.value = 0}, TTaskStatus::tsFailed, "/pub/f/"},
        {"file name unchanged", false, "/pub/f/", Reply{.value = 3}, TTaskStatus::tsActive, "/pub/f/"},
    };
    for (const Case& c : cases) {
        TLarkFTPTaskStorage s;
        TLarkFTPTask& t = s.TaskList().Add();
        t.SetIsFolder(c.folder);
        t.SetRemoteName(c.remote);
        t.SetTaskType(TTaskType::ttGet);
        client->ClearCalls();
        client->Script(c.folder ? "StartGetFolder" : "StartGetFile", c.reply);
        ListRows r(s.TaskList(), clock);
        TaskRunner run(r, [this] { return client; }, clock, files, strings, nullptr);
        run.RunTask(t);
        EXPECT_EQ(t.Status(), c.status) << c.name;
        EXPECT_EQ(client->calls().back().args.back(), c.passed) << c.name;
        EXPECT_EQ(t.LastTime(), clock.Now()) << c.name;
    }
}

TEST_F(TaskRunnerTest, AnUnreachableMainClientLeavesTheTaskPendingAndIsTriedEachTick) {
    TLarkFTPTask& t = DueTask();
    reachable = false;
    runner.OnTimer();
    EXPECT_EQ(t.Status(), TTaskStatus::tsPending);
    int tries = created;
    runner.OnTimer();
    EXPECT_GT(created, tries);
    EXPECT_EQ(t.Status(), TTaskStatus::tsPending);
    reachable = true;
    runner.OnTimer();
    EXPECT_EQ(t.Status(), TTaskStatus::tsActive);
}

TEST_F(TaskRunnerTest, ADeadObjectIsReplacedOnceAndTheRunGoesThrough) {
    DueTask();
    runner.OnTimer();
    client->DeliverCompletions();
    TLarkFTPTask& second = DueTask();
    created = 0;
    client->Script("SetAutomationMode", Reply{.fail = static_cast<int32_t>(0x800706BA)});
    client->ClearCalls();
    runner.OnTimer();
    EXPECT_EQ(created, 1);
    EXPECT_EQ(second.Status(), TTaskStatus::tsActive);
    EXPECT_EQ(client->calls().back().method, "StartGetFile");
}

TEST_F(TaskRunnerTest, AFailedTransferCallFailsTheTaskWithTheErrorText) {
    TLarkFTPTask& t = DueTask();
    client->Script("StartGetFile", Reply{.fail = static_cast<int32_t>(0x80004005), .fail_text = "disk full"});
    runner.OnTimer();
    EXPECT_EQ(t.Status(), TTaskStatus::tsFailed);
    EXPECT_EQ(t.LastResult(), "StartGetFile: disk full\r\n" + Now());
    EXPECT_EQ(runner.Automation(), nullptr);
}

TEST_F(TaskRunnerTest, PausedOrSuspendedTicksDoNothingButCompletionsCount) {
    TLarkFTPTask& running = DueTask();
    runner.OnTimer();
    TLarkFTPTask& waiting = DueTask();
    runner.SetRunning(false);
    runner.OnTimer();
    EXPECT_EQ(waiting.Status(), TTaskStatus::tsPending);
    client->DeliverCompletions();
    EXPECT_EQ(running.Status(), TTaskStatus::tsCompleted);
    runner.SetRunning(true);
    {
        TaskRunner::Suspension modal(runner);
        TaskRunner::Suspension nested(runner);
        runner.OnTimer();
        EXPECT_EQ(waiting.Status(), TTaskStatus::tsPending);
    }
    runner.OnTimer();
    EXPECT_EQ(waiting.Status(), TTaskStatus::tsActive);
}

TEST_F(TaskRunnerTest, TwoDueTasksBothStartInDisplayOrder) {
    DueTask("C:\\one");
    DueTask("C:\\two");
    runner.OnTimer();
    ASSERT_EQ(client->calls().size(), 4u);  // each run is prepared with SetAutomationMode
    EXPECT_EQ(client->calls()[1].args[5], "C:\\one");
    EXPECT_EQ(client->calls()[3].args[5], "C:\\two");
}

TEST_F(TaskRunnerTest, FinishedTasksAreRecycledOrDeletedAndTheNextRowIsStillExamined) {
    TLarkFTPTask& repeating = DueTask();
    repeating.SetScheduleTask(TScheduleTask::stDaily);
    repeating.SetStatus(TTaskStatus::tsCompleted);
    repeating.SetLastTime(clock.Now());
    TLarkFTPTask& once = DueTask();
    once.SetStatus(TTaskStatus::tsCompleted);
    TLarkFTPTask& kept = DueTask();
    kept.SetStatus(TTaskStatus::tsCompleted);
    kept.SetDeleteCompleted(false);
    TLarkFTPTask& after = DueTask();  // due, in the row after the deleted and the kept once-tasks
    runner.OnTimer();
    EXPECT_EQ(repeating.Status(), TTaskStatus::tsPending);
    EXPECT_GT(repeating.NextTime(), clock.Now());
    ASSERT_EQ(storage.TaskList().Count(), 3);
    EXPECT_EQ(&storage.TaskList().Items(1), &kept);
    EXPECT_EQ(kept.Status(), TTaskStatus::tsCompleted);
    EXPECT_EQ(&storage.TaskList().Items(2), &after);
    EXPECT_EQ(after.Status(), TTaskStatus::tsActive);
}

TEST_F(TaskRunnerTest, CompletionsBeforeTheCallReturnsAreApplied) {
    TLarkFTPTask& t = DueTask("C:\\in", true);
    client->Script("StartGetFolder", Reply{.value = 9, .count = 2, .completions = {9, 9}, .complete_before_return = true});
    runner.OnTimer();
    EXPECT_EQ(t.Status(), TTaskStatus::tsCompleted);
    EXPECT_EQ(t.DoneFiles(), 2);
}

TEST_F(TaskRunnerTest, CompletionsGoToTheActiveTaskWithThatId) {
    TLarkFTPTask& old = storage.TaskList().Add();
    old.SetTaskID(4);
    old.SetStatus(TTaskStatus::tsCompleted);
    TLarkFTPTask& active = storage.TaskList().Add();
    active.SetTaskID(4);
    active.SetStatus(TTaskStatus::tsActive);
    active.SetTotalFiles(1);
    runner.HandleCompletion(4, 9);
    EXPECT_EQ(active.Status(), TTaskStatus::tsCompleted);
    EXPECT_EQ(old.DoneFiles(), 0);
    runner.HandleCompletion(999, 9);  // nobody's: no effect
}

TEST_F(TaskRunnerTest, AMissingUploadSourceIsAnErrorOnlyWhenDue) {
    TLarkFTPTask& t = DueTask("C:\\missing.txt");
    t.SetTaskType(TTaskType::ttPut);
    t.SetStartTime(clock.Now() + 1);
    rows.RefreshAll();
    runner.OnTimer();
    EXPECT_EQ(t.Status(), TTaskStatus::tsPending);
    clock.Advance(2);
    runner.OnTimer();
    EXPECT_EQ(t.Status(), TTaskStatus::tsError);
    EXPECT_EQ(t.LastResult(), "Local name is invalid");
    EXPECT_TRUE(client->calls().empty());
    files.files.insert("C:\\ok.txt");
    TLarkFTPTask& ok = DueTask("C:\\ok.txt");
    ok.SetTaskType(TTaskType::ttPut);
    runner.OnTimer();
    EXPECT_EQ(ok.Status(), TTaskStatus::tsActive);
    EXPECT_EQ(client->calls().back().method, "StartPutFile");
}

TEST_F(TaskRunnerTest, ANeverTaskIsNeverStarted) {
    TLarkFTPTask& t = DueTask();
    t.SetScheduleTask(TScheduleTask::stWeekly);
    t.SetWeekDays(TWeekDays{});
    rows.RefreshAll();
    EXPECT_EQ(t.NextTime(), 0.0);
    runner.OnTimer();
    EXPECT_EQ(t.Status(), TTaskStatus::tsPending);
    EXPECT_TRUE(client->calls().empty());
}

}  // namespace
