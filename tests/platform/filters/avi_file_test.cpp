// The AVI layout the multiplexer writes, read back byte by byte: RIFF segments that chain to
// the end of the file, super indexes whose standard indexes point at every chunk, the legacy
// index of the first segment, totals in the headers, and the master stream's stretching.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/filters/avi_file.h"

using filters::AviFile;
using filters::AviStreamInfo;

namespace {

uint32_t U32(const std::vector<uint8_t>& f, uint64_t at) {
    uint32_t v = 0;
    memcpy(&v, f.data() + at, 4);
    return v;
}
uint64_t U64(const std::vector<uint8_t>& f, uint64_t at) {
    uint64_t v = 0;
    memcpy(&v, f.data() + at, 8);
    return v;
}
std::string Fcc(const std::vector<uint8_t>& f, uint64_t at) {
    return std::string(reinterpret_cast<const char*>(f.data() + at), 4);
}

// A file in memory, written through the positional sink.
struct MemoryFile {
    std::vector<uint8_t> bytes;
    bool fail = false;
    AviFile::Sink Sink() {
        return [this](uint64_t offset, const uint8_t* data, size_t len) {
            if (fail)
                return false;
            if (bytes.size() < offset + len)
                bytes.resize(offset + len);
            memcpy(bytes.data() + offset, data, len);
            return true;
        };
    }
};

AviStreamInfo Video(uint32_t width, uint32_t height) {
    AviStreamInfo s;
    s.video = true;
    s.handler = 0x32595559; // YUY2
    s.scale = 1;
    s.rate = 25;
    s.width = width;
    s.height = height;
    s.format.assign(40, 0);
    return s;
}

AviStreamInfo Audio() {
    AviStreamInfo s;
    s.video = false;
    s.scale = 4;
    s.rate = 4 * 48000;
    s.sampleSize = 4;
    s.format.assign(16, 0);
    return s;
}

// What the structure says, collected by walking it.
struct Parsed {
    std::vector<uint64_t> riffs; // positions of the RIFF headers
    uint32_t avihTotalFrames = 0, dmlhTotalFrames = 0;
    std::map<int, uint32_t> strhLength, strhRate, strhScale;
    std::map<int, std::vector<uint64_t>> superEntries; // per stream: positions of its ix chunks
    std::map<int, uint64_t> indexedChunks;             // per stream: chunks reached through the indexes
    uint64_t legacyEntries = 0;
    bool legacyOk = true;
    bool indexesOk = true;
};

Parsed Parse(const std::vector<uint8_t>& f) {
    Parsed p;
    for (uint64_t pos = 0; pos + 12 <= f.size();) {
        EXPECT_EQ(Fcc(f, pos), "RIFF") << "at " << pos;
        if (Fcc(f, pos) != "RIFF")
            break;
        p.riffs.push_back(pos);
        pos += 8 + U32(f, pos + 4);
    }
    // Header lists of the first segment.
    uint64_t at = 12;
    EXPECT_EQ(Fcc(f, at + 8), "hdrl");
    const uint64_t hdrlEnd = at + 8 + U32(f, at + 4);
    p.avihTotalFrames = U32(f, at + 12 + 8 + 16);
    int stream = 0;
    uint64_t moviData = 0;
    for (uint64_t c = at + 12; c < hdrlEnd;) {
        const std::string id = Fcc(f, c);
        const uint32_t size = U32(f, c + 4);
        if (id == "LIST" && Fcc(f, c + 8) == "strl") {
            for (uint64_t s = c + 12; s < c + 8 + size;) {
                const std::string sid = Fcc(f, s);
                const uint32_t ssize = U32(f, s + 4);
                if (sid == "strh") {
                    p.strhScale[stream] = U32(f, s + 8 + 20);
                    p.strhRate[stream] = U32(f, s + 8 + 24);
                    p.strhLength[stream] = U32(f, s + 8 + 32);
                } else if (sid == "indx") {
                    const uint32_t used = U32(f, s + 8 + 4);
                    for (uint32_t e = 0; e < used; ++e)
                        p.superEntries[stream].push_back(U64(f, s + 8 + 24 + e * 16));
                }
                s += 8 + ssize + (ssize & 1);
            }
            ++stream;
        } else if (id == "LIST" && Fcc(f, c + 8) == "odml") {
            p.dmlhTotalFrames = U32(f, c + 12 + 8);
        }
        c += 8 + size + (size & 1);
    }
    EXPECT_EQ(Fcc(f, hdrlEnd), "LIST");
    EXPECT_EQ(Fcc(f, hdrlEnd + 8), "movi");
    moviData = hdrlEnd + 8;
    // Standard indexes: every entry points at the data of a chunk of its stream.
    for (auto& [s, entries] : p.superEntries) {
        for (uint64_t ix : entries) {
            if (Fcc(f, ix).substr(0, 2) != "ix") {
                p.indexesOk = false;
                continue;
            }
            const uint32_t used = U32(f, ix + 8 + 4);
            const uint64_t base = U64(f, ix + 8 + 12);
            for (uint32_t e = 0; e < used; ++e) {
                const uint64_t data = base + U32(f, ix + 8 + 24 + e * 8);
                const uint32_t size = U32(f, ix + 8 + 24 + e * 8 + 4) & 0x7FFFFFFFu;
                const std::string id = Fcc(f, data - 8);
                if (id[0] != static_cast<char>('0' + s / 10) || id[1] != static_cast<char>('0' + s % 10) ||
                    U32(f, data - 4) != size)
                    p.indexesOk = false;
                ++p.indexedChunks[s];
            }
        }
    }
    // Legacy index at the end of the first segment.
    const uint64_t firstEnd = 8 + U32(f, 4);
    for (uint64_t c = moviData - 8; c < firstEnd;) {
        const std::string id = Fcc(f, c);
        const uint32_t size = U32(f, c + 4);
        if (id == "idx1") {
            p.legacyEntries = size / 16;
            for (uint64_t e = 0; e < p.legacyEntries; ++e) {
                const uint64_t chunk = moviData + U32(f, c + 8 + e * 16 + 8);
                if (U32(f, chunk) != U32(f, c + 8 + e * 16) ||
                    U32(f, chunk + 4) != U32(f, c + 8 + e * 16 + 12))
                    p.legacyOk = false;
            }
        }
        c += 8 + size + (size & 1);
    }
    return p;
}

std::vector<uint8_t> Bytes(size_t n, uint8_t v) {
    return std::vector<uint8_t>(n, v);
}

TEST(AviFile, OneSegmentHasHeadersIndexesAndLegacyIndexThatAgree) {
    MemoryFile m;
    AviFile avi(m.Sink());
    ASSERT_EQ(avi.AddStream(Video(16, 8)), 0);
    ASSERT_EQ(avi.AddStream(Audio()), 1);
    const std::vector<uint8_t> frame = Bytes(16 * 8 * 2, 0x80), sound = Bytes(7680, 0x11);
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(avi.WriteChunk(0, frame.data(), frame.size(), true));
        if (i % 2 == 0) {
            ASSERT_TRUE(avi.WriteChunk(1, sound.data(), sound.size(), true));
        }
    }
    ASSERT_TRUE(avi.Finish());
    ASSERT_EQ(m.bytes.size(), avi.FileSize());
    Parsed p = Parse(m.bytes);
    ASSERT_EQ(p.riffs.size(), 1u);
    EXPECT_EQ(8 + U32(m.bytes, 4), m.bytes.size()) << "the RIFF must cover the whole file";
    EXPECT_EQ(Fcc(m.bytes, 8), "AVI ");
    EXPECT_EQ(p.avihTotalFrames, 50u);
    EXPECT_EQ(p.dmlhTotalFrames, 50u);
    EXPECT_EQ(p.strhLength[0], 50u);
    EXPECT_EQ(p.strhLength[1], 25u * 7680 / 4) << "audio length counts sample blocks";
    EXPECT_EQ(p.superEntries[0].size(), 1u);
    EXPECT_EQ(p.indexedChunks[0], 50u);
    EXPECT_EQ(p.indexedChunks[1], 25u);
    EXPECT_TRUE(p.indexesOk);
    EXPECT_EQ(p.legacyEntries, 75u);
    EXPECT_TRUE(p.legacyOk);
}

