#include "shellext/item_ids.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "shellext/transfer_folder.h"

using namespace lark::shellext;

namespace {

class TestNode : public RegisteredNode {
public:
    TestNode(NodeRegistry& registry, std::string name, RegisteredNode* parent = nullptr,
             std::uint32_t kind = ItemKindRemoteDir)
        : RegisteredNode(registry), name(std::move(name)), parent(parent), kind(kind) {}
    std::string NodeName() const override { return name; }
    RegisteredNode* NodeParent() const override { return parent; }
    std::uint32_t ItemKind() const override { return kind; }
    std::string name;
    RegisteredNode* parent;
    std::uint32_t kind;
};

// Counts what is live and can be told to fail, so leaks and allocation failures show.
class CountingAllocator : public ShellAllocator {
public:
    void* Alloc(std::size_t size) override {
        if (failNext) return nullptr;
        ++live;
        lastSize = size;
        return std::malloc(size);
    }
    void Free(void* block) override {
        if (block) --live;
        std::free(block);
    }
    int live = 0;
    std::size_t lastSize = 0;
    bool failNext = false;
};

const unsigned char* B(const void* p) { return static_cast<const unsigned char*>(p); }

class ItemIds : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(alloc.live, 0) << "identifier lists leaked"; }

    ItemIdList* Item(std::uint32_t kind, const RegisteredNode* node) {
        ItemIdList* item = CreatePidlItem(kind, node, alloc);
        EXPECT_NE(item, nullptr);
        return item;
    }
    // A foreign item of an odd size, as other folders put into the same list.
    std::vector<unsigned char> ForeignList(std::uint16_t cb) {
        std::vector<unsigned char> list(cb + 2, 0xAB);
        list[0] = static_cast<unsigned char>(cb);
        list[1] = static_cast<unsigned char>(cb >> 8);
        list[cb] = list[cb + 1] = 0;
        return list;
    }
    const ItemIdList* L(const std::vector<unsigned char>& bytes) {
        return reinterpret_cast<const ItemIdList*>(bytes.data());
    }

    NodeRegistry registry;
    CountingAllocator alloc;
};

TEST_F(ItemIds, CreateWritesTheFixedLayout) {
    TestNode node(registry, "ab", nullptr, ItemKindRemoteFile);
    ItemIdList* item = Item(ItemKindRemoteFile, &node);
    EXPECT_EQ(alloc.lastSize, 94u);
    const unsigned char* p = B(item);
    const std::vector<unsigned char> head(p, p + 12);
    EXPECT_EQ(head, (std::vector<unsigned char>{92, 0, 0, 0, 0x04, 0x90, 0x63, 0x72, 'a', 0, 'b', 0}));
    for (int i = 12; i < 88; ++i) EXPECT_EQ(p[i], 0) << i;
    std::uint32_t handle = 0;
    for (int i = 0; i < 4; ++i) handle |= std::uint32_t(p[88 + i]) << (8 * i);
    EXPECT_EQ(handle, node.Handle());
    EXPECT_EQ(p[92], 0);
    EXPECT_EQ(p[93], 0);
    EXPECT_EQ(PidlSize(item), 94u);
    EXPECT_EQ(PidlKind(item), ItemKindRemoteFile);
    ItemIdList* byNode = CreatePidlItem(node, alloc);  // the kind is the node's
    EXPECT_EQ(std::memcmp(byNode, item, 94), 0);
    FreePidl(byNode, alloc);
    FreePidl(item, alloc);
}

TEST_F(ItemIds, CreateFailsWithoutMemoryNodeOrMatchingKind) {
    EXPECT_EQ(CreatePidlItem(ItemKindProfile, nullptr, alloc), nullptr);
    TestNode node(registry, "n", nullptr, ItemKindProfile);
    EXPECT_EQ(CreatePidlItem(ItemKindSiteFolder, &node, alloc), nullptr);
    EXPECT_EQ(CreatePidlItem(0x72630042, &node, alloc), nullptr);
    TestNode odd(registry, "odd", nullptr, 0x72630042);
    EXPECT_EQ(CreatePidlItem(odd, alloc), nullptr);
    alloc.failNext = true;
    EXPECT_EQ(CreatePidlItem(ItemKindProfile, &node, alloc), nullptr);
}

