#include "win/module_path.h"

#include <vector>

#include "win/com_error.h"

namespace lark::win {

std::wstring ModulePath(HMODULE module) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) Check(HRESULT_FROM_WIN32(GetLastError()), "module path");
        // A path that fills the buffer may have been cut: try again with more room.
        if (n < buffer.size()) return std::wstring(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

namespace {
std::size_t NameStart(const std::wstring& path) {
    const std::size_t delimiter = path.find_last_of(L"\\/");
    return delimiter == std::wstring::npos ? 0 : delimiter + 1;
}
}  // namespace

std::wstring ModuleFolder(HMODULE module) {
    const std::wstring path = ModulePath(module);
    return path.substr(0, NameStart(path));
}

std::wstring ModuleFileName(HMODULE module) {
    const std::wstring path = ModulePath(module);
    return path.substr(NameStart(path));
}

}  // namespace lark::win
