#include "shell_testing/fake_shell_browser.h"

#include <commctrl.h>

#include "win/text.h"

namespace lark::testing {
namespace {

void AddPopup(HMENU bar, UINT id, const wchar_t* text, const std::vector<std::pair<UINT, const wchar_t*>>& entries) {
    HMENU popup = CreatePopupMenu();
    for (const auto& [entryId, entryText] : entries) {
        if (entryText)
            AppendMenuW(popup, MF_STRING, entryId, entryText);
        else
            AppendMenuW(popup, MF_SEPARATOR, entryId, nullptr);
    }
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    item.wID = id;
    item.hSubMenu = popup;
    std::wstring copy = text;
    item.dwTypeData = copy.data();
    InsertMenuItemW(bar, GetMenuItemCount(bar), TRUE, &item);
}

}  // namespace

FakeShellBrowser::FakeShellBrowser() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LarkFakeShellBrowser";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassW(&wc);
    window_ = CreateWindowExW(0, L"LarkFakeShellBrowser", L"Fake browser", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 800,
                              600, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

FakeShellBrowser::~FakeShellBrowser() {
    if (window_) DestroyWindow(window_);
}

void* FakeShellBrowser::QueryOther(REFIID iid) {
    if (IsEqualIID(iid, IID_IOleWindow)) return static_cast<IOleWindow*>(this);
    return nullptr;
}

STDMETHODIMP FakeShellBrowser::GetWindow(HWND* window) {
    if (!window) return E_INVALIDARG;
    *window = window_;
    return S_OK;
}

STDMETHODIMP FakeShellBrowser::InsertMenusSB(HMENU menu, LPOLEMENUGROUPWIDTHS widths) {
    ++insertMenusCalls;
    AddPopup(menu, FCIDM_MENU_FILE, L"&File", {{0xA001, L"&Close"}});
    AddPopup(menu, FCIDM_MENU_EDIT, L"&Edit", {{0xA002, L"&Undo"}});
    AddPopup(menu, FCIDM_MENU_VIEW, L"&View",
             {{0xA003, L"&Toolbar"}, {FCIDM_MENU_VIEW_SEP_OPTIONS, nullptr}, {0xA004, L"&Options"}});
    AddPopup(menu, FCIDM_MENU_TOOLS, L"&Tools", {{0xA005, L"&Map drive"}});
    AddPopup(menu, FCIDM_MENU_HELP, L"&Help", {{0xA006, L"&Help topics"}});
    if (widths) {
        widths->width[0] = 2;
        widths->width[2] = 1;
        widths->width[4] = 2;
    }
    return S_OK;
}

STDMETHODIMP FakeShellBrowser::SetMenuSB(HMENU menu, HOLEMENU, HWND) {
    installedMenu = menu;
    return S_OK;
}

STDMETHODIMP FakeShellBrowser::RemoveMenusSB(HMENU) {
    ++removeMenusCalls;
    return S_OK;
}

STDMETHODIMP FakeShellBrowser::BrowseObject(LPCITEMIDLIST list, UINT flags) {
    if (!list) return E_INVALIDARG;
    // The extension's items carry their name at offset 8 (UTF-16, zero-terminated).
    LPCITEMIDLIST last = ILFindLastID(list);
    std::wstring name;
    if (last && last->mkid.cb >= 92) name = reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(last) + 8);
    browsed.emplace_back(name, flags);
    return S_OK;
}

STDMETHODIMP FakeShellBrowser::GetViewStateStream(DWORD, IStream** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP FakeShellBrowser::GetControlWindow(UINT, HWND* out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP FakeShellBrowser::SendControlMsg(UINT id, UINT message, WPARAM w, LPARAM l, LRESULT* result) {
    if (result) *result = 0;
    if (id != FCW_STATUS) return S_OK;
    switch (message) {
        case SB_SETTEXTW: statusTexts[LOBYTE(LOWORD(w))] = reinterpret_cast<const wchar_t*>(l); break;
        case SB_SETTEXTA: statusTexts[LOBYTE(LOWORD(w))] = win::Widen(reinterpret_cast<const char*>(l)); break;
        case SB_SETPARTS: {
            const int* edges = reinterpret_cast<const int*>(l);
            statusParts.assign(edges, edges + w);
            break;
        }
        case SB_SETICON:
            if (w == 2) statusIcon = reinterpret_cast<HICON>(l);
            break;
        default: break;
    }
    return S_OK;
}

STDMETHODIMP FakeShellBrowser::QueryActiveShellView(IShellView** out) {
    if (!out) return E_INVALIDARG;
    *out = activeView;
    if (activeView) activeView->AddRef();
    return activeView ? S_OK : E_FAIL;
}

STDMETHODIMP FakeShellBrowser::OnViewWindowActive(IShellView*) { return S_OK; }

STDMETHODIMP FakeShellBrowser::SetToolbarItems(LPTBBUTTONSB, UINT, UINT) {
    ++toolbarCalls;
    return S_OK;
}

std::vector<std::string> FakeShellBrowser::Entries(HMENU menu) {
    std::vector<std::string> entries;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW item{};
        wchar_t text[128] = L"";
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
        item.dwTypeData = text;
        item.cch = 127;
        GetMenuItemInfoW(menu, i, TRUE, &item);
        if (item.fType & MFT_SEPARATOR) {
            entries.push_back("-");
            continue;
        }
        std::string entry = (item.fState & MFS_CHECKED) ? "[x]" : "";
        entry += win::Narrow(text);
        if (item.fState & MFS_GRAYED) entry += "(g)";
        entries.push_back(entry);
    }
    return entries;
}

HMENU FakeShellBrowser::Submenu(UINT id) const {
    if (!installedMenu) return nullptr;
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_SUBMENU;
    if (!GetMenuItemInfoW(installedMenu, id, FALSE, &item)) return nullptr;
    return item.hSubMenu;
}

}  // namespace lark::testing
