// The capture library as Tunaro FM uses it: loaded at run time and every export bound by ordinal
// only, called in the FM program's sequences against the simulated card of the prefix (the card's
// state file tells what reached the hardware), with the out-of-order calls and unusable buffers
// that must fail cleanly. Recordings are read back with ffprobe. Each case starts the device on
// the same station list and stops it again, so one failing case leaves the others to run.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "tests/platform/media_check.h"
#include "tests/support/e2e.h"

namespace {

// ---- the library by ordinal --------------------------------------------------------------------

using Fn0 = int(WINAPI*)();
using FnI = int(WINAPI*)(int);
using FnL = int(WINAPI*)(long);
using FnS = int(WINAPI*)(const char*);
using FnEnum = int(WINAPI*)(int*, char*);
using FnGet4 = int(WINAPI*)(long*, long*, long*, long*);

// The entry points by the names of the exports they are imported from.
// NOLINTBEGIN(readability-identifier-naming)
struct Qxtv {
    HMODULE module = nullptr;
    Fn0 CoInitialize, CoUninitialize, StopCaptureMPG4, StopCaptureAVI, GetChannelListSize, StopDevice,
        StopCapureMP3, StartDevice, StopCaptureAudioWMA, DeviceUTVMute2820;
    FnEnum EnumVideoDevice, EnumAudioDevice;
    FnS SelectVideoDevice, SaveBmpFile, StartCaptureMPG4, StartCaptureAVI, StartCapureMP3, SelectAudioDevice,
        StartCaptureAudioWMA;
    int(WINAPI* StartVideoPreview)(HWND, HWND);
    FnI SetVideoSource, SetPreviewMode, SetCurrentChannel, DeleteChannel, GetChannelNumber, AudioMute,
        SetTVMode;
    FnL SetVideoFormat, SetBrightNess, SetHue, SetSharpNess, SetSaturation, SetContrast;
    int(WINAPI* SetVideoWindowsPos)(long, long, long, long);
    int(WINAPI* GetVideoFormat)(long*);
    FnGet4 GetBrightNess, GetHue, GetSharepNess, GetSaturation, GetContrast;
    int(WINAPI* AutoScanTune)(int*, int*, int*);
    int(WINAPI* SetChannelName)(int, const char*);
    const char*(WINAPI* GetChannelName)(int);
    long(WINAPI* GetFrequency)(int);
    int(WINAPI* SetFrequency)(int, long);
    int(WINAPI* SetChannelNumber)(int, int);
    long(WINAPI* CopyImageMem)(BYTE*);
    int(WINAPI* FMScanTuner)(int, int, int*, int*, int*, long*, int*);
    int(WINAPI* AddChannel)(const char*, long);

    template <typename F> bool Bind(F& f, int ordinal) {
        f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ordinal))));
        return f != nullptr;
    }
    // Every export by its ordinal; false when one is missing.
    bool Load(const std::string& path) {
        module = LoadLibraryA(path.c_str());
        if (!module)
            return false;
        bool ok = Bind(CoInitialize, 1) & Bind(CoUninitialize, 2) & Bind(EnumVideoDevice, 3) &
                  Bind(SelectVideoDevice, 4) & Bind(StartVideoPreview, 5) & Bind(SetVideoSource, 6) &
                  Bind(SetVideoFormat, 7) & Bind(SetPreviewMode, 8) & Bind(SaveBmpFile, 9) &
                  Bind(SetVideoWindowsPos, 10) & Bind(GetVideoFormat, 11) & Bind(SetBrightNess, 12) &
                  Bind(GetBrightNess, 13) & Bind(SetHue, 14) & Bind(GetHue, 15) & Bind(SetSharpNess, 16) &
                  Bind(GetSharepNess, 17) & Bind(SetSaturation, 18) & Bind(GetSaturation, 19) &
                  Bind(SetContrast, 20) & Bind(GetContrast, 21) & Bind(StartCaptureMPG4, 22) &
                  Bind(StopCaptureMPG4, 23) & Bind(StartCaptureAVI, 24) & Bind(StopCaptureAVI, 25) &
                  Bind(AutoScanTune, 26) & Bind(SetCurrentChannel, 27) & Bind(SetChannelName, 28) &
                  Bind(GetChannelName, 29) & Bind(DeleteChannel, 30) & Bind(GetChannelNumber, 31) &
                  Bind(GetFrequency, 32) & Bind(SetFrequency, 33) & Bind(SetChannelNumber, 34) &
                  Bind(GetChannelListSize, 35) & Bind(StopDevice, 36) & Bind(StartCapureMP3, 37) &
                  Bind(StopCapureMP3, 38) & Bind(SelectAudioDevice, 39) & Bind(EnumAudioDevice, 40) &
                  Bind(StartDevice, 41) & Bind(CopyImageMem, 42) & Bind(AudioMute, 43) & Bind(SetTVMode, 44) &
                  Bind(FMScanTuner, 45) & Bind(AddChannel, 46) & Bind(StopCaptureAudioWMA, 47) &
                  Bind(StartCaptureAudioWMA, 48) & Bind(DeviceUTVMute2820, 49);
        return ok;
    }
};
// NOLINTEND(readability-identifier-naming)

// Ten 260-byte name buffers in one block, as a char[10][260] array passes them.
struct NameBuffers {
    char storage[10][260];
    char* names = storage[0];
    NameBuffers() { std::memset(storage, 0, sizeof storage); }
    const char* Name(int i) const { return storage[i]; }
};

