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
    // Cuts the stream at the current position (a rewrite shorter than the old content).
    virtual void Truncate() = 0;

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
    void Truncate() override { data_.resize(pos_ < data_.size() ? pos_ : data_.size()); }

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
    void Truncate() override;
    // Flushes and closes, raising StreamError when the data did not reach the disk.
    void Close();

private:
    std::FILE* file_ = nullptr;
    std::string path_;
};

// Whole-file helpers over UTF-8 paths.
std::vector<std::uint8_t> ReadFileBytes(const std::string& utf8Path);
bool FileExists(const std::string& utf8Path);
// Writes to a temporary file in the same folder and swaps it in; on failure the previous file
// is left as it was and StreamError is raised.
void WriteFileAtomically(const std::string& utf8Path, const std::vector<std::uint8_t>& bytes);

}  // namespace lark::core
