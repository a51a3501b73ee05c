#include "scheduler/list_rows.h"

#include "scheduler/schedule.h"

namespace lark::scheduler {

void ListRows::RefreshRow(int row) {
    TLarkFTPTask& task = list_.Items(row);
    task.SetNextTime(GetNextRunTime(task, clock_));
    if (onRefresh) onRefresh(row);
}

void ListRows::DeleteRow(int row) {
    list_.Delete(row);
    if (onDeleted) onDeleted(row);
}

void ListRows::RefreshAll() {
    for (int row = 0; row < RowCount(); ++row) RefreshRow(row);
}

}  // namespace lark::scheduler
