#include "uicomponents/button_row.h"

namespace lark::ui {

std::vector<int> OrderButtonRow(const std::vector<RowButton>& buttons) {
    std::vector<int> order;
    for (int i = 0; i < static_cast<int>(buttons.size()); ++i) {
        if (!buttons[i].visible) continue;
        if (!order.empty() && buttons[i].tag > buttons[order.front()].tag) order.insert(order.begin(), i);
        else order.push_back(i);
    }
    return order;
}

std::vector<RowPlace> LayOutButtonRow(const std::vector<RowButton>& buttons, const std::vector<int>& order,
                                      int panelWidth, int panelHeight) {
    std::vector<RowPlace> places(order.size());
    if (order.empty()) return places;
    const int margin = (panelHeight - buttons[order.front()].height) / 2;
    int right = panelWidth - margin;
    for (int i = static_cast<int>(order.size()) - 1; i >= 0; --i) {
        const RowButton& button = buttons[order[i]];
        places[i].top = (panelHeight - button.height) / 2;
        places[i].left = right - button.width;
        right = places[i].left - 6;
    }
    return places;
}

}  // namespace lark::ui
