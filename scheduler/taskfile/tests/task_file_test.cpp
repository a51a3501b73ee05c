#include "scheduler/task_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "core/component_stream.h"
#include "core/datetime.h"
#include "core/errors.h"
#include "core/locale_format.h"
#include "storage/passphrase_digest.h"
#include "storage/password_cipher.h"
#include "testing/interrupted_writes.h"
#include "testing/scratch_folder.h"

using namespace lark;
using namespace lark::scheduler;
using lark::testing::InterruptedWrites;
namespace fs = std::filesystem;

namespace {

// An independent walker of the task file, written from the file format alone: the task
// properties as (name, tag, payload bytes), so the writer is checked against the format rather
// than against its own reader.
struct RawProp {
    std::string name;
    std::uint8_t tag;
    std::vector<std::uint8_t> payload;
};

struct RawFile {
    std::string className;
    std::vector<std::vector<RawProp>> tasks;
};

RawFile Walk(const std::vector<std::uint8_t>& b) {
    std::size_t p = 0;
    auto need = [&](std::size_t n) {
        if (p + n > b.size()) throw std::runtime_error("short");
    };
    auto u8 = [&] { need(1); return b[p++]; };
    auto u32 = [&] { need(4); std::uint32_t v; std::memcpy(&v, &b[p], 4); p += 4; return v; };
    auto shortStr = [&] { std::size_t n = u8(); need(n); std::string s(b.begin() + long(p), b.begin() + long(p + n)); p += n; return s; };
    RawFile f;
    need(4);
    if (std::memcmp(b.data(), "TPF0", 4) != 0) throw std::runtime_error("signature");
    p = 4;
    f.className = shortStr();
    if (!shortStr().empty()) throw std::runtime_error("name");
    if (shortStr() != "TaskList" || u8() != 0x0E) throw std::runtime_error("TaskList");
    while (true) {
        std::uint8_t t = u8();
        if (t == 0) break;
        if (t != 0x01) throw std::runtime_error("item");
        std::vector<RawProp> props;
        while (b.at(p) != 0) {
            RawProp prop;
            prop.name = shortStr();
            prop.tag = u8();
            std::size_t start = p;
            switch (prop.tag) {
                case 0x02: p += 1; break;
                case 0x03: p += 2; break;
                case 0x04: p += 4; break;
                case 0x05: p += 10; break;
                case 0x06: case 0x07: { std::size_t n = u8(); p += n; break; }
                case 0x08: case 0x09: break;
                case 0x0B: while (!shortStr().empty()) {} break;
                case 0x0C: case 0x14: { std::size_t n = u32(); p += n; break; }
                case 0x12: { std::size_t n = u32(); p += 2 * n; break; }
                default: throw std::runtime_error("tag");
            }
            need(0);
            prop.payload.assign(b.begin() + long(start), b.begin() + long(p));
            props.push_back(prop);
        }
        ++p;
        f.tasks.push_back(props);
    }
    if (u8() != 0 || u8() != 0 || p != b.size()) throw std::runtime_error("trailer");
    return f;
}

std::vector<std::string> Names(const std::vector<RawProp>& props) {
    std::vector<std::string> n;
    for (const auto& p : props) n.push_back(p.name);
    return n;
}

const RawProp& Find(const std::vector<RawProp>& props, const std::string& name) {
    for (const auto& p : props)
        if (p.name == name) return p;
    throw std::runtime_error("no " + name);
}

TLarkFTPTask& NewProfileTask(TLarkFTPTaskStorage& s) {
    TLarkFTPTask& t = s.TaskList().Add();
    t.SetLocalName("C:\\data\\report.txt");
    t.SetRemoteName("/pub/report.txt");
    t.SetRemoteURL("My site");
    t.SetUseProfile(true);
    t.SetStartTime(core::EncodeDateTime(2026, 12, 24, 10, 30, 0, 0));
    t.SetEveryDayOfMonth(1);
    return t;
}

std::string Decipher(const std::vector<std::uint8_t>& payload) {
    // A short string (tag 0x06) holding the Base64 text.
    std::string text(payload.begin() + 1, payload.end());
    auto key = storage::PassphraseDigest16("hD42mQ#rwJ;tXbN");
    return storage::AesTextCipher(text, key.data(), key.size(), false);
}

}  // namespace

