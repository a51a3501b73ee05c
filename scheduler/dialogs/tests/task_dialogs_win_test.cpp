// The task properties dialog and the new-task wizard from their compiled definitions, over the
// main window's language: the wizard makes each kind of task with Next enabled only when a page
// is complete, the properties dialog edits several tasks at once, both fit in every language
// (pictures of every page go to the artifacts), and the tick is held while they are open.
#include "ui/win32.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "../../model/tests/fake_file_system.h"

#include <set>

#include "core/clock.h"
#include "core/compiler.h"
#include "core/datetime.h"
#include "gui_testing/form_driver.h"
#include "gui_testing/process.h"
#include "localization/lang_dispatcher.h"
#include "localization/message_dialog_win.h"
#include "scheduler_dialogs/main_window.h"
#include "scheduler_dialogs/new_task_wizard.h"
#include "scheduler_dialogs/task_properties.h"
#include "ui/application.h"
#include "ui/common_dialogs.h"
#include "ui/page_control.h"
#include "ui/standard_controls.h"
#include "win/text.h"

namespace lark::scheduler {
namespace {

using lark::testing::FormDriver;

// How the translated question boxes are answered while a test runs (a thread timer looks for
// them), and how many there were.
ui::ModalResult boxAnswer = ui::ModalResult::Yes;
int boxesAnswered = 0;
std::string lastBoxText, lastBoxTitle;

void CALLBACK AnswerBox(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = FindWindowW(L"TMessageForm", nullptr);
    if (!box || !IsWindowVisible(box)) return;
    auto* form = dynamic_cast<ui::Form*>(ui::Control::FromHandle(box));
    if (!form || !form->Modal() || form->GetModalResult() != ui::ModalResult::None) return;
    ++boxesAnswered;
    wchar_t text[512] = {};
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[32] = {};
        GetClassNameW(child, className, 32);
        if (lstrcmpiW(className, L"Static") == 0 && GetWindowTextLengthW(child) > 0) GetWindowTextW(child, text, 512);
    }
    lastBoxText = win::Narrow(text);
    GetWindowTextW(box, text, 512);
    lastBoxTitle = win::Narrow(text);
    form->SetModalResult(boxAnswer);
}

struct TaskDialogsTest : ::testing::Test {
    core::FixedClock clock{core::EncodeDateTime(2026, 12, 10, 9, 0, 0, 0)};
    EnglishStrings english;
    FakeFiles files;
    TLarkFTPTaskStorage storage;
    ListRows rows{storage.TaskList(), clock};
    TLogFile log{clock, english, "C:\\nonexistent\\"};
    TaskRunner runner{rows, []() -> std::shared_ptr<mainclient::MainClient> { throw core::Error("no main client"); },
                      clock, files, english, &log};
    SchedulerSettings settings = DefaultSettings("C:\\Program\\");
    std::unique_ptr<MainWindow> window;
    std::vector<std::string> errors;
    UINT_PTR answerTimer = 0;
    int profileAsked = 0;
    std::optional<std::string> profileAnswer = "Office/Backup";

    void SetUp() override {
        RegisterSchedulerWindowClasses();
        ui::Application::Instance().ShowError = [this](const std::string& text) { errors.push_back(text); };
        window = ui::Form::Make<MainWindow>(nullptr);
        MainWindowCommands commands;
        commands.shutdown = [] {};
        MainWindowParts parts{&storage, &rows, &runner, &clock, &settings, "Lark-FTP Scheduler"};
        window->Attach(parts, commands, {});
        window->Handle();
        files.files.insert("C:\\Data\\report.txt");
        files.dirs.insert("C:\\Data");
        boxAnswer = ui::ModalResult::Yes;
        boxesAnswered = 0;
        answerTimer = SetTimer(nullptr, 0, 40, AnswerBox);
    }
    void TearDown() override {
        KillTimer(nullptr, answerTimer);
        window.reset();
        ui::Application::Instance().ShowError = nullptr;
    }

