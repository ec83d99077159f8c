// Blowfish block cipher (16 rounds, subkeys from pi, the standard key schedule) in ECB mode;
// used to encipher the log-on fields of the task file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tunaro {

class Blowfish {
public:
    static constexpr int kRounds = 16;
    static constexpr int kSubkeyCount = kRounds + 2;
    static constexpr std::size_t kBlockSize = 8;
    static constexpr std::size_t kMaxKeyBytes = 56;

    // The initial P-array and S-boxes before any key is mixed in.
    static const std::uint32_t kInitialP[kSubkeyCount];
    static const std::uint32_t kInitialS[4][256];

    Blowfish();
    // Runs the standard key schedule. Keys of 1 to 56 bytes are accepted; any other length
    // leaves the cipher unkeyed and returns false.
    bool SetKey(const std::uint8_t* key, std::size_t length);
    bool IsKeyed() const { return m_keyed; }

    // One block as two 32-bit halves.
    void Encrypt(std::uint32_t& left, std::uint32_t& right) const;
    void Decrypt(std::uint32_t& left, std::uint32_t& right) const;

    // ECB over whole 8-byte blocks in place; the halves of each block are read and written
    // in little-endian byte order (left half bytes 0..3, right half bytes 4..7). A trailing
    // part shorter than a block is left untouched. Returns the number of bytes processed.
    std::size_t EncryptLittleEndian(std::uint8_t* data, std::size_t length) const;
    std::size_t DecryptLittleEndian(std::uint8_t* data, std::size_t length) const;

    // The same with the halves in big-endian byte order, as the cipher's reference vectors
    // are written.
    std::size_t EncryptBigEndian(std::uint8_t* data, std::size_t length) const;
    std::size_t DecryptBigEndian(std::uint8_t* data, std::size_t length) const;

private:
    std::uint32_t F(std::uint32_t x) const;
    template <bool kEncrypt, bool kLittleEndian>
    std::size_t ProcessBlocks(std::uint8_t* data, std::size_t length) const;

    std::uint32_t m_p[kSubkeyCount];
    std::uint32_t m_s[4][256];
    bool m_keyed = false;
};

} // namespace tunaro
