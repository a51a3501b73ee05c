#pragma once
// The scheduler's main window (window class "TLarkFTP_Schedule"): the task list over the running
// program's rows (owner data; sorting is a permutation of the rows), the commands, the column
// chooser and stored column layout, the caption's running state, the language switch shared
// with the main client. It owns no task, file or setting: the program (SchedulerApp) hands it
// its parts in Attach and takes the column layout back in SaveColumnLayout.
//
// Commands that open a dialog built elsewhere (new task, properties, options, about, help) are
// hooks in MainWindowCommands: an action is enabled only while its hook is set. Every modal
// interaction the window itself runs (file dialogs, message boxes) holds the tick's suspension.
#include "ui/win32.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/ini_store.h"
#include "scheduler/list_rows.h"
#include "scheduler/settings.h"
#include "scheduler/strings.h"
#include "scheduler/task_list.h"
#include "scheduler/task_runner.h"
#include "scheduler/task_view.h"
#include "ui/form.h"

namespace lark::localization {
class TlcLang;
class TlcLangDispatcher;
}  // namespace lark::localization
namespace lark::storage {
class TFormStorage;
}
namespace lark::ui {
class Action;
class ListView;
class MenuItem;
class PopupMenu;
class StatusBar;
class Timer;
class ToolBar;
class OpenDialog;
class SaveDialog;
class TrayIcon;
}  // namespace lark::ui

namespace lark::scheduler {

// The private message a second start posts to the first instance's main window.
inline constexpr UINT kRestoreMessage = 0x2504;
inline constexpr wchar_t kMainWindowClass[] = L"TLarkFTP_Schedule";

// Texts by identifier in the active language: the main window's table once it exists, English
// before and for identifiers the table does not hold.
class WindowStrings : public StringSource {
public:
    std::string Text(std::string_view id) const override;
    void SetLang(localization::TlcLang* lang) { lang_ = lang; }

private:
    localization::TlcLang* lang_ = nullptr;
    EnglishStrings english_;
};

// Makes every class the scheduler's window definitions name known to the reader.
void RegisterSchedulerWindowClasses();

enum class DeleteAnswer { Yes, No, Cancel, YesToAll };

struct MainWindowCommands {
    std::function<void()> newTask, options, about, help;
    // Opens the properties dialog on the tasks; true after OK.
    std::function<bool(const std::vector<TLarkFTPTask*>&)> properties;
    // The delete question; `several` offers Cancel and Yes to All.
    std::function<DeleteAnswer(const std::string& text, bool several)> confirmDelete;
    // An error box.
    std::function<void(const std::string& text)> showError;
    // Loads a task file into the storage (raises when it cannot be read).
    std::function<void(const std::string& fileName)> load;
    // Saves the storage; false when it was not saved there (the user has been told).
    std::function<bool(const std::string& fileName)> save;
    // Saves as the auto-save timer does (the ".bak" copy with MakeBackup).
    std::function<void()> autoSave;
    // Runs the shutdown sequence now (once) and ends the message loop; endSession the same
    // when Windows ends the session (nothing may wait for the user then; unset: shutdown).
    std::function<void()> shutdown, endSession;
    // After the active language changed (broadcast, main client's file).
    std::function<void(int language)> languageChanged;
};

struct MainWindowParts {
    TLarkFTPTaskStorage* storage = nullptr;
    ListRows* rows = nullptr;
    TaskRunner* runner = nullptr;
    const core::Clock* clock = nullptr;
    SchedulerSettings* settings = nullptr;
    std::string title;  // the application title
    // The settings file: the window keeps its placement and its bars' state there (section
    // "MainForm"); empty keeps nothing.
    std::string settingsFile;
};

class MainWindow : public ui::Form {
    LARK_PERSISTENT_CLASS(MainWindow)
public:
    explicit MainWindow(core::Component* owner = nullptr);
    ~MainWindow() override;

    // Links the window to the program's parts, fills the list and applies `layout` (the stored
    // "ColumnOrder", "ColumnWidths", "ColumnVisibility").
    void Attach(MainWindowParts parts, MainWindowCommands commands, const StoredColumnLayout& layout);
    StoredColumnLayout SaveColumnLayout();
    WindowStrings& Strings() { return strings_; }
    localization::TlcLangDispatcher& Dispatcher() { return *lcDispatcher; }
    localization::TlcLang* Lang() const { return lcLang; }

    // The current task file (status bar panel 1).
    const std::string& TaskFile() const { return taskFile_; }
    void SetTaskFile(const std::string& fileName);
    // Refills the list from the task list (after a task file was loaded).
    void FillTaskList();
    void RefreshCommandStates();
    // Shows the window and brings it to the front.
    void Restore();
    ui::TrayIcon& Tray() { return *tiMain; }
    // The column layout in use (tests).
    const ColumnLayout& Layout() const { return layout_; }
    // Rows in display order -> task list index (tests).
    const std::vector<int>& DisplayOrder() const { return order_; }
    void SetRunning(bool running);

