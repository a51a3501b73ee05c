#pragma once
// Drives the real LF_Scheduler.exe against the main-client double, for the end-to-end tests and
// the demo: a program folder of its own, the double registered and configured, start, wait,
// close, and the results read back from the files the scheduler leaves.
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

#include "gui_testing/process.h"

namespace lark::testing {

struct SchedulerRun {
    std::wstring folder;       // the scheduler's program folder (a copy of the program)
    std::wstring site;         // the double's "remote site"
    std::wstring callLog;      // the double's call log
    std::wstring scenario;     // optional scenario INI (empty: none)
    PROCESS_INFORMATION process{};
};

// A fresh, empty folder under the temporary folder.
std::wstring FreshFolder(const std::wstring& name);
void WriteTextFile(const std::wstring& path, const std::string& bytes);
std::string ReadTextFile(const std::wstring& path);
bool FileExistsW(const std::wstring& path);

// A fresh folder of this name with run.folder, run.site and run.callLog placed in it; answers
// the folder (with a trailing backslash).
std::wstring PlaceRun(SchedulerRun& run, const std::wstring& name);
// Copies LF_Scheduler.exe into run.folder, registers the double of this build and points it
// (through the environment the double inherits) at run.site, run.callLog and run.scenario.
void PrepareRun(SchedulerRun& run);
// Starts the scheduler; raises when it cannot.
void StartScheduler(SchedulerRun& run);
// The scheduler's application window, once it is up.
HWND FindSchedulerWindow(const SchedulerRun& run);
// The scheduler's main window (class "TLarkFTP_Schedule"), shown or not, once it is up.
HWND FindSchedulerMainWindow(const SchedulerRun& run);
// A top-level window of the run's process by its window class, or null.
HWND FindRunWindowOfClass(const SchedulerRun& run, const std::wstring& windowClass);
// Asks the scheduler to close (as Windows would) and waits for it to exit; its exit code.
DWORD CloseScheduler(SchedulerRun& run, std::chrono::milliseconds timeout = std::chrono::seconds(30));

}  // namespace lark::testing
