#pragma once
// The context menu of the extension's items, in portable terms: which entries a menu gets (by
// selection, shown folder and owner), how the host's command id range is used, and what each
// command runs. TlxContextMenu (win/context_menu_win.h) only translates these to IContextMenu.
//
// Entry ids are the fixed command numbers below offset by the host's first id; an entry whose
// offset id would not lie at or below the host's last id is left out. A menu owned by a folder
// without a view has no View entries and refuses the view commands.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shellext/data_module.h"
#include "shellext/transfer_actions.h"

namespace lark::shellext {

// The command numbers (offsets from the host's first id).
namespace menu_command {
inline constexpr std::uint32_t kOpen = 101;
inline constexpr std::uint32_t kExplore = 102;
inline constexpr std::uint32_t kNew = 103;
inline constexpr std::uint32_t kDelete = 106;
inline constexpr std::uint32_t kRename = 107;
inline constexpr std::uint32_t kProperties = 108;
inline constexpr std::uint32_t kRefresh = 109;
inline constexpr std::uint32_t kCut = 202;
inline constexpr std::uint32_t kCopy = 203;
inline constexpr std::uint32_t kPaste = 204;
inline constexpr std::uint32_t kMoveTo = 206;
inline constexpr std::uint32_t kView = 300;
inline constexpr std::uint32_t kLargeIcons = 301;
inline constexpr std::uint32_t kSmallIcons = 302;
inline constexpr std::uint32_t kList = 303;
inline constexpr std::uint32_t kDetails = 304;
inline constexpr std::uint32_t kNewFolder = 1031;
inline constexpr std::uint32_t kNewProfile = 1032;
}  // namespace menu_command

// What the context menu asks of the view that owns it (TlxShellView implements it).
class ViewCommands {
public:
    virtual ~ViewCommands() = default;
    // 1 large icons, 2 small icons, 3 list, 4 details.
    virtual int CurrentViewMode() const = 0;
    // 301-304: view mode, list style and image list, the merged View menu's radio check moved
    // to the command, icons arranged.
    virtual void ApplyViewMode(std::uint32_t command) = 0;
    // Label editing on the first selected row that carries an item.
    virtual void StartRename() = 0;
    // Re-lists the shown folder and announces it (IShellView::Refresh); its HRESULT.
    virtual ActionResult RefreshView() = 0;
};

// One entry of a built menu (ids already offset).
struct MenuEntry {
    std::uint32_t id = 0;         // 0 for a separator
    std::string text;             // empty for a separator
    bool separator = false;
    bool grayed = false;
    bool checked = false;         // a radio entry's check
    bool radio = false;
    bool isDefault = false;
    std::vector<MenuEntry> submenu;
};

// What decides a menu's entries.
struct MenuState {
    bool hasItems = false;
    bool explore = false;          // CMF_EXPLORE: "&Open" in place of "&Explore"
    bool ownerIsView = false;      // a view owns the menu (else a folder)
    bool insideSite = false;       // the folder's own item is a site profile or a remote directory
    bool canPaste = false;         // CanPaste of the first item, or of the folder's own item
    // A folder's menu: the host renames the one item itself (CMF_CANRENAME: it edits the name
    // and calls the folder's SetNameOf on the "rename" verb). A view renames by label editing.
    bool hostRenames = false;
    int viewMode = 0;              // the view's mode (1-4) when a view owns the menu
};

struct BuiltMenu {
    std::vector<MenuEntry> entries;  // in menu order, top first
    std::uint32_t span = 0;          // largest offset used + 1 (0: nothing added)
};

// The entries from the data module's texts, ids offset by firstId; entries (and submenu
// entries) whose id would exceed lastId are left out, separators that would lead, trail or
// double are dropped.
BuiltMenu BuildContextMenu(const MenuState& state, const TDM& texts, std::uint32_t firstId, std::uint32_t lastId);

// A string verb as a command number: the canonical verbs "open", "delete", "rename",
// "properties", "copy" and "paste" (any case); nothing for any other text.
std::optional<std::uint32_t> CommandOfVerb(std::string_view verb);
// The canonical verb of a command, "" when it has none.
std::string_view VerbOfCommand(std::uint32_t command);

// What a command runs on: the menu's items and folder, and its owner.
struct MenuTarget {
    std::uintptr_t window = 0;
    FolderLists folder;
    const ItemIdList* folderList = nullptr;  // root + relative, as the actions take it
    const ItemIdList* items = nullptr;       // item-list convention, or null
    unsigned count = 0;
    ViewCommands* view = nullptr;            // null when a folder owns the menu
    bool insideSite = false;
};

// Copies the items to the clipboard (CopyToClipboard of the clipboard data); its HRESULT.
class ClipboardWriter {
public:
    virtual ~ClipboardWriter() = default;
    virtual ActionResult CopyToClipboard(const MenuTarget& target) = 0;
};

// Runs a command number (not offset): the action's result; kActionInvalidArg for an unknown
// command, a view command on a menu without a view, rename from a folder, and Cut.
ActionResult InvokeMenuCommand(std::uint32_t command, const MenuTarget& target, ActionContext& context,
                               ClipboardWriter& clipboard);

// Whether the folder's own item (last of `relative`) is a live site profile or remote directory.
bool IsInsideSite(const ItemIdList* relative);

}  // namespace lark::shellext
