// The real scheduler's saves and loads from outside: a save at exit that its file refuses ends
// beside it, a task file locked for a moment is read once free, an unreadable settings file
// gives the defaults and stays as it was, and a read-only run's Use File and Rename.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "core/clock.h"
#include "core/ini_store.h"
#include "gui_testing/form_driver.h"
#include "scheduler/task_file.h"
#include "scheduler_harness.h"
#include "win/text.h"

using namespace lark;
using namespace lark::scheduler;
using namespace lark::testing;
using namespace std::chrono_literals;

namespace {

namespace fs = std::filesystem;

HWND Button(HWND form, const std::wstring& caption) {
    for (HWND child : VisibleChildren(form))
        if (ClassOf(child) == L"Button" && TextOf(child) == caption) return child;
    return nullptr;
}

// Every text the window shows (its caption and its children's), one a line.
std::wstring AllText(HWND window) {
    std::wstring text = TextOf(window);
    for (HWND child : VisibleChildren(window)) text += L"\n" + TextOf(child);
    return text;
}

void Click(HWND form, const std::wstring& caption) {
    HWND button = Button(form, caption);
    ASSERT_NE(button, nullptr) << win::Narrow(caption) << " in " << win::Narrow(AllText(form));
    PostMessageW(button, BM_CLICK, 0, 0);
}

// The box of the run (a visible "TMessageForm") other than `previous`, once it shows.
HWND WaitForBox(const SchedulerRun& run, HWND previous = nullptr, std::chrono::milliseconds timeout = 30s) {
    HWND box = nullptr;
    PumpUntil(
        [&] {
            box = FindRunWindowOfClass(run, L"TMessageForm");
            return box && box != previous && IsWindowVisible(box);
        },
        timeout);
    return box && box != previous && IsWindowVisible(box) ? box : nullptr;
}

bool Exited(const SchedulerRun& run, std::chrono::milliseconds timeout) {
    return WaitForSingleObject(run.process.hProcess, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

DWORD ExitCode(SchedulerRun& run) {
    DWORD code = 1;
    GetExitCodeProcess(run.process.hProcess, &code);
    CloseHandle(run.process.hThread);
    CloseHandle(run.process.hProcess);
    run.process = {};
    run.ended = core::SystemClock().Now();
    return code;
}

std::vector<std::wstring> FilesOf(const std::wstring& folder, const std::wstring& prefix) {
    std::vector<std::wstring> names;
    for (const auto& entry : fs::directory_iterator(fs::path(folder)))
        if (entry.path().filename().wstring().rfind(prefix, 0) == 0) names.push_back(entry.path().filename().wstring());
    std::sort(names.begin(), names.end());
    return names;
}

int Rows(HWND main) {
    HWND list = FindWindowExW(main, nullptr, WC_LISTVIEWW, nullptr);
    return list ? static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) : -1;
}

// A key with Ctrl held, as the keyboard sends it, to the foreground window.
void PressCtrl(WORD key) {
    INPUT keys[4] = {};
    for (INPUT& k : keys) k.type = INPUT_KEYBOARD;
    keys[0].ki.wVk = VK_CONTROL;
    keys[1].ki.wVk = key;
    keys[2].ki.wVk = key;
    keys[2].ki.dwFlags = KEYEVENTF_KEYUP;
    keys[3].ki.wVk = VK_CONTROL;
    keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(4, keys, sizeof(INPUT));
}

// Picks a file in the run's open or save dialog as a user types it, and confirms.
bool ChooseInFileDialog(const SchedulerRun& run, const std::wstring& path) {
    HWND dialog = nullptr;
    if (!PumpUntil([&] { return (dialog = FindRunWindowOfClass(run, L"#32770")) && IsWindowVisible(dialog); }, 15s))
        return false;
    HWND name = GetDlgItem(dialog, 0x47C);  // the file name box
    if (!name) {
        for (HWND child : VisibleChildren(dialog))
            if (ClassOf(child) == L"Edit") {
                name = child;
                break;
            }
    }
    if (!name) return false;
    SendMessageTimeoutW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()), SMTO_BLOCK, 5000, nullptr);
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    return PumpUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 15s);
}

const char* const kLanguages[] = {"English", "German", "French"};

struct SchedulerSaves : ::testing::Test {
    SchedulerRun run;
    std::wstring root;
    std::wstring taskFile;

