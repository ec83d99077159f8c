// AVI file layout with the OpenDML extension: header with super indexes, movie data in RIFF
// segments, standard index chunks per segment, the legacy idx1 index, and the stretching of
// the other streams to a master stream's length.
#include "platform/filters/avi_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace filters {

namespace {

constexpr uint32_t Fcc(const char (&s)[5]) {
    return static_cast<uint32_t>(static_cast<uint8_t>(s[0])) |
           static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(s[3])) << 24;
}

constexpr uint32_t kAvihSize = 56;
constexpr uint32_t kStrhSize = 56;
constexpr uint32_t kSuperIndexHeader = 24;
constexpr uint32_t kSuperIndexEntry = 16;
constexpr uint32_t kStdIndexHeader = 24;
constexpr uint32_t kStdIndexEntry = 8;
constexpr uint32_t kDmlhSize = 248;
constexpr uint32_t kLegacyEntry = 16;
constexpr uint32_t kKeyframeFlag = 0x10;      // AVIIF_KEYFRAME
constexpr uint32_t kHasIndex = 0x10;          // AVIF_HASINDEX
constexpr uint32_t kIsInterleaved = 0x100;    // AVIF_ISINTERLEAVED
constexpr uint32_t kTrustChunkType = 0x800;   // AVIF_TRUSTCKTYPE
constexpr uint32_t kDeltaFrame = 0x80000000u; // standard index: not a key frame

class Bytes {
public:
    explicit Bytes(std::vector<uint8_t>& out) : m_out(out) {}
    void U8(uint8_t v) { m_out.push_back(v); }
    void U16(uint16_t v) {
        U8(static_cast<uint8_t>(v));
        U8(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v) {
        U16(static_cast<uint16_t>(v));
        U16(static_cast<uint16_t>(v >> 16));
    }
    void U64(uint64_t v) {
        U32(static_cast<uint32_t>(v));
        U32(static_cast<uint32_t>(v >> 32));
    }
    void Raw(const uint8_t* p, size_t n) { m_out.insert(m_out.end(), p, p + n); }
    void Zeros(size_t n) { m_out.insert(m_out.end(), n, 0); }
    size_t Size() const { return m_out.size(); }
    // Patches a 32-bit value written earlier.
    void PatchU32(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            m_out[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }

private:
    std::vector<uint8_t>& m_out;
};

uint32_t Clamp32(uint64_t v) {
    return v > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(v);
}

} // namespace

AviFile::AviFile(Sink sink, uint64_t segmentLimit) : m_sink(std::move(sink)), m_segmentLimit(segmentLimit) {}

int AviFile::AddStream(const AviStreamInfo& info) {
    if (m_begun || m_streams.size() >= 99)
        return -1;
    Stream s;
    s.info = info;
    if (s.info.scale == 0)
        s.info.scale = 1;
    if (s.info.rate == 0)
        s.info.rate = 1;
    m_streams.push_back(std::move(s));
    return static_cast<int>(m_streams.size()) - 1;
}

uint64_t AviFile::Length(int stream) const {
    return stream >= 0 && stream < StreamCount() ? m_streams[stream].length : 0;
}

double AviFile::StreamRate(int stream) const {
    if (stream < 0 || stream >= StreamCount())
        return 0;
    const Stream& s = m_streams[stream];
    uint32_t scale = s.finalScale ? s.finalScale : s.info.scale;
    uint32_t rate = s.finalRate ? s.finalRate : s.info.rate;
    return static_cast<double>(rate) / scale;
}

uint32_t AviFile::ChunkId(int stream) const {
    const char d0 = static_cast<char>('0' + stream / 10), d1 = static_cast<char>('0' + stream % 10);
    const Stream& s = m_streams[stream];
    const char* kind = s.info.video ? (s.info.handler == 0 ? "db" : "dc") : "wb";
    return static_cast<uint32_t>(static_cast<uint8_t>(d0)) |
           static_cast<uint32_t>(static_cast<uint8_t>(d1)) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(kind[0])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(kind[1])) << 24;
}

uint64_t AviFile::UnitsOf(const Stream& s, size_t bytes) const {
    if (s.info.video || s.info.sampleSize == 0)
        return 1;
    return bytes / s.info.sampleSize;
}

bool AviFile::Put(uint64_t offset, const std::vector<uint8_t>& bytes) {
    if (m_failed)
        return false;
    if (!bytes.empty() && !m_sink(offset, bytes.data(), bytes.size())) {
        m_failed = true;
        return false;
    }
    m_fileSize = std::max(m_fileSize, offset + bytes.size());
    return true;
}

