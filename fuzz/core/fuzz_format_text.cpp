// Translated texts are format strings from outside: arbitrary bytes as a text format, a
// date-time format and a date-time text must never do worse than throw Error.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/datetime.h"
#include "core/errors.h"
#include "core/format.h"

using namespace lark::core;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        (void)Format(text, {"text", 42, -7, std::size_t{3}, 2.5, "more"});
    } catch (const Error&) {
    }
    const FormatSettings& en = EnglishFormatSettings();
    (void)FormatDateTime(text, 38001.822916666, en);
    (void)FormatDateTime(text, -1.25, en);

    FormatSettings s;
    s.ShortDateFormat = "mm-dd-yy";
    s.DateSeparator = "-";
    DateTime r;
    (void)TryStrToDateTime(text, r, s, 2026);
    (void)TryStrToDate(text, r, en, 2026);
    (void)TryStrToTime(text, r, en);
    if (size >= 8) {
        double v;
        __builtin_memcpy(&v, data, sizeof v);
        int y, m, d, h, mi, sec, ms;
        DecodeDateTime(v, y, m, d, h, mi, sec, ms);
        (void)FormatDateTime(text.substr(8), v, en);
        try {
            (void)IncMonth(v, static_cast<int>(data[0]) - 128);
        } catch (const Error&) {
        }
    }
    return 0;
}
