// The layout of an AVI file as the multiplexer writes it: headers, the movie data in RIFF
// segments of at most about 1 GB (AVI, then AVIX: the OpenDML extension, so files of any size
// stay readable), the per-segment standard indexes with their super index, and the legacy
// idx1 index of the first segment. Pure logic: the bytes go to a positional sink.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace filters {

struct AviStreamInfo {
    bool video = true;
    uint32_t handler = 0; // fccHandler (video: the compression four-cc; audio 0)
    uint32_t scale = 1;   // rate / scale = units per second: frames (video) or blocks (audio)
    uint32_t rate = 25;
    uint32_t sampleSize = 0; // audio: bytes per block (0: one chunk is one unit)
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> format; // the 'strf' chunk: BITMAPINFOHEADER or WAVEFORMATEX(+extra)
};

class AviFile {
public:
    // Writes len bytes at offset; false on failure (the file is then abandoned).
    using Sink = std::function<bool(uint64_t offset, const uint8_t* data, size_t len)>;

    static constexpr uint64_t kDefaultSegmentLimit = 1000ull * 1024 * 1024;
    static constexpr int kMaxSegments = 256; // entries reserved in each stream's super index

    // segmentLimit: a segment (RIFF AVI or AVIX) is closed once its size would exceed this.
    explicit AviFile(Sink sink, uint64_t segmentLimit = kDefaultSegmentLimit);

    // Before the first chunk. Returns the stream's number.
    int AddStream(const AviStreamInfo& info);
    int StreamCount() const { return static_cast<int>(m_streams.size()); }
    // The stream whose length the others are stretched to at Finish (-1: none).
    void SetMasterStream(int stream) { m_master = stream; }
    // Whether an idx1 index (for readers without OpenDML) is written for the first segment.
    void SetLegacyIndex(bool on) { m_legacyIndex = on; }

    // Appends one chunk of a stream. An empty chunk marks a frame that was not captured: it
    // keeps the video timing without data. False when the sink failed or too many segments.
    bool WriteChunk(int stream, const uint8_t* data, size_t len, bool keyframe);
    // Writes headers and indexes so that the file on disk is complete. Chunks written later
    // continue the movie data; Finish again completes the longer file.
    bool Finish();

    // Units written so far (frames, or audio blocks).
    uint64_t Length(int stream) const;
    uint64_t FileSize() const { return m_fileSize; }
    int Segments() const { return static_cast<int>(m_segments.size()); }
    bool Failed() const { return m_failed; }
    // True when chunks were written since the last Finish.
    bool Dirty() const { return m_dirty; }
    // The frame rate the header gives a stream after Finish (rate / scale).
    double StreamRate(int stream) const;

private:
    struct IndexEntry {
        uint64_t offset; // of the chunk's data
        uint32_t size;
        bool keyframe;
    };
    struct Stream {
        AviStreamInfo info;
        uint64_t length = 0; // units (frames / blocks)
        uint64_t bytes = 0;
        uint32_t maxChunk = 0;
        uint64_t indxPos = 0; // where the super index lives in the header
        // Per segment: the standard index entries and where its chunk went.
        std::vector<std::vector<IndexEntry>> entries;
        std::vector<uint64_t> ixPos;
        std::vector<uint32_t> ixSize;
        std::vector<uint64_t> ixDuration;
        uint32_t finalScale = 0, finalRate = 0;
    };
    struct Segment {
        uint64_t riffPos;
        uint64_t moviPos; // of the LIST header
        uint64_t end;     // end of its chunks (before indexes)
    };
    struct LegacyEntry {
        uint32_t fourcc, flags, offset, size;
    };

    bool Begin();
    bool OpenSegment(uint64_t at);
    bool CloseSegment(uint64_t* after);
    bool Put(uint64_t offset, const std::vector<uint8_t>& bytes);
    std::vector<uint8_t> Header();
    uint32_t ChunkId(int stream) const;
    uint64_t UnitsOf(const Stream& s, size_t bytes) const;
    void ComputeRates();

    Sink m_sink;
    uint64_t m_segmentLimit;
    std::vector<Stream> m_streams;
    std::vector<Segment> m_segments;
    std::vector<LegacyEntry> m_legacy;
    uint64_t m_headerSize = 0;
    uint64_t m_fileSize = 0;
    int m_master = -1;
    bool m_legacyIndex = true;
    bool m_begun = false;
    bool m_failed = false;
    bool m_dirty = false;
    uint64_t m_firstMoviEnd = 0;
    uint64_t m_firstSegmentEnd = 0;
    std::vector<uint8_t> m_scratch;
};

} // namespace filters
