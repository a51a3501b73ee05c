#include "shellext/view_rows.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "core/format.h"
#include "core/locale_format.h"
#include "localization/lang_component.h"

namespace lark::shellext {
namespace {

int gSortDirection = -1;

// Times to the millisecond, so that "less than a millisecond apart" is an equivalence.
std::int64_t Milliseconds(core::DateTime value) { return std::llround(value * 86400000.0); }

int Sign(std::int64_t v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

// The handle an item of this extension carries, read from its bytes without asking whether the
// node still lives (a deleted node's notice names a freed node); 0 when the bytes are not ours.
std::uint32_t HandleOfBytes(const ItemIdList* item, std::size_t available) {
    if (!item || available < ItemSize) return 0;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(item);
    const std::uint16_t count = static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
    if (count < ItemSize) return 0;
    if (!IsNodeKind(PidlKind(item))) return 0;
    return PidlNodeHandle(item);
}

// The last item of a list of `size` bytes and the bytes left from it; null when the list is not
// terminated within its size.
const ItemIdList* LastItemWithin(const ItemIdList* list, std::size_t size, std::size_t& left) {
    if (!list || PidlSize(list, size) == 0) return nullptr;
    const ItemIdList* last = LastPidlItem(list);
    left = size - static_cast<std::size_t>(reinterpret_cast<const std::uint8_t*>(last) -
                                           reinterpret_cast<const std::uint8_t*>(list));
    return last;
}

}  // namespace

ViewKind ViewKindOf(const ItemIdList* ownItem) {
    if (!ownItem) return ViewKind::SiteList;
    if (TFTPObject* site = SiteNodeOf(ownItem)) return site->IsFolder() ? ViewKind::SiteList : ViewKind::FilesView;
    if (TFSObject* remote = RemoteNodeOf(ownItem)) return remote->IsFolder() ? ViewKind::FilesView : ViewKind::SiteList;
    return ViewKind::SiteList;
}

int SortDirection() { return gSortDirection; }
void SetSortDirection(int direction) { gSortDirection = direction < 0 ? -1 : 1; }
void NegateSortDirection() { gSortDirection = -gSortDirection; }

int OrdinalCompare(std::string_view a, std::string_view b) { return a.compare(b); }

int CompareListItems(const ViewRow& a, const ViewRow& b, int column, int direction, TextCompare compare) {
    const int d = direction < 0 ? -1 : 1;
    const bool mixed = a.isFolder != b.isFolder;
    const int byKind = a.isFolder ? d : -d;  // directories first when d is -1
    const auto byName = [&] { return Sign(compare(a.texts[0], b.texts[0])) * -d; };
    switch (column) {
        case 0:
            return mixed ? byKind : byName();
        case 1:
            return a.size == b.size ? 0 : (a.size > b.size ? d : -d);
        case 2:
        case 4:
            if (mixed) return byKind;
            if (a.isFolder) return byName();
            return Sign(compare(a.texts[column], b.texts[column])) * -d;
        case 3:
            if (mixed) return byKind;
            return Sign(Milliseconds(a.modified) - Milliseconds(b.modified)) * d;
        default:
            return 0;
    }
}

namespace {

// Kilobytes with two decimals and the locale's separators.
std::string KilobyteText(double bytes) {
    return core::FormatNumber(bytes / 1024.0, 2, core::DefaultFormatSettings().DecimalSeparator,
                              localization::DefaultNumberFormatSettings().ThousandSeparator) +
           " KB";
}

}  // namespace

std::string RowSizeText(std::int64_t size, const TDM& texts) {
    if (size >= 1024) return KilobyteText(static_cast<double>(size));
    return core::Format(texts.Text("IDS_10"), {size});
}

std::string StatusCountText(int selected, int rows, const TDM& texts) {
    if (selected > 0) return std::to_string(selected) + texts.Text("STR_96");
    return std::to_string(rows) + texts.Text("STR_95");
}

std::string StatusSizeText(std::uint64_t sum, const TDM& texts) {
    if (sum == 0) return {};
    if (sum > 1023) return texts.Text("STR_93") + KilobyteText(static_cast<double>(sum));
    return core::Format(texts.Text("STR_92"), {sum});
}

ViewRows::ViewRows(const ItemIdList* ownItem, const TDM& texts, RowDecorator* decorator)
    : ownItem_(ownItem ? CopyFirstPidlItem(ownItem) : nullptr),
      kind_(ViewKindOf(ownItem)),
      texts_(texts),
      decorator_(decorator) {
    if (ownItem && !ownItem_) throw std::bad_alloc();
}

ViewRows::~ViewRows() {
    Clear();
    FreePidl(ownItem_);
}

RegisteredNode* ViewRows::OwnNode() const { return ownItem_ ? PidlNode(ownItem_) : nullptr; }

void ViewRows::Clear() {
    for (ViewRow& row : rows_) FreePidl(row.item);
    rows_.clear();
}

void ViewRows::Fill(std::vector<ItemIdList*> items) {
    Clear();
    rows_.reserve(items.size() + 1);
    if (kind_ == ViewKind::SiteList) {
        ViewRow create;
        create.texts[0] = texts_.Text("STR_61");
        create.image = 0;
        rows_.push_back(std::move(create));
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        ViewRow row;
        row.item = items[i];
        if (!FillRowFrom(row)) {
            FreePidl(row.item);
            continue;
        }
        rows_.push_back(std::move(row));
    }
}

bool ViewRows::FillRowFrom(ViewRow& row) {
    if (!row.item) return false;
    if (kind_ == ViewKind::SiteList) {
        TFTPObject* site = SiteNodeOf(row.item);
        if (!site) return false;
        row.texts[0] = site->NodeName();
        row.image = site->IsFolder() ? 1 : 2;
        const TFtpServerInfo* record = site->ServerInfo();
        row.texts[1] = record ? record->HostName : std::string();
        row.texts[2] = record ? record->HostDirName : std::string();
        row.isFolder = site->IsFolder();
        return true;
    }
    TFSObject* node = RemoteNodeOf(row.item);
    if (!node) return false;
    row.texts[0] = node->Name;
    row.isFolder = node->IsFolder();
    row.size = node->Size;
    row.modified = node->Modified;
    row.texts[1] = node->IsFolder() ? std::string() : RowSizeText(node->Size, texts_);
    row.texts[2].clear();
    row.texts[3].clear();
    if (decorator_) {
        decorator_->TypeOf(node->Name, node->IsFolder(), row.image, row.texts[2]);
        if (node->Modified != 0) row.texts[3] = decorator_->DateText(node->Modified);
    }
    row.texts[4] = node->PermString;
    return true;
}

bool ViewRows::FillRow(int row) {
    if (row < 0 || row >= Count()) return false;
    return FillRowFrom(rows_[static_cast<std::size_t>(row)]);
}

void ViewRows::Remove(int row) {
    if (row < 0 || row >= Count()) return;
    FreePidl(rows_[static_cast<std::size_t>(row)].item);
    rows_.erase(rows_.begin() + row);
}

int ViewRows::Append(const ItemIdList* item) {
    ViewRow row;
    row.item = CopyFirstPidlItem(item);
    if (!FillRowFrom(row)) {
        FreePidl(row.item);
        return -1;
    }
    rows_.push_back(std::move(row));
    return Count() - 1;
}

int ViewRows::FindRow(std::uint32_t handle) const {
    if (handle == 0) return -1;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].item && PidlNodeHandle(rows_[i].item) == handle) return static_cast<int>(i);
    return -1;
}

