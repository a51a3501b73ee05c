#pragma once
// The process-wide selection: what was last copied to the clipboard or dragged out of the
// extension. The data object hands only tokens to other programs; paste and drop inside the
// extension read the items here, and the copy hook downloads the remote ones.
//
// The list holds its own single-item identifiers (from the shell allocator) and the absolute
// identifier of the folder they came from. Readers get copies, so a change of the selection
// while a paste pumps messages never frees an item under them, and every item reaches its node
// through the live-node registry (SiteNodeOf / RemoteNodeOf), so an item whose node was freed
// meanwhile is inert. The copy hook, which may run on another thread, reads a snapshot of the
// remote items taken when the selection was set and never touches a live node. Thread-safe.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/datetime.h"
#include "shellext/item_ids.h"

namespace lark::shellext {

// Frees an identifier list with the default shell allocator.
struct PidlDeleter {
    void operator()(ItemIdList* list) const { FreePidl(list); }
};
// An identifier list this code owns.
using OwnedPidl = std::unique_ptr<ItemIdList, PidlDeleter>;

// One remote item of the selection as the copy hook downloads it: copied from the node when the
// selection was set.
struct SelectionEntry {
    std::string connectionId;
    std::string remotePath;
    std::string name;
    std::int64_t size = 0;
    core::DateTime modified = 0;
    bool isFolder = false;
};

class SelectionList {
public:
    SelectionList() = default;
    SelectionList(const SelectionList&) = delete;
    SelectionList& operator=(const SelectionList&) = delete;
    ~SelectionList();

    // The one list of the process; never destroyed (static destruction may still clear it).
    static SelectionList& Global();

    // Empties the list, then, when `items` has items: a copy of each item of `items` (a run of
    // items ended by a zero count, the item-list convention) in order, and `sourceFolder` (copied;
    // none for null) becomes the source folder. With no items the source folder stays as it
    // was. Throws std::bad_alloc when a copy cannot be made (the list is then empty).
    void Set(const ItemIdList* items, const ItemIdList* sourceFolder);
    // The same for an array of identifier lists: the last item of each.
    void SetLastItems(const ItemIdList* const* lists, unsigned count, const ItemIdList* sourceFolder);
    // Empties the list; the source folder stays.
    void Clear();

    bool Empty() const;
    std::size_t Count() const;
    // Copies of the items in order (single-item lists); an entry a copy failed for is null.
    std::vector<OwnedPidl> Items() const;
    // A copy of the absolute identifier of the folder the items came from; null when none.
    OwnedPidl SourceFolder() const;
    // The remote directories and files among the items, as they were when the list was set.
    std::vector<SelectionEntry> Snapshot() const;

private:
    void Assign(const std::vector<const ItemIdList*>& items, const ItemIdList* sourceFolder);
    void ClearLocked();

    mutable std::mutex mutex_;
    std::vector<ItemIdList*> items_;
    ItemIdList* sourceFolder_ = nullptr;
    std::vector<SelectionEntry> entries_;
};

// SelectionList::Global().Set(items, sourceFolder); SetSelectionList(nullptr, nullptr) empties it.
void SetSelectionList(const ItemIdList* items, const ItemIdList* sourceFolder);

}  // namespace lark::shellext
