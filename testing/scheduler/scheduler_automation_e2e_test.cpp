// The real scheduler's automation server from another process: registration by the program's
// switches (read back from the registry), AddTask marshalled through the type library with the
// properties dialog answered by the test, hostile calls, and a scheduler that COM started.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <thread>

#include "core/clock.h"
#include "core/datetime.h"
#include "gui_testing/form_driver.h"
#include "lf_scheduler.h"
#include "scheduler/task_file.h"
#include "scheduler_harness.h"
#include "win/bstr.h"
#include "win/com_error.h"
#include "win/com_ptr.h"
#include "win/module_path.h"
#include "win/registration.h"
#include "win/registry.h"
#include "win/text.h"

using namespace lark;
using namespace lark::scheduler;
using namespace lark::testing;
using namespace std::chrono_literals;

namespace {

// The window in which the scheduler asks the user to confirm an added task.
constexpr wchar_t kDialogClass[] = L"TPropertiesForm";

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

BOOL CALLBACK MatchShownWindow(HWND window, LPARAM data) {
    auto* s = reinterpret_cast<FoundWindow*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (owner != s->pid || !IsWindowVisible(window) || std::wstring(name) != s->windowClass) return TRUE;
    s->found = window;
    return FALSE;
}

// A shown top-level window of that process and class.
HWND ShownWindowOf(DWORD pid, const wchar_t* windowClass) {
    FoundWindow search{pid, windowClass};
    EnumWindows(MatchShownWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct ChildSearch {
    std::wstring text;
    HWND found = nullptr;
};

BOOL CALLBACK MatchChildText(HWND child, LPARAM data) {
    auto* s = reinterpret_cast<ChildSearch*>(data);
    // Sent, not GetWindowText: that does not ask a control of another process for its text.
    const auto n = static_cast<int>(SendMessageW(child, WM_GETTEXTLENGTH, 0, 0));
    if (n != static_cast<int>(s->text.size())) return TRUE;
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    SendMessageW(child, WM_GETTEXT, static_cast<WPARAM>(n + 1), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(n));
    if (text != s->text) return TRUE;
    s->found = child;
    return FALSE;
}

// A child window (a button, an edit) showing exactly this text.
HWND ChildWithText(HWND parent, const std::wstring& text) {
    ChildSearch search{text};
    EnumChildWindows(parent, MatchChildText, reinterpret_cast<LPARAM>(&search));
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
    // OK in the dialog: the call succeeds, the list has its second row and the scheduler runs
    // on; then it is closed and its task file read.
    void ConfirmAndClose(std::future<Answer>& pending, HWND main, TLarkFTPTaskStorage& after) {
        Answer answer;
        AnswerDialog(L"OK", pending, answer);
        EXPECT_EQ(answer.hr, S_OK) << answer.error;
        EXPECT_EQ(TaskRowCount(main), 2);
        EXPECT_NE(FindSchedulerWindow(run), nullptr);
        CloseAndRead(after);
    }
    // Closes the scheduler as Windows would and reads the task file it left.
    void CloseAndRead(TLarkFTPTaskStorage& after) {
        EXPECT_EQ(CloseScheduler(run), 0u);
        LoadFromFile(after, TaskFile());
    }
    // The tasks in the task file, then the start.
    HWND StartWith(const TLarkFTPTaskStorage& tasks) {
        SaveToFile(tasks, TaskFile());
        return Start();
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
    // Quoted: a blank in the folder cannot start another program.
    EXPECT_EQ(win::ReadRegistryString(HKEY_CLASSES_ROOT, kClassKey + "\\LocalServer32").value_or(""), std::string(1, '"').append(path).append(1, '"'));
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

// Calls that must not add anything are refused with a text; the scheduler keeps running and
// its list and file are as before. The signed 8-bit task type arrives as it was sent.
TEST_F(SchedulerAutomation, RefusedCallsAddNothingAndTheSchedulerKeepsRunning) {
    HWND main = Start();
    struct Case {
        signed char taskType;
        std::wstring password;
        std::string says;
    };
    const Case cases[] = {{7, L"", "task type 7"},
                          {-128, L"", "task type -128"},
                          {127, L"x", "task type 127"},
                          {0, L"\x5bc6\x7801", "password"},
                          {1, L"key \xD83D\xDD11", "password"}};
    for (const Case& c : cases) {
        Call call;
        call.taskType = c.taskType;
        call.password = c.password;
        std::future<Answer> pending = CallAddTask(call);
        ASSERT_TRUE(PumpUntil([&] { return pending.wait_for(0s) == std::future_status::ready; }, 30s));
        const Answer answer = pending.get();
        EXPECT_EQ(answer.hr, E_INVALIDARG) << c.says;
        // Wine's marshaller drops the error object of a vtable call; the formatted code stands in.
        EXPECT_TRUE(answer.error.find(c.says) != std::string::npos || answer.error.find("0x80070057") == 0)
            << answer.error;
        EXPECT_EQ(ShownWindowOf(run.process.dwProcessId, kDialogClass), nullptr);
    }
    EXPECT_EQ(TaskRowCount(main), 0);
    EXPECT_NE(FindSchedulerWindow(run), nullptr);
    TLarkFTPTaskStorage after;
    CloseAndRead(after);
    EXPECT_EQ(after.TaskList().Count(), 0);
}

// The scheduler that COM started for a call, taken over by the run (so TearDown ends it).
bool AdoptComStartedScheduler(SchedulerRun& run) {
    HWND main = nullptr;
    if (!PumpUntil([&] { return (main = FindWindowW(L"TLarkFTP_Schedule", nullptr)) != nullptr; }, 30s)) return false;
    DWORD pid = 0;
    GetWindowThreadProcessId(main, &pid);
    run.process.dwProcessId = pid;
    run.process.hProcess = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, pid);
    run.process.hThread = nullptr;
    return run.process.hProcess != nullptr;
}

TLarkFTPTask& AddKnownTask(TLarkFTPTaskStorage& storage) {
    TLarkFTPTask& task = storage.TaskList().Add();
    task.SetRemoteURL("Home");
    task.SetUseProfile(true);
    task.SetLocalName("C:\\before\\a.txt");
    task.SetRemoteName("/before/a.txt");
    task.SetStartTime(core::EncodeDateTime(2031, 1, 2, 3, 4, 0, 0));
    return task;
}

// OK keeps the task, as the call gave it, in the list and in the task file; Cancel leaves both
// as they were.
TEST_F(SchedulerAutomation, OkKeepsTheAddedTaskAndCancelLeavesEverythingAsBefore) {
    TLarkFTPTaskStorage before;
    AddKnownTask(before);
    HWND main = StartWith(before);
    ASSERT_EQ(TaskRowCount(main), 1);

    Call cancelled;
    cancelled.local = L"C:\\data\\cancelled.txt";
    std::future<Answer> pending = CallAddTask(cancelled);
    Answer answer;
    AnswerDialog(L"Cancel", pending, answer);
    EXPECT_EQ(answer.hr, S_OK) << answer.error;
    EXPECT_EQ(TaskRowCount(main), 1);

    Call call;
    call.taskType = 1;
    call.proxy = L"proxy.corp";
    call.port = L"8080";
    pending = CallAddTask(call);
    HWND shown = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (shown = ShownWindowOf(run.process.dwProcessId, kDialogClass)) != nullptr; }, 30s));
    // The dialog is on the new task alone, which is in the list meanwhile.
    EXPECT_TRUE(PumpUntil([&] { return ChildWithText(shown, call.local) && ChildWithText(shown, call.remote); }, 10s));
    EXPECT_EQ(TaskRowCount(main), 2);
    CaptureWindow(shown, ArtifactFolder() + L"scheduler_addtask_properties.png");
    TLarkFTPTaskStorage after;
    ConfirmAndClose(pending, main, after);
    ASSERT_EQ(after.TaskList().Count(), 2);
    EXPECT_EQ(after.TaskList().Items(0).LocalName(), "C:\\before\\a.txt");
    const TLarkFTPTask& added = after.TaskList().Items(1);
    EXPECT_EQ(added.LocalName(), "C:\\data\\report.txt");
    EXPECT_EQ(added.RemoteName(), "/in/report.txt");
    EXPECT_EQ(added.RemoteURL(), "ftp.example.org");
    EXPECT_EQ(added.UserName(), "anna");
    EXPECT_EQ(added.UserPassword(), "s3cret");
    EXPECT_EQ(added.ProxyServer(), "proxy.corp");
    EXPECT_EQ(added.ProxyPort(), "8080");
    EXPECT_FALSE(added.UseProfile());
    EXPECT_EQ(added.TaskType(), TTaskType::ttPut);
    EXPECT_EQ(added.Status(), TTaskStatus::tsPending);
    EXPECT_EQ(added.ScheduleTask(), TScheduleTask::stOnce);
    // An hour after the call.
    EXPECT_GT(added.StartTime(), run.started + 1.0 / 24 - 1.0 / 86400);
    EXPECT_LT(added.StartTime(), run.ended + 1.0 / 24);
}

// Odd input that the task file can hold is taken as given and never takes the scheduler down:
// texts of 32,767 characters (the most a Windows path or field holds) reach the dialog and are
// stored whole; a longer one is refused with a text, adds nothing, and the scheduler serves on.
TEST_F(SchedulerAutomation, EmptyAndLongTextsAreTakenAndOverlongOnesRefused) {
    HWND main = Start();
    Call empty;
    empty = Call{L"", L"", L"", L"", L"", L"", L"", 0};
    std::future<Answer> pending = CallAddTask(empty);
    Answer answer;
    AnswerDialog(L"OK", pending, answer);
    EXPECT_EQ(answer.hr, S_OK) << answer.error;

    for (const std::size_t length : {std::size_t{32768}, std::size_t{1036000}}) {
        Call overlong;
        overlong.local = std::wstring(length, L'x');
        pending = CallAddTask(overlong);
        ASSERT_EQ(pending.wait_for(30s), std::future_status::ready);
        answer = pending.get();
        EXPECT_EQ(answer.hr, E_INVALIDARG) << length;
        // Wine's marshaller drops the error object of a vtable call; the formatted code stands in.
        EXPECT_TRUE(answer.error.find("the LocalName is " + std::to_string(length)) != std::string::npos ||
                    answer.error.find("0x80070057") == 0)
            << answer.error;
        EXPECT_EQ(ShownWindowOf(run.process.dwProcessId, kDialogClass), nullptr);
        EXPECT_EQ(TaskRowCount(main), 1);
    }

    Call longest;
    const std::wstring most(32767, L'x');
    longest.host = longest.user = longest.proxy = longest.port = longest.local = longest.remote = most;
    longest.password = std::wstring(32767, L'\x00E9');  // é: in Windows-1252
    pending = CallAddTask(longest);
    HWND shown = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (shown = ShownWindowOf(run.process.dwProcessId, kDialogClass)) != nullptr; }, 30s));
    EXPECT_TRUE(PumpUntil([&] { return ChildWithText(shown, most) != nullptr; }, 10s)) << "the dialog does not show the names";
    TLarkFTPTaskStorage after;
    ConfirmAndClose(pending, main, after);
    ASSERT_EQ(after.TaskList().Count(), 2);
    EXPECT_TRUE(after.TaskList().Items(0).UseProfile()) << "no user name or password: the host names a profile";
    EXPECT_EQ(after.TaskList().Items(0).RemoteURL(), "");
    // A host task stays a host task, everything whole.
    const TLarkFTPTask& kept = after.TaskList().Items(1);
    const std::string mostUtf8(32767, 'x');
    EXPECT_EQ(kept.LocalName(), mostUtf8);
    EXPECT_EQ(kept.RemoteName(), mostUtf8);
    EXPECT_EQ(kept.RemoteURL(), mostUtf8);
    EXPECT_EQ(kept.UserName(), mostUtf8);
    EXPECT_EQ(kept.UserPassword().size(), 2 * mostUtf8.size());
    EXPECT_EQ(kept.ProxyServer(), mostUtf8);
    EXPECT_FALSE(kept.UseProfile());
}

