#include "scheduler_dialogs/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <numeric>
#include <unordered_set>

#include "core/errors.h"
#include "core/format.h"
#include "localization/lang_component.h"
#include "localization/lang_dispatcher.h"
#include "localization/regional_settings.h"
#include "localization/translated_dialogs_win.h"
#include "storage/form_storage.h"
#include "ui/actions.h"
#include "ui/application.h"
#include "ui/bars.h"
#include "ui/common_dialogs.h"
#include "ui/list_view.h"
#include "ui/menus.h"
#include "ui/message_loop.h"
#include "ui/register.h"
#include "ui/timer.h"
#include "uicomponents/register.h"
#include "uicomponents/tray_icon.h"
#include "win/regional_settings.h"
#include "win/text.h"

namespace lark::scheduler {

std::string WindowStrings::Text(std::string_view id) const {
    if (lang_) {
        std::string text = lang_->TextById(id);
        if (!text.empty()) return text;
    }
    return english_.Text(id);
}

// The list's rows in display order over the task list.
class MainWindow::Source : public ui::ListSource {
public:
    explicit Source(MainWindow& window) : window_(window) {}
    int RowCount() const override { return static_cast<int>(window_.order_.size()); }
    std::string CellText(int row, int column) const override {
        return TaskCellText(window_.strings_, Task(row), column);
    }
    int StateImage(int row) const override { return static_cast<int>(Task(row).Status()) + 1; }
    std::string InfoTip(int row) const override { return TaskInfoTip(window_.strings_, Task(row)); }

private:
    const TLarkFTPTask& Task(int row) const { return window_.parts_.rows->RowTask(window_.order_.at(row)); }
    MainWindow& window_;
};

namespace {

constexpr UINT_PTR kHookId = 0x5C4E;
// The sort actions, in the order of the columns they sort by.
constexpr std::array<const char*, kTaskColumns> kSortActions{
    "acByLocalName", "acByHost", "acByRemoteName", "acByTaskType", "acBySchedule", "acByStartTime", "acByLastTime",
    "acByStatus"};
// The column chooser's items by column tag.
constexpr std::array<const char*, kTaskColumns> kColumnItems{
    "miColLocalName", "miColHost", "miColRemoteName", "miColTaskType", "miColSchedule", "miColLastTime",
    "miColStartTime", "miColStatus"};

bool SameFile(const std::string& a, const std::string& b) {
    auto full = [](const std::string& name) {
        std::wstring wide = win::Widen(name);
        wchar_t buffer[MAX_PATH * 4];
        const DWORD n = GetFullPathNameW(wide.c_str(), MAX_PATH * 4, buffer, nullptr);
        return n && n < MAX_PATH * 4 ? std::wstring(buffer, n) : wide;
    };
    const std::wstring x = full(a), y = full(b);
    return CompareStringOrdinal(x.c_str(), static_cast<int>(x.size()), y.c_str(), static_cast<int>(y.size()), TRUE) ==
           CSTR_EQUAL;
}

}  // namespace

void RegisterSchedulerWindowClasses() {
    ui::RegisterControls();
    ui::RegisterUiComponents();
    (void)localization::TlcLang::StaticClass();
    (void)localization::TlcLangLinked::StaticClass();
    (void)localization::TlcOpenDialog::StaticClass();
    (void)localization::TlcLangDispatcher::StaticClass();
    (void)storage::TFormStorage::StaticClass();
}

LARK_DEFINE_CLASS(MainWindow) {
    return core::ClassBuilder<MainWindow>("TLarkFTP_Schedule", &ui::Form::StaticClass())
        .Binds("lvTaskList", &MainWindow::lvTaskList)
        .Binds("StatusBar", &MainWindow::sbMain)
        .Binds("ToolBar", &MainWindow::tbMain)
        .Binds("fsMain", &MainWindow::fsMain)
        .Binds("popHeader", &MainWindow::popHeader)
        .Binds("popTaskList", &MainWindow::popTaskList)
        .Binds("tmAutoSave", &MainWindow::tmAutoSave)
        .Binds("tiMain", &MainWindow::tiMain)
        .Binds("dlgOpen", &MainWindow::dlgOpen)
        .Binds("dlgSave", &MainWindow::dlgSave)
        .Binds("lcLang", &MainWindow::lcLang)
        .Binds("lcDispatcher", &MainWindow::lcDispatcher)
        .Binds("acNew", &MainWindow::acNew)
        .Binds("acDuplicate", &MainWindow::acDuplicate)
        .Binds("acDelete", &MainWindow::acDelete)
        .Binds("acProperties", &MainWindow::acProperties)
        .Binds("acRun", &MainWindow::acRun)
        .Binds("acPause", &MainWindow::acPause)
        .Binds("acOptions", &MainWindow::acOptions)
        .Binds("acAbout", &MainWindow::acAbout)
        .Binds("acHelp", &MainWindow::acHelp)
        .Binds("acStatusBar", &MainWindow::acStatusBar)
        .Binds("acToolBar", &MainWindow::acToolBar)
        .Binds("miEnglish", &MainWindow::miEnglish)
        .Binds("miGerman", &MainWindow::miGerman)
        .Binds("miFrench", &MainWindow::miFrench)
        .Handler("FormCloseQuery", &MainWindow::FormCloseQuery)
        .Handler("acOpenExecute", &MainWindow::acOpenExecute)
        .Handler("acNewExecute", &MainWindow::acNewExecute)
        .Handler("acDuplicateExecute", &MainWindow::acDuplicateExecute)
        .Handler("acDeleteExecute", &MainWindow::acDeleteExecute)
        .Handler("acPropertiesExecute", &MainWindow::acPropertiesExecute)
        .Handler("acRunExecute", &MainWindow::acRunExecute)
        .Handler("acSelectAllExecute", &MainWindow::acSelectAllExecute)
        .Handler("acPauseExecute", &MainWindow::acPauseExecute)
        .Handler("acSaveExecute", &MainWindow::acSaveExecute)
        .Handler("acOptionsExecute", &MainWindow::acOptionsExecute)
        .Handler("acAboutExecute", &MainWindow::acAboutExecute)
        .Handler("acHelpExecute", &MainWindow::acHelpExecute)
        .Handler("acShutdownExecute", &MainWindow::acShutdownExecute)
        .Handler("acRestoreExecute", &MainWindow::acRestoreExecute)
        .Handler("acStatusBarExecute", &MainWindow::acStatusBarExecute)
        .Handler("acToolBarExecute", &MainWindow::acToolBarExecute)
        .Handler("acSortExecute", &MainWindow::acSortExecute)
        .Handler("miLanguageClick", &MainWindow::miLanguageClick)
        .Handler("popTaskListPopup", &MainWindow::popTaskListPopup)
        .Handler("popHeaderPopup", &MainWindow::popHeaderPopup)
        .Handler("miColumnClick", &MainWindow::miColumnClick)
        .Handler("lvTaskListDblClick", &MainWindow::lvTaskListDblClick)
        .Handler("lvTaskListColumnClick", &MainWindow::lvTaskListColumnClick)
        .Handler("lvTaskListSelectionChange", &MainWindow::lvTaskListSelectionChange)
        .Handler("tmAutoSaveTimer", &MainWindow::tmAutoSaveTimer)
        .Handler("tiMainMouseMove", &MainWindow::tiMainMouseMove)
        .Build();
}

MainWindow::MainWindow(core::Component* owner) : ui::Form(owner), source_(std::make_unique<Source>(*this)) {}

MainWindow::~MainWindow() {
    if (parts_.rows) {
        ui::Application::Instance().OnHint.Bind(nullptr);
        parts_.runner->onMainClientChanged = std::move(reachabilityTold_);
        parts_.rows->onRefresh = nullptr;
        parts_.rows->onDeleted = nullptr;
    }
    if (hookedHeader_) RemoveWindowSubclass(hookedHeader_, &HeaderProc, kHookId);
    if (hookedList_) RemoveWindowSubclass(hookedList_, &ListProc, kHookId);
    if (lvTaskList) lvTaskList->SetSource(nullptr);
    strings_.SetLang(nullptr);
}

void MainWindow::Attach(MainWindowParts parts, MainWindowCommands commands, const StoredColumnLayout& stored) {
    parts_ = std::move(parts);
    commands_ = std::move(commands);
    strings_.SetLang(lcLang);
    lcLang->OnChangeLanguage = [this](localization::TlcCustomLang&) { LanguageChanged(); };
    parts_.rows->onRefresh = [this](int taskIndex) { RowRefreshed(taskIndex); };
    parts_.rows->onDeleted = [this](int taskIndex) { RowDeleted(taskIndex); };
    // The placement and the bars' state live in the settings file; without one nothing is kept.
    // (A placement read from a definition starts with no options: it was made before its owner.)
    if (parts_.settingsFile.empty()) fsMain->SetActive(false);
    else fsMain->SetIniFileName(parts_.settingsFile);
    fsMain->SetOptions(storage::fpState | storage::fpPosition);
    ui::Application::Instance().OnHint.Bind([this] { ShowHint(); });
    // Whether the main client can be reached shows in the hint panel; whoever was told before
    // still is.
    reachabilityTold_ = std::move(parts_.runner->onMainClientChanged);
    parts_.runner->onMainClientChanged = [this] {
        if (reachabilityTold_) reachabilityTold_();
        ShowHint();
    };
    dlgSave->options |= ui::FileDialog::OverwritePrompt;
    dlgOpen->options |= ui::FileDialog::FileMustExist;

    std::array<int, kTaskColumns> defined{};
    for (int c = 0; c < kTaskColumns; ++c) defined[c] = lvTaskList->Column(c)->Width();
    layout_ = DefaultColumnLayout(defined);
    ParseColumnLayout(layout_, stored.order, stored.widths, stored.visibility);
    lvTaskList->SetSource(source_.get());
    OnShow.Bind([this](core::Component&) { HookHeader(); });
    FillTaskList();
    ApplyColumnLayout();
    ApplyAutoSave();
    UpdateCaption();
    LanguageChanged();
}

void MainWindow::ApplyAutoSave() {
    tmAutoSave->SetInterval(parts_.settings->autoSaveInterval);
    tmAutoSave->SetEnabled(parts_.settings->autoSave);
}

void MainWindow::StorePlacement() {
    if (fsMain->Active()) fsMain->StorePlacement();
}

void MainWindow::ShowHint() {
    std::string text = ui::LongHint(ui::Application::Instance().Hint());
    if (text.empty() && parts_.runner && !parts_.runner->MainClientReachable())
        text = core::Format(strings_.Text("IDS_MainClientUnreachable"), {parts_.runner->MainClientError()});
    sbMain->Panel(0)->SetText(text);
}

void MainWindow::ShowLoadProgress(std::int64_t done, std::int64_t total) {
    if (parts_.rows) {  // attached: the texts and the panel are the window's
        if (total <= 0 || done >= total) {
            ShowHint();
        } else {
            sbMain->Panel(0)->SetText(
                core::Format(strings_.Text("IDS_LoadingTasks"), {static_cast<int>(done * 100 / total)}));
            if (sbMain->HandleAllocated()) UpdateWindow(sbMain->Handle());
        }
    }
    // The load holds the thread: what others send is answered and the windows repaint meanwhile.
    ui::MessageLoop::AnswerSentAndPaint();
}

void MainWindow::SetTaskFile(const std::string& fileName) {
    taskFile_ = fileName;
    sbMain->Panel(1)->SetText(core::Format(strings_.Text("IDS_39"), {taskFile_}));
}

void MainWindow::IndexRows() {
    rowOf_.assign(order_.size(), -1);
    for (std::size_t row = 0; row < order_.size(); ++row) rowOf_[static_cast<std::size_t>(order_[row])] = static_cast<int>(row);
}

void MainWindow::FillTaskList() {
    TLarkFTPTaskList& list = parts_.storage->TaskList();
    const int count = list.Count();
    order_.resize(static_cast<std::size_t>(count));
    std::iota(order_.begin(), order_.end(), 0);
    IndexRows();
    // The row count first: a repaint while the rows are refreshed asks only for rows that exist.
    lvTaskList->Reset();
    {
        // One pass; the list is redrawn once at the end, not row by row.
        filling_ = true;
        struct Done {
            bool& flag;
            ~Done() { flag = false; }
        } done{filling_};
        for (int i = 0; i < count; ++i) {
            TLarkFTPTask& task = list.Items(i);
            if (task.Status() == TTaskStatus::tsActive) task.SetStatus(TTaskStatus::tsPending);
            parts_.rows->RefreshRow(i);
            if ((i & 0x3FFF) == 0x3FFF) ui::MessageLoop::AnswerSentAndPaint();
        }
    }
    lvTaskList->Reset();
    RefreshCommandStates();
}

void MainWindow::RowRefreshed(int taskIndex) {
    if (filling_) return;
    if (taskIndex >= static_cast<int>(order_.size())) {
        // A task added behind the list's back (a new task): it gets a row at the end.
        while (static_cast<int>(order_.size()) <= taskIndex) {
            rowOf_.push_back(static_cast<int>(order_.size()));
            order_.push_back(static_cast<int>(order_.size()));
        }
        lvTaskList->Reset();
        return;
    }
    if (taskIndex >= 0) lvTaskList->UpdateRow(rowOf_[static_cast<std::size_t>(taskIndex)]);
}

void MainWindow::RowDeleted(int taskIndex) {
    std::erase(order_, taskIndex);
    for (int& index : order_)
        if (index > taskIndex) --index;
    IndexRows();
    lvTaskList->Reset();
    RefreshCommandStates();
}

std::vector<TLarkFTPTask*> MainWindow::SelectedTasks() const {
    std::vector<TLarkFTPTask*> tasks;
    for (int row : lvTaskList->SelectedRows())
        if (row >= 0 && row < static_cast<int>(order_.size())) tasks.push_back(&parts_.rows->RowTask(order_[row]));
    return tasks;
}

void MainWindow::RefreshCommandStates() {
    const bool selected = !lvTaskList->SelectedRows().empty();
    acProperties->SetEnabled(selected && commands_.properties);
    acDelete->SetEnabled(selected);
    acDuplicate->SetEnabled(selected && commands_.properties);
    acRun->SetEnabled(selected);
    acNew->SetEnabled(static_cast<bool>(commands_.newTask));
    acOptions->SetEnabled(static_cast<bool>(commands_.options));
    acAbout->SetEnabled(static_cast<bool>(commands_.about));
    acHelp->SetEnabled(static_cast<bool>(commands_.help));
}

void MainWindow::UpdateCaption() {
    SetCaption(parts_.title + strings_.Text(running_ ? "IDS_3" : "IDS_17"));
    acPause->SetCaption(strings_.Text(running_ ? "IDS_18" : "IDS_16"));
    acPause->SetImageIndex(running_ ? 0 : 1);
}

void MainWindow::SetRunning(bool running) {
    running_ = running;
    parts_.runner->SetRunning(running);
    UpdateCaption();
}

void MainWindow::LanguageChanged() {
    UpdateCaption();
    SetTaskFile(taskFile_);
    ShowHint();
    const int language = lcDispatcher->ActiveLanguage();
    miEnglish->SetChecked(language == 1);
    miGerman->SetChecked(language == 2);
    miFrench->SetChecked(language == 3);
    if (lvTaskList->HandleAllocated()) InvalidateRect(lvTaskList->Handle(), nullptr, TRUE);
    if (parts_.storage) UpdateTrayHint();
    if (commands_.languageChanged) commands_.languageChanged(language);
}

void MainWindow::Restore() {
    Show();
    HookHeader();
    if (IsIconic(Handle())) ShowWindow(Handle(), SW_RESTORE);
    SetForegroundWindow(Handle());
}

// ---- column layout ----

void MainWindow::ApplyColumnLayout() {
    std::vector<int> order(layout_.order.begin(), layout_.order.end());
    lvTaskList->SetColumnOrder(order);
    for (int c = 0; c < kTaskColumns; ++c) lvTaskList->Column(c)->SetWidth(layout_.visible[c] ? layout_.widths[c] : 0);
}

StoredColumnLayout MainWindow::SaveColumnLayout() {
    const std::vector<int> order = lvTaskList->ColumnOrder();
    if (order.size() == static_cast<std::size_t>(kTaskColumns)) std::copy(order.begin(), order.end(), layout_.order.begin());
    for (int c = 0; c < kTaskColumns; ++c)
        if (layout_.visible[c]) layout_.widths[c] = lvTaskList->Column(c)->Width();
    return FormatColumnLayout(layout_);
}

void MainWindow::ShowColumn(int column, bool shown) {
    if (column < 0 || column >= kTaskColumns) return;
    if (!shown && (column == static_cast<int>(TaskColumn::LocalName) || column == static_cast<int>(TaskColumn::RemoteName)))
        return;
    if (shown == layout_.visible[column]) return;
    if (!shown) layout_.widths[column] = lvTaskList->Column(column)->Width();
    layout_.visible[column] = shown;
    lvTaskList->Column(column)->SetWidth(shown ? layout_.widths[column] : 0);
}

void MainWindow::popHeaderPopup(core::Component&) {
    for (int c = 0; c < kTaskColumns; ++c)
        static_cast<ui::MenuItem*>(FindComponent(kColumnItems[c]))->SetChecked(layout_.visible[c]);
}

void MainWindow::miColumnClick(core::Component& sender) {
    for (int c = 0; c < kTaskColumns; ++c)
        if (&sender == FindComponent(kColumnItems[c])) ShowColumn(c, !layout_.visible[c]);
}

bool MainWindow::HiddenColumnAt(HWND header, POINT point, bool dividerOnly) const {
    HDHITTESTINFO hit{};
    hit.pt = point;
    const int item = static_cast<int>(SendMessageW(header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (item < 0 || item >= kTaskColumns) return false;
    if (dividerOnly && !(hit.flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN))) return false;
    return !layout_.visible[item];
}

LRESULT CALLBACK MainWindow::HeaderProc(HWND header, UINT message, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR data) {
    auto* window = reinterpret_cast<MainWindow*>(data);
    try {
        switch (message) {
            case WM_SETCURSOR: {
                // No resize cursor over the divider of a hidden column.
                POINT at;
                GetCursorPos(&at);
                ScreenToClient(header, &at);
                if (window->HiddenColumnAt(header, at, true)) {
                    SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));  // the arrow
                    return TRUE;
                }
                break;
            }
            case WM_RBUTTONUP: {
                POINT at{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
                ClientToScreen(header, &at);
                window->popHeader->Popup(at.x, at.y);
                return 0;
            }
            case WM_NCDESTROY: RemoveWindowSubclass(header, &HeaderProc, kHookId); window->hookedHeader_ = nullptr; break;
            default: break;
        }
    } catch (...) {
        ui::Application::Instance().HandleException(std::current_exception());
        return 0;
    }
    return DefSubclassProc(header, message, w, l);
}

LRESULT CALLBACK MainWindow::ListProc(HWND list, UINT message, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR data) {
    auto* window = reinterpret_cast<MainWindow*>(data);
    if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHEADERW*>(l);
        const UINT code = header->hdr.code;
        // A hidden column cannot be opened by dragging or double-clicking its divider.
        if (code == HDN_BEGINTRACKW || code == HDN_BEGINTRACKA || code == HDN_DIVIDERDBLCLICKW ||
            code == HDN_DIVIDERDBLCLICKA) {
            if (header->iItem >= 0 && header->iItem < kTaskColumns && !window->layout_.visible[header->iItem]) return TRUE;
        }
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(list, &ListProc, kHookId);
        window->hookedList_ = nullptr;
    }
    return DefSubclassProc(list, message, w, l);
}

