#include "win/local_server.h"

#include "win/com_error.h"
#include "win/object.h"

namespace lark::win {
namespace {

// Set once before the first object is handed out, read on every release.
std::function<void()> g_last_released;

void AddRefProcess() { CoAddRefServerProcess(); }

void ReleaseProcess() {
    if (CoReleaseServerProcess() == 0 && g_last_released) g_last_released();
}

}  // namespace

ClassObjectRegistration::ClassObjectRegistration(REFCLSID clsid, IUnknown* factory, DWORD flags) {
    Check(CoRegisterClassObject(clsid, factory, CLSCTX_LOCAL_SERVER, flags, &cookie_), "registering class object");
}

ClassObjectRegistration::~ClassObjectRegistration() { CoRevokeClassObject(cookie_); }

void UseServerProcessLock(DWORD quit_thread_id) {
    UseServerProcessLock([quit_thread_id] { PostThreadMessageW(quit_thread_id, WM_QUIT, 0, 0); });
}

void UseServerProcessLock(std::function<void()> last_released) {
    g_last_released = std::move(last_released);
    ModuleLock::SetHooks(&AddRefProcess, &ReleaseProcess);
}

}  // namespace lark::win
