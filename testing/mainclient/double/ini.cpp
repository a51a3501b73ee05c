#include "ini.h"

#include <cctype>
#include <sstream>

namespace lark::mainclient_double {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

Ini Ini::Parse(const std::string& text) {
    Ini ini;
    std::istringstream in(text);
    std::string line, section;
    bool first = true;
    while (std::getline(in, line)) {
        if (first && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        first = false;
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            section = Lower(Trim(line.substr(1, line.size() - 2)));
            ini.sections_[section];
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        ini.sections_[section].emplace(Lower(Trim(line.substr(0, eq))), Trim(line.substr(eq + 1)));
    }
    return ini;
}

std::optional<std::string> Ini::Get(const std::string& section, const std::string& key) const {
    const auto s = sections_.find(Lower(section));
    if (s == sections_.end()) return std::nullopt;
    const auto k = s->second.find(Lower(key));
    if (k == s->second.end()) return std::nullopt;
    return k->second;
}

bool Ini::HasSection(const std::string& section) const { return sections_.count(Lower(section)) != 0; }

}  // namespace lark::mainclient_double
