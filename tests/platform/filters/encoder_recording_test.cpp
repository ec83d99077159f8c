// Recording the simulated card through the encoders the platform may lack, the way the engine's
// graphs use them, read back by native ffprobe and ffmpeg: MP3 in a WAV file (the audio-only
// graph), MPEG-4 V3 pictures with MP3 sound in an AVI, and Windows Media video and audio from the
// installed profiles through the ASF writer. Also that the engine's name search finds these
// compressors, and what each refuses.
#include <gtest/gtest.h>

#include <windows.h>

#include <dshow.h>
#include <mmreg.h>
#include <nserror.h>
#include <wmsdkidl.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/include/asf_writer.h"
#include "platform/dshow/com_ptr.h"
#include "platform/dshow/media_type.h"
#include "platform/filters/stock_codecs.h"
#include "tests/platform/graph_support.h"
#include "tests/platform/media_check.h"
#include "platform/include/outside_filters.h"

using dshow::ComPtr;
using graphtest::Number;
using graphtest::PinOf;
using graphtest::StreamOf;
using graphtest::TempFile;
using graphtest::Text;
using graphtest::Wide;

namespace {

constexpr REFERENCE_TIME kNever = 0x7FFFFFFFFFFFFFFFLL;
constexpr DWORD kRecordMs = 10000;

CLSID ClassOf(IBaseFilter* f) {
    CLSID clsid = CLSID_NULL;
    if (f)
        f->GetClassID(&clsid);
    return clsid;
}

class EncoderRecording : public ::testing::Test {
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
        m_sound = graphtest::OutputCarrying(m_card.Get(), MEDIATYPE_Audio);
        ASSERT_TRUE(m_sound);
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
        m_builder.Reset();
        m_graph.Reset();
        if (m_runtime)
            FreeLibrary(m_runtime);
        CoUninitialize();
    }

    ComPtr<IBaseFilter> Add(IBaseFilter* f, const wchar_t* name) {
        if (f && FAILED(m_graph->AddFilter(f, name)))
            return {};
        return f;
    }
    ComPtr<IBaseFilter> Create(REFCLSID clsid, const wchar_t* name) {
        ComPtr<IBaseFilter> f;
        if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, f.PutVoid())))
            return {};
        return Add(f.Get(), name);
    }
    HRESULT Connect(IPin* out, IBaseFilter* to, int in) {
        ComPtr<IPin> b = PinOf(to, PINDIR_INPUT, in);
        return out && b ? m_graph->ConnectDirect(out, b.Get(), nullptr) : VFW_E_NOT_FOUND;
    }
    HRESULT Connect(IBaseFilter* from, int out, IBaseFilter* to, int in) {
        return Connect(PinOf(from, PINDIR_OUTPUT, out).Get(), to, in);
    }
    // Capture pin at 352 x 288 YUY2, 25 frames a second.
    void CaptureCif() {
        ComPtr<IAMStreamConfig> config;
        ASSERT_HRESULT_SUCCEEDED(m_builder->FindInterface(
            &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, m_card.Get(), IID_IAMStreamConfig, config.PutVoid()));
        dshow::MediaType mt = dshow::MakeYuy2Type(352, 288, 400000);
        ASSERT_HRESULT_SUCCEEDED(config->SetFormat(&mt));
    }
    ComPtr<IPin> Picture() {
        ComPtr<IPin> pin;
        m_builder->FindPin(m_card.Get(), PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, TRUE, 0,
                           pin.Put());
        return pin;
    }
    // Runs the graph with the capture streams held for a moment, then on for ms; returns the
    // seconds they were on (-1 when the graph did not run).
    double Record(DWORD ms) {
        REFERENCE_TIME never = kNever;
        m_builder->ControlStream(&PIN_CATEGORY_CAPTURE, nullptr, nullptr, &never, &never, 0, 0);
        if (FAILED(m_control->Run()))
            return -1;
        Sleep(300);
        const DWORD t0 = GetTickCount();
        m_builder->ControlStream(&PIN_CATEGORY_CAPTURE, nullptr, nullptr, nullptr, &never, 0, 0);
        Sleep(ms);
        const DWORD t1 = GetTickCount();
        m_control->Stop();
        return (t1 - t0) / 1000.0;
    }
    // A profile of the system directory loaded through the runtime, as the engine loads it.
    ComPtr<IWMProfile> SystemProfile(const char* name) {
        ComPtr<IWMProfile> profile;
        if (!m_runtime)
            m_runtime = LoadLibraryA("wmvcore.dll");
        using Create = HRESULT(WINAPI*)(IWMProfileManager**);
        auto create = m_runtime ? reinterpret_cast<Create>(reinterpret_cast<void*>(
                                      GetProcAddress(m_runtime, "WMCreateProfileManager")))
                                : nullptr;
        ComPtr<IWMProfileManager> manager;
        if (!create || FAILED(create(manager.Put())))
            return profile;
        char dir[MAX_PATH];
        GetSystemDirectoryA(dir, MAX_PATH);
        std::ifstream in(std::string(dir) + "\\" + name, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        bytes.append(2, '\0');
        manager->LoadProfileByData(reinterpret_cast<const WCHAR*>(bytes.data()), profile.Put());
        return profile;
    }
    // The ASF writer configured from a profile, writing file.
    ComPtr<IBaseFilter> AsfWriter(const char* profileName, const std::string& file) {
        ComPtr<IBaseFilter> writer = Create(CLSID_WMAsfWriter, L"WM ASF Filter");
        ComPtr<IConfigAsfWriter> config;
        ComPtr<IFileSinkFilter2> sink;
        ComPtr<IWMProfile> profile = SystemProfile(profileName);
        EXPECT_TRUE(profile) << profileName << " does not load";
        if (!writer || !profile ||
            FAILED(writer->QueryInterface(__uuidof(IConfigAsfWriter), config.PutVoid())) ||
            FAILED(config->ConfigureFilterUsingProfile(profile.Get())) ||
            FAILED(writer->QueryInterface(IID_IFileSinkFilter2, sink.PutVoid())) ||
            FAILED(sink->SetFileName(Wide(file).c_str(), nullptr)))
            return {};
        return writer;
    }
    static void ExpectClean(const std::string& file) {
        std::string errors;
        EXPECT_TRUE(mediacheck::DecodesCleanly(file, &errors)) << errors;
    }

    ComPtr<IGraphBuilder> m_graph;
    ComPtr<ICaptureGraphBuilder2> m_builder;
    ComPtr<IMediaControl> m_control;
    ComPtr<IBaseFilter> m_card;
    ComPtr<IPin> m_sound;
    HMODULE m_runtime = nullptr;
};

