// The context menu's entries and commands, over the fake main client and a fake view.
#include "shellext/context_menu.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "action_fixture.h"

using namespace lark;
using namespace lark::shellext;
using namespace lark::shellext::testing;

namespace {

using Lines = std::vector<std::string>;

class FakeView : public ViewCommands {
public:
    int mode = 4;
    Lines calls;
    int CurrentViewMode() const override { return mode; }
    void ApplyViewMode(std::uint32_t command) override {
        mode = static_cast<int>(command) - 300;
        calls.push_back("SetViewMode " + std::to_string(command));
    }
    void StartRename() override { calls.push_back("StartRename"); }
    ActionResult RefreshView() override {
        calls.push_back("Refresh");
        return kActionOk;
    }
};

class FakeClipboard : public ClipboardWriter {
public:
    Lines copied;
    ActionResult CopyToClipboard(const MenuTarget& target) override {
        copied.push_back(std::to_string(target.count));
        return kActionOk;
    }
};

// "id text" per entry, "-" for a separator, submenus indented; flags after the text.
void Flatten(const std::vector<MenuEntry>& entries, Lines& out, const std::string& indent = "") {
    for (const MenuEntry& e : entries) {
        if (e.separator) {
            out.push_back(indent + "-");
            continue;
        }
        std::string line = indent + std::to_string(e.id) + " " + e.text;
        if (e.grayed) line += " [grayed]";
        if (e.checked) line += " [checked]";
        if (e.isDefault) line += " [default]";
        out.push_back(line);
        Flatten(e.submenu, out, indent + "  ");
    }
}
Lines Flat(const BuiltMenu& menu) {
    Lines out;
    Flatten(menu.entries, out);
    return out;
}

class ContextMenu : public ActionFixture {
protected:
    FakeView view;
    FakeClipboard clipboard;
};

}  // namespace

TEST_F(ContextMenu, ItemMenuIdsAreOffsetByTheFirstIdAndTheSpanCoversTheLargest) {
    MenuState state;
    state.hasItems = true;
    state.explore = true;
    state.ownerIsView = true;
    state.insideSite = true;
    state.canPaste = false;
    for (std::uint32_t first : {0u, 1000u}) {
        const BuiltMenu menu = BuildContextMenu(state, *dm, first, first + 0x7FFF);
        auto id = [&](int n) { return std::to_string(first + n); };
        EXPECT_EQ(Flat(menu), (Lines{id(101) + " &Open [default]", "-", id(203) + " &Copy",
                                     id(204) + " &Paste [grayed]", "-", id(106) + " &Delete", id(107) + " &Rename",
                                     id(206) + " Move to...", "-", id(108) + " &Properties"}));
        EXPECT_EQ(menu.span, 207u);
    }
    // Without CMF_EXPLORE, in the site list (no Move to...).
    state.explore = false;
    state.insideSite = false;
    state.canPaste = true;
    const Lines flat = Flat(BuildContextMenu(state, *dm, 0, 0xFFFF));
    EXPECT_EQ(flat.front(), "102 &Explore [default]");
    EXPECT_EQ(std::count(flat.begin(), flat.end(), "206 Move to..."), 0);
    EXPECT_EQ(flat.at(3), "204 &Paste");
}

TEST_F(ContextMenu, EntriesThatDoNotFitBelowTheLastIdAreLeftOut) {
    MenuState state;
    state.hasItems = true;
    state.ownerIsView = true;
    const BuiltMenu menu = BuildContextMenu(state, *dm, 1000, 1110);
    EXPECT_EQ(Flat(menu), (Lines{"1102 &Explore [default]", "-", "1106 &Delete", "1107 &Rename", "-",
                                 "1108 &Properties"}));
    EXPECT_EQ(menu.span, 109u);
    EXPECT_TRUE(BuildContextMenu(state, *dm, 1000, 1050).entries.empty());
    EXPECT_EQ(BuildContextMenu(state, *dm, 1000, 1050).span, 0u);
}

