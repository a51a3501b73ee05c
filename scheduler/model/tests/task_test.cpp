#include "scheduler/task.h"

#include <gtest/gtest.h>

#include <array>

#include "core/clock.h"
#include "core/errors.h"
#include "scheduler/task_list.h"
#include "storage/passphrase_digest.h"

namespace lark::scheduler {
namespace {

TEST(Task, StartsWithTheStoringDefaults) {
    TLarkFTPTask t;
    EXPECT_EQ(t.TaskID(), 0u);
    EXPECT_TRUE(t.DeleteCompleted());
    EXPECT_EQ(t.DayInterval(), 1);
    EXPECT_EQ(t.EveryWeek(), 1);
    EXPECT_EQ(t.WeekDays().ToBits(), 0x02);    // [1]
    EXPECT_EQ(t.Months().ToBits(), 0x1FFE);    // [1..12]
    EXPECT_EQ(t.EveryDayOfMonth(), 0);
    EXPECT_FALSE(t.UseProfile());
    EXPECT_FALSE(t.IsFolder());
    EXPECT_EQ(t.TaskType(), TTaskType::ttGet);
    EXPECT_EQ(t.ScheduleTask(), TScheduleTask::stOnce);
    EXPECT_EQ(t.Status(), TTaskStatus::tsPending);
    EXPECT_EQ(t.StartTime(), 0);
    EXPECT_EQ(t.LastTime(), 0);
    EXPECT_EQ(t.NextTime(), 0);
    EXPECT_EQ(t.TotalFiles() + t.FailedFiles() + t.DoneFiles(), 0);
    for (const std::string* s : {&t.LocalName(), &t.RemoteName(), &t.RemoteURL(), &t.UserName(), &t.Comments(),
                                 &t.LastResult(), &t.ProxyServer(), &t.ProxyPort(), &t.UserPassword()})
        EXPECT_TRUE(s->empty());
}

TEST(Sets, HoldElementNAtBitN) {
    static_assert(sizeof(TWeekDays) == 1 && sizeof(TMonths) == 2);
    EXPECT_EQ((TWeekDays{1, 3, 5}.ToBits()), 0x2A);
    EXPECT_EQ((TWeekDays{7}.ToBits()), 0x80);
    EXPECT_EQ((TMonths{12}.ToBits()), 0x1000);
    // Bits that name no element are dropped.
    EXPECT_EQ(TWeekDays::FromBits(0xFF).ToBits(), 0xFE);
    EXPECT_EQ(TMonths::FromBits(0xFFFF), TMonths::All());
    TWeekDays d{0, 8, 2};
    EXPECT_EQ(d.ToBits(), 0x04);
    EXPECT_FALSE(d.Contains(0));
    d.Exclude(2);
    EXPECT_TRUE(d.Empty());
}

TEST(Enums, NamesByOrdinalAndBack) {
    EXPECT_EQ(EnumName(TTaskType::ttPut), "ttPut");
    EXPECT_EQ(EnumName(TTaskStatus::tsFailed), "tsFailed");
    EXPECT_EQ(EnumName(TScheduleTask::stCustom), "stCustom");
    EXPECT_EQ(EnumName(static_cast<TTaskStatus>(6)), "");
    EXPECT_EQ(EnumFromName<TTaskStatus>("TSACTIVE"), TTaskStatus::tsActive);
    EXPECT_EQ(EnumFromName<TScheduleTask>("stMonthly"), TScheduleTask::stMonthly);
    EXPECT_EQ(EnumFromName<TTaskType>("ttGe"), std::nullopt);
    for (std::size_t i = 0; i < kTaskStatusNames.size(); ++i)
        EXPECT_EQ(EnumFromName<TTaskStatus>(kTaskStatusNames[i]), static_cast<TTaskStatus>(i));
}

// Every field set to a value distinct from the target's, so a field copied that should not be
// (or left that should be copied) shows.
void FillSource(TLarkFTPTask& t) {
    t.SetTaskID(77);
    t.SetUseProfile(true);
    t.SetLocalName("C:\\src\\ä");
    t.SetRemoteName("/pub/src");
    t.SetTaskType(TTaskType::ttPut);
    t.SetRemoteURL("site.example");
    t.SetUserName("anna");
    t.SetScheduleTask(TScheduleTask::stMonthly);
    t.SetStartTime(45000.5);
    t.SetLastTime(45100.25);
    t.SetComments("nightly");
    t.SetDeleteCompleted(false);
    t.SetStatus(TTaskStatus::tsFailed);
    t.SetDayInterval(5);
    t.SetEveryWeek(3);
    t.SetWeekDays(TWeekDays{2, 4});
    t.SetEveryDayOfMonth(17);
    t.SetMonths(TMonths{3, 9});
    t.SetLastResult("source result");
    t.SetIsFolder(true);
    t.SetProxyServer("proxy.src");
    t.SetProxyPort("8080");
    t.SetUserPassword("secret");
    t.SetNextTime(45200.0);
    t.SetTotalFiles(9);
    t.SetFailedFiles(2);
    t.SetDoneFiles(7);
}

TEST(CopyFrom, CopiesTheScheduleAndTransferButNotTheRun) {
    TLarkFTPTask src, dst;
    FillSource(src);
    dst.SetTaskID(5);
    dst.SetLastResult("target result");
    dst.SetProxyServer("proxy.dst");
    dst.SetProxyPort("3128");
    dst.SetNextTime(1.5);
    dst.SetTotalFiles(1);
    dst.SetFailedFiles(1);
    dst.SetDoneFiles(1);

    dst.CopyFrom(src);

    EXPECT_EQ(dst.DeleteCompleted(), src.DeleteCompleted());
    EXPECT_EQ(dst.StartTime(), src.StartTime());
    EXPECT_EQ(dst.ScheduleTask(), src.ScheduleTask());
    EXPECT_EQ(dst.TaskType(), src.TaskType());
    EXPECT_EQ(dst.Comments(), src.Comments());
    EXPECT_EQ(dst.UserPassword(), src.UserPassword());
    EXPECT_EQ(dst.RemoteName(), src.RemoteName());
    EXPECT_EQ(dst.UserName(), src.UserName());
    EXPECT_EQ(dst.RemoteURL(), src.RemoteURL());
    EXPECT_EQ(dst.LocalName(), src.LocalName());
    EXPECT_EQ(dst.Status(), src.Status());
    EXPECT_EQ(dst.DayInterval(), src.DayInterval());
    EXPECT_EQ(dst.EveryWeek(), src.EveryWeek());
    EXPECT_EQ(dst.WeekDays(), src.WeekDays());
    EXPECT_EQ(dst.EveryDayOfMonth(), src.EveryDayOfMonth());
    EXPECT_EQ(dst.Months(), src.Months());
    EXPECT_EQ(dst.LastTime(), src.LastTime());
    EXPECT_EQ(dst.UseProfile(), src.UseProfile());
    EXPECT_EQ(dst.IsFolder(), src.IsFolder());

    EXPECT_EQ(dst.TaskID(), 5u);
    EXPECT_EQ(dst.LastResult(), "target result");
    EXPECT_EQ(dst.ProxyServer(), "proxy.dst");
    EXPECT_EQ(dst.ProxyPort(), "3128");
    EXPECT_EQ(dst.NextTime(), 1.5);
    EXPECT_EQ(dst.TotalFiles(), 1);
    EXPECT_EQ(dst.FailedFiles(), 1);
    EXPECT_EQ(dst.DoneFiles(), 1);
}

TEST(CopyFrom, ARunningTaskGivesAPendingCopy) {
    TLarkFTPTask src, dst;
    src.SetStatus(TTaskStatus::tsActive);
    dst.SetStatus(TTaskStatus::tsDisabled);
    dst.CopyFrom(src);
    EXPECT_EQ(dst.Status(), TTaskStatus::tsPending);
    EXPECT_EQ(src.Status(), TTaskStatus::tsActive);
}

TEST(TaskList, OwnsItsTasksInOrder) {
    TLarkFTPTaskStorage storage;
    TLarkFTPTaskList& list = storage.TaskList();
    EXPECT_EQ(list.Owner(), &storage);
    TLarkFTPTask& a = list.Add();
    TLarkFTPTask& b = list.Add();
    TLarkFTPTask& c = list.Add();
    a.SetComments("a");
    c.SetComments("c");
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.IndexOf(&b), 1);
    list.Delete(1);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Items(0).Comments(), "a");
    EXPECT_EQ(list.Items(1).Comments(), "c");
    EXPECT_EQ(list.IndexOf(&c), 1);
    TLarkFTPTask stranger;
    EXPECT_EQ(list.IndexOf(&stranger), -1);
    EXPECT_THROW(list.Items(2), core::Error);
    EXPECT_THROW(list.Items(-1), core::Error);
    EXPECT_THROW(list.Delete(2), core::Error);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(TaskList, ATaskTakenOutKeepsItsIdentityAndGoesBackInPlace) {
    TLarkFTPTaskStorage storage;
    TLarkFTPTaskList& list = storage.TaskList();
    list.Add().SetComments("a");
    TLarkFTPTask& b = list.Add();
    list.Add().SetComments("c");
    std::unique_ptr<TLarkFTPTask> out = list.Extract(1);
    EXPECT_EQ(out.get(), &b);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Items(1).Comments(), "c");
    EXPECT_EQ(&list.Insert(1, std::move(out)), &b);
    EXPECT_EQ(list.IndexOf(&b), 1);
    EXPECT_EQ(list.Items(2).Comments(), "c");
    EXPECT_THROW(list.Extract(3), core::Error);
    EXPECT_THROW(list.Insert(4, std::make_unique<TLarkFTPTask>()), core::Error);
    EXPECT_THROW(list.Insert(0, nullptr), core::Error);
    EXPECT_EQ(list.Count(), 3);
}

