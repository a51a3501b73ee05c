#pragma once
// The task properties dialog ("TPropertiesForm") and what both task dialogs need from the
// running program.
//
// ShowTaskProperties edits one task or several at once (pages General, Additional, Schedule,
// with a preview of the next start each second) and answers true after OK. It is modal, holds
// the tick's suspension from before it is made until it is freed (so no task it edits is run or
// freed meanwhile), brings itself to the foreground when shown (it may be opened on behalf of
// another program) and keeps no reference to the tasks after returning.
//
// What OK stores (the portable rules are TaskDraft's, scheduler/task_draft.h):
//  - one task: its local and remote names from the fields; several: each keeps its own names;
//  - a profile in the field (typed or chosen through "Select/Edit") makes every task a profile
//    task of that name (UseProfile, RemoteURL; UserName, UserPassword, ProxyServer, ProxyPort
//    emptied); a blank field leaves these six fields of every task as they are (a host task
//    from AddTask stays a host task);
//  - everything else the dialog shows goes into every task: a multiple edit gives all of them
//    the values shown (the first task's, as loaded, where the user changed nothing). A status
//    the list does not offer (Active, Error, Failed) is kept unless one is chosen.
// The caller refreshes the rows after OK; after Cancel nothing changed.
#include "ui/win32.h"

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/clock.h"
#include "scheduler/file_system.h"
#include "scheduler/strings.h"
#include "scheduler/task.h"
#include "scheduler/task_draft.h"
#include "scheduler/task_runner.h"
#include "ui/form.h"

namespace lark::localization {
class TlcLangLinked;
}
namespace lark::ui {
class Button;
class ComboBox;
class Edit;
class Image;
class Label;
class Memo;
class RadioGroup;
class Timer;
}  // namespace lark::ui

namespace lark::scheduler {

// The running program's parts the task dialogs use. Everything but `help` and `settingsFile`
// is required.
struct TaskDialogContext {
    // The main window: owner of the dialog (disabled while it is open) and the language its
    // dispatcher gives the dialogs' own tables.
    ui::Form* owner = nullptr;
    // Suspended while a dialog is open; its cached automation object serves "Select/Edit".
    TaskRunner* runner = nullptr;
    const core::Clock* clock = nullptr;
    // Where the wizard checks that an upload's source exists.
    const FileSystem* files = nullptr;
    // The schedule, status and task type names ("strsOnce", "strsPending", ...): the main
    // window's table.
    const StringSource* texts = nullptr;
    // The kind the wizard starts with: upload when not 0 (the setting DefaultTaskType).
    int defaultTaskType = 0;
    // The settings file ("LF_Scheduler.ini", full path) that keeps the wizard's placement in
    // section "WizardForm"; empty: the placement is not kept.
    std::string settingsFile;
    // The main client's profile chooser: the chosen profile's path, or none when nothing was
    // chosen; raises when the main client cannot be reached. Empty: the runner's cached
    // automation object is put in mode "0" and asked (made anew when it fails).
    std::function<std::optional<std::string>()> selectProfile;
    // Help for the dialogs (context 29); the Help button is enabled only while it is set.
    std::function<void()> help;
};

// Edits the tasks (one or more, in the order given); true after OK.
bool ShowTaskProperties(const std::vector<TLarkFTPTask*>& tasks, const TaskDialogContext& context);

class ScheduleControls;

// The dialog itself, for ShowTaskProperties and tests: Load fills it, OK reads the controls into
// Edited() and ends with ModalResult Ok; storing is the caller's (StoreTaskDraft).
class PropertiesForm : public ui::Form {
    LARK_PERSISTENT_CLASS(PropertiesForm)
public:
    explicit PropertiesForm(core::Component* owner = nullptr);
    ~PropertiesForm() override;

    void Load(std::span<TLarkFTPTask* const> tasks, const TaskDialogContext& context);
    const TaskDraft& LoadedDraft() const { return loaded_; }
    const TaskDraft& Edited() const { return edited_; }
    // The preview line as it is now (also each second while shown).
    void UpdatePreview();
    localization::TlcLangLinked* Lang() const { return lcLang; }

private:
    ui::Edit *edLocalName = nullptr, *edRemoteName = nullptr, *edProfile = nullptr;
    ui::Image *imgLocalName = nullptr, *imgRemoteName = nullptr;
    ui::RadioGroup* rgpTaskType = nullptr;
    ui::ComboBox* cbStatus = nullptr;
    ui::Memo *memComments = nullptr, *memLastResult = nullptr;
    ui::Label* lblNextTime = nullptr;
    ui::Button* btnHelp = nullptr;
    ui::Timer* tmPreview = nullptr;
    localization::TlcLangLinked* lcLang = nullptr;

    void FormShow(core::Component&);
    void cbScheduleTaskChange(core::Component&);
    void dtRunDateChange(core::Component&);
    void dtRunTimeChange(core::Component&);
    void btnSelectProfileClick(core::Component&);
    void btnOKClick(core::Component&);
    void btnHelpClick(core::Component&);
    void tmPreviewTimer(core::Component&);
    TaskDraft ReadControls() const;
    void ShowIcons();

    std::unique_ptr<ScheduleControls> schedule_;
    TaskDialogContext context_;
    TaskDraft loaded_, edited_;
};

}  // namespace lark::scheduler
