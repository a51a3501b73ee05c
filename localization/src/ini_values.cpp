// Floating-point texts of the in-memory INI file; dates and times are core's.
#include <charconv>
#include <cmath>

#include "localization/mem_ini.h"

namespace lark::localization {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

char DecimalSeparatorOf(const core::FormatSettings& fs) {
    return fs.DecimalSeparator.empty() ? '.' : fs.DecimalSeparator.front();
}

}  // namespace

std::string FloatToText(double value, const core::FormatSettings& fs) {
    char buf[64];
    const auto [p, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    std::string out(buf, ec == std::errc() ? p : buf);
    for (auto& c : out)
        if (c == '.') c = DecimalSeparatorOf(fs);
    return out;
}

bool TextToFloat(std::string_view text, const core::FormatSettings& fs, double& value) {
    std::string s(Trim(text));
    if (s.empty()) return false;
    const char separator = DecimalSeparatorOf(fs);
    for (auto& c : s) {
        if (c == separator) c = '.';
        else if (c == '.') return false;  // a point that is not the separator
    }
    const char* begin = s.data() + (s[0] == '+' ? 1 : 0);
    const auto [p, ec] = std::from_chars(begin, s.data() + s.size(), value);
    return ec == std::errc() && p == s.data() + s.size() && std::isfinite(value);
}

}  // namespace lark::localization
