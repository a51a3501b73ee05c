#include "ui/control.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <exception>
#include <memory>
#include <set>

#include "core/compiler.h"
#include "ui/actions.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/menus.h"
#include "ui/reference.h"
#include "win/text.h"

namespace lark::ui {
namespace {

constexpr wchar_t kControlProp[] = L"LarkUiControl";

// The control whose own-class window is being created: it takes the window at its first message
// (WM_GETMINMAXINFO arrives before WM_NCCREATE).
thread_local Control* g_creating = nullptr;

Control::WindowWatcher* g_watcher = nullptr;

HINSTANCE CodeModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&CodeModule), &module);
    return module;
}

// Control ids of child windows; commands of menus and actions use another range (menus.h).
UINT_PTR NextControlId() {
    static UINT_PTR next = 100;
    if (next >= 0x3FFF) next = 100;
    return next++;
}

}  // namespace

// --- Font

namespace {
const core::TypeInfo& FontStyleType() {
    static const auto element = core::MakeEnumType("TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});
    static const auto set = core::MakeSetType("TFontStyles", *element);
    return *set;
}
}  // namespace

// GCC 12 sees the moved-from std::variant default values of this builder as maybe destroyed
// uninitialised (GCC bug 80635, the std::optional false positive).
LARK_GCC_FALSE_POSITIVE("-Wmaybe-uninitialized")
LARK_DEFINE_CLASS(Font) {
    return core::ClassBuilder<Font>("TFont", nullptr)
        .Prop("Charset", core::ByteType(), &Font::Charset, &Font::SetCharset, core::Value(std::int64_t(DEFAULT_CHARSET)))
        .Prop("Height", core::IntegerType(), &Font::Height, &Font::SetHeight)
        .Prop("Name", core::StringType(), &Font::Name, &Font::SetName)
        .Prop("Style", FontStyleType(), &Font::Styles, &Font::SetStyles, core::Value(core::SetValue{}))
        .Build();
}
LARK_GCC_FALSE_POSITIVE_END

Font::Font() = default;

Font::~Font() {
    if (handle_) DeleteObject(handle_);
}

void Font::SetName(std::string name) {
    if (name == name_) return;
    name_ = std::move(name);
    Changed();
}

void Font::SetHeight(int height) {
    if (height == height_) return;
    height_ = height;
    Changed();
}

void Font::SetCharset(int charset) {
    if (charset == charset_) return;
    charset_ = charset;
    Changed();
}

void Font::SetStyles(core::SetValue styles) {
    if (styles.bits == styles_) return;
    styles_ = styles.bits;
    Changed();
}

void Font::Assign(const Font& other) {
    name_ = other.name_;
    height_ = other.height_;
    charset_ = other.charset_;
    styles_ = other.styles_;
    Changed();
}

HFONT Font::Handle() {
    if (!handle_) {
        handle_ = CreateFontW(height_, 0, 0, 0, (styles_ & Bold) ? FW_BOLD : FW_NORMAL, (styles_ & Italic) != 0,
                              (styles_ & Underline) != 0, (styles_ & StrikeOut) != 0, static_cast<BYTE>(charset_),
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                              win::Widen(name_).c_str());
        if (!handle_) throw core::Error("cannot create the font " + name_);
    }
    return handle_;
}

void Font::Changed() {
    // Windows still use the old font until they are told of the new one.
    HFONT old = handle_;
    handle_ = nullptr;
    if (onChange) onChange();
    if (old) DeleteObject(old);
}

// --- Control

const core::TypeInfo& AlignType() {
    static const auto type = core::MakeEnumType("TAlign", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"});
    return *type;
}

LARK_DEFINE_CLASS(Control) {
    using core::Value;
    return core::ClassBuilder<Control>("TControl", &core::Component::StaticClass())
        .NotCreatable()
        .Prop("Left", core::IntegerType(), &Control::Left, &Control::SetLeft)
        .Prop("Top", core::IntegerType(), &Control::Top, &Control::SetTop)
        .Prop("Width", core::IntegerType(), &Control::Width, &Control::SetWidth)
        .Prop("Height", core::IntegerType(), &Control::Height, &Control::SetHeight)
        .Prop("Align", AlignType(), &Control::GetAlign, &Control::SetAlign, Value(std::int64_t(0)))
        .Prop("Enabled", core::BooleanType(), &Control::Enabled, &Control::SetEnabled, Value(std::int64_t(1)))
        .Object("Font", core::ClassTypeOf<Font>(), &Control::GetFont)
        .Prop("HelpContext", core::IntegerType(), &Control::HelpContext, &Control::SetHelpContext, Value(std::int64_t(0)))
        .Prop("Hint", core::StringType(), &Control::Hint, &Control::SetHint, Value(std::string()))
        .Prop("ParentFont", core::BooleanType(), &Control::ParentFont, &Control::SetParentFont, Value(std::int64_t(1)))
        .Custom(
            "PopupMenu", core::ClassTypeOf<PopupMenu>(), [](const Control& c) { return Value(static_cast<core::Persistent*>(c.GetPopupMenu())); },
            [](Control& c, const Value& v) { c.SetPopupMenu(dynamic_cast<PopupMenu*>(core::AsObject(v))); })
        .Prop("TabOrder", core::IntegerType(), &Control::TabOrder, &Control::SetTabOrder, Value(std::int64_t(-1)))
        .Prop("TabStop", core::BooleanType(), &Control::TabStop, &Control::SetTabStop)
        .Prop("Visible", core::BooleanType(), &Control::Visible, &Control::SetVisible, Value(std::int64_t(1)))
        .Build();
}

Control::Control(core::Component* owner) : core::Component(owner) {
    font_.onChange = [this] { FontChanged(); };
}

Control::~Control() {
    BeginDestroy();
    DestroyHandle();
    for (Control* child : children_) child->parent_ = nullptr;
    children_.clear();
    if (parent_) std::erase(parent_->children_, this);
    parent_ = nullptr;
}

Control* Control::FromHandle(HWND window) {
    return window ? static_cast<Control*>(GetPropW(window, kControlProp)) : nullptr;
}

void Control::SetWindowWatcher(WindowWatcher* watcher) { g_watcher = watcher; }

void Control::Attach(HWND window) {
    if (window == handle_ && (foreign_ || !window)) return;
    if (handle_ && !foreign_) throw core::Error(NamePath() + ": it has a window of its own");
    ReleaseForeignWindow();
    foreign_ = window != nullptr;
    if (!window) return;
    if (!IsWindow(window)) {
        foreign_ = false;
        throw core::Error(NamePath() + ": cannot stand for a window that does not exist");
    }
    AttachWindow(window, true);
    if (g_watcher) g_watcher->WindowAttached(*this);
}

void Control::ReleaseForeignWindow() {
    if (!handle_ || !foreign_) return;
    // Hooks above our subclass leave first: removing the last subclass puts back the procedure
    // the window had before it, which would cut out whatever subclassed it after us.
    if (g_watcher) g_watcher->WindowReleasing(*this);
    DetachWindow();
}

namespace {
RECT RectInParent(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    if (HWND parent = GetParent(window); parent && (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD))
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}
}  // namespace

int Control::Left() const { return handle_ ? RectInParent(handle_).left : left_; }
int Control::Top() const { return handle_ ? RectInParent(handle_).top : top_; }
int Control::Width() const {
    if (!handle_) return width_;
    RECT r = RectInParent(handle_);
    return r.right - r.left;
}
int Control::Height() const {
    if (!handle_) return height_;
    RECT r = RectInParent(handle_);
    return r.bottom - r.top;
}

void Control::SetBounds(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (handle_) SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (align_ != Align::None && parent_) parent_->AlignControls();
}

void Control::SetVisible(bool visible) {
    visible_ = visible;
    if (handle_) ShowWindow(handle_, !visible ? SW_HIDE : parent_ ? SW_SHOWNA : SW_SHOW);
    if (align_ != Align::None && parent_) parent_->AlignControls();
}

void Control::SetEnabled(bool enabled) {
    enabled_ = enabled;
    if (handle_) EnableWindow(handle_, enabled);
}

std::string Control::Text() const {
    if (!handle_) return text_;
    int n = GetWindowTextLengthW(handle_);
    std::wstring buffer(static_cast<std::size_t>(n) + 1, L'\0');
    n = GetWindowTextW(handle_, buffer.data(), n + 1);
    buffer.resize(static_cast<std::size_t>(std::max(n, 0)));
    return win::Narrow(buffer);
}

void Control::SetText(std::string text) {
    text_ = std::move(text);
    if (handle_) SetWindowTextW(handle_, win::Widen(text_).c_str());
}

void Control::SetTabOrder(int order) {
    tabOrder_ = order;
    if (parent_ && parent_->handle_) parent_->ArrangeZOrder();
}

void Control::SetTabStop(bool on) {
    tabStop_ = on;
    SetStyleBit(WS_TABSTOP, on);
}

void Control::SetStyleBit(DWORD bit, bool on) {
    if (!handle_) return;
    LONG_PTR style = GetWindowLongPtrW(handle_, GWL_STYLE);
    SetWindowLongPtrW(handle_, GWL_STYLE, on ? (style | bit) : (style & ~static_cast<LONG_PTR>(bit)));
}

void Control::SetParentFont(bool on) {
    parentFont_ = on;
    ApplyFont();
}

void Control::FontChanged() {
    parentFont_ = false;
    ApplyFont();
}

Font& Control::EffectiveFont() { return parentFont_ && parent_ ? parent_->EffectiveFont() : font_; }

void Control::ApplyFont() {
    if (handle_) SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(EffectiveFont().Handle()), TRUE);
    for (Control* child : children_)
        if (child->parentFont_) child->ApplyFont();
}

void Control::SetAlign(Align align) {
    align_ = align;
    if (parent_) parent_->AlignControls();
}

void Control::SetPopupMenu(PopupMenu* menu) {
    SetReference(*this, popupMenu_, menu);
}

void Control::Notification(core::Component* component, core::Operation operation) {
    core::Component::Notification(component, operation);
    if (operation == core::Operation::Remove && component == popupMenu_) popupMenu_ = nullptr;
}

void Control::SetParent(Control* parent) {
    if (parent == parent_) return;
    for (Control* p = parent; p; p = p->parent_)
        if (p == this) throw core::Error(NamePath() + ": a control cannot be its own parent");
    if (parent_) std::erase(parent_->children_, this);
    parent_ = parent;
    if (parent_) parent_->children_.push_back(this);
    if (!handle_) {
        if (parent_ && parent_->handle_ && !IsLoading()) CreateHandle();
        return;
    }
    if (parent_ && parent_->handle_) {
        ::SetParent(handle_, parent_->handle_);
        parent_->ArrangeZOrder();
    } else {
        DestroyHandle();
    }
}

void Control::SetParentComponent(core::Component* parent) {
    if (auto* control = dynamic_cast<Control*>(parent)) SetParent(control);
}

void Control::GetChildren(const std::function<void(core::Component*)>& proc, core::Component* root) {
    for (Control* child : children_) proc(child);
    core::Component::GetChildren(proc, root);
}

Form* Control::ParentForm() {
    Control* top = this;
    while (top->parent_) top = top->parent_;
    return dynamic_cast<Form*>(top);
}

std::vector<Control*> Control::ChildrenInTabOrder() const {
    std::vector<Control*> ordered;
    std::vector<Control*> before;  // labels that go right before the control they name
    for (Control* c : children_) (c->ZOrderBefore() && c->ZOrderBefore()->parent_ == this ? before : ordered).push_back(c);
    std::stable_sort(ordered.begin(), ordered.end(), [](const Control* a, const Control* b) {
        auto key = [](const Control* c) { return c->tabOrder_ < 0 ? INT_MAX : c->tabOrder_; };
        return key(a) < key(b);
    });
    for (Control* label : before) {
        auto at = std::find(ordered.begin(), ordered.end(), label->ZOrderBefore());
        ordered.insert(at, label);
    }
    return ordered;
}

bool Control::StartsGroup() const {
    if (!parent_) return false;
    auto siblings = parent_->ChildrenInTabOrder();
    auto at = std::find(siblings.begin(), siblings.end(), this);
    if (at == siblings.begin()) return IsRadio();
    return (*std::prev(at))->IsRadio() != IsRadio();
}

void Control::ArrangeZOrder() {
    HWND after = HWND_TOP;
    for (Control* c : ChildrenInTabOrder()) {
        if (!c->handle_) continue;
        SetWindowPos(c->handle_, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = c->handle_;
    }
}

void Control::FillCreateParams(CreateParams& params) {
    if (parent_) {
        params.style |= WS_CHILD;
        params.parentWindow = parent_->handle_;
        params.id = NextControlId();
        if (StartsGroup()) params.style |= WS_GROUP;
    }
    if (visible_) params.style |= WS_VISIBLE;
    if (!enabled_) params.style |= WS_DISABLED;
    if (tabStop_) params.style |= WS_TABSTOP;
}

namespace {
void RegisterOwnClass(const std::wstring& name, UINT classStyle, bool dialog, WNDPROC proc) {
    static std::set<std::wstring> registered;
    if (registered.contains(name)) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = classStyle;
    wc.lpfnWndProc = proc;
    wc.cbWndExtra = dialog ? DLGWINDOWEXTRA : 0;
    wc.hInstance = CodeModule();
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name.c_str();
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw core::Error("cannot register the window class " + win::Narrow(name));
    registered.insert(name);
}
}  // namespace

HWND Control::Handle() {
    if (!handle_) CreateHandle();
    return handle_;
}

void Control::CreateHandle() {
    if (handle_ || foreign_) return;
    if (parent_ && !parent_->handle_) {
        parent_->Handle();  // creates its children, this one among them
        if (handle_) return;
    }
    CreateParams params;
    FillCreateParams(params);
    if (params.className.empty()) params.className = win::Widen(Class().name);
    if (params.ownClass) RegisterOwnClass(params.className, params.classStyle, params.dialogClass, &OwnClassProc);
    dialogClass_ = params.ownClass && params.dialogClass;

    Control* outer = g_creating;
    g_creating = params.ownClass ? this : nullptr;
    HWND window = CreateWindowExW(params.exStyle, params.className.c_str(), win::Widen(text_).c_str(), params.style,
                                  left_, top_, width_, height_, params.parentWindow,
                                  reinterpret_cast<HMENU>(params.id), CodeModule(), nullptr);
    DWORD error = GetLastError();
    g_creating = outer;
    if (!window) throw core::Error(NamePath() + ": cannot create its window (error " + std::to_string(error) + ")");
    if (!params.ownClass) AttachWindow(window, true);
    try {
        ApplyFont();
        HandleCreated();
        if (g_watcher) g_watcher->WindowAttached(*this);
        for (Control* child : ChildrenInTabOrder()) child->CreateHandle();
        ArrangeZOrder();
        AlignControls();
    } catch (...) {
        DestroyHandle();
        throw;
    }
}

void Control::HandleCreated() {}

void Control::SaveLiveState() {
    if (!handle_) return;
    text_ = Text();
    if (!IsIconic(handle_) && !IsZoomed(handle_)) {
        RECT r = RectInParent(handle_);
        left_ = r.left;
        top_ = r.top;
        width_ = r.right - r.left;
        height_ = r.bottom - r.top;
    }
}

void Control::DestroyHandle() {
    if (foreign_) return ReleaseForeignWindow();
    if (!handle_) return;
    DestroyWindow(handle_);
    if (handle_) DetachWindow();  // a window of another thread, or one already gone
}

void Control::RecreateHandle() {
    if (!handle_ || foreign_) return;
    const bool hadFocus = Focused();
    DestroyHandle();
    CreateHandle();
    if (parent_) parent_->ArrangeZOrder();
    if (hadFocus) SetFocus();
}

void Control::SetFocus() { ::SetFocus(Handle()); }

bool Control::Focused() const {
    if (!handle_) return false;
    HWND focus = GetFocus();
    return focus == handle_ || (focus && IsChild(handle_, focus) && !FromHandle(focus));
}

void Control::ScaleBy(int numerator, int denominator) {
    left_ = MulDiv(left_, numerator, denominator);
    top_ = MulDiv(top_, numerator, denominator);
    width_ = MulDiv(width_, numerator, denominator);
    height_ = MulDiv(height_, numerator, denominator);
    // A control without a parent (a form) shows its own font whatever ParentFont says.
    if (!parentFont_ || !parent_) {
        auto saved = font_.onChange;
        font_.onChange = nullptr;
        font_.SetHeight(MulDiv(font_.Height(), numerator, denominator));
        font_.onChange = saved;
    }
    for (Control* child : children_) child->ScaleBy(numerator, denominator);
}

void Control::AlignControls() {
    if (!handle_ || aligning_) return;
    aligning_ = true;
    RECT r{};
    GetClientRect(handle_, &r);
    AdjustClientRect(r);
    for (Align align : {Align::Top, Align::Bottom, Align::Left, Align::Right, Align::Client}) {
        for (Control* c : children_) {
            if (c->align_ != align || !c->visible_) continue;
            const int w = r.right - r.left, h = r.bottom - r.top;
            switch (align) {
            case Align::Top: c->SetBounds(r.left, r.top, w, c->Height()); r.top += c->Height(); break;
            case Align::Bottom: c->SetBounds(r.left, r.bottom - c->Height(), w, c->Height()); r.bottom -= c->Height(); break;
            case Align::Left: c->SetBounds(r.left, r.top, c->Width(), h); r.left += c->Width(); break;
            case Align::Right: c->SetBounds(r.right - c->Width(), r.top, c->Width(), h); r.right -= c->Width(); break;
            case Align::Client: c->SetBounds(r.left, r.top, w, h); break;
            case Align::None: break;
            }
        }
    }
    aligning_ = false;
}

// The subclass id is the control: several controls may subclass one attached window.
void Control::AttachWindow(HWND window, bool subclass) {
    handle_ = window;
    if (!foreign_ || !FromHandle(window)) SetPropW(window, kControlProp, this);
    if (subclass)
        subclassed_ = SetWindowSubclass(window, &SubclassProc, reinterpret_cast<UINT_PTR>(this),
                                        reinterpret_cast<DWORD_PTR>(this)) != FALSE;
}

void Control::DetachWindow() {
    if (!handle_) return;
    if (FromHandle(handle_) == this) RemovePropW(handle_, kControlProp);
    if (subclassed_) RemoveWindowSubclass(handle_, &SubclassProc, reinterpret_cast<UINT_PTR>(this));
    subclassed_ = false;
    handle_ = nullptr;
}

LRESULT CALLBACK Control::SubclassProc(HWND window, UINT message, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR data) {
    return reinterpret_cast<Control*>(data)->Dispatch(message, w, l);
}

LRESULT CALLBACK Control::OwnClassProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    Control* control = FromHandle(window);
    if (!control && g_creating) {
        control = g_creating;
        g_creating = nullptr;
        control->AttachWindow(window, false);
    }
    if (!control) {
        const bool dialog = GetClassLongPtrW(window, GCL_CBWNDEXTRA) >= DLGWINDOWEXTRA;
        return dialog ? DefDlgProcW(window, message, w, l) : DefWindowProcW(window, message, w, l);
    }
    return control->Dispatch(message, w, l);
}

LRESULT Control::Dispatch(UINT message, WPARAM w, LPARAM l) {
    try {
        if (message == WM_NCDESTROY) {
            LRESULT result = Default(message, w, l);
            DetachWindow();
            return result;
        }
        // An attached window keeps its own behaviour: the control only follows it.
        if (foreign_) return Default(message, w, l);
        return WndProc(message, w, l);
    } catch (...) {
        Application::Instance().HandleException(std::current_exception());
        return 0;
    }
}

LRESULT Control::Default(UINT message, WPARAM w, LPARAM l) {
    if (subclassed_) return DefSubclassProc(handle_, message, w, l);
    if (dialogClass_) return DefDlgProcW(handle_, message, w, l);
    return DefWindowProcW(handle_, message, w, l);
}

LRESULT PaintedControl::WndProc(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(handle_, &ps);
        Paint(dc);
        EndPaint(handle_, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(w));
        return 0;
    }
    return Control::WndProc(message, w, l);
}

