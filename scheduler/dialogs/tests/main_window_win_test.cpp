// The main window from its compiled definition over an in-memory task list: every language
// shows the tasks and fits, the commands run from the menu and from the keyboard, sorting and
// the column chooser keep their layout. Pictures of each language go to the artifacts.
#include "ui/win32.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "core/clock.h"
#include "core/datetime.h"
#include "core/ini_store.h"
#include "gui_testing/form_driver.h"
#include "localization/lang_component.h"
#include "localization/lang_dispatcher.h"
#include "localization/message_dialog_win.h"
#include "scheduler_dialogs/main_window.h"
#include "scheduler_dialogs/options_dialog.h"
#include "ui/page_control.h"
#include "ui/actions.h"
#include "ui/application.h"
#include "ui/common_dialogs.h"
#include "ui/list_view.h"
#include "ui/menus.h"
#include "ui/register.h"
#include "win/text.h"

namespace lark::scheduler {
namespace {

class NoFiles : public FileSystem {
public:
    bool FileExists(std::string_view) const override { return true; }
    bool DirectoryExists(std::string_view) const override { return true; }
};

std::string TempIni(const char* name) {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    const std::string path = win::Narrow(dir) + name;
    DeleteFileW(win::Widen(path).c_str());
    return path;
}

struct MainWindowTest : ::testing::Test {
    core::FixedClock clock{core::EncodeDateTime(2026, 12, 10, 9, 0, 0, 0)};
    EnglishStrings english;
    NoFiles files;
    TLarkFTPTaskStorage storage;
    ListRows rows{storage.TaskList(), clock};
    TLogFile log{clock, english, "C:\\nonexistent\\"};
    int mainClientAsked = 0;
    TaskRunner runner{rows,
                      [this]() -> std::shared_ptr<mainclient::MainClient> {
                          ++mainClientAsked;
                          throw core::Error("no main client");
                      },
                      clock, files, english, &log};
    SchedulerSettings settings = DefaultSettings("C:\\Program\\");
    std::unique_ptr<MainWindow> window;
    std::vector<std::string> questions, errors;
    DeleteAnswer answer = DeleteAnswer::Yes;
    int shutdowns = 0, saves = 0, optionsShown = 0;
    std::vector<int> languagesTold;

    void SetUp() override {
        RegisterSchedulerWindowClasses();
        ui::Application::Instance().ShowError = [this](const std::string& text) { errors.push_back(text); };
        AddTask("C:\\Data\\report.txt", "ftp.example.org", "/pub/report.txt", TTaskStatus::tsPending, TScheduleTask::stDaily);
        AddTask("C:\\Data\\photos\\", "Office profile", "/photos/", TTaskStatus::tsCompleted, TScheduleTask::stOnce);
        AddTask("C:\\Backup\\db.bak", "backup.example.net", "/db/db.bak", TTaskStatus::tsFailed, TScheduleTask::stWeekly);
        AddTask("C:\\Data\\accounts.xls", "ftp.example.org", "/in/accounts.xls", TTaskStatus::tsDisabled, TScheduleTask::stMonthly);
        window = ui::Form::Make<MainWindow>(nullptr);
        MainWindowCommands commands;
        commands.confirmDelete = [this](const std::string& text, bool) {
            questions.push_back(text);
            return answer;
        };
        commands.showError = [this](const std::string& text) { errors.push_back(text); };
        commands.load = [](const std::string&) {};
        commands.save = [this](const std::string&) { ++saves; };
        commands.autoSave = [] {};
        commands.shutdown = [this] { ++shutdowns; };
        commands.options = [this] { ++optionsShown; };
        commands.languageChanged = [this](int language) { languagesTold.push_back(language); };
        MainWindowParts parts{&storage, &rows, &runner, &clock, &settings, "Lark-FTP Scheduler"};
        window->SetTaskFile("C:\\Program\\TaskList.ltl");
        window->Attach(parts, commands, {});
        languagesTold.clear();
    }
    void TearDown() override {
        window.reset();
        ui::Application::Instance().ShowError = nullptr;
    }

