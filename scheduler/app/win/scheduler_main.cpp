// LF_Scheduler.exe: one instance per user session, COM on the user-interface thread.
//   /regserver, -unregserver (either sign, any case)  register or remove the automation server
//                                                     and end, before anything else, no window
//   -Embedding, /Automation                           started by COM: ends with its last object
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>

#include "automation_server.h"
#include "core/format.h"
#include "scheduler/strings.h"
#include "scheduler_app.h"
#include "win/module_path.h"
#include "win/text.h"

namespace {

std::wstring ImagePath(HANDLE process) {
    std::wstring path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    if (!QueryFullProcessImageNameW(process, 0, path.data(), &size)) return {};
    path.resize(size);
    return path;
}

struct Search {
    std::wstring image;
    HWND found = nullptr;
};

// The first instance's main window: of our window class, in a process started from this same
// program file (another copy of the program is another program).
BOOL CALLBACK MatchFirstInstance(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    wchar_t className[64];
    if (!GetClassNameW(window, className, 64) || std::wstring(className) != lark::scheduler::kMainWindowClass)
        return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return TRUE;
    const std::wstring image = ImagePath(process);
    CloseHandle(process);
    if (image.empty() ||
        CompareStringOrdinal(image.c_str(), static_cast<int>(image.size()), search->image.c_str(),
                             static_cast<int>(search->image.size()), TRUE) != CSTR_EQUAL)
        return TRUE;
    search->found = window;
    return FALSE;
}

void BringUpFirstInstance() {
    Search search;
    search.image = ImagePath(GetCurrentProcess());
    if (search.image.empty()) return;
    EnumWindows(MatchFirstInstance, reinterpret_cast<LPARAM>(&search));
    if (!search.found) return;
    DWORD pid = 0;
    GetWindowThreadProcessId(search.found, &pid);
    AllowSetForegroundWindow(pid);
    PostMessageW(search.found, lark::scheduler::kRestoreMessage, 0, 0);
}

struct Switches {
    bool registerServer = false, unregisterServer = false, startedByCom = false;
};

Switches ReadSwitches() {
    using lark::scheduler::ServerSwitch;
    Switches switches;
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; argv && i < argc; ++i) {
        switch (lark::scheduler::ParseServerSwitch(lark::win::Narrow(argv[i]))) {
            case ServerSwitch::RegServer: switches.registerServer = true; break;
            case ServerSwitch::UnregServer: switches.unregisterServer = true; break;
            case ServerSwitch::Automation:
            case ServerSwitch::Embedding: switches.startedByCom = true; break;
            case ServerSwitch::None: break;
        }
    }
    LocalFree(argv);
    return switches;
}

// Registers or removes the automation server; the exit code says whether it worked.
int RegisterOnly(bool remove) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    int rc = 0;
    try {
        const std::wstring program = lark::win::ModulePath();
        remove ? lark::scheduler::UnregisterAutomationServer(program)
               : lark::scheduler::RegisterAutomationServer(program);
    } catch (const std::exception& e) {
        lark::scheduler::SchedulerApp::Report(std::string(remove ? "unregistering" : "registering") +
                                              " the automation server failed: " + e.what());
        rc = 1;
    }
    CoUninitialize();
    return rc;
}

}  // namespace

// Shown when nothing below could handle a failure: in English, as the texts may not be loaded.
int Fatal(const std::string& what) {
    const std::string text = lark::core::Format(lark::scheduler::EnglishStrings().Text("strFatalError"), {what});
    lark::scheduler::SchedulerApp::Report(text);
    MessageBoxW(nullptr, lark::win::Widen(text).c_str(), lark::scheduler::kApplicationTitle, MB_OK | MB_ICONERROR | MB_TASKMODAL);
    return 3;
}

int RunProgram(HINSTANCE instance) {
    const Switches switches = ReadSwitches();
    if (switches.unregisterServer) return RegisterOnly(true);
    if (switches.registerServer) return RegisterOnly(false);
    HANDLE mutex = CreateMutexW(nullptr, TRUE, L"Lark-FTP.Schedule");
    if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS) {
        BringUpFirstInstance();
        if (mutex) CloseHandle(mutex);
        return 0;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    // Kept current at every start; without the rights to write it the program runs on.
    try {
        lark::scheduler::RegisterAutomationServer(lark::win::ModulePath());
    } catch (const std::exception& e) {
        lark::scheduler::SchedulerApp::Report(std::string("the automation server is not registered: ") + e.what());
    }
    int rc = 1;
    {
        lark::scheduler::SchedulerApp app(instance);
        // Registered before the window is made, so that an activation arriving meanwhile waits
        // for the message loop instead of starting a second instance.
        bool serving = true;
        try {
            app.StartAutomation(switches.startedByCom);
        } catch (const std::exception& e) {
            lark::scheduler::SchedulerApp::Report(std::string("the automation server cannot serve: ") + e.what());
            serving = false;
        }
        try {
            // Started by COM for nothing it can serve: no one would ever end it.
            if (app.Start() && (serving || !switches.startedByCom)) rc = app.Run();
        } catch (const std::exception& e) {
            rc = app.ShowFatal(e.what());
        } catch (...) {
            rc = app.ShowFatal("unknown failure");
        }
    }
    CoUninitialize();
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return rc;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // No failure leaves the program unseen.
    try {
        return RunProgram(instance);
    } catch (const std::exception& e) {
        return Fatal(e.what());
    } catch (...) {
        return Fatal("unknown failure");
    }
}