TEST(TaskFile, ANewTaskWritesExactlyItsNonDefaultProperties) {
    TLarkFTPTaskStorage s;
    NewProfileTask(s);
    auto bytes = WriteTaskStream(s);
    ASSERT_GE(bytes.size(), 25u);
    EXPECT_EQ(bytes[4], 19);
    EXPECT_EQ(std::string(bytes.begin() + 5, bytes.begin() + 24), "TLarkFTPTaskStorage");
    EXPECT_EQ(bytes[24], 0);
    RawFile f = Walk(bytes);
    ASSERT_EQ(f.tasks.size(), 1u);
    EXPECT_EQ(Names(f.tasks[0]), (std::vector<std::string>{"UseProfile", "LocalName", "RemoteName", "TaskType",
                                                           "RemoteURL", "ScheduleTask", "StartTime", "Status",
                                                           "EveryDayOfMonth", "IsFolder", "UserPassword"}));
    EXPECT_EQ(Find(f.tasks[0], "UseProfile").tag, 0x09);
    EXPECT_EQ(Find(f.tasks[0], "TaskType").payload, (std::vector<std::uint8_t>{5, 't', 't', 'G', 'e', 't'}));
    EXPECT_EQ(Find(f.tasks[0], "IsFolder").tag, 0x08);
    EXPECT_EQ(Find(f.tasks[0], "EveryDayOfMonth").payload, (std::vector<std::uint8_t>{1}));
    const RawProp& start = Find(f.tasks[0], "StartTime");
    EXPECT_EQ(start.tag, 0x05);
    EXPECT_EQ(core::ExtendedToDouble(start.payload.data()), s.TaskList().Items(0).StartTime());
    const RawProp& pw = Find(f.tasks[0], "UserPassword");
    EXPECT_EQ(pw.tag, 0x06);
    EXPECT_EQ(pw.payload.size(), 1u + 44u);  // an empty password: 32 cipher bytes, 44 characters
    EXPECT_EQ(Decipher(pw.payload), "");
}

TEST(TaskFile, ValueFormsOfTheExamples) {
    TLarkFTPTaskStorage s;
    TLarkFTPTask& t = NewProfileTask(s);
    t.SetWeekDays(TWeekDays{1, 3, 5});
    t.SetEveryWeek(300);
    t.SetLocalName("C:\\K\xC3\xA4se");
    t.SetRemoteName("/\xE6\x97\xA5\xE6\x9C\xAC");
    t.SetTaskID(0xFFFFFFFEu);
    t.SetUserPassword("geheim");
    RawFile f = Walk(WriteTaskStream(s));
    const auto& props = f.tasks[0];
    EXPECT_EQ(Find(props, "WeekDays").payload, (std::vector<std::uint8_t>{1, '1', 1, '3', 1, '5', 0}));
    const RawProp& week = Find(props, "EveryWeek");
    EXPECT_EQ(week.tag, 0x03);
    EXPECT_EQ(week.payload, (std::vector<std::uint8_t>{0x2C, 0x01}));
    EXPECT_EQ(Find(props, "LocalName").tag, 0x14);
    EXPECT_EQ(Find(props, "RemoteName").tag, 0x12);
    const RawProp& id = Find(props, "TaskID");
    EXPECT_EQ(id.tag, 0x02);  // -2 as a signed value
    EXPECT_EQ(id.payload, (std::vector<std::uint8_t>{0xFE}));
    EXPECT_EQ(Decipher(Find(props, "UserPassword").payload), "geheim");
}

