#include "gui_testing/process.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#include "ui/message_loop.h"
#include "win/module_path.h"
#include "win/text.h"

namespace lark::testing {

std::wstring ThisProgramFolder() { return win::ModuleFolder(); }

std::wstring ThisProgramName() {
    const std::wstring name = win::ModuleFileName();
    return name.substr(0, name.find_last_of(L'.'));
}

DWORD RunAndWait(const std::wstring& commandLine, std::chrono::milliseconds timeout) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = commandLine;
    // Under a loaded Wine a start right after another process of the same program was ended
    // has failed now and then; each failure is printed with its code, and a few more tries are
    // made within two seconds before the test fails.
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) break;
        const DWORD error = GetLastError();
        std::printf("RunAndWait: %s did not start (error %lu, try %d)\n", win::Narrow(commandLine).c_str(),
                    static_cast<unsigned long>(error), attempt);
        std::fflush(stdout);
        if (attempt == 5)
            throw std::runtime_error("cannot start " + win::Narrow(commandLine) + " (error " + std::to_string(error) + ")");
        Sleep(400);
        cmd = commandLine;
    }
    const DWORD waited = WaitForSingleObject(pi.hProcess, static_cast<DWORD>(timeout.count()));
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (waited != WAIT_OBJECT_0) throw std::runtime_error(win::Narrow(commandLine) + " did not end in time");
    return code;
}

void Pump() { ui::MessageLoop::ProcessPending(); }

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeout.count());
    for (;;) {
        Pump();
        if (done()) return true;
        if (GetTickCount64() >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

}  // namespace lark::testing
