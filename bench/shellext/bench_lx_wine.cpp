// lx's costs users feel, measured under Wine through the COM folder against the registered
// main-client double (run: testing/wine/wine-run build/win64/bin/bench_lx_wine.exe):
//   - listing a remote folder of 10,000 files (OpenSession, ListDirectory over COM, parsing,
//     building the items, handing them out);
//   - the first listing of the junction with a site database of 10,000 profiles (reading and
//     deciphering the database, building the tree, handing out the items).
// The double's own site database is swapped for the generated one during the second benchmark
// and put back afterwards;
//   - the view of that folder made and filled (CreateViewObject, CreateViewWindow), and a change
//     notice it handles while all its rows are selected;
//   - with 20,000 items selected, the context menu made and filled and the data object's GetData.
// Prints the median of five runs of each.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <shlwapi.h>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "shell_testing/fake_shell_browser.h"
#include "shellext/win/lx_library.h"
#include "shellext/win/shell_view.h"
#include "win/com_ptr.h"
#include "win/registration.h"
#include "win/text.h"

using namespace lark;
using namespace lark::shellext;

namespace {

constexpr int kFiles = 10000;
constexpr int kProfiles = 10000;
constexpr int kRuns = 5;

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\') + 1); }

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return double(to.QuadPart - from.QuadPart) / double(f.QuadPart);
}

win::ComPtr<IShellFolder> NewRoot() {
    win::ComPtr<IClassFactory> factory;
    LxGetClassObject(kShellFolderClassId, IID_IClassFactory, factory.PutVoid());
    win::ComPtr<IShellFolder> folder;
    factory->CreateInstance(nullptr, IID_IShellFolder, folder.PutVoid());
    win::ComPtr<IPersistFolder> persist;
    folder.As(persist);
    auto* desktop = static_cast<ITEMIDLIST*>(CoTaskMemAlloc(2));
    std::memset(desktop, 0, 2);
    persist->Initialize(desktop);
    CoTaskMemFree(desktop);
    return folder;
}

// Hands out every item of the folder; how many.
int ListAll(IShellFolder* folder, SHCONTF flags) {
    win::ComPtr<IEnumIDList> e;
    if (folder->EnumObjects(nullptr, flags, e.Put()) != S_OK) return -1;
    int n = 0;
    LPITEMIDLIST item = nullptr;
    while (e->Next(1, &item, nullptr) == S_OK) {
        CoTaskMemFree(item);
        ++n;
    }
    return n;
}

LPITEMIDLIST FindByName(IShellFolder* folder, SHCONTF flags, const std::wstring& name) {
    win::ComPtr<IEnumIDList> e;
    if (folder->EnumObjects(nullptr, flags, e.Put()) != S_OK) return nullptr;
    LPITEMIDLIST item = nullptr;
    while (e->Next(1, &item, nullptr) == S_OK) {
        STRRET ret{};
        wchar_t text[260] = L"";
        if (folder->GetDisplayNameOf(item, 0, &ret) == S_OK) StrRetToBufW(&ret, item, text, 260);
        if (name == text) return item;
        CoTaskMemFree(item);
    }
    return nullptr;
}

// The site's directory "big" under a fresh model (Home's session opened, the site listed);
// null when the double's database has no Home.
win::ComPtr<IShellFolder> BigFolder() {
    LxLibrary::Instance().ResetModel();
    win::ComPtr<IShellFolder> root = NewRoot();
    win::ComPtr<IShellFolder> folder;
    LPITEMIDLIST home = FindByName(root.get(), SHCONTF_FOLDERS, L"Home");
    if (!home) return folder;
    win::ComPtr<IShellFolder> site;
    root->BindToObject(home, nullptr, IID_IShellFolder, site.PutVoid());
    CoTaskMemFree(home);
    LPITEMIDLIST bigItem = FindByName(site.get(), SHCONTF_FOLDERS, L"big");
    if (!bigItem) return folder;
    site->BindToObject(bigItem, nullptr, IID_IShellFolder, folder.PutVoid());
    CoTaskMemFree(bigItem);
    return folder;
}

// Every item of the folder, as the enumerator hands them out (the caller frees them).
std::vector<LPITEMIDLIST> Items(IShellFolder* folder) {
    std::vector<LPITEMIDLIST> items;
    win::ComPtr<IEnumIDList> e;
    if (folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, e.Put()) != S_OK) return items;
    LPITEMIDLIST item = nullptr;
    while (e->Next(1, &item, nullptr) == S_OK) items.push_back(item);
    return items;
}

// Handles every message waiting in this thread's queue.
void PumpPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void Report(const char* what, std::vector<double> times, int count) {
    std::sort(times.begin(), times.end());
    std::printf("%-48s %6d items  median %.3f s  (min %.3f, max %.3f)\n", what, count, times[times.size() / 2],
                times.front(), times.back());
}

}  // namespace

