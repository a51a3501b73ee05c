#include "scheduler_harness.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "win/text.h"

namespace lark::testing {

namespace fs = std::filesystem;

std::wstring FreshFolder(const std::wstring& name) {
    fs::path dir = fs::temp_directory_path() / (name + L"-" + std::to_wstring(GetCurrentProcessId()));
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directories(dir);
    return dir.wstring() + L"\\";
}

void WriteTextFile(const std::wstring& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(fs::path(path), std::ios::binary);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write " + win::Narrow(path));
}

std::string ReadTextFile(const std::wstring& path) {
    std::ifstream in(fs::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool FileExistsW(const std::wstring& path) {
    std::error_code ec;
    return fs::is_regular_file(fs::path(path), ec);
}

std::wstring PlaceRun(SchedulerRun& run, const std::wstring& name) {
    const std::wstring root = FreshFolder(name);
    run.folder = root + L"program\\";
    run.site = root + L"site\\";
    run.callLog = root + L"calls.log";
    return root;
}

void PrepareRun(SchedulerRun& run) {
    std::wstring bin = ThisProgramFolder();
    fs::create_directories(fs::path(run.folder));
    fs::copy_file(fs::path(bin + L"LF_Scheduler.exe"), fs::path(run.folder + L"LF_Scheduler.exe"),
                  fs::copy_options::overwrite_existing);
    std::wstring dbl = bin + L"mainclient\\LarkFtpDouble.exe";
    if (RunAndWait(L"\"" + dbl + L"\" /regserver") != 0) throw std::runtime_error("the double did not register");
    std::string ini = "[Double]\r\nSite=" + win::Narrow(run.site) + "\r\nCallLog=" + win::Narrow(run.callLog) +
                      "\r\nWindowTitle=Lark-FTP Scheduler\r\nIdleExitSeconds=60\r\n";
    if (!run.scenario.empty()) ini += "Scenario=" + win::Narrow(run.scenario) + "\r\n";
    std::wstring config = run.folder + L"double.ini";
    WriteTextFile(config, ini);
    SetEnvironmentVariableW(L"LARK_FTP_DOUBLE_CONFIG", config.c_str());
}

void StartScheduler(SchedulerRun& run) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring cmd = L"\"" + run.folder + L"LF_Scheduler.exe\"";
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, run.folder.c_str(), &si,
                        &run.process))
        throw std::runtime_error("cannot start the scheduler");
    if (!PumpUntil([&] { return FindSchedulerWindow(run) != nullptr; }, std::chrono::seconds(30)))
        throw std::runtime_error("the scheduler's window did not appear");
}


namespace {
struct WindowSearch {
    DWORD pid;
    const std::wstring& name;
    bool byClass;
    HWND found = nullptr;
};

BOOL CALLBACK MatchRunWindow(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<WindowSearch*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t text[64];
    const int n = s->byClass ? GetClassNameW(hwnd, text, 64) : GetWindowTextW(hwnd, text, 64);
    if (pid == s->pid && n > 0 && s->name == text) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// The first top-level window of the run's process whose class name (byClass) or title is `name`.
HWND FindRunWindow(const SchedulerRun& run, const std::wstring& name, bool byClass) {
    WindowSearch search{run.process.dwProcessId, name, byClass};
    EnumWindows(MatchRunWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
}  // namespace

HWND FindSchedulerWindow(const SchedulerRun& run) { return FindRunWindow(run, L"Lark-FTP Scheduler", false); }

HWND FindSchedulerMainWindow(const SchedulerRun& run) { return FindRunWindow(run, L"TLarkFTP_Schedule", true); }

HWND FindRunWindowOfClass(const SchedulerRun& run, const std::wstring& windowClass) {
    return FindRunWindow(run, windowClass, true);
}

DWORD CloseScheduler(SchedulerRun& run, std::chrono::milliseconds timeout) {
    if (!run.process.hProcess) return 1;
    if (HWND w = FindSchedulerWindow(run)) PostMessageW(w, WM_CLOSE, 0, 0);
    DWORD code = 1;
    if (WaitForSingleObject(run.process.hProcess, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
        TerminateProcess(run.process.hProcess, 1);
        WaitForSingleObject(run.process.hProcess, 5000);
    }
    GetExitCodeProcess(run.process.hProcess, &code);
    CloseHandle(run.process.hThread);
    CloseHandle(run.process.hProcess);
    run.process = {};
    return code;
}

}  // namespace lark::testing
