// The real scheduler's New and Properties commands from outside: the wizard adds a task that
// reaches the task file, Cancel adds nothing, the properties dialog edits the task, and the
// wizard's placement is kept in the settings file.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

#include "core/ini_store.h"
#include "gui_testing/form_driver.h"
#include "scheduler/task_file.h"
#include "scheduler_harness.h"
#include "win/text.h"

using namespace lark;
using namespace lark::testing;
using namespace std::chrono_literals;

namespace {

std::vector<HWND> VisibleEdits(HWND form) {
    std::vector<HWND> edits;
    for (HWND child : VisibleChildren(form))
        if (ClassOf(child) == L"Edit") edits.push_back(child);
    return edits;
}

HWND Button(HWND form, const std::wstring& caption) {
    for (HWND child : VisibleChildren(form))
        if (ClassOf(child) == L"Button" && TextOf(child) == caption) return child;
    return nullptr;
}

void Click(HWND form, const std::wstring& caption) {
    HWND button = Button(form, caption);
    ASSERT_NE(button, nullptr) << win::Narrow(caption);
    PostMessageW(button, BM_CLICK, 0, 0);
    Sleep(200);
    Pump();
}

void SetText(HWND edit, const std::wstring& text) {
    SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_BLOCK, 5000, nullptr);
}

// Clicks a button of the main window's tool bar (New, Task Properties, Duplicate, Delete,
// Options; 16-pixel images give 23-pixel buttons).
void ClickToolButton(HWND main, int index) {
    HWND bar = FindWindowExW(main, nullptr, TOOLBARCLASSNAMEW, nullptr);
    ASSERT_NE(bar, nullptr);
    const LPARAM at = MAKELPARAM(11 + 23 * index, 11);
    PostMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(bar, WM_LBUTTONUP, 0, at);
}

struct SchedulerTaskDialogs : ::testing::Test {
    SchedulerRun run;
    HWND main = nullptr;

    void SetUp() override {
        PlaceRun(run, std::wstring(L"lark-dialogs-") +
                          win::Widen(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        PrepareRun(run);
        StartScheduler(run);
        ASSERT_TRUE(PumpUntil([&] { return (main = FindSchedulerMainWindow(run)) != nullptr; }, 30s));
        PostMessageW(main, 0x2504, 0, 0);
        ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(main) != FALSE; }, 10s));
    }
    void TearDown() override {
        if (run.process.hProcess) CloseScheduler(run);
    }
    HWND WaitForWindow(const wchar_t* windowClass) {
        HWND found = nullptr;
        PumpUntil([&] { return (found = FindRunWindowOfClass(run, windowClass)) && IsWindowVisible(found); }, 15s);
        return found;
    }
    bool WaitGone(const wchar_t* windowClass) {
        return PumpUntil(
            [&] {
                HWND w = FindRunWindowOfClass(run, windowClass);
                return !w || !IsWindowVisible(w);
            },
            15s);
    }
    int Rows() {
        HWND list = FindWindowExW(main, nullptr, WC_LISTVIEWW, nullptr);
        return list ? static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) : -1;
    }
    void NewTask() { ClickToolButton(main, 0); }
    void Properties() { ClickToolButton(main, 1); }
};

