// Arbitrary bytes as a binary translation file: the reader must load the window's entry or
// refuse with an error, never read outside the data, and leave the component usable.
#include <cstdint>
#include <cstdlib>

#include "core/component.h"
#include "core/errors.h"
#include "core/stream.h"
#include "localization/lang_component.h"
#include "localization/lcb_file.h"

using namespace lark;
using namespace lark::localization;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    core::Component window;
    auto* lang = window.Create<TlcLang>();
    lang->SetLangNames({"English", "German", "French"});
    lang->SetActiveLanguage(2);
    for (const char* cls : {"TComponent", "TTestForm"}) {
        core::MemoryStream stream(data, size);
        TLCBFileManager manager;
        try {
            manager.ReadLcbStream(*lang, cls, stream);
        } catch (const core::Error&) {
        }
        if (lang->ApplySuspended) std::abort();
        if (lang->ActiveLanguage() < 1 || lang->ActiveLanguage() > lang->NumOfLanguages()) std::abort();
        lang->ApplyTranslation();
        (void)lang->TextByIdOrDefault("IDS_1");
    }
    return 0;
}
