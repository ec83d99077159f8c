// Tests of program stream reading on streams built here byte by byte: PES headers of both
// generations, resynchronisation after damage, cut-off ends, the stream layout and duration,
// time stamps across the clock's wrap and the group of pictures a seek starts from.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/filters/mpeg_stream.h"

namespace {

using Bytes = std::vector<uint8_t>;

class Memory : public mpegps::ByteSource {
public:
    explicit Memory(Bytes b) : data(std::move(b)) {}
    int64_t Size() override { return static_cast<int64_t>(data.size()); }
    size_t ReadAt(int64_t offset, uint8_t* out, size_t n) override {
        if (offset >= Size())
            return 0;
        const size_t take = std::min(n, data.size() - static_cast<size_t>(offset));
        memcpy(out, data.data() + offset, take);
        return take;
    }
    Bytes data;
};

void TimeStamp(Bytes* b, int prefix, int64_t t) {
    b->push_back(static_cast<uint8_t>(prefix << 4 | (t >> 29 & 0x0E) | 1));
    b->push_back(static_cast<uint8_t>(t >> 22));
    b->push_back(static_cast<uint8_t>((t >> 14 & 0xFE) | 1));
    b->push_back(static_cast<uint8_t>(t >> 7));
    b->push_back(static_cast<uint8_t>((t << 1 & 0xFE) | 1));
}

void Pack(Bytes* b, bool mpeg2) {
    const uint8_t head[] = {0, 0, 1, 0xBA};
    b->insert(b->end(), head, head + 4);
    if (mpeg2) {
        const uint8_t rest[] = {0x44, 0, 4, 0, 4, 1, 1, 0x89, 0xC3, 0xF8}; // no stuffing
        b->insert(b->end(), rest, rest + sizeof rest);
    } else {
        const uint8_t rest[] = {0x21, 0, 1, 0, 1, 0x80, 0x1B, 0x91};
        b->insert(b->end(), rest, rest + sizeof rest);
    }
}

void Pes(Bytes* b, bool mpeg2, uint8_t id, int64_t pts, const Bytes& payload) {
    Bytes header;
    if (mpeg2) {
        header = {0x81, static_cast<uint8_t>(pts >= 0 ? 0x80 : 0), static_cast<uint8_t>(pts >= 0 ? 5 : 0)};
        if (pts >= 0)
            TimeStamp(&header, 2, pts);
    } else {
        header = {0xFF, 0xFF, 0x40, 0x20}; // stuffing, buffer size
        if (pts >= 0)
            TimeStamp(&header, 2, pts);
        else
            header.push_back(0x0F);
    }
    const size_t len = header.size() + payload.size();
    const uint8_t start[] = {0, 0, 1, id, static_cast<uint8_t>(len >> 8), static_cast<uint8_t>(len)};
    b->insert(b->end(), start, start + 6);
    b->insert(b->end(), header.begin(), header.end());
    b->insert(b->end(), payload.begin(), payload.end());
}

// A sequence header for 720x576 at 25 pictures per second, 4:3, and a group of pictures; with
// the sequence extension of MPEG-2 when mpeg2.
Bytes GopPayload(bool mpeg2, size_t fill) {
    Bytes p = {0, 0, 1, 0xB3, 0x2D, 0x02, 0x40, 0x23, 0x0E, 0xA6, 0x20, 0x00};
    if (mpeg2) {
        const uint8_t ext[] = {0, 0, 1, 0xB5, 0x14, 0x8A, 0x00, 0x01, 0x00, 0x00};
        p.insert(p.end(), ext, ext + sizeof ext);
    }
    const uint8_t gop[] = {0, 0, 1, 0xB8, 0, 8, 0, 0, 0, 0, 1, 0, 0x0F, 0xFF};
    p.insert(p.end(), gop, gop + sizeof gop);
    p.resize(p.size() + fill, 0x55);
    return p;
}

Bytes PicturePayload(size_t fill) {
    Bytes p = {0, 0, 1, 0x00, 0x00, 0x58, 0xFF, 0xF8};
    p.resize(p.size() + fill, 0x33);
    return p;
}

// Layer II, 48 kHz, stereo, 224 kbit/s.
Bytes AudioPayload(size_t fill) {
    Bytes p = {0xFF, 0xFD, 0xB4, 0x04};
    p.resize(p.size() + fill, 0x11);
    return p;
}

// seconds of a stream: per 40 ms one pack with a picture (a group every 12) and, per 24 ms of
// sound, one with audio. Pack offsets of the group starts go to *gops.
Bytes Stream(bool mpeg2, int64_t first, int seconds, std::vector<int64_t>* gops = nullptr,
             bool audio = true) {
    Bytes b;
    const int pictures = seconds * 25;
    int64_t audioPts = first;
    for (int n = 0; n < pictures; ++n) {
        const int64_t pts = (first + n * 3600) % mpegps::kPtsWrap;
        const bool gop = n % 12 == 0;
        if (gop && gops)
            gops->push_back(static_cast<int64_t>(b.size()));
        Pack(&b, mpeg2);
        Pes(&b, mpeg2, 0xE0, pts, gop ? GopPayload(mpeg2, 1500) : PicturePayload(1500));
        while (audioPts < first + (n + 1) * 3600) {
            if (audio) {
                Pack(&b, mpeg2);
                Pes(&b, mpeg2, 0xC0, audioPts % mpegps::kPtsWrap, AudioPayload(600));
            }
            audioPts += 2160;
        }
    }
    return b;
}

TEST(ProgramStream, PacketsOfBothGenerationsWithTimeStampsAndPayloads) {
    for (bool mpeg2 : {true, false}) {
        SCOPED_TRACE(mpeg2 ? "MPEG-2" : "MPEG-1");
        Bytes b;
        Pack(&b, mpeg2);
        const uint8_t system[] = {0, 0, 1, 0xBB, 0, 3, 1, 2, 3};
        b.insert(b.end(), system, system + sizeof system);
        Pes(&b, mpeg2, 0xE0, 123456789, GopPayload(mpeg2, 10));
        Pes(&b, mpeg2, 0xE0, -1, PicturePayload(10));
        const uint8_t padding[] = {0, 0, 1, 0xBE, 0, 2, 0xFF, 0xFF};
        b.insert(b.end(), padding, padding + sizeof padding);
        Pes(&b, mpeg2, 0xC0, 5, AudioPayload(4));
        Memory m(b);
        mpegps::PacketReader r(&m, 0);
        mpegps::Packet p;
        ASSERT_TRUE(r.Next(&p));
        EXPECT_EQ(p.streamId, 0xE0);
        EXPECT_EQ(p.pts, 123456789);
        EXPECT_TRUE(p.gopStart);
        EXPECT_EQ(p.size, GopPayload(mpeg2, 10).size());
        EXPECT_EQ(0, memcmp(p.data, GopPayload(mpeg2, 10).data(), p.size));
        ASSERT_TRUE(r.Next(&p));
        EXPECT_EQ(p.pts, -1);
        EXPECT_FALSE(p.gopStart);
        EXPECT_EQ(p.size, PicturePayload(10).size());
        ASSERT_TRUE(r.Next(&p));
        EXPECT_EQ(p.streamId, 0xC0);
        EXPECT_EQ(p.pts, 5);
        EXPECT_EQ(p.packOffset, 0);
        EXPECT_FALSE(r.Next(&p));
        EXPECT_FALSE(r.Damaged());
    }
}

TEST(ProgramStream, DamageIsSkippedToTheNextPackAndACutOffPacketIsNotReturned) {
    Bytes b;
    Pack(&b, true);
    Pes(&b, true, 0xE0, 1000, PicturePayload(100));
    // A packet whose header is garbage, then stray bytes holding a false start code.
    const uint8_t junk[] = {0, 0, 1, 0xE0, 0, 4, 0x00, 0x00, 0x00, 0x00, 0, 0, 1, 0xC0, 9, 9, 9};
    b.insert(b.end(), junk, junk + sizeof junk);
    Pack(&b, true);
    Pes(&b, true, 0xC0, 2000, AudioPayload(100));
    Pack(&b, true);
    Pes(&b, true, 0xE0, 3000, PicturePayload(5000));
    b.resize(b.size() - 2000); // the file ends inside the last packet
    Memory m(b);
    mpegps::PacketReader r(&m, 0);
    mpegps::Packet p;
    ASSERT_TRUE(r.Next(&p));
    EXPECT_EQ(p.pts, 1000);
    ASSERT_TRUE(r.Next(&p));
    EXPECT_EQ(p.streamId, 0xC0);
    EXPECT_EQ(p.pts, 2000);
    EXPECT_FALSE(r.Next(&p));
    EXPECT_TRUE(r.Damaged());
}

TEST(ProgramStream, AReaderFollowsAFileThatGrowsInsideAPacket) {
    Bytes whole;
    Pack(&whole, true);
    Pes(&whole, true, 0xE0, 1000, PicturePayload(100));
    Pack(&whole, true);
    Pes(&whole, true, 0xE0, 3000, PicturePayload(5000));
    Pack(&whole, true);
    Pes(&whole, true, 0xC0, 4000, AudioPayload(100));
    Memory m(Bytes(whole.begin(), whole.end() - 3000)); // the writer is inside the second picture
    mpegps::PacketReader r(&m, 0);
    mpegps::Packet p;
    ASSERT_TRUE(r.Next(&p));
    EXPECT_EQ(p.pts, 1000);
    EXPECT_FALSE(r.Next(&p)) << "a packet cut off by the end so far";
    m.data = whole;
    EXPECT_FALSE(r.Next(&p)) << "the end stays the end until the reader is told to go on";
    r.Continue();
    ASSERT_TRUE(r.Next(&p));
    EXPECT_EQ(p.pts, 3000);
    EXPECT_EQ(p.size, PicturePayload(5000).size());
    ASSERT_TRUE(r.Next(&p));
    EXPECT_EQ(p.streamId, 0xC0);
    EXPECT_FALSE(r.Damaged());
}

TEST(ProgramStream, LayoutAndDurationOfBothGenerations) {
    for (bool mpeg2 : {true, false}) {
        SCOPED_TRACE(mpeg2 ? "MPEG-2" : "MPEG-1");
        Memory m(Stream(mpeg2, 45000, 6));
        mpegps::Layout l;
        ASSERT_TRUE(mpegps::ReadLayout(&m, &l));
        EXPECT_EQ(l.mpeg2Pack, mpeg2);
        ASSERT_TRUE(l.video.present);
        EXPECT_EQ(l.video.mpeg2, mpeg2);
        EXPECT_EQ(l.video.width, 720);
        EXPECT_EQ(l.video.height, 576);
        EXPECT_EQ(l.video.rateNum, 25);
        EXPECT_EQ(l.video.rateDen, 1);
        EXPECT_EQ(l.video.aspectCode, 2);
        EXPECT_EQ(l.video.sequenceHeader.size(), mpeg2 ? 22u : 12u);
        ASSERT_TRUE(l.audio.present);
        EXPECT_EQ(l.audio.layer, 2);
        EXPECT_EQ(l.audio.sampleRate, 48000);
        EXPECT_EQ(l.audio.channels, 2);
        EXPECT_EQ(l.audio.bitRate, 224000);
        EXPECT_EQ(l.firstPts, 45000);
        // 150 pictures of 3600 ticks; the last audio frame ends within the last picture.
        EXPECT_EQ(l.duration, 150 * 3600);
    }
}

TEST(ProgramStream, TimeStampsAcrossTheClockWrap) {
    const int64_t first = mpegps::kPtsWrap - 2 * 90000; // wraps two seconds in
    Memory m(Stream(true, first, 5));
    mpegps::Layout l;
    ASSERT_TRUE(mpegps::ReadLayout(&m, &l));
    EXPECT_EQ(l.firstPts, first);
    // The last of 209 audio frames ends after the last of 125 pictures.
    EXPECT_EQ(l.duration, 209 * 2160);
    EXPECT_EQ(mpegps::PtsDiff(mpegps::kPtsWrap - 10, 5), 15);
    EXPECT_EQ(mpegps::PtsDiff(5, mpegps::kPtsWrap - 10), -15);
}

TEST(ProgramStream, NotAProgramStream) {
    mpegps::Layout l;
    Memory riff(Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' ', 0, 0, 0, 0});
    EXPECT_FALSE(mpegps::ReadLayout(&riff, &l));
    Memory empty(Bytes{});
    EXPECT_FALSE(mpegps::ReadLayout(&empty, &l));
    // Packs with nothing but padding.
    Bytes b;
    for (int i = 0; i < 10; ++i) {
        Pack(&b, true);
        const uint8_t padding[] = {0, 0, 1, 0xBE, 0, 2, 0xFF, 0xFF};
        b.insert(b.end(), padding, padding + sizeof padding);
    }
    Memory padded(b);
    EXPECT_FALSE(mpegps::ReadLayout(&padded, &l));
}

