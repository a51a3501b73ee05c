#pragma once
// The tree that Explorer browses. Its upper levels mirror the site database: one site node
// (TFTPObject) per record, profile folders holding further site nodes. Below a site profile hang
// the remote directories and files (TFSObject), filled from the main client's listings.
//
// Nodes are owned by their collections and registered, so the item identifiers that name them
// are rejected once a node is freed. Everything Windows-specific (the automation object, shell
// change notices, the current time) comes in through ModelServices.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/clock.h"
#include "core/datetime.h"
#include "mainclient/main_client.h"
#include "shellext/item_ids.h"
#include "shellext/model/site_records.h"
#include "shellext/node_registry.h"

namespace lark::shellext {

class TFTPContainer;
class TFTPObjects;
class TFTPObject;
class TFSObjects;
class TFSObject;

// Makes a new automation object of the main client; throws when it cannot be created.
using MainClientFactory = std::function<std::shared_ptr<mainclient::MainClient>()>;

// Announces a changed folder to the shell (SHCNE_UPDATEDIR, SHCNF_IDLIST | SHCNF_FLUSH).
class ChangeNotifier {
public:
    virtual ~ChangeNotifier() = default;
    virtual void FolderUpdated(const ItemIdList* folder) = 0;
};

struct ModelServices {
    MainClientFactory createMainClient;  // required for connecting
    ChangeNotifier* notifier = nullptr;  // null: changes go unannounced; must outlive the model
    const core::Clock* clock = nullptr;  // dates of listings; null: the system clock
};

// The root of the model: the site database's records (published FTPServers, as TServers has
// them) and the root node collection. The process-wide one is named "Servers1".
class TFTPContainer : public TServers {
    LARK_PERSISTENT_CLASS(TFTPContainer)
public:
    explicit TFTPContainer(ModelServices services = {}, core::Component* owner = nullptr);
    ~TFTPContainer() override;

    const ModelServices& Services() const { return services_; }
    const core::Clock& Clock() const;

    TFTPObjects& Nodes() { return *nodes_; }
    const TFTPObjects& Nodes() const { return *nodes_; }

    // Replacing the records drops the root nodes, which stood for the old ones; BuildTree again.
    void SetFTPServers(std::unique_ptr<TFtpServers> servers);
    std::unique_ptr<TFtpServers> ReleaseFTPServers();

    // Reads the database at `path` into FTPServers (nothing for an empty path or a missing file)
    // and builds the tree over it. A database that cannot be read throws core::Error and leaves
    // the records and the tree as they were.
    void LoadDatabase(const std::string& path);
    // The nodes over FTPServers, with every stored password deciphered.
    void BuildTree();
    // Reloads the database at `path` and merges it into the tree: nodes of removed records go,
    // nodes of new records are appended, each change announced for `folder` (the list of the
    // folder that asked). A database that cannot be read throws core::Error and changes nothing.
    void LoadFromDatabase(const std::string& path, const ItemIdList* folder);

private:
    ModelServices services_;
    std::unique_ptr<TFTPObjects> nodes_;
};

// One level of site nodes. Node i always stands for record i of the bound record collection
// (the container's FTPServers, or the Servers of the folder record of the owner node).
class TFTPObjects {
public:
    // `owner` is the profile folder's node, or null for the root level.
    TFTPObjects(TFTPContainer& container, TFTPObject* owner);
    ~TFTPObjects();
    TFTPObjects(const TFTPObjects&) = delete;
    TFTPObjects& operator=(const TFTPObjects&) = delete;

    TFTPContainer& Container() const { return *container_; }
    TFTPObject* OwnerNode() const { return owner_; }
    // The records this level's nodes stand for; an empty collection of its own until bound.
    TFtpServers& Records() const { return *bound_; }
    void Bind(TFtpServers& records) { bound_ = &records; }

    int Count() const { return static_cast<int>(nodes_.size()); }
    TFTPObject* Items(int index) const { return nodes_.at(static_cast<std::size_t>(index)).get(); }
    int IndexOf(const TFTPObject* node) const;

    // A node at the end, without a record yet.
    TFTPObject* Add();
    // A node at the end standing for a new record appended to the bound collection.
    TFTPObject* AddNewRecord();
    // Frees the node with its subtree, and the record it stands for.
    void Delete(int index);
    // Frees every node; the records stay.
    void Clear();
    // The first node whose record's display name equals the text, ignoring case; null if none.
    TFTPObject* FindByName(std::string_view name) const;

private:
    TFTPContainer* container_;
    TFTPObject* owner_;
    std::unique_ptr<TFtpServers> ownRecords_;
    TFtpServers* bound_;
    std::vector<std::unique_ptr<TFTPObject>> nodes_;
};

// A site profile or a profile folder.
class TFTPObject final : public RegisteredNode {
public:
    explicit TFTPObject(TFTPObjects& collection);
    ~TFTPObject() override;
    TFTPObject(const TFTPObject&) = delete;
    TFTPObject& operator=(const TFTPObject&) = delete;

