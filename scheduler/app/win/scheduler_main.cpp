// LF_Scheduler.exe: one instance per user session, COM on the user-interface thread.
#include <windows.h>
#include <objbase.h>

#include "scheduler_app.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    HANDLE mutex = CreateMutexW(nullptr, TRUE, L"Lark-FTP.Schedule");
    if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS) {
        if (HWND running = FindWindowW(nullptr, lark::scheduler::kApplicationTitle)) SetForegroundWindow(running);
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
