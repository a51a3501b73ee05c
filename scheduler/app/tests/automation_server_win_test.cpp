// The automation server's class object in this process: what AddTask hands on, what it refuses
// (with the error info a caller reads), that calls coming while one is being handled wait their
// turn, and what it answers once the server stops. Callers call from threads of their own; this
// thread plays the user-interface thread that serves them.
#include "automation_server.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "lf_scheduler.h"
#include "win/bstr.h"
#include "win/com_error.h"
#include "win/com_ptr.h"

using namespace lark;
using namespace lark::scheduler;
using namespace std::chrono_literals;

namespace {

struct Com {
    Com() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~Com() { CoUninitialize(); }
};

struct Answer {
    HRESULT hr = E_UNEXPECTED;
    std::string error;
};

struct Texts {
    std::wstring host = L"ftp.example.org", user = L"anna", password = L"", local = L"C:\\a.txt";
    signed char taskType = 0;
};

struct AutomationServerTest : ::testing::Test {
    Com com;
    std::vector<AddTaskRequest> added;
    std::function<void(const AddTaskRequest&)> onAdd;
    std::atomic<int> wakes{0};
    int served = 0;
    std::unique_ptr<AutomationServer> server;

    void SetUp() override {
        server = std::make_unique<AutomationServer>(
            [this](const AddTaskRequest& request) {
                added.push_back(request);
                if (onAdd) onAdd(request);
            },
            [this] { ++wakes; }, false);
    }

    // AddTask from another thread, through the registered class object.
    static std::future<Answer> Call(Texts t) {
        return std::async(std::launch::async, [t] {
            Answer answer;
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            {
                win::ComPtr<IClassFactory> factory;
                win::ComPtr<ILarkFTP_Scheduler> object;
                answer.hr = CoGetClassObject(CLSID_LarkFTP_Scheduler, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory,
                                             factory.PutVoid());
                if (SUCCEEDED(answer.hr)) answer.hr = factory->CreateInstance(nullptr, IID_ILarkFTP_Scheduler, object.PutVoid());
                if (SUCCEEDED(answer.hr)) {
                    const win::Bstr host(t.host), user(t.user), pass(t.password), proxy(L""), port(L""),
                        local(t.local), remote(L"/a.txt");
                    answer.hr = object->AddTask(host.get(), user.get(), pass.get(), proxy.get(), port.get(),
                                                local.get(), remote.get(), t.taskType);
                    answer.error = win::FailureText(answer.hr, object.get(), IID_ILarkFTP_Scheduler);
                }
            }
            CoUninitialize();
            return answer;
        });
    }

    // Serves whatever wakes this thread until `done`.
    bool ServeUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            if (wakes.load() != served) {
                served = wakes.load();
                server->ServeQueued();
            }
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }

    Answer Served(std::future<Answer>& pending) {
        EXPECT_TRUE(ServeUntil([&] { return pending.wait_for(0s) == std::future_status::ready; }));
        return pending.get();
    }
    Answer Add(Texts t = {}) {
        std::future<Answer> pending = Call(t);
        return Served(pending);
    }
};

TEST_F(AutomationServerTest, AddTaskHandsOnTheRequestInUtf8) {
    Texts t;
    t.password = L"\x20AC uro";
    t.taskType = 1;
    EXPECT_EQ(Add(t).hr, S_OK);
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0].hostName, "ftp.example.org");
    EXPECT_EQ(added[0].password, "\xE2\x82\xAC uro");
    EXPECT_EQ(added[0].localName, "C:\\a.txt");
    EXPECT_EQ(added[0].taskType, 1);
}

TEST_F(AutomationServerTest, RefusalsAnswerInvalidArgWithATextAndAddNothing) {
    struct Case {
        std::wstring password;
        signed char taskType;
        std::wstring local;
        const char* says;
    };
    for (const Case& c : {Case{L"", 7, L"C:\\a.txt", "task type 7"}, Case{L"", -128, L"C:\\a.txt", "task type -128"},
                          Case{L"\x5bc6\x7801", 0, L"C:\\a.txt", "password"},
                          Case{L"", 0, std::wstring(32768, L'x'), "the LocalName is 32768 characters long"},
                          Case{L"", 0, std::wstring(1036000, L'x'), "the LocalName is 1036000 characters long"}}) {
        Texts t;
        t.password = c.password;
        t.taskType = c.taskType;
        t.local = c.local;
        const Answer answer = Add(t);
        EXPECT_EQ(answer.hr, E_INVALIDARG) << c.says;
        EXPECT_NE(answer.error.find(c.says), std::string::npos) << answer.error;
    }
    EXPECT_TRUE(added.empty());
    EXPECT_EQ(wakes.load(), 0) << "a refused call waited to be served";
}

TEST_F(AutomationServerTest, AFailureOfTheProgramReachesTheCallerAsText) {
    onAdd = [](const AddTaskRequest&) { throw core::Error("the task list is gone"); };
    const Answer answer = Add();
    EXPECT_EQ(answer.hr, E_FAIL);
    EXPECT_EQ(answer.error, "the task list is gone");
}

// Calls that arrive while one is being handled (its dialog open, pumping messages) wait, and
// are then handled one after another in the order they came; each answers as any other.
TEST_F(AutomationServerTest, CallsDuringAnotherWaitTheirTurnInOrder) {
    std::vector<std::future<Answer>> later;
    onAdd = [&](const AddTaskRequest& request) {
        if (request.localName != "first") return;
        Texts second, third;
        second.local = L"second";
        third.local = L"third";
        later.push_back(Call(second));
        ASSERT_TRUE(ServeUntil([&] { return wakes.load() == 2; }));
        later.push_back(Call(third));
        // The dialog's message loop serves on: the calls wait for it.
        ASSERT_TRUE(ServeUntil([&] { return wakes.load() == 3; }));
        server->ServeQueued();
        EXPECT_EQ(added.size(), 1u);
        for (auto& call : later) EXPECT_EQ(call.wait_for(100ms), std::future_status::timeout);
    };
    Texts first;
    first.local = L"first";
    EXPECT_EQ(Add(first).hr, S_OK);
    ASSERT_EQ(later.size(), 2u);
    for (auto& call : later) EXPECT_EQ(Served(call).hr, S_OK);
    ASSERT_EQ(added.size(), 3u);
    EXPECT_EQ(added[0].localName, "first");
    EXPECT_EQ(added[1].localName, "second");
    EXPECT_EQ(added[2].localName, "third");
}

TEST_F(AutomationServerTest, AfterStopCallsAnswerServerStoppingAndQueuedOnesToo) {
    // A call whose dialog is open when the program stops still ends normally; one waiting
    // behind it is answered at once.
    std::future<Answer> queued;
    onAdd = [&](const AddTaskRequest&) {
        queued = Call({});
        ASSERT_TRUE(ServeUntil([&] { return wakes.load() == 2; }));
        server->Stop();
        EXPECT_EQ(queued.wait_for(10s), std::future_status::ready);
    };
    EXPECT_EQ(Add().hr, S_OK);
    ASSERT_TRUE(queued.valid());
    const Answer behind = queued.get();
    EXPECT_EQ(behind.hr, CO_E_SERVER_STOPPING);
    EXPECT_NE(behind.error.find("shutting down"), std::string::npos) << behind.error;
    EXPECT_EQ(added.size(), 1u);
}

}  // namespace
