// The program stream writer: picture and sound conversions, DVD/SVCD/VCD files that native
// ffprobe reads with the format's sizes, rates and codecs and ffmpeg decodes cleanly, the
// decoded picture against the one that went in, and refusals of what it cannot write.
#include "platform/encoders/mpeg_program.h"

#include "tests/platform/graph_support.h"
#include "tests/platform/media_check.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

using encoders::DiscFormat;
using encoders::MpegDefaults;
using encoders::MpegProgramWriter;
using encoders::MpegSettings;

namespace {

// A moving test picture: smooth colour ramps, a bright box that travels and fine stripes.
std::vector<uint8_t> TestPicture(int w, int h, int n) {
    std::vector<uint8_t> p(static_cast<size_t>(w) * h * 2);
    const int boxX = (n * 7) % (w - 64), boxY = (n * 3) % (h - 48);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t luma = static_cast<uint8_t>(40 + (x * 120) / w + (y * 60) / h);
            if (x >= boxX && x < boxX + 64 && y >= boxY && y < boxY + 48)
                luma = 220;
            if (y > h * 3 / 4 && ((x / 4) & 1))
                luma = static_cast<uint8_t>(luma / 2);
            uint8_t* px = &p[(static_cast<size_t>(y) * w + x) * 2];
            px[0] = luma;
            px[1] = static_cast<uint8_t>((x & 1) ? 128 + (y * 60) / h : 128 - (x * 50) / w);
        }
    }
    return p;
}

uint32_t NextRandom(uint32_t& seed) {
    seed ^= seed << 13;
    seed ^= seed >> 17;
    seed ^= seed << 5;
    return seed;
}

// The test picture with the grain of a weak station: every pixel off by up to 12 levels.
std::vector<uint8_t> GrainyPicture(int w, int h, int n) {
    std::vector<uint8_t> p = TestPicture(w, h, n);
    uint32_t seed = 0x9E3779B9u ^ static_cast<uint32_t>(n * 7919 + 1);
    for (size_t i = 0; i < p.size(); i += 2) {
        const int v = p[i] + static_cast<int>(NextRandom(seed) % 25) - 12;
        p[i] = static_cast<uint8_t>(std::clamp(v, 16, 235));
    }
    return p;
}

// Snow: what the tuner gives with no station, every pixel random.
std::vector<uint8_t> Snow(int w, int h, int n) {
    std::vector<uint8_t> p(static_cast<size_t>(w) * h * 2);
    uint32_t seed = 0x2545F491u ^ static_cast<uint32_t>(n * 104729 + 3);
    for (size_t i = 0; i < p.size(); i += 2) {
        p[i] = static_cast<uint8_t>(16 + NextRandom(seed) % 220);
        p[i + 1] = 128;
    }
    return p;
}

using PictureFn = std::vector<uint8_t> (*)(int w, int h, int n);

// count frames of a 1 kHz stereo tone at rate, starting at frame first.
std::vector<int16_t> Tone(int rate, size_t first, size_t count) {
    std::vector<int16_t> pcm(count * 2);
    for (size_t i = 0; i < count; ++i) {
        const double s = 8000 * std::sin(2 * 3.14159265358979 * 1000 * static_cast<double>(first + i) / rate);
        pcm[2 * i] = pcm[2 * i + 1] = static_cast<int16_t>(std::lround(s));
    }
    return pcm;
}

// Writes seconds of pictures and tone; the pictures written are kept in *pictures when given.
// The pictures come from picture (the moving test picture unless told); *smoothed receives the
// writer's count of pictures it smoothed to hold the rate.
bool WriteFile(const std::string& path, const MpegSettings& s, int audioRate, double seconds,
               std::vector<std::vector<uint8_t>>* pictures = nullptr, std::string* error = nullptr,
               PictureFn picture = TestPicture, int64_t* smoothed = nullptr) {
    MpegProgramWriter w;
    if (!w.Open(path, s, audioRate, 2, error))
        return false;
    const int frames = static_cast<int>(std::lround(seconds * s.rateNum / s.rateDen));
    size_t audioDone = 0;
    for (int i = 0; i < frames; ++i) {
        auto pic = picture(s.width, s.height, i);
        if (!w.WriteVideo(pic.data(), s.width * 2, i))
            return false;
        if (pictures)
            pictures->push_back(std::move(pic));
        // Audio due by the end of this picture (rounded per picture so nothing drifts).
        const size_t due =
            static_cast<size_t>(static_cast<double>(i + 1) * audioRate * s.rateDen / s.rateNum);
        auto pcm = Tone(audioRate, audioDone, due - audioDone);
        if (!w.WriteAudio(pcm.data(), due - audioDone))
            return false;
        audioDone = due;
    }
    const bool closed = w.Close(error);
    if (smoothed)
        *smoothed = w.PicturesSmoothedForRate();
    return closed;
}