LRESULT Control::WndProc(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_COMMAND:
        if (Control* child = FromHandle(reinterpret_cast<HWND>(l)); child && child != this) {
            if (child->Command(HIWORD(w), LOWORD(w))) return 0;
        }
        break;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(l);
        LRESULT result = 0;
        if (Control* child = FromHandle(header->hwndFrom); child && child != this) {
            if (child->Notify(*header, result)) return result;
        }
        // Tool tips of tool buttons ask the bar's parent by command id.
        if (header->code == TTN_GETDISPINFOW) {
            auto& tip = *reinterpret_cast<NMTTDISPINFOW*>(l);
            if (CommandTarget* target = CommandTarget::Find(static_cast<WORD>(header->idFrom)); target && !(tip.uFlags & TTF_IDISHWND)) {
                thread_local std::wstring text;
                text = win::Widen(ShortHint(target->CommandHint()));
                tip.lpszText = text.data();
                return 0;
            }
        }
        break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
        LRESULT result = 0;
        if (Control* child = FromHandle(reinterpret_cast<HWND>(l)); child && child != this) {
            if (child->CtlColor(message, reinterpret_cast<HDC>(w), result)) return result;
        }
        break;
    }
    case WM_SIZE: {
        LRESULT result = Default(message, w, l);
        AlignControls();
        return result;
    }
    case WM_CONTEXTMENU:
        if (popupMenu_ && reinterpret_cast<HWND>(w) == handle_) {
            POINT at{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
            if (at.x == -1 && at.y == -1) {
                RECT r{};
                GetWindowRect(handle_, &r);
                at = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
            }
            popupMenu_->Popup(at.x, at.y);
            return 0;
        }
        break;
    case WM_DESTROY:
        SaveLiveState();
        break;
    }
    return Default(message, w, l);
}

}  // namespace lark::ui
