#pragma once
// The language-independent state of a translation component: its lists, its languages and
// delimiter, its sorted lookup tables and its extended translations, with the lookups of texts
// by identifier. A translation component owns one of these; the component-level parts
// (dispatcher, owner window, redirection to other components) sit on top of it.
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "localization/string_table.h"
#include "localization/translation_format.h"

namespace lark::localization {

enum class TTranslateType { ttNoChange, ttGetDefault };

class TranslationTables {
public:
    explicit TranslationTables(ListSet set = ListSet::Full);

    TranslationLists& Lists() { return lists_; }
    const TranslationLists& Lists() const { return lists_; }
    StringList* ListOfKind(TStringsType kind) { return lists_.ListOfKind(kind); }
    const StringList* ListOfKind(TStringsType kind) const { return lists_.ListOfKind(kind); }

    int NumOfLanguages() const { return numOfLanguages_; }
    // Outside 1..kMaxLanguages is an ELanguageError. Lowering cuts no text (raising the count
    // again finds the texts of the languages above); an active language above n becomes 1; the
    // Strings, DlgsCaptions and Locales lines are completed and, at run time, the tables rebuilt.
    void SetNumOfLanguages(int n);

    int ActiveLanguage() const { return activeLanguage_; }
    // Outside 1..NumOfLanguages is an ELanguageError; the language stays.
    void SetActiveLanguage(int language);

    char LangDelim() const { return langDelim_; }
    // Replaces the old delimiter by the new one in every list and extended translation. The
    // delimiter is an ASCII byte other than CR, LF and the two escape bytes.
    void SetLangDelim(char delim);

    TTranslateType TranslateType = TTranslateType::ttNoChange;
    bool DoRaiseExceptions = false;
    bool HandleResourceStrings = false;
    int ResourceLanguageIndex = 1;

    // Designer state: Strings lookups scan the list instead of the table, which is not built.
    bool Designing() const { return designing_; }
    void SetDesigning(bool designing) { designing_ = designing; }

    // Test mode of the dispatcher: while set, an untranslated text in a language above 1 is
    // shown as the transform of its language-1 text.
    void SetTestMode(TestModeTransform transform) { testMode_ = std::move(transform); }

    // ---- lookups (identifiers compare without regard to case) ----

    // Strings lookup with the language-1 fallback.
    std::string TextByIdOrDefault(std::string_view identifier) const;
    // Strings lookup; falls back to language 1 only under ttGetDefault.
    std::string TextById(std::string_view identifier) const;
    // Text of the active language of the line of identifier in the list of kind. A missing
    // identifier gives an empty text, or an ELanguageError under DoRaiseExceptions.
    std::string LookupText(TStringsType kind, std::string_view identifier, bool fallback) const;
    // Text of the active language of line index (0-based); empty outside the list.
    std::string LookupLine(TStringsType kind, int index, bool fallback) const;
    // Field language of the first line whose identifier equals identifier (ASCII case).
    std::string FindField(TStringsType kind, std::string_view identifier, int language) const;

    // Rebuilds StringTable (and ResourceStringTable when HandleResourceStrings) from Strings;
    // nothing while designing. Lookups of Strings read the table, so run this after changing it.
    void RebuildLookupTables();
    // Sorts the resource-string table by ResourceLanguageIndex (its entries stay).
    void ResortResourceStrings() { resourceStringTable_.SetSortColumn(ResourceLanguageIndex); }
    // Drops the identifier's entry from both tables until they are rebuilt.
    void ForgetString(std::string_view identifier);
    const TlcStringsCollection& StringTable() const { return stringTable_; }
    const TlcStringsCollection& ResourceStringTable() const { return resourceStringTable_; }

    TlcExtendedItems& ExtendedTranslations() { return extended_; }
    const TlcExtendedItems& ExtendedTranslations() const { return extended_; }

    // "TranslationData": reading replaces the lists present and rebuilds the tables.
    void ReadTranslationData(std::span<const uint8_t> payload);
    std::vector<uint8_t> WriteTranslationData() const;

private:
    std::string ScanList(const StringList& list, std::string_view identifier,
                         bool fallback) const;
    const TestModeTransform* ActiveTestMode() const;

    TranslationLists lists_;
    int numOfLanguages_ = 1;
    int activeLanguage_ = 1;
    char langDelim_ = kDefaultLangDelim;
    bool designing_ = false;
    TestModeTransform testMode_;
    TlcStringsCollection stringTable_;
    TlcStringsCollection resourceStringTable_;
    TlcExtendedItems extended_;
};

// "String identifier "%s" not found!"
std::string IdentifierNotFoundMessage(std::string_view identifier);

}  // namespace lark::localization