void MainWindow::HookHeader() {
    if (!lvTaskList->HandleAllocated()) return;
    HWND header = lvTaskList->HeaderHandle();
    if (header && header != hookedHeader_) {
        SetWindowSubclass(header, &HeaderProc, kHookId, reinterpret_cast<DWORD_PTR>(this));
        hookedHeader_ = header;
    }
    HWND list = lvTaskList->Handle();
    if (list != hookedList_) {
        SetWindowSubclass(list, &ListProc, kHookId, reinterpret_cast<DWORD_PTR>(this));
        hookedList_ = list;
    }
}

// ---- sorting ----

void MainWindow::SortBy(int column, bool ascending) {
    const std::vector<TLarkFTPTask*> selectedTasks = SelectedTasks();
    const std::unordered_set<const TLarkFTPTask*> selected(selectedTasks.begin(), selectedTasks.end());
    SortRows(order_, column, ascending,
             [this](int taskIndex, int c) { return TaskCellText(strings_, parts_.rows->RowTask(taskIndex), c); });
    IndexRows();
    lvTaskList->Reset();
    for (int row = 0; row < static_cast<int>(order_.size()); ++row)
        lvTaskList->SelectRow(row, selected.count(&parts_.rows->RowTask(order_[row])) != 0);
}

void MainWindow::acSortExecute(core::Component& sender) {
    for (int c = 0; c < kTaskColumns; ++c)
        if (&sender == FindComponent(kSortActions[c])) {
            ascending_ = true;
            SortBy(c, true);
        }
}