    // Auto-save timer: Enabled is AutoSave, the interval AutoSaveInterval.
    void ApplyAutoSave();
    // Writes the placement and the bars' state now (at shutdown and when the window hides to
    // the notification area); nothing when the window was never shown.
    void StorePlacement();
    // Panel 0 of the status bar: the long part of the current hint; without one, that the main
    // client cannot be reached (when it cannot).
    void ShowHint();
    // How far a task file being read has come, in panel 0 (painted at once: the load holds the
    // thread); at the end the panel shows the hint again. Meanwhile what other threads and
    // programs send is answered and the windows repaint; input, timers and posted messages wait
    // for the load to end (also before Attach, when no text is shown).
    void ShowLoadProgress(std::int64_t done, std::int64_t total);

protected:
    LRESULT WndProc(UINT message, WPARAM w, LPARAM l) override;

private:
    class Source;
    friend class Source;

    // Bound components.
    ui::ListView* lvTaskList = nullptr;
    ui::StatusBar* sbMain = nullptr;
    lark::storage::TFormStorage* fsMain = nullptr;
    ui::ToolBar* tbMain = nullptr;
    ui::PopupMenu* popHeader = nullptr;
    ui::PopupMenu* popTaskList = nullptr;
    ui::Timer* tmAutoSave = nullptr;
    ui::TrayIcon* tiMain = nullptr;
    ui::OpenDialog* dlgOpen = nullptr;
    ui::SaveDialog* dlgSave = nullptr;
    localization::TlcLang* lcLang = nullptr;
    localization::TlcLangDispatcher* lcDispatcher = nullptr;
    ui::Action *acNew = nullptr, *acDuplicate = nullptr, *acDelete = nullptr, *acProperties = nullptr,
               *acRun = nullptr, *acPause = nullptr, *acOptions = nullptr, *acAbout = nullptr, *acHelp = nullptr,
               *acStatusBar = nullptr, *acToolBar = nullptr;
    ui::MenuItem *miEnglish = nullptr, *miGerman = nullptr, *miFrench = nullptr;

    // Handlers.
    void FormCloseQuery(core::Component&, bool& canClose);
    void acOpenExecute(core::Component&);
    void acNewExecute(core::Component&);
    void acDuplicateExecute(core::Component&);
    void acDeleteExecute(core::Component&);
    void acPropertiesExecute(core::Component&);
    void acRunExecute(core::Component&);
    void acSelectAllExecute(core::Component&);
    void acPauseExecute(core::Component&);
    void acSaveExecute(core::Component&);
    void acOptionsExecute(core::Component&);
    void acAboutExecute(core::Component&);
    void acHelpExecute(core::Component&);
    void acShutdownExecute(core::Component&);
    void acRestoreExecute(core::Component&);
    void acStatusBarExecute(core::Component&);
    void acToolBarExecute(core::Component&);
    void acSortExecute(core::Component& sender);
    void miLanguageClick(core::Component& sender);
    void popTaskListPopup(core::Component&);
    void popHeaderPopup(core::Component&);
    void miColumnClick(core::Component& sender);
    void lvTaskListDblClick(core::Component&);
    void lvTaskListColumnClick(core::Component&, int column);
    void lvTaskListSelectionChange(core::Component&);
    void tmAutoSaveTimer(core::Component&);
    void tiMainMouseMove(core::Component&, unsigned shift, int x, int y);
    void UpdateTrayHint();

    void LanguageChanged();
    void UpdateCaption();
    void SortBy(int column, bool ascending);
    void ShowColumn(int column, bool shown);
    void ApplyColumnLayout();
    std::vector<TLarkFTPTask*> SelectedTasks() const;
    void RowRefreshed(int taskIndex);
    void RowDeleted(int taskIndex);
    // Rebuilds rowOf_ after order_ changed.
    void IndexRows();
    static LRESULT CALLBACK HeaderProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    static LRESULT CALLBACK ListProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    // The column chooser's hooks on the list's header (once its window exists, once per window).
    void HookHeader();
    bool HiddenColumnAt(HWND header, POINT clientPoint, bool dividerOnly) const;

    MainWindowParts parts_;
    MainWindowCommands commands_;
    std::function<void()> reachabilityTold_;  // the runner's listener before the window's
    WindowStrings strings_;
    std::unique_ptr<Source> source_;
    std::vector<int> order_;  // display row -> task index
    std::vector<int> rowOf_;  // task index -> display row (order_ inverted)
    bool filling_ = false;    // FillTaskList: rows are not redrawn one by one
    ColumnLayout layout_;
    std::string taskFile_;
    bool running_ = true;
    bool ascending_ = true;  // the direction of the next header click
    HWND hookedHeader_ = nullptr;
    HWND hookedList_ = nullptr;
};

}  // namespace lark::scheduler
