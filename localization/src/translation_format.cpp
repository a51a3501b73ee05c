#include "localization/translation_format.h"

#include <algorithm>

#include "core/text_encoding.h"
#include "text_1252.h"

namespace lark::localization {
namespace {

constexpr std::string_view kKindNames[kStringsTypeCount] = {
    "stCaptions",    "stHints",       "stDisplayLabels", "stFonts",
    "stMultiLines",  "stDlgsCaptions", "stStrings",      "stOtherStrings",
    "stLocales",     "stCollections", "stCharSets",      "stListView_TreeView_Items"};

constexpr char kEscapedCR = '\x19';
constexpr char kEscapedLF = '\x1A';

std::optional<TStringsType> SectionOfLine(std::string_view line) {
    for (int k = 0; k < kStringsTypeCount; ++k)
        if (detail::EqualAsciiNoCase(line, kKindNames[k])) return static_cast<TStringsType>(k);
    return std::nullopt;
}

void AppendFullText(std::string& out, const StringList& list) {
    for (const auto& line : list) {
        out += line;
        out += "\r\n";
    }
}

}  // namespace

std::string_view StringsTypeName(TStringsType kind) {
    return kKindNames[static_cast<int>(kind)];
}

std::optional<TStringsType> StringsTypeOfListName(std::string_view name) {
    for (int k = 0; k < kStringsTypeCount; ++k)
        if (detail::EqualAsciiNoCase(name, kKindNames[k].substr(2)))
            return static_cast<TStringsType>(k);
    return std::nullopt;
}

TranslationLists::TranslationLists(ListSet set) : set_(set) {
    for (int k = 0; k < kStringsTypeCount; ++k)
        if (static_cast<TStringsType>(k) != TStringsType::stListView_TreeView_Items) lists_[k].emplace();
}

bool TranslationLists::Stored(TStringsType kind) const {
    if (kind == TStringsType::stListView_TreeView_Items) return false;
    return set_ == ListSet::Full || (kind != TStringsType::stDlgsCaptions && kind != TStringsType::stLocales);
}

StringList* TranslationLists::ListOfKind(TStringsType kind) {
    const int k = static_cast<int>(kind);
    if (k < 0 || k >= kStringsTypeCount || !lists_[k]) return nullptr;
    return &*lists_[k];
}

const StringList* TranslationLists::ListOfKind(TStringsType kind) const {
    return const_cast<TranslationLists*>(this)->ListOfKind(kind);
}

StringList* TranslationLists::ListOfKindName(std::string_view name) {
    const auto kind = StringsTypeOfListName(name);
    return kind ? ListOfKind(*kind) : nullptr;
}

std::vector<uint8_t> WriteTranslationData(const TranslationLists& lists, char delim) {
    std::string out;
    for (int k = 0; k < kStringsTypeCount; ++k) {
        const auto kind = static_cast<TStringsType>(k);
        const StringList* list = lists.ListOfKind(kind);
        if (!list || !lists.Stored(kind)) continue;
        out += kKindNames[k];
        out += "\r\n";
        for (const auto& line : *list) {
            std::string bytes = core::Utf8ToWin1252(line);
            std::replace(bytes.begin(), bytes.end(), '\r', kEscapedCR);
            std::replace(bytes.begin(), bytes.end(), '\n', kEscapedLF);
            out += bytes;
            // A line spelling a section name would start a section when read back and swallow
            // the lines after it; a closing delimiter keeps it a line with the same empty texts.
            if (SectionOfLine(bytes)) out += delim;
            out += "\r\n";
        }
    }
    return std::vector<uint8_t>(out.begin(), out.end());
}

void ReadTranslationData(std::span<const uint8_t> payload, TranslationLists& lists) {
    const std::string_view text(reinterpret_cast<const char*>(payload.data()), payload.size());
    bool inSection = false;
    StringList* target = nullptr;
    size_t i = 0;
    while (i < text.size()) {
        size_t end = i;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
        const std::string_view line = text.substr(i, end - i);
        i = end;
        if (i < text.size()) {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                i += 2;
            else
                ++i;
        }

        if (const auto kind = SectionOfLine(line)) {
            inSection = true;
            target = lists.Stored(*kind) ? lists.ListOfKind(*kind) : nullptr;
            if (target) target->clear();
            continue;
        }
        if (!inSection || !target) continue;
        std::string raw(line);
        std::replace(raw.begin(), raw.end(), kEscapedCR, '\r');
        std::replace(raw.begin(), raw.end(), kEscapedLF, '\n');
        target->push_back(core::Win1252ToUtf8(raw));
    }
}

bool ShouldStoreTranslationData(const TranslationLists& own, const TranslationLists* ancestor,
                                bool useInheritedData) {
    if (!ancestor) return true;
    if (useInheritedData) return false;
    for (int k = 0; k < kStringsTypeCount; ++k) {
        const auto kind = static_cast<TStringsType>(k);
        const StringList* mine = own.ListOfKind(kind);
        const StringList* theirs = ancestor->ListOfKind(kind);
        if (!mine || !theirs || !own.Stored(kind)) continue;
        std::string a, b;
        AppendFullText(a, *mine);
        AppendFullText(b, *theirs);
        if (a != b) return true;
    }
    return false;
}

std::string DelimitedField(std::string_view line, char delim, int field) {
    if (line.empty() || field < 0) return {};
    if (field == 0) {
        const size_t end = line.find(delim, 1);
        return std::string(line.substr(0, end));
    }
    size_t pos = std::string_view::npos;
    for (int n = 0; n < field; ++n) {
        pos = line.find(delim, pos == std::string_view::npos ? 0 : pos + 1);
        if (pos == std::string_view::npos) return {};
    }
    const size_t begin = pos + 1;
    const size_t end = line.find(delim, begin);
    return std::string(line.substr(begin, end == std::string_view::npos ? end : end - begin));
}

DelimiterSet MakeDelimiterSet(char delim) {
    DelimiterSet set;
    set.set(static_cast<uint8_t>(delim));
    return set;
}

int FieldStart(int n, std::string_view text, const DelimiterSet& set) {
    const auto in = [&](size_t p) { return set.test(static_cast<uint8_t>(text[p - 1])); };
    const size_t len = text.size();
    size_t p = 1;
    int count = 0;
    while (p <= len && count != n) {
        if (in(p)) ++p;  // one delimiter only: adjacent ones make empty fields
        if (p <= len) {
            if (++count == n) return static_cast<int>(p);
            while (p <= len && !in(p)) ++p;
        }
    }
    return 0;
}

std::string ValueField(int n, std::string_view text, const DelimiterSet& set) {
    const int p = FieldStart(n, text, set);
    if (p == 0) return {};
    size_t end = static_cast<size_t>(p) - 1;
    while (end < text.size() && !set.test(static_cast<uint8_t>(text[end]))) ++end;
    return std::string(text.substr(p - 1, end - (p - 1)));
}

int DelimiterCount(std::string_view text, const DelimiterSet& set) {
    int c = 0;
    for (char ch : text)
        if (set.test(static_cast<uint8_t>(ch))) ++c;
    return c;
}

std::string SubstituteText(std::string_view text, std::string_view oldText,
                           std::string_view newText, bool all) {
    if (oldText.empty()) return std::string(text);
    std::string out;
    size_t from = 0;
    for (;;) {
        const size_t at = text.find(oldText, from);
        if (at == std::string_view::npos) break;
        out.append(text.substr(from, at - from));
        out.append(newText);
        from = at + oldText.size();
        if (!all) break;
    }
    out.append(text.substr(from));
    return out;
}

std::string PlaceTextAtLanguage(std::string_view text, int language, int numLanguages,
                                char delim) {
    std::string out;
    for (int i = 1; i <= numLanguages; ++i) {
        if (i == language) out.append(text);
        out += delim;
    }
    return out;
}

void PadLines(StringList& list, int numLanguages, char delim) {
    const DelimiterSet set = MakeDelimiterSet(delim);
    for (auto& line : list) {
        const int c = DelimiterCount(line, set);
        if (numLanguages >= c) line.append(static_cast<size_t>(numLanguages - c + 1), delim);
    }
}

void CutLinesToLanguages(StringList& list, int numLanguages, char delim) {
    if (numLanguages < 0) return;
    for (auto& line : list) {
        size_t pos = std::string::npos;
        bool complete = true;
        for (int n = 0; n <= numLanguages; ++n) {
            pos = line.find(delim, pos == std::string::npos ? 0 : pos + 1);
            if (pos == std::string::npos) {
                complete = false;
                break;
            }
        }
        if (complete) line.resize(pos + 1);
    }
}

void ReplaceDelimiterInList(StringList& list, char oldDelim, char newDelim) {
    for (auto& line : list) std::replace(line.begin(), line.end(), oldDelim, newDelim);
}

}  // namespace lark::localization
