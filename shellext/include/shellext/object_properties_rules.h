#pragma once
// What the folder and remote object property dialogs decide, in portable terms: the nine
// permission boxes and their numeric text, the click cycle of a mixed box, the size text, the
// counts and sibling names of a profile folder, and the calls that apply a dialog's result
// through the main client. The dialogs only show these and read the user's choices back.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "shellext/folder_operations.h"
#include "shellext/model/site_model.h"

namespace lark::shellext {

// ---- permission boxes ----

enum class BoxState { Unchecked, Checked, Mixed };

// One check box of the permission panel: its component name, its bit of a remote node's
// Permissions (the listing parser's order) and its weight in the numeric text.
struct PermissionBox {
    std::string_view name;
    std::uint16_t bit;
    int weight;
};

// Owner, group, other; read, write, execute in each.
inline constexpr std::array<PermissionBox, 9> kPermissionBoxes = {{
    {"ckbR1", 0x1, 400}, {"ckbW1", 0x2, 200}, {"ckbX1", 0x4, 100},
    {"ckbR2", 0x8, 40},  {"ckbW2", 0x10, 20}, {"ckbX2", 0x20, 10},
    {"ckbR3", 0x40, 4},  {"ckbW3", 0x80, 2},  {"ckbX3", 0x100, 1},
}};
inline constexpr std::uint16_t kPermissionBits = 0x1FF;

using BoxStates = std::array<BoxState, 9>;

// The state a click leaves: a mixed box becomes checked, then it alternates between checked and
// unchecked (never mixed again).
BoxState NextBoxState(BoxState state);

// The boxes of one object: checked exactly where its bit is set.
BoxStates BoxesOf(std::uint16_t permissions);
// The boxes of several objects (at least one): the first object's bits, mixed where any other
// object disagrees.
BoxStates BoxesOf(const std::vector<std::uint16_t>& permissions);

// The decimal sum of the weights of the checked boxes: the octal mode's digits without leading
// zeros ("644", "755", "1", "0"). Mixed boxes add nothing.
std::string NumericText(const BoxStates& boxes);
// The bits an object gets from the boxes: a checked box sets its bit, a mixed one keeps the
// object's own, an unchecked one clears it. Bits outside the nine stay as they were.
std::uint16_t PermissionsFor(const BoxStates& boxes, std::uint16_t had);
// The numeric text of a bit set ("644" for owner read and write, group and other read).
std::string NumericTextOf(std::uint16_t permissions);
// The listing's permission column for the bits: "d" or "-", then "rwx" or "-" for each box.
std::string PermStringOf(std::uint16_t permissions, bool isFolder);

// ---- texts ----

// The size as the dialogs show it: below 1000 `bytesFormat` (one %d) filled with the size; up to
// 999999 the size in units of 1024 with two decimals and `kilobytes`; from 1000000 in units of
// 1048576 and `megabytes`. `decimalSeparator` replaces the point.
std::string SizeText(std::int64_t size, std::string_view bytesFormat, std::string_view kilobytes,
                     std::string_view megabytes, std::string_view decimalSeparator);

// ---- profile folders ----

struct FolderCounts {
    int folders = 0;
    int profiles = 0;
};
// The folder's direct members: those whose record is a folder, and all others.
FolderCounts CountMembers(const TFTPObject& folder);
// The names of the other folders of the node's own level (profiles are not counted).
std::vector<std::string> SiblingFolderNames(const TFTPObject& node);
// Whether the name is in the list, ignoring case.
bool NameTaken(const std::vector<std::string>& names, std::string_view name);
// The folders that enclose the node, from the top, each followed by "\" ("Work\" for a folder in
// the top-level folder Work); "\" at the top level.
std::string ParentFolderPath(const TFTPObject& node);

// Renames the folder's record to `newName` and tells the main client through a new automation
// object: ModifyProfile(parent path, new name, the rest empty, 0 or false). The call's result is
// not examined. When the object cannot be made nothing changes; when the call raises the old
// name is restored; both answer false. True otherwise.
bool ApplyFolderRename(FolderContext& context, TFTPObject& node, const std::string& newName);

// ---- remote objects ----

// Sets the object's Permissions and rebuilds its PermString.
void SetPermissions(TFSObject& object, std::uint16_t permissions);

// Sends each object's own mode (PermissionsFor(boxes, its bits)) in order through one new
// automation object: SetAttributes(connection, remote path, numeric text). An object whose call
// answers a non-negative code is updated (SetPermissions); a negative answer leaves it and goes
// on; the first failure (the object cannot be made, a call raises) ends the loop, the objects
// before it keeping their update. Answers how many objects were updated.
int ApplyPermissions(FolderContext& context, const std::vector<TFSObject*>& objects, const BoxStates& boxes);

}  // namespace lark::shellext