long State(const char* key) {
    return e2e::SimCardStateLong(key, -1);
}

double Number(const std::map<std::string, std::string>& p, const std::string& key) {
    auto it = p.find(key);
    return it == p.end() ? -1 : std::atof(it->second.c_str());
}
std::string Text(const std::map<std::string, std::string>& p, const std::string& key) {
    auto it = p.find(key);
    return it == p.end() ? std::string() : it->second;
}
// "streams.stream.N." of the first stream of this type, "" when none.
std::string StreamOf(const std::map<std::string, std::string>& p, const char* type) {
    for (int i = 0; i < 4; ++i) {
        const std::string prefix = "streams.stream." + std::to_string(i) + ".";
        if (Text(p, prefix + "codec_type") == type)
            return prefix;
    }
    return std::string();
}

// Temporary files the suite's file replacement makes ("~tu*.tmp") left in a folder.
std::vector<std::string> TemporaryFilesIn(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found = {};
    HANDLE find = FindFirstFileA((dir + "\\~tu*.tmp").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        names.push_back(found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

// The window a caller names as the video window's message drain: it counts the left clicks the
// video window hands it.
int g_drainClicks = 0;
LRESULT CALLBACK DrainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_LBUTTONDOWN)
        ++g_drainClicks;
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// The library, loaded once for the whole program (its first case needs it never initialised),
// and the two windows the cases show the preview in and drain its mouse to.
Qxtv g_lib;
bool g_loaded = false;
HWND g_owner = nullptr;
HWND g_drain = nullptr;

// A station list of the FM program's: a comment, a blank name, a name without frequency.
constexpr const char* kStationList = "; my stations\r\n"
                                     "Name: Harbour FM ; by the sea\r\nFreq: 88100000\r\nChan: 1\r\n"
                                     "Name:    \r\nFreq: 91500000\r\nChan: 2\r\n"
                                     "Name: Nothing here\r\n"
                                     "Name: Summit FM\r\nFreq: 95300000\r\nChan: 3\r\n";

class CaptureLibraryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!e2e::FileExists(e2e::SystemDir() + "\\simcard.dll"))
            return;
        g_loaded = g_lib.Load(e2e::ExeDir() + "\\zentaviq_Capture.dll");
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "CaptureLibraryTestOwner";
        RegisterClassA(&wc);
        g_owner = CreateWindowA(wc.lpszClassName, "capture library preview", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                0, 0, 720, 576, nullptr, nullptr, wc.hInstance, nullptr);
        WNDCLASSA drain = {};
        drain.lpfnWndProc = DrainProc;
        drain.hInstance = wc.hInstance;
        drain.lpszClassName = "CaptureLibraryTestDrain";
        RegisterClassA(&drain);
        g_drain = CreateWindowA(drain.lpszClassName, "capture library drain", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                100, nullptr, nullptr, wc.hInstance, nullptr);
    }
    static void TearDownTestSuite() {
        if (g_owner)
            DestroyWindow(g_owner);
        if (g_drain)
            DestroyWindow(g_drain);
        if (g_lib.module)
            FreeLibrary(g_lib.module);
        g_owner = g_drain = nullptr;
        g_lib = Qxtv();
        g_loaded = false;
    }

    void SetUp() override {
        if (!e2e::FileExists(e2e::SystemDir() + "\\simcard.dll"))
            GTEST_SKIP() << "the prefix has no simulated card";
        ASSERT_TRUE(g_loaded) << "the library or one of its ordinals is missing";
        ASSERT_TRUE(m_dir.Made());
        m_owner = g_owner;
        m_drain = g_drain;
        m_stationFile = e2e::SystemDir() + "\\FmProgram.txt";
        ASSERT_TRUE(e2e::WriteFile(m_stationFile, kStationList));
    }
    // Whatever a case left running is stopped, and no case showed a message box.
    void TearDown() override {
        if (!g_loaded)
            return;
        m_lib.StopDevice();
        for (; m_inits > 0; --m_inits)
            m_lib.CoUninitialize();
        EXPECT_TRUE(m_boxes.Seen().empty()) << m_boxes.Seen().front().text;
    }

    // QXTV_CoInitialize, undone at the end of the case.
    int Initialise() {
        ++m_inits;
        return m_lib.CoInitialize();
    }
    void Uninitialise() {
        if (m_inits > 0)
            --m_inits;
        m_lib.CoUninitialize();
    }

    // A left click on the graph's video window (the owner's child) reaches the drain window.
    bool ClickReachesDrain() {
        HWND video = FindWindowExA(m_owner, nullptr, nullptr, nullptr);
        if (!video)
            return false;
        const int before = g_drainClicks;
        SendMessageA(video, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
        SendMessageA(video, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
        e2e::Pump(200);
        return g_drainClicks > before;
    }

    // The device started as the FM program starts it (after QXTV_CoInitialize): both lists into
    // 260-byte buffers, the card's video device and the first audio device selected.
    void StartLikeTheFmProgram() {
        NameBuffers video, audio;
        int videoCount = 0, audioCount = 0;
        ASSERT_EQ(m_lib.EnumVideoDevice(&videoCount, video.names), 1);
        ASSERT_EQ(m_lib.EnumAudioDevice(&audioCount, audio.names), 1);
        ASSERT_GT(audioCount, 0);
        bool listed = false;
        ASSERT_LE(videoCount, 10);
        for (int i = 0; i < videoCount; ++i)
            listed = listed || std::strstr(video.Name(i), "Ph7134") != nullptr;
        ASSERT_TRUE(listed) << "the simulated card's video device is listed";
        EXPECT_EQ(m_lib.SelectVideoDevice("Ph7134"), 1);
        EXPECT_EQ(m_lib.SelectAudioDevice(audio.Name(0)), 1);
        ASSERT_EQ(m_lib.StartDevice(), 1);
    }
    // Initialised and started on the station list.
    void Start() {
        Initialise();
        ASSERT_NO_FATAL_FAILURE(StartLikeTheFmProgram());
    }
    // Started in TV mode on the tuner input, the preview running in the owner with the drain
    // taking its mouse.
    void StartTvPreview() {
        ASSERT_NO_FATAL_FAILURE(Start());
        ASSERT_EQ(m_lib.SetTVMode(0), 0);
        ASSERT_EQ(m_lib.StartVideoPreview(m_owner, m_drain), 1);
        ASSERT_EQ(m_lib.SetVideoSource(1), 1);
        const long before = State("FramesDelivered");
        ASSERT_TRUE(e2e::WaitUntil(
            [&] {
                e2e::Pump(100);
                return State("FramesDelivered") > before + 10;
            },
            20000))
            << "the preview runs";
    }

    // FM scan steps until done; the stations reported found, by the frequency the step reported.
    std::vector<long> ScanBand(int* steps) {
        std::vector<long> found;
        int done = 0;
        *steps = 0;
        int lastProgress = -1;
        while (!done && *steps < 1000) {
            int f = 0, progress = -1;
            long frequency = 0;
            EXPECT_EQ(m_lib.FMScanTuner(0, 0, &done, &f, nullptr, &frequency, &progress), 0);
            ++*steps;
            if (done)
                break;
            EXPECT_GE(progress, lastProgress) << "progress never goes back";
            EXPECT_LE(progress, 100);
            lastProgress = progress;
            if (f)
                found.push_back(frequency);
        }
        EXPECT_EQ(done, 1);
        return found;
    }

    Qxtv& m_lib = g_lib;
    HWND m_owner = nullptr;
    HWND m_drain = nullptr;
    std::string m_stationFile;
    e2e::MessageBoxWatcher m_boxes{GetCurrentProcessId()};
    e2e::ScratchDir m_dir{"capdll"};
    int m_inits = 0;
};

// The library as loaded, never initialised: this case runs first.
TEST_F(CaptureLibraryTest, BeforeTheFirstInitialiseNothingIsUsableAndNothingCrashes) {
    const e2e::ScratchDir& dir = m_dir;
    NameBuffers names;
    int count = -5, done = 0, found = 0, progress = 0;
    long value = 0, mx = 0, mn = 0, df = 0, frequency = 0;
    BYTE image[64];
    EXPECT_EQ(m_lib.EnumVideoDevice(&count, names.names), 0);
    EXPECT_EQ(m_lib.EnumAudioDevice(&count, names.names), 0);
    EXPECT_EQ(m_lib.SelectVideoDevice("Ph7134"), 0);
    EXPECT_EQ(m_lib.SelectAudioDevice("x"), 0);
    EXPECT_EQ(m_lib.StartDevice(), -1);
    EXPECT_EQ(m_lib.StartVideoPreview(m_owner, m_owner), 0);
    EXPECT_EQ(m_lib.SetVideoSource(0), 0);
    EXPECT_EQ(m_lib.SetVideoFormat(1), 1);
    EXPECT_EQ(m_lib.SetPreviewMode(0), -1);
    EXPECT_EQ(m_lib.SaveBmpFile(dir.File("a.bmp").c_str()), -1);
    EXPECT_EQ(m_lib.SetVideoWindowsPos(0, 0, 10, 10), 0);
    EXPECT_EQ(m_lib.GetVideoFormat(&value), 0);
    for (FnL set :
         {m_lib.SetBrightNess, m_lib.SetHue, m_lib.SetSharpNess, m_lib.SetSaturation, m_lib.SetContrast})
        EXPECT_EQ(set(1), 0);
    for (FnGet4 get :
         {m_lib.GetBrightNess, m_lib.GetHue, m_lib.GetSharepNess, m_lib.GetSaturation, m_lib.GetContrast})
        EXPECT_EQ(get(&value, &mx, &mn, &df), 0);
    EXPECT_EQ(m_lib.StartCaptureMPG4(dir.File("a.avi").c_str()), 0);
    EXPECT_EQ(m_lib.StopCaptureMPG4(), -1);
    EXPECT_EQ(m_lib.StartCaptureAVI(dir.File("a.avi").c_str()), 0);
    EXPECT_EQ(m_lib.StopCaptureAVI(), -1);
    EXPECT_EQ(m_lib.AutoScanTune(&done, &found, &count), 0);
    EXPECT_EQ(m_lib.SetCurrentChannel(0), -1);
    EXPECT_EQ(m_lib.SetChannelName(0, "x"), 0);
    EXPECT_EQ(m_lib.GetChannelName(0), nullptr);
    EXPECT_EQ(m_lib.DeleteChannel(0), 0);
    EXPECT_EQ(m_lib.GetChannelNumber(0), 0);
    EXPECT_EQ(m_lib.GetFrequency(0), 0);
    EXPECT_EQ(m_lib.SetFrequency(-1, 87500000), -1);
    EXPECT_EQ(m_lib.SetChannelNumber(0, 1), -1);
    EXPECT_EQ(m_lib.GetChannelListSize(), 0);
    EXPECT_EQ(m_lib.StopDevice(), -1);
    EXPECT_EQ(m_lib.StartCapureMP3(dir.File("a.mp3").c_str()), -1);
    EXPECT_EQ(m_lib.StopCapureMP3(), -1);
    EXPECT_EQ(m_lib.CopyImageMem(image), -1);
    EXPECT_EQ(m_lib.AudioMute(1), 0);
    EXPECT_EQ(m_lib.SetTVMode(1), -1);
    EXPECT_EQ(m_lib.FMScanTuner(0, 0, &done, &found, nullptr, &frequency, &progress), -1);
    EXPECT_EQ(m_lib.AddChannel("x", 88000000), 0);
    EXPECT_EQ(m_lib.StartCaptureAudioWMA(dir.File("a.wma").c_str()), 0);
    EXPECT_EQ(m_lib.StopCaptureAudioWMA(), 0);
    EXPECT_EQ(m_lib.CoUninitialize(), 0) << "nothing to undo";
}

TEST_F(CaptureLibraryTest, InitialisedButNotStartedRefusesUnusableBuffersThenStartsOnce) {
    const int first = Initialise();
    EXPECT_TRUE(first == 0 || first == 1);
    EXPECT_EQ(m_lib.CoInitialize(), 0) << "COM runs on this thread already";
    EXPECT_EQ(m_lib.CoUninitialize(), 0);
    int count = 0, done = 0, found = 0, progress = 0;
    long frequency = 0;
    EXPECT_EQ(m_lib.EnumVideoDevice(&count, nullptr), 0) << "no buffers";
    NameBuffers buffers;
    EXPECT_EQ(m_lib.EnumVideoDevice(nullptr, buffers.names), 0) << "no count";
    EXPECT_EQ(m_lib.SelectVideoDevice(nullptr), 0);
    EXPECT_EQ(m_lib.SelectVideoDevice(std::string(300, 'v').c_str()), 0) << "longer than a name buffer";
    EXPECT_EQ(m_lib.GetChannelListSize(), 0);
    EXPECT_EQ(m_lib.SetTVMode(1), -1);
    EXPECT_EQ(m_lib.FMScanTuner(0, 0, &done, &found, nullptr, &frequency, &progress), -1);
    EXPECT_EQ(m_lib.StartVideoPreview(m_owner, m_owner), 0);
    ASSERT_NO_FATAL_FAILURE(StartLikeTheFmProgram());
    EXPECT_EQ(m_lib.StartDevice(), 1) << "a second start changes nothing";
}

TEST_F(CaptureLibraryTest, TheStationListIsReadAsTheFmProgramWroteIt) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_EQ(m_lib.GetChannelListSize(), 3);
    ASSERT_NE(m_lib.GetChannelName(0), nullptr);
    EXPECT_STREQ(m_lib.GetChannelName(0), "Harbour FM");
    EXPECT_STREQ(m_lib.GetChannelName(1), "Empty");
    EXPECT_STREQ(m_lib.GetChannelName(2), "Summit FM");
    EXPECT_EQ(m_lib.GetFrequency(2), 95300000);
    EXPECT_EQ(m_lib.GetChannelNumber(2), 3);
    EXPECT_EQ(m_lib.GetChannelName(-1), nullptr);
    EXPECT_EQ(m_lib.GetChannelName(3), nullptr);
    EXPECT_EQ(m_lib.GetFrequency(3), 0);
    EXPECT_EQ(m_lib.GetChannelNumber(-1), 0);
}

