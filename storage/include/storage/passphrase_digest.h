#pragma once
// Variable-length digest that turns a fixed passphrase into the AES key of stored passwords.
// Stored data can only be read back if this is reproduced bit for bit, so every constant, shift
// and byte order here is part of the stored format.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace lark::storage {

// Incremental digest state. A plain value of fixed layout: nothing is allocated.
struct MixDigestContext {
    std::uint32_t stateIndex;      // next state byte to absorb input, 0..255
    std::uint8_t state[256];       // seeded with the pi table
    std::uint32_t keyIndex;        // next key block byte to absorb input, 0..7
    std::uint8_t keyBlock[16];     // words K0..K3, little-endian; input goes into K0 and K1 only
};

// Key schedule of the 128-bit block cipher the digest finishes with.
struct MixBlockContext {
    std::uint8_t encrypt;          // 1 for an encryption key, 0 for a decryption key
    std::uint32_t rounds;          // 4..16
    std::uint32_t subkeys[32];     // round r uses subkeys[2r], subkeys[2r + 1]
};

// The 256 bytes of the fractional part of pi in hexadecimal, most significant digits first.
const std::array<std::uint8_t, 256>& PiTable();

// The 128-bit mixing function on four words.
void MixQuad(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d);

// Fills `context` from the 16 bytes at `key`; keySize only sets the rounds (clamped to 4..16).
// A decryption key runs the rounds in reverse order through MixBlockEncrypt.
void MixBlockKeySetup(const std::uint8_t* key, int keySize, MixBlockContext& context, bool encrypt);

// Encrypts (or, with a decryption key, decrypts) one 16-byte block in place.
void MixBlockEncrypt(const MixBlockContext& context, std::uint8_t* block);

void InitMixDigest(MixDigestContext& context);
// May be called any number of times; the result depends only on the concatenated input.
void UpdateMixDigest(MixDigestContext& context, const void* data, std::size_t length);
// Writes min(256, size) bytes. The context keeps the padding absorbed here.
void FinalizeMixDigest(MixDigestContext& context, void* output, std::size_t size);

// One-shot digest of a byte buffer into min(256, size) bytes of output.
void MixDigest(void* output, std::size_t size, const void* data, std::size_t length);

// Digest of the bytes of `text` (one byte per character, no terminator).
void PassphraseDigest(void* output, std::size_t size, std::string_view text);

// The 16-byte form the programs use as an AES-128 key.
std::array<std::uint8_t, 16> PassphraseDigest16(std::string_view text);

}  // namespace lark::storage
