#include "scheduler/task_view.h"

#include <gtest/gtest.h>

#include "core/datetime.h"

using namespace lark;
using namespace lark::scheduler;

namespace {

const std::array<int, kTaskColumns> kDefinedWidths{100, 100, 100, 80, 100, 50, 100, 50};

TEST(TaskView, CellTextsOfARow) {
    EnglishStrings texts;
    TLarkFTPTask task;
    task.SetLocalName("C:\\Data\\report.txt");
    task.SetRemoteURL("ftp.example.org");
    task.SetRemoteName("/pub/report.txt");
    task.SetTaskType(TTaskType::ttPut);
    task.SetScheduleTask(TScheduleTask::stWeekly);
    task.SetLastTime(0);
    task.SetNextTime(core::EncodeDateTime(2026, 12, 10, 9, 5, 0, 0));
    task.SetStatus(TTaskStatus::tsFailed);
    const std::string shortDate = core::FormatDateTime("ddddd", task.NextTime());
    const std::vector<std::string> expected{"C:\\Data\\report.txt", "ftp.example.org", "/pub/report.txt", "Upload",
                                            "Weekly", "Never", shortDate + " at 9:05", "Failed"};
    for (int c = 0; c < kTaskColumns; ++c) EXPECT_EQ(TaskCellText(texts, task, c), expected[c]) << c;
    task.SetScheduleTask(TScheduleTask::stCustom);
    EXPECT_EQ(TaskCellText(texts, task, static_cast<int>(TaskColumn::Schedule)), "");
}

TEST(TaskView, InfoTipFollowsTheStatus) {
    EnglishStrings texts;
    TLarkFTPTask task;
    task.SetLocalName("a.txt");
    task.SetRemoteName("/a.txt");
    task.SetLastResult("Successfully completed");
    task.SetTotalFiles(3);
    task.SetDoneFiles(2);
    task.SetFailedFiles(1);
    task.SetStatus(TTaskStatus::tsPending);
    EXPECT_EQ(TaskInfoTip(texts, task),
              "Local name: a.txt\r\nRemote name: /a.txt\r\nLast start time: Never\r\nNext start time: Never");
    task.SetStatus(TTaskStatus::tsActive);
    EXPECT_EQ(TaskInfoTip(texts, task), "Started: Never\r\nTotal files: 3\r\nCompleted: 2\r\nFailed: 1");
    task.SetStatus(TTaskStatus::tsCompleted);
    EXPECT_EQ(TaskInfoTip(texts, task), "Successfully completed");
    task.SetStatus(TTaskStatus::tsError);
    EXPECT_EQ(TaskInfoTip(texts, task), "");
}

TEST(TaskView, SortsByFoldedTextStablyBothWays) {
    const std::vector<std::string> names{"beta", "Alpha", "alpha", "Gamma"};
    std::vector<int> rows{0, 1, 2, 3};
    auto cell = [&](int row, int) { return names[row]; };
    SortRows(rows, 0, true, cell);
    EXPECT_EQ(rows, (std::vector<int>{1, 2, 0, 3}));
    SortRows(rows, 0, false, cell);
    EXPECT_EQ(rows, (std::vector<int>{3, 0, 1, 2}));
}

TEST(TaskView, ColumnLayoutCases) {
    struct Case {
        const char* name;
        const char* order;
        const char* widths;
        const char* visibility;
        std::array<int, kTaskColumns> order_;
        std::array<int, kTaskColumns> widths_;
        std::array<bool, kTaskColumns> visible_;
    } cases[] = {
        {"missing keys: the definition", "0,1,2,3,4,5,6,7,", "100,100,100,100,100,100,100,100,", "1,1,1,1,1,1,1,1,",
         {0, 1, 2, 3, 4, 5, 6, 7}, {100, 100, 100, 100, 100, 100, 100, 100}, {1, 1, 1, 1, 1, 1, 1, 1}},
        {"entry k describes column order[k]", "7,6,5,4,3,2,1,0", "10,11,12,13,14,15,16,17", "0,1,1,1,1,1,0,1",
         {7, 6, 5, 4, 3, 2, 1, 0}, {17, 16, 15, 14, 13, 12, 11, 10}, {1, 0, 1, 1, 1, 1, 1, 0}},
        {"not a permutation: order ignored", "0,0,2,3,4,5,6,7", "10,11", "1,0",
         {0, 1, 2, 3, 4, 5, 6, 7}, {10, 11, 100, 80, 100, 50, 100, 50}, {1, 0, 1, 1, 1, 1, 1, 1}},
        {"too short an order is ignored", "1,0", "", "", {0, 1, 2, 3, 4, 5, 6, 7}, kDefinedWidths,
         {1, 1, 1, 1, 1, 1, 1, 1}},
        {"parsing stops at a non-integer", "0,1,2,3,4,5,6,7", "20,x,40,50", "1,1,0,0", {0, 1, 2, 3, 4, 5, 6, 7},
         {20, 100, 100, 80, 100, 50, 100, 50}, {1, 1, 1, 0, 1, 1, 1, 1}},
        {"local and remote name stay shown", "", "", "0,1,0,1,1,1,1,1", {0, 1, 2, 3, 4, 5, 6, 7}, kDefinedWidths,
         {1, 1, 1, 1, 1, 1, 1, 1}},
    };
    for (const Case& c : cases) {
        ColumnLayout layout = DefaultColumnLayout(kDefinedWidths);
        ParseColumnLayout(layout, c.order, c.widths, c.visibility);
        EXPECT_EQ(layout.order, c.order_) << c.name;
        EXPECT_EQ(layout.widths, c.widths_) << c.name;
        EXPECT_EQ(layout.visible, c.visible_) << c.name;
    }
}

TEST(TaskView, StoredLayoutReadsBackTheSame) {
    ColumnLayout layout = DefaultColumnLayout(kDefinedWidths);
    layout.order = {2, 0, 1, 3, 4, 5, 7, 6};
    layout.widths[1] = 133;  // remembered while hidden
    layout.visible[1] = false;
    const StoredColumnLayout stored = FormatColumnLayout(layout);
    EXPECT_EQ(stored.order, "2,0,1,3,4,5,7,6");
    EXPECT_EQ(stored.widths, "100,100,133,80,100,50,50,100");
    EXPECT_EQ(stored.visibility, "1,1,0,1,1,1,1,1");
    ColumnLayout read = DefaultColumnLayout(kDefinedWidths);
    ParseColumnLayout(read, stored.order, stored.widths, stored.visibility);
    EXPECT_EQ(read.order, layout.order);
    EXPECT_EQ(read.widths, layout.widths);
    EXPECT_EQ(read.visible, layout.visible);
}

}  // namespace
