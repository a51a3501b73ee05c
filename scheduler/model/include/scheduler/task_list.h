#pragma once
// The owned collection of tasks and the component that owns it (and later loads and saves it
// as the task file).
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/clock.h"
#include "scheduler/task.h"

namespace lark::scheduler {

class TLarkFTPTaskStorage;

// Fixed passphrase of the task key; the key enciphers "UserPassword" in the task file.
inline constexpr std::string_view kTaskPassphrase = "hD42mQ#rwJ;tXbN";
using TaskKey = std::array<std::uint8_t, 16>;

class TLarkFTPTaskList {
public:
    explicit TLarkFTPTaskList(TLarkFTPTaskStorage* owner = nullptr);
    TLarkFTPTaskList(const TLarkFTPTaskList&) = delete;
    TLarkFTPTaskList& operator=(const TLarkFTPTaskList&) = delete;

    TLarkFTPTaskStorage* Owner() const { return owner_; }
    const TaskKey& Key() const { return key_; }

    // A new task with the creation defaults, at the end.
    TLarkFTPTask& Add();
    // A task made elsewhere (the task file's reader), at the end.
    TLarkFTPTask& Adopt(std::unique_ptr<TLarkFTPTask> task);
    int Count() const { return static_cast<int>(items_.size()); }
    // Raises lark::core::Error for an index outside 0..Count-1.
    TLarkFTPTask& Items(int index);
    const TLarkFTPTask& Items(int index) const;
    // Frees the task; raises lark::core::Error for an index outside 0..Count-1.
    void Delete(int index);
    // Takes the task out without freeing it, and puts one back in at an index 0..Count (a
    // save that leaves a task out). Both raise lark::core::Error for an index outside.
    std::unique_ptr<TLarkFTPTask> Extract(int index);
    TLarkFTPTask& Insert(int index, std::unique_ptr<TLarkFTPTask> task);
    // Frees every task.
    void Clear() {
        items_.clear();
        NoteTaskChange();
    }
    // Position of the task in the list, or -1 when it is not one of this list's.
    int IndexOf(const TLarkFTPTask* task) const;

    // Pending tasks whose computed NextTime lies later today.
    int TodayTaskCount(const core::Clock& clock) const;

private:
    TLarkFTPTaskStorage* owner_;
    TaskKey key_{};
    std::vector<std::unique_ptr<TLarkFTPTask>> items_;
};

class TLarkFTPTaskStorage {
public:
    TLarkFTPTaskStorage() : taskList_(this) {}
    TLarkFTPTaskStorage(const TLarkFTPTaskStorage&) = delete;
    TLarkFTPTaskStorage& operator=(const TLarkFTPTaskStorage&) = delete;

    const std::string& FileName() const { return fileName_; }
    void SetFileName(std::string v) { fileName_ = std::move(v); }
    TLarkFTPTaskList& TaskList() { return taskList_; }
    const TLarkFTPTaskList& TaskList() const { return taskList_; }
    // Set when the task file read at start-up could neither be read nor kept aside: saving would
    // put this run's list over the tasks it may still hold, so every save is refused.
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool v) { readOnly_ = v; }

private:
    std::string fileName_;
    bool readOnly_ = false;
    TLarkFTPTaskList taskList_;
};

}  // namespace lark::scheduler
