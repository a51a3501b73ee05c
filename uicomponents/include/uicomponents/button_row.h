#pragma once
// The button row of the dialog template's bottom panel. Portable. Contract:
// - OrderButtonRow: the visible buttons in component order, except that a button whose Tag is
//   greater than the Tag of the button first so far moves to the front when it is added.
// - LayOutButtonRow: each button centred vertically ((panel height - button height) / 2); the row
//   right-aligned with 6 pixels between buttons and a right margin equal to the first button's
//   top margin. Buttons of unequal width are placed from the right edge, so none overlaps
//   another; with equal widths this is Left = W - (w + 6) * (n - i) + 6 - Top.
#include <vector>

namespace lark::ui {

struct RowButton {
    int tag = 0;
    bool visible = true;
    int width = 75;
    int height = 23;
};

struct RowPlace {
    int left = 0;
    int top = 0;
};

// Indices into `buttons`, in row order (left to right).
std::vector<int> OrderButtonRow(const std::vector<RowButton>& buttons);
// One place per index of `order`.
std::vector<RowPlace> LayOutButtonRow(const std::vector<RowButton>& buttons, const std::vector<int>& order,
                                      int panelWidth, int panelHeight);

}  // namespace lark::ui
