// End-to-end tests of the TV wall with the real Tunaro.exe and a simulated card that receives
// sixteen stations: the wall covers the screen with sixteen different pictures, tells the
// scheduler it opened and closed, a click tunes the cell's channel, the commands it blocks do
// nothing while it is shown, and closing it returns to live TV on the chosen channel.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/support/e2e.h"
#include "framework/peer_messages.h"
#include "res/tunaro/resource.h"
#include "tests/support/tunaro_suite.h"

namespace {

constexpr const char* kPanelTitle = "Tunaro";
constexpr const char* kWallTitle = "TV Wall";
constexpr int kCells = 16;

// Sixteen stations on channels of the China table, each with a pattern and a name of its own.
long StationHz(int i) {
    static const long kHz[kCells] = {49750000,  57750000,  65750000,  77250000,  85250000,  168250000,
                                     176250000, 184250000, 192250000, 200250000, 208250000, 216250000,
                                     471250000, 479250000, 487250000, 495250000};
    return kHz[i];
}
std::string StationName(int i) {
    static const char* names[kCells] = {"Wall One",      "Wall Two",      "Wall Three",   "Wall Four",
                                        "Wall Five",     "Wall Six",      "Wall Seven",   "Wall Eight",
                                        "Wall Nine",     "Wall Ten",      "Wall Eleven",  "Wall Twelve",
                                        "Wall Thirteen", "Wall Fourteen", "Wall Fifteen", "Wall Sixteen"};
    return names[i];
}
const char* StationPattern(int i) {
    // Moving patterns in the station's own colours (colour bars would look alike on every station).
    static const char* kPatterns[3] = {"checker", "rings", "ramp"};
    return kPatterns[i % 3];
}

// The share of pixels two tiles of a screen picture show in clearly different colours, below the
// captions (the wall's and the station's own name lines would make any two cells differ).
double TileDifference(const e2e::ScreenPixels& shot, int a, int b) {
    const int w = shot.width / 4, h = shot.height / 4;
    const int ax = (a % 4) * w, ay = (a / 4) * h, bx = (b % 4) * w, by = (b / 4) * h;
    int differing = 0, n = 0;
    for (int y = h / 5; y < h - 2; y += 2)
        for (int x = 2; x < w - 2; x += 2) {
            const uint32_t p = shot.At(ax + x, ay + y), q = shot.At(bx + x, by + y);
            int most = 0;
            for (int s = 0; s < 24; s += 8)
                most = std::max(
                    most, std::abs(static_cast<int>((p >> s) & 0xFF) - static_cast<int>((q >> s) & 0xFF)));
            differing += most > 48 ? 1 : 0;
            ++n;
        }
    return n ? static_cast<double>(differing) / n : 0;
}

POINT CellCentre(HWND wall, int cell) {
    RECT rc = {};
    GetClientRect(wall, &rc);
    const int w = rc.right / 4, h = rc.bottom / 4;
    return {(cell % 4) * w + w / 2, (cell / 4) * h + h / 2};
}

class TvWallE2E : public e2e::TunaroSuite {
protected:
    // The card's broadcast plan gets the sixteen stations (simcard.ini is put back afterwards),
    // the channel list names them.
    static void SetUpTestSuite() {
        e2e::TunaroStart start;
        start.keep = {e2e::SimCardPath()};
        for (int i = 0; i < kCells; ++i) {
            char block[200];
            std::snprintf(block, sizeof block, "Name: %s\nFreq: %ld\nChan: %d\nAudioChannels:0\nCheck:1\n",
                          StationName(i).c_str(), StationHz(i), i + 1);
            start.programTxt += block;
        }
        start.tunaroIni = "[VideoSource]\r\nSource=1\r\n[Channel]\r\nCurrentIndex=0\r\n"
                          "PreChannelIndex=0\r\n[Country]\r\niCode=0\r\n";
        start.prepare = [] {
            for (int i = 0; i < kCells; ++i) {
                char key[16], value[120];
                std::snprintf(key, sizeof key, "TV%d", i + 1);
                std::snprintf(value, sizeof value, "%ld,%s,%s,PAL", StationHz(i), StationName(i).c_str(),
                              StationPattern(i));
                WritePrivateProfileStringA("Config", key, value, e2e::SimCardPath().c_str());
            }
            WritePrivateProfileStringA(nullptr, nullptr, nullptr, e2e::SimCardPath().c_str());
        };
        ASSERT_TRUE(Tunaro().Start(start)) << Tunaro().Failure();
        ASSERT_TRUE(e2e::WaitUntil([] { return e2e::SimCardState("Station") == StationName(0); }, 30000))
            << "the preview does not run on the first station";
    }
    static void TearDownTestSuite() {
        if (Tunaro().Running() && e2e::ProcessWindow(Tunaro().Process().Pid(), kWallTitle))
            e2e::SendCommand(Panel(), IDC_TV_WALL);
        TunaroSuite::TearDownTestSuite();
    }

