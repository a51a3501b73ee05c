#pragma once
// The view window ("TLXVIEWOBJECT"): a child of the browser's window holding one owner-data list
// view over the portable ViewRows. It turns keys, clicks, menu commands and shell change notices
// into the rows' and the view's operations and writes the status texts through the view.
// Internal to lx; the shell view owns it.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "shellext/selection_list.h"
#include "shellext/view_rows.h"
#include "shellext/win/data_objects.h"

namespace lark::shellext {

class TlxShellView;

// The message the shell's change notices arrive with.
inline constexpr UINT kShellNotifyMessage = 2928;

class TViewWindow : public DropRows {
public:
    // Creates the window and its list view as a child of `parent` at `rectangle`; throws
    // core::Error when a window cannot be made.
    TViewWindow(HWND parent, const FOLDERSETTINGS& settings, TlxShellView& view, const RECT& rectangle);
    virtual ~TViewWindow();
    TViewWindow(const TViewWindow&) = delete;
    TViewWindow& operator=(const TViewWindow&) = delete;

    HWND Handle() const { return window_; }
    HWND List() const { return list_; }
    ViewKind Kind() const { return rows_->Kind(); }
    const ViewRows& Rows() const { return *rows_; }

    void SetupColumns();
    void FillView();
    void UpdateStatusBar();
    void UpdateMenuState();
    // 1 large icons, 2 small icons, 3 list, other details.
    void SetListStyle(UINT viewMode);
    void SortBy(int column);
    void SelectAll();
    void InvertSelection();
    void StartRename();
    std::vector<int> SelectedRows() const;
    // The items of the selected rows that still name a node, joined (the item-list convention),
    // and their count; null and 0 when none.
    OwnedPidl CollectSelection(unsigned& count) const;
    // The selected rows' items that still name a node, in row order.
    std::vector<const ItemIdList*> SelectedItems() const;

    // ---- DropRows (the drop target registered for this window) ----
    int DropRowAt(POINT screenPoint) override;
    const ItemIdList* DropRowItem(int row) override;
    void SetDropHighlight(int row, bool highlighted) override;

private:
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK ListProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    LRESULT WndProc(UINT message, WPARAM w, LPARAM l);
    bool Notify(NMHDR& header, LRESULT& result);
    void Command(int id);
    bool KeyDown(WPARAM key, bool alt);
    void SetListImages(bool small);
    void ProcessShellNotify(WPARAM w, LPARAM l);
    void RenameEditedRow(std::uint32_t handle, const std::wstring& text);
    void OpenSelectedRow();
    void StartDrag();
    void ShowRowMenu();
    // A command the actions carry out on the selected rows (or on none).
    void RunAction(int command, bool onSelection);
    // The row count changed or the rows moved: the list shows them again and keeps the selection
    // on the same nodes.
    void RowsChanged(const std::vector<std::uint32_t>& selected);
    std::vector<std::uint32_t> SelectedHandles() const;
    void Select(int row, bool on);

    HWND parent_;
    TlxShellView* view_;
    HWND window_ = nullptr;
    HWND list_ = nullptr;
    ULONG notifyId_ = 0;
    std::unique_ptr<RowDecorator> decorator_;
    std::unique_ptr<ViewRows> rows_;
    class BulkChange;
    int bulk_ = 0;
    bool filling_ = false;
    bool refillPending_ = false;
    std::uint32_t editedHandle_ = 0;
    std::wstring textBuffer_;
};

}  // namespace lark::shellext
