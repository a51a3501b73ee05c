// Arbitrary bytes as an identifier list from Explorer: the checks must never read outside the
// buffer nor follow a handle that names no live node.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "shellext/item_ids.h"

namespace {

using namespace lark::shellext;

class Node : public RegisteredNode {
public:
    Node(NodeRegistry& r, std::string name, RegisteredNode* parent, std::uint32_t kind)
        : RegisteredNode(r), name_(std::move(name)), parent_(parent), kind_(kind) {}
    std::string NodeName() const override { return name_; }
    RegisteredNode* NodeParent() const override { return parent_; }
    std::uint32_t ItemKind() const override { return kind_; }

private:
    std::string name_;
    RegisteredNode* parent_;
    std::uint32_t kind_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A few live nodes (handles 1..3 of a registry started at 1) and one freed (handle 4), so
    // random handles hit live, freed and unknown nodes, and nodes of every kind.
    NodeRegistry registry(1);
    Node folder(registry, "F", nullptr, ItemKindSiteFolder);
    Node site(registry, "S", &folder, ItemKindProfile);
    Node file(registry, "f", &site, ItemKindRemoteFile);
    std::make_unique<Node>(registry, "gone", &site, ItemKindRemoteDir).reset();

    // An exact-size heap copy, so ASan reports any read past the end.
    std::vector<std::uint8_t> bytes(data, data + size);
    const void* p = bytes.data();
    const bool own = IsOwnPidl(p, size, registry);
    const std::string path = PidlToPath(p, size, registry);
    if (!path.empty() && !own) std::abort();
    if (own) {
        const auto* item = static_cast<const ItemIdList*>(p);
        PidlDisplayName(item);
        RegisteredNode* node = PidlNode(item, registry);
        if (node && node != &folder && node != &site && node != &file) std::abort();
        if (!node || node->ItemKind() != PidlKind(item)) std::abort();
    }
    if (const std::size_t total = PidlSize(p, size)) {
        const auto* list = static_cast<const ItemIdList*>(p);
        if (PidlSize(list) != total) std::abort();
        const ItemIdList* last = LastPidlItem(list);
        IsOwnPidl(last, size - (reinterpret_cast<const std::uint8_t*>(last) - bytes.data()),
                  registry);
        ItemIdList* copy = CopyPidl(list);
        ItemIdList* joined = CombinePidls(list, copy);
        if (PidlSize(joined) != 2 * total - 2) std::abort();
        FreePidl(joined);
        FreePidl(copy);
    }
    return 0;
}
