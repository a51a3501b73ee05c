#include "localization/win/platform_win.h"

#include <windows.h>

#include "core/text_encoding.h"
#include "localization/lang_dispatcher.h"

namespace lark::localization::win {
namespace {

std::wstring Wide(std::string_view utf8) {
    const std::u16string text = core::Utf8ToUtf16(utf8);
    return std::wstring(text.begin(), text.end());
}

}  // namespace

std::string Win32StringTable::Load(std::uintptr_t module, unsigned identifier) {
    // At most kMaxResourceStringLength characters and the terminator; longer strings are cut.
    wchar_t buffer[kMaxResourceStringLength + 1];
    HINSTANCE instance = module ? reinterpret_cast<HINSTANCE>(module) : GetModuleHandleW(nullptr);
    const int length = LoadStringW(instance, identifier, buffer, static_cast<int>(kMaxResourceStringLength + 1));
    if (length <= 0) return {};
    return core::Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(buffer), static_cast<std::size_t>(length)));
}

int TestModeTextWidth(std::string_view utf8) {
    HDC screen = GetDC(nullptr);
    if (!screen) return 0;
    const int height = -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
    HFONT font = CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
    HGDIOBJ previous = font ? SelectObject(screen, font) : nullptr;
    const std::wstring text = Wide(utf8);
    SIZE size{};
    const BOOL measured = GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &size);
    if (previous) SelectObject(screen, previous);
    if (font) DeleteObject(font);
    ReleaseDC(nullptr, screen);
    return measured ? size.cx : 0;
}

void InstallWin32Localization() {
    static Win32StringTable table;
    SetResourceStringSource(&table);
    TTestModeInfo::TextWidth() = [](std::string_view text) { return TestModeTextWidth(text); };
}

}  // namespace lark::localization::win
