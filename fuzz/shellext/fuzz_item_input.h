#pragma once
// The fuzz input of the extension's targets read as identifier lists: well-formed count chains
// whose items are hostile (counts below 92, foreign signatures, mistyped kinds) or carry a live
// or freed node handle from the target's world.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "shellext/item_ids.h"

namespace lark::shellext::fuzzing {

// The compiled data module (its texts) the targets' worlds are made with.
inline std::vector<std::uint8_t> DataModuleDefinition() {
    std::ifstream in(LARK_SHELLEXT_FORMS "/TDM.tpf", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Reads the input as lists of items: per item a length byte (the item's count) and, when the
// next byte says so, a live or freed handle placed at the node offset.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Empty() const { return at_ >= size_; }
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }

    std::vector<std::uint8_t> List(const std::vector<std::uint32_t>& handles) {
        std::vector<std::uint8_t> list;
        const int items = Byte() % 4;
        for (int i = 0; i < items && !Empty(); ++i) {
            const std::uint8_t choice = Byte();
            const std::size_t length = (choice & 0x80) ? ItemSize + (choice & 0x07) : 2 + (choice % 110);
            std::vector<std::uint8_t> item(length, 0);
            for (std::size_t k = 2; k < length; ++k) item[k] = Byte();
            item[0] = static_cast<std::uint8_t>(length);
            item[1] = static_cast<std::uint8_t>(length >> 8);
            if ((choice & 0x40) && length >= ItemSize) {
                item[ItemSignatureOffset] = 0x63;
                item[ItemSignatureOffset + 1] = 0x72;
                const std::uint32_t handle = handles[Byte() % handles.size()];
                std::memcpy(item.data() + ItemNodeOffset, &handle, 4);
            }
            list.insert(list.end(), item.begin(), item.end());
        }
        list.push_back(0);
        list.push_back(0);
        return list;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace lark::shellext::fuzzing
