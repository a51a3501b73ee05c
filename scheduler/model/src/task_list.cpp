#include "scheduler/task_list.h"

#include <cmath>

#include "core/errors.h"
#include "storage/passphrase_digest.h"

namespace lark::scheduler {

TLarkFTPTaskList::TLarkFTPTaskList(TLarkFTPTaskStorage* owner)
    : owner_(owner), key_(storage::PassphraseDigest16(kTaskPassphrase)) {}

TLarkFTPTask& TLarkFTPTaskList::Add() {
    items_.push_back(std::make_unique<TLarkFTPTask>());
    NoteTaskChange();
    return *items_.back();
}

TLarkFTPTask& TLarkFTPTaskList::Adopt(std::unique_ptr<TLarkFTPTask> task) {
    if (!task) throw core::Error("No task to add");
    items_.push_back(std::move(task));
    NoteTaskChange();
    return *items_.back();
}

TLarkFTPTask& TLarkFTPTaskList::Items(int index) {
    return const_cast<TLarkFTPTask&>(static_cast<const TLarkFTPTaskList&>(*this).Items(index));
}

const TLarkFTPTask& TLarkFTPTaskList::Items(int index) const {
    if (index < 0 || index >= Count())
        throw core::Error("List index out of bounds (" + std::to_string(index) + ")");
    return *items_[static_cast<std::size_t>(index)];
}

void TLarkFTPTaskList::Delete(int index) {
    if (index < 0 || index >= Count())
        throw core::Error("List index out of bounds (" + std::to_string(index) + ")");
    items_.erase(items_.begin() + index);
    NoteTaskChange();
}

std::unique_ptr<TLarkFTPTask> TLarkFTPTaskList::Extract(int index) {
    if (index < 0 || index >= Count())
        throw core::Error("List index out of bounds (" + std::to_string(index) + ")");
    std::unique_ptr<TLarkFTPTask> task = std::move(items_[static_cast<std::size_t>(index)]);
    items_.erase(items_.begin() + index);
    return task;
}

TLarkFTPTask& TLarkFTPTaskList::Insert(int index, std::unique_ptr<TLarkFTPTask> task) {
    if (!task) throw core::Error("No task to add");
    if (index < 0 || index > Count())
        throw core::Error("List index out of bounds (" + std::to_string(index) + ")");
    return **items_.insert(items_.begin() + index, std::move(task));
}

int TLarkFTPTaskList::IndexOf(const TLarkFTPTask* task) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == task) return static_cast<int>(i);
    return -1;
}

int TLarkFTPTaskList::TodayTaskCount(const core::Clock& clock) const {
    const DateTime now = clock.Now();
    const double today = std::trunc(now);
    int count = 0;
    for (const auto& task : items_) {
        const DateTime next = task->NextTime();
        if (task->Status() == TTaskStatus::tsPending && std::trunc(next) == today && next > now) ++count;
    }
    return count;
}

}  // namespace lark::scheduler
