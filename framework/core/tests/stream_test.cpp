#include "core/stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "testing/interrupted_writes.h"
#include "testing/scratch_folder.h"

using namespace lark::core;
using lark::testing::InterruptedWrites;
namespace fs = std::filesystem;

namespace {

class SafeWrite : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return folder_.File(name); }
    std::vector<std::string> Names() const { return folder_.Names(); }

    lark::testing::ScratchFolder folder_{"lark-stream"};
};

std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

}  // namespace

TEST_F(SafeWrite, ReplacesAWholeFileAndLeavesNothingElse) {
    WriteFileAtomically(Path("a.dat"), Bytes("old contents"));
    WriteFileAtomically(Path("a.dat"), Bytes("new"));
    EXPECT_EQ(ReadFileBytes(Path("a.dat")), Bytes("new"));
    WriteFileAtomically(Path("a.dat"), {});
    EXPECT_TRUE(ReadFileBytes(Path("a.dat")).empty());
    EXPECT_EQ(Names(), std::vector<std::string>{"a.dat"});
}

// Each fault: a failure keeps the old file and removes its temporary file; a stop (a killed
// process) keeps the old or the new file whole, and the next start removes what it left.
TEST_F(SafeWrite, AnyFaultLeavesTheOldOrTheNewFileAndNoLitterAfterTheNextStart) {
    const std::string target = Path("TaskList.ltl");
    const auto oldBytes = Bytes(std::string(5000, 'o'));
    const auto newBytes = Bytes(std::string(7000, 'n'));
    for (InterruptedWrites::Fault fault : InterruptedWrites::kFaults) {
        SCOPED_TRACE(static_cast<int>(fault));
        WriteFileAtomically(target, oldBytes);
        InterruptedWrites steps(fault);
        EXPECT_THROW(WriteFileAtomically(target, newBytes, steps), StreamError);
        const auto now = ReadFileBytes(target);
        EXPECT_TRUE(now == oldBytes || (fault == InterruptedWrites::Fault::StopReplaced && now == newBytes));
        if (!InterruptedWrites::Stops(fault)) {
            EXPECT_EQ(Names(), std::vector<std::string>{"TaskList.ltl"});
        }
        RemoveStaleTemporaries(target);
        EXPECT_EQ(Names(), std::vector<std::string>{"TaskList.ltl"});
        EXPECT_TRUE(ReadFileBytes(target) == now);
    }
}

TEST_F(SafeWrite, StaleTemporariesAreOnlyThoseOfTheTarget) {
    const std::string target = Path("Schedule.log");
    for (const char* name : {"Schedule.log.tmp12", "Schedule.log.tmp0a1b2c3d", "Schedule.log.tmp482913"})
        WriteFileAtomically(Path(name), Bytes("litter"));
    for (const char* name : {"Schedule.log", "Schedule.log.tmp", "Schedule.log.tmpx", "Schedule.log.tmp1.bak",
                             "Schedule.bak", "Other.log.tmp12", "Schedule.log.tmp12345678901234567"})
        WriteFileAtomically(Path(name), Bytes("keep"));
    fs::create_directories(folder_.Path() / "Schedule.log.tmp99");
    // Another spelling of the name is the same file on Windows only.
    WriteFileAtomically(Path("schedule.LOG.TMP5"), Bytes("other case"));
    auto removed = RemoveStaleTemporaries(target);
    std::vector<std::string> kept{"Other.log.tmp12", "Schedule.bak", "Schedule.log", "Schedule.log.tmp",
                                  "Schedule.log.tmp1.bak", "Schedule.log.tmp12345678901234567",
                                  "Schedule.log.tmp99", "Schedule.log.tmpx"};
#ifdef _WIN32
    EXPECT_EQ(removed.size(), 4u);
#else
    EXPECT_EQ(removed.size(), 3u);
    kept.push_back("schedule.LOG.TMP5");
#endif
    EXPECT_EQ(Names(), kept);
    EXPECT_TRUE(RemoveStaleTemporaries(Path("missing-folder/x.dat")).empty());
}
