#include "scheduler/task_draft.h"

#include <gtest/gtest.h>

#include "../../model/tests/fake_file_system.h"

#include <set>
#include <vector>

#include "core/datetime.h"
#include "mainclient_fake/fake_main_client.h"
#include "scheduler/list_rows.h"

using namespace lark;
using namespace lark::scheduler;
using mainclient::fake::FakeMainClient;
using mainclient::fake::Reply;

namespace {

// Thursday 10 December 2026, 09:00.
const DateTime kNow = core::EncodeDateTime(2026, 12, 10, 9, 0, 0, 0);

struct TaskDraftTest : ::testing::Test {
    core::FixedClock clock{kNow};
    TLarkFTPTaskStorage storage;

    TLarkFTPTask& Task(const std::string& local, const std::string& remote) {
        TLarkFTPTask& t = storage.TaskList().Add();
        t.SetLocalName(local);
        t.SetRemoteName(remote);
        t.SetUseProfile(true);
        t.SetRemoteURL("Office/Backup");
        t.SetStartTime(kNow + 1.0 / 24);
        return t;
    }
    static TLarkFTPTask& HostTask(TLarkFTPTask& t) {
        t.SetUseProfile(false);
        t.SetRemoteURL("ftp.example.org");
        t.SetUserName("anna");
        t.SetUserPassword("secret");
        t.SetProxyServer("proxy.corp");
        t.SetProxyPort("8080");
        return t;
    }
};

TEST_F(TaskDraftTest, OneTaskLoadsItsFieldsAndOkStoresEveryControl) {
    TLarkFTPTask& t = Task("C:\\Data\\a.txt", "/pub/a.txt");
    t.SetTaskType(TTaskType::ttPut);
    t.SetComments("nightly");
    t.SetLastResult("All files done");
    t.SetScheduleTask(TScheduleTask::stWeekly);
    t.SetEveryWeek(2);
    t.SetWeekDays({2, 4});
    t.SetDayInterval(9);        // not the weekly kind's: the control shows its default
    t.SetEveryDayOfMonth(0);    // likewise
    t.SetMonths({3});
    TLarkFTPTask* tasks[] = {&t};
    const TaskDraft loaded = LoadTaskDraft(tasks);
    EXPECT_EQ(loaded.localName, "C:\\Data\\a.txt");
    EXPECT_TRUE(loaded.namesEditable);
    EXPECT_EQ(loaded.profile, "Office/Backup");
    EXPECT_EQ(loaded.taskType, TTaskType::ttPut);
    EXPECT_EQ(loaded.status, TTaskStatus::tsPending);
    EXPECT_EQ(loaded.lastResult, "All files done");
    EXPECT_EQ(loaded.schedule.kind, TScheduleTask::stWeekly);
    EXPECT_EQ(loaded.schedule.everyWeek, 2);
    EXPECT_EQ(loaded.schedule.weekDays, (TWeekDays{2, 4}));
    EXPECT_EQ(loaded.schedule.dayInterval, 1);
    EXPECT_EQ(loaded.schedule.dayOfMonth, 1);

    TaskDraft edited = loaded;
    edited.localName = "C:\\Data\\b.txt";
    edited.comments = "weekly";
    edited.status = TTaskStatus::tsDisabled;
    edited.schedule.weekDays = {1, 7};
    StoreTaskDraft(edited, tasks);
    EXPECT_EQ(t.LocalName(), "C:\\Data\\b.txt");
    EXPECT_EQ(t.RemoteName(), "/pub/a.txt");
    EXPECT_EQ(t.Comments(), "weekly");
    EXPECT_EQ(t.Status(), TTaskStatus::tsDisabled);
    EXPECT_EQ(t.WeekDays(), (TWeekDays{1, 7}));
    EXPECT_EQ(t.EveryWeek(), 2);
    EXPECT_EQ(t.RemoteURL(), "Office/Backup");
    // Every schedule control is stored, those of the other kinds with what they showed.
    EXPECT_EQ(t.DayInterval(), 1);
    EXPECT_EQ(t.EveryDayOfMonth(), 1);
    EXPECT_EQ(t.Months(), TMonths::All());
}

// Two tasks a and b, in that order: the fields list b first; OK gives both what the dialog
// shows (a's values where the user changed nothing) and leaves each its own names.
TEST_F(TaskDraftTest, SeveralTasksAllTakeTheShownValuesButKeepTheirNames) {
    TLarkFTPTask& a = Task("C:\\a.txt", "/a.txt");
    TLarkFTPTask& b = HostTask(Task("C:\\b.txt", "/b.txt"));
    a.SetComments("first");
    b.SetComments("second");
    b.SetTaskType(TTaskType::ttPut);
    b.SetStartTime(kNow + 2);
    b.SetDeleteCompleted(false);
    b.SetStatus(TTaskStatus::tsFailed);
    a.SetScheduleTask(TScheduleTask::stDaily);
    a.SetDayInterval(3);
    b.SetScheduleTask(TScheduleTask::stMonthly);
    b.SetEveryDayOfMonth(15);
    b.SetMonths({6});
    TLarkFTPTask* tasks[] = {&a, &b};
    const TaskDraft loaded = LoadTaskDraft(tasks);
    EXPECT_EQ(loaded.localName, "\"C:\\b.txt\";\"C:\\a.txt\";");
    EXPECT_EQ(loaded.remoteName, "\"/b.txt\";\"/a.txt\";");
    EXPECT_FALSE(loaded.namesEditable);
    EXPECT_EQ(loaded.comments, "first");

    // Confirmed as shown.
    StoreTaskDraft(loaded, tasks);
    EXPECT_EQ(a.LocalName(), "C:\\a.txt");
    EXPECT_EQ(a.RemoteName(), "/a.txt");
    EXPECT_EQ(b.LocalName(), "C:\\b.txt");
    EXPECT_EQ(b.RemoteName(), "/b.txt");
    for (TLarkFTPTask* t : tasks) {
        EXPECT_EQ(t->Comments(), "first");
        EXPECT_TRUE(t->UseProfile());
        EXPECT_EQ(t->RemoteURL(), "Office/Backup");
        EXPECT_EQ(t->UserName(), "");
        EXPECT_EQ(t->UserPassword(), "");
        EXPECT_EQ(t->ProxyServer(), "");
        EXPECT_EQ(t->TaskType(), TTaskType::ttGet);
        EXPECT_EQ(t->StartTime(), kNow + 1.0 / 24);
        EXPECT_TRUE(t->DeleteCompleted());
        EXPECT_EQ(t->ScheduleTask(), TScheduleTask::stDaily);
        EXPECT_EQ(t->DayInterval(), 3);
        EXPECT_EQ(t->EveryDayOfMonth(), 1);
        EXPECT_EQ(t->Months(), TMonths::All());
    }
    // The status shown (a's) reaches b, whose own the list does not offer.
    EXPECT_EQ(a.Status(), TTaskStatus::tsPending);
    EXPECT_EQ(b.Status(), TTaskStatus::tsPending);
    TaskDraft edited = loaded;
    edited.status = TTaskStatus::tsDisabled;
    edited.comments = "both";
    edited.schedule.kind = TScheduleTask::stWeekly;
    edited.schedule.weekDays = {5};
    edited.schedule.startTime = kNow + 3;
    StoreTaskDraft(edited, tasks);
    for (TLarkFTPTask* t : tasks) {
        EXPECT_EQ(t->Status(), TTaskStatus::tsDisabled);
        EXPECT_EQ(t->Comments(), "both");
        EXPECT_EQ(t->ScheduleTask(), TScheduleTask::stWeekly);
        EXPECT_EQ(t->WeekDays(), TWeekDays{5});
        EXPECT_EQ(t->EveryWeek(), 1);
        EXPECT_EQ(t->StartTime(), kNow + 3);
    }
}

// A host task (typically from another program) stays one unless a profile is given.
TEST_F(TaskDraftTest, AHostTaskKeepsItsHostUnlessAProfileIsGiven) {
    struct Case {
        const char* name;
        std::string profile;  // what the field holds at OK
        bool converted;
    } cases[] = {
        {"empty field", "", false},
        {"blank field", "   ", false},
        {"profile typed", "Office/Backup ", true},
    };
    for (const Case& c : cases) {
        TLarkFTPTask& t = HostTask(Task("C:\\a.txt", "/a.txt"));
        TLarkFTPTask* tasks[] = {&t};
        const TaskDraft loaded = LoadTaskDraft(tasks);
        EXPECT_EQ(loaded.profile, "") << c.name;
        TaskDraft edited = loaded;
        edited.profile = c.profile;
        StoreTaskDraft(edited, tasks);
        EXPECT_EQ(t.UseProfile(), c.converted) << c.name;
        EXPECT_EQ(t.RemoteURL(), c.converted ? "Office/Backup" : "ftp.example.org") << c.name;
        EXPECT_EQ(t.UserName(), c.converted ? "" : "anna") << c.name;
        EXPECT_EQ(t.UserPassword(), c.converted ? "" : "secret") << c.name;
        EXPECT_EQ(t.ProxyServer(), c.converted ? "" : "proxy.corp") << c.name;
        EXPECT_EQ(t.ProxyPort(), c.converted ? "" : "8080") << c.name;
    }
}

TEST_F(TaskDraftTest, AStatusTheListDoesNotOfferIsKeptUnlessOneIsChosen) {
    TLarkFTPTask& t = Task("C:\\a.txt", "/a.txt");
    t.SetStatus(TTaskStatus::tsFailed);
    TLarkFTPTask* tasks[] = {&t};
    const TaskDraft loaded = LoadTaskDraft(tasks);
    EXPECT_FALSE(loaded.status.has_value());
    StoreTaskDraft(loaded, tasks);
    EXPECT_EQ(t.Status(), TTaskStatus::tsFailed);
    TaskDraft edited = loaded;
    edited.status = TTaskStatus::tsPending;
    StoreTaskDraft(edited, tasks);
    EXPECT_EQ(t.Status(), TTaskStatus::tsPending);
}

TEST_F(TaskDraftTest, ScheduleKindsLoadOnlyTheirOwnValues) {
    TLarkFTPTask& t = Task("C:\\a.txt", "/a.txt");
    t.SetDayInterval(4);
    t.SetEveryWeek(3);
    t.SetWeekDays({6});
    t.SetEveryDayOfMonth(40);  // beyond what the control offers
    t.SetMonths({2, 3});
    struct Case {
        TScheduleTask kind;
        std::optional<TScheduleTask> shown;
        int dayInterval, everyWeek;
        TWeekDays weekDays;
        int dayOfMonth;
        TMonths months;
    } cases[] = {
        {TScheduleTask::stOnce, TScheduleTask::stOnce, 1, 1, {1}, 1, TMonths::All()},
        {TScheduleTask::stDaily, TScheduleTask::stDaily, 4, 1, {1}, 1, TMonths::All()},
        {TScheduleTask::stWeekly, TScheduleTask::stWeekly, 1, 3, {6}, 1, TMonths::All()},
        {TScheduleTask::stMonthly, TScheduleTask::stMonthly, 1, 1, {1}, 31, {2, 3}},
        {TScheduleTask::stCustom, std::nullopt, 1, 1, {1}, 1, TMonths::All()},
    };
    for (const Case& c : cases) {
        t.SetScheduleTask(c.kind);
        const ScheduleDraft s = ScheduleDraftOf(t);
        const int k = static_cast<int>(c.kind);
        EXPECT_EQ(s.kind, c.shown) << k;
        EXPECT_EQ(s.dayInterval, c.dayInterval) << k;
        EXPECT_EQ(s.everyWeek, c.everyWeek) << k;
        EXPECT_EQ(s.weekDays, c.weekDays) << k;
        EXPECT_EQ(s.dayOfMonth, c.dayOfMonth) << k;
        EXPECT_EQ(s.months, c.months) << k;
    }
    // A kind no list offers stays the task's when OK changes nothing.
    t.SetScheduleTask(TScheduleTask::stCustom);
    TLarkFTPTask* tasks[] = {&t};
    const TaskDraft loaded = LoadTaskDraft(tasks);
    StoreTaskDraft(loaded, tasks);
    EXPECT_EQ(t.ScheduleTask(), TScheduleTask::stCustom);
}

TEST_F(TaskDraftTest, ThePreviewFollowsTheScheduleAndSaysNeverForAnEmptyWeek) {
    ScheduleDraft s;
    s.startTime = core::EncodeDateTime(2026, 12, 1, 10, 30, 0, 0);
    s.kind = TScheduleTask::stDaily;
    EXPECT_EQ(PreviewNextRun(s, TTaskType::ttGet, clock), core::EncodeDateTime(2026, 12, 10, 10, 30, 0, 0));
    s.kind = TScheduleTask::stWeekly;
    s.weekDays = {1};  // Monday
    EXPECT_EQ(PreviewNextRun(s, TTaskType::ttGet, clock), core::EncodeDateTime(2026, 12, 14, 10, 30, 0, 0));
    s.weekDays = {};
    EXPECT_EQ(PreviewNextRun(s, TTaskType::ttGet, clock), 0);
    EXPECT_EQ(PreviewText(0, "\"starts on\" ddddd", "The task never starts"), "The task never starts");
    s.kind = TScheduleTask::stMonthly;
    s.dayOfMonth = 31;
    s.months = {2};
    EXPECT_EQ(PreviewNextRun(s, TTaskType::ttGet, clock), core::EncodeDateTime(2027, 2, 28, 10, 30, 0, 0));
    s.kind = std::nullopt;
    EXPECT_EQ(PreviewNextRun(s, TTaskType::ttGet, clock), 0);
    // The English format ends in a lone quote that adds nothing.
    EXPECT_EQ(PreviewText(core::EncodeDateTime(2026, 12, 14, 10, 30, 0, 0),
                          "\"The task starts next time on\" ddddd \"at\" H:mm\"", "never"),
              "The task starts next time on 12/14/2026 at 10:30");
}

// ---- the wizard ----

TEST_F(TaskDraftTest, TheWizardStartsFromTheTaskAndTheDefaultTaskType) {
    TLarkFTPTask& t = Task("", "");
    t.SetScheduleTask(TScheduleTask::stMonthly);
    t.SetDeleteCompleted(false);
    WizardDraft d = WizardDraftOf(t, 1);
    EXPECT_EQ(d.page, 1);
    EXPECT_EQ(d.kind, WizardKind::UploadFile);
    EXPECT_EQ(d.schedule.kind, TScheduleTask::stMonthly);
    EXPECT_EQ(d.schedule.startTime, t.StartTime());
    EXPECT_FALSE(d.schedule.deleteCompleted);
    EXPECT_EQ(WizardDraftOf(t, 0).kind, WizardKind::DownloadFile);
}

TEST_F(TaskDraftTest, BackKeepsTheNamesAndComingFromTheFirstPageEmptiesThem) {
    WizardDraft d;
    WizardBack(d);
    EXPECT_EQ(d.page, 1);
    WizardNext(d);
    WizardNext(d);
    d.localName = "C:\\a.txt";
    d.remoteName = "/a.txt";
    WizardBack(d);
    WizardNext(d);
    EXPECT_EQ(d.page, 3);
    EXPECT_EQ(d.localName, "C:\\a.txt");
    WizardBack(d);
    WizardBack(d);
    WizardNext(d);
    EXPECT_EQ(d.page, 2);
    EXPECT_EQ(d.localName, "");
    EXPECT_EQ(d.remoteName, "");
    WizardNext(d);
    WizardNext(d);
    WizardNext(d);
    EXPECT_EQ(d.page, kWizardPages);
}

TEST_F(TaskDraftTest, NextIsEnabledOnlyWhenThePageIsComplete) {
    FakeFiles files;
    files.files.insert("C:\\Data\\a.txt");
    files.dirs.insert("C:\\Data");
    files.dirs.insert("D:\\");
    struct Case {
        int page;
        WizardKind kind;
        std::string profile, local, remote;
        bool complete;
    } cases[] = {
        {1, WizardKind::DownloadFile, "", "", "", true},
        {2, WizardKind::DownloadFile, "", "", "", false},
        {2, WizardKind::DownloadFile, " \t", "", "", false},
        {2, WizardKind::DownloadFile, "Office", "", "", true},
        {3, WizardKind::DownloadFile, "Office", "C:\\new.txt", "", false},
        {3, WizardKind::DownloadFile, "Office", "C:\\new.txt", " ", false},
        {3, WizardKind::DownloadFile, "Office", "C:\\new.txt", "/new.txt", true},
        {3, WizardKind::DownloadFolder, "Office", "C:\\New\\", "/new/", true},
        {3, WizardKind::UploadFile, "Office", "C:\\missing.txt", "/a.txt", false},
        {3, WizardKind::UploadFile, "Office", " C:\\Data\\a.txt ", "/a.txt", true},
        {3, WizardKind::UploadFile, "Office", "C:\\Data", "/a.txt", false},
        {3, WizardKind::UploadFolder, "Office", "C:\\Data\\", "/Data/", true},
        {3, WizardKind::UploadFolder, "Office", "C:\\Data", "/Data/", true},
        {3, WizardKind::UploadFolder, "Office", "D:\\", "/", true},
        {3, WizardKind::UploadFolder, "Office", "C:\\Data\\a.txt", "/a/", false},
        {4, WizardKind::UploadFolder, "", "", "", true},
    };
    for (const Case& c : cases) {
        WizardDraft d;
        d.page = c.page;
        d.kind = c.kind;
        d.profile = c.profile;
        d.localName = c.local;
        d.remoteName = c.remote;
        EXPECT_EQ(WizardPageComplete(d, files), c.complete) << c.page << " " << c.local << " " << c.remote;
    }
}

TEST_F(TaskDraftTest, BrowsingGivesTheLocalAndRemoteNames) {
    struct Case {
        bool folder;
        std::string path, local, remote;
    } cases[] = {
        {false, "C:\\Data\\report.txt", "C:\\Data\\report.txt", "/report.txt"},
        {true, "C:\\Data", "C:\\Data\\", "/Data/"},
        {true, "C:\\Data\\", "C:\\Data\\", "/Data/"},
        {true, "C:\\", "C:\\", "/"},
        {true, "D:", "D:\\", "/"},
        {true, "\\\\server\\share", "\\\\server\\share\\", "/share/"},
    };
    for (const Case& c : cases) {
        WizardDraft d;
        if (c.folder) ChooseFolder(d, c.path);
        else ChooseFile(d, c.path);
        EXPECT_EQ(d.localName, c.local) << c.path;
        EXPECT_EQ(d.remoteName, c.remote) << c.path;
    }
}

TEST_F(TaskDraftTest, FinishMakesAPendingProfileTaskOfEachKind) {
    struct Case {
        WizardKind kind;
        TTaskType type;
        bool folder;
        TScheduleTask schedule;
    } cases[] = {
        {WizardKind::DownloadFile, TTaskType::ttGet, false, TScheduleTask::stOnce},
        {WizardKind::UploadFile, TTaskType::ttPut, false, TScheduleTask::stDaily},
        {WizardKind::DownloadFolder, TTaskType::ttGet, true, TScheduleTask::stWeekly},
        {WizardKind::UploadFolder, TTaskType::ttPut, true, TScheduleTask::stMonthly},
    };
    for (const Case& c : cases) {
        TLarkFTPTask& t = HostTask(Task("", ""));
        t.SetStatus(TTaskStatus::tsDisabled);
        WizardDraft d = WizardDraftOf(t, 0);
        d.kind = c.kind;
        d.profile = "Office/Backup";
        d.localName = "C:\\x";
        d.remoteName = "/x";
        d.schedule.kind = c.schedule;
        d.schedule.dayInterval = 2;
        d.schedule.everyWeek = 3;
        d.schedule.weekDays = {2, 3};
        d.schedule.dayOfMonth = 28;
        d.schedule.months = {6};
        FinishWizard(d, t);
        const int k = static_cast<int>(c.kind);
        EXPECT_EQ(t.Status(), TTaskStatus::tsPending) << k;
        EXPECT_EQ(t.TaskType(), c.type) << k;
        EXPECT_EQ(t.IsFolder(), c.folder) << k;
        EXPECT_EQ(t.ScheduleTask(), c.schedule) << k;
        EXPECT_TRUE(t.UseProfile()) << k;
        EXPECT_EQ(t.RemoteURL(), "Office/Backup") << k;
        EXPECT_EQ(t.UserName() + t.UserPassword() + t.ProxyServer() + t.ProxyPort(), "") << k;
        EXPECT_EQ(t.LocalName(), "C:\\x") << k;
        EXPECT_EQ(t.DayInterval(), 2) << k;
        EXPECT_EQ(t.EveryWeek(), 3) << k;
        EXPECT_EQ(t.WeekDays(), (TWeekDays{2, 3})) << k;
        EXPECT_EQ(t.EveryDayOfMonth(), 28) << k;
        EXPECT_EQ(t.Months(), TMonths{6}) << k;
    }
}

TEST_F(TaskDraftTest, WizardPageTextsFollowTheKind) {
    EXPECT_STREQ(ObjectPageTextIds(WizardKind::DownloadFile).title, "IDS_3");
    EXPECT_STREQ(ObjectPageTextIds(WizardKind::DownloadFolder).instruction, "IDS_6");
    EXPECT_STREQ(ObjectPageTextIds(WizardKind::UploadFile).title, "IDS_7");
    EXPECT_STREQ(ObjectPageTextIds(WizardKind::UploadFolder).instruction, "IDS_10");
}

TEST_F(TaskDraftTest, ANewTaskStartsFromTheDefaultsAnHourFromNow) {
    SchedulerSettings settings = DefaultSettings("C:\\Program\\");
    settings.defaultTaskType = 1;
    settings.defaultSchedule = 2;
    settings.defaultUserName = "anna";
    settings.defaultPassword = "secret";
    settings.defaultDeleteCompleted = false;
    settings.proxyHost = "ftpgw.corp";
    settings.proxyPort = "8080";
    TLarkFTPTask& t = storage.TaskList().Add();
    FillNewTask(t, settings, kNow);
    EXPECT_EQ(t.TaskType(), TTaskType::ttPut);
    EXPECT_EQ(t.ScheduleTask(), TScheduleTask::stWeekly);
    EXPECT_DOUBLE_EQ(t.StartTime(), kNow + 1.0 / 24);
    EXPECT_EQ(t.UserName(), "anna");
    EXPECT_EQ(t.UserPassword(), "secret");
    EXPECT_FALSE(t.DeleteCompleted());
    EXPECT_EQ(t.ProxyServer(), "ftpgw.corp");
    EXPECT_EQ(t.ProxyPort(), "8080");
    // The wizard then starts from it: an upload, weekly, the start time.
    const WizardDraft d = WizardDraftOf(t, settings.defaultTaskType);
    EXPECT_EQ(d.kind, WizardKind::UploadFile);
    EXPECT_EQ(d.schedule.kind, TScheduleTask::stWeekly);
    EXPECT_FALSE(d.schedule.deleteCompleted);
}

// ---- the profile chooser ----

struct ProfileChooserTest : TaskDraftTest {
    EnglishStrings strings;
    FakeFiles files;
    ListRows rows{storage.TaskList(), clock};
    std::vector<std::shared_ptr<FakeMainClient>> made;
    bool reachable = true;
    TaskRunner runner{rows,
                      [this]() -> std::shared_ptr<mainclient::MainClient> {
                          if (!reachable) throw core::Error("Class not registered");
                          made.push_back(std::make_shared<FakeMainClient>());
                          return made.back();
                      },
                      clock, files, strings, nullptr};
};

TEST_F(ProfileChooserTest, TheCachedObjectIsPutInModeZeroAndAsked) {
    (void)runner.PrepareAutomation("-1");
    ASSERT_EQ(made.size(), 1u);
    made[0]->Script("SelectProfile", Reply{.text = "Office/Backup", .value = 0});
    EXPECT_EQ(SelectProfileThrough(runner), "Office/Backup");
    EXPECT_EQ(made[0]->CallLines(), (std::vector<std::string>{"SetAutomationMode|-1", "SetAutomationMode|0", "SelectProfile"}));
    made[0]->Script("SelectProfile", Reply{.text = "ignored", .value = 1});
    EXPECT_EQ(SelectProfileThrough(runner), std::nullopt);
    EXPECT_EQ(made.size(), 1u);
}

TEST_F(ProfileChooserTest, ADeadObjectIsReplacedAndAnUnreachableMainClientRaises) {
    (void)runner.PrepareAutomation("-1");
    made[0]->SetDefault("SetAutomationMode", Reply{.fail = static_cast<int32_t>(0x800706BA)});
    EXPECT_EQ(SelectProfileThrough(runner), "");  // the new object's default answer: result 0
    ASSERT_EQ(made.size(), 2u);
    EXPECT_EQ(made[1]->CallLines(), (std::vector<std::string>{"SetAutomationMode|0", "SelectProfile"}));
    EXPECT_EQ(runner.Automation(), made[1].get());
    made[1]->SetDefault("SetAutomationMode", Reply{.fail = static_cast<int32_t>(0x800706BA)});
    reachable = false;
    EXPECT_THROW(SelectProfileThrough(runner), core::Error);
    EXPECT_EQ(runner.Automation(), nullptr);
}

}  // namespace
