#include "shellext/model/site_model.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "core/errors.h"
#include "core/published.h"
#include "core/text_encoding.h"
#include "shellext/model/listing_parser.h"
#include "shellext/model/site_database.h"

namespace lark::shellext {
namespace {

// A listing reply as lines, and whether it stands for the directory: when the session had to be
// opened again and could not be, the (empty) lines say nothing about the directory.
struct Listing {
    std::vector<std::string> lines;
    bool failed = false;
};

std::vector<std::string> ListOnce(TFTPObject& site, const std::string& path, bool refresh) {
    const auto& client = site.Automation();
    if (!client) throw core::Error("No session is open for " + site.NodeName());
    return SplitListing(client->ListDirectory(site.ConnectionID(), path, refresh));
}

// A call that fails is worth one reconnect (the session may be gone); "ERROR" for a directory
// the main client cannot list is worth a listing of the root instead. An empty text is the
// listing of an empty directory, an answer like any other.
Listing ListWithRetries(TFTPObject& site, const std::string& path, bool refresh) {
    Listing out;
    bool raised = false;
    try {
        out.lines = ListOnce(site, path, refresh);
    } catch (const std::exception&) {
        raised = true;
    }
    if (raised) {
        if (site.Connect())
            out.lines = ListOnce(site, path, refresh);
        else
            out.failed = true;
    }
    if (out.lines.size() == 1 && out.lines.front() == "ERROR") out.lines = ListOnce(site, "/", refresh);
    return out;
}

// Parses a line into the entry; false for a line that names nothing usable.
bool ParseUsable(TFTPFileInfo& entry, const std::string& line, const ListingParser& parser) {
    try {
        parser.Parse(entry, line);
    } catch (const std::exception&) {
        return false;
    }
    return !entry.Name.empty() && entry.Name != "." && entry.Name != "..";
}

void TakeDetails(TFSObject& node, const TFTPFileInfo& entry) {
    node.Size = entry.Size;
    node.Modified = entry.DateTime;
    node.PermString = entry.PermString;
    node.Permissions = entry.Permissions;
}

void AddNodes(TFSObjects& to, const std::vector<std::string>& lines, const core::Clock& clock) {
    const ListingParser parser(clock);
    TFTPFileInfo entry;
    for (const std::string& line : lines) {
        if (!ParseUsable(entry, line, parser)) continue;
        TakeDetails(*AddFSObject(to, entry.Name, entry.IsDir), entry);
    }
}

// Existing nodes by name, each handed out at most once: the exact spelling first, then any
// spelling that differs in case only. A server that tells "a" from "A" keeps both apart.
class NodeMatcher {
public:
    explicit NodeMatcher(const TFSObjects& nodes) {
        for (int i = 0; i < nodes.Count(); ++i) {
            TFSObject* node = nodes.Items(i);
            nodes_.push_back(node);
            exact_[node->Name].indices.push_back(nodes_.size() - 1);
            folded_[core::FoldCaseUtf8(node->Name)].indices.push_back(nodes_.size() - 1);
        }
        matched_.assign(nodes_.size(), false);
    }

    TFSObject* Take(const std::string& name) {
        std::size_t index = Next(exact_, name);
        if (index == kNone) index = Next(folded_, core::FoldCaseUtf8(name));
        if (index == kNone) return nullptr;
        matched_[index] = true;
        return nodes_[index];
    }

    std::vector<TFSObject*> Unmatched() const {
        std::vector<TFSObject*> out;
        for (std::size_t i = 0; i < nodes_.size(); ++i)
            if (!matched_[i]) out.push_back(nodes_[i]);
        return out;
    }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    struct Bucket {
        std::vector<std::size_t> indices;
        std::size_t next = 0;
    };
    using Index = std::unordered_map<std::string, Bucket>;