    void SetUp() override {
        root = PlaceRun(run, std::wstring(L"lark-saves-") +
                                 win::Widen(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        PrepareRun(run);
        taskFile = run.folder + L"TaskList.ltl";
    }
    void TearDown() override {
        if (run.process.hProcess) CloseScheduler(run);
    }

    // A task file of `count` tasks; the first is marked running, as a run that was ended
    // leaves it (the load makes it pending again, so the list differs from the file).
    static std::vector<std::uint8_t> WriteTasks(const std::wstring& path, int count, const std::string& prefix) {
        TLarkFTPTaskStorage storage;
        for (int i = 0; i < count; ++i) {
            TLarkFTPTask& t = storage.TaskList().Add();
            t.SetLocalName("C:\\data\\" + prefix + std::to_string(i) + ".txt");
            t.SetRemoteURL("ftp.example.org");
            t.SetRemoteName("/pub/" + prefix + std::to_string(i) + ".txt");
            t.SetStartTime(core::SystemClock().Now() + 10);
            t.SetStatus(i == 0 ? TTaskStatus::tsActive : TTaskStatus::tsPending);
        }
        SaveToFile(storage, win::Narrow(path));
        return core::ReadFileBytes(win::Narrow(path));
    }
    static std::vector<TTaskStatus> Statuses(const std::wstring& path) {
        TLarkFTPTaskStorage storage;
        LoadFromFile(storage, win::Narrow(path));
        std::vector<TTaskStatus> statuses;
        for (int i = 0; i < storage.TaskList().Count(); ++i) statuses.push_back(storage.TaskList().Items(i).Status());
        return statuses;
    }
    void WriteSettings(const std::string& lines) { WriteTextFile(run.folder + L"LF_Scheduler.ini", lines); }
    std::string Log() { return ReadTextFile(run.folder + L"Schedule.log"); }
    HWND MainWindow() {
        HWND main = nullptr;
        PumpUntil([&] { return (main = FindSchedulerMainWindow(run)) != nullptr; }, 30s);
        return main;
    }
};

// Another program holds the task file open without delete sharing, so the save at exit cannot
// put the new file in its place: the box offers Retry (which fails again) and Cancel, and the
// list ends beside the file under a name that replaces nothing; the file stays as it was.
TEST_F(SchedulerSaves, ASaveAtExitThatItsFileRefusesEndsBesideIt) {
    struct Texts {
        std::wstring retry, cancel, failed, beside;
    };
    const Texts texts[] = {
        {L"&Retry", L"Cancel", L"could not be saved to", L"was written to"},
        {L"&Wiederholen", L"Abbrechen", L"konnte nicht in", L"wurde in"},
        {L"&Réessayer", L"Annuler", L"n'a pas pu être enregistrée dans", L"a été écrite dans"},
    };
    for (int language = 1; language <= 3; ++language) {
        SCOPED_TRACE(kLanguages[language - 1]);
        const Texts& t = texts[language - 1];
        for (const std::wstring& name : FilesOf(run.folder, L"TaskList.ltl")) fs::remove(fs::path(run.folder + name));
        const std::vector<std::uint8_t> before = WriteTasks(taskFile, 2, "exit");
        WriteSettings("[Options]\r\nDefaultLanguage=" + std::to_string(language) + "\r\n");
        StartScheduler(run);
        ASSERT_NE(MainWindow(), nullptr);
        HANDLE holder = CreateFileW(taskFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        PostMessageW(FindSchedulerWindow(run), WM_CLOSE, 0, 0);

        HWND box = WaitForBox(run);
        ASSERT_NE(box, nullptr) << "the failed save was not shown";
        EXPECT_NE(AllText(box).find(t.failed), std::wstring::npos) << win::Narrow(AllText(box));
        EXPECT_NE(AllText(box).find(taskFile), std::wstring::npos);
        CaptureWindow(box, ArtifactFolder() + L"scheduler_save_failed_at_exit_" +
                               win::Widen(kLanguages[language - 1]) + L".png");
        Click(box, t.retry);
        HWND again = WaitForBox(run, box);
        ASSERT_NE(again, nullptr) << "Retry failed again: the box comes back";
        Click(again, t.cancel);
        HWND beside = WaitForBox(run, again);
        ASSERT_NE(beside, nullptr) << "where the list went is not shown";
        const std::wstring besideText = AllText(beside);
        EXPECT_NE(besideText.find(t.beside), std::wstring::npos) << win::Narrow(besideText);
        CaptureWindow(beside, ArtifactFolder() + L"scheduler_saved_beside_" + win::Widen(kLanguages[language - 1]) +
                                  L".png");
        Click(beside, L"OK");
        ASSERT_TRUE(Exited(run, 30s));
        EXPECT_EQ(ExitCode(run), 0u);
        CloseHandle(holder);

        EXPECT_EQ(core::ReadFileBytes(win::Narrow(taskFile)), before) << "the task file was changed";
        const std::vector<std::wstring> names = FilesOf(run.folder, L"TaskList.ltl.unsaved-");
        ASSERT_EQ(names.size(), 1u);
        EXPECT_NE(besideText.find(names[0]), std::wstring::npos) << "the box names the file";
        EXPECT_EQ(Statuses(run.folder + names[0]), (std::vector<TTaskStatus>{TTaskStatus::tsPending, TTaskStatus::tsPending}));
        if (language == 1) {
            const std::string file = win::Narrow(taskFile);
            const std::string log = Log();
            EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 5) << log;
            EXPECT_NE(log.find("The task list could not be saved to " + file + " ("), std::string::npos) << log;
            EXPECT_NE(log.find("The task list was written to " + win::Narrow(run.folder + names[0]) +
                               "; the task file " + file + " was left as it was."),
                      std::string::npos)
                << log;
        }
        fs::remove(fs::path(run.folder + L"Schedule.log"));
    }
}

// A backup tool or a virus scanner holds the task file for a moment at start: it is read once
// free, never set aside, and saved at exit as usual.
TEST_F(SchedulerSaves, ATaskFileLockedForAMomentAtStartIsReadOnceFree) {
    WriteTasks(taskFile, 3, "moment");
    HANDLE holder =
        CreateFileW(taskFile.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    StartScheduler(run);
    Sleep(3000);
    CloseHandle(holder);
    HWND main = MainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return Rows(main) == 3; }, 20s)) << Rows(main);
    EXPECT_EQ(WaitForBox(run, nullptr, 2s), nullptr) << "nothing to tell";
    EXPECT_EQ(CloseScheduler(run), 0u);
    EXPECT_EQ(FilesOf(run.folder, L"TaskList"), std::vector<std::wstring>{L"TaskList.ltl"});
    EXPECT_EQ(Statuses(taskFile), (std::vector<TTaskStatus>(3, TTaskStatus::tsPending))) << "saved at exit";
    EXPECT_EQ(Log().find("task file"), std::string::npos) << Log();
}