void MainWindow::lvTaskListColumnClick(core::Component&, int column) {
    SortBy(column, ascending_);
    ascending_ = !ascending_;
}

// ---- commands ----

void MainWindow::lvTaskListSelectionChange(core::Component&) { RefreshCommandStates(); }

void MainWindow::lvTaskListDblClick(core::Component& sender) {
    if (acProperties->Enabled()) acPropertiesExecute(sender);
}

void MainWindow::popTaskListPopup(core::Component&) {
    RefreshCommandStates();
    for (ui::MenuItem* item : popTaskList->Items()) {
        ui::Action* action = item->GetAction();
        item->SetVisible(!action || action->Enabled());
    }
}

void MainWindow::acNewExecute(core::Component&) {
    if (commands_.newTask) commands_.newTask();
    RefreshCommandStates();
}

void MainWindow::acPropertiesExecute(core::Component&) {
    const std::vector<TLarkFTPTask*> tasks = SelectedTasks();
    if (tasks.empty() || !commands_.properties) return;
    if (commands_.properties(tasks))
        for (TLarkFTPTask* task : tasks) parts_.rows->RefreshRow(parts_.rows->FindRow(*task));
}

void MainWindow::acDuplicateExecute(core::Component&) {
    const std::vector<TLarkFTPTask*> tasks = SelectedTasks();
    if (tasks.empty() || !commands_.properties) return;
    TLarkFTPTask& source = *tasks.front();
    TLarkFTPTask& copy = parts_.storage->TaskList().Add();
    copy.CopyFrom(source);
    const int copyIndex = parts_.rows->FindRow(copy);
    parts_.rows->RefreshRow(copyIndex);
    for (int row : lvTaskList->SelectedRows()) lvTaskList->SelectRow(row, false);
    if (commands_.properties({&copy})) {
        parts_.rows->RefreshRow(parts_.rows->FindRow(copy));
        const auto row = std::find(order_.begin(), order_.end(), parts_.rows->FindRow(copy));
        lvTaskList->SelectRow(static_cast<int>(row - order_.begin()));
    } else {
        parts_.rows->DeleteRow(parts_.rows->FindRow(copy));
        const auto row = std::find(order_.begin(), order_.end(), parts_.rows->FindRow(source));
        if (row != order_.end()) lvTaskList->SelectRow(static_cast<int>(row - order_.begin()));
    }
    RefreshCommandStates();
}

