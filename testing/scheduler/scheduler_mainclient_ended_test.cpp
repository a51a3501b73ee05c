// The real scheduler against the double when the main client's process dies: during a transfer
// the Active task ends Failed at the next check instead of waiting for ever; between runs the
// dead object is replaced and the new one is put in automation mode before the next transfer.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include "core/clock.h"
#include "scheduler/task_file.h"
#include "scheduler_harness.h"
#include "win/text.h"

using namespace lark;
using namespace lark::scheduler;
using namespace lark::testing;
using namespace std::chrono_literals;

namespace {

// Ends every process of this image name; how many there were.
int KillProcesses(const wchar_t* image) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    int killed = 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (_wcsicmp(entry.szExeFile, image) != 0) continue;
        if (HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID)) {
            if (TerminateProcess(p, 9) && WaitForSingleObject(p, 10000) == WAIT_OBJECT_0) ++killed;
            CloseHandle(p);
        }
    }
    CloseHandle(snapshot);
    return killed;
}

struct MainClientGone : ::testing::Test {
    SchedulerRun run;
    std::wstring root;
    TLarkFTPTaskStorage tasks;

    void SetUp() override {
        root = PlaceRun(run, std::wstring(L"lark-e2e-") +
                                 win::Widen(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        WriteTextFile(run.site + L"pub\\a.txt", "alpha");
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
        for (std::size_t at = calls.find(method + "\t"); at != std::string::npos; at = calls.find(method + "\t", at + 1))
            if (at == 0 || calls[at - 1] == '\n') ++n;
        return n;
    }

};

TEST_F(MainClientGone, AnActiveTaskFailsWhenTheMainClientIsKilledDuringTheTransfer) {
    run.scenario = root + L"scenario.ini";
    WriteTextFile(run.scenario, "[StartGetFile]\r\nCompletions=none\r\n");
    const std::string target = AddTask(L"a.txt", -60s);
    // Doubles of earlier tests idle on for up to a minute; only this run's may be counted below.
    KillProcesses(L"LarkFtpDouble.exe");
    Start();

    ASSERT_TRUE(PumpUntil([&] { return CallsOf("StartGetFile") == 1; }, 30s));
    const auto handedOver = std::chrono::steady_clock::now();
    EXPECT_EQ(KillProcesses(L"LarkFtpDouble.exe"), 1);
    // The scheduler asks an Active task's main client every 30 seconds after the hand-over; it
    // shows the outcome only at exit, so wait out one interval with room for a slow tick under load.
    PumpUntil([&] { return std::chrono::steady_clock::now() - handedOver > 45s; }, 50s);

    EXPECT_EQ(CloseScheduler(run), 0u);
    TLarkFTPTaskStorage after;
    LoadFromFile(after, win::Narrow(run.folder + L"TaskList.ltl"));
    ASSERT_EQ(after.TaskList().Count(), 1);
    const TLarkFTPTask& failed = after.TaskList().Items(0);
    EXPECT_EQ(failed.Status(), TTaskStatus::tsFailed);
    const std::string ended = "The main client ended before the transfer was complete.";
    EXPECT_TRUE(StampedDuring(run, failed.LastResult(),
                              [&](core::DateTime t) { return ended + "\r\n" + core::DateTimeToStr(t); }))
        << failed.LastResult();
    const std::string names = "[Local name: " + target + "; Host/Profile: ftp.example.org; Remote name: /pub/a.txt]";
    EXPECT_EQ(MismatchedLines(run, ReadTextFile(run.folder + L"Schedule.log"),
                              {LoggingLine("Logging started"), LogEntry("Transfer started: " + names),
                               LogEntry("Transfer failed: " + names), LogEntry(ended), StampLine(),
                               LoggingLine("Logging ended")}),
              "");
}

TEST_F(MainClientGone, AMainClientKilledBetweenRunsIsReplacedAndPutInAutomationMode) {
    const std::string first = AddTask(L"first.txt", -60s);
    const std::string second = AddTask(L"second.txt", 15s);
    Start();

    ASSERT_TRUE(PumpUntil([&] { return FileExistsW(root + L"first.txt"); }, 30s));
    ASSERT_EQ(CallsOf("StartGetFile"), 1u);
    EXPECT_EQ(KillProcesses(L"LarkFtpDouble.exe"), 1);
    ASSERT_TRUE(PumpUntil([&] { return FileExistsW(root + L"second.txt"); }, 40s));

    // The dead object's call never reached a double; the new double was put in automation mode
    // before it was given the transfer.
    EXPECT_EQ(SplitLines(ReadTextFile(run.callLog), "\n"),
              (std::vector<std::string>{"SetAutomationMode\t-1", "StartGetFile\tftp.example.org\t\t\t\t\t" + first + "\t/pub/a.txt",
                                        "SetAutomationMode\t-1",
                                        "StartGetFile\tftp.example.org\t\t\t\t\t" + second + "\t/pub/a.txt"}));
}

}  // namespace