// A caller in a process of its own (scheduler_addtask_caller), adding a profile task with a proxy.
struct CallerProcess {
    PROCESS_INFORMATION process{};
    std::wstring local;
};

CallerProcess StartCaller(const std::wstring& local) {
    CallerProcess caller;
    caller.local = local;
    std::wstring command = L"\"" + win::ModuleFolder() + L"scheduler_addtask_caller.exe\" Home \"\" \"\" proxy.corp 8080 \"" +
                           local + L"\" /in/queued.txt 0";
    STARTUPINFOW si{sizeof si};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &caller.process))
        ADD_FAILURE() << "cannot start the caller: " << GetLastError();
    return caller;
}

struct ShownCount {
    DWORD pid;
    int count = 0;
};

BOOL CALLBACK CountShownDialogs(HWND window, LPARAM data) {
    auto* s = reinterpret_cast<ShownCount*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (owner == s->pid && IsWindowVisible(window) && std::wstring(name) == kDialogClass) ++s->count;
    return TRUE;
}

// Two, then three callers at once, each in a process of its own: every call reaches the user,
// one dialog at a time, and each caller gets its answer when its own dialog closes. OK keeps a
// profile task without the proxy the call gave it.
TEST_F(SchedulerAutomation, CallersAtOnceFromOtherProcessesEachGetTheirDialogInTurn) {
    HWND main = Start();
    int shot = 0;
    for (const int callers : {2, 3}) {
        std::vector<CallerProcess> waiting;
        for (int i = 0; i < callers; ++i)
            waiting.push_back(StartCaller(L"C:\\queued\\" + std::to_wstring(callers) + L"-" + std::to_wstring(i) + L".txt"));
        while (!waiting.empty()) {
            HWND dialog = nullptr;
            auto mine = waiting.end();
            ASSERT_TRUE(PumpUntil(
                [&] {
                    dialog = ShownWindowOf(run.process.dwProcessId, kDialogClass);
                    if (!dialog) return false;
                    mine = std::find_if(waiting.begin(), waiting.end(),
                                        [&](const CallerProcess& c) { return ChildWithText(dialog, c.local) != nullptr; });
                    return mine != waiting.end();
                },
                60s))
                << waiting.size() << " of " << callers << " callers got no dialog";
            ShownCount shown{run.process.dwProcessId};
            EnumWindows(CountShownDialogs, reinterpret_cast<LPARAM>(&shown));
            EXPECT_EQ(shown.count, 1) << "dialogs at once";
            // Painted whole before the picture.
            PumpUntil([&] { return ChildWithText(dialog, L"Cancel") != nullptr; }, 10s);
            Sleep(500);
            CaptureWindow(dialog, ArtifactFolder() + L"scheduler_addtask_queued_" + std::to_wstring(++shot) + L".png");
            for (const CallerProcess& other : waiting) {
                if (&other == &*mine) continue;
                EXPECT_EQ(WaitForSingleObject(other.process.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT))
                    << "a caller was answered before its dialog";
            }
            HWND ok = ChildWithText(dialog, L"OK");
            ASSERT_NE(ok, nullptr);
            PostMessageW(ok, BM_CLICK, 0, 0);
            ASSERT_EQ(WaitForSingleObject(mine->process.hProcess, 30000), WAIT_OBJECT_0) << "AddTask did not return";
            DWORD code = 1;
            GetExitCodeProcess(mine->process.hProcess, &code);
            EXPECT_EQ(code, 0u) << "AddTask answered 0x" << std::hex << code;
            CloseHandle(mine->process.hProcess);
            CloseHandle(mine->process.hThread);
            waiting.erase(mine);
            EXPECT_TRUE(PumpUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 30s));
        }
    }
    EXPECT_EQ(TaskRowCount(main), 5);
    TLarkFTPTaskStorage after;
    CloseAndRead(after);
    ASSERT_EQ(after.TaskList().Count(), 5);
    for (int i = 0; i < 5; ++i) {
        const TLarkFTPTask& task = after.TaskList().Items(i);
        EXPECT_EQ(task.LocalName().rfind("C:\\queued\\", 0), 0u) << task.LocalName();
        EXPECT_TRUE(task.UseProfile());
        EXPECT_EQ(task.RemoteURL(), "Home");
        EXPECT_EQ(task.ProxyServer(), "") << "a profile task keeps no proxy";
        EXPECT_EQ(task.ProxyPort(), "");
    }
}

