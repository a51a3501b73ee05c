#pragma once
// The site properties dialog ("TProfileForm") and its two sub-dialogs ("TfrmAuthentication",
// "TfrmPersonalProxy"): makes a new site profile in a profile folder or edits an existing one,
// writes the input into the model's record and hands the record to the main client (AddProfile
// or ModifyProfile through a new automation object from context.model.Services()). The
// extension never writes the site database itself.
//
// Both entry points create the dialog without an owner, show it modally on the calling (UI)
// thread, free it before returning, and take their texts from the data module's language.
// Neither changes the model on failure:
// - Cancel, a failed or raising AddProfile: the new node and its record are removed again.
// - A failed or raising ModifyProfile: the record is restored as it was before the dialog
//   stored into it.
// Neither shows a message for a failed automation call.
#include "shellext/folder_operations.h"

namespace lark::shellext {

// Makes a new site profile in `folder` (null: the model's root level): a node and its record
// named uniquely after "New profile", the dialog, then AddProfile with the folder path
// GetObjectPath(node, "\\"). True when the main client answered 0; `node` then is the new
// node, else null (nothing of it is left in the model). When the automation object cannot be
// made (before the dialog shows) the node and record are removed and the error is thrown to
// the caller.
bool NewProfile(FolderContext& context, TFTPObjects* folder, TFTPObject*& node);

// Edits the site profile `node` (not a profile folder). True when the user confirmed and the
// main client answered 0 to ModifyProfile; on Cancel the record is untouched, on a failed or
// raising call (the automation object's creation included) it is restored.
bool EditProfile(FolderContext& context, TFTPObject& node);

}  // namespace lark::shellext