TEST_F(ItemIds, DisplayNameIsShortenedButPathKeepsFullName) {
    struct Case {
        std::string name;
        std::u16string stored;
    };
    const std::string long45(45, 'x');
    // U+1F600 needs two units; at units 39/40 it would be split, so it is dropped whole.
    const std::string emojiAtEnd = std::string(38, 'a') + "\xF0\x9F\x98\x80" + "z";
    const Case cases[] = {
        {"Grüße aus Köln", u"Grüße aus Köln"},
        {long45, std::u16string(39, u'x')},
        {std::string(39, 'y'), std::u16string(39, u'y')},
        {emojiAtEnd, std::u16string(38, u'a')},
        {std::string(37, 'a') + "\xF0\x9F\x98\x80", std::u16string(37, u'a') + u"\U0001F600"},
        {"bad\xFFutf8", u"bad\uFFFDutf8"},
        {"cut\xE2\x82", u"cut\uFFFD\uFFFD"},  // a broken sequence: one replacement per byte
        {std::string("nul\0inside", 10), u"nul"},
    };
    for (const Case& c : cases) {
        TestNode node(registry, c.name);
        ItemIdList* item = Item(ItemKindRemoteDir, &node);
        EXPECT_EQ(PidlDisplayNameW(item), c.stored) << c.name;
        EXPECT_EQ(B(item)[8 + 2 * 39], 0);  // always terminated inside the field
        EXPECT_TRUE(IsOwnPidl(item, registry)) << c.name;
        EXPECT_EQ(PidlToPath(item, registry), c.name);
        FreePidl(item, alloc);
    }
}

TEST_F(ItemIds, IsOwnPidlRejectsForeignShortAndGarbageItems) {
    TestNode node(registry, "site", nullptr, ItemKindProfile);
    ItemIdList* own = Item(ItemKindProfile, &node);
    auto bytes = [&](auto edit) {
        std::vector<unsigned char> copy(B(own), B(own) + 94);
        edit(copy);
        return copy;
    };
    struct Case {
        const char* what;
        std::vector<unsigned char> item;
        bool own;
    };
    const Case cases[] = {
        {"valid", bytes([](auto&) {}), true},
        {"count 0", bytes([](auto& b) { b[0] = 0; }), false},
        {"count 91", bytes([](auto& b) { b[0] = 91; }), false},
        {"count 200 in a larger buffer", bytes([](auto& b) { b[0] = 200; b.resize(300); }), false},
        {"other signature", bytes([](auto& b) { b[6] = 0x64; }), false},
        {"unknown handle", bytes([](auto& b) { b[88] ^= 0x5A; b[91] = 0x7F; }), false},
        {"handle 0", bytes([](auto& b) { b[88] = b[89] = b[90] = b[91] = 0; }), false},
        {"other stored name", bytes([](auto& b) { b[8] = 'S'; }), true},
        {"kind of the other class", bytes([](auto& b) { b[4] = 0x04; }), false},
        {"folder kind for a profile", bytes([](auto& b) { b[4] = 0x01; }), false},
        {"kind 0x72630000", bytes([](auto& b) { b[4] = 0; b[5] = 0; }), false},
        {"kind 0x72639005", bytes([](auto& b) { b[4] = 0x05; }), false},
        {"unterminated name", bytes([](auto& b) { for (int i = 8; i < 88; i += 2) b[i] = 'q'; }), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsOwnPidl(L(c.item), registry), c.own) << c.what;
        EXPECT_EQ(IsOwnPidl(c.item.data(), c.item.size(), registry), c.own) << c.what;
        EXPECT_EQ(PidlNode(c.item.data(), c.item.size(), registry) != nullptr, c.own) << c.what;
    }
    EXPECT_FALSE(IsOwnPidl(nullptr, registry));
    EXPECT_FALSE(IsOwnPidl(nullptr, 94, registry));
    // The bounded form never reads past the buffer, whatever the count claims.
    EXPECT_FALSE(IsOwnPidl(own, 91, registry));
    EXPECT_FALSE(IsOwnPidl(bytes([](auto& b) { b[0] = 93; }).data(), 92, registry));
    EXPECT_TRUE(IsOwnPidl(own, 92, registry));
    const auto foreign = ForeignList(20);
    EXPECT_FALSE(IsOwnPidl(L(foreign), registry));
    FreePidl(own, alloc);
}

