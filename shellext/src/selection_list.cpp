#include "shellext/selection_list.h"

#include <new>
#include <utility>

#include "shellext/model/site_model.h"

namespace lark::shellext {

SelectionList::~SelectionList() {
    std::lock_guard lock(mutex_);
    ClearLocked();
    FreePidl(sourceFolder_);
    sourceFolder_ = nullptr;
}

SelectionList& SelectionList::Global() {
    static SelectionList* list = new SelectionList;
    return *list;
}

void SelectionList::ClearLocked() {
    for (ItemIdList* item : items_) FreePidl(item);
    items_.clear();
    entries_.clear();
}

namespace {

// The copy hook's view of one item, read from its node now; nothing for site items.
void AddEntryOf(const ItemIdList* item, std::vector<SelectionEntry>& entries) {
    const TFSObject* node = RemoteNodeOf(item);
    if (!node) return;
    entries.push_back({node->GetConnectionID(), node->GetRemotePath(), node->Name, node->Size, node->Modified,
                       node->IsFolder()});
}

}  // namespace

void SelectionList::Assign(const std::vector<const ItemIdList*>& items, const ItemIdList* sourceFolder) {
    // Built apart and swapped in, so a failed copy leaves an empty list, never a half one.
    std::vector<OwnedPidl> copies;
    std::vector<SelectionEntry> entries;
    OwnedPidl folder;
    bool failed = false;
    for (const ItemIdList* item : items) {
        copies.emplace_back(CopyFirstPidlItem(item));
        if (!copies.back()) failed = true;
        else AddEntryOf(copies.back().get(), entries);
    }
    if (!failed && !copies.empty() && sourceFolder) {
        folder.reset(CopyPidl(sourceFolder));
        failed = !folder;
    }
    std::lock_guard lock(mutex_);
    ClearLocked();
    if (failed) throw std::bad_alloc();
    if (copies.empty()) return;
    for (OwnedPidl& copy : copies) items_.push_back(copy.release());
    entries_ = std::move(entries);
    FreePidl(sourceFolder_);
    sourceFolder_ = folder.release();
}

void SelectionList::Set(const ItemIdList* items, const ItemIdList* sourceFolder) {
    // One pass over the list; a list with an item that is not ours selects nothing.
    Assign(OwnListItems(items).value_or(std::vector<const ItemIdList*>{}), sourceFolder);
}

void SelectionList::SetLastItems(const ItemIdList* const* lists, unsigned count, const ItemIdList* sourceFolder) {
    std::vector<const ItemIdList*> lasts;
    for (unsigned i = 0; lists && i < count; ++i)
        if (const ItemIdList* last = LastOwnItem(lists[i])) lasts.push_back(last);
    Assign(lasts, sourceFolder);
}

void SelectionList::Clear() {
    std::lock_guard lock(mutex_);
    ClearLocked();
}

bool SelectionList::Empty() const {
    std::lock_guard lock(mutex_);
    return items_.empty();
}

std::size_t SelectionList::Count() const {
    std::lock_guard lock(mutex_);
    return items_.size();
}

std::vector<OwnedPidl> SelectionList::Items() const {
    std::lock_guard lock(mutex_);
    std::vector<OwnedPidl> copies;
    copies.reserve(items_.size());
    for (const ItemIdList* item : items_) copies.emplace_back(CopyPidl(item));
    return copies;
}

OwnedPidl SelectionList::SourceFolder() const {
    std::lock_guard lock(mutex_);
    return OwnedPidl(CopyPidl(sourceFolder_));
}

std::vector<SelectionEntry> SelectionList::Snapshot() const {
    std::lock_guard lock(mutex_);
    return entries_;
}

void SetSelectionList(const ItemIdList* items, const ItemIdList* sourceFolder) {
    SelectionList::Global().Set(items, sourceFolder);
}

}  // namespace lark::shellext
