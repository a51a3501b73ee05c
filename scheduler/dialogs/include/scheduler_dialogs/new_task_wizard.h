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
#include "scheduler/task.h"
#include "scheduler_dialogs/task_properties.h"

namespace lark::scheduler {

bool RunNewTaskWizard(TLarkFTPTask& task, const TaskDialogContext& context);

}  // namespace lark::scheduler
