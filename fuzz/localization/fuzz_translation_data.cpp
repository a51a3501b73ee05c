// Arbitrary bytes as a "TranslationData" payload: the reader must accept or reject them cleanly,
// and what it accepts must survive a write and a second read unchanged.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "localization/errors.h"
#include "localization/translation_tables.h"

using namespace lark::localization;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> payload(data, size);
    for (ListSet set : {ListSet::Full, ListSet::Linked}) {
        TranslationTables tables(set);
        tables.SetNumOfLanguages(3);
        tables.ReadTranslationData(payload);

        TranslationLists again(set);
        ReadTranslationData(tables.WriteTranslationData(), again);
        if (!(again == tables.Lists())) std::abort();

        // Every lookup path over whatever lines came in; nothing may read past a line.
        for (int language = 1; language <= 3; ++language) {
            tables.SetActiveLanguage(language);
            for (int k = 0; k < kStringsTypeCount; ++k) {
                const auto kind = static_cast<TStringsType>(k);
                const StringList* list = tables.ListOfKind(kind);
                if (!list) continue;
                for (size_t i = 0; i < list->size() && i < 16; ++i) {
                    const std::string id = DelimitedField((*list)[i], tables.LangDelim(), 0);
                    (void)tables.LookupText(kind, id, true);
                    (void)tables.LookupLine(kind, static_cast<int>(i), true);
                    (void)tables.FindField(kind, id, language + 1);
                    (void)ValueField(language, (*list)[i], MakeDelimiterSet(tables.LangDelim()));
                }
            }
        }
        tables.SetNumOfLanguages(1);
        tables.SetNumOfLanguages(4);
    }
    return 0;
}