void AviFile::ComputeRates() {
    for (Stream& s : m_streams) {
        s.finalScale = s.info.scale;
        s.finalRate = s.info.rate;
    }
    if (m_master < 0 || m_master >= StreamCount())
        return;
    const Stream& m = m_streams[m_master];
    if (m.length == 0)
        return;
    const double seconds = static_cast<double>(m.length) * m.info.scale / m.info.rate;
    if (seconds <= 0)
        return;
    // The other video streams take the master's duration: the frames captured are spread over
    // the time the master stream really lasted. Audio keeps its own rate (changing it would
    // change the pitch).
    for (int i = 0; i < StreamCount(); ++i) {
        Stream& s = m_streams[i];
        if (i == m_master || !s.info.video || s.length == 0)
            continue;
        s.finalScale = 1000;
        s.finalRate = Clamp32(static_cast<uint64_t>(std::llround(s.length * 1000.0 / seconds)));
        if (s.finalRate == 0)
            s.finalRate = 1;
    }
}

std::vector<uint8_t> AviFile::Header() {
    std::vector<uint8_t> out;
    Bytes b(out);
    const uint64_t riffSize = m_firstSegmentEnd > 8 ? m_firstSegmentEnd - 8 : 0;
    b.U32(Fcc("RIFF"));
    b.U32(Clamp32(riffSize));
    b.U32(Fcc("AVI "));
    b.U32(Fcc("LIST"));
    const size_t hdrlSize = b.Size();
    b.U32(0);
    b.U32(Fcc("hdrl"));

    // Main header.
    const Stream* video = nullptr;
    uint32_t maxChunk = 0;
    double bytesPerSec = 0;
    for (const Stream& s : m_streams) {
        if (s.info.video && !video)
            video = &s;
        maxChunk = std::max(maxChunk, s.maxChunk);
        const double rate = static_cast<double>(s.finalRate ? s.finalRate : s.info.rate) /
                            (s.finalScale ? s.finalScale : s.info.scale);
        if (s.length > 0)
            bytesPerSec += static_cast<double>(s.bytes) / s.length * rate;
    }
    b.U32(Fcc("avih"));
    b.U32(kAvihSize);
    uint32_t usPerFrame = 0;
    if (video && video->finalScale) {
        const double rate = static_cast<double>(video->finalRate) / video->finalScale;
        usPerFrame = rate > 0 ? static_cast<uint32_t>(std::llround(1e6 / rate)) : 0;
    }
    b.U32(usPerFrame);
    b.U32(Clamp32(static_cast<uint64_t>(bytesPerSec)));
    b.U32(0); // padding granularity
    b.U32((m_legacyIndex ? kHasIndex : 0) | kIsInterleaved | kTrustChunkType);
    b.U32(Clamp32(video ? video->entries.front().size() : 0)); // frames of the first segment
    b.U32(0);                                                  // initial frames
    b.U32(static_cast<uint32_t>(m_streams.size()));
    b.U32(maxChunk + 8);
    b.U32(video ? video->info.width : 0);
    b.U32(video ? video->info.height : 0);
    b.Zeros(16);

    for (size_t i = 0; i < m_streams.size(); ++i) {
        Stream& s = m_streams[i];
        b.U32(Fcc("LIST"));
        const size_t strlSize = b.Size();
        b.U32(0);
        b.U32(Fcc("strl"));
        b.U32(Fcc("strh"));
        b.U32(kStrhSize);
        b.U32(s.info.video ? Fcc("vids") : Fcc("auds"));
        b.U32(s.info.handler);
        b.U32(0); // flags
        b.U16(0); // priority
        b.U16(0); // language
        b.U32(0); // initial frames
        b.U32(s.finalScale);
        b.U32(s.finalRate);
        b.U32(0); // start
        b.U32(Clamp32(s.length));
        b.U32(s.maxChunk);
        b.U32(0xFFFFFFFFu); // quality: default
        b.U32(s.info.sampleSize);
        b.U16(0);
        b.U16(0);
        b.U16(static_cast<uint16_t>(s.info.width));
        b.U16(static_cast<uint16_t>(s.info.height));
        b.U32(Fcc("strf"));
        b.U32(static_cast<uint32_t>(s.info.format.size()));
        b.Raw(s.info.format.data(), s.info.format.size());
        if (s.info.format.size() & 1)
            b.U8(0);
        // Super index: one entry per segment's standard index.
        s.indxPos = b.Size();
        b.U32(Fcc("indx"));
        b.U32(kSuperIndexHeader + kSuperIndexEntry * kMaxSegments);
        b.U16(4); // longs per entry
        b.U8(0);  // sub type
        b.U8(0);  // AVI_INDEX_OF_INDEXES
        b.U32(static_cast<uint32_t>(s.ixPos.size()));
        b.U32(ChunkId(static_cast<int>(i)));
        b.Zeros(12);
        for (int n = 0; n < kMaxSegments; ++n) {
            if (n < static_cast<int>(s.ixPos.size())) {
                b.U64(s.ixPos[n]);
                b.U32(s.ixSize[n]);
                b.U32(Clamp32(s.ixDuration[n]));
            } else {
                b.Zeros(kSuperIndexEntry);
            }
        }
        b.PatchU32(strlSize, static_cast<uint32_t>(b.Size() - strlSize - 4));
    }

    b.U32(Fcc("LIST"));
    b.U32(4 + 8 + kDmlhSize);
    b.U32(Fcc("odml"));
    b.U32(Fcc("dmlh"));
    b.U32(kDmlhSize);
    b.U32(Clamp32(video ? video->length : 0));
    b.Zeros(kDmlhSize - 4);
    b.PatchU32(hdrlSize, static_cast<uint32_t>(b.Size() - hdrlSize - 4));

    // The movie list of the first segment follows directly.
    const uint64_t moviPos = m_segments.front().moviPos;
    b.U32(Fcc("LIST"));
    b.U32(Clamp32(m_firstMoviEnd > moviPos + 8 ? m_firstMoviEnd - moviPos - 8 : 4));
    b.U32(Fcc("movi"));
    return out;
}

