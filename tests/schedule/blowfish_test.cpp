// Tests of the Blowfish cipher: its initial subkeys against pi recomputed here, the author's
// published vectors, decryption, and the task file's key with little-endian halves.
#include "schedule/blowfish.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace tunaro;

namespace {

// Fixed-point number: limb 0 is the integer part, limbs 1.. are successive 32-bit fractions.
using Fixed = std::vector<std::uint32_t>;

void DivideBy(Fixed& a, std::uint32_t d) {
    std::uint64_t rem = 0;
    for (auto& limb : a) {
        const std::uint64_t cur = (rem << 32) | limb;
        limb = std::uint32_t(cur / d);
        rem = cur % d;
    }
}

void MultiplyBy(Fixed& a, std::uint32_t m) {
    std::uint64_t carry = 0;
    for (std::size_t i = a.size(); i-- > 0;) {
        const std::uint64_t cur = std::uint64_t(a[i]) * m + carry;
        a[i] = std::uint32_t(cur);
        carry = cur >> 32;
    }
}

void AddTo(Fixed& a, const Fixed& b) {
    std::uint64_t carry = 0;
    for (std::size_t i = a.size(); i-- > 0;) {
        const std::uint64_t cur = std::uint64_t(a[i]) + b[i] + carry;
        a[i] = std::uint32_t(cur);
        carry = cur >> 32;
    }
}

void SubtractFrom(Fixed& a, const Fixed& b) {
    std::int64_t borrow = 0;
    for (std::size_t i = a.size(); i-- > 0;) {
        std::int64_t cur = std::int64_t(a[i]) - b[i] - borrow;
        borrow = cur < 0 ? 1 : 0;
        a[i] = std::uint32_t(cur + (borrow << 32));
    }
}

bool IsZero(const Fixed& a) {
    for (auto limb : a) {
        if (limb != 0) {
            return false;
        }
    }
    return true;
}

// Arctan(1/x) by its series.
Fixed ArctanInverse(std::uint32_t x, std::size_t limbs) {
    Fixed term(limbs, 0);
    term[0] = 1;
    DivideBy(term, x);
    Fixed sum = term;
    Fixed part(limbs);
    for (std::uint32_t k = 1; !IsZero(term); ++k) {
        DivideBy(term, x * x);
        part = term;
        DivideBy(part, 2 * k + 1);
        if (k % 2 == 1) {
            SubtractFrom(sum, part);
        } else {
            AddTo(sum, part);
        }
    }
    return sum;
}

// Pi by Machin's formula: 16 Arctan(1/5) - 4 Arctan(1/239).
Fixed ComputePi(std::size_t fractionLimbs) {
    const std::size_t limbs = 1 + fractionLimbs + 4; // four guard limbs
    Fixed pi = ArctanInverse(5, limbs);
    MultiplyBy(pi, 16);
    Fixed b = ArctanInverse(239, limbs);
    MultiplyBy(b, 4);
    SubtractFrom(pi, b);
    return pi;
}

std::vector<std::uint8_t> FromHex(const std::string& hex) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        out.push_back(std::uint8_t(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
    return out;
}

std::string ToHex(const std::uint8_t* p, std::size_t n) {
    std::string s;
    char buf[3];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof(buf), "%02X", p[i]);
        s += buf;
    }
    return s;
}

struct Vector {
    const char* key;
    const char* plain;
    const char* cipher;
};