// Installed under a folder with a blank beside a planted program ("C:\\Program Files\\Lark.exe"):
// the registration names the program quoted, and COM starts the scheduler, not the plant.
TEST_F(SchedulerAutomation, InstalledUnderAFolderWithABlankCOMStartsTheSchedulerNotAPlantedProgram) {
    const std::wstring folder = L"C:\\Program Files\\Lark Sched\\";
    const std::wstring installed = folder + L"LF_Scheduler.exe";
    const std::wstring planted = L"C:\\Program Files\\Lark.exe";
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW((run.folder + L"LF_Scheduler.exe").c_str(), installed.c_str(), FALSE)) << GetLastError();
    ASSERT_TRUE(CopyFileW((win::ModuleFolder() + L"scheduler_addtask_caller.exe").c_str(), planted.c_str(), FALSE));
    struct Cleanup {
        std::wstring installed, planted, folder;
        ~Cleanup() {
            RunAndWait(L"\"" + installed + L"\" /unregserver", std::chrono::seconds(30));
            DeleteFileW(planted.c_str());
            for (const wchar_t* name : {L"LF_Scheduler.exe", L"LF_Scheduler.ini", L"TaskList.ltl", L"Schedule.log"})
                DeleteFileW((folder + name).c_str());
            RemoveDirectoryW(folder.c_str());
        }
    } cleanup{installed, planted, folder};

    ASSERT_EQ(RunAndWait(L"\"" + installed + L"\" /regserver", 30s), 0u);
    EXPECT_EQ(win::ReadRegistryString(HKEY_CLASSES_ROOT, kClassKey + "\\LocalServer32").value_or(""),
              std::string(1, '"').append(win::Narrow(installed)).append(1, '"'));

    std::future<Answer> pending = CallAddTask(Call{});
    ASSERT_TRUE(AdoptComStartedScheduler(run)) << "COM started no scheduler";
    wchar_t image[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    ASSERT_TRUE(QueryFullProcessImageNameW(run.process.hProcess, 0, image, &size));
    EXPECT_EQ(_wcsicmp(image, installed.c_str()), 0) << win::Narrow(image);
    Answer answer;
    AnswerDialog(L"Cancel", pending, answer);
    EXPECT_EQ(answer.hr, S_OK) << answer.error;
    // Nothing kept: the scheduler COM started ends once the caller lets go.
    EXPECT_EQ(WaitForSingleObject(run.process.hProcess, 30000), WAIT_OBJECT_0);
    CloseHandle(run.process.hProcess);
    run.process = {};
}

