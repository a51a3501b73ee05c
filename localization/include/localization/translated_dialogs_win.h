#pragma once
// The system's open, save and folder dialogs in the program's language. Contract:
// - lcLang names a translation component, usually on another window. Setting it turns on that
//   component's NeedAllDlgs (so its DlgsCaptions holds the dialogs' control captions) and links
//   the two by removal notices: freeing either first leaves no dangling reference, and the
//   dialog then works untranslated. A secondary window's component is a linked one, whose
//   DlgsCaptions are its container's.
// - When the dialog is up, the texts of its labels and buttons become the active language's
//   DlgsCaptions lines ("Look in:", "File name:", ...; an empty or missing line leaves the
//   system's own text), its controls get the font of the component's form, then OnDialogShow
//   runs.
// - TlcBrowseForFolder keeps its start folder as an item identifier list (none when the text
//   does not parse) and shows the system's folder browser with its own caption, title, flags
//   and root, its OK and Cancel buttons captioned from lcLang.
#include "ui/win32.h"

#include <shlobj.h>

#include <string>

#include "core/component.h"
#include "core/event.h"
#include "localization/lang_component.h"
#include "ui/common_dialogs.h"

LARK_EVENT_TYPE("TBFFolderEvent", ::lark::core::Component&, const std::string&)
LARK_EVENT_TYPE("TBFValidateFailedEvent", ::lark::core::Component&, const std::string&, bool&)

namespace lark::localization {

// Puts the active language of lang into an Explorer-style file dialog window (the dialog
// itself, not its hook's child); nothing when lang is none.
void TranslateFileDialog(TlcCustomLang* lang, HWND dialog, bool save);

// Links a dialog to the translation component it follows (see the contract above).
void LinkDialogLang(core::Component& dialog, TlcCustomLang*& field, TlcCustomLang* lang);

// An open or save dialog that translates its window before OnDialogShow runs.
template <class Base, bool kSave>
class TranslatedFileDialog : public Base {
public:
    explicit TranslatedFileDialog(core::Component* owner) : Base(owner) {}
    TlcCustomLang* lcLang() const { return lang_; }
    void SetLcLang(TlcCustomLang* lang) { LinkDialogLang(*this, lang_, lang); }
    void Notification(core::Component* component, core::Operation operation) override {
        Base::Notification(component, operation);
        if (operation == core::Operation::Remove && component == lang_) lang_ = nullptr;
    }

protected:
    void DialogShow(HWND dialog) override {
        TranslateFileDialog(lang_, dialog, kSave);
        Base::DialogShow(dialog);
    }

private:
    TlcCustomLang* lang_ = nullptr;
};

class TlcOpenDialog : public TranslatedFileDialog<ui::OpenDialog, false> {
    LARK_PERSISTENT_CLASS(TlcOpenDialog)
public:
    explicit TlcOpenDialog(core::Component* owner = nullptr) : TranslatedFileDialog(owner) {}
};

class TlcSaveDialog : public TranslatedFileDialog<ui::SaveDialog, true> {
    LARK_PERSISTENT_CLASS(TlcSaveDialog)
public:
    explicit TlcSaveDialog(core::Component* owner = nullptr) : TranslatedFileDialog(owner) {}
};

enum class TBIFlag {
    BrowseForComputer, BrowseForPrinter, BrowseIncludeFiles, BrowseIncludeURLs, DontGoBelowDomain, EditBox,
    NewDialogStyle, ReturnFSAncestors, ReturnOnlyFSDirs, Shareable, StatusText, Validate
};

class TlcBrowseForFolder : public core::Component {
    LARK_PERSISTENT_CLASS(TlcBrowseForFolder)
public:
    explicit TlcBrowseForFolder(core::Component* owner = nullptr);
    ~TlcBrowseForFolder() override;

    bool CanCreateSpecialFolder = false;
    std::string DialogCaption;
    std::string Title;
    unsigned Flags;      // bits of TBIFlag
    int RootFolder;      // index into the TCSIDL names ("csDesktop" by default)
    const std::string& SelectedDir() const { return selectedDir_; }
    // Parses the folder through the desktop folder; a text that does not parse leaves no list.
    void SetSelectedDir(const std::string& dir);
    PCIDLIST_ABSOLUTE SelectedList() const { return selected_; }
    TlcCustomLang* lcLang() const { return lang_; }
    void SetLcLang(TlcCustomLang* lang);

    // Shows the browser owned by `owner`; false when cancelled. The chosen folder becomes
    // SelectedDir.
    bool Execute(HWND owner = nullptr);

    core::NotifyEvent OnShow;
    core::Event<core::Component&, const std::string&> OnSelectionChanged;
    core::Event<core::Component&, const std::string&, bool&> OnValidateFailed;

    void Notification(core::Component* component, core::Operation operation) override;

private:
    static int CALLBACK Callback(HWND, UINT, LPARAM, LPARAM);
    std::string selectedDir_;
    PIDLIST_ABSOLUTE selected_ = nullptr;
    TlcCustomLang* lang_ = nullptr;
};

}  // namespace lark::localization