    // The record's ProfileName ("" without a record).
    std::string NodeName() const override;
    // The profile folder's node, or null at the root.
    RegisteredNode* NodeParent() const override;
    // ItemKindSiteFolder for a profile folder, else ItemKindProfile.
    std::uint32_t ItemKind() const override;

    TFTPObjects& Collection() const { return *collection_; }
    TFTPContainer& Container() const { return collection_->Container(); }
    // Member nodes of a profile folder.
    TFTPObjects& Children() { return *children_; }
    const TFTPObjects& Children() const { return *children_; }

    // Not owned: the record collection owns it.
    TFtpServerInfo* ServerInfo() const { return serverInfo_; }
    void SetServerInfo(TFtpServerInfo* record) { serverInfo_ = record; }
    bool IsFolder() const { return serverInfo_ && serverInfo_->IsFolder; }

    bool Connected() const { return connected_; }
    // True while not connected connects (and throws as Connect does); false forgets the session,
    // so that the next browse connects again.
    void SetConnected(bool connected);
    const std::string& ConnectionID() const { return connectionId_; }
    const std::shared_ptr<mainclient::MainClient>& Automation() const { return automation_; }

    // The remote nodes of the start directory; null before the first listing.
    TFSObjects* Content() const { return content_.get(); }
    bool Listed() const { return listed_; }
    void SetListed(bool listed) { listed_ = listed; }

    // HostDirName with a leading "/", without a trailing one; "/" when empty.
    std::string StartDirectory() const;

    // Makes a new automation object and opens a session for the profile; answers Connected.
    // Throws when the object cannot be made or the call fails (not connected then).
    bool Connect();
    // Lists the start directory afresh, connecting first when needed. Answers whether the
    // main client answered (an empty directory's empty listing too); when the site cannot be connected, the previous answer, with the
    // content left as it was. A listing that fails even after reconnecting throws and leaves
    // the content as it was.
    bool LoadContent();
    // Lists again with the refresh flag and merges: matching nodes are updated, new names
    // appended, vanished names removed. Lists for the first time when not Listed (and answers
    // as LoadContent). Answers false when the listing failed.
    bool RefreshContent();
    // Takes UserData, IsFolder, HostName, Account, UserName, PassWord and Port from the other
    // node's record into this node's record.
    void CopyFrom(const TFTPObject& source);

private:
    TFTPObjects* collection_;
    std::unique_ptr<TFTPObjects> children_;
    TFtpServerInfo* serverInfo_ = nullptr;
    bool connected_ = false;
    std::string connectionId_ = "-1";
    std::unique_ptr<TFSObjects> content_;
    bool listed_ = false;
    std::shared_ptr<mainclient::MainClient> automation_;
};

// The remote nodes of one directory: a site's start directory or a remote directory.
class TFSObjects {
public:
    explicit TFSObjects(TFTPObject& site);
    explicit TFSObjects(TFSObject& directory);
    ~TFSObjects();
    TFSObjects(const TFSObjects&) = delete;
    TFSObjects& operator=(const TFSObjects&) = delete;

    TFTPObject& Site() const { return *site_; }
    // The directory whose content this is; null for a site's start directory.
    TFSObject* Directory() const { return directory_; }
    // The directory node, or the site node.
    RegisteredNode& Owner() const;

    int Count() const { return static_cast<int>(nodes_.size()); }
    TFSObject* Items(int index) const { return nodes_.at(static_cast<std::size_t>(index)).get(); }
    int IndexOf(const TFSObject* node) const;
    // The first node of that name, ignoring case; null if none.
    TFSObject* FindByName(std::string_view name) const;
    void Delete(int index);
    // Frees the given nodes of this collection; the rest keep their order.
    void DeleteNodes(const std::vector<TFSObject*>& nodes);
    void Clear();

private:
    friend TFSObject* AddFSObject(TFSObjects& collection, std::string name, bool isFolder);
    TFTPObject* site_;
    TFSObject* directory_;
    std::vector<std::unique_ptr<TFSObject>> nodes_;
};

// A remote directory or file.
class TFSObject final : public RegisteredNode {
public:
    TFSObject(TFSObjects& collection, std::string name, bool isFolder);
    ~TFSObject() override;
    TFSObject(const TFSObject&) = delete;
    TFSObject& operator=(const TFSObject&) = delete;

