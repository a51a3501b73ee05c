#pragma once
// The manifest of a DLL loaded into another process (resource 2, isolation-aware) as an
// activation context. Contract:
// - ModuleActivationContext reads the module's manifest resource once; a module without one
//   gives an empty context whose scopes change nothing (the host's context stays in force).
// - A Scope activates the context for the module's own window and common-control calls (window
//   classes, CreateWindowEx, InitCommonControlsEx) and deactivates it when it ends, so the DLL
//   gets common controls 6 without touching the host process's own activation context.
#include <windows.h>

namespace lark::win {

class ModuleActivationContext {
public:
    static constexpr WORD kIsolationAwareManifest = 2;

    explicit ModuleActivationContext(HMODULE module, WORD resourceId = kIsolationAwareManifest);
    ~ModuleActivationContext();
    ModuleActivationContext(const ModuleActivationContext&) = delete;
    ModuleActivationContext& operator=(const ModuleActivationContext&) = delete;

    bool Valid() const { return context_ != INVALID_HANDLE_VALUE; }

    class Scope {
    public:
        explicit Scope(const ModuleActivationContext& context);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        ULONG_PTR cookie_ = 0;
        bool active_ = false;
    };

private:
    HANDLE context_ = INVALID_HANDLE_VALUE;
};

}  // namespace lark::win
