#pragma once
// The failures of file access that a caller may want to tell apart from the others.
#include "core/stream.h"

namespace lark::core {

// Another program holds the file open without sharing it, or has locked the bytes to read: not
// damage, and it may pass (a backup tool, a virus scanner), so a reader may try again.
// ReadFileBytes raises it; every other failure of it is a plain StreamError.
class FileLockedError : public StreamError {
public:
    using StreamError::StreamError;
};

}  // namespace lark::core
