#pragma once
// Rows in task-list order: what the tick walks until the list view stands in for it, and in
// tests. Refreshing a row recomputes the task's next start.
#include <functional>

#include "core/clock.h"
#include "scheduler/task_list.h"
#include "scheduler/task_runner.h"

namespace lark::scheduler {

class ListRows : public TaskRows {
public:
    ListRows(TLarkFTPTaskList& list, const core::Clock& clock) : list_(list), clock_(clock) {}

    int RowCount() const override { return list_.Count(); }
    TLarkFTPTask& RowTask(int row) override { return list_.Items(row); }
    void RefreshRow(int row) override;
    void DeleteRow(int row) override;
    int FindRow(const TLarkFTPTask& task) const override { return list_.IndexOf(&task); }
    // Every row, as after loading a task file.
    void RefreshAll();

    // Told after a row changed (a window can repaint it).
    std::function<void(int row)> onRefresh;
    // Told after a row's task left the list (the rows after it moved up by one).
    std::function<void(int row)> onDeleted;

private:
    TLarkFTPTaskList& list_;
    const core::Clock& clock_;
};

}  // namespace lark::scheduler
