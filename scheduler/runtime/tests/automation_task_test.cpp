#include "scheduler/automation_task.h"

#include <gtest/gtest.h>

#include "core/datetime.h"
#include "core/errors.h"
#include "scheduler/list_rows.h"

using namespace lark;
using namespace lark::scheduler;

namespace {

struct AddTaskTest : ::testing::Test {
    core::FixedClock clock;
    TLarkFTPTaskStorage storage;
    ListRows rows{storage.TaskList(), clock};
    std::vector<int> refreshed, deleted;

    void SetUp() override {
        clock.Set(core::EncodeDateTime(2026, 12, 10, 22, 30, 0, 0));
        storage.TaskList().Add().SetLocalName("earlier");
        rows.onRefresh = [this](int row) { refreshed.push_back(row); };
        rows.onDeleted = [this](int row) { deleted.push_back(row); };
    }

    static AddTaskRequest Request() {
        return {"ftp.example.org", "anna", "s3cr\xC3\xA9t", "proxy.corp", "8080", "C:\\Data\\a.txt", "/in/a.txt", 1};
    }
};

TEST_F(AddTaskTest, TheNewTaskCarriesTheRequestAndStartsInAnHour) {
    const TLarkFTPTask* seen = nullptr;
    EXPECT_TRUE(AddRequestedTask(storage.TaskList(), rows, Request(), clock, [&](TLarkFTPTask& task) {
        seen = &task;
        // The dialog sees the task in the list, with its row, before the user decides.
        EXPECT_EQ(storage.TaskList().IndexOf(&task), 1);
        EXPECT_EQ(refreshed, std::vector<int>{1});
        return true;
    }));
    ASSERT_EQ(storage.TaskList().Count(), 2);
    const TLarkFTPTask& task = storage.TaskList().Items(1);
    EXPECT_EQ(&task, seen);
    EXPECT_EQ(task.RemoteURL(), "ftp.example.org");
    EXPECT_EQ(task.UserName(), "anna");
    EXPECT_EQ(task.UserPassword(), "s3cr\xC3\xA9t");
    EXPECT_EQ(task.ProxyServer(), "proxy.corp");
    EXPECT_EQ(task.ProxyPort(), "8080");
    EXPECT_EQ(task.LocalName(), "C:\\Data\\a.txt");
    EXPECT_EQ(task.RemoteName(), "/in/a.txt");
    EXPECT_EQ(task.TaskType(), TTaskType::ttPut);
    EXPECT_FALSE(task.UseProfile());
    // An hour on crosses midnight.
    EXPECT_NEAR(task.StartTime(), core::EncodeDateTime(2026, 12, 10, 23, 30, 0, 0), 1e-9);
    EXPECT_EQ(task.Status(), TTaskStatus::tsPending);
    EXPECT_EQ(task.ScheduleTask(), TScheduleTask::stOnce);
    EXPECT_EQ(task.DeleteCompleted(), TLarkFTPTask::kDefaultDeleteCompleted);
    EXPECT_EQ(refreshed, (std::vector<int>{1, 1}));
    EXPECT_TRUE(deleted.empty());
}

TEST_F(AddTaskTest, WithoutUserNameAndPasswordTheHostNamesAProfile) {
    AddTaskRequest request = Request();
    request.userName.clear();
    request.password.clear();
    request.taskType = 0;
    AddRequestedTask(storage.TaskList(), rows, request, clock, [](TLarkFTPTask& task) {
        EXPECT_TRUE(task.UseProfile());
        EXPECT_EQ(task.RemoteURL(), "ftp.example.org");
        EXPECT_EQ(task.TaskType(), TTaskType::ttGet);
        return true;
    });
    // A user name alone, or a password alone, is a host task.
    for (auto clear : {&AddTaskRequest::userName, &AddTaskRequest::password}) {
        AddTaskRequest one = Request();
        one.*clear = "";
        AddRequestedTask(storage.TaskList(), rows, one, clock, [](TLarkFTPTask& task) {
            EXPECT_FALSE(task.UseProfile());
            return true;
        });
    }
}

TEST_F(AddTaskTest, CancelLeavesTheListAsBefore) {
    EXPECT_FALSE(AddRequestedTask(storage.TaskList(), rows, Request(), clock, [](TLarkFTPTask&) { return false; }));
    ASSERT_EQ(storage.TaskList().Count(), 1);
    EXPECT_EQ(storage.TaskList().Items(0).LocalName(), "earlier");
    EXPECT_EQ(deleted, std::vector<int>{1});
}

TEST_F(AddTaskTest, AFailingDialogLeavesNothingBehind) {
    EXPECT_THROW(AddRequestedTask(storage.TaskList(), rows, Request(), clock,
                                  [](TLarkFTPTask&) -> bool { throw core::Error("the dialog failed"); }),
                 core::Error);
    EXPECT_EQ(storage.TaskList().Count(), 1);
}

// The list was replaced while the dialog was open: the call does not reach for the task again.
TEST_F(AddTaskTest, ATaskThatLeftTheListMeanwhileIsNotTouched) {
    EXPECT_FALSE(AddRequestedTask(storage.TaskList(), rows, Request(), clock, [&](TLarkFTPTask&) {
        storage.TaskList().Clear();
        return true;
    }));
    EXPECT_EQ(storage.TaskList().Count(), 0);
}

TEST_F(AddTaskTest, RefusedRequestsAddNothing) {
    struct Case {
        int taskType;
        std::string password;
        std::string says;
    };
    const Case cases[] = {
        {7, "", "task type 7"},
        {-1, "", "task type -1"},
        {2, "", "task type 2"},
        {-128, "", "task type -128"},
        {0, "\xE5\xAF\x86\xE7\xA0\x81", "password"},  // Chinese: not in Windows-1252
        {1, "key \xF0\x9F\x94\x91", "password"},      // an emoji
    };
    for (const Case& c : cases) {
        AddTaskRequest request = Request();
        request.taskType = c.taskType;
        request.password = c.password;
        EXPECT_NE(AddTaskRefusal(request).find(c.says), std::string::npos) << AddTaskRefusal(request);
        bool asked = false;
        EXPECT_THROW(AddRequestedTask(storage.TaskList(), rows, request, clock,
                                      [&](TLarkFTPTask&) { return asked = true; }),
                     core::Error);
        EXPECT_FALSE(asked);
    }
    EXPECT_EQ(storage.TaskList().Count(), 1);
    EXPECT_TRUE(refreshed.empty());
}

TEST_F(AddTaskTest, OddButStorableInputIsTaken) {
    AddTaskRequest request;  // every text empty, download
    EXPECT_EQ(AddTaskRefusal(request), "");
    request.localName = std::string(kMaxAddTaskText, 'x');
    // The limit counts UTF-16 characters: two for the emoji, one for each Chinese character.
    request.remoteName = std::string(kMaxAddTaskText - 3, '/') + "\xE5\xAF\x86\xF0\x9F\x94\x91";
    request.password = "\xE2\x82\xAC";  // only the password must fit Windows-1252; the euro sign does
    EXPECT_EQ(AddTaskRefusal(request), "");
    EXPECT_TRUE(AddRequestedTask(storage.TaskList(), rows, request, clock, [](TLarkFTPTask&) { return true; }));
    EXPECT_EQ(storage.TaskList().Items(1).LocalName(), request.localName);
    EXPECT_EQ(storage.TaskList().Items(1).RemoteName(), request.remoteName);
}

// A text longer than any Windows path or field is refused by name, whichever parameter it is.
TEST_F(AddTaskTest, TextsLongerThan32767CharactersAreRefused) {
    for (std::size_t i = 0; i < std::size(kAddTaskTextNames); ++i) {
        for (const std::string& text : {std::string(kMaxAddTaskText + 1, 'x'), std::string(1036000, 'x'),
                                        // 16,384 emoji are 32,768 UTF-16 characters.
                                        [] {
                                            std::string s;
                                            for (int n = 0; n < 16384; ++n) s += "\xF0\x9F\x94\x91";
                                            return s;
                                        }()}) {
            AddTaskRequest request = Request();
            std::string* texts[] = {&request.hostName,  &request.userName,  &request.password, &request.proxyServer,
                                    &request.proxyPort, &request.localName, &request.remoteName};
            *texts[i] = text;
            const std::string refusal = AddTaskRefusal(request);
            EXPECT_NE(refusal.find(std::string("the ") + kAddTaskTextNames[i] + " is"), std::string::npos) << refusal;
            EXPECT_NE(refusal.find("32767"), std::string::npos) << refusal;
            EXPECT_THROW(AddRequestedTask(storage.TaskList(), rows, request, clock, [](TLarkFTPTask&) { return true; }),
                         core::Error);
        }
    }
    EXPECT_EQ(storage.TaskList().Count(), 1);
    EXPECT_EQ(OverlongTextRefusal("LocalName", kMaxAddTaskText), "");
}

// OK keeps a profile task without credentials or proxy (the profile holds them); a host task
// keeps what the call gave it.
TEST_F(AddTaskTest, AConfirmedProfileTaskKeepsNoCredentialsOrProxy) {
    AddTaskRequest request = Request();
    request.userName.clear();
    request.password.clear();
    ASSERT_TRUE(AddRequestedTask(storage.TaskList(), rows, request, clock, [](TLarkFTPTask& task) {
        // Until the user confirms, the dialog's task is as the call made it.
        EXPECT_EQ(task.ProxyServer(), "proxy.corp");
        return true;
    }));
    const TLarkFTPTask& profile = storage.TaskList().Items(1);
    EXPECT_TRUE(profile.UseProfile());
    EXPECT_EQ(profile.RemoteURL(), "ftp.example.org");
    EXPECT_EQ(profile.UserName(), "");
    EXPECT_EQ(profile.UserPassword(), "");
    EXPECT_EQ(profile.ProxyServer(), "");
    EXPECT_EQ(profile.ProxyPort(), "");

    ASSERT_TRUE(AddRequestedTask(storage.TaskList(), rows, Request(), clock, [](TLarkFTPTask&) { return true; }));
    const TLarkFTPTask& host = storage.TaskList().Items(2);
    EXPECT_FALSE(host.UseProfile());
    EXPECT_EQ(host.UserName(), "anna");
    EXPECT_EQ(host.ProxyServer(), "proxy.corp");
    EXPECT_EQ(host.ProxyPort(), "8080");
}

TEST(ServerSwitches, SlashOrMinusAndAnyCase) {
    const std::pair<const char*, ServerSwitch> cases[] = {
        {"/REGSERVER", ServerSwitch::RegServer},     {"-regserver", ServerSwitch::RegServer},
        {"-unregserver", ServerSwitch::UnregServer}, {"/UnRegServer", ServerSwitch::UnregServer},
        {"-Embedding", ServerSwitch::Embedding},     {"/AUTOMATION", ServerSwitch::Automation},
        {"regserver", ServerSwitch::None},           {"/regserver2", ServerSwitch::None},
        {"//regserver", ServerSwitch::None},         {"/", ServerSwitch::None},
        {"", ServerSwitch::None},
    };
    for (const auto& [argument, expected] : cases) EXPECT_EQ(ParseServerSwitch(argument), expected) << argument;
}

}  // namespace
