#include "shellext/data_module.h"

#include "core/component_stream.h"
#include "core/errors.h"
#include "core/published.h"
#include "core/stream.h"

namespace lark::shellext {

using localization::TlcLang;
using localization::TlcLangDispatcher;
using localization::TStringsType;

int LanguageOfSystemLanguage(int languageId) {
    if (languageId < 0) return 1;
    switch (languageId & 0x3FF) {
        case 7: return 2;
        case 12: return 3;
        default: return 1;
    }
}

TDM::TDM(core::Component* owner) : core::Component(owner) {}

LARK_DEFINE_CLASS(TDM) {
    return core::ClassBuilder<TDM>("TDM", &core::Component::StaticClass())
        .Event("OnCreate", &TDM::OnCreate)
        .Binds("lcLangDispatcher1", &TDM::lcLangDispatcher1)
        .Binds("lcLang1", &TDM::lcLang1)
        .Handler("DataModuleCreate", &TDM::DataModuleCreate)
        .Build();
}

std::unique_ptr<TDM> TDM::Create(std::span<const std::uint8_t> definition, int systemLanguageId) {
    auto module = std::make_unique<TDM>();
    core::MemoryStream in(definition.data(), definition.size());
    core::Reader reader(in);
    reader.ReadRootComponent(*module);
    if (!module->lcLangDispatcher1 || !module->lcLang1)
        throw core::Error("TDM: the definition lacks lcLangDispatcher1 or lcLang1");
    // The translation component's change notice is not a published event.
    module->lcLang1->OnChangeLanguage = [m = module.get()](localization::TlcCustomLang&) { m->UpdateStrings(); };
    module->systemLanguageId_ = systemLanguageId;
    if (module->OnCreate)
        module->OnCreate(*module);
    else
        module->DataModuleCreate(*module);
    return module;
}

TlcLangDispatcher& TDM::Dispatcher() const { return *lcLangDispatcher1; }
TlcLang& TDM::Lang() const { return *lcLang1; }
int TDM::Language() const { return lcLangDispatcher1->ActiveLanguage(); }

void TDM::SetLanguage(int language) {
    lcLangDispatcher1->SetActiveLanguage(language);
    UpdateStrings();
}

std::string TDM::Text(std::string_view identifier) const {
    return lcLang1->LookupText(TStringsType::stStrings, identifier, true);
}

void TDM::DataModuleCreate(core::Component&) { SetLanguage(LanguageOfSystemLanguage(systemLanguageId_)); }

void TDM::UpdateStrings() {
    texts_.cannotRenameFile = Text("strsCannotRenameFile");
    texts_.cannotRenameProfile = Text("strsCannotRenameProfile");
    texts_.cannotRename = Text("strsCannotRename");
    texts_.errorRenaming = Text("strsErrorRenaming");
    texts_.nonEmptyRequired = Text("strsNonEmptyRequired");
    texts_.error = Text("strsError");
}

}  // namespace lark::shellext
