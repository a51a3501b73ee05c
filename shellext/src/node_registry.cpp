#include "shellext/node_registry.h"

#include <limits>
#include <random>

#include "core/errors.h"

namespace lark::shellext {

NodeRegistry& NodeRegistry::Global() {
    static NodeRegistry* registry = new NodeRegistry;
    return *registry;
}

namespace {

std::uint32_t RandomHandle() {
    std::random_device random;
    return static_cast<std::uint32_t>(random());
}

}  // namespace

NodeRegistry::NodeRegistry() : NodeRegistry(RandomHandle()) {}

NodeRegistry::NodeRegistry(std::uint32_t firstHandle) : next_(firstHandle == 0 ? 1 : firstHandle) {}

RegisteredNode* NodeRegistry::Find(std::uint32_t handle) const {
    if (handle == 0) return nullptr;
    std::lock_guard lock(mutex_);
    auto it = nodes_.find(handle);
    return it == nodes_.end() ? nullptr : it->second;
}

std::size_t NodeRegistry::LiveCount() const {
    std::lock_guard lock(mutex_);
    return nodes_.size();
}

std::uint32_t NodeRegistry::Add(RegisteredNode* node) {
    std::lock_guard lock(mutex_);
    // Reusing a handle could make a stale identifier name an unrelated node, so running out
    // (four billion nodes in one process) is an error rather than a second round.
    if (issued_ == std::numeric_limits<std::uint32_t>::max())
        throw core::Error("Node registry: all item handles have been given out");
    const std::uint32_t handle = next_;
    nodes_.emplace(handle, node);
    ++issued_;
    next_ = handle == std::numeric_limits<std::uint32_t>::max() ? 1 : handle + 1;
    return handle;
}

void NodeRegistry::Remove(std::uint32_t handle) {
    std::lock_guard lock(mutex_);
    nodes_.erase(handle);
}

RegisteredNode::RegisteredNode(NodeRegistry& registry)
    : registry_(&registry), handle_(registry.Add(this)) {}

RegisteredNode::RegisteredNode(const RegisteredNode& other)
    : registry_(other.registry_), handle_(registry_->Add(this)) {}

RegisteredNode::~RegisteredNode() { registry_->Remove(handle_); }

}  // namespace lark::shellext
