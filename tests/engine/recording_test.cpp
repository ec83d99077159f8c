// Recordings through the capture engine on the simulated card of the prefix: what a start and a
// stop do to the graph and the preview, the picture while and after recording, the sound heard
// while recording, and the files the recording graphs write, read back with ffprobe.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "engine/CaptureEngine.h"
#include "engine/dshow_util.h"
#include "engine/recording_repair.h"
#include "tests/engine/card_fixture.h"
#include "tests/engine/one_channel.h"
#include "tests/platform/graph_support.h"
#include "tests/platform/media_check.h"
#include "tests/support/e2e.h"

using namespace tunaro;
using namespace enginetest;
using graphtest::Number;
using graphtest::StreamOf;
using graphtest::Text;

namespace {

// How long each recording runs.
constexpr DWORD kRecordMs = 10000;

// The filter of the engine's graph added under this name, or null.
ComPtr<IBaseFilter> FilterNamed(CaptureEngine& engine, const wchar_t* name) {
    ComPtr<IBaseFilter> filter;
    IGraphBuilder* graph = engine.Graph().FilterGraph();
    if (graph)
        graph->FindFilterByName(name, filter.Receive());
    return filter;
}

// Whether frames keep reaching the video window: what the window shows on the screen changes
// (every frame of the card carries its number) twice within the timeout. The owner stays on top
// so other programs' windows cannot cover the picture.
bool PictureReachesWindow(CaptureEngine& engine) {
    HWND owner = engine.Graph().Owner();
    HWND window = owner ? GetWindow(owner, GW_CHILD) : nullptr;
    if (!window)
        return false;
    SetWindowPos(owner, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    std::vector<uint32_t> last = e2e::CaptureScreen(window).pixels;
    int changes = 0;
    e2e::WaitUntil(
        [&] {
            Pump(80);
            std::vector<uint32_t> now = e2e::CaptureScreen(window).pixels;
            if (!now.empty() && now.size() == last.size() && now != last)
                ++changes;
            last.swap(now);
            return changes >= 2;
        },
        10000);
    return changes >= 2;
}

// Whether the audio renderer plays the card's sound: it runs, fed by the infinite tee that also
// carries the sound to the file.
bool SoundReachesRenderer(CaptureEngine& engine) {
    ComPtr<IBaseFilter> renderer = FilterNamed(engine, L"Waveout Render Device");
    ComPtr<IPin> in = renderer ? PinAt(renderer.get(), PINDIR_INPUT, 0) : nullptr;
    ComPtr<IPin> peer;
    FILTER_STATE state = State_Stopped;
    if (!in || in->ConnectedTo(peer.Receive()) != S_OK || FAILED(renderer->GetState(1000, &state)) ||
        state != State_Running)
        return false;
    PIN_INFO info = {};
    peer->QueryPinInfo(&info);
    ComPtr<IBaseFilter> from;
    from.Attach(info.pFilter);
    return from && from.get() == FilterNamed(engine, L"INFTEE Filter").get();
}

bool HasStream(const std::map<std::string, std::string>& probe, const char* type) {
    return StreamOf(probe, type) != "streams.stream.none.";
}

// The filter graph of this process, while an instance lives, made by a factory that wraps the
// system's: a graph that has no IMediaControl as soon as an AVI multiplexer is in it (a graph
// manager without the control interface, as the recording meets it), the real one otherwise.
class GraphWithoutControlWhileRecording : public IGraphBuilder, public IClassFactory {
public:
    GraphWithoutControlWhileRecording() {
        CoGetClassObject(CLSID_FilterGraph, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                         m_system.ReceiveVoid());
        if (m_system)
            CoRegisterClassObject(CLSID_FilterGraph, static_cast<IClassFactory*>(this), CLSCTX_INPROC_SERVER,
                                  REGCLS_MULTIPLEUSE, &m_cookie);
    }
    ~GraphWithoutControlWhileRecording() {
        if (m_cookie)
            CoRevokeClassObject(m_cookie);
    }
    bool Registered() const { return m_cookie != 0; }

    // IClassFactory: one graph at a time, the engine's.
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        m_inner = nullptr;
        HRESULT hr = m_system->CreateInstance(nullptr, IID_IGraphBuilder, m_inner.ReceiveVoid());
        return SUCCEEDED(hr) ? QueryInterface(iid, out) : hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

    // The graph's own interfaces answer here; every other one is the system graph's.
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (iid == IID_IClassFactory)
            *out = static_cast<IClassFactory*>(this);
        else if (iid == IID_IUnknown || iid == IID_IFilterGraph || iid == IID_IGraphBuilder)
            *out = static_cast<IGraphBuilder*>(this);
        else if (!m_inner || (iid == IID_IMediaControl && HasAviMux()))
            return E_NOINTERFACE;
        else
            return m_inner->QueryInterface(iid, out);
        AddRef();
        return S_OK;
    }
    // Lives on the test's stack, as long as the engine it serves.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP AddFilter(IBaseFilter* f, LPCWSTR name) override { return m_inner->AddFilter(f, name); }
    STDMETHODIMP RemoveFilter(IBaseFilter* f) override { return m_inner->RemoveFilter(f); }
    STDMETHODIMP EnumFilters(IEnumFilters** e) override { return m_inner->EnumFilters(e); }
    STDMETHODIMP FindFilterByName(LPCWSTR name, IBaseFilter** f) override {
        return m_inner->FindFilterByName(name, f);
    }
    STDMETHODIMP ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* mt) override {
        return m_inner->ConnectDirect(out, in, mt);
    }
    STDMETHODIMP Reconnect(IPin* pin) override { return m_inner->Reconnect(pin); }
    STDMETHODIMP Disconnect(IPin* pin) override { return m_inner->Disconnect(pin); }
    STDMETHODIMP SetDefaultSyncSource() override { return m_inner->SetDefaultSyncSource(); }
    STDMETHODIMP Connect(IPin* out, IPin* in) override { return m_inner->Connect(out, in); }
    STDMETHODIMP Render(IPin* out) override { return m_inner->Render(out); }
    STDMETHODIMP RenderFile(LPCWSTR file, LPCWSTR list) override { return m_inner->RenderFile(file, list); }
    STDMETHODIMP AddSourceFilter(LPCWSTR file, LPCWSTR name, IBaseFilter** f) override {
        return m_inner->AddSourceFilter(file, name, f);
    }
    STDMETHODIMP SetLogFile(DWORD_PTR file) override { return m_inner->SetLogFile(file); }
    STDMETHODIMP Abort() override { return m_inner->Abort(); }
    STDMETHODIMP ShouldOperationContinue() override { return m_inner->ShouldOperationContinue(); }

private:
    bool HasAviMux() const {
        ComPtr<IEnumFilters> filters;
        if (FAILED(m_inner->EnumFilters(filters.Receive())))
            return false;
        ComPtr<IBaseFilter> filter;
        while (filters->Next(1, filter.Receive(), nullptr) == S_OK) {
            CLSID clsid = {};
            if (SUCCEEDED(filter->GetClassID(&clsid)) && clsid == CLSID_AviDest)
                return true;
            filter = nullptr;
        }
        return false;
    }

