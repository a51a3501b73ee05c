#include "scheduler/task_runner.h"

#include <gtest/gtest.h>

#include "../../model/tests/fake_file_system.h"

#include <algorithm>
#include <optional>
#include <set>
#include <utility>

#include "core/datetime.h"
#include "mainclient_fake/fake_main_client.h"
#include "scheduler/list_rows.h"

using namespace lark;
using namespace lark::scheduler;
using mainclient::fake::FakeMainClient;
using mainclient::fake::Reply;

namespace {

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

// A transfer call given up for want of an answer fails the task with the translated text; the
// object is dropped and the next tick goes on with the next task.
TEST_F(TaskRunnerTest, ATransferCallWithoutAnAnswerFailsTheTaskAndTheTickGoesOn) {
    TLarkFTPTask& t = DueTask();
    client->Script("StartGetFile", Reply{.fail = mainclient::kNoAnswer, .fail_text = "no answer within 5 s"});
    runner.OnTimer();
    EXPECT_EQ(t.Status(), TTaskStatus::tsFailed);
    EXPECT_EQ(t.LastResult(), "The main client does not answer.\r\n" + Now());
    ASSERT_EQ(log.Lines().size(), 3u);
    EXPECT_EQ(log.Lines()[2], Now() + " : The main client does not answer.\r\n" + Now());
    EXPECT_EQ(runner.Automation(), nullptr);
    TLarkFTPTask& next = DueTask();
    runner.OnTimer();
    EXPECT_EQ(next.Status(), TTaskStatus::tsActive);
}

// Made ready without an answer: no second object is made (it would not answer either), the task
// stays Pending, and the log says so once.
TEST_F(TaskRunnerTest, NoAnswerWhileMadeReadyLeavesTheTaskPendingAndIsLoggedOnce) {
    TLarkFTPTask& t = DueTask();
    client->SetDefault("SetAutomationMode", Reply{.fail = mainclient::kNoAnswer});
    for (int i = 0; i < 3; ++i) {
        created = 0;
        runner.OnTimer();
        EXPECT_EQ(created, 1);
        EXPECT_EQ(t.Status(), TTaskStatus::tsPending);
        EXPECT_EQ(runner.Automation(), nullptr);
    }
    EXPECT_EQ(log.Lines(), std::vector<std::string>{Now() + " : The main client does not answer."});
    EXPECT_FALSE(runner.MainClientReachable());
    EXPECT_EQ(runner.MainClientError(), "The main client does not answer.");
    client->SetDefault("SetAutomationMode", Reply{});
    runner.OnTimer();
    EXPECT_EQ(t.Status(), TTaskStatus::tsActive);
    EXPECT_TRUE(runner.MainClientReachable());
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

namespace {

constexpr double kSecond = 1.0 / 86400;

// A task list and log of its own, for one case of a table.
struct CaseList {
    CaseList(const core::Clock& clock, const StringSource& strings)
        : rows(storage.TaskList(), clock), log(clock, strings, "/nonexistent/") {}
    TLarkFTPTaskStorage storage;
    ListRows rows;
    TLogFile log;

    TLarkFTPTask& Add() {
        TLarkFTPTask& t = storage.TaskList().Add();
        t.SetLocalName("C:\\in");
        t.SetDeleteCompleted(false);
        return t;
    }
};

// A task that has run before: it keeps its last id and result.
TLarkFTPTask& FinishedTask(TLarkFTPTaskStorage& storage, std::uint32_t id, TTaskStatus status) {
    TLarkFTPTask& t = storage.TaskList().Add();
    t.SetTaskID(id);
    t.SetStatus(status);
    t.SetTotalFiles(1);
    t.SetDoneFiles(1);
    t.SetLastResult("Successfully completed\r\nearlier");
    t.SetDeleteCompleted(false);
    return t;
}

TEST_F(TaskRunnerTest, MessagesDuringTheCallReachTheRunningTaskWhateverOtherRowsHoldTheId) {
    struct Case {
        const char* name;
        bool otherRowHoldsId;  // a finished task kept the id the new run gets
        std::uint32_t previousId;  // the running task's own id from its last run
    } cases[] = {
        {"a finished row holds the id", true, 0},
        {"the running task's previous id", false, 7},
        {"both", true, 7},
    };
    for (const Case& c : cases) {
        TLarkFTPTaskStorage s;
        ListRows r(s.TaskList(), clock);
        TLarkFTPTask* other = c.otherRowHoldsId ? &FinishedTask(s, 7, TTaskStatus::tsCompleted) : nullptr;
        TLarkFTPTask& t = s.TaskList().Add();
        t.SetTaskID(c.previousId);
        t.SetTotalFiles(1);
        t.SetStartTime(clock.Now() - 1.0 / 24);
        r.RefreshAll();
        auto fake = std::make_shared<FakeMainClient>();
        TaskRunner run(r, [&] { return fake; }, clock, files, strings, nullptr);
        fake->SetCompletionHook([&](int32_t id, int32_t lp) { run.HandleCompletion(static_cast<std::uint32_t>(id), lp); });
        fake->Script("StartGetFile", Reply{.value = 7, .completions = {9}, .complete_before_return = true});
        run.OnTimer();
        EXPECT_EQ(t.Status(), TTaskStatus::tsCompleted) << c.name;
        EXPECT_EQ(t.DoneFiles(), 1) << c.name;
        EXPECT_EQ(t.LastResult(), "Successfully completed\r\n" + Now()) << c.name;
        if (other) {
            EXPECT_EQ(other->DoneFiles(), 1) << c.name;
            EXPECT_EQ(other->LastResult(), "Successfully completed\r\nearlier") << c.name;
        }
    }
}

TEST_F(TaskRunnerTest, AMessageDuringTheCallForAnotherActiveTaskCountsThere) {
    TLarkFTPTask& busy = DueTask("C:\\busy", true);
    client->Script("StartGetFolder", Reply{.value = 4, .count = 2});
    runner.OnTimer();
    ASSERT_EQ(busy.Status(), TTaskStatus::tsActive);
    TLarkFTPTask& next = DueTask("C:\\next");
    client->ClearCalls();
    // The main client finishes the busy task's files while it accepts the next one.
    client->Script("StartGetFile", Reply{.value = 5, .completions = {9}, .complete_before_return = true});
    runner.HandleCompletion(4, 9);
    runner.OnTimer();
    runner.HandleCompletion(4, 8);
    EXPECT_EQ(busy.Status(), TTaskStatus::tsFailed);
    EXPECT_EQ(busy.LastResult(), "1 files of 2 are not transferred.\r\n" + Now());
    EXPECT_EQ(next.Status(), TTaskStatus::tsCompleted);
}

TEST_F(TaskRunnerTest, ARunStartedDuringAnotherRunsCallKeepsBothRunsMessages) {
    TLarkFTPTask& outer = DueTask("C:\\outer");
    TLarkFTPTask& inner = DueTask("C:\\inner");
    inner.SetStatus(TTaskStatus::tsDisabled);
    inner.SetDeleteCompleted(false);  // completed within the pass that reaches its row next
    client->Script("StartGetFile", Reply{.value = 7, .completions = {9}, .complete_before_return = true});
    client->Script("StartGetFile", Reply{.value = 8, .completions = {9}, .complete_before_return = true});
    bool nested = false;
    // The user's Run command, dispatched while the first call waits.
    client->SetCompletionHook([&](int32_t id, int32_t r) {
        if (!std::exchange(nested, true)) runner.RunTask(inner);
        runner.HandleCompletion(static_cast<std::uint32_t>(id), r);
    });
    runner.OnTimer();
    EXPECT_EQ(inner.Status(), TTaskStatus::tsCompleted);
    EXPECT_EQ(outer.Status(), TTaskStatus::tsCompleted);
    EXPECT_EQ(outer.TaskID(), 7u);
}

TEST_F(TaskRunnerTest, StrayCompletionsChangeNothing) {
    struct Case {
        const char* name;
        TTaskStatus status;
        std::uint32_t taskId;
        std::int32_t total;
        std::uint32_t wParam;
        std::int32_t lParam;
    } cases[] = {
        {"no id, no file, on a task never run", TTaskStatus::tsPending, 0, 0, 0, 0},
        {"no id, a file, on a task never run", TTaskStatus::tsPending, 0, 0, 0, 9},
        {"an unknown lParam on a disabled task", TTaskStatus::tsDisabled, 5, 0, 5, 3},
        {"a file done on a failed task", TTaskStatus::tsFailed, 5, 1, 5, 9},
        {"a file failed on a completed task", TTaskStatus::tsCompleted, 5, 1, 5, 8},
        {"an unknown lParam on an active task", TTaskStatus::tsActive, 5, 1, 5, 7},
    };
    for (const Case& c : cases) {
        TLarkFTPTaskStorage s;
        ListRows r(s.TaskList(), clock);
        TLarkFTPTask& t = s.TaskList().Add();
        t.SetStatus(c.status);
        t.SetTaskID(c.taskId);
        t.SetTotalFiles(c.total);
        t.SetLastResult("before");
        TaskRunner run(r, [this] { return client; }, clock, files, strings, &log);
        const std::size_t lines = log.Lines().size();
        run.HandleCompletion(c.wParam, c.lParam);
        EXPECT_EQ(t.Status(), c.status) << c.name;
        EXPECT_EQ(t.LastResult(), "before") << c.name;
        EXPECT_EQ(t.DoneFiles() + t.FailedFiles(), 0) << c.name;
        EXPECT_EQ(log.Lines().size(), lines) << c.name;
        if (c.status == TTaskStatus::tsPending) {
            run.OnTimer();  // a once-task that never ran stays in the list
            EXPECT_EQ(s.TaskList().Count(), 1) << c.name;
        }
    }
}

TEST_F(TaskRunnerTest, ARunThatIsNotAcceptedFailsWithItsOwnResultAndLogLines) {
    struct Case {
        const char* name;
        bool folder;
        Reply reply;
        TTaskStatus status;
        std::string result;  // before the date
        std::string logLine;
    } cases[] = {
        {"a refused file", false, Reply{.value = 0}, TTaskStatus::tsFailed, "1 files of 1 are not transferred.",
         "Transfer failed: [Local name: C:\\in"},
        {"a refused folder of 3 files", true, Reply{.value = 0, .count = 3}, TTaskStatus::tsFailed,
         "3 files of 3 are not transferred.", "Transfer failed: [Local name: C:\\in"},
        {"a refused folder without a count", true, Reply{.value = 0, .count = 0}, TTaskStatus::tsFailed,
         "0 files of 0 are not transferred.", "Transfer failed: [Local name: C:\\in"},
        {"a negative folder count", true, Reply{.value = 6, .count = -1}, TTaskStatus::tsFailed,
         "0 files of 0 are not transferred.", "Transfer failed: [Local name: C:\\in"},
        {"a folder of no files", true, Reply{.value = 6, .count = 0}, TTaskStatus::tsCompleted,
         "Successfully completed", "Transfer completed: [Local name: C:\\in"},
    };
    for (const Case& c : cases) {
        CaseList list(clock, strings);
        TLogFile& runLog = list.log;
        TLarkFTPTask& t = list.Add();
        t.SetIsFolder(c.folder);
        t.SetStatus(TTaskStatus::tsDisabled);
        t.SetLastResult("Successfully completed\r\nearlier");
        client->Script(c.folder ? "StartGetFolder" : "StartGetFile", c.reply);
        TaskRunner run(list.rows, [this] { return client; }, clock, files, strings, &runLog);
        run.RunTask(t);
        EXPECT_EQ(t.Status(), c.status) << c.name;
        EXPECT_EQ(t.LastResult(), c.result + "\r\n" + Now()) << c.name;
        ASSERT_GE(runLog.Lines().size(), 2u) << c.name;
        EXPECT_EQ(runLog.Lines()[1].rfind(Now() + " : " + c.logLine, 0), 0u) << c.name << ": " << runLog.Lines()[1];
        if (c.status == TTaskStatus::tsFailed) {
            ASSERT_EQ(runLog.Lines().size(), 3u) << c.name;
            EXPECT_EQ(runLog.Lines()[2], Now() + " : " + t.LastResult()) << c.name;
        }
        run.OnTimer();  // nothing is left waiting for messages
        EXPECT_EQ(t.Status(), c.status == TTaskStatus::tsCompleted ? TTaskStatus::tsCompleted : TTaskStatus::tsFailed)
            << c.name;
    }
}

TEST_F(TaskRunnerTest, AnActiveTaskWhoseMainClientEndedFailsAndASilentOneStaysActive) {
    struct Case {
        const char* name;
        std::optional<int32_t> answer;  // the failure of the check, none when it answers
        bool ends;
        bool paused = false;
        std::string why = "The main client ended before the transfer was complete.";
    } cases[] = {
        {"answers", std::nullopt, false},
        {"reports a failure of its own", static_cast<int32_t>(0x80004005), false},
        {"disconnected", static_cast<int32_t>(0x80010108), true},
        {"object not connected", static_cast<int32_t>(0x800401FD), true},
        {"server unavailable", static_cast<int32_t>(0x800706BA), true},
        {"disconnected while paused", static_cast<int32_t>(0x80010108), true, true},
        // The check was given up: a main client that does not answer reports no more files.
        {"no answer in time", mainclient::kNoAnswer, true, false, "The main client does not answer."},
        {"no answer while paused", mainclient::kNoAnswer, true, true, "The main client does not answer."},
    };
    for (const Case& c : cases) {
        CaseList list(clock, strings);
        TLogFile& runLog = list.log;
        TLarkFTPTask& t = list.Add();
        t.SetStartTime(clock.Now() - 1.0 / 24);
        list.rows.RefreshAll();
        auto fake = std::make_shared<FakeMainClient>();
        TaskRunner run(list.rows, [&] { return fake; }, clock, files, strings, &runLog);
        run.OnTimer();
        ASSERT_EQ(t.Status(), TTaskStatus::tsActive) << c.name;
        run.SetRunning(!c.paused);
        fake->ClearCalls();
        clock.Advance(29 * kSecond);
        run.OnTimer();
        EXPECT_TRUE(fake->calls().empty()) << c.name << ": asked too early";
        if (c.answer) fake->SetDefault("Ping", Reply{.fail = c.answer});
        clock.Advance(2 * kSecond);
        run.OnTimer();
        ASSERT_EQ(fake->CallLines(), std::vector<std::string>{"Ping"}) << c.name;
        if (c.ends) {
            EXPECT_EQ(t.Status(), TTaskStatus::tsFailed) << c.name;
            EXPECT_EQ(t.LastResult(), c.why + "\r\n" + Now()) << c.name;
            ASSERT_EQ(runLog.Lines().size(), 3u) << c.name;
            EXPECT_EQ(runLog.Lines()[1], Now() + " : Transfer failed: [Local name: C:\\in; Host/Profile: ; Remote name: ]")
                << c.name;
            EXPECT_EQ(runLog.Lines()[2], Now() + " : " + t.LastResult()) << c.name;
            EXPECT_EQ(run.Automation(), nullptr) << c.name;
        } else {
            EXPECT_EQ(t.Status(), TTaskStatus::tsActive) << c.name;
            clock.Advance(10 * kSecond);
            run.OnTimer();
            EXPECT_EQ(fake->calls().size(), 1u) << c.name << ": asked again within the interval";
            clock.Advance(30 * kSecond);
            run.OnTimer();
            EXPECT_EQ(fake->calls().size(), 2u) << c.name;
            EXPECT_EQ(t.Status(), TTaskStatus::tsActive) << c.name;
        }
        clock.Set(core::EncodeDateTime(2026, 3, 10, 12, 0, 0, 0));
    }
}

TEST_F(TaskRunnerTest, AReplacedObjectIsPutInAutomationModeBeforeTheTransfer) {
    auto first = std::make_shared<FakeMainClient>();
    auto second = std::make_shared<FakeMainClient>();
    std::vector<std::shared_ptr<FakeMainClient>> made{first, second};
    TaskRunner run(rows, [&] { return made.at(created++); }, clock, files, strings, nullptr);
    DueTask();
    run.OnTimer();
    TLarkFTPTask& t = DueTask();
    first->SetDefault("SetAutomationMode", Reply{.fail = static_cast<int32_t>(0x80010108)});
    run.OnTimer();
    EXPECT_EQ(t.Status(), TTaskStatus::tsActive);
    ASSERT_EQ(second->calls().size(), 2u);
    EXPECT_EQ(second->CallLines()[0], "SetAutomationMode|-1");
    EXPECT_EQ(second->calls()[1].method, "StartGetFile");
    EXPECT_EQ(run.Automation(), second.get());
}

TEST_F(TaskRunnerTest, AnUnreachableMainClientIsLoggedOnceAndItsReturnOnce) {
    DueTask();
    int changes = 0;
    runner.onMainClientChanged = [&] { ++changes; };
    reachable = false;
    for (int i = 0; i < 3; ++i) runner.OnTimer();
    EXPECT_FALSE(runner.MainClientReachable());
    EXPECT_EQ(runner.MainClientError(), "Class not registered");
    EXPECT_EQ(changes, 1);
    ASSERT_EQ(log.Lines(), std::vector<std::string>{Now() + " : The main client cannot be reached: Class not registered"});
    reachable = true;
    runner.OnTimer();
    runner.OnTimer();
    EXPECT_TRUE(runner.MainClientReachable());
    EXPECT_EQ(changes, 2);
    ASSERT_GE(log.Lines().size(), 2u);
    EXPECT_EQ(log.Lines()[1], Now() + " : The main client can be reached again.");
    EXPECT_EQ(std::count_if(log.Lines().begin(), log.Lines().end(),
                            [](const std::string& l) { return l.find("main client") != std::string::npos; }),
              2);
}

TEST_F(TaskRunnerTest, OtherFailuresOfTheTickReachTheSinkOnceAndAreNeverSwallowed) {
    for (int i = 0; i < 3; ++i) DueTask();
    rows.onRefresh = [](int) { throw core::Error("the row cannot be shown"); };
    EXPECT_THROW(runner.OnTimer(), core::Error);  // no sink: the failure goes on
    std::vector<std::string> errors;
    runner.onError = [&](const std::string& text) { errors.push_back(text); };
    runner.OnTimer();
    runner.OnTimer();
    EXPECT_EQ(errors, std::vector<std::string>{"the row cannot be shown"});
}


// A clock that counts its readings, for the cost of the idle tick.
class CountingClock : public core::Clock {
public:
    explicit CountingClock(DateTime now) : now_(now) {}
    DateTime Now() const override {
        ++reads;
        return now_;
    }
    void Advance(double days) { now_ += days; }
    mutable int reads = 0;

private:
    DateTime now_;
};

// A main client whose file transfer call takes a while.
class SlowMainClient : public FakeMainClient {
public:
    explicit SlowMainClient(CountingClock& clock) : clock_(clock) {}
    int32_t StartGetFile(const mainclient::TransferRequest& request) override {
        clock_.Advance(2.0 / 1440);
        return FakeMainClient::StartGetFile(request);
    }

private:
    CountingClock& clock_;
};

// The idle tick looks at every task but reads the clock once, not once a task (a reading costs
// more than the look); a task that falls due while an earlier one is handed over still starts
// in the same pass, as it did when the clock was read for each task.
TEST(TaskRunnerTick, ReadsTheClockOncePerPassAndAgainAfterEachRun) {
    CountingClock clock(core::EncodeDateTime(2026, 3, 10, 12, 0, 0, 0));
    EnglishStrings strings;
    FakeFiles files;
    files.files = {"C:\\in\\a.txt", "C:\\in\\b.txt"};
    TLarkFTPTaskStorage storage;
    ListRows rows{storage.TaskList(), clock};
    auto client = std::make_shared<SlowMainClient>(clock);
    TaskRunner runner{rows, [&]() -> std::shared_ptr<mainclient::MainClient> { return client; }, clock, files, strings,
                      nullptr};
    auto add = [&](const std::string& local, double startsIn) {
        TLarkFTPTask& t = storage.TaskList().Add();
        t.SetRemoteURL("ftp.example.org");
        t.SetLocalName(local);
        t.SetRemoteName("/pub/x");
        t.SetTaskType(TTaskType::ttPut);
        t.SetStartTime(clock.Now() + startsIn);
        rows.RefreshRow(storage.TaskList().Count() - 1);
        return &t;
    };
    for (int i = 0; i < 1000; ++i) add("C:\\later\\" + std::to_string(i), 0.5);
    clock.reads = 0;
    runner.OnTimer();
    EXPECT_LE(clock.reads, 2) << "a pass over 1,000 tasks none of which is due";
    EXPECT_TRUE(client->calls().empty());

    // The first is due now, the second a minute later: the first's call takes two minutes.
    TLarkFTPTask* first = add("C:\\in\\a.txt", -1.0 / 1440);
    first->SetTaskType(TTaskType::ttGet);
    rows.RefreshRow(storage.TaskList().IndexOf(first));
    TLarkFTPTask* second = add("C:\\in\\b.txt", 1.0 / 1440);
    runner.OnTimer();
    EXPECT_EQ(first->Status(), TTaskStatus::tsActive);
    EXPECT_EQ(second->Status(), TTaskStatus::tsActive) << "due once the first call returned";
}


// Rows that count how often the tick looks at a task.
class CountingRows : public TaskRows {
public:
    explicit CountingRows(ListRows& rows) : rows_(rows) {}
    int RowCount() const override { return rows_.RowCount(); }
    TLarkFTPTask& RowTask(int row) override {
        ++looks;
        return rows_.RowTask(row);
    }
    void RefreshRow(int row) override { rows_.RefreshRow(row); }
    void DeleteRow(int row) override { rows_.DeleteRow(row); }
    int FindRow(const TLarkFTPTask& task) const override { return rows_.FindRow(task); }
    int looks = 0;

private:
    ListRows& rows_;
};

// After a pass that found no work the tick does not walk the tasks again until one changes
// (however it changes) or the earliest next start has come; then it does what it did before.
TEST(TaskRunnerTick, SkipsTheWalkUntilATaskChangesOrTheEarliestStartComes) {
    core::FixedClock clock(core::EncodeDateTime(2026, 3, 10, 12, 0, 0, 0));
    EnglishStrings strings;
    FakeFiles files;
    TLarkFTPTaskStorage storage;
    ListRows list{storage.TaskList(), clock};
    CountingRows rows{list};
    auto client = std::make_shared<FakeMainClient>();
    TaskRunner runner{rows, [&]() -> std::shared_ptr<mainclient::MainClient> { return client; }, clock, files, strings,
                      nullptr};
    for (int i = 0; i < 100; ++i) {
        TLarkFTPTask& t = storage.TaskList().Add();
        t.SetLocalName("C:\\in\\" + std::to_string(i));
        t.SetRemoteName("/pub/x");
        t.SetStartTime(clock.Now() + (i == 50 ? 1.0 / 1440 : 1.0));
        list.RefreshRow(i);
    }
    TLarkFTPTask& soon = storage.TaskList().Items(50);
    TLarkFTPTask& other = storage.TaskList().Items(7);
    runner.OnTimer();
    EXPECT_EQ(rows.looks, 100);
    rows.looks = 0;
    for (int i = 0; i < 5; ++i) runner.OnTimer();
    EXPECT_EQ(rows.looks, 0) << "nothing changed and nothing is due";

    // A change made without refreshing the row (a completed once-task to delete) is found.
    other.SetStatus(TTaskStatus::tsCompleted);
    runner.OnTimer();
    EXPECT_EQ(storage.TaskList().Count(), 99);
    EXPECT_EQ(storage.TaskList().IndexOf(&other), -1);
    runner.OnTimer();
    rows.looks = 0;
    runner.OnTimer();
    EXPECT_EQ(rows.looks, 0);

    // The earliest start: not before it (the start time itself is not past it), then at once.
    clock.Set(soon.NextTime());
    runner.OnTimer();
    EXPECT_EQ(rows.looks, 0);
    EXPECT_TRUE(client->calls().empty());
    clock.Advance(1.0 / 86400);
    runner.OnTimer();
    EXPECT_GT(rows.looks, 0);
    EXPECT_EQ(soon.Status(), TTaskStatus::tsActive);
    EXPECT_EQ(client->calls().size(), 2u);  // SetAutomationMode, StartGetFile
}

}  // namespace
