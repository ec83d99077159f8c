// Recording the simulated card to AVI the way the capture engine does: the capture graph
// builder's file output (AVI Mux and File Writer), stream control holding the capture pins
// while the graph runs and switching them on, the multiplexer's master stream and index, and
// what an independent reader (native ffprobe and ffmpeg) makes of the file.
#include <gtest/gtest.h>

#include <string>

#include "platform/dshow/com_ptr.h"
#include "platform/dshow/media_type.h"
#include "tests/platform/graph_support.h"
#include "tests/platform/media_check.h"

using dshow::ComPtr;
using graphtest::Number;
using graphtest::TempFile;
using graphtest::Text;
using graphtest::Wide;

namespace {

constexpr REFERENCE_TIME kNever = 0x7FFFFFFFFFFFFFFFLL;

class AviRecording : public ::testing::Test {
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
        ASSERT_TRUE(mediacheck::Available()) << "native ffprobe/ffmpeg are needed to read the recordings";
    }
    void TearDown() override {
        if (m_control)
            m_control->Stop();
        m_control.Reset();
        m_events.Reset();
        m_card.Reset();
        m_mux.Reset();
        m_builder.Reset();
        m_graph.Reset();
        CoUninitialize();
    }

    // Capture pin at width x height YUY2 and 25 frames per second.
    void SetCaptureSize(LONG width, LONG height) {
        ComPtr<IAMStreamConfig> config;
        ASSERT_HRESULT_SUCCEEDED(m_builder->FindInterface(
            &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, m_card.Get(), IID_IAMStreamConfig, config.PutVoid()));
        dshow::MediaType mt = dshow::MakeYuy2Type(width, height, 400000);
        ASSERT_HRESULT_SUCCEEDED(config->SetFormat(&mt));
    }

    // Audio first (stream 0, the master), then the picture, into the file's multiplexer.
    void BuildAvi(const std::string& file) {
        DeleteFileA(file.c_str());
        ComPtr<IFileSinkFilter> sink;
        ASSERT_HRESULT_SUCCEEDED(
            m_builder->SetOutputFileName(&MEDIASUBTYPE_Avi, Wide(file).c_str(), m_mux.Put(), sink.Put()));
        ASSERT_TRUE(m_mux && sink);
        ComPtr<IConfigAviMux> config;
        ASSERT_HRESULT_SUCCEEDED(m_mux->QueryInterface(IID_IConfigAviMux, config.PutVoid()));
        ASSERT_HRESULT_SUCCEEDED(config->SetOutputCompatibilityIndex(TRUE));
        ASSERT_HRESULT_SUCCEEDED(config->SetMasterStream(0));
        ASSERT_HRESULT_SUCCEEDED(m_builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio,
                                                         m_card.Get(), nullptr, m_mux.Get()));
        ASSERT_HRESULT_SUCCEEDED(m_builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                                                         m_card.Get(), nullptr, m_mux.Get()));
        ASSERT_HRESULT_SUCCEEDED(m_graph->QueryInterface(IID_IMediaControl, m_control.PutVoid()));
        ASSERT_HRESULT_SUCCEEDED(m_graph->QueryInterface(IID_IMediaEventEx, m_events.PutVoid()));
    }

    // Runs the graph with the capture streams held, then switches them on for the given time.
    void Record(DWORD heldMs, DWORD recordMs) {
        REFERENCE_TIME never = kNever;
        ASSERT_HRESULT_SUCCEEDED(
            m_builder->ControlStream(&PIN_CATEGORY_CAPTURE, nullptr, nullptr, &never, &never, 1, 2));
        ASSERT_HRESULT_SUCCEEDED(m_control->Run());
        Sleep(heldMs);
        ASSERT_HRESULT_SUCCEEDED(
            m_builder->ControlStream(&PIN_CATEGORY_CAPTURE, nullptr, nullptr, nullptr, &never, 7, 8));
        Sleep(recordMs);
        ASSERT_HRESULT_SUCCEEDED(m_control->Stop());
    }

    // Counts the stream-control started events with the cookie given when switching on.
    int StartedEvents() {
        int started = 0;
        long code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        while (m_events->GetEvent(&code, &p1, &p2, 0) == S_OK) {
            if (code == EC_STREAM_CONTROL_STARTED && p2 == 7)
                ++started;
            m_events->FreeEventParams(code, p1, p2);
        }
        return started;
    }

    ComPtr<IGraphBuilder> m_graph;
    ComPtr<ICaptureGraphBuilder2> m_builder;
    ComPtr<IBaseFilter> m_card;
    ComPtr<IBaseFilter> m_mux;
    ComPtr<IMediaControl> m_control;
    ComPtr<IMediaEventEx> m_events;
};