TEST_F(CaptureLibraryTest, FmModeTunesByFrequencyAndByStationAndMutes) {
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(m_lib.SetTVMode(1), 0);
    EXPECT_EQ(e2e::SimCardState("TunerMode"), "FM");
    EXPECT_EQ(m_lib.AudioMute(0), 1);
    EXPECT_EQ(State("AudioRouted"), 1);
    EXPECT_EQ(m_lib.SetFrequency(-1, 99800000), 0);
    EXPECT_EQ(State("Frequency"), 99800000);
    EXPECT_EQ(e2e::SimCardState("Station"), "River Jazz");
    EXPECT_EQ(m_lib.GetFrequency(0), 88100000) << "index -1 tunes only";
    EXPECT_EQ(m_lib.SetCurrentChannel(2), 0);
    EXPECT_EQ(State("Frequency"), 95300000);
    EXPECT_EQ(m_lib.SetCurrentChannel(3), -1);
    EXPECT_EQ(State("Frequency"), 95300000);
    EXPECT_EQ(m_lib.SetFrequency(1, 91600000), 0);
    EXPECT_EQ(m_lib.GetFrequency(1), 91600000);
    EXPECT_EQ(State("Frequency"), 91600000);
    EXPECT_EQ(m_lib.AudioMute(1), 1);
    EXPECT_EQ(State("AudioRouted"), 0);
    EXPECT_EQ(m_lib.AudioMute(0), 1);
}

