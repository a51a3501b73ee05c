#include "shellext/transfer_actions.h"

#include <cstring>
#include <utility>

#include "core/errors.h"
#include "core/format.h"
#include "core/text_encoding.h"

namespace lark::shellext {

using localization::ModalResult;
using localization::MsgDlgBtn;
using localization::MsgDlgType;

namespace {

// `first` followed by `second`; throws when the memory is not there.
OwnedPidl Joined(const ItemIdList* first, const ItemIdList* second) {
    if (!first && !second) return {};
    ItemIdList* list = CombinePidls(first, second);
    if (!list) throw std::bad_alloc();
    return OwnedPidl(list);
}

// An item naming the node, through which the node is found again after a call that pumps
// messages (a notice handled meanwhile may free it); throws when the memory is not there.
OwnedPidl Keep(const RegisteredNode& node) {
    OwnedPidl item(CreatePidlItem(node));
    if (!item) throw std::bad_alloc();
    return item;
}

// The collection a kept folder item stands for: its children, or the root level for none.
// Null when the folder is gone.
TFTPObjects* LevelOf(const ItemIdList* folder, TFTPContainer& model) {
    if (!folder) return &model.Nodes();
    TFTPObject* node = SiteNodeOf(folder);
    return node && node->IsFolder() ? &node->Children() : nullptr;
}

// A one-item notice (the second identifier null) for `folder` followed by `item`.
void NotifyFor(ActionContext& context, ShellChange event, const ItemIdList* folder, const ItemIdList* item) {
    const OwnedPidl list = Joined(folder, item);
    context.shell.Notify(event, list.get(), nullptr);
}

ActionResult ResultOf(std::int32_t outValue) { return outValue < 0 ? kActionFail : kActionOk; }

// An empty path becomes "/", a path without a leading "/" gets one.
std::string NormalisedRemotePath(std::string path) {
    if (path.empty() || path.front() != '/') path.insert(path.begin(), '/');
    return path;
}

// The last component of a local path.
std::string LocalFileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Frees a site node with its subtree and its record, keeping node i and record i together.
void RemoveSiteNode(TFTPObject& node) {
    TFTPObjects& level = node.Collection();
    const int index = level.IndexOf(&node);
    if (index >= 0) level.Delete(index);
}

void RemoveRemoteNode(TFSObject& node) {
    TFSObjects& level = node.Collection();
    const int index = level.IndexOf(&node);
    if (index >= 0) level.Delete(index);
}

// Adds a node with a new record that `fill` sets, then tells the main client (AddProfileFolder or
// AddProfile at the node's folder path). A node whose add fails or raises is removed again, so
// node i and record i stay together. The out value; `made` is the node when it stays.
// The call may pump messages: the node is found again through its item afterwards, and when a
// notice freed it meanwhile, nothing more is done with it (`made` stays null).
template <class Fill>
std::int32_t AddSiteNode(TFTPObjects& collection, mainclient::MainClient& client, TFTPObject*& made, Fill fill) {
    made = nullptr;
    TFTPObject* node = collection.AddNewRecord();
    OwnedPidl item;
    std::int32_t result = 0;
    try {
        TFtpServerInfo& record = *node->ServerInfo();
        fill(record);
        if (record.IsFolder) node->Children().Bind(record.Servers());
        item = Keep(*node);
        const std::string folderPath = GetObjectPath(*node, "\\");
        const bool isFolder = record.IsFolder;
        const std::string name = record.ProfileName;
        const mainclient::ProfileRecord profile = isFolder ? mainclient::ProfileRecord{} : ProfileRecordOf(record, folderPath);
        node = nullptr;  // from here on only through its item
        result = isFolder ? client.AddProfileFolder(name, folderPath) : client.AddProfile(profile);
    } catch (...) {
        if (TFTPObject* added = node ? node : SiteNodeOf(item.get())) RemoveSiteNode(*added);
        throw;
    }
    TFTPObject* added = SiteNodeOf(item.get());
    if (result < 0) {
        if (added) RemoveSiteNode(*added);
        return result;
    }
    made = added;
    return result;
}

// Whether `node` is `ancestor` or lies below it.
bool IsWithin(const RegisteredNode* node, const RegisteredNode* ancestor) {
    for (const RegisteredNode* n = node; n; n = n->NodeParent())
        if (n == ancestor) return true;
    return false;
}

bool Confirmed(ActionContext& context, std::uintptr_t window, const std::string& text, const std::string& caption) {
    return context.folder.messageBox.ShowTranslatedMessage(text, caption, MsgDlgType::mtConfirmation,
                                                           localization::ButtonSet(MsgDlgBtn::mbYes, MsgDlgBtn::mbNo),
                                                           {window, false}) == ModalResult::mrYes;
}

// Re-lists the folder a list's last item stands for (a site profile or a remote directory);
// failures are left for the next browse.
void RefreshFolderOf(const ItemIdList* list) {
    const ItemIdList* item = LastPidlItem(list);
    try {
        if (TFTPObject* site = SiteNodeOf(item); site && !site->IsFolder()) site->RefreshContent();
        else if (TFSObject* dir = RemoteNodeOf(item); dir && dir->IsFolder()) dir->RefreshContent();
    } catch (const core::Error&) {
        // The view keeps what it shows; the next refresh lists again.
    }
}

}  // namespace

ItemIdList* FolderLists::Absolute() const {
    if (!root && !relative) return nullptr;
    return CombinePidls(root, relative);
}

const ItemIdList* FolderLists::OwnItem() const {
    return LastOwnItem(relative);
}

std::vector<const ItemIdList*> SplitItems(const ItemIdList* items, unsigned count) {
    // One pass; a list with an item that is not ours gives nothing.
    return OwnListItems(items, count).value_or(std::vector<const ItemIdList*>{});
}

// ---- paste and drop ----

bool CanPaste(const ItemIdList* target, ActionContext& context) {
    try {
        const std::shared_ptr<TransferData> data = context.shell.Clipboard();
        if (!data) return false;
        if (!target) return data->Offers(TransferFormat::ProfileItem);
        if (TFTPObject* site = SiteNodeOf(target))
            return data->Offers(site->IsFolder() ? TransferFormat::ProfileItem : TransferFormat::HDrop);
        if (TFSObject* remote = RemoteNodeOf(target); remote && remote->IsFolder())
            return data->Offers(TransferFormat::HDrop);
        return false;
    } catch (const core::Error&) {
        return false;
    }
}

bool IsValidDropTarget(const ItemIdList* target, ActionContext& context) {
    RegisteredNode* targetNode = nullptr;
    if (target) {
        targetNode = PidlNode(target);
        if (!targetNode) return false;  // a stale or foreign target takes nothing
        if (targetNode->ItemKind() == ItemKindRemoteFile) return true;
    }
    for (const OwnedPidl& entry : context.selection.Items()) {
        const RegisteredNode* node = PidlNode(entry.get());
        if (!node) continue;  // freed meanwhile: inert
        // Already in the target's collection, the target itself, or one of its ancestors.
        if (node->NodeParent() == targetNode) return false;
        if (targetNode && IsWithin(targetNode, node)) return false;
    }
    return true;
}

ActionResult PasteFromClipboard(const ItemIdList* folderList, const ItemIdList* targetList, ActionContext& context) {
    try {
        const std::shared_ptr<TransferData> data = context.shell.Clipboard();
        if (!data) return kActionFail;
        const ItemIdList* target = targetList && PidlSize(targetList) > 2 ? LastPidlItem(targetList) : nullptr;
        if (target && !PidlNode(target)) return kActionOk;
        // No target: the folder shown, whose own item ends the folder list (the junction's list
        // ends in a shell item, not ours: the namespace root).
        if (!targetList && folderList && PidlSize(folderList) > 2 && PidlNode(LastPidlItem(folderList)))
            target = LastPidlItem(folderList);
        TFTPObject* site = SiteNodeOf(target);
        TFSObject* remote = site ? nullptr : RemoteNodeOf(target);
        if (remote && !remote->IsFolder()) return kActionOk;  // a file takes nothing
        const bool profiles = !target || (site && site->IsFolder());
        // What the clipboard holds now, never a selection left from an earlier copy: our own
        // data object refills the list when read, any other leaves it empty.
        context.selection.Clear();
        const bool read = data->Read(profiles ? TransferFormat::ProfileItem : TransferFormat::FileItem);
        if (!IsValidDropTarget(target, context)) return kActionInvalidArg;
        ActionResult result = kActionOk;
        if (profiles) {
            if (read) result = PasteProfiles(target, data.get(), kDropEffectCopy, context);
        } else {
            result = PasteFileObjects(target, *data, kDropEffectCopy, context);
        }
        const OwnedPidl updated = Joined(folderList, targetList);
        context.shell.Notify(ShellChange::UpdateDir, updated.get(), nullptr);
        return result;
    } catch (const std::exception&) {
        return kActionFail;
    }
}

std::int32_t PasteProfileObject(TFTPObjects& collection, const TFTPObject& source, mainclient::MainClient& client) {
    const TFtpServerInfo* from = source.ServerInfo();
    if (!from) return -1;
    const std::string name = UniqueProfileName(collection, from->ProfileName);
    const OwnedPidl sourceItem = Keep(source);  // `source` itself may not outlive the add
    TFTPObject* node = nullptr;
    std::int32_t result = AddSiteNode(collection, client, node, [&](TFtpServerInfo& record) {
        record.AssignFields(*from);
        record.ProfileName = name;
    });
    if (!node) return result;
    if (!node->IsFolder()) return result;
    // The members as they are now, each kept as an item: every add may pump messages, and a
    // notice handled meanwhile may free the source, the copy or any member. The new folder can
    // never be among them (a folder is never pasted into its own subtree).
    const TFTPObject* folder = SiteNodeOf(sourceItem.get());
    if (!folder) return result;
    const OwnedPidl copyItem = Keep(*node);
    std::vector<OwnedPidl> members;
    for (int i = 0; i < folder->Children().Count(); ++i) members.push_back(Keep(*folder->Children().Items(i)));
    std::int32_t failed = 0;
    for (const OwnedPidl& member : members) {
        TFTPObject* copy = SiteNodeOf(copyItem.get());
        const TFTPObject* memberNode = SiteNodeOf(member.get());
        if (!copy || !SiteNodeOf(sourceItem.get())) break;  // the folder or its source went meanwhile
        if (!memberNode) continue;
        const std::int32_t child = PasteProfileObject(copy->Children(), *memberNode, client);
        if (child < 0) failed = child;
        else result = child;
    }
    return failed < 0 ? failed : result;
}

namespace {
// The first profile of the subtree whose stored password could not be read, or null.
const TFTPObject* WithUnreadablePassWord(const TFTPObject& node) {
    if (const TFtpServerInfo* record = node.ServerInfo(); record && record->PassWordUnreadable()) return &node;
    for (int i = 0; i < node.Children().Count(); ++i)
        if (const TFTPObject* found = WithUnreadablePassWord(*node.Children().Items(i))) return found;
    return nullptr;
}
}  // namespace

ActionResult PasteProfiles(const ItemIdList* target, TransferData*, std::uint32_t effect, ActionContext& context) {
    try {
        TFTPObject* folder = SiteNodeOf(target);
        if (target && !(folder && folder->IsFolder())) return kActionInvalidArg;
        if (!IsValidDropTarget(target, context)) return kActionInvalidArg;
        std::vector<OwnedPidl> entries = context.selection.Items();
        if (entries.empty()) return kActionOk;
        // A copy would send an empty password for the one the main client holds, and a move
        // would then delete the source: nothing is sent while any of them cannot be read.
        for (const OwnedPidl& entry : entries) {
            const TFTPObject* source = SiteNodeOf(entry.get());
            const TFTPObject* unreadable = source ? WithUnreadablePassWord(*source) : nullptr;
            if (!unreadable) continue;
            const TDM& texts = context.folder.dataModule;
            context.folder.messageBox.ShowTranslatedMessage(
                core::Format(texts.Text("strsPasswordUnreadablePaste"), {unreadable->NodeName()}), texts.Text("strsError"),
                MsgDlgType::mtError, localization::ButtonSet(localization::MsgDlgBtn::mbOK));
            return kActionFail;
        }
        const OwnedPidl sourceFolder = context.selection.SourceFolder();
        std::shared_ptr<mainclient::MainClient> client = NewMainClient(context.folder.model);
        // The target again before each entry: every add may pump messages and free it.
        const OwnedPidl targetItem = folder ? Keep(*folder) : nullptr;
        folder = nullptr;
        for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
            TFTPObjects* collection = LevelOf(targetItem.get(), context.folder.model);
            if (!collection) break;  // the target folder is gone
            const TFTPObject* source = SiteNodeOf(it->get());
            if (!source) continue;  // remote objects, freed nodes: not profiles to paste
            const std::int32_t pasted = PasteProfileObject(*collection, *source, *client);
            if (!(effect & kDropEffectMove) || pasted < 0) continue;
            // A target that went meanwhile took the copy with it: the source stays.
            if (!LevelOf(targetItem.get(), context.folder.model)) break;
            try {
                // The source goes only when its whole subtree arrived.
                if (client->DeleteProfile(SitePathOf(it->get())) < 0) continue;
                if (TFTPObject* gone = SiteNodeOf(it->get())) RemoveSiteNode(*gone);
                NotifyFor(context, ShellChange::RemoveDir, sourceFolder.get(), it->get());
            } catch (const core::Error&) {
                // The copy stands; the source stays where it was.
            }
        }
        return kActionOk;
    } catch (const std::exception&) {
        return kActionFail;
    }
}

