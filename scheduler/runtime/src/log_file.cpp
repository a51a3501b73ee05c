#include "scheduler/log_file.h"

#include <filesystem>
#include <system_error>

#include "core/stream.h"
#include "core/text_encoding.h"

namespace lark::scheduler {

namespace fs = std::filesystem;

namespace {
fs::path Path(const std::string& utf8) {
    return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}
std::string Utf8(const fs::path& p) {
    std::u8string s = p.u8string();
    return std::string(reinterpret_cast<const char*>(s.data()), s.size());
}
}  // namespace

TLogFile::TLogFile(const core::Clock& clock, const StringSource& strings, std::string programFolder,
                   const core::FormatSettings& formats)
    : clock_(clock), strings_(strings), programFolder_(std::move(programFolder)), formats_(formats) {
    fileName_ = programFolder_ + "Schedule.log";
}

void TLogFile::AssignLogFile(const std::string& name) {
    std::string fallback = programFolder_ + "Schedule.log";
    if (name.empty()) {
        fileName_ = fallback;
        return;
    }
    fileName_ = name;
    fs::path dir = Path(name).parent_path();
    if (dir.empty()) return;
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir, ec)) fileName_ = fallback;
}

void TLogFile::Add(const std::string& text) {
    lines_.push_back(core::DateTimeToStr(clock_.Now(), formats_) + " : " + text);
}

std::string TLogFile::Stamp(const std::string& formatId) const {
    return core::FormatDateTime(strings_.Text(formatId), clock_.Now(), formats_);
}

void TLogFile::CheckSize() {
    if (!core::FileExists(fileName_)) return;
    std::vector<std::uint8_t> text = core::ReadFileBytes(fileName_);
    if (text.size() <= maxSize_) return;
    fs::path bak = Path(fileName_);
    bak.replace_extension(".bak");
    core::WriteFileAtomically(Utf8(bak), text);
    std::error_code ec;
    fs::remove(Path(fileName_), ec);
}

void TLogFile::StartLogging() {
    CheckSize();
    lines_.push_back(Stamp("IDS_12"));
}

void TLogFile::EndLogging() {
    std::vector<std::string> pending = lines_;
    pending.push_back(Stamp("IDS_13"));
    std::vector<std::uint8_t> text;
    if (core::FileExists(fileName_)) text = core::ReadFileBytes(fileName_);
    for (const std::string& line : pending) {
        std::string bytes = core::Utf8ToWin1252(line);
        text.insert(text.end(), bytes.begin(), bytes.end());
        text.push_back('\r');
        text.push_back('\n');
    }
    // Written whole to a temporary name and swapped in: a failure keeps both the old file and
    // the collected lines.
    core::WriteFileAtomically(fileName_, text);
    lines_.clear();
}

}  // namespace lark::scheduler
