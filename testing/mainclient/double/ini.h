#pragma once
// A small read-only INI reader for the double's settings and scenario (sections and keys are
// case-insensitive; ';' and '#' start comment lines; the first occurrence of a key wins).
#include <map>
#include <optional>
#include <string>

namespace lark::mainclient_double {

class Ini {
public:
    static Ini Parse(const std::string& text);
    std::optional<std::string> Get(const std::string& section, const std::string& key) const;
    bool HasSection(const std::string& section) const;

private:
    std::map<std::string, std::map<std::string, std::string>> sections_;  // lower-case names
};

std::string Lower(std::string s);
std::string Trim(const std::string& s);

}  // namespace lark::mainclient_double
