#include "std_dialog_template.h"

#include "ui/standard_controls.h"
#include "uicomponents/button_row.h"
#include "uicomponents/html_help.h"

namespace lark::shellext {

LARK_DEFINE_CLASS(StdDialogTemplate) {
    return core::ClassBuilder<StdDialogTemplate>("TfrmStdDialogTemplate", &ui::Form::StaticClass())
        .Binds("pnlMain", &StdDialogTemplate::pnlMain)
        .Binds("pnlButtons", &StdDialogTemplate::pnlButtons)
        .Binds("btnOK", &StdDialogTemplate::btnOK)
        .Binds("btnCancel", &StdDialogTemplate::btnCancel)
        .Binds("btnHelp", &StdDialogTemplate::btnHelp)
        .Handler("btnHelpClick", &StdDialogTemplate::btnHelpClick)
        .Build();
}

void StdDialogTemplate::LayOutButtons() {
    if (!pnlButtons || !pnlButtons->Visible()) return;
    std::vector<ui::Button*> buttons;
    std::vector<ui::RowButton> row;
    for (int i = 0; i < ComponentCount(); ++i) {
        auto* button = dynamic_cast<ui::Button*>(Components(i));
        if (!button || button->Parent() != pnlButtons) continue;
        buttons.push_back(button);
        row.push_back({static_cast<int>(button->Tag()), button->Visible(), button->Width(), button->Height()});
    }
    int width = pnlButtons->Width(), height = pnlButtons->Height();
    if (pnlButtons->HandleAllocated()) {
        RECT client{};
        GetClientRect(pnlButtons->Handle(), &client);
        width = client.right;
        height = client.bottom;
    }
    const std::vector<int> order = ui::OrderButtonRow(row);
    const std::vector<ui::RowPlace> places = ui::LayOutButtonRow(row, order, width, height);
    for (std::size_t i = 0; i < order.size(); ++i) {
        ui::Button& button = *buttons[order[i]];
        button.SetBounds(places[i].left, places[i].top, button.Width(), button.Height());
    }
}

void StdDialogTemplate::HandleCreated() {
    ui::Form::HandleCreated();
    LayOutButtons();
}

LRESULT StdDialogTemplate::WndProc(UINT message, WPARAM w, LPARAM l) {
    const LRESULT result = ui::Form::WndProc(message, w, l);
    if (message == WM_SIZE || (message == WM_SHOWWINDOW && w)) LayOutButtons();
    return result;
}

void StdDialogTemplate::btnHelpClick(core::Component&) {
    if (OnHelp)
        OnHelp(HelpContext());
    else
        ui::HtmlHelp::Instance().ShowContext(HelpContext());
}

}  // namespace lark::shellext
