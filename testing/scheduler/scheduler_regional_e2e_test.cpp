// The real scheduler under the user's regional settings (the run's user locale, en-US or de-DE):
// the task list, the properties dialog's preview, the last result and the log show dates as
// the system itself writes them, whatever the language of the texts; a change of the settings
// shows without a restart.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <vector>

#include "core/clock.h"
#include "core/datetime.h"
#include "gui_testing/form_driver.h"
#include "scheduler/task_file.h"
#include "scheduler_harness.h"
#include "win/text.h"

using namespace lark;
using namespace lark::testing;
using namespace std::chrono_literals;

namespace {

SYSTEMTIME SystemTimeOf(core::DateTime value) {
    int y, mo, d, h, mi, s, ms;
    core::DecodeDateTime(value, y, mo, d, h, mi, s, ms);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(mo);
    st.wDay = static_cast<WORD>(d);
    st.wHour = static_cast<WORD>(h);
    st.wMinute = static_cast<WORD>(mi);
    st.wSecond = static_cast<WORD>(s);
    return st;
}

// The system's own texts for the user's locale: what the scheduler must agree with.
std::string SystemShortDate(core::DateTime value) {
    const SYSTEMTIME st = SystemTimeOf(value);
    wchar_t text[128] = L"";
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, text, 128);
    return win::Narrow(text);
}

std::string SystemLongTime(core::DateTime value) {
    const SYSTEMTIME st = SystemTimeOf(value);
    wchar_t text[128] = L"";
    GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, text, 128);
    return win::Narrow(text);
}

std::string SystemStamp(core::DateTime value) { return SystemShortDate(value) + " " + SystemLongTime(value); }

std::wstring LocaleName() {
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = L"";
    GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH);
    return name;
}

BOOL CALLBACK CollectChildren(HWND child, LPARAM out) {
    reinterpret_cast<std::vector<HWND>*>(out)->push_back(child);
    return TRUE;
}

