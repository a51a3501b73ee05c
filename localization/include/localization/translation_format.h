#pragma once
// The per-kind translation lists, the format of one list line and the "TranslationData"
// payload that carries the lists inside a window definition.
//
// Lines are UTF-8 in memory. The payload is Windows-1252; it is converted where it is read and
// written. The language delimiter is an ASCII byte (1 in every stored definition), so byte-wise
// field extraction works on the UTF-8 lines unchanged.
#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lark::localization {

// Index order is binding: payload order, ListOfKind, section tables of translation files.
enum class TStringsType : int {
    stCaptions,
    stHints,
    stDisplayLabels,
    stFonts,
    stMultiLines,
    stDlgsCaptions,
    stStrings,
    stOtherStrings,
    stLocales,
    stCollections,
    stCharSets,
    stListView_TreeView_Items,
};
inline constexpr int kStringsTypeCount = 12;

// "stCaptions" ... "stListView_TreeView_Items".
std::string_view StringsTypeName(TStringsType kind);
// The kind whose name without "st" equals name, ignoring case ("captions" -> stCaptions).
std::optional<TStringsType> StringsTypeOfListName(std::string_view name);

using StringList = std::vector<std::string>;
inline constexpr char kDefaultLangDelim = '\x01';

// Which kinds are stored with a component: a full component stores kinds 0..10; a linked one
// has the dialog captions and locales too but never stores or reads them (it copies them from
// its common container). Kind 11 never has a list.
enum class ListSet { Full, Linked };

// The translation lists of one component, addressed by kind.
class TranslationLists {
public:
    explicit TranslationLists(ListSet set = ListSet::Full);

    // None for a kind without a list.
    StringList* ListOfKind(TStringsType kind);
    const StringList* ListOfKind(TStringsType kind) const;
    StringList* ListOfKindName(std::string_view name);
    // Whether the kind's list travels in "TranslationData" (read and written).
    bool Stored(TStringsType kind) const;

    // Shorthands for the lists every component has.
    StringList& Strings() { return *ListOfKind(TStringsType::stStrings); }
    const StringList& Strings() const { return *ListOfKind(TStringsType::stStrings); }
    StringList& Captions() { return *ListOfKind(TStringsType::stCaptions); }

    bool operator==(const TranslationLists&) const = default;

private:
    std::array<std::optional<StringList>, kStringsTypeCount> lists_;
    ListSet set_;
};

// Payload of the binary property "TranslationData": for each kind with a list, its section line
// and its lines, each closed by CR LF, with CR and LF inside a line escaped as 0x19 and 0x1A.
// A line that spells a section name gets delim appended so that it stays a line.
std::vector<uint8_t> WriteTranslationData(const TranslationLists& lists,
                                          char delim = kDefaultLangDelim);

// Replaces the lists of the kinds present in the payload; the others keep their lines. Any byte
// sequence is a valid payload (lines before the first section line are ignored).
void ReadTranslationData(std::span<const uint8_t> payload, TranslationLists& lists);

// Whether "TranslationData" is written: always without an ancestor; for an inherited window only
// when UseInheritedData is clear and some kind both have differs in its full text.
bool ShouldStoreTranslationData(const TranslationLists& own, const TranslationLists* ancestor,
                                bool useInheritedData);

// ---- fields of lines and value texts ----

// Field 0 is the identifier (its first byte always belongs to it), field N the text of
// language N. A field the line lacks is empty; negative numbers give an empty text.
std::string DelimitedField(std::string_view line, char delim, int field);

using DelimiterSet = std::bitset<256>;
DelimiterSet MakeDelimiterSet(char delim);

// Value texts (no identifier; or a line whose identifier the caller counts as field 1).
// FieldStart gives the 1-based position of field n, or 0 when the text has no field n.
int FieldStart(int n, std::string_view text, const DelimiterSet& set);
std::string ValueField(int n, std::string_view text, const DelimiterSet& set);
int DelimiterCount(std::string_view text, const DelimiterSet& set);

// Plain, case-sensitive, left-to-right, non-overlapping replacement; an empty old text
// replaces nothing.
std::string SubstituteText(std::string_view text, std::string_view oldText,
                           std::string_view newText, bool all);

// A value text holding text at language n and empty texts elsewhere; n outside 1..count gives
// count delimiters.
std::string PlaceTextAtLanguage(std::string_view text, int language, int numLanguages,
                                char delim);

// Completes every line to numLanguages texts; complete and longer lines are unchanged.
void PadLines(StringList& list, int numLanguages, char delim);

// Cuts every line after the text of language numLanguages; shorter lines are unchanged.
void CutLinesToLanguages(StringList& list, int numLanguages, char delim);

// Every oldDelim byte of every line becomes newDelim.
void ReplaceDelimiterInList(StringList& list, char oldDelim, char newDelim);

}  // namespace lark::localization
