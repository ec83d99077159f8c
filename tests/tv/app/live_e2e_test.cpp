// End-to-end tests of live TV against the installed program and the simulated card: digits,
// two-digit entry, zapping, fine tuning, inputs, brightness and the automatic scan with its peers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/e2e.h"
#include "framework/peer_messages.h"
#include "res/tunaro/resource.h"
#include "tests/support/running_tunaro.h"

namespace {

constexpr const char* kTitle = "Tunaro";

// Channel frequencies of the prepared lists: the first ones are stations of the card's plan.
long ChannelFrequency(int i) {
    static const long kPlan[] = {49750000, 77250000, 168250000, 175250000, 184250000, 210250000};
    return i < 6 ? kPlan[i] : 220000000L + i * 8000000L;
}

std::string ProgramText(int count, bool allDisabled, bool firstDisabled) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        const bool off = allDisabled || (firstDisabled && i == 0);
        char block[200];
        std::snprintf(block, sizeof block, "Name: Ch%d\nFreq: %ld\nChan: %d\nAudioChannels:0\nCheck:%d\n", i,
                      ChannelFrequency(i), i + 1, off ? 0 : 1);
        text += block;
    }
    return text;
}

// Texts of every window of a process, children included, read without asking the program
// (GetWindowText of another process's window reads the stored text and never blocks).
BOOL CALLBACK CollectChild(HWND hwnd, LPARAM out) {
    char buf[512] = {0};
    GetWindowTextA(hwnd, buf, sizeof buf);
    reinterpret_cast<std::vector<std::pair<HWND, std::string>>*>(out)->push_back({hwnd, buf});
    return TRUE;
}

// Each case starts its own Tunaro on a list of its own.
class LiveTvRun : public ::testing::Test {
protected:
    void TearDown() override { m_tunaro.Stop(15000); }

    // Tunaro on the tuner input in China at this channel of this list (null: no program.txt at
    // all); prepare seeds more before the start. CHANNEL.TXT is put back afterwards.
    void Start(const std::string* programText, long currentIndex, std::function<void()> prepare = nullptr) {
        e2e::TunaroStart start;
        start.keep = {ChannelTxt()};
        char ini[300];
        std::snprintf(ini, sizeof ini,
                      "[VideoSource]\r\nSource=1\r\n[Channel]\r\nCurrentIndex=%ld\r\nPreChannelIndex=0\r\n"
                      "[Country]\r\niCode=0\r\n",
                      currentIndex);
        start.tunaroIni = ini;
        if (programText)
            start.programTxt = *programText;
        start.prepare = [programText, prepare] {
            if (!programText)
                DeleteFileA(ProgramTxt().c_str());
            if (prepare)
                prepare();
        };
        ASSERT_TRUE(m_tunaro.Start(start)) << m_tunaro.Failure();
        m_panel = m_tunaro.Panel();
    }

    void Exit() {
        e2e::PostCommand(m_panel, IDC_EXIT);
        ASSERT_TRUE(m_tunaro.Process().WaitForExit(20000)) << "the program did not end on Exit";
    }

    static std::string ProgramTxt() { return e2e::SystemDir() + "\\program.txt"; }
    static std::string ChannelTxt() { return e2e::SystemDir() + "\\CHANNEL.TXT"; }

    // True once some window of the program shows exactly this text.
    bool WaitForText(const std::string& text, DWORD timeoutMs = 8000) {
        return e2e::WaitUntil(
            [&] {
                std::vector<std::pair<HWND, std::string>> all;
                for (HWND top : e2e::ProcessWindows(m_tunaro.Process().Pid())) {
                    CollectChild(top, reinterpret_cast<LPARAM>(&all));
                    EnumChildWindows(top, CollectChild, reinterpret_cast<LPARAM>(&all));
                }
                for (const auto& w : all)
                    if (w.second == text)
                        return true;
                return false;
            },
            timeoutMs);
    }

