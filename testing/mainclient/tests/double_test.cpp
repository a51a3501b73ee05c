// The double as its callers meet it: registered in the prefix, started by COM in its own
// process, called through the type-library marshaller.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "gui_testing/process.h"
#include "mainclient/automation.h"
#include "mainclient/automation_client.h"
#include "mainclient/registration.h"
#include "win/com_ptr.h"
#include "win/module_path.h"
#include "win/registration.h"
#include "win/registry.h"
#include "win/text.h"
#include "mainclient_double/double_support.h"

using namespace lark;
using namespace lark::mainclient;
using namespace lark::testing;

namespace {

// The scheduler's application window as the double looks for it.
class SchedulerWindow {
public:
    SchedulerWindow() : message_(RegisterWindowMessageW(win::Widen(kTaskCompletedMessage).c_str())) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"LarkDoubleTestScheduler";
        RegisterClassW(&wc);
        hwnd_ = CreateWindowExW(0, wc.lpszClassName, win::Widen(kSchedulerWindowTitle).c_str(), WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                nullptr, wc.hInstance, this);
    }
    ~SchedulerWindow() { DestroyWindow(hwnd_); }

    // Pumps until n completion messages came or the time is up.
    std::vector<std::pair<WPARAM, LPARAM>> WaitFor(size_t n, DWORD timeout_ms = 10000) {
        lark::testing::PumpUntil([&] { return received_.size() >= n; }, std::chrono::milliseconds(timeout_ms));
        return received_;
    }
    void Clear() {
        received_.clear();
        early_ = 0;
    }
    // Messages handled while the call was still running.
    int early() const { return early_; }
    bool in_call = false;

private:
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
        if (m == WM_NCCREATE)
            SetWindowLongPtrW(h, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams));
        auto* self = reinterpret_cast<SchedulerWindow*>(GetWindowLongPtrW(h, GWLP_USERDATA));
        if (self && m == self->message_) {
            self->received_.emplace_back(w, l);
            if (self->in_call) ++self->early_;
            return 0;
        }
        return DefWindowProcW(h, m, w, l);
    }

    UINT message_;
    HWND hwnd_ = nullptr;
    std::vector<std::pair<WPARAM, LPARAM>> received_;
    int early_ = 0;
};

class DoubleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        // Register this build's double every run, so callers get the newest one.
        exe_ = win::ModuleFolder() + L"mainclient\\" + win::Widen(LARK_DOUBLE_EXE);
        ASSERT_TRUE(Exists(exe_)) << win::Narrow(exe_);
        ASSERT_EQ(RunProgram(exe_, L"/regserver"), 0u);

        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        root_ = std::wstring(temp) + L"lark-double-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        CreateDirectoryW(root_.c_str(), nullptr);
        WriteTextFile(root_ + L"double.ini",
                  "[Double]\r\nSite=site\r\nCallLog=calls.log\r\nScenario=scenario.ini\r\n");
        // The server inherits the environment of the process that starts it.
        SetEnvironmentVariableW(L"LARK_FTP_DOUBLE_CONFIG", (root_ + L"double.ini").c_str());
        window_ = new SchedulerWindow;
    }
    static void TearDownTestSuite() {
        delete window_;
        CoUninitialize();
    }

    void SetUp() override {
        RemoveTree(root_ + L"site");
        RemoveTree(root_ + L"local");
        DeleteFileW((root_ + L"site.modes").c_str());
        DeleteFileW((root_ + L"calls.log").c_str());
        CreateDirectoryW((root_ + L"site").c_str(), nullptr);
        CreateDirectoryW((root_ + L"local").c_str(), nullptr);
        Scenario("");
        window_->Clear();
    }

    void Scenario(const std::string& text) { WriteTextFile(root_ + L"scenario.ini", text); }
    std::wstring Site(const std::wstring& rel) { return root_ + L"site\\" + rel; }
    std::wstring Local(const std::wstring& rel) { return root_ + L"local\\" + rel; }
    std::string LocalA(const std::wstring& rel) { return win::Narrow(Local(rel)); }
    std::vector<std::string> Calls() {
        std::vector<std::string> lines;
        std::istringstream in(ReadTextFile(root_ + L"calls.log"));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    static inline std::wstring exe_;
    static inline std::wstring root_;
    static inline SchedulerWindow* window_ = nullptr;
};

