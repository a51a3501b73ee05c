#pragma once
// A component that keeps chosen published properties of its owner's components ("StoredProps",
// lines Component.Property) in a section of an INI file, in the stored-property layout.
//
// The window placement that a window's storage also saves is layered on top by overriding
// SaveWindowPlacement / RestoreWindowPlacement; this class provides the store access both use.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/component.h"
#include "core/ini_store.h"
#include "storage/props_storage.h"

namespace lark::storage {

class TFormStorage : public core::Component {
    LARK_PERSISTENT_CLASS(TFormStorage)
public:
    explicit TFormStorage(core::Component* owner = nullptr);
    ~TFormStorage() override;

    bool Active() const { return active_; }
    void SetActive(bool active) { active_ = active; }
    const std::string& IniFileName() const { return iniFileName_; }
    void SetIniFileName(std::string name) { iniFileName_ = std::move(name); }
    const std::string& IniSection() const { return iniSection_; }
    void SetIniSection(std::string section) { iniSection_ = std::move(section); }

    // Lines carry their component as the line's object; a line without one is deleted by the
    // next pass, and a line whose component is freed is deleted at once.
    core::StringList& StoredProps() { return storedProps_.List(); }
    core::StringsObject* StoredPropsObject() { return &storedProps_; }
    void AddStoredProp(std::string line, core::Component* component);

    // The file: IniFileName, or DefaultIniName when that is empty. An empty name is a store that
    // holds nothing and cannot be written.
    std::string EffectiveFileName() const;
    virtual std::string DefaultIniName() const { return {}; }

    // Store access. Each call uses the open store, or opens one for itself. Opening parses the
    // whole file once; open it around a pass of many reads.
    void OpenStore(bool forWriting);
    // Writes a store opened for writing back to its file (through a temporary file).
    void CloseStore();
    bool StoreIsOpen() const { return openCount_ > 0; }
    virtual std::string ReadStoredString(std::string_view section, std::string_view key, std::string_view defaultValue);
    // A value that begins and ends with the same quote gets one more pair of double quotes, as
    // the reader strips one pair.
    virtual void WriteStoredString(std::string_view section, std::string_view key, std::string_view value);
    virtual void EraseStoredSection(std::string_view section);
    std::vector<std::string> StoredSectionKeys(std::string_view section);

    // Writes StoredProps into IniSection; failures reach the caller.
    virtual void SaveStoredProps();
    // Reads StoredProps from IniSection; every failure is swallowed. Needs no placement step and
    // works on a storage that is not active.
    virtual void RestoreStoredProps();

    // The placement layer extends these; here they only run the stored properties.
    virtual void SaveWindowPlacement() { SaveStoredProps(); }
    virtual void RestoreWindowPlacement() { RestoreStoredProps(); }

    void Notification(core::Component* component, core::Operation operation) override;
    // After the definition was read: each line gets the owner's component it names.
    void Loaded() override;

private:
    class Session;
    void Configure(TPropsStorage& storage);

    bool active_ = true;
    std::string iniFileName_;
    std::string iniSection_;
    core::StringsObject storedProps_;
    std::unique_ptr<core::IniStore> store_;
    int openCount_ = 0;
    bool writing_ = false;
};

}  // namespace lark::storage