TEST(TaskFile, DefaultsAreLeftOutAndReadBackBothWays) {
    TLarkFTPTaskStorage s;
    TLarkFTPTask& plain = NewProfileTask(s);
    (void)plain;
    TLarkFTPTask& other = NewProfileTask(s);
    other.SetDeleteCompleted(false);
    other.SetWeekDays(TWeekDays{});
    RawFile f = Walk(WriteTaskStream(s));
    for (const char* name : {"DeleteCompleted", "DayInterval", "EveryWeek", "WeekDays", "Months"})
        EXPECT_THROW(Find(f.tasks[0], name), std::runtime_error) << name;
    EXPECT_EQ(Find(f.tasks[1], "DeleteCompleted").tag, 0x08);
    EXPECT_EQ(Find(f.tasks[1], "WeekDays").payload, (std::vector<std::uint8_t>{0}));

    TLarkFTPTaskStorage back;
    ReadTaskStream(back, WriteTaskStream(s));
    ASSERT_EQ(back.TaskList().Count(), 2);
    const TLarkFTPTask& a = back.TaskList().Items(0);
    EXPECT_TRUE(a.DeleteCompleted());
    EXPECT_EQ(a.DayInterval(), 1);
    EXPECT_EQ(a.EveryWeek(), 1);
    EXPECT_EQ(a.WeekDays(), TWeekDays{1});
    EXPECT_EQ(a.Months(), TMonths::All());
    const TLarkFTPTask& b = back.TaskList().Items(1);
    EXPECT_FALSE(b.DeleteCompleted());
    EXPECT_TRUE(b.WeekDays().Empty());
}

