#pragma once
// Page control (a tab control) with tab sheets (own-class children that hold the page's
// controls, WS_EX_CONTROLPARENT so Tab enters them). ActivePage is live. A sheet with
// TabVisible = False shows no tab (the wizard moves with Back/Next).
#include "ui/win32.h"

#include "core/event.h"
#include "ui/control.h"

namespace lark::ui {

class PageControl;

class TabSheet : public Control {
    LARK_PERSISTENT_CLASS(TabSheet)
public:
    explicit TabSheet(core::Component* owner = nullptr);
    // Published: Caption, TabVisible.
    void SetCaption(std::string caption);
    bool TabVisible() const { return tabVisible_; }
    void SetTabVisible(bool on);
    PageControl* GetPageControl() const;
    int PageIndex() const;

protected:
    void FillCreateParams(CreateParams& params) override;

private:
    bool tabVisible_ = true;
};

class PageControl : public Control {
    LARK_PERSISTENT_CLASS(PageControl)
public:
    explicit PageControl(core::Component* owner = nullptr);
    std::vector<TabSheet*> Pages() const;
    TabSheet* ActivePage() const;
    void SetActivePage(TabSheet* page);
    int ActivePageIndex() const;
    void SetActivePageIndex(int index);
    // Called after a sheet's caption or tab visibility changed.
    void TabsChanged();
    core::NotifyEvent OnChange;

protected:
    void FillCreateParams(CreateParams& params) override;
    void HandleCreated() override;
    void SaveLiveState() override;
    bool Notify(NMHDR& header, LRESULT& result) override;
    void AdjustClientRect(RECT& rect) override;

private:
    void ShowActive();
    std::vector<TabSheet*> TabbedPages() const;
    TabSheet* active_ = nullptr;
};

}  // namespace lark::ui
