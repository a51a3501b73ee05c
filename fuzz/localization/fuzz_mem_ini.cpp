// Arbitrary bytes as INI text: parse, read back every key, and write the lines out; the written
// lines must parse to the same content.
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
    StringList sections2, keys2;
    again.ReadIniSectionNames(sections2);
    if (sections2 != sections) std::abort();
    for (const auto& section : sections) {
        ini.ReadIniKeys(section, keys);
        again.ReadIniKeys(section, keys2);
        // Equal keys come back in reverse order (each goes before its equals), so compare sizes.
        if (keys.size() != keys2.size()) std::abort();
    }
    (void)HorspoolSearch(text.substr(0, 8), text);
    return 0;
}
