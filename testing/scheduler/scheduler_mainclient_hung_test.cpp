// The real scheduler against a double that hangs (its one thread asleep) in a transfer call and
// in the check whether it still answers: the scheduler gives the call up after a few seconds,
// its windows answer other programs throughout, the task fails with the translated log line and
// the next tick goes on.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "core/clock.h"
#include "scheduler/task_file.h"
#include "scheduler_harness.h"
#include "win/text.h"

using namespace lark;
using namespace lark::scheduler;
using namespace lark::testing;
using namespace std::chrono_literals;

namespace {

struct MainClientHung : ::testing::Test {
    SchedulerRun run;
    std::wstring root;
    TLarkFTPTaskStorage tasks;

    void SetUp() override {
        root = PlaceRun(run, std::wstring(L"lark-e2e-") +
                                 win::Widen(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        WriteTextFile(run.site + L"pub\\a.txt", "alpha");
        run.scenario = root + L"scenario.ini";
    }
    void TearDown() override { CloseScheduler(run); }

    // A once-task downloading /pub/a.txt into `name`, due `after` from now.
    std::string AddTask(const std::wstring& name, std::chrono::seconds after) {
        const std::string target = win::Narrow(root + name);
        TLarkFTPTask& t = tasks.TaskList().Add();
        t.SetRemoteURL("ftp.example.org");
        t.SetLocalName(target);
        t.SetRemoteName("/pub/a.txt");
        t.SetDeleteCompleted(false);
        t.SetStartTime(core::SystemClock().Now() + static_cast<double>(after.count()) / 86400);
        return target;
    }

    void Start() {
        PrepareRun(run);
        SaveToFile(tasks, win::Narrow(run.folder + L"TaskList.ltl"));
        StartScheduler(run);
    }

    std::size_t CallsOf(const std::string& method) const {
        const std::string calls = ReadTextFile(run.callLog);
        std::size_t n = 0;
        for (std::size_t at = calls.find(method); at != std::string::npos; at = calls.find(method, at + 1))
            if ((at == 0 || calls[at - 1] == '\n') &&
                (at + method.size() == calls.size() || calls[at + method.size()] == '\t' ||
                 calls[at + method.size()] == '\n' || calls[at + method.size()] == '\r'))
                ++n;
        return n;
    }

    // For `span`, asks both of the scheduler's windows what another program would (WM_NULL, as
    // Windows does to tell a hung window, and the title) and answers the slowest answer in ms,
    // or -1 when one gave none within 2 s.
    long SlowestAnswer(std::chrono::milliseconds span) {
        HWND windows[] = {FindSchedulerWindow(run), FindSchedulerMainWindow(run)};
        long slowest = 0;
        const auto end = std::chrono::steady_clock::now() + span;
        while (std::chrono::steady_clock::now() < end) {
            for (HWND w : windows) {
                if (!w) return -1;
                wchar_t title[64];
                DWORD_PTR result = 0;
                const auto asked = std::chrono::steady_clock::now();
                const bool answered =
                    SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) != 0 &&
                    SendMessageTimeoutW(w, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(title), SMTO_ABORTIFHUNG, 2000,
                                        &result) != 0;
                if (!answered) return -1;
                slowest = std::max<long>(
                    slowest, static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                   std::chrono::steady_clock::now() - asked)
                                                   .count()));
            }
            Sleep(50);
        }
        return slowest;
    }

    std::string Names(const std::string& target) const {
        return "[Local name: " + target + "; Host/Profile: ftp.example.org; Remote name: /pub/a.txt]";
    }
};

const std::string kNoAnswer = "The main client does not answer.";