TEST(TaskFile, WriteReadWriteIsByteIdenticalForEveryField) {
    // Ids at and beyond the signed boundary are written as negative values and read back whole.
    const std::uint32_t ids[] = {0, 40000, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFEu, 160000};
    TLarkFTPTaskStorage s;
    for (int i = 0; i < 6; ++i) {
        TLarkFTPTask& t = s.TaskList().Add();
        t.SetTaskID(ids[i]);
        t.SetUseProfile(i % 2);
        t.SetLocalName(i == 3 ? std::string(300, 'L') : "C:\\f" + std::to_string(i));
        t.SetRemoteName(i == 4 ? "/\xC3\xA9t\xC3\xA9" : "/r");
        t.SetTaskType(i % 2 ? TTaskType::ttPut : TTaskType::ttGet);
        t.SetRemoteURL("host" + std::to_string(i));
        t.SetUserName(i == 5 ? "\xE4\xB8\xAD\xE6\x96\x87" : "user");
        t.SetScheduleTask(static_cast<TScheduleTask>(i % 5));
        t.SetStartTime(45000.25 + i / 7.0);
        t.SetLastTime(i ? 45001.5 : 0);
        t.SetComments(i == 2 ? std::string(70000, 'c') : "");
        t.SetDeleteCompleted(i % 3 != 0);
        t.SetStatus(static_cast<TTaskStatus>(i));
        t.SetDayInterval(i * 50);
        t.SetEveryWeek(-i);
        t.SetWeekDays(TWeekDays::FromBits(static_cast<std::uint32_t>(i * 21)));
        t.SetEveryDayOfMonth(i * 6);
        t.SetMonths(TMonths::FromBits(static_cast<std::uint32_t>(i * 1000)));
        t.SetLastResult(i ? "Successfully completed\r\n12/10/2026 9:00:00" : "");
        t.SetIsFolder(i % 2);
        t.SetProxyServer(i == 1 ? "proxy" : "");
        t.SetProxyPort(i == 1 ? "8080" : "");
        t.SetUserPassword(std::string(static_cast<std::size_t>(i * 7), static_cast<char>('a' + i)));
    }
    auto first = WriteTaskStream(s);
    TLarkFTPTaskStorage back;
    ReadTaskStream(back, first);
    ASSERT_EQ(back.TaskList().Count(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(back.TaskList().Items(i).UserPassword(), s.TaskList().Items(i).UserPassword());
        EXPECT_EQ(back.TaskList().Items(i).TaskID(), ids[i]);
    }
    auto second = WriteTaskStream(back);
    // The password texts differ by their random starting block; everything else is identical.
    RawFile a = Walk(first), b = Walk(second);
    ASSERT_EQ(a.tasks.size(), b.tasks.size());
    for (std::size_t i = 0; i < a.tasks.size(); ++i) {
        ASSERT_EQ(Names(a.tasks[i]), Names(b.tasks[i]));
        for (std::size_t k = 0; k < a.tasks[i].size(); ++k)
            if (a.tasks[i][k].name != "UserPassword") {
                EXPECT_EQ(a.tasks[i][k].tag, b.tasks[i][k].tag) << a.tasks[i][k].name;
                EXPECT_EQ(a.tasks[i][k].payload, b.tasks[i][k].payload) << a.tasks[i][k].name;
            }
    }
}

// The stream's doubles are the file's, not the user's: a German regional setting neither
// changes what is written nor what is read.
TEST(TaskFile, TheUsersRegionalSettingsChangeNothing) {
    TLarkFTPTaskStorage s;
    TLarkFTPTask& t = s.TaskList().Add();
    t.SetLocalName("C:\\data\\a.txt");
    t.SetStartTime(core::EncodeDateTime(2026, 12, 10, 9, 30, 15, 250));
    t.SetLastTime(45001.5);
    t.SetScheduleTask(TScheduleTask::stDaily);
    const auto english = WriteTaskStream(s);
    const core::FormatSettings saved = core::DefaultFormatSettings();
    core::LocaleAnswers german;
    german.shortDate = "dd.MM.yyyy";
    german.longTime = "HH:mm:ss";
    german.dateSeparator = ".";
    german.decimalSeparator = ",";
    core::DefaultFormatSettings() = core::RegionalSettingsFromLocale(german).formats;
    const auto local = WriteTaskStream(s);
    TLarkFTPTaskStorage back;
    ReadTaskStream(back, english);
    core::DefaultFormatSettings() = saved;
    // Identical but for the password text's random starting block.
    RawFile a = Walk(english), b = Walk(local);
    ASSERT_EQ(a.tasks.size(), 1u);
    ASSERT_EQ(Names(a.tasks[0]), Names(b.tasks[0]));
    for (std::size_t k = 0; k < a.tasks[0].size(); ++k) {
        if (a.tasks[0][k].name != "UserPassword") {
            EXPECT_EQ(a.tasks[0][k].payload, b.tasks[0][k].payload) << a.tasks[0][k].name;
        }
    }
    ASSERT_EQ(back.TaskList().Count(), 1);
    EXPECT_EQ(back.TaskList().Items(0).StartTime(), t.StartTime());
    EXPECT_EQ(back.TaskList().Items(0).LastTime(), 45001.5);
    EXPECT_EQ(back.TaskList().Items(0).ScheduleTask(), TScheduleTask::stDaily);
}

TEST(TaskFile, ADamagedFileChangesNothing) {
    TLarkFTPTaskStorage s;
    NewProfileTask(s).SetUserPassword("pw");
    NewProfileTask(s).SetComments("second");
    auto bytes = WriteTaskStream(s);
    TLarkFTPTaskStorage target;
    target.TaskList().Add().SetComments("mine");
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        std::vector<std::uint8_t> part(bytes.begin(), bytes.begin() + long(cut));
        EXPECT_THROW(ReadTaskStream(target, part), core::Error) << cut;
        ASSERT_EQ(target.TaskList().Count(), 1);
        EXPECT_EQ(target.TaskList().Items(0).Comments(), "mine");
    }
    auto unknown = bytes;
    auto at = std::search(unknown.begin(), unknown.end(), std::begin("Comments"), std::end("Comments") - 1);
    *at = 'X';
    try {
        ReadTaskStream(target, unknown);
        FAIL();
    } catch (const core::ReadError& e) {
        EXPECT_NE(std::string(e.what()).find("Xomments"), std::string::npos) << e.what();
    }
    EXPECT_EQ(target.TaskList().Count(), 1);
}

