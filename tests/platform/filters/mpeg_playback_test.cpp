// Playing MPEG program streams through the playback graph the system's graph builder makes
// (RenderFile, with the prefix's registration): DVD, VCD and SVCD streams written by the same
// writer the recordings use, each of pictures whose brightness tells their number. The duration
// is checked against native ffprobe's, a seek shows the picture of the time sought, the graph
// runs to its end; a cut-off file plays to where it stops and a file that is no MPEG is refused.
#include <gtest/gtest.h>

#include <windows.h>

#include <dshow.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/dshow/com_ptr.h"
#include "tests/platform/graph_support.h"
#include "tests/platform/media_check.h"
#include "platform/encoders/mpeg_program.h"
#include "tests/platform/filters/test_graph.h"

using dshow::ComPtr;
using encoders::DiscFormat;

namespace {

constexpr double kSeconds = 3.0;

// The luma of picture n: steps of 5 that repeat after 40 pictures.
int LevelOf(int n) {
    return 30 + (n * 5) % 200;
}

bool Write(const std::string& path, DiscFormat format) {
    const encoders::MpegSettings s = encoders::MpegDefaults(format, false);
    encoders::MpegProgramWriter w;
    std::string error;
    if (!w.Open(path, s, s.sampleRate, 2, &error))
        return false;
    const int frames = static_cast<int>(kSeconds * s.rateNum / s.rateDen);
    std::vector<uint8_t> picture(static_cast<size_t>(s.width) * s.height * 2);
    std::vector<int16_t> sound(static_cast<size_t>(s.sampleRate / 25) * 2);
    for (int n = 0; n < frames; ++n) {
        for (size_t i = 0; i < picture.size(); i += 2) {
            picture[i] = static_cast<uint8_t>(LevelOf(n));
            picture[i + 1] = 128;
        }
        for (size_t i = 0; i < sound.size(); ++i)
            sound[i] = static_cast<int16_t>(8000 * std::sin(static_cast<double>(n * sound.size() + i) / 20));
        if (!w.WriteVideo(picture.data(), s.width * 2, n) || !w.WriteAudio(sound.data(), sound.size() / 2))
            return false;
    }
    return w.Close(&error);
}

class MpegPlayback : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        ASSERT_TRUE(mediacheck::Available()) << "native ffprobe is needed to compare durations";
    }
    void TearDown() override {
        if (m_control)
            m_control->Stop();
        m_control.Reset();
        m_sink = nullptr;
        m_seeking.Reset();
        m_events.Reset();
        m_graph.Reset();
        CoUninitialize();
    }

    HRESULT Render(const std::string& path) {
        HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                      m_graph.PutVoid());
        if (FAILED(hr))
            return hr;
        // No window on the desktop for a test.
        hr = m_graph->RenderFile(graphtest::Wide(path).c_str(), nullptr);
        if (FAILED(hr))
            return hr;
        m_graph->QueryInterface(IID_IMediaControl, m_control.PutVoid());
        m_graph->QueryInterface(IID_IMediaSeeking, m_seeking.PutVoid());
        m_graph->QueryInterface(IID_IMediaEvent, m_events.PutVoid());
        ComPtr<IVideoWindow> window;
        if (SUCCEEDED(m_graph->QueryInterface(IID_IVideoWindow, window.PutVoid())))
            window->put_AutoShow(OAFALSE);
        return hr;
    }

    // Puts a sink that keeps the pictures in the video renderer's place.
    bool KeepPictures() {
        m_control->Stop();
        ComPtr<IBaseFilter> decoder;
        ComPtr<IEnumFilters> filters;
        m_graph->EnumFilters(filters.Put());
        IBaseFilter* f = nullptr;
        while (!decoder && filters && filters->Next(1, &f, nullptr) == S_OK) {
            CLSID clsid = CLSID_NULL;
            f->GetClassID(&clsid);
            if (clsid == CLSID_CMpegVideoCodec)
                decoder.Attach(f);
            else
                f->Release();
        }
        if (!decoder) {
            ADD_FAILURE() << "no MPEG video decoder in the graph";
            return false;
        }
        ComPtr<IPin> out = graphtest::PinOf(decoder.Get(), PINDIR_OUTPUT, 0), renderer;
        if (!out || FAILED(out->ConnectedTo(renderer.Put())))
            return false;
        PIN_INFO info{};
        renderer->QueryPinInfo(&info);
        m_graph->Disconnect(out.Get());
        m_graph->Disconnect(renderer.Get());
        if (info.pFilter) {
            m_graph->RemoveFilter(info.pFilter);
            info.pFilter->Release();
        }
        m_sink = new filtertest::Sink();
        ComPtr<IBaseFilter> sink;
        sink.Attach(static_cast<IBaseFilter*>(m_sink));
        EXPECT_HRESULT_SUCCEEDED(m_graph->AddFilter(sink.Get(), L"Pictures"));
        const HRESULT hr = m_graph->ConnectDirect(out.Get(), m_sink->pin, nullptr);
        EXPECT_HRESULT_SUCCEEDED(hr);
        return SUCCEEDED(hr);
    }

    double Duration() {
        LONGLONG d = -1;
        EXPECT_HRESULT_SUCCEEDED(m_seeking->GetDuration(&d));
        return static_cast<double>(d) / 1e7;
    }

    // Paused at seconds: the number of the first picture delivered from there (-1: none).
    int PictureAt(double seconds) {
        m_control->Stop();
        m_sink->pin->Take();
        LONGLONG at = static_cast<LONGLONG>(seconds * 1e7);
        EXPECT_HRESULT_SUCCEEDED(
            m_seeking->SetPositions(&at, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning));
        m_control->Pause();
        if (!filtertest::WaitFor([&] { return m_sink->pin->Count() >= 3; }, 5000))
            return -1;
        const std::vector<filtertest::Frame> got = m_sink->pin->Take();
        const AM_MEDIA_TYPE& mt = m_sink->pin->CurrentMediaType();
        const auto& bmi = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader;
        // The first picture is the one shown at the position (or the first of all).
        EXPECT_GT(got[0].start, -400000);
        EXPECT_LT(got[0].start, 400000);
        for (size_t i = 1; i < got.size(); ++i)
            EXPECT_GT(got[i].start, got[i - 1].start) << "in order, each once";
        const size_t middle = (static_cast<size_t>(bmi.biHeight / 2) * bmi.biWidth + bmi.biWidth / 2) * 4;
        if (got[0].data.size() < middle + 4)
            return -1;
        // Back from RGB to luma, then to the picture number near the time sought.
        const int level = static_cast<int>(std::lround(got[0].data[middle + 1] * 219.0 / 255.0 + 16));
        const int around = static_cast<int>(seconds * 25);
        for (int n = around - 3; n <= around + 3; ++n)
            if (n >= 0 && std::abs(LevelOf(n) - level) <= 2)
                return n;
        return -1000 - level;
    }

    // Runs from the start until the end of every stream (false on timeout).
    bool PlaysToTheEnd(DWORD timeoutMs) {
        m_control->Stop();
        LONGLONG start = 0;
        m_seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
        if (FAILED(m_control->Run()))
            return false;
        long code = 0;
        return m_events->WaitForCompletion(static_cast<long>(timeoutMs), &code) == S_OK &&
               code == EC_COMPLETE;
    }

    ComPtr<IGraphBuilder> m_graph;
    ComPtr<IMediaControl> m_control;
    ComPtr<IMediaSeeking> m_seeking;
    ComPtr<IMediaEventEx> m_events;
    filtertest::Sink* m_sink = nullptr; // held by the graph
};

