#include "scheduler/log_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/datetime.h"
#include "core/errors.h"

using namespace lark;
using namespace lark::scheduler;
namespace fs = std::filesystem;

namespace {

struct LogFileTest : ::testing::Test {
    fs::path dir = fs::temp_directory_path() / ("lark-log-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    core::FixedClock clock{core::EncodeDateTime(2026, 12, 10, 9, 5, 7, 0)};
    EnglishStrings strings;
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }
    std::string Folder() const { return dir.string() + "/"; }
    std::string Read(const fs::path& p) const {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

TEST_F(LogFileTest, AFreshLogHoldsStartedTransferAndEndedLines) {
    TLogFile log(clock, strings, Folder());
    log.AssignLogFile("");
    EXPECT_EQ(log.FileName(), Folder() + "Schedule.log");
    log.SetMaxSize(65535);
    log.StartLogging();
    log.Add("Transfer started: [x]");
    log.EndLogging();
    std::string stamp = core::DateTimeToStr(clock.Now());
    std::string day = core::FormatDateTime("ddddd", clock.Now());
    EXPECT_EQ(Read(dir / "Schedule.log"), "Logging started " + day + " at 9:05:07\r\n" + stamp +
                                              " : Transfer started: [x]\r\nLogging ended " + day + " at 9:05:07\r\n");
    EXPECT_TRUE(log.Lines().empty());
    // A second session appends, and an empty session still writes its ended line.
    std::string first = Read(dir / "Schedule.log");
    log.EndLogging();
    EXPECT_EQ(Read(dir / "Schedule.log"), first + "Logging ended " + day + " at 9:05:07\r\n");
}

TEST_F(LogFileTest, AnOversizedLogIsMovedToBakAtStart) {
    {
        std::ofstream big(dir / "Schedule.log", std::ios::binary);
        big << std::string(70000, 'x');
    }
    TLogFile log(clock, strings, Folder());
    log.SetMaxSize(65535);
    log.StartLogging();
    EXPECT_FALSE(fs::exists(dir / "Schedule.log"));
    EXPECT_EQ(fs::file_size(dir / "Schedule.bak"), 70000u);
    log.EndLogging();
    EXPECT_LT(fs::file_size(dir / "Schedule.log"), 200u);
}

TEST_F(LogFileTest, FoldersAreMadeAndAnImpossibleOneFallsBack) {
    TLogFile log(clock, strings, Folder());
    log.AssignLogFile((dir / "a" / "b" / "t.log").string());
    EXPECT_TRUE(fs::is_directory(dir / "a" / "b"));
    EXPECT_EQ(log.FileName(), (dir / "a" / "b" / "t.log").string());
    { std::ofstream blocker(dir / "file"); }
    log.AssignLogFile((dir / "file" / "sub" / "t.log").string());
    EXPECT_EQ(log.FileName(), Folder() + "Schedule.log");
}

TEST_F(LogFileTest, AFailedWriteKeepsTheLines) {
    TLogFile log(clock, strings, Folder());
    log.AssignLogFile((dir / "missing" / "t.log").string());
    fs::remove_all(dir / "missing");
    log.Add("kept");
    EXPECT_THROW(log.EndLogging(), core::Error);
    EXPECT_EQ(log.Lines().size(), 1u);
}

}  // namespace