TEST(AviFile, LargeRecordingsChainSegmentsThatStayIndexed) {
    MemoryFile m;
    const uint64_t limit = 256 * 1024;
    AviFile avi(m.Sink(), limit);
    avi.AddStream(Video(64, 48));
    avi.AddStream(Audio());
    const std::vector<uint8_t> frame = Bytes(64 * 48 * 2, 0x40), sound = Bytes(7680, 0x22);
    const int frames = 400; // about 2.5 MB: ten segments
    for (int i = 0; i < frames; ++i) {
        ASSERT_TRUE(avi.WriteChunk(0, frame.data(), frame.size(), true));
        ASSERT_TRUE(avi.WriteChunk(1, sound.data(), sound.size(), true));
    }
    ASSERT_TRUE(avi.Finish());
    Parsed p = Parse(m.bytes);
    ASSERT_GE(p.riffs.size(), 8u);
    EXPECT_EQ(avi.Segments(), static_cast<int>(p.riffs.size()));
    for (size_t i = 0; i < p.riffs.size(); ++i) {
        EXPECT_EQ(Fcc(m.bytes, p.riffs[i] + 8), i == 0 ? "AVI " : "AVIX");
        EXPECT_LE(8 + U32(m.bytes, p.riffs[i] + 4), limit) << "segment " << i << " is over the limit";
    }
    const uint64_t last = p.riffs.back();
    EXPECT_EQ(last + 8 + U32(m.bytes, last + 4), m.bytes.size()) << "the segments must end with the file";
    EXPECT_EQ(p.superEntries[0].size(), p.riffs.size());
    EXPECT_EQ(p.indexedChunks[0], static_cast<uint64_t>(frames));
    EXPECT_EQ(p.indexedChunks[1], static_cast<uint64_t>(frames));
    EXPECT_TRUE(p.indexesOk);
    EXPECT_EQ(p.dmlhTotalFrames, static_cast<uint32_t>(frames));
    EXPECT_EQ(p.strhLength[0], static_cast<uint32_t>(frames));
    EXPECT_LT(p.avihTotalFrames, static_cast<uint32_t>(frames)) << "the main header counts the first segment";
    EXPECT_EQ(p.legacyEntries, 2u * p.avihTotalFrames) << "idx1 covers the first segment only";
    EXPECT_TRUE(p.legacyOk);
}

