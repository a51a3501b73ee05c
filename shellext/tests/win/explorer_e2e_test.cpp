// lx in Wine's own Explorer: registered with regsvr32 (and as a desktop junction, since Wine has
// no network places folder), browsed through Explorer's folder tree as a user would open it, with
// the main-client double behind it. At each stage the test writes "<stage>.ready" (holding the X
// display) into the screenshot folder given on the command line and waits for "<stage>.done":
// the runner script takes the screenshot in between.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "win/registry.h"
#include "win/text.h"
#include "mainclient_double/double_support.h"

using namespace lark;
using namespace lark::testing;

namespace {

const char kClassId[] = "{33D0B7CC-535E-4CD0-B33A-934372B1AEFD}";
const char kDesktopJunction[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Desktop\\NameSpace\\{33D0B7CC-535E-4CD0-B33A-934372B1AEFD}";
std::wstring gShots;  // the screenshot folder; none: no screenshots

// Polls until the condition holds or the time is up.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 20000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(100);
    }
    return condition();
}

void Screenshot(const std::string& stage) {
    if (gShots.empty()) return;
    char display[256] = "";
    GetEnvironmentVariableA("DISPLAY", display, sizeof display);
    const std::wstring ready = gShots + win::Widen(stage) + L".ready";
    const std::wstring done = gShots + win::Widen(stage) + L".done";
    DeleteFileW(done.c_str());
    WriteTextFile(ready, display);
    EXPECT_TRUE(WaitFor([&] { return Exists(done); }, 30000)) << "no screenshot of " << stage;
    DeleteFileW(ready.c_str());
    DeleteFileW(done.c_str());
}

// Explorer's folder tree, read from this process through memory of Explorer's.
class RemoteTree {
public:
    RemoteTree(HWND tree, DWORD process) : tree_(tree) {
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process);
        if (process_) memory_ = VirtualAllocEx(process_, nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteTree() {
        if (memory_) VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    bool Ready() const { return memory_ != nullptr; }

    std::string Text(HTREEITEM item) {
        TVITEMW tv{};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = reinterpret_cast<LPWSTR>(static_cast<char*>(memory_) + 1024);
        tv.cchTextMax = 256;
        SIZE_T n = 0;
        WriteProcessMemory(process_, memory_, &tv, sizeof tv, &n);
        if (!SendMessageW(tree_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(memory_))) return {};
        wchar_t text[256] = L"";
        ReadProcessMemory(process_, static_cast<char*>(memory_) + 1024, text, sizeof text - sizeof(wchar_t), &n);
        return win::Narrow(text);
    }
    std::vector<HTREEITEM> Children(HTREEITEM parent) {
        std::vector<HTREEITEM> items;
        auto item = reinterpret_cast<HTREEITEM>(
            SendMessageW(tree_, TVM_GETNEXTITEM, parent ? TVGN_CHILD : TVGN_ROOT, reinterpret_cast<LPARAM>(parent)));
        for (; item; item = reinterpret_cast<HTREEITEM>(SendMessageW(tree_, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item))))
            items.push_back(item);
        return items;
    }
    std::vector<std::string> ChildNames(HTREEITEM parent) {
        std::vector<std::string> names;
        for (HTREEITEM item : Children(parent)) names.push_back(Text(item));
        return names;
    }
    // The first item of that name anywhere below `parent` (breadth first).
    HTREEITEM Find(HTREEITEM parent, const std::string& name) {
        std::vector<HTREEITEM> level = Children(parent);
        while (!level.empty()) {
            std::vector<HTREEITEM> next;
            for (HTREEITEM item : level) {
                if (Text(item) == name) return item;
                for (HTREEITEM child : Children(item)) next.push_back(child);
            }
            level = std::move(next);
        }
        return nullptr;
    }
    void Open(HTREEITEM item) {
        SendMessageW(tree_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
        SendMessageW(tree_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    }

private:
    HWND tree_;
    HANDLE process_ = nullptr;
    void* memory_ = nullptr;
};

HWND ChildOfClass(HWND parent, const wchar_t* className);

// The extension's view window in Explorer's right pane and the rows of its list view, read from
// this process through memory of Explorer's (the list asks the view window for its texts).
std::vector<std::string> ViewRows(HWND explorer, DWORD process, int column = 0) {
    std::vector<std::string> rows;
    HWND view = ChildOfClass(explorer, L"TLXVIEWOBJECT");
    HWND list = view ? FindWindowExW(view, nullptr, L"SysListView32", nullptr) : nullptr;
    if (!list) return rows;
    HANDLE p = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process);
    if (!p) return rows;
    void* memory = VirtualAllocEx(p, nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; memory && i < count; ++i) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = reinterpret_cast<LPWSTR>(static_cast<char*>(memory) + 1024);
        item.cchTextMax = 256;
        SIZE_T n = 0;
        WriteProcessMemory(p, memory, &item, sizeof item, &n);
        SendMessageW(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(memory));
        wchar_t text[256] = L"";
        ReadProcessMemory(p, static_cast<char*>(memory) + 1024, text, sizeof text - sizeof(wchar_t), &n);
        rows.push_back(win::Narrow(text));
    }
    if (memory) VirtualFreeEx(p, memory, 0, MEM_RELEASE);
    CloseHandle(p);
    return rows;
}

// Selects one row of the view's list alone, through memory of Explorer's.
void SelectViewRow(HWND explorer, DWORD process, int row) {
    HWND view = ChildOfClass(explorer, L"TLXVIEWOBJECT");
    HWND list = view ? FindWindowExW(view, nullptr, L"SysListView32", nullptr) : nullptr;
    HANDLE p = list ? OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process) : nullptr;
    if (!p) return;
    void* memory = VirtualAllocEx(p, nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (memory) {
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SIZE_T n = 0;
        WriteProcessMemory(p, memory, &item, sizeof item, &n);
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(memory));
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        WriteProcessMemory(p, memory, &item, sizeof item, &n);
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(memory));
        VirtualFreeEx(p, memory, 0, MEM_RELEASE);
    }
    CloseHandle(p);
}

