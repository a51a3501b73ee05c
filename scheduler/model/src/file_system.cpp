#include "scheduler/file_system.h"

#include <filesystem>
#include <string>
#include <system_error>

namespace lark::scheduler {
namespace {

// Built from char8_t so the text is taken as UTF-8 on every platform; from plain char a Windows
// build would read it in the ANSI code page.
std::filesystem::path PathOf(std::string_view utf8) {
    std::u8string text(utf8.size(), u8'\0');
    for (std::size_t i = 0; i < utf8.size(); ++i) text[i] = static_cast<char8_t>(utf8[i]);
    return std::filesystem::path(text);
}

}  // namespace

bool LocalFileSystem::FileExists(std::string_view path) const {
    if (path.empty()) return false;
    std::error_code ec;
    auto st = std::filesystem::status(PathOf(path), ec);
    if (ec) return false;
    return std::filesystem::exists(st) && !std::filesystem::is_directory(st);
}

bool LocalFileSystem::DirectoryExists(std::string_view path) const {
    if (path.empty()) return false;
    std::error_code ec;
    auto st = std::filesystem::status(PathOf(path), ec);
    return !ec && std::filesystem::is_directory(st);
}

}  // namespace lark::scheduler
