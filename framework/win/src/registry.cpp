#include "win/registry.h"

#include <vector>

#include "win/com_error.h"
#include "win/text.h"

namespace lark::win {
namespace {

class Key {
public:
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() {
        if (h_) RegCloseKey(h_);
    }
    HKEY* Put() { return &h_; }
    HKEY get() const { return h_; }

private:
    HKEY h_ = nullptr;
};

void CheckStatus(LONG status, std::string_view what, std::string_view subkey) {
    if (status != ERROR_SUCCESS)
        throw ComError(HRESULT_FROM_WIN32(status),
                       std::string(what) + " " + std::string(subkey) + ": " +
                           FormatHResult(HRESULT_FROM_WIN32(status)));
}

}  // namespace

std::optional<std::string> ReadRegistryString(HKEY root, std::string_view subkey, std::string_view name) {
    Key key;
    LONG status = RegOpenKeyExW(root, Widen(subkey).c_str(), 0, KEY_QUERY_VALUE, key.Put());
    if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
    CheckStatus(status, "opening registry key", subkey);
    const std::wstring value_name = Widen(name);
    DWORD type = 0, size = 0;
    status = RegQueryValueExW(key.get(), value_name.c_str(), nullptr, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
    CheckStatus(status, "reading registry value under", subkey);
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    status = RegQueryValueExW(key.get(), value_name.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(buffer.data()), &size);
    CheckStatus(status, "reading registry value under", subkey);
    std::wstring text(buffer.data(), size / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return Narrow(text);
}

void WriteRegistryString(HKEY root, std::string_view subkey, std::string_view name, std::string_view value) {
    Key key;
    CheckStatus(RegCreateKeyExW(root, Widen(subkey).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Put(),
                                nullptr),
                "creating registry key", subkey);
    const std::wstring text = Widen(value);
    CheckStatus(RegSetValueExW(key.get(), Widen(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                               static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
                "writing registry value under", subkey);
}

std::vector<std::string> ReadRegistryValueNames(HKEY root, std::string_view subkey) {
    std::vector<std::string> names;
    Key key;
    LONG status = RegOpenKeyExW(root, Widen(subkey).c_str(), 0, KEY_QUERY_VALUE, key.Put());
    if (status == ERROR_FILE_NOT_FOUND) return names;
    CheckStatus(status, "opening registry key", subkey);
    DWORD longest = 0;
    CheckStatus(RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longest,
                                 nullptr, nullptr, nullptr),
                "reading registry key", subkey);
    std::vector<wchar_t> name(longest + 1);
    for (DWORD i = 0;; ++i) {
        DWORD length = DWORD(name.size());
        status = RegEnumValueW(key.get(), i, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        CheckStatus(status, "reading registry key", subkey);
        if (length > 0) names.push_back(Narrow(std::wstring_view(name.data(), length)));
    }
    return names;
}

bool RegistryKeyExists(HKEY root, std::string_view subkey) {
    Key key;
    return RegOpenKeyExW(root, Widen(subkey).c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

void DeleteRegistryTree(HKEY root, std::string_view subkey) {
    const LONG status = RegDeleteTreeW(root, Widen(subkey).c_str());
    if (status == ERROR_FILE_NOT_FOUND) return;
    CheckStatus(status, "deleting registry key", subkey);
    // RegDeleteTree empties the key; the key itself goes with RegDeleteKey.
    const LONG gone = RegDeleteKeyW(root, Widen(subkey).c_str());
    if (gone != ERROR_SUCCESS && gone != ERROR_FILE_NOT_FOUND) CheckStatus(gone, "deleting registry key", subkey);
}

std::optional<int> ReadRegistryInteger(HKEY root, std::string_view subkey, std::string_view name) {
    Key key;
    LONG status = RegOpenKeyExW(root, Widen(subkey).c_str(), 0, KEY_QUERY_VALUE, key.Put());
    if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
    CheckStatus(status, "opening registry key", subkey);
    DWORD type = 0, value = 0, size = sizeof value;
    status = RegQueryValueExW(key.get(), Widen(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (status == ERROR_FILE_NOT_FOUND || status == ERROR_MORE_DATA) return std::nullopt;
    CheckStatus(status, "reading registry value under", subkey);
    if (type != REG_DWORD || size != sizeof value) return std::nullopt;
    return static_cast<int>(value);
}

void WriteRegistryInteger(HKEY root, std::string_view subkey, std::string_view name, int value) {
    Key key;
    CheckStatus(RegCreateKeyExW(root, Widen(subkey).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Put(),
                                nullptr),
                "creating registry key", subkey);
    const DWORD bits = static_cast<DWORD>(value);
    CheckStatus(RegSetValueExW(key.get(), Widen(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&bits),
                               sizeof bits),
                "writing registry value under", subkey);
}

}  // namespace lark::win
