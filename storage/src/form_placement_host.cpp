// The host has no windows and no registry: a placement there only gives store access to INI
// files.
#include <unistd.h>

#include "core/errors.h"
#include "placement_detail.h"
#include "storage/form_placement.h"

namespace lark::storage {

std::string ProgramFileName() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    if (n <= 0) return "program";
    std::string full(path, std::size_t(n));
    return full.substr(full.find_last_of('/') + 1);
}

std::unique_ptr<SettingsStore> OpenRegistrySettings(TPlacementRegRoot, const std::string& key) {
    throw core::Error("There is no registry to keep the settings of " + key + " in");
}

std::string DefaultStorageSection(const core::Component* component) {
    return component ? component->Name() : std::string();
}

ui::Form* TFormPlacement::Window() const { return nullptr; }
void TFormPlacement::SaveWindowPlacement() {}
void TFormPlacement::RestoreWindowPlacement() {}
void TFormPlacement::WindowShow() {}
bool TFormPlacement::WindowCloseQuery() { return true; }
void TFormPlacement::WindowDestroy() {}
void TFormPlacement::ListenToOwner() {}
void TFormPlacement::StopListening() {}
void TFormPlacement::UpdateHook() {}
void TFormPlacement::AdjustMaximizedPosition() {}
void TFormPlacement::ApplyPreventResize() {}
void TFormPlacement::CreateHook() {}
void TFormPlacement::ActivateStoredControl() {}
void TFormPlacement::FocusControl(const std::string&) {}

}  // namespace lark::storage
