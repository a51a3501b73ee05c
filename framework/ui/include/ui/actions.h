#pragma once
// Actions and the command ids behind menus, actions and tool buttons. An Action ("TAction")
// holds a command's caption, hint, shortcut, state and image, and its OnExecute/OnUpdate
// handlers; the clients that name it (menu items, buttons, tool buttons) mirror its state. The
// form builds its shortcut table from its actions and menu items; the message loop translates
// it; idle time runs every OnUpdate, so a handler that disables an action disables its menu
// item and its tool button together.
#include "ui/win32.h"

#include <string>
#include <string_view>
#include <vector>

#include "core/component.h"
#include "core/event.h"

namespace lark::ui {

class ImageList;

// A shortcut as written in definitions ("Ctrl+N", "Shift+Ctrl+S", "Del", "F5", "Alt+Enter").
struct ShortCut {
    WORD key = 0;          // virtual key; 0: none
    BYTE modifiers = 0;    // FCONTROL | FSHIFT | FALT
    bool operator==(const ShortCut&) const = default;
};
// Raises core::Error naming the text when it is not a shortcut; empty text: none.
ShortCut ParseShortCut(std::string_view text);

// Something a WM_COMMAND without a control runs: menu items, actions, tool buttons. Ids are
// process-wide (0x4000..0xEFFF), so a popup menu in a host process works the same.
class CommandTarget {
public:
    CommandTarget();
    virtual ~CommandTarget();
    CommandTarget(const CommandTarget&) = delete;
    CommandTarget& operator=(const CommandTarget&) = delete;
    WORD CommandId() const { return id_; }
    virtual void ExecuteCommand() = 0;
    // The tool tip of the command (tool buttons show their hint).
    virtual std::string CommandHint() const { return {}; }
    static CommandTarget* Find(WORD id);

private:
    WORD id_;
};

class Action;

// What an action and the menu items that mirror it both publish: caption, shortcut, state and
// image. The holder's setters store into these and then show the change their own way.
class ActionLinkProperties {
public:
    const std::string& Caption() const { return caption_; }
    const std::string& ShortCutText() const { return shortCutText_; }
    ShortCut GetShortCut() const { return shortCut_; }
    bool Enabled() const { return enabled_; }
    bool Checked() const { return checked_; }
    bool Visible() const { return visible_; }
    int ImageIndex() const { return imageIndex_; }

protected:
    // Parses the text first (a text that is no shortcut raises and changes nothing), then tells
    // the holder's form that its shortcut table is stale.
    void StoreShortCut(core::Component& holder, std::string text);

    std::string caption_, shortCutText_;
    ShortCut shortCut_;
    bool enabled_ = true, checked_ = false, visible_ = true;
    int imageIndex_ = -1;
};

// A component that mirrors an action (menu items, buttons, tool buttons): it links to the
// action and follows its changes; the link goes when either side is freed.
class ActionClient {
public:
    virtual ~ActionClient();
    Action* GetAction() const { return action_; }
    void SetAction(Action* action);
    virtual void ActionChanged(Action& action) = 0;

protected:
    explicit ActionClient(core::Component* holder) : holder_(*holder) {}
    ActionClient(const ActionClient&) = delete;
    ActionClient& operator=(const ActionClient&) = delete;
    // From the holder's Notification.
    void ActionRemoved(core::Component* component);

private:
    core::Component& holder_;
    Action* action_ = nullptr;
};

class ActionList : public core::Component {
    LARK_PERSISTENT_CLASS(ActionList)
public:
    explicit ActionList(core::Component* owner = nullptr) : core::Component(owner) {}
    ~ActionList() override;
    ImageList* Images() const { return images_; }
    void SetImages(ImageList* images);
    const std::vector<Action*>& Actions() const { return actions_; }
    void GetChildren(const std::function<void(core::Component*)>& proc, core::Component* root) override;
    void Notification(core::Component* component, core::Operation operation) override;

private:
    friend class Action;
    std::vector<Action*> actions_;
    ImageList* images_ = nullptr;
};

class Action : public core::Component, public CommandTarget, public ActionLinkProperties {
    LARK_PERSISTENT_CLASS(Action)
public:
    explicit Action(core::Component* owner = nullptr) : core::Component(owner) {}
    ~Action() override;

    void SetCaption(std::string caption);
    const std::string& Hint() const { return hint_; }
    void SetHint(std::string hint);
    void SetShortCutText(std::string text);
    void SetEnabled(bool enabled);
    void SetChecked(bool checked);
    void SetVisible(bool visible);
    void SetImageIndex(int index);
    ActionList* List() const { return list_; }

    // Runs OnUpdate, then OnExecute when enabled; false when nothing ran.
    bool Execute();
    void Update();
    void ExecuteCommand() override { Execute(); }

    void AddClient(ActionClient* client);
    void RemoveClient(ActionClient* client);

    bool HasParent() const override { return true; }
    core::Component* GetParentComponent() const override;
    void SetParentComponent(core::Component* parent) override;

    core::NotifyEvent OnExecute, OnUpdate;

private:
    friend class ActionList;
    void Changed();
    std::string hint_;
    ActionList* list_ = nullptr;
    std::vector<ActionClient*> clients_;
};

}  // namespace lark::ui
