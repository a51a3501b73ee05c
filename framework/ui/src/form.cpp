#include "ui/form.h"

#include <algorithm>
#include <cctype>
#include <cwctype>

#include "core/component_stream.h"
#include "ui/actions.h"
#include "ui/application.h"
#include "ui/menus.h"
#include "ui/message_loop.h"
#include "ui/reference.h"
#include "ui/standard_controls.h"
#include "win/text.h"

namespace lark::ui {

const core::TypeInfo& ModalResultType() {
    static const auto type = core::MakeEnumType(
        "TModalResult", {"mrNone", "mrOk", "mrCancel", "mrAbort", "mrRetry", "mrIgnore", "mrYes", "mrNo", "mrAll",
                         "mrNoToAll", "mrYesToAll"});
    return *type;
}

namespace {
const core::TypeInfo& BorderStyleType() {
    static const auto type =
        core::MakeEnumType("TFormBorderStyle", {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"});
    return *type;
}
const core::TypeInfo& PositionType() {
    static const auto type = core::MakeEnumType("TPosition", {"poDesigned", "poDefault", "poScreenCenter", "poOwnerFormCenter"});
    return *type;
}

std::vector<Form*>& Forms() {
    static std::vector<Form*> forms;
    return forms;
}
}  // namespace

LARK_DEFINE_CLASS(Form) {
    using core::Value;
    return core::ClassBuilder<Form>("TForm", &Control::StaticClass())
        .Prop("BorderStyle", BorderStyleType(), &Form::GetBorderStyle, &Form::SetBorderStyle, Value(std::int64_t(2)))
        .Prop("Caption", core::StringType(), &Form::Caption, &Form::SetCaption, Value(std::string()))
        .Prop("ClientHeight", core::IntegerType(), &Form::ClientHeight, &Form::SetClientHeight)
        .Prop("ClientWidth", core::IntegerType(), &Form::ClientWidth, &Form::SetClientWidth)
        .Custom(
            "Menu", core::ClassTypeOf<MainMenu>(), [](const Form& f) { return Value(static_cast<core::Persistent*>(f.Menu())); },
            [](Form& f, const Value& v) { f.SetMenu(dynamic_cast<MainMenu*>(core::AsObject(v))); })
        .Prop("Position", PositionType(), &Form::GetPosition, &Form::SetPosition, Value(std::int64_t(0)))
        .Event("OnCloseQuery", &Form::OnCloseQuery)
        .Event("OnCreate", &Form::OnCreate)
        .Event("OnDestroy", &Form::OnDestroy)
        .Event("OnHide", &Form::OnHide)
        .Event("OnShow", &Form::OnShow)
        .Build();
}

Form::Form(core::Component* owner) : Control(owner) {
    SetVisible(false);
    GetFont()->SetName("Tahoma");
    GetFont()->SetHeight(-11);
    Forms().push_back(this);
    core::RootComponents::Add(this);
}

Form::~Form() {
    BeginDestroy();
    for (FormListener* listener : std::vector<FormListener*>(listeners_)) {
        try {
            listener->FormDestroying(*this);
        } catch (...) {
            Application::Instance().HandleException(std::current_exception());
        }
    }
    try {
        OnDestroy(*this);
    } catch (...) {
        Application::Instance().HandleException(std::current_exception());
    }
    DestroyHandle();
    if (accelerators_) DestroyAcceleratorTable(accelerators_);
    std::erase(Forms(), this);
    core::RootComponents::Remove(this);
}

const std::vector<Form*>& Form::All() { return Forms(); }

void Form::ReadDefinition(core::Stream& stream) {
    core::Reader reader(stream);
    reader.ReadRootComponent(*this);
}

void Form::ReadDefinitions() {
    std::vector<const core::ClassInfo*> chain;
    for (const core::ClassInfo* c = &Class(); c && c != &Form::StaticClass(); c = c->parent) chain.push_back(c);
    HINSTANCE module = Application::Instance().ResourceModule();
    std::vector<std::unique_ptr<core::MemoryStream>> definitions;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        std::wstring name = win::Widen((*it)->name);
        for (wchar_t& ch : name) ch = static_cast<wchar_t>(std::towupper(ch));
        HRSRC found = FindResourceW(module, name.c_str(), MAKEINTRESOURCEW(10));  // RT_RCDATA
        if (!found) continue;
        HGLOBAL loaded = LoadResource(module, found);
        const void* bytes = loaded ? LockResource(loaded) : nullptr;
        if (!bytes) throw core::Error((*it)->name + ": cannot load its definition");
        definitions.push_back(std::make_unique<core::MemoryStream>(bytes, SizeofResource(module, found)));
    }
    if (definitions.empty()) return;
    // Read as one: the fields a derived class binds exist only once its own definition is read.
    std::vector<core::Stream*> streams;
    for (const auto& definition : definitions) streams.push_back(definition.get());
    core::Reader::ReadRootComponents(*this, streams);
}

void Form::SetBorderStyle(BorderStyle style) {
    borderStyle_ = style;
    RecreateHandle();
}

namespace {
DWORD StyleOf(BorderStyle border) {
    switch (border) {
    case BorderStyle::None: return WS_POPUP;
    case BorderStyle::Single: return WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_BORDER;
    case BorderStyle::Sizeable: return WS_OVERLAPPEDWINDOW;
    case BorderStyle::Dialog: return WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    case BorderStyle::ToolWindow: return WS_CAPTION | WS_SYSMENU;
    case BorderStyle::SizeToolWin: return WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
    }
    return WS_OVERLAPPEDWINDOW;
}
DWORD ExStyleOf(BorderStyle border) {
    switch (border) {
    case BorderStyle::Dialog: return WS_EX_DLGMODALFRAME;
    case BorderStyle::ToolWindow:
    case BorderStyle::SizeToolWin: return WS_EX_TOOLWINDOW;
    default: return 0;
    }
}
SIZE FrameSize(BorderStyle border, bool menu) {
    RECT r{0, 0, 0, 0};
    AdjustWindowRectEx(&r, StyleOf(border), menu, ExStyleOf(border) | WS_EX_CONTROLPARENT);
    return {r.right - r.left, r.bottom - r.top};
}
}  // namespace

int Form::ClientWidth() const {
    if (handle_) {
        RECT r{};
        GetClientRect(handle_, &r);
        return r.right;
    }
    return clientWidth_ ? clientWidth_ : Width() - FrameSize(borderStyle_, menu_).cx;
}

int Form::ClientHeight() const {
    if (handle_) {
        RECT r{};
        GetClientRect(handle_, &r);
        return r.bottom;
    }
    return clientHeight_ ? clientHeight_ : Height() - FrameSize(borderStyle_, menu_).cy;
}

void Form::SetClientWidth(int width) {
    clientWidth_ = width;
    SetWidth(width + FrameSize(borderStyle_, menu_).cx);
}

void Form::SetClientHeight(int height) {
    clientHeight_ = height;
    SetHeight(height + FrameSize(borderStyle_, menu_).cy);
}

void Form::SetMenu(MainMenu* menu) {
    SetReference(*this, menu_, menu);
    if (clientHeight_) SetClientHeight(clientHeight_);
    if (handle_) ::SetMenu(handle_, menu_ ? menu_->Handle() : nullptr);
    ShortCutsChanged();
}

void Form::ScaleBy(int numerator, int denominator) {
    Control::ScaleBy(numerator, denominator);
    clientWidth_ = MulDiv(clientWidth_, numerator, denominator);
    clientHeight_ = MulDiv(clientHeight_, numerator, denominator);
}

HWND Form::DefaultOwner() const {
    if (ownerWindow_) return ownerWindow_;
    for (core::Component* o = Owner(); o; o = o->Owner())
        if (auto* control = dynamic_cast<Control*>(o); control && control->HandleAllocated())
            return GetAncestor(control->Handle(), GA_ROOT);
    Form* main = Application::Instance().MainForm();
    return main && main != this && main->HandleAllocated() ? main->Handle() : nullptr;
}

void Form::FillCreateParams(CreateParams& params) {
    Control::FillCreateParams(params);
    params.style = (params.style & ~static_cast<DWORD>(WS_CHILD | WS_VISIBLE)) | StyleOf(borderStyle_) | WS_CLIPCHILDREN;
    params.exStyle |= ExStyleOf(borderStyle_) | WS_EX_CONTROLPARENT;
    params.ownClass = true;
    params.dialogClass = true;
    if (!windowClass_.empty()) params.className = windowClass_;
    params.parentWindow = modalOwner_ ? modalOwner_ : DefaultOwner();
    params.id = 0;
    if (!scaled_) {
        scaled_ = true;
        HDC screen = GetDC(nullptr);
        const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        if (dpi != 96) ScaleBy(dpi, 96);
    }
    if (clientWidth_) SetWidth(clientWidth_ + FrameSize(borderStyle_, menu_).cx);
    if (clientHeight_) SetHeight(clientHeight_ + FrameSize(borderStyle_, menu_).cy);
}

void Form::HandleCreated() {
    Control::HandleCreated();
    if (menu_) ::SetMenu(handle_, menu_->Handle());
}

void Form::PlaceOnShow() {
    if (placed_) return;
    placed_ = true;
    RECT area{};
    if (position_ == Position::ScreenCenter) {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    } else if (position_ == Position::OwnerFormCenter) {
        HWND owner = GetWindow(handle_, GW_OWNER);
        if (owner) GetWindowRect(owner, &area);
        else SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    } else {
        return;
    }
    const int w = Width(), h = Height();
    SetBounds(area.left + (area.right - area.left - w) / 2, area.top + (area.bottom - area.top - h) / 2, w, h);
}

void Form::Show() {
    Handle();
    // Listeners come after the designed position, so a restored placement wins.
    PlaceOnShow();
    for (FormListener* listener : std::vector<FormListener*>(listeners_)) listener->FormShowing(*this);
    OnShow(*this);
    SetVisible(true);
    // The dialog manager restores the focus on activation; a form never focused starts at its
    // first tab stop.
    if (!IsChild(handle_, GetFocus()))
        if (HWND first = GetNextDlgTabItem(handle_, nullptr, FALSE)) ::SetFocus(first);
}

void Form::Hide() {
    if (!Visible()) return;
    Control::SetVisible(false);
    OnHide(*this);
}

bool Form::CloseQuery() {
    bool canClose = true;
    OnCloseQuery(*this, canClose);
    if (!canClose) return false;
    for (FormListener* listener : std::vector<FormListener*>(listeners_))
        if (!listener->FormCloseQuery(*this)) return false;
    return true;
}

void Form::Close() {
    if (modal_) {
        modalResult_ = ModalResult::Cancel;
        return;
    }
    if (!CloseQuery()) return;
    Hide();
    if (Application::Instance().MainForm() == this) PostQuitMessage(0);
}

ModalResult Form::ShowModal() {
    if (modal_) throw core::Error(NamePath() + ": it is already shown modally");
    if (Visible()) throw core::Error(NamePath() + ": a shown form cannot be made modal");
    // The owner is fixed when the window is made; a form made earlier gets it now.
    HWND owner = DefaultOwner();
    if (!owner) owner = GetActiveWindow();
    if (owner == handle_) owner = nullptr;
    modalOwner_ = owner;
    if (handle_) SetWindowLongPtrW(handle_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    const bool disableOwner = owner && IsWindowEnabled(owner);
    struct Restore {
        Form& form;
        HWND owner;
        bool enable;
        ~Restore() {
            // The owner first, so activation returns to it when this form hides.
            if (enable) EnableWindow(owner, TRUE);
            form.Hide();
            form.modal_ = false;
            form.modalOwner_ = nullptr;
        }
    } restore{*this, owner, disableOwner};
    if (disableOwner) EnableWindow(owner, FALSE);
    modal_ = true;
    modalResult_ = ModalResult::None;
    Show();
    SetForegroundWindow(handle_);
    Application::Instance().OnModalBegin(*this);
    MessageLoop loop;
    for (;;) {
        loop.Run([this] { return modalResult_ != ModalResult::None || !HandleAllocated(); });
        if (loop.QuitSeen() || !HandleAllocated()) {
            modalResult_ = ModalResult::Cancel;
            break;
        }
        if (CloseQuery()) break;
        modalResult_ = ModalResult::None;
    }
    const ModalResult result = modalResult_;
    Application::Instance().OnModalEnd(*this);
    if (loop.QuitSeen()) PostQuitMessage(loop.ExitCode());
    return result;
}

void Form::AddListener(FormListener* listener) {
    if (std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end()) listeners_.push_back(listener);
}

void Form::RemoveListener(FormListener* listener) { std::erase(listeners_, listener); }

HACCEL Form::Accelerators() {
    if (!acceleratorsDirty_) return accelerators_;
    acceleratorsDirty_ = false;
    if (accelerators_) DestroyAcceleratorTable(accelerators_);
    accelerators_ = nullptr;
    std::vector<ACCEL> table;
    auto add = [&](ShortCut shortCut, WORD id) {
        if (shortCut.key) table.push_back(ACCEL{static_cast<BYTE>(FVIRTKEY | shortCut.modifiers), shortCut.key, id});
    };
    for (int i = 0; i < ComponentCount(); ++i) {
        core::Component* c = Components(i);
        if (auto* action = dynamic_cast<Action*>(c)) add(action->GetShortCut(), action->CommandId());
        else if (auto* item = dynamic_cast<MenuItem*>(c); item && !item->GetAction()) add(item->GetShortCut(), item->CommandId());
    }
    if (!table.empty()) accelerators_ = CreateAcceleratorTableW(table.data(), static_cast<int>(table.size()));
    return accelerators_;
}

void Form::UpdateActions() {
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* action = dynamic_cast<Action*>(Components(i))) action->Update();
}

Control* Form::FindControlById(Control& parent, UINT id) {
    for (Control* child : parent.Controls()) {
        if (child->HandleAllocated() && static_cast<UINT>(GetDlgCtrlID(child->Handle())) == id) return child;
        if (Control* found = FindControlById(*child, id)) return found;
    }
    return nullptr;
}

void Form::CommandFromKeyboardOrMenu(WORD id) {
    if (CommandTarget* target = CommandTarget::Find(id)) {
        target->ExecuteCommand();
        return;
    }
    // The dialog manager finds the default and cancel buttons only among the form's direct
    // children; deeper ones (on a panel) arrive as a bare id, Enter as IDOK.
    Control* control = FindControlById(*this, id);
    if (!control && id == IDOK) control = FindDefaultButton(*this);
    if (control && IsWindowEnabled(control->Handle())) SendMessageW(control->Handle(), BM_CLICK, 0, 0);
}

Control* Form::FindDefaultButton(Control& parent) {
    for (Control* child : parent.Controls()) {
        if (auto* button = dynamic_cast<Button*>(child); button && button->Default() && button->HandleAllocated()) return button;
        if (Control* found = FindDefaultButton(*child)) return found;
    }
    return nullptr;
}

LRESULT Form::WndProc(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_COMMAND:
        if (l == 0) {
            CommandFromKeyboardOrMenu(LOWORD(w));
            return 0;
        }
        break;
    case WM_CLOSE:
        Close();
        return 0;
    case WM_DESTROY:
        // A window destroys the menu it holds; the menu belongs to its component.
        if (menu_) ::SetMenu(handle_, nullptr);
        break;
    case WM_INITMENUPOPUP:
        UpdateActions();
        break;
    case WM_MENUSELECT: {
        // The hint of the item being chosen; none once the menu closes.
        const bool closed = HIWORD(w) == 0xFFFF && l == 0;
        CommandTarget* target = closed || (HIWORD(w) & MF_POPUP) ? nullptr : CommandTarget::Find(LOWORD(w));
        Application::Instance().SetHint(target ? target->CommandHint() : std::string());
        break;
    }
    }
    return Control::WndProc(message, w, l);
}

}  // namespace lark::ui
