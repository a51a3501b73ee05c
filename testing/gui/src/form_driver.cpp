#include "gui_testing/form_driver.h"

#include <commctrl.h>

#include <array>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "gui_testing/process.h"
#include "ui/standard_controls.h"
#include "win/text.h"

namespace lark::testing {

ui::Control& FormDriver::Control(std::string_view component) {
    auto* control = dynamic_cast<ui::Control*>(form_.FindComponent(component));
    if (!control) throw std::runtime_error(form_.Name() + " has no control " + std::string(component));
    return *control;
}

HWND FormDriver::Window(std::string_view component) { return Control(component).Handle(); }

std::string FormDriver::Text(std::string_view component) {
    HWND window = Window(component);
    wchar_t buffer[4096];
    const int n = GetWindowTextW(window, buffer, static_cast<int>(std::size(buffer)));
    return win::Narrow(std::wstring(buffer, static_cast<std::size_t>(n)));
}

void FormDriver::Type(std::string_view component, std::string_view text) {
    SendMessageW(Window(component), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(win::Widen(text).c_str()));
    Pump();
}

void FormDriver::Click(std::string_view component) {
    SendMessageW(Window(component), BM_CLICK, 0, 0);
    Pump();
}

void FormDriver::MouseClick(std::string_view component) {
    HWND window = Window(component);
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    Pump();
}

void FormDriver::Key(UINT virtualKey, unsigned modifiers) {
    BYTE saved[256];
    GetKeyboardState(saved);
    BYTE state[256];
    std::copy(std::begin(saved), std::end(saved), state);
    if (modifiers & kShift) state[VK_SHIFT] = state[VK_LSHIFT] = 0x80;
    if (modifiers & kCtrl) state[VK_CONTROL] = state[VK_LCONTROL] = 0x80;
    if (modifiers & kAlt) state[VK_MENU] = state[VK_LMENU] = 0x80;
    SetKeyboardState(state);
    HWND target = GetFocus();
    if (!target) target = form_.Handle();
    const bool alt = (modifiers & kAlt) && !(modifiers & kCtrl);
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16;
    const LPARAM context = alt ? (1 << 29) : 0;
    PostMessageW(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, virtualKey, 1 | scan | context);
    Pump();
    target = GetFocus() ? GetFocus() : target;
    PostMessageW(target, alt ? WM_SYSKEYUP : WM_KEYUP, virtualKey, 1 | scan | context | (1u << 30) | (1u << 31));
    Pump();
    SetKeyboardState(saved);
}

std::string FormDriver::Focused() {
    for (HWND window = GetFocus(); window; window = GetParent(window))
        if (ui::Control* control = ui::Control::FromHandle(window)) return control == &form_ ? std::string() : control->Name();
    return {};
}

std::string FormDriver::Cell(std::string_view listView, int row, int column) {
    wchar_t buffer[1024] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = static_cast<int>(std::size(buffer));
    const auto n = SendMessageW(Window(listView), LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return win::Narrow(std::wstring(buffer, static_cast<std::size_t>(n)));
}

void FormDriver::Pump() { testing::Pump(); }

namespace {
struct PendingScript {
    FormDriver* driver = nullptr;
    ui::Form* form = nullptr;
    const std::function<void(FormDriver&)>* script = nullptr;
    std::exception_ptr failure;
};
thread_local PendingScript* g_pending = nullptr;

void CALLBACK RunScript(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    PendingScript* pending = g_pending;
    g_pending = nullptr;
    if (!pending) return;
    try {
        (*pending->script)(*pending->driver);
    } catch (...) {
        pending->failure = std::current_exception();
    }
    MSG quit;
    if (pending->form->Modal() && pending->form->GetModalResult() == ui::ModalResult::None &&
        !PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE))
        pending->form->SetModalResult(ui::ModalResult::Abort);
}
}  // namespace

ui::ModalResult FormDriver::RunModal(const std::function<void(FormDriver&)>& script) {
    PendingScript pending{this, &form_, &script, nullptr};
    g_pending = &pending;
    // A thread timer fires once the modal loop is waiting, with the form shown.
    if (!SetTimer(nullptr, 0, 0, &RunScript)) throw std::runtime_error("cannot start the script timer");
    ui::ModalResult result = ui::ModalResult::None;
    try {
        result = form_.ShowModal();
    } catch (...) {
        g_pending = nullptr;
        throw;
    }
    g_pending = nullptr;
    if (pending.failure) std::rethrow_exception(pending.failure);
    return result;
}

std::wstring ArtifactFolder() {
    std::wstring folder = ThisProgramFolder() + L"artifacts\\" + ThisProgramName() + L"\\";
    std::filesystem::create_directories(std::filesystem::path(folder));
    return folder;
}

namespace {
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void Chunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
    PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
    std::vector<std::uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    PutBigEndian(out, Crc32(typed.data(), typed.size()));
}
}  // namespace