TEST_F(ItemIds, ItemOfFreedNodeIsRejectedNotDereferencedAndRenamedNodeStaysValid) {
    auto node = std::make_unique<TestNode>(registry, "gone", nullptr, ItemKindRemoteFile);
    ItemIdList* item = Item(ItemKindRemoteFile, node.get());
    const std::uint32_t handle = node->Handle();
    node.reset();  // under ASan a dereference of the freed node would abort here
    EXPECT_FALSE(IsOwnPidl(item, registry));
    EXPECT_EQ(PidlNode(item, registry), nullptr);
    EXPECT_EQ(PidlToPath(item, registry), "");
    // A node made afterwards never takes over the freed node's handle.
    TestNode successor(registry, "gone", nullptr, ItemKindRemoteFile);
    EXPECT_NE(successor.Handle(), handle);
    EXPECT_FALSE(IsOwnPidl(item, registry));
    FreePidl(item, alloc);

    // Explorer keeps copies of an item that a rename never reaches: they still name the node.
    TestNode renamed(registry, "before", nullptr, ItemKindRemoteFile);
    item = Item(ItemKindRemoteFile, &renamed);
    ItemIdList* copy = CopyPidl(item, alloc);
    renamed.name = "after";
    SetPidlDisplayName(item, "after");
    EXPECT_EQ(PidlDisplayName(item), "after");
    EXPECT_EQ(PidlDisplayName(copy), "before");
    EXPECT_EQ(PidlNode(item, registry), &renamed);
    EXPECT_EQ(PidlNode(copy, registry), &renamed);
    EXPECT_EQ(PidlToPath(copy, registry), "after");
    // A node whose folder flag changed no longer matches the items made before.
    renamed.kind = ItemKindRemoteDir;
    EXPECT_FALSE(IsOwnPidl(copy, registry));
    FreePidl(copy, alloc);
    FreePidl(item, alloc);
}

TEST_F(ItemIds, WalkCopyCombineAndFree) {
    TestNode a(registry, "a", nullptr, ItemKindSiteFolder), b(registry, "b", nullptr, ItemKindProfile);
    ItemIdList* ia = Item(ItemKindSiteFolder, &a);
    ItemIdList* ib = Item(ItemKindProfile, &b);
    const auto foreign = ForeignList(17);

    ItemIdList* ab = CombinePidls(ia, ib, alloc);
    ItemIdList* list = CombinePidls(L(foreign), ab, alloc);  // 17 + 92 + 92 + 2
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(PidlSize(list), 203u);
    EXPECT_EQ(PidlSize(list, 203), 203u);
    EXPECT_EQ(PidlSize(list, 202), 0u);

    const ItemIdList* second = NextPidlItem(list);
    EXPECT_EQ(B(second) - B(list), 17);
    EXPECT_EQ(PidlDisplayName(second), "a");
    EXPECT_TRUE(IsOwnPidl(second, registry));  // items at odd offsets are read bytewise
    EXPECT_EQ(PidlDisplayName(LastPidlItem(list)), "b");
    EXPECT_EQ(PidlSize(NextPidlItem(NextPidlItem(second))), 2u);

    ItemIdList* first = CopyFirstPidlItem(LastPidlItem(list), alloc);
    EXPECT_EQ(PidlSize(first), 94u);
    EXPECT_EQ(std::memcmp(first, ib, 94), 0);

    ItemIdList* copy = CopyPidl(list, alloc);
    EXPECT_EQ(std::memcmp(copy, list, 203), 0);

    const unsigned char empty[2] = {0, 0};
    const auto* emptyList = reinterpret_cast<const ItemIdList*>(empty);
    EXPECT_EQ(LastPidlItem(emptyList), emptyList);
    EXPECT_EQ(PidlSize(emptyList), 2u);
    ItemIdList* firstOfEmpty = CopyFirstPidlItem(emptyList, alloc);
    EXPECT_EQ(PidlSize(firstOfEmpty), 2u);

    for (ItemIdList* p : {ia, ib, ab, list, first, copy, firstOfEmpty}) FreePidl(p, alloc);
}

TEST_F(ItemIds, CombineAlwaysTerminates) {
    TestNode n(registry, "n");
    ItemIdList* item = Item(ItemKindRemoteDir, &n);

    ItemIdList* onlyA = CombinePidls(item, nullptr, alloc);
    EXPECT_EQ(alloc.lastSize, 94u);
    EXPECT_EQ(std::memcmp(onlyA, item, 94), 0);
    ItemIdList* onlyB = CombinePidls(nullptr, item, alloc);
    EXPECT_EQ(std::memcmp(onlyB, item, 94), 0);
    EXPECT_EQ(CombinePidls(nullptr, nullptr, alloc), nullptr);
    alloc.failNext = true;
    EXPECT_EQ(CombinePidls(item, item, alloc), nullptr);
    EXPECT_EQ(CopyPidl(item, alloc), nullptr);
    EXPECT_EQ(CopyFirstPidlItem(item, alloc), nullptr);
    alloc.failNext = false;
    EXPECT_EQ(CopyPidl(nullptr, alloc), nullptr);
    EXPECT_EQ(CopyFirstPidlItem(nullptr, alloc), nullptr);
    EXPECT_EQ(PidlSize(nullptr), 0u);
    EXPECT_EQ(LastPidlItem(static_cast<ItemIdList*>(nullptr)), nullptr);
    FreePidl(nullptr, alloc);

    for (ItemIdList* p : {item, onlyA, onlyB}) FreePidl(p, alloc);
}