// Frozen for 20 s in the first transfer call: the call is given up, its task fails; a task due
// meanwhile waits (the main client still does not answer) and runs once the double is back.
TEST_F(MainClientHung, ATransferCallWithoutAnswerIsGivenUpAndTheNextTickGoesOn) {
    WriteTextFile(run.scenario, "[StartGetFile]\r\nDelayMs=20000,0\r\n");
    const std::string first = AddTask(L"first.txt", -60s);
    const std::string second = AddTask(L"second.txt", 12s);
    Start();

    ASSERT_TRUE(PumpUntil([&] { return CallsOf("StartGetFile") == 1; }, 30s));
    const long slowest = SlowestAnswer(9s);
    std::printf("slowest answer of the scheduler's windows during the hung call: %ld ms\n", slowest);
    EXPECT_GE(slowest, 0) << "a window did not answer within 2 s";
    EXPECT_LT(slowest, 2000);
    // The double wakes after 20 s; the second task runs through a new one.
    ASSERT_TRUE(PumpUntil([&] { return FileExistsW(root + L"second.txt"); }, 60s));
    // The late answer's file and the second run's, both posted before the close below.
    ASSERT_TRUE(PumpUntil([&] { return PostedCompletions(run) >= 2; }, 30s));

    EXPECT_EQ(CloseScheduler(run), 0u);
    TLarkFTPTaskStorage after;
    LoadFromFile(after, win::Narrow(run.folder + L"TaskList.ltl"));
    ASSERT_EQ(after.TaskList().Count(), 2);
    const TLarkFTPTask& failed = after.TaskList().Items(0);
    EXPECT_EQ(failed.Status(), TTaskStatus::tsFailed);
    EXPECT_TRUE(StampedDuring(run, failed.LastResult(),
                              [&](core::DateTime t) { return kNoAnswer + "\r\n" + core::DateTimeToStr(t); }))
        << failed.LastResult();
    EXPECT_EQ(after.TaskList().Items(1).Status(), TTaskStatus::tsCompleted);
    const std::string log = ReadTextFile(run.folder + L"Schedule.log");
    EXPECT_EQ(MismatchedLines(run, log,
                              {LoggingLine("Logging started"), LogEntry("Transfer started: " + Names(first)),
                               LogEntry("Transfer failed: " + Names(first)), LogEntry(kNoAnswer), StampLine(),
                               LogEntry(kNoAnswer), LogEntry("The main client can be reached again."),
                               LogEntry("Transfer started: " + Names(second)),
                               LogEntry("Transfer completed: " + Names(second)), LoggingLine("Logging ended")}),
              "")
        << log;
}

// Frozen in the check whether it still answers, 30 s after the hand-over of a transfer whose
// files it never reports: the check is given up and the Active task fails.
TEST_F(MainClientHung, ALivenessCheckWithoutAnswerFailsTheActiveTask) {
    WriteTextFile(run.scenario, "[StartGetFile]\r\nCompletions=none\r\n[GetTypeInfoCount]\r\nDelayMs=20000\r\n");
    const std::string target = AddTask(L"a.txt", -60s);
    Start();

    ASSERT_TRUE(PumpUntil([&] { return CallsOf("StartGetFile") == 1; }, 30s));
    ASSERT_TRUE(PumpUntil([&] { return CallsOf("GetTypeInfoCount") == 1; }, 60s));
    const long slowest = SlowestAnswer(9s);
    std::printf("slowest answer of the scheduler's windows during the hung check: %ld ms\n", slowest);
    EXPECT_GE(slowest, 0) << "a window did not answer within 2 s";
    EXPECT_LT(slowest, 2000);

    EXPECT_EQ(CloseScheduler(run), 0u);
    TLarkFTPTaskStorage after;
    LoadFromFile(after, win::Narrow(run.folder + L"TaskList.ltl"));
    ASSERT_EQ(after.TaskList().Count(), 1);
    const TLarkFTPTask& failed = after.TaskList().Items(0);
    EXPECT_EQ(failed.Status(), TTaskStatus::tsFailed);
    EXPECT_TRUE(StampedDuring(run, failed.LastResult(),
                              [&](core::DateTime t) { return kNoAnswer + "\r\n" + core::DateTimeToStr(t); }))
        << failed.LastResult();
    const std::string log = ReadTextFile(run.folder + L"Schedule.log");
    EXPECT_EQ(MismatchedLines(run, log,
                              {LoggingLine("Logging started"), LogEntry("Transfer started: " + Names(target)),
                               LogEntry("Transfer failed: " + Names(target)), LogEntry(kNoAnswer), StampLine(),
                               LoggingLine("Logging ended")}),
              "")
        << log;
}

}  // namespace
