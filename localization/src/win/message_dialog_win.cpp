#include "localization/message_dialog_win.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "core/text_encoding.h"
#include "localization/dialog_captions.h"
#include "ui/application.h"
#include "ui/image.h"

namespace lark::localization {

static_assert(static_cast<int>(ui::ModalResult::YesToAll) == static_cast<int>(ModalResult::mrYesToAll) &&
              static_cast<int>(ui::ModalResult::Cancel) == static_cast<int>(ModalResult::mrCancel));

LARK_DEFINE_CLASS(TMessageForm) {
    return core::ClassBuilder<TMessageForm>("TMessageForm", &ui::Form::StaticClass()).Build();
}

std::function<void(const std::string&, int)>& TMessageForm::HelpHandler() {
    static std::function<void(const std::string&, int)> handler;
    return handler;
}

void TMessageForm::HelpButtonClick(core::Component&) {
    if (HelpHandler()) HelpHandler()(HelpFile, HelpContext());
}

namespace {

struct ButtonKind {
    std::string_view name;      // component name; its caption identifier has spaces for "_"
    ui::ModalResult result;
};

// In bit order of MsgDlgBtn.
constexpr std::array<ButtonKind, 11> kButtons = {{
    {"Yes", ui::ModalResult::Yes},          {"No", ui::ModalResult::No},
    {"OK", ui::ModalResult::Ok},            {"Cancel", ui::ModalResult::Cancel},
    {"Abort", ui::ModalResult::Abort},      {"Retry", ui::ModalResult::Retry},
    {"Ignore", ui::ModalResult::Ignore},    {"All", ui::ModalResult::All},
    {"No_To_All", ui::ModalResult::NoToAll}, {"Yes_To_All", ui::ModalResult::YesToAll},
    {"Help", ui::ModalResult::None},
}};

// Window caption identifier and system icon per dialog type (custom: neither).
struct TypeKind {
    std::string_view caption;
    WORD icon;  // IDI_WARNING, IDI_HAND, IDI_ASTERISK, IDI_QUESTION; 0: none
};
constexpr std::array<TypeKind, 5> kTypes = {{
    {"Warning", 32515}, {"Error", 32513}, {"Information", 32516}, {"Confirm", 32514}, {{}, 0},
}};

bool Has(MsgDlgButtons set, MsgDlgBtn b) { return (set & ButtonSet(b)) != 0; }

std::string CaptionId(std::string_view name) {
    std::string id(name);
    std::replace(id.begin(), id.end(), '_', ' ');
    return id;
}

// The caption of a DlgsCaptions identifier in the active language (language 1 where empty).
std::string DialogCaption(TlcCustomLang* lang, const std::string& id) {
    if (lang) return lang->LookupText(TStringsType::stDlgsCaptions, id, true);
    for (std::string_view caption : DefaultDialogCaptions())
        if (DialogCaptionIdentifier(caption) == id) return std::string(caption);
    return {};
}

// a * b / c rounded to nearest, as MulDiv.
int Mul(int a, int b, int c) { return MulDiv(a, b, c); }

std::wstring Wide(const std::string& text) {
    const std::u16string w = core::Utf8ToUtf16(text);
    return std::wstring(w.begin(), w.end());
}

// Measures with the font on the screen's DC.
class Measure {
public:
    explicit Measure(HFONT font) : dc_(GetDC(nullptr)), old_(SelectObject(dc_, font)) {}
    ~Measure() {
        SelectObject(dc_, old_);
        ReleaseDC(nullptr, dc_);
    }
    Measure(const Measure&) = delete;
    Measure& operator=(const Measure&) = delete;
    SIZE Letters() const {
        static const wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        SIZE size{};
        GetTextExtentPoint32W(dc_, kLetters, 52, &size);
        return size;
    }
    RECT Text(const std::wstring& text, RECT r, UINT flags) const {
        DrawTextW(dc_, text.c_str(), static_cast<int>(text.size()), &r, flags | DT_CALCRECT);
        return r;
    }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// The system icon drawn on the dialog face, as the image control's bitmap.
HBITMAP IconBitmap(WORD id) {
    HICON icon = LoadIconW(nullptr, MAKEINTRESOURCEW(id));
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 32, 32);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, 32, 32};
    FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
    if (icon) DrawIconEx(dc, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

}  // namespace

std::unique_ptr<TMessageForm> BuildTranslatedMessageForm(TlcCustomLang* lang, const std::string& text,
                                                         MsgDlgType type, MsgDlgButtons buttons,
                                                         const std::string& caption) {
    auto form = std::make_unique<TMessageForm>();
    form->SetBorderStyle(ui::BorderStyle::Dialog);
    if (auto* ownerForm = lang ? dynamic_cast<ui::Form*>(lang->Owner()) : nullptr)
        form->GetFont()->Assign(*ownerForm->GetFont());

    Measure measure(form->GetFont()->Handle());
    const SIZE letters = measure.Letters();
    const int ux = letters.cx / 52, uy = letters.cy;
    const int hMargin = Mul(8, ux, 4), vMargin = Mul(8, uy, 8);
    const int hSpacing = Mul(10, ux, 4), vSpacing = Mul(10, uy, 8);
    const int buttonHeight = Mul(14, uy, 8), buttonSpacing = Mul(4, ux, 4);

    int buttonWidth = Mul(50, ux, 4);
    int buttonCount = 0;
    std::array<std::string, kButtons.size()> captions;
    for (std::size_t i = 0; i < kButtons.size(); ++i) {
        if (!Has(buttons, static_cast<MsgDlgBtn>(i))) continue;
        ++buttonCount;
        captions[i] = DialogCaption(lang, CaptionId(kButtons[i].name));
        const RECT r = measure.Text(Wide(captions[i]), RECT{}, DT_LEFT | DT_SINGLELINE);
        buttonWidth = std::max<int>(buttonWidth, r.right - r.left + 8);
    }

    const std::wstring wideText = Wide(text);
    const RECT textRect =
        measure.Text(wideText, RECT{0, 0, GetSystemMetrics(SM_CXSCREEN) / 2, 0}, DT_EXPANDTABS | DT_WORDBREAK);
    const TypeKind& kind = kTypes.at(static_cast<std::size_t>(type));
    int iconTextWidth = textRect.right, iconTextHeight = textRect.bottom;
    if (kind.icon) {
        iconTextWidth += hSpacing + 32;
        iconTextHeight = std::max(iconTextHeight, 32);
    }
    const int groupWidth = buttonCount ? buttonCount * buttonWidth + (buttonCount - 1) * buttonSpacing : 0;
    const int clientWidth = std::max(iconTextWidth, groupWidth) + 2 * hMargin;
    const int clientHeight = iconTextHeight + buttonHeight + vSpacing + 2 * vMargin;
    form->SetClientWidth(clientWidth);
    form->SetClientHeight(clientHeight);

    if (!caption.empty()) form->SetCaption(caption);
    else if (kind.icon) form->SetCaption(DialogCaption(lang, std::string(kind.caption)));
    else form->SetCaption(ui::Application::Instance().Title());

    if (kind.icon) {
        auto* image = form->Create<ui::Image>();
        image->SetName("Image");
        image->SetBounds(hMargin, vMargin, 32, 32);
        image->SetBitmap(IconBitmap(kind.icon));
        image->SetParent(form.get());
    }
    auto* label = form->Create<ui::Label>();
    label->SetName("Message");
    label->SetWordWrap(true);
    label->SetText(text);
    const int textWidth = textRect.right - textRect.left;
    label->SetBounds(iconTextWidth - textWidth + hMargin, vMargin, textWidth, textRect.bottom - textRect.top);
    label->SetParent(form.get());
    form->message_ = label;

    const auto selected = [&](MsgDlgBtn b) { return Has(buttons, b); };
    using enum MsgDlgBtn;
    const int defaultIndex = selected(mbOK) ? 2 : selected(mbYes) ? 0 : selected(mbRetry) ? 5 : -1;
    const int cancelIndex = selected(mbCancel) ? 3 : selected(mbNo) ? 1 : selected(mbOK) ? 2 : -1;
    int x = (clientWidth - groupWidth) / 2;
    const int y = iconTextHeight + vMargin + vSpacing;
    int tabOrder = 0;
    for (std::size_t i = 0; i < kButtons.size(); ++i) {
        if (!Has(buttons, static_cast<MsgDlgBtn>(i))) continue;
        auto* button = form->Create<ui::Button>();
        button->SetName(std::string(kButtons[i].name));
        button->SetText(captions[i]);
        button->SetModalResult(kButtons[i].result);
        button->SetDefault(static_cast<int>(i) == defaultIndex);
        button->SetCancel(static_cast<int>(i) == cancelIndex);
        button->SetBounds(x, y, buttonWidth, buttonHeight);
        button->SetTabOrder(tabOrder++);
        button->SetParent(form.get());
        if (static_cast<MsgDlgBtn>(i) == mbHelp) {
            TMessageForm* self = form.get();
            button->OnClick.Bind([self](core::Component& sender) { self->HelpButtonClick(sender); });
        }
        x += buttonWidth + buttonSpacing;
    }

    // Centred on the screen; a box taller or wider than the work area keeps its top left corner
    // on it, so the title bar can still be reached.
    form->Handle();
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const int left = GetSystemMetrics(SM_CXSCREEN) / 2 - form->Width() / 2;
    const int top = GetSystemMetrics(SM_CYSCREEN) / 2 - form->Height() / 2;
    form->SetBounds(std::max<int>(left, area.left), std::max<int>(top, area.top), form->Width(), form->Height());
    return form;
}

namespace {

ModalResult ShowModalAndFree(std::unique_ptr<TMessageForm> form) {
    return static_cast<ModalResult>(form->ShowModal());
}

}  // namespace

ModalResult ShowTranslatedMessageAt(TlcCustomLang* lang, const std::string& text, MsgDlgType type,
                                    MsgDlgButtons buttons, int helpContext, int x, int y,
                                    const std::string& helpFile) {
    auto form = BuildTranslatedMessageForm(lang, text, type, buttons);
    form->SetHelpContext(helpContext);
    form->HelpFile = helpFile;
    if (x >= 0) form->SetLeft(x);
    if (y >= 0) form->SetTop(y);
    return ShowModalAndFree(std::move(form));
}

ModalResult ShowTranslatedMessage(TlcCustomLang* lang, const std::string& text, MsgDlgType type,
                                  MsgDlgButtons buttons, int helpContext) {
    return ShowTranslatedMessageAt(lang, text, type, buttons, helpContext, -1, -1);
}

ModalResult TranslatedMessageForms::ShowTranslatedMessage(const std::string& text, const std::string& caption,
                                                          MsgDlgType type, MsgDlgButtons buttons,
                                                          MessageBoxOwner owner) {
    auto form = BuildTranslatedMessageForm(lang_, text, type, buttons, caption);
    if (owner.window) form->SetOwnerWindow(reinterpret_cast<HWND>(owner.window));
    if (owner.systemModal)
        SetWindowPos(form->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return ShowModalAndFree(std::move(form));
}

TranslatedMessageBox& Win32MessageBox() {
    static TranslatedMessageForms box(nullptr);
    return box;
}

}  // namespace lark::localization
