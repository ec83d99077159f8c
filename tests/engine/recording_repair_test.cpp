// The repair of recordings whose writer was killed: an AVI left without its lengths and index,
// cut in the middle of a chunk, ends up as the writer would have finished it for the chunks that
// are whole; a WAV gets its data size; a finished file and a file of another kind stay as they are.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/recording_repair.h"
#include "platform/filters/avi_file.h"
#include "platform/filters/wave_file.h"

using namespace tunaro;

namespace {

struct MemoryFile : RepairFile {
    std::vector<std::uint8_t> bytes;
    std::size_t capacity = SIZE_MAX; // a full disk: no write beyond this size
    std::uint64_t Size() override { return bytes.size(); }
    bool Read(std::uint64_t at, void* data, std::size_t n) override {
        if (at + n > bytes.size())
            return false;
        std::memcpy(data, bytes.data() + at, n);
        return true;
    }
    bool Write(std::uint64_t at, const void* data, std::size_t n) override {
        if (at + n > capacity)
            return false;
        if (bytes.size() < at + n)
            bytes.resize(at + n);
        std::memcpy(bytes.data() + at, data, n);
        return true;
    }
    bool Resize(std::uint64_t size) override {
        bytes.resize(size);
        return true;
    }
    filters::AviFile::Sink Sink() {
        return
            [this](std::uint64_t at, const std::uint8_t* data, std::size_t n) { return Write(at, data, n); };
    }
};

std::uint32_t U32(const std::vector<std::uint8_t>& f, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, f.data() + at, 4);
    return v;
}

std::size_t Find(const std::vector<std::uint8_t>& f, const char* fcc) {
    for (std::size_t i = 0; i + 4 <= f.size(); ++i)
        if (std::memcmp(f.data() + i, fcc, 4) == 0)
            return i;
    return std::string::npos;
}

// An MPEG-4 picture: intra every fifth (picture type 0 in its first two bits), predicted else.
std::vector<std::uint8_t> Picture(int n) {
    std::vector<std::uint8_t> p(301 + n % 7, std::uint8_t(n));
    p[0] = n % 5 == 0 ? 0x3F : 0x7F;
    return p;
}

// Video MP43 at 25 frames and 16-bit stereo sound of 4-byte blocks, `frames` pictures with a
// 25th of a second of sound after each; finished or not.
void WriteAvi(MemoryFile& file, int frames, bool finish) {
    filters::AviFile avi(file.Sink());
    filters::AviStreamInfo video;
    video.handler = 0x3334504D; // MP43
    video.width = 352;
    video.height = 288;
    video.format.assign(40, 0);
    filters::AviStreamInfo audio;
    audio.video = false;
    audio.rate = 48000;
    audio.sampleSize = 4;
    audio.format.assign(16, 0);
    avi.AddStream(video);
    avi.AddStream(audio);
    const std::vector<std::uint8_t> sound(48000 / 25 * 4, 1);
    for (int n = 0; n < frames; ++n) {
        const std::vector<std::uint8_t> p = Picture(n);
        avi.WriteChunk(0, p.data(), p.size(), n % 5 == 0);
        avi.WriteChunk(1, sound.data(), sound.size(), true);
    }
    if (finish)
        avi.Finish();
}

