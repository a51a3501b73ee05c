#include "mainclient_fake/fake_main_client.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace lark::mainclient;
using lark::mainclient::fake::FakeMainClient;
using lark::mainclient::fake::Reply;

namespace {

TransferRequest Request() {
    return {"Home", "user", "secret", "proxy", "8080", "C:\\in\\a.txt", "/pub/a.txt"};
}

TEST(FakeMainClient, LogsEveryArgumentInOrder) {
    FakeMainClient fake;
    fake.SetAutomationMode("-1");
    fake.StartGetFile(Request());
    fake.ListDirectory("1", "/pub", true);
    fake.DownloadFile("1", "C:\\x", "/x", 12, 0.0);
    EXPECT_EQ(fake.CallLines(), (std::vector<std::string>{
                                    "SetAutomationMode|-1",
                                    "StartGetFile|Home|user|secret|proxy|8080|C:\\in\\a.txt|/pub/a.txt",
                                    "ListDirectory|1|/pub|-1",
                                    "DownloadFile|1|0|0|0|0|0|C:\\x|/x|12|0|0",
                                }));
}

TEST(FakeMainClient, ScriptedRepliesComeInOrderThenTheDefault) {
    FakeMainClient fake;
    Reply listing;
    listing.text = "ERROR";
    fake.Script("ListDirectory", listing);
    Reply fail;
    fail.fail = static_cast<int32_t>(0x80004005);
    fail.fail_text = "lost";
    fake.Script("ListDirectory", fail);
    EXPECT_EQ(fake.ListDirectory("1", "/", false), "ERROR");
    try {
        fake.ListDirectory("1", "/", false);
        FAIL() << "no failure";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), static_cast<int32_t>(0x80004005));
        EXPECT_EQ(std::string(e.what()), "ListDirectory: lost");
    }
    EXPECT_EQ(fake.ListDirectory("1", "/", false), "");
    EXPECT_EQ(fake.calls().size(), 3u);  // a failed call is logged too
    EXPECT_EQ(fake.OpenSession("Home").connection_id, "1");
}

TEST(FakeMainClient, CompletionsArriveOnlyAfterTheCallUnlessScriptedEarly) {
    FakeMainClient fake;
    std::vector<std::pair<int32_t, int32_t>> seen;
    fake.SetCompletionHook([&](int32_t id, int32_t lparam) { seen.emplace_back(id, lparam); });

    const int32_t first = fake.StartGetFile(Request());
    EXPECT_TRUE(seen.empty());
    fake.DeliverCompletions();
    EXPECT_EQ(seen, (std::vector<std::pair<int32_t, int32_t>>{{first, kFileDone}}));

    Reply folder;
    folder.value = 77;
    folder.count = 3;
    folder.completions = {kFileDone, kFileFailed, kFileDone};
    folder.complete_before_return = true;
    fake.Script("StartGetFolder", folder);
    seen.clear();
    const FolderTask task = fake.StartGetFolder(Request());
    EXPECT_EQ(task.task_id, 77);
    EXPECT_EQ(task.file_count, 3);
    EXPECT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[1], std::make_pair(77, kFileFailed));
}

TEST(FakeMainClient, RefusedTransferPostsNothingAndDefaultsGiveFreshIds) {
    FakeMainClient fake;
    Reply refused;
    refused.value = 0;
    refused.completions = {kFileDone};
    fake.Script("StartPutFile", refused);
    EXPECT_EQ(fake.StartPutFile(Request()), 0);
    EXPECT_EQ(fake.pending_completions(), 0u);
    const int32_t a = fake.StartPutFile(Request());
    const int32_t b = fake.StartGetFile(Request());
    EXPECT_NE(a, 0);
    EXPECT_NE(a, b);
    EXPECT_EQ(fake.StartGetFolder(Request()).file_count, 0);
}

TEST(DateHalves, SplitAndJoinRoundTrip) {
    const double when = 45000.5;  // a date-time in days
    const DateHalves h = SplitDate(when);
    EXPECT_EQ(JoinDate(h), when);
    EXPECT_EQ(h.low, 0);
    EXPECT_EQ(static_cast<uint32_t>(h.high), 0x40E5F910u);
}

}  // namespace
