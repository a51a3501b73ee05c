#pragma once
// Drives a form as a user would, from the test's own thread: controls are found by component
// name; keys are posted to the focus and pumped through the same loop the program uses (dialog
// manager, shortcuts); RunModal runs a script inside ShowModal's own loop (no threads).
// Screenshots are PNG files in the test program's artifact folder in the build tree
// (bin/artifacts/<program>/), for people to look at, never compared.
#include "ui/win32.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/form.h"

namespace lark::testing {

enum Keys : unsigned { kNoKeys = 0, kShift = 1, kCtrl = 2, kAlt = 4 };

class FormDriver {
public:
    explicit FormDriver(ui::Form& form) : form_(form) {}

    ui::Control& Control(std::string_view component);
    HWND Window(std::string_view component);
    std::string Text(std::string_view component);
    // Replaces the text as a user edit does (WM_SETTEXT, which reports EN_CHANGE).
    void Type(std::string_view component, std::string_view text);
    void Click(std::string_view component);
    // A left mouse click inside the control (links and pictures, which have no BM_CLICK).
    void MouseClick(std::string_view component);
    // Posts the key (with the modifiers held) to the focus and pumps. A letter with kAlt is a
    // mnemonic.
    void Key(UINT virtualKey, unsigned modifiers = kNoKeys);
    // Component name of the control with the focus (empty when none of the form's).
    std::string Focused();
    std::string Cell(std::string_view listView, int row, int column);
    void Pump();
    // Runs the script inside form.ShowModal()'s own loop. A script that leaves the form open
    // (and posted no WM_QUIT) ends it with Abort; a failure in the script is raised again after
    // the loop.
    ui::ModalResult RunModal(const std::function<void(FormDriver&)>& script);
    // The form's window as the screen shows it, as a PNG; the path written.
    std::wstring Screenshot(const std::string& name);

private:
    ui::Form& form_;
};

// Folder for the test program's pictures and other artifacts (made on first use).
std::wstring ArtifactFolder();
// Any top-level window (a system dialog, say) as the screen shows it, as a PNG in the artifact
// folder; the path written.
std::wstring ScreenshotOf(HWND window, const std::string& name);
// The window (of any process) as the screen shows it, brought to the top, as a PNG at `path`.
void CaptureWindow(HWND window, const std::wstring& path);
// Writes 32-bit BGRA pixels (top-down rows) as an 8-bit RGB PNG.
void WritePng(const std::wstring& path, int width, int height, const std::vector<std::uint32_t>& bgra);

// Captions wider than their control (measured with the control's font), as
// "component: "text" needs N px, has M px"; `margin` pixels of slack are allowed.
std::vector<std::string> OverflowingTexts(ui::Form& form, int margin = 2);

}  // namespace lark::testing
