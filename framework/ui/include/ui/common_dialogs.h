#pragma once
// The system's open, save and folder dialogs as components. Title is published (so it is
// translated like any text); OnDialogShow gets the dialog window once it is up, so the texts of
// its labels can be translated (CDM_SETCONTROLTEXT).
#include "ui/win32.h"

#include <string>
#include <vector>

#include "core/component.h"
#include "core/event.h"

// The dialog's window, once it is up.
LARK_EVENT_TYPE("TDialogShowEvent", ::lark::core::Component&, HWND)

namespace lark::ui {

class FileDialog : public core::Component {
    LARK_PERSISTENT_CLASS(FileDialog)
public:
    enum Option : unsigned {
        OverwritePrompt = 1, HideReadOnly = 2, AllowMultiSelect = 4, PathMustExist = 8, FileMustExist = 16,
        NoChangeDir = 32,
    };
    explicit FileDialog(core::Component* owner = nullptr) : core::Component(owner) {}
    // Published: DefaultExt, FileName, Filter ("Text files|*.txt|All files|*.*"), FilterIndex
    // (1-based), InitialDir, Options, Title.
    std::string defaultExt, fileName, filter, initialDir, title;
    int filterIndex = 1;
    unsigned options = HideReadOnly;
    // Every chosen file (several with AllowMultiSelect).
    std::vector<std::string> files;

    // Shows the dialog owned by `owner` (default: the active window); false when cancelled.
    bool Execute(HWND owner = nullptr);
    core::Event<core::Component&, HWND> OnDialogShow;

protected:
    virtual bool Save() const = 0;
    // The dialog window is up and about to be shown; raises OnDialogShow. A derived dialog
    // changes the window here first (its labels' texts, say).
    virtual void DialogShow(HWND dialog) { OnDialogShow(*this, dialog); }

private:
    static UINT_PTR CALLBACK Hook(HWND, UINT, WPARAM, LPARAM);
};

class OpenDialog : public FileDialog {
    LARK_PERSISTENT_CLASS(OpenDialog)
public:
    explicit OpenDialog(core::Component* owner = nullptr) : FileDialog(owner) {}

protected:
    bool Save() const override { return false; }
};

class SaveDialog : public FileDialog {
    LARK_PERSISTENT_CLASS(SaveDialog)
public:
    explicit SaveDialog(core::Component* owner = nullptr) : FileDialog(owner) {}

protected:
    bool Save() const override { return true; }
};

class FolderDialog : public core::Component {
    LARK_PERSISTENT_CLASS(FolderDialog)
public:
    explicit FolderDialog(core::Component* owner = nullptr) : core::Component(owner) {}
    // Published: Title, Folder (the start folder, then the chosen one).
    std::string title, folder;
    bool Execute(HWND owner = nullptr);
    core::Event<core::Component&, HWND> OnDialogShow;

private:
    static int CALLBACK Callback(HWND, UINT, LPARAM, LPARAM);
};

}  // namespace lark::ui
