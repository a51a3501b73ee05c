#pragma once
// Sorted identifier tables built from a component's Strings list, and the extended
// translations' value texts.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/collection.h"
#include "core/component_stream.h"
#include "localization/translation_format.h"

namespace lark::localization {

// Transform of a language-1 text for a text that has no translation (test mode). Callers pass
// none when test mode does not apply.
using TestModeTransform = std::function<std::string(std::string_view)>;

struct TlcStringsCollectionItem {
    std::string Identifier;
    StringList Values;  // line i-1 = text of language i
};

// Items sorted by identifier (SortColumn 0) or by the text of language SortColumn. Sorting and
// searching share one comparison: case folded the Windows-1252 way.
class TlcStringsCollection {
public:
    // Clears the table and fills it from the lines (identifier and numLanguages texts each),
    // then sorts by sortColumn.
    void BuildStringTable(const StringList& lines, int sortColumn, int numLanguages, char delim);
    void Sort();
    void Clear();

    int SortColumn() const { return sortColumn_; }
    // Sorts by another column, which searches by text then use.
    void SetSortColumn(int column) {
        sortColumn_ = column;
        Sort();
    }
    int Count() const { return static_cast<int>(slots_.size()); }
    const TlcStringsCollectionItem& Item(int index) const { return slots_.at(index).item; }

    // First item in table order with this identifier (any case), -1 when none. Linear.
    int IndexOfIdentifier(std::string_view identifier) const;
    // Removes that first item; the order of the others stays.
    void RemoveIdentifier(std::string_view identifier);

    // Item with this identifier (bisection over a table sorted by identifier), or none.
    const TlcStringsCollectionItem* FindItemById(std::string_view identifier) const;

    // Text of language n of that item; empty when the identifier is absent or the item lacks
    // that language. A language below 1 is an ELanguageError.
    std::string FindTextById(std::string_view identifier, int language) const;

    // The text of language n of the item whose text in language SortColumn equals text; the
    // text itself when none. An empty translation becomes testMode(language-1 text) when given
    // and n > 1.
    std::string FindTranslationByText(std::string_view text, int language,
                                      const TestModeTransform* testMode = nullptr) const;

private:
    struct Slot {
        std::string key;
        TlcStringsCollectionItem item;
    };
    std::string KeyOf(const TlcStringsCollectionItem& item) const;
    const Slot* Search(std::string_view text) const;

    std::vector<Slot> slots_;
    int sortColumn_ = 0;
    int numLanguages_ = 0;
};

// ---- extended translations ----

// Type kinds of the class library's property information, by ordinal.
enum class TTypeKind : uint8_t {
    tkUnknown, tkInteger, tkChar, tkEnumeration, tkFloat, tkString, tkSet, tkClass, tkMethod,
    tkWChar, tkLString, tkWString, tkVariant, tkArray, tkRecord, tkInterface, tkInt64,
    tkDynArray,
};

// One extended translation; streamed with its Identifier and PropertyType and, as the binary
// property "ValuesEx", its Values.
class TlcExtendedItem : public core::CollectionItem {
    LARK_PERSISTENT_CLASS(TlcExtendedItem)
public:
    std::string Identifier;  // path: component or window class, ".", property (collections by index)
    std::string Values;      // value text: language 1, delimiter, language 2, delimiter, ...
    TTypeKind PropertyType = TTypeKind::tkUnknown;

    // "ValuesEx": the bytes of Values in Windows-1252, no terminator.
    std::vector<uint8_t> WriteValuesEx() const;
    void ReadValuesEx(std::span<const uint8_t> payload);
    void DefineProperties(core::Filer& filer) override;
    std::string DisplayName() const override;
};

// The text an item applies in the active language: its own text, else the test-mode text of
// language 1 (for active > 1), else language 1 when fallback is set; empty means "leave the
// property alone".
std::string ExtendedItemText(const TlcExtendedItem& item, int activeLanguage, char delim,
                             bool fallback, const TestModeTransform* testMode = nullptr);

// Values rebuilt with text at language n and every other language kept.
std::string SetValueAtLanguage(std::string_view values, int language, int numLanguages,
                               char delim, std::string_view text);

class TlcExtendedItems : public core::Collection {
    LARK_PERSISTENT_CLASS(TlcExtendedItems)
public:
    TlcExtendedItems() : core::Collection(TlcExtendedItem::StaticClass()) {}
    TlcExtendedItem& Add(std::string identifier = {});
    TlcExtendedItem& operator[](int i) { return *ItemAs<TlcExtendedItem>(Checked(i)); }
    const TlcExtendedItem& operator[](int i) const { return *ItemAs<TlcExtendedItem>(Checked(i)); }
    // An index outside the items is a std::out_of_range.
    void Delete(int i) { core::Collection::Delete(Checked(i)); }

    // First item whose identifier equals the path (any case), or none.
    TlcExtendedItem* FindExtendedItem(std::string_view path);
    void ReplaceDelimiterInExtended(char oldDelim, char newDelim);

private:
    int Checked(int i) const;
};

}  // namespace lark::localization
