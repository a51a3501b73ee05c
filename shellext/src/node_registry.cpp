#include "shellext/node_registry.h"

#include <limits>

#include "core/errors.h"

namespace lark::shellext {

NodeRegistry& NodeRegistry::Global() {
    static NodeRegistry* registry = new NodeRegistry;
    return *registry;
}

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
    // (four billion nodes in one process) is an error rather than a wrap.
    if (last_ == std::numeric_limits<std::uint32_t>::max())
        throw core::Error("node handles exhausted");
    ++last_;
    nodes_.emplace(last_, node);
    return last_;
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