    ComPtr<IClassFactory> m_system;
    ComPtr<IGraphBuilder> m_inner;
    DWORD m_cookie = 0;
};

} // namespace

class RecordingTest : public CardTest {
protected:
    // The engine with the preview running in the grabber chain.
    // Tuned to m_tuneHz when it is set (a station of the card's broadcast plan).
    bool StartPreview(CaptureEngine& engine) {
        if (!(engine.Initialize(m_owner, 2) != kEngineNoCard && engine.InitCaptureGraph() == kEngineOk &&
              engine.StartVideoPreview(2) == kEngineOk && engine.PreviewRunning()))
            return false;
        if (m_tuneHz) {
            engine.SetChannelAccess(&m_channel);
            EXPECT_EQ(engine.SetFrequency(m_tuneHz, 0), kEngineOk);
        }
        return true;
    }
    // Whether frames keep reaching the preview over ms milliseconds.
    static bool PictureMoves(CaptureEngine& engine, DWORD ms) {
        long before = 0, after = 0;
        if (engine.GetFrameCounts(&before, nullptr) != kEngineOk)
            return false;
        Pump(ms);
        return engine.GetFrameCounts(&after, nullptr) == kEngineOk && after > before;
    }
    // Records for kRecordMs through start (which returns the engine's result), checking that the
    // picture reaches the video window all along and comes back after the stop. The wall time
    // between the start's return and the stop goes to *seconds.
    void Record(CaptureEngine& engine, const std::function<EngineResult()>& start, double* seconds,
                const std::function<EngineResult()>& stop = nullptr) {
        ASSERT_TRUE(StartPreview(engine));
        ASSERT_EQ(start(), kEngineOk);
        const DWORD t0 = GetTickCount();
        EXPECT_TRUE(engine.Capturing());
        EXPECT_TRUE(PictureReachesWindow(engine)) << "the picture stays live while recording";
        const DWORD elapsed = GetTickCount() - t0;
        Pump(elapsed < kRecordMs ? kRecordMs - elapsed : 0);
        long notDropped = -1, dropped = -1;
        if (engine.GetCaptureFrameCounts(&notDropped, &dropped) != kEngineOk)
            notDropped = dropped = -1; // no counts where the picture is not recorded
        m_encoderCounted = engine.GetEncoderCounts(&m_encoded, &m_encoderDropped, nullptr) == kEngineOk;
        const DWORD t1 = GetTickCount();
        ASSERT_EQ(stop ? stop() : engine.StopCapture(), kEngineOk);
        *seconds = (t1 - t0) / 1000.0;
        m_notDropped = notDropped;
        m_dropped = dropped;
        EXPECT_FALSE(engine.Capturing());
        EXPECT_TRUE(engine.PreviewRunning()) << "the preview comes back";
        EXPECT_TRUE(PictureMoves(engine, 600));
        EXPECT_TRUE(PictureReachesWindow(engine)) << "the picture after the recording";
        EXPECT_EQ(engine.StopCapture(), kEngineFailed) << "a second stop does nothing";
        EXPECT_EQ(engine.StopCapureMP3(), kEngineFailed);
        EXPECT_TRUE(engine.PreviewRunning());
        if (m_encoderCounted) {
            // What the encoder was left with after the stop is in its counts too.
            EXPECT_EQ(engine.GetEncoderCounts(&m_encoded, &m_encoderDropped, nullptr), kEngineOk);
        }
    }
    // The file as ffprobe sees it, with frames counted; fails the test when it cannot be read or
    // decoded without errors.
    std::map<std::string, std::string> Probe(const std::string& file) {
        auto p = mediacheck::Probe(file, "-count_frames");
        EXPECT_FALSE(p.empty()) << "ffprobe cannot read " << file;
        std::string errors;
        EXPECT_TRUE(mediacheck::DecodesCleanly(file, &errors)) << errors;
        return p;
    }
    void SetUp() override {
        CardTest::SetUp();
        if (!IsSkipped() && !mediacheck::Available())
            GTEST_SKIP() << "no ffprobe to read the recordings with";
    }

    OneChannel m_channel; // outlives the engines that borrow it
    long m_tuneHz = 0;
    long m_notDropped = -1, m_dropped = -1;
    bool m_encoderCounted = false;
    long m_encoded = -1, m_encoderDropped = -1;
};

