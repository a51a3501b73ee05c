// LF_Scheduler.exe: one instance per user session, COM on the user-interface thread.
#include <windows.h>
#include <objbase.h>

#include <string>

#include "scheduler_app.h"

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

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    HANDLE mutex = CreateMutexW(nullptr, TRUE, L"Lark-FTP.Schedule");
    if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS) {
        BringUpFirstInstance();
        if (mutex) CloseHandle(mutex);
        return 0;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    int rc = 1;
    {
        lark::scheduler::SchedulerApp app(instance);
        if (app.Start()) rc = app.Run();
    }
    CoUninitialize();
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return rc;
}
