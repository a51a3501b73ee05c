// The real scheduler's main window from outside: a second start brings up the first instance,
// a log-off keeps what the session changed, and the language shared with the main client.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "core/clock.h"
#include "core/ini_store.h"
#include "gui_testing/form_driver.h"
#include "scheduler/task_file.h"
#include "scheduler_harness.h"
#include "win/text.h"

using namespace lark;
using namespace lark::testing;
using namespace std::chrono_literals;

namespace {

std::wstring WindowText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

struct SchedulerWindow : ::testing::Test {
    SchedulerRun run;

    void SetUp() override {
        PlaceRun(run, std::wstring(L"lark-window-") +
                          win::Widen(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        PrepareRun(run);
        StartScheduler(run);
        ASSERT_TRUE(PumpUntil([&] { return FindSchedulerMainWindow(run) != nullptr; }, 30s));
    }
    void TearDown() override { CloseScheduler(run); }
    std::string Ini(const char* section, const char* key) {
        return core::IniStore(win::Narrow(run.folder + L"LF_Scheduler.ini")).ReadString(section, key, "(none)");
    }
};

TEST_F(SchedulerWindow, ASecondStartBringsUpTheFirstInstanceAndEnds) {
    HWND main = FindSchedulerMainWindow(run);
    EXPECT_FALSE(IsWindowVisible(main)) << "the scheduler starts in the notification area";
    EXPECT_EQ(RunAndWait(L"\"" + run.folder + L"LF_Scheduler.exe\"", 30s), 0u);
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(main) != FALSE; }, 10s));
    EXPECT_EQ(WindowText(main), L"Lark-FTP Scheduler - Running");
    CaptureWindow(main, ArtifactFolder() + L"scheduler_main_window.png");
}

TEST_F(SchedulerWindow, ACopyUnderAnotherPathDoesNotBringUpTheFirst) {
    HWND main = FindSchedulerMainWindow(run);
    const std::wstring copy = FreshFolder(L"lark-window-copy") + L"LF_Scheduler.exe";
    CopyFileW((run.folder + L"LF_Scheduler.exe").c_str(), copy.c_str(), FALSE);
    EXPECT_EQ(RunAndWait(L"\"" + copy + L"\"", 30s), 0u) << "the mutex is taken: it ends without a window";
    Sleep(500);
    Pump();
    EXPECT_FALSE(IsWindowVisible(main));
}

HWND Restored(const SchedulerRun& run) {
    HWND main = FindSchedulerMainWindow(run);
    PostMessageW(main, 0x2504, 0, 0);
    return PumpUntil([&] { return IsWindowVisible(main) != FALSE; }, 10s) ? main : nullptr;
}

// Minimizing hides the window (no taskbar button: it lives in the notification area); the
// restore request brings it back as it was.
TEST_F(SchedulerWindow, MinimizingHidesToTheNotificationArea) {
    HWND main = Restored(run);
    ASSERT_TRUE(main);
    SendMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(main) == FALSE; }, 10s)) << "still shown after minimizing";
    ASSERT_TRUE(Restored(run));
    EXPECT_TRUE(PumpUntil([&] { return IsIconic(main) == FALSE; }, 10s)) << "restored minimized";
    CaptureWindow(main, ArtifactFolder() + L"scheduler_restored_after_minimize.png");
}

