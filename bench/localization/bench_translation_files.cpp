// Translation files as a window meets them when the dispatcher names one: an INI-text file and
// a binary file, each carrying 2,000 strings and 400 captions in three languages.
#include <benchmark/benchmark.h>

#include <string>

#include "core/component.h"
#include "core/component_stream.h"
#include "core/stream.h"
#include "localization/lang_component.h"
#include "localization/lcb_file.h"

using namespace lark;
using namespace lark::localization;

namespace {

constexpr int kStrings = 2000;
constexpr int kCaptions = 400;

void Fill(TlcCustomLang& lang) {
    lang.SetLangNames({"English", "German", "French"});
    StringList& strings = *lang.ListOfKind(TStringsType::stStrings);
    for (int i = 0; i < kStrings; ++i)
        strings.push_back("IDS_" + std::to_string(i) + "\x01Text " + std::to_string(i) + "\x01Text Ä " +
                          std::to_string(i) + "\x01Texte é " + std::to_string(i) + "\x01");
    StringList& captions = *lang.ListOfKind(TStringsType::stCaptions);
    for (int i = 0; i < kCaptions; ++i)
        captions.push_back("btn" + std::to_string(i) + "\x01OK\x01Gut\x01" "Bien\x01");
}

const std::vector<std::uint8_t>& IniFile() {
    static const std::vector<std::uint8_t> bytes = [] {
        core::Component window;
        auto* lang = window.Create<TlcLang>();
        Fill(*lang);
        core::MemoryStream out;
        lang->SaveAllToIniStream(out, "~!@#");
        return out.Data();
    }();
    return bytes;
}

const std::vector<std::uint8_t>& LcbFile() {
    static const std::vector<std::uint8_t> bytes = [] {
        TlcLang stored;
        Fill(stored);
        const std::vector<std::uint8_t> component = core::WriteComponentToBytes(stored);
        std::vector<std::uint8_t> out(kLcbHeader.begin(), kLcbHeader.end());
        const std::string name = "TComponent";
        for (std::uint8_t b : {0, 1, 0, 0, 0, static_cast<int>(name.size()), 0}) out.push_back(b);
        out.insert(out.end(), name.begin(), name.end());
        const auto offset = static_cast<std::uint32_t>(out.size() + 4);
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(offset >> (8 * i)));
        out.insert(out.end(), component.begin(), component.end());
        return out;
    }();
    return bytes;
}

void BM_LoadIniTextFile(benchmark::State& state) {
    for (auto _ : state) {
        core::Component window;
        auto* lang = window.Create<TlcLang>();
        core::MemoryStream file(IniFile());
        lang->LoadAllFromIniStream(file, true);
        benchmark::DoNotOptimize(lang->TextByIdOrDefault("IDS_1999"));
    }
    state.counters["bytes"] = static_cast<double>(IniFile().size());
}
BENCHMARK(BM_LoadIniTextFile)->Unit(benchmark::kMillisecond);

void BM_SaveIniTextFile(benchmark::State& state) {
    core::Component window;
    auto* lang = window.Create<TlcLang>();
    Fill(*lang);
    for (auto _ : state) {
        core::MemoryStream out;
        lang->SaveAllToIniStream(out, "~!@#");
        benchmark::DoNotOptimize(out.Size());
    }
}
BENCHMARK(BM_SaveIniTextFile)->Unit(benchmark::kMillisecond);

void BM_LoadBinaryFile(benchmark::State& state) {
    for (auto _ : state) {
        core::Component window;
        auto* lang = window.Create<TlcLang>();
        core::MemoryStream file(LcbFile());
        TLCBFileManager reader;
        reader.ReadLcbStream(*lang, "TComponent", file);
        benchmark::DoNotOptimize(lang->ListOfKind(TStringsType::stStrings)->size());
    }
    state.counters["bytes"] = static_cast<double>(LcbFile().size());
}
BENCHMARK(BM_LoadBinaryFile)->Unit(benchmark::kMillisecond);

}  // namespace