// A cell of a list view in another process, read through memory of that process.
class RemoteList {
public:
    RemoteList(HWND list, HANDLE process) : list_(list), process_(process) {
        memory_ = VirtualAllocEx(process_, nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteList() {
        if (memory_) VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
    }
    RemoteList(const RemoteList&) = delete;
    RemoteList& operator=(const RemoteList&) = delete;

    std::string Text(int row, int column) {
        if (!memory_) return "(no memory)";
        LVITEMW item{};
        item.iSubItem = column;
        item.cchTextMax = 500;
        item.pszText = reinterpret_cast<LPWSTR>(static_cast<char*>(memory_) + 1024);
        SIZE_T n = 0;
        WriteProcessMemory(process_, memory_, &item, sizeof item, &n);
        DWORD_PTR result = 0;
        SendMessageTimeoutW(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(memory_),
                            SMTO_BLOCK, 5000, &result);
        wchar_t text[512] = {};
        ReadProcessMemory(process_, static_cast<char*>(memory_) + 1024, text, sizeof text - sizeof(wchar_t), &n);
        return win::Narrow(text);
    }

private:
    HWND list_;
    HANDLE process_;
    void* memory_ = nullptr;
};

// Values of the user's International key, put back when the test ends.
class InternationalValues {
public:
    ~InternationalValues() {
        for (const auto& [name, value] : saved_) {
            if (value) Write(name, *value);
            else RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, name.c_str());
        }
    }
    void Set(const std::wstring& name, const std::wstring& value) {
        bool kept = false;
        for (const auto& entry : saved_) kept = kept || entry.first == name;
        if (!kept) saved_.emplace_back(name, Read(name));
        Write(name, value);
    }

private:
    static constexpr const wchar_t* kKey = L"Control Panel\\International";
    static std::optional<std::wstring> Read(const std::wstring& name) {
        wchar_t buffer[256];
        DWORD size = sizeof buffer;
        if (RegGetValueW(HKEY_CURRENT_USER, kKey, name.c_str(), RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
            return std::nullopt;
        return std::wstring(buffer);
    }
    static void Write(const std::wstring& name, const std::wstring& value) {
        RegSetKeyValueW(HKEY_CURRENT_USER, kKey, name.c_str(), REG_SZ, value.c_str(),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    std::vector<std::pair<std::wstring, std::optional<std::wstring>>> saved_;
};

// Clicks a button of the main window's tool bar (New 0, Task Properties 1).
void ClickToolButton(HWND main, int index) {
    HWND bar = FindWindowExW(main, nullptr, TOOLBARCLASSNAMEW, nullptr);
    ASSERT_NE(bar, nullptr);
    const LPARAM at = MAKELPARAM(11 + 23 * index, 11);
    PostMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(bar, WM_LBUTTONUP, 0, at);
}

struct SchedulerRegional : ::testing::Test {
    SchedulerRun run;
    HWND main = nullptr;
    // A task that is not due before 10 December 2027, 09:00.
    const core::DateTime later = core::EncodeDateTime(2027, 12, 10, 9, 0, 0, 0);

    void SetUp() override {
        const DWORD lcid = GetUserDefaultLCID();
        if (lcid != 0x0407 && lcid != 0x0409) GTEST_SKIP() << "a run for en-US or de-DE regional settings";
        PlaceRun(run, L"lark-regional-" + LocaleName());
        CreateDirectoryW((run.site + L"pub").c_str(), nullptr);
        WriteTextFile(run.site + L"pub\\a.txt", "alpha");
    }
    void TearDown() override {
        if (run.process.hProcess) CloseScheduler(run);
    }
    std::wstring Shot(const wchar_t* what) { return ArtifactFolder() + L"regional_" + LocaleName() + L"_" + what + L".png"; }
    HWND WaitForWindow(const wchar_t* windowClass) {
        HWND found = nullptr;
        PumpUntil([&] { return (found = FindRunWindowOfClass(run, windowClass)) && IsWindowVisible(found); }, 15s);
        return found;
    }
};

TEST_F(SchedulerRegional, DatesFollowTheUsersRegionalSettings) {
    // Both dates of the user's format here, independent of the scheduler's code.
    const bool german = GetUserDefaultLCID() == 0x0407;
    EXPECT_EQ(SystemShortDate(later), german ? "10.12.2027" : "12/10/2027");

    scheduler::TLarkFTPTaskStorage tasks;
    scheduler::TLarkFTPTask& due = tasks.TaskList().Add();
    due.SetRemoteURL("ftp.example.org");
    due.SetLocalName(win::Narrow(run.folder + L"a.txt"));
    due.SetRemoteName("/pub/a.txt");
    due.SetDeleteCompleted(false);
    due.SetStartTime(core::SystemClock().Now() - 1.0 / 1440);
    scheduler::TLarkFTPTask& waiting = tasks.TaskList().Add();
    waiting.SetRemoteURL("ftp.example.org");
    waiting.SetLocalName("C:\\later.txt");
    waiting.SetRemoteName("/pub/later.txt");
    waiting.SetDeleteCompleted(false);
    waiting.SetStartTime(later);
    PrepareRun(run);
    scheduler::SaveToFile(tasks, win::Narrow(run.folder + L"TaskList.ltl"));
    StartScheduler(run);
    ASSERT_TRUE(PumpUntil([&] { return PostedCompletions(run) >= 1; }, 30s));
    ASSERT_TRUE(PumpUntil([&] { return (main = FindSchedulerMainWindow(run)) != nullptr; }, 30s));
    PostMessageW(main, 0x2504, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(main) != FALSE; }, 10s));

    // The task list: an English user interface, the user's dates.
    HWND listWindow = FindWindowExW(main, nullptr, WC_LISTVIEWW, nullptr);
    ASSERT_NE(listWindow, nullptr);
    RemoteList list(listWindow, run.process.hProcess);
    EXPECT_EQ(list.Text(1, 6), SystemShortDate(later) + " at 9:00");
    EXPECT_TRUE(PumpUntil([&] { return list.Text(0, 7) == "Completed"; }, 10s)) << list.Text(0, 7);
    EXPECT_TRUE(StampedDuring(run, list.Text(0, 5), [](core::DateTime at) {
        return SystemShortDate(at) + " at " + core::FormatDateTime("h:nn", at);
    })) << list.Text(0, 5);
    // Wide enough for the whole dates in the pictures.
    SetWindowPos(main, nullptr, 0, 0, 980, 360, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (int column : {5, 6}) SendMessageW(listWindow, LVM_SETCOLUMNWIDTH, column, 150);
    Sleep(300);
    Pump();
    CaptureWindow(main, Shot(L"main_window"));

    // The wizard's schedule page (its date picker is the system's own).
    ClickToolButton(main, 0);
    HWND wizard = WaitForWindow(L"TWizardForm");
    ASSERT_NE(wizard, nullptr);
    std::vector<HWND> children;
    auto visible = [&](const wchar_t* windowClass) {
        children.clear();
        EnumChildWindows(wizard, CollectChildren, reinterpret_cast<LPARAM>(&children));
        std::vector<HWND> found;
        for (HWND c : children)
            if (IsWindowVisible(c) && ClassOf(c) == windowClass) found.push_back(c);
        return found;
    };
    auto click = [&](HWND form, const std::wstring& caption) {
        children.clear();
        EnumChildWindows(form, CollectChildren, reinterpret_cast<LPARAM>(&children));
        for (HWND c : children)
            if (IsWindowVisible(c) && ClassOf(c) == L"Button" && TextOf(c) == caption) {
                PostMessageW(c, BM_CLICK, 0, 0);
                Sleep(200);
                Pump();
                return true;
            }
        return false;
    };
    ASSERT_TRUE(click(wizard, L"&Next"));
    std::vector<HWND> edits = visible(L"Edit");
    ASSERT_EQ(edits.size(), 1u);
    SendMessageTimeoutW(edits[0], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Office/Backup"), SMTO_BLOCK, 5000, nullptr);
    ASSERT_TRUE(click(wizard, L"&Next"));
    edits = visible(L"Edit");
    ASSERT_EQ(edits.size(), 2u);
    SendMessageTimeoutW(edits[0], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"C:\\Data\\b.txt"), SMTO_BLOCK, 5000, nullptr);
    SendMessageTimeoutW(edits[1], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"/pub/b.txt"), SMTO_BLOCK, 5000, nullptr);
    ASSERT_TRUE(click(wizard, L"&Next"));
    Sleep(300);
    Pump();
    CaptureWindow(wizard, Shot(L"wizard_schedule"));
    ASSERT_TRUE(click(wizard, L"&Cancel"));
    HWND box = WaitForWindow(L"TMessageForm");
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(click(box, L"&Yes"));
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(wizard); }, 15s));

