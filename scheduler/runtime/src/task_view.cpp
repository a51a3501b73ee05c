#include "scheduler/task_view.h"

#include "core/integer_text.h"
#include "core/text_encoding.h"

namespace lark::scheduler {

std::string TimeText(const StringSource& texts, core::DateTime value) {
    if (value >= 1) return core::FormatDateTime(texts.Text("IDS_1"), value);
    return texts.Text("IDS_0");
}

std::string TaskCellText(const StringSource& texts, const TLarkFTPTask& task, int column) {
    static constexpr std::array<std::string_view, 4> kSchedules{"strsOnce", "strsDaily", "strsWeekly", "strsMonthly"};
    static constexpr std::array<std::string_view, 6> kStatuses{"strsPending", "strsCompleted", "strsDisabled",
                                                               "strsActive",  "strsError",     "strsFailed"};
    switch (static_cast<TaskColumn>(column)) {
        case TaskColumn::LocalName: return task.LocalName();
        case TaskColumn::Host: return task.RemoteURL();
        case TaskColumn::RemoteName: return task.RemoteName();
        case TaskColumn::TaskType:
            return texts.Text(task.TaskType() == TTaskType::ttGet ? "strsDownload" : "strsUpload");
        case TaskColumn::Schedule: {
            const auto schedule = static_cast<std::size_t>(task.ScheduleTask());
            return schedule < kSchedules.size() ? texts.Text(kSchedules[schedule]) : std::string();
        }
        case TaskColumn::LastTime: return TimeText(texts, task.LastTime());
        case TaskColumn::StartTime: return TimeText(texts, task.NextTime());
        case TaskColumn::Status: {
            const auto status = static_cast<std::size_t>(task.Status());
            return status < kStatuses.size() ? texts.Text(kStatuses[status]) : std::string();
        }
    }
    return {};
}

std::string TaskInfoTip(const StringSource& texts, const TLarkFTPTask& task) {
    switch (task.Status()) {
        case TTaskStatus::tsPending:
            return texts.Text("IDS_20") + task.LocalName() + "\r\n" + texts.Text("IDS_21") + task.RemoteName() +
                   "\r\n" + texts.Text("IDS_22") + TimeText(texts, task.LastTime()) + "\r\n" + texts.Text("IDS_23") +
                   TimeText(texts, task.NextTime());
        case TTaskStatus::tsActive:
            return texts.Text("IDS_24") + TimeText(texts, task.LastTime()) + "\r\n" + texts.Text("IDS_25") +
                   std::to_string(task.TotalFiles()) + "\r\n" + texts.Text("IDS_26") +
                   std::to_string(task.DoneFiles()) + "\r\n" + texts.Text("IDS_27") +
                   std::to_string(task.FailedFiles());
        case TTaskStatus::tsCompleted:
        case TTaskStatus::tsFailed: return task.LastResult();
        default: return {};
    }
}

int CompareCellTexts(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : static_cast<unsigned char>(c); };
        const unsigned char x = fold(a[i]), y = fold(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

ColumnLayout DefaultColumnLayout(const std::array<int, kTaskColumns>& definedWidths) {
    ColumnLayout layout;
    for (int c = 0; c < kTaskColumns; ++c) {
        layout.order[c] = c;
        layout.visible[c] = true;
    }
    layout.widths = definedWidths;
    return layout;
}

namespace {

// The comma-separated integers of `text` up to the first part that is none (at most
// kTaskColumns); a trailing comma is allowed.
std::vector<int> Integers(std::string_view text) {
    std::vector<int> values;
    while (!text.empty() && values.size() < static_cast<std::size_t>(kTaskColumns)) {
        const std::size_t comma = text.find(',');
        const auto value = core::ParseDecimal32(text.substr(0, comma));
        if (!value) break;
        values.push_back(*value);
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return values;
}

bool CanHide(int column) {
    return column != static_cast<int>(TaskColumn::LocalName) && column != static_cast<int>(TaskColumn::RemoteName);
}

}  // namespace

void ParseColumnLayout(ColumnLayout& layout, std::string_view order, std::string_view widths,
                       std::string_view visibility) {
    const std::vector<int> orderValues = Integers(order);
    if (orderValues.size() == static_cast<std::size_t>(kTaskColumns)) {
        std::array<bool, kTaskColumns> seen{};
        bool permutation = true;
        for (int c : orderValues) {
            if (c < 0 || c >= kTaskColumns || seen[c]) {
                permutation = false;
                break;
            }
            seen[c] = true;
        }
        if (permutation) std::copy(orderValues.begin(), orderValues.end(), layout.order.begin());
    }
    const std::vector<int> widthValues = Integers(widths);
    for (std::size_t k = 0; k < widthValues.size(); ++k)
        if (widthValues[k] >= 0) layout.widths[layout.order[k]] = widthValues[k];
    const std::vector<int> visibleValues = Integers(visibility);
    for (std::size_t k = 0; k < visibleValues.size(); ++k) {
        const int column = layout.order[k];
        layout.visible[column] = visibleValues[k] != 0 || !CanHide(column);
    }
}

StoredColumnLayout FormatColumnLayout(const ColumnLayout& layout) {
    StoredColumnLayout stored;
    for (int k = 0; k < kTaskColumns; ++k) {
        const int column = layout.order[k];
        const char* comma = k + 1 < kTaskColumns ? "," : "";
        stored.order += std::to_string(column) + comma;
        stored.widths += std::to_string(layout.widths[column]) + comma;
        stored.visibility += std::string(layout.visible[column] ? "1" : "0") + comma;
    }
    return stored;
}

}  // namespace lark::scheduler
