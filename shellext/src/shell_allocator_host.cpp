#include <cstdlib>

#include "shellext/shell_allocator.h"

namespace lark::shellext {
namespace {

class MallocAllocator final : public ShellAllocator {
public:
    void* Alloc(std::size_t size) override { return std::malloc(size == 0 ? 1 : size); }
    void Free(void* block) override { std::free(block); }
};

}  // namespace

ShellAllocator& DefaultShellAllocator() {
    static MallocAllocator allocator;
    return allocator;
}

}  // namespace lark::shellext
