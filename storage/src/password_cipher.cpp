#include "storage/password_cipher.h"

#include <algorithm>
#include <cstring>
#include <random>

#include "tick_count.h"

namespace lark::storage {

namespace {

constexpr std::uint8_t Xtime(std::uint8_t x) {
    return std::uint8_t((x << 1) ^ ((x & 0x80) ? 0x1B : 0));
}

constexpr std::uint8_t Rotl8(std::uint8_t x, int s) {
    return std::uint8_t((x << s) | (x >> (8 - s)));
}

struct SBoxes {
    std::uint8_t forward[256];
    std::uint8_t inverse[256];
};

// The S-box is the affine map of the multiplicative inverse in GF(2^8): p walks the field by
// multiplying with 3, q by dividing by 3, so q is always the inverse of p.
constexpr SBoxes MakeSBoxes() {
    SBoxes s{};
    std::uint8_t p = 1, q = 1;
    do {
        p = std::uint8_t(p ^ Xtime(p));
        q ^= std::uint8_t(q << 1);
        q ^= std::uint8_t(q << 2);
        q ^= std::uint8_t(q << 4);
        if (q & 0x80) q ^= 0x09;
        std::uint8_t x = q ^ Rotl8(q, 1) ^ Rotl8(q, 2) ^ Rotl8(q, 3) ^ Rotl8(q, 4);
        s.forward[p] = std::uint8_t(x ^ 0x63);
    } while (p != 1);
    s.forward[0] = 0x63;
    for (int i = 0; i < 256; ++i) s.inverse[s.forward[i]] = std::uint8_t(i);
    return s;
}

constexpr SBoxes kSBoxes = MakeSBoxes();
static_assert(kSBoxes.forward[0x00] == 0x63 && kSBoxes.forward[0x53] == 0xED &&
              kSBoxes.forward[0xFF] == 0x16);

constexpr std::size_t kBlock = 16;

// One round of the forward cipher on a column is four table lookups: table i holds, for each
// byte x, the column that S-box(x) in row i gives after MixColumns (bytes little-endian, row 0
// lowest), so SubBytes, ShiftRows and MixColumns together cost four lookups and XORs a column.
struct RoundTables {
    std::uint32_t t[4][256];
};

constexpr RoundTables MakeRoundTables() {
    RoundTables tables{};
    for (int x = 0; x < 256; ++x) {
        const std::uint8_t s = kSBoxes.forward[x], s2 = Xtime(s), s3 = std::uint8_t(s2 ^ s);
        const std::uint32_t w =
            std::uint32_t(s2) | std::uint32_t(s) << 8 | std::uint32_t(s) << 16 | std::uint32_t(s3) << 24;
        tables.t[0][x] = w;
        for (int i = 1; i < 4; ++i) tables.t[i][x] = w << (8 * i) | w >> (32 - 8 * i);
    }
    return tables;
}

constexpr RoundTables kRoundTables = MakeRoundTables();

// The same for the inverse cipher: table i holds the column that the inverse S-box of x in row i
// gives after InvMixColumns.
constexpr RoundTables MakeInverseRoundTables() {
    RoundTables tables{};
    for (int x = 0; x < 256; ++x) {
        const std::uint8_t y = kSBoxes.inverse[x], y2 = Xtime(y), y4 = Xtime(y2), y8 = Xtime(y4);
        const std::uint8_t times14 = y8 ^ y4 ^ y2, times9 = y8 ^ y, times13 = y8 ^ y4 ^ y, times11 = y8 ^ y2 ^ y;
        const std::uint32_t w = std::uint32_t(times14) | std::uint32_t(times9) << 8 | std::uint32_t(times13) << 16 |
                                std::uint32_t(times11) << 24;
        tables.t[0][x] = w;
        for (int i = 1; i < 4; ++i) tables.t[i][x] = w << (8 * i) | w >> (32 - 8 * i);
    }
    return tables;
}

constexpr RoundTables kInverseRoundTables = MakeInverseRoundTables();

std::uint32_t Load32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

void Store32(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
    p[2] = std::uint8_t(v >> 16);
    p[3] = std::uint8_t(v >> 24);
}

void AddRoundKey(std::uint8_t* s, const std::uint8_t* k) {
    for (std::size_t i = 0; i < kBlock; ++i) s[i] ^= k[i];
}

// State byte (row r, column c) is s[r + 4c], as the input bytes are laid out.
void SubShiftRows(std::uint8_t* s) {
    std::uint8_t t[kBlock];
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) t[r + 4 * c] = kSBoxes.forward[s[r + 4 * ((c + r) & 3)]];
    std::memcpy(s, t, kBlock);
}

void InvSubShiftRows(std::uint8_t* s) {
    std::uint8_t t[kBlock];
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) t[r + 4 * ((c + r) & 3)] = kSBoxes.inverse[s[r + 4 * c]];
    std::memcpy(s, t, kBlock);
}

