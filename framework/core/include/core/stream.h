#pragma once
// Byte streams: memory and file. Reads that come up short raise StreamError.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/errors.h"

namespace lark::core {

class StreamError : public Error {
public:
    using Error::Error;
};

class Stream {
public:
    virtual ~Stream() = default;
    // Up to count bytes; returns how many were read.
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    virtual void Write(const void* buffer, std::size_t count) = 0;
    virtual std::int64_t Position() const = 0;
    virtual void Seek(std::int64_t position) = 0;
    virtual std::int64_t Size() const = 0;

    // Exactly count bytes, or StreamError naming the offset.
    void ReadExact(void* buffer, std::size_t count);
    std::int64_t Remaining() const { return Size() - Position(); }
    // Everything from the current position on.
    std::vector<std::uint8_t> ReadRest();
    void CopyFrom(Stream& source);
};

class MemoryStream : public Stream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<std::uint8_t> data) : data_(std::move(data)) {}
    MemoryStream(const void* data, std::size_t size);

    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override;
    std::int64_t Position() const override { return static_cast<std::int64_t>(pos_); }
    void Seek(std::int64_t position) override;
    std::int64_t Size() const override { return static_cast<std::int64_t>(data_.size()); }

    const std::vector<std::uint8_t>& Data() const { return data_; }
    std::vector<std::uint8_t> TakeData() { pos_ = 0; return std::move(data_); }
    void Clear() { data_.clear(); pos_ = 0; }

private:
    std::vector<std::uint8_t> data_;
    std::size_t pos_ = 0;
};

// A file opened by a UTF-8 path.
class FileStream : public Stream {
public:
    enum class Mode { Read, Create };
    FileStream(const std::string& utf8Path, Mode mode);
    ~FileStream() override;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override;
    std::int64_t Position() const override;
    void Seek(std::int64_t position) override;
    std::int64_t Size() const override;
    // Flushes and closes, raising StreamError when the data did not reach the disk.
    void Close();

private:
    std::FILE* file_ = nullptr;
    std::string path_;
};

// Whole-file helpers over UTF-8 paths.
std::vector<std::uint8_t> ReadFileBytes(const std::string& utf8Path);
bool FileExists(const std::string& utf8Path);

// The file system steps of WriteFileAtomically, each a call, so that a test can fail any step
// or stop the write there as a killed process would. The base class does them on the disk.
class WriteSteps {
public:
    virtual ~WriteSteps() = default;
    // Creates the file, which must not exist yet, writes the bytes and flushes them to the disk
    // (FlushFileBuffers, fsync) before it returns. False when the name is taken (nothing was
    // created); raises StreamError on any other failure, leaving what it made.
    virtual bool WriteNewFile(const std::string& utf8Path, const std::vector<std::uint8_t>& bytes);
    // Puts `from` in the place of `to` in one step, replacing it; both are in one folder.
    virtual void SwapIn(const std::string& from, const std::string& to);
    // False when the file could not be removed.
    virtual bool RemoveFile(const std::string& utf8Path) noexcept;
    // Gives the file a new name in its folder; false when that name is taken (nothing changed),
    // StreamError on any other failure. An existing file is never replaced.
    virtual bool RenameNoReplace(const std::string& from, const std::string& to);
    // The steps on the machine's own disk.
    static WriteSteps& Disk();
};

// Writes the bytes to a temporary file beside the target, named after it ("<name>.tmp" and a
// number), flushes it to the disk and swaps it in. On failure the temporary file is removed, the
// previous file is left as it was and StreamError is raised. A process killed on the way leaves
// either file whole, and at most a temporary file that RemoveStaleTemporaries takes away.
void WriteFileAtomically(const std::string& utf8Path, const std::vector<std::uint8_t>& bytes,
                         WriteSteps& steps = WriteSteps::Disk());
// Removes the temporary files that interrupted writes of this target left beside it; answers
// their names. Call it when no write of the target is under way (at start-up).
std::vector<std::string> RemoveStaleTemporaries(const std::string& utf8Path, WriteSteps& steps = WriteSteps::Disk());

}  // namespace lark::core
