#pragma once
// What an out-of-process server needs: class objects registered while it runs, and a process
// lifetime tied to its objects.
#include <windows.h>
#include <objbase.h>

#include <functional>

#include "win/com_ptr.h"

namespace lark::win {

// CoRegisterClassObject for the lifetime of this object (CLSCTX_LOCAL_SERVER).
class ClassObjectRegistration {
public:
    ClassObjectRegistration(REFCLSID clsid, IUnknown* factory, DWORD flags);
    ClassObjectRegistration(const ClassObjectRegistration&) = delete;
    ClassObjectRegistration& operator=(const ClassObjectRegistration&) = delete;
    ~ClassObjectRegistration();

private:
    DWORD cookie_ = 0;
};

// Routes ModuleLock to CoAddRefServerProcess / CoReleaseServerProcess: when the last lock goes,
// COM suspends the class objects and WM_QUIT is posted to the given thread.
void UseServerProcessLock(DWORD quit_thread_id);
// The same with the decision left to the server: last_released runs when the last lock goes (the
// class objects are suspended then; CoResumeClassObjects serves again a server that stays).
void UseServerProcessLock(std::function<void()> last_released);

}  // namespace lark::win
