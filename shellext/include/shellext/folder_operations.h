#pragma once
// What the extension's shell folder does, in portable terms: item attributes, the order of
// items, the items a folder lists, renaming, the copy hook's downloads and the selection they
// download. The COM objects only translate between these and the shell's interfaces.
//
// Items are the extension's 92-byte identifiers (item_ids.h); every item is checked with the
// model's typed accessors before its node is touched, so foreign, damaged, stale or mistyped
// items are refused, never followed.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "localization/message_box.h"
#include "mainclient/main_client.h"
#include "shellext/data_module.h"
#include "shellext/item_ids.h"
#include "shellext/selection_list.h"
#include "shellext/model/site_model.h"

namespace lark::shellext {

// Shell attributes (SFGAO_*) by kind: has subfolders, folder, validate, drop target, can
// rename, can move, can copy.
inline constexpr std::uint32_t kAttributesOfNoItems = 0xA1000000;
inline constexpr std::uint32_t kAttributesOfSite = 0xA1000113;       // profile folder, site profile
inline constexpr std::uint32_t kAttributesOfRemoteDir = 0xA1000111;
inline constexpr std::uint32_t kAttributesOfRemoteFile = 0x01000011;

// SHCONTF flags the enumeration reads.
inline constexpr std::uint32_t kEnumFolders = 0x20;
inline constexpr std::uint32_t kEnumNonFolders = 0x40;

// The attributes of the last item of each list, intersected; kAttributesOfNoItems for no lists.
// Nothing when the array is null while count is not 0, or any last item is not ours.
std::optional<std::uint32_t> AttributesOfItems(const ItemIdList* const* lists, unsigned count);

// The order of two lists, level by level as the shell compares them: the first items, and
// only when they are equal the rest, a list that ends first ordering first. Each level: -1, 0
// or 1; profile folders come before site profiles; every other pair compares the stored names
// without case, and on a tie the full names of the nodes, so two names that share their first
// 39 characters still differ. A list with an item that is not ours orders after (1).
int CompareItems(const ItemIdList* list1, const ItemIdList* list2);

// The items of a list relative to a folder (`folderItem` its own item, null for the junction)
// when the list is a path down from that folder: every item ours and live, the first a child
// of the folder's node, each next a child of the one before. Nothing for any other list (an
// item of another folder, a damaged, stale or foreign one); an empty list gives no items.
std::optional<std::vector<const ItemIdList*>> ItemsBelowFolder(const ItemIdList* folderItem, const ItemIdList* list);

// The longest name the extension sends for a rename or a new item, in UTF-16 units.
inline constexpr std::size_t kMaxItemNameLength = 255;
// Whether a typed or given name can be a profile, folder or file name: not empty, no "/",
// "\" or control character, valid UTF-8, at most kMaxItemNameLength units.
bool IsValidItemName(std::string_view name);

// The display name of the list's last item: a site node's ProfileName, a remote node's Name.
// Nothing when the last item is not ours.
std::optional<std::string> DisplayNameOf(const ItemIdList* list);

// What the folder's code needs from the library: the model, the texts and the box.
struct FolderContext {
    TFTPContainer& model;
    const TDM& dataModule;
    localization::TranslatedMessageBox& messageBox;
};

// The items a folder lists, each a new single-item list from the shell allocator that the
// caller owns. `folderItem` is the folder's own item (null for the junction). Nothing (after
// the box "Cannot connect to <name>!" with the caption "Connection failed") when a site to be
// listed cannot be connected or gives no listing. A model failure while building ends the
// list quietly with what was built. A folder item that is no longer ours lists nothing.
std::optional<std::vector<ItemIdList*>> BuildEnumeration(const ItemIdList* folderItem, std::uint32_t flags,
                                                         FolderContext& context);

enum class RenameOutcome {
    Renamed,     // the main client renamed it; the node and the item carry the new name
    NotOurs,     // the item is not ours: nothing happened
    NameRefused, // an empty, invalid or taken name: the message box told the user, nothing changed
    Refused,     // the main client refused or failed: nothing changed
};

// Renames the item (the last of the list) to `newName` through a new automation object. An
// empty name, a name that IsValidItemName refuses and a name that another node of the same
// collection bears (ignoring case, the item's own included) are refused with a message box on
// `window`. The main client's refusal
// or failure changes nothing. On success the node's name and the item's stored display name
// become the new name. The main client's call may pump messages: `list` must be the caller's own
// memory for the whole call (never a view row's item, which a notice may free), and a node
// freed meanwhile is left alone (the main client renamed it; the item still takes the name).
RenameOutcome RenameItem(ItemIdList* list, std::string_view newName, std::uintptr_t window, FolderContext& context);

// The site path of an item as the main client's profile methods take it: PidlToPath with every
// "/" replaced by "\\".
std::string SitePathOf(const ItemIdList* item);

// A new automation object through the model's factory; throws core::Error when there is none.
std::shared_ptr<mainclient::MainClient> NewMainClient(const TFTPContainer& model);

// ---- the copy hook ----

// The folder a destination path lies in: everything up to and including its last "\" (or
// "/"); "" when it has none.
std::string DestinationFolderOf(std::string_view destination);

// Whether two local paths name the same folder: compared without case and without trailing
// delimiters.
bool SameLocalPath(std::string_view a, std::string_view b);

// Downloads the entries into `folder` (ending with its delimiter) through `client`: a directory
// with DownloadDirectory(connection, remote path, folder + name + "\"), a file with
// DownloadFile(connection, folder + name, remote path, size, modified). An entry whose name is
// not safe as a local name is refused with a message box and passed over. A failed call ends
// the downloads without a message. Answers how many entries were asked for.
int DownloadSelection(const std::vector<SelectionEntry>& entries, const std::string& folder,
                      mainclient::MainClient& client, const TDM& dataModule,
                      localization::TranslatedMessageBox& messageBox);

}  // namespace lark::shellext