TEST_F(RecordingTest, AStopWhenNothingRecordsDoesNothing) {
    CaptureEngine engine;
    ASSERT_TRUE(StartPreview(engine));
    EXPECT_EQ(engine.StopCapture(), kEngineFailed);
    EXPECT_FALSE(engine.Capturing());
    EXPECT_TRUE(engine.PreviewRunning()) << "the preview was left alone";
    EXPECT_TRUE(PictureMoves(engine, 400));
    EXPECT_TRUE(m_reporter.texts.empty());
    engine.Shutdown();
}

TEST_F(RecordingTest, AFileThatCannotBeCreatedFailsTheStartAndBringsThePreviewBack) {
    CaptureEngine engine;
    ASSERT_TRUE(StartPreview(engine));
    e2e::ScratchDir dir("engine_recording");
    const std::string file = dir.File("no such folder\\recording.avi");
    struct Kind {
        const char* name;
        std::function<EngineResult()> start;
    };
    const Kind kinds[] = {
        {"AVI", [&] { return engine.StartCaptureAVI(file.c_str(), 1, 352, 288); }},
        {"MPEG-4 AVI", [&] { return engine.StartCaptureMPG4(file.c_str(), 1, 352, 288); }},
        {"DVD", [&] { return engine.StartCaptureMPEG(file.c_str(), 0); }},
        {"VCD", [&] { return engine.StartCaptureMPEG(file.c_str(), 1); }},
        {"SVCD", [&] { return engine.StartCaptureMPEG(file.c_str(), 6); }},
        {"WMV", [&] { return engine.StartCaptureWM(file.c_str(), 0); }},
        {"WMA", [&] { return engine.StartCaptureWM(file.c_str(), 1); }},
        {"MP3", [&] { return engine.StartCapureMP3(file.c_str()); }},
    };
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.name);
        m_reporter.texts.clear();
        EXPECT_EQ(kind.start(), kEngineFailed);
        EXPECT_FALSE(engine.Capturing());
        EXPECT_FALSE(m_reporter.texts.empty()) << "the user is told";
        EXPECT_TRUE(engine.PreviewRunning()) << "the preview comes back";
        EXPECT_TRUE(PictureMoves(engine, 400));
        EXPECT_FALSE(e2e::FileExists(file));
        EXPECT_EQ(engine.StopCapture(), kEngineFailed) << "nothing records after a failed start";
    }
    // A record type the MPEG graph does not know builds nothing.
    m_reporter.texts.clear();
    EXPECT_EQ(engine.StartCaptureMPEG(dir.File("type2.mpg").c_str(), 2), kEngineFailed);
    EXPECT_TRUE(engine.PreviewRunning());
    EXPECT_FALSE(e2e::FileExists(dir.File("type2.mpg")));
    engine.Shutdown();
}

TEST_F(RecordingTest, AGraphWithoutIMediaControlIsToldAndTheRecordingDoesNotStart) {
    GraphWithoutControlWhileRecording graphs;
    ASSERT_TRUE(graphs.Registered());
    {
        CaptureEngine engine;
        ASSERT_TRUE(StartPreview(engine));
        e2e::ScratchDir dir("engine_no_control");
        m_reporter.texts.clear();
        EXPECT_EQ(engine.StartCaptureAVI(dir.File("recording.avi").c_str(), 1, 352, 288), kEngineFailed);
        EXPECT_FALSE(engine.Capturing());
        EXPECT_NE(std::find(m_reporter.texts.begin(), m_reporter.texts.end(),
                            "Error 80004002: Cannot get IMediaControl"),
                  m_reporter.texts.end())
            << ::testing::PrintToString(m_reporter.texts);
        EXPECT_TRUE(engine.PreviewRunning()) << "the preview comes back";
        engine.Shutdown();
    }
}

// The recordings below are made with the card's sound clock 1 % fast (as a real card's is a few
// hundred parts per million off, magnified): uncorrected, the sound would come 100 ms late by the
// end of the 10 s.
constexpr int kFastSoundPpm = 10000;
constexpr size_t kSyncMarks = 8;
// Stations of the card's broadcast plan: the marks come with what is received.
constexpr long kPalStation = 49750000, kNtscStation = 55250000;

TEST_F(RecordingTest, UncompressedAviOnPalWithTheSoundHeardWhileRecording) {
    SimCardSoundClock fast(kFastSoundPpm);
    ASSERT_TRUE(fast.Applied());
    m_tuneHz = kPalStation;
    e2e::ScratchDir dir("engine_avi_pal");
    const std::string file = dir.File("pal.avi");
    CaptureEngine engine;
    // Debug graph files cannot be written on every system; asking for them changes nothing.
    engine.SetDebugGraphFiles(true);
    double seconds = 0;
    Record(
        engine,
        [&] {
            EngineResult r = engine.StartCaptureAVI(file.c_str(), 1, 352, 288);
            // The SAA7134 card plays its sound through the audio renderer while it records.
            EXPECT_TRUE(SoundReachesRenderer(engine)) << "the sound is heard";
            return r;
        },
        &seconds);
    engine.Shutdown();
    for (const std::string& text : m_reporter.texts)
        ADD_FAILURE() << "engine report: " << text;

    auto p = Probe(file);
    EXPECT_EQ(Text(p, "format.format_name"), "avi");
    const std::string video = StreamOf(p, "video"), audio = StreamOf(p, "audio");
    ASSERT_TRUE(HasStream(p, "video"));
    EXPECT_EQ(Text(p, video + "codec_name"), "rawvideo");
    EXPECT_EQ(Text(p, video + "pix_fmt"), "yuyv422");
    EXPECT_EQ(Number(p, video + "width"), 352);
    EXPECT_EQ(Number(p, video + "height"), 288);
    // The multiplexer fits the picture to the sound's length (the sound is the master stream);
    // on a loaded machine the card's sound runs a few per cent behind the wall clock, and the
    // stated rate moves by as much.
    EXPECT_NEAR(mediacheck::Rate(Text(p, video + "r_frame_rate")), 25.0, 1.5);
    ASSERT_TRUE(HasStream(p, "audio")) << "the card's sound is recorded";
    EXPECT_EQ(Text(p, audio + "codec_name"), "pcm_s16le");
    EXPECT_EQ(Number(p, audio + "channels"), 2);
    EXPECT_GE(Number(p, audio + "sample_rate"), 44100);
    // Files timed by the card's sound (AVI with the sound as master, MP3, Windows Media) may end
    // up to a second short on a machine loaded well beyond its cores; the pictures' own files
    // (MPEG) keep to half a second.
    EXPECT_NEAR(Number(p, "format.duration"), seconds, 1.0);
    // Every frame the capture pin counted as delivered is in the file, and the delivered and
    // dropped frames together make up the time recorded.
    EXPECT_NEAR(Number(p, video + "nb_read_frames"), m_notDropped, 2);
    EXPECT_NEAR(m_notDropped + m_dropped, seconds * 25, 0.5 * 25);
    ExpectInSync(file, kSyncMarks);
}