std::vector<int> ViewRows::FindRows(const std::vector<std::uint32_t>& handles) const {
    std::unordered_map<std::uint32_t, int> rowOf;
    rowOf.reserve(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].item) rowOf.emplace(PidlNodeHandle(rows_[i].item), static_cast<int>(i));
    std::vector<int> rows;
    rows.reserve(handles.size());
    for (std::uint32_t handle : handles) {
        const auto it = handle != 0 ? rowOf.find(handle) : rowOf.end();
        rows.push_back(it == rowOf.end() ? -1 : it->second);
    }
    return rows;
}

void ViewRows::Rename(int row, const std::string& name) {
    if (row < 0 || row >= Count()) return;
    ViewRow& r = rows_[static_cast<std::size_t>(row)];
    r.texts[0] = name;
    if (r.item) SetPidlDisplayName(r.item, name);
}

void ViewRows::Sort(int column, int direction, TextCompare compare) {
    if (kind_ != ViewKind::FilesView) return;
    std::stable_sort(rows_.begin(), rows_.end(), [&](const ViewRow& a, const ViewRow& b) {
        return CompareListItems(a, b, column, direction, compare) < 0;
    });
}

NoticeResult ViewRows::ApplyNotice(long event, const ItemIdList* list, std::size_t listSize) {
    std::size_t left = 0;
    const ItemIdList* item = LastItemWithin(list, listSize, left);
    if (!item) return {};
    if (event & (kNoticeRmDir | kNoticeDelete)) {
        const int row = FindRow(HandleOfBytes(item, left));
        if (row < 0) return {};
        Remove(row);
        return {NoticeEffect::RowDeleted, row};
    }
    RegisteredNode* node = PidlNode(item, left);
    if (event & kNoticeMkDir) {
        if (!node || FindRow(node->Handle()) >= 0) return {};
        RegisteredNode* own = OwnNode();
        if ((ownItem_ && !own) || node->NodeParent() != own) return {};
        const std::uint32_t kind = node->ItemKind();
        const bool siteKind = kind == ItemKindSiteFolder || kind == ItemKindProfile;
        if (siteKind != (kind_ == ViewKind::SiteList)) return {};
        const int row = Append(item);
        if (row < 0) return {};
        const bool edit = kind == ItemKindSiteFolder || kind == ItemKindRemoteDir;
        return {edit ? NoticeEffect::RowAddedEdit : NoticeEffect::RowAdded, row};
    }
    if (event & kNoticeUpdateDir) {
        if (!ownItem_ || (node && node == OwnNode())) return {NoticeEffect::RefillNeeded, -1};
        return {};
    }
    if (event & (kNoticeUpdateItem | kNoticeRenameFolder | kNoticeRenameItem)) {
        if (!node) return {};
        const int row = FindRow(node->Handle());
        if (row < 0 || !FillRow(row)) return {};
        return {NoticeEffect::RowUpdated, row};
    }
    return {};
}