ActionResult PasteFileObjects(const ItemIdList* target, TransferData& data, std::uint32_t, ActionContext& context) {
    try {
        TFTPObject* site = SiteNodeOf(target);
        if (site && site->IsFolder()) site = nullptr;
        TFSObject* dir = site ? nullptr : RemoteNodeOf(target);
        if (dir && !dir->IsFolder()) dir = nullptr;
        if (!site && !dir) return kActionInvalidArg;
        const bool toDirectory = dir != nullptr;
        // Reading the data and every call below may pump messages and free the target's node:
        // it is found again through the item after each, and the paste ends when it is gone.
        site = nullptr;
        dir = nullptr;
        const auto targetSite = [&] { return toDirectory ? nullptr : SiteNodeOf(target); };
        const auto targetDir = [&] { return toDirectory ? RemoteNodeOf(target) : nullptr; };
        ActionResult result = kActionOk;
        if (data.Read(TransferFormat::FileItem)) {
            std::vector<OwnedPidl> entries = context.selection.Items();
            std::shared_ptr<mainclient::MainClient> client = NewMainClient(context.folder.model);
            std::string connection;
            std::string path;
            if (toDirectory) {
                if (TFSObject* d = targetDir(); d && !d->Listed) d->LoadContent();
                TFSObject* d = targetDir();
                if (!d) return kActionOk;
                connection = d->GetConnectionID();
                path = d->GetRemotePath();
            } else {
                if (TFTPObject* s = targetSite(); s && !s->Listed()) s->LoadContent();
                TFTPObject* s = targetSite();
                if (!s) return kActionOk;
                connection = s->ConnectionID();
                path = s->ServerInfo() ? s->ServerInfo()->HostDirName : std::string();
            }
            path = IncludeTrailingSlash(NormalisedRemotePath(path));
            for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
                const TFSObject* file = RemoteNodeOf(it->get());
                if (!file || file->IsFolder()) continue;  // only files are copied on the server
                try {
                    const mainclient::CopyResult copied =
                        client->CopyRemoteFile(file->GetConnectionID(), connection, file->GetRemotePath(), path + file->Name);
                    result = ResultOf(copied.result);
                } catch (const core::Error&) {
                    result = kActionFail;  // this file failed; the others are still copied
                }
            }
        } else if (std::optional<std::vector<std::string>> files = data.DropFiles()) {
            std::shared_ptr<mainclient::MainClient> client = NewMainClient(context.folder.model);
            std::string connection;
            std::string path;
            std::string directoryTarget;
            if (toDirectory) {
                if (TFSObject* d = targetDir(); d && !d->Listed) d->LoadContent();
                TFSObject* d = targetDir();
                if (!d) return kActionOk;
                connection = d->GetConnectionID();
                directoryTarget = d->GetRemotePath();
                path = NormalisedRemotePath(directoryTarget);
            } else {
                if (TFTPObject* s = targetSite(); s && !s->Connected()) s->Connect();
                if (TFTPObject* s = targetSite(); s && !s->Listed()) s->LoadContent();
                TFTPObject* s = targetSite();
                if (!s) return kActionOk;
                connection = s->ConnectionID();
                path = NormalisedRemotePath(s->ServerInfo() ? s->ServerInfo()->HostDirName : std::string());
                directoryTarget = path;
            }
            // Everything an upload needs is copied above: the messages pumped between uploads
            // may refresh or free the target's node.
            for (const std::string& local : *files) {
                switch (context.shell.LocalPathKind(local)) {
                    case ShellHost::PathKind::File:
                        client->UploadFile(connection, local, IncludeTrailingSlash(path) + LocalFileNameOf(local));
                        break;
                    case ShellHost::PathKind::Directory:
                        client->UploadDirectory(connection, local, directoryTarget);
                        break;
                    case ShellHost::PathKind::None:
                        break;
                }
                context.shell.PumpMessages();
            }
        } else {
            return kActionInvalidArg;  // no items of ours and no drop list that reads whole
        }
        // The target again through its item: the pumped messages may have freed it.
        try {
            if (TFTPObject* s = SiteNodeOf(target)) s->RefreshContent();
            else if (TFSObject* d = RemoteNodeOf(target)) d->RefreshContent();
        } catch (const core::Error&) {
            // Shown as it was; the next refresh lists again.
        }
        return result;
    } catch (const std::exception&) {
        return kActionFail;
    }
}