// What the session changed (a task the tick deleted, a column, the window's place, the
// language) is on disk when Windows ends the process right after WM_ENDSESSION, and the next
// start has it. (Menus of another process cannot be driven under Wine: the bars' state is
// checked on the window itself, in its own test.)
TEST_F(SchedulerWindow, ALogOffKeepsTheTasksTheLayoutTheBarsAndTheSettings) {
    CloseScheduler(run);
    scheduler::TLarkFTPTaskStorage tasks;
    for (const char* local : {"C:\\keep.txt", "C:\\done.txt"}) {
        scheduler::TLarkFTPTask& t = tasks.TaskList().Add();
        t.SetLocalName(local);
        t.SetRemoteURL("ftp.example.org");
        t.SetRemoteName("/pub/x");
        t.SetStartTime(core::SystemClock().Now() + 1);
    }
    tasks.TaskList().Items(1).SetStatus(scheduler::TTaskStatus::tsCompleted);
    tasks.TaskList().Items(1).SetDeleteCompleted(true);
    scheduler::SaveToFile(tasks, win::Narrow(run.folder + L"TaskList.ltl"));
    const std::wstring clientIni = ThisProgramFolder() + L"mainclient\\larkftp.ini";
    const std::string clientBefore = ReadTextFile(clientIni);
    run.errorOutput = run.folder + L"errors.txt";
    StartScheduler(run);
    ASSERT_TRUE(PumpUntil([&] { return FindSchedulerMainWindow(run) != nullptr; }, 30s));
    HWND main = Restored(run);
    ASSERT_NE(main, nullptr);
    HWND list = FindWindowExW(main, nullptr, WC_LISTVIEWW, nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 1; }, 10s))
        << "the tick deletes the completed task";
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 2, 177);
    SetWindowPos(main, nullptr, 40, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // German, as another program asks for it.
    PostMessageW(FindSchedulerWindow(run), RegisterWindowMessageW(L"LarkFTP_Change_Language"), 2, 0);
    EXPECT_TRUE(PumpUntil([&] { return WindowText(main) == L"Lark-FTP Scheduler - Läuft"; }, 10s));
    // The switch is done once the setting is stored (the tray's hint is told on the way).
    EXPECT_TRUE(PumpUntil([&] { return Ini("Options", "DefaultLanguage") == "2"; }, 10s));

    EXPECT_EQ(SendMessageW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    SendMessageW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    // Windows may end the process now.
    TerminateProcess(run.process.hProcess, 1);
    WaitForSingleObject(run.process.hProcess, 10000);
    WriteTextFile(clientIni, clientBefore);
    EXPECT_EQ(ReadTextFile(run.errorOutput), "");
    EXPECT_EQ(Ini("Options", "ColumnWidths"), "100,100,177,80,100,50,100,50");
    EXPECT_EQ(Ini("Options", "ColumnOrder"), "0,1,2,3,4,5,6,7");
    EXPECT_EQ(Ini("Options", "DefaultLanguage"), "2");
    EXPECT_EQ(Ini("MainForm", "NormPos").rfind("40,50,", 0), 0u) << Ini("MainForm", "NormPos");
    EXPECT_EQ(Ini("MainForm", "StatusBar_Visible"), "True");
    scheduler::TLarkFTPTaskStorage after;
    scheduler::LoadFromFile(after, win::Narrow(run.folder + L"TaskList.ltl"));
    ASSERT_EQ(after.TaskList().Count(), 1);
    EXPECT_EQ(after.TaskList().Items(0).LocalName(), "C:\\keep.txt");

    StartScheduler(run);
    ASSERT_TRUE(PumpUntil([&] { return FindSchedulerMainWindow(run) != nullptr; }, 30s));
    main = Restored(run);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(WindowText(main), L"Lark-FTP Scheduler - Läuft");
    RECT r{};
    GetWindowRect(main, &r);
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.top, 50);
    WriteTextFile(clientIni, clientBefore);
}

UINT LanguageMessage() {
    static const UINT message = RegisterWindowMessageW(L"LarkFTP_Change_Language");
    return message;
}

std::vector<std::pair<WPARAM, LPARAM>>& SeenLanguageMessages() {
    static std::vector<std::pair<WPARAM, LPARAM>> seen;
    return seen;
}

LRESULT CALLBACK WitnessProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == LanguageMessage()) SeenLanguageMessages().emplace_back(wp, lp);
    return DefWindowProcW(w, m, wp, lp);
}

// A language message from another program switches the scheduler, is stored, is passed on once
// with the scheduler's application window as lParam, and reaches the main client's settings.
TEST_F(SchedulerWindow, ALanguageMessageFromAnotherProgramSwitchesAndIsPassedOnOnce) {
    const std::wstring clientIni = ThisProgramFolder() + L"mainclient\\larkftp.ini";
    const std::string before = ReadTextFile(clientIni);
    const UINT message = LanguageMessage();
    auto& seen = SeenLanguageMessages();
    seen.clear();
    WNDCLASSW wc{};
    wc.lpfnWndProc = WitnessProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LarkLanguageWitness";
    RegisterClassW(&wc);
    HWND witness = CreateWindowW(wc.lpszClassName, L"witness", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
    HWND app = FindSchedulerWindow(run);
    HWND main = FindSchedulerMainWindow(run);
    for (WPARAM ignored : {WPARAM(0), WPARAM(4)}) PostMessageW(app, message, ignored, reinterpret_cast<LPARAM>(witness));
    PostMessageW(app, message, 2, reinterpret_cast<LPARAM>(witness));
    EXPECT_TRUE(PumpUntil([&] { return WindowText(main) == L"Lark-FTP Scheduler - Läuft"; }, 10s));
    PumpUntil([&] { return !seen.empty(); }, 5s);
    Sleep(300);
    Pump();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].first, 2u);
    EXPECT_EQ(reinterpret_cast<HWND>(seen[0].second), app);
    EXPECT_EQ(Ini("Options", "DefaultLanguage"), "2");
    EXPECT_EQ(core::IniStore(win::Narrow(clientIni)).ReadString("Options.lcOptions1_Options", "Item17_TextValue", ""), "1");
    WriteTextFile(clientIni, before);
    DestroyWindow(witness);
}

}  // namespace
