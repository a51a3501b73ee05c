#pragma once
// Explorer frees the identifier lists it receives with the shell's task allocator, so every
// list handed out must come from it. The helpers take the allocator as an interface so that
// the host build and the tests can supply their own.
#include <cstddef>

namespace lark::shellext {

class ShellAllocator {
public:
    virtual ~ShellAllocator() = default;
    // Null when the memory is not available.
    virtual void* Alloc(std::size_t size) = 0;
    // Accepts null.
    virtual void Free(void* block) = 0;
};

// The shell's task allocator on Windows, malloc on the host. Obtained on first use, not at load.
ShellAllocator& DefaultShellAllocator();

}  // namespace lark::shellext
