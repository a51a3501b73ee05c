// The owner-data list view: rows come from the source when they are asked for; column widths,
// column order and the selection survive a re-created window.
#include "ui/win32.h"

#include "gui_testing/form_driver.h"
#include "gui_testing/process.h"
#include "ui/list_view.h"
#include "ui_fixture.h"

namespace lark::ui::testing {
namespace {

using lark::testing::FormDriver;

class Rows : public ListSource {
public:
    int count = 10000;
    std::string renamed;
    int RowCount() const override { return count; }
    std::string CellText(int row, int column) const override {
        if (row == 42 && column == 0 && !renamed.empty()) return renamed;
        return "row " + std::to_string(row) + " col " + std::to_string(column);
    }
};

class ListViewTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        form.SetName("ListForm");
        form.SetClientWidth(500);
        form.SetClientHeight(300);
        list = Add<ListView>(form, "lvTasks", &form, 0, 0, 0, 0);
        list->SetAlign(Align::Client);
        list->SetRowSelect(true);
        for (const char* caption : {"Name", "Status", "Next run"}) {
            auto* column = static_cast<ListColumn*>(list->Columns()->Add());
            column->SetCaption(caption);
            column->SetWidth(120);
        }
        list->SetSource(&rows);
    }
    Form form;
    ListView* list = nullptr;
    Rows rows;
};

TEST_F(ListViewTest, TenThousandRowsAnswerTheirCells) {
    form.Show();
    FormDriver driver(form);
    EXPECT_EQ(list->RowCount(), 10000);
    EXPECT_EQ(driver.Cell("lvTasks", 0, 0), "row 0 col 0");
    EXPECT_EQ(driver.Cell("lvTasks", 9999, 2), "row 9999 col 2");
    rows.renamed = "Nightly backup";
    list->UpdateRow(42);
    EXPECT_EQ(driver.Cell("lvTasks", 42, 0), "Nightly backup");
    rows.count = 10001;
    list->Reset();
    EXPECT_EQ(list->RowCount(), 10001);
    EXPECT_EQ(driver.Cell("lvTasks", 10000, 1), "row 10000 col 1");
    driver.Screenshot("list_view");
}

TEST_F(ListViewTest, ColumnWidthsOrderAndSelectionSurviveRecreation) {
    form.Show();
    list->SetColumnOrder({2, 0, 1});
    SendMessageW(list->Handle(), LVM_SETCOLUMNWIDTH, 1, 77);  // the user drags a divider
    list->SelectRow(5);
    EXPECT_EQ(list->Column(1)->Width(), 77);
    list->RecreateHandle();
    EXPECT_EQ(list->ColumnOrder(), (std::vector<int>{2, 0, 1}));
    EXPECT_EQ(SendMessageW(list->Handle(), LVM_GETCOLUMNWIDTH, 1, 0), 77);
    EXPECT_EQ(list->SelectedRows(), (std::vector<int>{5}));
    form.DestroyHandle();
    EXPECT_EQ(list->Column(1)->Width(), 77);
    EXPECT_EQ(list->ColumnOrder(), (std::vector<int>{2, 0, 1}));
    EXPECT_THROW(list->SetColumnOrder({0, 0, 1}), core::Error);
}

TEST_F(ListViewTest, ColumnCaptionsChangeInTheShownList) {
    form.Show();
    list->Column(2)->SetCaption("Nächster Lauf");
    wchar_t buffer[64] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = buffer;
    column.cchTextMax = 64;
    SendMessageW(list->Handle(), LVM_GETCOLUMNW, 2, reinterpret_cast<LPARAM>(&column));
    EXPECT_STREQ(buffer, L"Nächster Lauf");
}

}  // namespace
}  // namespace lark::ui::testing