std::vector<std::string> ReadDropFileList(std::span<const std::uint8_t> block, AnsiDecoder decodeAnsi) {
    constexpr std::size_t kHeaderSize = 20;  // pFiles, pt.x, pt.y, fNC, fWide
    std::vector<std::string> names;
    if (block.size() < kHeaderSize) return names;
    auto u32 = [&](std::size_t offset) {
        return static_cast<std::uint32_t>(block[offset]) | static_cast<std::uint32_t>(block[offset + 1]) << 8 |
               static_cast<std::uint32_t>(block[offset + 2]) << 16 | static_cast<std::uint32_t>(block[offset + 3]) << 24;
    };
    const std::size_t start = u32(0);
    const bool wide = u32(16) != 0;
    if (start < kHeaderSize || start > block.size()) return names;
    std::size_t at = start;
    if (wide) {
        for (;;) {
            std::u16string name;
            bool ended = false;
            for (; at + 2 <= block.size(); at += 2) {
                const char16_t unit = static_cast<char16_t>(block[at] | block[at + 1] << 8);
                if (unit == 0) {
                    at += 2;
                    ended = true;
                    break;
                }
                name.push_back(unit);
            }
            // A list the block cuts off is no list: a shortened path could name another file.
            if (!ended) return {};
            if (name.empty()) break;
            names.push_back(core::Utf16ToUtf8(name));
        }
    } else {
        for (;;) {
            std::string name;
            bool ended = false;
            for (; at < block.size(); ++at) {
                if (block[at] == 0) {
                    ++at;
                    ended = true;
                    break;
                }
                name.push_back(static_cast<char>(block[at]));
            }
            if (!ended) return {};
            if (name.empty()) break;
            names.push_back(decodeAnsi ? decodeAnsi(name) : core::Win1252ToUtf8(name));
        }
    }
    return names;
}

