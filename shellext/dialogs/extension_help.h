#pragma once
// The extension's help: the help file is the data module's "IDS_2" text (per language) in the
// main client's program folder; the request goes to the program's help binding. Nothing
// happens (no box) when the main client is not registered or its help file is missing.
#include "shellext/data_module.h"
#include "std_dialog_template.h"

namespace lark::shellext {

void ShowExtensionHelp(const TDM& dataModule, int context);
// The dialog's Help shows the extension's help (the data module outlives the dialog).
void UseExtensionHelp(StdDialogTemplate& dialog, const TDM& dataModule);

}  // namespace lark::shellext
