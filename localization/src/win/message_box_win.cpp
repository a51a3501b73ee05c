#include <windows.h>

#include "core/text_encoding.h"
#include "localization/message_box.h"

namespace lark::localization {
namespace {

bool Has(MsgDlgButtons set, MsgDlgBtn b) { return (set & ButtonSet(b)) != 0; }

UINT ButtonStyle(MsgDlgButtons b) {
    using enum MsgDlgBtn;
    if (Has(b, mbAbort) || Has(b, mbIgnore)) return MB_ABORTRETRYIGNORE;
    if (Has(b, mbYes) && Has(b, mbCancel)) return MB_YESNOCANCEL;
    if (Has(b, mbYes) || Has(b, mbNo)) return MB_YESNO;
    if (Has(b, mbRetry)) return MB_RETRYCANCEL;
    if (Has(b, mbCancel)) return MB_OKCANCEL;
    return MB_OK;
}

UINT IconStyle(MsgDlgType type) {
    switch (type) {
        case MsgDlgType::mtWarning: return MB_ICONWARNING;
        case MsgDlgType::mtError: return MB_ICONERROR;
        case MsgDlgType::mtInformation: return MB_ICONINFORMATION;
        case MsgDlgType::mtConfirmation: return MB_ICONQUESTION;
        case MsgDlgType::mtCustom: break;
    }
    return 0;
}

ModalResult ResultOf(int id) {
    switch (id) {
        case IDOK: return ModalResult::mrOk;
        case IDCANCEL: return ModalResult::mrCancel;
        case IDABORT: return ModalResult::mrAbort;
        case IDRETRY: return ModalResult::mrRetry;
        case IDIGNORE: return ModalResult::mrIgnore;
        case IDYES: return ModalResult::mrYes;
        case IDNO: return ModalResult::mrNo;
        default: return ModalResult::mrNone;
    }
}

class SystemMessageBox : public TranslatedMessageBox {
public:
    ModalResult ShowTranslatedMessage(const std::string& text, const std::string& caption, MsgDlgType type,
                                      MsgDlgButtons buttons, MessageBoxOwner owner) override {
        UINT style = ButtonStyle(buttons) | IconStyle(type);
        if (owner.systemModal) style |= MB_SYSTEMMODAL | MB_SETFOREGROUND;
        const std::u16string wideText = core::Utf8ToUtf16(text);
        const std::u16string wideCaption = core::Utf8ToUtf16(caption);
        return ResultOf(MessageBoxW(reinterpret_cast<HWND>(owner.window), reinterpret_cast<const wchar_t*>(wideText.c_str()),
                                    reinterpret_cast<const wchar_t*>(wideCaption.c_str()), style));
    }
};

}  // namespace

TranslatedMessageBox& Win32MessageBox() {
    static SystemMessageBox box;
    return box;
}

}  // namespace lark::localization
