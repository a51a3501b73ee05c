#include "uicomponents/about_form.h"

#include "localization/lang_component.h"
#include "uicomponents/animated_image.h"
#include "uicomponents/jpeg_image.h"
#include "uicomponents/link_label.h"
#include "uicomponents/register.h"
#include "uicomponents/version_info.h"

namespace lark::ui {

LARK_DEFINE_CLASS(AboutForm) {
    return core::ClassBuilder<AboutForm>("TAboutForm", &Form::StaticClass())
        .NotCreatable()
        .Binds("lbToolVersion", &AboutForm::lbToolVersion)
        .Binds("Label1", &AboutForm::Label1)
        .Binds("AnimatedImage1", &AboutForm::AnimatedImage1)
        .Binds("lcLang", &AboutForm::lcLang)
        .Handler("Label1Click", &AboutForm::Label1Click)
        .Build();
}

void RegisterAboutComponents() {
    RegisterUiComponents();
    UseJpegImages();
    for (const core::ClassInfo* c : {&AnimatedImage::StaticClass(), &LinkLabel::StaticClass(), &LinkImage::StaticClass(),
                                     &VersionInfo::StaticClass(),
                                     &localization::TlcLang::StaticClass()})
        (void)c;
}

void AboutForm::Prepare(HWND owner, std::string versionFile) {
    SetOwnerWindow(owner ? GetAncestor(owner, GA_ROOT) : nullptr);
    versionFile_ = std::move(versionFile);
    versionFormat_ = lbToolVersion->Text();
    lcLang->OnChangeLanguage = [this](localization::TlcCustomLang&) {
        versionFormat_ = lbToolVersion->Text();
        FillVersion();
    };
    FillVersion();
}

void AboutForm::SetLanguage(int language) { lcLang->SetActiveLanguage(language); }

void AboutForm::FillVersion() { lbToolVersion->SetText(VersionLine(versionFormat_, versionFile_)); }

void AboutForm::Label1Click(core::Component& sender) {
    // The picture beside the link opens the same address and colours the link as visited.
    if (dynamic_cast<LinkImage*>(&sender) && Label1) Label1->MarkVisited();
    openedAddress_ = lcLang->TextById("ids_website");
    if (openAddress) openAddress(Handle(), openedAddress_);
    else OpenWebAddress(Handle(), openedAddress_);
}

}  // namespace lark::ui
