#pragma once
// The new-task wizard ("TWizardForm"): four pages (kind of transfer, profile, local and remote
// names, schedule) with Back, Next (Finish on the last page) and Cancel. Next is enabled only
// while the page is complete. Closing it other than by Finish asks first; only Yes closes it.
//
// RunNewTaskWizard fills the task the caller has just added (its start time, schedule kind and
// DeleteCompleted are the wizard's starting values) and answers true after Finish, when the
// task is a Pending profile task with the names, direction, folder flag and schedule chosen.
// After Cancel the task is as it was and the caller frees it. Modal; holds the tick's
// suspension while open; keeps no reference to the task after returning. Its placement is kept
// in section "WizardForm" of context.settingsFile.
#include "ui/win32.h"

#include <memory>

#include "scheduler/task.h"
#include "scheduler/task_draft.h"
#include "scheduler_dialogs/task_properties.h"
#include "ui/form.h"

namespace lark::storage {
class TFormPlacement;
}
namespace lark::ui {
class FolderDialog;
class OpenDialog;
class Panel;
class RadioButton;
}  // namespace lark::ui

namespace lark::scheduler {

bool RunNewTaskWizard(TLarkFTPTask& task, const TaskDialogContext& context);

// The wizard itself, for RunNewTaskWizard and tests: Load fills it from the task; Finish ends it
// with ModalResult Ok and Draft() holds what FinishWizard stores.
class WizardForm : public ui::Form {
    LARK_PERSISTENT_CLASS(WizardForm)
public:
    explicit WizardForm(core::Component* owner = nullptr);
    ~WizardForm() override;

    void Load(const TLarkFTPTask& task, const TaskDialogContext& context);
    const WizardDraft& Draft() const { return draft_; }
    localization::TlcLangLinked* Lang() const { return lcLang; }

private:
    ui::Panel *pnlPage1 = nullptr, *pnlPage2 = nullptr, *pnlPage3 = nullptr, *pnlPage4 = nullptr;
    ui::RadioButton *rbDownload = nullptr, *rbUpload = nullptr, *rbDownloadFolder = nullptr, *rbUploadFolder = nullptr;
    ui::Edit *edProfile = nullptr, *edLocalName = nullptr, *edRemoteName = nullptr;
    ui::Label *lblObjectTitle = nullptr, *lblObjectInstruction = nullptr;
    ui::Button *btnBack = nullptr, *btnNext = nullptr;
    ui::OpenDialog* dlgOpenFile = nullptr;
    ui::FolderDialog* dlgFolder = nullptr;
    storage::TFormPlacement* fpWizard = nullptr;
    localization::TlcLangLinked* lcLang = nullptr;

    void FormCloseQuery(core::Component&, bool& canClose);
    void btnBackClick(core::Component&);
    void btnNextClick(core::Component&);
    void rbKindClick(core::Component&);
    void edFieldChange(core::Component&);
    void btnSelectProfileClick(core::Component&);
    void btnBrowseClick(core::Component&);
    void cbScheduleTaskChange(core::Component&);
    void dtRunDateChange(core::Component&);
    void dtRunTimeChange(core::Component&);
    void ReadFields();
    void ShowPage();
    void UpdateNext();

    std::unique_ptr<ScheduleControls> schedule_;
    TaskDialogContext context_;
    WizardDraft draft_;
    bool showing_ = false;  // the fields are being filled from the draft
    bool finished_ = false;
};

}  // namespace lark::scheduler
