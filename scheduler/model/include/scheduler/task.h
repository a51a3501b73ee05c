#pragma once
// The scheduler's task record: one unattended transfer with its schedule, as the task file,
// the tick, the list view, the dialogs and the automation server see it.
//
// Every field is reached through a getter/setter pair named after its published property, so
// the property table of the reflection layer binds to these members without changing callers.
// The enumeration name tables below are the names the task file writes and reads.
#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/datetime.h"

namespace lark::scheduler {

using core::DateTime;

enum class TTaskType : std::uint8_t { ttGet = 0, ttPut = 1 };

enum class TTaskStatus : std::uint8_t {
    tsPending = 0,
    tsCompleted = 1,
    tsDisabled = 2,
    tsActive = 3,
    tsError = 4,
    tsFailed = 5,
};

enum class TScheduleTask : std::uint8_t {
    stOnce = 0,
    stDaily = 1,
    stWeekly = 2,
    stMonthly = 3,
    stCustom = 4,  // accepted and kept, never scheduled
};

// Value names by ordinal.
inline constexpr std::array<std::string_view, 2> kTaskTypeNames{"ttGet", "ttPut"};
inline constexpr std::array<std::string_view, 6> kTaskStatusNames{
    "tsPending", "tsCompleted", "tsDisabled", "tsActive", "tsError", "tsFailed"};
inline constexpr std::array<std::string_view, 5> kScheduleTaskNames{
    "stOnce", "stDaily", "stWeekly", "stMonthly", "stCustom"};

template <class E>
constexpr std::span<const std::string_view> EnumNames();
template <>
constexpr std::span<const std::string_view> EnumNames<TTaskType>() { return kTaskTypeNames; }
template <>
constexpr std::span<const std::string_view> EnumNames<TTaskStatus>() { return kTaskStatusNames; }
template <>
constexpr std::span<const std::string_view> EnumNames<TScheduleTask>() { return kScheduleTaskNames; }

// The name of a value; empty for an ordinal outside the type.
template <class E>
constexpr std::string_view EnumName(E value) {
    auto names = EnumNames<E>();
    auto i = static_cast<std::size_t>(value);
    return i < names.size() ? names[i] : std::string_view{};
}

// The value of a name, compared without regard to ASCII case as identifiers are.
template <class E>
std::optional<E> EnumFromName(std::string_view name) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    auto names = EnumNames<E>();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i].size() != name.size()) continue;
        bool same = true;
        for (std::size_t k = 0; same && k < name.size(); ++k) same = lower(names[i][k]) == lower(name[k]);
        if (same) return static_cast<E>(i);
    }
    return std::nullopt;
}

// A set of small ordinals Low..High held in Bits, bit n standing for element n, as the task
// file and the automation interface expect the bits.
template <class Bits, int Low, int High>
class OrdinalSet {
    static_assert(High < static_cast<int>(sizeof(Bits) * 8));

public:
    static constexpr int kLow = Low;
    static constexpr int kHigh = High;

    constexpr OrdinalSet() = default;
    constexpr OrdinalSet(std::initializer_list<int> elements) {
        for (int e : elements) Include(e);
    }
    // Bits outside Low..High are dropped.
    static constexpr OrdinalSet FromBits(std::uint32_t bits) {
        OrdinalSet s;
        s.bits_ = static_cast<Bits>(bits & kMask);
        return s;
    }
    static constexpr OrdinalSet All() { return FromBits(kMask); }

    constexpr Bits ToBits() const { return bits_; }
    constexpr bool Contains(int e) const { return e >= Low && e <= High && (bits_ >> e & 1u); }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr void Include(int e) {
        if (e >= Low && e <= High) bits_ = static_cast<Bits>(bits_ | (Bits{1} << e));
    }
    constexpr void Exclude(int e) {
        if (e >= Low && e <= High) bits_ = static_cast<Bits>(bits_ & ~(Bits{1} << e));
    }
    constexpr bool operator==(const OrdinalSet&) const = default;

private:
    static constexpr std::uint32_t kMask = ((std::uint32_t{1} << (High + 1)) - 1) & ~((std::uint32_t{1} << Low) - 1);
    Bits bits_ = 0;
};

using TWeekDay = int;  // 1 = Monday .. 7 = Sunday
using TMonthNo = int;  // 1..12
using TWeekDays = OrdinalSet<std::uint8_t, 1, 7>;
using TMonths = OrdinalSet<std::uint16_t, 1, 12>;

// Whether the task file holds this password as it is: it stores passwords in Windows-1252, so
// a character outside it would come back as "?". Every place where a password enters the
// scheduler refuses one that fails.
bool CanStorePassword(std::string_view password);

// Counts the changes of what decides whether the scheduling tick has work: a task's status,
// next start, schedule kind and delete-after-completion, and the tasks a list holds. While it
// stays the same and no next start has come, a pass of the tick would find what the last one
// found, so the tick does not walk the list. One user-interface thread changes tasks.
std::uint64_t TaskChanges();
void NoteTaskChange();

class TLarkFTPTask {
public:
    // Storing defaults: a value equal to one of these is left out of the task file, and a task
    // read from the file starts from them.
    static constexpr bool kDefaultDeleteCompleted = true;
    static constexpr std::int32_t kDefaultDayInterval = 1;
    static constexpr std::int32_t kDefaultEveryWeek = 1;
    static constexpr TWeekDays kDefaultWeekDays{1};
    static constexpr TMonths kDefaultMonths = TMonths::All();

