#include "scheduler/file_system.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "scheduler/schedule.h"
#include "scheduler/task.h"

namespace lark::scheduler {
namespace {

class FakeFileSystem : public FileSystem {
public:
    std::set<std::string, std::less<>> files, directories;
    bool FileExists(std::string_view path) const override { return files.find(path) != files.end(); }
    bool DirectoryExists(std::string_view path) const override {
        return directories.find(path) != directories.end();
    }
};

struct LocalNameCase {
    const char* name;
    TTaskType type;
    const char* localName;
    bool passes;
};

const LocalNameCase kLocalNames[] = {
    {"download of a missing name", TTaskType::ttGet, "C:\\nowhere\\x.txt", true},
    {"upload of a file", TTaskType::ttPut, "C:\\data\\report.txt", true},
    {"upload of a folder", TTaskType::ttPut, "C:\\data\\in", true},
    {"upload of a folder with a trailing delimiter", TTaskType::ttPut, "C:\\data\\in\\", true},
    {"upload of a folder with a trailing slash", TTaskType::ttPut, "C:\\data\\in/", true},
    {"upload of a missing name", TTaskType::ttPut, "C:\\data\\gone.txt", false},
    {"upload of a file named with a trailing delimiter", TTaskType::ttPut, "C:\\data\\report.txt\\", false},
    {"upload of an empty name", TTaskType::ttPut, "", false},
    {"upload of a bare delimiter", TTaskType::ttPut, "\\", false},
};

TEST(CheckLocalName, ChecksUploadSources) {
    FakeFileSystem fs;
    fs.files = {"C:\\data\\report.txt"};
    fs.directories = {"C:\\data", "C:\\data\\in", ""};
    for (const auto& c : kLocalNames) {
        TLarkFTPTask task;
        task.SetTaskType(c.type);
        task.SetLocalName(c.localName);
        task.SetStatus(TTaskStatus::tsPending);
        task.SetLastResult("earlier");
        EXPECT_EQ(CheckLocalName(task, fs, "Local name is invalid"), c.passes) << c.name;
        EXPECT_EQ(task.Status(), c.passes ? TTaskStatus::tsPending : TTaskStatus::tsError) << c.name;
        EXPECT_EQ(task.LastResult(), c.passes ? "earlier" : "Local name is invalid") << c.name;
    }
}

// The real file system, with a name outside ASCII: a path built from the UTF-8 text in the
// ANSI code page would miss it on Windows.
TEST(LocalFileSystem, TellsFilesFromFolders) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("scheduler_model_fs_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
#ifdef _WIN32
    const fs::path folder = root / L"\u00dcbertrag \u65e5\u672c";
#else
    const fs::path folder = root / "\xC3\x9C" "bertrag \xE6\x97\xA5\xE6\x9C\xAC";
#endif
    fs::create_directories(folder);
    std::ofstream(folder / "a.txt") << "x";

    const std::string utf8Folder = root.string() + "/\xC3\x9C" "bertrag \xE6\x97\xA5\xE6\x9C\xAC";
    const std::string utf8File = utf8Folder + "/a.txt";
    LocalFileSystem local;
    EXPECT_TRUE(local.DirectoryExists(utf8Folder));
    EXPECT_FALSE(local.FileExists(utf8Folder));
    EXPECT_TRUE(local.FileExists(utf8File));
    EXPECT_FALSE(local.DirectoryExists(utf8File));
    EXPECT_FALSE(local.FileExists(utf8Folder + "/b.txt"));
    EXPECT_FALSE(local.DirectoryExists(utf8Folder + "/b"));
    EXPECT_FALSE(local.FileExists(""));
    EXPECT_FALSE(local.DirectoryExists(""));

    TLarkFTPTask upload;
    upload.SetTaskType(TTaskType::ttPut);
    upload.SetLocalName(utf8Folder + "\\");
    EXPECT_TRUE(CheckLocalName(upload, local, "Local name is invalid"));

    fs::remove_all(root);
}

}  // namespace
}  // namespace lark::scheduler
