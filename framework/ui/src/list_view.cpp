#include "ui/list_view.h"

#include <algorithm>
#include <cwchar>

#include "core/compiler.h"
#include "ui/image_list.h"
#include "ui/reference.h"
#include "win/text.h"

namespace lark::ui {

namespace {
int FormatOf(Alignment alignment) {
    switch (alignment) {
    case Alignment::RightJustify: return LVCFMT_RIGHT;
    case Alignment::Center: return LVCFMT_CENTER;
    default: return LVCFMT_LEFT;
    }
}
void CopyText(const std::string& text, LPWSTR buffer, int size) {
    if (!buffer || size <= 0) return;
    std::wstring wide = win::Widen(text);
    const std::size_t n = std::min(wide.size(), static_cast<std::size_t>(size - 1));
    std::wmemcpy(buffer, wide.data(), n);
    buffer[n] = L'\0';
}
}  // namespace

// --- ListColumn

LARK_DEFINE_CLASS(ListColumn) {
    using core::Value;
    return core::ClassBuilder<ListColumn>("TListColumn", &core::CollectionItem::StaticClass())
        .Prop("Alignment", AlignmentType(), &ListColumn::GetAlignment, &ListColumn::SetAlignment, Value(std::int64_t(0)))
        .Prop("Caption", core::StringType(), &ListColumn::Caption, &ListColumn::SetCaption, Value(std::string()))
        .Prop("Tag", core::IntegerType(), &ListColumn::ColumnTag, &ListColumn::SetColumnTag, Value(std::int64_t(0)))
        .Prop("Width", core::IntegerType(), &ListColumn::Width, &ListColumn::SetWidth, Value(std::int64_t(50)))
        .Build();
}

ListView* ListColumn::View() const {
    auto* columns = GetCollection();
    return columns ? dynamic_cast<ListView*>(static_cast<core::Persistent*>(columns->Owner())) : nullptr;
}

void ListColumn::SetCaption(std::string caption) {
    caption_ = std::move(caption);
    // The update writes the whole column: keep the width the user dragged it to.
    width_ = Width();
    if (auto* c = GetCollection()) c->Update(this);
}

int ListColumn::Width() const {
    ListView* view = View();
    if (view && view->HandleAllocated() && Index() < view->columnsInWindow_)
        return static_cast<int>(SendMessageW(view->Handle(), LVM_GETCOLUMNWIDTH, Index(), 0));
    return width_;
}

void ListColumn::SetWidth(int width) {
    width_ = width;
    if (auto* c = GetCollection()) c->Update(this);
}

void ListColumn::SetAlignment(Alignment alignment) {
    alignment_ = alignment;
    width_ = Width();
    if (auto* c = GetCollection()) c->Update(this);
}

// --- ListView

// GCC 12 sees the moved-from std::variant default values of this builder as maybe destroyed
// uninitialised (GCC bug 80635, the std::optional false positive).
LARK_GCC_FALSE_POSITIVE("-Wmaybe-uninitialized")
LARK_DEFINE_CLASS(ListView) {
    using core::Value;
    auto images = [](ImageList* (ListView::*get)() const, void (ListView::*set)(ImageList*)) {
        return std::make_pair(
            std::function<Value(const ListView&)>([get](const ListView& v) { return Value(static_cast<core::Persistent*>((v.*get)())); }),
            std::function<void(ListView&, const Value&)>(
                [set](ListView& v, const Value& value) { (v.*set)(dynamic_cast<ImageList*>(core::AsObject(value))); }));
    };
    auto small = images(&ListView::SmallImages, &ListView::SetSmallImages);
    auto state = images(&ListView::StateImages, &ListView::SetStateImages);
    return core::ClassBuilder<ListView>("TListView", &Control::StaticClass())
        .Object("Columns", core::ClassTypeOf<core::Collection>(), &ListView::Columns)
        .Prop("HideSelection", core::BooleanType(), &ListView::HideSelection, &ListView::SetHideSelection, Value(std::int64_t(1)))
        .Prop("InfoTips", core::BooleanType(), &ListView::InfoTips, &ListView::SetInfoTips, Value(std::int64_t(0)))
        .Prop("MultiSelect", core::BooleanType(), &ListView::MultiSelect, &ListView::SetMultiSelect, Value(std::int64_t(0)))
        .Prop("ReadOnly", core::BooleanType(), &ListView::ReadOnly, &ListView::SetReadOnly, Value(std::int64_t(1)))
        .Prop("RowSelect", core::BooleanType(), &ListView::RowSelect, &ListView::SetRowSelect, Value(std::int64_t(0)))
        .Custom("SmallImages", core::ClassTypeOf<ImageList>(), small.first, small.second)
        .Custom("StateImages", core::ClassTypeOf<ImageList>(), state.first, state.second)
        .Event("OnBeginDrag", &ListView::OnBeginDrag)
        .Event("OnColumnClick", &ListView::OnColumnClick)
        .Event("OnDblClick", &ListView::OnDblClick)
        .Event("OnEdited", &ListView::OnEdited)
        .Event("OnSelectionChange", &ListView::OnSelectionChange)
        .Build();
}
LARK_GCC_FALSE_POSITIVE_END

ListView::ColumnCollection::ColumnCollection(ListView* view)
    : core::Collection(ListColumn::StaticClass(), view), view_(view) {}

ListView::ListView(core::Component* owner) : Control(owner), columns_(this) { SetTabStop(true); }

void ListView::SetRowSelect(bool on) {
    rowSelect_ = on;
    ApplyExtendedStyle();
}

void ListView::SetInfoTips(bool on) {
    infoTips_ = on;
    ApplyExtendedStyle();
}

void ListView::SetMultiSelect(bool on) {
    multiSelect_ = on;
    SetStyleBit(LVS_SINGLESEL, !on);
}

void ListView::SetReadOnly(bool on) {
    readOnly_ = on;
    SetStyleBit(LVS_EDITLABELS, !on);
}

void ListView::SetHideSelection(bool on) {
    hideSelection_ = on;
    SetStyleBit(LVS_SHOWSELALWAYS, !on);
}

void ListView::SetSmallImages(ImageList* images) {
    SetReference(*this, smallImages_, images);
    ApplyImages();
}

void ListView::SetStateImages(ImageList* images) {
    SetReference(*this, stateImages_, images);
    ApplyImages();
}

void ListView::Notification(core::Component* component, core::Operation operation) {
    Control::Notification(component, operation);
    if (operation != core::Operation::Remove) return;
    if (component == smallImages_) smallImages_ = nullptr;
    if (component == stateImages_) stateImages_ = nullptr;
}

void ListView::ApplyExtendedStyle() {
    if (!HandleAllocated()) return;
    const DWORD mask = LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP | LVS_EX_HEADERDRAGDROP;
    const DWORD style = (rowSelect_ ? LVS_EX_FULLROWSELECT : 0) | (infoTips_ ? LVS_EX_INFOTIP : 0) | LVS_EX_HEADERDRAGDROP;
    SendMessageW(handle_, LVM_SETEXTENDEDLISTVIEWSTYLE, mask, style);
}

void ListView::ApplyImages() {
    if (!HandleAllocated()) return;
    SendMessageW(handle_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(smallImages_ ? smallImages_->Handle() : nullptr));
    SendMessageW(handle_, LVM_SETIMAGELIST, LVSIL_STATE, reinterpret_cast<LPARAM>(stateImages_ ? stateImages_->Handle() : nullptr));
    SendMessageW(handle_, LVM_SETCALLBACKMASK, stateImages_ ? LVIS_STATEIMAGEMASK : 0, 0);
}

void ListView::FillCreateParams(CreateParams& params) {
    Control::FillCreateParams(params);
    params.className = WC_LISTVIEWW;
    params.style |= LVS_REPORT | LVS_OWNERDATA | LVS_SHAREIMAGELISTS | (multiSelect_ ? 0 : LVS_SINGLESEL) |
                    (readOnly_ ? 0 : LVS_EDITLABELS) | (hideSelection_ ? 0 : LVS_SHOWSELALWAYS);
    params.exStyle |= WS_EX_CLIENTEDGE;
}

void ListView::InsertColumns() {
    while (columnsInWindow_ > 0) SendMessageW(handle_, LVM_DELETECOLUMN, --columnsInWindow_, 0);
    for (int i = 0; i < columns_.Count(); ++i) {
        ListColumn* column = Column(i);
        std::wstring caption = win::Widen(column->caption_);
        LVCOLUMNW lv{};
        lv.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        lv.fmt = FormatOf(column->alignment_);
        lv.cx = column->width_;
        lv.pszText = caption.data();
        lv.iSubItem = i;
        SendMessageW(handle_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&lv));
        columnsInWindow_ = i + 1;
    }
    if (static_cast<int>(order_.size()) == columns_.Count() && !order_.empty())
        SendMessageW(handle_, LVM_SETCOLUMNORDERARRAY, order_.size(), reinterpret_cast<LPARAM>(order_.data()));
}