TEST_F(ContextMenu, BackgroundMenuOfAViewChecksItsModeAndAFolderMenuHasNoViewEntries) {
    MenuState state;
    state.ownerIsView = true;
    state.viewMode = 4;
    state.insideSite = true;
    EXPECT_EQ(Flat(BuildContextMenu(state, *dm, 0, 0xFFFF)),
              (Lines{"300 &View", "  301 &Large icons", "  302 &Small icons", "  303 &List", "  304 &Details [checked]",
                     "-", "204 &Paste [grayed]", "109 Refresh", "-", "103 &New", "  1031 &Folder",
                     "  1032 &Profile [grayed]"}));
    state.ownerIsView = false;
    state.insideSite = false;
    state.canPaste = true;
    EXPECT_EQ(Flat(BuildContextMenu(state, *dm, 0, 0xFFFF)),
              (Lines{"204 &Paste", "-", "103 &New", "  1031 &Folder", "  1032 &Profile"}));
}

TEST_F(ContextMenu, CanonicalVerbsMapToTheirCommandsOthersToNothing) {
    EXPECT_EQ(CommandOfVerb("delete"), menu_command::kDelete);
    EXPECT_EQ(CommandOfVerb("Properties"), menu_command::kProperties);
    EXPECT_EQ(CommandOfVerb("paste"), menu_command::kPaste);
    EXPECT_EQ(CommandOfVerb("explore"), std::nullopt);
    EXPECT_EQ(CommandOfVerb(""), std::nullopt);
    EXPECT_EQ(VerbOfCommand(menu_command::kExplore), "open");
    EXPECT_EQ(VerbOfCommand(menu_command::kMoveTo), "");
}

TEST_F(ContextMenu, CommandsRunTheirActions) {
    TFTPObject* site = ListedSite("S", {{"d", true}, {"f", false}});
    ItemIdList* folderList = lists.Of(*site);
    ItemIdList* file = lists.Of(*site->Content()->Items(1));
    MenuTarget target;
    target.folder = {nullptr, folderList};
    target.folderList = folderList;
    target.view = &view;
    target.insideSite = true;

    // Background: new folder inside a site is a remote directory; refresh; view modes.
    EXPECT_EQ(InvokeMenuCommand(menu_command::kNewFolder, target, context, clipboard), kActionOk);
    EXPECT_EQ(client->CallLines(), Lines{"MakeRemoteDirectory|1|/New folder"});
    EXPECT_EQ(shell.notices, (std::vector<Notice>{{ShellChange::MakeDir, "S/New folder", true}}));
    EXPECT_EQ(InvokeMenuCommand(menu_command::kNewProfile, target, context, clipboard), kActionInvalidArg);
    EXPECT_EQ(InvokeMenuCommand(menu_command::kRefresh, target, context, clipboard), kActionOk);
    EXPECT_EQ(InvokeMenuCommand(menu_command::kList, target, context, clipboard), kActionOk);
    EXPECT_EQ(view.calls, (Lines{"Refresh", "SetViewMode 303"}));

    // On the file: open, properties, copy, delete.
    target.items = file;
    target.count = 1;
    client->ClearCalls();
    shell.notices.clear();
    EXPECT_EQ(InvokeMenuCommand(menu_command::kOpen, target, context, clipboard), kActionOk);
    EXPECT_EQ(InvokeMenuCommand(menu_command::kProperties, target, context, clipboard), kActionOk);
    EXPECT_EQ(InvokeMenuCommand(menu_command::kCopy, target, context, clipboard), kActionOk);
    box.answers = {ModalResult::mrYes};
    EXPECT_EQ(InvokeMenuCommand(menu_command::kDelete, target, context, clipboard), kActionOk);
    EXPECT_EQ(client->CallLines(), (Lines{"OpenRemoteFile|1|/f", "DeleteRemoteFile|1|/f"}));
    EXPECT_EQ(dialogs.shown, Lines{"EditFSObject f"});
    EXPECT_EQ(clipboard.copied, Lines{"1"});
    EXPECT_EQ(shell.notices, (std::vector<Notice>{{ShellChange::UpdateItem, "S/f", true},
                                                  {ShellChange::Delete, "S/f", true}}));
    // A refused delete is a failure, never the main client's value as an HRESULT.
    ItemIdList* dir = lists.Of(*site->Content()->Items(0));
    target.items = dir;
    client->Script("DeleteRemoteDirectory", ValueReply(-7));
    EXPECT_EQ(InvokeMenuCommand(menu_command::kDelete, target, context, clipboard), kActionFail);
    client->Script("DeleteRemoteDirectory", ValueReply(12));
    EXPECT_EQ(InvokeMenuCommand(menu_command::kDelete, target, context, clipboard), kActionOk);
    EXPECT_EQ(InvokeMenuCommand(menu_command::kRename, target, context, clipboard), kActionOk);
    EXPECT_EQ(view.calls.back(), "StartRename");
    EXPECT_EQ(InvokeMenuCommand(menu_command::kCut, target, context, clipboard), kActionInvalidArg);
    EXPECT_EQ(InvokeMenuCommand(9999, target, context, clipboard), kActionInvalidArg);
}

