#pragma once
// SpinEdit ("TSpinEdit"): an integer edit with an up-down button pair at its right edge.
// Contract:
// - Value always answers the clamped value of the text (MinValue..MaxValue; equal limits mean
//   none), so a dialog closed with Enter never passes an out-of-range number on. Setting Value
//   writes the clamped number.
// - Typing takes signs, digits and the decimal separator only (others beep); with
//   EditorEnabled false nothing can be typed, but the buttons and arrow keys still step.
// - The buttons and the up/down arrow keys step by Increment, saturating at the limits; a held
//   button repeats. A read-only spin edit beeps instead of stepping.
// - Leaving the field raises OnExit with the text as typed, then rewrites the text when it is
//   not an integer or is out of range.
// - The field leaves Enter, Esc and Tab to the dialog (no DLGC_WANTALLKEYS), so Enter presses the
//   default button and Tab moves on.
#include "ui/standard_controls.h"
#include "uicomponents/spin_value.h"

namespace lark::ui {

class SpinEdit : public Edit {
    LARK_PERSISTENT_CLASS(SpinEdit)
public:
    explicit SpinEdit(core::Component* owner = nullptr);

    int Value() const;
    void SetValue(int value);
    int MinValue() const { return limits_.minValue; }
    void SetMinValue(int value) { limits_.minValue = value; }
    int MaxValue() const { return limits_.maxValue; }
    void SetMaxValue(int value) { limits_.maxValue = value; }
    int Increment() const { return increment_; }
    void SetIncrement(int increment) { increment_ = increment; }
    bool EditorEnabled() const { return editorEnabled_; }
    void SetEditorEnabled(bool on) { editorEnabled_ = on; }
    void StepUp();
    void StepDown();
    // The up-down button pair (null until the window exists).
    HWND Buttons() const { return buttons_; }

    core::NotifyEvent OnExit;

protected:
    void FillCreateParams(CreateParams& params) override;
    void HandleCreated() override;
    LRESULT WndProc(UINT message, WPARAM w, LPARAM l) override;

private:
    void Step(int direction);
    void FitEditArea();
    SpinLimits limits_;
    int increment_ = 1;
    bool editorEnabled_ = true;
    HWND buttons_ = nullptr;
};

}  // namespace lark::ui
