#pragma once
// The scheduler's about box ("TfrmAbout"): banner, animated emblem, the program's product and
// file version, the copyright line and the web link. Callers use ShowAboutBox.
#include "ui/win32.h"

#include <memory>

#include "uicomponents/about_form.h"

namespace lark::localization {
class TlcLangDispatcher;
}

namespace lark::scheduler {

class AboutBox : public ui::AboutForm {
    LARK_PERSISTENT_CLASS(AboutBox)
public:
    explicit AboutBox(core::Component* owner = nullptr) : ui::AboutForm(owner) {}
    // Read from the definition, owned by owner's root window, its version line filled from the
    // program's own version resource; in the dispatcher's language when one is given.
    static std::unique_ptr<AboutBox> Create(HWND owner, localization::TlcLangDispatcher* languages = nullptr);
};

// Shows the about box modally, owned by the root window of `owner` (may be null), and returns
// when it is closed.
void ShowAboutBox(HWND owner, localization::TlcLangDispatcher* languages = nullptr);

}  // namespace lark::scheduler
