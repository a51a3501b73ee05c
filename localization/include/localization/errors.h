#pragma once
#include <string>

#include "core/errors.h"

namespace lark::localization {

// Misuse of a translation component or its tables: an out-of-range language, a missing string
// identifier when exceptions are asked for, and the like.
class ELanguageError : public core::Error {
public:
    using core::Error::Error;
};

}  // namespace lark::localization
