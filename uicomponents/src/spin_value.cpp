#include "uicomponents/spin_value.h"

#include <limits>

namespace lark::ui {

namespace {
constexpr std::int64_t kMin32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kMax32 = std::numeric_limits<std::int32_t>::max();

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

int SpinLimits::Clamp(std::int64_t value) const {
    if (minValue != maxValue) {
        if (value < minValue) return minValue;
        if (value > maxValue) return maxValue;
    }
    if (value < kMin32) return static_cast<int>(kMin32);
    if (value > kMax32) return static_cast<int>(kMax32);
    return static_cast<int>(value);
}

std::optional<int> ParseSpinText(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    std::int64_t magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        // Saturate one past the 32-bit range; the clamp below brings it back.
        if (magnitude <= kMax32 + 1) magnitude = magnitude * 10 + (c - '0');
    }
    std::int64_t value = negative ? -magnitude : magnitude;
    if (value < kMin32) value = kMin32;
    if (value > kMax32) value = kMax32;
    return static_cast<int>(value);
}

int SpinValueOfText(std::string_view text, const SpinLimits& limits) {
    std::optional<int> parsed = ParseSpinText(text);
    return limits.Clamp(parsed ? *parsed : limits.minValue);
}

bool SpinTextNeedsRewrite(std::string_view text, const SpinLimits& limits) {
    return text != std::to_string(SpinValueOfText(text, limits));
}

int StepSpinValue(int value, std::int64_t delta, const SpinLimits& limits) {
    return limits.Clamp(static_cast<std::int64_t>(limits.Clamp(value)) + delta);
}

bool AcceptsSpinChar(char16_t c, char16_t decimalSeparator, bool editorEnabled) {
    if (c < 32) return c != u'\r' && (editorEnabled || c != u'\b');
    if (!editorEnabled) return false;
    return c == u'+' || c == u'-' || (c >= u'0' && c <= u'9') || c == decimalSeparator;
}

}  // namespace lark::ui
