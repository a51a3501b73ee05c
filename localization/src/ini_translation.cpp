// Translation lists in INI-text files: one section per kind, one key per line, the language
// texts joined by a delimiter text.
#include <algorithm>
#include <memory>

#include "core/text_encoding.h"
#include "localization/lang_component.h"
#include "localization/mem_ini.h"
#include "scoped_flag.h"

namespace lark::localization {
namespace {

using K = TStringsType;

constexpr std::string_view kDefaultIniDelimiter = "~!@#";
constexpr std::string_view kOptionsSection = "OPTIONS";
constexpr std::string_view kLanguageNamesSection = "Language names - for internal use only!";
// An old misspelling of the section above that the writers clean away.
constexpr std::string_view kMisspelledNamesSection = "Language names - for intenal use only!";
constexpr std::string_view kExtendedSection = "Extended";
constexpr std::string_view kTypeSuffix = "_TypeKind";

std::string_view SectionOfKind(K kind) {
    static constexpr std::string_view names[kStringsTypeCount] = {
        "Captions", "Hints", "DisplayLabels", "Fonts", "Multilines", "Dialogs", "Strings",
        "Other", "Locales", "Collections", "CharSets", "ListView_TreeView_Items"};
    return names[static_cast<int>(kind)];
}

bool Bracketed(K kind) { return kind == K::stCollections || kind == K::stListView_TreeView_Items; }

// Two characters of a text each replaced by another.
std::string Swapped(std::string text, char a, char toA, char b, char toB) {
    for (char& c : text) c = c == a ? toA : c == b ? toB : c;
    return text;
}

// "[" and "]" cannot stand in keys: they travel as "-" and "+".
std::string BracketsToKey(std::string id) { return Swapped(std::move(id), '[', '-', ']', '+'); }
std::string KeyToBrackets(std::string key) { return Swapped(std::move(key), '-', '[', '+', ']'); }
// Line breaks inside a value travel as 0x19 (CR) and 0x1A (LF).
std::string EscapeBreaks(std::string text) { return Swapped(std::move(text), '\r', '\x19', '\n', '\x1A'); }
std::string UnescapeBreaks(std::string text) { return Swapped(std::move(text), '\x19', '\r', '\x1A', '\n'); }

constexpr std::string_view kTypeKindNames[] = {
    "tkUnknown", "tkInteger", "tkChar", "tkEnumeration", "tkFloat", "tkString", "tkSet", "tkClass", "tkMethod",
    "tkWChar", "tkLString", "tkWString", "tkVariant", "tkArray", "tkRecord", "tkInterface", "tkInt64", "tkDynArray"};

TTypeKind TypeKindOfName(std::string_view name) {
    const auto* at = std::find(std::begin(kTypeKindNames), std::end(kTypeKindNames), name);
    return at == std::end(kTypeKindNames) ? TTypeKind::tkUnknown : static_cast<TTypeKind>(at - std::begin(kTypeKindNames));
}

TMemIniFile ParseStream(core::Stream& stream) {
    stream.Seek(0);
    const std::vector<std::uint8_t> bytes = stream.ReadRest();
    core::StringsObject lines;
    lines.SetText(core::Win1252ToUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
    TMemIniFile ini;
    ini.LoadIniLines(lines.Lines());
    return ini;
}

// Replaces the whole content of the stream with the file's lines.
void WriteStream(const TMemIniFile& ini, core::Stream& stream) {
    StringList lines;
    ini.IniToLines(lines);
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    const std::string bytes = core::Utf8ToWin1252(text);
    stream.Seek(0);
    stream.Write(bytes.data(), bytes.size());
    stream.Truncate();
}

// The delimiter text between languages; an empty one counts as absent.
std::string DelimiterOf(const TMemIniFile& ini) {
    std::string delim = ini.ReadIniText(kOptionsSection, "DELIMITER", "");
    return delim.empty() ? std::string(kDefaultIniDelimiter) : delim;
}

// "Language_1", "Language_2", ... up to the first missing or empty name, at most 255.
std::vector<std::string> LanguageNamesOf(const TMemIniFile& ini) {
    std::vector<std::string> names;
    for (int n = 1; n <= kMaxLanguages; ++n) {
        std::string name = ini.ReadIniText(kLanguageNamesSection, "Language_" + std::to_string(n), "");
        if (name.empty()) break;
        names.push_back(std::move(name));
    }
    return names;
}

// Keys of a section in sorted order, keys equal without regard to case once.
StringList KeysOf(const TMemIniFile& ini, std::string_view section) {
    StringList keys;
    ini.ReadIniKeys(section, keys);
    keys.erase(std::unique(keys.begin(), keys.end(),
                           [](const std::string& a, const std::string& b) { return core::SameTextUtf8(a, b); }),
               keys.end());
    return keys;
}

// Field n (1-based) of a value split at the delimiter text; empty when the value has fewer.
std::string PieceOf(std::string_view value, std::string_view delim, int n) {
    std::size_t from = 0;
    for (int i = 1; i < n; ++i) {
        const std::size_t at = value.find(delim, from);
        if (at == std::string_view::npos) return {};
        from = at + delim.size();
    }
    return std::string(value.substr(from, value.find(delim, from) - from));
}

}  // namespace

std::string TlcCustomLang::WindowClassName() const { return Owner() ? Owner()->Class().name : Class().name; }

std::string TlcCustomLang::WindowName() const { return Owner() ? Owner()->Name() : Name(); }

void TlcCustomLang::TakeLanguageNames(const std::vector<std::string>& names) {
    // A file that names no first language changes nothing: never zero languages.
    if (!names.empty()) SetLangNames(names);
}

void TlcCustomLang::MoveOwnerLineToTop(StringList& list, TStringsType kind) const {
    if (!Owner() || (kind != K::stCaptions && kind != K::stHints && kind != K::stFonts && kind != K::stCharSets)) return;
    const std::string prefix = WindowClassName() + LangDelim();
    for (std::size_t i = 1; i < list.size(); ++i)
        if (list[i].starts_with(prefix)) {
            std::rotate(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(i), list.begin() + static_cast<std::ptrdiff_t>(i) + 1);
            return;
        }
}

void TlcCustomLang::FinishKindLoad(StringList& list, TStringsType kind, bool applyKindOnly) {
    if (bulkLoading_) return;
    PruneList(list, kind);
    if (kind == K::stStrings) tables_.RebuildLookupTables();
    if (applyKindOnly) ApplyKind(kind);
    else ApplyTranslation();
}

int TlcCustomLang::LoadKindFromIniStream(TStringsType kind, core::Stream& stream, bool clear) {
    if (!ListOfKind(kind)) return -1;
    try {
        const TMemIniFile ini = ParseStream(stream);
        return LoadKindFromIni(kind, ini, clear);
    } catch (const std::exception&) {
        if (clear) ListOfKind(kind)->clear();
        return -1;
    }
}

int TlcCustomLang::LoadKindFromIni(TStringsType kind, const TMemIniFile& ini, bool clear) {
    StringList* list = ListOfKind(kind);
    if (!list) return -1;
    if (clear) list->clear();
    try {
        const std::string delim = DelimiterOf(ini);
        TakeLanguageNames(LanguageNamesOf(ini));
        fixedLanguages_.clear();
        for (int n = 1; n <= NumOfLanguages(); ++n)
            if (ini.ReadIniSwitch(kOptionsSection, "Language_Fixed" + std::to_string(n), false) &&
                n <= langNames_.Count())
                fixedLanguages_.push_back(langNames_.Strings(n - 1));

        const StringList keys = KeysOf(ini, SectionOfKind(kind));
        const std::string cls = WindowClassName();
        const std::string windowName = WindowName();
        const char d = LangDelim();
        for (const std::string& key : keys) {
            std::string id = Bracketed(kind) ? KeyToBrackets(key) : key;
            auto hasPrefix = [&](const std::string& p) {
                return !p.empty() && id.size() > p.size() && id[p.size()] == '.' &&
                       core::SameTextUtf8(std::string_view(id).substr(0, p.size()), p);
            };
            const std::string prefix = hasPrefix(windowName) ? windowName : hasPrefix(cls) ? cls : std::string();
            if (prefix.empty()) continue;
            id.erase(0, prefix.size() + 1);
            if (DoNotTranslate.IndexOf(id.substr(0, id.find('.'))) >= 0) continue;
            const std::string value = ini.ReadIniText(SectionOfKind(kind), key, "");
            // A value without any delimiter is the text of language 1.
            const bool owner = core::SameTextUtf8(id, prefix);
            std::string line = (owner ? cls : id) + d;
            line += value.find(delim) == std::string::npos ? value + d : SubstituteText(value, delim, std::string(1, d), true);
            line = UnescapeBreaks(std::move(line));
            if (owner) list->insert(list->begin(), std::move(line));
            else list->push_back(std::move(line));
        }
        FinishKindLoad(*list, kind, false);
        return static_cast<int>(keys.size());
    } catch (const std::exception&) {
        return -1;
    }
}

int TlcCustomLang::SaveKindToIniStream(TStringsType kind, core::Stream& stream, std::string_view delimiter) {
    if (!ListOfKind(kind)) return -1;
    TMemIniFile ini = ParseStream(stream);
    const int lines = SaveKindToIni(kind, ini, delimiter);
    WriteStream(ini, stream);
    return lines;
}

int TlcCustomLang::SaveKindToIni(TStringsType kind, TMemIniFile& ini, std::string_view delimiter) const {
    const StringList* list = ListOfKind(kind);
    if (!list) return -1;
    const std::string delim = delimiter.empty() ? std::string(kDefaultIniDelimiter) : std::string(delimiter);
    WriteOptionsAndNames(ini, delim, true);
    const std::string section(SectionOfKind(kind));
    const std::string cls = WindowClassName();
    // Keys once written under the window's name instead of its class are stale. A window
    // without a name of its own, or named as its class, has none: its keys are the new ones.
    const std::string windowName = WindowName();
    if (!windowName.empty() && !core::SameTextUtf8(windowName, cls)) {
        const std::string stale = windowName + ".";
        StringList keys;
        ini.ReadIniKeys(section, keys);
        for (const std::string& key : keys)
            if (key.size() > stale.size() && core::SameTextUtf8(std::string_view(key).substr(0, stale.size()), stale))
                ini.RemoveIniKey(section, key);
    }
    const char d = LangDelim();
    for (const std::string& line : *list) {
        const std::size_t cut = line.find(d);
        std::string id = line.substr(0, cut);
        if (Bracketed(kind)) id = BracketsToKey(std::move(id));
        const std::string value = cut == std::string::npos ? std::string() : line.substr(cut + 1);
        ini.WriteIniText(section, cls + "." + id, EscapeBreaks(SubstituteText(value, std::string(1, d), delim, true)));
    }
    return static_cast<int>(list->size());
}

void TlcCustomLang::WriteOptionsAndNames(TMemIniFile& ini, const std::string& delim, bool cleanMisspelled) const {
    ini.WriteIniText(kOptionsSection, "DELIMITER", delim);
    ini.RemoveIniSection(kLanguageNamesSection);
    for (int n = 1; n <= NumOfLanguages(); ++n) {
        std::string name = n <= langNames_.Count() ? langNames_.Strings(n - 1) : std::string();
        if (name.empty()) name = "Language N" + std::to_string(n);
        ini.WriteIniText(kLanguageNamesSection, "Language_" + std::to_string(n), name);
    }
    if (cleanMisspelled) ini.RemoveIniSection(kMisspelledNamesSection);
}

void TlcCustomLang::SaveAllToIni(TMemIniFile& ini, std::string_view delimiter) const {
    for (int k = 0; k < kStringsTypeCount; ++k) SaveKindToIni(static_cast<K>(k), ini, delimiter);
    SaveExtendedToIni(ini, delimiter);
}

void TlcCustomLang::SaveAllToIniStream(core::Stream& stream, std::string_view delimiter) {
    TMemIniFile ini;
    SaveAllToIni(ini, delimiter);
    core::MemoryStream built;
    WriteStream(ini, built);
    const std::vector<std::uint8_t>& bytes = built.Data();
    stream.Write(bytes.data(), bytes.size());
}

void TlcCustomLang::SaveExtendedToIniStream(core::Stream& stream, std::string_view delimiter) {
    TMemIniFile ini = ParseStream(stream);
    SaveExtendedToIni(ini, delimiter);
    WriteStream(ini, stream);
}

void TlcCustomLang::SaveExtendedToIni(TMemIniFile& ini, std::string_view delimiter) const {
    const std::string delim = delimiter.empty() ? std::string(kDefaultIniDelimiter) : std::string(delimiter);
    WriteOptionsAndNames(ini, delim, false);
    const std::string prefix = WindowClassName() + ".";
    const TlcExtendedItems& items = tables_.ExtendedTranslations();
    for (int i = 0; i < items.Count(); ++i) {
        const TlcExtendedItem& item = items[i];
        const std::string key = prefix + item.Identifier;
        ini.WriteIniText(kExtendedSection, key,
                         EscapeBreaks(SubstituteText(item.Values, std::string(1, LangDelim()), delim, true)));
        ini.WriteIniText(kExtendedSection, key + std::string(kTypeSuffix),
                         kTypeKindNames[static_cast<int>(item.PropertyType)]);
    }
}

void TlcCustomLang::LoadExtendedFromIniStream(core::Stream& stream, bool clear) {
    if (clear) tables_.ExtendedTranslations().Clear();
    LoadExtendedFromIni(ParseStream(stream), false);
}

void TlcCustomLang::LoadExtendedFromIni(const TMemIniFile& ini, bool clear) {
    TlcExtendedItems& items = tables_.ExtendedTranslations();
    if (clear) items.Clear();
    const std::string delim = DelimiterOf(ini);
    const std::string prefix = WindowClassName() + ".";
    StringList keys;
    ini.ReadIniKeys(kExtendedSection, keys);
    for (const std::string& key : keys) {
        if (!key.starts_with(prefix) || key.ends_with(kTypeSuffix)) continue;
        const std::string id = key.substr(prefix.size());
        TlcExtendedItem* item = items.FindExtendedItem(id);
        if (!item) item = &items.Add(id);
        item->Values = UnescapeBreaks(
            SubstituteText(ini.ReadIniText(kExtendedSection, key, ""), delim, std::string(1, LangDelim()), true));
        const std::string type = ini.ReadIniText(kExtendedSection, key + std::string(kTypeSuffix), "tkUnknown");
        item->PropertyType = TypeKindOfName(std::string_view(type).substr(0, type.find(delim)));
    }
}

void TlcCustomLang::LoadAllFromIniStream(core::Stream& stream, bool clear) {
    LoadAllFromIni(ParseStream(stream), clear);
    ApplyTranslation();
}

void TlcCustomLang::LoadAllFromIni(const TMemIniFile& ini, bool clear) {
    detail::ScopedFlag bulk(bulkLoading_, true);
    for (int k = 0; k < kStringsTypeCount; ++k) {
        const auto kind = static_cast<K>(k);
        if (!ListOfKind(kind)) continue;
        LoadKindFromIni(kind, ini, clear);
        PruneList(*ListOfKind(kind), kind);
    }
    LoadExtendedFromIni(ini, clear);
    tables_.RebuildLookupTables();
}

bool TlcCustomLang::MergeKindFromIniStream(TStringsType kind, core::Stream& stream) {
    return MergeKind(kind, [&] { return LoadKindFromIniStream(kind, stream, true) >= 0; });
}

bool TlcCustomLang::MergeKind(TStringsType kind, const std::function<bool()>& load) {
    StringList* list = ListOfKind(kind);
    if (!list) return false;
    const StringList kept = *list;
    bool loaded = false;
    try {
        detail::ScopedFlag bulk(bulkLoading_, true);
        loaded = load();
    } catch (const std::exception&) {
        loaded = false;
    }
    // A half-read file never leaves a mixed list.
    if (!loaded) {
        *list = kept;
        return false;
    }
    const char d = LangDelim();
    for (const std::string& line : kept) {
        const std::string id = DelimitedField(line, d, 0);
        const bool replaced = std::any_of(list->begin(), list->end(), [&](const std::string& l) {
            return core::SameTextUtf8(DelimitedField(l, d, 0), id);
        });
        if (!replaced) list->push_back(line);
    }
    MoveOwnerLineToTop(*list, kind);
    FinishKindLoad(*list, kind, true);
    return true;
}

bool TlcCustomLang::MergeAllFromIniStream(core::Stream& stream) {
    std::unique_ptr<TMemIniFile> ini;
    try {
        ini = std::make_unique<TMemIniFile>(ParseStream(stream));
    } catch (const std::exception&) {
        return false;  // an unreadable file merges nothing
    }
    detail::ScopedFlag bulk(bulkLoading_, true);
    for (int k = 0; k < kStringsTypeCount; ++k) {
        const auto kind = static_cast<K>(k);
        StringList* list = ListOfKind(kind);
        if (!list) continue;  // a kind this component does not keep is no failure
        if (!MergeKind(kind, [&] { return LoadKindFromIni(kind, *ini, true) >= 0; })) return false;
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

// ---- one language of a file ----

namespace {

// The file parsed, its delimiter and the 1-based position of the language in it; none when the
// file is missing or does not name the language.
struct LanguageFile {
    explicit LanguageFile(const std::string& fileName) : ini(fileName) {}
    TMemIniFile ini;
    std::string delim;
    int position = 0;
};

std::unique_ptr<LanguageFile> OpenLanguageFile(const std::string& fileName, const std::string& language) {
    if (language.empty() || !core::FileExists(fileName)) return nullptr;
    auto file = std::make_unique<LanguageFile>(fileName);
    file->delim = DelimiterOf(file->ini);
    const std::vector<std::string> names = LanguageNamesOf(file->ini);
    const auto at = std::find(names.begin(), names.end(), language);
    if (at == names.end()) return nullptr;
    file->position = static_cast<int>(at - names.begin()) + 1;
    return file;
}

}  // namespace

int TlcCustomLang::LanguageNumberFor(const std::string& language) {
    const int index = langNames_.IndexOf(language);
    if (index >= 0) return index + 1;
    std::vector<std::string> names = langNames_.Lines();
    names.resize(static_cast<std::size_t>(NumOfLanguages()));
    names.push_back(language);
    SetLangNames(names);
    return NumOfLanguages();
}

bool TlcCustomLang::LoadLanguageKindFromIniFile(TStringsType kind, const std::string& fileName,
                                                const std::string& language) {
    StringList* list = ListOfKind(kind);
    if (!list) return false;
    try {
        const std::unique_ptr<LanguageFile> file = OpenLanguageFile(fileName, language);
        if (!file) return false;
        const int number = LanguageNumberFor(language);
        const std::string prefix = WindowClassName() + ".";
        const char d = LangDelim();
        for (const std::string& key : KeysOf(file->ini, SectionOfKind(kind))) {
            if (!key.starts_with(prefix)) continue;
            std::string id = key.substr(prefix.size());
            if (Bracketed(kind)) id = KeyToBrackets(std::move(id));
            const std::string text =
                UnescapeBreaks(PieceOf(file->ini.ReadIniText(SectionOfKind(kind), key, ""), file->delim, file->position));
            const bool present = std::any_of(list->begin(), list->end(), [&](const std::string& line) {
                return core::SameTextUtf8(DelimitedField(line, d, 0), id);
            });
            if (present) SetTranslationText(*list, id, number, text);
            else list->push_back(id + d + PlaceTextAtLanguage(text, number, NumOfLanguages(), d));
        }
        FinishKindLoad(*list, kind, false);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TlcCustomLang::LoadLanguageExtendedFromIniFile(const std::string& fileName, const std::string& language) {
    try {
        const std::unique_ptr<LanguageFile> file = OpenLanguageFile(fileName, language);
        if (!file) return false;
        const int number = LanguageNumberFor(language);
        const std::string prefix = WindowClassName() + ".";
        TlcExtendedItems& items = tables_.ExtendedTranslations();
        StringList keys;
        file->ini.ReadIniKeys(kExtendedSection, keys);
        for (const std::string& key : keys) {
            if (!key.starts_with(prefix) || key.ends_with(kTypeSuffix)) continue;
            const std::string id = key.substr(prefix.size());
            const std::string text =
                UnescapeBreaks(PieceOf(file->ini.ReadIniText(kExtendedSection, key, ""), file->delim, file->position));
            if (TlcExtendedItem* item = items.FindExtendedItem(id)) {
                item->Values = SetValueAtLanguage(item->Values, number, NumOfLanguages(), LangDelim(), text);
                continue;
            }
            TlcExtendedItem& item = items.Add(id);
            item.Values = PlaceTextAtLanguage(text, number, NumOfLanguages(), LangDelim());
            const std::string type = file->ini.ReadIniText(kExtendedSection, key + std::string(kTypeSuffix), "tkUnknown");
            item.PropertyType = TypeKindOfName(std::string_view(type).substr(0, type.find(file->delim)));
        }
        if (!bulkLoading_) ApplyTranslation();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TlcCustomLang::LoadLanguageFromIniFile(const std::string& fileName, const std::string& language) {
    bool loaded = false;
    {
        detail::ScopedFlag bulk(bulkLoading_, true);
        for (int k = 0; k < kStringsTypeCount; ++k) {
            const auto kind = static_cast<K>(k);
            StringList* list = ListOfKind(kind);
            if (!list) continue;
            loaded = LoadLanguageKindFromIniFile(kind, fileName, language) || loaded;
            PruneList(*list, kind);
        }
        loaded = LoadLanguageExtendedFromIniFile(fileName, language) || loaded;
        tables_.RebuildLookupTables();
    }
    ApplyTranslation();
    return loaded;
}

void TlcCustomLang::SetTranslationText(StringList& list, std::string_view identifier, int language,
                                       std::string_view text) {
    if (language < 0 || language > kMaxLanguages) return;  // no such field
    const char d = LangDelim();
    if (&list == ListOfKind(K::stStrings) && !tables_.Designing()) tables_.ForgetString(identifier);
    for (std::string& line : list) {
        if (!core::SameTextUtf8(DelimitedField(line, d, 0), identifier)) continue;
        // The delimiter that opens field n: pad empty fields until it exists.
        std::size_t open = 0;
        int count = 0;
        std::size_t at = line.empty() ? std::string::npos : line.find(d, 1);
        while (count < language) {
            if (at == std::string::npos) {
                line += d;
                open = line.size() - 1;
            } else {
                open = at;
                at = line.find(d, at + 1);
            }
            ++count;
        }
        if (language == 0) {
            // Field 0 is the identifier itself.
            const std::size_t end = line.find(d, 1);
            line = std::string(text) + (end == std::string::npos ? std::string() : line.substr(end));
            return;
        }
        const std::size_t close = line.find(d, open + 1);
        line = line.substr(0, open + 1) + std::string(text) + (close == std::string::npos ? std::string() : line.substr(close));
        return;
    }
}

}  // namespace lark::localization
