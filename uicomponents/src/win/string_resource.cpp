#include "uicomponents/string_resource.h"

#include "win/text.h"

namespace lark::ui {

StringResource::StringResource(HMODULE module, const std::string& name) {
    const std::wstring wide = win::Widen(name);
    HMODULE holder = module;
    HRSRC found = module ? FindResourceW(module, wide.c_str(), MAKEINTRESOURCEW(10)) : nullptr;
    if (!found) {
        holder = GetModuleHandleW(nullptr);
        found = FindResourceW(holder, wide.c_str(), MAKEINTRESOURCEW(10));
    }
    if (!found) throw StringTableError("String resource not found: " + name);
    HGLOBAL loaded = LoadResource(holder, found);
    if (!loaded) throw StringTableError("Unable to open string resource: " + name);
    const void* data = LockResource(loaded);
    if (!data) throw StringTableError("Cannot lock resource: " + name);
    // Resources stay mapped while the module is loaded; nothing needs unlocking or freeing.
    table_ = std::make_unique<StringTable>(
        name, std::span(static_cast<const std::uint8_t*>(data), SizeofResource(holder, found)));
}

}  // namespace lark::ui
