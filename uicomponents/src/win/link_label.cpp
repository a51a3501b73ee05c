#include "uicomponents/link_label.h"

#include <shellapi.h>

#include "core/errors.h"
#include "core/format.h"
#include "uicomponents/version_info.h"
#include "win/text.h"

namespace lark::ui {

LARK_DEFINE_CLASS(LinkLabel) {
    return core::ClassBuilder<LinkLabel>("TLinkLabel", &Label::StaticClass()).Event("OnClick", &LinkLabel::OnClick).Build();
}

void LinkLabel::Click() {
    MarkVisited();
    OnClick(*this);
}

void LinkLabel::MarkVisited() {
    visited_ = true;
    if (HandleAllocated()) InvalidateRect(handle_, nullptr, TRUE);
}

void LinkLabel::FillCreateParams(CreateParams& params) {
    Label::FillCreateParams(params);
    params.style |= SS_NOTIFY;
}

bool LinkLabel::Command(WORD code, WORD) {
    if (code != STN_CLICKED) return false;
    Click();
    return true;
}

bool LinkLabel::CtlColor(UINT message, HDC dc, LRESULT& result) {
    if (message != WM_CTLCOLORSTATIC) return false;
    SetTextColor(dc, TextColor());
    SetBkMode(dc, TRANSPARENT);
    result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    return true;
}

LRESULT LinkLabel::WndProc(UINT message, WPARAM w, LPARAM l) {
    if (message == WM_SETCURSOR) {
        SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
        return TRUE;
    }
    return Label::WndProc(message, w, l);
}

LARK_DEFINE_CLASS(LinkImage) {
    return core::ClassBuilder<LinkImage>("TLinkImage", &Image::StaticClass()).Event("OnClick", &LinkImage::OnClick).Build();
}

LRESULT LinkImage::WndProc(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_SETCURSOR:
        SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
        return TRUE;
    case WM_LBUTTONUP:
        OnClick(*this);
        return 0;
    }
    return Image::WndProc(message, w, l);
}

std::string VersionLine(const std::string& format, const std::string& fileName) {
    VersionInfo info;
    info.SetFileName(fileName);
    const std::string product = info.Text("ProductVersion");
    const std::string file = info.Text("FileVersion");
    try {
        return core::Format(format, {product, file});
    } catch (const core::Error&) {
        return core::Format("%s, %s", {product, file});
    }
}

void OpenWebAddress(HWND owner, const std::string& address) {
    ShellExecuteW(owner, L"open", win::Widen(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

HMODULE ModuleOf(const void* address) {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       static_cast<LPCWSTR>(address), &module);
    return module;
}

}  // namespace lark::ui