struct Expect {
    const char* codec;
    int width, height;
    double rate;
    int sampleRate;
};

void CheckFile(const std::string& path, const Expect& e, double seconds) {
    auto info = mediacheck::Probe(path);
    ASSERT_FALSE(info.empty()) << "ffprobe cannot read " << path;
    EXPECT_EQ("mpeg", graphtest::Text(info, "format.format_name"));
    const std::string v = graphtest::StreamOf(info, "video"), a = graphtest::StreamOf(info, "audio");
    ASSERT_FALSE(v.empty());
    ASSERT_FALSE(a.empty());
    EXPECT_EQ(e.codec, graphtest::Text(info, v + "codec_name"));
    EXPECT_EQ(e.width, graphtest::Number(info, v + "width"));
    EXPECT_EQ(e.height, graphtest::Number(info, v + "height"));
    EXPECT_NEAR(e.rate, mediacheck::Rate(graphtest::Text(info, v + "r_frame_rate")), 0.01);
    // A 4:3 picture (MPEG-1 codes the pixel shape from a table: near, not exactly).
    std::string dar = graphtest::Text(info, v + "display_aspect_ratio");
    std::replace(dar.begin(), dar.end(), ':', '/');
    EXPECT_NEAR(4.0 / 3.0, mediacheck::Rate(dar), 0.02);
    EXPECT_EQ("mp2", graphtest::Text(info, a + "codec_name"));
    EXPECT_EQ(e.sampleRate, graphtest::Number(info, a + "sample_rate"));
    EXPECT_EQ(2, graphtest::Number(info, a + "channels"));
    EXPECT_NEAR(seconds, graphtest::Number(info, "format.duration"), 0.5);
    std::string errors;
    EXPECT_TRUE(mediacheck::DecodesCleanly(path, &errors)) << errors;
}

class MpegProgramFiles : public ::testing::Test {
protected:
    void SetUp() override {
        if (!mediacheck::Available())
            GTEST_SKIP() << "native ffprobe/ffmpeg missing";
    }
};

} // namespace

TEST(MpegProgramConversion, AverageBlocksSetsEachBlockToItsRoundedMean) {
    // 5 x 3 in a plane of stride 7, blocks of 2: the last column and row are cut blocks.
    const int stride = 7;
    std::vector<uint8_t> plane = {
        10, 20, 30,  41,  7,   99, 99, //
        30, 41, 50,  60,  8,   99, 99, //
        1,  2,  200, 201, 255, 99, 99,
    };
    encoders::AverageBlocks(plane.data(), stride, 5, 3, 2);
    const std::vector<uint8_t> expected = {
        25, 25, 45,  45,  8,   99, 99, // (10+20+30+41+2)/4, (30+41+50+60+2)/4, (7+8+1)/2
        25, 25, 45,  45,  8,   99, 99, //
        2,  2,  201, 201, 255, 99, 99, // (1+2+1)/2, (200+201+1)/2, 255 alone
    };
    EXPECT_EQ(expected, plane);
    // A block of 1 changes nothing.
    std::vector<uint8_t> same = expected;
    encoders::AverageBlocks(same.data(), stride, 5, 3, 1);
    EXPECT_EQ(expected, same);
}

TEST(MpegProgramConversion, ResamplerKeepsToneAndLengthAcrossBlocks) {
    // 44.1 kHz to 48 kHz in uneven blocks: the tone comes out at the new rate, as long as it
    // should be, and the same as when resampled in one piece.
    const size_t total = 44100;
    auto in = Tone(44100, 0, total);
    encoders::PcmResampler whole(44100, 48000, 2), pieces(44100, 48000, 2);
    std::vector<int16_t> a, b;
    whole.Push(in.data(), total, &a);
    for (size_t at = 0, n = 1; at < total; at += n, n = n * 3 % 1001 + 1) {
        const size_t take = std::min(n, total - at);
        pieces.Push(in.data() + at * 2, take, &b);
    }
    EXPECT_NEAR(48000.0, a.size() / 2.0, 2.0);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i)
        ASSERT_NEAR(a[i], b[i], 1) << i;
    auto expected = Tone(48000, 0, a.size() / 2);
    double worst = 0;
    for (size_t i = 0; i < a.size(); ++i)
        worst = std::max(worst, std::fabs(static_cast<double>(a[i]) - expected[i]));
    EXPECT_LT(worst, 8000 * 0.02); // linear interpolation of a 1 kHz tone stays within 2%
    // The same rate passes samples through untouched.
    encoders::PcmResampler same(48000, 48000, 2);
    std::vector<int16_t> c;
    same.Push(in.data(), 1000, &c);
    EXPECT_EQ(std::vector<int16_t>(in.begin(), in.begin() + 2000), c);
}

