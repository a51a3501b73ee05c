#pragma once
// A fresh, empty folder for the running test under the temporary folder, removed with it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace lark::testing {

class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& prefix) {
        const auto* unit = ::testing::UnitTest::GetInstance();
        path_ = std::filesystem::temp_directory_path() /
                (prefix + "-" + std::to_string(unit->random_seed()) + "-" + unit->current_test_info()->name());
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    // The names of what the folder holds, sorted.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(path_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path path_;
};

}  // namespace lark::testing