TEST_F(CaptureLibraryTest, ListOperationsKeepToTheirBounds) {
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(m_lib.AddChannel("Metro Talk", 103900000), 1);
    ASSERT_EQ(m_lib.GetChannelListSize(), 4);
    EXPECT_EQ(m_lib.GetChannelNumber(3), 3) << "the size before appending";
    EXPECT_EQ(m_lib.AddChannel(nullptr, 1), 0);
    EXPECT_EQ(m_lib.AddChannel(std::string(256, 'n').c_str(), 1), 0) << "longer than a station name";
    EXPECT_EQ(m_lib.SetChannelName(1, "Lotus Radio"), 1);
    EXPECT_STREQ(m_lib.GetChannelName(1), "Lotus Radio");
    EXPECT_EQ(m_lib.SetChannelName(1, nullptr), 0);
    EXPECT_EQ(m_lib.SetChannelName(4, "x"), 0);
    EXPECT_EQ(m_lib.SetChannelName(1, std::string(400, 'n').c_str()), 0);
    EXPECT_STREQ(m_lib.GetChannelName(1), "Lotus Radio");
    EXPECT_EQ(m_lib.SetChannelName(1, std::string(255, 'n').c_str()), 1);
    EXPECT_EQ(std::strlen(m_lib.GetChannelName(1)), 255u);
    EXPECT_EQ(m_lib.SetChannelName(1, "Lotus Radio"), 1);
    EXPECT_EQ(m_lib.SetChannelNumber(3, 9), 0);
    EXPECT_EQ(m_lib.GetChannelNumber(3), 9);
    EXPECT_EQ(m_lib.SetChannelNumber(7, 9), -1);
    EXPECT_EQ(m_lib.DeleteChannel(0), 1);
    EXPECT_EQ(m_lib.DeleteChannel(-1), 0);
    ASSERT_EQ(m_lib.GetChannelListSize(), 3);
    EXPECT_STREQ(m_lib.GetChannelName(0), "Lotus Radio") << "later stations move up";
}