// ---- delete ----

std::int32_t DeleteItems(std::uintptr_t window, unsigned count, const ItemIdList* folderList, const ItemIdList* items,
                         ActionContext& context) {
    const std::vector<const ItemIdList*> list = SplitItems(items, count);
    if (list.empty()) return 0;
    const TDM& texts = context.folder.dataModule;
    std::int32_t last = 0;
    try {
        if (list.size() == 1) {
            const ItemIdList* item = list.front();
            TFTPObject* site = SiteNodeOf(item);
            TFSObject* remote = site ? nullptr : RemoteNodeOf(item);
            if (!site && !remote) return 0;
            const std::string name = site ? site->NodeName() : remote->Name;
            const bool folder = site ? site->IsFolder() : remote->IsFolder();
            const std::string text =
                texts.Text("STR_19") + name + (folder ? texts.Text("STR_47") : std::string("\"?"));
            const char* caption = site ? (folder ? "STR_48" : "STR_43") : (folder ? "STR_68" : "STR_63");
            const bool isSite = site != nullptr;
            site = nullptr;
            remote = nullptr;
            // The box pumps messages: the node is found again, and a node gone meanwhile is
            // not deleted.
            if (!Confirmed(context, window, text, texts.Text(caption))) return 0;
            if (isSite ? !SiteNodeOf(item) : !RemoteNodeOf(item)) return 0;
            std::shared_ptr<mainclient::MainClient> client = NewMainClient(context.folder.model);
            const OwnedPidl absolute = Joined(folderList, item);
            if (isSite) {
                const std::string path = SitePathOf(item);
                last = folder ? client->DeleteProfileFolder(path) : client->DeleteProfile(path);
                if (last < 0) return last;
                if (TFTPObject* gone = SiteNodeOf(item)) RemoveSiteNode(*gone);
                context.shell.Notify(ShellChange::RemoveDir, absolute.get(), nullptr);
            } else {
                TFSObject* node = RemoteNodeOf(item);
                const std::string connection = node->GetConnectionID();
                const std::string path = node->GetRemotePath();
                last = folder ? client->DeleteRemoteDirectory(connection, path) : client->DeleteRemoteFile(connection, path);
                if (last < 0) return last;
                if (TFSObject* gone = RemoteNodeOf(item)) RemoveRemoteNode(*gone);
                context.shell.Notify(folder ? ShellChange::RemoveDir : ShellChange::Delete, absolute.get(), nullptr);
            }
            return last;
        }
        // Several items: one question by the kind of the first.
        const bool sites = SiteNodeOf(list.front()) != nullptr;
        if (!sites && !RemoteNodeOf(list.front())) return 0;
        const std::string number = std::to_string(list.size());
        std::string lead = texts.Text(sites ? "STR_69" : "STR_74");
        if (!lead.empty() && lead.back() != ' ') lead += ' ';
        if (!Confirmed(context, window, lead + number + texts.Text("STR_70"), texts.Text(sites ? "STR_71" : "STR_76")))
            return 0;
        std::shared_ptr<mainclient::MainClient> client = NewMainClient(context.folder.model);
        for (const ItemIdList* item : list) {
            const OwnedPidl absolute = Joined(folderList, item);
            // Each node is found again after its call: the call may pump messages and free it.
            if (sites) {
                const TFTPObject* site = SiteNodeOf(item);
                if (!site) continue;
                const std::string path = SitePathOf(item);
                last = site->IsFolder() ? client->DeleteProfileFolder(path) : client->DeleteProfile(path);
                if (last < 0) continue;
                if (TFTPObject* gone = SiteNodeOf(item)) RemoveSiteNode(*gone);
                context.shell.Notify(ShellChange::RemoveDir, absolute.get(), nullptr);
            } else {
                const TFSObject* remote = RemoteNodeOf(item);
                if (!remote) continue;
                const bool folder = remote->IsFolder();
                const std::string connection = remote->GetConnectionID();
                const std::string path = remote->GetRemotePath();
                last = folder ? client->DeleteRemoteDirectory(connection, path) : client->DeleteRemoteFile(connection, path);
                if (last < 0) continue;
                if (TFSObject* gone = RemoteNodeOf(item)) RemoveRemoteNode(*gone);
                if (folder) context.shell.Notify(ShellChange::RemoveDir, absolute.get(), nullptr);
            }
        }
        if (!sites) {
            RefreshFolderOf(folderList);
            context.shell.Notify(ShellChange::UpdateDir, folderList, nullptr);
        }
    } catch (const std::exception&) {
        // A failed call ends the deletions; what was deleted stays deleted.
    }
    return last;
}

