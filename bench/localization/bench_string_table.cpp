// Identifier lookups, the program's hot path: every translated string use asks the sorted table.
#include <benchmark/benchmark.h>

#include <string>

#include "localization/translation_tables.h"

using namespace lark::localization;

namespace {

constexpr int kIdentifiers = 2000;

std::string IdOf(int i) {
    static const char* const kPrefixes[] = {"IDS_", "STR_", "strs", "str"};
    return kPrefixes[i % 4] + std::to_string(i);
}

TranslationTables& Tables() {
    static TranslationTables tables;
    static const bool filled = [] {
        TranslationTables& t = tables;
        t.SetNumOfLanguages(3);
        for (int i = 0; i < kIdentifiers; ++i)
            t.Lists().Strings().push_back(IdOf(i) + "\x01Text " + std::to_string(i) +
                                          "\x01Text Ä " + std::to_string(i) + "\x01" +
                                          (i % 3 ? "Texte é\x01" : "\x01"));
        t.RebuildLookupTables();
        return true;
    }();
    (void)filled;
    return tables;
}

void BM_TextByIdOrDefault(benchmark::State& state) {
    TranslationTables& t = Tables();
    t.SetActiveLanguage(3);
    std::vector<std::string> ids;
    for (int i = 0; i < kIdentifiers; i += 7) ids.push_back(IdOf(i));
    size_t n = 0;
    for (auto _ : state) benchmark::DoNotOptimize(t.TextByIdOrDefault(ids[n++ % ids.size()]));
}
BENCHMARK(BM_TextByIdOrDefault);

void BM_TextByIdOtherCase(benchmark::State& state) {
    TranslationTables& t = Tables();
    t.SetActiveLanguage(2);
    std::string id = IdOf(1234);
    for (auto& c : id) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (auto _ : state) benchmark::DoNotOptimize(t.TextById(id));
}
BENCHMARK(BM_TextByIdOtherCase);

void BM_MissingIdentifier(benchmark::State& state) {
    TranslationTables& t = Tables();
    for (auto _ : state) benchmark::DoNotOptimize(t.TextByIdOrDefault("IDS_NOT_THERE"));
}
BENCHMARK(BM_MissingIdentifier);

// The scan path (lists other than Strings, and the designer) over the same 2,000 lines.
void BM_ScanLookup(benchmark::State& state) {
    TranslationTables& t = Tables();
    *t.ListOfKind(TStringsType::stDlgsCaptions) = t.Lists().Strings();
    const std::string id = IdOf(kIdentifiers / 2);
    for (auto _ : state)
        benchmark::DoNotOptimize(t.LookupText(TStringsType::stDlgsCaptions, id, true));
}
BENCHMARK(BM_ScanLookup);

void BM_RebuildTable(benchmark::State& state) {
    TranslationTables& t = Tables();
    for (auto _ : state) t.RebuildLookupTables();
}
BENCHMARK(BM_RebuildTable);

}  // namespace
