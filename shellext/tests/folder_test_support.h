#pragma once
// What the extension's portable tests share: the compiled data module definition.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

namespace lark::shellext::test {

inline std::vector<std::uint8_t> DataModuleDefinition() {
    std::ifstream in(LARK_SHELLEXT_FORMS "/TDM.tpf", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace lark::shellext::test