TEST_F(EncoderRecording, TheNameSearchFindsTheCompressorsThatEncode) {
    ComPtr<IBaseFilter> mp3 = graphtest::FindByName(CLSID_AudioCompressorCategory, L"MPEG Layer-3");
    ASSERT_TRUE(mp3) << "no \"MPEG Layer-3\" audio compressor";
    EXPECT_EQ(ClassOf(mp3.Get()), filters::kClsidMp3Compressor) << "the last match must be the encoder";
    ComPtr<IBaseFilter> mp43 =
        graphtest::FindByName(CLSID_VideoCompressorCategory, L"Microsoft MPEG-4 Video Codec V3");
    ASSERT_TRUE(mp43) << "no MPEG-4 V3 video compressor";
    EXPECT_EQ(ClassOf(mp43.Get()), filters::kClsidMpeg4Compressor);
}

TEST_F(EncoderRecording, Mp3InAWavFileForTheTimeTheSoundWasOn) {
    const std::string file = TempFile("tunaro-sound.mp3");
    DeleteFileA(file.c_str());
    ComPtr<IBaseFilter> mp3 =
        Add(graphtest::FindByName(CLSID_AudioCompressorCategory, L"MPEG Layer-3").Get(), L"Audio compressor");
    ComPtr<IBaseFilter> wave = Create(tunaro::kClsidWaveDest, L"WaveDest Filter");
    ComPtr<IBaseFilter> writer = Create(CLSID_FileWriter, L"FileWrite Filter");
    ASSERT_TRUE(mp3 && wave && writer);
    ComPtr<IFileSinkFilter> sink;
    ASSERT_HRESULT_SUCCEEDED(writer->QueryInterface(IID_IFileSinkFilter, sink.PutVoid()));
    ASSERT_HRESULT_SUCCEEDED(sink->SetFileName(Wide(file).c_str(), nullptr));
    ASSERT_HRESULT_SUCCEEDED(Connect(m_sound.Get(), mp3.Get(), 0));
    ASSERT_HRESULT_SUCCEEDED(Connect(mp3.Get(), 0, wave.Get(), 0));
    ASSERT_HRESULT_SUCCEEDED(Connect(wave.Get(), 0, writer.Get(), 0));
    const double seconds = Record(kRecordMs);
    ASSERT_GT(seconds, 0) << "the graph did not run";

    auto p = mediacheck::Probe(file);
    ASSERT_FALSE(p.empty()) << "ffprobe cannot read " << file;
    EXPECT_EQ(Text(p, "streams.stream.0.codec_name"), "mp3");
    EXPECT_EQ(Number(p, "streams.stream.0.channels"), 2);
    EXPECT_EQ(Number(p, "streams.stream.0.sample_rate"), 48000);
    EXPECT_NEAR(Number(p, "streams.stream.0.bit_rate"), 128000, 1000);
    EXPECT_NEAR(Number(p, "format.duration"), seconds, 0.5);
    ExpectClean(file);
    // The data chunk is even and ends the file (no pad byte after it), and the system's
    // playback graph takes the file.
    HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    uint8_t head[70] = {};
    DWORD got = 0;
    ReadFile(h, head, sizeof head, &got, nullptr);
    const DWORD size = GetFileSize(h, nullptr);
    CloseHandle(h);
    ASSERT_EQ(got, sizeof head);
    ASSERT_EQ(memcmp(head + 62, "data", 4), 0) << "fmt (30 bytes) and fact chunks, then the data";
    const uint32_t data = head[66] | head[67] << 8 | head[68] << 16 | static_cast<uint32_t>(head[69]) << 24;
    EXPECT_EQ(data % 2, 0u);
    EXPECT_EQ(size, sizeof head + data);
    ComPtr<IGraphBuilder> player;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                              IID_IGraphBuilder, player.PutVoid()));
    EXPECT_HRESULT_SUCCEEDED(player->RenderFile(Wide(file).c_str(), nullptr));
    player.Reset();
    if (!HasFailure())
        DeleteFileA(file.c_str());
}

