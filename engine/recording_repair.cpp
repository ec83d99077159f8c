// The repair of unfinished AVI and WAV recordings: the RIFF structure walked as far as it is
// whole, the sizes and lengths the writer would have put in its header at the stop, and for AVI
// an idx1 index of the chunks of the first movie list.
#include "engine/recording_repair.h"

#include <cstring>
#include <vector>

namespace tunaro {

namespace {

constexpr std::uint32_t Fcc(const char (&s)[5]) {
    return std::uint32_t(std::uint8_t(s[0])) | std::uint32_t(std::uint8_t(s[1])) << 8 |
           std::uint32_t(std::uint8_t(s[2])) << 16 | std::uint32_t(std::uint8_t(s[3])) << 24;
}

constexpr std::uint32_t kKeyframeFlag = 0x10; // AVIIF_KEYFRAME
constexpr std::uint32_t kHasIndex = 0x10;     // AVIF_HASINDEX
constexpr std::size_t kIdx1Entry = 16;
constexpr std::size_t kMaxStreams = 100;

std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

void Put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t(v >> (8 * i));
}

std::uint32_t Clamp32(std::uint64_t v) {
    return v > 0xFFFFFFFFu ? 0xFFFFFFFFu : std::uint32_t(v);
}

class Riff {
public:
    explicit Riff(RepairFile& file) : m_file(file), m_size(file.Size()) {}
    std::uint64_t Size() const { return m_size; }
    // The id and size of the chunk at offset; false past the end of the file.
    bool Chunk(std::uint64_t at, std::uint32_t* id, std::uint32_t* size) {
        std::uint8_t head[8];
        if (at + 8 > m_size || !m_file.Read(at, head, 8))
            return false;
        *id = Le32(head);
        *size = Le32(head + 4);
        return true;
    }
    bool U32(std::uint64_t at, std::uint32_t* v) {
        std::uint8_t b[4];
        if (at + 4 > m_size || !m_file.Read(at, b, 4))
            return false;
        *v = Le32(b);
        return true;
    }
    bool Set32(std::uint64_t at, std::uint32_t v) {
        std::uint8_t b[4];
        Put32(b, v);
        return m_file.Write(at, b, 4);
    }
    bool Read(std::uint64_t at, void* data, std::size_t length) {
        return at + length <= m_size && m_file.Read(at, data, length);
    }

private:
    RepairFile& m_file;
    std::uint64_t m_size;
};

// ---- WAV -----------------------------------------------------------------------------------

RecordingRepairReport RepairWave(Riff& riff) {
    RecordingRepairReport report;
    report.result = RecordingRepair::Failed;
    // The chunks up to the data chunk, whose size the writer fills in at the stop.
    std::uint64_t at = 12;
    std::uint32_t id = 0, size = 0;
    while (riff.Chunk(at, &id, &size)) {
        if (id == Fcc("data")) {
            const std::uint64_t data = at + 8;
            const std::uint64_t have = riff.Size() - data;
            std::uint32_t riffSize = 0;
            riff.U32(4, &riffSize);
            if (size != 0 && size <= have && riffSize != 0 && riffSize + 8ull <= riff.Size()) {
                report.result = RecordingRepair::Complete;
                report.keptBytes = riff.Size();
                return report;
            }
            const std::uint32_t bytes = Clamp32(have > 0xFFFFFFFFull - data ? 0xFFFFFFFFull - data : have);
            if (!riff.Set32(at + 4, bytes) || !riff.Set32(4, Clamp32(data + bytes - 8)))
                return report;
            report.result = RecordingRepair::Repaired;
            report.keptBytes = riff.Size();
            return report;
        }
        at += 8 + std::uint64_t(size) + (size & 1);
    }
    return report;
}

// ---- AVI -----------------------------------------------------------------------------------

struct AviStream {
    bool video = false;
    std::uint32_t handler = 0;
    std::uint64_t strh = 0; // offset of the strh data
    std::uint32_t sampleSize = 0;
    std::uint64_t indx = 0; // offset of the super index chunk, 0 when none
    std::uint64_t chunks = 0;
    std::uint64_t bytes = 0;
};

struct AviLayout {
    std::uint64_t avih = 0; // offset of the avih data
    std::uint64_t dmlh = 0; // offset of the dmlh data, 0 when none
    std::uint64_t movi = 0; // offset of the movie list's LIST header
    std::vector<AviStream> streams;
};

bool ReadStreamList(Riff& riff, std::uint64_t from, std::uint64_t end, AviStream* s) {
    std::uint32_t id = 0, size = 0;
    for (std::uint64_t at = from; at + 8 <= end && riff.Chunk(at, &id, &size);
         at += 8 + std::uint64_t(size) + (size & 1)) {
        if (id == Fcc("strh") && size >= 48) {
            std::uint32_t type = 0;
            riff.U32(at + 8, &type);
            riff.U32(at + 12, &s->handler);
            riff.U32(at + 8 + 44, &s->sampleSize);
            s->video = type == Fcc("vids");
            s->strh = at + 8;
        } else if (id == Fcc("indx")) {
            s->indx = at;
        }
    }
    return s->strh != 0;
}

bool ReadHeaderList(Riff& riff, std::uint64_t from, std::uint64_t end, AviLayout* layout) {
    std::uint32_t id = 0, size = 0;
    for (std::uint64_t at = from; at + 8 <= end && riff.Chunk(at, &id, &size);
         at += 8 + std::uint64_t(size) + (size & 1)) {
        if (id == Fcc("avih")) {
            layout->avih = at + 8;
        } else if (id == Fcc("LIST")) {
            std::uint32_t type = 0;
            riff.U32(at + 8, &type);
            if (type == Fcc("strl")) {
                AviStream s;
                if (ReadStreamList(riff, at + 12, at + 8 + size, &s) && layout->streams.size() < kMaxStreams)
                    layout->streams.push_back(s);
            } else if (type == Fcc("odml")) {
                std::uint32_t sub = 0, subSize = 0;
                if (riff.Chunk(at + 12, &sub, &subSize) && sub == Fcc("dmlh"))
                    layout->dmlh = at + 20;
            }
        }
    }
    return layout->avih != 0 && !layout->streams.empty();
}

// The stream number of a movie chunk id ("00dc", "01wb", ...), or -1.
int StreamOfChunk(std::uint32_t id, std::size_t streams) {
    const char c0 = char(id & 0xFF), c1 = char((id >> 8) & 0xFF);
    const char k0 = char((id >> 16) & 0xFF), k1 = char((id >> 24) & 0xFF);
    if (c0 < '0' || c0 > '9' || c1 < '0' || c1 > '9' || k0 < 'a' || k0 > 'z' || k1 < 'a' || k1 > 'z')
        return -1;
    const int n = (c0 - '0') * 10 + (c1 - '0');
    return std::size_t(n) < streams ? n : -1;
}

// Whether a compressed video chunk starts a picture that needs no other: for the MPEG-4 the
// suite records (MP43) the first two bits are the picture type, 0 for intra. Other codecs are
// taken as key frames, so a reader at least starts anywhere.
bool KeyFrame(Riff& riff, const AviStream& s, std::uint64_t data, std::uint32_t size) {
    if (!s.video || size == 0 || s.handler == 0)
        return true;
    if (s.handler != Fcc("MP43") && s.handler != Fcc("mp43") && s.handler != Fcc("DIV3"))
        return true;
    std::uint8_t first = 0;
    return !riff.Read(data, &first, 1) || (first >> 6) == 0;
}

RecordingRepairReport RepairAvi(RepairFile& file, Riff& riff) {
    RecordingRepairReport report;
    report.result = RecordingRepair::Failed;
    AviLayout layout;
    std::uint64_t at = 12;
    std::uint32_t id = 0, size = 0;
    while (layout.movi == 0 && riff.Chunk(at, &id, &size)) {
        if (id == Fcc("LIST")) {
            std::uint32_t type = 0;
            riff.U32(at + 8, &type);
            if (type == Fcc("hdrl") && !ReadHeaderList(riff, at + 12, at + 8 + size, &layout))
                return report;
            if (type == Fcc("movi"))
                layout.movi = at;
        }
        if (layout.movi == 0)
            at += 8 + std::uint64_t(size) + (size & 1);
    }
    if (layout.movi == 0 || layout.avih == 0)
        return report;

    // A finished file: its movie list has its size and the index follows it.
    std::uint32_t moviSize = 0;
    riff.U32(layout.movi + 4, &moviSize);
    const std::uint64_t listedEnd = layout.movi + 8 + moviSize;
    if (moviSize > 4 && riff.Chunk(listedEnd, &id, &size) && (id == Fcc("idx1") || id == Fcc("RIFF"))) {
        report.result = RecordingRepair::Complete;
        report.keptBytes = riff.Size();
        return report;
    }

    // The movie chunks as far as they are whole: each one's index entry, stream and end.
    struct Kept {
        std::uint8_t entry[kIdx1Entry];
        int stream;
        std::uint64_t end;
    };
    std::vector<Kept> kept;
    const std::uint64_t first = layout.movi + 12;
    std::uint64_t end = first;
    while (riff.Chunk(end, &id, &size)) {
        const std::uint64_t next = end + 8 + std::uint64_t(size) + (size & 1);
        const int n = StreamOfChunk(id, layout.streams.size());
        const bool skipped = id == Fcc("JUNK") || (id & 0xFFFF) == (Fcc("ix00") & 0xFFFF);
        if ((n < 0 && !skipped) || next > riff.Size())
            break;
        if (n >= 0) {
            Kept k;
            const bool key = KeyFrame(riff, layout.streams[std::size_t(n)], end + 8, size);
            Put32(k.entry, id);
            Put32(k.entry + 4, key ? kKeyframeFlag : 0);
            Put32(k.entry + 8, std::uint32_t(end - (layout.movi + 8)));
            Put32(k.entry + 12, size);
            k.stream = n;
            k.end = next;
            kept.push_back(k);
        }
        end = next;
    }
    if (end - (layout.movi + 8) > 0xFFFFFFF0ull)
        return report; // a first movie list this long is not one the writers make

    // The index behind the last whole chunk. On a disk too full to take it, the last chunks
    // give way: the file then keeps what fits with its index in the room it already had.
    const std::uint64_t room = riff.Size();
    std::vector<std::uint8_t> idx1;
    auto writeIndex = [&](std::size_t count) {
        end = count == kept.size() ? end : count == 0 ? first : kept[count - 1].end;
        idx1.assign(8, 0);
        Put32(idx1.data(), Fcc("idx1"));
        Put32(idx1.data() + 4, std::uint32_t(count * kIdx1Entry));
        for (std::size_t i = 0; i < count; ++i)
            idx1.insert(idx1.end(), kept[i].entry, kept[i].entry + kIdx1Entry);
        return file.Resize(end) && file.Write(end, idx1.data(), idx1.size());
    };
    std::size_t count = kept.size();
    if (!writeIndex(count)) {
        while (count > 0 && (count == 0 ? first : kept[count - 1].end) + 8 + kIdx1Entry * count > room)
            --count;
        if (!writeIndex(count))
            return report;
    }
    for (std::size_t i = 0; i < count; ++i) {
        AviStream& s = layout.streams[std::size_t(kept[i].stream)];
        ++s.chunks;
        s.bytes += Le32(kept[i].entry + 12);
    }
    report.cutBytes = room - end;
    report.keptBytes = end;
    const std::uint64_t fileEnd = end + idx1.size();
    bool ok = riff.Set32(4, Clamp32(fileEnd - 8)) &&
              riff.Set32(layout.movi + 4, std::uint32_t(end - layout.movi - 8));
    std::uint64_t frames = 0;
    for (const AviStream& s : layout.streams) {
        if (s.video) {
            frames = s.chunks;
            break;
        }
    }
    std::uint32_t flags = 0;
    ok = ok && riff.U32(layout.avih + 12, &flags) && riff.Set32(layout.avih + 12, flags | kHasIndex) &&
         riff.Set32(layout.avih + 16, Clamp32(frames));
    if (layout.dmlh != 0)
        ok = ok && riff.Set32(layout.dmlh, Clamp32(frames));
    for (const AviStream& s : layout.streams) {
        const std::uint64_t length = !s.video && s.sampleSize > 0 ? s.bytes / s.sampleSize : s.chunks;
        ok = ok && riff.Set32(s.strh + 32, Clamp32(length));
        // A super index the writer never filled would send readers to indexes that are not
        // there: it becomes padding, and readers take the idx1 index.
        std::uint32_t used = 0;
        if (s.indx != 0 && riff.U32(s.indx + 12, &used) && used == 0)
            ok = ok && riff.Set32(s.indx, Fcc("JUNK"));
    }
    if (!ok)
        return report;
    report.result = RecordingRepair::Repaired;
    report.videoFrames = frames;
    return report;
}

// ---- ASF (WMV, WMA) ------------------------------------------------------------------------

// Object ids of the ASF header, the file properties and the data, as they lie in the file.
constexpr std::uint8_t kAsfHeader[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                         0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr std::uint8_t kAsfFileProperties[16] = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                                 0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr std::uint8_t kAsfData[16] = {0x36, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                       0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr std::uint64_t kAsfDataHeader = 50;
constexpr std::uint32_t kAsfBroadcast = 0x01;
constexpr std::uint32_t kAsfSeekable = 0x02;

std::uint64_t Le64(const std::uint8_t* p) {
    return std::uint64_t(Le32(p)) | std::uint64_t(Le32(p + 4)) << 32;
}

void Put64(std::uint8_t* p, std::uint64_t v) {
    Put32(p, std::uint32_t(v));
    Put32(p + 4, std::uint32_t(v >> 32));
}

// A field of the packet header whose width a two-bit length type gives (0, 1, 2 or 4 bytes).
std::size_t FieldWidth(unsigned type) {
    return type == 3 ? 4 : type;
}

// The send time and duration (milliseconds) of a data packet; false when it cannot be read.
bool AsfPacketTimes(const std::vector<std::uint8_t>& packet, std::uint32_t* sendMs,
                    std::uint32_t* durationMs) {
    std::size_t at = 0;
    if (packet.empty())
        return false;
    if (packet[0] & 0x80)
        at += 1 + (packet[0] & 0x0F); // error correction data
    if (at + 2 > packet.size())
        return false;
    const std::uint8_t lengthFlags = packet[at];
    at += 2; // and the property flags
    at += FieldWidth((lengthFlags >> 5) & 3) + FieldWidth((lengthFlags >> 1) & 3) +
          FieldWidth((lengthFlags >> 3) & 3);
    if (at + 6 > packet.size())
        return false;
    *sendMs = Le32(packet.data() + at);
    *durationMs = std::uint32_t(packet[at + 4]) | std::uint32_t(packet[at + 5]) << 8;
    return true;
}

RecordingRepairReport RepairAsf(RepairFile& file) {
    RecordingRepairReport report;
    report.result = RecordingRepair::Failed;
    const std::uint64_t fileSize = file.Size();
    std::uint8_t head[30];
    if (!file.Read(0, head, sizeof head))
        return report;
    const std::uint64_t headerSize = Le64(head + 16);
    const std::uint32_t objects = Le32(head + 24);
    if (headerSize < 30 || headerSize + kAsfDataHeader > fileSize)
        return report;
    // The file properties among the header's objects.
    std::uint64_t properties = 0;
    std::uint64_t at = 30;
    for (std::uint32_t n = 0; n < objects && at + 24 <= headerSize; ++n) {
        std::uint8_t object[24];
        if (!file.Read(at, object, sizeof object))
            return report;
        const std::uint64_t size = Le64(object + 16);
        if (std::memcmp(object, kAsfFileProperties, 16) == 0 && size >= 104)
            properties = at;
        if (size < 24)
            return report;
        at += size;
    }
    std::uint8_t props[104];
    std::uint8_t data[kAsfDataHeader];
    if (properties == 0 || !file.Read(properties, props, sizeof props) ||
        !file.Read(headerSize, data, sizeof data) || std::memcmp(data, kAsfData, 16) != 0)
        return report;
    const std::uint32_t packetSize = Le32(props + 92);
    if (packetSize == 0 || packetSize != Le32(props + 96))
        return report; // packets of one size are what the writers make
    const std::uint64_t packetsAt = headerSize + kAsfDataHeader;
    const std::uint64_t packets = (fileSize - packetsAt) / packetSize;
    if (Le64(props + 40) != 0 && Le64(props + 40) <= fileSize && Le64(props + 56) != 0 &&
        Le64(props + 64) != 0) {
        report.result = RecordingRepair::Complete;
        report.keptBytes = fileSize;
        return report;
    }
    if (packets == 0)
        return report;
    // The last whole packet tells how long the recording ran.
    std::vector<std::uint8_t> last(packetSize);
    std::uint32_t sendMs = 0, durationMs = 0;
    if (!file.Read(packetsAt + (packets - 1) * packetSize, last.data(), packetSize) ||
        !AsfPacketTimes(last, &sendMs, &durationMs))
        return report;
    const std::uint64_t end = packetsAt + packets * packetSize;
    report.cutBytes = fileSize - end;
    report.keptBytes = end;
    const std::uint64_t preroll = Le64(props + 80);
    const std::uint64_t sent = (std::uint64_t(sendMs) + durationMs) * 10000;
    Put64(props + 40, end);
    Put64(props + 56, packets);
    Put64(props + 64, sent + preroll * 10000);
    Put64(props + 72, sent);
    Put32(props + 88, (Le32(props + 88) & ~kAsfBroadcast) | kAsfSeekable);
    Put64(data + 16, end - headerSize);
    Put64(data + 40, packets);
    if (!file.Resize(end) || !file.Write(properties, props, sizeof props) ||
        !file.Write(headerSize, data, sizeof data))
        return report;
    report.result = RecordingRepair::Repaired;
    return report;
}

} // namespace

RecordingRepairReport RepairRecording(RepairFile& file) {
    Riff riff(file);
    std::uint8_t head[16];
    if (riff.Read(0, head, sizeof head) && std::memcmp(head, kAsfHeader, 16) == 0)
        return RepairAsf(file);
    if (!riff.Read(0, head, 12) || Le32(head) != Fcc("RIFF"))
        return RecordingRepairReport();
    if (Le32(head + 8) == Fcc("WAVE"))
        return RepairWave(riff);
    if (Le32(head + 8) == Fcc("AVI "))
        return RepairAvi(file, riff);
    return RecordingRepairReport();
}

} // namespace tunaro