void MixColumns(std::uint8_t* s) {
    for (int c = 0; c < 4; ++c) {
        std::uint8_t* col = s + 4 * c;
        const std::uint8_t a0 = col[0], a1 = col[1], a2 = col[2], a3 = col[3];
        const std::uint8_t all = a0 ^ a1 ^ a2 ^ a3;
        col[0] ^= all ^ Xtime(a0 ^ a1);
        col[1] ^= all ^ Xtime(a1 ^ a2);
        col[2] ^= all ^ Xtime(a2 ^ a3);
        col[3] ^= all ^ Xtime(a3 ^ a0);
    }
}

// InvMixColumns is MixColumns after multiplying each column by {04}x^2 + {05} (FIPS-197's
// matrices factor so): two doublings per column instead of sixteen general products.
void InvMixColumns(std::uint8_t* s) {
    for (int c = 0; c < 4; ++c) {
        std::uint8_t* col = s + 4 * c;
        const std::uint8_t u = Xtime(Xtime(col[0] ^ col[2]));
        const std::uint8_t v = Xtime(Xtime(col[1] ^ col[3]));
        col[0] ^= u;
        col[1] ^= v;
        col[2] ^= u;
        col[3] ^= v;
    }
    MixColumns(s);
}

// The state as four little-endian column words, with the round key added.
void LoadState(const std::uint8_t* block, const std::uint8_t* roundKey, std::uint32_t* state) {
    for (int c = 0; c < 4; ++c) state[c] = Load32(block + 4 * c) ^ Load32(roundKey + 4 * c);
}

void StoreState(const std::uint32_t* state, std::uint8_t* block) {
    for (int c = 0; c < 4; ++c) Store32(block + 4 * c, state[c]);
}

// One inner round by table lookups, the round key added: row i of column c comes from column
// c + i * kStep (kStep 1 is ShiftRows, 3 is InvShiftRows).
template <int kStep>
void TableRound(const RoundTables& tables, std::uint32_t* state, const std::uint8_t* roundKey) {
    const auto& t = tables.t;
    std::uint32_t next[4];
    for (int c = 0; c < 4; ++c)
        next[c] = t[0][state[c] & 0xFF] ^ t[1][(state[(c + kStep) & 3] >> 8) & 0xFF] ^
                  t[2][(state[(c + 2 * kStep) & 3] >> 16) & 0xFF] ^ t[3][state[(c + 3 * kStep) & 3] >> 24] ^
                  Load32(roundKey + 4 * c);
    std::memcpy(state, next, sizeof next);
}

// The equivalent inverse cipher on one block: `keys` are the expanded keys with those of rounds
// 1 .. rounds-1 passed through InvMixColumns (TextCipher's), so each inner round is four table
// lookups a column.
void InverseBlock(std::uint32_t rounds, const std::uint8_t* keys, std::uint8_t* block) {
    std::uint32_t state[4];
    LoadState(block, keys + kBlock * rounds, state);
    for (std::uint32_t r = rounds - 1; r >= 1; --r) TableRound<3>(kInverseRoundTables, state, keys + kBlock * r);
    StoreState(state, block);
    InvSubShiftRows(block);
    AddRoundKey(block, keys);
}

[[noreturn]] void ThrowFormat() {
    throw ECipherException("Invalid file format");
}

[[noreturn]] void ThrowBase64() {
    throw lark::core::Error("Invalid Base64 Character");
}

constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<std::int8_t, 256> MakeBase64Values() {
    std::array<std::int8_t, 256> v{};
    for (auto& x : v) x = -1;
    for (int i = 0; i < 64; ++i) v[static_cast<unsigned char>(kBase64Alphabet[i])] = std::int8_t(i);
    return v;
}

constexpr std::array<std::int8_t, 256> kBase64Values = MakeBase64Values();

}  // namespace

void AesKeySetup(const std::uint8_t* key, std::size_t keySize, AesContext& context, bool encrypt) {
    std::memset(&context, 0, sizeof context);
    context.encrypt = encrypt ? 1 : 0;
    const std::size_t nk = std::clamp<std::size_t>(keySize / 4, 4, 8);
    context.rounds = std::uint32_t(nk + 6);
    std::memcpy(context.roundKeys, key, std::min(keySize, 4 * nk));

    const std::size_t words = 4 * (nk + 7);
    std::uint8_t rcon = 1;
    for (std::size_t i = nk; i < words; ++i) {
        const std::uint8_t* prev = context.roundKeys + 4 * (i - 1);
        std::uint8_t t[4] = {prev[0], prev[1], prev[2], prev[3]};
        if (i % nk == 0) {
            const std::uint8_t first = t[0];
            t[0] = std::uint8_t(kSBoxes.forward[t[1]] ^ rcon);
            t[1] = kSBoxes.forward[t[2]];
            t[2] = kSBoxes.forward[t[3]];
            t[3] = kSBoxes.forward[first];
            rcon = Xtime(rcon);
        } else if (nk > 6 && i % nk == 4) {
            for (auto& b : t) b = kSBoxes.forward[b];
        }
        const std::uint8_t* back = context.roundKeys + 4 * (i - nk);
        std::uint8_t* w = context.roundKeys + 4 * i;
        for (int j = 0; j < 4; ++j) w[j] = back[j] ^ t[j];
    }
}