TEST(AviFile, MasterStreamStretchesTheVideoToItsLength) {
    for (int master : {-1, 1}) {
        MemoryFile m;
        AviFile avi(m.Sink());
        avi.AddStream(Video(8, 8));
        avi.AddStream(Audio());
        avi.SetMasterStream(master);
        const std::vector<uint8_t> frame = Bytes(128, 1), second = Bytes(4 * 48000, 2);
        // Ten seconds of sound, but only 200 frames (8 s at 25 per second) arrived.
        for (int i = 0; i < 200; ++i)
            ASSERT_TRUE(avi.WriteChunk(0, frame.data(), frame.size(), true));
        for (int i = 0; i < 10; ++i)
            ASSERT_TRUE(avi.WriteChunk(1, second.data(), second.size(), true));
        ASSERT_TRUE(avi.Finish());
        Parsed p = Parse(m.bytes);
        const double fps = static_cast<double>(p.strhRate[0]) / p.strhScale[0];
        EXPECT_NEAR(fps, master == 1 ? 20.0 : 25.0, 1e-6) << "master " << master;
        EXPECT_EQ(static_cast<double>(p.strhRate[1]) / p.strhScale[1], 48000.0) << "the sound keeps its rate";
    }
}

TEST(AviFile, MissingFramesKeepTheirPlaceAndCheckpointsLeaveACompleteFile) {
    MemoryFile m;
    AviFile avi(m.Sink());
    avi.AddStream(Video(8, 8));
    const std::vector<uint8_t> frame = Bytes(128, 3);
    ASSERT_TRUE(avi.WriteChunk(0, frame.data(), frame.size(), true));
    ASSERT_TRUE(avi.WriteChunk(0, nullptr, 0, false)); // a frame the source lost
    ASSERT_TRUE(avi.WriteChunk(0, frame.data(), frame.size(), false));
    ASSERT_TRUE(avi.Finish());
    const size_t firstSize = m.bytes.size();
    Parsed p = Parse(m.bytes);
    EXPECT_EQ(p.strhLength[0], 3u);
    EXPECT_EQ(p.indexedChunks[0], 3u);
    EXPECT_FALSE(avi.Dirty());
    // Writing on after a checkpoint continues the movie data; the next Finish covers it all.
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(avi.WriteChunk(0, frame.data(), frame.size(), true));
    EXPECT_TRUE(avi.Dirty());
    ASSERT_TRUE(avi.Finish());
    EXPECT_GT(m.bytes.size(), firstSize);
    p = Parse(m.bytes);
    EXPECT_EQ(p.strhLength[0], 8u);
    EXPECT_EQ(p.indexedChunks[0], 8u);
    EXPECT_EQ(p.legacyEntries, 8u);
    EXPECT_TRUE(p.indexesOk);
    EXPECT_TRUE(p.legacyOk);
    EXPECT_EQ(8 + U32(m.bytes, 4), m.bytes.size());
}

TEST(AviFile, AFailingSinkStopsTheFile) {
    MemoryFile m;
    AviFile avi(m.Sink());
    avi.AddStream(Video(8, 8));
    const std::vector<uint8_t> frame = Bytes(128, 3);
    ASSERT_TRUE(avi.WriteChunk(0, frame.data(), frame.size(), true));
    m.fail = true;
    EXPECT_FALSE(avi.WriteChunk(0, frame.data(), frame.size(), true));
    EXPECT_TRUE(avi.Failed());
    EXPECT_FALSE(avi.Finish());
    EXPECT_EQ(avi.AddStream(Video(8, 8)), -1) << "streams are fixed once writing began";
}

} // namespace
