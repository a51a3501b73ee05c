// Arbitrary bytes as the DROPFILES block of a drop or paste: the reader must never read outside
// the block, and every name it returns must lie inside it and be terminated there.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "shellext/transfer_actions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exact-size heap copy, so ASan reports any read past the end.
    std::vector<std::uint8_t> block(data, data + size);
    const std::vector<std::string> names = lark::shellext::ReadDropFileList(std::span<const std::uint8_t>(block));
    std::size_t total = 0;
    for (const std::string& name : names) {
        if (name.empty()) std::abort();  // an empty name ends the list
        total += name.size();
    }
    // Each byte of the block gives at most three bytes of UTF-8 (a lone surrogate or a
    // Windows-1252 character), and the header gives none.
    if (size < 20 ? !names.empty() : total > 3 * (size - 20)) std::abort();
    return 0;
}
