// RIFF/WAVE header layout of the WAV writer.
#include "platform/filters/wave_file.h"

namespace filters {

namespace {

uint16_t Le16(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}
uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
           static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutTag(std::vector<uint8_t>& out, const char* tag) {
    out.insert(out.end(), tag, tag + 4);
}

} // namespace

WaveHeader::WaveHeader(const std::vector<uint8_t>& format) {
    // WAVEFORMAT: tag, channels, rate, bytes per second, block align; then bits per sample.
    if (format.size() < 14)
        return;
    m_formatTag = Le16(format, 0);
    const uint16_t channels = Le16(format, 2);
    m_samplesPerSec = Le32(format, 4);
    m_avgBytesPerSec = Le32(format, 8);
    m_blockAlign = Le16(format, 12);
    m_valid =
        m_formatTag != 0 && channels > 0 && m_samplesPerSec > 0 && m_avgBytesPerSec > 0 && m_blockAlign > 0;
    if (!m_valid)
        return;
    if (m_formatTag == 1) {
        // PCM: the 16 bytes up to the bits per sample; a missing bits field is derived.
        m_format.assign(format.begin(), format.begin() + 14);
        uint16_t bits =
            format.size() >= 16 ? Le16(format, 14) : static_cast<uint16_t>(8 * m_blockAlign / channels);
        m_format.push_back(static_cast<uint8_t>(bits));
        m_format.push_back(static_cast<uint8_t>(bits >> 8));
        return;
    }
    // Compressed: WAVEFORMATEX with as many extra bytes as its cbSize says (and the block has).
    m_format.assign(format.begin(), format.begin() + (format.size() < 16 ? format.size() : 16));
    m_format.resize(16, 0);
    size_t extra = format.size() >= 18 ? Le16(format, 16) : 0;
    if (extra > 0 && 18 + extra > format.size())
        extra = format.size() - 18; // a block shorter than its cbSize says: what is there
    m_format.push_back(static_cast<uint8_t>(extra));
    m_format.push_back(static_cast<uint8_t>(extra >> 8));
    if (extra)
        m_format.insert(m_format.end(), format.begin() + 18, format.begin() + 18 + static_cast<long>(extra));
}

std::vector<uint8_t> WaveHeader::Build(uint32_t dataBytes) const {
    std::vector<uint8_t> out;
    const bool fact = !Pcm();
    const size_t formatChunk = m_format.size() + (m_format.size() & 1);
    const uint32_t headerBody = static_cast<uint32_t>(4 + 8 + formatChunk + (fact ? 12 : 0) + 8);
    PutTag(out, "RIFF");
    // An odd data size gets a pad byte after it, as RIFF chunks do.
    const uint64_t riff = static_cast<uint64_t>(headerBody) + dataBytes + (dataBytes & 1);
    Put32(out, riff > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(riff));
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    Put32(out, static_cast<uint32_t>(m_format.size()));
    out.insert(out.end(), m_format.begin(), m_format.end());
    if (m_format.size() & 1)
        out.push_back(0);
    if (fact) {
        // Samples per channel the data holds, from the constant byte rate of the stream.
        PutTag(out, "fact");
        Put32(out, 4);
        const uint64_t samples =
            m_avgBytesPerSec ? static_cast<uint64_t>(dataBytes) * m_samplesPerSec / m_avgBytesPerSec : 0;
        Put32(out, samples > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(samples));
    }
    PutTag(out, "data");
    Put32(out, dataBytes);
    return out;
}

} // namespace filters
