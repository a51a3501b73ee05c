#include "about_box.h"

#include "ui/application.h"
#include "uicomponents/link_label.h"
#include "win/registration.h"
#include "win/text.h"

namespace lark::shellext {

namespace {
const char kThisModule = 0;
}

LARK_DEFINE_CLASS(AboutBox) {
    return core::ClassBuilder<AboutBox>("TfrmAbout", &ui::AboutForm::StaticClass()).Build();
}

std::unique_ptr<AboutBox> AboutBox::Create(HWND window, int language) {
    ui::RegisterAboutComponents();
    ui::ResourceModuleScope resources(ui::ModuleOf(&kThisModule));
    auto box = ui::Form::Make<AboutBox>(nullptr);
    box->Prepare(window, win::Narrow(win::ModulePath(ui::ModuleOf(&kThisModule))));
    box->SetLanguage(language);
    return box;
}

void ShowAbout(HWND window, int language) { AboutBox::Create(window, language)->ShowModal(); }

}  // namespace lark::shellext