TEST_F(ItemIds, BoundedSizeRejectsUnterminatedAndDegenerateLists) {
    const unsigned char unterminated[6] = {4, 0, 1, 1, 4, 0};
    EXPECT_EQ(PidlSize(unterminated, sizeof unterminated), 0u);
    const unsigned char countOne[4] = {1, 0, 0, 0};
    EXPECT_EQ(PidlSize(countOne, sizeof countOne), 0u);
    const unsigned char overlong[4] = {0xFF, 0xFF, 0, 0};
    EXPECT_EQ(PidlSize(overlong, sizeof overlong), 0u);
    EXPECT_EQ(PidlSize(nullptr, 10), 0u);
}

TEST_F(ItemIds, PathWalksToTheTopOfTheTree) {
    TestNode folder(registry, "F"), site(registry, "S", &folder), dir(registry, "d", &site),
        file(registry, "f", &dir, ItemKindRemoteFile);
    ItemIdList* item = Item(ItemKindRemoteFile, &file);
    EXPECT_EQ(PidlToPath(item, registry), "F/S/d/f");
    EXPECT_EQ(PidlToPath(item, 94, registry), "F/S/d/f");
    EXPECT_EQ(PidlToPath(item, 60, registry), "");
    FreePidl(item, alloc);

    // Twelve levels: every ancestor is named, not only the nearest ten.
    std::vector<std::unique_ptr<TestNode>> chain;
    std::string expected;
    for (int level = 0; level < 12; ++level) {
        RegisteredNode* parent = level ? chain.back().get() : nullptr;
        chain.push_back(std::make_unique<TestNode>(registry, "n", parent));
        chain.back()->name += std::to_string(level);
        if (level) expected += '/';
        expected += chain.back()->name;
    }
    item = Item(ItemKindRemoteDir, chain.back().get());
    EXPECT_EQ(PidlToPath(item, registry), expected);
    FreePidl(item, alloc);

    // A broken model with a cycle ends the walk instead of hanging.
    TestNode loop(registry, "loop");
    loop.parent = &loop;
    item = Item(ItemKindRemoteDir, &loop);
    EXPECT_FALSE(PidlToPath(item, registry).empty());
    FreePidl(item, alloc);
}

TEST(NodeRegistry, HandlesAreUniqueNonZeroAndReleased) {
    NodeRegistry registry;
    std::set<std::uint32_t> seen;
    for (int i = 0; i < 100; ++i) {
        TestNode node(registry, "n");
        EXPECT_NE(node.Handle(), 0u);
        EXPECT_TRUE(seen.insert(node.Handle()).second);
        EXPECT_EQ(registry.Find(node.Handle()), &node);
        TestNode copy = node;
        EXPECT_NE(copy.Handle(), node.Handle());
        EXPECT_EQ(registry.Find(copy.Handle()), &copy);
        seen.insert(copy.Handle());
    }
    EXPECT_EQ(registry.LiveCount(), 0u);
    for (std::uint32_t h : seen) EXPECT_EQ(registry.Find(h), nullptr);
    EXPECT_EQ(registry.Find(0), nullptr);
}

TEST(NodeRegistry, HandlesStartAtAnUnpredictableValue) {
    // An identifier kept from another process must not name a node of this one: registries do
    // not all start at the same handle. (Three equal random starts: one chance in 2^64.)
    std::set<std::uint32_t> firsts;
    for (int i = 0; i < 3; ++i) {
        NodeRegistry registry;
        TestNode node(registry, "n");
        firsts.insert(node.Handle());
    }
    EXPECT_GT(firsts.size(), 1u);
}

TEST(NodeRegistry, HandlesWrapPastZeroWithoutReuse) {
    NodeRegistry registry(0xFFFFFFFEu);
    TestNode a(registry, "a"), b(registry, "b"), c(registry, "c");
    EXPECT_EQ(a.Handle(), 0xFFFFFFFEu);
    EXPECT_EQ(b.Handle(), 0xFFFFFFFFu);
    EXPECT_EQ(c.Handle(), 1u);
}

TEST(TransferFolder, IsCreatedUnderTheTemporaryFolder) {
    const std::string folder = GetTransferTempFolder();
    const std::filesystem::path path(std::u8string(folder.begin(), folder.end()));
    EXPECT_EQ(path.filename().string(), TransferMarkerName);
    EXPECT_TRUE(std::filesystem::is_directory(path));
    std::filesystem::path temp = std::filesystem::temp_directory_path().lexically_normal();
    if (!temp.has_filename()) temp = temp.parent_path();  // drop a trailing delimiter
    EXPECT_EQ(path, temp / TransferMarkerName);
    EXPECT_NE(folder.back(), '/');
    EXPECT_NE(folder.back(), '\\');
    EXPECT_EQ(GetTransferTempFolder(), folder);  // existing folder is fine
}

}  // namespace
