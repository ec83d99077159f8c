// Tests of the capture engine under Wine: discovery, graph initialisation, preview stills, tuning,
// scan, country, audio mode, crossbar routing and picture controls against stand-in card filters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

#include "engine/CaptureEngine.h"
#include "engine/dshow_util.h"
#include "engine/still_image.h"
#include "tests/engine/fake_card.h"
#include "tests/support/e2e.h"

using namespace tunaro;
using namespace enginetest;

namespace tunaro {
struct EngineTestPeer {
    // Puts the graph into a state; returns the one it was in.
    static GraphState Enter(CaptureEngine& e, GraphState state) {
        const GraphState was = e.m_graph.State();
        e.m_graph.SetState(state);
        return was;
    }
};
} // namespace tunaro

namespace {

struct Recorded {
    ReportKind kind;
    std::string text;
};

class RecordingReporter : public EngineReporter {
public:
    void Report(ReportKind kind, const std::string& text) override { reports.push_back({kind, text}); }
    std::vector<Recorded> reports;
};

class FakeChannels : public ChannelAccess {
public:
    struct Record {
        std::string name;
        long frequency;
        int number;
        int audio;
    };
    std::vector<Record> list;
    std::vector<long> table;

    int ChannelCount() const override { return static_cast<int>(list.size()); }
    long ChannelFrequency(int i) const override { return list[i].frequency; }
    void SetChannelFrequency(int i, long f) override { list[i].frequency = f; }
    int ChannelAudioMode(int i) const override { return list[i].audio; }
    void ClearChannels() override { list.clear(); }
    void AppendChannel(const char* name, long f, int number) override {
        list.push_back({name, f, number, 0});
    }
    int CountryFrequencyCount() const override { return static_cast<int>(table.size()); }
    long CountryFrequency(int p) const override { return table[p]; }
};

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(hwnd, msg, wp, lp);
}

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(m_com.result()));
        ResetCard();
        ClearCategories();
        RegisterFakeClasses();
        m_previous = SetEngineReporter(&m_reporter);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = OwnerProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "EngineTestOwner";
        RegisterClassA(&wc);
        m_owner = CreateWindowA("EngineTestOwner", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                nullptr, wc.hInstance, nullptr);
        WriteProfileStringA("vorel", nullptr, nullptr);
    }
    void TearDown() override {
        SetEngineReporter(m_previous);
        DestroyWindow(m_owner);
        RevokeFakeClasses();
        ClearCategories();
    }

    static EngineEnvironment Env() {
        EngineEnvironment env;
        const TestCategories& c = Categories();
        env.categories = {c.videoInput,    c.audioInput, c.tvTuner,         c.crossbar,
                          c.audioRenderer, c.encoder,    c.videoCompressor, c.audioCompressor};
        return env;
    }

    // A card of the family: video capture, tuner and crossbar listed under their names.
    static void InstallCard(const char* video, const char* tuner, const char* crossbar) {
        AddDevice(Categories().videoInput, video, Role::Capture);
        if (tuner)
            AddDevice(Categories().tvTuner, tuner, Role::Tuner);
        if (crossbar)
            AddDevice(Categories().crossbar, crossbar, Role::Crossbar);
    }

    std::vector<std::string> Texts(ReportKind kind) const {
        std::vector<std::string> out;
        for (const auto& r : m_reporter.reports)
            if (r.kind == kind)
                out.push_back(r.text);
        return out;
    }

    ComInit m_com;
    RecordingReporter m_reporter;
    EngineReporter* m_previous = nullptr;
    HWND m_owner = nullptr;
};

CLSID ClassIdOf(IBaseFilter* filter) {
    CLSID id = GUID_NULL;
    if (filter)
        filter->GetClassID(&id);
    return id;
}

} // namespace

// ---- discovery ----------------------------------------------------------------------------------------

TEST_F(EngineTest, GenericDeviceFirstThenPhilipsCardIsSelected) {
    AddDevice(Categories().videoInput, "USB Video Device", Role::Generic);
    InstallCard("TV Card(Philips) Video Capture", "PhTVTune", "TV Card(Philips) Crossbar");
    CaptureEngine engine(Env());
    EXPECT_EQ(engine.Initialize(m_owner, 2), 1);
    EXPECT_EQ(engine.CardType(), kCardPhilips);
    EXPECT_EQ(engine.Selection().video, 1);
    EXPECT_EQ(engine.Devices().DeviceName(), "TV Card(Philips) Video Capture");
    EXPECT_TRUE(IsEqualCLSID(ClassIdOf(engine.Graph().VideoCapture()), ClassOf(Role::Capture)));
    EXPECT_TRUE(engine.Devices().HasVideoDevice(0));
    EXPECT_TRUE(engine.Devices().HasVideoDevice(1));
    EXPECT_TRUE(Texts(ReportKind::CardMissing).empty());
}

TEST_F(EngineTest, NameWithUtvAndConexantIsTheUtvCard) {
    AddDevice(Categories().videoInput, "UTV Conexant 2388x Capture", Role::Capture);
    CaptureEngine engine(Env());
    EXPECT_EQ(engine.Initialize(m_owner, 2), 0);
    EXPECT_EQ(engine.CardType(), kCardUtv);
}