// One that stays locked past the wait: the box offers Retry, which reads it once it is free;
// what was added meanwhile stays.
TEST_F(SchedulerSaves, ATaskFileThatStaysLockedIsReadOnRetry) {
    WriteTasks(taskFile, 2, "held");
    HANDLE holder =
        CreateFileW(taskFile.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    StartScheduler(run);
    HWND box = WaitForBox(run, nullptr, 40s);
    ASSERT_NE(box, nullptr) << "a file that stays locked is told";
    EXPECT_NE(AllText(box).find(L"is held by another program"), std::wstring::npos) << win::Narrow(AllText(box));
    CaptureWindow(box, ArtifactFolder() + L"scheduler_task_file_locked.png");
    HWND main = FindSchedulerMainWindow(run);
    EXPECT_EQ(Rows(main), 0);
    CloseHandle(holder);
    Click(box, L"&Retry");
    EXPECT_TRUE(PumpUntil([&] { return Rows(main) == 2; }, 20s)) << Rows(main);
    EXPECT_EQ(CloseScheduler(run), 0u);
    EXPECT_EQ(FilesOf(run.folder, L"TaskList"), std::vector<std::wstring>{L"TaskList.ltl"});
    EXPECT_EQ(Statuses(taskFile), (std::vector<TTaskStatus>(2, TTaskStatus::tsPending))) << "saved at exit";
}

// "LF_Scheduler.ini" exists but cannot be read (here a folder of that name): the program starts
// with the defaults, says so, and leaves the file as it was at exit.
TEST_F(SchedulerSaves, AnUnreadableSettingsFileGivesTheDefaultsABoxAndIsNotWrittenOver) {
    const std::wstring settings = run.folder + L"LF_Scheduler.ini";
    WriteTextFile(settings + L"\\inside.txt", "the user's");
    StartScheduler(run);
    HWND box = WaitForBox(run);
    ASSERT_NE(box, nullptr) << "the unreadable settings are not told";
    const std::wstring text = AllText(box);
    EXPECT_NE(text.find(L"The settings file " + settings + L" could not be read"), std::wstring::npos)
        << win::Narrow(text);
    CaptureWindow(box, ArtifactFolder() + L"scheduler_settings_unreadable.png");
    Click(box, L"OK");
    HWND main = MainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(CloseScheduler(run), 0u);
    EXPECT_TRUE(fs::is_directory(fs::path(settings)));
    EXPECT_EQ(ReadTextFile(settings + L"\\inside.txt"), "the user's");
    EXPECT_EQ(FilesOf(run.folder, L"LF_Scheduler.ini"), std::vector<std::wstring>{L"LF_Scheduler.ini"});
    const std::string log = Log();
    EXPECT_NE(log.find("The settings file " + win::Narrow(settings) + " could not be read ("), std::string::npos) << log;
    EXPECT_NE(log.find("The settings are not saved: the settings file " + win::Narrow(settings)), std::string::npos)
        << log;
    // The defaults were in force: the task file of the program folder was saved at exit.
    EXPECT_TRUE(FileExistsW(taskFile));
}

// A task file that can neither be read nor set aside makes the run read-only for that file:
// Rename is refused with a box and changes nothing; Use File of another file makes that one
// current and writable, so the exit saves it and the next start opens it.
TEST_F(SchedulerSaves, AReadOnlyRunRefusesRenameAndUseFileMakesAnotherFileWritable) {
    const std::string damaged = "TPF0 not a task list";
    WriteTextFile(taskFile, damaged);
    const std::wstring other = run.folder + L"Other.ltl";
    WriteTasks(other, 1, "other");
    // Held without delete sharing: it cannot be set aside.
    HANDLE holder = CreateFileW(taskFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    StartScheduler(run);
    HWND box = WaitForBox(run);
    ASSERT_NE(box, nullptr);
    Click(box, L"OK");
    HWND main = MainWindow();
    ASSERT_NE(main, nullptr);
    PostMessageW(main, 0x2504, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(main) != FALSE; }, 10s));
    SetForegroundWindow(main);
    Sleep(300);

    PressCtrl('S');  // Rename
    ASSERT_TRUE(ChooseInFileDialog(run, run.folder + L"Renamed.ltl")) << "the save dialog";
    HWND refused = WaitForBox(run, box);
    ASSERT_NE(refused, nullptr) << "Rename of a read-only list is refused with a box";
    EXPECT_NE(AllText(refused).find(L"could not be read at start-up"), std::wstring::npos)
        << win::Narrow(AllText(refused));
    CaptureWindow(refused, ArtifactFolder() + L"scheduler_rename_refused.png");
    Click(refused, L"OK");
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(refused) || !IsWindowVisible(refused); }, 10s));

    SetForegroundWindow(main);
    Sleep(300);
    PressCtrl('O');  // Use File
    ASSERT_TRUE(ChooseInFileDialog(run, other)) << "the open dialog";
    EXPECT_TRUE(PumpUntil([&] { return Rows(main) == 1; }, 10s)) << Rows(main);
    EXPECT_EQ(CloseScheduler(run), 0u);
    CloseHandle(holder);

    EXPECT_EQ(ReadTextFile(taskFile), damaged);
    EXPECT_FALSE(FileExistsW(run.folder + L"Renamed.ltl"));
    EXPECT_EQ(Statuses(other), std::vector<TTaskStatus>{TTaskStatus::tsPending}) << "the exit saved the file in use";
    EXPECT_EQ(core::IniStore(win::Narrow(run.folder + L"LF_Scheduler.ini")).ReadString("Common", "TaskFile", ""),
              win::Narrow(other));
}

}  // namespace