    TaskDialogContext Context() {
        TaskDialogContext c;
        c.owner = window.get();
        c.runner = &runner;
        c.clock = &clock;
        c.files = &files;
        c.texts = &window->Strings();
        c.selectProfile = [this]() -> std::optional<std::string> {
            ++profileAsked;
            return profileAnswer;
        };
        return c;
    }
    TLarkFTPTask& NewTask() {
        TLarkFTPTask& t = storage.TaskList().Add();
        t.SetStartTime(clock.Now() + 1.0 / 24);
        t.SetUserName("anonymous");
        t.SetUserPassword("guest@example.com");
        return t;
    }
    template <class C>
    static C& Find(ui::Form& form, const char* name) {
        auto* c = dynamic_cast<C*>(form.FindComponent(name));
        if (!c) throw core::Error(std::string("no component ") + name);
        return *c;
    }
    // Chooses a list item as a user does (the list tells its parent).
    static void Select(FormDriver& d, const char* combo, int index) {
        HWND h = d.Window(combo);
        SendMessageW(h, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(GetParent(h), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), CBN_SELCHANGE), reinterpret_cast<LPARAM>(h));
        d.Pump();
    }
    static bool Enabled(FormDriver& d, const char* name) { return IsWindowEnabled(d.Window(name)) != FALSE; }
    static bool Shown(FormDriver& d, const char* name) { return IsWindowVisible(d.Window(name)) != FALSE; }
};

// A dialog opened through its entry point, driven from a timer in steps: each step runs once
// the dialog is up with no question box over it and no result set (so a step that closes it
// and is answered No is followed by the next step on the same dialog).
struct DialogSteps {
    std::function<ui::Form*()> find;
    std::vector<std::function<void(ui::Form&, FormDriver&)>> steps;
    std::size_t next = 0;
    bool running = false;  // a step pumps messages: the timer must not start the next one inside it
    std::exception_ptr failure;
};
DialogSteps* currentSteps = nullptr;

void CALLBACK RunDialogStep(HWND, UINT, UINT_PTR id, DWORD) {
    DialogSteps* steps = currentSteps;
    if (!steps || steps->running) return;
    ui::Form* form = steps->find();
    if (!form || !form->Modal() || !IsWindowVisible(form->Handle()) || form->GetModalResult() != ui::ModalResult::None)
        return;
    if (HWND box = FindWindowW(L"TMessageForm", nullptr); box && IsWindowVisible(box)) return;
    if (steps->next >= steps->steps.size() || steps->failure) {
        KillTimer(nullptr, id);
        form->SetModalResult(ui::ModalResult::Abort);
        return;
    }
    FormDriver driver(*form);
    steps->running = true;
    try {
        steps->steps[steps->next++](*form, driver);
    } catch (...) {
        steps->failure = std::current_exception();
    }
    steps->running = false;
}

template <class F>
F* OpenForm() {
    for (ui::Form* f : ui::Form::All())
        if (auto* p = dynamic_cast<F*>(f); p && p->Modal()) return p;
    return nullptr;
}

template <class F>
bool RunDialog(const std::function<bool()>& open, std::vector<std::function<void(F&, FormDriver&)>> steps) {
    DialogSteps pending;
    pending.find = [] { return static_cast<ui::Form*>(OpenForm<F>()); };
    for (auto& step : steps)
        pending.steps.push_back([step](ui::Form& form, FormDriver& d) { step(static_cast<F&>(form), d); });
    currentSteps = &pending;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, RunDialogStep);
    bool result = false;
    try {
        result = open();
    } catch (...) {
        KillTimer(nullptr, timer);
        currentSteps = nullptr;
        throw;
    }
    KillTimer(nullptr, timer);
    currentSteps = nullptr;
    if (pending.next == 0) throw core::Error("the dialog never showed");
    if (pending.failure) std::rethrow_exception(pending.failure);
    return result;
}

bool RunProperties(const std::vector<TLarkFTPTask*>& tasks, const TaskDialogContext& context,
                   std::function<void(PropertiesForm&, FormDriver&)> script) {
    return RunDialog<PropertiesForm>([&] { return ShowTaskProperties(tasks, context); }, {std::move(script)});
}

// ---- the wizard ----