// The cipher author's published ECB vectors (keys of eight bytes, halves big-endian).
const Vector kEcbVectors[] = {
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
    {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
    {"07A1133E4A0B2686", "0248D43806F67172", "1730E5778BEA1DA4"},
    {"3849674C2602319E", "51454B582DDF440A", "A25E7856CF2651EB"},
    {"04B915BA43FEB5B6", "42FD443059577FA2", "353882B109CE8F1A"},
    {"0113B970FD34F2CE", "059B5E0851CF143A", "48F4D0884C379918"},
    {"0170F175468FB5E6", "0756D8E0774761D2", "432193B78951FC98"},
    {"43297FAD38E373FE", "762514B829BF486A", "13F04154D69D1AE5"},
    {"07A7137045DA2A16", "3BDD119049372802", "2EEDDA93FFD39C79"},
    {"04689104C2FD3B2F", "26955F6835AF609A", "D887E0393C2DA6E3"},
    {"37D06BB516CB7546", "164D5E404F275232", "5F99D04F5B163969"},
    {"1F08260D1AC2465E", "6B056E18759F5CCA", "4A057A3B24D3977B"},
    {"584023641ABA6176", "004BD6EF09176062", "452031C1E4FADA8E"},
    {"025816164629B007", "480D39006EE762F2", "7555AE39F59B87BD"},
    {"49793EBC79B3258F", "437540C8698F3CFA", "53C55F9CB49FC019"},
    {"4FB05E1515AB73A7", "072D43A077075292", "7A8E7BFA937E89A3"},
    {"49E95D6D4CA229BF", "02FE55778117F12A", "CF9C5D7A4986ADB5"},
    {"018310DC409B26D6", "1D9D5C5018F728C2", "D1ABB290658BC778"},
    {"1C587F1C13924FEF", "305532286D6F295A", "55CB3774D13EF201"},
    {"0101010101010101", "0123456789ABCDEF", "FA34EC4847B268B2"},
    {"1F1F1F1F0E0E0E0E", "0123456789ABCDEF", "A790795108EA3CAE"},
    {"E0FEE0FEF1FEF1FE", "0123456789ABCDEF", "C39E072D9FAC631D"},
    {"0000000000000000", "FFFFFFFFFFFFFFFF", "014933E0CDAFF6E4"},
    {"FFFFFFFFFFFFFFFF", "0000000000000000", "F21E9A77B71C49BC"},
    {"0123456789ABCDEF", "0000000000000000", "245946885754369A"},
    {"FEDCBA9876543210", "FFFFFFFFFFFFFFFF", "6B5C5A9C5D9E0A5A"},
};

// The author's variable-key-length vectors: the first n bytes of one key (n = 1..24) on
// plaintext FEDCBA9876543210.
const char kSetKeyKey[] = "F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677";
const char* const kSetKeyCiphers[] = {
    "F9AD597C49DB005E", "E91D21C1D961A6D6", "E9C2B70A1BC65CF3", "BE1E639408640F05", "B39E44481BDB1E6E",
    "9457AA83B1928C0D", "8BB77032F960629D", "E87A244E2CC85E82", "15750E7A4F4EC577", "122BA70B3AB64AE0",
    "3A833C9AFFC537F6", "9409DA87A90F6BF2", "884F80625060B8B4", "1F85031C19E11968", "79D9373A714CA34F",
    "93142887EE3BE15C", "03429E838CE2D14B", "A4299E27469FF67B", "AFD5AED1C1BC96A8", "10851C0E3858DA9F",
    "E6F51ED79B9DB21F", "64A6E14AFD36B46F", "80C7D7D45A5479AD", "05044B62FA52D080",
};

const std::uint8_t kTaskKey[] = {'g', 'u', 'l', 'p', 'e', 'e', 'l'};

} // namespace

TEST(BlowfishTables, AreTheHexadecimalDigitsOfPi) {
    const std::size_t words = Blowfish::kSubkeyCount + 4 * 256;
    const Fixed pi = ComputePi(words);
    ASSERT_EQ(pi[0], 3u);
    for (int i = 0; i < Blowfish::kSubkeyCount; ++i) {
        ASSERT_EQ(Blowfish::kInitialP[i], pi[1 + std::size_t(i)]) << "P[" << i << "]";
    }
    for (int box = 0; box < 4; ++box) {
        for (int i = 0; i < 256; ++i) {
            ASSERT_EQ(Blowfish::kInitialS[box][i],
                      pi[1 + Blowfish::kSubkeyCount + std::size_t(box) * 256 + std::size_t(i)])
                << "S" << box << "[" << i << "]";
        }
    }
}

