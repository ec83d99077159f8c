// The MPEG encoder filter in a graph with the simulated card, configured with the calls the
// recording graph makes: DVD, SVCD and VCD files that native ffprobe reads with the format's
// codecs, sizes, rates and the recorded length, dropping and counting under a slow encoder
// without holding up the card, and clear refusals of what it cannot do.
#include <gtest/gtest.h>

#include <string>

#include "platform/dshow/com_ptr.h"
#include "platform/dshow/media_type.h"
#include "tests/platform/graph_support.h"
#include "tests/platform/media_check.h"
#include "platform/include/mpeg_encoder.h"

using dshow::ComPtr;
using graphtest::Number;
using graphtest::StreamOf;
using graphtest::TempFile;
using graphtest::Text;
using graphtest::Wide;

namespace {

enum class Kind { Dvd, Vcd, Svcd };

class MpegEncoderGraph : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_IGraphBuilder, m_graph.PutVoid()));
        ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_ICaptureGraphBuilder2, m_builder.PutVoid()));
        ASSERT_HRESULT_SUCCEEDED(m_builder->SetFiltergraph(m_graph.Get()));
        m_card = graphtest::BindCard();
        if (!m_card)
            GTEST_SKIP() << "no simulated card in this prefix";
        ASSERT_HRESULT_SUCCEEDED(m_graph->AddFilter(m_card.Get(), L"Video Capture"));
        ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(tunaro::kClsidMpegEncoder, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_IBaseFilter, m_encoder.PutVoid()))
            << "the encoder is registered by the prefix";
        ASSERT_HRESULT_SUCCEEDED(m_encoder->QueryInterface(__uuidof(IMpegEncoderConfig), m_config.PutVoid()));
        ASSERT_HRESULT_SUCCEEDED(m_encoder->QueryInterface(__uuidof(IMpegEncoderAudio), m_audio.PutVoid()));
        ASSERT_HRESULT_SUCCEEDED(m_graph->AddFilter(m_encoder.Get(), L"Vazuvoduz MPEG Encoder"));
        ASSERT_HRESULT_SUCCEEDED(m_graph->QueryInterface(IID_IMediaControl, m_control.PutVoid()));
        ASSERT_TRUE(mediacheck::Available()) << "native ffprobe/ffmpeg are needed to read the recordings";
    }
    void TearDown() override {
        SetEnvironmentVariableA("TUNARO_MPEG_ENCODER_SLOW_MS", nullptr);
        if (m_control)
            m_control->Stop();
        m_control.Reset();
        m_audio.Reset();
        m_config.Reset();
        m_encoder.Reset();
        m_card.Reset();
        m_builder.Reset();
        m_graph.Reset();
        CoUninitialize();
    }

    // The recording graph's configuration calls, in its order and with its values.
    void Configure(Kind kind, bool ntsc) {
        ASSERT_HRESULT_SUCCEEDED(m_config->BeginConfig(1));
        if (ntsc) {
            if (kind == Kind::Dvd) {
                ASSERT_HRESULT_SUCCEEDED(m_config->SetVideoBitRate(6500000));
                ASSERT_HRESULT_SUCCEEDED(m_config->SetFormat(7));
            } else if (kind == Kind::Vcd) {
                ASSERT_HRESULT_SUCCEEDED(m_config->SetFormat(3));
            } else {
                ASSERT_HRESULT_SUCCEEDED(m_config->SetVideoBitRate(2000000));
                ASSERT_HRESULT_SUCCEEDED(m_config->SetFormat(9));
            }
        } else {
            ASSERT_HRESULT_SUCCEEDED(m_config->SetInterlaced(1));
            ASSERT_HRESULT_SUCCEEDED(m_config->SetStreamType(5));
            ASSERT_HRESULT_SUCCEEDED(m_audio->EnableAudio(1));
            ASSERT_HRESULT_SUCCEEDED(m_audio->SetSyncTolerance(10));
            ASSERT_HRESULT_SUCCEEDED(m_audio->SetStereo(1));
            ASSERT_HRESULT_SUCCEEDED(m_audio->SetFillGaps(1));
            ASSERT_HRESULT_SUCCEEDED(m_audio->SetDropEarlyAudio(1));
            ASSERT_HRESULT_SUCCEEDED(m_audio->SetStandardRate(1));
            ASSERT_HRESULT_SUCCEEDED(m_audio->SetBitRates(64, 32));
            ASSERT_HRESULT_SUCCEEDED(m_config->SetStrictGop(1));
            const long rate[] = {6000000, 1152000, 2000000}, code[] = {8, 4, 10};
            ASSERT_HRESULT_SUCCEEDED(m_config->SetVideoBitRate(rate[static_cast<int>(kind)]));
            ASSERT_HRESULT_SUCCEEDED(m_config->SetFormat(code[static_cast<int>(kind)]));
        }
        ASSERT_HRESULT_SUCCEEDED(m_config->EndConfig(0));
    }

    void SetCaptureSize(LONG width, LONG height) {
        ComPtr<IAMStreamConfig> sc;
        ASSERT_HRESULT_SUCCEEDED(m_builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                                                          m_card.Get(), IID_IAMStreamConfig, sc.PutVoid()));
        dshow::MediaType mt = dshow::MakeYuy2Type(width, height, 400000);
        ASSERT_HRESULT_SUCCEEDED(sc->SetFormat(&mt));
    }

    // The card's capture output of a type (its first pin carrying it).
    ComPtr<IPin> CardPin(const GUID& major) { return graphtest::OutputCarrying(m_card.Get(), major); }

    HRESULT Connect(const GUID& major, int input, const AM_MEDIA_TYPE* mt = nullptr) {
        ComPtr<IPin> out = CardPin(major), in = graphtest::PinOf(m_encoder.Get(), PINDIR_INPUT, input);
        if (!out || !in)
            return E_NOINTERFACE;
        return m_graph->ConnectDirect(out.Get(), in.Get(), mt);
    }
    HRESULT ConnectVideo(const AM_MEDIA_TYPE* mt = nullptr) { return Connect(MEDIATYPE_Video, 0, mt); }
    HRESULT ConnectAudio() { return Connect(MEDIATYPE_Audio, 1); }

    // Builds the graph for a format and records for ms; returns the time it ran, in seconds.
    double Record(Kind kind, bool ntsc, LONG width, LONG height, const std::string& file, DWORD ms) {
        DeleteFileA(file.c_str());
        Configure(kind, ntsc);
        SetCaptureSize(width, height);
        ComPtr<IFileSinkFilter> sink;
        EXPECT_HRESULT_SUCCEEDED(m_encoder->QueryInterface(IID_IFileSinkFilter, sink.PutVoid()));
        EXPECT_HRESULT_SUCCEEDED(sink->SetFileName(Wide(file).c_str(), nullptr));
        EXPECT_HRESULT_SUCCEEDED(ConnectVideo());
        EXPECT_HRESULT_SUCCEEDED(ConnectAudio());
        HRESULT hr = m_control->Run();
        EXPECT_HRESULT_SUCCEEDED(hr) << ErrorText();
        if (FAILED(hr))
            return 0;
        const DWORD t0 = GetTickCount();
        Sleep(ms);
        const DWORD t1 = GetTickCount();
        EXPECT_HRESULT_SUCCEEDED(m_control->Stop());
        return (t1 - t0) / 1000.0;
    }

    void CheckFile(const std::string& file, double seconds, const char* codec, int width, int height,
                   double rate, int sampleRate) {
        auto p = mediacheck::Probe(file);
        ASSERT_FALSE(p.empty()) << "ffprobe cannot read " << file;
        EXPECT_EQ("mpeg", Text(p, "format.format_name"));
        const std::string v = StreamOf(p, "video"), a = StreamOf(p, "audio");
        ASSERT_FALSE(v.empty());
        ASSERT_FALSE(a.empty()) << "the card's sound is in the file";
        EXPECT_EQ(codec, Text(p, v + "codec_name"));
        EXPECT_EQ(width, Number(p, v + "width"));
        EXPECT_EQ(height, Number(p, v + "height"));
        EXPECT_NEAR(rate, mediacheck::Rate(Text(p, v + "r_frame_rate")), 0.01);
        EXPECT_EQ("mp2", Text(p, a + "codec_name"));
        EXPECT_EQ(sampleRate, Number(p, a + "sample_rate"));
        EXPECT_EQ(2, Number(p, a + "channels"));
        EXPECT_NEAR(seconds, Number(p, "format.duration"), 0.5);
        std::string errors;
        EXPECT_TRUE(mediacheck::DecodesCleanly(file, &errors)) << errors;
        long written = 0, droppedPictures = 0, droppedSound = 0;
        ASSERT_HRESULT_SUCCEEDED(m_config->GetCounts(&written, &droppedPictures, &droppedSound));
        EXPECT_GT(written, 0);
        if (!HasFailure())
            DeleteFileA(file.c_str()); // kept for a look when something is wrong
    }

    std::string ErrorText() {
        char text[256] = "?";
        m_config->GetLastErrorText(text, sizeof text);
        return text;
    }

    ComPtr<IGraphBuilder> m_graph;
    ComPtr<ICaptureGraphBuilder2> m_builder;
    ComPtr<IBaseFilter> m_card, m_encoder;
    ComPtr<IMpegEncoderConfig> m_config;
    ComPtr<IMpegEncoderAudio> m_audio;
    ComPtr<IMediaControl> m_control;
};