TEST(ProgramStream, SeekLandsOnTheLastGroupAtOrBeforeTheTarget) {
    std::vector<int64_t> gops;
    Memory m(Stream(true, 90000, 40, &gops)); // about 3 MB: the bisection works
    ASSERT_GT(m.Size(), 2 * 1024 * 1024);
    mpegps::Layout l;
    ASSERT_TRUE(mpegps::ReadLayout(&m, &l));
    // Groups start every 12 pictures (0.48 s).
    for (double seconds : {0.0, 0.3, 0.48, 5.0, 17.3, 39.9}) {
        SCOPED_TRACE(seconds);
        const int64_t target = static_cast<int64_t>(seconds * 90000);
        const size_t group = static_cast<size_t>(target / (12 * 3600));
        EXPECT_EQ(mpegps::FindSeekOffset(&m, l, target), gops[group]);
    }
    // Past the end: the last group.
    EXPECT_EQ(mpegps::FindSeekOffset(&m, l, 100 * 90000), gops.back());
}

TEST(ProgramStream, SeekWithoutVideoUsesTheSound) {
    Bytes b;
    std::vector<int64_t> offsets;
    for (int n = 0; n < 200; ++n) {
        offsets.push_back(static_cast<int64_t>(b.size()));
        Pack(&b, false);
        Pes(&b, false, 0xC0, 2160 * n, AudioPayload(600));
    }
    Memory m(b);
    mpegps::Layout l;
    ASSERT_TRUE(mpegps::ReadLayout(&m, &l));
    EXPECT_FALSE(l.video.present);
    EXPECT_EQ(l.duration, 200 * 2160);
    EXPECT_EQ(mpegps::FindSeekOffset(&m, l, 2160 * 77 + 100), offsets[77]);
}

