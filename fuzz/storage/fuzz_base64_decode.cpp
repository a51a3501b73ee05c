// Arbitrary text through the Base64 decoder: bytes or "Invalid Base64 Character", nothing else.
// Whatever decodes must encode back to text that decodes to the same bytes, and the input
// taken as bytes must survive encoding and decoding.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "storage/password_cipher.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lark::storage;
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    std::string decoded = "x";
    try {
        Base64DecodeStream(input, decoded);
    } catch (const lark::core::Error& e) {
        if (std::strcmp(e.what(), "Invalid Base64 Character") != 0) std::abort();
        if (decoded != "x") std::abort();  // a failed decode appends nothing
        decoded.clear();
    }
    if (!decoded.empty()) {
        if (decoded.size() - 1 > size / 4 * 3) std::abort();
        std::string text, again;
        Base64EncodeStream(std::string_view(decoded).substr(1), text);
        Base64DecodeStream(text, again);
        if (again != decoded.substr(1)) std::abort();
    }

    std::string text, back;
    Base64EncodeStream(input, text);
    if (text.size() != 4 * ((size + 2) / 3)) std::abort();
    Base64DecodeStream(text, back);
    if (back != input) std::abort();
    return 0;
}