void MainWindow::acDeleteExecute(core::Component&) {
    const std::vector<TLarkFTPTask*> tasks = SelectedTasks();
    if (tasks.empty()) return;
    const bool several = tasks.size() > 1;
    bool yesToAll = false;
    for (TLarkFTPTask* task : tasks) {
        bool remove = task->Status() == TTaskStatus::tsCompleted || yesToAll;
        if (!remove) {
            const std::string text =
                core::Format(strings_.Text("strConfirmDelete"), {task->LocalName(), task->RemoteName()});
            const DeleteAnswer answer = commands_.confirmDelete(text, several);
            if (answer == DeleteAnswer::Cancel) return;
            yesToAll = answer == DeleteAnswer::YesToAll;
            remove = answer == DeleteAnswer::Yes || yesToAll;
        }
        if (remove) {
            const int index = parts_.rows->FindRow(*task);
            if (index >= 0) parts_.rows->DeleteRow(index);
        }
    }
    RefreshCommandStates();
}

void MainWindow::acRunExecute(core::Component&) {
    for (TLarkFTPTask* task : SelectedTasks()) {
        // A run can end a task (delete after completion): re-find each before running it.
        if (parts_.rows->FindRow(*task) >= 0) parts_.runner->RunTask(*task);
    }
}

void MainWindow::acSelectAllExecute(core::Component&) {
    for (int row = 0; row < lvTaskList->RowCount(); ++row) lvTaskList->SelectRow(row);
    RefreshCommandStates();
}

