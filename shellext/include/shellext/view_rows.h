#pragma once
// What the extension's view window shows, in portable terms: its rows, their texts and sort
// keys, the sort order, the status texts and what a shell change notice does to the rows. The
// view window only translates these into its list view (which holds no data of its own).
//
// Every row (except the site list's "Create new..." row) owns one single-item list and reaches
// its node only through the live-node registry: a row whose node was freed meanwhile is inert,
// never followed.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/datetime.h"
#include "shellext/data_module.h"
#include "shellext/folder_operations.h"
#include "shellext/item_ids.h"
#include "shellext/model/site_model.h"
#include "shellext/selection_list.h"

namespace lark::shellext {

enum class ViewKind { SiteList, FilesView };

// A files view for a folder whose own item is a site profile or a remote directory; a site list
// for the namespace root (null), a site folder and anything that is not a valid item.
ViewKind ViewKindOf(const ItemIdList* ownItem);

// The sort direction all views share, -1 at start (directories first, names A to Z, largest
// size first, newest first); +1 reverses every rule.
int SortDirection();
void SetSortDirection(int direction);
void NegateSortDirection();

// A case-sensitive text comparison: below 0, 0 or above 0.
using TextCompare = int (*)(std::string_view a, std::string_view b);
// Byte order of the UTF-8 texts: the comparison where no locale is at hand.
int OrdinalCompare(std::string_view a, std::string_view b);

// Column indexes of the two column sets.
inline constexpr int kSiteColumnCount = 3;
inline constexpr int kFileColumnCount = 5;

struct ViewRow {
    ItemIdList* item = nullptr;  // owned; null for the site list's "Create new..." row
    // Caption, then the sub-texts: site list host name and host directory; files view size,
    // type name, modified and attributes.
    std::string texts[kFileColumnCount];
    int image = 0;
    // Sort keys of the files view.
    bool isFolder = false;
    std::int64_t size = 0;
    core::DateTime modified = 0;
};

// What only the platform knows about a remote row: its image and type name (by the name and
// whether it is a directory) and the date text of its modification time (never called for 0).
class RowDecorator {
public:
    virtual ~RowDecorator() = default;
    virtual void TypeOf(const std::string& name, bool isFolder, int& image, std::string& typeName) = 0;
    virtual std::string DateText(core::DateTime value) = 0;
};

// The order of two files-view rows for a column and direction D, a strict weak order (below 0:
// a first). Name (0): directories before files when D is -1, names by `compare` times -D. Size
// (1): by size times D, equal sizes equal. Type (2) and attributes (4): directories by name,
// files by that column's text times -D, mixed as for the name. Modified (3): kinds grouped as
// for the name, times to the millisecond times D. Other columns: 0.
int CompareListItems(const ViewRow& a, const ViewRow& b, int column, int direction, TextCompare compare);

// A row's size text: size / 1024 with thousands separators and 2 decimals and " KB" from 1024
// on, else "IDS_10" ("%d bytes").
std::string RowSizeText(std::int64_t size, const TDM& texts);
// Status part 0: "<selected> object(s) selected" when rows are selected, else "<rows> object(s)".
std::string StatusCountText(int selected, int rows, const TDM& texts);
// Status part 1 for a size sum: "" for 0, "Size: 1.50 KB" above 1023, else "Size: 12 bytes".
std::string StatusSizeText(std::uint64_t sum, const TDM& texts);

// What a shell change notice did to a view's rows.
enum class NoticeEffect {
    None,
    RowDeleted,     // `row` was removed
    RowAdded,       // a row was appended at `row`
    RowAddedEdit,   // ... and label editing should start on it
    RowUpdated,     // `row`'s texts were read again
    RefillNeeded,   // the folder must be enumerated again (FillView)
};
struct NoticeResult {
    NoticeEffect effect = NoticeEffect::None;
    int row = -1;
};

// Shell change events a view follows.
inline constexpr long kNoticeRenameItem = 0x1;
inline constexpr long kNoticeCreate = 0x2;
inline constexpr long kNoticeDelete = 0x4;
inline constexpr long kNoticeMkDir = 0x8;
inline constexpr long kNoticeRmDir = 0x10;
inline constexpr long kNoticeUpdateDir = 0x1000;
inline constexpr long kNoticeUpdateItem = 0x2000;
inline constexpr long kNoticeRenameFolder = 0x20000;
inline constexpr long kNoticeEvents = 0x2381F;

class ViewRows {
public:
    // `ownItem` (copied) is the shown folder's own item, null for the namespace root.
    ViewRows(const ItemIdList* ownItem, const TDM& texts, RowDecorator* decorator);
    ~ViewRows();
    ViewRows(const ViewRows&) = delete;
    ViewRows& operator=(const ViewRows&) = delete;

