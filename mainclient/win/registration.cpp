#include "mainclient/registration.h"

#include <windows.h>

#include "mainclient/main_client.h"
#include "win/registry.h"
#include "win/text.h"

namespace lark::mainclient {

std::optional<std::string> EnvironmentVariable(std::string_view name) {
    const std::wstring wide = win::Widen(name);
    std::wstring value(256, L'\0');
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        const DWORD n = GetEnvironmentVariableW(wide.c_str(), value.data(), static_cast<DWORD>(value.size()));
        if (n == 0) {
            if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
            return std::string();
        }
        if (n < value.size()) {
            value.resize(n);
            return win::Narrow(value);
        }
        value.resize(n);
    }
}

std::optional<std::string> LocalServerValue() {
    try {
        return win::ReadRegistryString(HKEY_CLASSES_ROOT, kLocalServerKey);
    } catch (const std::exception&) {
        // A key we may not read counts as no main client.
        return std::nullopt;
    }
}

std::string MainClientProgramFolder() {
    const std::optional<std::string> value = LocalServerValue();
    return value ? ProgramFolderOfLocalServer(*value, EnvironmentVariable) : std::string();
}

}  // namespace lark::mainclient
