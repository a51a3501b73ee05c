#include "ui/menus.h"

#include <algorithm>

#include "ui/application.h"
#include "ui/form.h"
#include "ui/image_list.h"
#include "ui/reference.h"
#include "win/text.h"

namespace lark::ui {

// --- MenuItem

LARK_DEFINE_CLASS(MenuItem) {
    using core::Value;
    return core::ClassBuilder<MenuItem>("TMenuItem", &core::Component::StaticClass())
        .Custom(
            "Action", core::ClassTypeOf<Action>(), [](const MenuItem& m) { return Value(static_cast<core::Persistent*>(m.GetAction())); },
            [](MenuItem& m, const Value& v) { m.SetAction(dynamic_cast<Action*>(core::AsObject(v))); })
        .Prop("Caption", core::StringType(), &MenuItem::Caption, &MenuItem::SetCaption, Value(std::string()))
        .Prop("Checked", core::BooleanType(), &MenuItem::Checked, &MenuItem::SetChecked, Value(std::int64_t(0)))
        .Prop("Default", core::BooleanType(), &MenuItem::Default, &MenuItem::SetDefault, Value(std::int64_t(0)))
        .Prop("Enabled", core::BooleanType(), &MenuItem::Enabled, &MenuItem::SetEnabled, Value(std::int64_t(1)))
        .Prop("GroupIndex", core::ByteType(), &MenuItem::GroupIndex, &MenuItem::SetGroupIndex, Value(std::int64_t(0)))
        .Prop("ImageIndex", core::IntegerType(), &MenuItem::ImageIndex, &MenuItem::SetImageIndex, Value(std::int64_t(-1)))
        .Prop("RadioItem", core::BooleanType(), &MenuItem::RadioItem, &MenuItem::SetRadioItem, Value(std::int64_t(0)))
        .Prop("ShortCut", core::StringType(), &MenuItem::ShortCutText, &MenuItem::SetShortCutText, Value(std::string()))
        .Prop("Visible", core::BooleanType(), &MenuItem::Visible, &MenuItem::SetVisible, Value(std::int64_t(1)))
        .Event("OnClick", &MenuItem::OnClick)
        .Build();
}

MenuItem::~MenuItem() {
    BeginDestroy();
    for (MenuItem* item : items_) item->parentItem_ = nullptr;
    Unlink();
}

void MenuItem::Unlink() {
    if (parentItem_) std::erase(parentItem_->items_, this);
    if (menu_) std::erase(menu_->items_, this);
    Menu* menu = GetMenu();
    parentItem_ = nullptr;
    menu_ = nullptr;
    if (menu && !menu->IsDestroying()) menu->Rebuild();
}

Menu* MenuItem::GetMenu() const {
    const MenuItem* top = this;
    while (top->parentItem_) top = top->parentItem_;
    return top->menu_;
}

void MenuItem::Add(MenuItem* item) { item->SetParentComponent(this); }

core::Component* MenuItem::GetParentComponent() const {
    return parentItem_ ? static_cast<core::Component*>(parentItem_) : menu_;
}

void MenuItem::SetParentComponent(core::Component* parent) {
    auto* item = dynamic_cast<MenuItem*>(parent);
    auto* menu = dynamic_cast<Menu*>(parent);
    if (!item && !menu) return;
    Unlink();
    if (item) {
        parentItem_ = item;
        item->items_.push_back(this);
    } else {
        menu_ = menu;
        menu->items_.push_back(this);
    }
    StructureChanged();
}

void MenuItem::GetChildren(const std::function<void(core::Component*)>& proc, core::Component*) {
    for (MenuItem* item : items_) proc(item);
}

void MenuItem::StructureChanged() {
    if (Menu* menu = GetMenu()) menu->Rebuild();
}

void MenuItem::SetCaption(std::string caption) {
    const bool separator = (caption == "-") != (caption_ == "-");
    caption_ = std::move(caption);
    separator ? StructureChanged() : ApplyState();
}

void MenuItem::SetShortCutText(std::string text) {
    StoreShortCut(*this, std::move(text));
    ApplyState();
}

void MenuItem::SetEnabled(bool enabled) {
    enabled_ = enabled;
    ApplyState();
}

void MenuItem::SetChecked(bool checked) {
    checked_ = checked;
    ApplyState();
}

void MenuItem::SetDefault(bool on) {
    default_ = on;
    ApplyState();
}

void MenuItem::SetRadioItem(bool on) {
    radioItem_ = on;
    ApplyState();
}

void MenuItem::SetVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    StructureChanged();
}

void MenuItem::ActionChanged(Action& action) {
    const bool shown = visible_;
    static_cast<ActionLinkProperties&>(*this) = action;
    shown != visible_ ? StructureChanged() : ApplyState();
}

void MenuItem::Notification(core::Component* component, core::Operation operation) {
    core::Component::Notification(component, operation);
    if (operation == core::Operation::Remove) ActionRemoved(component);
}

std::string MenuItem::CommandHint() const { return GetAction() ? GetAction()->Hint() : std::string(); }

void MenuItem::Click() {
    if (Action* action = GetAction()) action->Execute();
    else OnClick(*this);
}

namespace {
std::wstring ItemText(const std::string& caption, const std::string& shortCut) {
    return win::Widen(shortCut.empty() ? caption : caption + "\t" + shortCut);
}
}  // namespace