// Started by COM: after a cancelled call the scheduler ends once the caller lets go; after a
// confirmed one it stays in the notification area to run the task.
TEST_F(SchedulerAutomation, ACallerStartedSchedulerEndsAfterCancelAndStaysAfterOk) {
    ASSERT_EQ(RunAndWait(Program() + L" /REGSERVER", 30s), 0u);
    std::future<Answer> pending = CallAddTask(Call{});
    ASSERT_TRUE(AdoptComStartedScheduler(run));
    Answer answer;
    AnswerDialog(L"Cancel", pending, answer);
    EXPECT_EQ(answer.hr, S_OK) << answer.error;
    // The caller's thread has released its object: the scheduler ends by itself.
    EXPECT_EQ(WaitForSingleObject(run.process.hProcess, 30000), WAIT_OBJECT_0);
    CloseHandle(run.process.hProcess);
    run.process = {};
    TLarkFTPTaskStorage after;
    LoadFromFile(after, TaskFile());
    EXPECT_EQ(after.TaskList().Count(), 0);

    pending = CallAddTask(Call{});
    ASSERT_TRUE(AdoptComStartedScheduler(run));
    AnswerDialog(L"OK", pending, answer);
    EXPECT_EQ(answer.hr, S_OK) << answer.error;
    EXPECT_EQ(WaitForSingleObject(run.process.hProcess, 3000), static_cast<DWORD>(WAIT_TIMEOUT))
        << "the scheduler ended with a task to run";
    // It still serves.
    Call refused;
    refused.taskType = 9;
    pending = CallAddTask(refused);
    ASSERT_EQ(pending.wait_for(30s), std::future_status::ready);
    EXPECT_EQ(pending.get().hr, E_INVALIDARG);
    EXPECT_EQ(CloseScheduler(run), 0u);
    LoadFromFile(after, TaskFile());
    EXPECT_EQ(after.TaskList().Count(), 1);
}

