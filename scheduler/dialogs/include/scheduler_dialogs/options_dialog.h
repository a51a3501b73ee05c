#pragma once
// The options dialog ("TOptionsForm"): three pages (General, Logging, Default) over an
// OptionsDraft. Load puts the draft's values into the controls; OK reads them back, checks the
// draft (a bad log size is told in a box and the dialog stays open) and ends with ModalResult
// Ok; the caller applies the draft. The recent-name lists of the two file fields and the page
// last shown are kept in the settings file (section "OptionsForm"), read by Load and written
// whenever the dialog closes.
#include "ui/win32.h"

#include <functional>
#include <string>
#include <vector>

#include "scheduler/options_draft.h"
#include "scheduler/strings.h"
#include "ui/form.h"

namespace lark::localization {
class TlcLangLinked;
}
namespace lark::storage {
class TFormStorage;
}
namespace lark::ui {
class Button;
class CheckBox;
class ComboBox;
class Edit;
class Label;
class OpenDialog;
class SpinEdit;
}  // namespace lark::ui

namespace lark::scheduler {

class OptionsForm : public ui::Form {
    LARK_PERSISTENT_CLASS(OptionsForm)
public:
    explicit OptionsForm(core::Component* owner = nullptr) : ui::Form(owner) {}

    // `texts` gives the schedule and task type names (the main window's table); the recent
    // lists and the page come from `settingsFile` (none when it is empty).
    void Load(const OptionsDraft& draft, const StringSource& texts, const std::string& settingsFile);
    const OptionsDraft& Draft() const { return draft_; }
    const std::vector<std::string>& RecentLogFiles() const { return recentLogFiles_; }
    const std::vector<std::string>& RecentTaskFiles() const { return recentTaskFiles_; }
    localization::TlcLangLinked* Lang() const { return lcLang; }
    // Help for the dialog; the Help button is enabled only while it is set.
    std::function<void()> help;

private:
    ui::CheckBox *chkCloseAsMinimize = nullptr, *chkRunAtStartup = nullptr, *chkAutoSave = nullptr,
                 *chkMakeBackup = nullptr, *chkSaveLog = nullptr, *chkDeleteCompleted = nullptr;
    ui::SpinEdit* seAutoSave = nullptr;
    ui::Label *lblMinutes = nullptr, *lblMaxSize = nullptr, *lblKilobytes = nullptr;
    ui::ComboBox *cbTaskListFile = nullptr, *cbLanguage = nullptr, *cbLogFile = nullptr, *cbSchedule = nullptr,
                 *cbTaskType = nullptr;
    ui::Button *btnTaskListFile = nullptr, *btnLogFile = nullptr, *btnHelp = nullptr;
    ui::Edit *edMaxSize = nullptr, *edUserName = nullptr, *edPassword = nullptr;
    ui::OpenDialog* dlgFile = nullptr;
    localization::TlcLangLinked* lcLang = nullptr;
    lark::storage::TFormStorage* fsOptions = nullptr;

    void FormCloseQuery(core::Component&, bool& canClose);
    void chkAutoSaveClick(core::Component&);
    void chkSaveLogClick(core::Component&);
    void seAutoSaveExit(core::Component&);
    void edMaxSizeChange(core::Component&);
    void btnTaskListFileClick(core::Component&);
    void btnLogFileClick(core::Component&);
    void btnOKClick(core::Component&);
    void btnHelpClick(core::Component&);
    void ReadControls();
    // The recent lists into the fields' drop-down lists (their texts stay).
    void ShowRecentNames();
    void Browse(ui::ComboBox& field, std::vector<std::string>& recent, const char* filterId, const char* extension);

    OptionsDraft draft_;
    std::vector<std::string> recentLogFiles_, recentTaskFiles_;
};

}  // namespace lark::scheduler
