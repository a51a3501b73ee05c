#include "scheduler_dialogs/task_properties.h"

#include <shellapi.h>

#include "core/errors.h"
#include "localization/lang_component.h"
#include "task_dialog_parts.h"
#include "scheduler_dialogs/main_window.h"
#include "storage/form_placement.h"
#include "ui/application.h"
#include "ui/date_time_picker.h"
#include "ui/image.h"
#include "ui/standard_controls.h"
#include "ui/timer.h"
#include "uicomponents/spin_edit.h"
#include "win/text.h"

namespace lark::scheduler {

namespace {

constexpr int kIconSize = 16;

// The shell's small icon for a path; by name alone (a folder for a trailing delimiter) when the
// shell has none of its own for it (index 0) or `byName` is set.
HICON ShellIcon(const std::string& path, bool byName) {
    const std::wstring wide = win::Widen(path);
    SHFILEINFOW info{};
    if (!byName && SHGetFileInfoW(wide.c_str(), 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON | SHGFI_SYSICONINDEX)) {
        if (info.iIcon != 0) return info.hIcon;
        if (info.hIcon) DestroyIcon(info.hIcon);
    }
    const bool folder = !path.empty() && (path.back() == '\\' || path.back() == '/');
    info = {};
    SHGetFileInfoW(wide.c_str(), folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                   SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES);
    return info.hIcon;
}

// The icon drawn on the button face, as the bitmap an image shows.
HBITMAP IconBitmap(HICON icon) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kIconSize, kIconSize);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, kIconSize, kIconSize};
    FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
    if (icon) DrawIconEx(dc, 0, 0, icon, kIconSize, kIconSize, 0, nullptr, DI_NORMAL);
    SelectObject(dc, old);
    DeleteDC(dc);
    return bitmap;
}

void ShowIcon(ui::Image& image, const std::string& path, bool byName) {
    HICON icon = ShellIcon(path, byName);
    image.SetBitmap(IconBitmap(icon));
    if (icon) DestroyIcon(icon);
}

}  // namespace

LARK_DEFINE_CLASS(PropertiesForm) {
    return core::ClassBuilder<PropertiesForm>("TPropertiesForm", &ui::Form::StaticClass())
        .Binds("edLocalName", &PropertiesForm::edLocalName)
        .Binds("edRemoteName", &PropertiesForm::edRemoteName)
        .Binds("edProfile", &PropertiesForm::edProfile)
        .Binds("imgLocalName", &PropertiesForm::imgLocalName)
        .Binds("imgRemoteName", &PropertiesForm::imgRemoteName)
        .Binds("rgpTaskType", &PropertiesForm::rgpTaskType)
        .Binds("cbStatus", &PropertiesForm::cbStatus)
        .Binds("memComments", &PropertiesForm::memComments)
        .Binds("memLastResult", &PropertiesForm::memLastResult)
        .Binds("lblNextTime", &PropertiesForm::lblNextTime)
        .Binds("btnHelp", &PropertiesForm::btnHelp)
        .Binds("tmPreview", &PropertiesForm::tmPreview)
        .Binds("lcLang", &PropertiesForm::lcLang)
        .Handler("FormShow", &PropertiesForm::FormShow)
        .Handler("cbScheduleTaskChange", &PropertiesForm::cbScheduleTaskChange)
        .Handler("dtRunDateChange", &PropertiesForm::dtRunDateChange)
        .Handler("dtRunTimeChange", &PropertiesForm::dtRunTimeChange)
        .Handler("btnSelectProfileClick", &PropertiesForm::btnSelectProfileClick)
        .Handler("btnOKClick", &PropertiesForm::btnOKClick)
        .Handler("btnHelpClick", &PropertiesForm::btnHelpClick)
        .Handler("tmPreviewTimer", &PropertiesForm::tmPreviewTimer)
        .Build();
}

PropertiesForm::PropertiesForm(core::Component* owner) : ui::Form(owner) {}

PropertiesForm::~PropertiesForm() = default;

