#include "uicomponents/button_row.h"

#include <gtest/gtest.h>

namespace lark::ui {
namespace {

struct Case {
    const char* name;
    std::vector<RowButton> buttons;
    int panelWidth, panelHeight;
    std::vector<int> order;
    std::vector<int> lefts;
    std::vector<int> tops;
};

TEST(ButtonRow, PlacesTheVisibleButtonsFromTheRight) {
    const RowButton ok{0, true, 75, 23}, cancel{0, true, 75, 23}, help{0, true, 75, 23};
    const Case cases[] = {
        {"the template: OK, Cancel, Help", {ok, cancel, help}, 447, 39, {0, 1, 2}, {202, 283, 364}, {8, 8, 8}},
        {"Help hidden: same right margin", {ok, cancel, {0, false, 75, 23}}, 447, 39, {0, 1}, {283, 364}, {8, 8}},
        {"a larger Tag moves to the front", {ok, cancel, {5, true, 75, 23}}, 447, 39, {2, 0, 1}, {202, 283, 364},
         {8, 8, 8}},
        {"a larger Tag than the first only", {{3, true, 75, 23}, cancel, {2, true, 75, 23}}, 447, 39, {0, 1, 2},
         {202, 283, 364}, {8, 8, 8}},
        {"unequal widths do not overlap", {{0, true, 120, 23}, {0, true, 75, 23}, {0, true, 40, 23}}, 447, 39,
         {0, 1, 2}, {192, 318, 399}, {8, 8, 8}},
        {"unequal heights centre each", {{0, true, 75, 23}, {0, true, 75, 31}}, 300, 39, {0, 1}, {136, 217}, {8, 4}},
        {"no visible button", {{0, false, 75, 23}}, 300, 39, {}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<int> order = OrderButtonRow(c.buttons);
        EXPECT_EQ(order, c.order);
        const std::vector<RowPlace> places = LayOutButtonRow(c.buttons, order, c.panelWidth, c.panelHeight);
        std::vector<int> lefts, tops;
        for (const RowPlace& p : places) {
            lefts.push_back(p.left);
            tops.push_back(p.top);
        }
        EXPECT_EQ(lefts, c.lefts);
        EXPECT_EQ(tops, c.tops);
        for (std::size_t i = 1; i < places.size(); ++i)
            EXPECT_LE(places[i - 1].left + c.buttons[order[i - 1]].width + 6, places[i].left) << "overlap at " << i;
    }
}

}  // namespace
}  // namespace lark::ui
