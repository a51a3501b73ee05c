// The real scheduler's start-up and exit with a task file it cannot read, and with the litter of
// a killed run: nothing the user had is overwritten, and no temporary file survives the start.
#include <gtest/gtest.h>

#include "core/stream.h"
#include "scheduler/task_file.h"
#include "scheduler_harness.h"
#include "win/text.h"

using namespace lark;
using namespace lark::scheduler;
using namespace lark::testing;
using namespace std::chrono_literals;
using namespace std::string_literals;

namespace {

struct SchedulerStartup : ::testing::Test {
    SchedulerRun run;
    std::wstring root;

    void SetUp() override {
        root = PlaceRun(run, std::wstring(L"lark-startup-") +
                                 win::Widen(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        PrepareRun(run);
    }
    void TearDown() override { CloseScheduler(run); }

    // Starts the scheduler, waits for its window and closes it as Windows would.
    void StartAndClose() {
        StartScheduler(run);
        EXPECT_TRUE(PumpUntil([&] { return FindSchedulerWindow(run) != nullptr; }, 30s));
        EXPECT_EQ(CloseScheduler(run), 0u);
    }

    // What the task file reader says of these bytes, read here from a copy.
    std::string ReadError(const std::string& bytes) {
        const std::wstring copy = root + L"copy.ltl";
        WriteTextFile(copy, bytes);
        TLarkFTPTaskStorage storage;
        try {
            LoadFromFile(storage, win::Narrow(copy));
        } catch (const std::exception& e) {
            return e.what();
        }
        ADD_FAILURE() << "the bytes were read";
        return {};
    }
};

TEST_F(SchedulerStartup, ADamagedTaskFileIsKeptAsideAndLoggedAndTheLitterOfAKilledRunGoes) {
    const std::string damaged = "TPF0\x13TLarkFTPTaskStorage\x00\x08TaskList\x0E\x01\x06TaskID"s;  // cut short
    WriteTextFile(run.folder + L"TaskList.ltl", damaged);
    WriteTextFile(run.folder + L"TaskList.ltl.damaged", "an earlier copy");
    for (const wchar_t* litter : {L"TaskList.ltl.tmp3f2a91c0", L"Schedule.log.tmp123456", L"TaskList.bak.tmp77"})
        WriteTextFile(run.folder + litter, "half a file");
    StartScheduler(run);
    // The user is told in a box once the window exists.
    HWND box = nullptr;
    EXPECT_TRUE(PumpUntil(
        [&] {
            box = FindWindowW(L"TMessageForm", nullptr);
            return box != nullptr && IsWindowVisible(box);
        },
        30s));
    EXPECT_EQ(CloseScheduler(run), 0u);

    EXPECT_EQ(ReadTextFile(run.folder + L"TaskList.ltl.damaged"), "an earlier copy");
    EXPECT_EQ(ReadTextFile(run.folder + L"TaskList.ltl.2.damaged"), damaged);
    for (const wchar_t* litter : {L"TaskList.ltl.tmp3f2a91c0", L"Schedule.log.tmp123456", L"TaskList.bak.tmp77"})
        EXPECT_FALSE(FileExistsW(run.folder + litter)) << win::Narrow(litter);
    const std::string file = win::Narrow(run.folder + L"TaskList.ltl");
    EXPECT_EQ(MismatchedLines(run, ReadTextFile(run.folder + L"Schedule.log"),
                              {LoggingLine("Logging started"),
                               LogEntry("The task file " + file + " could not be read (" + ReadError(damaged) +
                                        "). It was kept as " + file + ".2.damaged; the task list starts empty."),
                               LoggingLine("Logging ended")}),
              "");
    // The empty list saved at exit went to the task file's own name.
    TLarkFTPTaskStorage after;
    after.TaskList().Add();
    EXPECT_TRUE(LoadFromFile(after, file).loaded);
}

// Another program holds the damaged file open without letting it be renamed or deleted: the
// scheduler cannot set it aside, says so in the log, and leaves it as it was at exit.
TEST_F(SchedulerStartup, ADamagedTaskFileThatCannotBeSetAsideIsLeftAsItWas) {
    const std::string damaged = "TPF0 not a task list"s;
    const std::wstring path = run.folder + L"TaskList.ltl";
    WriteTextFile(path, damaged);
    HANDLE holder = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    // What setting it aside meets, asked here the way the scheduler asks.
    std::string asideError;
    try {
        core::WriteSteps::Disk().RenameNoReplace(win::Narrow(path), win::Narrow(path) + ".damaged");
    } catch (const std::exception& e) {
        asideError = e.what();
    }
    ASSERT_NE(asideError, "");
    StartAndClose();
    CloseHandle(holder);

    EXPECT_EQ(ReadTextFile(path), damaged);
    EXPECT_FALSE(FileExistsW(path + L".damaged"));
    EXPECT_EQ(MismatchedLines(run, ReadTextFile(run.folder + L"Schedule.log"),
                              {LoggingLine("Logging started"),
                               LogEntry("The task file " + win::Narrow(path) + " could not be read (" +
                                        ReadError(damaged) + ") nor kept aside (" + asideError +
                                        "). It is not saved over in this run."),
                               LoggingLine("Logging ended")}),
              "");
}

}  // namespace
