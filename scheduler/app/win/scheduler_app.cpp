#include "scheduler_app.h"

#include <filesystem>

#include "core/format.h"
#include "core/stream.h"
#include "mainclient/automation_client.h"
#include "scheduler/task_file.h"
#include "win/text.h"

namespace lark::scheduler {

namespace {

constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kTickInterval = 1000;
constexpr wchar_t kWindowClass[] = L"TLarkFTPSchedulerApplication";

std::string ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    std::wstring folder = path.substr(0, path.find_last_of(L"\\/") + 1);
    return win::Narrow(folder);
}

std::string ChangeExtension(const std::string& utf8, const char* extension) {
    std::filesystem::path p(win::Widen(utf8));
    p.replace_extension(extension);
    return win::Narrow(p.wstring());
}

std::shared_ptr<mainclient::MainClient> CreateMainClient() {
    return std::shared_ptr<mainclient::MainClient>(mainclient::AutomationClient::Create());
}

}  // namespace

SchedulerApp::SchedulerApp(HINSTANCE instance)
    : instance_(instance),
      folder_(ProgramFolder()),
      rows_(storage_.TaskList(), clock_),
      log_(clock_, strings_, folder_),
      runner_(rows_, CreateMainClient, clock_, files_, strings_, &log_) {
    runner_.onError = [this](const std::string& text) { Report("the scheduling tick failed: " + text); };
    runner_.onMainClientChanged = [this] {
        Report(runner_.MainClientReachable() ? "the main client can be reached again"
                                             : "the main client cannot be reached: " + runner_.MainClientError());
    };
}

SchedulerApp::~SchedulerApp() {
    Shutdown();
    if (window_) DestroyWindow(window_);
}

void SchedulerApp::Report(const std::string& text) {
    // No window of the scheduler is visible yet: the text goes to the debugger and the console.
    std::wstring line = win::Widen("LF_Scheduler: " + text + "\n");
    OutputDebugStringW(line.c_str());
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (err && err != INVALID_HANDLE_VALUE) {
        std::string bytes = "LF_Scheduler: " + text + "\n";
        DWORD written = 0;
        WriteFile(err, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
}

void SchedulerApp::LogAndReport(const std::string& text) {
    Report(text);
    log_.Add(text);
}

void SchedulerApp::ReportTaskFileStartup() {
    const TaskFileStartup& s = taskFileStartup_;
    switch (s.state) {
        case TaskFileStartup::State::Loaded: return;
        case TaskFileStartup::State::SetAside:
            LogAndReport(core::Format(strings_.Text("strTaskFileSetAside"), {taskFile_, s.error, s.asideName}));
            return;
        case TaskFileStartup::State::ReadOnly:
            LogAndReport(core::Format(strings_.Text("strTaskFileReadOnly"), {taskFile_, s.error, s.asideError}));
            return;
    }
}

bool SchedulerApp::Start() {
    SetCurrentDirectoryW(win::Widen(folder_).c_str());
    completedMessage_ = RegisterWindowMessageW(L"LarkFTP_Task_Completed");

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance_;
    wc.lpszClassName = kWindowClass;
    RegisterClassExW(&wc);
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, kApplicationTitle, WS_POPUP, 0, 0, 0, 0, nullptr,
                              nullptr, instance_, this);
    if (!window_) return false;

    taskFile_ = folder_ + "TaskList.ltl";
    taskFileStartup_ = OpenTaskFile(storage_, taskFile_);
    for (int i : taskFileStartup_.load.undecipheredPasswords)
        Report("the password of task " + std::to_string(i + 1) + " could not be read");
    TLarkFTPTaskList& list = storage_.TaskList();
    for (int i = 0; i < list.Count(); ++i)
        if (list.Items(i).Status() == TTaskStatus::tsActive) list.Items(i).SetStatus(TTaskStatus::tsPending);
    rows_.RefreshAll();

    log_.AssignLogFile("");
    log_.SetMaxSize(65535);
    // Temporary files that a killed run left behind: of the log, its ".bak" copy and the task
    // file's backup (OpenTaskFile took those of the task file).
    for (const std::string& name :
         {log_.FileName(), ChangeExtension(log_.FileName(), ".bak"), ChangeExtension(taskFile_, ".bak")})
        core::RemoveStaleTemporaries(name);
    if (runner_.SaveLog()) {
        try {
            log_.StartLogging();
        } catch (const std::exception& e) {
            Report(std::string("the log could not be started: ") + e.what());
        }
    }
    ReportTaskFileStartup();
    SetTimer(window_, kTickTimer, kTickInterval, nullptr);
    return true;
}

int SchedulerApp::Run() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void SchedulerApp::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    if (window_) KillTimer(window_, kTickTimer);
    runner_.ReleaseAutomation();
    // A task file that could neither be read nor kept aside is left as it is: its tasks may
    // still be recovered from it (the user was told at start-up).
    if (!storage_.ReadOnly()) {
        try {
            SaveResult saved = SaveToFile(storage_, taskFile_);
            for (int i : saved.changedPasswords) LogAndReport(core::Format(strings_.Text("strPasswordChanged"), {i + 1}));
        } catch (const std::exception& e) {
            Report(std::string("the task file could not be saved: ") + e.what());
        }
    }
    if (runner_.SaveLog()) {
        try {
            log_.EndLogging();
        } catch (const std::exception& e) {
            Report(std::string("the log could not be written: ") + e.what());
        }
    }
}

LRESULT CALLBACK SchedulerApp::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* app = reinterpret_cast<SchedulerApp*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!app) return DefWindowProcW(hwnd, msg, wParam, lParam);
    try {
        return app->Handle(hwnd, msg, wParam, lParam);
    } catch (const std::exception& e) {
        app->Report(e.what());
    } catch (...) {
        app->Report("unexpected failure");
    }
    return 0;
}

LRESULT SchedulerApp::Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == completedMessage_ && completedMessage_ != 0) {
        runner_.HandleCompletion(static_cast<std::uint32_t>(wParam), static_cast<std::int32_t>(lParam));
        return 0;
    }
    switch (msg) {
        case WM_TIMER:
            if (wParam == kTickTimer) runner_.OnTimer();
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wParam) Shutdown();
            return 0;
        case WM_CLOSE:
            Shutdown();
            DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            window_ = nullptr;
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

}  // namespace lark::scheduler
