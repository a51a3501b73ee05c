#pragma once
// The extension's OLE data objects: the data source (IDataObject + IDropSource) that the
// clipboard and drags carry, and the drop target (IDropTarget) of view windows and of items the
// shell asks about. Other programs get only tokens: two registered formats whose media are
// empty, and a CF_HDROP naming the empty transfer marker folder; what was copied or dragged is
// recorded in the process-wide SelectionList (shellext/selection_list.h) whenever a consumer
// asks the source for data. Each object holds a module lock while it lives. All calls arrive on
// the thread that made the object (apartment model).
#include <windows.h>
#include <ole2.h>

#include "shellext/data_transfer.h"
#include "shellext/item_ids.h"

namespace lark::shellext {

// The registered formats; registered at library start, or on first use.
UINT ProfileObjectFormat();
UINT FileSystemObjectFormat();
// The templates: no target device, DVASPECT_CONTENT, lindex -1, TYMED_HGLOBAL | TYMED_ISTREAM.
FORMATETC HDropFormat();        // CF_HDROP
FORMATETC ProfileItemFormat();  // "Lark-FTP Profile Object"
FORMATETC FileItemFormat();     // "Lark-FTP File System Object"
void RegisterTransferFormats();

// A new data source for `count` items of one folder: `items` follows the item-list convention
// (the items concatenated, ended by a zero count; copied), `folderList` is the folder's absolute
// identifier list (copied; null for none). `window` owns any message it may show.
HRESULT CreateDataSource(const ItemIdList* folderList, const ItemIdList* items, unsigned count, HWND window,
                         REFIID iid, void** out);

// Makes a data source of these items and puts it on the clipboard (OleSetClipboard); answers
// that call's result, E_INVALIDARG for no items.
HRESULT CopyToClipboard(const ItemIdList* folderList, HWND window, unsigned count, const ItemIdList* items);

// When `data` is a data source of this extension in this process, sets the SelectionList to its
// items and answers true; a foreign object (another program, another process of the extension)
// is not written to and answers false.
bool RefillSelectionFromOwnSource(IDataObject* data);

// The effect the drop source was last given by GiveFeedback (DROPEFFECT_NONE before any); 0 for
// an object that is not one of our data sources.
DWORD LastFeedbackEffect(IDataObject* data);

// What a drop target asks of the view window it serves. Row indexes are the list view's.
class DropRows {
public:
    // The row under a point in screen coordinates, or -1.
    virtual int DropRowAt(POINT screenPoint) = 0;
    // The item a row stands for (a single-item list the view keeps; valid until the next call
    // into the view), or null for a row without an item (such as "Create new...").
    virtual const ItemIdList* DropRowItem(int row) = 0;
    // Shows or clears the row's drop highlight (LVIS_DROPHILITED).
    virtual void SetDropHighlight(int row, bool highlighted) = 0;

protected:
    ~DropRows() = default;
};

// A new drop target. `folder` is the owning shell folder and `view` the shell view (null for a
// target made for the folder's GetUIObjectOf); both are held with counted references until the
// target is released or detached, so a drop that pumps messages between uploads keeps them alive.
// `rows` is the view window's (null for a folder target): the row under the cursor becomes the
// target and is highlighted. `folderList` is the folder's absolute list, `targetItem` the target
// item (for a view the shown folder's own item, null for the namespace root; for a folder the
// item asked about); both are copied. `window` is the window the shell's drag image is shown on.
HRESULT CreateDataTarget(IUnknown* folder, IUnknown* view, DropRows* rows, const ItemIdList* folderList,
                         const ItemIdList* targetItem, HWND window, REFIID iid, void** out);

// What a drop hands over to once the target accepted it: the transfer actions (validity against
// the selection, paste of profiles, paste of remote or local files). The data object is the
// drop's; the actions read the SelectionList for our own items.
class DropActions {
public:
    virtual bool IsValidDropTarget(const ItemIdList* target) = 0;
    virtual HRESULT PasteProfiles(const ItemIdList* target, IDataObject* data, DWORD effect) = 0;
    virtual HRESULT PasteFileObjects(const ItemIdList* target, IDataObject* data, DWORD effect) = 0;

protected:
    ~DropActions() = default;
};
// Installs the actions drops hand over to (the library installs its own when loaded; a test may
// install others) and answers the ones installed before. While none are installed every drop is
// refused.
DropActions* SetDropActions(DropActions* actions);

// The view calls this before its window goes (after RevokeDragDrop): the target forgets the rows
// and releases the view and the folder; later calls refuse every drop. Accepts null.
void DetachDataTarget(IDropTarget* target);

}  // namespace lark::shellext