TEST_F(SchedulerTaskDialogs, NewAddsTheWizardsTaskAndPropertiesEditsIt) {
    // Cancel, confirmed: nothing is added.
    NewTask();
    HWND wizard = WaitForWindow(L"TWizardForm");
    ASSERT_NE(wizard, nullptr);
    Click(wizard, L"&Cancel");
    HWND box = WaitForWindow(L"TMessageForm");
    ASSERT_NE(box, nullptr) << "closing the wizard asks";
    Click(box, L"&Yes");
    ASSERT_TRUE(WaitGone(L"TWizardForm"));
    EXPECT_EQ(Rows(), 0);

    NewTask();
    wizard = WaitForWindow(L"TWizardForm");
    ASSERT_NE(wizard, nullptr);
    Click(wizard, L"&Next");
    std::vector<HWND> edits = VisibleEdits(wizard);
    ASSERT_EQ(edits.size(), 1u) << "the profile page";
    EXPECT_FALSE(IsWindowEnabled(Button(wizard, L"&Next")));
    SetText(edits[0], L"Office/Backup");
    Click(wizard, L"&Next");
    edits = VisibleEdits(wizard);
    ASSERT_EQ(edits.size(), 2u) << "the names' page";
    SetText(edits[0], L"C:\\Data\\e2e.txt");
    SetText(edits[1], L"/pub/e2e.txt");
    Click(wizard, L"&Next");
    CaptureWindow(wizard, ArtifactFolder() + L"scheduler_wizard_schedule.png");
    Click(wizard, L"&Finish");
    ASSERT_TRUE(WaitGone(L"TWizardForm"));
    EXPECT_TRUE(PumpUntil([&] { return Rows() == 1; }, 5s));

    // Properties on the selected row.
    HWND list = FindWindowExW(main, nullptr, WC_LISTVIEWW, nullptr);
    PostMessageW(list, WM_KEYDOWN, VK_HOME, 0);
    PostMessageW(list, WM_KEYUP, VK_HOME, 0xC0000001);
    ASSERT_TRUE(PumpUntil([&] { return SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) == 1; }, 5s));
    Properties();
    HWND properties = WaitForWindow(L"TPropertiesForm");
    ASSERT_NE(properties, nullptr);
    edits = VisibleEdits(properties);
    ASSERT_GE(edits.size(), 3u);
    EXPECT_EQ(TextOf(edits[0]), L"C:\\Data\\e2e.txt");
    EXPECT_EQ(TextOf(edits[2]), L"Office/Backup");
    SetText(edits[1], L"/pub/renamed.txt");
    Click(properties, L"OK");
    ASSERT_TRUE(WaitGone(L"TPropertiesForm"));

    ASSERT_EQ(CloseScheduler(run), 0u);
    scheduler::TLarkFTPTaskStorage storage;
    scheduler::LoadFromFile(storage, win::Narrow(run.folder + L"TaskList.ltl"));
    ASSERT_EQ(storage.TaskList().Count(), 1);
    const scheduler::TLarkFTPTask& task = storage.TaskList().Items(0);
    EXPECT_EQ(task.LocalName(), "C:\\Data\\e2e.txt");
    EXPECT_EQ(task.RemoteName(), "/pub/renamed.txt");
    EXPECT_TRUE(task.UseProfile());
    EXPECT_EQ(task.RemoteURL(), "Office/Backup");
    EXPECT_EQ(task.UserName(), "");
    EXPECT_EQ(task.Status(), scheduler::TTaskStatus::tsPending);
    const core::IniStore settings(win::Narrow(run.folder + L"LF_Scheduler.ini"));
    EXPECT_NE(settings.ReadString("WizardForm", "NormPos", ""), "") << "the wizard's placement is kept";
}

// A log-off while the wizard is open writes the task file without the task it is making.
TEST_F(SchedulerTaskDialogs, ALogOffDuringTheWizardDoesNotKeepItsTask) {
    NewTask();
    HWND wizard = WaitForWindow(L"TWizardForm");
    ASSERT_NE(wizard, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return Rows() == 1; }, 5s)) << "the new task has its row while the wizard is open";
    EXPECT_EQ(SendMessageW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    SendMessageW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    // Windows may end the process now.
    TerminateProcess(run.process.hProcess, 1);
    WaitForSingleObject(run.process.hProcess, 10000);
    scheduler::TLarkFTPTaskStorage storage;
    scheduler::LoadFromFile(storage, win::Narrow(run.folder + L"TaskList.ltl"));
    EXPECT_EQ(storage.TaskList().Count(), 0);
}

}  // namespace
