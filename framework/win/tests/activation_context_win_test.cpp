// An isolation-aware DLL (its manifest as resource 2) loaded into a program without a manifest:
// its own calls get common controls 6 inside its activation scope, the program's stay on the
// system's version.
#include <gtest/gtest.h>

#include "win/activation_context.h"
#include "win/registration.h"

namespace lark::win {
namespace {

TEST(ActivationContext, AnIsolationAwareDllGetsCommonControlsSixInItsOwnScopeOnly) {
    HMODULE probe = LoadLibraryW(L"isolation_probe.dll");
    ASSERT_NE(probe, nullptr);
    auto call = reinterpret_cast<int (*)(int)>(reinterpret_cast<void*>(GetProcAddress(probe, "ProbeButtonVersionSix")));
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(call(1), 1) << "inside the DLL's scope: common controls 6";
    EXPECT_EQ(call(0), 0) << "outside it: the host's context, unchanged";
    FreeLibrary(probe);
}

TEST(ActivationContext, AModuleWithoutManifestChangesNothing) {
    ModuleActivationContext context(GetModuleHandleW(nullptr));
    EXPECT_FALSE(context.Valid());
    ModuleActivationContext::Scope scope(context);
}

}  // namespace
}  // namespace lark::win
