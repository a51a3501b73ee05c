#include "scheduler_app.h"

#include <algorithm>
#include <filesystem>

#include "about_box.h"
#include "core/format.h"
#include "core/stream.h"
#include "localization/lang_component.h"
#include "localization/lang_dispatcher.h"
#include "localization/message_dialog_win.h"
#include "localization/regional_settings.h"
#include "mainclient/automation_client.h"
#include "mainclient/deadline_client.h"
#include "mainclient/main_client.h"
#include "mainclient/registration.h"
#include "scheduler/options_draft.h"
#include "scheduler/task_draft.h"
#include "scheduler/task_file.h"
#include "scheduler_dialogs/new_task_wizard.h"
#include "scheduler_dialogs/options_dialog.h"
#include "ui/application.h"
#include "ui/register.h"
#include "uicomponents/html_help.h"
#include "win/module_path.h"
#include "win/regional_settings.h"
#include "win/registry.h"
#include "win/text.h"

namespace lark::scheduler {

namespace {

constexpr UINT kTickInterval = 1000;
constexpr wchar_t kApplicationClass[] = L"TLarkFTPSchedulerApplication";
constexpr char kChangeLanguageMessage[] = "LarkFTP_Change_Language";
// Posted to the application window when an AddTask call waits to be served.
constexpr char kAddTaskMessage[] = "LarkFTP_Scheduler_AddTask";

// Marks a new task as not yet confirmed by the user while its dialog is open (dialogs nest, so
// the marks come off in the order they went on).
class UnconfirmedTask {
public:
    UnconfirmedTask(std::vector<TLarkFTPTask*>& tasks, TLarkFTPTask& task) : tasks_(tasks) { tasks_.push_back(&task); }
    ~UnconfirmedTask() { tasks_.pop_back(); }
    UnconfirmedTask(const UnconfirmedTask&) = delete;
    UnconfirmedTask& operator=(const UnconfirmedTask&) = delete;

private:
    std::vector<TLarkFTPTask*>& tasks_;
};

std::string ChangeExtension(const std::string& utf8, const char* extension) {
    std::filesystem::path p(win::Widen(utf8));
    p.replace_extension(extension);
    return win::Narrow(p.wstring());
}

// Calls from the user-interface thread that the main client does not answer in time are given
// up: its windows keep answering and the tick goes on.
std::shared_ptr<mainclient::MainClient> CreateMainClient() { return mainclient::CreateDeadlineClient(); }

}  // namespace

SchedulerApp::SchedulerApp(HINSTANCE instance)
    : instance_(instance),
      folder_(win::Narrow(win::ModuleFolder())),
      rows_(storage_.TaskList(), clock_),
      log_(clock_, strings_, folder_),
      runner_(rows_, CreateMainClient, clock_, files_, strings_, &log_) {
    runner_.onError = [this](const std::string& text) { Report("the scheduling tick failed: " + text); };
    runner_.onMainClientChanged = [this] {
        Report(runner_.MainClientReachable() ? "the main client can be reached again"
                                             : "the main client cannot be reached: " + runner_.MainClientError());
    };
}

SchedulerApp::~SchedulerApp() {
    Shutdown();
    tick_.reset();
    startupNotice_.reset();
    strings_.SetLang(nullptr);
    window_.reset();
}

void SchedulerApp::Report(const std::string& text) {
    std::wstring line = win::Widen("LF_Scheduler: " + text + "\n");
    OutputDebugStringW(line.c_str());
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (err && err != INVALID_HANDLE_VALUE) {
        std::string bytes = "LF_Scheduler: " + text + "\n";
        DWORD written = 0;
        WriteFile(err, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
}

int SchedulerApp::ShowFatal(const std::string& what) noexcept {
    try {
        const std::string text = core::Format(strings_.Text("strFatalError"), {what});
        LogAndReport(text);
        try {
            ShowError(text);
        } catch (...) {
            // The window layer itself may be what failed.
            MessageBoxW(nullptr, win::Widen(text).c_str(), kApplicationTitle, MB_OK | MB_ICONERROR | MB_TASKMODAL);
        }
    } catch (...) {
        Report("failure while reporting: " + what);
    }
    return 3;
}

void SchedulerApp::LogAndReport(const std::string& text) {
    Report(text);
    log_.Add(text);
}

std::string SchedulerApp::TaskFileStartupText() const {
    const TaskFileStartup& s = taskFileStartup_;
    switch (s.state) {
        case TaskFileStartup::State::Loaded: return {};
        case TaskFileStartup::State::SetAside:
            return core::Format(strings_.Text("strTaskFileSetAside"), {taskFile_, s.error, s.asideName});
        case TaskFileStartup::State::ReadOnly:
            return core::Format(strings_.Text("strTaskFileReadOnly"), {taskFile_, s.error, s.asideError});
        case TaskFileStartup::State::Locked:
            return core::Format(strings_.Text("strTaskFileLocked"), {taskFile_, s.error});
    }
    return {};
}

void SchedulerApp::ReportTaskFileStartup() {
    if (taskFileStartup_.state != TaskFileStartup::State::Loaded) LogAndReport(TaskFileStartupText());
}

void SchedulerApp::ReadSystemFtpProxy() {
    const auto value = win::ReadRegistryString(
        HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", "ProxyServer");
    if (value) ParseSystemFtpProxy(*value, settings_.proxyHost, settings_.proxyPort);
}

bool SchedulerApp::Start() {
    SetCurrentDirectoryW(win::Widen(folder_).c_str());
    RegisterSchedulerWindowClasses();
    ui::Application& app = ui::Application::Instance();
    app.Initialize(instance_, kApplicationClass, win::Narrow(kApplicationTitle));
    app.Log = [this](const std::string& text) { Report(text); };
    app.OnRegisteredMessage(mainclient::kTaskCompletedMessage, [this](WPARAM w, LPARAM l) {
        runner_.HandleCompletion(static_cast<std::uint32_t>(w), static_cast<std::int32_t>(l));
    });
    app.OnRegisteredMessage(kChangeLanguageMessage, [this](WPARAM w, LPARAM l) { LanguageRequested(w, l); });
    // Every modal form holds the tick: a task a dialog edits is never run or freed under it.
    app.OnModalBegin.Bind([this](ui::Form&) { modalHolds_.push_back(std::make_unique<TaskRunner::Suspension>(runner_)); });
    app.OnModalEnd.Bind([this](ui::Form&) {
        if (!modalHolds_.empty()) modalHolds_.pop_back();
    });

    // Settings and the column layout, in one read of the file they share with the placements.
    const std::string settingsFile = folder_ + std::string(kSettingsFileName);
    core::RemoveStaleTemporaries(settingsFile);
    ini_ = core::SharedIniFile::Open(settingsFile);
    try {
        ini_->BeginPass();
    } catch (const std::exception& e) {
        // It exists but cannot be read (a folder of that name, no permission, a lock): the
        // defaults this run, and the file is never written over, as the user may still have
        // their settings in it. A store of no file reads as empty and keeps nothing.
        settingsError_ = e.what();
        ini_ = core::SharedIniFile::Open("");
        ini_->BeginPass();
    }
    settings_ = LoadSettings(ini_->Store(), folder_);
    storedLayout_.order = ini_->Store().ReadString("Options", "ColumnOrder", "0,1,2,3,4,5,6,7,");
    storedLayout_.widths = ini_->Store().ReadString("Options", "ColumnWidths", "");
    storedLayout_.visibility = ini_->Store().ReadString("Options", "ColumnVisibility", "");
    ini_->EndPass(false);
    ReadSystemFtpProxy();

    // Dates and numbers in the user's regional format, whatever the language of the texts;
    // before the first window, whose translation component keeps them as its DefaultLocale.
    localization::ApplyRegionalSettings(win::ReadUserRegionalSettings());
    window_ = ui::Form::Make<MainWindow>(nullptr);
    window_->Dispatcher().SetActiveLanguage(settings_.defaultLanguage);
    strings_.SetLang(window_->Lang());

    taskFile_ = settings_.taskFile;
    const LoadProgress progress = [this](std::int64_t done, std::int64_t total) {
        window_->ShowLoadProgress(done, total);
    };
    taskFileStartup_ = OpenTaskFile(storage_, taskFile_, progress);
    for (int i : taskFileStartup_.load.undecipheredPasswords)
        Report("the password of task " + std::to_string(i + 1) + " could not be read");
    window_->SetTaskFile(taskFile_);

    MainWindowCommands commands;
    commands.confirmDelete = [this](const std::string& text, bool several) { return ConfirmDelete(text, several); };
    commands.showError = [this](const std::string& text) { ShowError(text); };
    commands.load = [this, progress](const std::string& fileName) { UseTaskFile(fileName, progress); };
    commands.save = [this](const std::string& fileName) { return SaveCommand(fileName); };
    commands.autoSave = [this] { AutoSave(); };
    commands.shutdown = [this] {
        Shutdown();
        ui::Application::Instance().Terminate();
    };
    commands.endSession = [this] {
        // Windows may end the process at any moment now: no box waits for an answer.
        sessionEnding_ = true;
        Shutdown();
        ui::Application::Instance().Terminate();
    };
    commands.languageChanged = [this](int language) { LanguageChanged(language); };
    commands.options = [this] { ShowOptions(); };
    commands.newTask = [this] { NewTask(); };
    commands.properties = [this](const std::vector<TLarkFTPTask*>& tasks) { return ShowTaskProperties(tasks, DialogContext()); };
    // The window's help context.
    commands.help = [] { ui::HtmlHelp::Instance().ShowContext(29); };
    // Modal: the application's modal hold keeps the tick away while it is open.
    commands.about = [this] { ShowAboutBox(window_->Handle(), &window_->Dispatcher()); };
    MainWindowParts parts;
    parts.storage = &storage_;
    parts.rows = &rows_;
    parts.runner = &runner_;
    parts.clock = &clock_;
    parts.settings = &settings_;
    parts.title = win::Narrow(kApplicationTitle);
    parts.settingsFile = ini_->FileName();  // none when the file could not be read
    window_->Attach(std::move(parts), std::move(commands), storedLayout_);
    // The window exists from the start, hidden: a second start and the main client find it.
    window_->Handle();

    log_.AssignLogFile(settings_.logFile);
    log_.SetMaxSize(static_cast<std::uint32_t>(settings_.maxLogSize));
    runner_.SetSaveLog(settings_.saveLog);
    // Temporary files that a killed run left behind: of the log, its ".bak" copy, the task
    // file's backup and the main client's settings (OpenTaskFile took those of the task file,
    // the settings' went before they were read).
    std::vector<std::string> written{log_.FileName(), ChangeExtension(log_.FileName(), ".bak"),
                                     ChangeExtension(taskFile_, ".bak")};
    // The main client's settings, where the language is written.
    if (const std::string mainClient = mainclient::MainClientProgramFolder(); !mainClient.empty())
        written.push_back(mainClient + mainclient::kSettingsFileName);
    for (const std::string& name : written) core::RemoveStaleTemporaries(name);
    if (runner_.SaveLog()) {
        try {
            log_.StartLogging();
        } catch (const std::exception& e) {
            Report(std::string("the log could not be started: ") + e.what());
        }
    }
    ReportTaskFileStartup();
    if (!settingsError_.empty())
        LogAndReport(core::Format(strings_.Text("strSettingsUnreadable"), {settingsFile, settingsError_}));
    if (taskFileStartup_.state != TaskFileStartup::State::Loaded || !settingsError_.empty()) {
        // Told in a box once the loop runs (the window exists, the start is not held up).
        startupNotice_ = std::make_unique<ui::Timer>();
        startupNotice_->SetInterval(1);
        startupNotice_->OnTimer.Bind([this, settingsFile](core::Component&) {
            startupNotice_->SetEnabled(false);
            if (!settingsError_.empty())
                ShowError(core::Format(strings_.Text("strSettingsUnreadable"), {settingsFile, settingsError_}));
            if (taskFileStartup_.state == TaskFileStartup::State::Locked) OfferLockedRetry();
            else if (taskFileStartup_.state != TaskFileStartup::State::Loaded) ShowError(TaskFileStartupText());
        });
        startupNotice_->SetEnabled(true);
    }

    tick_ = std::make_unique<ui::Timer>();
    tick_->SetInterval(kTickInterval);
    tick_->OnTimer.Bind([this](core::Component&) { runner_.OnTimer(); });
    tick_->SetEnabled(true);
    started_ = true;
    // AddTask calls are served from here on, those that came during the start first.
    app.OnRegisteredMessage(kAddTaskMessage, [this](WPARAM, LPARAM) {
        if (automation_) automation_->ServeQueued();
    });
    wakeWindow_ = app.Handle();
    PostMessageW(app.Handle(), AddTaskMessage(), 0, 0);
    return true;
}

int SchedulerApp::Run() { return ui::Application::Instance().Run(*window_, false); }

void SchedulerApp::AutoSave() {
    SetCurrentDirectoryW(win::Widen(folder_).c_str());
    // The file that could not be read is not written over (the user was told at start-up).
    if (storage_.ReadOnly()) return;
    const std::string target = settings_.makeBackup ? ChangeExtension(taskFile_, ".bak") : taskFile_;
    try {
        SaveTasks(target);
    } catch (const std::exception& e) {
        const std::string text = core::Format(strings_.Text("strSaveFailed"), {target, std::string(e.what())});
        LogAndReport(text);
        // One box at a time: the timer goes on firing under it.
        if (autoSaveBox_) return;
        autoSaveBox_ = true;
        struct Reset {
            bool& flag;
            ~Reset() { flag = false; }
        } reset{autoSaveBox_};
        ShowError(text);
    }
}

void SchedulerApp::UseTaskFile(const std::string& fileName, const LoadProgress& progress) {
    // Raises when the file cannot be read: nothing changed, the previous file stays current.
    LoadFromFile(storage_, fileName, progress);
    taskFile_ = fileName;
    // Read-only belonged to the file that could not be read; this one was read (or is new).
    storage_.SetReadOnly(false);
    taskFileStartup_.state = TaskFileStartup::State::Loaded;
}

bool SchedulerApp::SaveCommand(const std::string& fileName) {
    if (storage_.ReadOnly()) {
        // Use File first saves the current file: the one that could not be read is left as
        // it is, and what was added to the list meanwhile is kept beside it.
        if (fileName == taskFile_) {
            KeepBeside();
            return true;
        }
        ShowError(core::Format(strings_.Text("strTaskFileKept"), {taskFile_}));
        return false;
    }
    try {
        SaveResult saved = SaveTasks(fileName);
        for (int i : saved.changedPasswords) LogAndReport(core::Format(strings_.Text("strPasswordChanged"), {i + 1}));
    } catch (const std::exception& e) {
        const std::string text = core::Format(strings_.Text("strSaveFailed"), {fileName, std::string(e.what())});
        LogAndReport(text);
        ShowError(text);
        return false;
    }
    taskFile_ = fileName;
    return true;
}

void SchedulerApp::OfferLockedRetry() {
    using localization::MsgDlgBtn;
    while (storage_.ReadOnly() && taskFileStartup_.state == TaskFileStartup::State::Locked) {
        const auto answer = localization::ShowTranslatedMessage(window_->Lang(), TaskFileStartupText(),
                                                                localization::MsgDlgType::mtError,
                                                                localization::ButtonSet(MsgDlgBtn::mbRetry, MsgDlgBtn::mbCancel));
        if (answer != localization::ModalResult::mrRetry || shutDown_) return;
        // What was added meanwhile (AddTask, New) stays, after the tasks of the file.
        TLarkFTPTaskList& list = storage_.TaskList();
        std::vector<std::unique_ptr<TLarkFTPTask>> added;
        while (list.Count() > 0) added.push_back(list.Extract(0));
        TaskFileStartup again;
        storage_.SetReadOnly(false);
        try {
            again = OpenTaskFile(storage_, taskFile_, {}, core::WriteSteps::Disk(), WaitUpTo(std::chrono::seconds(2)));
        } catch (...) {
            for (auto& task : added) list.Adopt(std::move(task));
            throw;
        }
        std::vector<TLarkFTPTask*> running;
        for (auto& task : added) {
            if (task->Status() == TTaskStatus::tsActive) running.push_back(task.get());
            list.Adopt(std::move(task));
        }
        taskFileStartup_.state = again.state;
        taskFileStartup_.error = again.error;
        taskFileStartup_.asideName = again.asideName;
        taskFileStartup_.asideError = again.asideError;
        taskFileStartup_.load = again.load;
        window_->FillTaskList();
        // Only the file's tasks were stopped by the last run; a transfer under way goes on.
        for (TLarkFTPTask* task : running) {
            task->SetStatus(TTaskStatus::tsActive);
            rows_.RefreshRow(rows_.FindRow(*task));
        }
        if (again.state == TaskFileStartup::State::Loaded) return;
        if (again.state != TaskFileStartup::State::Locked) {
            // Read at last, but damaged: set aside or kept, as at start-up.
            ReportTaskFileStartup();
            ShowError(TaskFileStartupText());
            return;
        }
    }
}

std::string SchedulerApp::KeepBeside() {
    if (storage_.TaskList().Count() == 0 || taskFile_.empty()) return {};
    std::string text;
    std::string name;
    try {
        WithConfirmedTasksOnly([&] { name = SaveBeside(storage_, taskFile_, FileStamp(clock_.Now())); });
        text = core::Format(strings_.Text("strSavedBeside"), {name, taskFile_});
    } catch (const std::exception& e) {
        text = core::Format(strings_.Text("strNotSavedBeside"), {taskFile_, std::string(e.what())});
        name.clear();
    }
    LogAndReport(text);
    // Kept, though not where it belongs: a warning; lost: an error.
    if (!sessionEnding_ && window_)
        localization::ShowTranslatedMessage(window_->Lang(), text,
                                            name.empty() ? localization::MsgDlgType::mtError
                                                         : localization::MsgDlgType::mtWarning,
                                            localization::ButtonSet(localization::MsgDlgBtn::mbOK));
    return name;
}

void SchedulerApp::SaveSettingsAndLayout() {
    if (!settingsError_.empty()) return;  // the file that could not be read is not written over
    const StoredColumnLayout layout = window_ ? window_->SaveColumnLayout() : storedLayout_;
    ini_->Update([&](core::SharedIniFile& file) {
        SaveSettings(settings_, file);
        file.WriteString("Options", "ColumnOrder", layout.order);
        file.WriteString("Options", "ColumnWidths", layout.widths);
        file.WriteString("Options", "ColumnVisibility", layout.visibility);
        // In the same pass: one write of the file.
        if (window_) window_->StorePlacement();
    });
}

void SchedulerApp::Shutdown() {
    if (shutDown_ || !started_) return;
    shutDown_ = true;
    if (tick_) tick_->SetEnabled(false);
    // No call reaches the program from here on; one still running answers when its dialog ends.
    if (automation_) automation_->Stop();
    runner_.ReleaseAutomation();
    SaveTaskFile();
    if (!settingsError_.empty())
        LogAndReport(core::Format(strings_.Text("strSettingsKept"), {folder_ + std::string(kSettingsFileName)}));
    if (runner_.SaveLog()) {
        try {
            log_.EndLogging();
        } catch (const std::exception& e) {
            // The log itself is what failed: only the box and stderr can tell it.
            ReportAtExit(core::Format(strings_.Text("strLogSaveFailed"), {log_.FileName(), std::string(e.what())}));
        }
    }
    try {
        SaveSettingsAndLayout();
    } catch (const std::exception& e) {
        // The log was written before: the box says what is lost.
        ReportAtExit(core::Format(strings_.Text("strSettingsSaveFailed"),
                                  {folder_ + std::string(kSettingsFileName), std::string(e.what())}));
    }
    ui::HtmlHelp::Instance().Unload();
}

void SchedulerApp::ReportAtExit(const std::string& text) {
    Report(text);
    // Windows may end the process at any moment of a log-off: no box waits for an answer then.
    if (sessionEnding_ || !window_) return;
    try {
        ShowError(text);
    } catch (const std::exception& e) {
        Report(std::string("the box could not be shown: ") + e.what());
    }
}

void SchedulerApp::WithConfirmedTasksOnly(const std::function<void()>& save) {
    // A new task (the wizard's, or one another program added) is the user's only once confirmed:
    // a save while its dialog is open (the auto-save, a log-off) must not write it. Taken out for
    // the save, put back.
    TLarkFTPTaskList& list = storage_.TaskList();
    std::vector<std::pair<int, std::unique_ptr<TLarkFTPTask>>> aside;
    for (int i = list.Count() - 1; i >= 0; --i)
        if (std::find(unconfirmed_.begin(), unconfirmed_.end(), &list.Items(i)) != unconfirmed_.end())
            aside.emplace_back(i, list.Extract(i));
    struct PutBack {
        TLarkFTPTaskList& list;
        std::vector<std::pair<int, std::unique_ptr<TLarkFTPTask>>>& aside;
        ~PutBack() {
            for (auto task = aside.rbegin(); task != aside.rend(); ++task) list.Insert(task->first, std::move(task->second));
        }
    } putBack{list, aside};
    save();
}

SaveResult SchedulerApp::SaveTasks(const std::string& fileName) {
    SaveResult result;
    WithConfirmedTasksOnly([&] { result = SaveToFile(storage_, fileName); });
    return result;
}

void SchedulerApp::SaveTaskFile() {
    // A task file that could neither be read nor kept aside is left as it is: its tasks may
    // still be recovered from it (the user was told at start-up). What the list holds goes
    // beside it.
    if (storage_.ReadOnly()) {
        KeepBeside();
        return;
    }
    for (;;) {
        try {
            SaveResult saved = SaveTasks(taskFile_);
            for (int i : saved.changedPasswords) LogAndReport(core::Format(strings_.Text("strPasswordChanged"), {i + 1}));
            return;
        } catch (const std::exception& e) {
            const std::string error = e.what();
            LogAndReport(core::Format(strings_.Text("strSaveFailed"), {taskFile_, error}));
            if (sessionEnding_ || !window_) break;
            using localization::MsgDlgBtn;
            const auto answer = localization::ShowTranslatedMessage(
                window_->Lang(), core::Format(strings_.Text("strSaveFailedAtExit"), {taskFile_, error}),
                localization::MsgDlgType::mtError, localization::ButtonSet(MsgDlgBtn::mbRetry, MsgDlgBtn::mbCancel));
            if (answer != localization::ModalResult::mrRetry) break;
        }
    }
    KeepBeside();
}

void SchedulerApp::StartAutomation(bool startedByCom) {
    // Woken from the callers' threads: a message to the application window, once it exists
    // (Start wakes it once for the calls that came before).
    automation_ = std::make_unique<AutomationServer>(
        [this](const AddTaskRequest& request) { AddTask(request); },
        [this] {
            if (HWND window = wakeWindow_.load()) PostMessageW(window, AddTaskMessage(), 0, 0);
        },
        startedByCom);
}

UINT SchedulerApp::AddTaskMessage() {
    static const UINT message = RegisterWindowMessageW(win::Widen(kAddTaskMessage).c_str());
    return message;
}

void SchedulerApp::AddTask(const AddTaskRequest& request) {
    // Calls are dispatched by the message loop, which runs once the program has started.
    if (!started_) throw core::Error("AddTask: the scheduler has not finished starting; no task was added");
    const bool kept = AddRequestedTask(storage_.TaskList(), rows_, request, clock_, [this](TLarkFTPTask& task) {
        window_->RefreshCommandStates();
        UnconfirmedTask unconfirmed(unconfirmed_, task);
        return ShowTaskProperties({&task}, DialogContext());
    });
    // A program started for this call stays to run what was scheduled.
    if (kept && automation_) automation_->KeepRunning();
    window_->RefreshCommandStates();
}

void SchedulerApp::LanguageChanged(int language) {
    // The help file of the language, from the program's folder.
    ui::HtmlHelp::Instance().SetHelpFile(strings_.Text("IDS_Help"));
    if (!started_) return;
    // Chosen from the View menu too: the next start keeps it.
    settings_.defaultLanguage = language;
    ui::Application& app = ui::Application::Instance();
    static const UINT message = RegisterWindowMessageW(win::Widen(kChangeLanguageMessage).c_str());
    // Posted to every top-level window; our own comes back and is known by its lParam.
    PostMessageW(HWND_BROADCAST, message, static_cast<WPARAM>(language), reinterpret_cast<LPARAM>(app.Handle()));
    const std::string folder = mainclient::MainClientProgramFolder();
    if (folder.empty()) return;
    const std::string iniName = folder + mainclient::kSettingsFileName;
    if (GetFileAttributesW(win::Widen(iniName).c_str()) == INVALID_FILE_ATTRIBUTES) return;
    try {
        core::SharedIniFile::Open(iniName)->Update([&](core::SharedIniFile& file) {
            file.WriteString("Options.lcOptions1_Options", "Item17_TextValue", std::to_string(language - 1));
        });
    } catch (const std::exception& e) {
        Report(std::string("the main client's language could not be set: ") + e.what());
    }
}

void SchedulerApp::LanguageRequested(WPARAM w, LPARAM l) {
    if (!window_ || reinterpret_cast<HWND>(l) == ui::Application::Instance().Handle()) return;
    const int language = static_cast<int>(w);
    if (language < 1 || language > 3 || language == window_->Dispatcher().ActiveLanguage()) return;
    window_->Dispatcher().SetActiveLanguage(language);
    settings_.defaultLanguage = language;
    if (!settingsError_.empty()) return;  // the file that could not be read is not written over
    try {
        ini_->Update([&](core::SharedIniFile& file) { SaveSettings(settings_, file); });
    } catch (const std::exception& e) {
        Report(std::string("the settings could not be saved: ") + e.what());
    }
}

void SchedulerApp::ShowOptions() {
    auto options = ui::Form::Make<OptionsForm>(window_.get());
    options->help = [] { ui::HtmlHelp::Instance().ShowTableOfContents(); };
    options->Load(DraftOf(settings_), strings_, ini_->FileName());
    if (options->ShowModal() != ui::ModalResult::Ok) return;
    const int language = settings_.defaultLanguage;
    ApplyDraft(options->Draft(), settings_);
    log_.AssignLogFile(settings_.logFile);
    log_.SetMaxSize(settings_.maxLogSize);
    runner_.SetSaveLog(settings_.saveLog);
    ApplyRunAtStartup();
    window_->ApplyAutoSave();
    if (settings_.defaultLanguage != language || settings_.defaultLanguage != window_->Dispatcher().ActiveLanguage())
        window_->Dispatcher().SetActiveLanguage(settings_.defaultLanguage);
    if (!settingsError_.empty()) {
        // In use for this run; the file that could not be read is not written over.
        ShowError(core::Format(strings_.Text("strSettingsKept"), {folder_ + std::string(kSettingsFileName)}));
        return;
    }
    ini_->Update([&](core::SharedIniFile& file) { SaveSettings(settings_, file); });
}

TaskDialogContext SchedulerApp::DialogContext() {
    TaskDialogContext context;
    context.owner = window_.get();
    context.runner = &runner_;
    context.clock = &clock_;
    context.files = &files_;
    context.texts = &strings_;
    context.defaultTaskType = settings_.defaultTaskType;
    context.settingsFile = ini_->FileName();
    context.help = [] { ui::HtmlHelp::Instance().ShowContext(29); };
    return context;
}

void SchedulerApp::NewTask() {
    TLarkFTPTask& task = storage_.TaskList().Add();
    FillNewTask(task, settings_, clock_.Now());
    rows_.RefreshRow(rows_.FindRow(task));
    bool finished = false;
    try {
        UnconfirmedTask unconfirmed(unconfirmed_, task);
        finished = RunNewTaskWizard(task, DialogContext());
    } catch (...) {
        // No half-made task stays behind; the failure goes on to be told.
        rows_.DeleteRow(rows_.FindRow(task));
        throw;
    }
    if (finished) rows_.RefreshRow(rows_.FindRow(task));
    else rows_.DeleteRow(rows_.FindRow(task));
}

void SchedulerApp::ApplyRunAtStartup() {
    constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        Report("the Run key cannot be opened; starting at log-on is not changed");
        return;
    }
    if (settings_.runAtStartup) {
        std::wstring program(32768, L'\0');
        program.resize(GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size())));
        std::wstring path(32768, L'\0');
        const DWORD n = GetShortPathNameW(program.c_str(), path.data(), static_cast<DWORD>(path.size()));
        // The long name when no short one can be had; quoted when it holds a blank.
        path = n && n < path.size() ? path.substr(0, n) : program;
        if (path.find(L' ') != std::wstring::npos) path = L"\"" + path + L"\"";
        RegSetValueExW(key, kApplicationTitle, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                       static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
    } else {
        RegDeleteValueW(key, kApplicationTitle);
    }
    RegCloseKey(key);
}

DeleteAnswer SchedulerApp::ConfirmDelete(const std::string& text, bool several) {
    using localization::MsgDlgBtn;
    const localization::MsgDlgButtons buttons =
        several ? localization::ButtonSet(MsgDlgBtn::mbYes, MsgDlgBtn::mbNo, MsgDlgBtn::mbCancel, MsgDlgBtn::mbYesToAll)
                : localization::ButtonSet(MsgDlgBtn::mbYes, MsgDlgBtn::mbNo);
    // A modal form: the application's modal hold keeps the tick away meanwhile.
    switch (localization::ShowTranslatedMessage(window_->Lang(), text, localization::MsgDlgType::mtConfirmation, buttons)) {
        case localization::ModalResult::mrYes: return DeleteAnswer::Yes;
        case localization::ModalResult::mrYesToAll: return DeleteAnswer::YesToAll;
        case localization::ModalResult::mrNo: return DeleteAnswer::No;
        default: return DeleteAnswer::Cancel;
    }
}

void SchedulerApp::ShowError(const std::string& text) {
    localization::ShowTranslatedMessage(window_ ? window_->Lang() : nullptr, text, localization::MsgDlgType::mtError,
                                        localization::ButtonSet(localization::MsgDlgBtn::mbOK));
}

}  // namespace lark::scheduler
