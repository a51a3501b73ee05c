#include "win/activation_context.h"

namespace lark::win {

ModuleActivationContext::ModuleActivationContext(HMODULE module, WORD resourceId) {
    if (!FindResourceW(module, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(24))) return;
    ACTCTXW description{};
    description.cbSize = sizeof(description);
    description.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    description.hModule = module;
    description.lpResourceName = MAKEINTRESOURCEW(resourceId);
    // Any file name of the module serves: with HMODULE_VALID the manifest is read from it.
    wchar_t path[MAX_PATH];
    if (!GetModuleFileNameW(module, path, MAX_PATH)) return;
    description.lpSource = path;
    context_ = CreateActCtxW(&description);
}

ModuleActivationContext::~ModuleActivationContext() {
    if (Valid()) ReleaseActCtx(context_);
}

ModuleActivationContext::Scope::Scope(const ModuleActivationContext& context) {
    if (context.Valid()) active_ = ActivateActCtx(context.context_, &cookie_) != FALSE;
}

ModuleActivationContext::Scope::~Scope() {
    if (active_) DeactivateActCtx(0, cookie_);
}

}  // namespace lark::win
