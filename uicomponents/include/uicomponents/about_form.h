#pragma once
// AboutForm ("TAboutForm"): what both programs' about boxes share; each program's box is a
// definition of a class derived from it. Contract:
// - The definition names lbToolVersion (its caption is the format "Version %s, %s"), Label1 (a
//   TLinkLabel with OnClick = Label1Click), AnimatedImage1 and lcLang (the string "ids_website"
//   is the web address).
// - Prepare(owner, versionFile): the box becomes an owned top-level window of owner's root
//   window (none for a null owner) and the version line is filled from versionFile's version
//   resource; it is filled again after a language change.
// - Label1Click turns the link purple and opens the web address.
#include "ui/win32.h"

#include <functional>
#include <string>

#include "ui/form.h"

namespace lark::localization {
class TlcLang;
}

namespace lark::ui {

class Label;
class LinkLabel;
class AnimatedImage;

class AboutForm : public Form {
    LARK_PERSISTENT_CLASS(AboutForm)
public:
    explicit AboutForm(core::Component* owner = nullptr) : Form(owner) {}
    void Prepare(HWND owner, std::string versionFile);
    // 1 English, 2 German, 3 French.
    void SetLanguage(int language);
    AnimatedImage* Emblem() const { return AnimatedImage1; }
    const std::string& OpenedAddress() const { return openedAddress_; }
    // Replaces the shell's open (tests).
    std::function<void(HWND, const std::string&)> openAddress;

protected:
    Label* lbToolVersion = nullptr;
    LinkLabel* Label1 = nullptr;
    AnimatedImage* AnimatedImage1 = nullptr;
    localization::TlcLang* lcLang = nullptr;

private:
    void Label1Click(core::Component& sender);
    void FillVersion();
    std::string versionFile_;
    std::string versionFormat_;
    std::string openedAddress_;
};

// Registers the component classes the about boxes' definitions use.
void RegisterAboutComponents();

}  // namespace lark::ui
