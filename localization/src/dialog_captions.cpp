#include "localization/dialog_captions.h"

#include <algorithm>

#include "text_1252.h"

namespace lark::localization {

const std::array<std::string_view, kDefaultDialogCaptionCount>& DefaultDialogCaptions() {
    static constexpr std::array<std::string_view, kDefaultDialogCaptionCount> kCaptions = {
        "Warning", "Error", "Information", "Confirm", "&Yes", "&No", "OK", "Cancel",
        "&Abort", "&Retry", "&Ignore", "&All", "N&o To All", "Y&es To All", "&Help"};
    return kCaptions;
}

const std::array<std::string_view, kAllDialogCaptionCount - kDefaultDialogCaptionCount>& CommonDialogCaptions() {
    static constexpr std::array<std::string_view, kAllDialogCaptionCount - kDefaultDialogCaptionCount> kCaptions = {
        "&Open", "Look &in:", "File &name:", "Files of &type:", "&Read-only", "&Save", "&Drives:", "Save &in:",
        "Save as &type:", "&Basic colors:", "&Custom colors:", "&Define Custom Colors >>", "Color", "|S&olid",
        "Hu&e:", "&Sat:", "&Lum:", "&Red:", "&Green:", "Bl&ue:", "&Add to Custom Colors", "&Font:",
        "Font st&yle:", "Si&ze:", "&Color:", "&Apply", "Effects", "Stri&keout", "&Underline", "Sample",
        "Sc&ript:", "Printer", "&Name:", "&Properties", "Status:", "Type:", "Where:", "Comment:", "Paper",
        "&Source:", "Orientation", "P&ortrait", "L&andscape", "Print to f&ile", "Print", "Pa&ges",
        "&Selection", "&from:", "&to:", "Copies", "Number of &copies:", "C&ollate", "Fi&nd what:",
        "Match &whole words only", "Match &case", "Direction", "&Up", "&Down", "&Find Next", "&Replace",
        "Replace &All", "Re&place with:", "Picture:", "Preview", "New Folder", "Folder:", "(None)"};
    return kCaptions;
}

std::string DialogCaptionIdentifier(std::string_view caption) {
    std::string id(caption);
    id.erase(std::remove(id.begin(), id.end(), '&'), id.end());
    return id;
}

namespace {

std::string LineOf(std::string_view caption, char delim) {
    return DialogCaptionIdentifier(caption) + delim + std::string(caption) + delim;
}

bool IsDefaultIdentifier(std::string_view id) {
    const auto& defaults = DefaultDialogCaptions();
    return std::any_of(defaults.begin(), defaults.end(), [&](std::string_view caption) {
        return detail::EqualFolded(DialogCaptionIdentifier(caption), id);
    });
}

}  // namespace

StringList DefaultDialogCaptionLines(char delim) {
    StringList lines;
    for (std::string_view caption : DefaultDialogCaptions()) lines.push_back(LineOf(caption, delim));
    return lines;
}

void SyncDialogCaptions(StringList& list, bool allDialogs, char delim) {
    if (allDialogs && list.size() == kDefaultDialogCaptionCount) {
        for (std::string_view caption : CommonDialogCaptions()) list.push_back(LineOf(caption, delim));
    } else if (!allDialogs && list.size() == kAllDialogCaptionCount) {
        std::erase_if(list, [&](const std::string& line) { return !IsDefaultIdentifier(DelimitedField(line, delim, 0)); });
    }
}

}  // namespace lark::localization
