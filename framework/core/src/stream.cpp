#include "core/stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#include "core/file_errors.h"
#include "core/text_encoding.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

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

#ifdef _WIN32
namespace {
std::string SystemText(DWORD error) { return std::system_category().message(static_cast<int>(error)); }
bool IsLockError(DWORD error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION; }
}  // namespace
#endif

std::vector<std::uint8_t> ReadFileBytes(const std::string& utf8Path) {
#ifdef _WIN32
    // Through the API itself: only its error codes tell a lock from other failures.
    HANDLE h = CreateFileW(PathFromUtf8(utf8Path).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const std::string text = "Cannot open file \"" + utf8Path + "\". " + SystemText(error);
        if (IsLockError(error)) throw FileLockedError(text);
        throw StreamError(text);
    }
    struct Close {
        HANDLE h;
        ~Close() { CloseHandle(h); }
    } close{h};
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(h, &size)) throw StreamError("Cannot read file \"" + utf8Path + "\". " + SystemText(GetLastError()));
    if (static_cast<unsigned long long>(size.QuadPart) > std::vector<std::uint8_t>().max_size())
        throw StreamError("The file \"" + utf8Path + "\" is too large to read");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    // To the end, also when the file grew meanwhile.
    for (;;) {
        if (done == bytes.size()) bytes.resize(bytes.size() + 65536);
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        DWORD got = 0;
        if (!ReadFile(h, bytes.data() + done, chunk, &got, nullptr)) {
            const DWORD error = GetLastError();
            const std::string text = "Cannot read file \"" + utf8Path + "\". " + SystemText(error);
            if (IsLockError(error)) throw FileLockedError(text);
            throw StreamError(text);
        }
        if (got == 0) break;
        done += got;
    }
    bytes.resize(done);
    return bytes;
#else
    FileStream f(utf8Path, FileStream::Mode::Read);
    return f.ReadRest();
#endif
}

bool FileExists(const std::string& utf8Path) {
    std::error_code ec;
    return fs::is_regular_file(PathFromUtf8(utf8Path), ec);
}

namespace {

std::string Utf8Of(const fs::path& p) {
    std::u8string s = p.u8string();
    return std::string(reinterpret_cast<const char*>(s.data()), s.size());
}

constexpr std::string_view kTempMark = ".tmp";

// "<name>.tmp" followed by 1 to 16 hex digits: the names WriteFileAtomically gives, and no other.
// Windows file names match without regard to case.
bool IsTemporaryOf(std::string_view candidate, std::string_view name) {
    if (candidate.size() <= name.size() + kTempMark.size()) return false;
    std::string_view head = candidate.substr(0, name.size() + kTempMark.size());
#ifdef _WIN32
    if (!SameTextUtf8(head, std::string(name) + std::string(kTempMark))) return false;
#else
    if (head.substr(0, name.size()) != name || head.substr(name.size()) != kTempMark) return false;
#endif
    std::string_view digits = candidate.substr(name.size() + kTempMark.size());
    if (digits.size() > 16) return false;
    for (char c : digits)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return false;
    return true;
}

#ifdef _WIN32
std::string SystemMessage(int error) { return std::system_category().message(error); }
#endif

}  // namespace

bool WriteSteps::WriteNewFile(const std::string& utf8Path, const std::vector<std::uint8_t>& bytes) {
#ifdef _WIN32
    HANDLE h = CreateFileW(PathFromUtf8(utf8Path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return false;
        throw StreamError("Cannot create file \"" + utf8Path + "\". " + SystemMessage(static_cast<int>(error)));
    }
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        ok = WriteFile(h, bytes.data() + done, chunk, &written, nullptr) && written == chunk;
        done += written;
    }
    // The data reaches the disk before the file can take the target's place.
    ok = ok && FlushFileBuffers(h);
    DWORD error = ok ? 0 : GetLastError();
    ok = CloseHandle(h) && ok;
    if (!ok) throw StreamError("Stream write error: \"" + utf8Path + "\". " + SystemMessage(static_cast<int>(error)));
    return true;
#else
    int fd = ::open(utf8Path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EEXIST) return false;
        throw StreamError("Cannot create file \"" + utf8Path + "\". " + std::strerror(errno));
    }
    std::size_t done = 0;
    int error = 0;
    while (!error && done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) error = n < 0 ? errno : EIO;
        else done += static_cast<std::size_t>(n);
    }
    // The data reaches the disk before the file can take the target's place.
    if (!error && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && !error) error = errno;
    if (error) throw StreamError("Stream write error: \"" + utf8Path + "\". " + std::strerror(error));
    return true;
