#include "scheduler_dialogs/options_dialog.h"

#include <algorithm>

#include "core/format.h"
#include "localization/lang_component.h"
#include "localization/message_dialog_win.h"
#include "storage/form_storage.h"
#include "ui/common_dialogs.h"
#include "ui/standard_controls.h"
#include "uicomponents/spin_edit.h"

namespace lark::scheduler {

LARK_DEFINE_CLASS(OptionsForm) {
    return core::ClassBuilder<OptionsForm>("TOptionsForm", &ui::Form::StaticClass())
        .Binds("chkCloseAsMinimize", &OptionsForm::chkCloseAsMinimize)
        .Binds("chkRunAtStartup", &OptionsForm::chkRunAtStartup)
        .Binds("chkAutoSave", &OptionsForm::chkAutoSave)
        .Binds("chkMakeBackup", &OptionsForm::chkMakeBackup)
        .Binds("chkSaveLog", &OptionsForm::chkSaveLog)
        .Binds("chkDeleteCompleted", &OptionsForm::chkDeleteCompleted)
        .Binds("seAutoSave", &OptionsForm::seAutoSave)
        .Binds("lblMinutes", &OptionsForm::lblMinutes)
        .Binds("lblMaxSize", &OptionsForm::lblMaxSize)
        .Binds("lblKilobytes", &OptionsForm::lblKilobytes)
        .Binds("cbTaskListFile", &OptionsForm::cbTaskListFile)
        .Binds("cbLanguage", &OptionsForm::cbLanguage)
        .Binds("cbLogFile", &OptionsForm::cbLogFile)
        .Binds("cbSchedule", &OptionsForm::cbSchedule)
        .Binds("cbTaskType", &OptionsForm::cbTaskType)
        .Binds("btnTaskListFile", &OptionsForm::btnTaskListFile)
        .Binds("btnLogFile", &OptionsForm::btnLogFile)
        .Binds("btnHelp", &OptionsForm::btnHelp)
        .Binds("edMaxSize", &OptionsForm::edMaxSize)
        .Binds("edUserName", &OptionsForm::edUserName)
        .Binds("edPassword", &OptionsForm::edPassword)
        .Binds("dlgFile", &OptionsForm::dlgFile)
        .Binds("lcLang", &OptionsForm::lcLang)
        .Binds("fsOptions", &OptionsForm::fsOptions)
        .Handler("FormCloseQuery", &OptionsForm::FormCloseQuery)
        .Handler("chkAutoSaveClick", &OptionsForm::chkAutoSaveClick)
        .Handler("chkSaveLogClick", &OptionsForm::chkSaveLogClick)
        .Handler("seAutoSaveExit", &OptionsForm::seAutoSaveExit)
        .Handler("edMaxSizeChange", &OptionsForm::edMaxSizeChange)
        .Handler("btnTaskListFileClick", &OptionsForm::btnTaskListFileClick)
        .Handler("btnLogFileClick", &OptionsForm::btnLogFileClick)
        .Handler("btnOKClick", &OptionsForm::btnOKClick)
        .Handler("btnHelpClick", &OptionsForm::btnHelpClick)
        .Build();
}

void OptionsForm::Load(const OptionsDraft& draft, const StringSource& texts, const std::string& settingsFile) {
    draft_ = draft;
    if (!settingsFile.empty()) {
        fsOptions->SetIniFileName(settingsFile);
        fsOptions->RestoreStoredProps();
    }
    recentLogFiles_ = RecentNames(cbLogFile->Items()->Lines());
    recentTaskFiles_ = RecentNames(cbTaskListFile->Items()->Lines());
    cbSchedule->Items()->SetLines(
        {texts.Text("strsOnce"), texts.Text("strsDaily"), texts.Text("strsWeekly"), texts.Text("strsMonthly")});
    cbTaskType->Items()->SetLines({texts.Text("strsDownload"), texts.Text("strsUpload")});
    ShowRecentNames();
    cbLogFile->SetText(draft.logFile);
    edMaxSize->SetText(draft.maxLogSizeKb);
    cbTaskListFile->SetText(draft.taskFile);
    chkCloseAsMinimize->SetChecked(draft.useCloseAsMinimize);
    chkSaveLog->SetChecked(draft.saveLog);
    chkRunAtStartup->SetChecked(draft.runAtStartup);
    chkAutoSave->SetChecked(draft.autoSave);
    seAutoSave->SetValue(draft.autoSaveMinutes);
    chkMakeBackup->SetChecked(draft.makeBackup);
    cbSchedule->SetItemIndex(draft.defaultSchedule);
    cbTaskType->SetItemIndex(draft.defaultTaskType);
    edUserName->SetText(draft.defaultUserName);
    edPassword->SetText(draft.defaultPassword);
    chkDeleteCompleted->SetChecked(draft.defaultDeleteCompleted);
    cbLanguage->SetItemIndex(draft.languageIndex);
    btnHelp->SetEnabled(static_cast<bool>(help));
    chkAutoSaveClick(*this);
    chkSaveLogClick(*this);
}

void OptionsForm::ShowRecentNames() {
    const std::string logFile = cbLogFile->Text(), taskFile = cbTaskListFile->Text();
    cbLogFile->Items()->SetLines(recentLogFiles_);
    cbTaskListFile->Items()->SetLines(recentTaskFiles_);
    cbLogFile->SetText(logFile);
    cbTaskListFile->SetText(taskFile);
}

void OptionsForm::FormCloseQuery(core::Component&, bool& canClose) {
    canClose = true;
    // The lists and the page are kept however the dialog closes (a browse updated the lists).
    if (!fsOptions->IniFileName().empty()) fsOptions->StorePlacement();
}

void OptionsForm::chkAutoSaveClick(core::Component&) {
    const bool on = chkAutoSave->Checked();
    seAutoSave->SetEnabled(on);
    lblMinutes->SetEnabled(on);
    chkMakeBackup->SetEnabled(on);
}

void OptionsForm::chkSaveLogClick(core::Component&) {
    const bool on = chkSaveLog->Checked();
    for (ui::Control* control : std::initializer_list<ui::Control*>{cbLogFile, btnLogFile, edMaxSize, lblMaxSize, lblKilobytes})
        control->SetEnabled(on);
}

void OptionsForm::seAutoSaveExit(core::Component&) {
    if (seAutoSave->Text().empty()) seAutoSave->SetValue(draft_.autoSaveMinutes);
}

void OptionsForm::edMaxSizeChange(core::Component&) {
    // Digits only.
    std::string text = edMaxSize->Text();
    const auto end = std::remove_if(text.begin(), text.end(), [](char c) { return c < '0' || c > '9'; });
    if (end != text.end()) {
        text.erase(end, text.end());
        edMaxSize->SetText(text);
    }
}

void OptionsForm::Browse(ui::ComboBox& field, std::vector<std::string>& recent, const char* filterId,
                         const char* extension) {
    dlgFile->filter = lcLang->TextById(filterId);
    dlgFile->filterIndex = 1;
    dlgFile->defaultExt = extension;
    dlgFile->fileName = field.Text();
    if (!dlgFile->Execute(Handle())) return;
    field.SetText(dlgFile->fileName);
    AddRecentName(recent, dlgFile->fileName);
    ShowRecentNames();
}

void OptionsForm::btnTaskListFileClick(core::Component&) { Browse(*cbTaskListFile, recentTaskFiles_, "IDS_1", "ltl"); }

void OptionsForm::btnLogFileClick(core::Component&) { Browse(*cbLogFile, recentLogFiles_, "IDS_3", "log"); }

void OptionsForm::btnHelpClick(core::Component&) {
    if (help) help();
}

void OptionsForm::ReadControls() {
    draft_.logFile = cbLogFile->Text();
    draft_.maxLogSizeKb = edMaxSize->Text();
    draft_.taskFile = cbTaskListFile->Text();
    draft_.useCloseAsMinimize = chkCloseAsMinimize->Checked();
    draft_.saveLog = chkSaveLog->Checked();
    draft_.runAtStartup = chkRunAtStartup->Checked();
    draft_.autoSave = chkAutoSave->Checked();
    draft_.makeBackup = chkMakeBackup->Checked();
    if (!seAutoSave->Text().empty()) draft_.autoSaveMinutes = seAutoSave->Value();
    draft_.defaultSchedule = std::max(0, cbSchedule->ItemIndex());
    draft_.defaultTaskType = std::max(0, cbTaskType->ItemIndex());
    draft_.defaultUserName = edUserName->Text();
    draft_.defaultPassword = edPassword->Text();
    draft_.defaultDeleteCompleted = chkDeleteCompleted->Checked();
    draft_.languageIndex = std::max(0, cbLanguage->ItemIndex());
}

void OptionsForm::btnOKClick(core::Component&) {
    ReadControls();
    if (const auto problem = CheckDraft(draft_)) {
        const std::string text =
            *problem == OptionsProblem::LogSizeTooLarge
                ? core::Format(lcLang->TextById("strLogSizeTooLarge"), {static_cast<int>(kMaxLogSizeKb)})
                : lcLang->TextById(*problem == OptionsProblem::PasswordNotStorable ? "strPasswordNotStorable"
                                                                                   : "strLogSizeNotANumber");
        localization::ShowTranslatedMessage(lcLang, text, localization::MsgDlgType::mtError,
                                            localization::ButtonSet(localization::MsgDlgBtn::mbOK));
        if (*problem == OptionsProblem::PasswordNotStorable) edPassword->SetFocus();
        else edMaxSize->SetFocus();
        return;
    }
    AddRecentName(recentLogFiles_, draft_.logFile);
    AddRecentName(recentTaskFiles_, draft_.taskFile);
    ShowRecentNames();
    SetModalResult(ui::ModalResult::Ok);
}

}  // namespace lark::scheduler
