// LarkFtpDouble.exe: stands in for the main client's automation server in tests.
//   /regserver     register the class (LocalServer32 = this program), ProgID and type library
//   /unregserver   remove them
//   otherwise      serve (COM starts it with -Embedding); /site= /calllog= /scenario=
//                  /windowtitle= /config= override the settings INI
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "automation.h"
#include "mainclient/automation.h"
#include "win/com_error.h"
#include "win/local_server.h"
#include "win/module_path.h"
#include "win/object.h"
#include "win/registration.h"
#include "win/text.h"

using namespace lark;
using namespace lark::mainclient_double;

namespace {

constexpr char kProgId[] = "LarkFTP.Lark_FTP_Automation";

void Report(const std::string& text) {
    const std::string line = "LarkFtpDouble: " + text + "\n";
    DWORD n = 0;
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (err && err != INVALID_HANDLE_VALUE) WriteFile(err, line.data(), static_cast<DWORD>(line.size()), &n, nullptr);
    OutputDebugStringA(line.c_str());
}

bool IsSwitch(const std::wstring& arg, const char* name) {
    if (arg.size() < 2 || (arg[0] != L'/' && arg[0] != L'-')) return false;
    return Lower(win::Narrow(arg.substr(1))) == name;
}

win::ClassRegistration Registration() {
    win::ClassRegistration reg;
    reg.clsid = CLSID_CoLark_FTP_Automation;
    reg.description = "Lark-FTP automation object";
    reg.server_path = win::ModulePath();
    reg.local_server = true;
    reg.prog_id = kProgId;
    reg.type_library = LIBID_LarkFTP;
    return reg;
}

int Serve(const std::vector<std::wstring>& args) {
    Server server(Settings::Load(args));
    const win::ComPtr<ITypeInfo> type_info = win::LoadTypeInfo(win::ModulePath(), IID_ILark_FTP_Automation);
    win::UseServerProcessLock(GetCurrentThreadId());
    bool created = false;
    auto factory = win::ComPtr<IClassFactory>::Attach(new win::ClassFactory([&](REFIID iid, void** out) {
        created = true;
        return win::CreateInstance<Automation>(iid, out, server, type_info);
    }));
    // One object per process: each creation gets a fresh double reading the current settings,
    // and the process ends with its object.
    win::ClassObjectRegistration registration(CLSID_CoLark_FTP_Automation, factory.get(), REGCLS_SINGLEUSE);
    // Started but never asked for an object (a failed activation), or abandoned by a client
    // that died: do not linger.
    const DWORD started = GetTickCount();
    const UINT_PTR watch = SetTimer(nullptr, 0, 5000, nullptr);
    const DWORD idle_limit = server.settings().idle_exit_seconds * 1000u;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr && msg.wParam == watch) {
            if (!created && GetTickCount() - started > 30000) break;
            if (created && idle_limit != 0 && server.IdleMs() > idle_limit && !server.HasPendingPosts()) break;
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    KillTimer(nullptr, watch);
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::wstring> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    LocalFree(argv);

    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
    int rc = 0;
    try {
        bool done = false;
        for (const auto& a : args) {
            if (IsSwitch(a, "regserver")) {
                win::RegisterComClassWithTypeLibrary(Registration());
                done = true;
            } else if (IsSwitch(a, "unregserver")) {
                win::UnregisterComClassWithTypeLibrary(Registration());
                done = true;
            }
        }
        if (!done) rc = Serve(args);
    } catch (const std::exception& e) {
        Report(e.what());
        rc = 1;
    }
    CoUninitialize();
    return rc;
}
