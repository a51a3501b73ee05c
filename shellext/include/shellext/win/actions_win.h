#pragma once
// The Windows side of the transfer and edit actions and of the context menu: the shell host
// (change notices, clipboard, folder choice, opening folders, message pumping), the lx dialogs,
// the data-object adapter and TlxContextMenu.
#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include <memory>
#include <string>
#include <vector>

#include "shellext/context_menu.h"
#include "shellext/transfer_actions.h"
#include "shellext/win/shell_view.h"

namespace lark::shellext {

// Reads a DROPFILES medium's names (ANSI lists in the system code page): fails (empty list,
// E_INVALIDARG) for a null handle, one that does not lock, and a block that names no file or
// that ReadDropFileList refuses; every read is bounded by GlobalSize.
HRESULT ReadDropFileList(HGLOBAL handle, std::vector<std::string>& list);

// A data object as the actions read it. The object is referenced while the adapter lives.
std::shared_ptr<TransferData> TransferDataOf(IDataObject* data);

// The services of the library over `folder` (LxLibrary::Instance().Context()): the Windows
// shell host, the lx dialogs and the process-wide SelectionList. Valid while `folder` is.
ActionContext LibraryActionContext(FolderContext& folder);
// The shell host and dialogs behind LibraryActionContext (tests may replace the dialogs).
ShellHost& LibraryShellHost();
ItemDialogs& LibraryDialogs();
void SetLibraryDialogs(ItemDialogs* dialogs);  // null: the real dialogs

// What owns a context menu: the folder (and the view, when a view makes the menu). `keepAlive`
// (the folder or view object) is referenced for the menu's life; `view` is null for a folder.
struct ContextMenuOwner {
    IUnknown* keepAlive = nullptr;
    const ItemIdList* root = nullptr;      // the folder's root list
    const ItemIdList* relative = nullptr;  // the folder's relative list (null: namespace root)
    std::shared_ptr<ViewCommands> view;    // kept by the menu; null for a folder's menu
};

// A new TlxContextMenu over a copy of `count` items (item-list convention; none for a
// background menu), answering `iid`.
HRESULT CreateContextMenu(const ContextMenuOwner& owner, const ItemIdList* items, unsigned count, HWND window,
                          REFIID iid, void** out);

// The folder's GetUIObjectOf for IContextMenu: a menu over the last items of `lists`.
HRESULT CreateFolderContextMenu(IUnknown* folder, const ItemIdList* root, const ItemIdList* relative, HWND window,
                                UINT count, LPCITEMIDLIST* lists, REFIID iid, void** out);

// ---- the view window's commands ----

// The view's operations as the context menu asks for them.
std::shared_ptr<ViewCommands> ViewCommandsOf(TlxShellView& view);

// The view window's commands that the actions carry out, on the selected rows' items (`lists`,
// each ending in a single item of the shown folder, in row order): 106 delete, 108 properties,
// 203 copy, 204 paste onto the shown folder, 1031 new folder or remote directory, 1032 new
// profile, 101 open. Other commands answer E_INVALIDARG. `window` owns the boxes.
HRESULT RunViewCommand(TlxShellView& view, std::uint32_t command, const ItemIdList* const* lists, unsigned count,
                       HWND window);

// The right-click menu of the view window at `screen`: TlxContextMenu over the selected rows'
// items (none: the background menu), first id 0, tracked on `window` (the list view), the chosen
// entry run. S_FALSE when nothing was chosen.
HRESULT ShowViewContextMenu(TlxShellView& view, const ItemIdList* const* lists, unsigned count, HWND window,
                            POINT screen);

}  // namespace lark::shellext