// A log-off while the dialog is open writes the task file without the unconfirmed task.
TEST_F(SchedulerAutomation, ALogOffDuringTheDialogDoesNotKeepTheUnconfirmedTask) {
    TLarkFTPTaskStorage before;
    AddKnownTask(before);
    HWND main = StartWith(before);
    std::future<Answer> pending = CallAddTask(Call{});
    ASSERT_TRUE(PumpUntil([&] { return ShownWindowOf(run.process.dwProcessId, kDialogClass) != nullptr; }, 30s));
    EXPECT_EQ(TaskRowCount(main), 2);
    EXPECT_EQ(SendMessageW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    SendMessageW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    // Windows may end the process now.
    TerminateProcess(run.process.hProcess, 1);
    WaitForSingleObject(run.process.hProcess, 10000);
    EXPECT_EQ(pending.wait_for(30s), std::future_status::ready);
    EXPECT_NE(pending.get().hr, S_OK);
    TLarkFTPTaskStorage after;
    LoadFromFile(after, TaskFile());
    ASSERT_EQ(after.TaskList().Count(), 1);
    EXPECT_EQ(after.TaskList().Items(0).LocalName(), "C:\\before\\a.txt");
}

// The tick rests while the dialog is open: a task that falls due meanwhile runs only after it.
TEST_F(SchedulerAutomation, ATaskFallingDueWhileTheDialogIsOpenWaitsForIt) {
    TLarkFTPTaskStorage before;
    TLarkFTPTask& due = AddKnownTask(before);
    due.SetRemoteURL("ftp.example.org");
    due.SetUseProfile(false);
    due.SetUserName("anna");
    due.SetLocalName(win::Narrow(run.folder + L"a.txt"));
    due.SetRemoteName("/a.txt");
    due.SetDeleteCompleted(false);
    due.SetStartTime(core::SystemClock().Now() + 4.0 / 86400);
    WriteTextFile(run.site + L"a.txt", "alpha");
    StartWith(before);
    std::future<Answer> pending = CallAddTask(Call{});
    HWND dialog = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (dialog = ShownWindowOf(run.process.dwProcessId, kDialogClass)) != nullptr; }, 30s));
    Sleep(7000);
    EXPECT_EQ(ReadTextFile(run.callLog), "") << "a task ran while the dialog was open";
    Answer answer;
    AnswerDialog(L"Cancel", pending, answer);
    EXPECT_TRUE(PumpUntil([&] { return PostedCompletions(run) >= 1; }, 30s)) << "the task did not run after the dialog";
}