TEST(RecordingRepair, AKilledAviIsFinishedForItsWholeChunksAsTheWriterWouldHave) {
    MemoryFile killed;
    WriteAvi(killed, 40, false);
    MemoryFile finished;
    WriteAvi(finished, 40, true);
    ASSERT_EQ(U32(killed.bytes, Find(killed.bytes, "avih") + 8 + 16), 0u) << "the writer left no length";
    // The kill came in the middle of the last sound chunk.
    killed.bytes.resize(killed.bytes.size() - 1000);

    const RecordingRepairReport report = RepairRecording(killed);
    ASSERT_EQ(report.result, RecordingRepair::Repaired);
    EXPECT_EQ(report.videoFrames, 40u);
    EXPECT_EQ(report.cutBytes, 48000u / 25 * 4 + 8 - 1000);
    const std::vector<std::uint8_t>& f = killed.bytes;
    EXPECT_EQ(U32(f, 4), f.size() - 8) << "RIFF size";
    const std::size_t avih = Find(f, "avih") + 8;
    EXPECT_EQ(U32(f, avih + 16), 40u);
    EXPECT_EQ(U32(f, avih + 12) & 0x10, 0x10u) << "has an index";
    // The stream lengths: 40 pictures, 39 whole 25ths of a second of sound in 4-byte blocks.
    const std::size_t strh0 = Find(f, "strh") + 8;
    EXPECT_EQ(U32(f, strh0 + 32), 40u);
    const std::size_t strh1 = strh0 + Find(std::vector<std::uint8_t>(f.begin() + strh0, f.end()), "strh") + 8;
    EXPECT_EQ(U32(f, strh1 + 32), 39u * 1920);
    EXPECT_EQ(Find(f, "indx"), std::string::npos) << "empty super indexes stay behind";

    // The movie list and the index: every whole chunk, intra pictures as key frames, at the
    // offsets the finished file gives them.
    const std::size_t movi = Find(f, "movi") - 8;
    EXPECT_EQ(U32(f, movi + 4), report.keptBytes - movi - 8);
    const std::size_t idx1 = Find(f, "idx1");
    ASSERT_EQ(idx1, report.keptBytes);
    ASSERT_EQ(U32(f, idx1 + 4), 79u * 16);
    const std::size_t finishedIdx1 = Find(finished.bytes, "idx1");
    ASSERT_NE(finishedIdx1, std::string::npos);
    for (std::size_t e = 0; e < 79; ++e) {
        const std::size_t at = idx1 + 8 + e * 16;
        const std::size_t ref = finishedIdx1 + 8 + e * 16;
        ASSERT_EQ(U32(f, at), U32(finished.bytes, ref)) << "entry " << e;
        EXPECT_EQ(U32(f, at + 4), U32(finished.bytes, ref + 4)) << "flags of entry " << e;
        EXPECT_EQ(U32(f, at + 8), U32(finished.bytes, ref + 8)) << "offset of entry " << e;
        EXPECT_EQ(U32(f, at + 12), U32(finished.bytes, ref + 12)) << "size of entry " << e;
    }

    // Repaired once, it is finished: a second repair changes nothing; so for a finished file.
    const std::vector<std::uint8_t> once = f;
    EXPECT_EQ(RepairRecording(killed).result, RecordingRepair::Complete);
    EXPECT_EQ(killed.bytes, once);
    const std::vector<std::uint8_t> whole = finished.bytes;
    EXPECT_EQ(RepairRecording(finished).result, RecordingRepair::Complete);
    EXPECT_EQ(finished.bytes, whole);
}

// On a full disk the index takes the room of the last chunks it cannot be written beside.
TEST(RecordingRepair, OnAFullDiskTheLastChunksMakeRoomForTheIndex) {
    MemoryFile full;
    WriteAvi(full, 40, false); // killed right after a whole chunk, with not a byte to spare
    full.capacity = full.bytes.size();
    const RecordingRepairReport report = RepairRecording(full);
    ASSERT_EQ(report.result, RecordingRepair::Repaired);
    EXPECT_LE(full.bytes.size(), full.capacity);
    const std::vector<std::uint8_t>& f = full.bytes;
    EXPECT_EQ(U32(f, 4), f.size() - 8);
    const std::size_t idx1 = Find(f, "idx1");
    ASSERT_EQ(idx1, report.keptBytes);
    // The last sound chunk (7688 bytes) makes room for the 79 entries left; nothing more goes.
    EXPECT_EQ(U32(f, idx1 + 4), 79u * 16);
    EXPECT_EQ(idx1 + 8 + U32(f, idx1 + 4), f.size());
    EXPECT_EQ(report.videoFrames, 40u);
}

TEST(RecordingRepair, AKilledWavGetsItsDataSizeAndOtherFilesAreLeftAlone) {
    const std::vector<std::uint8_t> format = {0x55, 0, 2, 0, 0x80, 0xBB, 0, 0, 0x00, 0x7D, 0, 0, 1, 0, 0, 0};
    const filters::WaveHeader header(format);
    ASSERT_TRUE(header.Valid());
    MemoryFile wav;
    wav.bytes = header.Build(0);
    const std::size_t data = wav.bytes.size();
    wav.bytes.resize(data + 12345, 0xAA);
    ASSERT_EQ(RepairRecording(wav).result, RecordingRepair::Repaired);
    EXPECT_EQ(U32(wav.bytes, data - 4), 12345u) << "data size";
    EXPECT_EQ(U32(wav.bytes, 4), wav.bytes.size() - 8) << "RIFF size";
    EXPECT_EQ(wav.bytes.size(), data + 12345);
    EXPECT_EQ(RepairRecording(wav).result, RecordingRepair::Complete);

    // An MPEG program stream needs nothing and is not touched.
    MemoryFile mpeg;
    mpeg.bytes = {0x00, 0x00, 0x01, 0xBA, 0x44, 0x00, 0x04, 0x00, 0x04, 0x01, 0x01, 0x89, 0xC3, 0xF8};
    const std::vector<std::uint8_t> before = mpeg.bytes;
    EXPECT_EQ(RepairRecording(mpeg).result, RecordingRepair::Unknown);
    EXPECT_EQ(mpeg.bytes, before);
}

} // namespace