TEST_F(CaptureLibraryTest, Mp3AndWmaRecordFromTheFmListeningGraphOneAtATime) {
    const e2e::ScratchDir& dir = m_dir;
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_EQ(m_lib.SetTVMode(1), 0);
    ASSERT_EQ(m_lib.AudioMute(0), 1);
    EXPECT_EQ(m_lib.SetCurrentChannel(0), 0);
    const std::string mp3 = dir.File("radio.mp3"), wma = dir.File("radio.wma");
    EXPECT_EQ(m_lib.StartCapureMP3(nullptr), -1);
    EXPECT_EQ(m_lib.StartCapureMP3(("c:\\" + std::string(300, 'p') + ".mp3").c_str()), -1) << "path too long";
    EXPECT_EQ(m_lib.StopCapureMP3(), -1) << "nothing records";
    ASSERT_EQ(m_lib.StartCapureMP3(mp3.c_str()), 0);
    EXPECT_EQ(m_lib.StartCapureMP3(dir.File("second.mp3").c_str()), -1) << "one recording at a time";
    EXPECT_EQ(m_lib.StartCaptureAudioWMA(dir.File("second.wma").c_str()), 0);
    EXPECT_EQ(m_lib.StartVideoPreview(m_owner, m_owner), 0) << "the graph belongs to the recording";
    e2e::Pump(4000);
    EXPECT_EQ(m_lib.StopCaptureAudioWMA(), 0) << "the running recording is MP3";
    EXPECT_EQ(m_lib.StopCapureMP3(), 0);
    EXPECT_FALSE(e2e::FileExists(dir.File("second.mp3")));
    ASSERT_EQ(m_lib.StartCaptureAudioWMA(wma.c_str()), 1);
    e2e::Pump(4000);
    EXPECT_EQ(m_lib.StopCapureMP3(), -1) << "the running recording is WMA";
    EXPECT_EQ(m_lib.StopCaptureAudioWMA(), 1) << "the listening graph is back";
    if (mediacheck::Available()) {
        auto p = mediacheck::Probe(mp3);
        ASSERT_FALSE(p.empty()) << "ffprobe cannot read " << mp3;
        std::string audio = StreamOf(p, "audio");
        EXPECT_EQ(Text(p, audio + "codec_name"), "mp3");
        EXPECT_EQ(StreamOf(p, "video"), "");
        EXPECT_NEAR(Number(p, "format.duration"), 4.0, 1.0);
        p = mediacheck::Probe(wma);
        ASSERT_FALSE(p.empty()) << "ffprobe cannot read " << wma;
        audio = StreamOf(p, "audio");
        EXPECT_EQ(Text(p, "format.format_name"), "asf");
        EXPECT_EQ(Text(p, audio + "codec_name"), "wmav2");
        EXPECT_EQ(StreamOf(p, "video"), "");
        EXPECT_NEAR(Number(p, "format.duration"), 4.0, 1.0);
    }
}