    std::string NodeName() const override { return Name; }
    // The remote directory above, or the site node.
    RegisteredNode* NodeParent() const override { return &collection_->Owner(); }
    // ItemKindRemoteDir for a directory, else ItemKindRemoteFile.
    std::uint32_t ItemKind() const override;

    TFSObjects& Collection() const { return *collection_; }
    TFTPObject& Site() const { return collection_->Site(); }
    bool IsFolder() const { return isFolder_; }
    // The directory's content; null for a file.
    TFSObjects* Children() const { return children_.get(); }

    std::string Name;               // as on the server, every character kept
    std::int64_t Size = 0;          // bytes
    core::DateTime Modified = 0;    // 0 when unknown
    std::string PermString;         // the listing's permission column
    std::uint16_t Permissions = 0;  // the 9-bit set of the listing parser
    bool Listed = false;            // the directory was listed; a file counts as listed once asked

    // The full path on the server: the site's start directory, the directories, the name.
    std::string GetRemotePath() const;
    // The session of the site.
    const std::string& GetConnectionID() const { return Site().ConnectionID(); }
    // "lark-ftp://" and the names of the enclosing nodes from the top, each followed by "/".
    std::string GetFSObjectURL() const;

    // Lists a directory for the first time (nothing when Listed). Answers whether the main
    // client answered (an empty listing too); false when it failed. A file answers true.
    bool LoadContent();
    // As TFTPObject::RefreshContent.
    bool RefreshContent();

private:
    TFSObjects* collection_;
    bool isFolder_;
    std::unique_ptr<TFSObjects> children_;
};

// The node that an item of this extension stands for, as its class: the site node of a
// profile folder or site profile item, the remote node of a remote directory or file item.
// Null for anything else: no item, a foreign or damaged item, a freed node, an item whose kind
// is not the node's (a file item naming a directory, a site item naming a remote node).
// Items for a node are made with CreatePidlItem(node), which takes the node's ItemKind().
TFTPObject* SiteNodeOf(const ItemIdList* item, NodeRegistry& registry = NodeRegistry::Global());
TFSObject* RemoteNodeOf(const ItemIdList* item, NodeRegistry& registry = NodeRegistry::Global());

// A server's name can hold anything, path syntax included ("..\\..\\evil.exe", "C:\\x.dll",
// "a/b"); the model keeps it as listed so the user sees it, but only a name that passes here
// may become part of a local path. Refused: the empty name, "." and "..", names with "/", "\\",
// ":", NUL, control characters or any of < > " | ? *, names ending in a dot or a space, the
// device names Windows reserves (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-9, LPT1-9, also
// with an extension and in any case), and names longer than 255 UTF-16 units.
bool IsSafeLocalFileName(std::string_view name);
// The node's name as a local file or folder name, or nothing when it is not safe as one.
std::optional<std::string> LocalFileName(const TFSObject& node);

// Binds the level to the records and makes a node for each, recursing into folders. Stored
// passwords are deciphered; one that does not decipher is left empty and the rest go on.
void BuildLevel(TFTPObjects& level, TFtpServers& records);

// Brings the level in line with freshly read records, matched by name (ignoring case) and kind,
// so a folder and a profile of the same name never merge into each other: nodes without a match
// are removed with their records, records without a match are appended (in the reverse of the
// records' order) with a copy of their record, folders that stay are merged recursively. A site
// that stays keeps its old record. Each removal and addition is announced for `folder`.
void MergeServers(TFTPObjects& level, const TFtpServers& records, const ItemIdList* folder);

// Appends a node to the collection; a folder gets an empty Children.
TFSObject* AddFSObject(TFSObjects& collection, std::string name, bool isFolder);

// The separator, then the names of the node's ancestors from the top, each followed by the
// separator; the node's own name is not part of it.
std::string GetObjectPath(const RegisteredNode& node, std::string_view separator);

// The base name when no node bears it (ignoring case), else "base (n)" with the first free n
// from 2.
std::string UniqueProfileName(const TFTPObjects& level, std::string_view base);
std::string UniqueFSObjectName(const TFSObjects& collection, std::string_view base);

// The text with "/" appended unless it ends with one; "" stays "".
std::string IncludeTrailingSlash(std::string_view text);

// The arguments of AddProfile / ModifyProfile for a site record in the folder at `folderPath`
// (GetObjectPath with "\\"): the record's values, the two switches as booleans.
mainclient::ProfileRecord ProfileRecordOf(const TFtpServerInfo& record, const std::string& folderPath);

// The lines of a listing reply: split at LF, a CR before the LF dropped; a final line break
// ends the last line rather than starting an empty one.
std::vector<std::string> SplitListing(std::string_view text);

}  // namespace lark::shellext
