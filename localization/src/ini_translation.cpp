// Translation lists in INI-text files: one section per kind, one key per line, the language
// texts joined by a delimiter text.
#include <algorithm>

#include "core/text_encoding.h"
#include "localization/lang_component.h"
#include "localization/mem_ini.h"
#include "text_1252.h"

namespace lark::localization {
namespace {

using K = TStringsType;

constexpr std::string_view kDefaultIniDelimiter = "~!@#";
constexpr std::string_view kLanguageNamesSection = "Language names - for internal use only!";

std::string_view SectionOfKind(K kind) {
    static constexpr std::string_view names[kStringsTypeCount] = {
        "Captions", "Hints", "DisplayLabels", "Fonts", "Multilines", "Dialogs", "Strings",
        "Other", "Locales", "Collections", "CharSets", "ListView_TreeView_Items"};
    return names[static_cast<int>(kind)];
}

bool Bracketed(K kind) { return kind == K::stCollections || kind == K::stListView_TreeView_Items; }

TMemIniFile ParseStream(core::Stream& stream) {
    stream.Seek(0);
    const std::vector<std::uint8_t> bytes = stream.ReadRest();
    core::StringsObject lines;
    lines.SetText(core::Win1252ToUtf8(std::string(bytes.begin(), bytes.end())));
    TMemIniFile ini;
    ini.LoadIniLines(lines.Lines());
    return ini;
}

// Marks bulk loading and clears the mark on every way out.
struct BulkScope {
    bool& flag;
    explicit BulkScope(bool& f) : flag(f) { flag = true; }
    ~BulkScope() { flag = false; }
};

}  // namespace

int TlcCustomLang::LoadKindFromIniStream(TStringsType kind, core::Stream& stream, bool clear) {
    StringList* list = StoredList(kind);
    if (!list) return -1;
    if (clear) list->clear();
    try {
        TMemIniFile ini = ParseStream(stream);
        const std::string delim = ini.ReadIniText("OPTIONS", "DELIMITER", kDefaultIniDelimiter);
        StringList names;
        ini.ReadIniKeys(kLanguageNamesSection, names);
        if (!names.empty()) {
            std::vector<std::string> langs;
            for (int n = 1;; ++n) {
                std::string name = ini.ReadIniText(kLanguageNamesSection, "Language_" + std::to_string(n), "");
                if (name.empty()) break;
                langs.push_back(std::move(name));
            }
            langNames_.SetLines(langs);
        }
        SetNumOfLanguages(std::max(1, langNames_.Count()));

        StringList keys;
        const std::string_view section = SectionOfKind(kind);
        ini.ReadIniKeys(section, keys);
        keys.erase(std::unique(keys.begin(), keys.end(),
                               [](const std::string& a, const std::string& b) { return detail::EqualFolded(a, b); }),
                   keys.end());
        const std::string& cls = Owner() ? Owner()->Class().name : Class().name;
        const std::string& windowName = Owner() ? Owner()->Name() : Name();
        const char d = LangDelim();
        for (const std::string& key : keys) {
            std::string id = key;
            if (Bracketed(kind)) {
                std::replace(id.begin(), id.end(), '-', '[');
                std::replace(id.begin(), id.end(), '+', ']');
            }
            auto hasPrefix = [&](const std::string& p) {
                return !p.empty() && id.size() > p.size() && id[p.size()] == '.' &&
                       detail::EqualAsciiNoCase(std::string_view(id).substr(0, p.size()), p);
            };
            std::string prefix = hasPrefix(windowName) ? windowName : hasPrefix(cls) ? cls : std::string();
            if (prefix.empty()) continue;
            id.erase(0, prefix.size() + 1);
            if (DoNotTranslate.IndexOf(id.substr(0, id.find('.'))) >= 0) continue;
            std::string line = id + d + SubstituteText(ini.ReadIniText(section, key, ""), delim, std::string(1, d), true);
            std::replace(line.begin(), line.end(), '\x19', '\r');
            std::replace(line.begin(), line.end(), '\x1A', '\n');
            if (detail::EqualAsciiNoCase(id, prefix)) list->insert(list->begin(), std::move(line));
            else list->push_back(std::move(line));
        }
        if (!bulkLoading_) {
            PruneList(*list, kind);
            if (kind == K::stStrings) tables_.RebuildLookupTables();
            ApplyTranslation();
        }
        return static_cast<int>(keys.size());
    } catch (const std::exception&) {
        return -1;
    }
}

void TlcCustomLang::LoadExtendedFromIniStream(core::Stream& stream, bool clear) {
    TlcExtendedItems& items = tables_.ExtendedTranslations();
    if (clear) items.Clear();
    TMemIniFile ini = ParseStream(stream);
    const std::string delim = ini.ReadIniText("OPTIONS", "DELIMITER", kDefaultIniDelimiter);
    const std::string prefix = (Owner() ? Owner()->Class().name : Class().name) + ".";
    StringList keys;
    ini.ReadIniKeys("Extended", keys);
    static constexpr std::string_view kTypeSuffix = "_TypeKind";
    for (const std::string& key : keys) {
        if (!key.starts_with(prefix) || key.ends_with(kTypeSuffix)) continue;
        const std::string id = key.substr(prefix.size());
        TlcExtendedItem* item = items.FindExtendedItem(id);
        if (!item) item = &items.Add(id);
        item->Values = SubstituteText(ini.ReadIniText("Extended", key, ""), delim, std::string(1, LangDelim()), true);
        std::string type = ini.ReadIniText("Extended", key + std::string(kTypeSuffix), "tkUnknown");
        type = type.substr(0, type.find(delim));
        static constexpr std::string_view kinds[] = {
            "tkUnknown", "tkInteger", "tkChar", "tkEnumeration", "tkFloat", "tkString", "tkSet", "tkClass", "tkMethod",
            "tkWChar", "tkLString", "tkWString", "tkVariant", "tkArray", "tkRecord", "tkInterface", "tkInt64", "tkDynArray"};
        const auto* at = std::find(std::begin(kinds), std::end(kinds), type);
        item->PropertyType = at == std::end(kinds) ? TTypeKind::tkUnknown : static_cast<TTypeKind>(at - std::begin(kinds));
    }
}

void TlcCustomLang::LoadAllFromIniStream(core::Stream& stream, bool clear) {
    {
        BulkScope bulk(bulkLoading_);
        for (int k = 0; k < kStringsTypeCount; ++k) {
            const auto kind = static_cast<K>(k);
            if (!StoredList(kind)) continue;
            LoadKindFromIniStream(kind, stream, clear);
            PruneList(*StoredList(kind), kind);
        }
        LoadExtendedFromIniStream(stream, clear);
        tables_.RebuildLookupTables();
    }
    ApplyTranslation();
}

bool TlcCustomLang::MergeKindFromIniStream(TStringsType kind, core::Stream& stream) {
    StringList* list = StoredList(kind);
    if (!list) return false;
    const StringList kept = *list;
    try {
        const bool saved = bulkLoading_;
        bulkLoading_ = true;
        const int taken = LoadKindFromIniStream(kind, stream, true);
        bulkLoading_ = saved;
        if (taken < 0) {
            *list = kept;
            return false;
        }
        const char d = LangDelim();
        for (const std::string& line : kept) {
            const std::string id = DelimitedField(line, d, 0);
            const bool replaced = std::any_of(list->begin(), list->end(), [&](const std::string& l) {
                return detail::EqualFolded(DelimitedField(l, d, 0), id);
            });
            if (!replaced) list->push_back(line);
        }
        if (!bulkLoading_) {
            PruneList(*list, kind);
            if (kind == K::stStrings) tables_.RebuildLookupTables();
            ApplyTranslation();
        }
        return true;
    } catch (const std::exception&) {
        *list = kept;
        return false;
    }
}

bool TlcCustomLang::MergeAllFromIniStream(core::Stream& stream) {
    BulkScope bulk(bulkLoading_);
    for (int k = 0; k < kStringsTypeCount; ++k) {
        const auto kind = static_cast<K>(k);
        StringList* list = StoredList(kind);
        if (!list) continue;  // a kind this component does not keep is no failure
        if (!MergeKindFromIniStream(kind, stream)) return false;
        PruneList(*list, kind);
    }
    tables_.RebuildLookupTables();
    return true;
}

bool TlcCustomLang::MergeAllAndApply(core::Stream& stream) {
    const bool merged = MergeAllFromIniStream(stream);
    ApplyTranslation();
    return merged;
}

}  // namespace lark::localization
