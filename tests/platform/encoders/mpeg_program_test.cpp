// The program stream writer: picture and sound conversions, DVD/SVCD/VCD files that native
// ffprobe reads with the format's sizes, rates and codecs and ffmpeg decodes cleanly, the
// decoded picture against the one that went in, and refusals of what it cannot write.
#include "mpeg_program.h"

#include "graph_support.h"
#include "media_check.h"

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
bool WriteFile(const std::string& path, const MpegSettings& s, int audioRate, double seconds,
               std::vector<std::vector<uint8_t>>* pictures = nullptr, std::string* error = nullptr) {
    MpegProgramWriter w;
    if (!w.Open(path, s, audioRate, 2, error))
        return false;
    const int frames = static_cast<int>(std::lround(seconds * s.rateNum / s.rateDen));
    size_t audioDone = 0;
    for (int i = 0; i < frames; ++i) {
        auto pic = TestPicture(s.width, s.height, i);
        if (!w.WriteVideo(pic.data(), s.width * 2, i))
            return false;
        if (pictures)
            pictures->push_back(std::move(pic));
        // Audio due by the end of this picture (rounded per picture so nothing drifts).
        const size_t due = static_cast<size_t>(static_cast<double>(i + 1) * audioRate * s.rateDen / s.rateNum);
        auto pcm = Tone(audioRate, audioDone, due - audioDone);
        if (!w.WriteAudio(pcm.data(), due - audioDone))
            return false;
        audioDone = due;
    }
    return w.Close(error);
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

TEST(MpegProgramConversion, Yuy2ToI420KeepsLumaAndAveragesChromaOfLinePairs) {
    const int w = 8, h = 4;
    std::vector<uint8_t> src(w * h * 2);
    for (size_t i = 0; i < src.size(); ++i)
        src[i] = static_cast<uint8_t>(i * 37 + 11);
    std::vector<uint8_t> y(w * h), u(w / 2 * h / 2), v(u.size());
    encoders::Yuy2ToI420(src.data(), w * 2, w, h, y.data(), u.data(), v.data());
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x)
            EXPECT_EQ(src[(r * w + x) * 2], y[r * w + x]) << r << "," << x;
    for (int r = 0; r < h / 2; ++r)
        for (int x = 0; x < w / 2; ++x) {
            const uint8_t* a = &src[(2 * r * w) * 2 + 4 * x];
            const uint8_t* b = a + w * 2;
            EXPECT_EQ((a[1] + b[1] + 1) / 2, u[r * (w / 2) + x]);
            EXPECT_EQ((a[3] + b[3] + 1) / 2, v[r * (w / 2) + x]);
        }
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
    ASSERT_TRUE(WriteFile(path, MpegDefaults(DiscFormat::Dvd, false), 48000, 10.0, &pictures, &error)) << error;
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
            EXPECT_GT(mediacheck::LumaPsnr(decoded, pictures[n]), mediacheck::LumaPsnr(decoded, pictures[n + 1]));
        }
    }
    DeleteFileA(path.c_str());
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
