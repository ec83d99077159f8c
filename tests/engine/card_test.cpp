// Tests of the capture engine with the simulated tuner card installed in the prefix: the preview
// graph runs, stills come from the live picture, and what the engine routes, tunes and sets shows
// in the card's state file.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "engine/CaptureEngine.h"
#include "tests/engine/card_fixture.h"
#include "tests/engine/one_channel.h"
#include "tests/support/e2e.h"

using namespace tunaro;
using namespace enginetest;

TEST_F(CardTest, PreviewRunsAndStillsComeFromTheLivePicture) {
    CaptureEngine engine;
    ASSERT_NE(engine.Initialize(m_owner, 2), -8);
    EXPECT_EQ(engine.CardType(), kCardSaa7134);
    ASSERT_EQ(engine.InitCaptureGraph(), 1);
    ASSERT_NE(engine.Graph().Tuner(), nullptr);
    ASSERT_NE(engine.Graph().Router(), nullptr);
    ASSERT_EQ(engine.SetVideoFormat(AnalogVideo_PAL_D), 1);
    ASSERT_EQ(engine.StartVideoPreview(2), 1);
    EXPECT_TRUE(engine.PreviewRunning());
    long width = 0, height = 0;
    EXPECT_EQ(engine.GetVideoSize(&width, &height), 1);
    EXPECT_EQ(width, 720);
    EXPECT_EQ(height, 576);
    Pump(600);
    EXPECT_EQ(e2e::SimCardStateLong("Running"), 1);

    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    const std::string path = std::string(dir) + "engine_card.bmp";
    DeleteFileA(path.c_str());
    ASSERT_EQ(engine.SaveBmpFile(path.c_str()), 1);
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    DeleteFileA(path.c_str());
    ASSERT_EQ(file.size(), 54u + 720u * 576u * 3u);
    EXPECT_EQ(file[0], 'B');
    size_t nonBlack = 0;
    for (size_t i = 54; i < file.size(); i += 97)
        nonBlack += file[i] > 16;
    EXPECT_GT(nonBlack, 100u) << "the still holds a picture";

    // NTSC rebuilds the preview at 480 lines.
    ASSERT_EQ(engine.SetVideoFormat(AnalogVideo_NTSC_M), 1);
    EXPECT_EQ(engine.GetVideoFormat(), AnalogVideo_NTSC_M);
    EXPECT_EQ(engine.GetVideoSize(&width, &height), 1);
    EXPECT_EQ(height, 480);
    EXPECT_TRUE(engine.PreviewRunning());
    EXPECT_EQ(e2e::SimCardStateLong("VideoStandard"), AnalogVideo_NTSC_M);
    engine.Shutdown();
    for (const std::string& text : m_reporter.texts)
        EXPECT_EQ(text.find("Cannot run"), std::string::npos) << text;
}

TEST_F(CardTest, MuteSourceTuningAndPictureShowInTheCardState) {
    CaptureEngine engine;
    ASSERT_NE(engine.Initialize(m_owner, 2), -8);
    ASSERT_EQ(engine.InitCaptureGraph(), 1);
    ASSERT_NE(engine.Graph().Router(), nullptr);

    EXPECT_EQ(engine.SetVideoSource(1), 1);
    EXPECT_TRUE(engine.IsTunerInput());
    EXPECT_EQ(e2e::SimCardState("VideoInput"), "Video Tuner");
    EXPECT_EQ(e2e::SimCardStateLong("AudioRouted"), 1);
    EXPECT_EQ(engine.AudioMute(1), 1);
    EXPECT_EQ(e2e::SimCardStateLong("AudioRouted"), 0);
    EXPECT_EQ(engine.SetVideoSource(1), 1);
    EXPECT_EQ(e2e::SimCardStateLong("AudioRouted"), 1) << "selecting the source brings the sound back";

    long maximum = 0, minimum = 0;
    ASSERT_EQ(engine.GetFrequencyRange(&maximum, &minimum), 1);
    EXPECT_LT(minimum, maximum);
    OneChannel channels;
    engine.SetChannelAccess(&channels);
    EXPECT_EQ(engine.SetFrequency(183250000, 0), 1);
    EXPECT_EQ(e2e::SimCardStateLong("Frequency"), 183250000);
    EXPECT_EQ(channels.frequency, 183250000);
    EXPECT_EQ(engine.SetCurrentChannel(0), 1);
    EXPECT_EQ(e2e::SimCardStateLong("AudioMode"), 1);

    ComPtr<IAMVideoProcAmp> amp;
    ASSERT_TRUE(
        SUCCEEDED(engine.Graph().VideoCapture()->QueryInterface(IID_IAMVideoProcAmp, amp.ReceiveVoid())));
    long mn = 0, mx = 0, step = 0, df = 0, flags = 0;
    ASSERT_TRUE(SUCCEEDED(amp->GetRange(VideoProcAmp_Brightness, &mn, &mx, &step, &df, &flags)));
    EXPECT_EQ(engine.SetBrightNess(255), 1);
    EXPECT_EQ(e2e::SimCardStateLong("Brightness"), mx);
    EXPECT_EQ(engine.SetBrightNess(0), 1);
    EXPECT_EQ(e2e::SimCardStateLong("Brightness"), mn);
    long value = -1, vmax = 0, vmin = -1, vdef = -1;
    EXPECT_EQ(engine.GetBrightNess(&value, &vmax, &vmin, &vdef), 1);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(vmax, 255);
    engine.SetChannelAccess(nullptr);
    engine.Shutdown();
    for (const std::string& text : m_reporter.texts)
        EXPECT_EQ(text.find("Cannot run"), std::string::npos) << text;
}

