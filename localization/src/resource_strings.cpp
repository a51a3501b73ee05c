#include "localization/resource_strings.h"

#include "localization/lang_component.h"
#include "localization/lang_dispatcher.h"

namespace lark::localization {
namespace {

ResourceStringSource* source = nullptr;
TlcCustomLang* translator = nullptr;

// Cut to at most kMaxResourceStringLength characters, on a character boundary.
std::string Cut(std::string text) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (++chars > kMaxResourceStringLength) {
            text.resize(i);
            break;
        }
    }
    return text;
}

std::string Translate(std::string text) {
    TlcCustomLang* lang = translator;
    if (!lang) return text;
    const int resource = lang->Tables().ResourceLanguageIndex;
    const int active = lang->ActiveLanguage();
    // A resource language outside the languages translates nothing.
    if (resource == active || resource < 1 || resource > lang->NumOfLanguages()) return text;
    TestModeTransform testMode;
    if (lang->TestModeActive())
        testMode = [lang](std::string_view t) { return lang->LangDispatcher()->TestModeInfo().ApplyTestMode(t); };
    std::string translated =
        lang->Tables().ResourceStringTable().FindTranslationByText(text, active, testMode ? &testMode : nullptr);
    return translated.empty() ? text : translated;
}

}  // namespace

void SetResourceStringSource(ResourceStringSource* s) { source = s; }
ResourceStringSource* CurrentResourceStringSource() { return source; }
TlcCustomLang* ResourceStringTranslator() { return translator; }

void detail::SetResourceStringTranslator(TlcCustomLang* lang) { translator = lang; }

std::string TranslatedLoadResString(std::uintptr_t module, unsigned identifier) {
    return Translate(Cut(source ? source->Load(module, identifier) : std::string()));
}

std::string TranslatedLoadResString(std::string_view literal) { return Translate(std::string(literal)); }

}  // namespace lark::localization
