#include "localization/translation_tables.h"

#include "localization/errors.h"
#include "core/text_encoding.h"

namespace lark::localization {
namespace {

const StringList kNoLines;

std::string ColumnOf(const TlcStringsCollectionItem& item, int language) {
    const auto column = static_cast<size_t>(language - 1);
    return language >= 1 && column < item.Values.size() ? item.Values[column] : std::string();
}

}  // namespace

std::string IdentifierNotFoundMessage(std::string_view identifier) {
    return "String identifier \"" + std::string(identifier) + "\" not found!";
}

TranslationTables::TranslationTables(ListSet set) : lists_(set) {}

void TranslationTables::SetNumOfLanguages(int n) {
    if (n == numOfLanguages_) return;
    if (n < 1)
        throw ELanguageError(std::to_string(n) +
                             " - is not a valid property value !\rValue must be more than ZERO !");
    if (n > kMaxLanguages)
        throw ELanguageError(std::to_string(n) + " - is not a valid property value !\rValue must be within [1.." +
                             std::to_string(kMaxLanguages) + "]!");
    // Lines keep the texts of languages beyond n, so raising the count again finds them.
    numOfLanguages_ = n;
    if (activeLanguage_ > n) activeLanguage_ = 1;
    for (auto kind : {TStringsType::stStrings, TStringsType::stDlgsCaptions, TStringsType::stLocales})
        if (StringList* list = lists_.ListOfKind(kind)) PadLines(*list, n, langDelim_);
    RebuildLookupTables();
}

void TranslationTables::SetActiveLanguage(int language) {
    if (language == activeLanguage_) return;
    if (language < 1 || language > numOfLanguages_)
        throw ELanguageError(std::to_string(language) +
                             " - is not a valid property value!\rValue must be within [1.." +
                             std::to_string(numOfLanguages_) + "]!");
    activeLanguage_ = language;
}

void TranslationTables::SetLangDelim(char delim) {
    const auto b = static_cast<unsigned char>(delim);
    if (b >= 0x80 || delim == '\r' || delim == '\n' || delim == '\x19' || delim == '\x1A')
        throw ELanguageError("The language delimiter must be an ASCII byte other than CR, LF, "
                             "0x19 and 0x1A");
    if (delim == langDelim_) return;
    for (int k = 0; k < kStringsTypeCount; ++k)
        if (StringList* list = lists_.ListOfKind(static_cast<TStringsType>(k)))
            ReplaceDelimiterInList(*list, langDelim_, delim);
    extended_.ReplaceDelimiterInExtended(langDelim_, delim);
    langDelim_ = delim;
    RebuildLookupTables();
}

const TestModeTransform* TranslationTables::ActiveTestMode() const {
    return testMode_ ? &testMode_ : nullptr;
}

std::string TranslationTables::TextByIdOrDefault(std::string_view identifier) const {
    return LookupText(TStringsType::stStrings, identifier, true);
}

std::string TranslationTables::TextById(std::string_view identifier) const {
    return LookupText(TStringsType::stStrings, identifier,
                      TranslateType == TTranslateType::ttGetDefault);
}

std::string TranslationTables::LookupText(TStringsType kind, std::string_view identifier,
                                          bool fallback) const {
    const StringList* list = lists_.ListOfKind(kind);
    if (kind != TStringsType::stStrings || designing_)
        return ScanList(list ? *list : kNoLines, identifier, fallback);

    const TlcStringsCollectionItem* item = stringTable_.FindItemById(identifier);
    if (!item) {
        if (DoRaiseExceptions) throw ELanguageError(IdentifierNotFoundMessage(identifier));
        return {};
    }
    std::string text = ColumnOf(*item, activeLanguage_);
    if (text.empty() && activeLanguage_ > 1 && testMode_) text = testMode_(ColumnOf(*item, 1));
    if (text.empty() && fallback) text = ColumnOf(*item, 1);
    return text;
}

// Matches the identifier as a whole field 0 and takes every field from that line alone, so a
// short line never lends the next line's text and "IDS_1" never matches "IDS_12".
std::string TranslationTables::ScanList(const StringList& list, std::string_view identifier,
                                        bool fallback) const {
    const std::string* found = nullptr;
    for (const auto& line : list) {
        const size_t end = line.find(langDelim_);
        if (end == std::string::npos || end != identifier.size()) continue;  // folding keeps lengths
        if (core::SameTextUtf8(std::string_view(line).substr(0, end), identifier)) {
            found = &line;
            break;
        }
    }
    if (!found) {
        if (DoRaiseExceptions) throw ELanguageError(IdentifierNotFoundMessage(identifier));
        return {};
    }
    std::string text = DelimitedField(*found, langDelim_, activeLanguage_);
    if (text.empty() && activeLanguage_ > 1 && testMode_)
        text = testMode_(DelimitedField(*found, langDelim_, 1));
    if (text.empty() && fallback) text = DelimitedField(*found, langDelim_, 1);
    return text;
}

std::string TranslationTables::LookupLine(TStringsType kind, int index, bool fallback) const {
    const StringList* list = lists_.ListOfKind(kind);
    if (!list || index < 0 || static_cast<size_t>(index) >= list->size()) return {};
    const std::string& line = (*list)[static_cast<size_t>(index)];
    std::string text = DelimitedField(line, langDelim_, activeLanguage_);
    if (text.empty() && fallback) text = DelimitedField(line, langDelim_, 1);
    return text;
}

std::string TranslationTables::FindField(TStringsType kind, std::string_view identifier,
                                         int language) const {
    if (language < 0)
        throw ELanguageError(std::to_string(language) +
                             " - is not a valid property value!\rValue must be within [1.." +
                             std::to_string(numOfLanguages_) + "]!");
    const StringList* list = lists_.ListOfKind(kind);
    if (!list) return {};
    for (const auto& line : *list)
        if (core::SameTextUtf8(DelimitedField(line, langDelim_, 0), identifier))
            return DelimitedField(line, langDelim_, language);
    return {};
}

void TranslationTables::RebuildLookupTables() {
    if (designing_) return;
    stringTable_.BuildStringTable(lists_.Strings(), 0, numOfLanguages_, langDelim_);
    if (HandleResourceStrings)
        resourceStringTable_.BuildStringTable(lists_.Strings(), ResourceLanguageIndex,
                                              numOfLanguages_, langDelim_);
    else
        resourceStringTable_.Clear();
}

void TranslationTables::ForgetString(std::string_view identifier) {
    stringTable_.RemoveIdentifier(identifier);
    resourceStringTable_.RemoveIdentifier(identifier);
}

void TranslationTables::ReadTranslationData(std::span<const uint8_t> payload) {
    localization::ReadTranslationData(payload, lists_);
    RebuildLookupTables();
}

std::vector<uint8_t> TranslationTables::WriteTranslationData() const {
    return localization::WriteTranslationData(lists_, langDelim_);
}

}  // namespace lark::localization
