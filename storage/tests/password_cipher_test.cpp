#include "storage/password_cipher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "storage/passphrase_digest.h"

using namespace lark::storage;

namespace {

std::vector<std::uint8_t> FromHex(std::string_view hex) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(std::uint8_t(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return out;
}

std::vector<std::uint8_t> Sequence(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = std::uint8_t(i);
    return v;
}

// High bytes first, so every password below holds bytes 0x80..0xFF.
std::string Password(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = char(0xFF - (i * 7) % 256);
    return s;
}

const std::array<std::uint8_t, 16> kKey = PassphraseDigest16("stored password key");

std::string Encrypt(std::string_view password) {
    return AesTextCipher(password, kKey.data(), kKey.size(), true);
}

std::string Decrypt(std::string_view text) {
    return AesTextCipher(text, kKey.data(), kKey.size(), false);
}

std::string Base64(std::string_view bytes) {
    std::string out;
    Base64EncodeStream(bytes, out);
    return out;
}

// A framed ciphertext built by hand from its plaintext blocks (starting block included).
std::string FrameByHand(const std::vector<std::array<std::uint8_t, 16>>& blocks) {
    AesContext c;
    AesKeySetup(kKey.data(), kKey.size(), c, true);
    std::string out;
    std::array<std::uint8_t, 16> chain = blocks[0];
    AesBlock(c, chain.data());
    out.append(reinterpret_cast<const char*>(chain.data()), 16);
    for (std::size_t k = 1; k < blocks.size(); ++k) {
        auto b = blocks[k];
        AesCbcStep(c, chain.data(), b.data());
        out.append(reinterpret_cast<const char*>(b.data()), 16);
        chain = b;
    }
    return out;
}

template <typename E, typename F>
void ExpectThrowWithMessage(F&& f, const char* message) {
    try {
        f();
        ADD_FAILURE() << "no exception, expected " << message;
    } catch (const E& e) {
        EXPECT_STREQ(e.what(), message);
    }
}

}  // namespace

TEST(Aes, Fips197AppendixC) {
    struct Case { std::size_t keySize; const char* cipher; };
    const Case cases[] = {
        {16, "69c4e0d86a7b0430d8cdb78070b4c55a"},
        {24, "dda97ca4864cdfe06eaf70a0ec0d7191"},
        {32, "8ea2b7ca516745bfeafc49904b496089"},
    };
    const auto plain = FromHex("00112233445566778899aabbccddeeff");
    const auto key = Sequence(32);
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.keySize);
        AesContext enc, dec;
        AesKeySetup(key.data(), tc.keySize, enc, true);
        AesKeySetup(key.data(), tc.keySize, dec, false);
        EXPECT_EQ(enc.rounds, tc.keySize / 4 + 6);
        auto block = plain;
        AesBlock(enc, block.data());
        EXPECT_EQ(block, FromHex(tc.cipher));
        AesBlock(dec, block.data());
        EXPECT_EQ(block, plain);
    }
}

TEST(Aes, KeyExpansionLastRoundKeyFips197AppendixA) {
    AesContext c;
    const auto key = FromHex("2b7e151628aed2a6abf7158809cf4f3c");
    AesKeySetup(key.data(), key.size(), c, true);
    EXPECT_EQ(std::vector<std::uint8_t>(c.roundKeys + 160, c.roundKeys + 176),
              FromHex("d014f9a8c9ee2589e13f0cc8b6630ca6"));
}

TEST(Aes, CbcStepChainsBothWays) {
    AesContext enc, dec;
    AesKeySetup(kKey.data(), 16, enc, true);
    AesKeySetup(kKey.data(), 16, dec, false);
    const auto chain = Sequence(16);
    auto plain = FromHex("00112233445566778899aabbccddeeff");
    auto block = plain;
    AesCbcStep(enc, chain.data(), block.data());
    auto direct = plain;
    XorBytes(direct.data(), chain.data(), 16);
    AesBlock(enc, direct.data());
    EXPECT_EQ(block, direct);
    AesCbcStep(dec, chain.data(), block.data());
    EXPECT_EQ(block, plain);
}

TEST(Aes, XorBytesCoversEveryLengthAndOffset) {
    const auto source = Sequence(20);
    for (std::size_t offset = 0; offset < 4; ++offset) {
        for (std::size_t n = 0; n <= 11; ++n) {
            std::vector<std::uint8_t> target(20, 0xA5);
            XorBytes(target.data() + offset, source.data() + 3, n);
            for (std::size_t i = 0; i < target.size(); ++i) {
                const bool inside = i >= offset && i < offset + n;
                ASSERT_EQ(target[i], inside ? (0xA5 ^ source[3 + i - offset]) : 0xA5)
                    << offset << " " << n << " " << i;
            }
        }
    }
}