void MainWindow::acPauseExecute(core::Component&) { SetRunning(!running_); }

void MainWindow::acOpenExecute(core::Component&) {
    dlgOpen->fileName.clear();
    bool chosen;
    {
        TaskRunner::Suspension hold(*parts_.runner);
        chosen = dlgOpen->Execute(HandleAllocated() ? Handle() : nullptr);
    }
    if (!chosen) return;
    const std::string fileName = dlgOpen->fileName;
    if (SameFile(fileName, taskFile_)) {
        TaskRunner::Suspension hold(*parts_.runner);
        commands_.showError(strings_.Text("IDS_37"));
        return;
    }
    // The list stays with the current file when it cannot be saved there.
    bool saved;
    {
        TaskRunner::Suspension hold(*parts_.runner);
        saved = commands_.save(taskFile_);
    }
    if (!saved) return;
    try {
        commands_.load(fileName);
    } catch (const std::exception& e) {
        // The file could not be read: the loader changed nothing, the previous file stays in
        // use under its own name.
        TaskRunner::Suspension hold(*parts_.runner);
        commands_.showError(fileName + ": " + e.what());
        return;
    }
    SetTaskFile(fileName);
    parts_.settings->taskFile = fileName;
    FillTaskList();
}

void MainWindow::acSaveExecute(core::Component&) {
    const std::size_t slash = taskFile_.find_last_of("\\/");
    dlgSave->initialDir = slash == std::string::npos ? std::string() : taskFile_.substr(0, slash);
    dlgSave->fileName.clear();
    bool chosen;
    {
        TaskRunner::Suspension hold(*parts_.runner);
        chosen = dlgSave->Execute(HandleAllocated() ? Handle() : nullptr);
    }
    if (!chosen) return;
    bool saved;
    {
        TaskRunner::Suspension hold(*parts_.runner);
        saved = commands_.save(dlgSave->fileName);
    }
    if (!saved) return;
    SetTaskFile(dlgSave->fileName);
    parts_.settings->taskFile = dlgSave->fileName;
}

