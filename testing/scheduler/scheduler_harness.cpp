#include "scheduler_harness.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "core/clock.h"
#include "mainclient/main_client.h"
#include "win/module_path.h"
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
    std::wstring bin = win::ModuleFolder();
    fs::create_directories(fs::path(run.folder));
    fs::copy_file(fs::path(bin + L"LF_Scheduler.exe"), fs::path(run.folder + L"LF_Scheduler.exe"),
                  fs::copy_options::overwrite_existing);
    std::wstring dbl = bin + L"mainclient\\LarkFtpDouble.exe";
    if (RunAndWait(L"\"" + dbl + L"\" /regserver") != 0) throw std::runtime_error("the double did not register");
    if (run.postLog.empty()) run.postLog = run.callLog + L".posts";
    std::string ini = "[Double]\r\nSite=" + win::Narrow(run.site) + "\r\nCallLog=" + win::Narrow(run.callLog) +
                      "\r\nPostLog=" + win::Narrow(run.postLog) +
                      "\r\nWindowTitle=" + std::string(mainclient::kSchedulerWindowTitle) + "\r\nIdleExitSeconds=60\r\n";
    if (!run.scenario.empty()) ini += "Scenario=" + win::Narrow(run.scenario) + "\r\n";
    std::wstring config = run.folder + L"double.ini";
    WriteTextFile(config, ini);
    SetEnvironmentVariableW(L"LARK_FTP_DOUBLE_CONFIG", config.c_str());
}

void StartScheduler(SchedulerRun& run) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    HANDLE error = INVALID_HANDLE_VALUE;
    if (!run.errorOutput.empty()) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        error = CreateFileW(run.errorOutput.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (error == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create " + win::Narrow(run.errorOutput));
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdError = error;
    }
    std::wstring cmd = L"\"" + run.folder + L"LF_Scheduler.exe\"";
    run.started = core::SystemClock().Now();
    const BOOL started = CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, error != INVALID_HANDLE_VALUE, 0,
                                        nullptr, run.folder.c_str(), &si, &run.process);
    if (error != INVALID_HANDLE_VALUE) CloseHandle(error);
    if (!started) throw std::runtime_error("cannot start the scheduler");
    if (!PumpUntil([&] { return FindSchedulerWindow(run) != nullptr; }, std::chrono::seconds(30)))
        throw std::runtime_error("the scheduler's window did not appear");
}

int PostedCompletions(const SchedulerRun& run) {
    const std::string text = ReadTextFile(run.postLog);
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
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

HWND FindSchedulerWindow(const SchedulerRun& run) {
    return FindRunWindow(run, win::Widen(mainclient::kSchedulerWindowTitle), false);
}

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
    run.ended = core::SystemClock().Now();
    CloseHandle(run.process.hThread);
    CloseHandle(run.process.hProcess);
    run.process = {};
    return code;
}

LineAt LogEntry(const std::string& text) {
    return [text](core::DateTime t) { return core::DateTimeToStr(t) + " : " + text; };
}

LineAt StampLine() {
    return [](core::DateTime t) { return core::DateTimeToStr(t); };
}

LineAt LoggingLine(const std::string& what) {
    return [what](core::DateTime t) {
        return what + " " + core::FormatDateTime("ddddd", t) + " at " + core::FormatDateTime("H:mm:ss", t);
    };
}

LineAt Exactly(const std::string& text) {
    return [text](core::DateTime) { return text; };
}

std::vector<std::string> SplitLines(const std::string& text, const std::string& end) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t next = text.find(end, at);
        if (next == std::string::npos) {
            lines.push_back(text.substr(at) + "<no line end>");
            break;
        }
        lines.push_back(text.substr(at, next - at));
        at = next + end.size();
    }
    return lines;
}

bool StampedDuring(const SchedulerRun& run, const std::string& text, const LineAt& line) {
    const core::DateTime ended = run.ended != 0 ? run.ended : core::SystemClock().Now();
    const double first = std::floor(run.started * 86400) - 1, last = std::ceil(ended * 86400) + 1;
    for (double second = first; second <= last; ++second)
        if (line((second + 0.5) / 86400) == text) return true;
    return false;
}

std::string MismatchedLines(const SchedulerRun& run, const std::string& text, const std::vector<LineAt>& expected) {
    const std::vector<std::string> lines = SplitLines(text, "\r\n");
    if (lines.size() != expected.size())
        return std::to_string(lines.size()) + " lines instead of " + std::to_string(expected.size()) + ":\n" + text;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (!StampedDuring(run, lines[i], expected[i]))
            return "line " + std::to_string(i + 1) + ": " + lines[i] + "\nexpected: " + expected[i](run.started) +
                   "\nin:\n" + text;
    return {};
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring TextOf(HWND window) {
    wchar_t text[1024] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 5000, nullptr);
    return text;
}

namespace {
BOOL CALLBACK CollectVisible(HWND child, LPARAM out) {
    if (IsWindowVisible(child)) reinterpret_cast<std::vector<HWND>*>(out)->push_back(child);
    return TRUE;
}
}  // namespace

std::vector<HWND> VisibleChildren(HWND parent) {
    std::vector<HWND> found;
    EnumChildWindows(parent, CollectVisible, reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace lark::testing