TEST_F(RecordingTest, Mpeg4AviOnPalKeepsTheSoundOnThePicture) {
    SimCardSoundClock fast(kFastSoundPpm);
    ASSERT_TRUE(fast.Applied());
    m_tuneHz = kPalStation;
    e2e::ScratchDir dir("engine_mpeg4_pal");
    const std::string file = dir.File("mpeg4.avi");
    CaptureEngine engine;
    double seconds = 0;
    Record(
        engine, [&] { return engine.StartCaptureMPG4(file.c_str(), 1, 352, 288); }, &seconds);
    engine.Shutdown();
    for (const std::string& text : m_reporter.texts)
        ADD_FAILURE() << "engine report: " << text;
    auto p = Probe(file);
    EXPECT_EQ(Text(p, "format.format_name"), "avi");
    ASSERT_TRUE(HasStream(p, "video"));
    ASSERT_TRUE(HasStream(p, "audio"));
    EXPECT_EQ(Text(p, StreamOf(p, "audio") + "codec_name"), "mp3");
    EXPECT_NEAR(Number(p, "format.duration"), seconds, 1.0);
    ExpectInSync(file, kSyncMarks);
}

TEST_F(RecordingTest, UncompressedAviOnNtscIsCifAtThirtyFrames) {
    e2e::ScratchDir dir("engine_avi_ntsc");
    const std::string file = dir.File("ntsc.avi");
    double seconds = 0;
    {
        CaptureEngine engine;
        ASSERT_NE(engine.Initialize(m_owner, 2), kEngineNoCard);
        ASSERT_EQ(engine.InitCaptureGraph(), kEngineOk);
        ASSERT_EQ(engine.SetVideoFormat(AnalogVideo_NTSC_M), kEngineOk);
        Record(
            engine, [&] { return engine.StartCaptureAVI(file.c_str(), 1, 352, 240); }, &seconds);
        engine.SetVideoFormat(AnalogVideo_PAL_D);
        engine.Shutdown();
    }
    auto p = Probe(file);
    const std::string video = StreamOf(p, "video");
    ASSERT_TRUE(HasStream(p, "video"));
    EXPECT_EQ(Number(p, video + "width"), 352);
    EXPECT_EQ(Number(p, video + "height"), 240);
    // Nominal 30: the NTSC frame period of 29.97 frames per second.
    EXPECT_NEAR(mediacheck::Rate(Text(p, video + "r_frame_rate")), 29.97, 1.5);
    EXPECT_NEAR(Number(p, "format.duration"), seconds, 1.0);
}

TEST_F(RecordingTest, CardFamiliesDifferInWhetherTheSoundIsHeardWhileRecording) {
    struct Case {
        const char* family;
        int cardType;
        bool heard;
    };
    for (const Case& c : {Case{"UTV", kCardUtv, true}, Case{"CX2388X", kCardCx2388x, true},
                          Case{"PHILIPS", kCardPhilips, false}}) {
        SCOPED_TRACE(c.family);
        SimCardFamily family(c.family);
        ASSERT_TRUE(family.Switched());
        e2e::ScratchDir dir("engine_avi_family");
        const std::string file = dir.File("family.avi");
        {
            CaptureEngine engine;
            ASSERT_TRUE(StartPreview(engine));
            EXPECT_EQ(engine.CardType(), c.cardType);
            ASSERT_EQ(engine.StartCaptureAVI(file.c_str(), 1, 352, 288), kEngineOk);
            EXPECT_EQ(SoundReachesRenderer(engine), c.heard);
            EXPECT_TRUE(PictureReachesWindow(engine)) << "the picture stays live";
            Pump(1500);
            ASSERT_EQ(engine.StopCapture(), kEngineOk);
            EXPECT_TRUE(engine.PreviewRunning());
            for (const std::string& text : m_reporter.texts)
                ADD_FAILURE() << "engine report: " << text;
            m_reporter.texts.clear();
            engine.Shutdown();
        }
        auto p = Probe(file);
        EXPECT_TRUE(HasStream(p, "video"));
        EXPECT_TRUE(HasStream(p, "audio")) << "the sound is recorded";
        EXPECT_GT(Number(p, "format.duration"), 1.0);
    }
}