    void AddTask(const std::string& local, const std::string& host, const std::string& remote, TTaskStatus status,
                 TScheduleTask schedule) {
        TLarkFTPTask& t = storage.TaskList().Add();
        t.SetLocalName(local);
        t.SetRemoteURL(host);
        t.SetRemoteName(remote);
        t.SetStatus(status);
        t.SetScheduleTask(schedule);
        t.SetStartTime(clock.Now() + 0.25);
        t.SetWeekDays(TWeekDays::All());
        t.SetMonths(TMonths::All());
        t.SetEveryDayOfMonth(12);
        t.SetDayInterval(1);
        t.SetEveryWeek(1);
    }
    ui::ListView& List() { return *static_cast<ui::ListView*>(window->FindComponent("lvTaskList")); }
    void Command(lark::testing::FormDriver& driver, const char* menuItem) {
        auto* item = static_cast<ui::MenuItem*>(window->FindComponent(menuItem));
        PostMessageW(window->Handle(), WM_COMMAND, item->CommandId(), 0);
        driver.Pump();
    }
};

TEST_F(MainWindowTest, EachLanguageShowsTheTasksAndFits) {
    window->Show();
    lark::testing::FormDriver driver(*window);
    struct Language {
        int number;
        const char* caption;
        const char* status;
        const char* picture;
    } languages[] = {
        {1, "Lark-FTP Scheduler - Running", "Pending", "main_window_english"},
        {2, "Lark-FTP Scheduler - Läuft", "Wartend", "main_window_deutsch"},
        {3, "Lark-FTP Scheduler - En cours", "En attente", "main_window_francais"},
    };
    for (const Language& language : languages) {
        window->Dispatcher().SetActiveLanguage(language.number);
        driver.Pump();
        EXPECT_EQ(window->Text(), language.caption);
        EXPECT_EQ(driver.Cell("lvTaskList", 0, 7), language.status);
        EXPECT_EQ(driver.Cell("lvTaskList", 2, 1), "backup.example.net");
        EXPECT_EQ(lark::testing::OverflowingTexts(*window), std::vector<std::string>{}) << language.picture;
        driver.Screenshot(language.picture);
    }
    // After a switch the stopped state keeps its words.
    Command(driver, "miPause");
    EXPECT_EQ(window->Text(), "Lark-FTP Scheduler - Arrêté");
    window->Dispatcher().SetActiveLanguage(2);
    driver.Pump();
    EXPECT_EQ(window->Text(), "Lark-FTP Scheduler - Angehalten");
    EXPECT_FALSE(runner.Running());
}

// The delete question takes its buttons from the window's own table: every language has them.
TEST_F(MainWindowTest, TheDeleteQuestionsButtonsSpeakTheWindowsLanguage) {
    using enum localization::MsgDlgBtn;
    struct Language {
        int number;
        std::vector<std::string> texts;  // caption, Yes, No, Cancel, Yes_To_All
    } languages[] = {
        {1, {"Confirm", "&Yes", "&No", "Cancel", "Y&es To All"}},
        {2, {"Bestätigen", "&Ja", "&Nein", "Abbrechen", "Ja, a&lle"}},
        {3, {"Confirmation", "&Oui", "&Non", "Annuler", "Oui à &tout"}},
    };
    for (const Language& language : languages) {
        window->Dispatcher().SetActiveLanguage(language.number);
        auto box = localization::BuildTranslatedMessageForm(window->Lang(), "Delete the task?",
                                                            localization::MsgDlgType::mtConfirmation,
                                                            localization::ButtonSet(mbYes, mbNo, mbCancel, mbYesToAll));
        lark::testing::FormDriver driver(*box);
        std::vector<std::string> texts, overflowing;
        driver.RunModal([&](lark::testing::FormDriver& d) {
            texts.push_back(box->Caption());
            for (const char* name : {"Yes", "No", "Cancel", "Yes_To_All"}) texts.push_back(d.Text(name));
            overflowing = lark::testing::OverflowingTexts(*box);
            d.Key(VK_F4, lark::testing::kAlt);
        });
        EXPECT_EQ(texts, language.texts) << language.number;
        EXPECT_EQ(overflowing, std::vector<std::string>{}) << language.number;
    }
}

// The texts of the tick, the runs, the log and the task file come from the window's table: each
// has its German and French text there, and its English one is the program's own fallback.
TEST_F(MainWindowTest, EveryRuntimeTextIsInTheTableInEachLanguage) {
    using localization::TStringsType;
    for (std::string_view id : EnglishStrings::Identifiers()) {
        SCOPED_TRACE(std::string(id));
        EXPECT_EQ(window->Lang()->FindField(TStringsType::stStrings, id, 1), english.Text(id));
        for (int language : {2, 3}) EXPECT_NE(window->Lang()->FindField(TStringsType::stStrings, id, language), "");
    }
    window->Dispatcher().SetActiveLanguage(2);
    EXPECT_EQ(window->Strings().Text("IDS_MainClientReachable"), "Der Hauptclient ist wieder erreichbar.");
}

// Panel 0 shows how far a task file is read, the hint of the menu item being chosen and,
// without one, that the main client cannot be reached, in the window's language.
TEST_F(MainWindowTest, TheHintPanelShowsLoadingMenuHintsAndAnUnreachableMainClient) {
    window->Show();
    lark::testing::FormDriver driver(*window);
    auto panel = [&] {
        wchar_t text[256] = {};
        SendMessageW(driver.Window("StatusBar"), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
        return win::Narrow(text);
    };
    auto select = [&](const char* menuItem) {
        auto* item = static_cast<ui::MenuItem*>(window->FindComponent(menuItem));
        SendMessageW(window->Handle(), WM_MENUSELECT, MAKEWPARAM(item->CommandId(), MF_STRING),
                     reinterpret_cast<LPARAM>(GetMenu(window->Handle())));
    };
    auto closeMenu = [&] { SendMessageW(window->Handle(), WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0); };
    window->ShowLoadProgress(1 << 20, 4 << 20);
    EXPECT_EQ(panel(), "Reading the task list: 25 %");
    window->ShowLoadProgress(4 << 20, 4 << 20);
    EXPECT_EQ(panel(), "") << "the end of the load gives the panel back";
    select("miNew");
    EXPECT_EQ(panel(), "Schedule a new task");
    select("miByStatus");
    EXPECT_EQ(panel(), "Sort the tasks by status");
    closeMenu();
    EXPECT_EQ(panel(), "");
    for (int r = 0; r < 4; ++r) List().SelectRow(r, r == 0);
    Command(driver, "miRun");
    EXPECT_GE(mainClientAsked, 1);
    EXPECT_EQ(panel(), "The main client cannot be reached: no main client");
    window->Dispatcher().SetActiveLanguage(3);
    driver.Pump();
    EXPECT_EQ(panel(), "Le client principal est injoignable : no main client");
    select("miPause");
    EXPECT_EQ(panel(), "Arrêter ou reprendre la planification des tâches");
    closeMenu();
}

// The bars' state and the placement go to the "MainForm" section: kept when the close button
// hides the window (showing it again restores what was stored) and read by the next window.
TEST_F(MainWindowTest, TheBarsAndThePlacementAreKeptInTheSettingsFile) {
    const std::string ini = TempIni("main_window_test.ini");
    auto make = [&] {
        window.reset();
        window = ui::Form::Make<MainWindow>(nullptr);
        MainWindowCommands commands;
        commands.shutdown = [] {};
        MainWindowParts parts{&storage, &rows, &runner, &clock, &settings, "Lark-FTP Scheduler", ini};
        window->Attach(parts, commands, {});
        window->Show();
    };
    auto statusBarShown = [&] { return IsWindowVisible(static_cast<ui::Control*>(window->FindComponent("StatusBar"))->Handle()) != FALSE; };
    auto statusBarChecked = [&] { return static_cast<ui::Action*>(window->FindComponent("acStatusBar"))->Checked(); };
    make();
    lark::testing::FormDriver driver(*window);
    EXPECT_TRUE(statusBarShown());
    Command(driver, "miStatusBar");
    EXPECT_FALSE(statusBarShown());
    SetWindowPos(window->Handle(), nullptr, 30, 40, 500, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    settings.useCloseAsMinimize = true;
    EXPECT_FALSE(window->CloseQuery());
    EXPECT_FALSE(IsWindowVisible(window->Handle()));
    window->Restore();
    EXPECT_FALSE(statusBarShown()) << "showing again restores what hiding stored";
    EXPECT_FALSE(statusBarChecked());
    core::IniStore stored(ini);
    EXPECT_EQ(stored.ReadString("MainForm", "acStatusBar_Checked", ""), "False");
    EXPECT_EQ(stored.ReadString("MainForm", "StatusBar_Visible", ""), "False");
    EXPECT_EQ(stored.ReadString("MainForm", "acToolBar_Checked", ""), "True");
    EXPECT_EQ(stored.ReadString("MainForm", "ToolBar_Visible", ""), "True");
    EXPECT_EQ(stored.ReadString("MainForm", "NormPos", ""), "30,40,530,340");
    make();
    EXPECT_FALSE(statusBarShown());
    EXPECT_FALSE(statusBarChecked());
    RECT r{};
    GetWindowRect(window->Handle(), &r);
    EXPECT_EQ(r.left, 30);
    EXPECT_EQ(r.top, 40);
    window.reset();
    DeleteFileW(win::Widen(ini).c_str());
}

// A language switch writes the columns' captions: the widths the user dragged them to stay.
TEST_F(MainWindowTest, ALanguageSwitchKeepsTheColumnWidthsTheUserSet) {
    window->Show();
    lark::testing::FormDriver driver(*window);
    SendMessageW(List().Handle(), LVM_SETCOLUMNWIDTH, 2, 177);  // as a drag of the divider
    window->Dispatcher().SetActiveLanguage(2);
    driver.Pump();
    EXPECT_EQ(driver.Cell("lvTaskList", 0, 7), "Wartend");
    EXPECT_EQ(SendMessageW(List().Handle(), LVM_GETCOLUMNWIDTH, 2, 0), 177);
    EXPECT_EQ(window->SaveColumnLayout().widths, "100,100,177,80,100,50,100,50");
}

TEST_F(MainWindowTest, StateImageIsStatusPlusOne) {
    window->Show();
    LVITEMW item{};
    item.mask = LVIF_STATE;
    item.stateMask = LVIS_STATEIMAGEMASK;
    for (int row = 0; row < 4; ++row) {
        item.iItem = row;
        SendMessageW(List().Handle(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ((item.state & LVIS_STATEIMAGEMASK) >> 12, static_cast<UINT>(storage.TaskList().Items(row).Status()) + 1)
            << row;
    }
}

// One table: each command from its menu item and, where it has one, from its key.
TEST_F(MainWindowTest, CommandsFromMenuAndKeyboard) {
    window->Show();
    lark::testing::FormDriver driver(*window);
    SetFocus(List().Handle());
    struct Case {
        const char* name;
        const char* menuItem;  // or null: the key
        UINT key;
        unsigned modifiers;
        std::function<void()> before;
        std::function<void()> check;
    };
    const std::vector<Case> cases{
        {"select all by key", nullptr, 'A', lark::testing::kCtrl, [] {},
         [&] { EXPECT_EQ(List().SelectedRows().size(), 4u); }},
        {"select all from the menu", "miPopSelectAll", 0, 0, [&] { List().SelectRow(0, false); },
         [&] { EXPECT_EQ(List().SelectedRows().size(), 4u); }},
        {"pause from the menu", "miPause", 0, 0, [] {}, [&] { EXPECT_FALSE(runner.Running()); }},
        {"restart from the menu", "miPause", 0, 0, [] {}, [&] { EXPECT_TRUE(runner.Running()); }},
        {"sort by status from the menu", "miByStatus", 0, 0, [] {},
         [&] { EXPECT_EQ(driver.Cell("lvTaskList", 0, 7), "Completed"); }},
        {"sort by local name from the menu", "miByLocalName", 0, 0, [] {},
         [&] { EXPECT_EQ(driver.Cell("lvTaskList", 0, 0), "C:\\Backup\\db.bak"); }},
        {"status bar from the menu", "miStatusBar", 0, 0, [] {},
         [&] { EXPECT_FALSE(IsWindowVisible(driver.Window("StatusBar"))); }},
        {"tool bar from the menu", "miToolBar", 0, 0, [] {},
         [&] { EXPECT_FALSE(IsWindowVisible(driver.Window("ToolBar"))); }},
        {"run by key", nullptr, VK_F9, 0,
         [&] {
             for (int r = 0; r < 4; ++r) List().SelectRow(r, driver.Cell("lvTaskList", r, 0) == "C:\\Data\\report.txt");
         },
         [&] { EXPECT_GE(mainClientAsked, 1) << "the run was not tried"; }},
        {"delete by key asks for a task not completed", nullptr, VK_DELETE, lark::testing::kCtrl,
         [&] { answer = DeleteAnswer::No; },
         [&] {
             EXPECT_EQ(questions.size(), 1u);
             EXPECT_EQ(storage.TaskList().Count(), 4);
         }},
        {"use file by key opens the open dialog (Ctrl+O is acOpen's)", nullptr, 'O', lark::testing::kCtrl,
         [&] {
             static_cast<ui::OpenDialog*>(window->FindComponent("dlgOpen"))
                 ->OnDialogShow.Bind([](core::Component&, HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
             runner.SetRunning(true);
         },
         [&] {
             EXPECT_EQ(saves, 0) << "a cancelled Use File saves nothing";
             EXPECT_EQ(optionsShown, 0) << "Ctrl+O went to Options";
         }},
        {"use file from the menu (cancelled)", "miOpen", 0, 0, [] {},
         [&] { EXPECT_EQ(saves, 0); }},
        {"rename by key opens the save dialog", nullptr, 'S', lark::testing::kCtrl,
         [&] {
             static_cast<ui::SaveDialog*>(window->FindComponent("dlgSave"))
                 ->OnDialogShow.Bind([](core::Component&, HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
         },
         [&] {
             EXPECT_EQ(saves, 0) << "a cancelled Rename saves nothing";
             EXPECT_EQ(window->TaskFile(), "C:\\Program\\TaskList.ltl");
         }},
        {"rename from the menu (cancelled)", "miSave", 0, 0, [] {}, [&] { EXPECT_EQ(saves, 0); }},
        {"hide a column from the header's menu", "miColTaskType", 0, 0, [] {},
         [&] { EXPECT_EQ(List().Column(3)->Width(), 0); }},
        {"show it again", "miColTaskType", 0, 0, [] {}, [&] { EXPECT_EQ(List().Column(3)->Width(), 80); }},
        {"run from the menu", "miRun", 0, 0,
         [&] {
             mainClientAsked = 0;
             for (int r = 0; r < 4; ++r) List().SelectRow(r, driver.Cell("lvTaskList", r, 0) == "C:\\Data\\report.txt");
         },
         [&] { EXPECT_GE(mainClientAsked, 1) << "the run was not tried"; }},
        {"delete by key deletes after Yes", nullptr, VK_DELETE, lark::testing::kCtrl,
         [&] {
             answer = DeleteAnswer::Yes;
             questions.clear();
         },
         [&] {
             EXPECT_EQ(questions.size(), 1u);
             EXPECT_EQ(storage.TaskList().Count(), 3);
             EXPECT_EQ(List().RowCount(), 3);
             for (int i = 0; i < storage.TaskList().Count(); ++i)
                 EXPECT_NE(storage.TaskList().Items(i).LocalName(), "C:\\Data\\report.txt");
         }},
        {"German from the menu", "miGerman", 0, 0, [] {},
         [&] {
             EXPECT_EQ(window->Dispatcher().ActiveLanguage(), 2);
             EXPECT_EQ(languagesTold, std::vector<int>{2});
             EXPECT_TRUE(static_cast<ui::MenuItem*>(window->FindComponent("miGerman"))->Checked());
         }},
        {"options from the menu", "miOptions", 0, 0, [] {}, [&] { EXPECT_EQ(optionsShown, 1); }},
        {"shutdown from the menu", "miShutdown", 0, 0, [] {}, [&] { EXPECT_EQ(shutdowns, 1); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.before();
        if (c.menuItem) {
            Command(driver, c.menuItem);
        } else {
            SetFocus(List().Handle());
            driver.Key(c.key, c.modifiers);
        }
        c.check();
    }
}

TEST_F(MainWindowTest, DeletingCompletedTasksAsksNothingAndYesToAllEndsTheQuestions) {
    window->Show();
    lark::testing::FormDriver driver(*window);
    for (int r = 0; r < 4; ++r) List().SelectRow(r);
    answer = DeleteAnswer::YesToAll;
    Command(driver, "miPopDelete");
    EXPECT_EQ(questions.size(), 1u) << "the completed task is deleted without a question, Yes to All ends them";
    EXPECT_EQ(storage.TaskList().Count(), 0);
    EXPECT_EQ(List().RowCount(), 0);
}

TEST_F(MainWindowTest, AHiddenColumnKeepsItsWidthForWhenItIsShownAgain) {
    window->Show();
    lark::testing::FormDriver driver(*window);
    List().Column(1)->SetWidth(140);
    auto* hostItem = static_cast<ui::MenuItem*>(window->FindComponent("miColHost"));
    hostItem->Click();
    EXPECT_EQ(List().Column(1)->Width(), 0);
    // Neither dragging nor double-clicking the divider opens the hidden column.
    auto headerNotice = [&](UINT code, int column) {
        NMHEADERW notice{};
        notice.hdr.hwndFrom = List().HeaderHandle();
        notice.hdr.code = code;
        notice.iItem = column;
        return SendMessageW(List().Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notice));
    };
    EXPECT_EQ(headerNotice(HDN_BEGINTRACKW, 1), TRUE);
    EXPECT_EQ(headerNotice(HDN_DIVIDERDBLCLICKW, 1), TRUE);
    EXPECT_EQ(headerNotice(HDN_BEGINTRACKW, 2), FALSE);
    StoredColumnLayout stored = window->SaveColumnLayout();
    EXPECT_EQ(stored.visibility, "1,0,1,1,1,1,1,1");
    EXPECT_EQ(stored.widths, "100,140,100,80,100,50,100,50");
    // The Local name item cannot hide its column.
    static_cast<ui::MenuItem*>(window->FindComponent("miColLocalName"))->Click();
    EXPECT_GT(List().Column(0)->Width(), 0);
    hostItem->Click();
    EXPECT_EQ(List().Column(1)->Width(), 140);
}

TEST_F(MainWindowTest, AStoredLayoutIsAppliedAtStart) {
    window.reset();
    window = ui::Form::Make<MainWindow>(nullptr);
    MainWindowCommands commands;
    commands.shutdown = [] {};
    MainWindowParts parts{&storage, &rows, &runner, &clock, &settings, "Lark-FTP Scheduler"};
    window->Attach(parts, commands, {"7,0,1,2,3,4,5,6", "60,110,0,120,70,90,55,45", "1,1,0,1,1,1,1,1"});
    window->Show();
    EXPECT_EQ(List().ColumnOrder(), (std::vector<int>{7, 0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(List().Column(7)->Width(), 60);
    EXPECT_EQ(List().Column(0)->Width(), 110);
    EXPECT_EQ(List().Column(1)->Width(), 0) << "hidden";
    EXPECT_EQ(window->SaveColumnLayout().widths, "60,110,0,120,70,90,55,45");
}

TEST_F(MainWindowTest, TheOptionsDialogInEachLanguageOnEachPage) {
    window->Handle();
    for (int language = 1; language <= 3; ++language) {
        window->Dispatcher().SetActiveLanguage(language);
        auto options = ui::Form::Make<OptionsForm>(window.get());
        options->Load(DraftOf(settings), window->Strings(), "");
        options->Show();
        lark::testing::FormDriver driver(*options);
        EXPECT_EQ(driver.Text("edMaxSize"), "63");
        EXPECT_EQ(driver.Text("seAutoSave"), "15");
        auto* pages = static_cast<ui::PageControl*>(options->FindComponent("PageControl"));
        const char* languageName[] = {"english", "deutsch", "francais"};
        for (ui::TabSheet* page : pages->Pages()) {
            pages->SetActivePage(page);
            driver.Pump();
            EXPECT_EQ(lark::testing::OverflowingTexts(*options), std::vector<std::string>{})
                << page->Name() << " " << languageName[language - 1];
            driver.Screenshot("options_" + page->Name() + "_" + languageName[language - 1]);
        }
        if (language == 2) {
            EXPECT_EQ(options->Text(), "Optionen");
        }
    }
}

int boxesClosed = 0;

// Closes the translated box as its title bar would (which answers Cancel).
void CALLBACK CloseBox(HWND, UINT, UINT_PTR, DWORD) {
    if (HWND box = FindWindowW(L"TMessageForm", nullptr)) {
        ++boxesClosed;
        PostMessageW(box, WM_CLOSE, 0, 0);
    }
}

// A log size too large is told in a box and the dialog stays open; a good one ends it with OK.
// The recent names (as the file held them, the new one on top) and the page shown last go to
// the settings file.
TEST_F(MainWindowTest, TheOptionsDialogChecksTheLogSizeBeforeOkAndKeepsItsLists) {
    const std::string ini = TempIni("options_dialog_test.ini");
    core::SharedIniFile::Open(ini)->Update([](core::SharedIniFile& file) {
        file.WriteString("OptionsForm.cbTaskListFile_Items", "Count", "3");
        file.WriteString("OptionsForm.cbTaskListFile_Items", "Item0", "C:\\old.ltl");
        file.WriteString("OptionsForm.cbTaskListFile_Items", "Item1", "");
        file.WriteString("OptionsForm.cbTaskListFile_Items", "Item2", "C:\\OLD.LTL");
    });
    window->Handle();
    auto options = ui::Form::Make<OptionsForm>(window.get());
    options->Load(DraftOf(settings), window->Strings(), ini);
    EXPECT_EQ(options->RecentTaskFiles(), (std::vector<std::string>{"C:\\old.ltl"}));
    boxesClosed = 0;
    lark::testing::FormDriver driver(*options);
    const ui::ModalResult result = driver.RunModal([&](lark::testing::FormDriver& d) {
        auto* pages = static_cast<ui::PageControl*>(options->FindComponent("PageControl"));
        pages->SetActivePage(static_cast<ui::TabSheet*>(options->FindComponent("tsLogging")));
        d.Type("edMaxSize", "4194304");
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, CloseBox);
        d.Click("btnOK");
        KillTimer(nullptr, timer);
        EXPECT_EQ(boxesClosed, 1);
        EXPECT_TRUE(IsWindowVisible(options->Handle()));
        d.Type("edMaxSize", "1x00");
        EXPECT_EQ(d.Text("edMaxSize"), "100") << "digits only";
        d.Type("cbTaskListFile", "C:\\new.ltl");
        d.Click("btnOK");
    });
    EXPECT_EQ(result, ui::ModalResult::Ok);
    EXPECT_EQ(options->Draft().maxLogSizeKb, "100");
    SchedulerSettings applied = settings;
    ApplyDraft(options->Draft(), applied);
    EXPECT_EQ(applied.maxLogSize, 102400u);
    EXPECT_EQ(applied.taskFile, "C:\\new.ltl");
    EXPECT_EQ(options->RecentTaskFiles(), (std::vector<std::string>{"C:\\new.ltl", "C:\\old.ltl"}));
    options.reset();
    core::IniStore stored(ini);
    EXPECT_EQ(stored.ReadString("OptionsForm.cbTaskListFile_Items", "Count", ""), "2");
    EXPECT_EQ(stored.ReadString("OptionsForm.cbTaskListFile_Items", "Item0", ""), "C:\\new.ltl");
    EXPECT_EQ(stored.ReadString("OptionsForm.cbTaskListFile_Items", "Item1", ""), "C:\\old.ltl");
    EXPECT_EQ(stored.ReadString("OptionsForm.cbLogFile_Items", "Item0", ""), settings.logFile);
    EXPECT_EQ(stored.ReadString("OptionsForm", "PageControl_ActivePage", ""), "tsLogging");
    EXPECT_EQ(stored.ReadString("OptionsForm", "NormPos", "(none)"), "(none)") << "no placement";
    // The next showing opens where this one ended, with the lists it left.
    auto again = ui::Form::Make<OptionsForm>(window.get());
    again->Load(DraftOf(settings), window->Strings(), ini);
    EXPECT_EQ(static_cast<ui::PageControl*>(again->FindComponent("PageControl"))->ActivePage()->Name(), "tsLogging");
    EXPECT_EQ(again->RecentLogFiles(), (std::vector<std::string>{settings.logFile}));
    again.reset();
    DeleteFileW(win::Widen(ini).c_str());
}

}  // namespace
}  // namespace lark::scheduler
