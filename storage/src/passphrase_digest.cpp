#include "storage/passphrase_digest.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace lark::storage {

static_assert(sizeof(MixDigestContext) == 4 + 256 + 4 + 16, "digest context must have no padding");

namespace {

std::uint32_t LoadWord(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

void StoreWord(std::uint8_t* p, std::uint32_t w) {
    p[0] = std::uint8_t(w);
    p[1] = std::uint8_t(w >> 8);
    p[2] = std::uint8_t(w >> 16);
    p[3] = std::uint8_t(w >> 24);
}

// Fixed-point big number, most significant 32-bit limb first; limb 0 holds the integer part.
using Fixed = std::vector<std::uint32_t>;

void DivideSmall(Fixed& x, std::uint32_t d) {
    std::uint64_t rem = 0;
    for (auto& limb : x) {
        std::uint64_t cur = rem << 32 | limb;
        limb = std::uint32_t(cur / d);
        rem = cur % d;
    }
}

void MultiplySmall(Fixed& x, std::uint32_t m) {
    std::uint64_t carry = 0;
    for (std::size_t i = x.size(); i-- > 0;) {
        std::uint64_t cur = std::uint64_t(x[i]) * m + carry;
        x[i] = std::uint32_t(cur);
        carry = cur >> 32;
    }
}

void Add(Fixed& x, const Fixed& y) {
    std::uint64_t carry = 0;
    for (std::size_t i = x.size(); i-- > 0;) {
        std::uint64_t cur = std::uint64_t(x[i]) + y[i] + carry;
        x[i] = std::uint32_t(cur);
        carry = cur >> 32;
    }
}

void Subtract(Fixed& x, const Fixed& y) {
    std::uint64_t borrow = 0;
    for (std::size_t i = x.size(); i-- > 0;) {
        std::uint64_t cur = std::uint64_t(x[i]) - y[i] - borrow;
        x[i] = std::uint32_t(cur);
        borrow = (cur >> 32) & 1;
    }
}

bool IsZero(const Fixed& x) {
    return std::all_of(x.begin(), x.end(), [](std::uint32_t w) { return w == 0; });
}

// arctan(1/n) = sum over k of (-1)^k / ((2k + 1) n^(2k + 1)).
Fixed ArctanInverse(std::uint32_t n, std::size_t limbs) {
    Fixed power(limbs, 0), sum(limbs, 0), term(limbs);
    power[0] = 1;
    DivideSmall(power, n);
    for (std::uint32_t k = 0; !IsZero(power); ++k) {
        term = power;
        DivideSmall(term, 2 * k + 1);
        if (k % 2 == 0) Add(sum, term); else Subtract(sum, term);
        DivideSmall(power, n * n);
    }
    return sum;
}

// pi = 16 arctan(1/5) - 4 arctan(1/239), carried with guard limbs well beyond the 2048 bits kept;
// the truncation error of the series stays far below the last digit we keep.
std::array<std::uint8_t, 256> ComputePiTable() {
    constexpr std::size_t kFractionLimbs = 256 / 4;
    constexpr std::size_t kLimbs = 1 + kFractionLimbs + 4;
    Fixed pi = ArctanInverse(5, kLimbs);
    MultiplySmall(pi, 16);
    Fixed b = ArctanInverse(239, kLimbs);
    MultiplySmall(b, 4);
    Subtract(pi, b);
    std::array<std::uint8_t, 256> table{};
    for (std::size_t i = 0; i < kFractionLimbs; ++i) {
        std::uint32_t w = pi[1 + i];
        table[4 * i + 0] = std::uint8_t(w >> 24);
        table[4 * i + 1] = std::uint8_t(w >> 16);
        table[4 * i + 2] = std::uint8_t(w >> 8);
        table[4 * i + 3] = std::uint8_t(w);
    }
    return table;
}

constexpr std::uint8_t kPadding[8] = {1, 0, 0, 0, 0, 0, 0, 0};
constexpr std::uint32_t kSetupConstants[4] = {0x55555555u, 0xAAAAAAAAu, 0x33333333u, 0xCCCCCCCCu};

}  // namespace

const std::array<std::uint8_t, 256>& PiTable() {
    static const std::array<std::uint8_t, 256> table = ComputePiTable();
    return table;
}

void MixQuad(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d) {
    a += d; d += a; a ^= a >> 7;
    b += a; a += b; b ^= b << 13;
    c += b; b += c; c ^= c >> 17;
    d += c; c += d; d ^= d << 9;
    a += d; d += a; a ^= a >> 3;
    b += a; a += b; b ^= b << 7;
    c += b; b += c; c ^= d >> 15;  // shifts d, not c
    d += c; c += d; d ^= d << 11;
}

void MixBlockKeySetup(const std::uint8_t* key, int keySize, MixBlockContext& context, bool encrypt) {
    context.encrypt = encrypt ? 1 : 0;
    context.rounds = std::uint32_t(std::max(4, std::min(16, keySize)));
    const std::uint32_t w0 = LoadWord(key), w1 = LoadWord(key + 4), w2 = LoadWord(key + 8),
                        w3 = LoadWord(key + 12);
    for (int i = 0; i < 4; ++i) {
        const std::uint32_t t = kSetupConstants[i];
        std::uint32_t a = w0, b = t, c = w1, d = t, e = w2, f = t, g = w3, h = t;
        for (int n = 0; n < 8; ++n) {
            a ^= b << 11; d += a; b += c;
            b ^= c >> 2;  e += b; c += d;
            c ^= d << 8;  f += c; d += e;
            d ^= e >> 16; g += d; e += f;
            e ^= f << 10; h += e; f += g;
            f ^= g >> 4;  a += f; g += h;
            g ^= h << 8;  b += g; h += a;
            h ^= a >> 9;  c += h; a += b;
        }
        std::uint32_t* s = context.subkeys + 8 * i;
        s[0] = a; s[1] = b; s[2] = c; s[3] = d; s[4] = e; s[5] = f; s[6] = g; s[7] = h;
    }
    if (!encrypt) {
        const std::uint32_t rounds = context.rounds;
        for (std::uint32_t r = 0; r < rounds / 2; ++r) {
            std::swap(context.subkeys[2 * r], context.subkeys[2 * (rounds - 1 - r)]);
            std::swap(context.subkeys[2 * r + 1], context.subkeys[2 * (rounds - 1 - r) + 1]);
        }
    }
}

void MixBlockEncrypt(const MixBlockContext& context, std::uint8_t* block) {
    std::uint32_t h0 = LoadWord(block), h1 = LoadWord(block + 4);
    std::uint32_t g0 = LoadWord(block + 8), g1 = LoadWord(block + 12);
    const std::uint32_t rounds = std::min<std::uint32_t>(context.rounds, 16);
    for (std::uint32_t r = 0; r < rounds; ++r) {
        std::uint32_t a = h0, b = context.subkeys[2 * r], c = h1, d = context.subkeys[2 * r + 1];
        MixQuad(a, b, c, d);
        // Second pass on the swapped quad (A, B, C, D) := (C, D, A, B).
        MixQuad(c, d, a, b);
        const std::uint32_t n0 = g0 ^ c ^ d, n1 = g1 ^ a ^ b;
        g0 = h0; g1 = h1;
        h0 = n0; h1 = n1;
    }
    StoreWord(block, g0);
    StoreWord(block + 4, g1);
    StoreWord(block + 8, h0);
    StoreWord(block + 12, h1);
}

void InitMixDigest(MixDigestContext& context) {
    context.stateIndex = 0;
    std::memcpy(context.state, PiTable().data(), sizeof context.state);
    context.keyIndex = 0;
    for (int i = 0; i < 4; ++i) StoreWord(context.keyBlock + 4 * i, 0x55555555u);
}

void UpdateMixDigest(MixDigestContext& context, const void* data, std::size_t length) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    for (std::size_t n = 0; n < length; ++n) {
        const std::uint8_t x = p[n];
        context.state[context.stateIndex & 0xFF] ^= x;
        context.stateIndex = (context.stateIndex + 1) & 0xFF;
        context.keyBlock[context.keyIndex & 7] ^= x;
        if (++context.keyIndex >= 8) {
            std::uint32_t a = LoadWord(context.keyBlock + 12), b = LoadWord(context.keyBlock + 8),
                          c = LoadWord(context.keyBlock + 4), d = LoadWord(context.keyBlock);
            for (int i = 0; i < 4; ++i) MixQuad(a, b, c, d);
            StoreWord(context.keyBlock, a);
            StoreWord(context.keyBlock + 4, b);
            StoreWord(context.keyBlock + 8, c);
            StoreWord(context.keyBlock + 12, d);
            context.keyIndex = 0;
        }
    }
}

void FinalizeMixDigest(MixDigestContext& context, void* output, std::size_t size) {
    UpdateMixDigest(context, kPadding, 8 - (context.keyIndex & 7));
    MixBlockContext cipher;
    MixBlockKeySetup(context.keyBlock, 8, cipher, true);
    std::uint8_t encrypted[256];
    std::memcpy(encrypted, context.state, sizeof encrypted);
    for (int k = 0; k < 16; ++k) MixBlockEncrypt(cipher, encrypted + 16 * k);
    std::memcpy(output, encrypted, std::min<std::size_t>(size, sizeof encrypted));
}

void MixDigest(void* output, std::size_t size, const void* data, std::size_t length) {
    MixDigestContext context;
    InitMixDigest(context);
    UpdateMixDigest(context, data, length);
    FinalizeMixDigest(context, output, size);
}

void PassphraseDigest(void* output, std::size_t size, std::string_view text) {
    MixDigest(output, size, text.data(), text.size());
}

std::array<std::uint8_t, 16> PassphraseDigest16(std::string_view text) {
    std::array<std::uint8_t, 16> key{};
    PassphraseDigest(key.data(), key.size(), text);
    return key;
}

}  // namespace lark::storage