// Writes at exit that another program refuses (it holds the file open without sharing): each
// is told in a box naming the file, in the user's language, and the program still ends.
struct RefusedAtExit {
    const char* name;
    const wchar_t* file;
    std::wstring texts[3];
};

const RefusedAtExit kRefusedAtExit[] = {
    {"log",
     L"Schedule.log",
     {L"The transfer log could not be written to", L"Das Übertragungsprotokoll konnte nicht in",
      L"Le journal des transferts n'a pas pu être écrit dans"}},
    {"settings",
     L"LF_Scheduler.ini",
     {L"The settings could not be saved to", L"Die Einstellungen konnten nicht in",
      L"Les paramètres n'ont pas pu être enregistrés dans"}},
};

TEST_F(SchedulerSaves, AWriteAtExitThatItsFileRefusesIsToldAndTheProgramEnds) {
    for (const RefusedAtExit& refused : kRefusedAtExit) {
        for (int language = 1; language <= 3; ++language) {
            SCOPED_TRACE(std::string(refused.name) + " " + kLanguages[language - 1]);
            const std::wstring file = run.folder + refused.file;
            WriteTasks(taskFile, 1, "told");
            WriteTextFile(run.folder + L"Schedule.log", "a line of an earlier run\r\n");
            WriteSettings("[Options]\r\nDefaultLanguage=" + std::to_string(language) + "\r\n");
            StartScheduler(run);
            ASSERT_NE(MainWindow(), nullptr);
            const std::string before = ReadTextFile(file);
            HANDLE holder =
                CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            ASSERT_NE(holder, INVALID_HANDLE_VALUE);
            PostMessageW(FindSchedulerWindow(run), WM_CLOSE, 0, 0);

            HWND box = WaitForBox(run);
            if (!box) CloseHandle(holder);
            ASSERT_NE(box, nullptr) << "the refused write was not shown";
            const std::wstring text = AllText(box);
            EXPECT_NE(text.find(refused.texts[language - 1] + L" " + file), std::wstring::npos) << win::Narrow(text);
            EXPECT_NE(text.find(L"Sharing violation"), std::wstring::npos) << "the system's reason";
            CaptureWindow(box, ArtifactFolder() + L"scheduler_" + win::Widen(refused.name) + L"_refused_at_exit_" +
                                   win::Widen(kLanguages[language - 1]) + L".png");
            Click(box, L"OK");
            EXPECT_EQ(WaitForBox(run, box, 3s), nullptr) << "one box for one failure";
            ASSERT_TRUE(Exited(run, 30s));
            EXPECT_EQ(ExitCode(run), 0u);
            CloseHandle(holder);
            EXPECT_EQ(ReadTextFile(file), before) << "the refused file is left as it was";
            // The other writes at exit went on.
            EXPECT_EQ(Statuses(taskFile), std::vector<TTaskStatus>{TTaskStatus::tsPending});
            if (std::wstring(refused.file) != L"Schedule.log") {
                const std::string log = Log();
                EXPECT_EQ(log.rfind("a line of an earlier run\r\n", 0), 0u) << log;
                EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3) << "this run's start and end were appended";
            }
        }
    }
}

