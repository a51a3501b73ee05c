// The real scheduler's automation server from another process: registration by the program's
// switches (read back from the registry), AddTask marshalled through the type library with the
// properties dialog answered by the test, hostile calls, and a scheduler that COM started.
#include <windows.h>

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "core/datetime.h"
#include "lf_scheduler.h"
#include "scheduler/task_file.h"
#include "scheduler_harness.h"
#include "win/bstr.h"
#include "win/com_error.h"
#include "win/com_ptr.h"
#include "win/registration.h"
#include "win/registry.h"
#include "win/text.h"

using namespace lark;
using namespace lark::scheduler;
using namespace lark::testing;
using namespace std::chrono_literals;

namespace {

// The window in which the scheduler asks the user to confirm an added task.
constexpr wchar_t kDialogClass[] = L"#32770";  // INTERIM

const std::string kClassKey = "CLSID\\" + win::GuidToString(CLSID_LarkFTP_Scheduler);
const std::string kProgId = "LF_Scheduler.LarkFTP_Scheduler";
const std::string kTypeLibKey = "TypeLib\\" + win::GuidToString(LIBID_LF_Scheduler);
const std::string kInterfaceKey = "Interface\\" + win::GuidToString(IID_ILarkFTP_Scheduler);

struct Call {
    std::wstring host = L"ftp.example.org", user = L"anna", password = L"s3cret", proxy = L"", port = L"",
                 local = L"C:\\data\\report.txt", remote = L"/in/report.txt";
    signed char taskType = 0;
};

struct Answer {
    HRESULT hr = E_UNEXPECTED;
    std::string error;  // the error info's text
};

// AddTask as another program makes it: on a thread of its own (the call returns only when the
// dialog is closed), through a proxy the type library marshals.
std::future<Answer> CallAddTask(Call call) {
    return std::async(std::launch::async, [call] {
        Answer answer;
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        {
            win::ComPtr<ILarkFTP_Scheduler> scheduler;
            answer.hr = CoCreateInstance(CLSID_LarkFTP_Scheduler, nullptr, CLSCTX_LOCAL_SERVER, IID_ILarkFTP_Scheduler,
                                         scheduler.PutVoid());
            if (SUCCEEDED(answer.hr)) {
                win::Bstr host(call.host), user(call.user), password(call.password), proxy(call.proxy), port(call.port),
                    local(call.local), remote(call.remote);
                answer.hr = scheduler->AddTask(host.get(), user.get(), password.get(), proxy.get(), port.get(),
                                               local.get(), remote.get(), call.taskType);
                answer.error = win::FailureText(answer.hr, scheduler.get(), IID_ILarkFTP_Scheduler);
            } else {
                answer.error = win::FormatHResult(answer.hr);
            }
        }
        CoUninitialize();
        return answer;
    });
}

struct FoundWindow {
    DWORD pid;
    const wchar_t* windowClass;
    HWND found = nullptr;
};

// A shown top-level window of that process and class.
HWND ShownWindowOf(DWORD pid, const wchar_t* windowClass) {
    FoundWindow search{pid, windowClass};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<FoundWindow*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (owner != s->pid || !IsWindowVisible(window) || std::wstring(name) != s->windowClass) return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct ChildSearch {
    std::wstring text;
    HWND found = nullptr;
};

// A child window (a button, an edit) showing exactly this text.
HWND ChildWithText(HWND parent, const std::wstring& text) {
    ChildSearch search{text};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<ChildSearch*>(data);
            const int n = GetWindowTextLengthW(child);
            if (n != static_cast<int>(s->text.size())) return TRUE;
            std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
            GetWindowTextW(child, text.data(), n + 1);
            text.resize(static_cast<std::size_t>(n));
            if (text != s->text) return TRUE;
            s->found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int TaskRowCount(HWND mainWindow) {
    HWND list = FindWindowExW(mainWindow, nullptr, L"SysListView32", nullptr);
    return list ? static_cast<int>(SendMessageW(list, 0x1004 /* LVM_GETITEMCOUNT */, 0, 0)) : -1;
}

struct SchedulerAutomation : ::testing::Test {
    SchedulerRun run;

    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        PlaceRun(run, std::wstring(L"lark-automation-") +
                          win::Widen(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        PrepareRun(run);
    }
    void TearDown() override {
        CloseScheduler(run);
        RunAndWait(Program() + L" -unregserver", 30s);
        CoUninitialize();
    }
    // Starts the scheduler as a user would; its main window.
    HWND Start() {
        StartScheduler(run);
        HWND main = nullptr;
        // The list is made after its window: wait for both.
        EXPECT_TRUE(PumpUntil(
            [&] { return (main = FindSchedulerMainWindow(run)) != nullptr && TaskRowCount(main) >= 0; }, 30s));
        return main;
    }
    std::wstring Program() const { return L"\"" + run.folder + L"LF_Scheduler.exe\""; }
    std::string TaskFile() const { return win::Narrow(run.folder + L"TaskList.ltl"); }

    // Waits for the dialog on the added task and closes it with the button of that caption.
    HWND AnswerDialog(const wchar_t* button, std::future<Answer>& pending, Answer& answer) {
        HWND dialog = nullptr;
        EXPECT_TRUE(PumpUntil(
            [&] {
                dialog = ShownWindowOf(run.process.dwProcessId, kDialogClass);
                return dialog != nullptr || pending.wait_for(0s) == std::future_status::ready;
            },
            30s))
            << "the dialog did not appear";
        if (dialog) {
            HWND press = ChildWithText(dialog, button);
            EXPECT_NE(press, nullptr) << win::Narrow(button);
            if (press) PostMessageW(press, BM_CLICK, 0, 0);
        }
        EXPECT_EQ(pending.wait_for(30s), std::future_status::ready) << "AddTask did not return";
        answer = pending.get();
        return dialog;
    }
};

TEST_F(SchedulerAutomation, RegserverRegistersWithoutAWindowEvenBesideARunningInstance) {
    RunAndWait(Program() + L" -unregserver", 30s);
    HWND main = Start();
    // The running instance registered itself at its start; start from nothing.
    ASSERT_EQ(RunAndWait(Program() + L" -UnRegServer", 30s), 0u);
    EXPECT_FALSE(win::RegistryKeyExists(HKEY_CLASSES_ROOT, kClassKey));

    EXPECT_EQ(RunAndWait(Program() + L" /REGSERVER", 30s), 0u);
    const std::string path = win::Narrow(run.folder + L"LF_Scheduler.exe");
    EXPECT_EQ(win::ReadRegistryString(HKEY_CLASSES_ROOT, kClassKey + "\\LocalServer32").value_or(""), path);
    EXPECT_EQ(win::ReadRegistryString(HKEY_CLASSES_ROOT, kClassKey + "\\ProgID").value_or(""), kProgId);
    EXPECT_EQ(win::ReadRegistryString(HKEY_CLASSES_ROOT, kClassKey + "\\TypeLib").value_or(""),
              win::GuidToString(LIBID_LF_Scheduler));
    EXPECT_EQ(win::ReadRegistryString(HKEY_CLASSES_ROOT, kProgId + "\\CLSID").value_or(""),
              win::GuidToString(CLSID_LarkFTP_Scheduler));
    EXPECT_EQ(win::ReadRegistryString(HKEY_CLASSES_ROOT, kTypeLibKey + "\\1.0").value_or(""), "LFTP_Scheduler Library");
    // The interface is marshalled by the type library.
    EXPECT_EQ(win::ReadRegistryString(HKEY_CLASSES_ROOT, kInterfaceKey + "\\ProxyStubClsid32").value_or(""),
              "{00020424-0000-0000-C000-000000000046}");
    // No second instance's work was done: the first instance's window was not brought up.
    Sleep(300);
    Pump();
    EXPECT_FALSE(IsWindowVisible(main));

    EXPECT_EQ(RunAndWait(Program() + L" -unregserver", 30s), 0u);
    for (const std::string& key : {kClassKey, kProgId, kTypeLibKey, kInterfaceKey})
        EXPECT_FALSE(win::RegistryKeyExists(HKEY_CLASSES_ROOT, key)) << key;
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_NE(FindSchedulerWindow(run), nullptr) << "the running instance goes on";
}

// The registration runs without the single-instance test and without any window of its own.
TEST_F(SchedulerAutomation, RegserverShowsNoWindow) {
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    std::wstring command = Program() + L" /regserver";
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, run.folder.c_str(), &si, &pi));
    bool window = false;
    while (WaitForSingleObject(pi.hProcess, 1) == WAIT_TIMEOUT)
        // No other scheduler runs in this test: any window of these classes would be its.
        for (const wchar_t* windowClass : {L"TLarkFTP_Schedule", L"TLarkFTPSchedulerApplication"})
            window = window || FindWindowW(windowClass, nullptr) != nullptr;
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(window);
    EXPECT_TRUE(win::RegistryKeyExists(HKEY_CLASSES_ROOT, kClassKey + "\\LocalServer32"));
}

}  // namespace