    TLarkFTPTask() = default;
    // A task has identity (the list view and the tick hold on to it); duplicates go through
    // CopyFrom.
    TLarkFTPTask(const TLarkFTPTask&) = delete;
    TLarkFTPTask& operator=(const TLarkFTPTask&) = delete;

    // Copies what Duplicate carries over: the schedule, the transfer and its credentials, the
    // status and the last run. Not the main client's run id, the last result, the proxy, the
    // next start or the counters. A running task gives a pending copy: the copy has no run.
    void CopyFrom(const TLarkFTPTask& source);

    // Published properties, in stream order.
    std::uint32_t TaskID() const { return taskID_; }
    void SetTaskID(std::uint32_t v) { taskID_ = v; }
    bool UseProfile() const { return useProfile_; }
    void SetUseProfile(bool v) { useProfile_ = v; }
    const std::string& LocalName() const { return localName_; }
    void SetLocalName(std::string v) { localName_ = std::move(v); }
    const std::string& RemoteName() const { return remoteName_; }
    void SetRemoteName(std::string v) { remoteName_ = std::move(v); }
    TTaskType TaskType() const { return taskType_; }
    void SetTaskType(TTaskType v) { taskType_ = v; }
    const std::string& RemoteURL() const { return remoteURL_; }
    void SetRemoteURL(std::string v) { remoteURL_ = std::move(v); }
    const std::string& UserName() const { return userName_; }
    void SetUserName(std::string v) { userName_ = std::move(v); }
    TScheduleTask ScheduleTask() const { return scheduleTask_; }
    void SetScheduleTask(TScheduleTask v) {
        scheduleTask_ = v;
        NoteTaskChange();
    }
    DateTime StartTime() const { return startTime_; }
    void SetStartTime(DateTime v) { startTime_ = v; }
    DateTime LastTime() const { return lastTime_; }
    void SetLastTime(DateTime v) { lastTime_ = v; }
    const std::string& Comments() const { return comments_; }
    void SetComments(std::string v) { comments_ = std::move(v); }
    bool DeleteCompleted() const { return deleteCompleted_; }
    void SetDeleteCompleted(bool v) {
        deleteCompleted_ = v;
        NoteTaskChange();
    }
    TTaskStatus Status() const { return status_; }
    void SetStatus(TTaskStatus v) {
        status_ = v;
        NoteTaskChange();
    }
    std::int32_t DayInterval() const { return dayInterval_; }
    void SetDayInterval(std::int32_t v) { dayInterval_ = v; }
    std::int32_t EveryWeek() const { return everyWeek_; }
    void SetEveryWeek(std::int32_t v) { everyWeek_ = v; }
    TWeekDays WeekDays() const { return weekDays_; }
    void SetWeekDays(TWeekDays v) { weekDays_ = v; }
    std::int32_t EveryDayOfMonth() const { return everyDayOfMonth_; }
    void SetEveryDayOfMonth(std::int32_t v) { everyDayOfMonth_ = v; }
    TMonths Months() const { return months_; }
    void SetMonths(TMonths v) { months_ = v; }
    const std::string& LastResult() const { return lastResult_; }
    void SetLastResult(std::string v) { lastResult_ = std::move(v); }
    bool IsFolder() const { return isFolder_; }
    void SetIsFolder(bool v) { isFolder_ = v; }
    const std::string& ProxyServer() const { return proxyServer_; }
    void SetProxyServer(std::string v) { proxyServer_ = std::move(v); }
    const std::string& ProxyPort() const { return proxyPort_; }
    void SetProxyPort(std::string v) { proxyPort_ = std::move(v); }

    // Not published. The password is plain text in memory; the task file enciphers it.
    const std::string& UserPassword() const { return userPassword_; }
    void SetUserPassword(std::string v) { userPassword_ = std::move(v); }
    // Computed whenever the list row is refreshed; never stored.
    DateTime NextTime() const { return nextTime_; }
    void SetNextTime(DateTime v) {
        nextTime_ = v;
        NoteTaskChange();
    }
    // Counters of the current run; never stored.
    std::int32_t TotalFiles() const { return totalFiles_; }
    void SetTotalFiles(std::int32_t v) { totalFiles_ = v; }
    std::int32_t FailedFiles() const { return failedFiles_; }
    void SetFailedFiles(std::int32_t v) { failedFiles_ = v; }
    std::int32_t DoneFiles() const { return doneFiles_; }
    void SetDoneFiles(std::int32_t v) { doneFiles_ = v; }

private:
    std::uint32_t taskID_ = 0;
    bool useProfile_ = false;
    std::string localName_;
    std::string remoteName_;
    TTaskType taskType_ = TTaskType::ttGet;
    std::string remoteURL_;
    std::string userName_;
    TScheduleTask scheduleTask_ = TScheduleTask::stOnce;
    DateTime startTime_ = 0;
    DateTime lastTime_ = 0;
    std::string comments_;
    bool deleteCompleted_ = kDefaultDeleteCompleted;
    TTaskStatus status_ = TTaskStatus::tsPending;
    std::int32_t dayInterval_ = kDefaultDayInterval;
    std::int32_t everyWeek_ = kDefaultEveryWeek;
    TWeekDays weekDays_ = kDefaultWeekDays;
    std::int32_t everyDayOfMonth_ = 0;
    TMonths months_ = kDefaultMonths;
    std::string lastResult_;
    bool isFolder_ = false;
    std::string proxyServer_;
    std::string proxyPort_;

    std::string userPassword_;
    DateTime nextTime_ = 0;
    std::int32_t totalFiles_ = 0;
    std::int32_t failedFiles_ = 0;
    std::int32_t doneFiles_ = 0;
};

}  // namespace lark::scheduler