    static HWND OpenWall() {
        Tunaro().Schedule().Clear();
        e2e::SendCommand(Panel(), IDC_TV_WALL);
        HWND wall = nullptr;
        e2e::WaitUntil(
            [&] {
                wall = e2e::ProcessWindow(Tunaro().Process().Pid(), kWallTitle);
                return wall && IsWindowVisible(wall);
            },
            10000);
        return wall;
    }
};

} // namespace

TEST_F(TvWallE2E, SixteenDifferentStationsBlockedCommandsAClickTunesAndClosingReturnsToLiveTv) {
    HWND wall = OpenWall();
    ASSERT_NE(wall, nullptr) << "the wall did not open";
    EXPECT_TRUE(Tunaro().Schedule().WaitForCommand(tunaro::peer::kScheduleWallOpened, 5000))
        << "the scheduler was not told the wall opened";
    RECT rc = {};
    GetWindowRect(wall, &rc);
    EXPECT_EQ(rc.right - rc.left, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(rc.bottom - rc.top, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_TRUE(GetWindowLongA(wall, GWL_EXSTYLE) & WS_EX_TOPMOST);
    // The panel and the video window step aside meanwhile.
    EXPECT_FALSE(IsWindowVisible(Panel()));

    // The cycle tunes every station of the list in turn.
    std::set<std::string> tuned;
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
            const std::string station = e2e::SimCardState("Station");
            for (int i = 0; i < kCells; ++i)
                if (station == StationName(i))
                    tuned.insert(station); // not the empty name of a tuner still settling
            return tuned.size() >= kCells;
        },
        90000))
        << "the cycle reached " << tuned.size() << " stations";

    // Every cell holds a picture, and no two cells show the same one.
    Sleep(1000); // the last cell gets its picture from the refresh timer
    char cls[64] = "";
    for (HWND over = GetWindow(wall, GW_HWNDPREV); over; over = GetWindow(over, GW_HWNDPREV)) {
        RECT o = {};
        GetWindowRect(over, &o);
        GetClassNameA(over, cls, sizeof cls);
        EXPECT_FALSE(IsWindowVisible(over) && o.right > o.left && o.bottom > o.top)
            << "a window lies over the wall: \"" << e2e::WindowText(over) << "\" " << cls;
    }
    const e2e::ScreenPixels shot = e2e::CaptureScreen(wall);
    ASSERT_FALSE(shot.pixels.empty());
    e2e::Screenshot(wall, e2e::ExeDir() + "\\tv_wall_e2e.bmp");
    double closest = 1.0;
    for (int a = 0; a < kCells; ++a)
        for (int b = a + 1; b < kCells; ++b)
            closest = std::min(closest, TileDifference(shot, a, b));
    EXPECT_GT(closest, 0.015) << "two cells show the same picture";
    std::printf("closest pair of cells: %.1f%% of pixels differ\n", closest * 100);

    // A click on cell 5 tunes its station, and the cycle stops there.
    long cellHz = 0;
    std::string cellStation;
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
            POINT pt = CellCentre(wall, 5);
            PostMessageA(wall, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
            PostMessageA(wall, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
            Sleep(300);
            cellStation = e2e::SimCardState("Station");
            cellHz = e2e::SimCardStateLong("Frequency");
            return !cellStation.empty();
        },
        10000));
    // The cell's channel is whichever station the cycle put there: stable from now on.
    Sleep(3500);
    EXPECT_EQ(e2e::SimCardState("Station"), cellStation) << "the cycle went on after the click";
    bool known = false;
    for (int i = 0; i < kCells; ++i)
        known = known || (StationHz(i) == cellHz && StationName(i) == cellStation);
    EXPECT_TRUE(known) << cellStation << " at " << cellHz;

    // While the wall is shown, channel keys, the video source and the scan do nothing.
    e2e::SendCommand(Panel(), IDC_CHANNEL_UP);
    e2e::SendCommand(Panel(), IDC_VIDEO_SOURCE);
    e2e::SendCommand(Panel(), IDC_AUTOSCAN);
    Sleep(500);
    EXPECT_EQ(e2e::SimCardStateLong("Frequency"), cellHz) << "channel + tuned under the wall";
    EXPECT_NE(e2e::SimCardState("VideoInput").find("Tuner"), std::string::npos)
        << e2e::SimCardState("VideoInput");
    EXPECT_TRUE(Tunaro().Schedule().Commands(tunaro::peer::kScheduleScanStarted).empty())
        << "a scan started under the wall";

    // A double click closes the wall: live TV on the chosen station, the scheduler told.
    POINT pt = CellCentre(wall, 5);
    PostMessageA(wall, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
    EXPECT_TRUE(e2e::WaitUntil([&] { return !IsWindow(wall) || !IsWindowVisible(wall); }, 10000));
    EXPECT_TRUE(Tunaro().Schedule().WaitForCommand(tunaro::peer::kScheduleWallClosed, 5000))
        << "the scheduler was not told the wall closed";
    EXPECT_TRUE(IsWindowVisible(Panel())) << "the panel did not come back";
    EXPECT_TRUE(e2e::WaitUntil([] { return e2e::SimCardStateLong("Running") == 1; }, 10000));
    EXPECT_EQ(e2e::SimCardState("Station"), cellStation);
    // Channel keys work again.
    e2e::SendCommand(Panel(), IDC_CHANNEL_UP);
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::SimCardStateLong("Frequency") != cellHz; }, 10000))
        << "channel + does nothing after the wall closed";
}

