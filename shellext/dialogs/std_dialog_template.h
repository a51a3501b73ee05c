#pragma once
// The dialog template ("TfrmStdDialogTemplate"): the base of the extension's dialogs
// (definitions based on it with ": TfrmStdDialogTemplate"). pnlMain holds the dialog's controls;
// the visible buttons of pnlButtons are laid out from the right (see uicomponents/button_row.h)
// when the form is shown and whenever it is resized. Help shows the form's HelpContext.
#include "ui/win32.h"

#include "ui/form.h"

namespace lark::ui {
class Panel;
class Button;
}

namespace lark::shellext {

class StdDialogTemplate : public ui::Form {
    LARK_PERSISTENT_CLASS(StdDialogTemplate)
public:
    explicit StdDialogTemplate(core::Component* owner = nullptr) : ui::Form(owner) {}
    void LayOutButtons();

protected:
    ui::Panel* pnlMain = nullptr;
    ui::Panel* pnlButtons = nullptr;
    ui::Button* btnOK = nullptr;
    ui::Button* btnCancel = nullptr;
    ui::Button* btnHelp = nullptr;
    void HandleCreated() override;
    LRESULT WndProc(UINT message, WPARAM w, LPARAM l) override;

private:
    void btnHelpClick(core::Component& sender);
};

}  // namespace lark::shellext