TEST_F(EncoderRecording, Mpeg4PicturesWithMp3SoundInAnAvi) {
    const std::string file = TempFile("tunaro-mpeg4.avi");
    DeleteFileA(file.c_str());
    CaptureCif();
    ComPtr<IBaseFilter> mux;
    ComPtr<IFileSinkFilter> sink;
    ASSERT_HRESULT_SUCCEEDED(
        m_builder->SetOutputFileName(&MEDIASUBTYPE_Avi, Wide(file).c_str(), mux.Put(), sink.Put()));
    ComPtr<IConfigAviMux> config;
    ASSERT_HRESULT_SUCCEEDED(mux->QueryInterface(IID_IConfigAviMux, config.PutVoid()));
    ASSERT_HRESULT_SUCCEEDED(config->SetOutputCompatibilityIndex(TRUE));
    ASSERT_HRESULT_SUCCEEDED(config->SetMasterStream(0));
    ComPtr<IBaseFilter> video =
        Add(graphtest::FindByName(CLSID_VideoCompressorCategory, L"Microsoft MPEG-4 Video Codec V3").Get(),
            L"Video compressor");
    ComPtr<IBaseFilter> audio =
        Add(graphtest::FindByName(CLSID_AudioCompressorCategory, L"MPEG Layer-3").Get(), L"Audio compressor");
    ASSERT_TRUE(video && audio);
    // Sound first (stream 0, the master), then the pictures, as the engine connects them.
    ASSERT_HRESULT_SUCCEEDED(Connect(m_sound.Get(), audio.Get(), 0));
    ASSERT_HRESULT_SUCCEEDED(Connect(audio.Get(), 0, mux.Get(), 0));
    ASSERT_HRESULT_SUCCEEDED(Connect(Picture().Get(), video.Get(), 0));
    ASSERT_HRESULT_SUCCEEDED(Connect(video.Get(), 0, mux.Get(), 1));
    const double seconds = Record(kRecordMs);
    ASSERT_GT(seconds, 0) << "the graph did not run";

    auto p = mediacheck::Probe(file);
    ASSERT_FALSE(p.empty()) << "ffprobe cannot read " << file;
    EXPECT_EQ(Text(p, "format.format_name"), "avi");
    const std::string v = StreamOf(p, "video"), a = StreamOf(p, "audio");
    EXPECT_EQ(Text(p, v + "codec_name"), "msmpeg4v3");
    EXPECT_EQ(Text(p, v + "codec_tag_string"), "MP43");
    EXPECT_EQ(Number(p, v + "width"), 352);
    EXPECT_EQ(Number(p, v + "height"), 288);
    EXPECT_NEAR(mediacheck::Rate(Text(p, v + "r_frame_rate")), 25.0, 0.5);
    EXPECT_EQ(Text(p, a + "codec_name"), "mp3");
    EXPECT_EQ(Number(p, a + "sample_rate"), 48000);
    EXPECT_NEAR(Number(p, "format.duration"), seconds, 0.5);
    // Compressed: a fraction of the 5 MB a second the pictures take uncompressed, even when the
    // card shows nothing but snow.
    WIN32_FILE_ATTRIBUTE_DATA info{};
    ASSERT_TRUE(GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &info));
    EXPECT_LT(info.nFileSizeLow / seconds, 352.0 * 288 * 2 * 25 / 4);
    ExpectClean(file);
    if (!HasFailure())
        DeleteFileA(file.c_str());
}

