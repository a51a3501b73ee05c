#pragma once
// Paths of loaded modules: the running program's (no handle) or a DLL's own (the handle its
// DllMain was given). The one place that asks Windows for them; any length, failures raise.
#include <windows.h>

#include <string>

namespace lark::win {

// Full path of the module ("C:\Program Files\X\LF_Scheduler.exe").
std::wstring ModulePath(HMODULE module = nullptr);
// Its folder with the trailing backslash ("C:\Program Files\X\").
std::wstring ModuleFolder(HMODULE module = nullptr);
// Its file name alone ("LF_Scheduler.exe").
std::wstring ModuleFileName(HMODULE module = nullptr);

}  // namespace lark::win
