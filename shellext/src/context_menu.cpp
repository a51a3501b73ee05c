#include "shellext/context_menu.h"

#include <algorithm>
#include <array>

#include "core/errors.h"
#include "core/text_encoding.h"

namespace lark::shellext {

namespace {

using namespace menu_command;

MenuEntry Entry(std::uint32_t id, std::string text, bool grayed = false) {
    MenuEntry e;
    e.id = id;
    e.text = std::move(text);
    e.grayed = grayed;
    return e;
}

MenuEntry Separator() {
    MenuEntry e;
    e.separator = true;
    return e;
}

// Offsets the ids, drops what does not fit below lastId and the separators left leading,
// trailing or doubled; records the largest offset used.
std::vector<MenuEntry> Fit(std::vector<MenuEntry> entries, std::uint32_t firstId, std::uint32_t lastId,
                           std::uint32_t& span) {
    std::vector<MenuEntry> out;
    for (MenuEntry& e : entries) {
        if (e.separator) {
            if (!out.empty() && !out.back().separator) out.push_back(std::move(e));
            continue;
        }
        const std::uint64_t id = std::uint64_t{firstId} + e.id;
        if (id > lastId) continue;
        if (!e.submenu.empty()) {
            e.submenu = Fit(std::move(e.submenu), firstId, lastId, span);
            if (e.submenu.empty()) continue;  // a submenu with nothing in it is no entry
        }
        span = std::max(span, e.id + 1);
        e.id = static_cast<std::uint32_t>(id);
        out.push_back(std::move(e));
    }
    while (!out.empty() && out.back().separator) out.pop_back();
    return out;
}

struct Verb {
    const char* text;
    std::uint32_t command;
};
constexpr std::array<Verb, 6> kVerbs = {{{"open", kOpen},
                                         {"delete", kDelete},
                                         {"rename", kRename},
                                         {"properties", kProperties},
                                         {"copy", kCopy},
                                         {"paste", kPaste}}};

}  // namespace

BuiltMenu BuildContextMenu(const MenuState& state, const TDM& texts, std::uint32_t firstId, std::uint32_t lastId) {
    std::vector<MenuEntry> entries;
    if (state.hasItems) {
        MenuEntry open = state.explore ? Entry(kOpen, texts.Text("STR_13")) : Entry(kExplore, texts.Text("STR_17"));
        open.isDefault = true;
        entries.push_back(std::move(open));
        entries.push_back(Separator());
        entries.push_back(Entry(kCopy, texts.Text("STR_18")));
        entries.push_back(Entry(kPaste, texts.Text("STR_16"), !state.canPaste));
        entries.push_back(Separator());
        entries.push_back(Entry(kDelete, texts.Text("STR_8")));
        entries.push_back(Entry(kRename, texts.Text("STR_7"), !state.ownerIsView && !state.hostRenames));
        if (state.ownerIsView && state.insideSite) entries.push_back(Entry(kMoveTo, texts.Text("STR_4")));
        entries.push_back(Separator());
        entries.push_back(Entry(kProperties, texts.Text("STR_6")));
    } else {
        if (state.ownerIsView) {
            MenuEntry view = Entry(kView, texts.Text("STR_21"));
            const std::array<std::pair<std::uint32_t, const char*>, 4> modes = {
                {{kLargeIcons, "STR_37"}, {kSmallIcons, "STR_38"}, {kList, "STR_39"}, {kDetails, "STR_40"}}};
            for (const auto& [id, text] : modes) {
                MenuEntry mode = Entry(id, texts.Text(text));
                mode.radio = true;
                mode.checked = static_cast<int>(id - kLargeIcons + 1) == state.viewMode;
                view.submenu.push_back(std::move(mode));
            }
            entries.push_back(std::move(view));
            entries.push_back(Separator());
        }
        entries.push_back(Entry(kPaste, texts.Text("STR_16"), !state.canPaste));
        if (state.ownerIsView) entries.push_back(Entry(kRefresh, texts.Text("STR_1")));
        entries.push_back(Separator());
        MenuEntry add = Entry(kNew, texts.Text("STR_27"));
        add.submenu.push_back(Entry(kNewFolder, texts.Text("STR_23")));
        add.submenu.push_back(Entry(kNewProfile, texts.Text("STR_22"), state.insideSite));
        entries.push_back(std::move(add));
    }
    BuiltMenu built;
    built.entries = Fit(std::move(entries), firstId, lastId, built.span);
    return built;
}

std::optional<std::uint32_t> CommandOfVerb(std::string_view verb) {
    for (const Verb& v : kVerbs)
        if (core::SameTextUtf8(verb, v.text)) return v.command;
    return std::nullopt;
}

std::string_view VerbOfCommand(std::uint32_t command) {
    if (command == kExplore) command = kOpen;
    for (const Verb& v : kVerbs)
        if (v.command == command) return v.text;
    return {};
}

bool IsInsideSite(const ItemIdList* relative) {
    const ItemIdList* own = LastOwnItem(relative);
    if (TFTPObject* site = SiteNodeOf(own)) return !site->IsFolder();
    const TFSObject* dir = RemoteNodeOf(own);
    return dir && dir->IsFolder();
}

ActionResult InvokeMenuCommand(std::uint32_t command, const MenuTarget& target, ActionContext& context,
                               ClipboardWriter& clipboard) {
    const ItemIdList* first = target.count > 0 ? target.items : nullptr;
    switch (command) {
        case kOpen:
        case kExplore:
            return OpenItems(target.window, target.count, target.items, target.folderList, context);
        case kDelete:
            return DeleteItems(target.window, target.count, target.folderList, target.items, context) < 0 ? kActionFail
                                                                                                          : kActionOk;
        case kRename:
            if (!target.view || target.count == 0) return kActionInvalidArg;
            target.view->StartRename();
            return kActionOk;
        case kProperties: {
            if (!first) return kActionInvalidArg;
            if (target.view && target.count > 1 && target.insideSite) {
                std::vector<std::pair<std::string, TFSObject*>> objects;
                for (const ItemIdList* item : SplitItems(target.items, target.count))
                    if (TFSObject* node = RemoteNodeOf(item)) objects.emplace_back(node->Name, node);
                if (objects.size() > 1) {
                    if (context.dialogs.EditFSObjects(context.folder, objects))
                        context.shell.Notify(ShellChange::UpdateDir, target.folderList, nullptr);
                    return kActionOk;
                }
            }
            ItemIdList* one = CopyFirstPidlItem(first);
            ItemIdList* absolute = one ? CombinePidls(target.folderList, one) : nullptr;
            FreePidl(one);
            if (!absolute) return kActionFail;
            const ActionResult result = ShowItemProperties(absolute, context);
            FreePidl(absolute);
            return result;
        }
        case kRefresh:
            return target.view ? target.view->RefreshView() : kActionInvalidArg;
        case kCopy:
            return target.count > 0 ? clipboard.CopyToClipboard(target) : kActionInvalidArg;
        case kPaste: {
            if (!first) return PasteFromClipboard(target.folderList, nullptr, context);
            ItemIdList* one = CopyFirstPidlItem(first);
            if (!one) return kActionFail;
            const ActionResult result = PasteFromClipboard(target.folderList, one, context);
            FreePidl(one);
            return result;
        }
        case kMoveTo:
            return MoveToFolder(target.window, target.count, target.items, target.folder, context);
        case kLargeIcons:
        case kSmallIcons:
        case kList:
        case kDetails:
            if (!target.view) return kActionInvalidArg;
            target.view->ApplyViewMode(command);
            return kActionOk;
        case kNewFolder:
            return CreateNewItem(target.folder, target.insideSite ? NewItemKind::RemoteDirectory : NewItemKind::SiteFolder,
                                 context);
        case kNewProfile:
            if (target.insideSite) return kActionInvalidArg;
            return CreateNewItem(target.folder, NewItemKind::SiteProfile, context);
        default:
            return kActionInvalidArg;
    }
}

}  // namespace lark::shellext