TEST(TaskFile, AnEmptyListEmptiesAndABadPasswordIsReported) {
    TLarkFTPTaskStorage empty;
    TLarkFTPTaskStorage target;
    target.TaskList().Add();
    ReadTaskStream(target, WriteTaskStream(empty));
    EXPECT_EQ(target.TaskList().Count(), 0);

    TLarkFTPTaskStorage s;
    NewProfileTask(s).SetUserPassword("one");
    NewProfileTask(s).SetUserPassword("two");
    auto bytes = WriteTaskStream(s);
    // Damage the second task's password text.
    std::vector<std::size_t> hits;
    for (std::size_t i = 0; i + 12 < bytes.size(); ++i)
        if (std::memcmp(&bytes[i], "UserPassword", 12) == 0) hits.push_back(i);
    ASSERT_EQ(hits.size(), 2u);
    std::size_t textStart = hits[1] + 12 + 2;
    ASSERT_EQ(bytes[textStart - 1], 44);  // a 3-byte password: 32 cipher bytes, 44 characters
    std::memset(&bytes[textStart], '!', 44);
    LoadResult r = ReadTaskStream(target, bytes);
    ASSERT_EQ(target.TaskList().Count(), 2);
    EXPECT_EQ(target.TaskList().Items(0).UserPassword(), "one");
    EXPECT_EQ(target.TaskList().Items(1).UserPassword(), "");
    EXPECT_EQ(r.undecipheredPasswords, std::vector<int>{1});
}