    static bool WaitForFrequency(long hz, DWORD timeoutMs = 8000) {
        return e2e::WaitUntil([&] { return e2e::SimCardStateLong("Frequency") == hz; }, timeoutMs);
    }

    void Sync() { m_tunaro.Sync(15000); }

    e2e::RunningTunaro m_tunaro;
    HWND m_panel = nullptr;
};

TEST_F(LiveTvRun, DigitsZappingFineTuningInputsAndPicture) {
    const std::string list = ProgramText(14, false, true);
    Start(&list, 2);
    ASSERT_TRUE(WaitForFrequency(ChannelFrequency(2))) << "start-up tunes the stored channel";

    // A digit selects that channel and shows its tune.
    e2e::PostCommand(m_panel, IDC_DIGIT_0 + 5);
    EXPECT_TRUE(WaitForFrequency(ChannelFrequency(5)));
    EXPECT_TRUE(WaitForText("[5]Ch5 Stereo"));

    // Two digits in a row: index 12.
    e2e::PostCommand(m_panel, IDC_TWO_DIGIT);
    e2e::PostCommand(m_panel, IDC_DIGIT_0 + 1);
    e2e::PostCommand(m_panel, IDC_DIGIT_0 + 2);
    EXPECT_TRUE(WaitForFrequency(ChannelFrequency(12)));
    EXPECT_TRUE(WaitForText("[12]Ch12"));

    // From the last channel, channel + wraps past the disabled first one.
    e2e::PostCommand(m_panel, IDC_TWO_DIGIT);
    e2e::PostCommand(m_panel, IDC_DIGIT_0 + 1);
    e2e::PostCommand(m_panel, IDC_DIGIT_0 + 3);
    EXPECT_TRUE(WaitForFrequency(ChannelFrequency(13)));
    e2e::PostCommand(m_panel, IDC_CHANNEL_UP);
    EXPECT_TRUE(WaitForFrequency(ChannelFrequency(1)));
    EXPECT_TRUE(WaitForText("[1]Ch1 Stereo"));

    // Freq+ moves the tuner and the stored frequency by the default step.
    e2e::PostCommand(m_panel, IDC_FREQ_UP);
    EXPECT_TRUE(WaitForFrequency(ChannelFrequency(1) + 50000));
    EXPECT_TRUE(WaitForText("Freq+"));

    // The video source goes 1 -> 2 -> 0 -> 1 with the input names on screen; digits do nothing
    // off the tuner.
    const long tuned = ChannelFrequency(1) + 50000;
    e2e::PostCommand(m_panel, IDC_VIDEO_SOURCE);
    EXPECT_TRUE(e2e::WaitUntil(
        [] { return e2e::SimCardState("VideoInput").find("SVideo") != std::string::npos; }, 8000));
    EXPECT_TRUE(WaitForText("Video SVideo"));
    e2e::PostCommand(m_panel, IDC_DIGIT_0 + 4);
    Sync();
    EXPECT_EQ(e2e::SimCardStateLong("Frequency"), tuned);
    e2e::PostCommand(m_panel, IDC_VIDEO_SOURCE);
    EXPECT_TRUE(e2e::WaitUntil(
        [] { return e2e::SimCardState("VideoInput").find("Composite") != std::string::npos; }, 8000));
    EXPECT_TRUE(WaitForText("Video Composite"));
    e2e::PostCommand(m_panel, IDC_VIDEO_SOURCE);
    EXPECT_TRUE(e2e::WaitUntil(
        [] { return e2e::SimCardState("VideoInput").find("Tuner") != std::string::npos; }, 8000));
    EXPECT_TRUE(WaitForText("Video Tuner"));

    // Brightness up to the maximum, and one more press keeps it there.
    for (int i = 0; i < 20; ++i)
        e2e::PostCommand(m_panel, IDC_BRIGHTNESS_UP);
    EXPECT_TRUE(e2e::WaitUntil([] { return e2e::SimCardStateLong("Brightness") == 10000; }, 8000));
    EXPECT_TRUE(WaitForText("Brightness:100"));
    e2e::PostCommand(m_panel, IDC_BRIGHTNESS_UP);
    Sync();
    EXPECT_EQ(e2e::SimCardStateLong("Brightness"), 10000);

    Exit();
    char freqLine[40];
    std::snprintf(freqLine, sizeof freqLine, "Freq: %ld\n", tuned);
    std::string saved = e2e::ReadFile(ProgramTxt());
    saved.erase(std::remove(saved.begin(), saved.end(), '\r'), saved.end());
    EXPECT_NE(saved.find(std::string("Name: Ch1\n") + freqLine), std::string::npos) << saved;
}

