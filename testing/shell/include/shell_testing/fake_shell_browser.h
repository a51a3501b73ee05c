#pragma once
// A shell browser as small as a view needs: a visible top-level window that parents the view,
// a menu bar with the standard File, Edit, View, Tools and Help submenus for merging, and a
// record of what the view sent to the status bar and asked the browser to do.
#include <windows.h>
#include <shlobj.h>

#include <map>
#include <string>
#include <vector>

#include "win/object.h"

namespace lark::testing {

class FakeShellBrowser : public win::ComObject<IShellBrowser> {
public:
    FakeShellBrowser();

    HWND Window() const { return window_; }
    // The status bar: the texts by part, the part edges, the icon of part 2.
    std::map<int, std::wstring> statusTexts;
    std::vector<int> statusParts;
    HICON statusIcon = nullptr;
    // The menu bar the view installed (null after SetMenuSB(null)), and the calls counted.
    HMENU installedMenu = nullptr;
    int insertMenusCalls = 0;
    int removeMenusCalls = 0;
    int toolbarCalls = 0;
    // BrowseObject: the display names of the last item of each list asked for, and the flags.
    std::vector<std::pair<std::wstring, UINT>> browsed;
    IShellView* activeView = nullptr;

    // The texts of a submenu's entries from the top ("-" for a separator), with "[x]" before a
    // checked entry and "(g)" after a grayed one.
    static std::vector<std::string> Entries(HMENU menu);
    // The submenu of the installed menu bar with this id (FCIDM_MENU_FILE, ...).
    HMENU Submenu(UINT id) const;

    // ---- IOleWindow ----
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    // ---- IShellBrowser ----
    STDMETHODIMP InsertMenusSB(HMENU menu, LPOLEMENUGROUPWIDTHS widths) override;
    STDMETHODIMP SetMenuSB(HMENU menu, HOLEMENU, HWND) override;
    STDMETHODIMP RemoveMenusSB(HMENU menu) override;
    STDMETHODIMP SetStatusTextSB(LPCWSTR) override { return S_OK; }
    STDMETHODIMP EnableModelessSB(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAcceleratorSB(MSG*, WORD) override { return S_FALSE; }
    STDMETHODIMP BrowseObject(LPCITEMIDLIST list, UINT flags) override;
    STDMETHODIMP GetViewStateStream(DWORD, IStream** out) override;
    STDMETHODIMP GetControlWindow(UINT, HWND* out) override;
    STDMETHODIMP SendControlMsg(UINT id, UINT message, WPARAM w, LPARAM l, LRESULT* result) override;
    STDMETHODIMP QueryActiveShellView(IShellView** out) override;
    STDMETHODIMP OnViewWindowActive(IShellView* view) override;
    STDMETHODIMP SetToolbarItems(LPTBBUTTONSB, UINT, UINT) override;

protected:
    void* QueryOther(REFIID iid) override;

private:
    ~FakeShellBrowser() override;
    HWND window_ = nullptr;
};

}  // namespace lark::testing