TEST(TaskFile, FilesAreSavedSafelyAndLoaded) {
    fs::path dir = fs::temp_directory_path() / ("lark-taskfile-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(dir);
    TLarkFTPTaskStorage s;
    NewProfileTask(s).SetUserPassword("x");
    std::string name = (dir / "new" / "folder" / "TaskList.ltl").string();
    SaveToFile(s, name);
    TLarkFTPTaskStorage back;
    EXPECT_TRUE(LoadFromFile(back, name).loaded);
    ASSERT_EQ(back.TaskList().Count(), 1);
    EXPECT_EQ(back.TaskList().Items(0).UserPassword(), "x");
    EXPECT_FALSE(LoadFromFile(back, (dir / "none.ltl").string()).loaded);
    EXPECT_EQ(back.TaskList().Count(), 1);
    SaveToFile(s, "");  // nothing happens

    // A file that cannot be replaced stays as it was.
    std::string blocked = (dir / "blocked.ltl").string();
    fs::create_directories(fs::path(blocked) / "inside");
    EXPECT_THROW(SaveToFile(s, blocked), core::Error);
    EXPECT_TRUE(fs::is_directory(fs::path(blocked) / "inside"));
    fs::remove_all(dir);
}

TEST(TaskFile, APasswordWindows1252CannotHoldIsReported) {
    EXPECT_TRUE(CanStorePassword(""));
    EXPECT_TRUE(CanStorePassword("s3cr\xC3\xA9t \xE2\x82\xAC"));  // é and the euro sign exist in Windows-1252
    EXPECT_FALSE(CanStorePassword("\xE5\xAF\x86\xE7\xA0\x81x"));   // 密码x
    EXPECT_FALSE(CanStorePassword("\xF0\x9F\x94\x91"));

    TLarkFTPTaskStorage s;
    NewProfileTask(s).SetUserPassword("plain");
    NewProfileTask(s).SetUserPassword("\xE5\xAF\x86\xE7\xA0\x81x");
    NewProfileTask(s).SetUserPassword("\xC3\xA9t\xC3\xA9");
    std::vector<int> changed;
    auto bytes = WriteTaskStream(s, &changed);
    EXPECT_EQ(changed, std::vector<int>{1});
    TLarkFTPTaskStorage back;
    ReadTaskStream(back, bytes);
    EXPECT_EQ(back.TaskList().Items(1).UserPassword(), "??x");
    EXPECT_EQ(back.TaskList().Items(2).UserPassword(), "\xC3\xA9t\xC3\xA9");
}

namespace {

class TaskFileOnDisk : public ::testing::Test {
protected:
    std::vector<std::string> Names() const { return folder_.Names(); }
    static std::vector<std::string> Comments(const TLarkFTPTaskStorage& s) {
        std::vector<std::string> c;
        for (int i = 0; i < s.TaskList().Count(); ++i) c.push_back(s.TaskList().Items(i).Comments());
        return c;
    }
    static void Fill(TLarkFTPTaskStorage& s, const std::string& prefix, int n) {
        for (int i = 0; i < n; ++i) NewProfileTask(s).SetComments(prefix + std::to_string(i));
    }

    lark::testing::ScratchFolder folder_{"lark-taskdisk"};
    fs::path dir_ = folder_.Path();
    std::string file_ = folder_.File("TaskList.ltl");
};

}  // namespace

// A save stopped or failed at any of its steps leaves a file that loads with the whole old or
// the whole new list, and the next start leaves no temporary file behind.
TEST_F(TaskFileOnDisk, AnInterruptedSaveLoadsTheOldOrTheNewListAndLeavesNoLitter) {
    TLarkFTPTaskStorage oldList, newList;
    Fill(oldList, "old", 3);
    Fill(newList, "new", 40);
    for (auto fault : InterruptedWrites::kFaults) {
        SCOPED_TRACE(static_cast<int>(fault));
        SaveToFile(oldList, file_);
        InterruptedWrites steps(fault);
        EXPECT_THROW(SaveToFile(newList, file_, steps), core::Error);

        TLarkFTPTaskStorage next;  // the next start
        TaskFileStartup start = OpenTaskFile(next, file_);
        EXPECT_EQ(start.state, TaskFileStartup::State::Loaded) << start.error;
        EXPECT_TRUE(Comments(next) == Comments(oldList) ||
                    (fault == InterruptedWrites::Fault::StopReplaced && Comments(next) == Comments(newList)));
        EXPECT_EQ(Names(), std::vector<std::string>{"TaskList.ltl"});
        EXPECT_EQ(start.removedTemporaries.empty(), !InterruptedWrites::Stops(fault) ||
                                                       fault == InterruptedWrites::Fault::StopReplaced);
    }
}

#ifndef _WIN32
// The same with real kills: a child process saves two lists in turn until it is killed at a
// random moment; the file always loads whole, and the next start removes what the kill left.
TEST_F(TaskFileOnDisk, AKilledSaverLeavesAWholeListAndTheNextStartNoLitter) {
    TLarkFTPTaskStorage a, b;
    Fill(a, "a", 3);
    Fill(b, "b", 400);
    SaveToFile(a, file_);
    std::mt19937 random(::testing::UnitTest::GetInstance()->random_seed());
    int litter = 0;
    for (int kill = 0; kill < 40; ++kill) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i) {
                try {
                    SaveToFile(i % 2 ? a : b, file_);
                } catch (...) {
                    _exit(2);
                }
            }
        }
        usleep(static_cast<useconds_t>(random() % 30000));
        ::kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saver stopped by itself";

        TLarkFTPTaskStorage next;
        TaskFileStartup start = OpenTaskFile(next, file_);
        ASSERT_EQ(start.state, TaskFileStartup::State::Loaded) << start.error;
        EXPECT_TRUE(Comments(next) == Comments(a) || Comments(next) == Comments(b));
        EXPECT_EQ(Names(), std::vector<std::string>{"TaskList.ltl"});
        litter += static_cast<int>(start.removedTemporaries.size());
    }
    RecordProperty("temporaryFilesRemoved", litter);
}
#endif

