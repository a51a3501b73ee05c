#include "storage/passphrase_digest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace lark::storage;

namespace {

using Digest = std::array<std::uint8_t, 16>;

std::vector<std::uint8_t> Pattern(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = std::uint8_t(i * 131 + 7);
    return v;
}

}  // namespace

TEST(PassphraseDigest, WorkedValues) {
    EXPECT_EQ(PassphraseDigest16(""), (Digest{0x0b, 0xd1, 0x32, 0xaa, 0x83, 0x1c, 0x56, 0xac, 0x1f,
                                              0x92, 0xe6, 0x10, 0x84, 0xa3, 0x42, 0xd2}));
    EXPECT_EQ(PassphraseDigest16("abc"), (Digest{0x2a, 0xa1, 0x7b, 0xaa, 0x76, 0xa4, 0xc4, 0xcd, 0x4b,
                                                 0x73, 0xa5, 0xf9, 0x34, 0xb4, 0xcc, 0x1a}));
}

TEST(PassphraseDigest, PiTableIsTheHexExpansionOfPi) {
    const auto& pi = PiTable();
    const std::uint8_t head[] = {0x24, 0x3F, 0x6A, 0x88, 0x85, 0xA3, 0x08, 0xD3,
                                 0x13, 0x19, 0x8A, 0x2E, 0x03, 0x70, 0x73, 0x44};
    const std::uint8_t tail[] = {0xA1, 0x54, 0x86, 0xAF, 0x7C, 0x72, 0xE9, 0x93};
    EXPECT_EQ(std::memcmp(pi.data(), head, sizeof head), 0);
    EXPECT_EQ(std::memcmp(pi.data() + 248, tail, sizeof tail), 0);
}

TEST(PassphraseDigest, InputIsXoredIntoTheKeyBlock) {
    MixDigestContext c;
    InitMixDigest(c);
    UpdateMixDigest(c, "abc", 3);
    EXPECT_EQ(c.keyIndex, 3u);
    EXPECT_EQ(c.keyBlock[0], 0x55 ^ 'a');
    EXPECT_EQ(c.keyBlock[1], 0x55 ^ 'b');
    EXPECT_EQ(c.keyBlock[2], 0x55 ^ 'c');
    EXPECT_EQ(c.keyBlock[3], 0x55);
    EXPECT_EQ(c.state[0], PiTable()[0] ^ 'a');
}

// Padding is a 0x01 byte and zeros up to the next key block boundary, at least one byte; the
// context keeps it and the final encryption works on a copy.
TEST(PassphraseDigest, FinalizePadsToTheNextKeyBlock) {
    for (std::size_t n : {0u, 5u, 7u, 8u, 9u, 16u}) {
        SCOPED_TRACE(n);
        std::vector<std::uint8_t> zeros(n, 0);
        MixDigestContext c;
        InitMixDigest(c);
        UpdateMixDigest(c, zeros.data(), n);
        EXPECT_EQ(c.keyIndex, n % 8);
        std::uint8_t out[16];
        FinalizeMixDigest(c, out, sizeof out);
        const std::size_t padded = (n / 8 + 1) * 8;
        EXPECT_EQ(c.stateIndex, padded);
        EXPECT_EQ(c.keyIndex, 0u);
        for (std::size_t i = 0; i < 256; ++i)
            ASSERT_EQ(c.state[i], PiTable()[i] ^ (i == n ? 1 : 0)) << i;
    }
}

TEST(PassphraseDigest, LongInputWrapsAroundTheState) {
    const auto data = Pattern(600);
    MixDigestContext c;
    InitMixDigest(c);
    UpdateMixDigest(c, data.data(), data.size());
    EXPECT_EQ(c.stateIndex, 600u - 512u);
    for (std::size_t i = 0; i < 256; ++i) {
        std::uint8_t expected = PiTable()[i] ^ data[i] ^ data[i + 256];
        if (i + 512 < data.size()) expected ^= data[i + 512];
        ASSERT_EQ(c.state[i], expected) << i;
    }
}