// ---- new items ----

ActionResult CreateNewItem(const FolderLists& folder, NewItemKind kind, ActionContext& context, ItemIdList** created) {
    if (created) *created = nullptr;
    try {
        const ItemIdList* own = folder.OwnItem();
        TFTPObject* ownSite = SiteNodeOf(own);
        TFSObject* ownDir = ownSite ? nullptr : RemoteNodeOf(own);
        if (own && !ownSite && !(ownDir && ownDir->IsFolder())) return kActionInvalidArg;
        const OwnedPidl absolute(folder.Absolute());
        const std::string newName = context.folder.dataModule.Text("STR_79");
        RegisteredNode* made = nullptr;

        if (kind == NewItemKind::SiteFolder || kind == NewItemKind::SiteProfile) {
            if (ownDir || (ownSite && !ownSite->IsFolder())) return kActionInvalidArg;  // not inside a site
            TFTPObjects& collection = ownSite ? ownSite->Children() : context.folder.model.Nodes();
            if (kind == NewItemKind::SiteProfile) {
                TFTPObject* node = nullptr;
                if (!context.dialogs.NewProfile(context.folder, ownSite ? &collection : nullptr, node) || !node)
                    return kActionOk;
                made = node;
            } else {
                const std::string name = UniqueProfileName(collection, newName);
                std::shared_ptr<mainclient::MainClient> client = NewMainClient(context.folder.model);
                TFTPObject* node = nullptr;
                AddSiteNode(collection, *client, node, [&](TFtpServerInfo& record) {
                    record.ProfileName = name;
                    record.IsFolder = true;
                });
                if (!node) return kActionFail;
                made = node;
            }
        } else {
            std::string connection;
            std::string path;
            TFSObjects* collection = nullptr;
            if (ownSite && !ownSite->IsFolder()) {
                if (!ownSite->Connected()) ownSite->Connect();
                // Connecting and listing call the main client: the site is found again.
                if (TFTPObject* s = SiteNodeOf(own); s && !s->Content()) s->LoadContent();
                ownSite = SiteNodeOf(own);
                if (!ownSite) return kActionFail;
                connection = ownSite->ConnectionID();
                path = ownSite->StartDirectory();
                collection = ownSite->Content();
            } else if (ownDir) {
                connection = ownDir->GetConnectionID();
                path = ownDir->GetRemotePath();
                collection = ownDir->Children();
            }
            if (!collection) return kActionInvalidArg;
            const std::string name = UniqueFSObjectName(*collection, newName);
            std::shared_ptr<mainclient::MainClient> client = NewMainClient(context.folder.model);
            TFSObject* node = AddFSObject(*collection, name, true);
            node->Modified = context.folder.model.Clock().Now();
            OwnedPidl item(CreatePidlItem(*node));
            if (!item) {
                RemoveRemoteNode(*node);
                throw std::bad_alloc();
            }
            // The call may pump messages: the new node only through its item from here on.
            node = nullptr;
            try {
                client->MakeRemoteDirectory(connection, IncludeTrailingSlash(NormalisedRemotePath(path)) + name);
            } catch (...) {
                if (TFSObject* added = RemoteNodeOf(item.get())) RemoveRemoteNode(*added);
                throw;
            }
            if (!RemoteNodeOf(item.get())) return kActionFail;
            NotifyFor(context, ShellChange::MakeDir, absolute.get(), item.get());
            if (created) *created = item.release();
            return kActionOk;
        }
        OwnedPidl item(CreatePidlItem(*made));
        if (!item.get()) throw std::bad_alloc();
        NotifyFor(context, ShellChange::MakeDir, absolute.get(), item.get());
        if (created) *created = item.release();
        return kActionOk;
    } catch (const std::exception&) {
        return kActionFail;
    }
}