TEST_F(MpegEncoderGraph, DvdRecordingIsMpeg2With48kLayer2) {
    const std::string file = TempFile("tunaro-encoder-dvd.mpg");
    const double seconds = Record(Kind::Dvd, false, 720, 576, file, 10000);
    CheckFile(file, seconds, "mpeg2video", 720, 576, 25.0, 48000);
}

TEST_F(MpegEncoderGraph, SvcdRecordingIsMpeg2Of480Columns) {
    const std::string file = TempFile("tunaro-encoder-svcd.mpg");
    const double seconds = Record(Kind::Svcd, false, 480, 576, file, 10000);
    CheckFile(file, seconds, "mpeg2video", 480, 576, 25.0, 44100);
}

TEST_F(MpegEncoderGraph, VcdRecordingIsMpeg1At44kFromThe48kCard) {
    const std::string file = TempFile("tunaro-encoder-vcd.mpg");
    const double seconds = Record(Kind::Vcd, false, 352, 288, file, 10000);
    CheckFile(file, seconds, "mpeg1video", 352, 288, 25.0, 44100);
}

// NTSC: the 480-line formats at 29.97 pictures a second, whether the card delivers that rate
// or the 25 per second the recording graph sets on every standard; either way the file plays in
// real time (as many pictures as its length takes at 29.97).
TEST_F(MpegEncoderGraph, NtscRecordingsAre480LinesAt2997InRealTime) {
    ComPtr<IAMAnalogVideoDecoder> decoder;
    ASSERT_HRESULT_SUCCEEDED(m_card->QueryInterface(IID_IAMAnalogVideoDecoder, decoder.PutVoid()));
    // The card goes back to its PAL standard whatever happens here.
    struct Restore {
        IAMAnalogVideoDecoder* d;
        ~Restore() { d->put_TVFormat(AnalogVideo_PAL_D); }
    } restore{decoder.Get()};
    struct Case {
        Kind kind;
        LONG width, height;
        REFERENCE_TIME frameTime; // what the capture is set to
        long standard;            // the card's video standard
        const char* codec;
        int sampleRate;
    };
    const Case cases[] = {
        {Kind::Dvd, 720, 480, 400000, AnalogVideo_PAL_D, "mpeg2video", 48000}, // the card at 25/s
        {Kind::Svcd, 480, 480, 333667, AnalogVideo_NTSC_M, "mpeg2video", 44100},
        {Kind::Vcd, 352, 240, 333667, AnalogVideo_NTSC_M, "mpeg1video", 44100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.width << "x" << c.height << " from " << 1e7 / c.frameTime << "/s");
        ASSERT_HRESULT_SUCCEEDED(decoder->put_TVFormat(c.standard));
        const std::string file = TempFile("tunaro-encoder-ntsc.mpg");
        DeleteFileA(file.c_str());
        Configure(c.kind, true);
        ComPtr<IAMStreamConfig> sc;
        ASSERT_HRESULT_SUCCEEDED(m_builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                                                          m_card.Get(), IID_IAMStreamConfig, sc.PutVoid()));
        dshow::MediaType mt = dshow::MakeYuy2Type(c.width, c.height, c.frameTime);
        ASSERT_HRESULT_SUCCEEDED(sc->SetFormat(&mt));
        ComPtr<IFileSinkFilter> sink;
        ASSERT_HRESULT_SUCCEEDED(m_encoder->QueryInterface(IID_IFileSinkFilter, sink.PutVoid()));
        ASSERT_HRESULT_SUCCEEDED(sink->SetFileName(Wide(file).c_str(), nullptr));
        ASSERT_HRESULT_SUCCEEDED(ConnectVideo());
        ASSERT_HRESULT_SUCCEEDED(ConnectAudio());
        ASSERT_HRESULT_SUCCEEDED(m_control->Run()) << ErrorText();
        const DWORD t0 = GetTickCount();
        Sleep(5000);
        const double seconds = (GetTickCount() - t0) / 1000.0;
        ASSERT_HRESULT_SUCCEEDED(m_control->Stop());
        long written = 0, droppedPictures = 0, droppedSound = 0;
        ASSERT_HRESULT_SUCCEEDED(m_config->GetCounts(&written, &droppedPictures, &droppedSound));

        auto p = mediacheck::Probe(file, "-count_frames");
        ASSERT_FALSE(p.empty()) << "ffprobe cannot read " << file;
        EXPECT_EQ("mpeg", Text(p, "format.format_name"));
        const std::string v = StreamOf(p, "video"), a = StreamOf(p, "audio");
        ASSERT_FALSE(v.empty());
        ASSERT_FALSE(a.empty());
        EXPECT_EQ(c.codec, Text(p, v + "codec_name"));
        EXPECT_EQ(c.width, Number(p, v + "width"));
        EXPECT_EQ(c.height, Number(p, v + "height"));
        EXPECT_NEAR(30000.0 / 1001, mediacheck::Rate(Text(p, v + "r_frame_rate")), 0.01);
        EXPECT_EQ(c.sampleRate, Number(p, a + "sample_rate"));
        const double duration = Number(p, "format.duration");
        EXPECT_NEAR(seconds, duration, 0.5);
        // Played at 29.97 the pictures last as long as the recording: none missing where the
        // card sent 25 a second, none extra.
        // (A machine too busy to encode in time drops pictures, and their places stay empty.)
        const double pictures = Number(p, v + "nb_read_frames");
        EXPECT_LE(pictures, duration * 30000 / 1001 * 1.05);
        if (droppedPictures == 0) {
            EXPECT_NEAR(duration * 30000 / 1001, pictures, 0.05 * duration * 30);
            if (c.frameTime == 400000) {
                EXPECT_GT(pictures, written * 1.1)
                    << "the 25 pictures a second were spread over 29.97 places";
            }
        }
        std::string errors;
        EXPECT_TRUE(mediacheck::DecodesCleanly(file, &errors)) << errors;

        m_graph->Disconnect(CardPin(MEDIATYPE_Video).Get());
        m_graph->Disconnect(graphtest::PinOf(m_encoder.Get(), PINDIR_INPUT, 0).Get());
        m_graph->Disconnect(CardPin(MEDIATYPE_Audio).Get());
        m_graph->Disconnect(graphtest::PinOf(m_encoder.Get(), PINDIR_INPUT, 1).Get());
        if (!HasFailure())
            DeleteFileA(file.c_str());
    }
}

