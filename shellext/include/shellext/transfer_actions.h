#pragma once
// The transfer and edit actions of the extension's items, in portable terms: paste and drop of
// site profiles and folders (recreated through the main client), of remote files (copied on the
// server) and of local files (uploaded); delete with confirmation; new site folder, remote
// directory or profile; move of remote objects; open; properties. The view window, the context
// menu and the drop target call these; everything Windows-specific (change notices, the
// clipboard, folder choice, opening folders, message pumping, the dialogs) comes in through the
// small interfaces below, which the Windows code implements and tests fake.
//
// The main client's calls, message boxes, dialogs and drag loops pump messages, and a change
// notice handled meanwhile may refill a view and free model nodes: after each such call an
// action finds its nodes again through their items (the node registry) and leaves alone a node
// that is gone.
//
// Every change goes to the main client through a new automation object per operation
// (the model's Services().createMainClient) and is then announced through ShellHost::Notify. A
// call succeeds when its out value is not negative. Items reach their nodes through the typed
// accessors (SiteNodeOf, RemoteNodeOf): an item of a freed node is inert, never followed.
// Every model change keeps node i and record i of a level together; a node added before an
// automation call that fails or raises is removed again.
//
// Results are HRESULT values as 32-bit integers (kActionOk and friends); automation out values
// never pass as one: a non-negative out value is kActionOk, a negative one kActionFail.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "shellext/folder_operations.h"
#include "shellext/item_ids.h"
#include "shellext/model/site_model.h"
#include "shellext/selection_list.h"

