#pragma once
// Drives the real LF_Scheduler.exe against the main-client double, for the end-to-end tests and
// the demo: a program folder of its own, the double registered and configured, start, wait,
// close, and the results read back from the files the scheduler leaves.
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "core/datetime.h"

#include "gui_testing/process.h"

namespace lark::testing {

struct SchedulerRun {
    std::wstring folder;       // the scheduler's program folder (a copy of the program)
    std::wstring site;         // the double's "remote site"
    std::wstring callLog;      // the double's call log
    std::wstring postLog;      // the double's log of completion messages posted (empty: callLog + ".posts")
    std::wstring scenario;     // optional scenario INI (empty: none)
    std::wstring errorOutput;  // optional file that receives the scheduler's standard error
    PROCESS_INFORMATION process{};
    core::DateTime started = 0;  // just before the scheduler started
    core::DateTime ended = 0;    // once it has exited
};

// Windows of the scheduler as another process sees them. The text is asked with a time limit, so
// a window that does not answer gives an empty text rather than a hung test.
std::wstring ClassOf(HWND window);
std::wstring TextOf(HWND window);
// The visible descendants of a window (in creation order, which is the tab order).
std::vector<HWND> VisibleChildren(HWND parent);

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
// The completion messages the double has posted to the scheduler so far. Each is in the
// scheduler's queue before anything the test posts afterwards (a close, for one).
int PostedCompletions(const SchedulerRun& run);
// The scheduler's application window, once it is up.
HWND FindSchedulerWindow(const SchedulerRun& run);
// The scheduler's main window (class "TLarkFTP_Schedule"), shown or not, once it is up.
HWND FindSchedulerMainWindow(const SchedulerRun& run);
// A top-level window of the run's process by its window class, or null.
HWND FindRunWindowOfClass(const SchedulerRun& run, const std::wstring& windowClass);
// Asks the scheduler to close (as Windows would) and waits for it to exit; its exit code.
DWORD CloseScheduler(SchedulerRun& run, std::chrono::milliseconds timeout = std::chrono::seconds(30));

// Whole lines of the scheduler's files. A stamped line is checked against its text stamped with
// each second of the run, so no part of a line goes unchecked.
using LineAt = std::function<std::string(core::DateTime)>;
LineAt LogEntry(const std::string& text);   // "<date> <time> : text"
LineAt StampLine();                         // "<date> <time>" (a last result's second line)
LineAt LoggingLine(const std::string& what);  // "Logging started <date> at H:mm:ss"
LineAt Exactly(const std::string& text);
// The text cut at each `end`; a last line without it is marked.
std::vector<std::string> SplitLines(const std::string& text, const std::string& end);
// True when the text reads as the line stamped with some second of the run.
bool StampedDuring(const SchedulerRun& run, const std::string& text, const LineAt& line);
// Empty when the CR LF lines of the text are the expected ones; else what differs.
std::string MismatchedLines(const SchedulerRun& run, const std::string& text, const std::vector<LineAt>& expected);

}  // namespace lark::testing
