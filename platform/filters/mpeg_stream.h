// Reading MPEG-1 and MPEG-2 program streams (pure logic): packs, PES packets and their time
// stamps, the layout of the video and audio streams, the time span of a file and the byte
// offset of the group of pictures to start from for a given time. What the splitter builds on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mpegps {

// Time stamps are 33-bit counts of a 90 kHz clock.
constexpr int64_t kPtsWrap = int64_t(1) << 33;
constexpr int64_t kPtsPerSecond = 90000;

// Random access to the bytes of a file (or what there is of it so far).
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual int64_t Size() = 0;
    // Up to n bytes at offset into out; the count read (0 at or past the end, or on failure).
    virtual size_t ReadAt(int64_t offset, uint8_t* out, size_t n) = 0;
};

// One PES packet of an elementary stream.
struct Packet {
    uint8_t streamId = 0; // 0xE0..0xEF video, 0xC0..0xDF audio, 0xBD private
    int64_t pts = -1;     // -1 when the packet has none
    int64_t dts = -1;
    const uint8_t* data = nullptr; // the payload (valid until the reader moves on)
    size_t size = 0;
    int64_t offset = 0;     // of the packet's start code in the file
    int64_t packOffset = 0; // of the pack header it belongs to
    bool gopStart = false;  // video: the payload opens a sequence header or a group of pictures
};

enum class Unit {
    Packet,   // a PES packet of an elementary stream (*packet filled)
    Skipped,  // a pack header, system header, padding or other unit passed over
    Garbage,  // no valid unit here: the reader searches the next pack header
    NeedMore, // the unit continues past the bytes given
};

// Parses the unit at p[0..n); *consumed is its length (for Packet, Skipped and Garbage).
Unit ParseUnit(const uint8_t* p, size_t n, Packet* packet, size_t* consumed);

// The PES packets of a stream in order from a byte offset, read in blocks. A reader that starts
// inside the stream or meets damaged data resumes at the next pack header; a packet cut off by
// the end of the data is not returned.
class PacketReader {
public:
    PacketReader(ByteSource* source, int64_t start);
    // The next elementary stream packet; false at the end of the data.
    bool Next(Packet* packet);
    // File offset of what the reader has not yet parsed.
    int64_t Position() const { return m_base + static_cast<int64_t>(m_pos); }
    // The data may have grown since Next found its end: the next call reads on from there.
    void Continue() { m_eof = false; }
    bool Damaged() const { return m_damaged; }

private:
    bool Fill();

    ByteSource* m_source;
    std::vector<uint8_t> m_buf;
    size_t m_pos = 0;
    int64_t m_base; // file offset of m_buf[0]
    bool m_eof = false;
    bool m_wantPack; // skipping to the next pack header
    bool m_damaged = false;
    int64_t m_lastPack = 0;
};

struct VideoInfo {
    bool present = false;
    uint8_t streamId = 0;
    bool mpeg2 = false;
    int width = 0, height = 0;
    int rateNum = 25, rateDen = 1;       // pictures per second
    int aspectCode = 0;                  // aspect_ratio_information of the sequence header
    int64_t bitRate = 0;                 // bits per second (0 when unknown)
    std::vector<uint8_t> sequenceHeader; // the sequence header (and extension) bytes
};

struct AudioInfo {
    bool present = false;
    uint8_t streamId = 0;
    int layer = 2; // 1, 2 or 3
    int sampleRate = 0, channels = 0;
    int bitRate = 0; // bits per second
    int samplesPerFrame = 1152;
};

struct Layout {
    bool mpeg2Pack = false; // the packs are MPEG-2 ones
    VideoInfo video;
    AudioInfo audio;
    int64_t firstPts = -1; // earliest time stamp near the start
    int64_t duration = 0;  // in 90 kHz ticks: from firstPts to the end of the last frame
};

// Sequence header fields from a video payload holding 00 00 01 B3 (false when there is none).
bool ParseSequenceHeader(const uint8_t* p, size_t n, VideoInfo* info);
// The header of an MPEG audio frame (4 bytes; false when it is none).
bool ParseAudioHeader(const uint8_t* p, AudioInfo* info);
// Whether the bytes begin like a program stream (a pack header, MPEG-1 or MPEG-2).
bool LooksLikeProgramStream(const uint8_t* p, size_t n);

// Ticks from a to b across a wrap of the 33-bit clock (negative when b is before a, within
// half the clock's range).
int64_t PtsDiff(int64_t a, int64_t b);

// The streams of the file and its time span: the first video and audio streams found within
// the first megabytes, the duration from the last time stamps near the end. False when the data
// is no program stream with an MPEG video or audio stream.
bool ReadLayout(ByteSource* source, Layout* layout);

// The time span of the file as it stands now (a recording still growing, or a file cut off):
// ticks from firstPts to the end of the last frame found in the last megabytes.
int64_t ReadDuration(ByteSource* source, const Layout& layout);

// The offset of the pack that carries the last group of pictures (or sequence header) whose
// time stamp is at or before target ticks after layout.firstPts: the picture decoded from there
// is whole. 0 for targets before the second group or files without video.
int64_t FindSeekOffset(ByteSource* source, const Layout& layout, int64_t target);

} // namespace mpegps
