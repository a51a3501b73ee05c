#include "scheduler_dialogs/new_task_wizard.h"

#include "core/errors.h"
#include "localization/lang_component.h"
#include "localization/message_dialog_win.h"
#include "task_dialog_parts.h"
#include "scheduler_dialogs/main_window.h"
#include "storage/form_placement.h"
#include "ui/application.h"
#include "ui/common_dialogs.h"
#include "ui/date_time_picker.h"
#include "ui/standard_controls.h"
#include "uicomponents/spin_edit.h"

namespace lark::scheduler {

LARK_DEFINE_CLASS(WizardForm) {
    return core::ClassBuilder<WizardForm>("TWizardForm", &ui::Form::StaticClass())
        .Binds("pnlPage1", &WizardForm::pnlPage1)
        .Binds("pnlPage2", &WizardForm::pnlPage2)
        .Binds("pnlPage3", &WizardForm::pnlPage3)
        .Binds("pnlPage4", &WizardForm::pnlPage4)
        .Binds("rbDownload", &WizardForm::rbDownload)
        .Binds("rbUpload", &WizardForm::rbUpload)
        .Binds("rbDownloadFolder", &WizardForm::rbDownloadFolder)
        .Binds("rbUploadFolder", &WizardForm::rbUploadFolder)
        .Binds("edProfile", &WizardForm::edProfile)
        .Binds("edLocalName", &WizardForm::edLocalName)
        .Binds("edRemoteName", &WizardForm::edRemoteName)
        .Binds("lblObjectTitle", &WizardForm::lblObjectTitle)
        .Binds("lblObjectInstruction", &WizardForm::lblObjectInstruction)
        .Binds("btnBack", &WizardForm::btnBack)
        .Binds("btnNext", &WizardForm::btnNext)
        .Binds("dlgOpenFile", &WizardForm::dlgOpenFile)
        .Binds("dlgFolder", &WizardForm::dlgFolder)
        .Binds("fpWizard", &WizardForm::fpWizard)
        .Binds("lcLang", &WizardForm::lcLang)
        .Handler("FormCloseQuery", &WizardForm::FormCloseQuery)
        .Handler("btnBackClick", &WizardForm::btnBackClick)
        .Handler("btnNextClick", &WizardForm::btnNextClick)
        .Handler("rbKindClick", &WizardForm::rbKindClick)
        .Handler("edFieldChange", &WizardForm::edFieldChange)
        .Handler("btnSelectProfileClick", &WizardForm::btnSelectProfileClick)
        .Handler("btnBrowseClick", &WizardForm::btnBrowseClick)
        .Handler("cbScheduleTaskChange", &WizardForm::cbScheduleTaskChange)
        .Handler("dtRunDateChange", &WizardForm::dtRunDateChange)
        .Handler("dtRunTimeChange", &WizardForm::dtRunTimeChange)
        .Build();
}

WizardForm::WizardForm(core::Component* owner) : ui::Form(owner) {
    // The definition places a window placement; its class must be known to the reader.
    (void)storage::TFormPlacement::StaticClass();
}

WizardForm::~WizardForm() = default;

void WizardForm::Load(const TLarkFTPTask& task, const TaskDialogContext& context) {
    CheckContext(context);
    context_ = context;
    // The placement lives in the settings file, or nowhere.
    if (context.settingsFile.empty()) fpWizard->SetActive(false);
    else fpWizard->SetIniFileName(context.settingsFile);
    schedule_ = std::make_unique<ScheduleControls>(*this);
    schedule_->FillKinds(*context.texts);
    draft_ = WizardDraftOf(task, context.defaultTaskType);
    schedule_->Load(draft_.schedule);
    (draft_.kind == WizardKind::UploadFile ? rbUpload : rbDownload)->SetChecked(true);
    ShowPage();
}

void WizardForm::ReadFields() {
    if (showing_) return;
    if (rbUpload->Checked()) draft_.kind = WizardKind::UploadFile;
    else if (rbDownloadFolder->Checked()) draft_.kind = WizardKind::DownloadFolder;
    else if (rbUploadFolder->Checked()) draft_.kind = WizardKind::UploadFolder;
    else draft_.kind = WizardKind::DownloadFile;
    draft_.profile = edProfile->Text();
    draft_.localName = edLocalName->Text();
    draft_.remoteName = edRemoteName->Text();
}

void WizardForm::ShowPage() {
    showing_ = true;
    for (ui::Panel* panel : {pnlPage1, pnlPage2, pnlPage3, pnlPage4}) panel->SetVisible(panel->Tag() == draft_.page);
    const TextIds ids = ObjectPageTextIds(draft_.kind);
    lblObjectTitle->SetText(lcLang->TextById(ids.title));
    lblObjectInstruction->SetText(lcLang->TextById(ids.instruction));
    edProfile->SetText(draft_.profile);
    edLocalName->SetText(draft_.localName);
    edRemoteName->SetText(draft_.remoteName);
    btnBack->SetEnabled(draft_.page > 1);
    btnNext->SetText(lcLang->TextById(draft_.page == kWizardPages ? "IDS_0" : "IDS_1"));
    showing_ = false;
    UpdateNext();
    // The first control of the page takes the focus.
    if (HandleAllocated()) {
        ui::Panel* shown = draft_.page == 1 ? pnlPage1 : draft_.page == 2 ? pnlPage2 : draft_.page == 3 ? pnlPage3 : pnlPage4;
        if (HWND first = GetNextDlgTabItem(shown->Handle(), nullptr, FALSE); first && IsWindowEnabled(first))
            ::SetFocus(first);
    }
}

void WizardForm::UpdateNext() {
    btnNext->SetEnabled(WizardPageComplete(draft_, *context_.files));
}

void WizardForm::btnNextClick(core::Component&) {
    ReadFields();
    if (!WizardPageComplete(draft_, *context_.files)) return;
    if (draft_.page == kWizardPages) {
        draft_.schedule = schedule_->Read();
        finished_ = true;
        SetModalResult(ui::ModalResult::Ok);
        return;
    }
    WizardNext(draft_);
    ShowPage();
}

void WizardForm::btnBackClick(core::Component&) {
    ReadFields();
    WizardBack(draft_);
    ShowPage();
}

void WizardForm::rbKindClick(core::Component&) {
    ReadFields();
    UpdateNext();
}

void WizardForm::edFieldChange(core::Component&) {
    if (showing_) return;
    ReadFields();
    UpdateNext();
}

void WizardForm::btnSelectProfileClick(core::Component&) {
    if (const std::optional<std::string> profile = ChooseProfile(context_)) edProfile->SetText(*profile);
    ReadFields();
    UpdateNext();
}

void WizardForm::btnBrowseClick(core::Component&) {
    ReadFields();
    if (IsFolder(draft_.kind)) {
        dlgFolder->title = lcLang->TextById("IDS_18");
        dlgFolder->folder.clear();
        if (!dlgFolder->Execute(Handle())) return;
        ChooseFolder(draft_, dlgFolder->folder);
    } else {
        dlgOpenFile->fileName.clear();
        dlgOpenFile->filterIndex = 1;
        if (!dlgOpenFile->Execute(Handle())) return;
        ChooseFile(draft_, dlgOpenFile->fileName);
    }
    ShowPage();
}

void WizardForm::cbScheduleTaskChange(core::Component&) { schedule_->KindChanged(); }

void WizardForm::dtRunDateChange(core::Component&) { schedule_->DateChanged(); }

void WizardForm::dtRunTimeChange(core::Component&) { schedule_->TimeChanged(); }

void WizardForm::FormCloseQuery(core::Component&, bool& canClose) {
    if (finished_) return;
    canClose = localization::ShowTranslatedMessage(lcLang, lcLang->TextById("IDS_19"),
                                                   localization::MsgDlgType::mtConfirmation,
                                                   localization::ButtonSet(localization::MsgDlgBtn::mbYes,
                                                                           localization::MsgDlgBtn::mbNo)) ==
               localization::ModalResult::mrYes;
}

bool RunNewTaskWizard(TLarkFTPTask& task, const TaskDialogContext& context) {
    CheckContext(context);
    // No tick runs while the wizard is open: the new task is not run or freed half made.
    TaskRunner::Suspension hold(*context.runner);
    RegisterSchedulerWindowClasses();
    auto form = ui::Form::Make<WizardForm>(context.owner);
    form->Load(task, context);
    if (form->ShowModal() != ui::ModalResult::Ok) return false;
    FinishWizard(form->Draft(), task);
    return true;
}

}  // namespace lark::scheduler
