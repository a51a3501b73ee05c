#include "uicomponents/register.h"

#include "ui/register.h"
#include "uicomponents/spin_edit.h"
#include "uicomponents/tray_icon.h"
#include "uicomponents/version_info.h"

namespace lark::ui {

void RegisterUiComponents() {
    RegisterControls();
    static const bool done = [] {
        for (const core::ClassInfo* c : {&SpinEdit::StaticClass(), &TrayIcon::StaticClass(), &VersionInfo::StaticClass()})
            (void)c;
        return true;
    }();
    (void)done;
}

}  // namespace lark::ui
