#pragma once
// List view in report, owner-data mode: the control holds no rows; it asks a ListSource for the
// count, the texts and images when they are painted, so a row never shows stale data and sorting
// is a permutation kept by the source. Column widths and order are live (the user drags them)
// and kept across a re-created window, as is the selection.
#include "ui/win32.h"

#include <string>
#include <vector>

#include "core/collection.h"
#include "core/event.h"
#include "ui/control.h"
#include "ui/standard_controls.h"

// Row events (column click, drag start) and the end of an in-place rename.
LARK_EVENT_TYPE("TListIndexEvent", ::lark::core::Component&, int)
LARK_EVENT_TYPE("TListEditedEvent", ::lark::core::Component&, int, const std::string&, bool&)

namespace lark::ui {

class ImageList;
class ListView;

class ListSource {
public:
    virtual ~ListSource() = default;
    virtual int RowCount() const = 0;
    virtual std::string CellText(int row, int column) const = 0;
    virtual int ImageIndex(int row) const { return -1; }
    // 1-based index into the state images; -1: none.
    virtual int StateImage(int row) const { return -1; }
    virtual std::string InfoTip(int row) const { return {}; }
};

class ListColumn : public core::CollectionItem {
    LARK_PERSISTENT_CLASS(ListColumn)
public:
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);
    // Live: the user's width while the window exists.
    int Width() const;
    void SetWidth(int width);
    Alignment GetAlignment() const { return alignment_; }
    void SetAlignment(Alignment alignment);
    int ColumnTag() const { return tag_; }
    void SetColumnTag(int tag) { tag_ = tag; }

private:
    friend class ListView;
    ListView* View() const;
    std::string caption_;
    int width_ = 50;
    Alignment alignment_ = Alignment::LeftJustify;
    int tag_ = 0;
};

class ListView : public Control {
    LARK_PERSISTENT_CLASS(ListView)
public:
    explicit ListView(core::Component* owner = nullptr);
    // Published: Columns, RowSelect, MultiSelect, ReadOnly, HideSelection, InfoTips,
    // SmallImages, StateImages.
    core::Collection* Columns() { return &columns_; }
    ListColumn* Column(int index) const { return columns_.ItemAs<ListColumn>(index); }
    bool RowSelect() const { return rowSelect_; }
    void SetRowSelect(bool on);
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool on);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool on);
    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool on);
    bool InfoTips() const { return infoTips_; }
    void SetInfoTips(bool on);
    ImageList* SmallImages() const { return smallImages_; }
    void SetSmallImages(ImageList* images);
    ImageList* StateImages() const { return stateImages_; }
    void SetStateImages(ImageList* images);

    // The form owns the source; it must outlive the window or be set back to null.
    void SetSource(ListSource* source);
    ListSource* Source() const { return source_; }
    // After the row count changed.
    void Reset();
    void UpdateRow(int row);
    int RowCount() const;
    std::vector<int> SelectedRows() const;
    void SelectRow(int row, bool selected = true);
    // Display order of the columns (indexes into Columns); live.
    std::vector<int> ColumnOrder() const;
    void SetColumnOrder(const std::vector<int>& order);
    // For the column chooser's window hook.
    HWND HeaderHandle();

    core::NotifyEvent OnDblClick, OnSelectionChange;
    core::Event<core::Component&, int> OnColumnClick;
    core::Event<core::Component&, int, const std::string&, bool&> OnEdited;
    core::Event<core::Component&, int> OnBeginDrag;

    void Notification(core::Component* component, core::Operation operation) override;

protected:
    void FillCreateParams(CreateParams& params) override;
    void HandleCreated() override;
    void SaveLiveState() override;
    bool Notify(NMHDR& header, LRESULT& result) override;

private:
    friend class ListColumn;
    class ColumnCollection : public core::Collection {
    public:
        explicit ColumnCollection(ListView* view);
        void Update(core::CollectionItem* item) override { view_->ColumnsChanged(item); }
        ListView* view_;
    };
    void ColumnsChanged(core::CollectionItem* item);
    void InsertColumns();
    void ApplyExtendedStyle();
    void ApplyImages();

    ColumnCollection columns_;
    bool rowSelect_ = false, multiSelect_ = false, readOnly_ = true, hideSelection_ = true, infoTips_ = false;
    ImageList* smallImages_ = nullptr;
    ImageList* stateImages_ = nullptr;
    ListSource* source_ = nullptr;
    std::vector<int> order_;         // saved column order
    std::vector<int> selected_;      // saved selection
    int columnsInWindow_ = 0;
};

}  // namespace lark::ui
