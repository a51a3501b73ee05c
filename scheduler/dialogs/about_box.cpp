#include "about_box.h"

#include "localization/lang_component.h"
#include "localization/lang_dispatcher.h"
#include "win/registration.h"
#include "win/text.h"

namespace lark::scheduler {

LARK_DEFINE_CLASS(AboutBox) {
    return core::ClassBuilder<AboutBox>("TfrmAbout", &ui::AboutForm::StaticClass()).Build();
}

std::unique_ptr<AboutBox> AboutBox::Create(HWND owner, localization::TlcLangDispatcher* languages) {
    ui::RegisterAboutComponents();
    auto box = ui::Form::Make<AboutBox>(nullptr);
    // The program's own version: the box always describes the running program.
    box->Prepare(owner, win::Narrow(win::ModulePath(nullptr)));
    if (languages) box->lcLang->SetLangDispatcher(languages);
    return box;
}

void ShowAboutBox(HWND owner, localization::TlcLangDispatcher* languages) {
    AboutBox::Create(owner, languages)->ShowModal();
}

}  // namespace lark::scheduler