TEST_F(EngineTest, NoKnownCardGivesMinusEightAndTheMessage) {
    AddDevice(Categories().videoInput, "USB Video Device", Role::Generic);
    AddDevice(Categories().videoInput, nullptr, Role::Generic);
    CaptureEngine engine(Env());
    EXPECT_EQ(engine.Initialize(m_owner, 2), -8);
    EXPECT_EQ(engine.Selection().video, -1);
    EXPECT_EQ(Texts(ReportKind::CardMissing), std::vector<std::string>{"Can not Find  tuner card!"});
    EXPECT_EQ(engine.Graph().VideoCapture(), nullptr);
    EXPECT_EQ(engine.Graph().FilterGraph(), nullptr);
    EXPECT_TRUE(engine.Devices().HasVideoDevice(0));
    EXPECT_FALSE(engine.Devices().HasVideoDevice(1))
        << "a device without a friendly name leaves its slot empty";
}

TEST_F(EngineTest, EmptyCategoryIsReported) {
    CaptureEngine engine(Env());
    int count = -1;
    EXPECT_EQ(engine.EnumVideoDevice(&count), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(Texts(ReportKind::Error), std::vector<std::string>{"Sorry,Cannot find hardware!"});
    m_reporter.reports.clear();
    EXPECT_EQ(engine.Initialize(m_owner, 2), -8);
    EXPECT_EQ(Texts(ReportKind::Error),
              std::vector<std::string>{"Sorry, you have no video capture hardware"});
}

TEST_F(EngineTest, EnumVideoDeviceCountsAndKeepsTenSlots) {
    for (int i = 0; i < 12; ++i)
        AddDevice(Categories().videoInput, "Webcam", Role::Generic);
    CaptureEngine engine(Env());
    int count = 0;
    EXPECT_EQ(engine.EnumVideoDevice(&count), 10);
    EXPECT_EQ(count, 10);
    EXPECT_TRUE(engine.Devices().HasVideoDevice(9));
}

TEST_F(EngineTest, LastMatchingTunerWins) {
    InstallCard("TV Card(Philips) Video Capture", nullptr, nullptr);
    AddDevice(Categories().tvTuner, "PhTVTune first", Role::Tuner);
    AddDevice(Categories().tvTuner, "Unrelated tuner", Role::Generic);
    AddDevice(Categories().tvTuner, "PhTVTune second", Role::TunerB);
    CaptureEngine engine(Env());
    ASSERT_EQ(engine.Initialize(m_owner, 2), 0);
    ASSERT_EQ(engine.InitCaptureGraph(), 1);
    EXPECT_TRUE(IsEqualCLSID(ClassIdOf(engine.Graph().Tuner()), ClassOf(Role::TunerB)));
    ComPtr<IBaseFilter> found;
    EXPECT_EQ(engine.FindFilterByName(Categories().tvTuner, "PhTVTune", found), S_OK);
    EXPECT_TRUE(IsEqualCLSID(ClassIdOf(found.get()), ClassOf(Role::TunerB)));
    EXPECT_EQ(engine.FindFilterByName(Categories().tvTuner, "Nothing like it", found), VFW_E_NOT_FOUND);
    EXPECT_FALSE(found);
}

TEST_F(EngineTest, SaaCardFallsBackToTheSecondTunerName) {
    InstallCard("Lumen Grabber K3 Video", "Lumen Grabber K3 Tuner", "Lumen Grabber K3 Crossbar");
    CaptureEngine engine(Env());
    ASSERT_EQ(engine.Initialize(m_owner, 2), 0);
    EXPECT_EQ(engine.CardType(), kCardSaa7134);
    ASSERT_EQ(engine.InitCaptureGraph(), 1);
    EXPECT_NE(engine.Graph().Tuner(), nullptr);
    EXPECT_NE(engine.Graph().Crossbar(), nullptr);
    EXPECT_NE(engine.Graph().Router(), nullptr);
}

TEST_F(EngineTest, CompressorFoundByNameGivesItsDisplayName) {
    AddDevice(Categories().audioCompressor, "MPEG Layer-3", Role::Generic);
    CaptureEngine engine(Env());
    std::string friendly;
    std::wstring display;
    EXPECT_EQ(engine.FindCompressorByName("Layer-3", Categories().audioCompressor, &friendly, &display), 0);
    EXPECT_EQ(friendly, "MPEG Layer-3");
    EXPECT_FALSE(display.empty());
    EXPECT_EQ(engine.FindCompressorByName("MPEG-4 Video Codec V3", Categories().videoCompressor, &friendly,
                                          &display),
              -1);
}

TEST_F(EngineTest, EveryRecordingBindsItsOwnCompressorsWithoutCostingHandles) {
    AddDevice(Categories().videoCompressor, "Microsoft MPEG-4 Video Codec V3", Role::Generic);
    AddDevice(Categories().audioCompressor, "MPEG Layer-3", Role::Generic);
    const DeviceCategories categories = Env().categories;
    DeviceDiscovery devices(categories);
    EXPECT_FALSE(devices.NewVideoCompressor()) << "nothing before the compressors are looked up";
    devices.FindCompressors();
    ComPtr<IBaseFilter> first = devices.NewVideoCompressor();
    ASSERT_TRUE(first && devices.NewAudioCompressor());
    const long handles = e2e::HandleCount();
    ASSERT_GT(handles, 0);
    for (int i = 0; i < 20; ++i) {
        ComPtr<IBaseFilter> video = devices.NewVideoCompressor();
        ASSERT_TRUE(video);
        EXPECT_NE(video.get(), first.get()) << "a recording never shares a compressor with another";
        EXPECT_TRUE(devices.NewAudioCompressor());
    }
    // A long session records many times: the compressors found once are bound again each time and
    // leave nothing open behind them (a display name parsed anew leaves registry handles here).
    EXPECT_LE(e2e::HandleCount(), handles + 2);
    devices.Release();
    EXPECT_FALSE(devices.NewAudioCompressor()) << "let go of with the devices";
}

TEST_F(EngineTest, DeviceNotificationsAndTheirMissingEntryPoint) {
    InstallCard("QRT77 Capture", "QRT77 Tuner", "QRT77 Crossbar");
    {
        CaptureEngine engine(Env());
        EXPECT_EQ(engine.Initialize(m_owner, 2), 0);
        EXPECT_TRUE(engine.NotificationsRegistered());
        engine.Shutdown();
        EXPECT_FALSE(engine.NotificationsRegistered());
    }
    EngineEnvironment env = Env();
    env.notificationModule = "kernel32.dll"; // has no RegisterDeviceNotificationA
    CaptureEngine engine(env);
    EXPECT_EQ(engine.Initialize(m_owner, 2), 0);
    EXPECT_FALSE(engine.NotificationsRegistered());
    EXPECT_EQ(engine.InitCaptureGraph(), 1);
    EXPECT_EQ(engine.SetTVMode(1), 1);
    EXPECT_EQ(Card().tunerMode, AMTUNER_MODE_FM_RADIO);
}

TEST_F(EngineTest, SettingsAreReadAndWrittenInTheProfile) {
    WriteProfileStringA("vorel", "MasterStream", "0");
    WriteProfileStringA("vorel", "TimeLimit", "90");
    InstallCard("QRT77 Capture", nullptr, nullptr);
    {
        CaptureEngine engine(Env());
        engine.Initialize(m_owner, 2);
        EXPECT_EQ(engine.Settings().masterStream, 0);
        EXPECT_EQ(engine.Settings().useFrameRate, 1);
        EXPECT_EQ(engine.Settings().timeLimit, 90);
        EXPECT_EQ(engine.Settings().debugGraphFiles, 0);
    }
    EXPECT_EQ(GetProfileIntA("vorel", "FrameRate", -1), 400000);
    EXPECT_EQ(GetProfileIntA("vorel", "MasterStream", -1), 0);
    EXPECT_EQ(GetProfileIntA("vorel", "UseFrameRate", -1), 1);
    char device[512] = {};
    GetProfileStringA("vorel", "VideoDevice2", "", device, sizeof device);
    EXPECT_NE(device[0], '\0') << "the capture device's display name is kept";
}

// ---- graph ------------------------------------------------------------------------------------------

TEST_F(EngineTest, InitCaptureGraphReportsAMissingStreamConfiguration) {
    InstallCard("TV Card(10BIT) Capture", "TV Card(10BIT) Tuner", "TV Card(10BIT) Crossbar");
    CaptureEngine engine(Env());
    ASSERT_EQ(engine.Initialize(m_owner, 2), 0);
    EXPECT_EQ(engine.InitCaptureGraph(), 1);
    const auto errors = Texts(ReportKind::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("Error ", 0), 0u);
    EXPECT_NE(errors[0].find(": Cannot find VCapture:IAMStreamConfig"), std::string::npos);
    EXPECT_EQ(LastErrorReportText(), errors[0]);
}

namespace {

int FiltersOfClass(IGraphBuilder* graph, const CLSID& clsid) {
    int n = 0;
    ComPtr<IEnumFilters> filters;
    if (!graph || FAILED(graph->EnumFilters(filters.Receive())))
        return -1;
    ComPtr<IBaseFilter> f;
    while (filters->Next(1, f.Receive(), nullptr) == S_OK)
        n += IsEqualGUID(ClassIdOf(f.get()), clsid) ? 1 : 0;
    return n;
}

} // namespace

TEST_F(EngineTest, SystemAudioInputWithoutCaptureStreamIsLeftOutQuietly) {
    // Like this platform's own audio input: listed first, no capture pin. The card lists no sound
    // device of its own, so capture runs without sound and nobody gets a box at every start.
    InstallCard("Ph7134 Video Capture", "Ph7134 TV Tuner", "Cap7134 Crossbar");
    AddDevice(Categories().audioInput, "Monitor of Null Output", Role::Generic);
    CaptureEngine engine(Env());
    ASSERT_EQ(engine.Initialize(m_owner, 2), 0);
    EXPECT_FALSE(engine.Devices().AudioIsCards());
    ASSERT_EQ(engine.InitCaptureGraph(), 1);
    for (const auto& r : m_reporter.reports)
        EXPECT_EQ(r.text.find("ACapture"), std::string::npos) << r.text;
    EXPECT_TRUE(Texts(ReportKind::Notice).empty());
    EXPECT_EQ(engine.Graph().AudioCapture(), nullptr);
    EXPECT_FALSE(engine.Graph().CaptureAudioWanted());
    EXPECT_EQ(FiltersOfClass(engine.Graph().FilterGraph(), ClassOf(Role::Generic)), 0)
        << "the unusable input left the graph";
}

TEST_F(EngineTest, TheCardsOwnAudioDeviceIsChosenAndItsFaultsAreReported) {
    InstallCard("Ph7134 Video Capture", "Ph7134 TV Tuner", "Cap7134 Crossbar");
    AddDevice(Categories().audioInput, "Monitor of Null Output", Role::Generic);
    AddDevice(Categories().audioInput, "Ph7134 Audio Capture", Role::Generic);
    CaptureEngine engine(Env());
    ASSERT_EQ(engine.Initialize(m_owner, 2), 0);
    EXPECT_TRUE(engine.Devices().AudioIsCards());
    ASSERT_EQ(engine.InitCaptureGraph(), 1);
    // The card's driver lists a device with no stream configuration: that is worth a report.
    const auto errors = Texts(ReportKind::Error);
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors.back(), "Cannot find ACapture:IAMStreamConfig");
    ASSERT_NE(engine.Graph().AudioCapture(), nullptr);
    EXPECT_EQ(FiltersOfClass(engine.Graph().FilterGraph(), ClassOf(Role::Generic)), 1);
    engine.Shutdown();
    char device[512] = {};
    GetProfileStringA("vorel", "AudioDevice2", "", device, sizeof device);
    EXPECT_NE(std::string(device).find("Device11"), std::string::npos)
        << "the second listed device is the one kept: " << device;
}

