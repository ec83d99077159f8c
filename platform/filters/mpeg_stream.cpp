// Program stream reading: unit parsing, the packet reader with resynchronisation, the stream
// layout and the seek search. See mpeg_stream.h.
#include "platform/filters/mpeg_stream.h"

#include <algorithm>
#include <cstring>

namespace mpegps {

namespace {

constexpr size_t kBlock = 64 * 1024;
// How far into the file the streams are looked for, and how much of its end holds the last
// time stamps.
constexpr int64_t kLayoutSpan = 4 * 1024 * 1024;
constexpr int64_t kTailSpan = 1024 * 1024;

bool StartCode(const uint8_t* p) {
    return p[0] == 0 && p[1] == 0 && p[2] == 1;
}

// A 33-bit time stamp from its 5-byte field (false when a marker bit is missing).
bool ReadTimeStamp(const uint8_t* p, int64_t* out) {
    if (!(p[0] & 1) || !(p[2] & 1) || !(p[4] & 1))
        return false;
    *out = (int64_t(p[0] >> 1 & 7) << 30) | (int64_t(p[1]) << 22) | (int64_t(p[2] >> 1) << 15) |
           (int64_t(p[3]) << 7) | int64_t(p[4] >> 1);
    return true;
}

bool IsVideo(uint8_t id) {
    return id >= 0xE0 && id <= 0xEF;
}
bool IsAudio(uint8_t id) {
    return id >= 0xC0 && id <= 0xDF;
}

bool HasGopStart(const uint8_t* p, size_t n) {
    for (size_t i = 0; i + 3 < n; ++i)
        if (StartCode(p + i) && (p[i + 3] == 0xB3 || p[i + 3] == 0xB8))
            return true;
    return false;
}

// The PES header of an elementary stream packet p[0..len): payload and time stamps.
bool ParsePesHeader(const uint8_t* p, size_t len, Packet* packet) {
    size_t i = 6;
    if (len < 9)
        return false;
    if ((p[i] & 0xC0) == 0x80) { // MPEG-2
        const uint8_t flags = p[i + 1];
        const size_t headerLength = p[i + 2];
        const size_t payload = i + 3 + headerLength;
        if (payload > len)
            return false;
        if ((flags & 0x80) && headerLength >= 5 && !ReadTimeStamp(p + i + 3, &packet->pts))
            packet->pts = -1;
        if ((flags & 0xC0) == 0xC0 && headerLength >= 10 && !ReadTimeStamp(p + i + 8, &packet->dts))
            packet->dts = -1;
        i = payload;
    } else { // MPEG-1
        int stuffing = 0;
        while (i < len && p[i] == 0xFF && stuffing++ < 16)
            ++i;
        if (i < len && (p[i] & 0xC0) == 0x40) // buffer scale and size
            i += 2;
        if (i >= len)
            return false;
        if ((p[i] & 0xF0) == 0x20) {
            if (i + 5 > len)
                return false;
            if (!ReadTimeStamp(p + i, &packet->pts))
                packet->pts = -1;
            i += 5;
        } else if ((p[i] & 0xF0) == 0x30) {
            if (i + 10 > len)
                return false;
            if (!ReadTimeStamp(p + i, &packet->pts))
                packet->pts = -1;
            if (!ReadTimeStamp(p + i + 5, &packet->dts))
                packet->dts = -1;
            i += 10;
        } else if (p[i] == 0x0F) {
            i += 1;
        } else {
            return false;
        }
    }
    packet->data = p + i;
    packet->size = len - i;
    return true;
}

} // namespace

Unit ParseUnit(const uint8_t* p, size_t n, Packet* packet, size_t* consumed) {
    *consumed = 0;
    if (n < 4)
        return Unit::NeedMore;
    if (!StartCode(p)) {
        *consumed = 1;
        return Unit::Garbage;
    }
    const uint8_t code = p[3];
    if (code == 0xB9) { // end of the program
        *consumed = 4;
        return Unit::Skipped;
    }
    if (code == 0xBA) {
        if (n < 5)
            return Unit::NeedMore;
        if ((p[4] & 0xC0) == 0x40) {
            if (n < 14)
                return Unit::NeedMore;
            *consumed = 14 + (p[13] & 7);
            return Unit::Skipped;
        }
        if ((p[4] & 0xF0) == 0x20) {
            *consumed = 12;
            return Unit::Skipped;
        }
        *consumed = 4;
        return Unit::Garbage;
    }
    if (code < 0xBB) {
        *consumed = 4;
        return Unit::Garbage;
    }
    if (n < 6)
        return Unit::NeedMore;
    const size_t len = 6 + (size_t(p[4]) << 8 | p[5]);
    if (n < len)
        return Unit::NeedMore;
    *consumed = len;
    if (!IsVideo(code) && !IsAudio(code) && code != 0xBD)
        return Unit::Skipped; // system header, stream map, padding, private stream 2, ...
    Packet found;
    found.streamId = code;
    if (!ParsePesHeader(p, len, &found)) {
        *consumed = 4;
        return Unit::Garbage;
    }
    found.gopStart = IsVideo(code) && HasGopStart(found.data, found.size);
    *packet = found;
    return Unit::Packet;
}

PacketReader::PacketReader(ByteSource* source, int64_t start)
    : m_source(source), m_base(start), m_wantPack(start != 0), m_lastPack(start) {}

bool PacketReader::Fill() {
    if (m_eof)
        return false;
    if (m_pos > 0) {
        m_buf.erase(m_buf.begin(), m_buf.begin() + static_cast<std::ptrdiff_t>(m_pos));
        m_base += static_cast<int64_t>(m_pos);
        m_pos = 0;
    }
    const size_t had = m_buf.size();
    m_buf.resize(had + kBlock);
    const size_t got = m_source->ReadAt(m_base + static_cast<int64_t>(had), m_buf.data() + had, kBlock);
    m_buf.resize(had + got);
    if (got == 0)
        m_eof = true;
    return got > 0;
}

bool PacketReader::Next(Packet* packet) {
    for (;;) {
        const size_t avail = m_buf.size() - m_pos;
        const uint8_t* p = m_buf.data() + m_pos;
        if (m_wantPack) {
            size_t i = 0;
            while (i + 4 <= avail && !(StartCode(p + i) && p[i + 3] == 0xBA))
                ++i;
            if (i + 4 > avail) {
                m_pos += avail >= 3 ? avail - 3 : 0;
                if (!Fill())
                    return false;
                continue;
            }
            m_pos += i;
            m_wantPack = false;
            continue;
        }
        size_t used = 0;
        Packet found;
        const Unit unit = ParseUnit(p, avail, &found, &used);
        if (unit == Unit::NeedMore) {
            if (!Fill())
                return false; // what is left is cut off
            continue;
        }
        if (unit == Unit::Garbage) {
            m_damaged = true;
            m_wantPack = true;
            m_pos += used;
            continue;
        }
        if (p[3] == 0xBA)
            m_lastPack = Position();
        m_pos += used;
        if (unit == Unit::Packet) {
            found.offset = Position() - static_cast<int64_t>(used);
            found.packOffset = m_lastPack;
            *packet = found;
            return true;
        }
    }
}

bool ParseSequenceHeader(const uint8_t* p, size_t n, VideoInfo* info) {
    static const int kRates[][2] = {{0, 1},  {24000, 1001}, {24, 1},       {25, 1}, {30000, 1001},
                                    {30, 1}, {50, 1},       {60000, 1001}, {60, 1}};
    for (size_t i = 0; i + 12 <= n; ++i) {
        if (!StartCode(p + i) || p[i + 3] != 0xB3)
            continue;
        const uint8_t* s = p + i + 4;
        const int width = s[0] << 4 | s[1] >> 4;
        const int height = (s[1] & 0x0F) << 8 | s[2];
        const int rate = s[3] & 0x0F;
        if (width == 0 || height == 0 || rate == 0 || rate > 8)
            return false;
        info->width = width;
        info->height = height;
        info->aspectCode = s[3] >> 4;
        info->rateNum = kRates[rate][0];
        info->rateDen = kRates[rate][1];
        const int64_t units = int64_t(s[4]) << 10 | int64_t(s[5]) << 2 | s[6] >> 6;
        info->bitRate = units == 0x3FFFF ? 0 : units * 400;
        // The header runs to the next start code other than an extension; a sequence
        // extension marks MPEG-2.
        info->mpeg2 = false;
        size_t end = i + 12;
        while (end + 4 <= n) {
            if (StartCode(p + end)) {
                if (p[end + 3] != 0xB5)
                    break;
                if (end + 4 < n && (p[end + 4] >> 4) == 1)
                    info->mpeg2 = true;
            }
            ++end;
        }
        if (end + 4 > n)
            end = n;
        info->sequenceHeader.assign(p + i, p + end);
        return true;
    }
    return false;
}

bool ParseAudioHeader(const uint8_t* p, AudioInfo* info) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return false;
    const int version = p[1] >> 3 & 3; // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    const int layerBits = p[1] >> 1 & 3;
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = p[2] >> 2 & 3;
    if (version == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return false;
    static const int kRates[3] = {44100, 48000, 32000};
    static const int kKbps[2][3][15] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
    info->layer = 4 - layerBits;
    const bool mpeg1 = version == 3;
    info->sampleRate = kRates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    info->channels = (p[3] >> 6) == 3 ? 1 : 2;
    info->bitRate = kKbps[mpeg1 ? 0 : 1][info->layer - 1][bitrateIndex] * 1000;
    info->samplesPerFrame = info->layer == 1 ? 384 : (info->layer == 3 && !mpeg1) ? 576 : 1152;
    return true;
}

bool LooksLikeProgramStream(const uint8_t* p, size_t n) {
    return n >= 5 && StartCode(p) && p[3] == 0xBA && ((p[4] & 0xC0) == 0x40 || (p[4] & 0xF0) == 0x20);
}

int64_t PtsDiff(int64_t a, int64_t b) {
    int64_t d = (b - a) % kPtsWrap;
    if (d < 0)
        d += kPtsWrap;
    return d >= kPtsWrap / 2 ? d - kPtsWrap : d;
}

namespace {

// Ticks one frame of a stream lasts.
int64_t FrameTicks(const Layout& layout, uint8_t streamId) {
    if (layout.video.present && streamId == layout.video.streamId && layout.video.rateNum > 0)
        return kPtsPerSecond * layout.video.rateDen / layout.video.rateNum;
    if (layout.audio.present && streamId == layout.audio.streamId && layout.audio.sampleRate > 0)
        return kPtsPerSecond * layout.audio.samplesPerFrame / layout.audio.sampleRate;
    return 0;
}

bool Wanted(const Layout& layout, uint8_t id) {
    return (layout.video.present && id == layout.video.streamId) ||
           (layout.audio.present && id == layout.audio.streamId);
}

} // namespace

bool ReadLayout(ByteSource* source, Layout* layout) {
    *layout = Layout();
    uint8_t head[16] = {};
    if (source->ReadAt(0, head, sizeof head) < 5 || !LooksLikeProgramStream(head, sizeof head))
        return false;
    layout->mpeg2Pack = (head[4] & 0xC0) == 0x40;
    PacketReader reader(source, 0);
    Packet packet;
    bool videoSeen = false, audioSeen = false;
    while (reader.Position() < kLayoutSpan && reader.Next(&packet)) {
        if (IsVideo(packet.streamId) && !layout->video.present) {
            if (!videoSeen) {
                videoSeen = true;
                layout->video.streamId = packet.streamId;
            }
            if (packet.streamId == layout->video.streamId &&
                ParseSequenceHeader(packet.data, packet.size, &layout->video))
                layout->video.present = true;
        } else if (IsAudio(packet.streamId) && !layout->audio.present) {
            if (!audioSeen) {
                audioSeen = true;
                layout->audio.streamId = packet.streamId;
            }
            if (packet.streamId == layout->audio.streamId)
                for (size_t i = 0; i + 4 <= packet.size; ++i)
                    if (ParseAudioHeader(packet.data + i, &layout->audio)) {
                        layout->audio.present = true;
                        break;
                    }
        }
        if (packet.pts >= 0 && Wanted(*layout, packet.streamId) &&
            (layout->firstPts < 0 || PtsDiff(layout->firstPts, packet.pts) < 0))
            layout->firstPts = packet.pts;
        // Both streams described, or the one there is well past its start.
        if (layout->video.present && layout->audio.present && layout->firstPts >= 0)
            break;
        if ((layout->video.present || layout->audio.present) && reader.Position() > kLayoutSpan / 2)
            break;
    }
    if (!layout->video.present && !layout->audio.present)
        return false;
    if (layout->firstPts < 0)
        layout->firstPts = 0;
    layout->duration = ReadDuration(source, *layout);
    return true;
}

int64_t ReadDuration(ByteSource* source, const Layout& layout) {
    const int64_t size = source->Size();
    int64_t last = 0;
    bool found = false;
    // The tail, and further back while it holds no time stamp (damage at the end).
    for (int64_t span = kTailSpan; !found; span *= 4) {
        const int64_t start = std::max<int64_t>(0, size - span);
        PacketReader reader(source, start);
        Packet packet;
        while (reader.Next(&packet)) {
            if (packet.pts < 0 || !Wanted(layout, packet.streamId))
                continue;
            const int64_t end = PtsDiff(layout.firstPts, packet.pts) + FrameTicks(layout, packet.streamId);
            // A time stamp far outside the file's span is damage, not its end.
            if (end < 0 || end > 48 * 3600 * kPtsPerSecond)
                continue;
            if (!found || end > last)
                last = end;
            found = true;
        }
        if (start == 0)
            break;
    }
    return last;
}

int64_t FindSeekOffset(ByteSource* source, const Layout& layout, int64_t target) {
    if (target <= 0)
        return 0;
    const bool byVideo = layout.video.present;
    const uint8_t keyStream = byVideo ? layout.video.streamId : layout.audio.streamId;
    auto isKey = [&](const Packet& p) {
        return p.streamId == keyStream && p.pts >= 0 && (!byVideo || p.gopStart);
    };
    // Bisection on the time stamps of the key stream: lo ends before the target, hi after it.
    int64_t lo = 0, hi = source->Size();
    while (hi - lo > 256 * 1024) {
        const int64_t mid = lo + (hi - lo) / 2;
        PacketReader reader(source, mid);
        Packet packet;
        int64_t when = -1;
        while (reader.Position() < mid + 2 * 1024 * 1024 && reader.Next(&packet))
            if (packet.streamId == keyStream && packet.pts >= 0) {
                when = PtsDiff(layout.firstPts, packet.pts);
                break;
            }
        if (when >= 0 && when <= target)
            lo = mid;
        else
            hi = mid;
    }
    // The last key packet at or before the target, from a window before lo that widens until
    // one is found.
    for (int64_t window = 1024 * 1024;; window *= 2) {
        const int64_t start = std::max<int64_t>(0, lo - window);
        PacketReader reader(source, start);
        Packet packet;
        int64_t best = -1;
        while (reader.Next(&packet)) {
            if (packet.streamId != keyStream || packet.pts < 0)
                continue;
            const int64_t when = PtsDiff(layout.firstPts, packet.pts);
            if (when > target && packet.offset > lo)
                break;
            if (isKey(packet) && when <= target)
                best = packet.packOffset;
        }
        if (best >= 0)
            return best;
        if (start == 0)
            return 0;
    }
}

} // namespace mpegps
