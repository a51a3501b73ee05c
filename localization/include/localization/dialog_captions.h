#pragma once
// The dialog-caption list of a translation component: window captions of the message boxes
// (by dialog type), their button captions and, when a component serves the common file
// dialogs too ("all dialogs"), those dialogs' control captions. A line's identifier is its
// default caption without "&"; lookups compare identifiers without regard to case.
#include <array>
#include <string>
#include <string_view>

#include "localization/translation_format.h"

namespace lark::localization {

inline constexpr std::size_t kDefaultDialogCaptionCount = 15;
inline constexpr std::size_t kAllDialogCaptionCount = 82;

// "Warning" ... "&Help": the message boxes' window and button captions, in list order.
const std::array<std::string_view, kDefaultDialogCaptionCount>& DefaultDialogCaptions();
// "&Open" ... "(None)": the common dialogs' control captions that follow with all dialogs.
const std::array<std::string_view, kAllDialogCaptionCount - kDefaultDialogCaptionCount>& CommonDialogCaptions();

// The caption without its "&" marks: the identifier of its line.
std::string DialogCaptionIdentifier(std::string_view caption);

// The 15 default lines (identifier, delim, caption, delim).
StringList DefaultDialogCaptionLines(char delim);

// Grows a list of exactly the 15 default lines to 82 when allDialogs is set, or shrinks a list
// of exactly 82 lines to the lines of the 15 default identifiers when it is clear; any other
// count is left alone (a window definition wrote its own list).
void SyncDialogCaptions(StringList& list, bool allDialogs, char delim);

}  // namespace lark::localization