void AesBlock(const AesContext& context, std::uint8_t* block) {
    const std::uint32_t rounds = std::clamp<std::uint32_t>(context.rounds, 10, 14);
    const std::uint8_t* keys = context.roundKeys;
    if (context.encrypt) {
        std::uint32_t state[4];
        LoadState(block, keys, state);
        for (std::uint32_t r = 1; r < rounds; ++r) TableRound<1>(kRoundTables, state, keys + kBlock * r);
        StoreState(state, block);
        SubShiftRows(block);
        AddRoundKey(block, keys + kBlock * rounds);
    } else {
        AddRoundKey(block, keys + kBlock * rounds);
        for (std::uint32_t r = rounds - 1; r >= 1; --r) {
            InvSubShiftRows(block);
            AddRoundKey(block, keys + kBlock * r);
            InvMixColumns(block);
        }
        InvSubShiftRows(block);
        AddRoundKey(block, keys);
    }
}

void AesCbcStep(const AesContext& context, const std::uint8_t* chain, std::uint8_t* block) {
    if (context.encrypt) {
        XorBytes(block, chain, kBlock);
        AesBlock(context, block);
    } else {
        AesBlock(context, block);
        XorBytes(block, chain, kBlock);
    }
}

void XorBytes(std::uint8_t* target, const std::uint8_t* source, std::size_t count) {
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        std::uint32_t t, s;
        std::memcpy(&t, target + i, 4);
        std::memcpy(&s, source + i, 4);
        t ^= s;
        std::memcpy(target + i, &t, 4);
    }
    for (; i < count; ++i) target[i] ^= source[i];
}

namespace {

template <class Random>
std::array<std::uint8_t, 16> StartingBlock(Random& random) {
    std::array<std::uint8_t, 16> block{};
    block[0] = std::uint8_t(detail::MillisecondTicks());
    block[1] = std::uint8_t(detail::MillisecondTicks());
    for (std::size_t i = 2; i < block.size(); i += 2) {
        const auto value = static_cast<std::uint32_t>(random());
        block[i] = std::uint8_t(value);
        block[i + 1] = std::uint8_t(value >> 8);
    }
    return block;
}

void EncryptFramed(const AesContext& context, const std::array<std::uint8_t, 16>& start, std::string_view input,
                   std::string& output) {
    const auto* in = reinterpret_cast<const std::uint8_t*>(input.data());
    const std::size_t q = input.size() / kBlock, r = input.size() % kBlock;
    std::uint8_t chain[kBlock];
    std::uint8_t block[kBlock];
    output.reserve(output.size() + kBlock * (q + 2));
    std::memcpy(chain, start.data(), kBlock);
    AesBlock(context, chain);
    output.append(reinterpret_cast<const char*>(chain), kBlock);
    for (std::size_t k = 0; k <= q; ++k) {
        if (k < q) {
            std::memcpy(block, in + kBlock * k, kBlock);
        } else {
            std::memset(block, 0, kBlock);
            std::memcpy(block, in + kBlock * q, r);
            block[15] = std::uint8_t(r);
        }
        AesCbcStep(context, chain, block);
        output.append(reinterpret_cast<const char*>(block), kBlock);
        std::memcpy(chain, block, kBlock);
    }
}

// decryptBlock(block) runs the inverse cipher on one block in place.
template <class DecryptBlock>
void DecryptFramed(const DecryptBlock& decryptBlock, std::string_view input, std::string& output) {
    // A partial trailing block means the text was cut short; treat it like a missing block.
    if (input.size() < 2 * kBlock || input.size() % kBlock != 0) ThrowFormat();
    const auto* in = reinterpret_cast<const std::uint8_t*>(input.data());
    const std::size_t blocks = input.size() / kBlock;
    std::uint8_t chain[kBlock];
    std::uint8_t block[kBlock];
    std::string out;
    out.reserve(input.size());
    std::memcpy(chain, in, kBlock);
    for (std::size_t k = 1; k < blocks; ++k) {
        std::memcpy(block, in + kBlock * k, kBlock);
        decryptBlock(block);
        XorBytes(block, chain, kBlock);
        std::memcpy(chain, in + kBlock * k, kBlock);
        if (k + 1 < blocks) {
            out.append(reinterpret_cast<const char*>(block), kBlock);
        } else {
            // A count above 15 comes only from a wrong key or a damaged text.
            if (block[15] > 15) ThrowFormat();
            out.append(reinterpret_cast<const char*>(block), block[15]);
        }
    }
    output += out;
}

}  // namespace

