#include "gui_testing/resource_count.h"

#include <tlhelp32.h>

#include <cstdint>

#include "gui_testing/process.h"

namespace lark::testing {

namespace {
int WindowsOfThisProcess(HWND parent) {
    int count = 0;
    for (HWND w = FindWindowExW(parent, nullptr, nullptr, nullptr); w; w = FindWindowExW(parent, w, nullptr, nullptr)) {
        DWORD process = 0;
        GetWindowThreadProcessId(w, &process);
        if (process == GetCurrentProcessId()) count += 1 + WindowsOfThisProcess(w);
    }
    return count;
}
}  // namespace

int CountWindows() { return WindowsOfThisProcess(nullptr) + WindowsOfThisProcess(HWND_MESSAGE); }

ResourceCount CountResources() {
    ResourceCount r;
    GetProcessHandleCount(GetCurrentProcess(), &r.handleCount);
    r.gdiObjects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    r.userObjects = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{sizeof entry};
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++r.threads;
    CloseHandle(snapshot);
    for (std::uintptr_t value = 4; value < 0x10000; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++r.openHandles;
    }
    r.windows = CountWindows();
    return r;
}

std::string Describe(const ResourceCount& r) {
    return "handle count " + std::to_string(r.handleCount) + ", GDI objects " + std::to_string(r.gdiObjects) +
           ", USER objects " + std::to_string(r.userObjects) + ", threads " + std::to_string(r.threads) +
           ", open handles " + std::to_string(r.openHandles) + ", windows " + std::to_string(r.windows);
}

CountsAround CountAroundRepeats(const std::function<void()>& work, int times) {
    work();
    Pump();
    CountsAround counts;
    counts.before = CountResources();
    for (int i = 0; i < times; ++i) work();
    Pump();
    counts.after = CountResources();
    return counts;
}

}  // namespace lark::testing
