#include "localization/string_table.h"

#include <algorithm>
#include <stdexcept>

#include "localization/errors.h"
#include "core/compiler.h"
#include "core/text_encoding.h"

namespace lark::localization {

// One comparison sorts and searches: core's case folding the Windows-1252 way, as sort keys.
std::string TlcStringsCollection::KeyOf(const TlcStringsCollectionItem& item) const {
    if (sortColumn_ <= 0) return core::SortKeyUtf8(item.Identifier);
    const auto column = static_cast<size_t>(sortColumn_ - 1);
    return column < item.Values.size() ? core::SortKeyUtf8(item.Values[column]) : std::string();
}

void TlcStringsCollection::BuildStringTable(const StringList& lines, int sortColumn,
                                            int numLanguages, char delim) {
    slots_.clear();
    slots_.reserve(lines.size());
    for (const auto& line : lines) {
        Slot slot;
        slot.item.Identifier = DelimitedField(line, delim, 0);
        slot.item.Values.reserve(static_cast<size_t>(std::max(numLanguages, 0)));
        for (int i = 1; i <= numLanguages; ++i)
            slot.item.Values.push_back(DelimitedField(line, delim, i));
        slots_.push_back(std::move(slot));
    }
    sortColumn_ = sortColumn;
    numLanguages_ = numLanguages;
    Sort();
}

void TlcStringsCollection::Sort() {
    for (auto& slot : slots_) slot.key = KeyOf(slot.item);
    std::sort(slots_.begin(), slots_.end(),
              [](const Slot& a, const Slot& b) { return a.key < b.key; });
}

void TlcStringsCollection::Clear() {
    slots_.clear();
    numLanguages_ = 0;
}

int TlcStringsCollection::IndexOfIdentifier(std::string_view identifier) const {
    for (size_t i = 0; i < slots_.size(); ++i)
        if (core::SameTextUtf8(slots_[i].item.Identifier, identifier)) return static_cast<int>(i);
    return -1;
}

void TlcStringsCollection::RemoveIdentifier(std::string_view identifier) {
    const int i = IndexOfIdentifier(identifier);
    if (i >= 0) slots_.erase(slots_.begin() + i);
}

const TlcStringsCollection::Slot* TlcStringsCollection::Search(std::string_view text) const {
    const std::string key = core::SortKeyUtf8(text);
    const auto it = std::lower_bound(slots_.begin(), slots_.end(), key,
                                     [](const Slot& s, const std::string& k) { return s.key < k; });
    if (it == slots_.end() || it->key != key) return nullptr;
    return &*it;
}

const TlcStringsCollectionItem* TlcStringsCollection::FindItemById(
    std::string_view identifier) const {
    if (sortColumn_ != 0) {
        const int i = IndexOfIdentifier(identifier);
        return i < 0 ? nullptr : &slots_[i].item;
    }
    const Slot* slot = Search(identifier);
    return slot ? &slot->item : nullptr;
}

namespace {

void CheckLanguage(int language, int count) {
    if (language < 1)
        throw ELanguageError(std::to_string(language) +
                             " - is not a valid property value!\rValue must be within [1.." +
                             std::to_string(count) + "]!");
}

std::string ColumnOf(const TlcStringsCollectionItem& item, int language) {
    const auto column = static_cast<size_t>(language - 1);
    return column < item.Values.size() ? item.Values[column] : std::string();
}

}  // namespace

std::string TlcStringsCollection::FindTextById(std::string_view identifier,
                                               int language) const {
    const TlcStringsCollectionItem* item = FindItemById(identifier);
    CheckLanguage(language, numLanguages_);
    return item ? ColumnOf(*item, language) : std::string();
}

std::string TlcStringsCollection::FindTranslationByText(std::string_view text, int language,
                                                        const TestModeTransform* testMode) const {
    const Slot* slot = Search(text);
    CheckLanguage(language, numLanguages_);
    if (!slot) return std::string(text);
    std::string result = ColumnOf(slot->item, language);
    if (result.empty() && testMode && *testMode && language > 1)
        result = (*testMode)(ColumnOf(slot->item, 1));
    return result;
}

// ---- extended translations ----

std::vector<uint8_t> TlcExtendedItem::WriteValuesEx() const {
    const std::string bytes = core::Utf8ToWin1252(Values);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

void TlcExtendedItem::ReadValuesEx(std::span<const uint8_t> payload) {
    Values = core::Win1252ToUtf8(
        std::string_view(reinterpret_cast<const char*>(payload.data()), payload.size()));
}

std::string ExtendedItemText(const TlcExtendedItem& item, int activeLanguage, char delim,
                             bool fallback, const TestModeTransform* testMode) {
    const DelimiterSet set = MakeDelimiterSet(delim);
    std::string text = ValueField(activeLanguage, item.Values, set);
    if (text.empty() && activeLanguage > 1 && testMode && *testMode)
        text = (*testMode)(ValueField(1, item.Values, set));
    if (text.empty() && fallback) text = ValueField(1, item.Values, set);
    return text;
}

std::string SetValueAtLanguage(std::string_view values, int language, int numLanguages,
                               char delim, std::string_view text) {
    const DelimiterSet set = MakeDelimiterSet(delim);
    std::string out;
    for (int i = 1; i <= numLanguages; ++i) {
        out += i == language ? std::string(text) : ValueField(i, values, set);
        out += delim;
    }
    return out;
}

namespace {

const core::TypeInfo& TypeKindType() {
    static auto t = core::MakeEnumType(
        "TTypeKind", {"tkUnknown", "tkInteger", "tkChar", "tkEnumeration", "tkFloat", "tkString", "tkSet", "tkClass",
                      "tkMethod", "tkWChar", "tkLString", "tkWString", "tkVariant", "tkArray", "tkRecord",
                      "tkInterface", "tkInt64", "tkDynArray"});
    return *t;
}

}  // namespace

// GCC 12 sees the moved-from std::variant default values of this builder as maybe destroyed
// uninitialised (GCC bug 80635, the std::optional false positive).
LARK_GCC_FALSE_POSITIVE("-Wmaybe-uninitialized")
LARK_DEFINE_CLASS(TlcExtendedItem) {
    using I = TlcExtendedItem;
    return core::ClassBuilder<I>("TlcExtendedItem", &core::CollectionItem::StaticClass())
        .Field("Identifier", core::StringType(), &I::Identifier)
        .Custom("PropertyType", TypeKindType(),
                [](const I& i) { return core::Value(static_cast<std::int64_t>(i.PropertyType)); },
                [](I& i, const core::Value& v) {
                    const std::int64_t kind = core::AsOrdinal(v);
                    i.PropertyType = kind >= 0 && kind <= static_cast<std::int64_t>(TTypeKind::tkDynArray)
                                         ? static_cast<TTypeKind>(kind)
                                         : TTypeKind::tkUnknown;
                },
                core::Value(std::int64_t(0)))
        .Build();
}
LARK_GCC_FALSE_POSITIVE_END

LARK_DEFINE_CLASS(TlcExtendedItems) {
    return core::ClassBuilder<TlcExtendedItems>("TlcExtendedItems", &core::Collection::StaticClass()).Build();
}

void TlcExtendedItem::DefineProperties(core::Filer& filer) {
    filer.DefineBinaryProperty(
        "ValuesEx", [this](const std::vector<uint8_t>& bytes) { ReadValuesEx(bytes); },
        [this](std::vector<uint8_t>& bytes) { bytes = WriteValuesEx(); }, !Values.empty());
}

std::string TlcExtendedItem::DisplayName() const {
    return Identifier.empty() ? core::CollectionItem::DisplayName() : Identifier;
}

TlcExtendedItem& TlcExtendedItems::Add(std::string identifier) {
    auto* item = static_cast<TlcExtendedItem*>(core::Collection::Add());
    item->Identifier = std::move(identifier);
    return *item;
}

int TlcExtendedItems::Checked(int i) const {
    if (i < 0 || i >= Count()) throw std::out_of_range("extended item index out of range");
    return i;
}

TlcExtendedItem* TlcExtendedItems::FindExtendedItem(std::string_view path) {
    for (int i = 0; i < Count(); ++i)
        if (core::SameTextUtf8((*this)[i].Identifier, path)) return &(*this)[i];
    return nullptr;
}

void TlcExtendedItems::ReplaceDelimiterInExtended(char oldDelim, char newDelim) {
    for (int i = 0; i < Count(); ++i) std::replace((*this)[i].Values.begin(), (*this)[i].Values.end(), oldDelim, newDelim);
}

}  // namespace lark::localization