// Without its profile the WMA recording still starts and stops, and nothing is shown (the
// fixture's watcher sees no message box).
TEST_F(CaptureLibraryTest, WmaRecordsWithoutItsProfile) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_EQ(m_lib.SetTVMode(1), 0);
    const std::string profile = e2e::SystemDir() + "\\RecordSetting.prx";
    const std::string aside = profile + ".aside";
    ASSERT_TRUE(MoveFileExA(profile.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING));
    const int started = m_lib.StartCaptureAudioWMA(m_dir.File("plain.wma").c_str());
    e2e::Pump(500);
    const int stopped = m_lib.StopCaptureAudioWMA();
    EXPECT_TRUE(MoveFileExA(aside.c_str(), profile.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(started, 1);
    EXPECT_EQ(stopped, 1);
}

TEST_F(CaptureLibraryTest, FmBandScanFindsExactlyTheBroadcastsStations) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_EQ(m_lib.SetTVMode(1), 0);
    int done = 0, found = 0, progress = -1;
    long frequency = 0;
    // An abort while no scan runs writes the unchanged list (a renamed station included) and
    // reports done.
    ASSERT_EQ(m_lib.SetChannelName(1, "Lotus Radio"), 1);
    EXPECT_EQ(m_lib.FMScanTuner(0, 1, &done, &found, nullptr, &frequency, &progress), 0);
    EXPECT_EQ(done, 1);
    EXPECT_EQ(m_lib.GetChannelListSize(), 3);
    EXPECT_NE(e2e::ReadFile(m_stationFile).find("Name: Lotus Radio"), std::string::npos);
    EXPECT_EQ(m_lib.FMScanTuner(0, 0, nullptr, &found, nullptr, &frequency, &progress), -1)
        << "no done buffer";
    int steps = 0;
    const DWORD t0 = GetTickCount();
    const std::vector<long> stations = ScanBand(&steps);
    const double seconds = (GetTickCount() - t0) / 1000.0;
    const std::vector<long> broadcast = {88100000, 91500000, 95300000, 99800000, 103900000, 107500000};
    EXPECT_EQ(stations, broadcast);
    ASSERT_EQ(m_lib.GetChannelListSize(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(m_lib.GetFrequency(i), broadcast[i]);
        EXPECT_EQ(m_lib.GetChannelNumber(i), i);
        EXPECT_EQ(std::string(m_lib.GetChannelName(i)), "New Channel " + std::to_string(i));
    }
    // Every 50 kHz step of the band but the ones a find skips: 410 steps less 3 per station.
    EXPECT_EQ(steps, 411 - 6 * 3 + 1);
    EXPECT_GE(seconds, 0.4 * (steps - 1)) << "each step lets the tuner settle";
    const std::string written = e2e::ReadFile(m_stationFile);
    EXPECT_NE(written.find("Name: New Channel 5\r\nFreq: 107500000\r\nChan: 5\r\n"), std::string::npos)
        << written;
    EXPECT_EQ(written.find("Lotus"), std::string::npos);
}

TEST_F(CaptureLibraryTest, TvPreviewShowsTunesAndSetsThePictureInDeviceUnits) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const long savedBrightness = State("Brightness");
    EXPECT_EQ(m_lib.SetTVMode(0), 0);
    EXPECT_EQ(e2e::SimCardState("TunerMode"), "TV");
    EXPECT_EQ(m_lib.StartVideoPreview(nullptr, nullptr), 0) << "no window to show in";
    ASSERT_EQ(m_lib.StartVideoPreview(m_owner, m_drain), 1);
    EXPECT_TRUE(ClickReachesDrain()) << "the caller's drain";
    EXPECT_EQ(m_lib.SetVideoSource(1), 1);
    EXPECT_EQ(e2e::SimCardState("VideoInput"), "Video Tuner");
    EXPECT_EQ(m_lib.SetVideoSource(99), 0);
    EXPECT_EQ(m_lib.SetFrequency(-1, 615250000), 0);
    EXPECT_EQ(e2e::SimCardState("Station"), "Valley Music");
    const long before = State("FramesDelivered");
    EXPECT_TRUE(e2e::WaitUntil(
        [&] {
            e2e::Pump(100);
            return State("FramesDelivered") > before + 10;
        },
        20000))
        << "the preview runs";
    EXPECT_EQ(m_lib.SetVideoWindowsPos(0, 0, 360, 288), 1);
    {
        long value = 0, mx = 0, mn = 0, df = 0;
        ASSERT_EQ(m_lib.GetBrightNess(&value, &mx, &mn, &df), 1);
        EXPECT_LT(mn, mx);
        const long target = mn + (mx - mn) / 4;
        EXPECT_EQ(m_lib.SetBrightNess(target), 1);
        EXPECT_EQ(State("Brightness"), target) << "device units, unscaled";
        ASSERT_EQ(m_lib.GetBrightNess(&value, &mx, &mn, &df), 1);
        EXPECT_EQ(value, target);
        EXPECT_EQ(m_lib.GetBrightNess(nullptr, &mx, &mn, &df), 0);
        EXPECT_EQ(m_lib.SetBrightNess(mx + 1000), 0) << "out of the device's range";
        struct {
            FnL set;
            FnGet4 get;
            const char* key;
        } controls[] = {{m_lib.SetContrast, m_lib.GetContrast, "Contrast"},
                        {m_lib.SetHue, m_lib.GetHue, "Hue"},
                        {m_lib.SetSaturation, m_lib.GetSaturation, "Saturation"},
                        {m_lib.SetSharpNess, m_lib.GetSharepNess, "Sharpness"}};
        for (const auto& c : controls) {
            SCOPED_TRACE(c.key);
            ASSERT_EQ(c.get(&value, &mx, &mn, &df), 1);
            const long v = value == mx ? mn : mx;
            EXPECT_EQ(c.set(v), 1);
            EXPECT_EQ(State(c.key), v);
            EXPECT_EQ(c.get(&value, &mx, &mn, &df), 1);
            EXPECT_EQ(value, v);
            EXPECT_EQ(c.set(df), 1);
        }
        EXPECT_EQ(m_lib.SetBrightNess(savedBrightness >= 0 ? savedBrightness : df), 1);
    }
    long standard = 0;
    EXPECT_EQ(m_lib.SetVideoFormat(1), 0) << "NTSC-M";
    EXPECT_EQ(State("VideoStandard"), 1);
    EXPECT_EQ(m_lib.GetVideoFormat(&standard), 1);
    EXPECT_EQ(standard, 1);
    EXPECT_EQ(m_lib.GetVideoFormat(nullptr), 0);
    EXPECT_EQ(m_lib.SetVideoFormat(32), 0) << "PAL-D";
    EXPECT_EQ(State("VideoStandard"), 32);
    EXPECT_EQ(m_lib.SetPreviewMode(0), 0);
}

