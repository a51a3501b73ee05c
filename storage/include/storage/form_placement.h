#pragma once
// A non-visual component on a window that saves the window's position, size and state (and
// optionally its active control) to a section of an INI file or a registry key when the window
// closes, and puts them back when it is shown. It also gives the string access to that store
// on which TFormStorage builds, and can limit the window's size through a window hook.
//
// The store access and the lifecycle are portable; everything that touches a real window lives
// in the Win32 part. On the host there are no windows, so only the store access does anything.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/component.h"

namespace lark::storage {

class WindowControl;
class TUiWindowHook;

// What a placement saves: bit n of the set is the option of ordinal n.
enum TPlacementOption : unsigned { fpState = 1u << 0, fpPosition = 1u << 1, fpActiveControl = 1u << 2 };
enum class TPlacementRegRoot { prCurrentUser, prLocalMachine, prCurrentConfig, prClassesRoot, prUsers, prDynData };

// An INI file or a registry key seen as sections of text keys.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) = 0;
    virtual void WriteString(std::string_view section, std::string_view key, std::string_view value) = 0;
    virtual void EraseSection(std::string_view section) = 0;
    // The key names of a section; used to trust a stored item count only as far as items exist.
    virtual std::vector<std::string> SectionKeys(std::string_view section) = 0;
    // Makes the writes permanent (an INI file is written through a temporary file). A store
    // dropped without it keeps nothing of what was written.
    virtual void Commit() {}
    // The INI reader drops one pair of surrounding quotes, so writers add one.
    virtual bool IsIniFile() const { return false; }
};

// A pass over the process's one store of the INI file (core::SharedIniFile): the file is read
// when it opens and, on Commit, what changed is written back into the file as it is then. A
// missing file is an empty store. A value the file cannot hold (a line break) is left out and
// Commit names it after writing the rest.
std::unique_ptr<SettingsStore> OpenIniSettings(const std::string& fileName);
// The key `key` under `root`, its subkeys the sections. Reading never creates the key. On the
// host there is no registry: this throws core::Error.
std::unique_ptr<SettingsStore> OpenRegistrySettings(TPlacementRegRoot root, const std::string& key);

// The program's file name without directory, extension changed to ".INI".
std::string DefaultIniName();
// "Software\" and the program's file name without directory and extension.
std::string DefaultRegistryKey();
// The section a component keeps its settings in when none is given: a window's class name; a
// control's window class name and its Name; another component on a window "class.Name"; else
// its Name.
std::string DefaultStorageSection(const core::Component* component);

class TFormPlacement;

// Size and position limits of the placed window, applied through the window hook.
class TWinMinMaxInfo : public core::Persistent {
    LARK_PERSISTENT_CLASS(TWinMinMaxInfo)
public:
    enum Index { MaxPosLeft, MaxPosTop, MaxSizeHeight, MaxSizeWidth, MaxTrackHeight, MaxTrackWidth, MinTrackHeight, MinTrackWidth };
    explicit TWinMinMaxInfo(TFormPlacement* owner = nullptr) : owner_(owner) {}

    int Value(Index i) const { return values_[i]; }
    void SetValue(Index i, int value);
    // Copies all eight.
    void Assign(const TWinMinMaxInfo& other);
    bool DefaultMinMaxInfo() const;  // all zero

private:
    TFormPlacement* owner_;
    int values_[8] = {};
};

class TFormPlacement : public core::Component {
    LARK_PERSISTENT_CLASS(TFormPlacement)
public:
    // Options start as [fpState, fpPosition] on a window and [] on anything else.
    explicit TFormPlacement(core::Component* owner = nullptr);
    ~TFormPlacement() override;