void PropertiesForm::Load(std::span<TLarkFTPTask* const> tasks, const TaskDialogContext& context) {
    CheckContext(context);
    if (tasks.empty()) throw core::Error("task properties: no task to edit");
    context_ = context;
    schedule_ = std::make_unique<ScheduleControls>(*this);
    schedule_->FillKinds(*context.texts);
    const StringSource& texts = *context.texts;
    cbStatus->Items()->SetLines({texts.Text("strsPending"), texts.Text("strsCompleted"), texts.Text("strsDisabled")});

    loaded_ = LoadTaskDraft(tasks);
    edLocalName->SetText(loaded_.localName);
    edRemoteName->SetText(loaded_.remoteName);
    edLocalName->SetReadOnly(!loaded_.namesEditable);
    edRemoteName->SetReadOnly(!loaded_.namesEditable);
    edProfile->SetText(loaded_.profile);
    memComments->SetText(loaded_.comments);
    memLastResult->SetText(loaded_.lastResult);
    rgpTaskType->SetItemIndex(static_cast<int>(loaded_.taskType));
    cbStatus->SetItemIndex(loaded_.status ? static_cast<int>(*loaded_.status) : -1);
    schedule_->Load(loaded_.schedule);
    edited_ = loaded_;
    btnHelp->SetEnabled(static_cast<bool>(context.help));
    ShowIcons();
}

void PropertiesForm::ShowIcons() {
    ShowIcon(*imgLocalName, loaded_.localName, !loaded_.namesEditable);
    ShowIcon(*imgRemoteName, loaded_.remoteName, true);
}

TaskDraft PropertiesForm::ReadControls() const {
    TaskDraft d = loaded_;
    d.localName = edLocalName->Text();
    d.remoteName = edRemoteName->Text();
    d.profile = edProfile->Text();
    d.comments = memComments->Text();
    if (rgpTaskType->ItemIndex() >= 0) d.taskType = static_cast<TTaskType>(rgpTaskType->ItemIndex());
    const int status = cbStatus->ItemIndex();
    d.status = status >= 0 && status <= static_cast<int>(TTaskStatus::tsDisabled)
                   ? std::optional(static_cast<TTaskStatus>(status))
                   : std::nullopt;
    d.schedule = schedule_->Read();
    return d;
}

void PropertiesForm::UpdatePreview() {
    const ScheduleDraft schedule = schedule_->Read();
    const TTaskType type = rgpTaskType->ItemIndex() == 1 ? TTaskType::ttPut : TTaskType::ttGet;
    lblNextTime->SetText(PreviewText(PreviewNextRun(schedule, type, *context_.clock), lcLang->TextById("IDS_3"),
                                        lcLang->TextById("IDS_6")));
}

void PropertiesForm::FormShow(core::Component&) {
    UpdatePreview();
    tmPreview->SetEnabled(true);
    // It may be opened on behalf of another program: to the front and the top.
    SetForegroundWindow(Handle());
    BringWindowToTop(Handle());
}

void PropertiesForm::tmPreviewTimer(core::Component&) { UpdatePreview(); }

void PropertiesForm::cbScheduleTaskChange(core::Component&) {
    schedule_->KindChanged();
    UpdatePreview();
}

void PropertiesForm::dtRunDateChange(core::Component&) { schedule_->DateChanged(); }

void PropertiesForm::dtRunTimeChange(core::Component&) { schedule_->TimeChanged(); }

void PropertiesForm::btnSelectProfileClick(core::Component&) {
    if (const std::optional<std::string> profile = ChooseProfile(context_)) edProfile->SetText(*profile);
}

void PropertiesForm::btnOKClick(core::Component&) {
    edited_ = ReadControls();
    SetModalResult(ui::ModalResult::Ok);
}

void PropertiesForm::btnHelpClick(core::Component&) {
    if (context_.help) context_.help();
}

bool ShowTaskProperties(const std::vector<TLarkFTPTask*>& tasks, const TaskDialogContext& context) {
    CheckContext(context);
    if (tasks.empty()) return false;
    // From before the dialog exists until it is gone, no tick runs or frees a task it edits.
    TaskRunner::Suspension hold(*context.runner);
    RegisterSchedulerWindowClasses();
    auto form = ui::Form::Make<PropertiesForm>(context.owner);
    form->Load(tasks, context);
    if (form->ShowModal() != ui::ModalResult::Ok) return false;
    StoreTaskDraft(form->Edited(), tasks);
    return true;
}

}  // namespace lark::scheduler