void MainWindow::acOptionsExecute(core::Component&) {
    if (commands_.options) commands_.options();
}

void MainWindow::acAboutExecute(core::Component&) {
    if (commands_.about) commands_.about();
}

void MainWindow::acHelpExecute(core::Component&) {
    if (commands_.help) commands_.help();
}

void MainWindow::acShutdownExecute(core::Component&) { commands_.shutdown(); }

void MainWindow::acRestoreExecute(core::Component&) { Restore(); }

void MainWindow::acStatusBarExecute(core::Component&) {
    acStatusBar->SetChecked(!acStatusBar->Checked());
    sbMain->SetVisible(acStatusBar->Checked());
}

void MainWindow::acToolBarExecute(core::Component&) {
    acToolBar->SetChecked(!acToolBar->Checked());
    tbMain->SetVisible(acToolBar->Checked());
}

void MainWindow::miLanguageClick(core::Component& sender) {
    const int language = &sender == miGerman ? 2 : &sender == miFrench ? 3 : 1;
    if (language != lcDispatcher->ActiveLanguage()) lcDispatcher->SetActiveLanguage(language);
}

void MainWindow::tmAutoSaveTimer(core::Component&) { commands_.autoSave(); }

void MainWindow::UpdateTrayHint() {
    tiMain->SetHint(core::Format(strings_.Text("IDS_10"), {parts_.storage->TaskList().TodayTaskCount(*parts_.clock)}));
}