bool AviFile::Begin() {
    if (m_begun)
        return !m_failed;
    m_begun = true;
    for (Stream& s : m_streams) {
        s.finalScale = s.info.scale;
        s.finalRate = s.info.rate;
        s.entries.emplace_back();
    }
    // The header's size depends only on the streams; the first movie list follows it.
    m_segments.push_back(Segment{0, 0, 0});
    m_headerSize = Header().size();
    m_segments[0].moviPos = m_headerSize - 12;
    m_segments[0].end = m_headerSize;
    m_firstMoviEnd = m_headerSize;
    m_firstSegmentEnd = m_headerSize;
    return Put(0, Header());
}

bool AviFile::OpenSegment(uint64_t at) {
    Segment seg;
    seg.riffPos = at;
    seg.moviPos = seg.riffPos + 12;
    seg.end = seg.moviPos + 12;
    std::vector<uint8_t> out;
    Bytes b(out);
    b.U32(Fcc("RIFF"));
    b.U32(0);
    b.U32(Fcc("AVIX"));
    b.U32(Fcc("LIST"));
    b.U32(0);
    b.U32(Fcc("movi"));
    m_segments.push_back(seg);
    for (Stream& s : m_streams)
        s.entries.emplace_back();
    return Put(seg.riffPos, out);
}

