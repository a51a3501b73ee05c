#include "ui/actions.h"

#include <algorithm>
#include <map>

#include "core/text_encoding.h"
#include "ui/form.h"
#include "ui/image_list.h"
#include "ui/reference.h"

namespace lark::ui {

namespace {
struct KeyName {
    const char* name;
    WORD key;
};
constexpr KeyName kKeys[] = {
    {"Backspace", VK_BACK}, {"BkSp", VK_BACK}, {"Tab", VK_TAB}, {"Enter", VK_RETURN}, {"Esc", VK_ESCAPE},
    {"Space", VK_SPACE}, {"PgUp", VK_PRIOR}, {"PgDn", VK_NEXT}, {"End", VK_END}, {"Home", VK_HOME},
    {"Left", VK_LEFT}, {"Up", VK_UP}, {"Right", VK_RIGHT}, {"Down", VK_DOWN}, {"Ins", VK_INSERT},
    {"Del", VK_DELETE},
};

WORD KeyOf(std::string_view name) {
    for (const KeyName& k : kKeys)
        if (core::SameTextUtf8(name, k.name)) return k.key;
    if (name.size() == 1) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return static_cast<WORD>(c);
    }
    if (name.size() >= 2 && (name[0] == 'F' || name[0] == 'f')) {
        int n = 0;
        for (char c : name.substr(1)) {
            if (c < '0' || c > '9') return 0;
            n = n * 10 + (c - '0');
        }
        if (n >= 1 && n <= 24) return static_cast<WORD>(VK_F1 + n - 1);
    }
    return 0;
}
}  // namespace

ShortCut ParseShortCut(std::string_view text) {
    ShortCut result;
    if (text.empty()) return result;
    std::string_view rest = text;
    for (;;) {
        // "Ctrl++" names the plus key; a "+" after a modifier separates.
        std::size_t plus = rest.size() > 1 ? rest.find('+', 1) : std::string_view::npos;
        if (plus == std::string_view::npos) break;
        std::string_view part = rest.substr(0, plus);
        if (core::SameTextUtf8(part, "Ctrl")) result.modifiers |= FCONTROL;
        else if (core::SameTextUtf8(part, "Shift")) result.modifiers |= FSHIFT;
        else if (core::SameTextUtf8(part, "Alt")) result.modifiers |= FALT;
        else throw core::Error("\"" + std::string(text) + "\" is not a shortcut");
        rest.remove_prefix(plus + 1);
    }
    result.key = rest == "+" ? VK_OEM_PLUS : KeyOf(rest);
    if (!result.key) throw core::Error("\"" + std::string(text) + "\" is not a shortcut");
    return result;
}

// --- CommandTarget

namespace {
std::map<WORD, CommandTarget*>& Targets() {
    static std::map<WORD, CommandTarget*> targets;
    return targets;
}
constexpr WORD kFirstCommand = 0x4000, kLastCommand = 0xEFFF;
}  // namespace

CommandTarget::CommandTarget() {
    static WORD next = kFirstCommand;
    auto& targets = Targets();
    if (targets.size() > kLastCommand - kFirstCommand) throw core::Error("too many commands");
    while (targets.contains(next)) next = next == kLastCommand ? kFirstCommand : static_cast<WORD>(next + 1);
    id_ = next;
    targets[id_] = this;
    next = next == kLastCommand ? kFirstCommand : static_cast<WORD>(next + 1);
}

CommandTarget::~CommandTarget() { Targets().erase(id_); }

CommandTarget* CommandTarget::Find(WORD id) {
    auto found = Targets().find(id);
    return found == Targets().end() ? nullptr : found->second;
}

// --- ActionClient

ActionClient::~ActionClient() {
    if (action_) action_->RemoveClient(this);
}

void ActionClient::SetAction(Action* action) {
    if (action_) action_->RemoveClient(this);
    SetReference(holder_, action_, action);
    if (action_) {
        action_->AddClient(this);
        ActionChanged(*action_);
    }
}

void ActionClient::ActionRemoved(core::Component* component) {
    if (component == action_) action_ = nullptr;
}

// --- ActionList, Action