int IndexOf(const std::vector<std::string>& names, const std::string& name) {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return static_cast<int>(i);
    return -1;
}

// The system's own date and time texts for the user's locale.
std::string SystemDate(const SYSTEMTIME& st, DWORD flags) {
    wchar_t text[128] = L"";
    GetDateFormatW(LOCALE_USER_DEFAULT, flags, &st, nullptr, text, 128);
    return win::Narrow(text);
}

std::wstring TextOf(HWND window) {
    wchar_t text[256] = L"";
    SendMessageTimeoutW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 5000, nullptr);
    return text;
}

BOOL CALLBACK CollectTexts(HWND child, LPARAM out) {
    if (IsWindowVisible(child)) reinterpret_cast<std::vector<std::string>*>(out)->push_back(win::Narrow(TextOf(child)));
    return TRUE;
}

struct WindowSearch {
    DWORD process;
    HWND found = nullptr;
};

BOOL CALLBACK FindTopWindow(HWND window, LPARAM p) {
    auto* s = reinterpret_cast<WindowSearch*>(p);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != s->process || !IsWindowVisible(window) || GetWindow(window, GW_OWNER)) return TRUE;
    s->found = window;
    return FALSE;
}

HWND TopWindowOf(DWORD process) {
    WindowSearch search{process};
    EnumWindows(&FindTopWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct ClassSearch {
    const wchar_t* name;
    HWND found = nullptr;
};

BOOL CALLBACK FindChildOfClass(HWND window, LPARAM p) {
    auto* s = reinterpret_cast<ClassSearch*>(p);
    wchar_t name[64];
    GetClassNameW(window, name, 64);
    if (lstrcmpiW(name, s->name) != 0) return TRUE;
    s->found = window;
    return FALSE;
}

HWND ChildOfClass(HWND parent, const wchar_t* className) {
    ClassSearch search{className};
    EnumChildWindows(parent, &FindChildOfClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    for (const auto& n : names)
        if (n == name) return true;
    return false;
}

}  // namespace

TEST(LxInExplorer, ShowsTheJunctionItsSitesAndARemoteDirectory) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    DoubleSetup server(win::Widen(LARK_DOUBLE_EXE), L"explorer");
    ASSERT_TRUE(server.Register());
    server.Reset();
    CreateDirectoryW(server.Site(L"pub").c_str(), nullptr);
    CreateDirectoryW(server.Site(L"pub\\incoming").c_str(), nullptr);
    CreateDirectoryW(server.Site(L"docs").c_str(), nullptr);
    WriteTextFile(server.Site(L"readme.txt"), "hello");
    WriteTextFile(server.Site(L"big.bin"), std::string(1536000, 'b'));

    const std::wstring dll = FolderOf(win::ModulePath()) + L"lx.dll";
    ASSERT_EQ(RunProgram(L"regsvr32.exe", L"/s \"" + dll + L"\""), 0u);
    win::WriteRegistryString(HKEY_LOCAL_MACHINE, kDesktopJunction, "", "LARK-FTP Network Places");

    std::wstring command = std::wstring(L"explorer.exe /n,::") + win::Widen(kClassId);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    HWND window = nullptr;
    HWND treeWindow = nullptr;
    EXPECT_TRUE(WaitFor([&] {
        window = TopWindowOf(pi.dwProcessId);
        treeWindow = window ? ChildOfClass(window, L"SysTreeView32") : nullptr;
        return treeWindow != nullptr;
    })) << "Explorer showed no folder tree";
    if (treeWindow) {
        SetWindowPos(window, HWND_TOP, 0, 0, 960, 640, SWP_SHOWWINDOW);
        RemoteTree tree(treeWindow, pi.dwProcessId);
        ASSERT_TRUE(tree.Ready());
        HTREEITEM junction = nullptr;
        EXPECT_TRUE(WaitFor([&] { return (junction = tree.Find(nullptr, "LARK-FTP Network Places")) != nullptr; }))
            << "the junction is not in Explorer's tree";
        if (junction) {
            tree.Open(junction);
            EXPECT_TRUE(WaitFor([&] {
                const auto names = tree.ChildNames(junction);
                return Contains(names, "Home") && Contains(names, "Work");
            })) << ::testing::PrintToString(tree.ChildNames(junction));
            // The junction opened in the right pane shows the extension's site list.
            EXPECT_TRUE(WaitFor([&] {
                const auto rows = ViewRows(window, pi.dwProcessId);
                return Contains(rows, "Create new...") && Contains(rows, "Home") && Contains(rows, "Work");
            })) << ::testing::PrintToString(ViewRows(window, pi.dwProcessId));
            Sleep(500);  // let the view paint
            Screenshot("explorer-junction");

            HTREEITEM home = tree.Find(junction, "Home");
            ASSERT_NE(home, nullptr);
            tree.Open(home);
            EXPECT_TRUE(WaitFor([&] {
                const auto names = tree.ChildNames(home);
                return Contains(names, "docs") && Contains(names, "pub");
            })) << ::testing::PrintToString(tree.ChildNames(home));
            EXPECT_FALSE(server.CallsOf("ListDirectory").empty());
            // The site opened in the right pane: the extension's own view with the remote rows.
            EXPECT_TRUE(WaitFor([&] {
                const auto rows = ViewRows(window, pi.dwProcessId);
                return Contains(rows, "docs") && Contains(rows, "pub") && Contains(rows, "readme.txt");
            })) << ::testing::PrintToString(ViewRows(window, pi.dwProcessId));
            // Wide enough for the whole dates in the picture.
            if (HWND view = ChildOfClass(window, L"TLXVIEWOBJECT"))
                SendMessageW(FindWindowExW(view, nullptr, L"SysListView32", nullptr), LVM_SETCOLUMNWIDTH, 3, 190);
            Sleep(500);
            Screenshot("explorer-view");
            // The dates and sizes of the user's regional settings, with the system's own date.
            SYSTEMTIME today{};
            GetLocalTime(&today);
            const bool german = GetUserDefaultLCID() == 0x0407;
            const auto names = ViewRows(window, pi.dwProcessId);
            const int big = IndexOf(names, "big.bin");
            ASSERT_GE(big, 0);
            EXPECT_EQ(ViewRows(window, pi.dwProcessId, 1)[big], german ? "1.500,00 KB" : "1,500.00 KB");
            const std::string modified = ViewRows(window, pi.dwProcessId, 3)[big];
            EXPECT_EQ(modified.rfind(SystemDate(today, DATE_SHORTDATE) + " ", 0), 0u) << modified;
            // Its properties, as Alt+Enter opens them.
            SelectViewRow(window, pi.dwProcessId, big);
            PostMessageW(ChildOfClass(window, L"TLXVIEWOBJECT"), WM_COMMAND, 108, 0);
            HWND properties = nullptr;
            EXPECT_TRUE(WaitFor([&] { return (properties = FindWindowW(L"TFSObjectForm", nullptr)) != nullptr; }))
                << "no properties dialog";
            if (properties) {
                Sleep(500);
                std::vector<std::string> texts;
                EnumChildWindows(properties, CollectTexts, reinterpret_cast<LPARAM>(&texts));
                EXPECT_TRUE(Contains(texts, german ? "1,46 Mb" : "1.46 Mb")) << ::testing::PrintToString(texts);
                bool dated = false;
                for (const std::string& t : texts) dated = dated || t.rfind(SystemDate(today, DATE_LONGDATE) + " ", 0) == 0;
                EXPECT_TRUE(dated) << SystemDate(today, DATE_LONGDATE) << " in " << ::testing::PrintToString(texts);
                Screenshot("explorer-properties");
                PostMessageW(properties, WM_COMMAND, IDCANCEL, 0);
                EXPECT_TRUE(WaitFor([&] { return FindWindowW(L"TFSObjectForm", nullptr) == nullptr; }));
            }
            HTREEITEM work = tree.Find(junction, "Work");
            if (work) SendMessageW(treeWindow, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(work));
            Sleep(500);
            Screenshot("explorer-site");
        }
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    win::DeleteRegistryTree(HKEY_LOCAL_MACHINE, kDesktopJunction);
    EXPECT_EQ(RunProgram(L"regsvr32.exe", L"/s /u \"" + dll + L"\""), 0u);
    CoUninitialize();
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--shots") gShots = win::Widen(argv[i + 1]) + L"\\";
    return RUN_ALL_TESTS();
}