TEST_F(CardTest, StartingShowsNoBoxAndCaptureTakesTheCardsOwnSound) {
    // The boxes a user would see: the programs' own reporter, watched by another thread.
    SetEngineReporter(nullptr);
    e2e::MessageBoxWatcher boxes(GetCurrentProcessId());
    {
        CaptureEngine engine;
        ASSERT_NE(engine.Initialize(m_owner, 2), -8);
        ASSERT_EQ(engine.InitCaptureGraph(), 1);
        EXPECT_TRUE(engine.Devices().AudioIsCards());
        ASSERT_NE(engine.Graph().AudioCapture(), nullptr);
        EXPECT_TRUE(engine.Graph().CaptureAudioWanted());
        FILTER_INFO info = {};
        ASSERT_TRUE(SUCCEEDED(engine.Graph().AudioCapture()->QueryFilterInfo(&info)));
        if (info.pGraph)
            info.pGraph->Release();
        EXPECT_TRUE(info.pGraph != nullptr) << "the sound device is in the graph";
        ASSERT_EQ(engine.StartVideoPreview(2), 1);
        EXPECT_TRUE(engine.PreviewRunning());
        Pump(300);
        engine.Shutdown();
    }
    Pump(300);
    for (const e2e::SeenMessageBox& box : boxes.Seen())
        ADD_FAILURE() << "message box \"" << box.caption << "\": " << box.text;
}

namespace {

// The video window as the owner sees it: its rectangle in the owner's client coordinates.
bool VideoWindowRect(HWND owner, RECT* rect) {
    HWND child = GetWindow(owner, GW_CHILD);
    if (!child || !GetWindowRect(child, rect))
        return false;
    MapWindowPoints(nullptr, owner, reinterpret_cast<POINT*>(rect), 2);
    return true;
}

} // namespace

TEST_F(CardTest, VideoWindowSitsWhereTheOwnerPutsIt) {
    // Away from the screen's corner, so screen and client coordinates differ.
    SetWindowPos(m_owner, nullptr, 120, 90, 760, 620, SWP_NOZORDER);
    RECT client = {};
    GetClientRect(m_owner, &client);
    CaptureEngine engine;
    ASSERT_NE(engine.Initialize(m_owner, 1), -8);
    ASSERT_EQ(engine.InitCaptureGraph(), 1);
    ASSERT_EQ(engine.StartVideoPreview(1), 1);
    RECT r = {};
    ASSERT_TRUE(VideoWindowRect(m_owner, &r));
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, client.right);
    EXPECT_EQ(r.bottom, client.bottom);

    ASSERT_EQ(engine.SetVideoWindowsPos(0, 0, client.right, client.bottom), 1);
    ASSERT_TRUE(VideoWindowRect(m_owner, &r));
    EXPECT_EQ(r.left, 0) << "no band at the left of the picture";
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, client.right);
    EXPECT_EQ(r.bottom, client.bottom);

    ASSERT_EQ(engine.SetVideoWindowsPos(16, 24, 352, 288), 1);
    ASSERT_TRUE(VideoWindowRect(m_owner, &r));
    EXPECT_EQ(r.left, 16);
    EXPECT_EQ(r.top, 24);
    EXPECT_EQ(r.right - r.left, 352);
    EXPECT_EQ(r.bottom - r.top, 288);
    engine.Shutdown();
}
