#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "shellext/shell_allocator.h"

namespace lark::shellext {
namespace {

// SHGetMalloc hands out the COM task allocator; when it cannot be had, CoTaskMemAlloc reaches
// the same heap, so lists stay freeable by Explorer either way.
class TaskAllocator final : public ShellAllocator {
public:
    TaskAllocator() {
        if (FAILED(SHGetMalloc(&malloc_))) malloc_ = nullptr;
    }
    ~TaskAllocator() override {
        if (malloc_) malloc_->Release();
    }
    void* Alloc(std::size_t size) override {
        return malloc_ ? malloc_->Alloc(size) : CoTaskMemAlloc(size);
    }
    void Free(void* block) override {
        if (!block) return;
        if (malloc_)
            malloc_->Free(block);
        else
            CoTaskMemFree(block);
    }

private:
    IMalloc* malloc_ = nullptr;
};

}  // namespace

ShellAllocator& DefaultShellAllocator() {
    // Left alive through unload: identifiers may still be freed from other objects' destructors.
    static TaskAllocator* allocator = new TaskAllocator;
    return *allocator;
}

}  // namespace lark::shellext