TEST_F(EngineTest, CardAudioCompanionIsAlsoTheCaptureSoundWithoutASecondInstance) {
    InstallCard("UTV2820 Video Capture", "UTV2820 TV Tuner", "UTV2820 Crossbar");
    AddDevice(Categories().audioInput, "Line In", Role::Generic);
    AddDevice(Categories().audioInput, "UTV2820 Audio Device", Role::Generic);
    CaptureEngine engine(Env());
    ASSERT_EQ(engine.Initialize(m_owner, 2), 0);
    ASSERT_EQ(engine.InitCaptureGraph(), 1);
    ASSERT_NE(engine.Graph().CardAudio(), nullptr);
    EXPECT_EQ(engine.Graph().AudioCapture(), engine.Graph().CardAudio());
    EXPECT_EQ(FiltersOfClass(engine.Graph().FilterGraph(), ClassOf(Role::Generic)), 1);
}

TEST_F(EngineTest, InitCaptureGraphWithoutCaptureFilterFailsAndTearsDown) {
    CaptureEngine engine(Env());
    EXPECT_EQ(engine.InitCaptureGraph(), 0);
    EXPECT_EQ(engine.Graph().FilterGraph(), nullptr);
    const auto errors = Texts(ReportKind::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("Cannot add vidcap to filtergraph"), std::string::npos);
}

