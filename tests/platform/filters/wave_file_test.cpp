// The WAV writer's header: the chunk layout a reader walks, the sizes filled in at the end,
// the compressed form with its fact chunk, and formats that describe no sound.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/filters/wave_file.h"

using filters::WaveHeader;

namespace {

uint32_t At32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t At16(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}
std::string Tag(const std::vector<uint8_t>& b, size_t at) {
    return std::string(reinterpret_cast<const char*>(b.data() + at), 4);
}

// WAVEFORMATEX bytes: tag, channels, rate, bytes per second, block, bits, then cbSize and extra.
std::vector<uint8_t> Format(uint16_t tag, uint16_t channels, uint32_t rate, uint32_t avg, uint16_t block,
                            uint16_t bits, std::vector<uint8_t> extra = {}, bool withCbSize = true) {
    std::vector<uint8_t> f;
    auto p16 = [&](uint16_t v) {
        f.push_back(static_cast<uint8_t>(v));
        f.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto p32 = [&](uint32_t v) {
        p16(static_cast<uint16_t>(v));
        p16(static_cast<uint16_t>(v >> 16));
    };
    p16(tag);
    p16(channels);
    p32(rate);
    p32(avg);
    p16(block);
    p16(bits);
    if (withCbSize) {
        p16(static_cast<uint16_t>(extra.size()));
        f.insert(f.end(), extra.begin(), extra.end());
    }
    return f;
}

// Walks the chunks of a header as a reader does; returns the offset of the data chunk's body.
size_t WalkToData(const std::vector<uint8_t>& h, std::vector<std::string>* tags) {
    size_t at = 12;
    while (at + 8 <= h.size()) {
        const std::string tag = Tag(h, at);
        tags->push_back(tag);
        if (tag == "data")
            return at + 8;
        at += 8 + At32(h, at + 4) + (At32(h, at + 4) & 1);
    }
    return 0;
}

TEST(WaveHeader, PcmIsTheClassicFortyFourBytesWithTheSizesFilledIn) {
    // A WAVEFORMATEX with cbSize: the file still gets the plain 16-byte PCM format.
    WaveHeader h(Format(1, 2, 48000, 192000, 4, 16));
    ASSERT_TRUE(h.Valid());
    EXPECT_TRUE(h.Pcm());
    EXPECT_EQ(h.Size(), 44u);
    const std::vector<uint8_t> b = h.Build(192000 * 10);
    ASSERT_EQ(b.size(), 44u);
    EXPECT_EQ(Tag(b, 0), "RIFF");
    EXPECT_EQ(At32(b, 4), 36u + 1920000u);
    EXPECT_EQ(Tag(b, 8), "WAVE");
    EXPECT_EQ(Tag(b, 12), "fmt ");
    EXPECT_EQ(At32(b, 16), 16u);
    EXPECT_EQ(At16(b, 20), 1);
    EXPECT_EQ(At16(b, 22), 2);
    EXPECT_EQ(At32(b, 24), 48000u);
    EXPECT_EQ(At32(b, 28), 192000u);
    EXPECT_EQ(At16(b, 32), 4);
    EXPECT_EQ(At16(b, 34), 16);
    EXPECT_EQ(Tag(b, 36), "data");
    EXPECT_EQ(At32(b, 40), 1920000u);
    // While recording the sizes are those of an empty file.
    const std::vector<uint8_t> empty = h.Build(0);
    EXPECT_EQ(At32(empty, 4), 36u);
    EXPECT_EQ(At32(empty, 40), 0u);
}

TEST(WaveHeader, PcmWithoutBitsPerSampleGetsThemFromTheBlock) {
    // The bits field is cut off: 14 bytes of WAVEFORMAT only.
    std::vector<uint8_t> bare = Format(1, 2, 44100, 176400, 4, 0, {}, false);
    bare.resize(14);
    WaveHeader plain(bare);
    ASSERT_TRUE(plain.Valid());
    EXPECT_EQ(At16(plain.Build(0), 34), 16);
}

TEST(WaveHeader, CompressedSoundKeepsItsTagExtraBytesAndGetsAFactChunk) {
    // MPEG Layer-3 at 128 kbit/s: 16000 bytes a second, 12 extra bytes.
    const std::vector<uint8_t> extra = {1, 0, 2, 0, 0, 0, 0x80, 0x01, 1, 0, 0x71, 0x05};
    WaveHeader h(Format(0x55, 2, 44100, 16000, 1, 0, extra));
    ASSERT_TRUE(h.Valid());
    EXPECT_FALSE(h.Pcm());
    const std::vector<uint8_t> b = h.Build(16000 * 3 + 1); // odd: a pad byte follows the data
    std::vector<std::string> tags;
    const size_t data = WalkToData(b, &tags);
    ASSERT_EQ(tags, (std::vector<std::string>{"fmt ", "fact", "data"}));
    EXPECT_EQ(data, b.size());
    EXPECT_EQ(h.Size(), b.size());
    EXPECT_EQ(At32(b, 16), 30u) << "WAVEFORMATEX and its 12 extra bytes";
    EXPECT_EQ(At16(b, 20), 0x55);
    EXPECT_EQ(At16(b, 36), 12) << "cbSize";
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 38, b.begin() + 50), extra);
    EXPECT_EQ(Tag(b, 50), "fact");
    EXPECT_EQ(At32(b, 58), (16000u * 3 + 1) * 44100u / 16000u)
        << "samples per channel: bytes at the byte rate";
    EXPECT_EQ(At32(b, data - 4), 16000u * 3 + 1);
    EXPECT_EQ(At32(b, 4), b.size() - 8 + 16000 * 3 + 1 + 1) << "RIFF size counts the pad byte";
}