void MenuItem::ApplyState() {
    if (!container_) return;
    std::wstring text = ItemText(caption_, shortCutText_);
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE | MIIM_FTYPE;
    info.fType = radioItem_ ? MFT_RADIOCHECK : MFT_STRING;
    info.fState = (enabled_ ? MFS_ENABLED : MFS_DISABLED) | (checked_ ? MFS_CHECKED : MFS_UNCHECKED) |
                  (default_ ? MFS_DEFAULT : 0);
    if (caption_ != "-") {
        info.fMask |= MIIM_STRING;
        info.dwTypeData = text.data();
    } else {
        info.fType = MFT_SEPARATOR;
    }
    SetMenuItemInfoW(container_, CommandId(), FALSE, &info);
    if (Menu* menu = GetMenu(); dynamic_cast<MainMenu*>(menu))
        if (auto* form = dynamic_cast<Form*>(menu->Owner()); form && form->HandleAllocated()) DrawMenuBar(form->Handle());
}

void MenuItem::AppendTo(HMENU menu) {
    if (!visible_) return;
    container_ = menu;
    if (caption_ == "-") {
        AppendMenuW(menu, MF_SEPARATOR, CommandId(), nullptr);
        return;
    }
    std::wstring text = ItemText(caption_, shortCutText_);
    if (!items_.empty()) {
        HMENU sub = CreatePopupMenu();
        for (MenuItem* item : items_) item->AppendTo(sub);
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
        info.wID = CommandId();
        info.hSubMenu = sub;
        info.dwTypeData = text.data();
        InsertMenuItemW(menu, GetMenuItemCount(menu), TRUE, &info);
    } else {
        AppendMenuW(menu, MF_STRING, CommandId(), text.c_str());
    }
    ApplyState();
}

// --- Menu

LARK_DEFINE_CLASS(Menu) {
    using core::Value;
    return core::ClassBuilder<Menu>("TMenu", &core::Component::StaticClass())
        .NotCreatable()
        .Custom(
            "Images", core::ClassTypeOf<ImageList>(), [](const Menu& m) { return Value(static_cast<core::Persistent*>(m.Images())); },
            [](Menu& m, const Value& v) { m.SetImages(dynamic_cast<ImageList*>(core::AsObject(v))); })
        .Build();
}

LARK_DEFINE_CLASS(MainMenu) { return core::ClassBuilder<MainMenu>("TMainMenu", &Menu::StaticClass()).Build(); }
LARK_DEFINE_CLASS(PopupMenu) {
    return core::ClassBuilder<PopupMenu>("TPopupMenu", &Menu::StaticClass()).Event("OnPopup", &PopupMenu::OnPopup).Build();
}

Menu::~Menu() {
    BeginDestroy();
    for (MenuItem* item : items_) item->menu_ = nullptr;
    if (handle_) DestroyMenu(handle_);
}

void Menu::Add(MenuItem* item) { item->SetParentComponent(this); }

void Menu::SetImages(ImageList* images) {
    SetReference(*this, images_, images);
}

void Menu::GetChildren(const std::function<void(core::Component*)>& proc, core::Component*) {
    for (MenuItem* item : items_) proc(item);
}

void Menu::Notification(core::Component* component, core::Operation operation) {
    core::Component::Notification(component, operation);
    if (operation == core::Operation::Remove && component == images_) images_ = nullptr;
}

HMENU Menu::Handle() {
    if (!handle_) {
        handle_ = CreateEmpty();
        for (MenuItem* item : items_) item->AppendTo(handle_);
    }
    return handle_;
}

namespace {
void ForgetContainers(const std::vector<MenuItem*>& items, const std::function<void(MenuItem*)>& forget) {
    for (MenuItem* item : items) {
        forget(item);
        ForgetContainers(item->Items(), forget);
    }
}
}  // namespace

void Menu::Rebuild() {
    if (!handle_) return;
    ForgetContainers(items_, [](MenuItem* item) { item->container_ = nullptr; });
    DestroyMenu(handle_);
    handle_ = nullptr;
}

MenuItem* Menu::FindItem(WORD id) const {
    auto* target = dynamic_cast<MenuItem*>(CommandTarget::Find(id));
    return target && target->GetMenu() == this ? target : nullptr;
}

void MainMenu::Rebuild() {
    const bool built = handle_ != nullptr;
    auto* form = dynamic_cast<Form*>(Owner());
    const bool shown = built && form && form->HandleAllocated() && form->Menu() == this;
    if (shown) ::SetMenu(form->Handle(), nullptr);
    Menu::Rebuild();
    if (shown) {
        ::SetMenu(form->Handle(), Handle());
        DrawMenuBar(form->Handle());
    }
}

MenuItem* PopupMenu::Popup(int x, int y, HWND owner) {
    // The actions' states first, so an OnPopup handler can show only the enabled entries.
    for (core::Component* o = Owner(); o; o = o->Owner())
        if (auto* form = dynamic_cast<Form*>(o)) {
            form->UpdateActions();
            break;
        }
    OnPopup(*this);
    Rebuild();
    if (!owner) {
        owner = Application::Instance().Handle();
        for (core::Component* o = Owner(); o; o = o->Owner())
            if (auto* control = dynamic_cast<Control*>(o); control && control->HandleAllocated()) {
                owner = control->Handle();
                break;
            }
    }
    if (!owner) owner = GetActiveWindow();
    SetForegroundWindow(owner);
    const auto id = static_cast<WORD>(
        TrackPopupMenuEx(Handle(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, x, y, owner, nullptr));
    // The menu closes properly only after the owner has seen a message.
    PostMessageW(owner, WM_NULL, 0, 0);
    MenuItem* chosen = id ? FindItem(id) : nullptr;
    if (chosen) chosen->Click();
    return chosen;
}

}  // namespace lark::ui
