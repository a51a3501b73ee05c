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

namespace lark::shellext {

// Reads a DROPFILES medium's names: fails (empty list, E_INVALIDARG) for a null handle or one
// that does not lock; every read is bounded by GlobalSize.
HRESULT ReadDropFileList(HGLOBAL handle, std::vector<std::string>& list);

// A data object as the actions read it. The object is referenced while the adapter lives.
std::shared_ptr<TransferData> TransferDataOf(IDataObject* data);

// The services of the library: the model, texts and box of LxLibrary, the Windows shell host,
// the lx dialogs and the process-wide SelectionList. Valid while the library is loaded.
ActionContext LibraryActionContext();
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
    ViewCommands* view = nullptr;
};

// A new TlxContextMenu over a copy of `count` items (item-list convention; none for a
// background menu), answering `iid`.
HRESULT CreateContextMenu(const ContextMenuOwner& owner, const ItemIdList* items, unsigned count, HWND window,
                          REFIID iid, void** out);

}  // namespace lark::shellext