TEST_F(TaskDialogsTest, TheWizardMakesEachKindOfTaskWithNextOnlyForACompletePage) {
    struct Case {
        const char* kindButton;
        const char* local;
        const char* remote;
        int schedule;  // list index
        std::function<void(FormDriver&)> scheduleInput;
        std::function<void(const TLarkFTPTask&)> check;
    };
    const std::vector<Case> cases{
        {"rbDownload", "C:\\Data\\new.txt", "/pub/new.txt", 0,
         [](FormDriver& d) {
             EXPECT_TRUE(Shown(d, "grOnce"));
             d.Click("chkDeleteCompleted");
         },
         [](const TLarkFTPTask& t) {
             EXPECT_EQ(t.TaskType(), TTaskType::ttGet);
             EXPECT_FALSE(t.IsFolder());
             EXPECT_EQ(t.ScheduleTask(), TScheduleTask::stOnce);
             EXPECT_FALSE(t.DeleteCompleted());
         }},
        {"rbUpload", "C:\\Data\\report.txt", "/in/report.txt", 1,
         [](FormDriver& d) {
             EXPECT_TRUE(Shown(d, "grDaily"));
             EXPECT_FALSE(Shown(d, "grOnce"));
             d.Type("seDaily", "3");
         },
         [](const TLarkFTPTask& t) {
             EXPECT_EQ(t.TaskType(), TTaskType::ttPut);
             EXPECT_EQ(t.ScheduleTask(), TScheduleTask::stDaily);
             EXPECT_EQ(t.DayInterval(), 3);
         }},
        {"rbDownloadFolder", "C:\\Mirror\\", "/pub/", 2,
         [](FormDriver& d) {
             EXPECT_TRUE(Shown(d, "grWeekly"));
             d.Type("seWeekly", "2");
             d.Click("chkMon");  // off
             d.Click("chkWed");
             d.Click("chkSat");
         },
         [](const TLarkFTPTask& t) {
             EXPECT_EQ(t.TaskType(), TTaskType::ttGet);
             EXPECT_TRUE(t.IsFolder());
             EXPECT_EQ(t.ScheduleTask(), TScheduleTask::stWeekly);
             EXPECT_EQ(t.EveryWeek(), 2);
             EXPECT_EQ(t.WeekDays(), (TWeekDays{3, 6}));
         }},
        {"rbUploadFolder", "C:\\Data\\", "/backup/Data/", 3,
         [](FormDriver& d) {
             EXPECT_TRUE(Shown(d, "grMonthly"));
             d.Type("seDayOfMonth", "15");
             for (const char* month : {"chkJan", "chkMar", "chkMay", "chkJul", "chkSep", "chkNov"}) d.Click(month);
         },
         [](const TLarkFTPTask& t) {
             EXPECT_EQ(t.TaskType(), TTaskType::ttPut);
             EXPECT_TRUE(t.IsFolder());
             EXPECT_EQ(t.ScheduleTask(), TScheduleTask::stMonthly);
             EXPECT_EQ(t.EveryDayOfMonth(), 15);
             EXPECT_EQ(t.Months(), (TMonths{2, 4, 6, 8, 10, 12}));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kindButton);
        TLarkFTPTask& task = NewTask();
        task.SetStatus(TTaskStatus::tsDisabled);
        bool suspended = false;
        const bool finished = RunDialog<WizardForm>([&] { return RunNewTaskWizard(task, Context()); },
                                                    {[&](WizardForm&, FormDriver& d) {
            suspended = runner.Suspended();
            EXPECT_FALSE(Enabled(d, "btnBack"));
            d.Click(c.kindButton);
            d.Click("btnNext");
            EXPECT_TRUE(Shown(d, "edProfile"));
            EXPECT_FALSE(Enabled(d, "btnNext")) << "no profile yet";
            d.Type("edProfile", "   ");
            EXPECT_FALSE(Enabled(d, "btnNext")) << "a blank profile";
            d.Click("btnSelectProfile");
            EXPECT_EQ(d.Text("edProfile"), "Office/Backup");
            EXPECT_TRUE(Enabled(d, "btnNext"));
            d.Click("btnNext");
            EXPECT_FALSE(Enabled(d, "btnNext")) << "no names yet";
            d.Type("edLocalName", c.local);
            EXPECT_FALSE(Enabled(d, "btnNext")) << "no remote name yet";
            d.Type("edRemoteName", c.remote);
            EXPECT_TRUE(Enabled(d, "btnNext"));
            d.Click("btnNext");
            EXPECT_EQ(d.Text("btnNext"), "&Finish");
            Select(d, "cbScheduleTask", c.schedule);
            c.scheduleInput(d);
            d.Click("btnNext");
        }});
        EXPECT_TRUE(finished);
        EXPECT_TRUE(suspended) << "the tick ran under the wizard";
        EXPECT_EQ(boxesAnswered, 0) << "Finish asks nothing";
        EXPECT_EQ(task.Status(), TTaskStatus::tsPending);
        EXPECT_EQ(task.LocalName(), c.local);
        EXPECT_EQ(task.RemoteName(), c.remote);
        EXPECT_TRUE(task.UseProfile());
        EXPECT_EQ(task.RemoteURL(), "Office/Backup");
        EXPECT_EQ(task.UserName(), "");
        c.check(task);
    }
    EXPECT_FALSE(runner.Suspended());
}

TEST_F(TaskDialogsTest, TheWizardKeepsNamesGoingBackToTheProfileAndEmptiesThemFromTheFirstPage) {
    TLarkFTPTask& task = NewTask();
    using Step = std::function<void(WizardForm&, FormDriver&)>;
    const bool finished = RunDialog<WizardForm>([&] { return RunNewTaskWizard(task, Context()); },
                                                {Step([&](WizardForm& wizard, FormDriver& d) {
        d.Click("rbUpload");
        d.Click("btnNext");
        d.Type("edProfile", "Office");
        d.Click("btnNext");
        EXPECT_EQ(d.Text("lblObjectTitle"), "File to upload");
        d.Type("edLocalName", "C:\\missing.txt");
        d.Type("edRemoteName", "/missing.txt");
        EXPECT_FALSE(Enabled(d, "btnNext")) << "the file to upload does not exist";
        d.Click("btnBack");
        EXPECT_TRUE(Enabled(d, "btnNext"));
        d.Click("btnNext");
        EXPECT_EQ(d.Text("edLocalName"), "C:\\missing.txt");
        d.Click("btnBack");
        d.Click("btnBack");
        EXPECT_FALSE(Enabled(d, "btnBack"));
        d.Click("rbDownloadFolder");
        d.Click("btnNext");
        EXPECT_TRUE(Shown(d, "pnlPage2"));
        EXPECT_EQ(d.Text("edProfile"), "Office");
        EXPECT_TRUE(Enabled(d, "btnNext"));
        d.Click("btnNext");
        EXPECT_TRUE(Shown(d, "pnlPage3"));
        EXPECT_EQ(d.Text("edLocalName"), "");
        EXPECT_EQ(d.Text("edRemoteName"), "");
        EXPECT_EQ(d.Text("lblObjectTitle"), "Folder to download");
        EXPECT_EQ(d.Text("lblObjectInstruction"), "Please specify the name of folder to be downloaded");
        // Closing asks; No keeps the wizard open on the same page.
        boxAnswer = ui::ModalResult::No;
        PostMessageW(wizard.Handle(), WM_CLOSE, 0, 0);
    }),
                                                 Step([&](WizardForm&, FormDriver& d) {
        EXPECT_EQ(boxesAnswered, 1);
        EXPECT_EQ(lastBoxText, "Are you sure you want to quit the wizard?");
        EXPECT_TRUE(Shown(d, "edLocalName")) << "still on the names' page";
        boxAnswer = ui::ModalResult::Yes;
        d.Key(VK_ESCAPE);
    })});
    EXPECT_FALSE(finished);
    EXPECT_EQ(boxesAnswered, 2);
    EXPECT_EQ(task.LocalName(), "") << "a cancelled wizard changes nothing";
}

TEST_F(TaskDialogsTest, TheWizardsPagesInEachLanguage) {
    const char* languageName[] = {"english", "deutsch", "francais"};
    const char* quitQuestion[] = {"Are you sure you want to quit the wizard?", "Möchten Sie den Assistenten wirklich beenden?",
                                  "Voulez-vous vraiment quitter l'assistant ?"};
    const char* confirmTitle[] = {"Confirm", "Bestätigen", "Confirmation"};
    for (int language = 1; language <= 3; ++language) {
        window->Dispatcher().SetActiveLanguage(language);
        TLarkFTPTask& task = NewTask();
        boxesAnswered = 0;
        RunDialog<WizardForm>([&] { return RunNewTaskWizard(task, Context()); }, {[&](WizardForm& wizard, FormDriver& d) {
            for (int page = 1; page <= 4; ++page) {
                // GCC 12 reports overlapping copies in "literal" + std::string&& (GCC bug 105329).
                LARK_GCC_FALSE_POSITIVE("-Wrestrict")
                const std::string picture = "wizard_page" + std::to_string(page) + "_" + languageName[language - 1];
                LARK_GCC_FALSE_POSITIVE_END
                if (page == 2) d.Type("edProfile", "Office");
                if (page == 3) {
                    d.Type("edLocalName", "C:\\Data\\new.txt");
                    d.Type("edRemoteName", "/new.txt");
                }
                if (page == 4) Select(d, "cbScheduleTask", 2);
                EXPECT_EQ(lark::testing::OverflowingTexts(wizard), std::vector<std::string>{}) << picture;
                d.Screenshot(picture);
                if (page < 4) d.Click("btnNext");
            }
            if (language == 2) {
                EXPECT_EQ(wizard.Text(), "Assistent für neue Aufgaben");
            }
            d.Click("btnCancel");
        }});
        EXPECT_EQ(boxesAnswered, 1);
        EXPECT_EQ(lastBoxText, quitQuestion[language - 1]);
        EXPECT_EQ(lastBoxTitle, confirmTitle[language - 1]) << "the box takes the main window's captions";
    }
}

std::string DialogItemText(HWND dialog, int id) {
    wchar_t text[256] = {};
    GetDlgItemTextW(dialog, id, text, 256);
    return win::Narrow(text);
}

// Browse on the names page opens a file dialog in the window's language: its labels and
// buttons read back from the system dialog itself.
TEST_F(TaskDialogsTest, TheWizardsFileDialogSpeaksTheWindowsLanguage) {
    const char* languageName[] = {"english", "deutsch", "francais"};
    const std::vector<std::string> expected[] = {
        {"Look &in:", "File &name:", "Files of &type:", "&Open", "Cancel"},
        {"Su&chen in:", "Datei&name:", "Datei&typ:", "Ö&ffnen", "Abbrechen"},
        {"&Dans :", "&Nom du fichier :", "&Type de fichier :", "&Ouvrir", "Annuler"},
    };
    for (int language = 1; language <= 3; ++language) {
        window->Dispatcher().SetActiveLanguage(language);
        TLarkFTPTask& task = NewTask();
        std::vector<std::string> texts;
        RunDialog<WizardForm>([&] { return RunNewTaskWizard(task, Context()); }, {[&](WizardForm& wizard, FormDriver& d) {
            d.Click("btnNext");
            d.Type("edProfile", "Office");
            d.Click("btnNext");
            auto* dialog = dynamic_cast<ui::FileDialog*>(wizard.FindComponent("dlgOpenFile"));
            ASSERT_TRUE(dialog);
            dialog->OnDialogShow.Bind([&](core::Component&, HWND shown) {
                for (int id : {1091 /* folder */, 1090 /* file name */, 1089 /* file type */, IDOK, IDCANCEL})
                    texts.push_back(DialogItemText(shown, id));
                lark::testing::ScreenshotOf(shown, std::string("wizard_file_dialog_") + languageName[language - 1]);
                PostMessageW(shown, WM_COMMAND, IDCANCEL, 0);
            });
            d.Click("btnBrowse");
            d.Click("btnCancel");
        }});
        EXPECT_EQ(texts, expected[language - 1]) << languageName[language - 1];
    }
}

// ---- the properties dialog ----

TEST_F(TaskDialogsTest, ThePropertiesDialogEditsSeveralTasksAtOnce) {
    TLarkFTPTask& a = NewTask();
    a.SetLocalName("C:\\Data\\a.txt");
    a.SetRemoteName("/pub/a.txt");
    a.SetUseProfile(true);
    a.SetRemoteURL("Office/Backup");
    a.SetComments("first");
    a.SetScheduleTask(TScheduleTask::stDaily);
    a.SetDayInterval(2);
    TLarkFTPTask& b = NewTask();
    b.SetLocalName("C:\\Data\\b.txt");
    b.SetRemoteName("/pub/b.txt");
    b.SetRemoteURL("ftp.example.org");  // a host task
    b.SetProxyServer("proxy.corp");
    b.SetComments("second");
    b.SetStatus(TTaskStatus::tsFailed);
    b.SetScheduleTask(TScheduleTask::stMonthly);
    b.SetEveryDayOfMonth(20);
    bool suspended = false;
    const bool ok = RunProperties({&a, &b}, Context(), [&](PropertiesForm&, FormDriver& d) {
        suspended = runner.Suspended();
        EXPECT_EQ(d.Text("edLocalName"), "\"C:\\Data\\b.txt\";\"C:\\Data\\a.txt\";");
        EXPECT_EQ(d.Text("edRemoteName"), "\"/pub/b.txt\";\"/pub/a.txt\";");
        EXPECT_TRUE(GetWindowLongPtrW(d.Window("edLocalName"), GWL_STYLE) & ES_READONLY);
        EXPECT_EQ(d.Text("edProfile"), "Office/Backup");
        EXPECT_EQ(d.Text("cbStatus"), "Pending");
        EXPECT_EQ(d.Text("cbScheduleTask"), "Daily");
        EXPECT_EQ(d.Text("seDaily"), "2");
        EXPECT_EQ(d.Text("memComments"), "first");
        Select(d, "cbStatus", 2);  // Disabled
        d.Click("btnOK");
    });
    EXPECT_TRUE(ok);
    EXPECT_TRUE(suspended) << "the tick ran under the dialog";
    EXPECT_FALSE(runner.Suspended());
    EXPECT_EQ(a.LocalName(), "C:\\Data\\a.txt");
    EXPECT_EQ(b.LocalName(), "C:\\Data\\b.txt");
    EXPECT_EQ(a.Status(), TTaskStatus::tsDisabled);
    EXPECT_EQ(b.Status(), TTaskStatus::tsDisabled);
    // Every task takes what the dialog showed, all but its names.
    for (TLarkFTPTask* t : {&a, &b}) {
        EXPECT_EQ(t->Comments(), "first");
        EXPECT_EQ(t->ScheduleTask(), TScheduleTask::stDaily);
        EXPECT_EQ(t->DayInterval(), 2);
        EXPECT_EQ(t->EveryDayOfMonth(), 1) << "the day the dialog showed";
        EXPECT_TRUE(t->UseProfile());
        EXPECT_EQ(t->RemoteURL(), "Office/Backup");
        EXPECT_EQ(t->ProxyServer(), "");
    }

    // Cancel changes nothing.
    const bool cancelled = RunProperties({&a}, Context(), [&](PropertiesForm&, FormDriver& d) {
        d.Type("edLocalName", "C:\\other.txt");
        d.Click("btnCancel");
    });
    EXPECT_FALSE(cancelled);
    EXPECT_EQ(a.LocalName(), "C:\\Data\\a.txt");
}

TEST_F(TaskDialogsTest, OneTaskTakesItsNamesAProfileAndAStatusAndThePreviewFollowsTheSchedule) {
    TLarkFTPTask& t = NewTask();
    t.SetLocalName("C:\\Data\\report.txt");
    t.SetRemoteName("/pub/report.txt");
    t.SetRemoteURL("ftp.example.org");
    t.SetStatus(TTaskStatus::tsFailed);
    t.SetScheduleTask(TScheduleTask::stWeekly);
    t.SetWeekDays({});
    t.SetEveryDayOfMonth(0);  // not shown for a weekly task: its control shows the default
    t.SetStartTime(core::EncodeDateTime(2026, 12, 10, 10, 30, 0, 0));
    TaskDialogContext context = Context();
    int helps = 0;
    context.help = [&] { ++helps; };
    const bool ok = RunProperties({&t}, context, [&](PropertiesForm& form, FormDriver& d) {
        EXPECT_EQ(d.Text("cbStatus"), "") << "Failed is no item of the list";
        EXPECT_EQ(d.Text("lblNextTime"), "The task never starts");
        d.Click("chkMon");
        form.UpdatePreview();
        EXPECT_EQ(d.Text("lblNextTime"), "The task starts next time on 12/14/2026 at 10:30");
        d.Click("btnHelp");
        // A main client that cannot be reached: its error is told, the field stays.
        profileAnswer = std::nullopt;
        d.Click("btnSelectProfile");
        EXPECT_EQ(d.Text("edProfile"), "") << "nothing chosen";
        d.Type("edLocalName", "C:\\Data\\renamed.txt");
        d.Type("edProfile", "Home/Site");
        Select(d, "cbStatus", 0);
        d.Click("btnOK");
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(helps, 1);
    EXPECT_EQ(profileAsked, 1);
    EXPECT_EQ(t.LocalName(), "C:\\Data\\renamed.txt");
    EXPECT_EQ(t.Status(), TTaskStatus::tsPending);
    EXPECT_TRUE(t.UseProfile());
    EXPECT_EQ(t.RemoteURL(), "Home/Site");
    EXPECT_EQ(t.WeekDays(), TWeekDays{1});
    EXPECT_EQ(t.EveryDayOfMonth(), 1) << "every schedule control is stored";
}

TEST_F(TaskDialogsTest, SelectEditTellsAnUnreachableMainClientAndChangesNothing) {
    TLarkFTPTask& t = NewTask();
    t.SetUseProfile(true);
    t.SetRemoteURL("Office/Backup");
    TaskDialogContext context = Context();
    context.selectProfile = nullptr;  // the runner's own object, which cannot be made
    const bool ok = RunProperties({&t}, context, [&](PropertiesForm&, FormDriver& d) {
        d.Click("btnSelectProfile");
        EXPECT_EQ(d.Text("edProfile"), "Office/Backup");
        d.Click("btnOK");
    });
    EXPECT_TRUE(ok);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("no main client"), std::string::npos) << errors[0];
    EXPECT_EQ(t.RemoteURL(), "Office/Backup");
}

TEST_F(TaskDialogsTest, ThePropertiesPagesInEachLanguage) {
    TLarkFTPTask& t = NewTask();
    t.SetLocalName("C:\\Data\\report.txt");
    t.SetRemoteName("/pub/report.txt");
    t.SetUseProfile(true);
    t.SetRemoteURL("Office/Backup");
    t.SetComments("Monthly figures for the accounts department.");
    t.SetLastResult("All 1 files transferred.\r\n12/1/2026 10:30");
    t.SetScheduleTask(TScheduleTask::stMonthly);
    t.SetEveryDayOfMonth(1);
    const char* languageName[] = {"english", "deutsch", "francais"};
    for (int language = 1; language <= 3; ++language) {
        window->Dispatcher().SetActiveLanguage(language);
        TaskDialogContext context = Context();
        context.help = [] {};
        RunProperties({&t}, context, [&](PropertiesForm& form, FormDriver& d) {
            auto& pages = Find<ui::PageControl>(form, "PageControl");
            for (ui::TabSheet* page : pages.Pages()) {
                pages.SetActivePage(page);
                d.Pump();
                const std::string picture = "properties_" + page->Name() + "_" + languageName[language - 1];
                EXPECT_EQ(lark::testing::OverflowingTexts(form), std::vector<std::string>{}) << picture;
                d.Screenshot(picture);
            }
            if (language == 2) {
                EXPECT_EQ(form.Text(), "Aufgabeneigenschaften");
                EXPECT_EQ(d.Text("cbStatus"), "Wartend");
                EXPECT_EQ(d.Text("cbScheduleTask"), "Monatlich");
            }
            d.Click("btnCancel");
        });
    }
}

}  // namespace
}  // namespace lark::scheduler
