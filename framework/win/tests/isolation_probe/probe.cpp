// A DLL with an isolation-aware manifest, as lx.dll is built: it answers whether a button it
// makes is the common controls 6 one, with its own context active or without.
#include <windows.h>
#include <commctrl.h>

#include "win/activation_context.h"

namespace {
HMODULE g_module = nullptr;

bool ButtonIsVersionSix() {
    HWND button = CreateWindowExW(0, L"Button", L"x", WS_POPUP, 0, 0, 80, 20, nullptr, nullptr, nullptr, nullptr);
    if (!button) return false;
    SIZE ideal{};
    const bool six = SendMessageW(button, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)) != 0;
    DestroyWindow(button);
    return six;
}
}  // namespace

extern "C" __declspec(dllexport) int ProbeButtonVersionSix(int ownContext) {
    if (!ownContext) return ButtonIsVersionSix();
    static const lark::win::ModuleActivationContext context(g_module);
    lark::win::ModuleActivationContext::Scope scope(context);
    INITCOMMONCONTROLSEX init{sizeof(init), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&init);
    return ButtonIsVersionSix();
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}
