// The header of a RIFF/WAVE file as the WAV writer lays it out: the format chunk as the
// connection describes the sound, a fact chunk for compressed sound, and the data chunk whose
// size (and the RIFF size) are filled in once the recording ends. Pure logic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace filters {

class WaveHeader {
public:
    // The largest data chunk a RIFF file can describe with the header in front of it.
    static constexpr uint64_t kMaxFileSize = 0xFFFFFFFFull;

    // format: the WAVEFORMATEX bytes of the connection (with its extra bytes for compressed
    // sound). Plain PCM is written as the 16-byte form every reader knows.
    explicit WaveHeader(const std::vector<uint8_t>& format);

    // Whether the format bytes describe usable sound (channels, rate, bytes per second, block).
    bool Valid() const { return m_valid; }
    bool Pcm() const { return m_formatTag == 1; }
    uint32_t SamplesPerSec() const { return m_samplesPerSec; }
    uint32_t AvgBytesPerSec() const { return m_avgBytesPerSec; }

    // Bytes of the header; the sound data starts at this offset.
    size_t Size() const { return Build(0).size(); }
    // The most data bytes a file can take behind this header.
    uint64_t MaxDataBytes() const { return kMaxFileSize - Size(); }
    // The header for dataBytes of sound (0 while recording).
    std::vector<uint8_t> Build(uint32_t dataBytes) const;

private:
    std::vector<uint8_t> m_format;
    uint16_t m_formatTag = 0;
    uint16_t m_blockAlign = 0;
    uint32_t m_samplesPerSec = 0;
    uint32_t m_avgBytesPerSec = 0;
    bool m_valid = false;
};

} // namespace filters
