#include "extension_help.h"

#include "mainclient/registration.h"
#include "uicomponents/html_help.h"

namespace lark::shellext {

void ShowExtensionHelp(const TDM& dataModule, int context) {
    const std::string folder = mainclient::MainClientProgramFolder();
    if (folder.empty()) return;  // a relative name would be looked up beside Explorer
    ui::HtmlHelp& help = ui::HtmlHelp::Instance();
    help.SetHelpFile(folder + dataModule.Text("IDS_2"));
    help.ShowContext(context);
}

void UseExtensionHelp(StdDialogTemplate& dialog, const TDM& dataModule) {
    dialog.OnHelp = [dm = &dataModule](int context) { ShowExtensionHelp(*dm, context); };
}

}  // namespace lark::shellext