    ViewKind Kind() const { return kind_; }
    // The shown folder's node (null for the root or when it was freed).
    RegisteredNode* OwnNode() const;
    int Count() const { return static_cast<int>(rows_.size()); }
    const ViewRow& Row(int row) const { return rows_.at(static_cast<std::size_t>(row)); }

    // Replaces every row by rows for these items (taken over, freed by the rows), in this order;
    // the site list gets its "Create new..." row first. Items whose node is gone are dropped.
    void Fill(std::vector<ItemIdList*> items);
    // Reads the row's texts and keys from its node again; false when the row has no live node.
    bool FillRow(int row);
    void Remove(int row);
    // Appends a row for a copy of the item; its index, or -1 (not ours, no memory).
    int Append(const ItemIdList* item);
    // The row whose item carries this node handle; -1 when none.
    int FindRow(std::uint32_t handle) const;
    // The rows of these handles in one pass over the rows (a large selection after a sort or a
    // notice); -1 where no row carries the handle.
    std::vector<int> FindRows(const std::vector<std::uint32_t>& handles) const;
    // Sets the row's caption and its item's stored name (after a rename).
    void Rename(int row, const std::string& name);

    // Sorts a files view by the column (a site list is never sorted); stable.
    void Sort(int column, int direction, TextCompare compare);

    // The notice's effect on the rows: `list` is the notice's first (absolute) list. Delete and
    // remove-directory notices remove the row of that node; a make-directory notice adds a row
    // only when the new node's parent is the shown node, its kind fits the view and no row
    // shows it yet; an update-directory notice asks for a refill in the root's view and in the
    // view of that folder; update-item and rename notices read that row again.
    NoticeResult ApplyNotice(long event, const ItemIdList* list, std::size_t listSize);

    // The sum of the sizes of these rows' live nodes (every row when none is given), in 64 bits.
    std::uint64_t SizeSum(const std::vector<int>& rows) const;
    // Status parts 0 and 1 for the selected rows.
    std::string CountText(const std::vector<int>& selected) const;
    std::string SizeText(const std::vector<int>& selected) const;

private:
    void Clear();
    bool FillRowFrom(ViewRow& row);

    ItemIdList* ownItem_ = nullptr;
    ViewKind kind_;
    const TDM& texts_;
    RowDecorator* decorator_;
    std::vector<ViewRow> rows_;
};

// What renaming a row's node did (RenameRow).
struct RowRename {
    RenameOutcome outcome = RenameOutcome::NotOurs;
    int row = -1;        // the row of the node after the rename, -1 when it is gone from the view
    OwnedPidl oldList;   // folder list + the item under its old name (for the notice)
    OwnedPidl newList;   // folder list + the item under its new name; set only when renamed
    bool isFile = false; // a remote file: announced as an updated item, not a renamed folder
};

// Renames the node of the row that carries `handle` to `name` (RenameItem), through a copy of
// the row's item: the main client's call may pump messages, and a notice handled meanwhile may
// empty and refill the rows. Afterwards the row is found again by the handle and its texts read
// again. Nothing (no outcome) when no row carries the handle or the name is the current one.
std::optional<RowRename> RenameRow(ViewRows& rows, std::uint32_t handle, std::string_view name,
                                   const ItemIdList* folderList, std::uintptr_t window, FolderContext& context);

}  // namespace lark::shellext
