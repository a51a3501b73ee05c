#pragma once
// The message box that portable code shows its questions and errors through: text, caption,
// dialog type (which gives the icon) and a set of buttons; it answers the button chosen as a
// modal result. Code that shows boxes takes a TranslatedMessageBox& so that a test answers it
// (FakeMessageBox below). On Windows, Win32MessageBox() is the translated box of
// message_dialog_win.h with the English default captions.
#include <cstdint>
#include <string>
#include <vector>

namespace lark::localization {

// Dialog types: the icon shown.
enum class MsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// Buttons: bit i of a MsgDlgButtons selects button i.
enum class MsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
using MsgDlgButtons = std::uint16_t;
constexpr MsgDlgButtons ButtonSet(MsgDlgBtn b) { return static_cast<MsgDlgButtons>(1u << static_cast<int>(b)); }
template <class... B>
constexpr MsgDlgButtons ButtonSet(MsgDlgBtn first, B... rest) {
    return static_cast<MsgDlgButtons>(ButtonSet(first) | ButtonSet(rest...));
}

// Modal results: the button chosen (0: none, the box could not be shown).
enum class ModalResult { mrNone, mrOk, mrCancel, mrAbort, mrRetry, mrIgnore, mrYes, mrNo, mrAll, mrNoToAll, mrYesToAll };

// How the box relates to other windows: owned by a window (a window handle as an integer; 0:
// none), or system modal (topmost, over every window, for boxes without a window to own them).
struct MessageBoxOwner {
    std::uintptr_t window = 0;
    bool systemModal = false;
};

class TranslatedMessageBox {
public:
    virtual ~TranslatedMessageBox() = default;
    // Shows the box and answers the button chosen. Texts are UTF-8.
    virtual ModalResult ShowTranslatedMessage(const std::string& text, const std::string& caption, MsgDlgType type,
                                              MsgDlgButtons buttons, MessageBoxOwner owner = {}) = 0;
};

// For tests: records every box and answers from a script (the last answer repeats; OK when
// nothing is scripted).
class FakeMessageBox : public TranslatedMessageBox {
public:
    struct Shown {
        std::string text;
        std::string caption;
        MsgDlgType type;
        MsgDlgButtons buttons;
        MessageBoxOwner owner;
    };
    std::vector<Shown> shown;
    std::vector<ModalResult> answers;

    ModalResult ShowTranslatedMessage(const std::string& text, const std::string& caption, MsgDlgType type,
                                      MsgDlgButtons buttons, MessageBoxOwner owner = {}) override {
        shown.push_back({text, caption, type, buttons, owner});
        if (answers.empty()) return ModalResult::mrOk;
        const std::size_t i = shown.size() - 1;
        return answers[i < answers.size() ? i : answers.size() - 1];
    }
};

#ifdef _WIN32
// The translated box with the English default captions (no translation component); for boxes
// shown before a window with a translation component exists.
TranslatedMessageBox& Win32MessageBox();
#endif

}  // namespace lark::localization
