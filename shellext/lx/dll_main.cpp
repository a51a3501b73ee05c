// lx.dll's entry point and exports. DllMain records the module and, on unload, frees memory;
// everything else starts lazily behind the exports.
#include <windows.h>

#include "shellext/win/lx_library.h"

using lark::shellext::LxLibrary;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        LxLibrary::Instance().SetModule(instance);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        // Unloaded by FreeLibrary (at process exit the process frees everything).
        LxLibrary::Instance().Detach();
    }
    return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    return lark::shellext::LxGetClassObject(clsid, iid, out);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() { return lark::shellext::LxCanUnloadNow(); }

extern "C" HRESULT WINAPI DllRegisterServer() { return lark::shellext::LxRegisterServer(); }

extern "C" HRESULT WINAPI DllUnregisterServer() { return lark::shellext::LxUnregisterServer(); }