TEST(PassphraseDigest, SplitUpdatesEqualOneUpdate) {
    const auto data = Pattern(300);
    Digest whole;
    MixDigest(whole.data(), whole.size(), data.data(), data.size());
    for (std::size_t step : {1u, 3u, 7u, 8u, 9u, 64u, 257u}) {
        SCOPED_TRACE(step);
        MixDigestContext c;
        InitMixDigest(c);
        for (std::size_t pos = 0; pos < data.size(); pos += step)
            UpdateMixDigest(c, data.data() + pos, std::min(step, data.size() - pos));
        UpdateMixDigest(c, data.data(), 0);
        Digest split;
        FinalizeMixDigest(c, split.data(), split.size());
        EXPECT_EQ(split, whole);
    }
}

TEST(PassphraseDigest, EveryInputByteMatters) {
    // 8 bytes mix the key block during the update and again through the padding; 300 bytes wrap.
    for (std::size_t n : {1u, 8u, 300u}) {
        SCOPED_TRACE(n);
        const auto data = Pattern(n);
        Digest base;
        MixDigest(base.data(), base.size(), data.data(), n);
        for (std::size_t i : {std::size_t(0), n / 2, n - 1}) {
            auto changed = data;
            changed[i] ^= 0x01;
            Digest other;
            MixDigest(other.data(), other.size(), changed.data(), n);
            EXPECT_NE(other, base) << i;
        }
    }
    // Appending a zero byte is not the same as the padding.
    std::uint8_t zero = 0;
    Digest withZero;
    MixDigest(withZero.data(), withZero.size(), &zero, 1);
    EXPECT_NE(withZero, PassphraseDigest16(""));
}

TEST(PassphraseDigest, OutputBeyond256BytesIsNotWritten) {
    std::vector<std::uint8_t> out(300, 0xEE);
    PassphraseDigest(out.data(), out.size(), "abc");
    std::vector<std::uint8_t> exact(256);
    PassphraseDigest(exact.data(), exact.size(), "abc");
    EXPECT_TRUE(std::equal(exact.begin(), exact.end(), out.begin()));
    for (std::size_t i = 256; i < out.size(); ++i) ASSERT_EQ(out[i], 0xEE) << i;
    const auto key = PassphraseDigest16("abc");
    EXPECT_TRUE(std::equal(key.begin(), key.end(), exact.begin()));

    std::uint8_t small[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    PassphraseDigest(small, 3, "abc");
    EXPECT_EQ(small[2], key[2]);
    EXPECT_EQ(small[3], 0xEE);
}

TEST(MixBlockCipher, DecryptionKeyInvertsEncryption) {
    const auto key = PassphraseDigest16("block key");
    for (int keySize : {0, 4, 8, 13, 16, 40}) {
        SCOPED_TRACE(keySize);
        MixBlockContext enc, dec;
        MixBlockKeySetup(key.data(), keySize, enc, true);
        MixBlockKeySetup(key.data(), keySize, dec, false);
        EXPECT_EQ(enc.rounds, std::uint32_t(std::max(4, std::min(16, keySize))));
        EXPECT_EQ(enc.encrypt, 1);
        EXPECT_EQ(dec.encrypt, 0);
        std::uint8_t block[16], original[16];
        for (int i = 0; i < 16; ++i) original[i] = block[i] = std::uint8_t(i * 17);
        MixBlockEncrypt(enc, block);
        EXPECT_NE(std::memcmp(block, original, 16), 0);
        MixBlockEncrypt(dec, block);
        EXPECT_EQ(std::memcmp(block, original, 16), 0);
    }
}

TEST(MixBlockCipher, RoundsChangeTheResultAndAllKeyBytesAreRead) {
    const auto key = PassphraseDigest16("block key");
    auto encrypt = [](const std::uint8_t* k, int keySize) {
        MixBlockContext c;
        MixBlockKeySetup(k, keySize, c, true);
        std::array<std::uint8_t, 16> block{};
        MixBlockEncrypt(c, block.data());
        return block;
    };
    EXPECT_NE(encrypt(key.data(), 8), encrypt(key.data(), 9));
    EXPECT_EQ(encrypt(key.data(), 2), encrypt(key.data(), 4));
    auto other = key;
    other[15] ^= 1;
    EXPECT_NE(encrypt(key.data(), 4), encrypt(other.data(), 4));
}
