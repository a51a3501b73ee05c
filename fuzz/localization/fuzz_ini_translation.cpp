// Arbitrary bytes as an INI-text translation file: loading, merging and one-language reads must
// end cleanly with a usable component (1..255 languages, bulk loading cleared), and whatever was
// loaded must save and load again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/component.h"
#include "core/stream.h"
#include "localization/lang_component.h"

using namespace lark;
using namespace lark::localization;

namespace {
void Check(const TlcCustomLang& lang) {
    if (lang.BulkLoading() || lang.ApplySuspended) std::abort();
    if (lang.NumOfLanguages() < 1 || lang.NumOfLanguages() > kMaxLanguages) std::abort();
    if (lang.ActiveLanguage() < 1 || lang.ActiveLanguage() > lang.NumOfLanguages()) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    core::Component window;
    window.SetName("Window");
    auto* lang = window.Create<TlcLang>();
    lang->SetLangNames({"English", "German", "French"});
    lang->SetActiveLanguage(3);
    *lang->ListOfKind(TStringsType::stCaptions) = {"TComponent\x01" "A\x01" "B\x01" "C\x01"};

    core::MemoryStream file(data, size);
    lang->LoadAllFromIniStream(file, false);
    Check(*lang);
    lang->MergeAllAndApply(file);
    Check(*lang);
    lang->LoadLanguageKindFromIniFile(TStringsType::stCaptions, "", "German");

    core::MemoryStream saved;
    lang->SaveAllToIniStream(saved, "~!@#");
    core::Component other;
    auto* again = other.Create<TlcLang>();
    again->LoadAllFromIniStream(saved, true);
    Check(*again);
    if (again->NumOfLanguages() != lang->NumOfLanguages()) std::abort();
    for (int k = 0; k < kStringsTypeCount; ++k) {
        const auto kind = static_cast<TStringsType>(k);
        if (lang->ListOfKind(kind) && again->ListOfKind(kind)->size() > lang->ListOfKind(kind)->size()) std::abort();
    }
    return 0;
}