TEST_F(EngineTest, StartVideoPreviewWhileCapturingBuildsNothing) {
    InstallCard("TV Card(Philips) Video", "PhTVTune", nullptr);
    CaptureEngine engine(Env());
    ASSERT_EQ(engine.Initialize(m_owner, 1), 0);
    ASSERT_EQ(engine.InitCaptureGraph(), 1);
    const GraphState was = EngineTestPeer::Enter(engine, GraphState::Capturing);
    EXPECT_EQ(engine.StartVideoPreview(1), 1);
    EXPECT_FALSE(engine.PreviewBuilt());
    EXPECT_TRUE(Card().optimiserModes.empty()) << "no display optimiser was set up";
    EngineTestPeer::Enter(engine, was);
}

TEST_F(EngineTest, ARecordingStartWhileCapturingBuildsNothing) {
    InstallCard("Ph7134 Video Capture", "Ph7134 TV Tuner", "Cap7134 Crossbar");
    CaptureEngine engine(Env());
    ASSERT_EQ(engine.Initialize(m_owner, 2), 0);
    ASSERT_EQ(engine.InitCaptureGraph(), 1);
    ASSERT_EQ(engine.StartVideoPreview(2), 1);
    const int before = FiltersOfClass(engine.Graph().FilterGraph(), CLSID_SmartTee);
    m_reporter.reports.clear();
    const GraphState was = EngineTestPeer::Enter(engine, GraphState::Capturing);
    EXPECT_EQ(engine.StartCaptureAVI("c:\\recording.avi", 1, 352, 288), kEngineFailed);
    EXPECT_EQ(engine.StartCaptureMPG4("c:\\recording.avi", 1, 0, 0), kEngineFailed);
    EXPECT_EQ(FiltersOfClass(engine.Graph().FilterGraph(), CLSID_SmartTee), before);
    EXPECT_TRUE(engine.Capturing()) << "the refused starts left the running graph as it was";
    EXPECT_TRUE(m_reporter.reports.empty());
    EngineTestPeer::Enter(engine, was);
}

TEST_F(EngineTest, AFailedRunLeavesNoFilterOfTheGraphStreaming) {
    InstallCard("TV Card(Philips) Video", "PhTVTune", "TV Card(Philips) Crossbar");
    CaptureEngine engine(Env());
    ASSERT_EQ(engine.Initialize(m_owner, 2), 0);
    ASSERT_EQ(engine.InitCaptureGraph(), 1);
    // Every filter but the grabber starts; the grabber cannot, so the graph's Run fails.
    Card().hasFailingRun = true;
    Card().failingRun = Role::Grabber;
    EXPECT_EQ(engine.StartVideoPreview(2), 1);
    EXPECT_FALSE(engine.PreviewRunning());
    const auto errors = Texts(ReportKind::Error);
    ASSERT_FALSE(errors.empty());
    EXPECT_NE(errors.back().find(": Cannot run preview graph"), std::string::npos) << errors.back();
    ASSERT_GT(Card().starts[Role::Capture], 0) << "the capture filter was paused or run before the failure";
    for (Role role : {Role::Capture, Role::Tuner, Role::Crossbar, Role::Grabber})
        EXPECT_EQ(Card().states[role], State_Stopped) << static_cast<int>(role);

    // A later successful start, stop and teardown leave everything stopped too.
    Card().hasFailingRun = false;
    EXPECT_EQ(engine.StartVideoPreview(2), 1);
    EXPECT_TRUE(engine.PreviewRunning());
    EXPECT_EQ(Card().states[Role::Capture], State_Running);
    engine.Shutdown();
    for (Role role : {Role::Capture, Role::Tuner, Role::Crossbar, Role::Grabber})
        EXPECT_EQ(Card().states[role], State_Stopped) << static_cast<int>(role);
}

