// The automation server's class object in this process: what AddTask hands on, what it refuses
// (with the error info a caller reads) and what it answers once the server stops.
#include "automation_server.h"

#include <gtest/gtest.h>

#include "lf_scheduler.h"
#include "win/bstr.h"
#include "win/com_error.h"
#include "win/com_ptr.h"

using namespace lark;
using namespace lark::scheduler;

namespace {

struct Com {
    Com() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~Com() { CoUninitialize(); }
};

struct AutomationServerTest : ::testing::Test {
    Com com;
    std::vector<AddTaskRequest> added;
    std::function<void(const AddTaskRequest&)> onAdd;
    std::unique_ptr<AutomationServer> server;
    win::ComPtr<ILarkFTP_Scheduler> object;

    void SetUp() override {
        server = std::make_unique<AutomationServer>(
            [this](const AddTaskRequest& request) {
                added.push_back(request);
                if (onAdd) onAdd(request);
            },
            false);
        // The registered class object, as COM hands it to a caller of this process.
        win::ComPtr<IClassFactory> factory;
        ASSERT_EQ(CoGetClassObject(CLSID_LarkFTP_Scheduler, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory,
                                   factory.PutVoid()),
                  S_OK);
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_ILarkFTP_Scheduler, object.PutVoid()), S_OK);
    }

    HRESULT Add(const char* password, signed char taskType, std::string* error = nullptr) {
        const win::Bstr host("ftp.example.org"), user("anna"), pass(password), proxy(""), port(""),
            local("C:\\a.txt"), remote("/a.txt");
        const HRESULT hr = object->AddTask(host.get(), user.get(), pass.get(), proxy.get(), port.get(), local.get(),
                                           remote.get(), taskType);
        const std::string text = win::FailureText(hr, object.get(), IID_ILarkFTP_Scheduler);
        if (error) *error = text;
        return hr;
    }
};

TEST_F(AutomationServerTest, AddTaskHandsOnTheRequestInUtf8) {
    EXPECT_EQ(Add("\xE2\x82\xAC uro", 1), S_OK);
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0].hostName, "ftp.example.org");
    EXPECT_EQ(added[0].password, "\xE2\x82\xAC uro");
    EXPECT_EQ(added[0].localName, "C:\\a.txt");
    EXPECT_EQ(added[0].taskType, 1);
    // Null strings are empty texts.
    EXPECT_EQ(object->AddTask(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0), S_OK);
    ASSERT_EQ(added.size(), 2u);
    EXPECT_EQ(added[1].hostName, "");
}

TEST_F(AutomationServerTest, RefusalsAnswerInvalidArgWithATextAndAddNothing) {
    struct Case {
        const char* password;
        signed char taskType;
        const char* says;
    };
    for (const Case& c : {Case{"", 7, "task type 7"}, Case{"", -128, "task type -128"}, Case{"", 2, "task type 2"},
                          Case{"\xE5\xAF\x86\xE7\xA0\x81", 0, "password"}}) {
        std::string error;
        EXPECT_EQ(Add(c.password, c.taskType, &error), E_INVALIDARG) << c.says;
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
    }
    EXPECT_TRUE(added.empty());
}

TEST_F(AutomationServerTest, AFailureOfTheProgramReachesTheCallerAsText) {
    onAdd = [](const AddTaskRequest&) { throw core::Error("the task list is gone"); };
    std::string error;
    EXPECT_EQ(Add("", 0, &error), E_FAIL);
    EXPECT_EQ(error, "the task list is gone");
}

TEST_F(AutomationServerTest, AfterStopCallsAnswerServerStopping) {
    // A call whose dialog is open when the program stops still ends normally.
    onAdd = [this](const AddTaskRequest&) { server->Stop(); };
    EXPECT_EQ(Add("", 0), S_OK);
    std::string error;
    EXPECT_EQ(Add("", 0, &error), CO_E_SERVER_STOPPING);
    EXPECT_NE(error.find("shutting down"), std::string::npos) << error;
    // The object outlives the server.
    server.reset();
    EXPECT_EQ(Add("", 0), CO_E_SERVER_STOPPING);
    EXPECT_EQ(added.size(), 1u);
}

}  // namespace