TEST_F(EncoderRecording, WindowsMediaVideoFromTheVideoProfile) {
    const std::string file = TempFile("tunaro-video.wmv");
    DeleteFileA(file.c_str());
    CaptureCif();
    ComPtr<IBaseFilter> writer = AsfWriter("WMV9.prx", file);
    ASSERT_TRUE(writer);
    // The profile's order: sound is input 0, pictures input 1.
    ASSERT_HRESULT_SUCCEEDED(Connect(m_sound.Get(), writer.Get(), 0));
    ASSERT_HRESULT_SUCCEEDED(Connect(Picture().Get(), writer.Get(), 1));
    EXPECT_FALSE(PinOf(writer.Get(), PINDIR_INPUT, 2)) << "one input per profile stream";
    const double seconds = Record(kRecordMs);
    ASSERT_GT(seconds, 0) << "the graph did not run";

    auto p = mediacheck::Probe(file, "-count_frames");
    ASSERT_FALSE(p.empty()) << "ffprobe cannot read " << file;
    EXPECT_EQ(Text(p, "format.format_name"), "asf");
    const std::string v = StreamOf(p, "video"), a = StreamOf(p, "audio");
    EXPECT_EQ(Text(p, v + "codec_name"), "wmv2");
    EXPECT_EQ(Number(p, v + "width"), 352);
    EXPECT_EQ(Number(p, v + "height"), 288);
    EXPECT_NEAR(mediacheck::Rate(Text(p, v + "r_frame_rate")), 25.0, 1.0);
    // Every picture the card delivered is in the file (one on its way at the stop may be missing).
    ComPtr<IAMDroppedFrames> counts;
    ASSERT_HRESULT_SUCCEEDED(m_builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, m_card.Get(),
                                                      IID_IAMDroppedFrames, counts.PutVoid()));
    LONG delivered = 0;
    ASSERT_HRESULT_SUCCEEDED(counts->GetNumNotDropped(&delivered));
    EXPECT_GE(delivered, 100);
    EXPECT_LE(Number(p, v + "nb_read_frames"), delivered);
    EXPECT_GE(Number(p, v + "nb_read_frames"), delivered - 2);
    EXPECT_EQ(Text(p, a + "codec_name"), "wmav2");
    EXPECT_EQ(Number(p, a + "channels"), 2);
    EXPECT_NEAR(Number(p, "format.duration"), seconds, 0.5);
    ExpectClean(file);
    if (!HasFailure())
        DeleteFileA(file.c_str());
}