// At log-off no box may wait for an answer: both refusals go to the error output and the
// program ends by itself.
TEST_F(SchedulerSaves, WritesRefusedAtLogOffAreToldWithoutABox) {
    WriteTextFile(run.folder + L"Schedule.log", "a line of an earlier run\r\n");
    WriteSettings("[Options]\r\nDefaultLanguage=1\r\n");
    run.errorOutput = run.folder + L"errors.txt";
    StartScheduler(run);
    HWND main = MainWindow();
    ASSERT_NE(main, nullptr);
    std::vector<HANDLE> holders;
    for (const RefusedAtExit& refused : kRefusedAtExit) {
        holders.push_back(CreateFileW((run.folder + refused.file).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        EXPECT_NE(holders.back(), INVALID_HANDLE_VALUE);
    }
    EXPECT_EQ(SendMessageW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    SendMessageTimeoutW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_BLOCK, 20000, nullptr);
    const bool exited = Exited(run, 30s);
    for (HANDLE holder : holders) CloseHandle(holder);
    EXPECT_EQ(WaitForBox(run, nullptr, 1s), nullptr);
    ASSERT_TRUE(exited) << "a box waits at log-off";
    ExitCode(run);
    const std::string errors = ReadTextFile(run.folder + L"errors.txt");
    for (const RefusedAtExit& refused : kRefusedAtExit)
        EXPECT_NE(errors.find(win::Narrow(refused.texts[0] + L" " + run.folder + refused.file)), std::string::npos)
            << errors;
}