int main() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::wstring bin = FolderOf(win::ModulePath());
    LxLibrary::Instance().SetModule(GetModuleHandleW(nullptr));
    static localization::FakeMessageBox box;  // a failure shows here, not as a window
    LxLibrary::Instance().SetMessageBox(&box);

    // The double's site (its default folder) with one directory of 10,000 files.
    const std::wstring program = bin + L"mainclient\\";
    const std::wstring big = program + L"site\\big";
    CreateDirectoryW((program + L"site").c_str(), nullptr);
    CreateDirectoryW(big.c_str(), nullptr);
    for (int i = 0; i < kFiles; ++i) {
        const std::wstring file = big + L"\\file" + std::to_wstring(i) + L".dat";
        if (GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
        HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    SetEnvironmentVariableW(L"LARK_FTP_DOUBLE_CONFIG", nullptr);

    std::vector<double> times;
    int count = 0;
    for (int run = 0; run < kRuns; ++run) {
        win::ComPtr<IShellFolder> folder = BigFolder();
        if (!folder) {
            std::printf("the double's site database has no profile Home\n");
            return 1;
        }
        LARGE_INTEGER t0, t1;
        QueryPerformanceCounter(&t0);
        count = ListAll(folder.get(), SHCONTF_FOLDERS | SHCONTF_NONFOLDERS);
        QueryPerformanceCounter(&t1);
        times.push_back(Seconds(t0, t1));
    }
    Report("remote folder of 10,000 files, first listing", times, count);

    // The view of the folder as Explorer first opens it: the listing comes from the double while
    // the view fills.
    {
        std::vector<double> firsts;
        int rows = 0;
        auto* browser = new lark::testing::FakeShellBrowser;
        for (int run = 0; run < kRuns; ++run) {
            win::ComPtr<IShellFolder> folder = BigFolder();
            if (!folder) return 1;
            LARGE_INTEGER t0, t1;
            QueryPerformanceCounter(&t0);
            win::ComPtr<IShellView> view;
            folder->CreateViewObject(browser->Window(), IID_IShellView, view.PutVoid());
            FOLDERSETTINGS settings{FVM_DETAILS, 0};
            RECT rect{0, 0, 760, 500};
            HWND window = nullptr;
            if (!view || view->CreateViewWindow(nullptr, &settings, browser, &rect, &window) != S_OK) return 1;
            QueryPerformanceCounter(&t1);
            rows = static_cast<int>(SendMessageW(FindWindowExW(window, nullptr, L"SysListView32", nullptr),
                                                 LVM_GETITEMCOUNT, 0, 0));
            view->DestroyViewWindow();
            firsts.push_back(Seconds(t0, t1));
        }
        browser->Release();
        Report("view of 10,000 remote files, first opened", firsts, rows);
    }

    // The view over the listed folder: the listing is in the model, the view does the rest.
    {
        win::ComPtr<IShellFolder> folder = BigFolder();
        if (!folder) return 1;
        ListAll(folder.get(), SHCONTF_FOLDERS | SHCONTF_NONFOLDERS);  // the listing arrives
        auto* browser = new lark::testing::FakeShellBrowser;
        std::vector<double> fills, sorts;
        int rows = 0;
        for (int run = 0; run < kRuns; ++run) {
            LARGE_INTEGER t0, t1, t2;
            QueryPerformanceCounter(&t0);
            win::ComPtr<IShellView> view;
            folder->CreateViewObject(browser->Window(), IID_IShellView, view.PutVoid());
            FOLDERSETTINGS settings{FVM_DETAILS, 0};
            RECT rect{0, 0, 760, 500};
            HWND window = nullptr;
            if (!view || view->CreateViewWindow(nullptr, &settings, browser, &rect, &window) != S_OK) return 1;
            QueryPerformanceCounter(&t1);
            SendMessageW(window, WM_COMMAND, view_command::kArrangeByName, 0);
            SendMessageW(window, WM_COMMAND, view_command::kArrangeBySize, 0);
            QueryPerformanceCounter(&t2);
            rows = static_cast<int>(SendMessageW(FindWindowExW(window, nullptr, L"SysListView32", nullptr),
                                                 LVM_GETITEMCOUNT, 0, 0));
            view->DestroyViewWindow();
            fills.push_back(Seconds(t0, t1));
            sorts.push_back(Seconds(t0, t2));
        }
        Report("view of 10,000 remote files: made and filled", fills, rows);
        Report("view of 10,000 remote files: filled, sorted twice", sorts, rows);

        // A change notice for one row while all 10,000 rows are selected: from the notice sent
        // until the view has handled it.
        {
            win::ComPtr<IShellView> view;
            folder->CreateViewObject(browser->Window(), IID_IShellView, view.PutVoid());
            FOLDERSETTINGS settings{FVM_DETAILS, 0};
            RECT rect{0, 0, 760, 500};
            HWND window = nullptr;
            if (!view || view->CreateViewWindow(nullptr, &settings, browser, &rect, &window) != S_OK) return 1;
            HWND list = FindWindowExW(window, nullptr, L"SysListView32", nullptr);
            LVITEMW all{};
            all.stateMask = LVIS_SELECTED;
            all.state = LVIS_SELECTED;
            SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&all));
            win::ComPtr<IPersistFolder2> persist;
            folder.As(persist);
            LPITEMIDLIST absolute = nullptr;
            persist->GetCurFolder(&absolute);
            std::vector<LPITEMIDLIST> items = Items(folder.get());
            // A delete notice for one row: the view removes it and selects the others again.
            std::vector<double> notices;
            for (int run = 0; run < kRuns && run < static_cast<int>(items.size()); ++run) {
                LPITEMIDLIST changed = ILCombine(absolute, items[static_cast<std::size_t>(run)]);
                const LRESULT rowsBefore = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
                LARGE_INTEGER t0, t1;
                QueryPerformanceCounter(&t0);
                SHChangeNotify(SHCNE_DELETE, SHCNF_IDLIST | SHCNF_FLUSHNOWAIT, changed, nullptr);
                const DWORD start = GetTickCount();
                while (SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == rowsBefore && GetTickCount() - start < 10000) {
                    PumpPending();
                    Sleep(0);
                }
                QueryPerformanceCounter(&t1);
                notices.push_back(Seconds(t0, t1));
                ILFree(changed);
            }
            const int selected = static_cast<int>(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0));
            for (LPITEMIDLIST item : items) CoTaskMemFree(item);
            CoTaskMemFree(absolute);
            view->DestroyViewWindow();
            Report("delete notice handled, 10,000 rows selected", notices, selected);
        }
        browser->Release();
    }

    // 20,000 selected items (the folder's 10,000 twice), as a right-click and a copy hand them.
    {
        win::ComPtr<IShellFolder> folder = BigFolder();
        if (!folder) return 1;
        std::vector<LPITEMIDLIST> items = Items(folder.get());
        std::vector<LPCITEMIDLIST> selection(items.begin(), items.end());
        selection.insert(selection.end(), items.begin(), items.end());
        const UINT n = static_cast<UINT>(selection.size());
        std::vector<double> menus, data;
        for (int run = 0; run < kRuns; ++run) {
            LARGE_INTEGER t0, t1, t2, t3;
            QueryPerformanceCounter(&t0);
            win::ComPtr<IContextMenu> menu;
            folder->GetUIObjectOf(nullptr, n, selection.data(), IID_IContextMenu, nullptr, menu.PutVoid());
            HMENU popup = CreatePopupMenu();
            if (!menu || FAILED(menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_NORMAL))) return 1;
            QueryPerformanceCounter(&t1);
            DestroyMenu(popup);
            menu.Reset();
            QueryPerformanceCounter(&t2);
            win::ComPtr<IDataObject> object;
            folder->GetUIObjectOf(nullptr, n, selection.data(), IID_IDataObject, nullptr, object.PutVoid());
            FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
            STGMEDIUM medium{};
            if (!object || object->GetData(&format, &medium) != S_OK) return 1;
            QueryPerformanceCounter(&t3);
            ReleaseStgMedium(&medium);
            menus.push_back(Seconds(t0, t1));
            data.push_back(Seconds(t2, t3));
        }
        for (LPITEMIDLIST item : items) CoTaskMemFree(item);
        Report("context menu made and filled, 20,000 selected", menus, static_cast<int>(n));
        Report("data object made, GetData, 20,000 selected", data, static_cast<int>(n));
    }

    // A database of 10,000 profiles in place of the double's.
    const std::wstring database = program + L"larkftpsrvs.ini";
    const std::wstring saved = program + L"larkftpsrvs.ini.bench-saved";
    if (!MoveFileExW(database.c_str(), saved.c_str(), MOVEFILE_REPLACE_EXISTING)) return 1;
    {
        std::ofstream out(database.c_str(), std::ios::binary);
        out << "[FTPServers]\r\nServers1_FTPServers.Count=" << kProfiles << "\r\n\r\n[FTPServers.Servers1_FTPServers]\r\n";
        for (int i = 0; i < kProfiles; ++i)
            out << "Item" << i << "_ProfileName=Site " << i << "\r\nItem" << i << "_HostName=host" << i
                << ".example\r\nItem" << i << "_Port=21\r\nItem" << i << "_UserName=user\r\nItem" << i
                << "_PassWord=5gXhx3miOJswKepb2ZOAB60dazBwjIkHc7QPtOYliKA=\r\nItem" << i << "_HostDirName=/pub\r\nItem"
                << i << "_IsFolder=False\r\n";
    }
    times.clear();
    for (int run = 0; run < kRuns; ++run) {
        LxLibrary::Instance().ResetModel();
        win::ComPtr<IShellFolder> root = NewRoot();
        LARGE_INTEGER t0, t1;
        QueryPerformanceCounter(&t0);
        count = ListAll(root.get(), SHCONTF_FOLDERS);
        QueryPerformanceCounter(&t1);
        times.push_back(Seconds(t0, t1));
    }
    MoveFileExW(saved.c_str(), database.c_str(), MOVEFILE_REPLACE_EXISTING);
    Report("junction with 10,000 profiles, first listing", times, count);
    LxLibrary::Instance().ResetModel();
    CoUninitialize();
    return box.shown.empty() ? 0 : 1;
}