std::uint64_t ViewRows::SizeSum(const std::vector<int>& rows) const {
    std::uint64_t sum = 0;
    const auto add = [&](const ViewRow& row) {
        if (!row.item) return;
        if (const TFSObject* node = RemoteNodeOf(row.item); node && node->Size > 0)
            sum += static_cast<std::uint64_t>(node->Size);
    };
    if (rows.empty()) {
        for (const ViewRow& row : rows_) add(row);
    } else {
        for (int i : rows)
            if (i >= 0 && i < Count()) add(rows_[static_cast<std::size_t>(i)]);
    }
    return sum;
}

std::string ViewRows::CountText(const std::vector<int>& selected) const {
    return StatusCountText(static_cast<int>(selected.size()), Count(), texts_);
}

std::string ViewRows::SizeText(const std::vector<int>& selected) const {
    if (kind_ != ViewKind::FilesView) return {};
    return StatusSizeText(SizeSum(selected), texts_);
}

std::optional<RowRename> RenameRow(ViewRows& rows, std::uint32_t handle, std::string_view name,
                                   const ItemIdList* folderList, std::uintptr_t window, FolderContext& context) {
    const int row = rows.FindRow(handle);
    if (row < 0) return std::nullopt;
    OwnedPidl item(CopyFirstPidlItem(rows.Row(row).item));
    if (!item) throw std::bad_alloc();
    const std::optional<std::string> current = DisplayNameOf(item.get());
    if (!current || name == *current) return std::nullopt;  // confirmed unchanged: nothing to do
    RowRename done;
    done.isFile = PidlKind(item.get()) == ItemKindRemoteFile;
    done.oldList.reset(CombinePidls(folderList, item.get()));
    if (!done.oldList) throw std::bad_alloc();
    done.outcome = RenameItem(item.get(), name, window, context);
    done.row = rows.FindRow(handle);
    if (done.row >= 0) {
        if (done.outcome == RenameOutcome::Renamed) rows.Rename(done.row, std::string(name));
        rows.FillRow(done.row);
    }
    if (done.outcome == RenameOutcome::Renamed) {
        done.newList.reset(CombinePidls(folderList, item.get()));
        if (!done.newList) throw std::bad_alloc();
    }
    return done;
}

}  // namespace lark::shellext