void ListView::ColumnsChanged(core::CollectionItem* item) {
    if (!HandleAllocated()) return;
    auto* column = dynamic_cast<ListColumn*>(item);
    if (!column || column->Index() >= columnsInWindow_ || columnsInWindow_ != columns_.Count()) {
        order_ = ColumnOrder();
        if (static_cast<int>(order_.size()) != columns_.Count()) order_.clear();
        InsertColumns();
        return;
    }
    std::wstring caption = win::Widen(column->caption_);
    LVCOLUMNW lv{};
    lv.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    lv.fmt = FormatOf(column->alignment_);
    lv.cx = column->width_;
    lv.pszText = caption.data();
    SendMessageW(handle_, LVM_SETCOLUMNW, column->Index(), reinterpret_cast<LPARAM>(&lv));
}

void ListView::HandleCreated() {
    Control::HandleCreated();
    columnsInWindow_ = 0;
    ApplyExtendedStyle();
    ApplyImages();
    InsertColumns();
    Reset();
    for (int row : selected_) SelectRow(row);
}

void ListView::SaveLiveState() {
    if (HandleAllocated()) {
        for (int i = 0; i < columns_.Count() && i < columnsInWindow_; ++i) Column(i)->width_ = Column(i)->Width();
        order_ = ColumnOrder();
        selected_ = SelectedRows();
        columnsInWindow_ = 0;
    }
    Control::SaveLiveState();
}

