// Arbitrary bytes as an INI file: parsing, reading, writing and writing back must never crash,
// and what is written back must parse to the same values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/errors.h"
#include "core/ini_store.h"

using namespace lark::core;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    IniStore ini;
    ini.LoadFromText(bytes);
    const std::string saved = ini.SaveToText();

    IniStore again;
    again.LoadFromText(saved);
    for (const std::string& section : ini.ReadSections()) {
        for (const std::string& key : ini.ReadSection(section)) {
            std::string v = ini.ReadString(section, key, "");
            if (again.ReadString(section, key, "\x01missing") != v) std::abort();
            ini.ReadInteger(section, key, 0);
            ini.ReadFloat(section, key, 0);
            ini.ReadBool(section, key, false);
        }
        ini.ReadSectionValues(section);
        ini.SectionExists(section);
    }

    // Writes with names and values cut from the input itself.
    std::string_view a = bytes.substr(0, size / 3);
    std::string_view b = bytes.substr(size / 3, size / 3);
    std::string_view c = bytes.substr(2 * (size / 3));
    try {
        ini.WriteString(a, b, c);
        IniStore written;
        written.LoadFromText(ini.SaveToText());
        (void)written.ReadString(a, b, "");
    } catch (const Error&) {
        // Names and values that cannot be stored are refused.
    }
    ini.DeleteKey(a, b);
    ini.EraseSection(a);
    (void)ini.SaveToText();
    return 0;
}