TEST_F(DoubleTest, RegisteredUnderTheMainClientsClassWithItsTypeLibrary) {
    EXPECT_EQ(win::GuidToString(CLSID_CoLark_FTP_Automation), kClassId);
    EXPECT_EQ(win::GuidToString(IID_ILark_FTP_Automation), kInterfaceId);
    // Quoted: a blank in the folder cannot start another program.
    EXPECT_EQ(win::ReadRegistryString(HKEY_CLASSES_ROOT, kLocalServerKey).value_or(""), std::string(1, '"').append(win::Narrow(exe_)).append(1, '"'));
    EXPECT_EQ(MainClientProgramFolder(), win::Narrow(exe_.substr(0, exe_.find_last_of(L'\\') + 1)));
    const std::string iid = win::GuidToString(IID_ILark_FTP_Automation);
    // The oleautomation marshaller, keyed by the registered type library.
    EXPECT_EQ(win::ReadRegistryString(HKEY_CLASSES_ROOT, "Interface\\" + iid + "\\ProxyStubClsid32").value_or(""),
              "{00020424-0000-0000-C000-000000000046}");
    EXPECT_EQ(win::ReadRegistryString(HKEY_CLASSES_ROOT, "Interface\\" + iid + "\\TypeLib").value_or(""),
              win::GuidToString(LIBID_LarkFTP));
    CLSID by_prog_id{};
    EXPECT_EQ(CLSIDFromProgID(L"LarkFTP.Lark_FTP_Automation", &by_prog_id), S_OK);
    EXPECT_TRUE(IsEqualCLSID(by_prog_id, CLSID_CoLark_FTP_Automation));
    // The program folder holds the client's files.
    EXPECT_TRUE(Exists(FolderOf(exe_) + win::Widen(kSiteDatabaseName)));
    EXPECT_TRUE(Exists(FolderOf(exe_) + win::Widen(kSettingsFileName)));
}

TEST_F(DoubleTest, StartGetFileCopiesTheFileAndPostsCompletionAfterReturn) {
    WriteTextFile(Site(L"pub\\report.txt"), "");
    CreateDirectoryW(Site(L"pub").c_str(), nullptr);
    WriteTextFile(Site(L"pub\\report.txt"), "quarterly numbers");
    auto client = AutomationClient::Create();
    // A proxy, not the object: the call crosses processes.
    win::ComPtr<IMultiQI> proxy;
    EXPECT_EQ(client->object()->QueryInterface(IID_IMultiQI, proxy.PutVoid()), S_OK);

    EXPECT_EQ(client->SetAutomationMode("-1"), 0);
    window_->in_call = true;
    const int32_t id = client->StartGetFile(
        {"Home", "anonymous", "pw", "", "", LocalA(L"report.txt"), "/pub/report.txt"});
    window_->in_call = false;
    EXPECT_NE(id, 0);

    const auto messages = window_->WaitFor(1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], std::make_pair(static_cast<WPARAM>(id), static_cast<LPARAM>(kFileDone)));
    EXPECT_EQ(window_->early(), 0);
    EXPECT_EQ(ReadTextFile(Local(L"report.txt")), "quarterly numbers");
    EXPECT_EQ(Calls(), (std::vector<std::string>{
                           "SetAutomationMode\t-1",
                           "StartGetFile\tHome\tanonymous\tpw\t\t\t" + LocalA(L"report.txt") + "\t/pub/report.txt",
                       }));
}

TEST_F(DoubleTest, FolderTransferCountsFilesAndReportsEachOne) {
    CreateDirectoryW(Site(L"data").c_str(), nullptr);
    CreateDirectoryW(Site(L"data\\sub").c_str(), nullptr);
    WriteTextFile(Site(L"data\\a.txt"), "a");
    WriteTextFile(Site(L"data\\c.txt"), "c");
    WriteTextFile(Site(L"data\\sub\\b.txt"), "b");
    Scenario("[StartGetFolder]\r\nTaskID=41\r\nFailFiles=sub/b.txt\r\n");
    auto client = AutomationClient::Create();
    const FolderTask task = client->StartGetFolder({"Home", "", "", "", "", LocalA(L"copy"), "/data"});
    EXPECT_EQ(task.task_id, 41);
    EXPECT_EQ(task.file_count, 3);
    const auto messages = window_->WaitFor(3);
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].second, kFileDone);  // a.txt
    EXPECT_EQ(messages[1].second, kFileDone);  // c.txt
    EXPECT_EQ(messages[2].second, kFileFailed);  // sub/b.txt
    for (const auto& m : messages) EXPECT_EQ(m.first, 41u);
    EXPECT_EQ(ReadTextFile(Local(L"copy\\c.txt")), "c");
    EXPECT_FALSE(Exists(Local(L"copy\\sub\\b.txt")));
}