TEST_F(MpegProgramFiles, DvdIsMpeg2WithLayer2At48kAndKeepsThePicture) {
    const std::string path = graphtest::TempFile("mpegprog-dvd.mpg");
    DeleteFileA(path.c_str());
    std::vector<std::vector<uint8_t>> pictures;
    std::string error;
    int64_t smoothed = -1;
    ASSERT_TRUE(WriteFile(path, MpegDefaults(DiscFormat::Dvd, false), 48000, 10.0, &pictures, &error,
                          TestPicture, &smoothed))
        << error;
    EXPECT_EQ(0, smoothed) << "an ordinary picture is coded as it came";
    CheckFile(path, {"mpeg2video", 720, 576, 25.0, 48000}, 10.0);
    auto info = mediacheck::Probe(path);
    // The stream stays within the format's rates (the file size says so): this simple picture
    // needs less than the 6 Mbit/s it may use, never more.
    const double bits = graphtest::Number(info, "format.size") * 8;
    EXPECT_GT(bits / 10.0, 0.2e6);
    EXPECT_LT(bits / 10.0, 7.5e6);
    for (int n : {0, 37, 120, 249}) {
        auto decoded = mediacheck::DecodedFrame(path, n, 720, 576);
        ASSERT_FALSE(decoded.empty()) << "frame " << n;
        EXPECT_GE(mediacheck::LumaPsnr(decoded, pictures[n]), 30.0) << "frame " << n;
        // And it is that frame, not a neighbour: the box has moved by the next one.
        if (n + 1 < static_cast<int>(pictures.size())) {
            EXPECT_GT(mediacheck::LumaPsnr(decoded, pictures[n]),
                      mediacheck::LumaPsnr(decoded, pictures[n + 1]));
        }
    }
    DeleteFileA(path.c_str());
}