namespace {

// The card as it is, but an audio input category nothing is listed in: no sound device.
EngineEnvironment WithoutAudioInput() {
    EngineEnvironment environment;
    environment.categories.audioInput = {
        0x6c0b3a9e, 0x1f43, 0x4a57, {0x9d, 0x21, 0x5e, 0x47, 0x63, 0x0a, 0x3c, 0x01}};
    return environment;
}

} // namespace

TEST_F(RecordingTest, ACardWithoutAudioCaptureRecordsAviWithoutSound) {
    // The same card with no sound device listed: the audio input category stands empty.
    const EngineEnvironment environment = WithoutAudioInput();
    e2e::ScratchDir dir("engine_avi_mute");
    const std::string file = dir.File("mute.avi");
    double seconds = 0;
    {
        CaptureEngine engine(environment);
        Record(
            engine,
            [&] {
                EXPECT_EQ(engine.Graph().AudioCapture(), nullptr);
                return engine.StartCaptureAVI(file.c_str(), 1, 352, 288);
            },
            &seconds);
        EXPECT_FALSE(engine.Graph().CaptureAudioWanted()) << "capture audio is off";
        engine.Shutdown();
    }
    auto p = Probe(file);
    EXPECT_TRUE(HasStream(p, "video"));
    EXPECT_FALSE(HasStream(p, "audio")) << "no sound stream";
    EXPECT_NEAR(Number(p, "format.duration"), seconds, 0.5);
}

TEST_F(RecordingTest, Mp3OnTheMonitoringCardTakesItsOwnSoundWithoutAnAudioCaptureDevice) {
    // The SAA7134 card's sound is on its capture filter: no audio input device is needed.
    const EngineEnvironment environment = WithoutAudioInput();
    e2e::ScratchDir dir("engine_mp3_own");
    const std::string file = dir.File("own.mp3");
    double seconds = 0;
    {
        CaptureEngine engine(environment);
        Record(
            engine,
            [&] {
                EXPECT_EQ(engine.Graph().AudioCapture(), nullptr);
                return engine.StartCapureMP3(file.c_str());
            },
            &seconds, [&] { return engine.StopCapureMP3(); });
        engine.Shutdown();
    }
    for (const std::string& text : m_reporter.texts)
        ADD_FAILURE() << "engine report: " << text;
    auto p = Probe(file);
    ASSERT_TRUE(HasStream(p, "audio"));
    EXPECT_EQ(Text(p, StreamOf(p, "audio") + "codec_name"), "mp3");
    EXPECT_NEAR(Number(p, "format.duration"), seconds, 1.0);
}

TEST_F(RecordingTest, ShuttingDownDuringARecordingLeavesACompleteFile) {
    e2e::ScratchDir dir("engine_avi_exit");
    const std::string file = dir.File("exit.avi");
    DWORD t0 = 0, t1 = 0;
    {
        CaptureEngine engine;
        ASSERT_TRUE(StartPreview(engine));
        ASSERT_EQ(engine.StartCaptureAVI(file.c_str(), 1, 352, 288), kEngineOk);
        t0 = GetTickCount();
        Pump(3000);
        t1 = GetTickCount();
        // The program exits with the recording running.
    }
    auto p = Probe(file);
    EXPECT_EQ(Text(p, "format.format_name"), "avi");
    EXPECT_TRUE(HasStream(p, "video"));
    EXPECT_TRUE(HasStream(p, "audio"));
    EXPECT_NEAR(Number(p, "format.duration"), (t1 - t0) / 1000.0, 1.0);
}

TEST_F(RecordingTest, EngineSettingsAreWrittenAtShutdownAndReadAtStart) {
    e2e::ScratchDir dir("engine_settings");
    const std::string file = dir.File("settings.avi");
    WriteProfileStringA("vorel", "UseTimeLimit", "1");
    WriteProfileStringA("vorel", "TimeLimit", "3600");
    {
        CaptureEngine engine;
        ASSERT_TRUE(StartPreview(engine));
        EXPECT_EQ(engine.Settings().useTimeLimit, 1);
        EXPECT_EQ(engine.Settings().timeLimit, 3600);
        ASSERT_EQ(engine.StartCaptureAVI(file.c_str(), 1, 352, 288), kEngineOk);
        Pump(500);
        EXPECT_EQ(engine.StopCapture(), kEngineOk);
    }
    char text[MAX_PATH] = {};
    GetProfileStringA("vorel", "CaptureFile", "", text, sizeof text);
    EXPECT_EQ(std::string(text), file) << "the last recording is kept";
    EXPECT_EQ(GetProfileIntA("vorel", "MasterStream", -1), 0) << "the recording's master stream";
    EXPECT_EQ(GetProfileIntA("vorel", "CaptureAudio", -1), 1);
    EXPECT_EQ(GetProfileIntA("vorel", "FrameRate", -1), 400000);
    EXPECT_EQ(GetProfileIntA("vorel", "TimeLimit", -1), 3600);
    GetProfileStringA("vorel", "VideoDevice2", "", text, sizeof text);
    EXPECT_NE(std::string(text).find("@device:"), std::string::npos) << text;
    // The next start reads what the last one wrote.
    WriteProfileStringA("vorel", "MasterStream", "-1");
    CaptureEngine again;
    ASSERT_NE(again.Initialize(m_owner, 2), kEngineNoCard);
    EXPECT_EQ(again.Settings().masterStream, -1);
    EXPECT_EQ(again.Settings().useTimeLimit, 1);
    again.Shutdown();
    WriteProfileStringA("vorel", "UseTimeLimit", nullptr);
    WriteProfileStringA("vorel", "TimeLimit", nullptr);
}

