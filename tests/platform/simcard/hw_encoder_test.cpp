// The 2388x card's hardware encoder feeding the "Dump Filter": nothing flows until the
// recording graph's property calls start it, then a real MPEG-2 program stream of the card's
// picture and sound reaches the dump file, which native ffprobe and ffmpeg read back.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/dshow/com_ptr.h"
#include "tests/platform/graph_support.h"
#include "tests/platform/simcard/harness.h"
#include "platform/include/ks_tuner.h"
#include "tests/platform/media_check.h"
#include "platform/include/mpeg_encoder.h"

using dshow::ComPtr;
using graphtest::Number;
using graphtest::StreamOf;
using graphtest::Text;

namespace {

// The last n bytes of a file.
std::string LastBytes(const std::string& file, size_t n) {
    std::string bytes;
    HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER size{};
    if (h == INVALID_HANDLE_VALUE)
        return bytes;
    if (GetFileSizeEx(h, &size) && size.QuadPart >= static_cast<LONGLONG>(n)) {
        LARGE_INTEGER at;
        at.QuadPart = size.QuadPart - static_cast<LONGLONG>(n);
        bytes.resize(n);
        DWORD got = 0;
        if (!SetFilePointerEx(h, at, nullptr, FILE_BEGIN) ||
            !ReadFile(h, &bytes[0], static_cast<DWORD>(n), &got, nullptr))
            got = 0;
        bytes.resize(got);
    }
    CloseHandle(h);
    return bytes;
}

// Seconds from the first decoded picture of the file to the end of its last one (25 per second).
double PictureSpan(const std::string& file) {
    std::string out;
    if (mediacheck::RunShell(
            "ffprobe -v error -select_streams v:0 -show_entries frame=pts_time -of default=nw=1:nk=1 '" +
                mediacheck::UnixPath(file) + "' | grep -E '^[0-9.]+$' | sort -g | sed -n '1p;$p'",
            &out) != 0)
        return -1;
    double first = 0, last = 0;
    if (sscanf(out.c_str(), "%lf %lf", &first, &last) != 2)
        return -1;
    return last - first + 0.04;
}

class HardwareEncoder : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        ASSERT_TRUE(m_card.Loaded());
        ASSERT_HRESULT_SUCCEEDED(m_card.Configure("CX2388X"));
        m_encoder = m_card.Create(harness::kClsidEncoder);
        ASSERT_TRUE(m_encoder);
        ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(tunaro::kClsidDumpFilter, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_IBaseFilter, m_dump.PutVoid()))
            << "the dump filter is registered by the prefix";
        ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_IGraphBuilder, m_graph.PutVoid()));
        ASSERT_HRESULT_SUCCEEDED(m_graph->AddFilter(m_encoder.Get(), L"2388x MPEG Encoder"));
        ASSERT_HRESULT_SUCCEEDED(m_graph->AddFilter(m_dump.Get(), L"Dump Filter"));
        ASSERT_HRESULT_SUCCEEDED(m_graph->QueryInterface(IID_IMediaControl, m_control.PutVoid()));
        ASSERT_TRUE(mediacheck::Available());
    }
    void TearDown() override {
        if (m_control)
            m_control->Stop();
        m_control.Reset();
        m_dump.Reset();
        m_encoder.Reset();
        m_graph.Reset();
        CoUninitialize();
    }

    void SetProp(DWORD id, DWORD value) {
        ComPtr<IKsPropertySet> props;
        ASSERT_HRESULT_SUCCEEDED(m_encoder->QueryInterface(IID_IKsPropertySet, props.PutVoid()));
        ASSERT_HRESULT_SUCCEEDED(
            props->Set(tunaro::kPropSetHardwareEncoder, id, &value, sizeof value, &value, sizeof value));
    }
    // The recording graph's calls, in its order.
    void Start(bool ntsc) {
        SetProp(9, 10);
        SetProp(8, ntsc ? 0 : 3);
        SetProp(4, 0);
        SetProp(5, 1);
        ComPtr<IKsPropertySet> props;
        ASSERT_HRESULT_SUCCEEDED(m_encoder->QueryInterface(IID_IKsPropertySet, props.PutVoid()));
        DWORD three[3] = {1, 6000000, 0};
        ASSERT_HRESULT_SUCCEEDED(
            props->Set(tunaro::kPropSetHardwareEncoder, 0, three, sizeof three, three, sizeof three));
        SetProp(4, 11);
        SetProp(7, 1);
    }
    void Connect(const std::string& file) {
        DeleteFileA(file.c_str());
        ASSERT_HRESULT_SUCCEEDED(
            m_graph->ConnectDirect(harness::PinOf(m_encoder.Get(), PINDIR_OUTPUT, 0).Get(),
                                   harness::PinOf(m_dump.Get(), PINDIR_INPUT, 0).Get(), nullptr));
        ComPtr<IFileSinkFilter> sink;
        ASSERT_HRESULT_SUCCEEDED(m_dump->QueryInterface(IID_IFileSinkFilter, sink.PutVoid()));
        ASSERT_HRESULT_SUCCEEDED(sink->SetFileName(graphtest::Wide(file).c_str(), nullptr));
    }
    double RunFor(DWORD ms) {
        EXPECT_HRESULT_SUCCEEDED(m_control->Run());
        const DWORD t0 = GetTickCount();
        Sleep(ms);
        const DWORD t1 = GetTickCount();
        EXPECT_HRESULT_SUCCEEDED(m_control->Stop());
        return (t1 - t0) / 1000.0;
    }

    harness::Card m_card;
    ComPtr<IBaseFilter> m_encoder, m_dump;
    ComPtr<IGraphBuilder> m_graph;
    ComPtr<IMediaControl> m_control;
};

