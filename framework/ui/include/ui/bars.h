#pragma once
// Tool bar with buttons (mirroring their actions) and status bar with panels.
#include "ui/win32.h"

#include <string>
#include <vector>

#include "core/collection.h"
#include "core/event.h"
#include "ui/actions.h"
#include "ui/control.h"

namespace lark::ui {

class ImageList;
class ToolBar;

enum class ToolButtonStyle { Button, Check, Separator };

class ToolButton : public core::Component, public CommandTarget, public ActionClient {
    LARK_PERSISTENT_CLASS(ToolButton)
public:
    explicit ToolButton(core::Component* owner = nullptr) : core::Component(owner), ActionClient(this) {}
    ~ToolButton() override;
    // Published: Action, Down, Enabled, Hint, ImageIndex, Style, Visible, OnClick.
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Down() const;
    void SetDown(bool down);
    const std::string& Hint() const { return hint_; }
    void SetHint(std::string hint) { hint_ = std::move(hint); }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    ToolButtonStyle Style() const { return style_; }
    void SetStyle(ToolButtonStyle style);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);

    void Click();
    void ExecuteCommand() override { Click(); }
    std::string CommandHint() const override { return hint_; }
    void ActionChanged(Action& action) override;

    bool HasParent() const override { return true; }
    core::Component* GetParentComponent() const override;
    void SetParentComponent(core::Component* parent) override;
    void Notification(core::Component* component, core::Operation operation) override;

    core::NotifyEvent OnClick;

private:
    friend class ToolBar;
    void ApplyState();
    bool enabled_ = true, down_ = false, visible_ = true;
    std::string hint_;
    int imageIndex_ = -1;
    ToolButtonStyle style_ = ToolButtonStyle::Button;
    ToolBar* bar_ = nullptr;
};

class ToolBar : public Control {
    LARK_PERSISTENT_CLASS(ToolBar)
public:
    explicit ToolBar(core::Component* owner = nullptr);
    ~ToolBar() override;
    ImageList* Images() const { return images_; }
    void SetImages(ImageList* images);
    const std::vector<ToolButton*>& Buttons() const { return buttons_; }
    void GetChildren(const std::function<void(core::Component*)>& proc, core::Component* root) override;
    void Notification(core::Component* component, core::Operation operation) override;

protected:
    void FillCreateParams(CreateParams& params) override;
    void HandleCreated() override;
    bool Command(WORD code, WORD id) override;

private:
    friend class ToolButton;
    void ButtonsChanged();
    std::vector<ToolButton*> buttons_;
    ImageList* images_ = nullptr;
};

class StatusPanel : public core::CollectionItem {
    LARK_PERSISTENT_CLASS(StatusPanel)
public:
    const std::string& Text() const { return text_; }
    void SetText(std::string text);
    int Width() const { return width_; }
    void SetWidth(int width);

private:
    std::string text_;
    int width_ = 50;
};

class StatusBar : public Control {
    LARK_PERSISTENT_CLASS(StatusBar)
public:
    explicit StatusBar(core::Component* owner = nullptr);
    core::Collection* Panels() { return &panels_; }
    StatusPanel* Panel(int index) { return panels_.ItemAs<StatusPanel>(index); }
    // Applies the panels' widths and texts to the window.
    void UpdatePanels();

protected:
    void FillCreateParams(CreateParams& params) override;
    void HandleCreated() override;

private:
    class PanelCollection : public core::Collection {
    public:
        explicit PanelCollection(StatusBar* bar);
        void Update(core::CollectionItem* item) override { bar_->UpdatePanels(); }

    private:
        StatusBar* bar_;
    };
    PanelCollection panels_;
};

}  // namespace lark::ui