    // The properties dialog's preview of the waiting task.
    PostMessageW(listWindow, WM_KEYDOWN, VK_END, 0);
    PostMessageW(listWindow, WM_KEYUP, VK_END, 0xC0000001);
    ASSERT_TRUE(PumpUntil([&] { return SendMessageW(listWindow, LVM_GETSELECTEDCOUNT, 0, 0) == 1; }, 5s));
    ClickToolButton(main, 1);
    HWND properties = WaitForWindow(L"TPropertiesForm");
    ASSERT_NE(properties, nullptr);
    const std::string preview = "The task starts next time on " + SystemShortDate(later) + " at 9:00";
    std::string shown;
    EXPECT_TRUE(PumpUntil(
        [&] {
            children.clear();
            EnumChildWindows(properties, CollectChildren, reinterpret_cast<LPARAM>(&children));
            for (HWND c : children)
                if (win::Narrow(TextOf(c)).rfind("The task starts", 0) == 0) shown = win::Narrow(TextOf(c));
            return shown == preview;
        },
        5s))
        << shown;
    // Its schedule page, where the preview is.
    HWND tabs = FindWindowExW(properties, nullptr, WC_TABCONTROLW, nullptr);
    if (!tabs) {
        children.clear();
        EnumChildWindows(properties, CollectChildren, reinterpret_cast<LPARAM>(&children));
        for (HWND c : children)
            if (ClassOf(c) == WC_TABCONTROLW) tabs = c;
    }
    if (tabs) {
        const int count = static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
        SendMessageW(tabs, TCM_SETCURFOCUS, static_cast<WPARAM>(count - 1), 0);
        Sleep(300);
        Pump();
    }
    CaptureWindow(properties, Shot(L"properties_preview"));
    ASSERT_TRUE(click(properties, L"Cancel"));
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(properties); }, 15s));

    // The user picks another short date in the Control Panel: the rows show it at once. (Every
    // Wine process that starts with another locale rewrites the key: the values are set again
    // until the change has been seen.)
    {
        InternationalValues international;
        wchar_t lcid[16];
        swprintf(lcid, 16, L"%08lX", static_cast<unsigned long>(GetUserDefaultLCID()));
        EXPECT_TRUE(PumpUntil(
            [&] {
                international.Set(L"Locale", lcid);
                international.Set(L"sShortDate", L"yyyy-MM-dd");
                international.Set(L"sDate", L"-");
                DWORD_PTR result = 0;
                SendMessageTimeoutW(main, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"intl"), SMTO_BLOCK, 5000,
                                    &result);
                Sleep(100);
                return list.Text(1, 6) == "2027-12-10 at 9:00";
            },
            10s))
            << list.Text(1, 6);
        CaptureWindow(main, Shot(L"main_window_changed"));
    }
    // And back, as the user had them.
    DWORD_PTR result = 0;
    SendMessageTimeoutW(main, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"intl"), SMTO_BLOCK, 5000, &result);
    EXPECT_TRUE(PumpUntil([&] { return list.Text(1, 6) == SystemShortDate(later) + " at 9:00"; }, 5s))
        << list.Text(1, 6);

    ASSERT_EQ(CloseScheduler(run), 0u);
    scheduler::TLarkFTPTaskStorage after;
    scheduler::LoadFromFile(after, win::Narrow(run.folder + L"TaskList.ltl"));
    ASSERT_EQ(after.TaskList().Count(), 2);
    const scheduler::TLarkFTPTask& done = after.TaskList().Items(0);
    EXPECT_EQ(done.Status(), scheduler::TTaskStatus::tsCompleted);
    EXPECT_TRUE(StampedDuring(run, done.LastResult(), [](core::DateTime at) {
        return "Successfully completed\r\n" + SystemStamp(at);
    })) << done.LastResult();
    // The stored start is the same moment whatever the settings.
    EXPECT_EQ(after.TaskList().Items(1).StartTime(), later);
    const std::string names = "[Local name: " + due.LocalName() + "; Host/Profile: ftp.example.org; Remote name: /pub/a.txt]";
    auto entry = [](const std::string& text) {
        return [text](core::DateTime at) { return SystemStamp(at) + " : " + text; };
    };
    auto logging = [](const std::string& what) {
        return [what](core::DateTime at) { return what + " " + SystemShortDate(at) + " at " + core::FormatDateTime("h:nn:ss", at); };
    };
    const std::string log = ReadTextFile(run.folder + L"Schedule.log");
    EXPECT_EQ(MismatchedLines(run, log, {logging("Logging started"), entry("Transfer started: " + names),
                                         entry("Transfer completed: " + names), logging("Logging ended")}),
              "")
        << log;
}

}  // namespace
