#pragma once
// Translation lines for the tests.
#include <initializer_list>
#include <string>
#include <string_view>

namespace lark::localization::testing {

// "id", "t1", "t2", "t3" -> id¦t1¦t2¦t3¦ with the delimiter byte 1.
inline std::string Line(std::initializer_list<std::string_view> fields) {
    std::string out;
    for (std::string_view f : fields) out += std::string(f) + '\x01';
    return out;
}

}  // namespace lark::localization::testing
