#include "core/stream.h"

#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

namespace lark::core {

namespace fs = std::filesystem;

namespace {
fs::path PathFromUtf8(const std::string& utf8) {
    return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}
}  // namespace

void Stream::ReadExact(void* buffer, std::size_t count) {
    std::int64_t at = Position();
    if (Read(buffer, count) != count)
        throw StreamError("Stream read error: " + std::to_string(count) + " bytes wanted at offset " +
                          std::to_string(at));
}

std::vector<std::uint8_t> Stream::ReadRest() {
    std::int64_t n = Remaining();
    std::vector<std::uint8_t> out(n > 0 ? static_cast<std::size_t>(n) : 0);
    if (!out.empty()) ReadExact(out.data(), out.size());
    return out;
}

void Stream::CopyFrom(Stream& source) {
    std::uint8_t buffer[8192];
    for (;;) {
        std::size_t n = source.Read(buffer, sizeof buffer);
        if (n == 0) break;
        Write(buffer, n);
    }
}

MemoryStream::MemoryStream(const void* data, std::size_t size)
    : data_(static_cast<const std::uint8_t*>(data), static_cast<const std::uint8_t*>(data) + size) {}

std::size_t MemoryStream::Read(void* buffer, std::size_t count) {
    std::size_t n = pos_ < data_.size() ? std::min(count, data_.size() - pos_) : 0;
    if (n) std::memcpy(buffer, data_.data() + pos_, n);
    pos_ += n;
    return n;
}

void MemoryStream::Write(const void* buffer, std::size_t count) {
    if (!count) return;
    if (pos_ + count > data_.size()) data_.resize(pos_ + count);
    std::memcpy(data_.data() + pos_, buffer, count);
    pos_ += count;
}

void MemoryStream::Seek(std::int64_t position) {
    if (position < 0) throw StreamError("Stream seek error");
    pos_ = static_cast<std::size_t>(position);
}

FileStream::FileStream(const std::string& utf8Path, Mode mode) : path_(utf8Path) {
#ifdef _WIN32
    file_ = _wfopen(PathFromUtf8(utf8Path).c_str(), mode == Mode::Read ? L"rb" : L"wb");
#else
    file_ = std::fopen(utf8Path.c_str(), mode == Mode::Read ? "rb" : "wb");
#endif
    if (!file_)
        throw StreamError(std::string(mode == Mode::Read ? "Cannot open file \"" : "Cannot create file \"") +
                          utf8Path + "\". " + std::strerror(errno));
}

FileStream::~FileStream() {
    if (file_) std::fclose(file_);
}

std::size_t FileStream::Read(void* buffer, std::size_t count) { return std::fread(buffer, 1, count, file_); }

void FileStream::Write(const void* buffer, std::size_t count) {
    if (count && std::fwrite(buffer, 1, count, file_) != count)
        throw StreamError("Stream write error: \"" + path_ + "\"");
}

std::int64_t FileStream::Position() const {
#ifdef _WIN32
    return _ftelli64(file_);
#else
    return ftello(file_);
#endif
}

void FileStream::Seek(std::int64_t position) {
#ifdef _WIN32
    int rc = _fseeki64(file_, position, SEEK_SET);
#else
    int rc = fseeko(file_, position, SEEK_SET);
#endif
    if (rc != 0) throw StreamError("Stream seek error: \"" + path_ + "\"");
}

std::int64_t FileStream::Size() const {
    std::int64_t here = Position();
#ifdef _WIN32
    _fseeki64(file_, 0, SEEK_END);
    std::int64_t end = _ftelli64(file_);
    _fseeki64(file_, here, SEEK_SET);
#else
    fseeko(file_, 0, SEEK_END);
    std::int64_t end = ftello(file_);
    fseeko(file_, here, SEEK_SET);
#endif
    return end;
}

void FileStream::Truncate() {
    const std::int64_t at = Position();
    if (at >= Size()) return;
    std::fflush(file_);
    std::error_code ec;
    fs::resize_file(PathFromUtf8(path_), static_cast<std::uintmax_t>(at), ec);
    if (ec) throw StreamError("Stream write error: \"" + path_ + "\". " + ec.message());
    Seek(at);
}

void FileStream::Close() {
    if (!file_) return;
    bool ok = std::fflush(file_) == 0;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (!ok) throw StreamError("Stream write error: \"" + path_ + "\"");
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& utf8Path) {
    FileStream f(utf8Path, FileStream::Mode::Read);
    return f.ReadRest();
}

bool FileExists(const std::string& utf8Path) {
    std::error_code ec;
    return fs::is_regular_file(PathFromUtf8(utf8Path), ec);
}

void WriteFileAtomically(const std::string& utf8Path, const std::vector<std::uint8_t>& bytes) {
    fs::path target = PathFromUtf8(utf8Path);
    std::random_device rd;
    fs::path temp = target;
    temp += ".tmp" + std::to_string(rd() % 1000000);
    std::string tempUtf8(reinterpret_cast<const char*>(temp.u8string().c_str()));
    try {
        FileStream out(tempUtf8, FileStream::Mode::Create);
        if (!bytes.empty()) out.Write(bytes.data(), bytes.size());
        out.Close();
    } catch (...) {
        std::error_code ec;
        fs::remove(temp, ec);
        throw;
    }
    std::error_code ec;
    fs::rename(temp, target, ec);  // replaces an existing file on both platforms
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw StreamError("Cannot replace file \"" + utf8Path + "\". " + ec.message());
    }
}

}  // namespace lark::core
