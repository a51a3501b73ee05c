#pragma once
// What the properties dialog and the wizard share.
//
// The schedule controls the properties dialog's page "Schedule" and the wizard's last page
// share, found by name on their form: the kind list cbScheduleTask, the pickers dtRunDate and
// dtRunTime (the time picker holds the full start that is stored), the group boxes grOnce,
// grDaily, grWeekly, grMonthly (each shown while its Tag is the kind's index, or is -1), the
// spin edits seDaily, seWeekly, seDayOfMonth, chkDeleteCompleted, and check boxes whose Tags
// are the week days (1..7, in grWeekly) and months (1..12, in grMonthly).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "scheduler/strings.h"
#include "scheduler/task_draft.h"
#include "scheduler_dialogs/task_properties.h"

namespace lark::ui {
class CheckBox;
class ComboBox;
class Control;
class DateTimePicker;
class Form;
class GroupBox;
class SpinEdit;
}  // namespace lark::ui

namespace lark::scheduler {

class ScheduleControls {
public:
    // Raises core::Error naming the form and the control when one is missing.
    explicit ScheduleControls(ui::Form& form);

    // The four kind names ("strsOnce" .. "strsMonthly").
    void FillKinds(const StringSource& texts);
    void Load(const ScheduleDraft& schedule);
    ScheduleDraft Read() const;

    // Handlers the forms forward to.
    void KindChanged();  // shows the kind's group box
    void DateChanged();  // the date goes into the time picker
    void TimeChanged();  // the time goes into the date picker

private:
    template <class C>
    C& Find(ui::Form& form, const char* name);
    // Bit n set for each checked box of the group whose Tag is n; and the reverse.
    static std::uint32_t CheckedTags(const ui::GroupBox& group);
    static void CheckTags(ui::GroupBox& group, std::uint32_t bits);

    ui::ComboBox* kind_;
    ui::DateTimePicker *date_, *time_;
    std::vector<ui::GroupBox*> groups_;
    ui::GroupBox *weekly_, *monthly_;
    ui::SpinEdit *daily_, *everyWeek_, *dayOfMonth_;
    ui::CheckBox* deleteCompleted_;
};

// Raises core::Error unless the context has the owner, runner, clock, file system and texts.
void CheckContext(const TaskDialogContext& context);

// "Select/Edit": the profile the main client's chooser gives (context.selectProfile, else the
// runner's automation object), or none when nothing was chosen. A main client that cannot be
// reached is told in the application's error box and gives none.
std::optional<std::string> ChooseProfile(const TaskDialogContext& context);

}  // namespace lark::scheduler