TEST(WaveHeader, ACbSizeLargerThanTheBlockTakesOnlyWhatIsThere) {
    std::vector<uint8_t> f = Format(0x55, 1, 22050, 4000, 1, 0, {9, 9});
    f[16] = 200; // claims 200 extra bytes, has 2
    WaveHeader h(f);
    ASSERT_TRUE(h.Valid());
    const std::vector<uint8_t> b = h.Build(0);
    EXPECT_EQ(At32(b, 16), 20u);
    EXPECT_EQ(At16(b, 36), 2);
}

TEST(WaveHeader, FormatsWithoutSoundAreInvalid) {
    EXPECT_FALSE(WaveHeader({}).Valid());
    EXPECT_FALSE(WaveHeader(std::vector<uint8_t>(10, 1)).Valid()) << "too short";
    EXPECT_FALSE(WaveHeader(Format(1, 0, 48000, 192000, 4, 16)).Valid()) << "no channels";
    EXPECT_FALSE(WaveHeader(Format(1, 2, 0, 192000, 4, 16)).Valid()) << "no rate";
    EXPECT_FALSE(WaveHeader(Format(1, 2, 48000, 0, 4, 16)).Valid()) << "no byte rate";
    EXPECT_FALSE(WaveHeader(Format(1, 2, 48000, 192000, 0, 16)).Valid()) << "no block";
    EXPECT_FALSE(WaveHeader(Format(0, 2, 48000, 192000, 4, 16)).Valid()) << "no tag";
}

TEST(WaveHeader, TheDataLimitLeavesRoomForTheHeader) {
    WaveHeader pcm(Format(1, 2, 48000, 192000, 4, 16));
    EXPECT_EQ(pcm.MaxDataBytes() + pcm.Size(), WaveHeader::kMaxFileSize);
    const uint32_t most = static_cast<uint32_t>(pcm.MaxDataBytes() - 1); // a pad byte may follow
    const std::vector<uint8_t> b = pcm.Build(most);
    EXPECT_EQ(At32(b, 4), pcm.Size() - 8 + most) << "the largest file still has a true RIFF size";
    EXPECT_EQ(At32(b, 40), most);
}

} // namespace