// The video stream keeps the configured rate where the picture is hard enough to use it: a
// grainy picture (a weak station) fills it, and snow (no station), which even the coarsest
// quantiser cannot bring down to it, is smoothed until it fits, every picture still in place.
TEST_F(MpegProgramFiles, VideoKeepsItsConfiguredRateOnHardPictures) {
    struct Case {
        const char* name;
        DiscFormat format;
        PictureFn picture;
        bool interlaced;
        bool smoothing;
    };
    const Case cases[] = {
        {"DVD grain", DiscFormat::Dvd, GrainyPicture, false, false},
        {"DVD grain, fields", DiscFormat::Dvd, GrainyPicture, true, false},
        {"DVD snow", DiscFormat::Dvd, Snow, false, true},
        {"DVD snow, fields", DiscFormat::Dvd, Snow, true, true},
        {"VCD snow", DiscFormat::Vcd, Snow, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = graphtest::TempFile("mpegprog-rate.mpg");
        MpegSettings s = MpegDefaults(c.format, false);
        s.interlaced = c.interlaced;
        s.strictGop = c.interlaced;
        std::string error;
        int64_t smoothed = -1;
        ASSERT_TRUE(WriteFile(path, s, 48000, 10.0, nullptr, &error, c.picture, &smoothed)) << error;
        const double rate = mediacheck::StreamBitRate(path, "v", 10.0);
        EXPECT_NEAR(static_cast<double>(s.videoBitRate), rate, 0.1 * s.videoBitRate)
            << "video bit rate " << rate;
        if (c.smoothing)
            EXPECT_GT(smoothed, 0);
        else
            EXPECT_EQ(0, smoothed) << "the quantiser alone holds the rate";
        auto info = mediacheck::Probe(path, "-count_frames");
        const std::string v = graphtest::StreamOf(info, "video");
        EXPECT_EQ(250, graphtest::Number(info, v + "nb_read_frames")) << "every picture in its place";
        EXPECT_NEAR(10.0, graphtest::Number(info, "format.duration"), 0.5);
        std::string errors;
        EXPECT_TRUE(mediacheck::DecodesCleanly(path, &errors)) << errors;
        DeleteFileA(path.c_str());
    }
}

TEST_F(MpegProgramFiles, NtscDvdIs480LinesAt2997) {
    const std::string path = graphtest::TempFile("mpegprog-dvdn.mpg");
    std::string error;
    ASSERT_TRUE(WriteFile(path, MpegDefaults(DiscFormat::Dvd, true), 48000, 4.0, nullptr, &error)) << error;
    CheckFile(path, {"mpeg2video", 720, 480, 29.97, 48000}, 4.0);
    DeleteFileA(path.c_str());
}

TEST_F(MpegProgramFiles, VcdIsMpeg1At44kFromA48kSource) {
    const std::string path = graphtest::TempFile("mpegprog-vcd.mpg");
    std::string error;
    ASSERT_TRUE(WriteFile(path, MpegDefaults(DiscFormat::Vcd, false), 48000, 6.0, nullptr, &error)) << error;
    CheckFile(path, {"mpeg1video", 352, 288, 25.0, 44100}, 6.0);
    auto info = mediacheck::Probe(path);
    const std::string a = graphtest::StreamOf(info, "audio");
    EXPECT_EQ(224000, graphtest::Number(info, a + "bit_rate"));
    DeleteFileA(path.c_str());
}

TEST_F(MpegProgramFiles, SvcdIsMpeg2Of480Columns) {
    const std::string path = graphtest::TempFile("mpegprog-svcd.mpg");
    std::string error;
    ASSERT_TRUE(WriteFile(path, MpegDefaults(DiscFormat::Svcd, true), 44100, 4.0, nullptr, &error)) << error;
    CheckFile(path, {"mpeg2video", 480, 480, 29.97, 44100}, 4.0);
    DeleteFileA(path.c_str());
}

TEST(MpegProgramWriterErrors, RefusesWhatItCannotWrite) {
    MpegProgramWriter w;
    std::string error;
    const MpegSettings dvd = MpegDefaults(DiscFormat::Dvd, false);
    EXPECT_FALSE(w.Open("", dvd, 48000, 2, &error));
    EXPECT_EQ("no file name", error);

    const std::string missing = graphtest::TempFile("no-such-folder-mpegprog\\x.mpg");
    EXPECT_FALSE(w.Open(missing, dvd, 48000, 2, &error));
    EXPECT_NE(std::string::npos, error.find("cannot create the file")) << error;
    EXPECT_FALSE(w.IsOpen());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(missing.c_str()));

    MpegSettings odd = dvd;
    odd.width = 721;
    EXPECT_FALSE(w.Open(graphtest::TempFile("mpegprog-odd.mpg"), odd, 48000, 2, &error));
    EXPECT_FALSE(w.Open(graphtest::TempFile("mpegprog-odd.mpg"), dvd, 48000, 6, &error));
    EXPECT_EQ("unusable audio format", error);

    // Nothing open: writing and closing say no.
    std::vector<uint8_t> pic(720 * 576 * 2, 128);
    EXPECT_FALSE(w.WriteVideo(pic.data(), 720 * 2, 0));
    EXPECT_FALSE(w.Close(&error));
}

TEST(MpegProgramWriterErrors, PicturesMustMoveForward) {
    const std::string path = graphtest::TempFile("mpegprog-order.mpg");
    MpegProgramWriter w;
    std::string error;
    MpegSettings s = MpegDefaults(DiscFormat::Vcd, false);
    s.audio = false;
    ASSERT_TRUE(w.Open(path, s, 0, 0, &error)) << error;
    auto pic = TestPicture(352, 288, 0);
    EXPECT_TRUE(w.WriteVideo(pic.data(), 704, 0));
    EXPECT_TRUE(w.WriteVideo(pic.data(), 704, 2));
    EXPECT_FALSE(w.WriteVideo(pic.data(), 704, 2)); // the same picture time again
    EXPECT_FALSE(w.WriteVideo(pic.data(), 704, 1)); // one from the past
    EXPECT_TRUE(w.WriteVideo(pic.data(), 704, 3));
    EXPECT_EQ(3, w.PicturesWritten());
    EXPECT_TRUE(w.Close(&error)) << error;
    DeleteFileA(path.c_str());
}
