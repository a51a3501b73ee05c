#pragma once
// A model over the in-process main-client fake, with a fake shell, clipboard data, selection
// and dialogs, for the action and context-menu tests.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/datetime.h"
#include "mainclient_fake/fake_main_client.h"
#include "shellext/transfer_actions.h"

namespace lark::shellext::testing {

using localization::FakeMessageBox;
using localization::ModalResult;
using mainclient::fake::FakeMainClient;
using mainclient::fake::Reply;

inline std::vector<std::uint8_t> DataModuleDefinition() {
    std::ifstream in(LARK_SHELLEXT_FORMS "/TDM.tpf", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline Reply TextReply(std::string text) {
    Reply r;
    r.text = std::move(text);
    return r;
}
inline Reply ValueReply(std::int32_t value) {
    Reply r;
    r.value = value;
    return r;
}
inline Reply FailureReply() {
    Reply r;
    r.fail = static_cast<std::int32_t>(0x80004005);
    return r;
}

inline std::string Listing(const std::vector<std::pair<std::string, bool>>& entries) {
    std::string text;
    for (const auto& [name, folder] : entries)
        text += (folder ? "drwxr-xr-x 2 owner group 512 Jan 10  2003 " : "-rw-r--r-- 1 owner group 7 Jan 10  2003 ") +
                name + "\r\n";
    return text;
}

// The stored names of a list's items joined by "/" ("" for null).
inline std::string Describe(const ItemIdList* list) {
    std::string text;
    for (const ItemIdList* item = list; item && PidlSize(item) > 2; item = NextPidlItem(item)) {
        if (!text.empty()) text += "/";
        text += PidlDisplayName(item);
    }
    return text;
}

struct Notice {
    ShellChange event;
    std::string first;
    bool secondNull;
    bool operator==(const Notice&) const = default;
};
inline std::ostream& operator<<(std::ostream& out, const Notice& n) {
    return out << "{0x" << std::hex << static_cast<std::uint32_t>(n.event) << std::dec << " " << n.first << " "
               << (n.secondNull ? "null" : "second") << "}";
}

class FakeData : public TransferData {
public:
    // What the data object offers; `onRead` stands for our own data source refilling the
    // selection when its data is read.
    std::vector<TransferFormat> offers;
    std::function<void()> onRead;
    std::optional<std::vector<std::string>> files;
    std::vector<TransferFormat> reads;

    bool Offers(TransferFormat format) override {
        return std::find(offers.begin(), offers.end(), format) != offers.end();
    }
    bool Read(TransferFormat format) override {
        reads.push_back(format);
        if (!Offers(format)) return false;
        if (onRead) onRead();
        return true;
    }
    std::optional<std::vector<std::string>> DropFiles() override {
        if (!Offers(TransferFormat::HDrop)) return std::nullopt;
        return files;
    }
};

class FakeShell : public ShellHost {
public:
    std::vector<Notice> notices;
    std::shared_ptr<TransferData> clipboard;
    std::function<ItemIdList*(const ItemIdList* root)> browse;
    std::string browseRoot;
    std::string browseTitle;
    std::vector<std::string> opened;
    int pumps = 0;
    std::map<std::string, PathKind> paths;

    void Notify(ShellChange event, const ItemIdList* first, const ItemIdList* second) override {
        notices.push_back({event, Describe(first), second == nullptr});
    }
    std::shared_ptr<TransferData> Clipboard() override { return clipboard; }
    ItemIdList* BrowseForFolder(std::uintptr_t, const ItemIdList* root, const std::string& title) override {
        browseRoot = Describe(root);
        browseTitle = title;
        return browse ? browse(root) : nullptr;
    }
    void OpenFolder(std::uintptr_t, const ItemIdList* absolute) override { opened.push_back(Describe(absolute)); }
    void PumpMessages() override { ++pumps; }
    PathKind LocalPathKind(const std::string& path) override {
        auto it = paths.find(path);
        return it == paths.end() ? PathKind::None : it->second;
    }
};

// The nodes' items joined into one list (the caller frees it).
inline ItemIdList* JoinItems(const std::vector<const RegisteredNode*>& nodes) {
    ItemIdList* list = nullptr;
    for (const RegisteredNode* n : nodes) {
        ItemIdList* one = CreatePidlItem(*n);
        ItemIdList* joined = CombinePidls(list, one);
        FreePidl(one);
        FreePidl(list);
        list = joined;
    }
    return list;
}

// The selection set to the nodes' items, as our data source sets it when read.
inline void SelectNodes(SelectionList& selection, const std::vector<const RegisteredNode*>& nodes,
                        const ItemIdList* source = nullptr) {
    ItemIdList* items = JoinItems(nodes);
    selection.Set(items, source);
    FreePidl(items);
}

class FakeDialogs : public ItemDialogs {
public:
    bool answer = true;
    std::vector<std::string> shown;
    std::function<TFTPObject*(TFTPObjects*)> newProfile;

    bool NewProfile(FolderContext&, TFTPObjects* folder, TFTPObject*& node) override {
        shown.push_back("NewProfile");
        node = newProfile ? newProfile(folder) : nullptr;
        return answer;
    }
    bool EditProfile(FolderContext&, TFTPObject& node) override {
        shown.push_back("EditProfile " + node.NodeName());
        return answer;
    }
    bool EditProfileFolder(FolderContext&, TFTPObject& node) override {
        shown.push_back("EditProfileFolder " + node.NodeName());
        return answer;
    }
    bool EditFSObject(FolderContext&, TFSObject& object) override {
        shown.push_back("EditFSObject " + object.Name);
        return answer;
    }
    bool EditFSObjects(FolderContext&, const std::vector<std::pair<std::string, TFSObject*>>& objects) override {
        std::string text = "EditFSObjects";
        for (const auto& [name, node] : objects) text += " " + name;
        shown.push_back(text);
        return answer;
    }
};

// Owns item lists made by the tests.
struct Lists {
    std::vector<ItemIdList*> lists;
    ~Lists() {
        for (ItemIdList* l : lists) FreePidl(l);
    }
    ItemIdList* Keep(ItemIdList* list) {
        lists.push_back(list);
        return list;
    }
    ItemIdList* Of(const RegisteredNode& node) { return Keep(CreatePidlItem(node)); }
    // The items of the nodes joined into one list.
    ItemIdList* Join(const std::vector<const RegisteredNode*>& nodes) { return Keep(JoinItems(nodes)); }
};

class ActionFixture : public ::testing::Test {
protected:
    TFTPObject* AddSite(TFTPObjects& level, const std::string& name, bool folder = false) {
        TFTPObject* node = level.AddNewRecord();
        node->ServerInfo()->ProfileName = name;
        node->ServerInfo()->IsFolder = folder;
        if (folder) node->Children().Bind(node->ServerInfo()->Servers());
        return node;
    }
    // A site listed with the given entries.
    TFTPObject* ListedSite(const std::string& name, const std::vector<std::pair<std::string, bool>>& entries,
                           TFTPObjects* level = nullptr) {
        TFTPObject* site = AddSite(level ? *level : model.Nodes(), name);
        client->Script("ListDirectory", TextReply(Listing(entries)));
        EXPECT_TRUE(site->LoadContent());
        client->ClearCalls();
        return site;
    }
    // Node i stands for record i on every level below `level`.
    static void ExpectInStep(const TFTPObjects& level) {
        ASSERT_EQ(level.Count(), level.Records().Count());
        for (int i = 0; i < level.Count(); ++i) {
            EXPECT_EQ(level.Items(i)->ServerInfo(), level.Records().Items(i)) << i;
            if (level.Items(i)->IsFolder()) ExpectInStep(level.Items(i)->Children());
        }
    }

    std::shared_ptr<FakeMainClient> client = std::make_shared<FakeMainClient>();
    core::FixedClock clock{core::EncodeDate(2024, 6, 15)};
    TFTPContainer model{ModelServices{[this] { return client; }, nullptr, &clock}};
    std::unique_ptr<TDM> dm = TDM::Create(DataModuleDefinition(), 0x0409);
    FakeMessageBox box;
    FolderContext folderContext{model, *dm, box};
    FakeShell shell;
    FakeDialogs dialogs;
    SelectionList selection;
    ActionContext context{folderContext, shell, dialogs, selection};
    Lists lists;
};

}  // namespace lark::shellext::testing
