#include "ui/bars.h"

#include <commctrl.h>

#include <algorithm>

#include "core/compiler.h"
#include "ui/image_list.h"
#include "ui/reference.h"
#include "win/text.h"

namespace lark::ui {

namespace {
const core::TypeInfo& ToolButtonStyleType() {
    static const auto type = core::MakeEnumType("TToolButtonStyle", {"tbsButton", "tbsCheck", "tbsSeparator"});
    return *type;
}
}  // namespace

// --- ToolButton

// GCC 12 sees the moved-from std::variant default values of this builder as maybe destroyed
// uninitialised (GCC bug 80635, the std::optional false positive).
LARK_GCC_FALSE_POSITIVE("-Wmaybe-uninitialized")
LARK_DEFINE_CLASS(ToolButton) {
    using core::Value;
    return core::ClassBuilder<ToolButton>("TToolButton", &core::Component::StaticClass())
        .Custom(
            "Action", core::ClassTypeOf<Action>(), [](const ToolButton& b) { return Value(static_cast<core::Persistent*>(b.GetAction())); },
            [](ToolButton& b, const Value& v) { b.SetAction(dynamic_cast<Action*>(core::AsObject(v))); })
        .Prop("Down", core::BooleanType(), &ToolButton::Down, &ToolButton::SetDown, Value(std::int64_t(0)))
        .Prop("Enabled", core::BooleanType(), &ToolButton::Enabled, &ToolButton::SetEnabled, Value(std::int64_t(1)))
        .Prop("Hint", core::StringType(), &ToolButton::Hint, &ToolButton::SetHint, Value(std::string()))
        .Prop("ImageIndex", core::IntegerType(), &ToolButton::ImageIndex, &ToolButton::SetImageIndex, Value(std::int64_t(-1)))
        .Prop("Style", ToolButtonStyleType(), &ToolButton::Style, &ToolButton::SetStyle, Value(std::int64_t(0)))
        .Prop("Visible", core::BooleanType(), &ToolButton::Visible, &ToolButton::SetVisible, Value(std::int64_t(1)))
        .Event("OnClick", &ToolButton::OnClick)
        .Build();
}
LARK_GCC_FALSE_POSITIVE_END

ToolButton::~ToolButton() {
    BeginDestroy();
    if (bar_) {
        std::erase(bar_->buttons_, this);
        bar_->ButtonsChanged();
    }
}

core::Component* ToolButton::GetParentComponent() const { return bar_; }

void ToolButton::SetParentComponent(core::Component* parent) {
    if (bar_) std::erase(bar_->buttons_, this);
    ToolBar* old = bar_;
    bar_ = dynamic_cast<ToolBar*>(parent);
    if (bar_) bar_->buttons_.push_back(this);
    if (old) old->ButtonsChanged();
    if (bar_ && bar_ != old) bar_->ButtonsChanged();
}

void ToolButton::ActionChanged(Action& action) {
    enabled_ = action.Enabled();
    down_ = action.Checked();
    hint_ = action.Hint();
    imageIndex_ = action.ImageIndex();
    if (visible_ != action.Visible()) {
        visible_ = action.Visible();
        if (bar_) bar_->ButtonsChanged();
    } else {
        ApplyState();
    }
}

void ToolButton::Notification(core::Component* component, core::Operation operation) {
    core::Component::Notification(component, operation);
    if (operation == core::Operation::Remove) ActionRemoved(component);
}

void ToolButton::SetEnabled(bool enabled) {
    enabled_ = enabled;
    ApplyState();
}

bool ToolButton::Down() const {
    if (bar_ && bar_->HandleAllocated())
        return SendMessageW(const_cast<ToolBar*>(bar_)->Handle(), TB_ISBUTTONCHECKED, CommandId(), 0) != 0;
    return down_;
}

void ToolButton::SetDown(bool down) {
    down_ = down;
    ApplyState();
}

void ToolButton::SetImageIndex(int index) {
    imageIndex_ = index;
    if (bar_ && bar_->HandleAllocated()) SendMessageW(bar_->Handle(), TB_CHANGEBITMAP, CommandId(), index);
}

void ToolButton::SetStyle(ToolButtonStyle style) {
    style_ = style;
    if (bar_) bar_->ButtonsChanged();
}

void ToolButton::SetVisible(bool visible) {
    visible_ = visible;
    if (bar_) bar_->ButtonsChanged();
}

void ToolButton::ApplyState() {
    if (!bar_ || !bar_->HandleAllocated() || style_ == ToolButtonStyle::Separator) return;
    const LPARAM state = (enabled_ ? TBSTATE_ENABLED : 0) | (down_ ? TBSTATE_CHECKED : 0);
    SendMessageW(bar_->Handle(), TB_SETSTATE, CommandId(), state);
}

void ToolButton::Click() {
    if (Action* action = GetAction()) action->Execute();
    else OnClick(*this);
}

// --- ToolBar

LARK_DEFINE_CLASS(ToolBar) {
    using core::Value;
    return core::ClassBuilder<ToolBar>("TToolBar", &Control::StaticClass())
        .Custom(
            "Images", core::ClassTypeOf<ImageList>(), [](const ToolBar& t) { return Value(static_cast<core::Persistent*>(t.Images())); },
            [](ToolBar& t, const Value& v) { t.SetImages(dynamic_cast<ImageList*>(core::AsObject(v))); })
        .Build();
}

ToolBar::ToolBar(core::Component* owner) : Control(owner) {
    SetAlign(Align::Top);
    SetHeight(26);
}

ToolBar::~ToolBar() {
    BeginDestroy();
    for (ToolButton* button : buttons_) button->bar_ = nullptr;
}

void ToolBar::SetImages(ImageList* images) {
    SetReference(*this, images_, images);
    if (HandleAllocated()) SendMessageW(handle_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_ ? images_->Handle() : nullptr));
}

