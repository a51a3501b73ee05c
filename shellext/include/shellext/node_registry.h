#pragma once
// Item identifiers outlive the nodes they name: Explorer keeps them in caches, history and
// selections long after a listing was replaced. They therefore carry a 32-bit handle that is
// looked up here instead of a pointer, so an identifier of a freed node is recognised and
// rejected instead of dereferenced.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

namespace lark::shellext {

class RegisteredNode;

// Handles of live nodes. A handle is never given out twice while the process lives; 0 is
// never a handle.
class NodeRegistry {
public:
    NodeRegistry() = default;
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
    std::uint32_t last_ = 0;
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

    std::uint32_t Handle() const { return handle_; }
    NodeRegistry& Registry() const { return *registry_; }

private:
    NodeRegistry* registry_;
    std::uint32_t handle_;
};

}  // namespace lark::shellext
