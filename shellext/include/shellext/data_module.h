#pragma once
// The extension's data module TDM: its language dispatcher and translation component, read from
// the compiled definition (resource "TDM"). Every part of the extension asks it for its texts by
// identifier; there is no other table. The language is chosen once, when the module is created,
// from the system's language, and changes only through SetLanguage.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "core/component.h"
#include "core/event.h"
#include "localization/lang_component.h"
#include "localization/lang_dispatcher.h"

namespace lark::shellext {

// The texts of the rename operations, refreshed whenever the language changes.
struct RenameTexts {
    std::string cannotRenameFile;     // strsCannotRenameFile
    std::string cannotRenameProfile;  // strsCannotRenameProfile
    std::string cannotRename;         // strsCannotRename
    std::string errorRenaming;        // strsErrorRenaming
    std::string nonEmptyRequired;     // strsNonEmptyRequired
    std::string error;                // strsError
};

// The extension's language for a Windows language identifier: its primary language (the low 10
// bits) 7 (German) gives 2, 12 (French) gives 3, anything else (also -1: unknown) gives 1.
int LanguageOfSystemLanguage(int languageId);

class TDM : public core::Component {
    LARK_PERSISTENT_CLASS(TDM)
public:
    explicit TDM(core::Component* owner = nullptr);

    // Reads the compiled definition into a new module and runs its OnCreate with the system's
    // language identifier (-1: unknown). A definition that does not read throws core::Error.
    static std::unique_ptr<TDM> Create(std::span<const std::uint8_t> definition, int systemLanguageId);

    core::NotifyEvent OnCreate;

    localization::TlcLangDispatcher& Dispatcher() const;
    localization::TlcLang& Lang() const;
    // 1 English, 2 German, 3 French.
    int Language() const;
    void SetLanguage(int language);

    // The text of a string-table identifier in the active language, language 1 when the active
    // one has none; "" for an unknown identifier.
    std::string Text(std::string_view identifier) const;
    const RenameTexts& Texts() const { return texts_; }

private:
    void DataModuleCreate(core::Component& sender);
    void UpdateStrings();

    localization::TlcLangDispatcher* lcLangDispatcher1 = nullptr;
    localization::TlcLang* lcLang1 = nullptr;
    int systemLanguageId_ = -1;
    RenameTexts texts_;
};

}  // namespace lark::shellext
