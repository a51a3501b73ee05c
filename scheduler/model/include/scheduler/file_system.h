#pragma once
// What the task model asks of the file system, behind an interface that tests fake.
#include <string_view>

namespace lark::scheduler {

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Paths are UTF-8. A directory is not a file.
    virtual bool FileExists(std::string_view path) const = 0;
    virtual bool DirectoryExists(std::string_view path) const = 0;
};

// The machine's own file system. Failures to look (access denied, bad names) answer false.
class LocalFileSystem final : public FileSystem {
public:
    bool FileExists(std::string_view path) const override;
    bool DirectoryExists(std::string_view path) const override;
};

}  // namespace lark::scheduler