namespace {

int FilterCount(CaptureEngine& engine) {
    int n = 0;
    ComPtr<IEnumFilters> filters;
    IGraphBuilder* graph = engine.Graph().FilterGraph();
    if (graph && SUCCEEDED(graph->EnumFilters(filters.Receive()))) {
        ComPtr<IBaseFilter> f;
        while (filters->Next(1, f.Receive(), nullptr) == S_OK)
            ++n;
    }
    return n;
}

} // namespace

TEST_F(RecordingTest, DvdOnPalWithTheSoundHeardAndTheFrameCountsAddingUp) {
    SimCardSoundClock fast(kFastSoundPpm);
    ASSERT_TRUE(fast.Applied());
    m_tuneHz = kPalStation;
    e2e::ScratchDir dir("engine_dvd_pal");
    const std::string file = dir.File("dvd.mpg"), other = dir.File("other.avi");
    CaptureEngine engine;
    double seconds = 0;
    Record(
        engine,
        [&] {
            EngineResult r = engine.StartCaptureMPEG(file.c_str(), 0);
            EXPECT_TRUE(FilterNamed(engine, L"Vazuvoduz MPEG Encoder"));
            EXPECT_TRUE(SoundReachesRenderer(engine)) << "the sound is heard";
            // A start while recording builds nothing and leaves the recording running.
            const int filters = FilterCount(engine);
            EXPECT_EQ(engine.StartCaptureAVI(other.c_str(), 1, 352, 288), kEngineFailed);
            EXPECT_EQ(engine.StartCaptureMPEG(other.c_str(), 1), kEngineFailed);
            EXPECT_EQ(engine.StartCaptureWM(other.c_str(), 0), kEngineFailed);
            EXPECT_EQ(engine.StartCapureMP3(other.c_str()), kEngineFailed);
            EXPECT_EQ(FilterCount(engine), filters);
            EXPECT_TRUE(engine.Capturing());
            EXPECT_FALSE(e2e::FileExists(other));
            return r;
        },
        &seconds);
    engine.Shutdown();
    for (const std::string& text : m_reporter.texts)
        ADD_FAILURE() << "engine report: " << text;

    auto p = Probe(file);
    EXPECT_EQ(Text(p, "format.format_name"), "mpeg");
    const std::string video = StreamOf(p, "video"), audio = StreamOf(p, "audio");
    ASSERT_TRUE(HasStream(p, "video"));
    EXPECT_EQ(Text(p, video + "codec_name"), "mpeg2video");
    EXPECT_EQ(Number(p, video + "width"), 720);
    EXPECT_EQ(Number(p, video + "height"), 576);
    EXPECT_NEAR(mediacheck::Rate(Text(p, video + "r_frame_rate")), 25.0, 0.01);
    ASSERT_TRUE(HasStream(p, "audio")) << "the card's sound is recorded";
    EXPECT_EQ(Text(p, audio + "codec_name"), "mp2");
    EXPECT_EQ(Number(p, audio + "sample_rate"), 48000);
    EXPECT_EQ(Number(p, audio + "channels"), 2);
    EXPECT_NEAR(Number(p, "format.duration"), seconds, 0.5);
    ExpectInSync(file, kSyncMarks);
    // The video keeps to the configured 6,000,000 bit/s, whatever the card shows (without a
    // station tuned that is snow, more than the coarsest quantiser can fit).
    const double rate = mediacheck::StreamBitRate(file, "v", Number(p, "format.duration"));
    EXPECT_GT(rate, 0);
    EXPECT_LT(rate, 6.0e6 * 1.1);
    // Every picture the capture pin delivered reached the encoder, which encoded or dropped it
    // (and says so); what it encoded is in the file, and the places of pictures the card
    // dropped (a busy machine) are filled with the picture before, so it plays in real time.
    ASSERT_TRUE(m_encoderCounted);
    EXPECT_NEAR(m_encoded + m_encoderDropped, m_notDropped, 2);
    const double inFile = Number(p, video + "nb_read_frames");
    EXPECT_GE(inFile, m_encoded - 2);
    EXPECT_LE(inFile, m_encoded + m_dropped + 2);
    EXPECT_NEAR(m_notDropped + m_dropped, seconds * 25, 0.5 * 25);
}

TEST_F(RecordingTest, VcdAndSvcdOnNtscAreTheirFourHundredEightyLineSizes) {
    SimCardSoundClock fast(kFastSoundPpm);
    ASSERT_TRUE(fast.Applied());
    m_tuneHz = kNtscStation;
    e2e::ScratchDir dir("engine_mpeg_ntsc");
    const std::string vcd = dir.File("vcd.mpg"), svcd = dir.File("svcd.mpg");
    double vcdSeconds = 0, svcdSeconds = 0;
    {
        CaptureEngine engine;
        ASSERT_NE(engine.Initialize(m_owner, 2), kEngineNoCard);
        ASSERT_EQ(engine.InitCaptureGraph(), kEngineOk);
        ASSERT_EQ(engine.SetVideoFormat(AnalogVideo_NTSC_M), kEngineOk);
        Record(
            engine, [&] { return engine.StartCaptureMPEG(vcd.c_str(), 1); }, &vcdSeconds);
        EXPECT_TRUE(engine.Recording().Ntsc());
        EXPECT_EQ(engine.Recording().Kind(), 1);
        Record(
            engine, [&] { return engine.StartCaptureMPEG(svcd.c_str(), 6); }, &svcdSeconds);
        EXPECT_EQ(engine.Recording().Kind(), 2);
        engine.SetVideoFormat(AnalogVideo_PAL_D);
        engine.Shutdown();
    }
    for (const std::string& text : m_reporter.texts)
        ADD_FAILURE() << "engine report: " << text;
    struct Check {
        const std::string& file;
        double seconds;
        const char* codec;
        int width, height, rate;
        double bitRate; // configured for the video
    };
    for (const Check& c : {Check{vcd, vcdSeconds, "mpeg1video", 352, 240, 44100, 1152000},
                           Check{svcd, svcdSeconds, "mpeg2video", 480, 480, 44100, 2000000}}) {
        SCOPED_TRACE(c.file);
        auto p = Probe(c.file);
        EXPECT_EQ(Text(p, "format.format_name"), "mpeg");
        const std::string video = StreamOf(p, "video"), audio = StreamOf(p, "audio");
        ASSERT_TRUE(HasStream(p, "video"));
        EXPECT_EQ(Text(p, video + "codec_name"), c.codec);
        EXPECT_EQ(Number(p, video + "width"), c.width);
        EXPECT_EQ(Number(p, video + "height"), c.height);
        EXPECT_NEAR(mediacheck::Rate(Text(p, video + "r_frame_rate")), 29.97, 0.01);
        ASSERT_TRUE(HasStream(p, "audio"));
        EXPECT_EQ(Text(p, audio + "codec_name"), "mp2");
        EXPECT_EQ(Number(p, audio + "sample_rate"), c.rate);
        EXPECT_NEAR(Number(p, "format.duration"), c.seconds, 0.5);
        EXPECT_LT(mediacheck::StreamBitRate(c.file, "v", Number(p, "format.duration")), c.bitRate * 1.1);
        ExpectInSync(c.file, kSyncMarks);
    }
}

