#pragma once
// Small helpers the Windows test programs share: the program's folder, starting a program and
// waiting for it, and pumping the message queue.
#include "ui/win32.h"

#include <chrono>
#include <functional>
#include <string>

namespace lark::testing {

// Folder of the running program, with a trailing backslash.
std::wstring ThisProgramFolder();
// File name of the running program without its extension ("framework_ui_tests").
std::wstring ThisProgramName();
// Runs a command line and waits (at most `timeout`); its exit code. Raises when it cannot start
// or does not end in time.
DWORD RunAndWait(const std::wstring& commandLine, std::chrono::milliseconds timeout = std::chrono::seconds(60));
// Handles every message waiting now, through the dialog manager and shortcuts of the forms.
void Pump();
// Pumps until the predicate holds or the time is up; true when it held.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

}  // namespace lark::testing
