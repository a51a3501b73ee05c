#include "gui_testing/process.h"

#include <stdexcept>

#include "ui/message_loop.h"
#include "win/registration.h"
#include "win/text.h"

namespace lark::testing {

std::wstring ThisProgramFolder() {
    std::wstring path = win::ModulePath(nullptr);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

std::wstring ThisProgramName() {
    std::wstring path = win::ModulePath(nullptr);
    std::wstring name = path.substr(path.find_last_of(L"\\/") + 1);
    return name.substr(0, name.find_last_of(L'.'));
}

DWORD RunAndWait(const std::wstring& commandLine, std::chrono::milliseconds timeout) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = commandLine;
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        throw std::runtime_error("cannot start " + win::Narrow(commandLine));
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
