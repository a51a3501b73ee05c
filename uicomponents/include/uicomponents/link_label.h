#pragma once
// LinkLabel ("TLinkLabel"): a label that opens something when clicked, drawn as a link: navy,
// purple once clicked, with the hand cursor. Underline it through its Font (Style =
// [fsUnderline], ParentFont = False). OnClick follows a click of the text.
#include "ui/win32.h"

#include "ui/image.h"
#include "ui/standard_controls.h"

namespace lark::ui {

class LinkLabel : public Label {
    LARK_PERSISTENT_CLASS(LinkLabel)
public:
    static constexpr COLORREF kLinkColor = RGB(0, 0, 0x80);
    static constexpr COLORREF kVisitedColor = RGB(0x80, 0, 0x80);

    explicit LinkLabel(core::Component* owner = nullptr) : Label(owner) {}
    COLORREF TextColor() const { return visited_ ? kVisitedColor : kLinkColor; }
    // Clicks the label as the user does: purple, then OnClick.
    void Click();
    void MarkVisited();
    core::NotifyEvent OnClick;

protected:
    void FillCreateParams(CreateParams& params) override;
    bool Command(WORD code, WORD id) override;
    bool CtlColor(UINT message, HDC dc, LRESULT& result) override;
    LRESULT WndProc(UINT message, WPARAM w, LPARAM l) override;

private:
    bool visited_ = false;
};

// LinkImage ("TLinkImage"): a picture that opens something when clicked, with the hand cursor.
class LinkImage : public Image {
    LARK_PERSISTENT_CLASS(LinkImage)
public:
    explicit LinkImage(core::Component* owner = nullptr) : Image(owner) {}
    core::NotifyEvent OnClick;

protected:
    LRESULT WndProc(UINT message, WPARAM w, LPARAM l) override;
};

// The version line of an about box: `format` (a translated "Version %s, %s") filled through the
// checked formatter with the product and the file version of `fileName`'s version resource
// (empty texts when it has none). A translation whose format does not take two texts gives
// "<product>, <file>" rather than failing.
std::string VersionLine(const std::string& format, const std::string& fileName);
// Opens `address` with the shell's "open" verb (the default browser for a web address).
void OpenWebAddress(HWND owner, const std::string& address);
// The module (program or DLL) that holds the caller's code.
HMODULE ModuleOf(const void* address);

}  // namespace lark::ui
