#include "shellext/folder_operations.h"

#include <algorithm>
#include <utility>

#include "core/errors.h"
#include "core/format.h"
#include "core/text_encoding.h"

namespace lark::shellext {

using localization::MsgDlgBtn;
using localization::MsgDlgType;

namespace {

std::optional<std::uint32_t> AttributesOfItem(const ItemIdList* list) {
    const ItemIdList* item = LastOwnItem(list);
    if (SiteNodeOf(item)) return kAttributesOfSite;
    if (TFSObject* node = RemoteNodeOf(item)) return node->IsFolder() ? kAttributesOfRemoteDir : kAttributesOfRemoteFile;
    return std::nullopt;
}

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

void AddItem(std::vector<ItemIdList*>& items, const RegisteredNode& node) {
    ItemIdList* item = CreatePidlItem(node);
    if (!item) throw std::bad_alloc();
    items.push_back(item);
}

void AddSiteLevel(std::vector<ItemIdList*>& items, const TFTPObjects& level) {
    for (int i = 0; i < level.Count(); ++i) AddItem(items, *level.Items(i));
}

void AddRemote(std::vector<ItemIdList*>& items, const TFSObjects* content, bool folders) {
    if (!content) return;
    for (int i = 0; i < content->Count(); ++i) {
        const TFSObject& node = *content->Items(i);
        if (node.IsFolder() == folders) AddItem(items, node);
    }
}

// Opens the site's session and lists its start directory when that has not happened yet;
// whether the site is connected and listed.
bool PrepareSite(TFTPObject& site) {
    if (!site.Connected()) {
        try {
            site.Connect();
        } catch (const core::Error&) {
            return false;  // reported as "cannot connect" by the caller
        }
    }
    if (!site.Connected()) return false;
    if (!site.Listed()) site.LoadContent();
    return site.Listed();
}

void ShowConnectFailed(const TFTPObject& site, FolderContext& context) {
    context.messageBox.ShowTranslatedMessage(context.dataModule.Text("STR_0") + site.NodeName() + "!",
                                             context.dataModule.Text("STR_2"), MsgDlgType::mtError,
                                             localization::ButtonSet(MsgDlgBtn::mbOK), {0, true});
}

void ShowError(FolderContext& context, std::uintptr_t window, const std::string& text, const std::string& caption) {
    context.messageBox.ShowTranslatedMessage(text, caption, MsgDlgType::mtError,
                                             localization::ButtonSet(MsgDlgBtn::mbOK), {window, false});
}

std::string SlashesToBackslashes(std::string text) {
    std::replace(text.begin(), text.end(), '/', '\\');
    return text;
}

std::string TrimDelimiters(std::string_view path) {
    while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.remove_suffix(1);
    return std::string(path);
}

}  // namespace

std::optional<std::uint32_t> AttributesOfItems(const ItemIdList* const* lists, unsigned count) {
    if (count == 0) return kAttributesOfNoItems;
    if (!lists) return std::nullopt;
    std::uint32_t result = 0xFFFFFFFFu;
    for (unsigned i = 0; i < count; ++i) {
        const auto attributes = AttributesOfItem(lists[i]);
        if (!attributes) return std::nullopt;
        result &= *attributes;
    }
    return result;
}

namespace {

// One level of the order: two single items.
int CompareOneLevel(const ItemIdList* a, const ItemIdList* b) {
    RegisteredNode* nodeA = PidlNode(a);
    RegisteredNode* nodeB = PidlNode(b);
    if (!nodeA || !nodeB) return 1;
    const std::uint32_t kindA = PidlKind(a);
    const std::uint32_t kindB = PidlKind(b);
    if (kindA == ItemKindSiteFolder && kindB == ItemKindProfile) return -1;
    if (kindA == ItemKindProfile && kindB == ItemKindSiteFolder) return 1;
    const int byStored = core::CompareTextUtf8(PidlDisplayName(a), PidlDisplayName(b));
    if (byStored != 0) return Sign(byStored);
    return Sign(core::CompareTextUtf8(nodeA->NodeName(), nodeB->NodeName()));
}

}  // namespace

int CompareItems(const ItemIdList* list1, const ItemIdList* list2) {
    const auto a = OwnListItems(list1);
    const auto b = OwnListItems(list2);
    if (!a || !b || a->empty() || b->empty()) return 1;
    for (std::size_t level = 0;; ++level) {
        const bool endA = level == a->size();
        const bool endB = level == b->size();
        if (endA || endB) return endA == endB ? 0 : (endA ? -1 : 1);
        if (const int order = CompareOneLevel((*a)[level], (*b)[level]); order != 0) return order;
    }
}

std::optional<std::vector<const ItemIdList*>> ItemsBelowFolder(const ItemIdList* folderItem, const ItemIdList* list) {
    RegisteredNode* parent = nullptr;
    if (folderItem) {
        parent = PidlNode(folderItem);
        if (!parent) return std::nullopt;
    }
    auto items = OwnListItems(list);
    if (!items) return std::nullopt;
    for (const ItemIdList* item : *items) {
        RegisteredNode* node = PidlNode(item);
        if (!node || node->NodeParent() != parent) return std::nullopt;
        parent = node;
    }
    return items;
}

bool IsValidItemName(std::string_view name) {
    if (name.empty()) return false;
    for (const char c : name)
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    const std::u16string units = core::Utf8ToUtf16(name);
    if (units.empty() || units.size() > kMaxItemNameLength) return false;
    for (const char16_t u : units)
        if (u >= 0x80 && u <= 0x9F) return false;  // C1 controls
    return true;
}

std::optional<std::string> DisplayNameOf(const ItemIdList* list) {
    const ItemIdList* item = LastOwnItem(list);
    if (TFTPObject* site = SiteNodeOf(item)) return site->NodeName();
    if (TFSObject* remote = RemoteNodeOf(item)) return remote->Name;
    return std::nullopt;
}

std::optional<std::vector<ItemIdList*>> BuildEnumeration(const ItemIdList* folderItem, std::uint32_t flags,
                                                         FolderContext& context) {
    std::vector<ItemIdList*> items;
    TFTPObject* site = folderItem ? SiteNodeOf(folderItem) : nullptr;
    TFSObject* directory = folderItem ? RemoteNodeOf(folderItem) : nullptr;
    if (folderItem && !site && !directory) return items;
    try {
        if (flags & kEnumFolders) {
            if (!folderItem) {
                AddSiteLevel(items, context.model.Nodes());
            } else if (site && site->IsFolder()) {
                AddSiteLevel(items, site->Children());
            } else if (site) {
                if (!PrepareSite(*site)) {
                    ShowConnectFailed(*site, context);
                    for (ItemIdList* item : items) FreePidl(item);
                    return std::nullopt;
                }
                AddRemote(items, site->Content(), true);
            } else if (directory->IsFolder()) {
                if (!directory->Listed) directory->LoadContent();
                if (directory->Listed) AddRemote(items, directory->Children(), true);
            }
        }
        if (flags & kEnumNonFolders) {
            if (site && !site->IsFolder()) {
                if (!site->Connected()) site->Connect();
                if (site->Connected() && !site->Listed()) site->LoadContent();
                AddRemote(items, site->Content(), false);
            } else if (directory && directory->IsFolder()) {
                if (!directory->Listed) directory->LoadContent();
                AddRemote(items, directory->Children(), false);
            }
        }
    } catch (const core::Error&) {
        // A model failure ends the list with what was built.
    }
    return items;
}

RenameOutcome RenameItem(ItemIdList* list, std::string_view newName, std::uintptr_t window, FolderContext& context) {
    ItemIdList* item = LastOwnItem(list);
    TFTPObject* site = SiteNodeOf(item);
    TFSObject* remote = site ? nullptr : RemoteNodeOf(item);
    if (!site && !remote) return RenameOutcome::NotOurs;
    const RenameTexts& texts = context.dataModule.Texts();
    if (newName.empty()) {
        ShowError(context, window, texts.nonEmptyRequired, texts.error);
        return RenameOutcome::NameRefused;
    }
    if (!IsValidItemName(newName)) {
        ShowError(context, window, context.dataModule.Text("strsInvalidName"), texts.errorRenaming);
        return RenameOutcome::NameRefused;
    }
    bool taken = false;
    if (site) {
        const TFTPObjects& level = site->Collection();
        for (int i = 0; i < level.Count() && !taken; ++i) taken = core::SameTextUtf8(level.Items(i)->NodeName(), newName);
    } else {
        const TFSObjects& level = remote->Collection();
        for (int i = 0; i < level.Count() && !taken; ++i) taken = core::SameTextUtf8(level.Items(i)->Name, newName);
    }
    if (taken) {
        const std::string& format = site ? (site->IsFolder() ? texts.cannotRename : texts.cannotRenameProfile)
                                         : (remote->IsFolder() ? texts.cannotRename : texts.cannotRenameFile);
        const std::string currentName = site ? site->NodeName() : remote->Name;
        ShowError(context, window, core::Format(format, {currentName}), texts.errorRenaming);
        return RenameOutcome::NameRefused;
    }
    const std::string name(newName);
    // The main client's call may pump messages, and a notice handled meanwhile may free the
    // node: it is found again through the item afterwards.
    const bool isSite = site != nullptr;
    const bool isFolder = isSite ? site->IsFolder() : remote->IsFolder();
    const std::string connection = isSite ? std::string() : remote->GetConnectionID();
    const std::string path = isSite ? SitePathOf(item) : remote->GetRemotePath();
    site = nullptr;
    remote = nullptr;
    try {
        std::shared_ptr<mainclient::MainClient> client = NewMainClient(context.model);
        if (isSite) {
            const std::int32_t result = isFolder ? client->RenameProfileFolder(path, name) : client->RenameProfile(path, name);
            if (result < 0) return RenameOutcome::Refused;
            if (TFTPObject* renamed = SiteNodeOf(item); renamed && renamed->ServerInfo())
                renamed->ServerInfo()->ProfileName = name;
        } else {
            if (client->RenameRemoteObject(connection, path, name) < 0) return RenameOutcome::Refused;
            if (TFSObject* renamed = RemoteNodeOf(item)) renamed->Name = name;
        }
    } catch (const core::Error&) {
        return RenameOutcome::Refused;
    }
    SetPidlDisplayName(item, name);
    return RenameOutcome::Renamed;
}

std::string SitePathOf(const ItemIdList* item) { return SlashesToBackslashes(PidlToPath(item)); }

std::shared_ptr<mainclient::MainClient> NewMainClient(const TFTPContainer& model) {
    const MainClientFactory& create = model.Services().createMainClient;
    std::shared_ptr<mainclient::MainClient> client = create ? create() : nullptr;
    if (!client) throw core::Error("The main client cannot be reached");
    return client;
}

std::string DestinationFolderOf(std::string_view destination) {
    const std::size_t last = destination.find_last_of("\\/");
    if (last == std::string_view::npos) return {};
    return std::string(destination.substr(0, last + 1));
}

bool SameLocalPath(std::string_view a, std::string_view b) {
    const std::string left = TrimDelimiters(a);
    const std::string right = TrimDelimiters(b);
    return !left.empty() && core::SameTextUtf8(left, right);
}

int DownloadSelection(const std::vector<SelectionEntry>& entries, const std::string& folder,
                      mainclient::MainClient& client, const TDM& dataModule,
                      localization::TranslatedMessageBox& messageBox) {
    if (folder.empty()) return 0;
    int asked = 0;
    try {
        for (const SelectionEntry& entry : entries) {
            if (!IsSafeLocalFileName(entry.name)) {
                messageBox.ShowTranslatedMessage(core::Format(dataModule.Text("strsUnsafeName"), {entry.name}),
                                                 dataModule.Text("strsError"), MsgDlgType::mtError,
                                                 localization::ButtonSet(MsgDlgBtn::mbOK), {0, true});
                continue;
            }
            if (entry.isFolder) {
                client.DownloadDirectory(entry.connectionId, entry.remotePath, folder + entry.name + "\\");
            } else {
                const auto size = static_cast<std::int32_t>(std::clamp<std::int64_t>(entry.size, INT32_MIN, INT32_MAX));
                client.DownloadFile(entry.connectionId, folder + entry.name, entry.remotePath, size, entry.modified);
            }
            ++asked;
        }
    } catch (const core::Error&) {
        // A failed transfer ends the downloads; the main client reports its own failures.
    }
    return asked;
}

}  // namespace lark::shellext
