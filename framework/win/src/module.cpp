#include "win/object.h"

namespace lark::win {
namespace {

std::atomic<long> g_count{0};
std::atomic<void (*)()> g_lock{nullptr};
std::atomic<void (*)()> g_unlock{nullptr};

}  // namespace

void ModuleLock::Lock() {
    if (auto hook = g_lock.load()) return hook();
    ++g_count;
}

void ModuleLock::Unlock() {
    if (auto hook = g_unlock.load()) return hook();
    --g_count;
}

long ModuleLock::Count() { return g_count.load(); }

void ModuleLock::SetHooks(void (*lock)(), void (*unlock)()) {
    g_lock = lock;
    g_unlock = unlock;
}

}  // namespace lark::win
