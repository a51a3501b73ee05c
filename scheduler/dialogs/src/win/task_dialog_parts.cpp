#include "task_dialog_parts.h"

#include <cmath>

#include "core/errors.h"
#include "ui/date_time_picker.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/standard_controls.h"
#include "uicomponents/spin_edit.h"

namespace lark::scheduler {

template <class C>
C& ScheduleControls::Find(ui::Form& form, const char* name) {
    auto* control = dynamic_cast<C*>(form.FindComponent(name));
    if (!control) throw core::Error(form.Name() + ": the schedule control " + name + " is missing");
    return *control;
}

ScheduleControls::ScheduleControls(ui::Form& form)
    : kind_(&Find<ui::ComboBox>(form, "cbScheduleTask")),
      date_(&Find<ui::DateTimePicker>(form, "dtRunDate")),
      time_(&Find<ui::DateTimePicker>(form, "dtRunTime")),
      groups_{&Find<ui::GroupBox>(form, "grOnce"), &Find<ui::GroupBox>(form, "grDaily"),
              &Find<ui::GroupBox>(form, "grWeekly"), &Find<ui::GroupBox>(form, "grMonthly")},
      weekly_(groups_[2]),
      monthly_(groups_[3]),
      daily_(&Find<ui::SpinEdit>(form, "seDaily")),
      everyWeek_(&Find<ui::SpinEdit>(form, "seWeekly")),
      dayOfMonth_(&Find<ui::SpinEdit>(form, "seDayOfMonth")),
      deleteCompleted_(&Find<ui::CheckBox>(form, "chkDeleteCompleted")) {}

void ScheduleControls::FillKinds(const StringSource& texts) {
    const int index = kind_->ItemIndex();
    kind_->Items()->SetLines(
        {texts.Text("strsOnce"), texts.Text("strsDaily"), texts.Text("strsWeekly"), texts.Text("strsMonthly")});
    kind_->SetItemIndex(index);
}

std::uint32_t ScheduleControls::CheckedTags(const ui::GroupBox& group) {
    std::uint32_t bits = 0;
    for (ui::Control* control : group.Controls())
        if (auto* box = dynamic_cast<ui::CheckBox*>(control); box && box->Checked() && box->Tag() > 0 && box->Tag() < 32)
            bits |= 1u << box->Tag();
    return bits;
}

void ScheduleControls::CheckTags(ui::GroupBox& group, std::uint32_t bits) {
    for (ui::Control* control : group.Controls())
        if (auto* box = dynamic_cast<ui::CheckBox*>(control); box && box->Tag() > 0 && box->Tag() < 32)
            box->SetChecked(bits >> box->Tag() & 1u);
}

void ScheduleControls::Load(const ScheduleDraft& s) {
    kind_->SetItemIndex(s.kind ? static_cast<int>(*s.kind) : -1);
    if (s.startTime != 0) {
        date_->SetDateTime(s.startTime);
        time_->SetDateTime(s.startTime);
    }
    deleteCompleted_->SetChecked(s.deleteCompleted);
    daily_->SetValue(s.dayInterval);
    everyWeek_->SetValue(s.everyWeek);
    CheckTags(*weekly_, s.weekDays.ToBits());
    dayOfMonth_->SetValue(s.dayOfMonth);
    CheckTags(*monthly_, s.months.ToBits());
    KindChanged();
}

ScheduleDraft ScheduleControls::Read() const {
    ScheduleDraft s;
    const int index = kind_->ItemIndex();
    s.kind = index >= 0 && index <= static_cast<int>(TScheduleTask::stMonthly)
                 ? std::optional(static_cast<TScheduleTask>(index))
                 : std::nullopt;
    s.startTime = time_->GetDateTime();
    s.deleteCompleted = deleteCompleted_->Checked();
    s.dayInterval = daily_->Value();
    s.everyWeek = everyWeek_->Value();
    s.weekDays = TWeekDays::FromBits(CheckedTags(*weekly_));
    s.dayOfMonth = dayOfMonth_->Value();
    s.months = TMonths::FromBits(CheckedTags(*monthly_));
    return s;
}

void ScheduleControls::KindChanged() {
    const int index = kind_->ItemIndex();
    for (ui::GroupBox* group : groups_) group->SetVisible(group->Tag() == index || group->Tag() == -1);
}

void ScheduleControls::DateChanged() {
    const double time = time_->GetDateTime();
    time_->SetDateTime(std::floor(date_->GetDateTime()) + (time - std::floor(time)));
}

void ScheduleControls::TimeChanged() {
    const double date = date_->GetDateTime();
    const double time = time_->GetDateTime();
    date_->SetDateTime(std::floor(date) + (time - std::floor(time)));
}

void CheckContext(const TaskDialogContext& c) {
    if (!c.owner || !c.runner || !c.clock || !c.files || !c.texts)
        throw core::Error("task dialogs: the context lacks the owner, runner, clock, file system or texts");
}

std::optional<std::string> ChooseProfile(const TaskDialogContext& context) {
    try {
        return context.selectProfile ? context.selectProfile() : SelectProfileThrough(*context.runner);
    } catch (const std::exception&) {
        ui::Application::Instance().HandleException(std::current_exception());
        return std::nullopt;
    }
}

}  // namespace lark::scheduler