namespace lark::shellext {

// HRESULTs the actions answer, with the values Windows gives them.
using ActionResult = std::int32_t;
inline constexpr ActionResult kActionOk = 0;                                         // S_OK
inline constexpr ActionResult kActionFalse = 1;                                      // S_FALSE
inline constexpr ActionResult kActionFail = static_cast<std::int32_t>(0x80004005);   // E_FAIL
inline constexpr ActionResult kActionInvalidArg = static_cast<std::int32_t>(0x80070057);  // E_INVALIDARG

// DROPEFFECT_* values.
inline constexpr std::uint32_t kDropEffectCopy = 1;
inline constexpr std::uint32_t kDropEffectMove = 2;

// SHCNE_* events the actions announce.
enum class ShellChange : std::uint32_t {
    Delete = 0x00000004,      // SHCNE_DELETE
    MakeDir = 0x00000008,     // SHCNE_MKDIR
    RemoveDir = 0x00000010,   // SHCNE_RMDIR
    UpdateDir = 0x00001000,   // SHCNE_UPDATEDIR
    UpdateItem = 0x00002000,  // SHCNE_UPDATEITEM
    RenameFolder = 0x00020000,  // SHCNE_RENAMEFOLDER
};

// The formats a data object of a paste or drop is asked for.
enum class TransferFormat {
    HDrop,        // CF_HDROP: local files (also our marker folder)
    ProfileItem,  // "Lark-FTP Profile Object": site folders and profiles of the extension
    FileItem,     // "Lark-FTP File System Object": remote objects of the extension
};

// A data object of the clipboard or of a drag, as the actions read it.
class TransferData {
public:
    virtual ~TransferData() = default;
    // QueryGetData succeeds for the format.
    virtual bool Offers(TransferFormat format) = 0;
    // GetData succeeds for the format (its medium released at once). Our own data source refills
    // the item selection when asked.
    virtual bool Read(TransferFormat format) = 0;
    // The local paths of the CF_HDROP medium (ReadDropFileList); nothing when GetData fails.
    virtual std::optional<std::vector<std::string>> DropFiles() = 0;
};

// What the actions need from Windows.
class ShellHost {
public:
    virtual ~ShellHost() = default;
    // SHChangeNotify(event, SHCNF_IDLIST | SHCNF_FLUSHNOWAIT, first, second); second is null
    // for one-item notices.
    virtual void Notify(ShellChange event, const ItemIdList* first, const ItemIdList* second) = 0;
    // OleGetClipboard: the clipboard's data object, or null when it cannot be read.
    virtual std::shared_ptr<TransferData> Clipboard() = 0;
    // SHBrowseForFolder(owner, root, title, BIF_NONEWFOLDERBUTTON): the chosen absolute list
    // (the caller frees it with FreePidl), or null when cancelled.
    virtual ItemIdList* BrowseForFolder(std::uintptr_t owner, const ItemIdList* root, const std::string& title) = 0;
    // ShellExecuteEx "open" of class "folder" on the absolute list (Explorer opens a window).
    // Throws core::Error when it fails.
    virtual void OpenFolder(std::uintptr_t window, const ItemIdList* absolute) = 0;
    // Processes the pending window messages (between uploads).
    virtual void PumpMessages() = 0;
    // What a local path names.
    enum class PathKind { None, File, Directory };
    virtual PathKind LocalPathKind(const std::string& path) = 0;
};

// The lx dialogs (site properties, folder and remote-object properties), injected so host
// tests answer them. Each answers true when the user confirmed with OK.
class ItemDialogs {
public:
    virtual ~ItemDialogs() = default;
    // A new site profile in `folder` (null: the model's root level): true and the new node.
    virtual bool NewProfile(FolderContext& context, TFTPObjects* folder, TFTPObject*& node) = 0;
    virtual bool EditProfile(FolderContext& context, TFTPObject& node) = 0;
    virtual bool EditProfileFolder(FolderContext& context, TFTPObject& node) = 0;
    virtual bool EditFSObject(FolderContext& context, TFSObject& object) = 0;
    virtual bool EditFSObjects(FolderContext& context,
                               const std::vector<std::pair<std::string, TFSObject*>>& objects) = 0;
};

// Everything one action needs.
struct ActionContext {
    FolderContext& folder;  // model, texts, message box
    ShellHost& shell;
    ItemDialogs& dialogs;
    SelectionList& selection;  // what was copied or dragged (SelectionList::Global() in lx)
};

// The folder an action runs in: its root list (the junction) and relative list (null for the
// namespace root); its own item is the relative list's last item.
struct FolderLists {
    const ItemIdList* root = nullptr;
    const ItemIdList* relative = nullptr;
    // Root + relative as a new list of the allocator (the caller frees it); null on failure.
    ItemIdList* Absolute() const;
    // The last item of the relative list, or null.
    const ItemIdList* OwnItem() const;
};

// An item set of one folder: `count` items concatenated in one list (item-list convention),
// found in one pass; nothing when an item before the count is reached is not ours.
std::vector<const ItemIdList*> SplitItems(const ItemIdList* items, unsigned count);

// ---- paste and drop ----

// Whether the clipboard offers what the target (a single item, or null for the namespace root)
// takes: a site folder or none the profile format, a remote directory or profile CF_HDROP, a
// remote file nothing.
bool CanPaste(const ItemIdList* target, ActionContext& context);

// Whether the selection may be pasted or dropped onto the target: not when an entry's node lies
// in the target's collection (children, a profile's Content, the root level for none) or is the
// target's own node, and not when a site folder entry is the target or one of its ancestors. A
// remote file target is valid.
bool IsValidDropTarget(const ItemIdList* target, ActionContext& context);

// Pastes the clipboard onto the last item of `targetList` (null: the folder of `folderList`,
// whose last item is the folder's own item; a list that does not end in one of ours is the
// namespace root's):
// empties the selection, reads the clipboard's object (our own data source refills it), checks
// IsValidDropTarget (kActionInvalidArg when refused), pastes as a copy, then announces
// UpdateDir for folderList + targetList.
ActionResult PasteFromClipboard(const ItemIdList* folderList, const ItemIdList* targetList, ActionContext& context);

// Recreates the selection's site folders and profiles (other entries are passed over) in the
// target site folder (null: the root level); with kDropEffectMove each source is deleted once
// its whole subtree was added. Refuses (kActionInvalidArg) a target the selection may not go to.
ActionResult PasteProfiles(const ItemIdList* target, TransferData* data, std::uint32_t effect, ActionContext& context);

// Adds a copy of `source` (every published field but ProfileName, made unique, and Servers,
// recursed) to `collection` through `client`. Answers the result of the last add made; a
// subtree in which any add failed answers that failure (negative). A node whose add failed or
// raised is removed again. Every add may pump messages: the source, the copy and the members
// are found again through their items after each, and a walk whose folder went ends there.
std::int32_t PasteProfileObject(TFTPObjects& collection, const TFTPObject& source, mainclient::MainClient& client);

// Copies the selection's remote files (directories passed over) or uploads the data's local
// files into the target remote directory or site profile; sources are never removed.
ActionResult PasteFileObjects(const ItemIdList* target, TransferData& data, std::uint32_t effect,
                              ActionContext& context);

// Turns text of the system's ANSI code page into UTF-8.
using AnsiDecoder = std::string (*)(std::string_view ansi);

// The file names of a DROPFILES block: from offset pFiles, zero-terminated names until an empty
// one, UTF-16 when fWide is set, else ANSI text decoded by `decodeAnsi` (the system code page on
// Windows; Windows-1252 when none is given). Every read stays inside `block`. A block is read
// whole or not at all: a header or offset outside it, or a list that does not end with its
// empty name inside the block, gives no names.
std::vector<std::string> ReadDropFileList(std::span<const std::uint8_t> block, AnsiDecoder decodeAnsi = nullptr);

// ---- delete, new, move, open, properties ----

// Deletes the items after the confirmation box on `window`; only Yes proceeds. Answers the last
// automation out value (0 when nothing was done).
std::int32_t DeleteItems(std::uintptr_t window, unsigned count, const ItemIdList* folderList,
                         const ItemIdList* items, ActionContext& context);

enum class NewItemKind { SiteFolder, RemoteDirectory, SiteProfile };

// Creates a new item in the folder: a site folder ("New folder", made unique), a remote
// directory (only inside a site) or a site profile (through the NewProfile dialog). Announces
// MakeDir for folder + new item. The new item's single-item list goes to `created` when given
// (the caller frees it).
ActionResult CreateNewItem(const FolderLists& folder, NewItemKind kind, ActionContext& context,
                           ItemIdList** created = nullptr);

// Moves remote items into a remote directory the user chooses below the items' site; refreshes
// source and destination in the model, then announces UpdateDir for both. kActionFalse.
ActionResult MoveToFolder(std::uintptr_t window, unsigned count, const ItemIdList* items, const FolderLists& folder,
                          ActionContext& context);

// Opens remote files through the main client and folders in an Explorer window.
ActionResult OpenItems(std::uintptr_t window, unsigned count, const ItemIdList* items, const ItemIdList* folderList,
                       ActionContext& context);

// The properties dialog of the absolute list's last item.
ActionResult ShowItemProperties(const ItemIdList* absolute, ActionContext& context);

}  // namespace lark::shellext
