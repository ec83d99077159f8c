// Recording the simulated card's sound to files the way the audio-only graphs do: through the
// infinite tee (with the audio renderer on its second output, so the sound is heard while
// recording) into the WAV writer and the File Writer, read back by native ffprobe and ffmpeg;
// and what the WAV writer refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/dshow/com_ptr.h"
#include "platform/dshow/media_type.h"
#include "tests/platform/graph_support.h"
#include "tests/platform/media_check.h"
#include "platform/include/outside_filters.h"

using dshow::ComPtr;
using graphtest::Number;
using graphtest::PinOf;
using graphtest::TempFile;
using graphtest::Text;
using graphtest::Wide;

namespace {

class AudioRecording : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_IGraphBuilder, m_graph.PutVoid()));
        m_card = graphtest::BindCard();
        if (!m_card)
            GTEST_SKIP() << "no simulated card in this prefix";
        ASSERT_HRESULT_SUCCEEDED(m_graph->AddFilter(m_card.Get(), L"Video Capture"));
        m_sound = graphtest::OutputCarrying(m_card.Get(), MEDIATYPE_Audio);
        ASSERT_TRUE(m_sound) << "the card has no sound output";
        ASSERT_HRESULT_SUCCEEDED(m_graph->QueryInterface(IID_IMediaControl, m_control.PutVoid()));
        ASSERT_TRUE(mediacheck::Available()) << "native ffprobe/ffmpeg are needed to read the recordings";
    }
    void TearDown() override {
        if (m_control) {
            m_control->Stop();
            graphtest::StopEach(m_graph.Get());
        }
        m_control.Reset();
        m_sound.Reset();
        m_card.Reset();
        m_graph.Reset();
        CoUninitialize();
    }

    ComPtr<IBaseFilter> Create(REFCLSID clsid, const wchar_t* name) {
        ComPtr<IBaseFilter> f;
        if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, f.PutVoid())) ||
            FAILED(m_graph->AddFilter(f.Get(), name)))
            f.Reset();
        return f;
    }
    HRESULT Connect(IBaseFilter* from, int out, IBaseFilter* to, int in) {
        ComPtr<IPin> a = PinOf(from, PINDIR_OUTPUT, out), b = PinOf(to, PINDIR_INPUT, in);
        if (!a || !b)
            return VFW_E_NOT_FOUND;
        return m_graph->ConnectDirect(a.Get(), b.Get(), nullptr);
    }
    // The WAV writer into a File Writer writing file.
    void AddWriters(const std::string& file) {
        DeleteFileA(file.c_str());
        m_waveDest = Create(tunaro::kClsidWaveDest, L"WaveDest Filter");
        ASSERT_TRUE(m_waveDest) << "the WAV writer is not registered";
        m_fileWriter = Create(CLSID_FileWriter, L"FileWrite Filter");
        ASSERT_TRUE(m_fileWriter);
        ComPtr<IFileSinkFilter> sink;
        ASSERT_HRESULT_SUCCEEDED(m_fileWriter->QueryInterface(IID_IFileSinkFilter, sink.PutVoid()));
        ASSERT_HRESULT_SUCCEEDED(sink->SetFileName(Wide(file).c_str(), nullptr));
        ASSERT_HRESULT_SUCCEEDED(Connect(m_waveDest.Get(), 0, m_fileWriter.Get(), 0));
    }
    // Runs the graph for about ms milliseconds; returns the seconds it ran.
    double RunFor(DWORD ms) {
        const DWORD t0 = GetTickCount();
        if (FAILED(m_control->Run()))
            return -1;
        Sleep(ms);
        const DWORD t1 = GetTickCount();
        m_control->Stop();
        return (t1 - t0) / 1000.0;
    }

    ComPtr<IGraphBuilder> m_graph;
    ComPtr<IMediaControl> m_control;
    ComPtr<IBaseFilter> m_card, m_waveDest, m_fileWriter;
    ComPtr<IPin> m_sound;
};

TEST_F(AudioRecording, PcmThroughTheTeeToTheWavWriterWhileTheRendererPlays) {
    const std::string file = TempFile("tunaro-wavedest.wav");
    AddWriters(file);
    ComPtr<IBaseFilter> tee = Create(CLSID_InfTee, L"INFTEE Filter");
    ASSERT_TRUE(tee);
    ASSERT_HRESULT_SUCCEEDED(
        m_graph->ConnectDirect(m_sound.Get(), PinOf(tee.Get(), PINDIR_INPUT, 0).Get(), nullptr));
    ASSERT_HRESULT_SUCCEEDED(Connect(tee.Get(), 0, m_waveDest.Get(), 0));
    ComPtr<IBaseFilter> renderer = Create(CLSID_DSoundRender, L"Waveout Render Device");
    ASSERT_TRUE(renderer);
    ASSERT_HRESULT_SUCCEEDED(Connect(tee.Get(), 1, renderer.Get(), 0)) << "the monitor branch";
    const double seconds = RunFor(4000);
    ASSERT_GT(seconds, 0) << "the graph did not run";

    auto p = mediacheck::Probe(file);
    ASSERT_FALSE(p.empty()) << "ffprobe cannot read " << file;
    EXPECT_EQ(Text(p, "format.format_name"), "wav");
    EXPECT_EQ(Text(p, "streams.stream.0.codec_name"), "pcm_s16le");
    EXPECT_EQ(Number(p, "streams.stream.0.channels"), 2);
    EXPECT_EQ(Number(p, "streams.stream.0.sample_rate"), 48000);
    // The sizes were written at stop: the reader's duration is the time the graph ran, which it
    // could only know from a complete header.
    EXPECT_NEAR(Number(p, "format.duration"), seconds, 0.5);
    WIN32_FILE_ATTRIBUTE_DATA info{};
    ASSERT_TRUE(GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &info));
    // Rounded: the reader prints the duration to the microsecond, and a 32-bit build compares in
    // the x87's wider precision, where 3.84 * 192000 is not 737280.
    EXPECT_EQ(info.nFileSizeLow, 44 + std::llround(Number(p, "format.duration") * 192000))
        << "header and whole sample frames";
    std::string errors;
    EXPECT_TRUE(mediacheck::DecodesCleanly(file, &errors)) << errors;

    // A second run of the same graph starts the file anew, with its own sizes.
    const double again = RunFor(1500);
    ASSERT_GT(again, 0);
    p = mediacheck::Probe(file);
    EXPECT_NEAR(Number(p, "format.duration"), again, 0.5);
    if (!HasFailure())
        DeleteFileA(file.c_str()); // kept for a look when something is wrong
}

TEST_F(AudioRecording, TheWavWriterRefusesPicturesAndARunWithNowhereToWrite) {
    ComPtr<IBaseFilter> wave = Create(tunaro::kClsidWaveDest, L"WaveDest Filter");
    ASSERT_TRUE(wave);
    ComPtr<IPin> picture = graphtest::OutputCarrying(m_card.Get(), MEDIATYPE_Video);
    ASSERT_TRUE(picture);
    EXPECT_HRESULT_FAILED(
        m_graph->ConnectDirect(picture.Get(), PinOf(wave.Get(), PINDIR_INPUT, 0).Get(), nullptr));
    // Sound in but no writer behind it: the graph must not run as if it recorded.
    ASSERT_HRESULT_SUCCEEDED(
        m_graph->ConnectDirect(m_sound.Get(), PinOf(wave.Get(), PINDIR_INPUT, 0).Get(), nullptr));
    EXPECT_HRESULT_FAILED(m_control->Run());
}

} // namespace
