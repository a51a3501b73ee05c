#pragma once
// Stored passwords as printable text: the password bytes AES-CBC encrypted under a framing of
// our own, then Base64. Texts are byte strings, one byte per character.
//
// Framed ciphertext, all blocks 16 bytes:
//   block 0      a random starting block, encrypted; CBC chaining value for block 1, never read back
//   blocks 1..q  the q = n / 16 full plaintext blocks
//   block q + 1  the last n % 16 bytes, zero-filled, byte 15 = that count (always present)
#include <array>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>

#include "core/errors.h"

namespace lark::storage {

// A framed ciphertext that cannot be decrypted ("Invalid file format").
class ECipherException : public lark::core::Error {
public:
    using lark::core::Error::Error;
};

struct AesContext {
    std::uint8_t encrypt;            // 1 = encrypts, 0 = runs the inverse cipher
    std::uint32_t rounds;            // Nk + 6
    std::uint8_t roundKeys[240];
};

// FIPS-197 key expansion. Nk = keySize / 4 clamped to 4..8; at most 4 * Nk key bytes are read
// (a shorter key is zero-filled).
void AesKeySetup(const std::uint8_t* key, std::size_t keySize, AesContext& context, bool encrypt);

// One 16-byte block in place, forward or inverse cipher by the context's flag.
void AesBlock(const AesContext& context, std::uint8_t* block);

// Encrypt context: block := AES(block xor chain). Decrypt context: block := AES^-1(block) xor chain.
void AesCbcStep(const AesContext& context, const std::uint8_t* chain, std::uint8_t* block);

// target[i] ^= source[i] for count bytes.
void XorBytes(std::uint8_t* target, const std::uint8_t* source, std::size_t count);

// The block that starts each ciphertext, before encryption: bytes 0 and 1 the low byte of the
// millisecond tick count (read once for each), bytes 2..15 random.
std::array<std::uint8_t, 16> MakeStartingBlock();

// Encrypts or decrypts all of `input` and appends the result to `output`. Decrypting throws
// ECipherException("Invalid file format") for an input shorter than 32 bytes, not a whole number
// of blocks, or whose last block holds a count above 15; `output` is then left as it was.
void AesStreamCipher(std::string_view input, std::string& output, const std::uint8_t* key,
                     bool encrypt, std::size_t keySize);

// Standard Base64 with "=" padding and no line breaks, appended to `output`.
void Base64EncodeStream(std::string_view input, std::string& output);

// The reverse, appended to `output`. Anything but whole groups of four Base64 letters, with "="
// only as padding of the last group, throws lark::core::Error("Invalid Base64 Character");
// `output` is then left as it was.
void Base64DecodeStream(std::string_view input, std::string& output);

// Encrypt: the Base64 text of the framed ciphertext of `text`. Decrypt: the password from such a
// text. Exceptions of either step reach the caller.
std::string AesTextCipher(std::string_view text, const std::uint8_t* key, std::size_t keySize,
                          bool encrypt);

// Many texts under one key, as a file of passwords needs: the key schedule runs once, and one
// random source, seeded once, fills every starting block. The texts are those of AesTextCipher,
// and its failures are raised alike.
class TextCipher {
public:
    TextCipher(const std::uint8_t* key, std::size_t keySize);
    std::string Encrypt(std::string_view text);
    std::string Decrypt(std::string_view text) const;

private:
    AesContext encrypt_;
    // The round keys of the equivalent inverse cipher (those between the first and the last
    // passed through InvMixColumns), so that decrypting costs table lookups like encrypting.
    std::uint32_t rounds_ = 0;
    std::uint8_t inverseKeys_[240];
    std::mt19937 random_;
};

}  // namespace lark::storage