// ---- move, open, properties ----

ActionResult MoveToFolder(std::uintptr_t window, unsigned count, const ItemIdList* items, const FolderLists& folder,
                          ActionContext& context) {
    const std::vector<const ItemIdList*> list = SplitItems(items, count);
    if (list.empty()) return kActionFalse;
    try {
        // The browse starts at the site that holds the items.
        OwnedPidl root(CopyPidl(folder.root));
        for (const ItemIdList* item = folder.relative; item && PidlSize(item) > 2; item = NextPidlItem(item)) {
            if (!SiteNodeOf(item)) break;
            OwnedPidl one(CopyFirstPidlItem(item));
            if (!one.get()) throw std::bad_alloc();
            root = Joined(root.get(), one.get());
        }
        const OwnedPidl chosen(
            context.shell.BrowseForFolder(window, root.get(), context.folder.dataModule.Text("STR_3")));
        if (!chosen.get()) return kActionFalse;
        const ItemIdList* chosenItem = LastPidlItem(chosen.get());
        TFSObject* destination = RemoteNodeOf(chosenItem);
        if (!destination || !destination->IsFolder()) return kActionFalse;  // the site's top: nothing moves
        const std::string target = IncludeTrailingSlash(destination->GetRemotePath());
        std::shared_ptr<mainclient::MainClient> client = NewMainClient(context.folder.model);
        for (const ItemIdList* item : list) {
            // Found again before each move: a move may pump messages and free either node.
            destination = RemoteNodeOf(chosenItem);
            if (!destination) break;
            TFSObject* node = RemoteNodeOf(item);
            // Only within one site, never into itself or below itself, never where it already is.
            if (!node || &node->Site() != &destination->Site() || IsWithin(destination, node) ||
                node->NodeParent() == destination)
                continue;
            client->RenameRemoteObject(node->GetConnectionID(), node->GetRemotePath(), target + node->Name);
        }
        // Both folders listed again, so the moved objects leave the old view and reach the new.
        const OwnedPidl source(folder.Absolute());
        RefreshFolderOf(folder.relative);
        RefreshFolderOf(chosen.get());
        context.shell.Notify(ShellChange::UpdateDir, chosen.get(), nullptr);
        context.shell.Notify(ShellChange::UpdateDir, source.get(), nullptr);
        return kActionFalse;
    } catch (const std::exception&) {
        return kActionFail;
    }
}