TEST_F(DoubleTest, PutFolderUploadsRecursively) {
    CreateDirectoryW(Local(L"up").c_str(), nullptr);
    CreateDirectoryW(Local(L"up\\deep").c_str(), nullptr);
    WriteTextFile(Local(L"up\\deep\\x.bin"), "xyz");
    auto client = AutomationClient::Create();
    const FolderTask task = client->StartPutFolder({"Home", "", "", "", "", LocalA(L"up"), "/incoming"});
    EXPECT_EQ(task.file_count, 1);
    EXPECT_EQ(window_->WaitFor(1).size(), 1u);
    EXPECT_EQ(ReadTextFile(Site(L"incoming\\deep\\x.bin")), "xyz");
}

TEST_F(DoubleTest, ScriptedFailureReachesTheCaller) {
    Scenario("[StartPutFile]\r\nHResult=0x80070005\r\nErrorText=upload refused by the server\r\n");
    auto client = AutomationClient::Create();
    try {
        client->StartPutFile({"Home", "", "", "", "", LocalA(L"nothing.txt"), "/x.txt"});
        FAIL() << "no error";
    } catch (const AutomationError& e) {
        EXPECT_EQ(static_cast<uint32_t>(e.code()), 0x80070005u);
        // Wine's marshaller drops the error object of a vtable call; the formatted code stands in.
        const std::string text = e.what();
        EXPECT_TRUE(text.find("upload refused by the server") != std::string::npos ||
                    text.find("0x80070005") != std::string::npos)
            << text;
    }
    // The failed call is still logged, and no completion follows it.
    EXPECT_EQ(Calls().size(), 1u);
    EXPECT_TRUE(window_->WaitFor(1, 500).empty());
}

TEST_F(DoubleTest, LateBoundCallsReachTheSameMethodsAndGetTheErrorText) {
    Scenario("[SetAutomationMode]\r\nHResult=0,0x80004005\r\nErrorText=mode switch failed\r\n");
    auto client = AutomationClient::Create();
    win::ComPtr<IDispatch> dispatch;
    ASSERT_EQ(client->object()->QueryInterface(IID_IDispatch, dispatch.PutVoid()), S_OK);
    wchar_t name[] = L"SetAutomationMode";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_BSTR;
    arg.bstrVal = SysAllocString(L"0");
    DISPPARAMS params{&arg, nullptr, 1, 0};
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO info{};
    EXPECT_EQ(dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, &info, nullptr),
              S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(result.lVal, 0);
    // The second call fails as scripted; late binding carries the text in EXCEPINFO.
    EXPECT_EQ(dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, &info, nullptr),
              DISP_E_EXCEPTION);
    EXPECT_EQ(static_cast<uint32_t>(info.scode), 0x80004005u);
    EXPECT_EQ(info.bstrDescription ? win::Narrow(info.bstrDescription) : "", "mode switch failed");
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrHelpFile);
    VariantClear(&arg);
    EXPECT_EQ(Calls(), (std::vector<std::string>{"SetAutomationMode\t0", "SetAutomationMode\t0"}));
}

TEST_F(DoubleTest, ListDirectoryAnswersUnixLongFormat) {
    CreateDirectoryW(Site(L"pub").c_str(), nullptr);
    CreateDirectoryW(Site(L"pub\\docs").c_str(), nullptr);
    WriteTextFile(Site(L"pub\\notes.txt"), "12345");
    auto client = AutomationClient::Create();
    const Session session = client->OpenSession("Home");
    EXPECT_EQ(session.connection_id, "1");
    const std::string listing = client->ListDirectory(session.connection_id, "/pub", false);
    const std::regex format(
        "drwxr-xr-x 1 owner group 4096 [A-Z][a-z]{2} \\d\\d (\\d\\d:\\d\\d| \\d{4}) docs\r\n"
        "-rw-r--r-- 1 owner group 5 [A-Z][a-z]{2} \\d\\d (\\d\\d:\\d\\d| \\d{4}) notes.txt");
    EXPECT_TRUE(std::regex_match(listing, format)) << listing;
    EXPECT_EQ(client->ListDirectory(session.connection_id, "/missing", true), "ERROR");
    EXPECT_THROW(client->ListDirectory("-1", "/pub", false), AutomationError);
    // Modes set on the server show in the next listing; bad ones are refused.
    EXPECT_EQ(client->SetAttributes("1", "/pub/notes.txt", "750"), 0);
    EXPECT_LT(client->SetAttributes("1", "/pub/notes.txt", "rwx"), 0);
    EXPECT_LT(client->SetAttributes("1", "/pub/none.txt", "644"), 0);
    EXPECT_NE(client->ListDirectory("1", "/pub", true).find("-rwxr-x--- 1 owner group 5 "), std::string::npos);
    EXPECT_EQ(Calls()[1], "ListDirectory\t1\t/pub\t0");
    EXPECT_EQ(Calls()[2], "ListDirectory\t1\t/missing\t-1");
}

