#pragma once
// What the extension's portable tests share: the compiled data module definition and the fake
// main client's scripted replies.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "mainclient_fake/fake_main_client.h"

namespace lark::shellext::test {

inline std::vector<std::uint8_t> DataModuleDefinition() {
    std::ifstream in(LARK_SHELLEXT_FORMS "/TDM.tpf", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline mainclient::fake::Reply Text(std::string text) {
    mainclient::fake::Reply r;
    r.text = std::move(text);
    return r;
}
inline mainclient::fake::Reply Value(std::int32_t value) {
    mainclient::fake::Reply r;
    r.value = value;
    return r;
}
inline mainclient::fake::Reply Failure() {
    mainclient::fake::Reply r;
    r.fail = static_cast<std::int32_t>(0x80004005);
    return r;
}

}  // namespace lark::shellext::test
