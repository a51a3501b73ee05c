// Arbitrary bytes as a task file: a loaded list or a clean error, never a crash; and what
// loads writes back readable.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/errors.h"
#include "scheduler/task_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> bytes(data, data + size);
    lark::scheduler::TLarkFTPTaskStorage storage;
    try {
        lark::scheduler::ReadTaskStream(storage, bytes);
    } catch (const lark::core::Error&) {
        return 0;
    }
    lark::scheduler::TLarkFTPTaskStorage again;
    lark::scheduler::ReadTaskStream(again, lark::scheduler::WriteTaskStream(storage));
    if (again.TaskList().Count() != storage.TaskList().Count()) __builtin_trap();
    return 0;
}
