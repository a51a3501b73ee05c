#include "shellext/item_ids.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/text_encoding.h"

namespace lark::shellext {
namespace {

using Byte = unsigned char;

const Byte* Bytes(const void* p) { return static_cast<const Byte*>(p); }
Byte* Bytes(void* p) { return static_cast<Byte*>(p); }

std::uint16_t Load16(const Byte* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Load32(const Byte* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void Store16(Byte* p, std::uint16_t v) {
    p[0] = static_cast<Byte>(v);
    p[1] = static_cast<Byte>(v >> 8);
}
void Store32(Byte* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<Byte>(v >> (8 * i));
}

// The display name as it is stored: at most 39 units, and never the first half of a pair.
std::u16string StoredName(std::string_view name) {
    std::u16string units = core::Utf8ToUtf16(name);
    units.resize(std::min(units.size(), units.find(u'\0')));  // the field ends at a zero unit
    if (units.size() > ItemNameUnits - 1) {
        units.resize(ItemNameUnits - 1);
        if (units.back() >= 0xD800 && units.back() <= 0xDBFF) units.pop_back();
    }
    return units;
}

void WriteName(Byte* item, std::string_view name) {
    const std::u16string units = StoredName(name);
    Byte* field = item + ItemNameOffset;
    std::memset(field, 0, ItemNameUnits * 2);
    for (std::size_t i = 0; i < units.size(); ++i) Store16(field + 2 * i, units[i]);
}

// The stored units up to the terminator.
std::u16string ReadName(const Byte* item) {
    std::u16string units;
    const Byte* field = item + ItemNameOffset;
    for (std::size_t i = 0; i < ItemNameUnits; ++i) {
        const char16_t u = Load16(field + 2 * i);
        if (u == 0) break;
        units += u;
    }
    return units;
}

bool NameTerminated(const Byte* item) {
    const Byte* field = item + ItemNameOffset;
    for (std::size_t i = 0; i < ItemNameUnits; ++i)
        if (Load16(field + 2 * i) == 0) return true;
    return false;
}

// The item's node when it names a node kind, the handle is live and the node is of that kind:
// a handle must never hand out a node of the other class.
RegisteredNode* MatchingNode(const Byte* p, NodeRegistry& registry) {
    if (Load16(p) != ItemSize || Load16(p + ItemSignatureOffset) != ItemSignature) return nullptr;
    const std::uint32_t kind = Load32(p + ItemKindOffset);
    if (!IsNodeKind(kind) || !NameTerminated(p)) return nullptr;
    RegisteredNode* node = registry.Find(Load32(p + ItemNodeOffset));
    return node && node->ItemKind() == kind ? node : nullptr;
}

ItemIdList* Allocate(std::size_t size, ShellAllocator& allocator) {
    return static_cast<ItemIdList*>(allocator.Alloc(size));
}

}  // namespace

bool IsNodeKind(std::uint32_t kind) {
    return kind == ItemKindSiteFolder || kind == ItemKindRemoteDir || kind == ItemKindProfile ||
           kind == ItemKindRemoteFile;
}

ItemIdList* CreatePidlItem(const RegisteredNode& node, ShellAllocator& allocator) {
    const std::uint32_t kind = node.ItemKind();
    if (!IsNodeKind(kind)) return nullptr;
    const std::string name = node.NodeName();  // before allocating: it may throw
    ItemIdList* list = Allocate(ItemSize + 2, allocator);
    if (!list) return nullptr;
    Byte* p = Bytes(list);
    std::memset(p, 0, ItemSize + 2);
    Store16(p, ItemSize);
    Store32(p + ItemKindOffset, kind);
    Store32(p + ItemNodeOffset, node.Handle());
    WriteName(p, name);
    return list;
}

ItemIdList* CreatePidlItem(std::uint32_t kind, const RegisteredNode* node,
                           ShellAllocator& allocator) {
    if (!node || node->ItemKind() != kind) return nullptr;
    return CreatePidlItem(*node, allocator);
}

bool IsOwnPidl(const ItemIdList* item, NodeRegistry& registry) {
    return item && MatchingNode(Bytes(item), registry) != nullptr;
}

bool IsOwnPidl(const void* item, std::size_t available, NodeRegistry& registry) {
    if (!item || available < ItemSize || Load16(Bytes(item)) > available) return false;
    return IsOwnPidl(static_cast<const ItemIdList*>(item), registry);
}

bool HasOwnItemForm(const ItemIdList* item) {
    if (!item) return false;
    const Byte* p = Bytes(item);
    // The count first: only an item of our size is read any further.
    return Load16(p) == ItemSize && Load16(p + ItemSignatureOffset) == ItemSignature &&
           IsNodeKind(Load32(p + ItemKindOffset));
}

std::optional<std::vector<const ItemIdList*>> OwnListItems(const ItemIdList* list, std::size_t limit) {
    if (!list) return std::nullopt;
    std::vector<const ItemIdList*> items;
    for (const Byte* p = Bytes(list); items.size() < limit && Load16(p) != 0; p += ItemSize) {
        const auto* item = reinterpret_cast<const ItemIdList*>(p);
        if (!HasOwnItemForm(item)) return std::nullopt;
        items.push_back(item);
    }
    return items;
}

const ItemIdList* LastOwnItem(const ItemIdList* list) {
    if (!list) return nullptr;
    const ItemIdList* last = nullptr;
    for (const Byte* p = Bytes(list); Load16(p) != 0; p += ItemSize) {
        const auto* item = reinterpret_cast<const ItemIdList*>(p);
        if (!HasOwnItemForm(item)) return nullptr;
        last = item;
    }
    return last;
}

ItemIdList* LastOwnItem(ItemIdList* list) {
    return const_cast<ItemIdList*>(LastOwnItem(static_cast<const ItemIdList*>(list)));
}

const ItemIdList* NextPidlItem(const ItemIdList* item) {
    if (!item) return nullptr;
    return reinterpret_cast<const ItemIdList*>(Bytes(item) + Load16(Bytes(item)));
}

ItemIdList* NextPidlItem(ItemIdList* item) {
    return const_cast<ItemIdList*>(NextPidlItem(static_cast<const ItemIdList*>(item)));
}

const ItemIdList* LastPidlItem(const ItemIdList* list) {
    if (!list) return nullptr;
    const ItemIdList* last = list;
    for (const ItemIdList* p = list; Load16(Bytes(p)) != 0; p = NextPidlItem(p)) last = p;
    return last;
}

ItemIdList* LastPidlItem(ItemIdList* list) {
    return const_cast<ItemIdList*>(LastPidlItem(static_cast<const ItemIdList*>(list)));
}

std::size_t PidlSize(const ItemIdList* list) {
    if (!list) return 0;
    std::size_t size = 0;
    for (const Byte* p = Bytes(list); Load16(p) != 0; p += Load16(p)) size += Load16(p);
    return size + 2;
}

std::size_t PidlSize(const void* list, std::size_t available) {
    if (!list) return 0;
    const Byte* p = Bytes(list);
    std::size_t offset = 0;
    while (offset + 2 <= available) {
        const std::uint16_t cb = Load16(p + offset);
        if (cb == 0) return offset + 2;
        if (cb < 2) return 0;  // an item shorter than its own count field
        offset += cb;
    }
    return 0;
}

ItemIdList* CombinePidls(const ItemIdList* a, const ItemIdList* b, ShellAllocator& allocator) {
    if (!a && !b) return nullptr;
    const std::size_t sizeA = a ? PidlSize(a) - 2 : 0;
    const std::size_t sizeB = b ? PidlSize(b) : 2;
    ItemIdList* list = Allocate(sizeA + sizeB, allocator);
    if (!list) return nullptr;
    Byte* p = Bytes(list);
    if (a) std::memcpy(p, a, sizeA);
    if (b)
        std::memcpy(p + sizeA, b, sizeB);
    else
        Store16(p + sizeA, 0);
    return list;
}

ItemIdList* CopyPidl(const ItemIdList* list, ShellAllocator& allocator) {
    if (!list) return nullptr;
    const std::size_t size = PidlSize(list);
    ItemIdList* copy = Allocate(size, allocator);
    if (copy) std::memcpy(copy, list, size);
    return copy;
}

ItemIdList* CopyFirstPidlItem(const ItemIdList* list, ShellAllocator& allocator) {
    if (!list) return nullptr;
    const std::size_t cb = Load16(Bytes(list));
    ItemIdList* copy = Allocate(cb + 2, allocator);
    if (!copy) return nullptr;
    std::memcpy(copy, list, cb);
    Store16(Bytes(copy) + cb, 0);
    return copy;
}

ItemIdList* JoinLastItems(const ItemIdList* const* lists, unsigned count, ShellAllocator& allocator) {
    std::size_t size = 2;
    for (unsigned i = 0; lists && i < count; ++i)
        if (LastOwnItem(lists[i])) size += ItemSize;
    ItemIdList* joined = Allocate(size, allocator);
    if (!joined) return nullptr;
    Byte* p = Bytes(joined);
    for (unsigned i = 0; lists && i < count; ++i) {
        const ItemIdList* last = LastOwnItem(lists[i]);
        if (!last) continue;
        std::memcpy(p, last, ItemSize);
        p += ItemSize;
    }
    Store16(p, 0);
    return joined;
}

ItemIdList* JoinItems(const std::vector<const ItemIdList*>& items, ShellAllocator& allocator) {
    std::size_t size = 2;
    for (const ItemIdList* item : items) size += Load16(Bytes(item));
    ItemIdList* joined = Allocate(size, allocator);
    if (!joined) return nullptr;
    Byte* p = Bytes(joined);
    for (const ItemIdList* item : items) {
        const std::size_t cb = Load16(Bytes(item));
        std::memcpy(p, item, cb);
        p += cb;
    }
    Store16(p, 0);
    return joined;
}

void FreePidl(ItemIdList* list, ShellAllocator& allocator) { allocator.Free(list); }

std::uint32_t PidlKind(const ItemIdList* item) { return Load32(Bytes(item) + ItemKindOffset); }

std::uint32_t PidlNodeHandle(const ItemIdList* item) {
    return Load32(Bytes(item) + ItemNodeOffset);
}

std::u16string PidlDisplayNameW(const ItemIdList* item) { return ReadName(Bytes(item)); }

std::string PidlDisplayName(const ItemIdList* item) {
    return core::Utf16ToUtf8(PidlDisplayNameW(item));
}

void SetPidlDisplayName(ItemIdList* item, std::string_view name) { WriteName(Bytes(item), name); }

RegisteredNode* PidlNode(const ItemIdList* item, NodeRegistry& registry) {
    return item ? MatchingNode(Bytes(item), registry) : nullptr;
}

RegisteredNode* PidlNode(const void* item, std::size_t available, NodeRegistry& registry) {
    if (!item || available < ItemSize || Load16(Bytes(item)) > available) return nullptr;
    return PidlNode(static_cast<const ItemIdList*>(item), registry);
}

std::string PidlToPath(const ItemIdList* item, NodeRegistry& registry) {
    const RegisteredNode* node = PidlNode(item, registry);
    if (!node) return {};
    // A tree path cannot be longer than the number of live nodes; a longer walk means a cycle.
    const std::size_t limit = registry.LiveCount();
    std::vector<std::string> names;
    for (; node && names.size() <= limit; node = node->NodeParent()) names.push_back(node->NodeName());
    std::string path;
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        if (!path.empty() || it != names.rbegin()) path += '/';
        path += *it;
    }
    return path;
}

std::string PidlToPath(const void* item, std::size_t available, NodeRegistry& registry) {
    if (!item || available < ItemSize || Load16(Bytes(item)) > available) return {};
    return PidlToPath(static_cast<const ItemIdList*>(item), registry);
}

}  // namespace lark::shellext