TEST_F(MpegPlayback, DiscFormatsOpenSeekAndPlayToTheEnd) {
    const struct {
        DiscFormat format;
        const char* name;
    } cases[] = {{DiscFormat::Dvd, "dvd"}, {DiscFormat::Vcd, "vcd"}, {DiscFormat::Svcd, "svcd"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = graphtest::TempFile((std::string("playback-") + c.name + ".mpg").c_str());
        ASSERT_TRUE(Write(path, c.format));
        ASSERT_EQ(Render(path), S_OK);
        const auto probe = mediacheck::Probe(path);
        EXPECT_NEAR(Duration(), graphtest::Number(probe, "format.duration"), 0.5);
        EXPECT_NEAR(Duration(), kSeconds, 0.5);
        // The picture shown at a position: the last that starts at or before it, pictures
        // starting where ffprobe says the video does.
        const double lead = graphtest::Number(probe, graphtest::StreamOf(probe, "video") + "start_time") -
                            graphtest::Number(probe, "format.start_time");
        auto shownAt = [&](double t) { return t < lead ? 0 : static_cast<int>((t - lead) * 25 + 1e-6); };
        EXPECT_TRUE(PlaysToTheEnd(static_cast<DWORD>(kSeconds * 1000) + 5000));
        ASSERT_TRUE(KeepPictures());
        // The picture of the time sought, forwards and back, decoded whole from its group.
        EXPECT_EQ(PictureAt(2.0), shownAt(2.0));
        EXPECT_EQ(PictureAt(0.6), shownAt(0.6));
        EXPECT_EQ(PictureAt(0.0), 0);
        TearDown();
        SetUp();
        DeleteFileA(path.c_str());
    }
}

TEST_F(MpegPlayback, ACutOffRecordingPlaysToWhereItStops) {
    const std::string whole = graphtest::TempFile("playback-whole.mpg");
    const std::string cut = graphtest::TempFile("playback-cut.mpg");
    ASSERT_TRUE(Write(whole, DiscFormat::Dvd));
    {
        std::ifstream in(whole, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // Cut inside a pack, as a killed writer leaves it.
        bytes.resize(bytes.size() * 55 / 100 + 777);
        std::ofstream(cut, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    DeleteFileA(whole.c_str());
    ASSERT_EQ(Render(cut), S_OK);
    const double probed = graphtest::Number(mediacheck::Probe(cut), "format.duration");
    EXPECT_NEAR(Duration(), probed, 0.5);
    EXPECT_LT(Duration(), kSeconds * 0.8);
    EXPECT_TRUE(PlaysToTheEnd(static_cast<DWORD>(kSeconds * 1000) + 5000));
    TearDown();
    SetUp();
    DeleteFileA(cut.c_str());
}

TEST_F(MpegPlayback, AFileThatIsNoMpegIsRefused) {
    const std::string path = graphtest::TempFile("playback-not.mpg");
    std::vector<char> noise(200000);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 2654435761u) >> 13);
    std::ofstream(path, std::ios::binary).write(noise.data(), static_cast<std::streamsize>(noise.size()));
    EXPECT_TRUE(FAILED(Render(path)));
    m_graph.Reset();
    DeleteFileA(path.c_str());
}

} // namespace