TEST_F(LiveTvRun, AllChannelsDisabledTuneNothing) {
    const std::string list = ProgramText(3, true, false);
    Start(&list, 1);
    Sync();
    const long before = e2e::SimCardStateLong("Frequency");
    e2e::PostCommand(m_panel, IDC_CHANNEL_UP);
    EXPECT_TRUE(WaitForText("[1]Ch1 Stereo"));
    e2e::PostCommand(m_panel, IDC_CHANNEL_DOWN);
    Sync();
    EXPECT_EQ(e2e::SimCardStateLong("Frequency"), before);
    Exit();
}

TEST_F(LiveTvRun, EmptyListThenAutomaticScan) {
    // A small country table: two stations of the card's plan around an empty frequency.
    e2e::PeerWindow remote("Remote");
    Start(nullptr, 0, [] {
        e2e::WriteFile(ChannelTxt(), "[Test Land]\r\nCountryCode=86\r\nChannelLow=1\r\n"
                                     "ChannelHigh=3\r\nFormat=PAL-D\r\n49750000\r\n"
                                     "63750000\r\n168250000\r\n");
    });
    e2e::PeerWindow& scheduler = m_tunaro.Schedule();
    Sync();

    // Without channels the digits tune nothing and the current tune says so.
    const long before = e2e::SimCardStateLong("Frequency");
    e2e::PostCommand(m_panel, IDC_DIGIT_0 + 1);
    e2e::PostCommand(m_panel, IDC_PREVIOUS_CHANNEL);
    EXPECT_TRUE(WaitForText("No current channel"));
    EXPECT_EQ(e2e::SimCardStateLong("Frequency"), before);

    remote.Clear();
    scheduler.Clear();
    e2e::PostCommand(m_panel, IDC_AUTOSCAN);
    ASSERT_TRUE(remote.WaitForCommand(tunaro::peer::kRemoteScanStarted, 8000));
    ASSERT_TRUE(scheduler.WaitForCommand(tunaro::peer::kScheduleScanStarted, 8000));
    // During the scan Record is disabled and Auto Scan stays enabled to stop it.
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(m_panel, IDC_RECORD)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(m_panel, IDC_AUTOSCAN)));
    EXPECT_TRUE(remote.Commands(tunaro::peer::kRemoteScanEnded).empty());

    EXPECT_TRUE(WaitForText("scanned 2", 30000));
    EXPECT_TRUE(remote.WaitForCommand(tunaro::peer::kRemoteScanEnded, 8000));
    EXPECT_TRUE(scheduler.WaitForCommand(tunaro::peer::kScheduleScanEnded, 8000));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(m_panel, IDC_RECORD)));
    // The scan ends on the first station found.
    EXPECT_TRUE(WaitForFrequency(49750000));

    Exit();
    std::string saved = e2e::ReadFile(ProgramTxt());
    saved.erase(std::remove(saved.begin(), saved.end(), '\r'), saved.end());
    EXPECT_EQ(saved, "Name: New Channel\nFreq: 49750000\nChan: 0\nAudioChannels:0\nCheck:1\n"
                     "Name: New Channel\nFreq: 168250000\nChan: 2\nAudioChannels:0\nCheck:1\n");
}

} // namespace