TEST_F(EngineTest, OverlayPreviewStillsComeFromTheDisplayOptimiser) {
    InstallCard("TV Card(Philips) Video", "PhTVTune", nullptr);
    CaptureEngine engine(Env());
    ASSERT_EQ(engine.Initialize(m_owner, 1), 0);
    ASSERT_EQ(engine.InitCaptureGraph(), 1);
    m_reporter.reports.clear();
    EXPECT_EQ(engine.StartVideoPreview(1), 1);
    EXPECT_TRUE(engine.PreviewBuilt());
    EXPECT_EQ(Card().optimiserModes, std::vector<long>{0});
    EXPECT_EQ(Texts(ReportKind::Notice), std::vector<std::string>{"Preview size  can not be setted!"});

    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    const std::string path = std::string(dir) + "engine_still.bmp";
    DeleteFileA(path.c_str());
    // The optimiser has no picture yet: nothing is written.
    EXPECT_EQ(engine.SaveBmpFile(path.c_str()), 0);
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(engine.ImageMemSize(), 0);

    std::vector<uint8_t> packed(40 + 24);
    const auto info = MakeBgr24InfoHeader(4, 2);
    std::copy(info.begin(), info.end(), packed.begin());
    for (size_t i = 40; i < packed.size(); ++i)
        packed[i] = static_cast<uint8_t>(i * 3);
    Card().optimiserImage = packed;
    EXPECT_EQ(engine.SaveBmpFile(path.c_str()), 1);
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(file.size(), 54u + 24u);
    const uint8_t fileHeader[14] = {'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(file.data(), fileHeader, 14));
    EXPECT_EQ(0, std::memcmp(file.data() + 14, packed.data(), packed.size()));
    in.close();
    DeleteFileA(path.c_str());

    std::vector<BYTE> memory(static_cast<size_t>(engine.ImageMemSize()), 0xCD);
    ASSERT_EQ(memory.size(), packed.size());
    EXPECT_EQ(engine.CopyImageMem(memory.data()), static_cast<long>(packed.size()));
    EXPECT_TRUE(memory == packed);

    // A buffer one byte short of the picture is left alone; one that fits gets all of it.
    std::vector<BYTE> small(packed.size(), 0xCD);
    EXPECT_EQ(engine.CopyImageMem(small.data(), packed.size() - 1), 0);
    EXPECT_TRUE(std::all_of(small.begin(), small.end(), [](BYTE b) { return b == 0xCD; }));
    EXPECT_EQ(engine.CopyImageMem(small.data(), packed.size()), static_cast<long>(packed.size()));
    EXPECT_TRUE(small == packed);
}

// ---- tuning and scan --------------------------------------------------------------------------------------

TEST_F(EngineTest, TuningWritesTheFrequencyPropertyAndStoresIt) {
    InstallCard("Ph7134 Video Capture", "Ph7134 TV Tuner", "Cap7134 Crossbar");
    FakeChannels channels;
    channels.list = {{"One", 55250000, 1, 0}, {"Two", 62250000, 2, 1}};
    CaptureEngine engine(Env());
    engine.SetChannelAccess(&channels);
    ASSERT_EQ(engine.Initialize(m_owner, 2), 0);
    ASSERT_EQ(engine.InitCaptureGraph(), 1);

    EXPECT_EQ(engine.SetFrequency(183250000, 1), 1);
    ASSERT_EQ(Card().frequencySets.size(), 1u);
    EXPECT_EQ(Card().frequencySets[0].Frequency, 183250000u);
    EXPECT_EQ(Card().lastFrequencyInstanceSize, 32u);
    EXPECT_EQ(channels.list[1].frequency, 183250000);
    EXPECT_EQ(engine.SetFrequency(1000, 2), 0) << "an index outside the list tunes nothing";
    EXPECT_EQ(Card().frequencySets.size(), 1u);

    EXPECT_EQ(engine.SetCurrentChannel(0), 1);
    EXPECT_EQ(Card().frequency, 55250000u);
    ASSERT_EQ(Card().audioModeSets.size(), 1u);
    const std::vector<uint8_t>& buffer = Card().audioModeSets[0];
    ASSERT_EQ(buffer.size(), 120u);
    EXPECT_EQ(Card().lastAudioModeInstanceSize, 96u);
    uint32_t word = 0;
    for (size_t i = 0; i < buffer.size(); ++i) {
        if (i < 24 || i >= 28) {
            EXPECT_EQ(buffer[i], 0) << "byte " << i;
        }
    }
    std::memcpy(&word, buffer.data() + 6 * 4, 4);
    EXPECT_EQ(word, 0x16160001u) << "channel audio 0 is stereo";
    EXPECT_EQ(engine.SetCurrentChannel(1), 1);
    std::memcpy(&word, Card().audioModeSets[1].data() + 6 * 4, 4);
    EXPECT_EQ(word, 0x16160000u) << "channel audio 1 is mono";

    long maximum = 0, minimum = 0;
    EXPECT_EQ(engine.GetFrequencyRange(&maximum, &minimum), 1);
    EXPECT_EQ(maximum, 863250000);
    EXPECT_EQ(minimum, 48250000);
}

TEST_F(EngineTest, ScanStepsFindLockedChannelsAndResetAtTheEnd) {
    InstallCard("Ph7134 Video Capture", "Ph7134 TV Tuner", nullptr);
    FakeChannels channels;
    channels.list = {{"Old", 1, 1, 0}};
    channels.table = {49750000, 57750000, 65750000};
    Card().lockedFrequencies = {57750000};
    CaptureEngine engine(Env());
    engine.SetChannelAccess(&channels);
    ASSERT_EQ(engine.Initialize(m_owner, 2), 0);
    ASSERT_EQ(engine.InitCaptureGraph(), 1);

    EXPECT_EQ(engine.AutoScanTune(0), 1);
    EXPECT_TRUE(channels.list.empty()) << "the first step empties the list";
    EXPECT_EQ(Card().frequency, 49750000u);
    EXPECT_EQ(engine.AutoScanTune(0), 3);
    ASSERT_EQ(channels.list.size(), 1u);
    EXPECT_EQ(channels.list[0].name, "New Channel");
    EXPECT_EQ(channels.list[0].frequency, 57750000);
    EXPECT_EQ(channels.list[0].number, 1);
    EXPECT_EQ(engine.AutoScanTune(0), 1);
    EXPECT_EQ(engine.Tuner().ScanPosition(), 3);
    EXPECT_EQ(engine.AutoScanTune(0), -1) << "past the last position the scan is over";
    EXPECT_EQ(engine.Tuner().ScanPosition(), 0);
    EXPECT_EQ(channels.list.size(), 1u);
    EXPECT_EQ(engine.AutoScanTune(0), 1) << "and starts again";
    EXPECT_EQ(engine.Tuner().ScanPosition(), 1);
    EXPECT_EQ(engine.AutoScanTune(1), -1);
    EXPECT_EQ(engine.Tuner().ScanPosition(), 0);
}

TEST_F(EngineTest, CountryOnUtvCardIsFoldedAndWrittenTwice) {
    InstallCard("UTV2820 Video", "UTV2820 Tuner", "UTV2820 Crossbar");
    CaptureEngine engine(Env());
    ASSERT_EQ(engine.Initialize(m_owner, 2), 0);
    ASSERT_EQ(engine.InitCaptureGraph(), 1);
    Card().frequency = 471250000;
    EXPECT_EQ(engine.SetCountry(44), 1);
    ASSERT_EQ(Card().frequencySets.size(), 2u);
    EXPECT_EQ(Card().frequencySets[0].Country, 852u);
    EXPECT_EQ(Card().frequencySets[0].Frequency, 471250001u);
    EXPECT_EQ(Card().frequencySets[1].Country, 852u);
    EXPECT_EQ(Card().frequencySets[1].Frequency, 471250000u);
    EXPECT_EQ(engine.SetCountry(7), 1);
    EXPECT_EQ(Card().country, 7u);
    EXPECT_EQ(Card().frequency, 471250000u);
    EXPECT_TRUE(Card().countryCodes.empty()) << "the UTV tuner gets no IAMTVTuner country";
}

TEST_F(EngineTest, CountryOnSaaCardGoesThroughTheTunerInterface) {
    InstallCard("Ph7134 Video Capture", "Ph7134 TV Tuner", nullptr);
    CaptureEngine engine(Env());
    ASSERT_EQ(engine.Initialize(m_owner, 2), 0);
    ASSERT_EQ(engine.InitCaptureGraph(), 1);
    EXPECT_EQ(engine.SetCountry(44), 1);
    EXPECT_EQ(Card().countryCodes, std::vector<long>{44});
    EXPECT_TRUE(Card().frequencySets.empty());
}

// ---- crossbar --------------------------------------------------------------------------------------

TEST_F(EngineTest, MuteThenSelectingTheSourceRestoresTheSound) {
    Card().UseSaa7134Crossbar();
    InstallCard("Ph7134 Video Capture", "Ph7134 TV Tuner", "Cap7134 Crossbar");
    CaptureEngine engine(Env());
    ASSERT_EQ(engine.Initialize(m_owner, 2), 0);
    ASSERT_EQ(engine.InitCaptureGraph(), 1);
    ASSERT_NE(engine.Graph().Router(), nullptr);
    EXPECT_EQ(engine.Graph().Router()->Count(), 3);

    EXPECT_EQ(engine.SetVideoSource(1), 1);
    EXPECT_EQ(Card().routes[0], 1);
    EXPECT_EQ(Card().routes[1], 3);
    EXPECT_TRUE(engine.IsTunerInput());
    EXPECT_EQ(engine.AudioMute(1), 1);
    EXPECT_EQ(Card().routes[1], -1);
    EXPECT_EQ(Card().routes[0], 1) << "muting keeps the picture";
    EXPECT_EQ(engine.SetVideoSource(1), 1);
    EXPECT_EQ(Card().routes[1], 3);
    EXPECT_EQ(engine.AudioMute(1), 1);
    EXPECT_EQ(engine.AudioMute(0), 1);
    EXPECT_EQ(Card().routes[1], 3);

    EXPECT_EQ(engine.SetVideoSource(0), 0);
    EXPECT_EQ(Card().routes[1], 4) << "composite takes the line audio";
    EXPECT_FALSE(engine.IsTunerInput());
    char name[32];
    EXPECT_EQ(engine.GetSourceName(2, name, sizeof name), 1);
    EXPECT_STREQ(name, "Video SVideo");
    EXPECT_EQ(engine.GetSourceName(1, name, 6), 1);
    EXPECT_STREQ(name, "Video") << "at most length characters with the terminator";
    EXPECT_EQ(engine.GetSourceName(3, name, sizeof name), 0);

    const size_t routed = Card().routeLog.size();
    EXPECT_EQ(engine.SetVideoSource(3), static_cast<int>(E_FAIL));
    EXPECT_EQ(Card().routeLog.size(), routed) << "an index outside the list routes nothing";
}

TEST(CrossbarRouterTest, OnlyAudioInputsGiveAnEmptyList) {
    ComInit com;
    ResetCard();
    Card().crossbarOutputs = {{12, 1}, {4105, 0}};
    Card().crossbarInputs = {{4096, 0}, {4097, 0}};
    ComPtr<IBaseFilter> filter;
    filter.Attach(CreateFakeFilter(Role::Crossbar));
    CrossbarRouter router(filter.get());
    EXPECT_TRUE(router.HasCrossbar());
    EXPECT_EQ(router.Count(), 0);
    EXPECT_EQ(router.Route(0, true), E_FAIL);
    EXPECT_EQ(router.Name(0), nullptr);
    EXPECT_TRUE(Card().routeLog.empty());

    CrossbarRouter none(static_cast<IBaseFilter*>(nullptr));
    EXPECT_EQ(none.Route(0, true), E_POINTER);
}

TEST(CrossbarRouterTest, EntriesWithoutRelatedPinsRouteVideoOnly) {
    ComInit com;
    ResetCard();
    Card().crossbarOutputs = {{12, -1}};
    Card().crossbarInputs = {{1, -1}, {2, -1}};
    ComPtr<IBaseFilter> filter;
    filter.Attach(CreateFakeFilter(Role::Crossbar));
    CrossbarRouter router(filter.get());
    ASSERT_EQ(router.Count(), 2);
    EXPECT_STREQ(router.Name(0), "Video Tuner");
    EXPECT_EQ(router.Route(1, false), S_OK);
    EXPECT_EQ(Card().routeLog, (std::vector<std::pair<long, long>>{{0, 1}}));
    EXPECT_EQ(router.CurrentIndex(), 1);
}

// ---- standard and picture -----------------------------------------------------------------------------

TEST_F(EngineTest, VideoStandardIsSetOnTheDecoder) {
    InstallCard("TV Card(Philips) Video", nullptr, nullptr);
    CaptureEngine engine(Env());
    EXPECT_EQ(engine.SetVideoFormat(AnalogVideo_NTSC_M), 0) << "no capture filter yet";
    ASSERT_EQ(engine.Initialize(m_owner, 2), 0);
    ASSERT_EQ(engine.InitCaptureGraph(), 1);
    EXPECT_EQ(engine.SetVideoFormat(AnalogVideo_NTSC_M), 1);
    EXPECT_EQ(Card().standard, AnalogVideo_NTSC_M);
    EXPECT_EQ(engine.GetVideoFormat(), AnalogVideo_NTSC_M);
}

TEST_F(EngineTest, PictureIsScaledToTheDeviceRange) {
    InstallCard("TV Card(10BIT) Capture", nullptr, nullptr);
    CaptureEngine engine(Env());
    ASSERT_EQ(engine.Initialize(m_owner, 2), 0);
    ASSERT_EQ(engine.InitCaptureGraph(), 1);
    EXPECT_EQ(engine.SetBrightNess(255), 1);
    EXPECT_EQ(Card().amp[VideoProcAmp_Brightness].value, 300);
    EXPECT_EQ(Card().amp[VideoProcAmp_Brightness].flags, VideoProcAmp_Flags_Manual);
    EXPECT_EQ(engine.SetBrightNess(0), 1);
    EXPECT_EQ(Card().amp[VideoProcAmp_Brightness].value, -100);
    EXPECT_EQ(engine.SetHue(128), 1);
    EXPECT_EQ(Card().amp[VideoProcAmp_Hue].value, 0); // -180 + 128 * 360 / 255 = 0.7 truncated

    Card().amp[VideoProcAmp_Contrast].value = 2500;
    long value = -1, maximum = -1, minimum = -1, defaultValue = -1;
    EXPECT_EQ(engine.GetContrast(&value, &maximum, &minimum, &defaultValue), 1);
    EXPECT_EQ(value, 63);
    EXPECT_EQ(maximum, 255);
    EXPECT_EQ(minimum, 0);
    EXPECT_EQ(defaultValue, 127);
    EXPECT_EQ(engine.SetSharpNess(255), 1);
    EXPECT_EQ(Card().amp[VideoProcAmp_Sharpness].value, 15);
    EXPECT_EQ(engine.GetSharepNess(&value, &maximum, &minimum, &defaultValue), 1);
    EXPECT_EQ(value, 255);

    EXPECT_EQ(engine.SetColorEnable(0), 1);
    EXPECT_EQ(Card().amp[VideoProcAmp_ColorEnable].value, 0);
    Card().amp.erase(VideoProcAmp_Saturation);
    EXPECT_EQ(engine.SetSaturation(10), 0);
    EXPECT_EQ(engine.GetSaturation(&value, &maximum, &minimum, &defaultValue), 0);
}

TEST_F(EngineTest, ColourEnableOnlyOnTheTenBitCard) {
    InstallCard("TV Card(Philips) Video", nullptr, nullptr);
    CaptureEngine engine(Env());
    ASSERT_EQ(engine.Initialize(m_owner, 2), 0);
    ASSERT_EQ(engine.InitCaptureGraph(), 1);
    EXPECT_EQ(engine.SetColorEnable(0), 0);
    EXPECT_EQ(Card().amp[VideoProcAmp_ColorEnable].value, 1);
}

// ---- grabber stills and desktop mode --------------------------------------------------------------------

TEST_F(EngineTest, GrabberPreviewStillsAreConvertedBottomUp) {
    InstallCard("TV Card(Philips) Video", "PhTVTune", nullptr);
    CaptureEngine engine(Env());
    ASSERT_EQ(engine.Initialize(m_owner, 2), 0);
    ASSERT_EQ(engine.InitCaptureGraph(), 1);
    ASSERT_EQ(engine.StartVideoPreview(2), 1);
    Card().grabberWidth = 4;
    Card().grabberHeight = 2;
    Card().grabberFrame = {100, 255, 30, 128, 0,  128, 255, 0, // top row
                           10,  128, 20, 128, 30, 128, 40,  128};
    const uint8_t pixels[24] = {10,  10, 10, 20,  20, 20, 30, 30, 30, 40,  40,  40, // bottom row first
                                255, 56, 99, 254, 0,  29, 0,  91, 0,  255, 255, 75};
    const uint8_t fileHeader[14] = {'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0};
    const uint8_t infoHeader[40] = {40, 0, 0, 0, 4, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,
                                    24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0, 0};

    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    const std::string path = std::string(dir) + "engine_grab.bmp";
    DeleteFileA(path.c_str());
    ASSERT_EQ(engine.SaveBmpFile(path.c_str()), 1);
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    DeleteFileA(path.c_str());
    ASSERT_EQ(file.size(), 78u);
    EXPECT_EQ(0, std::memcmp(file.data(), fileHeader, 14));
    EXPECT_EQ(0, std::memcmp(file.data() + 14, infoHeader, 40));
    EXPECT_EQ(0, std::memcmp(file.data() + 54, pixels, 24));
    EXPECT_EQ(Card().grabberLengths.back(), 16) << "width x height x 2 bytes are asked for";

    ASSERT_EQ(engine.ImageMemSize(), 64);
    std::vector<BYTE> memory(64, 0xCD);
    EXPECT_EQ(engine.CopyImageMem(memory.data()), 64);
    EXPECT_EQ(0, std::memcmp(memory.data(), infoHeader, 40));
    EXPECT_EQ(0, std::memcmp(memory.data() + 40, pixels, 24));
    std::vector<BYTE> short63(63, 0xCD);
    EXPECT_EQ(engine.CopyImageMem(short63.data(), short63.size()), 0);
    EXPECT_TRUE(std::all_of(short63.begin(), short63.end(), [](BYTE b) { return b == 0xCD; }));
    EXPECT_EQ(engine.CopyImageMem(memory.data(), memory.size()), 64);

    Card().grabberFrame.clear(); // no frame has arrived: nothing is written
    EXPECT_EQ(engine.SaveBmpFile(path.c_str()), 0);
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(EngineTest, DesktopVideoModeGivesTheDesktopBack) {
    InstallCard("Ph7134 Video Capture", "Ph7134 TV Tuner", nullptr);
    CaptureEngine engine(Env());
    ASSERT_EQ(engine.Initialize(m_owner, 2), 0);
    ASSERT_EQ(engine.InitCaptureGraph(), 1);
    const COLORREF background = GetSysColor(COLOR_BACKGROUND);
    if (engine.StartDesktopVideo() == 1) {
        EXPECT_TRUE(engine.DesktopVideoActive());
        EXPECT_EQ(GetSysColor(COLOR_BACKGROUND), RGB(0, 0, 15));
        engine.DesktopVideoTick();
        engine.StopDesktopVideo();
    } else {
        // This platform offers no overlay surface: the mode gives up cleanly.
        EXPECT_FALSE(engine.DesktopVideoActive());
    }
    EXPECT_FALSE(engine.DesktopVideoActive());
    EXPECT_EQ(GetSysColor(COLOR_BACKGROUND), background);
    engine.DesktopVideoTick(); // harmless outside the mode
}

// ---- Windows Media profiles ----------------------------------------------------------------------------

TEST(ProfileTest, OnlyAReadableDiskFileIsLoaded) {
    ComInit com;
    ComPtr<IWMProfile> profile;
    EXPECT_EQ(LoadProfile(nullptr, profile), E_POINTER);
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    const std::string missing = std::string(dir) + "no such profile.prx";
    DeleteFileA(missing.c_str());
    EXPECT_EQ(LoadProfile(missing.c_str(), profile), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(profile);
    EXPECT_TRUE(FAILED(LoadProfile(dir, profile))) << "a directory is not read";
    EXPECT_FALSE(profile);
    EXPECT_EQ(LoadProfile("NUL", profile), HRESULT_FROM_WIN32(ERROR_BAD_FILE_TYPE)) << "nor is a device";
    EXPECT_FALSE(profile);

    // An empty file reaches the profile manager as a bare terminator, and its refusal comes back.
    const std::string empty = std::string(dir) + "empty profile.prx";
    std::ofstream(empty, std::ios::binary).close();
    EXPECT_TRUE(FAILED(LoadProfile(empty.c_str(), profile)));
    EXPECT_FALSE(profile);
    DeleteFileA(empty.c_str());
}
