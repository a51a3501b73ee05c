#pragma once
// Main and popup menus. The HMENU is built when it is first needed (the form's handle, a popup)
// and rebuilt when items come, go or are hidden; state changes (caption, enabled, checked) reach
// the built menu with one SetMenuItemInfoW. PopupMenu::Popup tracks with TPM_RETURNCMD and clicks
// the chosen item itself, so it works the same inside a host process.
#include "ui/win32.h"

#include <string>
#include <vector>

#include "core/component.h"
#include "core/event.h"
#include "ui/actions.h"

namespace lark::ui {

class Menu;
class ImageList;

class MenuItem : public core::Component, public CommandTarget, public ActionClient, public ActionLinkProperties {
    LARK_PERSISTENT_CLASS(MenuItem)
public:
    explicit MenuItem(core::Component* owner = nullptr) : core::Component(owner), ActionClient(this) {}
    ~MenuItem() override;

    // "-" makes a separator.
    void SetCaption(std::string caption);
    void SetShortCutText(std::string text);
    void SetEnabled(bool enabled);
    void SetChecked(bool checked);
    void SetVisible(bool visible);
    bool Default() const { return default_; }
    void SetDefault(bool on);
    bool RadioItem() const { return radioItem_; }
    void SetRadioItem(bool on);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int index) { groupIndex_ = index; }
    void SetImageIndex(int index) { imageIndex_ = index; }

    const std::vector<MenuItem*>& Items() const { return items_; }
    void Add(MenuItem* item);
    // The menu this item belongs to (through its parent items), or null.
    Menu* GetMenu() const;
    // Runs the action, or OnClick.
    void Click();
    void ExecuteCommand() override { Click(); }
    std::string CommandHint() const override;
    void ActionChanged(Action& action) override;

    bool HasParent() const override { return true; }
    core::Component* GetParentComponent() const override;
    void SetParentComponent(core::Component* parent) override;
    void GetChildren(const std::function<void(core::Component*)>& proc, core::Component* root) override;
    void Notification(core::Component* component, core::Operation operation) override;

    core::NotifyEvent OnClick;

private:
    friend class Menu;
    void AppendTo(HMENU menu);
    void ApplyState();
    void StructureChanged();
    void Unlink();

    bool default_ = false, radioItem_ = false;
    int groupIndex_ = 0;
    MenuItem* parentItem_ = nullptr;
    Menu* menu_ = nullptr;           // for top-level items
    std::vector<MenuItem*> items_;
    HMENU container_ = nullptr;      // the built menu holding this item
};

class Menu : public core::Component {
    LARK_PERSISTENT_CLASS(Menu)
public:
    explicit Menu(core::Component* owner = nullptr) : core::Component(owner) {}
    ~Menu() override;
    const std::vector<MenuItem*>& Items() const { return items_; }
    void Add(MenuItem* item);
    ImageList* Images() const { return images_; }
    void SetImages(ImageList* images);
    // The built menu, made on first use.
    HMENU Handle();
    // Destroys the built menu (it is built again when needed).
    virtual void Rebuild();
    // The item of a command id among this menu's items, or null.
    MenuItem* FindItem(WORD id) const;

    void GetChildren(const std::function<void(core::Component*)>& proc, core::Component* root) override;
    void Notification(core::Component* component, core::Operation operation) override;

protected:
    virtual HMENU CreateEmpty() = 0;
    HMENU handle_ = nullptr;

private:
    friend class MenuItem;
    std::vector<MenuItem*> items_;
    ImageList* images_ = nullptr;
};

class MainMenu : public Menu {
    LARK_PERSISTENT_CLASS(MainMenu)
public:
    explicit MainMenu(core::Component* owner = nullptr) : Menu(owner) {}
    void Rebuild() override;

protected:
    HMENU CreateEmpty() override { return CreateMenu(); }
};

class PopupMenu : public Menu {
    LARK_PERSISTENT_CLASS(PopupMenu)
public:
    explicit PopupMenu(core::Component* owner = nullptr) : Menu(owner) {}
    // Updates the owning form's actions, raises OnPopup, shows the menu at screen coordinates
    // and clicks the chosen item; the chosen item, or null when the menu was dismissed. `owner`
    // owns the menu while it is tracked (default: the window of the control that holds the menu,
    // else the application's).
    MenuItem* Popup(int x, int y, HWND owner = nullptr);
    core::NotifyEvent OnPopup;

protected:
    HMENU CreateEmpty() override { return CreatePopupMenu(); }
};

}  // namespace lark::ui