    bool Active() const { return active_; }
    void SetActive(bool on) { active_ = on; }
    const std::string& IniFileName() const { return iniFileName_; }
    void SetIniFileName(std::string name) { iniFileName_ = std::move(name); }
    const std::string& IniSection() const { return iniSection_; }
    void SetIniSection(std::string section) { iniSection_ = std::move(section); }
    TWinMinMaxInfo& MinMaxInfo() { return minMaxInfo_; }
    TWinMinMaxInfo* MinMaxInfoObject() { return &minMaxInfo_; }
    unsigned Options() const { return options_; }
    void SetOptions(unsigned options) { options_ = options; }
    bool PreventResize() const { return preventResize_; }
    void SetPreventResize(bool on);
    TPlacementRegRoot RegistryRoot() const { return registryRoot_; }
    void SetRegistryRoot(TPlacementRegRoot root) { registryRoot_ = root; }
    bool UseRegistry() const { return useRegistry_; }
    void SetUseRegistry(bool on) { useRegistry_ = on; }
    int Version() const { return version_; }
    void SetVersion(int version) { version_ = version; }

    std::function<void(TFormPlacement&)> OnSavePlacement;
    std::function<void(TFormPlacement&)> OnRestorePlacement;

    // The placed window: the owner when it is a window, else none (always none on the host).
    WindowControl* Window() const;

    // IniFileName, or DefaultRegistryKey / DefaultIniName for the store kind.
    std::string EffectiveFileName() const;
    // IniSection, or the owner's default section.
    std::string StorageSection() const;

    // Store access. Each call uses the open store or opens one for itself; opening an INI file
    // parses it once, so open it around a pass of many reads. A store opened for writing is
    // committed when the last CloseStore closes it.
    void OpenStore(bool forWriting);
    void CloseStore();
    bool StoreIsOpen() const { return openCount_ > 0; }
    virtual std::string ReadStoredString(std::string_view section, std::string_view key, std::string_view defaultValue);
    // In an INI file a value that begins and ends with the same quote gets one more pair of
    // double quotes, so it reads back unchanged.
    virtual void WriteStoredString(std::string_view section, std::string_view key, std::string_view value);
    int ReadStoredInteger(std::string_view section, std::string_view key, int defaultValue);
    void WriteStoredInteger(std::string_view section, std::string_view key, int value);
    void EraseStoredSection(std::string_view section);
    std::vector<std::string> StoredSectionKeys(std::string_view section);

    virtual void SaveWindowPlacement();
    virtual void RestoreWindowPlacement();

    // On close: "FormVersion" and the placement; nothing while Active and never restored.
    void StorePlacement();
    // On show: restores when the stored "FormVersion" is at least Version.
    void LoadPlacement();
    bool Restored() const { return restored_; }

    // The owner window's events, chained before (show) or after (close query, destroy) the
    // handlers the window had when the placement took them over.
    void WindowShow();
    bool WindowCloseQuery();
    void WindowDestroy();

    // Called by TWinMinMaxInfo when a limit changes.
    void MinMaxInfoChanged();

    void Loaded() override;

protected:
    // Runs the body with the store open, committing on success and dropping the writes of a
    // failed pass.
    void WithStore(bool forWriting, const std::function<void()>& body);

private:
    // The Win32 part (no-ops on the host, where no window exists).
    void AttachOwnerEvents();
    void DetachOwnerEvents();
    void UpdateHook();
    void AdjustMaximizedPosition();
    void ApplyPreventResize();
    void CreateHook();
    void ActivateStoredControl();
    void AbandonStore();

    bool active_ = true;
    std::string iniFileName_;
    std::string iniSection_;
    TWinMinMaxInfo minMaxInfo_{this};
    unsigned options_ = 0;
    bool preventResize_ = false;
    TPlacementRegRoot registryRoot_ = TPlacementRegRoot::prCurrentUser;
    bool useRegistry_ = false;
    int version_ = 0;

    std::unique_ptr<SettingsStore> store_;
    int openCount_ = 0;
    bool writing_ = false;
    bool restored_ = false;
    bool saved_ = false;
    bool destroyingWindow_ = false;
    bool defaultMaximize_ = true;
    // The show command restored while the window was hidden, applied when it shows (0: none).
    int pendingShowCmd_ = 0;
    bool ownerEventsAttached_ = false;
    TUiWindowHook* hook_ = nullptr;
    // The owner window's own handlers, put back when the placement goes.
    std::function<void(WindowControl&)> savedOnShow_;
    std::function<void(WindowControl&, bool&)> savedOnCloseQuery_;
    std::function<void(WindowControl&)> savedOnDestroy_;
};

}  // namespace lark::storage