    std::size_t Next(Index& index, const std::string& key) {
        auto it = index.find(key);
        if (it == index.end()) return kNone;
        Bucket& b = it->second;
        while (b.next < b.indices.size() && matched_[b.indices[b.next]]) ++b.next;
        return b.next < b.indices.size() ? b.indices[b.next] : kNone;
    }

    std::vector<TFSObject*> nodes_;
    std::vector<bool> matched_;
    Index exact_;
    Index folded_;
};

// Merges a fresh listing into the nodes: a node whose name is listed again is updated in place
// (or replaced when it turned from file to directory or back), new names are appended, names
// no longer listed are removed.
void MergeListing(TFSObjects& nodes, const std::vector<std::string>& lines, const core::Clock& clock) {
    NodeMatcher matcher(nodes);
    std::vector<TFSObject*> doomed;
    const ListingParser parser(clock);
    TFTPFileInfo entry;
    for (const std::string& line : lines) {
        if (!ParseUsable(entry, line, parser)) continue;
        TFSObject* node = matcher.Take(entry.Name);
        if (node && node->IsFolder() != entry.IsDir) {
            doomed.push_back(node);
            node = nullptr;
        }
        if (!node)
            node = AddFSObject(nodes, entry.Name, entry.IsDir);
        else if (node->Name != entry.Name)
            node->Name = entry.Name;  // renamed on the server in letter case only
        TakeDetails(*node, entry);
    }
    for (TFSObject* node : matcher.Unmatched()) doomed.push_back(node);
    nodes.DeleteNodes(doomed);
}

// A refresh of a listed directory. Failures answer false and leave the nodes as they were.
bool Refresh(TFTPObject& site, TFSObjects& nodes, const std::string& path) {
    try {
        Listing listing = ListWithRetries(site, path, true);
        if (listing.failed) return false;
        MergeListing(nodes, listing.lines, site.Container().Clock());
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// The names of the node's ancestors, topmost first.
std::vector<std::string> AncestorNames(const RegisteredNode& node) {
    std::vector<std::string> names;
    for (const RegisteredNode* p = node.NodeParent(); p; p = p->NodeParent()) names.push_back(p->NodeName());
    std::reverse(names.begin(), names.end());
    return names;
}

template <class Taken>
std::string UniqueName(std::string_view base, Taken taken) {
    if (!taken(base)) return std::string(base);
    for (long long n = 2;; ++n) {
        std::string candidate = std::string(base) + " (" + std::to_string(n) + ")";
        if (!taken(candidate)) return candidate;
    }
}

}  // namespace

// ---- TFTPContainer ----

LARK_DEFINE_CLASS(TFTPContainer) {
    return core::ClassBuilder<TFTPContainer>("TFTPContainer", &TServers::StaticClass()).Build();
}

TFTPContainer::TFTPContainer(ModelServices services, core::Component* owner)
    : TServers(owner), services_(std::move(services)), nodes_(std::make_unique<TFTPObjects>(*this, nullptr)) {
    nodes_->Bind(FTPServers());
}

TFTPContainer::~TFTPContainer() {
    BeginDestroy();
    nodes_.reset();  // the nodes point at the records, which go after them
}

const core::Clock& TFTPContainer::Clock() const {
    static const core::SystemClock system;
    return services_.clock ? *services_.clock : system;
}

void TFTPContainer::SetFTPServers(std::unique_ptr<TFtpServers> servers) {
    nodes_->Clear();
    TServers::SetFTPServers(std::move(servers));
    nodes_->Bind(FTPServers());
}

std::unique_ptr<TFtpServers> TFTPContainer::ReleaseFTPServers() {
    nodes_->Clear();
    auto out = TServers::ReleaseFTPServers();
    nodes_->Bind(FTPServers());
    return out;
}

void TFTPContainer::LoadDatabase(const std::string& path) {
    // Read aside first: a database that cannot be read leaves the present tree.
    if (Name().empty()) SetName(std::string(kSiteHolderName));
    TServers fresh;
    fresh.SetName(Name());
    fresh.SetFTPServers(std::make_unique<TFtpServers>(Owner()));
    ReadSiteRecords(fresh, path);  // BuildTree deciphers
    SetFTPServers(fresh.ReleaseFTPServers());
    BuildTree();
}

void TFTPContainer::BuildTree() { BuildLevel(*nodes_, FTPServers()); }

void TFTPContainer::LoadFromDatabase(const std::string& path, const ItemIdList* folder) {
    // Only the records of new sites are deciphered, as the merge takes them: a site that stays
    // keeps its own record.
    TServers fresh;
    ReadSiteRecords(fresh, path);
    MergeServers(*nodes_, fresh.FTPServers(), folder);
}

// ---- TFTPObjects ----

TFTPObjects::TFTPObjects(TFTPContainer& container, TFTPObject* owner)
    : container_(&container), owner_(owner), ownRecords_(std::make_unique<TFtpServers>()), bound_(ownRecords_.get()) {}

TFTPObjects::~TFTPObjects() { Clear(); }

int TFTPObjects::IndexOf(const TFTPObject* node) const {
    for (std::size_t i = 0; i < nodes_.size(); ++i)
        if (nodes_[i].get() == node) return static_cast<int>(i);
    return -1;
}

TFTPObject* TFTPObjects::Add() {
    nodes_.push_back(std::make_unique<TFTPObject>(*this));
    return nodes_.back().get();
}

TFTPObject* TFTPObjects::AddNewRecord() {
    TFTPObject* node = Add();
    try {
        node->SetServerInfo(bound_->Add());
    } catch (...) {
        nodes_.pop_back();
        throw;
    }
    return node;
}

void TFTPObjects::Delete(int index) {
    if (index < 0 || index >= Count()) throw core::Error("Node index out of bounds (" + std::to_string(index) + ")");
    TFtpServerInfo* record = nodes_[static_cast<std::size_t>(index)]->ServerInfo();
    nodes_.erase(nodes_.begin() + index);  // the subtree first: it points into the record
    if (record) {
        const int r = bound_->IndexOf(record);
        if (r >= 0) bound_->Delete(r);
    }
}

void TFTPObjects::Clear() {
    // Last to first, as the nodes were made.
    while (!nodes_.empty()) nodes_.pop_back();
}

TFTPObject* TFTPObjects::FindByName(std::string_view name) const {
    for (const auto& node : nodes_)
        if (node->ServerInfo() && core::SameTextUtf8(node->ServerInfo()->DisplayName(), name)) return node.get();
    return nullptr;
}

// ---- TFTPObject ----

TFTPObject::TFTPObject(TFTPObjects& collection)
    : collection_(&collection), children_(std::make_unique<TFTPObjects>(collection.Container(), this)) {}

TFTPObject::~TFTPObject() {
    content_.reset();
    children_.reset();
}

std::string TFTPObject::NodeName() const { return serverInfo_ ? serverInfo_->ProfileName : std::string(); }

RegisteredNode* TFTPObject::NodeParent() const { return collection_->OwnerNode(); }

std::uint32_t TFTPObject::ItemKind() const { return IsFolder() ? ItemKindSiteFolder : ItemKindProfile; }

void TFTPObject::SetConnected(bool connected) {
    if (connected) {
        if (!connected_) Connect();
    } else {
        connected_ = false;
    }
}

std::string TFTPObject::StartDirectory() const {
    std::string dir = serverInfo_ ? serverInfo_->HostDirName : std::string();
    if (dir.empty()) return "/";
    if (dir.front() != '/') dir.insert(dir.begin(), '/');
    if (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

bool TFTPObject::Connect() {
    automation_.reset();
    connected_ = false;
    connectionId_.clear();
    if (!serverInfo_) throw core::Error("A site node without a record cannot connect");
    const MainClientFactory& create = Container().Services().createMainClient;
    if (!create) throw core::Error("The main client cannot be reached");
    automation_ = create();
    if (!automation_) throw core::Error("The main client could not be started");
    connectionId_ = automation_->OpenSession(serverInfo_->ProfileName).connection_id;
    connected_ = !connectionId_.empty() && connectionId_ != "-1";
    return connected_;
}

bool TFTPObject::LoadContent() {
    if (!content_) content_ = std::make_unique<TFSObjects>(*this);
    if (!connected_ && !Connect()) return listed_;
    Listing listing = ListWithRetries(*this, StartDirectory(), false);
    if (listing.failed) return listed_;
    content_->Clear();
    AddNodes(*content_, listing.lines, Container().Clock());
    listed_ = true;
    return listed_;
}

bool TFTPObject::RefreshContent() {
    if (!listed_) return LoadContent();
    if (!content_) content_ = std::make_unique<TFSObjects>(*this);
    return Refresh(*this, *content_, StartDirectory());
}

void TFTPObject::CopyFrom(const TFTPObject& source) {
    if (!serverInfo_ || !source.serverInfo_ || serverInfo_ == source.serverInfo_) return;
    const TFtpServerInfo& from = *source.serverInfo_;
    serverInfo_->UserData = from.UserData;
    serverInfo_->IsFolder = from.IsFolder;
    serverInfo_->HostName = from.HostName;
    serverInfo_->Account = from.Account;
    serverInfo_->UserName = from.UserName;
    serverInfo_->SetPassWord(from.PassWord());
    serverInfo_->Port = from.Port;
}

// ---- TFSObjects ----

TFSObjects::TFSObjects(TFTPObject& site) : site_(&site), directory_(nullptr) {}

TFSObjects::TFSObjects(TFSObject& directory) : site_(&directory.Site()), directory_(&directory) {}

TFSObjects::~TFSObjects() { Clear(); }

RegisteredNode& TFSObjects::Owner() const {
    if (directory_) return *directory_;
    return *site_;
}

int TFSObjects::IndexOf(const TFSObject* node) const {
    for (std::size_t i = 0; i < nodes_.size(); ++i)
        if (nodes_[i].get() == node) return static_cast<int>(i);
    return -1;
}

TFSObject* TFSObjects::FindByName(std::string_view name) const {
    for (const auto& node : nodes_)
        if (core::SameTextUtf8(node->Name, name)) return node.get();
    return nullptr;
}

void TFSObjects::Delete(int index) {
    if (index < 0 || index >= Count()) throw core::Error("Node index out of bounds (" + std::to_string(index) + ")");
    nodes_.erase(nodes_.begin() + index);
}

void TFSObjects::DeleteNodes(const std::vector<TFSObject*>& nodes) {
    if (nodes.empty()) return;
    const std::unordered_set<const TFSObject*> doomed(nodes.begin(), nodes.end());
    std::erase_if(nodes_, [&](const std::unique_ptr<TFSObject>& n) { return doomed.count(n.get()) != 0; });
}

void TFSObjects::Clear() {
    while (!nodes_.empty()) nodes_.pop_back();
}

// ---- TFSObject ----

TFSObject::TFSObject(TFSObjects& collection, std::string name, bool isFolder)
    : Name(std::move(name)), collection_(&collection), isFolder_(isFolder) {
    if (isFolder_) children_ = std::make_unique<TFSObjects>(*this);
}

TFSObject::~TFSObject() { children_.reset(); }

std::uint32_t TFSObject::ItemKind() const { return isFolder_ ? ItemKindRemoteDir : ItemKindRemoteFile; }

std::string TFSObject::GetRemotePath() const {
    std::vector<const TFSObject*> chain;
    for (const TFSObject* n = this; n; n = n->collection_->Directory()) chain.push_back(n);
    std::string path = IncludeTrailingSlash(Site().StartDirectory());
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        path += (*it)->Name;
        if (*it != this) path += '/';
    }
    return path;
}

std::string TFSObject::GetFSObjectURL() const {
    std::string url = "lark-ftp://";
    for (const std::string& name : AncestorNames(*this)) url += name + "/";
    return url;
}

bool TFSObject::LoadContent() {
    if (Listed) return true;
    if (!isFolder_) {
        Listed = true;
        return true;
    }
    bool hadLines = false;
    try {
        Listing listing = ListWithRetries(Site(), GetRemotePath(), false);
        if (listing.failed) return false;
        hadLines = !listing.lines.empty();
        children_->Clear();
        AddNodes(*children_, listing.lines, Site().Container().Clock());
        Listed = true;
        return Listed;
    } catch (const std::exception&) {
        Listed = hadLines;
        return false;
    }
}

bool TFSObject::RefreshContent() {
    if (!Listed) return LoadContent();
    if (!isFolder_) return true;  // a file has no content to merge
    return Refresh(Site(), *children_, GetRemotePath());
}

// ---- free operations ----

bool IsSafeLocalFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || std::string_view("/\\:<>\"|?*").find(c) != std::string_view::npos)
            return false;
    }
    if (name.back() == '.' || name.back() == ' ') return false;  // Windows drops them: another name
    if (core::Utf8ToUtf16(name).size() > 255) return false;
    // A reserved device name stays the device with any extension and trailing spaces.
    std::string_view base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    static constexpr std::string_view kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (std::string_view device : kDevices)
        if (core::SameTextUtf8(base, device)) return false;
    for (std::string_view prefix : {std::string_view("COM"), std::string_view("LPT")}) {
        if (base.size() < 4 || !core::SameTextUtf8(base.substr(0, 3), prefix)) continue;
        const std::string_view number = base.substr(3);
        if ((number.size() == 1 && number[0] >= '1' && number[0] <= '9') ||
            number == "\xC2\xB9" || number == "\xC2\xB2" || number == "\xC2\xB3")  // ¹ ² ³
            return false;
    }
    return true;
}

std::optional<std::string> LocalFileName(const TFSObject& node) {
    if (!IsSafeLocalFileName(node.Name)) return std::nullopt;
    return node.Name;
}

TFTPObject* SiteNodeOf(const ItemIdList* item, NodeRegistry& registry) {
    return dynamic_cast<TFTPObject*>(PidlNode(item, registry));
}

TFSObject* RemoteNodeOf(const ItemIdList* item, NodeRegistry& registry) {
    return dynamic_cast<TFSObject*>(PidlNode(item, registry));
}

void BuildLevel(TFTPObjects& level, TFtpServers& records) {
    level.Clear();
    level.Bind(records);
    for (int i = 0; i < records.Count(); ++i) {
        TFtpServerInfo* record = records.Items(i);
        TFTPObject* node = level.Add();
        node->SetServerInfo(record);
        record->DecipherPassWord(SitePasswordKey());  // undecipherable: left empty, the rest goes on
        if (record->IsFolder) BuildLevel(node->Children(), record->Servers());
    }
}

namespace {
// The key a node and a fresh record are matched by: the kind and the name without case. A folder
// and a profile of the same name are different entries and never merge into each other.
std::string MergeKey(const TFtpServerInfo& record) {
    return (record.IsFolder ? "F:" : "P:") + core::FoldCaseUtf8(record.DisplayName());
}
}  // namespace

void MergeServers(TFTPObjects& level, const TFtpServers& records, const ItemIdList* folder) {
    ChangeNotifier* notifier = level.Container().Services().notifier;
    const auto announce = [&] {
        if (notifier) notifier->FolderUpdated(folder);
    };
    // Keys, each with the first record that has it: a level of thousands of sites merges in
    // linear time.
    std::unordered_map<std::string, const TFtpServerInfo*> freshByKey;
    for (int j = 0; j < records.Count(); ++j) freshByKey.emplace(MergeKey(*records.Items(j)), records.Items(j));
    for (int i = level.Count() - 1; i >= 0; --i) {
        TFTPObject* node = level.Items(i);
        const auto found = node->ServerInfo() ? freshByKey.find(MergeKey(*node->ServerInfo())) : freshByKey.end();
        const TFtpServerInfo* fresh = found == freshByKey.end() ? nullptr : found->second;
        if (!fresh) {
            level.Delete(i);
            announce();
        } else if (node->IsFolder()) {
            MergeServers(node->Children(), fresh->Servers(), folder);
        }
    }
    std::unordered_set<std::string> present;
    for (int i = 0; i < level.Count(); ++i)
        if (const TFtpServerInfo* record = level.Items(i)->ServerInfo()) present.insert(MergeKey(*record));
    for (int j = records.Count() - 1; j >= 0; --j) {
        const TFtpServerInfo* fresh = records.Items(j);
        if (!present.insert(MergeKey(*fresh)).second) continue;
        TFTPObject* node = level.AddNewRecord();
        TFtpServerInfo& record = *node->ServerInfo();
        record.Assign(*fresh);
        record.DecipherPassWord(SitePasswordKey());
        // The new folder's members stay in its own record, as BuildTree binds them.
        if (record.IsFolder) BuildLevel(node->Children(), record.Servers());
        announce();
    }
}

TFSObject* AddFSObject(TFSObjects& collection, std::string name, bool isFolder) {
    collection.nodes_.push_back(std::make_unique<TFSObject>(collection, std::move(name), isFolder));
    return collection.nodes_.back().get();
}

std::string GetObjectPath(const RegisteredNode& node, std::string_view separator) {
    std::string path(separator);
    for (const std::string& name : AncestorNames(node)) {
        path += name;
        path += separator;
    }
    return path;
}

std::string UniqueProfileName(const TFTPObjects& level, std::string_view base) {
    return UniqueName(base, [&](std::string_view name) {
        for (int i = 0; i < level.Count(); ++i) {
            const TFtpServerInfo* record = level.Items(i)->ServerInfo();
            if (record && core::SameTextUtf8(record->ProfileName, name)) return true;
        }
        return false;
    });
}

std::string UniqueFSObjectName(const TFSObjects& collection, std::string_view base) {
    return UniqueName(base, [&](std::string_view name) { return collection.FindByName(name) != nullptr; });
}

mainclient::ProfileRecord ProfileRecordOf(const TFtpServerInfo& record, const std::string& folderPath) {
    mainclient::ProfileRecord out;
    out.folder_path = folderPath;
    out.profile_name = record.ProfileName;
    out.host_name = record.HostName;
    out.user_name = record.UserName;
    out.password = record.PassWord();
    out.port = record.Port;
    out.use_global_proxy = record.UseGlobalProxy();
    out.proxy_name = record.ProxyName;
    out.proxy_port = record.ProxyPort;
    out.host_dir_name = record.HostDirName;
    out.passive = record.Passive;
    out.reserved = 0;
    out.server_type = record.ServerType;
    out.proxy_type = record.ProxyType;
    out.proxy_user = record.ProxyUser;
    out.proxy_password = record.ProxyPassword;
    out.authentication = record.Authentication;
    out.private_key = record.PrivateKey;
    out.key_password = record.KeyPassword;
    return out;
}

std::string IncludeTrailingSlash(std::string_view text) {
    std::string out(text);
    if (!out.empty() && out.back() != '/') out += '/';
    return out;
}

std::vector<std::string> SplitListing(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t lf = text.find('\n', start);
        const std::size_t end = lf == std::string_view::npos ? text.size() : lf;
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.emplace_back(line);
        if (lf == std::string_view::npos) break;
        start = lf + 1;
    }
    return lines;
}

}  // namespace lark::shellext