TEST_F(MpegEncoderGraph, ASlowEncoderDropsAndCountsWithoutHoldingUpTheCard) {
    // Each picture takes the encoder 200 ms: far slower than the card's 25 per second, so the
    // queue (a second of pictures) fills and stays full.
    SetEnvironmentVariableA("TUNARO_MPEG_ENCODER_SLOW_MS", "200");
    const std::string file = TempFile("tunaro-encoder-slow.mpg");
    Record(Kind::Vcd, false, 352, 288, file, 6000);
    long written = 0, droppedPictures = 0, droppedSound = 0;
    ASSERT_HRESULT_SUCCEEDED(m_config->GetCounts(&written, &droppedPictures, &droppedSound));
    ComPtr<IAMDroppedFrames> cardCounts;
    ASSERT_HRESULT_SUCCEEDED(m_builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, m_card.Get(),
                                                      IID_IAMDroppedFrames, cardCounts.PutVoid()));
    LONG delivered = 0, cardDropped = 0;
    ASSERT_HRESULT_SUCCEEDED(cardCounts->GetNumNotDropped(&delivered));
    ASSERT_HRESULT_SUCCEEDED(cardCounts->GetNumDropped(&cardDropped));
    EXPECT_GE(delivered, 120) << "the card kept delivering at its rate";
    EXPECT_EQ(0, cardDropped) << "the card never waited for the encoder";
    EXPECT_GT(droppedPictures, delivered / 3) << "most pictures could not be encoded in time";
    // Every picture the card delivered was either encoded, dropped, or still queued at the stop
    // (encoded then too).
    EXPECT_NEAR(delivered, written + droppedPictures, 2);
    EXPECT_LT(written, delivered / 2);
    auto p = mediacheck::Probe(file);
    ASSERT_FALSE(p.empty());
    EXPECT_EQ("mpeg1video", Text(p, StreamOf(p, "video") + "codec_name"));
    DeleteFileA(file.c_str());
}

