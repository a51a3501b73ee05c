#pragma once
// The Win32 sides of the localization runtime: the string tables of the program's modules as
// the resource-string source, and the width of a text as test mode measures it.
#include <cstdint>
#include <string>
#include <string_view>

#include "localization/resource_strings.h"

namespace lark::localization::win {

// Reads string tables through LoadStringW; the module is an HINSTANCE (0: the program).
class Win32StringTable : public ResourceStringSource {
public:
    std::string Load(std::uintptr_t module, unsigned identifier) override;
};

// Width in pixels of a text drawn on the screen in Tahoma at 8 points.
int TestModeTextWidth(std::string_view utf8);

// Makes the program's string tables the resource-string source and test mode measure with
// TestModeTextWidth.
void InstallWin32Localization();

}  // namespace lark::localization::win
