#include "shell_testing/notice_recorder.h"

#include <cstring>

namespace lark::testing {

namespace {

constexpr UINT kNoticeMessage = WM_APP + 7;

// The stored display name of an extension item: UTF-16 from offset 8, at most 39 units.
std::string NameOf(LPCITEMIDLIST list) {
    if (!list || list->mkid.cb == 0) return "";
    LPCITEMIDLIST last = ILFindLastID(list);
    if (last->mkid.cb < 92) return "";
    wchar_t name[40] = L"";
    std::memcpy(name, reinterpret_cast<const unsigned char*>(last) + 8, 39 * sizeof(wchar_t));
    const int n = WideCharToMultiByte(CP_UTF8, 0, name, -1, nullptr, 0, nullptr, nullptr);
    std::string text(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, name, -1, text.data(), n, nullptr, nullptr);
    return text;
}

}  // namespace

NoticeRecorder::NoticeRecorder() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LarkTestNotices";
    RegisterClassW(&wc);
    window_ = CreateWindowExW(0, L"LarkTestNotices", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    static ITEMIDLIST desktop{};
    SHChangeNotifyEntry entry{&desktop, TRUE};
    id_ = SHChangeNotifyRegister(window_, SHCNRF_InterruptLevel | SHCNRF_ShellLevel | SHCNRF_NewDelivery,
                                 SHCNE_ALLEVENTS, kNoticeMessage, 1, &entry);
}

NoticeRecorder::~NoticeRecorder() {
    if (id_) SHChangeNotifyDeregister(id_);
    DestroyWindow(window_);
}

LRESULT CALLBACK NoticeRecorder::Proc(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<NoticeRecorder*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message != kNoticeMessage || !self) return DefWindowProcW(window, message, w, l);
    // SHChangeNotification_Lock and _Unlock, by ordinal.
    using LockFn = HANDLE(WINAPI*)(HANDLE, DWORD, LPITEMIDLIST**, LONG*);
    using UnlockFn = BOOL(WINAPI*)(HANDLE);
    HMODULE shell32 = GetModuleHandleW(L"shell32.dll");
    auto lock = reinterpret_cast<LockFn>(reinterpret_cast<void*>(GetProcAddress(shell32, MAKEINTRESOURCEA(644))));
    auto unlock = reinterpret_cast<UnlockFn>(reinterpret_cast<void*>(GetProcAddress(shell32, MAKEINTRESOURCEA(645))));
    LPITEMIDLIST* lists = nullptr;
    LONG event = 0;
    HANDLE h = lock(reinterpret_cast<HANDLE>(w), static_cast<DWORD>(l), &lists, &event);
    if (!h) return 0;
    self->notices.push_back({event, NameOf(lists[0]), lists[1] ? NameOf(lists[1]) : "<null>"});
    unlock(h);
    return 0;
}

}  // namespace lark::testing
