#include "scheduler/task.h"

#include "core/text_encoding.h"

namespace lark::scheduler {

bool CanStorePassword(std::string_view password) { return core::Win1252RoundTrips(password); }

namespace {
std::uint64_t taskChanges = 0;
}  // namespace

std::uint64_t TaskChanges() { return taskChanges; }
void NoteTaskChange() { ++taskChanges; }

void TLarkFTPTask::CopyFrom(const TLarkFTPTask& source) {
    if (&source == this) return;
    deleteCompleted_ = source.deleteCompleted_;
    startTime_ = source.startTime_;
    scheduleTask_ = source.scheduleTask_;
    taskType_ = source.taskType_;
    comments_ = source.comments_;
    userPassword_ = source.userPassword_;
    remoteName_ = source.remoteName_;
    userName_ = source.userName_;
    remoteURL_ = source.remoteURL_;
    localName_ = source.localName_;
    // The run belongs to the source (its id is not copied), so an active copy would wait for
    // completion messages that never come.
    status_ = source.status_ == TTaskStatus::tsActive ? TTaskStatus::tsPending : source.status_;
    dayInterval_ = source.dayInterval_;
    everyWeek_ = source.everyWeek_;
    weekDays_ = source.weekDays_;
    everyDayOfMonth_ = source.everyDayOfMonth_;
    months_ = source.months_;
    lastTime_ = source.lastTime_;
    useProfile_ = source.useProfile_;
    isFolder_ = source.isFolder_;
    NoteTaskChange();
}

}  // namespace lark::scheduler
