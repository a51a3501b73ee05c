#include <gtest/gtest.h>

#include "ui/form.h"
#include "ui/standard_controls.h"

namespace lark::ui {
namespace {

std::vector<HWND> Buttons(RadioGroup& group) {
    std::vector<HWND> buttons;
    for (HWND b = GetWindow(group.Handle(), GW_CHILD); b; b = GetWindow(b, GW_HWNDNEXT)) buttons.push_back(b);
    return buttons;
}

int Checked(RadioGroup& group) {
    int checked = -1, count = 0;
    const std::vector<HWND> buttons = Buttons(group);
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (SendMessageW(buttons[i], BM_GETCHECK, 0, 0) == BST_CHECKED) {
            checked = static_cast<int>(i);
            ++count;
        }
    return count > 1 ? -2 : checked;  // -2: more than one checked
}

struct Fixture {
    Form form;
    RadioGroup* group = nullptr;
    int clicks = 0;
    explicit Fixture(int items) {
        form.SetBounds(50, 50, 300, 200);
        group = form.Create<RadioGroup>();
        group->SetName("rgAuthMethod");
        group->SetParent(&form);
        group->SetBounds(8, 8, 210, 120);
        std::vector<std::string> lines;
        for (int i = 0; i < items; ++i) lines.push_back("Item " + std::to_string(i));
        group->Items()->SetLines(lines);
        group->OnClick.Bind([this](core::Component&) { ++clicks; });
        form.Show();
    }
};

TEST(RadioGroup, ItemIndexIsClampedAndMinusOneUnchecksAll) {
    struct Case {
        int items, set, index, checked;
    } cases[] = {
        {3, 0, 0, 0}, {3, 2, 2, 2}, {3, 3, 2, 2}, {3, 99, 2, 2}, {3, -1, -1, -1}, {3, -5, -1, -1}, {0, 0, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.items) + " items, ItemIndex " + std::to_string(c.set));
        Fixture f(c.items);
        f.group->SetItemIndex(1 % std::max(c.items, 1));
        f.group->SetItemIndex(c.set);
        EXPECT_EQ(f.group->ItemIndex(), c.index);
        EXPECT_EQ(Checked(*f.group), c.checked);
        EXPECT_EQ(f.clicks, 0) << "setting ItemIndex in code is no click";
    }
}

TEST(RadioGroup, OnClickOnlyWhenTheCheckedButtonChanges) {
    Fixture f(3);
    f.group->SetItemIndex(1);
    const std::vector<HWND> buttons = Buttons(*f.group);
    struct Step {
        int button, clicks, index;
    } steps[] = {{1, 0, 1}, {2, 1, 2}, {2, 1, 2}, {0, 2, 0}, {0, 2, 0}};
    for (const Step& s : steps) {
        SendMessageW(buttons[s.button], BM_CLICK, 0, 0);
        EXPECT_EQ(f.clicks, s.clicks) << "after clicking button " << s.button;
        EXPECT_EQ(f.group->ItemIndex(), s.index);
        EXPECT_EQ(Checked(*f.group), s.index) << "checking a button unchecks its siblings";
    }
}

TEST(RadioGroup, ColumnsAreAtLeastOne) { EXPECT_THROW(Fixture(3).group->SetColumns(0), core::Error); }

TEST(RadioGroup, ButtonsDrawWithATransparentBackgroundMode) {
    Fixture f(2);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    SetBkMode(dc, OPAQUE);
    const LRESULT brush = SendMessageW(f.group->Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(Buttons(*f.group)[0]));
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    EXPECT_NE(brush, 0);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

}  // namespace
}  // namespace lark::ui