TEST_F(HardwareEncoder, DvdStreamReachesTheDumpFileAfterThePropertyCalls) {
    const std::string file = graphtest::TempFile("tunaro-hw-dvd.mpg");
    Start(false);
    Connect(file);
    const double seconds = RunFor(10000);
    auto p = mediacheck::Probe(file);
    ASSERT_FALSE(p.empty()) << "ffprobe cannot read " << file;
    EXPECT_EQ("mpeg", Text(p, "format.format_name"));
    const std::string v = StreamOf(p, "video"), a = StreamOf(p, "audio");
    ASSERT_FALSE(v.empty());
    ASSERT_FALSE(a.empty());
    EXPECT_EQ("mpeg2video", Text(p, v + "codec_name"));
    EXPECT_EQ(720, Number(p, v + "width"));
    EXPECT_EQ(576, Number(p, v + "height"));
    EXPECT_NEAR(25.0, mediacheck::Rate(Text(p, v + "r_frame_rate")), 0.01);
    EXPECT_EQ("mp2", Text(p, a + "codec_name"));
    EXPECT_EQ(48000, Number(p, a + "sample_rate"));
    EXPECT_NEAR(seconds, Number(p, "format.duration"), 0.5);
    // What the encoder held at the stop (the last pictures and sound) reached the file before
    // the pin's buffers were taken back: the stream ends whole, with its end code, and its last
    // picture is as late as the recording.
    EXPECT_EQ(std::string("\x00\x00\x01\xB9", 4), LastBytes(file, 4)) << "program stream end code";
    EXPECT_NEAR(seconds, PictureSpan(file), 0.5);
    // The sound lasts as long, even where a busy machine left pictures out.
    EXPECT_NEAR(seconds, Number(p, a + "duration"), 0.5);
    std::string errors;
    EXPECT_TRUE(mediacheck::DecodesCleanly(file, &errors)) << errors;
    if (!HasFailure())
        DeleteFileA(file.c_str());
}

TEST_F(HardwareEncoder, NtscStandardGives480Lines) {
    const std::string file = graphtest::TempFile("tunaro-hw-ntsc.mpg");
    Start(true);
    Connect(file);
    RunFor(3000);
    auto p = mediacheck::Probe(file);
    ASSERT_FALSE(p.empty());
    const std::string v = StreamOf(p, "video");
    EXPECT_EQ(480, Number(p, v + "height"));
    EXPECT_NEAR(29.97, mediacheck::Rate(Text(p, v + "r_frame_rate")), 0.01);
    DeleteFileA(file.c_str());
}

TEST_F(HardwareEncoder, UnstartedEncoderDeliversNothing) {
    const std::string file = graphtest::TempFile("tunaro-hw-idle.mpg");
    Connect(file);
    RunFor(1500);
    WIN32_FILE_ATTRIBUTE_DATA info{};
    ASSERT_TRUE(GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &info)) << "the dump made its file";
    EXPECT_EQ(0u, info.nFileSizeLow);
    DeleteFileA(file.c_str());
}

TEST_F(HardwareEncoder, DumpWithoutAUsableFileDoesNotStart) {
    ASSERT_HRESULT_SUCCEEDED(m_graph->ConnectDirect(harness::PinOf(m_encoder.Get(), PINDIR_OUTPUT, 0).Get(),
                                                    harness::PinOf(m_dump.Get(), PINDIR_INPUT, 0).Get(),
                                                    nullptr));
    EXPECT_TRUE(FAILED(m_control->Run())) << "no file name";
    m_control->Stop();
    graphtest::StopEach(m_graph.Get());
    ComPtr<IFileSinkFilter> sink;
    ASSERT_HRESULT_SUCCEEDED(m_dump->QueryInterface(IID_IFileSinkFilter, sink.PutVoid()));
    EXPECT_EQ(E_INVALIDARG, sink->SetFileName(L"", nullptr));
    ASSERT_HRESULT_SUCCEEDED(sink->SetFileName(L"Q:\\no such folder\\x.mpg", nullptr));
    EXPECT_TRUE(FAILED(m_control->Run())) << "a file that cannot be created";
    m_control->Stop();
    graphtest::StopEach(m_graph.Get());
}

} // namespace