TEST(TaskList, DerivesTheTaskKeyFromItsPassphrase) {
    TLarkFTPTaskList list;
    std::array<std::uint8_t, 16> want{};
    storage::PassphraseDigest(want.data(), want.size(), "hD42mQ#rwJ;tXbN");
    EXPECT_EQ(list.Key(), want);
}

TEST(TaskList, TodayTaskCountCountsPendingTasksStillDueToday) {
    const DateTime now = 45355.5;  // noon
    core::FixedClock clock(now);
    TLarkFTPTaskList list;
    auto add = [&](TTaskStatus status, DateTime next) {
        TLarkFTPTask& t = list.Add();
        t.SetStatus(status);
        t.SetNextTime(next);
    };
    add(TTaskStatus::tsPending, now + 0.25);       // counts: this evening
    add(TTaskStatus::tsPending, 45355.999);        // counts: just before midnight
    add(TTaskStatus::tsActive, now + 0.25);        // running
    add(TTaskStatus::tsDisabled, now + 0.25);
    add(TTaskStatus::tsPending, 45356.0);          // tomorrow at midnight
    add(TTaskStatus::tsPending, now - 0.1);        // earlier today, passed
    add(TTaskStatus::tsPending, now);              // exactly now: not later
    add(TTaskStatus::tsPending, 0);                // never
    EXPECT_EQ(list.TodayTaskCount(clock), 2);
    clock.Set(now + 1);
    EXPECT_EQ(list.TodayTaskCount(clock), 0);
}

}  // namespace
}  // namespace lark::scheduler