LARK_DEFINE_CLASS(ActionList) {
    using core::Value;
    return core::ClassBuilder<ActionList>("TActionList", &core::Component::StaticClass())
        .Custom(
            "Images", core::ClassTypeOf<ImageList>(), [](const ActionList& l) { return Value(static_cast<core::Persistent*>(l.Images())); },
            [](ActionList& l, const Value& v) { l.SetImages(dynamic_cast<ImageList*>(core::AsObject(v))); })
        .Build();
}

ActionList::~ActionList() {
    BeginDestroy();
    for (Action* action : actions_) action->list_ = nullptr;
}

void ActionList::SetImages(ImageList* images) {
    SetReference(*this, images_, images);
}

void ActionList::GetChildren(const std::function<void(core::Component*)>& proc, core::Component*) {
    for (Action* action : actions_) proc(action);
}

void ActionList::Notification(core::Component* component, core::Operation operation) {
    core::Component::Notification(component, operation);
    if (operation == core::Operation::Remove && component == images_) images_ = nullptr;
}

LARK_DEFINE_CLASS(Action) {
    using core::Value;
    return core::ClassBuilder<Action>("TAction", &core::Component::StaticClass())
        .Prop("Caption", core::StringType(), &Action::Caption, &Action::SetCaption, Value(std::string()))
        .Prop("Checked", core::BooleanType(), &Action::Checked, &Action::SetChecked, Value(std::int64_t(0)))
        .Prop("Enabled", core::BooleanType(), &Action::Enabled, &Action::SetEnabled, Value(std::int64_t(1)))
        .Prop("Hint", core::StringType(), &Action::Hint, &Action::SetHint, Value(std::string()))
        .Prop("ImageIndex", core::IntegerType(), &Action::ImageIndex, &Action::SetImageIndex, Value(std::int64_t(-1)))
        .Prop("ShortCut", core::StringType(), &Action::ShortCutText, &Action::SetShortCutText, Value(std::string()))
        .Prop("Visible", core::BooleanType(), &Action::Visible, &Action::SetVisible, Value(std::int64_t(1)))
        .Event("OnExecute", &Action::OnExecute)
        .Event("OnUpdate", &Action::OnUpdate)
        .Build();
}

Action::~Action() {
    BeginDestroy();
    if (list_) std::erase(list_->actions_, this);
}

void Action::SetCaption(std::string caption) {
    caption_ = std::move(caption);
    Changed();
}

void Action::SetHint(std::string hint) {
    hint_ = std::move(hint);
    Changed();
}

void ActionLinkProperties::StoreShortCut(core::Component& holder, std::string text) {
    shortCut_ = ParseShortCut(text);
    shortCutText_ = std::move(text);
    if (auto* form = dynamic_cast<Form*>(holder.Owner())) form->ShortCutsChanged();
}

void Action::SetShortCutText(std::string text) {
    StoreShortCut(*this, std::move(text));
    Changed();
}

void Action::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Changed();
}

void Action::SetChecked(bool checked) {
    if (checked == checked_) return;
    checked_ = checked;
    Changed();
}

void Action::SetVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    Changed();
}

void Action::SetImageIndex(int index) {
    imageIndex_ = index;
    Changed();
}

void Action::Changed() {
    for (ActionClient* client : std::vector<ActionClient*>(clients_)) client->ActionChanged(*this);
}

void Action::AddClient(ActionClient* client) {
    if (std::find(clients_.begin(), clients_.end(), client) == clients_.end()) clients_.push_back(client);
}

void Action::RemoveClient(ActionClient* client) { std::erase(clients_, client); }

bool Action::Execute() {
    Update();
    if (!enabled_ || !OnExecute) return false;
    OnExecute(*this);
    return true;
}

void Action::Update() { OnUpdate(*this); }

core::Component* Action::GetParentComponent() const { return list_; }

void Action::SetParentComponent(core::Component* parent) {
    if (list_) std::erase(list_->actions_, this);
    list_ = dynamic_cast<ActionList*>(parent);
    if (list_) list_->actions_.push_back(this);
}

}  // namespace lark::ui