TEST(ProgramStream, AudioHeaders) {
    mpegps::AudioInfo a;
    const uint8_t layer1[] = {0xFF, 0xFF, 0x10, 0xC0}; // MPEG-1 Layer I, 32 kbit/s, 44.1 kHz, mono
    ASSERT_TRUE(mpegps::ParseAudioHeader(layer1, &a));
    EXPECT_EQ(a.layer, 1);
    EXPECT_EQ(a.sampleRate, 44100);
    EXPECT_EQ(a.channels, 1);
    EXPECT_EQ(a.bitRate, 32000);
    EXPECT_EQ(a.samplesPerFrame, 384);
    const uint8_t mpeg2Half[] = {0xFF, 0xF5, 0x84, 0x00}; // MPEG-2 Layer II at 24 kHz
    ASSERT_TRUE(mpegps::ParseAudioHeader(mpeg2Half, &a));
    EXPECT_EQ(a.sampleRate, 24000);
    EXPECT_EQ(a.bitRate, 64000);
    const uint8_t badRate[] = {0xFF, 0xFD, 0xBC, 0x00};
    EXPECT_FALSE(mpegps::ParseAudioHeader(badRate, &a));
    const uint8_t freeFormat[] = {0xFF, 0xFD, 0x04, 0x00};
    EXPECT_FALSE(mpegps::ParseAudioHeader(freeFormat, &a));
}

} // namespace
