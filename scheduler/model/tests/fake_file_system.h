#pragma once
// A file system for tests: the files and directories it holds are the ones a test names.
#include <functional>
#include <set>
#include <string>
#include <string_view>

#include "scheduler/file_system.h"

namespace lark::scheduler {

class FakeFiles : public FileSystem {
public:
    std::set<std::string, std::less<>> files, dirs;
    bool FileExists(std::string_view p) const override { return files.count(p) > 0; }
    bool DirectoryExists(std::string_view p) const override { return dirs.count(p) > 0; }
};

}  // namespace lark::scheduler
