#include "ui/page_control.h"

#include <commctrl.h>

#include <algorithm>

#include "win/text.h"

namespace lark::ui {

LARK_DEFINE_CLASS(TabSheet) {
    using core::Value;
    return core::ClassBuilder<TabSheet>("TTabSheet", &Control::StaticClass())
        .Prop("Caption", core::StringType(), &TabSheet::Text, &TabSheet::SetCaption, Value(std::string()))
        .Prop("TabVisible", core::BooleanType(), &TabSheet::TabVisible, &TabSheet::SetTabVisible, Value(std::int64_t(1)))
        .Build();
}

TabSheet::TabSheet(core::Component* owner) : Control(owner) {
    SetVisible(false);
    SetAlign(Align::Client);
}

void TabSheet::SetCaption(std::string caption) {
    SetText(std::move(caption));
    if (PageControl* pages = GetPageControl()) pages->TabsChanged();
}

PageControl* TabSheet::GetPageControl() const { return dynamic_cast<PageControl*>(Parent()); }

int TabSheet::PageIndex() const {
    PageControl* pages = GetPageControl();
    if (!pages) return -1;
    auto all = pages->Pages();
    auto at = std::find(all.begin(), all.end(), this);
    return at == all.end() ? -1 : static_cast<int>(at - all.begin());
}

void TabSheet::SetTabVisible(bool on) {
    tabVisible_ = on;
    if (PageControl* pages = GetPageControl()) pages->TabsChanged();
}

void TabSheet::FillCreateParams(CreateParams& params) {
    Control::FillCreateParams(params);
    params.ownClass = true;
    params.style |= WS_CLIPCHILDREN;
    params.exStyle |= WS_EX_CONTROLPARENT;
}

LARK_DEFINE_CLASS(PageControl) {
    using core::Value;
    return core::ClassBuilder<PageControl>("TPageControl", &Control::StaticClass())
        .Custom(
            "ActivePage", core::ClassTypeOf<TabSheet>(), [](const PageControl& p) { return Value(static_cast<core::Persistent*>(p.ActivePage())); },
            [](PageControl& p, const Value& v) { p.SetActivePage(dynamic_cast<TabSheet*>(core::AsObject(v))); })
        .Event("OnChange", &PageControl::OnChange)
        .Build();
}

PageControl::PageControl(core::Component* owner) : Control(owner) { SetTabStop(true); }

std::vector<TabSheet*> PageControl::Pages() const {
    std::vector<TabSheet*> pages;
    for (Control* c : Controls())
        if (auto* sheet = dynamic_cast<TabSheet*>(c)) pages.push_back(sheet);
    return pages;
}

std::vector<TabSheet*> PageControl::TabbedPages() const {
    std::vector<TabSheet*> pages = Pages();
    std::erase_if(pages, [](TabSheet* p) { return !p->TabVisible(); });
    return pages;
}

TabSheet* PageControl::ActivePage() const {
    if (HandleAllocated()) {
        // The user changes pages only through the tabs.
        const auto tabbed = TabbedPages();
        const int index = static_cast<int>(SendMessageW(handle_, TCM_GETCURSEL, 0, 0));
        if (active_ && active_->TabVisible() && index >= 0 && index < static_cast<int>(tabbed.size()))
            return tabbed[static_cast<std::size_t>(index)];
    }
    if (active_) return active_;
    auto pages = Pages();
    return pages.empty() ? nullptr : pages.front();
}

void PageControl::SetActivePage(TabSheet* page) {
    if (page && page->GetPageControl() != this) {
        // While a definition is read the sheet may not be parented yet.
        if (!IsLoading()) throw core::Error(NamePath() + ": " + page->Name() + " is not one of its pages");
    }
    active_ = page;
    ShowActive();
}

int PageControl::ActivePageIndex() const {
    TabSheet* page = ActivePage();
    return page ? page->PageIndex() : -1;
}

void PageControl::SetActivePageIndex(int index) {
    auto pages = Pages();
    if (index < 0 || index >= static_cast<int>(pages.size()))
        throw core::Error(NamePath() + ": no page " + std::to_string(index));
    SetActivePage(pages[static_cast<std::size_t>(index)]);
}

void PageControl::ShowActive() {
    if (!HandleAllocated()) return;
    TabSheet* active = active_ ? active_ : ActivePage();
    const auto tabbed = TabbedPages();
    auto at = std::find(tabbed.begin(), tabbed.end(), active);
    SendMessageW(handle_, TCM_SETCURSEL, at == tabbed.end() ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(at - tabbed.begin()), 0);
    for (TabSheet* page : Pages()) page->SetVisible(page == active);
}

void PageControl::TabsChanged() {
    if (!HandleAllocated()) return;
    TabSheet* active = ActivePage();
    SendMessageW(handle_, TCM_DELETEALLITEMS, 0, 0);
    int i = 0;
    for (TabSheet* page : TabbedPages()) {
        std::wstring caption = win::Widen(page->Text());
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = caption.data();
        SendMessageW(handle_, TCM_INSERTITEMW, i++, reinterpret_cast<LPARAM>(&item));
    }
    active_ = active;
    ShowActive();
    AlignControls();
}

void PageControl::FillCreateParams(CreateParams& params) {
    Control::FillCreateParams(params);
    params.className = WC_TABCONTROLW;
    params.style |= WS_CLIPCHILDREN;
    params.exStyle |= WS_EX_CONTROLPARENT;
}

void PageControl::HandleCreated() {
    Control::HandleCreated();
    TabsChanged();
}

void PageControl::SaveLiveState() {
    if (HandleAllocated()) active_ = ActivePage();
    Control::SaveLiveState();
}

void PageControl::AdjustClientRect(RECT& rect) {
    if (!TabbedPages().empty()) SendMessageW(handle_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rect));
}

bool PageControl::Notify(NMHDR& header, LRESULT& result) {
    if (header.code != TCN_SELCHANGE) return false;
    const auto tabbed = TabbedPages();
    const int index = static_cast<int>(SendMessageW(handle_, TCM_GETCURSEL, 0, 0));
    if (index >= 0 && index < static_cast<int>(tabbed.size())) active_ = tabbed[static_cast<std::size_t>(index)];
    ShowActive();
    OnChange(*this);
    return true;
}

}  // namespace lark::ui