#endif
}

void WriteSteps::SwapIn(const std::string& from, const std::string& to) {
#ifdef _WIN32
    if (!MoveFileExW(PathFromUtf8(from).c_str(), PathFromUtf8(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw StreamError("Cannot replace file \"" + to + "\". " + SystemMessage(static_cast<int>(GetLastError())));
#else
    if (::rename(from.c_str(), to.c_str()) != 0)
        throw StreamError("Cannot replace file \"" + to + "\". " + std::strerror(errno));
    // The new name lives in the folder: flush the folder too, or a crash may bring back the old one.
    std::string dir = Utf8Of(PathFromUtf8(to).parent_path());
    int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#endif
}

bool WriteSteps::RemoveFile(const std::string& utf8Path) noexcept {
    std::error_code ec;
    return fs::remove(PathFromUtf8(utf8Path), ec) && !ec;
}

bool WriteSteps::RenameNoReplace(const std::string& from, const std::string& to) {
#ifdef _WIN32
    // Without MOVEFILE_REPLACE_EXISTING the move fails on a taken name.
    if (MoveFileExW(PathFromUtf8(from).c_str(), PathFromUtf8(to).c_str(), MOVEFILE_WRITE_THROUGH)) return true;
    DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return false;
    throw StreamError("Cannot rename file \"" + from + "\" to \"" + to + "\". " +
                      SystemMessage(static_cast<int>(error)));
#else
    // A hard link is made only under a free name; the old name then goes.
    if (::link(from.c_str(), to.c_str()) != 0) {
        if (errno == EEXIST) return false;
        throw StreamError("Cannot rename file \"" + from + "\" to \"" + to + "\". " + std::strerror(errno));
    }
    if (::unlink(from.c_str()) != 0) {
        int error = errno;
        ::unlink(to.c_str());
        throw StreamError("Cannot rename file \"" + from + "\" to \"" + to + "\". " + std::strerror(error));
    }
    return true;
#endif
}

WriteSteps& WriteSteps::Disk() {
    static WriteSteps disk;
    return disk;
}

void WriteFileAtomically(const std::string& utf8Path, const std::vector<std::uint8_t>& bytes, WriteSteps& steps) {
    std::random_device random;
    std::string temp;
    for (int attempt = 0;; ++attempt) {
        if (attempt == 100) throw StreamError("Cannot create a temporary file for \"" + utf8Path + "\"");
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
        temp = utf8Path + std::string(kTempMark) + suffix;
        try {
            if (steps.WriteNewFile(temp, bytes)) break;
        } catch (...) {
            steps.RemoveFile(temp);
            throw;
        }
    }
    try {
        steps.SwapIn(temp, utf8Path);
    } catch (...) {
        steps.RemoveFile(temp);
        throw;
    }
}

std::vector<std::string> RemoveStaleTemporaries(const std::string& utf8Path, WriteSteps& steps) {
    const fs::path target = PathFromUtf8(utf8Path);
    const std::string name = Utf8Of(target.filename());
    fs::path dir = target.parent_path();
    if (dir.empty()) dir = ".";
    std::vector<std::string> removed;
    std::error_code ec;
    fs::directory_iterator it(dir, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string entry = Utf8Of(it->path().filename());
        std::error_code typeError;
        if (!IsTemporaryOf(entry, name) || !it->is_regular_file(typeError)) continue;
        const std::string path = Utf8Of(it->path());
        if (steps.RemoveFile(path)) removed.push_back(path);
    }
    return removed;
}

}  // namespace lark::core
