// Arbitrary bytes as INI text: parse, read every key as every type, and write the lines out; the
// written lines must parse to the same sections, keys and values in the same order.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "localization/mem_ini.h"

using namespace lark::localization;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    StringList lines;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    TMemIniFile ini;
    ini.LoadIniLines(lines);
    StringList sections, keys, values;
    ini.ReadIniSectionNames(sections);
    for (const auto& section : sections) {
        ini.ReadIniKeys(section, keys);
        ini.ReadIniValues(section, values);
        if (keys.size() != values.size()) std::abort();
        for (const auto& key : keys) {
            (void)ini.ReadIniNumber(section, key, 0);
            (void)ini.ReadIniDateTime(section, key, 0);
            (void)ini.ReadIniFloat(section, key, 0);
        }
    }
    StringList out;
    ini.IniToLines(out);
    TMemIniFile again;
    again.LoadIniLines(out);
    StringList sections2, keys2, values2;
    again.ReadIniSectionNames(sections2);
    if (sections2 != sections) std::abort();
    for (const auto& section : sections) {
        ini.ReadIniKeys(section, keys);
        ini.ReadIniValues(section, values);
        again.ReadIniKeys(section, keys2);
        again.ReadIniValues(section, values2);
        if (keys != keys2 || values != values2) std::abort();
    }
    (void)HorspoolSearch(text.substr(0, 8), text);
    return 0;
}