TEST(Blowfish, PublishedEcbVectors) {
    for (const Vector& v : kEcbVectors) {
        const auto key = FromHex(v.key);
        Blowfish bf;
        ASSERT_TRUE(bf.SetKey(key.data(), key.size()));
        auto block = FromHex(v.plain);
        EXPECT_EQ(bf.EncryptBigEndian(block.data(), block.size()), 8u);
        EXPECT_EQ(ToHex(block.data(), 8), v.cipher) << "key " << v.key;
        bf.DecryptBigEndian(block.data(), block.size());
        EXPECT_EQ(ToHex(block.data(), 8), v.plain) << "key " << v.key;
    }
}

TEST(Blowfish, PublishedVariableKeyLengthVectors) {
    const auto fullKey = FromHex(kSetKeyKey);
    for (std::size_t n = 1; n <= 24; ++n) {
        Blowfish bf;
        ASSERT_TRUE(bf.SetKey(fullKey.data(), n));
        std::uint32_t l = 0xFEDCBA98u, r = 0x76543210u;
        bf.Encrypt(l, r);
        char got[17];
        std::snprintf(got, sizeof(got), "%08X%08X", unsigned(l), unsigned(r));
        EXPECT_STREQ(got, kSetKeyCiphers[n - 1]) << "key length " << n;
        bf.Decrypt(l, r);
        EXPECT_EQ(l, 0xFEDCBA98u);
        EXPECT_EQ(r, 0x76543210u);
    }
}

TEST(Blowfish, RejectsKeysOfNoOrTooManyBytes) {
    std::uint8_t key[57] = {1};
    Blowfish bf;
    EXPECT_FALSE(bf.SetKey(key, 0));
    EXPECT_FALSE(bf.IsKeyed());
    EXPECT_FALSE(bf.SetKey(key, 57));
    EXPECT_FALSE(bf.SetKey(nullptr, 8));
    EXPECT_TRUE(bf.SetKey(key, 56));
    EXPECT_TRUE(bf.IsKeyed());
}

TEST(Blowfish, TaskKeyWithLittleEndianHalvesKnownAnswer) {
    Blowfish bf;
    ASSERT_TRUE(bf.SetKey(kTaskKey, sizeof(kTaskKey)));

    // As whole halves: plaintext halves 0, 0.
    std::uint32_t l = 0, r = 0;
    bf.Encrypt(l, r);
    EXPECT_EQ(l, 0xFEF6A11Du);
    EXPECT_EQ(r, 0xEA7EB734u);

    // A 32-byte user name field as the task file holds it.
    std::uint8_t field[32] = {'t', 'v', 'u', 's', 'e', 'r'};
    EXPECT_EQ(bf.EncryptLittleEndian(field, sizeof(field)), 32u);
    EXPECT_EQ(ToHex(field, 32), "24899774FAE8F7491DA1F6FE34B77EEA1DA1F6FE34B77EEA1DA1F6FE34B77EEA");
    bf.DecryptLittleEndian(field, sizeof(field));
    EXPECT_STREQ(reinterpret_cast<const char*>(field), "tvuser");

    std::uint8_t digits[8] = {'0', '1', '2', '3', '4', '5', '6', '7'};
    bf.EncryptLittleEndian(digits, sizeof(digits));
    EXPECT_EQ(ToHex(digits, 8), "EA8DF448965AD974");
}

TEST(Blowfish, EcbLeavesATrailingPartialBlockAlone) {
    Blowfish bf;
    ASSERT_TRUE(bf.SetKey(kTaskKey, sizeof(kTaskKey)));
    std::uint8_t data[13];
    for (int i = 0; i < 13; ++i) {
        data[i] = std::uint8_t(i * 7);
    }
    std::uint8_t original[13];
    std::memcpy(original, data, 13);
    EXPECT_EQ(bf.EncryptLittleEndian(data, 13), 8u);
    EXPECT_NE(std::memcmp(data, original, 8), 0);
    EXPECT_EQ(std::memcmp(data + 8, original + 8, 5), 0);
    EXPECT_EQ(bf.DecryptLittleEndian(data, 13), 8u);
    EXPECT_EQ(std::memcmp(data, original, 13), 0);
}
