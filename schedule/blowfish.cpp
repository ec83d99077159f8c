// Blowfish block cipher: key schedule, the 16-round Feistel network and ECB over byte buffers
// with either byte order for the two halves of a block.
#include "schedule/blowfish.h"

#include <cstring>

namespace tunaro {

namespace {

std::uint32_t LoadLittle(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

void StoreLittle(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
    p[2] = std::uint8_t(v >> 16);
    p[3] = std::uint8_t(v >> 24);
}

std::uint32_t LoadBig(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 |
           std::uint32_t(p[3]);
}

void StoreBig(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v >> 24);
    p[1] = std::uint8_t(v >> 16);
    p[2] = std::uint8_t(v >> 8);
    p[3] = std::uint8_t(v);
}

} // namespace

Blowfish::Blowfish() {
    std::memcpy(m_p, kInitialP, sizeof(m_p));
    std::memcpy(m_s, kInitialS, sizeof(m_s));
}

std::uint32_t Blowfish::F(std::uint32_t x) const {
    const std::uint32_t a = m_s[0][x >> 24];
    const std::uint32_t b = m_s[1][(x >> 16) & 0xFF];
    const std::uint32_t c = m_s[2][(x >> 8) & 0xFF];
    const std::uint32_t d = m_s[3][x & 0xFF];
    return ((a + b) ^ c) + d;
}

void Blowfish::Encrypt(std::uint32_t& left, std::uint32_t& right) const {
    std::uint32_t l = left;
    std::uint32_t r = right;
    for (int i = 0; i < kRounds; ++i) {
        l ^= m_p[i];
        r ^= F(l);
        const std::uint32_t t = l;
        l = r;
        r = t;
    }
    // Undo the last swap, then whiten with the last two subkeys.
    const std::uint32_t t = l;
    l = r;
    r = t;
    r ^= m_p[kRounds];
    l ^= m_p[kRounds + 1];
    left = l;
    right = r;
}

void Blowfish::Decrypt(std::uint32_t& left, std::uint32_t& right) const {
    std::uint32_t l = left;
    std::uint32_t r = right;
    for (int i = kRounds + 1; i > 1; --i) {
        l ^= m_p[i];
        r ^= F(l);
        const std::uint32_t t = l;
        l = r;
        r = t;
    }
    const std::uint32_t t = l;
    l = r;
    r = t;
    r ^= m_p[1];
    l ^= m_p[0];
    left = l;
    right = r;
}

bool Blowfish::SetKey(const std::uint8_t* key, std::size_t length) {
    std::memcpy(m_p, kInitialP, sizeof(m_p));
    std::memcpy(m_s, kInitialS, sizeof(m_s));
    m_keyed = false;
    if (key == nullptr || length == 0 || length > kMaxKeyBytes) {
        return false;
    }

    // The key bytes, cycled, are taken four at a time as big-endian words and XORed into P.
    std::size_t at = 0;
    for (int i = 0; i < kSubkeyCount; ++i) {
        std::uint32_t word = 0;
        for (int k = 0; k < 4; ++k) {
            word = (word << 8) | key[at];
            at = (at + 1) % length;
        }
        m_p[i] ^= word;
    }

    // Replace P and then the S-boxes, two words at a time, with the chained encryption of zero.
    std::uint32_t l = 0;
    std::uint32_t r = 0;
    for (int i = 0; i < kSubkeyCount; i += 2) {
        Encrypt(l, r);
        m_p[i] = l;
        m_p[i + 1] = r;
    }
    for (auto& box : m_s) {
        for (int i = 0; i < 256; i += 2) {
            Encrypt(l, r);
            box[i] = l;
            box[i + 1] = r;
        }
    }
    m_keyed = true;
    return true;
}

template <bool kEncrypt, bool kLittleEndian>
std::size_t Blowfish::ProcessBlocks(std::uint8_t* data, std::size_t length) const {
    if (data == nullptr) {
        return 0;
    }
    const std::size_t whole = length - length % kBlockSize;
    for (std::size_t off = 0; off < whole; off += kBlockSize) {
        std::uint8_t* block = data + off;
        std::uint32_t l = kLittleEndian ? LoadLittle(block) : LoadBig(block);
        std::uint32_t r = kLittleEndian ? LoadLittle(block + 4) : LoadBig(block + 4);
        if (kEncrypt) {
            Encrypt(l, r);
        } else {
            Decrypt(l, r);
        }
        if (kLittleEndian) {
            StoreLittle(block, l);
            StoreLittle(block + 4, r);
        } else {
            StoreBig(block, l);
            StoreBig(block + 4, r);
        }
    }
    return whole;
}

std::size_t Blowfish::EncryptLittleEndian(std::uint8_t* data, std::size_t length) const {
    return ProcessBlocks<true, true>(data, length);
}

std::size_t Blowfish::DecryptLittleEndian(std::uint8_t* data, std::size_t length) const {
    return ProcessBlocks<false, true>(data, length);
}

std::size_t Blowfish::EncryptBigEndian(std::uint8_t* data, std::size_t length) const {
    return ProcessBlocks<true, false>(data, length);
}

std::size_t Blowfish::DecryptBigEndian(std::uint8_t* data, std::size_t length) const {
    return ProcessBlocks<false, false>(data, length);
}

} // namespace tunaro