TEST(Base64, Rfc4648Vectors) {
    const std::pair<const char*, const char*> vectors[] = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [plain, encoded] : vectors) {
        EXPECT_EQ(Base64(plain), encoded);
        std::string decoded = "keep:";
        Base64DecodeStream(encoded, decoded);
        EXPECT_EQ(decoded, std::string("keep:") + plain);
    }
}

TEST(Base64, EveryByteAndLengthRoundTrips) {
    std::string all;
    for (int i = 0; i < 256; ++i) all += char(i);
    EXPECT_EQ(Base64("\xFB\xFF\xBF"), "+/+/");
    for (std::size_t n = 0; n <= all.size(); n += (n < 100 ? 1 : 37)) {
        const std::string part = all.substr(all.size() - n);
        const std::string text = Base64(part);
        ASSERT_EQ(text.size(), 4 * ((n + 2) / 3));
        std::string back;
        Base64DecodeStream(text, back);
        ASSERT_EQ(back, part) << n;
    }
}

TEST(Base64, MalformedTextIsRejected) {
    const char* bad[] = {
        "Zm9v Zm9v", "Zm9v\nZm9v", "Zm9v~Zm9", "Zm9,", "Zm-v", "Zm:v", "Zm@v", "Zm[v",
        "Zm9vZm", "Zm9vZ", "Z", "Zm9vYg=", "Z===", "Zg=A", "=Zm9", "Zg==Zm9v", "Zm9v\x80Zm9",
    };
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        std::string out = "keep";
        ExpectThrowWithMessage<lark::core::Error>([&] { Base64DecodeStream(text, out); },
                                                  "Invalid Base64 Character");
        EXPECT_EQ(out, "keep");
    }
}