TEST_F(RecordingTest, DvdOnThe2388xCardThroughItsHardwareEncoderAndVcdThroughTheEncoderFilter) {
    SimCardFamily family("CX2388X");
    ASSERT_TRUE(family.Switched());
    e2e::ScratchDir dir("engine_hw_mpeg");
    const std::string dvd = dir.File("dvd.mpg"), vcd = dir.File("vcd.mpg");
    double seconds = 0;
    {
        CaptureEngine engine;
        Record(
            engine,
            [&] {
                EXPECT_EQ(engine.CardType(), kCardCx2388x);
                EngineResult r = engine.StartCaptureHardwareMPEG(dvd.c_str());
                EXPECT_TRUE(FilterNamed(engine, L"Dump Filter"));
                EXPECT_FALSE(FilterNamed(engine, L"Vazuvoduz MPEG Encoder"));
                return r;
            },
            &seconds);
        EXPECT_FALSE(FilterNamed(engine, L"Dump Filter")) << "the dump filter goes with the stop";
        // The card's other discs go through the encoder filter, with the sound heard.
        ASSERT_EQ(engine.StartCaptureMPEG(vcd.c_str(), 1), kEngineOk);
        EXPECT_TRUE(FilterNamed(engine, L"Vazuvoduz MPEG Encoder"));
        EXPECT_TRUE(SoundReachesRenderer(engine));
        EXPECT_TRUE(PictureReachesWindow(engine));
        Pump(2000);
        ASSERT_EQ(engine.StopCapture(), kEngineOk);
        EXPECT_TRUE(engine.PreviewRunning());
        EXPECT_TRUE(PictureReachesWindow(engine)) << "the preview after the encoder filter's recording";
        engine.Shutdown();
    }
    for (const std::string& text : m_reporter.texts)
        ADD_FAILURE() << "engine report: " << text;
    auto p = Probe(dvd);
    EXPECT_EQ(Text(p, "format.format_name"), "mpeg");
    const std::string video = StreamOf(p, "video");
    ASSERT_TRUE(HasStream(p, "video"));
    EXPECT_EQ(Text(p, video + "codec_name"), "mpeg2video");
    EXPECT_EQ(Number(p, video + "width"), 720);
    EXPECT_EQ(Number(p, video + "height"), 576);
    EXPECT_TRUE(HasStream(p, "audio"));
    EXPECT_NEAR(Number(p, "format.duration"), seconds, 0.5);
    auto v = Probe(vcd);
    EXPECT_EQ(Text(v, StreamOf(v, "video") + "codec_name"), "mpeg1video");
    EXPECT_EQ(Number(v, StreamOf(v, "video") + "width"), 352);
    EXPECT_EQ(Number(v, StreamOf(v, "video") + "height"), 288);
}

TEST_F(RecordingTest, WindowsMediaVideoAndAudioOnly) {
    SimCardSoundClock fast(kFastSoundPpm);
    ASSERT_TRUE(fast.Applied());
    m_tuneHz = kPalStation;
    e2e::ScratchDir dir("engine_wm");
    const std::string wmv = dir.File("video.wmv"), wma = dir.File("audio.wma");
    double wmvSeconds = 0, wmaSeconds = 0;
    {
        CaptureEngine engine;
        Record(
            engine,
            [&] {
                EngineResult r = engine.StartCaptureWM(wmv.c_str(), 0);
                EXPECT_TRUE(FilterNamed(engine, L"WM ASF Filter"));
                EXPECT_TRUE(SoundReachesRenderer(engine)) << "the sound is heard";
                return r;
            },
            &wmvSeconds);
        Record(
            engine,
            [&] {
                EngineResult r = engine.StartCaptureWM(wma.c_str(), 1);
                // The picture is only previewed, through the deinterlacer.
                EXPECT_TRUE(FilterNamed(engine, L"HT Deinterlacer Filter"));
                EXPECT_TRUE(SoundReachesRenderer(engine));
                return r;
            },
            &wmaSeconds);
        engine.Shutdown();
    }
    for (const std::string& text : m_reporter.texts)
        ADD_FAILURE() << "engine report: " << text;
    auto p = Probe(wmv);
    EXPECT_EQ(Text(p, "format.format_name"), "asf");
    ASSERT_TRUE(HasStream(p, "video"));
    ASSERT_TRUE(HasStream(p, "audio"));
    EXPECT_EQ(Text(p, StreamOf(p, "video") + "codec_name"), "wmv2");
    EXPECT_EQ(Number(p, StreamOf(p, "video") + "width"), 352);
    EXPECT_EQ(Number(p, StreamOf(p, "video") + "height"), 288);
    EXPECT_EQ(Text(p, StreamOf(p, "audio") + "codec_name"), "wmav2");
    EXPECT_NEAR(Number(p, "format.duration"), wmvSeconds, 1.0);
    ExpectInSync(wmv, kSyncMarks);
    auto a = Probe(wma);
    EXPECT_EQ(Text(a, "format.format_name"), "asf");
    EXPECT_FALSE(HasStream(a, "video")) << "no picture in the audio-only file";
    ASSERT_TRUE(HasStream(a, "audio"));
    EXPECT_EQ(Text(a, StreamOf(a, "audio") + "codec_name"), "wmav2");
    EXPECT_NEAR(Number(a, "format.duration"), wmaSeconds, 1.0);
}