std::string HelpString(ITypeLib* library, int index) {
    win::Bstr name, help;
    library->GetDocumentation(index, name.Put(), help.Put(), nullptr, nullptr);
    return name.Utf8() + ": " + help.Utf8();
}

// The program's type library resource, as callers and the marshaller read it.
TEST(SchedulerTypeLibrary, DescribesTheClassTheInterfaceAndASigned8BitTaskType) {
    win::ComPtr<ITypeLib> library;
    ASSERT_EQ(LoadTypeLibEx((ThisProgramFolder() + L"LF_Scheduler.exe").c_str(), REGKIND_NONE, library.Put()), S_OK);
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, LIBID_LF_Scheduler));
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    library->ReleaseTLibAttr(attr);
    EXPECT_EQ(HelpString(library.get(), -1), "LF_Scheduler: LFTP_Scheduler Library");

    win::ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(library->GetTypeInfoOfGuid(CLSID_LarkFTP_Scheduler, coclass.Put()), S_OK);
    TYPEATTR* type = nullptr;
    ASSERT_EQ(coclass->GetTypeAttr(&type), S_OK);
    EXPECT_EQ(type->typekind, TKIND_COCLASS);
    EXPECT_TRUE(type->wTypeFlags & TYPEFLAG_FCANCREATE);
    coclass->ReleaseTypeAttr(type);

    win::ComPtr<ITypeInfo> info;
    ASSERT_EQ(library->GetTypeInfoOfGuid(IID_ILarkFTP_Scheduler, info.Put()), S_OK);
    ASSERT_EQ(info->GetTypeAttr(&type), S_OK);
    EXPECT_EQ(type->typekind, TKIND_INTERFACE);
    EXPECT_TRUE(type->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
    EXPECT_FALSE(type->wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_EQ(type->cFuncs, 1);
    info->ReleaseTypeAttr(type);
    std::vector<std::string> docs;
    for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) docs.push_back(HelpString(library.get(), static_cast<int>(i)));
    std::sort(docs.begin(), docs.end());
    EXPECT_EQ(docs, (std::vector<std::string>{"ILarkFTP_Scheduler: Interface for LarkFTP_Scheduler Object",
                                              "LarkFTP_Scheduler: LarkFTP_Scheduler"}));

    FUNCDESC* function = nullptr;
    ASSERT_EQ(info->GetFuncDesc(0, &function), S_OK);
    EXPECT_EQ(function->memid, 1);
    EXPECT_EQ(function->oVft, 3 * static_cast<SHORT>(sizeof(void*)));  // the first after IUnknown's three
    EXPECT_EQ(function->elemdescFunc.tdesc.vt, VT_HRESULT);
    ASSERT_EQ(function->cParams, 8);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(function->lprgelemdescParam[i].tdesc.vt, VT_BSTR) << i;
    EXPECT_EQ(function->lprgelemdescParam[7].tdesc.vt, VT_I1);
    info->ReleaseFuncDesc(function);
    BSTR raw[9] = {};
    UINT count = 0;
    ASSERT_EQ(info->GetNames(1, raw, 9, &count), S_OK);
    std::string joined;
    for (UINT i = 0; i < count; ++i) joined += win::Bstr::Attach(raw[i]).Utf8() + " ";
    EXPECT_EQ(joined, "AddTask HostName UserName Password ProxyServer ProxyPort LocalName RemoteName TaskType ");
}

}  // namespace
