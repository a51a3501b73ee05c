#pragma once
// Failures inside the code are exceptions of this family.
#include <stdexcept>
#include <string>

namespace lark::core {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace lark::core