TEST(PasswordCipher, RoundTripsAndSizes) {
    for (std::size_t n : {0u, 1u, 15u, 16u, 17u, 1000u}) {
        SCOPED_TRACE(n);
        const std::string password = Password(n);
        const std::string text = Encrypt(password);
        const std::size_t cipherBytes = 16 * (n / 16 + 2);
        EXPECT_EQ(text.size(), 4 * ((cipherBytes + 2) / 3));
        EXPECT_EQ(text.find_first_not_of(
                      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
                  std::string::npos);
        EXPECT_EQ(Decrypt(text), password);
    }
    EXPECT_EQ(Encrypt("").size(), 44u);
}

TEST(PasswordCipher, FramingLayout) {
    const std::string password = Password(20);
    std::string cipher;
    const auto before = std::chrono::steady_clock::now();
    AesStreamCipher(password, cipher, kKey.data(), true, kKey.size());
    ASSERT_EQ(cipher.size(), 48u);

    AesContext dec;
    AesKeySetup(kKey.data(), kKey.size(), dec, false);
    std::uint8_t blocks[3][16];
    std::memcpy(blocks, cipher.data(), 48);
    AesCbcStep(dec, blocks[1], blocks[2]);
    AesCbcStep(dec, blocks[0], blocks[1]);
    EXPECT_EQ(std::memcmp(blocks[1], password.data(), 16), 0);
    EXPECT_EQ(std::memcmp(blocks[2], password.data() + 16, 4), 0);
    for (int i = 4; i < 15; ++i) EXPECT_EQ(blocks[2][i], 0) << i;
    EXPECT_EQ(blocks[2][15], 4);

    // The starting block's first two bytes come from one millisecond counter, read twice.
    AesBlock(dec, blocks[0]);
    const auto elapsed = std::chrono::steady_clock::now() - before;
    if (elapsed < std::chrono::milliseconds(200)) {
        EXPECT_LE(std::uint8_t(blocks[0][1] - blocks[0][0]), 200);
    }
}

TEST(PasswordCipher, StartingBlockTicksAndRandomBytes) {
    const auto a = MakeStartingBlock();
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const auto b = MakeStartingBlock();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_NE(std::memcmp(a.data() + 2, b.data() + 2, 14), 0);
    if (elapsed < std::chrono::milliseconds(200)) {
        const int advanced = std::uint8_t(b[0] - a[0]);
        EXPECT_GE(advanced, 20);  // tick counters may lag a sleep by a few milliseconds
        EXPECT_LE(advanced, 220);
    }
}

TEST(PasswordCipher, EncryptionsDifferAndBothDecrypt) {
    const std::string password = "s3cret\xE9\xFC";
    const std::string a = Encrypt(password), b = Encrypt(password);
    EXPECT_NE(a, b);
    EXPECT_EQ(Decrypt(a), password);
    EXPECT_EQ(Decrypt(b), password);
}

TEST(PasswordCipher, WrongKeyNeverYieldsThePassword) {
    const std::string password = Password(10);
    const std::string text = Encrypt(password);
    int failures = 0;
    for (int i = 0; i < 200; ++i) {
        const auto wrong = PassphraseDigest16("wrong key " + std::to_string(i));
        try {
            EXPECT_NE(AesTextCipher(text, wrong.data(), wrong.size(), false), password);
        } catch (const ECipherException& e) {
            EXPECT_STREQ(e.what(), "Invalid file format");
            ++failures;
        }
    }
    EXPECT_GT(failures, 100);  // a random count byte exceeds 15 for most wrong keys
}

TEST(PasswordCipher, DamagedTextsFailWithTheirMessages) {
    const std::string text = Encrypt(Password(20));  // 48 bytes, 64 characters
    const std::string cipherFormat[] = {
        "",
        Encrypt("").substr(0, 40),       // 30 bytes
        text.substr(0, 60),              // 45 bytes: last block cut short
        Base64(std::string(31, 'x')),
    };
    for (const auto& t : cipherFormat) {
        SCOPED_TRACE(t);
        ExpectThrowWithMessage<ECipherException>([&] { Decrypt(t); }, "Invalid file format");
    }

    const std::string base64[] = {
        text.substr(0, 62), text.substr(0, 20) + " " + text.substr(20),
        text.substr(0, 20) + "\r\n" + text.substr(20), text.substr(0, 63) + "~",
        text.substr(0, 63) + ",", text + "\n",
    };
    for (const auto& t : base64) {
        SCOPED_TRACE(t);
        ExpectThrowWithMessage<lark::core::Error>([&] { Decrypt(t); }, "Invalid Base64 Character");
    }
}

TEST(PasswordCipher, CountByteAbove15IsRejected) {
    for (std::uint8_t count : {std::uint8_t(15), std::uint8_t(16), std::uint8_t(0xFF)}) {
        SCOPED_TRACE(int(count));
        std::array<std::uint8_t, 16> start{}, last{};
        last.fill('a');
        last[15] = count;
        const std::string cipher = FrameByHand({start, last});
        std::string out = "keep";
        if (count <= 15) {
            AesStreamCipher(cipher, out, kKey.data(), false, kKey.size());
            EXPECT_EQ(out, "keep" + std::string(15, 'a'));
        } else {
            ExpectThrowWithMessage<ECipherException>(
                [&] { AesStreamCipher(cipher, out, kKey.data(), false, kKey.size()); },
                "Invalid file format");
            EXPECT_EQ(out, "keep");
            ExpectThrowWithMessage<ECipherException>([&] { Decrypt(Base64(cipher)); },
                                                     "Invalid file format");
        }
    }
}

// The keyed-once cipher writes and reads the same texts as the one-call form, with a fresh
// starting block for every text, and fails alike.
TEST(PasswordCipher, OneKeyScheduleForManyTexts) {
    TextCipher cipher(kKey.data(), kKey.size());
    std::vector<std::string> texts;
    for (std::size_t n : {0u, 1u, 15u, 16u, 17u, 40u}) {
        const std::string password = Password(n);
        const std::string text = cipher.Encrypt(password);
        EXPECT_EQ(text.size(), Encrypt(password).size()) << n;
        EXPECT_EQ(Decrypt(text), password) << n;
        EXPECT_EQ(cipher.Decrypt(Encrypt(password)), password) << n;
        texts.push_back(text);
        texts.push_back(cipher.Encrypt(password));
    }
    // The first cipher block of every text differs: one random source, drawn afresh each time.
    for (std::size_t i = 0; i < texts.size(); ++i)
        for (std::size_t k = i + 1; k < texts.size(); ++k) EXPECT_NE(texts[i].substr(0, 20), texts[k].substr(0, 20));
    EXPECT_THROW(cipher.Decrypt(""), ECipherException);
    EXPECT_THROW(cipher.Decrypt("abc~"), lark::core::Error);
}
