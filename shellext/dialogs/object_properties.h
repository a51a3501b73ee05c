#pragma once
// The property dialogs of a profile folder ("TSMFolderForm") and of remote files and directories
// ("TFSObjectForm"). Each entry point creates its dialog without an owner, shows it modally in
// the data module's language (help context 12) and frees it before it returns. They run on the
// calling shell object's thread and take no lock.
//
// Automation errors (creating the main client's object, the call, an error result) are caught
// and not reported: the dialogs never raise for them.
#include <string>
#include <utility>
#include <vector>

#include "shellext/folder_operations.h"
#include "shellext/model/site_model.h"

namespace lark::shellext {

// Shows the properties of a profile folder (`node`'s record has IsFolder): its name and how
// many folders and profiles it holds directly. On OK with a name no sibling folder bears
// (ignoring case; a sibling profile's name is allowed) the record takes the new name and the
// main client is told through ModifyProfile(parent path, new name, ...). When that call raises
// the old name is restored and the answer is false. True after OK otherwise, false on Cancel.
bool EditProfileFolder(FolderContext& context, TFTPObject& node);

// Shows one remote file or directory: type, location, modification time, size and its nine
// permission bits (the panel hidden when the listing carried no permission column). On OK with
// the panel shown, SetAttributes(connection, remote path, numeric mode) goes to the main client;
// a non-negative answer updates the object's Permissions and PermString. True after OK (whatever
// the call answered), false on Cancel.
bool EditFSObject(FolderContext& context, TFSObject& object);

// Shows a selection of two or more remote objects (the pairs' second members; the first is the
// display name, unused here): the total size and permission boxes that are mixed where the
// objects disagree. On OK each object in order gets its own mode (checked boxes plus the mixed
// bits it had) through SetAttributes, and is updated when the answer is not negative; the first
// failing call ends the loop. True after OK with the permission panel shown, else false.
bool EditFSObjects(FolderContext& context, const std::vector<std::pair<std::string, TFSObject*>>& objects);

}  // namespace lark::shellext
