#pragma once
// The extension's shell items and the helpers that build, check, walk, copy, join and read
// identifier lists. A list is a run of items, each starting with its own 16-bit byte count and
// ended by a zero count. Every item the extension hands out has the 92-byte TShellItemID
// layout, identical in 32- and 64-bit processes.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shellext/node_registry.h"
#include "shellext/shell_allocator.h"

namespace lark::shellext {

// An identifier list as Explorer passes it (ITEMIDLIST at the Win32 boundary). Only ever used
// through pointers.
struct ItemIdList;

// Item kinds; the high word is the signature that marks the extension's own items.
inline constexpr std::uint32_t ItemKindSiteFolder = 0x72639001;
inline constexpr std::uint32_t ItemKindRemoteDir = 0x72639002;
inline constexpr std::uint32_t ItemKindProfile = 0x72639003;
inline constexpr std::uint32_t ItemKindRemoteFile = 0x72639004;
inline constexpr std::uint16_t ItemSignature = 0x7263;

// Byte layout of one item; all integers little-endian. Items inside a list sit at any byte
// offset, so the helpers read and write the fields through byte copies, never through this type.
struct TShellItemID {
    std::uint16_t cb;          // 92
    std::uint16_t reserved;    // 0
    std::uint32_t kind;        // high word ItemSignature
    char16_t name[40];         // display name, zero-terminated, at most 39 units
    std::uint32_t node;        // NodeRegistry handle of the node the item stands for
};
inline constexpr std::size_t ItemSize = 92;
inline constexpr std::size_t ItemNameUnits = 40;
inline constexpr std::size_t ItemKindOffset = 4;
inline constexpr std::size_t ItemSignatureOffset = 6;
inline constexpr std::size_t ItemNameOffset = 8;
inline constexpr std::size_t ItemNodeOffset = 88;
static_assert(sizeof(TShellItemID) == ItemSize);
static_assert(offsetof(TShellItemID, kind) == ItemKindOffset);
static_assert(offsetof(TShellItemID, name) == ItemNameOffset);
static_assert(offsetof(TShellItemID, node) == ItemNodeOffset);

// True for the four kinds that name a model node.
bool IsNodeKind(std::uint32_t kind);

// A new single-item list (item + 2-byte terminator) for the node, zero-filled, with count 92,
// the node's ItemKind(), its handle and its display name cut to 39 UTF-16 units (never inside
// a surrogate pair). Null when the allocator fails.
ItemIdList* CreatePidlItem(const RegisteredNode& node,
                           ShellAllocator& allocator = DefaultShellAllocator());
// The same with the kind given; null also when the kind is not the node's ItemKind() or no
// node is given: every item names a node of its own kind.
ItemIdList* CreatePidlItem(std::uint32_t kind, const RegisteredNode* node,
                           ShellAllocator& allocator = DefaultShellAllocator());

// An item of this extension: present, count of exactly 92, signature at offset 6, one of the
// four node kinds, and a handle of a live node whose ItemKind() is the item's kind. Every
// other kind is invalid. The stored display name is not compared: after a rename, copies of
// the item that still carry the old name stay valid. The bounded form also requires the 92
// bytes to lie within `available` bytes.
bool IsOwnPidl(const ItemIdList* item, NodeRegistry& registry = NodeRegistry::Global());
bool IsOwnPidl(const void* item, std::size_t available,
               NodeRegistry& registry = NodeRegistry::Global());

// The items of a list that this extension handed out (a folder's relative lists, the
// item-list convention), found in one pass. The walk steps over an item only after its count
// is 92 and its signature and kind are ours, so a count that points elsewhere is never
// followed and nothing past such an item is read. Nothing for a null list and for a list with
// any item that is not of that form; an empty list gives no items. At most `limit` items are
// taken (the rest of the list is not looked at).
std::optional<std::vector<const ItemIdList*>> OwnListItems(const ItemIdList* list,
                                                           std::size_t limit = SIZE_MAX);
// The last item of such a list; null for a null, empty or refused list.
const ItemIdList* LastOwnItem(const ItemIdList* list);
ItemIdList* LastOwnItem(ItemIdList* list);
// Whether the item at this place is of the extension's form (count 92, signature, node kind);
// reads only the count unless the count is 92.
bool HasOwnItemForm(const ItemIdList* item);

// The item that follows (item address + its count); null for null.
const ItemIdList* NextPidlItem(const ItemIdList* item);
ItemIdList* NextPidlItem(ItemIdList* item);

// The last item with a non-zero count; a list whose first count is zero yields the list itself.
const ItemIdList* LastPidlItem(const ItemIdList* list);
ItemIdList* LastPidlItem(ItemIdList* list);

// Sum of the item counts plus 2 for the terminator; 0 for null. The bounded form gives 0 when
// the list is not terminated within `available` bytes.
std::size_t PidlSize(const ItemIdList* list);
std::size_t PidlSize(const void* list, std::size_t available);

// The items of a without its terminator, then all of b, always terminated. Either may be null;
// null when both are, or when the allocator fails.
ItemIdList* CombinePidls(const ItemIdList* a, const ItemIdList* b,
                         ShellAllocator& allocator = DefaultShellAllocator());

// A copy of the whole list; null for null or when the allocator fails.
ItemIdList* CopyPidl(const ItemIdList* list, ShellAllocator& allocator = DefaultShellAllocator());

// A list of the first item and a terminator; null for null or when the allocator fails.
ItemIdList* CopyFirstPidlItem(const ItemIdList* list,
                              ShellAllocator& allocator = DefaultShellAllocator());

// The last item of each of `count` lists, joined in order into one list (the item-list
// convention of clipboard, drag and menu objects); null, empty and refused lists (LastOwnItem)
// add nothing.
// Null when the allocator fails.
ItemIdList* JoinLastItems(const ItemIdList* const* lists, unsigned count,
                          ShellAllocator& allocator = DefaultShellAllocator());

// One list of these single items in order (each item's count bytes), terminated; null when
// the allocator fails.
ItemIdList* JoinItems(const std::vector<const ItemIdList*>& items,
                      ShellAllocator& allocator = DefaultShellAllocator());

// Frees with the allocator the list came from; accepts null.
void FreePidl(ItemIdList* list, ShellAllocator& allocator = DefaultShellAllocator());

// Fields of an item that passed IsOwnPidl.
std::uint32_t PidlKind(const ItemIdList* item);
std::uint32_t PidlNodeHandle(const ItemIdList* item);
// The stored (possibly shortened) display name, UTF-8 and UTF-16.
std::string PidlDisplayName(const ItemIdList* item);
std::u16string PidlDisplayNameW(const ItemIdList* item);
// Overwrites the stored display name by the same rules as CreatePidlItem.
void SetPidlDisplayName(ItemIdList* item, std::string_view name);

// The live node that an own item stands for, or null (not an own item, freed node, node of
// another kind). The bounded form checks the bytes as IsOwnPidl does. The model's SiteNodeOf
// and RemoteNodeOf give the node as its class.
RegisteredNode* PidlNode(const ItemIdList* item, NodeRegistry& registry = NodeRegistry::Global());
RegisteredNode* PidlNode(const void* item, std::size_t available,
                         NodeRegistry& registry = NodeRegistry::Global());

// The "/"-joined names from the topmost ancestor down to the item's own node (full names, not
// the shortened display names); "" when the item does not name a live node.
std::string PidlToPath(const ItemIdList* item, NodeRegistry& registry = NodeRegistry::Global());
std::string PidlToPath(const void* item, std::size_t available,
                       NodeRegistry& registry = NodeRegistry::Global());

}  // namespace lark::shellext