TEST_F(MpegEncoderGraph, BadInputIsRefusedWithAReason) {
    // Configuration calls outside a Begin/End pair, and values out of range.
    EXPECT_EQ(VFW_E_WRONG_STATE, m_config->SetFormat(8));
    ASSERT_HRESULT_SUCCEEDED(m_config->BeginConfig(1));
    EXPECT_EQ(E_INVALIDARG, m_config->SetFormat(5));
    EXPECT_EQ(E_INVALIDARG, m_config->SetVideoBitRate(-1));
    EXPECT_EQ(E_INVALIDARG, m_audio->SetBitRates(64, 0));
    EXPECT_EQ(VFW_E_WRONG_STATE, m_config->EndConfig(0)) << "no format was set";
    EXPECT_NE(std::string::npos, ErrorText().find("no format"));

    // Unconfigured: the graph does not start.
    SetCaptureSize(720, 576);
    ASSERT_HRESULT_SUCCEEDED(ConnectVideo());
    ComPtr<IFileSinkFilter> sink;
    ASSERT_HRESULT_SUCCEEDED(m_encoder->QueryInterface(IID_IFileSinkFilter, sink.PutVoid()));
    const std::string file = TempFile("tunaro-encoder-bad.mpg");
    DeleteFileA(file.c_str());
    ASSERT_HRESULT_SUCCEEDED(sink->SetFileName(Wide(file).c_str(), nullptr));
    EXPECT_TRUE(FAILED(m_control->Run()));
    m_control->Stop();
    graphtest::StopEach(m_graph.Get());
    EXPECT_EQ("the encoder is not configured", ErrorText());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(file.c_str()));

    // A picture size the configured format does not take: the connection is refused.
    ComPtr<IPin> connected = CardPin(MEDIATYPE_Video);
    ASSERT_TRUE(connected);
    m_graph->Disconnect(connected.Get());
    m_graph->Disconnect(graphtest::PinOf(m_encoder.Get(), PINDIR_INPUT, 0).Get());
    Configure(Kind::Vcd, false);
    dshow::MediaType dvdSize = dshow::MakeYuy2Type(720, 576, 400000);
    EXPECT_TRUE(FAILED(ConnectVideo(&dvdSize))) << "720x576 into a VCD encoder";
    EXPECT_NE(std::string::npos, ErrorText().find("YUY2"));
    SetCaptureSize(352, 288);
    ASSERT_HRESULT_SUCCEEDED(ConnectVideo());
    // Sound it cannot take: six channels, or 8-bit samples.
    ComPtr<IPin> soundIn = graphtest::PinOf(m_encoder.Get(), PINDIR_INPUT, 1);
    ASSERT_TRUE(soundIn);
    dshow::MediaType sixChannels = dshow::MakePcmType(48000, 6), eightBit = dshow::MakePcmType(44100, 2);
    auto* wfx = reinterpret_cast<WAVEFORMATEX*>(eightBit.pbFormat);
    wfx->wBitsPerSample = 8;
    wfx->nBlockAlign = 2;
    wfx->nAvgBytesPerSec = 88200;
    EXPECT_NE(S_OK, soundIn->QueryAccept(&sixChannels));
    EXPECT_NE(std::string::npos, ErrorText().find("16-bit PCM")) << ErrorText();
    EXPECT_NE(S_OK, soundIn->QueryAccept(&eightBit));
    dshow::MediaType stereo = dshow::MakePcmType(44100, 2);
    EXPECT_EQ(S_OK, soundIn->QueryAccept(&stereo));

    // A file that cannot be created.
    ASSERT_HRESULT_SUCCEEDED(sink->SetFileName(L"Q:\\no such folder\\x.mpg", nullptr));
    EXPECT_TRUE(FAILED(m_control->Run()));
    m_control->Stop();
    graphtest::StopEach(m_graph.Get());
    EXPECT_NE(std::string::npos, ErrorText().find("cannot create the file")) << ErrorText();

    // An empty name is no name.
    EXPECT_EQ(E_INVALIDARG, sink->SetFileName(L"", nullptr));
    EXPECT_EQ("no file name", ErrorText());

    // A fresh encoder without a file name does not start either.
    ComPtr<IBaseFilter> second;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(tunaro::kClsidMpegEncoder, nullptr, CLSCTX_INPROC_SERVER,
                                              IID_IBaseFilter, second.PutVoid()));
    ComPtr<IMpegEncoderConfig> secondConfig;
    ASSERT_HRESULT_SUCCEEDED(second->QueryInterface(__uuidof(IMpegEncoderConfig), secondConfig.PutVoid()));
    ASSERT_HRESULT_SUCCEEDED(secondConfig->BeginConfig(1));
    ASSERT_HRESULT_SUCCEEDED(secondConfig->SetFormat(4));
    ASSERT_HRESULT_SUCCEEDED(secondConfig->EndConfig(0));
    EXPECT_EQ(E_INVALIDARG, second->Pause()) << "no file name";
    char text[128] = "";
    secondConfig->GetLastErrorText(text, sizeof text);
    EXPECT_STREQ("no file name", text);
    second->Stop();
}

} // namespace