TEST_F(RecordingTest, Mp3OnTheMonitoringCardAndOnAPlainCard) {
    e2e::ScratchDir dir("engine_mp3");
    const std::string monitored = dir.File("saa7134.mp3"), plain = dir.File("philips.mp3");
    double seconds = 0;
    {
        CaptureEngine engine;
        Record(
            engine,
            [&] {
                EngineResult r = engine.StartCapureMP3(monitored.c_str());
                EXPECT_TRUE(SoundReachesRenderer(engine)) << "the sound is heard";
                return r;
            },
            &seconds, [&] { return engine.StopCapureMP3(); });
        engine.Shutdown();
    }
    DWORD t0 = 0, t1 = 0;
    {
        SimCardFamily family("PHILIPS");
        ASSERT_TRUE(family.Switched());
        CaptureEngine engine;
        ASSERT_TRUE(StartPreview(engine));
        ASSERT_EQ(engine.StartCapureMP3(plain.c_str()), kEngineOk);
        t0 = GetTickCount();
        EXPECT_TRUE(PictureReachesWindow(engine)) << "the preview chain runs on";
        Pump(3000);
        t1 = GetTickCount();
        ASSERT_EQ(engine.StopCapureMP3(), kEngineOk);
        EXPECT_TRUE(engine.PreviewRunning());
        EXPECT_TRUE(PictureReachesWindow(engine)) << "the preview after the recording";
        engine.Shutdown();
    }
    for (const std::string& text : m_reporter.texts)
        ADD_FAILURE() << "engine report: " << text;
    struct Check {
        const std::string& file;
        double seconds;
    };
    for (const Check& c : {Check{monitored, seconds}, Check{plain, (t1 - t0) / 1000.0}}) {
        SCOPED_TRACE(c.file);
        auto p = Probe(c.file);
        EXPECT_EQ(Text(p, "format.format_name"), "wav");
        EXPECT_FALSE(HasStream(p, "video"));
        ASSERT_TRUE(HasStream(p, "audio"));
        EXPECT_EQ(Text(p, StreamOf(p, "audio") + "codec_name"), "mp3");
        EXPECT_NEAR(Number(p, "format.duration"), c.seconds, 1.0);
    }
}

// What a kill of the recording program leaves of each kind of file: its bytes on the disk as
// they are while it records (the program's own buffers die with it), copied in the middle of the
// recording. Finished by the repair of the next start, each plays for the time recorded so far.
TEST_F(RecordingTest, WhatAKillLeavesOfEachFormatPlaysForTheTimeRecorded) {
    e2e::ScratchDir dir("engine_killed");
    struct Format {
        const char* name;
        std::function<EngineResult(CaptureEngine&, const char*)> start;
    };
    const Format formats[] = {
        {"dvd.mpg", [](CaptureEngine& e, const char* f) { return e.StartCaptureMPEG(f, 0); }},
        {"mpeg4.avi", [](CaptureEngine& e, const char* f) { return e.StartCaptureMPG4(f, 1, 352, 288); }},
        {"plain.avi", [](CaptureEngine& e, const char* f) { return e.StartCaptureAVI(f, 1, 320, 240); }},
        {"sound.mp3", [](CaptureEngine& e, const char* f) { return e.StartCapureMP3(f); }},
        {"video.wmv", [](CaptureEngine& e, const char* f) { return e.StartCaptureWM(f, 0); }},
        {"audio.wma", [](CaptureEngine& e, const char* f) { return e.StartCaptureWM(f, 1); }},
    };
    CaptureEngine engine;
    ASSERT_TRUE(StartPreview(engine));
    for (const Format& format : formats) {
        const std::string file = dir.File(format.name);
        const std::string killed = dir.File(std::string("killed-") + format.name);
        ASSERT_EQ(format.start(engine, file.c_str()), kEngineOk) << format.name;
        const DWORD t0 = GetTickCount();
        Pump(5000);
        ASSERT_TRUE(CopyFileA(file.c_str(), killed.c_str(), FALSE)) << format.name << ": " << GetLastError();
        const double recorded = (GetTickCount() - t0) / 1000.0;
        const bool mp3 = std::string(format.name).find(".mp3") != std::string::npos;
        EXPECT_EQ(mp3 ? engine.StopCapureMP3() : engine.StopCapture(), kEngineOk) << format.name;

        const RecordingRepairReport repair = RepairRecording(killed);
        EXPECT_NE(repair.result, RecordingRepair::Failed) << format.name;
        auto p = mediacheck::Probe(killed);
        ASSERT_FALSE(p.empty()) << "ffprobe cannot read what a kill leaves of " << format.name;
        EXPECT_NEAR(Number(p, "format.duration"), recorded, 2.0) << format.name;
    }
    engine.Shutdown();
}