TEST_F(AviRecording, UncompressedPictureAndSoundForTheTimeTheStreamsWereOn) {
    const std::string file = TempFile("tunaro-uncompressed.avi");
    SetCaptureSize(352, 288);
    BuildAvi(file);
    // Held for a second while the graph runs: nothing of it may reach the file.
    Record(1000, 10000);
    EXPECT_EQ(StartedEvents(), 2) << "both capture pins report that they started";
    auto p = mediacheck::Probe(file, "-count_frames");
    ASSERT_FALSE(p.empty()) << "ffprobe cannot read " << file;
    EXPECT_EQ(Text(p, "format.format_name"), "avi");
    EXPECT_EQ(Text(p, "streams.stream.0.codec_type"), "audio");
    EXPECT_EQ(Text(p, "streams.stream.0.codec_name"), "pcm_s16le");
    EXPECT_EQ(Number(p, "streams.stream.0.channels"), 2);
    EXPECT_EQ(Number(p, "streams.stream.0.sample_rate"), 48000);
    EXPECT_EQ(Text(p, "streams.stream.1.codec_type"), "video");
    EXPECT_EQ(Text(p, "streams.stream.1.codec_name"), "rawvideo");
    EXPECT_EQ(Text(p, "streams.stream.1.pix_fmt"), "yuyv422");
    EXPECT_EQ(Number(p, "streams.stream.1.width"), 352);
    EXPECT_EQ(Number(p, "streams.stream.1.height"), 288);
    EXPECT_NEAR(mediacheck::Rate(Text(p, "streams.stream.1.r_frame_rate")), 25.0, 1.0);
    EXPECT_NEAR(Number(p, "format.duration"), 10.0, 0.5);
    // The reader gives PCM in AVI no duration of its own: its sample count tells.
    EXPECT_NEAR(Number(p, "streams.stream.0.nb_frames") / 48000, Number(p, "streams.stream.1.duration"), 0.2)
        << "the picture is stretched to the sound's length";
    std::string errors;
    EXPECT_TRUE(mediacheck::DecodesCleanly(file, &errors)) << errors;
    if (!HasFailure())
        DeleteFileA(file.c_str()); // kept for a look when something is wrong
}

TEST_F(AviRecording, RecordingsPastTheSegmentSizeStayReadableToTheEnd) {
    // Segments of 8 MB instead of about 1 GB: the same layout as a long recording, in seconds.
    SetEnvironmentVariableA("TUNARO_AVI_SEGMENT_LIMIT", "8000000");
    const std::string file = TempFile("tunaro-segments.avi");
    SetCaptureSize(720, 576);
    BuildAvi(file);
    Record(200, 3000);
    SetEnvironmentVariableA("TUNARO_AVI_SEGMENT_LIMIT", nullptr);
    WIN32_FILE_ATTRIBUTE_DATA info{};
    ASSERT_TRUE(GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &info));
    EXPECT_GT(info.nFileSizeLow, 3u * 8000000) << "the recording should span several segments";
    auto p = mediacheck::Probe(file, "-count_frames");
    ASSERT_FALSE(p.empty());
    EXPECT_EQ(Number(p, "streams.stream.1.width"), 720);
    EXPECT_NEAR(Number(p, "format.duration"), 3.0, 0.5);
    // Every frame the card delivered is found in the file, across all segments (a frame on
    // its way when the recording stopped may be missing).
    ComPtr<IAMDroppedFrames> counts;
    ASSERT_HRESULT_SUCCEEDED(m_builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, m_card.Get(),
                                                      IID_IAMDroppedFrames, counts.PutVoid()));
    LONG delivered = 0;
    ASSERT_HRESULT_SUCCEEDED(counts->GetNumNotDropped(&delivered));
    EXPECT_GE(delivered, 25) << "at least a second of pictures";
    EXPECT_LE(Number(p, "streams.stream.1.nb_read_frames"), delivered);
    EXPECT_GE(Number(p, "streams.stream.1.nb_read_frames"), delivered - 2);
    std::string errors;
    EXPECT_TRUE(mediacheck::DecodesCleanly(file, &errors)) << errors;
    if (!HasFailure())
        DeleteFileA(file.c_str()); // kept for a look when something is wrong
}

TEST_F(AviRecording, AFileThatCannotBeCreatedIsRefusedBeforeTheGraphIsBuilt) {
    ComPtr<IBaseFilter> m;
    ComPtr<IFileSinkFilter> sink;
    EXPECT_EQ(
        m_builder->SetOutputFileName(&MEDIASUBTYPE_Avi, L"Q:\\no such folder\\x.avi", m.Put(), sink.Put()),
        HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(m);
    ComPtr<IEnumFilters> all;
    ASSERT_HRESULT_SUCCEEDED(m_graph->EnumFilters(all.Put()));
    IBaseFilter* f = nullptr;
    int filters = 0;
    while (all->Next(1, &f, nullptr) == S_OK) {
        ++filters;
        f->Release();
    }
    EXPECT_EQ(filters, 1) << "only the card: no multiplexer or writer was left behind";
    // A name that can be created is accepted, and no empty file stays behind until it runs.
    const std::string file = TempFile("tunaro-not-yet.avi");
    DeleteFileA(file.c_str());
    ASSERT_HRESULT_SUCCEEDED(
        m_builder->SetOutputFileName(&MEDIASUBTYPE_Avi, Wide(file).c_str(), m.Put(), sink.Put()));
    EXPECT_EQ(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
}

} // namespace
