#pragma once
// The extension's about box ("TfrmAbout"): banner, animated emblem, the extension library's own
// product and file version, the copyright lines and the web link. The view window's About
// command calls ShowAbout.
#include "ui/win32.h"

#include <memory>

#include "uicomponents/about_form.h"

namespace lark::shellext {

class AboutBox : public ui::AboutForm {
    LARK_PERSISTENT_CLASS(AboutBox)
public:
    explicit AboutBox(core::Component* owner = nullptr) : ui::AboutForm(owner) {}
    // Read from the definition (in the resource module: the DLL's own instance inside
    // Explorer), owned by window's root window, its version line filled from the version
    // resource of the module that holds this code (not the host process).
    static std::unique_ptr<AboutBox> Create(HWND window, int language);
};

// Shows the about box modally in `language` (1 English, 2 German, 3 French), owned by the root
// window of `window` (may be null), and returns when it is closed.
void ShowAbout(HWND window, int language);

}  // namespace lark::shellext
