#pragma once
// Registry access in UTF-8 terms (string values only: all that registration and settings need).
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lark::win {

// The value (empty name: the key's default value), or nothing when the key or value is
// missing or is not a string. Throws ComError on other failures.
std::optional<std::string> ReadRegistryString(HKEY root, std::string_view subkey, std::string_view name = {});

// Creates the key as needed.
void WriteRegistryString(HKEY root, std::string_view subkey, std::string_view name, std::string_view value);

// The names of the key's values (the default value left out); none when the key is missing.
std::vector<std::string> ReadRegistryValueNames(HKEY root, std::string_view subkey);

bool RegistryKeyExists(HKEY root, std::string_view subkey);

// Deletes the key with everything below it; a missing key is not an error.
void DeleteRegistryTree(HKEY root, std::string_view subkey);

// A REG_DWORD value as a signed 32-bit integer, or nothing when the key or value is missing or
// is not a DWORD. Throws ComError on other failures.
std::optional<int> ReadRegistryInteger(HKEY root, std::string_view subkey, std::string_view name);

// Creates the key as needed; the value is stored as REG_DWORD.
void WriteRegistryInteger(HKEY root, std::string_view subkey, std::string_view name, int value);

}  // namespace lark::win