std::array<std::uint8_t, 16> MakeStartingBlock() {
    std::random_device random;
    return StartingBlock(random);
}

void AesStreamCipher(std::string_view input, std::string& output, const std::uint8_t* key,
                     bool encrypt, std::size_t keySize) {
    AesContext context;
    AesKeySetup(key, keySize, context, encrypt);
    if (encrypt) EncryptFramed(context, MakeStartingBlock(), input, output);
    else DecryptFramed([&context](std::uint8_t* block) { AesBlock(context, block); }, input, output);
}

void Base64EncodeStream(std::string_view input, std::string& output) {
    const auto* in = reinterpret_cast<const std::uint8_t*>(input.data());
    const std::size_t n = input.size();
    output.reserve(output.size() + 4 * ((n + 2) / 3));
    std::size_t i = 0;
    for (; i + 3 <= n; i += 3) {
        const std::uint32_t v = std::uint32_t(in[i]) << 16 | std::uint32_t(in[i + 1]) << 8 | in[i + 2];
        output += kBase64Alphabet[v >> 18];
        output += kBase64Alphabet[(v >> 12) & 63];
        output += kBase64Alphabet[(v >> 6) & 63];
        output += kBase64Alphabet[v & 63];
    }
    if (const std::size_t rest = n - i; rest > 0) {
        std::uint32_t v = std::uint32_t(in[i]) << 16;
        if (rest == 2) v |= std::uint32_t(in[i + 1]) << 8;
        output += kBase64Alphabet[v >> 18];
        output += kBase64Alphabet[(v >> 12) & 63];
        output += rest == 2 ? kBase64Alphabet[(v >> 6) & 63] : '=';
        output += '=';
    }
}

void Base64DecodeStream(std::string_view input, std::string& output) {
    if (input.size() % 4 != 0) ThrowBase64();
    std::string out;
    out.reserve(input.size() / 4 * 3);
    for (std::size_t i = 0; i < input.size(); i += 4) {
        const bool last = i + 4 == input.size();
        // "=" only pads the last group: "xx==" or "xxx=".
        const bool pad4 = last && input[i + 3] == '=';
        const bool pad3 = pad4 && input[i + 2] == '=';
        const std::size_t letters = pad3 ? 2 : pad4 ? 3 : 4;
        std::uint32_t v = 0;
        for (std::size_t j = 0; j < 4; ++j) {
            int value = 0;
            if (j < letters) {
                value = kBase64Values[static_cast<unsigned char>(input[i + j])];
                if (value < 0) ThrowBase64();
            }
            v = v << 6 | std::uint32_t(value);
        }
        out += char(v >> 16);
        if (letters > 2) out += char(v >> 8);
        if (letters > 3) out += char(v);
    }
    output += out;
}

std::string AesTextCipher(std::string_view text, const std::uint8_t* key, std::size_t keySize,
                          bool encrypt) {
    std::string result;
    std::string cipher;
    if (encrypt) {
        AesStreamCipher(text, cipher, key, true, keySize);
        Base64EncodeStream(cipher, result);
    } else {
        Base64DecodeStream(text, cipher);
        AesStreamCipher(cipher, result, key, false, keySize);
    }
    return result;
}

TextCipher::TextCipher(const std::uint8_t* key, std::size_t keySize) {
    AesKeySetup(key, keySize, encrypt_, true);
    // The equivalent inverse cipher's keys, made once for every text.
    rounds_ = std::clamp<std::uint32_t>(encrypt_.rounds, 10, 14);
    std::memcpy(inverseKeys_, encrypt_.roundKeys, sizeof inverseKeys_);
    for (std::uint32_t r = 1; r < rounds_; ++r) InvMixColumns(inverseKeys_ + kBlock * r);
    std::random_device device;
    std::seed_seq seed{device(), device(), device(), device()};
    random_.seed(seed);
}

std::string TextCipher::Encrypt(std::string_view text) {
    std::string cipher;
    EncryptFramed(encrypt_, StartingBlock(random_), text, cipher);
    std::string result;
    Base64EncodeStream(cipher, result);
    return result;
}

std::string TextCipher::Decrypt(std::string_view text) const {
    std::string cipher;
    Base64DecodeStream(text, cipher);
    std::string result;
    DecryptFramed([this](std::uint8_t* block) { InverseBlock(rounds_, inverseKeys_, block); }, cipher, result);
    return result;
}

}  // namespace lark::storage
