#pragma once
// The task list as the main window shows it, apart from the window: the texts of the eight
// columns and of a row's info tip (in the active language, through a StringSource), the order
// of the rows when sorted by a column, and the stored column layout ("ColumnOrder",
// "ColumnWidths", "ColumnVisibility": entry k of each describes column ColumnOrder[k]).
#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/datetime.h"
#include "scheduler/strings.h"
#include "scheduler/task.h"

namespace lark::scheduler {

inline constexpr int kTaskColumns = 8;

// The columns by tag, in their defined order.
enum class TaskColumn { LocalName, Host, RemoteName, TaskType, Schedule, LastTime, StartTime, Status };

// 'ddddd "at" H:mm' (IDS_1) for a time at or after 1, else "Never" (IDS_0).
std::string TimeText(const StringSource& texts, core::DateTime value);
std::string TaskCellText(const StringSource& texts, const TLarkFTPTask& task, int column);
// CR LF separated lines by the task's status; empty when the status has none.
std::string TaskInfoTip(const StringSource& texts, const TLarkFTPTask& task);

// Stable order of `rows` by the texts of `column` (ASCII case folded), descending when
// `ascending` is false. cellText(row, column) gives a row's text.
template <class CellText>
void SortRows(std::vector<int>& rows, int column, bool ascending, CellText&& cellText);
int CompareCellTexts(std::string_view a, std::string_view b);

struct ColumnLayout {
    std::array<int, kTaskColumns> order;    // display position -> column tag
    std::array<int, kTaskColumns> widths;   // by tag; a hidden column's remembered width
    std::array<bool, kTaskColumns> visible; // by tag
};

// The definition's widths, every column shown, in defined order.
ColumnLayout DefaultColumnLayout(const std::array<int, kTaskColumns>& definedWidths);
// Reads the three stored values over `layout`. Each value is read up to its first part that is
// no integer; an order that is not a permutation of 0..7 is ignored (entries then describe the
// columns in defined order); the Local Name and Remote Name columns cannot be hidden.
void ParseColumnLayout(ColumnLayout& layout, std::string_view order, std::string_view widths,
                       std::string_view visibility);
struct StoredColumnLayout {
    std::string order, widths, visibility;
};
StoredColumnLayout FormatColumnLayout(const ColumnLayout& layout);

template <class CellText>
void SortRows(std::vector<int>& rows, int column, bool ascending, CellText&& cellText) {
    std::vector<std::pair<std::string, int>> keyed;
    keyed.reserve(rows.size());
    for (int row : rows) keyed.emplace_back(cellText(row, column), row);
    std::stable_sort(keyed.begin(), keyed.end(), [ascending](const auto& a, const auto& b) {
        const int c = CompareCellTexts(a.first, b.first);
        return ascending ? c < 0 : c > 0;
    });
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = keyed[i].second;
}

}  // namespace lark::scheduler
