#include "localization/mem_ini.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "core/clock.h"
#include "core/integer_text.h"
#include "core/errors.h"
#include "core/stream.h"
#include "core/text_encoding.h"

namespace lark::localization {
namespace {

StringList SplitLines(std::string_view text) {
    StringList lines;
    size_t i = 0;
    while (i < text.size()) {
        size_t end = i;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
        lines.emplace_back(text.substr(i, end - i));
        i = end;
        if (i < text.size()) i += (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
    }
    return lines;
}

}  // namespace

// ---- typed values of the base ----

int TCustomIniFile::ReadIniNumber(std::string_view section, std::string_view key,
                                  int defaultValue) const {
    const std::string text = ReadIniText(section, key, "");
    std::string_view s = text;
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    // The INI store's syntax: hexadecimal up to 32 bits is a signed flag word.
    const auto v = core::ParseInteger(s, {.hexadecimal = true, .plusSign = true});
    return v ? static_cast<int>(*v) : defaultValue;
}

void TCustomIniFile::WriteIniNumber(std::string_view section, std::string_view key, int value) {
    WriteIniText(section, key, std::to_string(value));
}

bool TCustomIniFile::ReadIniSwitch(std::string_view section, std::string_view key,
                                   bool defaultValue) const {
    return ReadIniNumber(section, key, defaultValue ? 1 : 0) != 0;
}

void TCustomIniFile::WriteIniSwitch(std::string_view section, std::string_view key, bool value) {
    WriteIniText(section, key, value ? "1" : "0");
}

namespace {

int ThisYear() { return core::CurrentYear(core::SystemClock()); }

bool ParseDate(std::string_view text, const core::FormatSettings& fs, double& v) {
    return core::TryStrToDate(text, v, fs, ThisYear());
}
bool ParseDateTime(std::string_view text, const core::FormatSettings& fs, double& v) {
    return core::TryStrToDateTime(text, v, fs, ThisYear());
}
bool ParseTime(std::string_view text, const core::FormatSettings& fs, double& v) {
    return core::TryStrToTime(text, v, fs);
}

using Parser = bool (*)(std::string_view, const core::FormatSettings&, double&);

double ReadTyped(const TCustomIniFile& ini, std::string_view section, std::string_view key,
                 double defaultValue, Parser parse) {
    const std::string text = ini.ReadIniText(section, key, "");
    double v;
    if (text.empty() || !parse(text, ini.FormatSettings, v)) return defaultValue;
    return v;
}

}  // namespace

double TCustomIniFile::ReadIniDate(std::string_view s, std::string_view k, double d) const {
    return ReadTyped(*this, s, k, d, ParseDate);
}
double TCustomIniFile::ReadIniDateTime(std::string_view s, std::string_view k, double d) const {
    return ReadTyped(*this, s, k, d, ParseDateTime);
}
double TCustomIniFile::ReadIniFloat(std::string_view s, std::string_view k, double d) const {
    return ReadTyped(*this, s, k, d, TextToFloat);
}
double TCustomIniFile::ReadIniTime(std::string_view s, std::string_view k, double d) const {
    return ReadTyped(*this, s, k, d, ParseTime);
}
void TCustomIniFile::WriteIniDate(std::string_view s, std::string_view k, double v) {
    WriteIniText(s, k, core::DateToStr(v, FormatSettings));
}
void TCustomIniFile::WriteIniDateTime(std::string_view s, std::string_view k, double v) {
    WriteIniText(s, k, core::DateTimeToStr(v, FormatSettings));
}
void TCustomIniFile::WriteIniFloat(std::string_view s, std::string_view k, double v) {
    WriteIniText(s, k, FloatToText(v, FormatSettings));
}
void TCustomIniFile::WriteIniTime(std::string_view s, std::string_view k, double v) {
    WriteIniText(s, k, core::TimeToStr(v, FormatSettings));
}

// ---- entry ----

// Sections and keys order and match by one comparison: core's case folding, as sort keys.
int TMemIniEntry::IndexOfKey(std::string_view key) const {
    const std::string folded = core::SortKeyUtf8(key);
    const auto it = std::lower_bound(keys_.begin(), keys_.end(), folded,
                                     [](const Slot& s, const std::string& f) { return s.folded < f; });
    return it != keys_.end() && it->folded == folded ? static_cast<int>(it - keys_.begin()) : -1;
}

bool TMemIniEntry::SameKey(int i, int j) const { return keys_.at(i).folded == keys_.at(j).folded; }

void TMemIniEntry::AddLine(std::string_view line) {
    const size_t eq = line.find('=');
    Slot slot;
    slot.key = std::string(line.substr(0, eq));
    if (eq != std::string_view::npos) slot.value = std::string(line.substr(eq + 1));
    slot.folded = core::SortKeyUtf8(slot.key);
    const auto it = std::lower_bound(keys_.begin(), keys_.end(), slot.folded,
                                     [](const Slot& s, const std::string& f) { return s.folded < f; });
    keys_.insert(it, std::move(slot));
}

void TMemIniEntry::Assign(const StringList& lines) {
    keys_.clear();
    for (const auto& line : lines) AddLine(line);
}

void TMemIniEntry::Delete(int i) {
    if (i < 0 || i >= Count()) throw std::out_of_range("INI key index out of range");
    keys_.erase(keys_.begin() + i);
}

// ---- file ----

TMemIniFile::TMemIniFile(std::string fileName) : TCustomIniFile(std::move(fileName)) {
    if (fileName_.empty()) return;
    if (!core::FileExists(fileName_)) return;
    const std::vector<std::uint8_t> bytes = core::ReadFileBytes(fileName_);
    LoadIniLines(SplitLines(core::Win1252ToUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()))));
}