TEST_F(EncoderRecording, WindowsMediaAudioFromTheSoundProfile) {
    const std::string file = TempFile("tunaro-sound.wma");
    DeleteFileA(file.c_str());
    ComPtr<IBaseFilter> writer = AsfWriter("RecordSetting.prx", file);
    ASSERT_TRUE(writer);
    EXPECT_FALSE(PinOf(writer.Get(), PINDIR_INPUT, 1)) << "a sound profile gives one input";
    EXPECT_HRESULT_FAILED(Connect(Picture().Get(), writer.Get(), 0)) << "pictures into the sound input";
    ASSERT_HRESULT_SUCCEEDED(Connect(m_sound.Get(), writer.Get(), 0));
    const double seconds = Record(kRecordMs);
    ASSERT_GT(seconds, 0) << "the graph did not run";

    auto p = mediacheck::Probe(file);
    ASSERT_FALSE(p.empty()) << "ffprobe cannot read " << file;
    EXPECT_EQ(Text(p, "format.format_name"), "asf");
    EXPECT_EQ(Text(p, "streams.stream.0.codec_name"), "wmav2");
    EXPECT_EQ(Text(p, StreamOf(p, "video") + "codec_name"), "<missing>");
    EXPECT_NEAR(Number(p, "format.duration"), seconds, 0.5);
    ExpectClean(file);
    if (!HasFailure())
        DeleteFileA(file.c_str());
}

