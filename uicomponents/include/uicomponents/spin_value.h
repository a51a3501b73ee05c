#pragma once
// The numbers behind a spin edit, apart from its window. Contract:
// - A spin edit's value is always the clamped value of its text: SpinValueOfText never answers a
//   number outside MinValue..MaxValue (when the two differ; equal limits mean no limits).
// - A text that is not an integer (empty, letters, a lone sign) reads as MinValue; an integer
//   too large for 32 bits saturates, so "99999999999" reads as MaxValue, never as garbage.
// - Stepping saturates: Value ± Increment never overflows and lands inside the limits.
// - Typing accepts signs, digits, the decimal separator and control characters other than
//   carriage return (Enter belongs to the dialog's default button).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lark::ui {

struct SpinLimits {
    int minValue = 0;
    int maxValue = 0;
    // Equal limits mean no limits.
    int Clamp(std::int64_t value) const;
};

// The integer a text spells ("+12", "-3", " 7 " with surrounding blanks), saturated to 32 bits;
// nothing when it spells none.
std::optional<int> ParseSpinText(std::string_view text);
int SpinValueOfText(std::string_view text, const SpinLimits& limits);
// True when leaving the field must rewrite the text: not an integer, or out of the limits, or not
// in its plain decimal form.
bool SpinTextNeedsRewrite(std::string_view text, const SpinLimits& limits);
// The value `delta` away from `value` (itself clamped first), saturating at the limits.
int StepSpinValue(int value, std::int64_t delta, const SpinLimits& limits);
// A typed character (UTF-16 code unit) the field takes. With the editor disabled only the
// control characters other than backspace and carriage return pass (navigation, copy).
bool AcceptsSpinChar(char16_t c, char16_t decimalSeparator, bool editorEnabled);

}  // namespace lark::ui