TEST_F(CaptureLibraryTest, StillsAndTheImageCopyHoldTheFullFrame) {
    ASSERT_NO_FATAL_FAILURE(StartTvPreview());
    const std::string bmp = m_dir.File("still.bmp");
    EXPECT_TRUE(e2e::WaitUntil(
        [&] {
            e2e::Pump(100);
            return m_lib.SaveBmpFile(bmp.c_str()) == 0;
        },
        10000))
        << "a still once frames arrive";
    const std::string file = e2e::ReadFile(bmp);
    ASSERT_GE(file.size(), 54u);
    EXPECT_EQ(file.substr(0, 2), "BM");
    int32_t width = 0, height = 0;
    std::memcpy(&width, file.data() + 18, 4);
    std::memcpy(&height, file.data() + 22, 4);
    EXPECT_EQ(width, 720);
    EXPECT_EQ(height, 576);
    EXPECT_EQ(m_lib.SaveBmpFile(nullptr), -1);
    EXPECT_EQ(m_lib.SaveBmpFile(("c:\\" + std::string(300, 'b') + ".bmp").c_str()), -1);
    std::vector<BYTE> image(1327104, 0xCD);
    const long copied = m_lib.CopyImageMem(image.data());
    EXPECT_EQ(copied, 40 + 720 * 3 * 576);
    int32_t headerSize = 0;
    std::memcpy(&headerSize, image.data(), 4);
    EXPECT_EQ(headerSize, 40);
    std::memcpy(&width, image.data() + 4, 4);
    EXPECT_EQ(width, 720);
    EXPECT_EQ(image[copied], 0xCD) << "nothing written past the image";
    EXPECT_EQ(m_lib.CopyImageMem(nullptr), -1);
}

// The compressed kind on NTSC-M, the uncompressed one on PAL-D: both at the exports' 352 x 288,
// each at its signal's rate. The last recording's kind is the master stream the stop leaves.
TEST_F(CaptureLibraryTest, BothAviKindsRecordAtTheirSignalsRateAndLeaveTheMasterStream) {
    const e2e::ScratchDir& dir = m_dir;
    ASSERT_NO_FATAL_FAILURE(StartTvPreview());
    const std::string mpg4 = dir.File("compressed.avi"), avi = dir.File("plain.avi");
    EXPECT_EQ(m_lib.SetVideoFormat(1), 0);
    ASSERT_EQ(m_lib.StartCaptureMPG4(mpg4.c_str()), 1);
    EXPECT_EQ(m_lib.StartCaptureAVI(avi.c_str()), 0) << "one recording at a time";
    EXPECT_EQ(m_lib.StartCapureMP3(dir.File("x.mp3").c_str()), -1) << "the video recording has the graph";
    e2e::Pump(4000);
    EXPECT_TRUE(ClickReachesDrain()) << "the drain is the caller's while recording";
    EXPECT_EQ(m_lib.StopCaptureAVI(), 0) << "either stop ends either kind";
    EXPECT_EQ(e2e::SimCardState("VideoInput"), "Video Tuner") << "the input is routed again";
    EXPECT_EQ(m_lib.SetVideoFormat(32), 0);
    ASSERT_EQ(m_lib.StartCaptureAVI(avi.c_str()), 1);
    e2e::Pump(4000);
    EXPECT_EQ(m_lib.StopCaptureMPG4(), 0);
    EXPECT_TRUE(ClickReachesDrain()) << "the drain is the caller's again after the stop";
    EXPECT_EQ(m_lib.StopCaptureMPG4(), -1) << "nothing records";
    // The engine's settings go with the device: the last recording (uncompressed) leaves the
    // library's master stream of that kind.
    EXPECT_EQ(m_lib.StopDevice(), 0);
    EXPECT_EQ(GetProfileIntA("vorel", "MasterStream", 99), 1);
    if (mediacheck::Available()) {
        for (const std::string& file : {mpg4, avi}) {
            SCOPED_TRACE(file);
            auto p = mediacheck::Probe(file);
            ASSERT_FALSE(p.empty()) << "ffprobe cannot read " << file;
            EXPECT_EQ(Text(p, "format.format_name"), "avi");
            const std::string video = StreamOf(p, "video");
            ASSERT_NE(video, "");
            EXPECT_EQ(Number(p, video + "width"), 352);
            EXPECT_EQ(Number(p, video + "height"), 288);
            EXPECT_EQ(Text(p, video + "codec_name"), file == mpg4 ? "msmpeg4v3" : "rawvideo");
            // 30 a second on NTSC, 25 on PAL (the compressor's stamps may wobble the reading a little).
            EXPECT_NEAR(mediacheck::Rate(Text(p, video + "r_frame_rate")), file == mpg4 ? 30.0 : 25.0, 1.0)
                << Text(p, video + "avg_frame_rate") << " " << Text(p, video + "time_base");
            EXPECT_NE(StreamOf(p, "audio"), "") << "the sound is recorded";
            EXPECT_NEAR(Number(p, "format.duration"), 4.0, 1.5);
        }
    }
}