const TMemIniFile::Section* TMemIniFile::Find(std::string_view name) const {
    const std::string folded = core::SortKeyUtf8(name);
    const auto it = std::lower_bound(sections_.begin(), sections_.end(), folded,
                                     [](const Section& s, const std::string& f) { return s.folded < f; });
    return it != sections_.end() && it->folded == folded ? &*it : nullptr;
}

TMemIniFile::Section& TMemIniFile::FindOrAdd(std::string_view name, bool* added) {
    std::string folded = core::SortKeyUtf8(name);
    auto it = std::lower_bound(sections_.begin(), sections_.end(), folded,
                               [](const Section& s, const std::string& f) { return s.folded < f; });
    if (added) *added = false;
    if (it != sections_.end() && it->folded == folded) return *it;
    if (added) *added = true;
    return *sections_.insert(it, Section{std::move(folded), std::string(name), {}});
}

void TMemIniFile::LoadIniLines(const StringList& lines) {
    sections_.clear();
    // Lines under a repeated header are dropped: isOpen stays false until the next header.
    std::string open;
    bool isOpen = false;
    for (const auto& line : lines) {
        if (line.empty() || line.front() == ';') continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            const std::string_view name = std::string_view(line).substr(1, line.size() - 2);
            bool added;
            FindOrAdd(name, &added);
            isOpen = added;
            open = name;
            continue;
        }
        if (!isOpen) continue;
        FindOrAdd(open).entry.AddLine(line);
    }
}

void TMemIniFile::IniToLines(StringList& lines) const {
    for (const auto& section : sections_) {
        lines.push_back("[" + section.name + "]");
        // Equal keys are written oldest first: parsing puts each before its equals, so the
        // lines read back give the same entry (and the same value found) as before.
        const TMemIniEntry& entry = section.entry;
        for (int i = 0; i < entry.Count();) {
            int end = i + 1;
            while (end < entry.Count() && entry.SameKey(i, end)) ++end;
            for (int j = end - 1; j >= i; --j) lines.push_back(entry.Line(j));
            i = end;
        }
        lines.emplace_back();
    }
}

bool TMemIniFile::HasIniSection(std::string_view section) const {
    const Section* s = Find(section);
    return s && s->entry.Count() > 0;
}

std::string TMemIniFile::ReadIniText(std::string_view section, std::string_view key,
                                     std::string_view defaultValue) const {
    if (const Section* s = Find(section)) {
        const int i = s->entry.IndexOfKey(key);
        if (i >= 0) return s->entry.Value(i);
    }
    return std::string(defaultValue);
}

void TMemIniFile::WriteIniText(std::string_view section, std::string_view key,
                               std::string_view value) {
    TMemIniEntry& entry = FindOrAdd(section).entry;
    const int i = entry.IndexOfKey(key);
    if (i >= 0) entry.Delete(i);
    std::string line(key);
    line += '=';
    line += value;
    entry.AddLine(line);
}

void TMemIniFile::ReadIniKeys(std::string_view section, StringList& keys) const {
    keys.clear();
    if (const Section* s = Find(section))
        for (int i = 0; i < s->entry.Count(); ++i) keys.push_back(s->entry.Key(i));
}

void TMemIniFile::ReadIniSectionNames(StringList& names) const {
    names.clear();
    for (const auto& section : sections_) names.push_back(section.name);
}

void TMemIniFile::ReadIniValues(std::string_view section, StringList& values) const {
    values.clear();
    if (const Section* s = Find(section))
        for (int i = 0; i < s->entry.Count(); ++i) values.push_back(s->entry.Value(i));
}

void TMemIniFile::RemoveIniSection(std::string_view section) {
    if (const Section* s = Find(section)) sections_.erase(sections_.begin() + (s - sections_.data()));
}

void TMemIniFile::RemoveIniKey(std::string_view section, std::string_view key) {
    const Section* s = Find(section);
    if (!s) return;
    auto& entry = sections_[static_cast<size_t>(s - sections_.data())].entry;
    const int i = entry.IndexOfKey(key);
    if (i >= 0) entry.Delete(i);
}

void TMemIniFile::WriteIniBack() {
    StringList lines;
    IniToLines(lines);
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    const std::string bytes = core::Utf8ToWin1252(text);
    core::WriteFileAtomically(fileName_, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

std::size_t HorspoolSearch(std::string_view pattern, std::string_view text) {
    const size_t m = pattern.size(), n = text.size();
    if (m == 0) return 1;
    if (m > n) return 0;
    std::array<size_t, 256> skip;
    skip.fill(m);
    for (size_t j = 0; j + 1 < m; ++j) skip[static_cast<uint8_t>(pattern[j])] = m - 1 - j;
    size_t e = m - 1;  // 0-based index under the pattern's last byte
    while (e < n) {
        size_t k = 0;
        while (k < m && pattern[m - 1 - k] == text[e - k]) ++k;
        if (k == m) return e - m + 2;
        e += skip[static_cast<uint8_t>(text[e])];
    }
    return 0;
}

}  // namespace lark::localization
