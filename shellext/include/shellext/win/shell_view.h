#pragma once
// The extension's own view of a folder in Explorer's right-hand pane (IShellView), and the
// operations its view window, its context menu, its drop target and its data source call on it.
// Contract:
// - CreateShellView makes the view for a folder of the extension; the view holds a reference to
//   the folder from construction to destruction and copies the folder's lists.
// - CreateViewWindow makes the view window ("TLXVIEWOBJECT", a child of the browser's window
//   holding one owner-data list view), fills it and merges nothing yet; UIActivate merges the
//   menus and writes the status bar; DestroyViewWindow ends the visible life.
// - GetWindow answers the view window, E_FAIL before it exists.
// - All calls arrive on the thread that created the view (apartment model). No exception leaves
//   a method.
#include <windows.h>
#include <shlobj.h>

#include <memory>

#include "shellext/item_ids.h"
#include "win/object.h"

namespace lark::shellext {

// Commands of the merged menus, the keys and the view's context menu.
namespace view_command {
inline constexpr int kNew = 103;
inline constexpr int kDelete = 106;
inline constexpr int kRename = 107;
inline constexpr int kProperties = 108;
inline constexpr int kCut = 202;
inline constexpr int kCopy = 203;
inline constexpr int kPaste = 204;
inline constexpr int kSelectAll = 207;
inline constexpr int kInvertSelection = 208;
inline constexpr int kLargeIcons = 301;
inline constexpr int kSmallIcons = 302;
inline constexpr int kList = 303;
inline constexpr int kDetails = 304;
inline constexpr int kArrange = 305;
inline constexpr int kAbout = 600;
inline constexpr int kNewFolder = 1031;
inline constexpr int kNewProfile = 1032;
inline constexpr int kArrangeByName = 3051;
inline constexpr int kArrangeByType = 3052;
inline constexpr int kArrangeBySize = 3053;
inline constexpr int kArrangeByDate = 3054;
inline constexpr int kLanguageEnglish = 5011;
inline constexpr int kLanguageGerman = 5012;
inline constexpr int kLanguageFrench = 5013;
}  // namespace view_command

class TViewWindow;

class TlxShellView : public win::ComObject<IShellView> {
public:
    // `folder` is the extension's folder (referenced while the view lives); `root` its root list
    // (the junction's absolute list), `relative` its list below the root (null for the root).
    TlxShellView(IShellFolder* folder, const ItemIdList* root, const ItemIdList* relative);

    // ---- IOleWindow ----
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    // ---- IShellView ----
    STDMETHODIMP TranslateAccelerator(MSG*) override { return E_NOTIMPL; }
    STDMETHODIMP EnableModeless(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP UIActivate(UINT state) override;
    STDMETHODIMP Refresh() override;
    STDMETHODIMP CreateViewWindow(IShellView* previous, LPCFOLDERSETTINGS settings, IShellBrowser* browser,
                                  RECT* rectangle, HWND* window) override;
    STDMETHODIMP DestroyViewWindow() override;
    STDMETHODIMP GetCurrentInfo(LPFOLDERSETTINGS settings) override;
    STDMETHODIMP AddPropertySheetPages(DWORD, LPFNSVADDPROPSHEETPAGE, LPARAM) override { return E_NOTIMPL; }
    STDMETHODIMP SaveViewState() override { return E_NOTIMPL; }
    STDMETHODIMP SelectItem(LPCITEMIDLIST, SVSIF) override { return E_NOTIMPL; }
    STDMETHODIMP GetItemObject(UINT, REFIID, void** out) override;

    // ---- operations of the view window and the context menu ----
    // 301-304: large icons, small icons, list, details; moves the merged menu's radio check.
    void SetViewMode(int command);
    // 3051-3054: negates the sort direction and sorts by name, type, size or date.
    void ArrangeBy(int command);
    void SelectAllRows();
    void InvertSelection();
    // Label editing on the first selected row that carries an item.
    void StartRename();
    // 5011-5013: the language 1, 2 or 3; the columns are rebuilt and the rows refilled.
    void SwitchViewLanguage(int command);

    // ---- what peers read ----
    IShellFolder* Folder() const { return folder_; }
    const ItemIdList* RootList() const { return root_; }
    const ItemIdList* RelativeList() const { return relative_; }
    // The folder's own item (the last item of the relative list), null for the root.
    const ItemIdList* OwnItem() const { return ownItem_; }
    // The folder's absolute list (root list + relative list).
    const ItemIdList* FolderList() const { return folderList_; }
    IShellBrowser* Browser() const { return browser_; }
    // The view window and its list view; null before CreateViewWindow and after DestroyViewWindow.
    HWND ViewWindowHandle() const;
    HWND ListHandle() const;
    // 1 large icons, 2 small icons, 3 list, 4 details (FOLDERSETTINGS.ViewMode).
    UINT ViewMode() const { return viewMode_; }
    // True when the view shows a site's remote directories and files.
    bool IsFilesView() const;
    // The merged menu bar while the view is active, else null.
    HMENU SharedMenu() const { return sharedMenu_; }
    // The window's status texts, again (after a change the view did not make itself).
    void UpdateStatusBar();

private:
    friend class TViewWindow;
    ~TlxShellView() override;
    void MergeMenus(UINT state);
    void RemoveMergedMenus();
    void SendStatus(UINT message, WPARAM w, LPARAM l);

    IShellFolder* folder_ = nullptr;
    ItemIdList* root_ = nullptr;
    ItemIdList* relative_ = nullptr;
    ItemIdList* ownItem_ = nullptr;
    ItemIdList* folderList_ = nullptr;
    IShellBrowser* browser_ = nullptr;
    UINT activation_ = SVUIA_DEACTIVATE;
    HWND browserWindow_ = nullptr;
    HMENU sharedMenu_ = nullptr;
    std::unique_ptr<TViewWindow> window_;
    UINT viewMode_ = FVM_DETAILS;
    UINT viewFlags_ = 0;
    IDropTarget* dropTarget_ = nullptr;
    HICON statusIcon_ = nullptr;
    win::ScopedModuleLock lock_;
};

// Makes a view for the folder (see TlxShellView's constructor) and answers the asked-for
// interface.
HRESULT CreateShellView(IShellFolder* folder, const ItemIdList* root, const ItemIdList* relative, REFIID iid,
                        void** out);

// The view window's class is unregistered when the library may unload (no window is left).
void UnregisterViewWindowClass();

}  // namespace lark::shellext