TEST_F(TaskFileOnDisk, ADamagedFileIsSetAsideUnderANewNameEachTime) {
    const std::vector<std::uint8_t> damaged{'T', 'P', 'F', '0', 1, 'X'};
    for (int run = 1; run <= 3; ++run) {
        std::ofstream(file_, std::ios::binary).write(reinterpret_cast<const char*>(damaged.data()), 5 + run % 2);
        TLarkFTPTaskStorage s;
        TaskFileStartup start = OpenTaskFile(s, file_);
        ASSERT_EQ(start.state, TaskFileStartup::State::SetAside);
        EXPECT_FALSE(start.error.empty());
        EXPECT_EQ(start.asideName, file_ + (run == 1 ? "" : "." + std::to_string(run)) + ".damaged");
        EXPECT_FALSE(s.ReadOnly());
        EXPECT_EQ(s.TaskList().Count(), 0);
        SaveToFile(s, file_);  // the save at exit
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"TaskList.ltl", "TaskList.ltl.2.damaged", "TaskList.ltl.3.damaged",
                                                 "TaskList.ltl.damaged"}));
    for (const char* name : {"TaskList.ltl.damaged", "TaskList.ltl.3.damaged"})
        EXPECT_EQ(core::ReadFileBytes((dir_ / name).string()).size(), 6u) << name;
    EXPECT_EQ(core::ReadFileBytes((dir_ / "TaskList.ltl.2.damaged").string()).size(), 5u);
}

namespace {
// A disk on which the damaged file cannot be renamed.
class NoRename : public core::WriteSteps {
public:
    bool RenameNoReplace(const std::string& from, const std::string&) override {
        throw core::StreamError("Cannot rename file \"" + from + "\". Access is denied.");
    }
};
}  // namespace

TEST_F(TaskFileOnDisk, ADamagedFileThatCannotBeSetAsideIsNeverSavedOver) {
    TLarkFTPTaskStorage good;
    Fill(good, "kept", 2);
    SaveToFile(good, file_);
    auto bytes = core::ReadFileBytes(file_);
    bytes.resize(bytes.size() - 3);  // cut short: unreadable, yet the user's tasks are in there
    core::WriteFileAtomically(file_, bytes);

    TLarkFTPTaskStorage s;
    NoRename noRename;
    TaskFileStartup start = OpenTaskFile(s, file_, {}, noRename);
    EXPECT_EQ(start.state, TaskFileStartup::State::ReadOnly);
    EXPECT_NE(start.asideError.find("Access is denied"), std::string::npos);
    EXPECT_TRUE(s.ReadOnly());
    s.TaskList().Add();
    EXPECT_THROW(SaveToFile(s, file_), core::Error);  // the save at exit
    EXPECT_EQ(core::ReadFileBytes(file_), bytes);
    EXPECT_EQ(Names(), std::vector<std::string>{"TaskList.ltl"});
}

// The list that its own file cannot take goes beside it, under a name that replaces nothing.
TEST_F(TaskFileOnDisk, AListSavedBesideItsFileReplacesNothing) {
    TLarkFTPTaskStorage s;
    Fill(s, "t", 2);
    s.SetReadOnly(true);  // beside a file it must not write over
    std::ofstream(file_ + ".unsaved-20261211-013000", std::ios::binary) << "an earlier copy";
    EXPECT_EQ(SaveBeside(s, file_, "20261211-013000"), file_ + ".unsaved-20261211-013000-2");
    EXPECT_EQ(SaveBeside(s, file_, "20261211-013000"), file_ + ".unsaved-20261211-013000-3");
    EXPECT_EQ(core::ReadFileBytes(file_ + ".unsaved-20261211-013000").size(), 15u);
    TLarkFTPTaskStorage back;
    LoadFromFile(back, file_ + ".unsaved-20261211-013000-3");
    EXPECT_EQ(Comments(back), Comments(s));
    EXPECT_FALSE(fs::exists(file_));
    EXPECT_EQ(FileStamp(core::EncodeDate(2026, 12, 1) + core::EncodeTime(9, 5, 7, 0)), "20261201-090507");
}

