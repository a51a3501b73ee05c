#pragma once
// Item identifiers outlive the nodes they name: Explorer keeps them in caches, history and
// selections long after a listing was replaced, and even across sessions. They therefore carry
// a 32-bit handle that is looked up here instead of a pointer, so an identifier of a freed node
// is recognised and rejected instead of dereferenced. Handles start at an unpredictable value
// in each registry and are never given out twice, so an identifier kept from another process
// or an earlier model is all but certain to name nothing.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

namespace lark::shellext {

class RegisteredNode;

// Handles of live nodes. A handle is never given out twice by one registry; 0 is never a
// handle. After the last of the 2^32 - 1 handles, registering a node throws.
class NodeRegistry {
public:
    // Handles start at a random value.
    NodeRegistry();
    // Handles start at `firstHandle` (0 counts as 1); for tests of the wrap-around.
    explicit NodeRegistry(std::uint32_t firstHandle);
    NodeRegistry(const NodeRegistry&) = delete;
    NodeRegistry& operator=(const NodeRegistry&) = delete;

    // The process-wide registry that the model's nodes join by default. It is never destroyed,
    // so nodes freed during static destruction can still leave it.
    static NodeRegistry& Global();

    // The live node of a handle, or null for 0, an unknown or a released handle.
    RegisteredNode* Find(std::uint32_t handle) const;

    std::size_t LiveCount() const;

private:
    friend class RegisteredNode;
    std::uint32_t Add(RegisteredNode* node);
    void Remove(std::uint32_t handle);

    mutable std::mutex mutex_;
    std::unordered_map<std::uint32_t, RegisteredNode*> nodes_;
    std::uint32_t next_;
    std::uint64_t issued_ = 0;
};

// Base of every model node that an item identifier can name. Construction registers the node,
// destruction releases its handle. A copy is a different node with a handle of its own.
class RegisteredNode {
public:
    explicit RegisteredNode(NodeRegistry& registry = NodeRegistry::Global());
    RegisteredNode(const RegisteredNode& other);
    RegisteredNode& operator=(const RegisteredNode&) { return *this; }
    virtual ~RegisteredNode();

    // The node's name as the user sees it (UTF-8): a site's profile name, a remote object's name.
    virtual std::string NodeName() const = 0;
    // The node above this one (a remote directory, the site, a profile folder), or null at the top.
    virtual RegisteredNode* NodeParent() const = 0;
    // The kind of item that stands for this node, by its class and its folder flag
    // (ItemKindSiteFolder, ItemKindProfile, ItemKindRemoteDir or ItemKindRemoteFile). An item
    // is valid only while its kind equals this.
    virtual std::uint32_t ItemKind() const = 0;

    std::uint32_t Handle() const { return handle_; }
    NodeRegistry& Registry() const { return *registry_; }

private:
    NodeRegistry* registry_;
    std::uint32_t handle_;
};

}  // namespace lark::shellext
