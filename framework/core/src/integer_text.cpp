#include "core/integer_text.h"

#include <charconv>
#include <limits>

namespace lark::core {

std::optional<std::int64_t> ParseInteger(std::string_view t, IntegerSyntax syntax) {
    bool negative = false;
    if (!t.empty() && (t[0] == '-' || (t[0] == '+' && syntax.plusSign))) {
        negative = t[0] == '-';
        t.remove_prefix(1);
    }
    int base = 10;
    if (syntax.hexadecimal) {
        if (!t.empty() && t[0] == '$') {
            base = 16;
            t.remove_prefix(1);
        } else if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
            base = 16;
            t.remove_prefix(2);
        }
    }
    // from_chars on an unsigned type takes no sign, so a second sign is refused here.
    if (t.empty()) return std::nullopt;
    std::uint64_t v = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v, base);
    if (ec != std::errc() || end != t.data() + t.size()) return std::nullopt;

    const bool wide = syntax.width == IntegerWidth::Bits64;
    const std::uint64_t patternMax = wide ? std::numeric_limits<std::uint64_t>::max() : 0xFFFFFFFFull;
    const std::uint64_t positiveMax = wide ? std::uint64_t(INT64_MAX) : std::uint64_t(INT32_MAX);
    if (base == 16 && !negative) {
        if (v > patternMax) return std::nullopt;
        if (wide) return static_cast<std::int64_t>(v);
        return static_cast<std::int64_t>(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
    }
    if (negative) {
        if (v > positiveMax + 1) return std::nullopt;
        return static_cast<std::int64_t>(0 - v);
    }
    if (v > positiveMax) return std::nullopt;
    return static_cast<std::int64_t>(v);
}

}  // namespace lark::core