void MainWindow::tiMainMouseMove(core::Component&, unsigned, int, int) { UpdateTrayHint(); }

void MainWindow::FormCloseQuery(core::Component&, bool& canClose) {
    if (parts_.settings && parts_.settings->useCloseAsMinimize) {
        // The close button hides the program to the notification area. Showing it again
        // restores the placement: what it is now is kept first.
        canClose = false;
        StorePlacement();
        Hide();
        return;
    }
    canClose = true;
    commands_.shutdown();
}

LRESULT MainWindow::WndProc(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case kRestoreMessage: Restore(); return 0;
        case WM_SETTINGCHANGE:
            // The user changed the regional settings: the rows draw their dates anew.
            if (win::IsRegionalSettingChange(message, l)) {
                localization::ApplyRegionalSettings(win::ReadUserRegionalSettings());
                if (lvTaskList->HandleAllocated()) InvalidateRect(lvTaskList->Handle(), nullptr, TRUE);
                if (parts_.storage) UpdateTrayHint();
            }
            break;
        case WM_SIZE:
            if (w == SIZE_MINIMIZED) {
                // A minimized scheduler lives only in the notification area. Showing it again
                // restores the placement: what it is now is kept first.
                const LRESULT result = ui::Form::WndProc(message, w, l);
                StorePlacement();
                ShowWindow(Handle(), SW_HIDE);
                return result;
            }
            break;
        case WM_QUERYENDSESSION: return TRUE;
        case WM_ENDSESSION:
            // The log-off goes on: the normal shutdown sequence runs now, as the process may
            // be ended without another message.
            if (w) (commands_.endSession ? commands_.endSession : commands_.shutdown)();
            return 0;
        default: break;
    }
    return ui::Form::WndProc(message, w, l);
}

}  // namespace lark::scheduler
