// Arbitrary text (and, on odd first bytes, arbitrary ciphertext bytes) through decryption: a
// password or one of the two documented failures, never a crash or a read past the input.
// A password that comes out must survive encrypting and decrypting again. The keyed-once cipher
// of the task file must give the same password, or fail with the same message.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "storage/passphrase_digest.h"
#include "storage/password_cipher.h"

namespace {

const std::array<std::uint8_t, 16>& Key() {
    static const auto key = lark::storage::PassphraseDigest16("fuzzing key");
    return key;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lark::storage;
    if (size == 0) return 0;
    const bool rawBytes = data[0] & 1;
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    const auto& key = Key();

    static TextCipher cipher(key.data(), key.size());
    // What the keyed-once cipher makes of the text: the password, or the failure's message.
    auto keyedOnce = [&]() -> std::string {
        try {
            return cipher.Decrypt(input);
        } catch (const lark::core::Error& e) {
            return std::string("failed: ") + e.what();
        }
    };

    std::string password;
    try {
        if (rawBytes) {
            AesStreamCipher(input, password, key.data(), false, key.size());
        } else {
            password = AesTextCipher(input, key.data(), key.size(), false);
        }
    } catch (const ECipherException& e) {
        if (std::strcmp(e.what(), "Invalid file format") != 0) std::abort();
        if (!rawBytes && keyedOnce() != "failed: Invalid file format") std::abort();
        return 0;
    } catch (const lark::core::Error& e) {
        if (rawBytes || std::strcmp(e.what(), "Invalid Base64 Character") != 0) std::abort();
        if (keyedOnce() != "failed: Invalid Base64 Character") std::abort();
        return 0;
    }
    if (!rawBytes && keyedOnce() != password) std::abort();
    if (AesTextCipher(cipher.Encrypt(password), key.data(), key.size(), false) != password) std::abort();
    if (password.size() > input.size()) std::abort();
    const std::string text = AesTextCipher(password, key.data(), key.size(), true);
    if (AesTextCipher(text, key.data(), key.size(), false) != password) std::abort();
    return 0;
}