TEST_F(TvWallE2E, CellsOfTheCycleMatchTheirChannelsAndAnUnfilledCellIgnoresClicks) {
    HWND wall = OpenWall();
    ASSERT_NE(wall, nullptr);
    // Before the first tick no cell is filled: a click on the last cell changes nothing.
    const std::string before = e2e::SimCardState("Station");
    POINT last = CellCentre(wall, 15);
    PostMessageA(wall, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(last.x, last.y));
    // The first tick fills cell 0 with the current channel, the second cell 1 with the next.
    // (A tuner still settling reports no station: only named stations count.)
    int secondIndex = -1;
    std::string second;
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
            second = e2e::SimCardState("Station");
            for (int i = 0; i < kCells; ++i)
                if (StationName(i) == second && second != before)
                    secondIndex = i;
            return secondIndex >= 0;
        },
        10000));
    int beforeIndex = -1;
    for (int i = 0; i < kCells; ++i)
        if (StationName(i) == before)
            beforeIndex = i;
    EXPECT_EQ(secondIndex, (beforeIndex + 1) % kCells) << before << " then " << second;
    // Cell 0 holds the channel that was current when the wall opened.
    POINT first = CellCentre(wall, 0);
    PostMessageA(wall, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(first.x, first.y));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::SimCardState("Station") == before; }, 10000));
    // The right button resumes the cycle from the chosen channel, one channel a second.
    PostMessageA(wall, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(first.x, first.y));
    std::vector<std::string> resumed;
    EXPECT_TRUE(e2e::WaitUntil(
        [&] {
            const std::string station = e2e::SimCardState("Station");
            for (int i = 0; i < kCells; ++i)
                if (station == StationName(i) &&
                    (resumed.empty() ? station != before : station != resumed.back()))
                    resumed.push_back(station);
            return resumed.size() >= 2;
        },
        15000))
        << "the cycle did not resume";
    if (resumed.size() >= 2) {
        EXPECT_EQ(resumed[0], StationName((beforeIndex + 1) % kCells));
        EXPECT_EQ(resumed[1], StationName((beforeIndex + 2) % kCells));
    }
    e2e::SendCommand(Panel(), IDC_TV_WALL);
    EXPECT_TRUE(e2e::WaitUntil([&] { return !IsWindow(wall); }, 10000));
}

// Last, as it ends the program: Exit while the wall is shown ends cleanly and tells the scheduler.
TEST_F(TvWallE2E, ExitWhileTheWallIsShownEndsTheProgramCleanly) {
    HWND wall = OpenWall();
    ASSERT_NE(wall, nullptr);
    Tunaro().Schedule().Clear();
    e2e::PostCommand(Panel(), IDC_EXIT);
    DWORD code = 1;
    ASSERT_TRUE(Tunaro().Process().WaitForExit(20000, &code)) << "the program did not end";
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(Tunaro().Schedule().Commands(tunaro::peer::kScheduleWallClosed).empty())
        << "the scheduler was not told the wall closed";
}