TEST_F(DoubleTest, SynchronousCallsChangeTheSite) {
    CreateDirectoryW(Site(L"pub").c_str(), nullptr);
    WriteTextFile(Site(L"pub\\a.txt"), "alpha");
    WriteTextFile(Local(L"up.txt"), "up");
    auto client = AutomationClient::Create();
    EXPECT_EQ(client->UploadFile("1", LocalA(L"up.txt"), "/pub/up.txt"), 0);
    EXPECT_EQ(ReadTextFile(Site(L"pub\\up.txt")), "up");
    EXPECT_EQ(client->DownloadFile("1", LocalA(L"a.txt"), "/pub/a.txt", 5, 45000.5), 0);
    EXPECT_EQ(ReadTextFile(Local(L"a.txt")), "alpha");
    const CopyResult copy = client->CopyRemoteFile("1", "1", "/pub/a.txt", "/pub/b.txt");
    EXPECT_EQ(copy.result, 0);
    EXPECT_EQ(copy.size, 5);
    EXPECT_EQ(client->RenameRemoteObject("1", "/pub/b.txt", "c.txt"), 0);
    EXPECT_TRUE(Exists(Site(L"pub\\c.txt")));
    EXPECT_EQ(client->DeleteRemoteFile("1", "/pub/c.txt"), 0);
    EXPECT_LT(client->DeleteRemoteFile("1", "/pub/c.txt"), 0);
    client->MakeRemoteDirectory("1", "/pub/new");
    EXPECT_EQ(client->DownloadDirectory("1", "/pub", LocalA(L"pub\\")).file_count, 2);
    EXPECT_EQ(client->DeleteRemoteDirectory("1", "/pub/new"), 0);
    EXPECT_FALSE(Exists(Site(L"pub\\new")));
    EXPECT_THROW(client->DownloadFile("1", LocalA(L"x"), "/../outside", 0, 0), AutomationError);
    // The fixed zeros and the date halves travel as the caller's arguments.
    const DateHalves d = SplitDate(45000.5);
    EXPECT_EQ(Calls()[1], "DownloadFile\t1\t0\t0\t0\t0\t0\t" + LocalA(L"a.txt") + "\t/pub/a.txt\t5\t" +
                              std::to_string(d.low) + "\t" + std::to_string(d.high));
}

TEST_F(DoubleTest, ScriptsCreateItByProgId) {
    WriteTextFile(Site(L"hello.txt"), "hi");
    WriteTextFile(root_ + L"probe.vbs",
              "Set o = CreateObject(\"LarkFTP.Lark_FTP_Automation\")\r\n"
              "If o.SetAutomationMode(\"-1\") <> 0 Then WScript.Quit 2\r\n"
              "If InStr(o.ListDirectory(\"1\", \"/\", True), \" hello.txt\") = 0 Then WScript.Quit 3\r\n"
              // Wine's script host does not release its objects at exit.
              "Set o = Nothing\r\n"
              "WScript.Quit 0\r\n");
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(RunProgram(std::wstring(system) + L"\\cscript.exe", L"//nologo \"" + root_ + L"probe.vbs\""), 0u);
    EXPECT_EQ(Calls(), (std::vector<std::string>{"SetAutomationMode\t-1", "ListDirectory\t1\t/\t-1"}));
}

TEST_F(DoubleTest, CompletionModes) {
    struct Case {
        const char* scenario;
        size_t messages;
    };
    const Case cases[] = {
        {"Completions=before", 1},
        {"Completions=none", 0},
        // The object is gone before the delayed post: the server stays up until it is done.
        {"Completions=after\r\nCompletionDelayMs=400", 1},
    };
    WriteTextFile(Site(L"f.txt"), "f");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        window_->Clear();
        Scenario(std::string("[StartGetFile]\r\n") + c.scenario + "\r\n");
        int32_t id = 0;
        {
            auto client = AutomationClient::Create();
            id = client->StartGetFile({"Home", "", "", "", "", LocalA(L"f.txt"), "/f.txt"});
        }
        const auto messages = window_->WaitFor(c.messages, c.messages ? 10000 : 700);
        ASSERT_EQ(messages.size(), c.messages);
        if (c.messages) {
            EXPECT_EQ(messages[0].first, static_cast<WPARAM>(id));
        }
    }
}

}  // namespace