// Writes the segment's standard indexes (and for the first one the legacy index) after its
// chunks and fixes its list sizes; returns the position after them in *after. A segment that
// stays open keeps its end: later chunks overwrite what was written here.
bool AviFile::CloseSegment(uint64_t* after) {
    const size_t n = m_segments.size() - 1;
    Segment& seg = m_segments[n];
    uint64_t pos = seg.end;
    for (size_t i = 0; i < m_streams.size(); ++i) {
        Stream& s = m_streams[i];
        const std::vector<IndexEntry>& entries = s.entries[n];
        std::vector<uint8_t> out;
        Bytes b(out);
        const char ixName[5] = {'i', 'x', static_cast<char>('0' + i / 10), static_cast<char>('0' + i % 10),
                                0};
        b.U32(Fcc(ixName));
        b.U32(static_cast<uint32_t>(kStdIndexHeader + kStdIndexEntry * entries.size()));
        b.U16(2); // longs per entry
        b.U8(0);
        b.U8(1); // AVI_INDEX_OF_CHUNKS
        b.U32(static_cast<uint32_t>(entries.size()));
        b.U32(ChunkId(static_cast<int>(i)));
        b.U64(seg.riffPos);
        b.U32(0);
        uint64_t duration = 0;
        for (const IndexEntry& e : entries) {
            b.U32(static_cast<uint32_t>(e.offset - seg.riffPos));
            b.U32(e.size | (e.keyframe ? 0 : kDeltaFrame));
            duration += UnitsOf(s, e.size);
        }
        if (!Put(pos, out))
            return false;
        s.ixPos.resize(n + 1);
        s.ixSize.resize(n + 1);
        s.ixDuration.resize(n + 1);
        s.ixPos[n] = pos;
        s.ixSize[n] = static_cast<uint32_t>(out.size());
        s.ixDuration[n] = duration;
        pos += out.size();
    }
    const uint64_t moviEnd = pos;
    if (n == 0 && m_legacyIndex) {
        std::vector<uint8_t> out;
        Bytes b(out);
        b.U32(Fcc("idx1"));
        b.U32(static_cast<uint32_t>(m_legacy.size() * kLegacyEntry));
        for (const LegacyEntry& e : m_legacy) {
            b.U32(e.fourcc);
            b.U32(e.flags);
            b.U32(e.offset);
            b.U32(e.size);
        }
        if (!Put(pos, out))
            return false;
        pos += out.size();
    }
    if (n == 0) {
        // The first segment's sizes live in the header, written by Finish.
        m_firstMoviEnd = moviEnd;
        m_firstSegmentEnd = pos;
    } else {
        std::vector<uint8_t> out;
        Bytes b(out);
        b.U32(Fcc("RIFF"));
        b.U32(Clamp32(pos - seg.riffPos - 8));
        b.U32(Fcc("AVIX"));
        b.U32(Fcc("LIST"));
        b.U32(Clamp32(moviEnd - seg.moviPos - 8));
        if (!Put(seg.riffPos, out))
            return false;
    }
    *after = pos;
    return true;
}

bool AviFile::WriteChunk(int stream, const uint8_t* data, size_t len, bool keyframe) {
    if (stream < 0 || stream >= StreamCount() || len > 0x7FFFFFF0u || (len && !data))
        return false;
    if (!Begin())
        return false;
    Stream& s = m_streams[stream];
    const uint64_t chunk = 8 + len + (len & 1);
    // Close the segment when this chunk and the indexes would take it past the limit.
    size_t pending = 0;
    for (const Stream& t : m_streams)
        pending += t.entries.back().size();
    const uint64_t indexes =
        m_streams.size() * (8 + kStdIndexHeader) + kStdIndexEntry * (pending + 1) +
        (m_segments.size() == 1 && m_legacyIndex ? 8 + kLegacyEntry * (m_legacy.size() + 1) : 0);
    const Segment& current = m_segments.back();
    if (pending > 0 && current.end + chunk + indexes - current.riffPos > m_segmentLimit) {
        if (static_cast<int>(m_segments.size()) >= kMaxSegments) {
            m_failed = true; // the super indexes are full
            return false;
        }
        uint64_t after = 0;
        if (!CloseSegment(&after) || !OpenSegment(after))
            return false;
    }
    Segment& seg = m_segments.back();
    m_scratch.clear();
    Bytes b(m_scratch);
    b.U32(ChunkId(stream));
    b.U32(static_cast<uint32_t>(len));
    if (len)
        b.Raw(data, len);
    if (len & 1)
        b.U8(0);
    const uint64_t pos = seg.end;
    if (!Put(pos, m_scratch))
        return false;
    seg.end += m_scratch.size();
    const size_t segIndex = m_segments.size() - 1;
    // An empty chunk counts as a key frame: nothing depends on it.
    s.entries[segIndex].push_back(IndexEntry{pos + 8, static_cast<uint32_t>(len), keyframe || len == 0});
    if (segIndex == 0 && m_legacyIndex)
        m_legacy.push_back(LegacyEntry{ChunkId(stream), keyframe || len == 0 ? kKeyframeFlag : 0u,
                                       static_cast<uint32_t>(pos - (m_segments[0].moviPos + 8)),
                                       static_cast<uint32_t>(len)});
    s.length += UnitsOf(s, len);
    s.bytes += len;
    s.maxChunk = std::max(s.maxChunk, static_cast<uint32_t>(len));
    m_dirty = true;
    return true;
}

bool AviFile::Finish() {
    if (!Begin())
        return false;
    ComputeRates();
    uint64_t after = 0;
    if (!CloseSegment(&after))
        return false;
    if (!Put(0, Header()))
        return false;
    m_dirty = false;
    return true;
}

} // namespace filters