TEST_F(EncoderRecording, TheAsfWriterRefusesToRunUnconfiguredOrWithoutAFile) {
    // No profile: no inputs, and a graph that would record nothing does not start.
    ComPtr<IBaseFilter> bare = Create(CLSID_WMAsfWriter, L"WM ASF Filter");
    ASSERT_TRUE(bare);
    EXPECT_FALSE(PinOf(bare.Get(), PINDIR_INPUT, 0));
    ComPtr<IConfigAsfWriter> config;
    ASSERT_HRESULT_SUCCEEDED(bare->QueryInterface(__uuidof(IConfigAsfWriter), config.PutVoid()));
    ComPtr<IWMProfile> none;
    EXPECT_EQ(config->GetCurrentProfile(none.Put()), NS_E_NOT_CONFIGURED);
    EXPECT_EQ(config->ConfigureFilterUsingProfile(nullptr), E_POINTER);
    EXPECT_EQ(bare->Pause(), NS_E_NOT_CONFIGURED);
    bare->Stop();

    // Configured, connected, but no file name.
    ComPtr<IWMProfile> profile = SystemProfile("RecordSetting.prx");
    ASSERT_TRUE(profile);
    ASSERT_HRESULT_SUCCEEDED(config->ConfigureFilterUsingProfile(profile.Get()));
    // The sound profile's input takes 16-bit PCM of one or two channels, nothing else.
    ComPtr<IPin> soundIn = PinOf(bare.Get(), PINDIR_INPUT, 0);
    ASSERT_TRUE(soundIn);
    EXPECT_FALSE(PinOf(bare.Get(), PINDIR_INPUT, 1)) << "one stream, one input";
    dshow::MediaType picture = dshow::MakeYuy2Type(352, 288, 400000),
                     sixChannels = dshow::MakePcmType(48000, 6), stereo = dshow::MakePcmType(44100, 2);
    EXPECT_EQ(S_OK, soundIn->QueryAccept(&stereo));
    EXPECT_NE(S_OK, soundIn->QueryAccept(&picture));
    EXPECT_NE(S_OK, soundIn->QueryAccept(&sixChannels));
    ASSERT_HRESULT_SUCCEEDED(Connect(m_sound.Get(), bare.Get(), 0));
    EXPECT_HRESULT_FAILED(m_control->Run());
    m_control->Stop();
    graphtest::StopEach(m_graph.Get());
    // Reconfiguring a connected writer would drop its connections: refused.
    EXPECT_EQ(config->ConfigureFilterUsingProfile(profile.Get()), VFW_E_ALREADY_CONNECTED);

    // A file in a folder that does not exist is refused when it is named.
    ComPtr<IFileSinkFilter2> sink;
    ASSERT_HRESULT_SUCCEEDED(bare->QueryInterface(IID_IFileSinkFilter2, sink.PutVoid()));
    EXPECT_EQ(sink->SetFileName(L"Q:\\no such folder\\x.wma", nullptr),
              HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(sink->SetFileName(L"", nullptr), HRESULT_FROM_WIN32(ERROR_INVALID_NAME));
    // A name that can be created leaves no empty file behind until the recording runs.
    const std::string file = TempFile("tunaro-not-yet.wma");
    DeleteFileA(file.c_str());
    ASSERT_HRESULT_SUCCEEDED(sink->SetFileName(Wide(file).c_str(), nullptr));
    EXPECT_EQ(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
    LPOLESTR name = nullptr;
    ASSERT_HRESULT_SUCCEEDED(sink->GetCurFile(&name, nullptr));
    EXPECT_STREQ(name, Wide(file).c_str());
    CoTaskMemFree(name);
}

TEST_F(EncoderRecording, CompressorsRefuseFormatsTheyCannotEncode) {
    ComPtr<IBaseFilter> mp3 = Create(filters::kClsidMp3Compressor, L"Audio compressor");
    ComPtr<IBaseFilter> mp43 = Create(filters::kClsidMpeg4Compressor, L"Video compressor");
    ASSERT_TRUE(mp3 && mp43);
    ComPtr<IPin> soundIn = PinOf(mp3.Get(), PINDIR_INPUT, 0), pictureIn = PinOf(mp43.Get(), PINDIR_INPUT, 0);
    ASSERT_TRUE(soundIn && pictureIn);
    auto accepts = [](IPin* pin, const dshow::MediaType& mt) { return pin->QueryAccept(&mt) == S_OK; };
    // Layer III at these rates is MPEG-1: 32, 44.1 and 48 kHz, 16-bit, one or two channels.
    EXPECT_TRUE(accepts(soundIn.Get(), dshow::MakePcmType(48000, 2)));
    EXPECT_TRUE(accepts(soundIn.Get(), dshow::MakePcmType(44100, 1)));
    EXPECT_FALSE(accepts(soundIn.Get(), dshow::MakePcmType(22050, 2)));
    EXPECT_FALSE(accepts(soundIn.Get(), dshow::MakePcmType(48000, 6)));
    dshow::MediaType eightBit = dshow::MakePcmType(44100, 2);
    auto* wfx = reinterpret_cast<WAVEFORMATEX*>(eightBit.pbFormat);
    wfx->wBitsPerSample = 8;
    wfx->nBlockAlign = 2;
    EXPECT_FALSE(accepts(soundIn.Get(), eightBit));
    EXPECT_FALSE(accepts(soundIn.Get(), dshow::MakeYuy2Type(352, 288, 400000)));
    // Pictures: YUY2 of even size.
    EXPECT_TRUE(accepts(pictureIn.Get(), dshow::MakeYuy2Type(352, 288, 400000)));
    EXPECT_FALSE(accepts(pictureIn.Get(), dshow::MakeYuy2Type(351, 288, 400000)));
    EXPECT_FALSE(accepts(pictureIn.Get(), dshow::MakePcmType(48000, 2)));
    dshow::MediaType rgb = dshow::MakeYuy2Type(352, 288, 400000);
    rgb.subtype = MEDIASUBTYPE_RGB32;
    EXPECT_FALSE(accepts(pictureIn.Get(), rgb));
    // Without an input there is nothing to offer downstream.
    ComPtr<IEnumMediaTypes> types;
    ASSERT_HRESULT_SUCCEEDED(PinOf(mp3.Get(), PINDIR_OUTPUT, 0)->EnumMediaTypes(types.Put()));
    AM_MEDIA_TYPE* first = nullptr;
    EXPECT_NE(types->Next(1, &first, nullptr), S_OK);
    // Connected to the card's sound, it offers Layer III at the same rate, 128 kbit/s.
    ASSERT_HRESULT_SUCCEEDED(Connect(m_sound.Get(), mp3.Get(), 0));
    ASSERT_HRESULT_SUCCEEDED(PinOf(mp3.Get(), PINDIR_OUTPUT, 0)->EnumMediaTypes(types.Put()));
    ASSERT_EQ(types->Next(1, &first, nullptr), S_OK);
    ASSERT_EQ(first->formattype, FORMAT_WaveFormatEx);
    const auto* out = reinterpret_cast<const MPEGLAYER3WAVEFORMAT*>(first->pbFormat);
    EXPECT_EQ(out->wfx.wFormatTag, WAVE_FORMAT_MPEGLAYER3);
    EXPECT_EQ(out->wfx.nSamplesPerSec, 48000u);
    EXPECT_EQ(out->wfx.nAvgBytesPerSec, 16000u);
    EXPECT_EQ(out->nBlockSize, 384) << "bytes of a 128 kbit/s frame at 48 kHz";
    dshow::DeleteMediaType(first);
}

} // namespace
