#include "win/local_server.h"

#include <atomic>

#include "win/com_error.h"
#include "win/object.h"

namespace lark::win {
namespace {

std::atomic<DWORD> g_quit_thread{0};

void AddRefProcess() { CoAddRefServerProcess(); }

void ReleaseProcess() {
    if (CoReleaseServerProcess() == 0) PostThreadMessageW(g_quit_thread.load(), WM_QUIT, 0, 0);
}

}  // namespace

ClassObjectRegistration::ClassObjectRegistration(REFCLSID clsid, IUnknown* factory, DWORD flags) {
    Check(CoRegisterClassObject(clsid, factory, CLSCTX_LOCAL_SERVER, flags, &cookie_), "registering class object");
}

ClassObjectRegistration::~ClassObjectRegistration() { CoRevokeClassObject(cookie_); }

void UseServerProcessLock(DWORD quit_thread_id) {
    g_quit_thread = quit_thread_id;
    ModuleLock::SetHooks(&AddRefProcess, &ReleaseProcess);
}

}  // namespace lark::win
