#pragma once
// The dialog template ("TfrmStdDialogTemplate"): the base of the extension's dialogs
// (definitions based on it with ": TfrmStdDialogTemplate"). pnlMain holds the dialog's controls;
// the visible buttons of pnlButtons are laid out from the right (see uicomponents/button_row.h)
// when the form is shown and whenever it is resized. Help shows the form's HelpContext through
// OnHelp (the program's help when it is unset).
#include "ui/win32.h"

#include <functional>

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

    // Shows help for a context: the extension sets its own help file per language here, which
    // the program-wide help binding does not know.
    std::function<void(int context)> OnHelp;

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