TEST_F(CaptureLibraryTest, TvScanStepsThroughTheFrequencyList) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_EQ(m_lib.SetTVMode(0), 0);
    int done = -1, found = -1, count = -1;
    EXPECT_EQ(m_lib.AutoScanTune(nullptr, &found, &count), 0);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(m_lib.AutoScanTune(&done, &found, &count), 1);
        EXPECT_EQ(done, 0);
        EXPECT_EQ(found, State("Locked") == 1 ? 1 : 0);
        EXPECT_EQ(count, m_lib.GetChannelListSize());
    }
    EXPECT_GT(State("Frequency"), 40000000) << "a TV channel of the list is tuned";
}

TEST_F(CaptureLibraryTest, StopWritesTheListAndEveryExportFailsUntilTheNextStart) {
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(m_lib.AddChannel("Kept", 100000000), 1);
    const int size = m_lib.GetChannelListSize();
    const ULONGLONG fileBefore = e2e::FileIdOf(m_stationFile);
    ASSERT_NE(fileBefore, 0u);
    EXPECT_EQ(m_lib.StopDevice(), 0);
    // The list was written to a new file that then took the old one's place (a file truncated and
    // rewritten in place keeps its identity), and no temporary file is left behind.
    EXPECT_NE(e2e::FileIdOf(m_stationFile), fileBefore);
    EXPECT_TRUE(TemporaryFilesIn(e2e::SystemDir()).empty()) << TemporaryFilesIn(e2e::SystemDir()).front();
    EXPECT_EQ(m_lib.StopDevice(), -1);
    {
        SCOPED_TRACE("after QXTV_StopDevice");
        int done = 0, found = 0, progress = 0;
        long frequency = 0;
        EXPECT_EQ(m_lib.GetChannelListSize(), 0);
        EXPECT_EQ(m_lib.GetChannelName(0), nullptr);
        EXPECT_EQ(m_lib.SetFrequency(-1, 88100000), -1);
        EXPECT_EQ(m_lib.StartVideoPreview(m_owner, m_owner), 0);
        EXPECT_EQ(m_lib.FMScanTuner(0, 0, &done, &found, nullptr, &frequency, &progress), -1);
        EXPECT_EQ(m_lib.SetTVMode(1), -1);
        EXPECT_EQ(m_lib.StartCapureMP3(m_dir.File("late.mp3").c_str()), -1);
    }
    // The device starts again, as after a change of cards, on the same selections and list.
    EXPECT_EQ(m_lib.StartDevice(), 1) << "no start after a stop";
    EXPECT_EQ(m_lib.GetChannelListSize(), size);
    EXPECT_EQ(m_lib.StopDevice(), 0);
    Uninitialise();
    EXPECT_EQ(m_lib.CoUninitialize(), 0);
    const std::string written = e2e::ReadFile(m_stationFile);
    EXPECT_NE(written.find("Name: Kept\r\nFreq: 100000000\r\n"), std::string::npos);
}

// The list a stop wrote is read again by a new start. The UTV2820 mute is a call of its own
// before the start, and mutes a running device without stopping it.
TEST_F(CaptureLibraryTest, UtvMuteWorksBeforeTheStartAndOnARunningDevice) {
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(m_lib.AddChannel("Kept", 100000000), 1);
    const int size = m_lib.GetChannelListSize();
    EXPECT_EQ(m_lib.StopDevice(), 0);
    Uninitialise();
    Initialise();
    EXPECT_EQ(m_lib.DeviceUTVMute2820(), 1) << "before the start";
    ASSERT_NO_FATAL_FAILURE(StartLikeTheFmProgram());
    EXPECT_EQ(m_lib.GetChannelListSize(), size);
    EXPECT_EQ(m_lib.AudioMute(0), 1);
    EXPECT_EQ(State("AudioRouted"), 1);
    EXPECT_EQ(m_lib.DeviceUTVMute2820(), 1) << "while the device runs";
    EXPECT_EQ(State("AudioRouted"), 0);
    EXPECT_EQ(m_lib.GetChannelListSize(), size);
    EXPECT_EQ(m_lib.StopDevice(), 0);
}

// No card behind the selected name: -1, quietly.
TEST_F(CaptureLibraryTest, NoCardBehindTheSelectedNameFailsTheStartQuietly) {
    Initialise();
    EXPECT_EQ(m_lib.SelectVideoDevice("Lumen Grabber K3"), 1);
    EXPECT_EQ(m_lib.SelectAudioDevice("no such sound device"), 1);
    EXPECT_EQ(m_lib.StartDevice(), -1);
    EXPECT_EQ(m_lib.GetChannelListSize(), 0);
}

} // namespace