void ToolBar::GetChildren(const std::function<void(core::Component*)>& proc, core::Component* root) {
    for (ToolButton* button : buttons_) proc(button);
}

void ToolBar::Notification(core::Component* component, core::Operation operation) {
    Control::Notification(component, operation);
    if (operation == core::Operation::Remove && component == images_) images_ = nullptr;
}

void ToolBar::FillCreateParams(CreateParams& params) {
    Control::FillCreateParams(params);
    params.className = TOOLBARCLASSNAMEW;
    params.style |= TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN;
}

void ToolBar::HandleCreated() {
    Control::HandleCreated();
    SendMessageW(handle_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    if (images_) SendMessageW(handle_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_->Handle()));
    ButtonsChanged();
}

void ToolBar::ButtonsChanged() {
    if (!HandleAllocated() || IsDestroying()) return;
    while (SendMessageW(handle_, TB_BUTTONCOUNT, 0, 0) > 0) SendMessageW(handle_, TB_DELETEBUTTON, 0, 0);
    std::vector<TBBUTTON> added;
    for (ToolButton* b : buttons_) {
        if (!b->visible_) continue;
        TBBUTTON t{};
        t.idCommand = b->CommandId();
        if (b->style_ == ToolButtonStyle::Separator) {
            t.fsStyle = BTNS_SEP;
        } else {
            t.iBitmap = b->imageIndex_ >= 0 ? b->imageIndex_ : I_IMAGENONE;
            t.fsStyle = BTNS_BUTTON | (b->style_ == ToolButtonStyle::Check ? BTNS_CHECK : 0);
            t.fsState = (b->enabled_ ? TBSTATE_ENABLED : 0) | (b->down_ ? TBSTATE_CHECKED : 0);
        }
        t.iString = -1;
        added.push_back(t);
    }
    if (!added.empty()) SendMessageW(handle_, TB_ADDBUTTONSW, added.size(), reinterpret_cast<LPARAM>(added.data()));
}

bool ToolBar::Command(WORD code, WORD id) {
    for (ToolButton* b : buttons_)
        if (b->CommandId() == id) {
            b->Click();
            return true;
        }
    return false;
}

// --- StatusBar

LARK_DEFINE_CLASS(StatusPanel) {
    using core::Value;
    return core::ClassBuilder<StatusPanel>("TStatusPanel", &core::CollectionItem::StaticClass())
        .Prop("Text", core::StringType(), &StatusPanel::Text, &StatusPanel::SetText, Value(std::string()))
        .Prop("Width", core::IntegerType(), &StatusPanel::Width, &StatusPanel::SetWidth)
        .Build();
}

void StatusPanel::SetText(std::string text) {
    text_ = std::move(text);
    if (auto* c = GetCollection()) c->Update(this);
}

void StatusPanel::SetWidth(int width) {
    width_ = width;
    if (auto* c = GetCollection()) c->Update(this);
}

LARK_DEFINE_CLASS(StatusBar) {
    return core::ClassBuilder<StatusBar>("TStatusBar", &Control::StaticClass()).Object("Panels", core::ClassTypeOf<core::Collection>(), &StatusBar::Panels).Build();
}

StatusBar::PanelCollection::PanelCollection(StatusBar* bar) : core::Collection(StatusPanel::StaticClass(), bar), bar_(bar) {}

StatusBar::StatusBar(core::Component* owner) : Control(owner), panels_(this) {
    SetAlign(Align::Bottom);
    SetHeight(19);
}

void StatusBar::FillCreateParams(CreateParams& params) {
    Control::FillCreateParams(params);
    params.className = STATUSCLASSNAMEW;
    params.style |= CCS_NOPARENTALIGN | CCS_NORESIZE | SBARS_SIZEGRIP;
}

void StatusBar::HandleCreated() {
    Control::HandleCreated();
    UpdatePanels();
}

void StatusBar::UpdatePanels() {
    if (!HandleAllocated()) return;
    std::vector<int> edges;
    int right = 0;
    for (int i = 0; i < panels_.Count(); ++i) {
        right += Panel(i)->Width();
        edges.push_back(i + 1 == panels_.Count() ? -1 : right);
    }
    if (edges.empty()) edges.push_back(-1);
    SendMessageW(handle_, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    for (int i = 0; i < panels_.Count(); ++i)
        SendMessageW(handle_, SB_SETTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(win::Widen(Panel(i)->Text()).c_str()));
}

}  // namespace lark::ui