void ListView::SetSource(ListSource* source) {
    source_ = source;
    Reset();
}

void ListView::Reset() {
    if (!HandleAllocated()) return;
    SendMessageW(handle_, LVM_SETITEMCOUNT, source_ ? source_->RowCount() : 0, LVSICF_NOSCROLL);
    InvalidateRect(handle_, nullptr, FALSE);
}

void ListView::UpdateRow(int row) {
    if (HandleAllocated()) SendMessageW(handle_, LVM_REDRAWITEMS, row, row);
}

int ListView::RowCount() const {
    if (HandleAllocated()) return static_cast<int>(SendMessageW(handle_, LVM_GETITEMCOUNT, 0, 0));
    return source_ ? source_->RowCount() : 0;
}

std::vector<int> ListView::SelectedRows() const {
    if (!HandleAllocated()) return selected_;
    std::vector<int> rows;
    for (int i = -1; (i = static_cast<int>(SendMessageW(handle_, LVM_GETNEXTITEM, i, LVNI_SELECTED))) >= 0;) rows.push_back(i);
    return rows;
}

void ListView::SelectRow(int row, bool selected) {
    if (!HandleAllocated()) {
        std::erase(selected_, row);
        if (selected) selected_.push_back(row);
        return;
    }
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | (selected ? LVIS_FOCUSED : 0);
    item.state = selected ? LVIS_SELECTED | LVIS_FOCUSED : 0;
    SendMessageW(handle_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

std::vector<int> ListView::ColumnOrder() const {
    if (!HandleAllocated() || columnsInWindow_ == 0) {
        if (static_cast<int>(order_.size()) == columns_.Count()) return order_;
        std::vector<int> identity(static_cast<std::size_t>(columns_.Count()));
        for (int i = 0; i < columns_.Count(); ++i) identity[static_cast<std::size_t>(i)] = i;
        return identity;
    }
    std::vector<int> order(static_cast<std::size_t>(columnsInWindow_));
    SendMessageW(handle_, LVM_GETCOLUMNORDERARRAY, order.size(), reinterpret_cast<LPARAM>(order.data()));
    return order;
}

void ListView::SetColumnOrder(const std::vector<int>& order) {
    std::vector<int> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < static_cast<int>(sorted.size()); ++i)
        if (sorted[static_cast<std::size_t>(i)] != i || static_cast<int>(sorted.size()) != columns_.Count())
            throw core::Error(NamePath() + ": a column order must name every column once");
    order_ = order;
    if (HandleAllocated()) {
        SendMessageW(handle_, LVM_SETCOLUMNORDERARRAY, order.size(), reinterpret_cast<LPARAM>(order_.data()));
        InvalidateRect(handle_, nullptr, TRUE);
    }
}

HWND ListView::HeaderHandle() { return reinterpret_cast<HWND>(SendMessageW(Handle(), LVM_GETHEADER, 0, 0)); }

bool ListView::Notify(NMHDR& header, LRESULT& result) {
    switch (header.code) {
    case LVN_GETDISPINFOW: {
        LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(header).item;
        if (!source_ || item.iItem < 0 || item.iItem >= source_->RowCount()) return true;
        if (item.mask & LVIF_TEXT) CopyText(source_->CellText(item.iItem, item.iSubItem), item.pszText, item.cchTextMax);
        if ((item.mask & LVIF_IMAGE) && item.iSubItem == 0) item.iImage = source_->ImageIndex(item.iItem);
        if ((item.mask & LVIF_STATE) && stateImages_) {
            const int state = source_->StateImage(item.iItem);
            item.state = (item.state & ~LVIS_STATEIMAGEMASK) | (state > 0 ? INDEXTOSTATEIMAGEMASK(state) : 0);
            item.stateMask |= LVIS_STATEIMAGEMASK;
        }
        return true;
    }
    case LVN_GETINFOTIPW: {
        auto& tip = reinterpret_cast<NMLVGETINFOTIPW&>(header);
        if (source_ && tip.iItem >= 0 && tip.iItem < source_->RowCount()) CopyText(source_->InfoTip(tip.iItem), tip.pszText, tip.cchTextMax);
        return true;
    }
    case LVN_ITEMCHANGED: {
        auto& change = reinterpret_cast<NMLISTVIEW&>(header);
        if ((change.uChanged & LVIF_STATE) && ((change.uOldState ^ change.uNewState) & LVIS_SELECTED)) OnSelectionChange(*this);
        return true;
    }
    case LVN_ODSTATECHANGED:
        OnSelectionChange(*this);
        return true;
    case LVN_COLUMNCLICK:
        OnColumnClick(*this, reinterpret_cast<NMLISTVIEW&>(header).iSubItem);
        return true;
    case LVN_BEGINDRAG:
        OnBeginDrag(*this, reinterpret_cast<NMLISTVIEW&>(header).iItem);
        return true;
    case LVN_ENDLABELEDITW: {
        auto& edit = reinterpret_cast<NMLVDISPINFOW&>(header);
        if (!edit.item.pszText) return true;  // cancelled
        bool accept = true;
        OnEdited(*this, edit.item.iItem, win::Narrow(edit.item.pszText), accept);
        result = accept;
        return true;
    }
    case NM_DBLCLK:
        OnDblClick(*this);
        return true;
    }
    return false;
}

}  // namespace lark::ui
