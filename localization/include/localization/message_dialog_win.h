#pragma once
// Translated message boxes (Windows): a small form built in code - icon, word-wrapped text and
// one button per selected button - whose window and button captions come from a translation
// component's DlgsCaptions in its active language (the system's box cannot caption its buttons
// in the program's language). Contract:
// - The layout follows the font's average character size; the text wraps at half the screen
//   width; the box is centred on the screen (or placed at x, y) and its top never leaves the
//   work area, however tall the text.
// - Enter gives the default button (OK, else Yes, else Retry), Esc the cancel button (Cancel,
//   else No, else OK); closing by the title bar or Alt+F4 answers Cancel.
// - Captions are looked up without regard to case; a missing line gives an empty caption and
//   the box still works. Without a component the English default captions serve.
// - The text arrives formatted: callers format translated texts with core::Format, never printf.
#include "ui/win32.h"

#include <functional>
#include <memory>
#include <string>

#include "localization/lang_component.h"
#include "localization/message_box.h"
#include "ui/form.h"
#include "ui/standard_controls.h"

namespace lark::localization {

// The box's form ("TMessageForm"); built by BuildTranslatedMessageForm, never from a definition.
class TMessageForm : public ui::Form {
    LARK_PERSISTENT_CLASS(TMessageForm)
public:
    explicit TMessageForm(core::Component* owner = nullptr) : ui::Form(owner) {}
    ui::Label* Message() const { return message_; }
    std::string HelpFile;

    // Shows help for HelpContext from HelpFile (the Help button). Set by the program's help
    // binding; nothing happens while it is unset.
    static std::function<void(const std::string& helpFile, int context)>& HelpHandler();

private:
    friend std::unique_ptr<TMessageForm> BuildTranslatedMessageForm(TlcCustomLang*, const std::string&, MsgDlgType,
                                                                   MsgDlgButtons, const std::string&);
    void HelpButtonClick(core::Component& sender);
    ui::Label* message_ = nullptr;
};

// Builds the box (not shown). The caption is the type's caption from DlgsCaptions (custom: the
// application's title) unless one is given. lang may be null (English defaults).
std::unique_ptr<TMessageForm> BuildTranslatedMessageForm(TlcCustomLang* lang, const std::string& text,
                                                         MsgDlgType type, MsgDlgButtons buttons,
                                                         const std::string& caption = {});

// Shows the box modally at (x, y) where they are >= 0, else centred; frees it on every way out
// and answers the button chosen.
ModalResult ShowTranslatedMessageAt(TlcCustomLang* lang, const std::string& text, MsgDlgType type,
                                    MsgDlgButtons buttons, int helpContext, int x, int y,
                                    const std::string& helpFile = {});
ModalResult ShowTranslatedMessage(TlcCustomLang* lang, const std::string& text, MsgDlgType type,
                                  MsgDlgButtons buttons, int helpContext = 0);

// The message-box interface over the translated box, captioned from lang (which must outlive
// it; null: English defaults).
class TranslatedMessageForms : public TranslatedMessageBox {
public:
    explicit TranslatedMessageForms(TlcCustomLang* lang) : lang_(lang) {}
    ModalResult ShowTranslatedMessage(const std::string& text, const std::string& caption, MsgDlgType type,
                                      MsgDlgButtons buttons, MessageBoxOwner owner = {}) override;

private:
    TlcCustomLang* lang_;
};

}  // namespace lark::localization
