#include "uicomponents/spin_edit.h"

#include "win/text.h"

namespace lark::ui {

namespace {
constexpr int kButtonWidth = 15;

char16_t DecimalSeparator() {
    wchar_t separator[4] = {};
    return GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 4) > 1 ? separator[0] : u'.';
}
}  // namespace

LARK_DEFINE_CLASS(SpinEdit) {
    using core::Value;
    return core::ClassBuilder<SpinEdit>("TSpinEdit", &Edit::StaticClass())
        .Prop("EditorEnabled", core::BooleanType(), &SpinEdit::EditorEnabled, &SpinEdit::SetEditorEnabled,
              Value(std::int64_t(1)))
        .Prop("Increment", core::IntegerType(), &SpinEdit::Increment, &SpinEdit::SetIncrement, Value(std::int64_t(1)))
        // Always stored, so the read order of the limits never matters.
        .Prop("MaxValue", core::IntegerType(), &SpinEdit::MaxValue, &SpinEdit::SetMaxValue)
        .Prop("MinValue", core::IntegerType(), &SpinEdit::MinValue, &SpinEdit::SetMinValue)
        .Prop("Value", core::IntegerType(), &SpinEdit::Value, &SpinEdit::SetValue)
        .Event("OnExit", &SpinEdit::OnExit)
        .Build();
}

SpinEdit::SpinEdit(core::Component* owner) : Edit(owner) { SetText("0"); }

int SpinEdit::Value() const { return SpinValueOfText(Text(), limits_); }

void SpinEdit::SetValue(int value) {
    // While a definition is read the limits may not have arrived yet: the text keeps the number
    // as written, and Value clamps it when asked.
    SetText(std::to_string(IsLoading() ? value : limits_.Clamp(value)));
}

void SpinEdit::StepUp() { Step(1); }
void SpinEdit::StepDown() { Step(-1); }

void SpinEdit::Step(int direction) {
    if (ReadOnly()) {
        MessageBeep(0);
        return;
    }
    SetText(std::to_string(StepSpinValue(Value(), static_cast<std::int64_t>(increment_) * direction, limits_)));
    if (HandleAllocated()) SendMessageW(handle_, EM_SETSEL, 0, -1);
}

void SpinEdit::FillCreateParams(CreateParams& params) {
    Edit::FillCreateParams(params);
    // A multi-line edit, so its formatting rectangle can leave room for the buttons.
    params.style |= ES_MULTILINE | WS_CLIPCHILDREN;
}

void SpinEdit::HandleCreated() {
    Edit::HandleCreated();
    RECT client{};
    GetClientRect(handle_, &client);
    buttons_ = CreateWindowExW(0, UPDOWN_CLASSW, L"", WS_CHILD | WS_VISIBLE, client.right - kButtonWidth, 0,
                               kButtonWidth, client.bottom, handle_, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!buttons_) throw core::Error(NamePath() + ": cannot create the spin buttons");
    SendMessageW(buttons_, UDM_SETRANGE32, static_cast<WPARAM>(-0x7FFFFFFF), 0x7FFFFFFF);
    FitEditArea();
}

void SpinEdit::FitEditArea() {
    RECT client{};
    GetClientRect(handle_, &client);
    if (buttons_) MoveWindow(buttons_, client.right - kButtonWidth, 0, kButtonWidth, client.bottom, TRUE);
    RECT area{0, 0, client.right - kButtonWidth - 2, client.bottom + 1};
    SendMessageW(handle_, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&area));
}

LRESULT SpinEdit::WndProc(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_NOTIFY: {
        // The buttons are this window's child: their steps arrive here, and the spin edit does
        // the arithmetic itself (saturating, clamped) instead of the control's.
        auto* header = reinterpret_cast<NMHDR*>(l);
        if (header->hwndFrom == buttons_ && header->code == UDN_DELTAPOS) {
            const auto& delta = *reinterpret_cast<NMUPDOWN*>(l);
            Step(delta.iDelta > 0 ? 1 : -1);
            return TRUE;  // the control keeps its own position unchanged
        }
        break;
    }
    case WM_VSCROLL:
        if (reinterpret_cast<HWND>(l) == buttons_) return 0;
        break;
    case WM_GETDLGCODE:
        // A multi-line edit would take Enter, Esc and Tab from the dialog.
        return Default(message, w, l) & ~(DLGC_WANTALLKEYS | DLGC_WANTMESSAGE | DLGC_WANTTAB);
    case WM_KEYDOWN:
        if (w == VK_UP) StepUp();
        if (w == VK_DOWN) StepDown();
        if (w == VK_UP || w == VK_DOWN) return 0;
        break;
    case WM_CHAR:
        if (!AcceptsSpinChar(static_cast<char16_t>(w), DecimalSeparator(), editorEnabled_)) {
            MessageBeep(0);
            return 0;
        }
        break;
    case WM_PASTE:
    case WM_CUT:
        if (!editorEnabled_ || ReadOnly()) return 0;
        break;
    case WM_SIZE: {
        LRESULT result = Edit::WndProc(message, w, l);
        FitEditArea();
        return result;
    }
    case WM_KILLFOCUS: {
        LRESULT result = Edit::WndProc(message, w, l);
        OnExit(*this);
        const std::string text = Text();
        if (SpinTextNeedsRewrite(text, limits_)) SetValue(Value());
        return result;
    }
    case WM_NCDESTROY:
        buttons_ = nullptr;
        break;
    }
    return Edit::WndProc(message, w, l);
}

}  // namespace lark::ui