ActionResult OpenItems(std::uintptr_t window, unsigned count, const ItemIdList* items, const ItemIdList* folderList,
                       ActionContext& context) {
    try {
        std::shared_ptr<mainclient::MainClient> client;
        for (const ItemIdList* item : SplitItems(items, count)) {
            if (TFSObject* remote = RemoteNodeOf(item); remote && !remote->IsFolder()) {
                if (!client) client = NewMainClient(context.folder.model);
                client->OpenRemoteFile(remote->GetConnectionID(), remote->GetRemotePath());
            } else if (PidlNode(item)) {
                const OwnedPidl absolute = Joined(folderList, item);
                context.shell.OpenFolder(window, absolute.get());
            }
        }
        return kActionOk;
    } catch (const std::exception&) {
        return kActionFail;
    }
}

ActionResult ShowItemProperties(const ItemIdList* absolute, ActionContext& context) {
    try {
        const ItemIdList* item = LastPidlItem(absolute);
        bool changed = false;
        if (TFTPObject* site = SiteNodeOf(item)) {
            if (site->IsFolder()) {
                changed = context.dialogs.EditProfileFolder(context.folder, *site);
            } else {
                changed = context.dialogs.EditProfile(context.folder, *site);
                if (changed) {
                    // The edited site is listed afresh on its next browse.
                    if (TFTPObject* still = SiteNodeOf(item)) still->SetListed(false);
                    context.shell.Notify(ShellChange::UpdateDir, absolute, nullptr);
                }
            }
        } else if (TFSObject* remote = RemoteNodeOf(item)) {
            changed = context.dialogs.EditFSObject(context.folder, *remote);
        } else {
            return kActionInvalidArg;
        }
        if (changed) context.shell.Notify(ShellChange::UpdateItem, absolute, nullptr);
        return kActionOk;
    } catch (const std::exception&) {
        return kActionInvalidArg;
    }
}

}  // namespace lark::shellext