void WritePng(const std::wstring& path, int width, int height, const std::vector<std::uint32_t>& bgra) {
    // Rows of filter byte 0 and RGB, in a zlib stream of stored (uncompressed) blocks.
    std::vector<std::uint8_t> raw;
    raw.reserve(static_cast<std::size_t>(height) * (static_cast<std::size_t>(width) * 3 + 1));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = bgra[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
            raw.push_back(static_cast<std::uint8_t>(p >> 16));
            raw.push_back(static_cast<std::uint8_t>(p >> 8));
            raw.push_back(static_cast<std::uint8_t>(p));
        }
    }
    std::vector<std::uint8_t> z{0x78, 0x01};
    for (std::size_t at = 0; at < raw.size() || raw.empty(); at += 65535) {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
        z.push_back(at + n >= raw.size() ? 1 : 0);
        z.push_back(static_cast<std::uint8_t>(n));
        z.push_back(static_cast<std::uint8_t>(n >> 8));
        z.push_back(static_cast<std::uint8_t>(~n));
        z.push_back(static_cast<std::uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at), raw.begin() + static_cast<std::ptrdiff_t>(at + n));
        if (raw.empty()) break;
    }
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBigEndian(z, (b << 16) | a);

    std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<std::uint8_t> header;
    PutBigEndian(header, static_cast<std::uint32_t>(width));
    PutBigEndian(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", {});
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    if (!out) throw std::runtime_error("cannot write " + win::Narrow(path));
}

std::wstring FormDriver::Screenshot(const std::string& name) { return ScreenshotOf(form_.Handle(), name); }

std::wstring ScreenshotOf(HWND window, const std::string& name) {
    std::wstring path = ArtifactFolder() + win::Widen(name) + L".png";
    CaptureWindow(window, path);
    return path;
}

void CaptureWindow(HWND window, const std::wstring& path) {
    Pump();
    RECT r{};
    GetWindowRect(window, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) {
        DeleteDC(dc);
        throw std::runtime_error("cannot make a bitmap for the screenshot");
    }
    HGDIOBJ old = SelectObject(dc, bitmap);
    // What the screen shows: the window brought up and painted, then copied from the screen.
    // (Wine's PrintWindow draws the form's background but not its child windows.)
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();
    HDC screen = GetDC(nullptr);
    const BOOL printed = BitBlt(dc, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    GdiFlush();
    std::vector<std::uint32_t> pixels(static_cast<const std::uint32_t*>(bits),
                                      static_cast<const std::uint32_t*>(bits) + static_cast<std::size_t>(width) * height);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    if (!printed) throw std::runtime_error("cannot copy the screen for " + win::Narrow(path));
    WritePng(path, width, height, pixels);
}

std::vector<std::string> OverflowingTexts(ui::Form& form, int margin) {
    std::vector<std::string> found;
    for (int i = 0; i < form.ComponentCount(); ++i) {
        auto* control = dynamic_cast<ui::Control*>(form.Components(i));
        if (!control || !control->HandleAllocated() || !IsWindowVisible(control->Handle())) continue;
        const bool label = dynamic_cast<ui::Label*>(control) != nullptr;
        const bool check = dynamic_cast<ui::CheckBox*>(control) != nullptr;
        const bool button = dynamic_cast<ui::Button*>(control) != nullptr;
        const bool group = dynamic_cast<ui::GroupBox*>(control) != nullptr;
        if (!label && !check && !button && !group) continue;
        const std::wstring text = win::Widen(control->Text());
        if (text.empty()) continue;
        HWND window = control->Handle();
        RECT client{};
        GetClientRect(window, &client);
        int available = client.right;
        if (button) available -= 2 * (GetSystemMetrics(SM_CXEDGE) + 2);
        if (check) available -= GetSystemMetrics(SM_CXMENUCHECK) + 4;
        if (group) available -= 2 * 8;
        const bool wraps = label && static_cast<ui::Label*>(control)->WordWrap();
        HDC dc = GetDC(window);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
        RECT need{0, 0, wraps ? available : 0, 0};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &need, DT_CALCRECT | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
        SelectObject(dc, old);
        ReleaseDC(window, dc);
        const std::string name = control->Name() + ": \"" + control->Text() + "\" needs ";
        if (wraps) {
            if (need.bottom > client.bottom + margin)
                found.push_back(name + std::to_string(need.bottom) + " px high, has " + std::to_string(client.bottom));
        } else if (need.right > available + margin) {
            found.push_back(name + std::to_string(need.right) + " px, has " + std::to_string(available));
        }
    }
    return found;
}

}  // namespace lark::testing