#ifdef _WIN32
// A task file another program holds open without sharing it: not damage. It is tried again
// while the wait allows; once free it loads, and one that stays held is neither set aside nor
// written over.
TEST_F(TaskFileOnDisk, ALockedFileIsTriedAgainAndNeverSetAside) {
    TLarkFTPTaskStorage good;
    Fill(good, "kept", 2);
    SaveToFile(good, file_);
    const auto bytes = core::ReadFileBytes(file_);
    const std::wstring wide(file_.begin(), file_.end());
    for (const int freedAfter : {3, -1}) {
        SCOPED_TRACE(freedAfter);
        HANDLE holder = CreateFileW(wide.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        int waits = 0;
        auto wait = [&] {
            if (++waits == freedAfter) {
                CloseHandle(holder);
                holder = INVALID_HANDLE_VALUE;
            }
            return waits < 5;
        };
        TLarkFTPTaskStorage s;
        TaskFileStartup start = OpenTaskFile(s, file_, {}, core::WriteSteps::Disk(), wait);
        if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
        if (freedAfter > 0) {
            EXPECT_EQ(start.state, TaskFileStartup::State::Loaded) << start.error;
            EXPECT_EQ(waits, freedAfter);
            EXPECT_EQ(Comments(s), Comments(good));
            EXPECT_FALSE(s.ReadOnly());
        } else {
            EXPECT_EQ(start.state, TaskFileStartup::State::Locked);
            EXPECT_EQ(waits, 5);
            EXPECT_TRUE(s.ReadOnly());
            EXPECT_FALSE(start.error.empty());
        }
        EXPECT_EQ(core::ReadFileBytes(file_), bytes);
        EXPECT_EQ(Names(), std::vector<std::string>{"TaskList.ltl"});
    }
}
#endif

TEST_F(TaskFileOnDisk, StartUpWithoutAFileOrWithAGoodOne) {
    TLarkFTPTaskStorage s;
    EXPECT_EQ(OpenTaskFile(s, file_).state, TaskFileStartup::State::Loaded);
    EXPECT_FALSE(OpenTaskFile(s, file_).load.loaded);
    Fill(s, "t", 2);
    SaveResult saved = SaveToFile(s, file_);
    EXPECT_TRUE(saved.changedPasswords.empty());
    TLarkFTPTaskStorage back;
    TaskFileStartup start = OpenTaskFile(back, file_);
    EXPECT_TRUE(start.load.loaded);
    EXPECT_EQ(Comments(back), Comments(s));
}

TEST(TaskFile, ALongLoadTellsHowFarItHasCome) {
    TLarkFTPTaskStorage s;
    for (int i = 0; i < 3000; ++i) NewProfileTask(s).SetComments("task " + std::to_string(i));
    auto bytes = WriteTaskStream(s);
    std::vector<std::int64_t> seen;
    TLarkFTPTaskStorage back;
    ReadTaskStream(back, bytes, [&](std::int64_t done, std::int64_t total) {
        EXPECT_EQ(total, static_cast<std::int64_t>(bytes.size()));
        seen.push_back(done);
    });
    EXPECT_EQ(back.TaskList().Count(), 3000);
    ASSERT_GE(seen.size(), 5u);
    EXPECT_LE(seen.size(), 102u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.back(), static_cast<std::int64_t>(bytes.size()));
}