TEST_F(ContextMenu, SeveralRemoteItemsShareOnePropertiesDialogInAView) {
    TFTPObject* site = ListedSite("S", {{"a", false}, {"b", false}});
    ItemIdList* folderList = lists.Of(*site);
    MenuTarget target;
    target.folder = {nullptr, folderList};
    target.folderList = folderList;
    target.items = lists.Join({site->Content()->Items(0), site->Content()->Items(1)});
    target.count = 2;
    target.view = &view;
    target.insideSite = true;
    EXPECT_EQ(InvokeMenuCommand(menu_command::kProperties, target, context, clipboard), kActionOk);
    EXPECT_EQ(dialogs.shown, Lines{"EditFSObjects a b"});
    EXPECT_EQ(shell.notices, (std::vector<Notice>{{ShellChange::UpdateDir, "S", true}}));
}

TEST_F(ContextMenu, AFolderMenuRefusesViewCommandsAndRename) {
    TFTPObject* folder = AddSite(model.Nodes(), "F", true);
    MenuTarget target;
    target.items = lists.Of(*folder);
    target.count = 1;
    for (std::uint32_t command : {menu_command::kRename, menu_command::kRefresh, menu_command::kLargeIcons,
                                  menu_command::kDetails})
        EXPECT_EQ(InvokeMenuCommand(command, target, context, clipboard), kActionInvalidArg) << command;
    // Properties from the folder tree: the item's own dialog.
    EXPECT_EQ(InvokeMenuCommand(menu_command::kProperties, target, context, clipboard), kActionOk);
    EXPECT_EQ(dialogs.shown, Lines{"EditProfileFolder F"});
    // New folder at the namespace root.
    EXPECT_EQ(InvokeMenuCommand(menu_command::kNewFolder, target, context, clipboard), kActionOk);
    EXPECT_EQ(client->CallLines(), Lines{"AddProfileFolder|New folder|\\"});
}

// A folder's menu (the folder tree's) offers Rename where its host renames through the
// folder's SetNameOf (CMF_CANRENAME, one item); elsewhere it stays grayed.
TEST_F(ContextMenu, AFolderMenuEnablesRenameWhereItsHostRenames) {
    MenuState state;
    state.hasItems = true;
    state.ownerIsView = false;
    const auto renameLine = [&] {
        const Lines flat = Flat(BuildContextMenu(state, *dm, 0, 0xFFFF));
        const auto it = std::find_if(flat.begin(), flat.end(), [](const std::string& l) { return l.rfind("107 ", 0) == 0; });
        return it == flat.end() ? std::string() : *it;
    };
    EXPECT_EQ(renameLine(), "107 &Rename [grayed]");
    state.hostRenames = true;
    EXPECT_EQ(renameLine(), "107 &Rename");
    EXPECT_EQ(VerbOfCommand(menu_command::kRename), "rename");  // the verb the host acts on
}
