// End-to-end tests of live TV against the installed program and the simulated card: digits,
// two-digit entry, zapping, fine tuning, inputs, brightness and the automatic scan with its peers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "e2e.h"
#include "framework/peer_messages.h"

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

class LiveTvRun : public ::testing::Test {
protected:
    void SetUp() override {
        m_programTxt.reset(new e2e::SavedFile(e2e::SystemDir() + "\\program.txt"));
        m_tunaroIni.reset(new e2e::SavedFile(e2e::InstallDir() + "\\Tunaro.ini"));
        m_channelTxt.reset(new e2e::SavedFile(e2e::SystemDir() + "\\CHANNEL.TXT"));
        // A scheduler window keeps the program from starting the installed scheduler.
        m_scheduler.reset(new e2e::PeerWindow("Schedule"));
    }
    void TearDown() override {
        if (m_program.Running()) {
            e2e::PostCommand(m_panel, 403);
            if (!m_program.WaitForExit(15000))
                m_program.Kill();
        }
        m_scheduler.reset();
        m_channelTxt.reset();
        m_tunaroIni.reset();
        m_programTxt.reset();
    }

    void WriteSetup(const std::string* programText, long currentIndex) {
        if (programText)
            ASSERT_TRUE(e2e::WriteFile(m_programTxt->Path(), *programText));
        else
            DeleteFileA(m_programTxt->Path().c_str());
        char ini[300];
        std::snprintf(ini, sizeof ini,
                      "[VideoSource]\r\nSource=1\r\n[Channel]\r\nCurrentIndex=%ld\r\nPreChannelIndex=0\r\n"
                      "[Country]\r\niCode=0\r\n",
                      currentIndex);
        ASSERT_TRUE(e2e::WriteFile(m_tunaroIni->Path(), ini));
    }

    void Start() {
        ASSERT_TRUE(m_program.Start(e2e::InstallDir() + "\\Tunaro.exe"));
        m_panel = e2e::WaitForWindow(kTitle, 30000);
        ASSERT_NE(m_panel, nullptr) << "the control panel did not appear";
        ASSERT_TRUE(e2e::WaitUntil([] { return e2e::SimCardStateLong("Running") == 1; }, 15000))
            << "the preview does not run";
    }

    void Exit() {
        e2e::PostCommand(m_panel, 403);
        ASSERT_TRUE(m_program.WaitForExit(20000)) << "the program did not end on Exit";
    }

    // True once some window of the program shows exactly this text.
    bool WaitForText(const std::string& text, DWORD timeoutMs = 8000) {
        return e2e::WaitUntil(
            [&] {
                std::vector<std::pair<HWND, std::string>> all;
                for (HWND top : e2e::ProcessWindows(m_program.Pid())) {
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

    // Waits until the program has handled everything sent before (a sent command returns when
    // the panel's thread is free again).
    void Sync() {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(m_panel, WM_NULL, 0, 0, SMTO_NORMAL, 15000, &result);
    }

    std::unique_ptr<e2e::SavedFile> m_programTxt, m_tunaroIni, m_channelTxt;
    std::unique_ptr<e2e::PeerWindow> m_scheduler;
    e2e::Program m_program;
    HWND m_panel = nullptr;
};

TEST_F(LiveTvRun, DigitsZappingFineTuningInputsAndPicture) {
    const std::string list = ProgramText(14, false, true);
    WriteSetup(&list, 2);
    Start();
    ASSERT_TRUE(WaitForFrequency(ChannelFrequency(2))) << "start-up tunes the stored channel";

    // A digit selects that channel and shows its tune.
    e2e::PostCommand(m_panel, 1096 + 5);
    EXPECT_TRUE(WaitForFrequency(ChannelFrequency(5)));
    EXPECT_TRUE(WaitForText("[5]Ch5 Stereo"));

    // Two digits in a row: index 12.
    e2e::PostCommand(m_panel, 1109);
    e2e::PostCommand(m_panel, 1096 + 1);
    e2e::PostCommand(m_panel, 1096 + 2);
    EXPECT_TRUE(WaitForFrequency(ChannelFrequency(12)));
    EXPECT_TRUE(WaitForText("[12]Ch12"));

    // From the last channel, channel + wraps past the disabled first one.
    e2e::PostCommand(m_panel, 1109);
    e2e::PostCommand(m_panel, 1096 + 1);
    e2e::PostCommand(m_panel, 1096 + 3);
    EXPECT_TRUE(WaitForFrequency(ChannelFrequency(13)));
    e2e::PostCommand(m_panel, 1108);
    EXPECT_TRUE(WaitForFrequency(ChannelFrequency(1)));
    EXPECT_TRUE(WaitForText("[1]Ch1 Stereo"));

    // Freq+ moves the tuner and the stored frequency by the default step.
    e2e::PostCommand(m_panel, 1089);
    EXPECT_TRUE(WaitForFrequency(ChannelFrequency(1) + 50000));
    EXPECT_TRUE(WaitForText("Freq+"));

    // The video source goes 1 -> 2 -> 0 -> 1 with the input names on screen; digits do nothing
    // off the tuner.
    const long tuned = ChannelFrequency(1) + 50000;
    e2e::PostCommand(m_panel, 1112);
    EXPECT_TRUE(e2e::WaitUntil(
        [] { return e2e::SimCardState("VideoInput").find("SVideo") != std::string::npos; }, 8000));
    EXPECT_TRUE(WaitForText("Video SVideo"));
    e2e::PostCommand(m_panel, 1096 + 4);
    Sync();
    EXPECT_EQ(e2e::SimCardStateLong("Frequency"), tuned);
    e2e::PostCommand(m_panel, 1112);
    EXPECT_TRUE(e2e::WaitUntil(
        [] { return e2e::SimCardState("VideoInput").find("Composite") != std::string::npos; }, 8000));
    EXPECT_TRUE(WaitForText("Video Composite"));
    e2e::PostCommand(m_panel, 1112);
    EXPECT_TRUE(e2e::WaitUntil(
        [] { return e2e::SimCardState("VideoInput").find("Tuner") != std::string::npos; }, 8000));
    EXPECT_TRUE(WaitForText("Video Tuner"));

    // Brightness up to the maximum, and one more press keeps it there.
    for (int i = 0; i < 20; ++i)
        e2e::PostCommand(m_panel, 1083);
    EXPECT_TRUE(e2e::WaitUntil([] { return e2e::SimCardStateLong("Brightness") == 10000; }, 8000));
    EXPECT_TRUE(WaitForText("Brightness:100"));
    e2e::PostCommand(m_panel, 1083);
    Sync();
    EXPECT_EQ(e2e::SimCardStateLong("Brightness"), 10000);

    Exit();
    char freqLine[40];
    std::snprintf(freqLine, sizeof freqLine, "Freq: %ld\n", tuned);
    std::string saved = e2e::ReadFile(m_programTxt->Path());
    saved.erase(std::remove(saved.begin(), saved.end(), '\r'), saved.end());
    EXPECT_NE(saved.find(std::string("Name: Ch1\n") + freqLine), std::string::npos) << saved;
}

TEST_F(LiveTvRun, AllChannelsDisabledTuneNothing) {
    const std::string list = ProgramText(3, true, false);
    WriteSetup(&list, 1);
    Start();
    Sync();
    const long before = e2e::SimCardStateLong("Frequency");
    e2e::PostCommand(m_panel, 1108);
    EXPECT_TRUE(WaitForText("[1]Ch1 Stereo"));
    e2e::PostCommand(m_panel, 1107);
    Sync();
    EXPECT_EQ(e2e::SimCardStateLong("Frequency"), before);
    Exit();
}

TEST_F(LiveTvRun, EmptyListThenAutomaticScan) {
    // A small country table: two stations of the card's plan around an empty frequency.
    ASSERT_TRUE(e2e::WriteFile(m_channelTxt->Path(), "[Test Land]\r\nCountryCode=86\r\nChannelLow=1\r\n"
                                                    "ChannelHigh=3\r\nFormat=PAL-D\r\n49750000\r\n"
                                                    "63750000\r\n168250000\r\n"));
    WriteSetup(nullptr, 0);
    e2e::PeerWindow remote("Remote");
    e2e::PeerWindow& scheduler = *m_scheduler;
    Start();
    Sync();

    // Without channels the digits tune nothing and the current tune says so.
    const long before = e2e::SimCardStateLong("Frequency");
    e2e::PostCommand(m_panel, 1096 + 1);
    e2e::PostCommand(m_panel, 1106);
    EXPECT_TRUE(WaitForText("No current channel"));
    EXPECT_EQ(e2e::SimCardStateLong("Frequency"), before);

    remote.Clear();
    scheduler.Clear();
    e2e::PostCommand(m_panel, 405);
    ASSERT_TRUE(remote.WaitForCommand(tunaro::peer::kRemoteScanStarted, 8000));
    ASSERT_TRUE(scheduler.WaitForCommand(tunaro::peer::kScheduleScanStarted, 8000));
    // During the scan Record is disabled and Auto Scan stays enabled to stop it.
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(m_panel, 411)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(m_panel, 405)));
    EXPECT_TRUE(remote.Commands(tunaro::peer::kRemoteScanEnded).empty());

    EXPECT_TRUE(WaitForText("scanned 2", 30000));
    EXPECT_TRUE(remote.WaitForCommand(tunaro::peer::kRemoteScanEnded, 8000));
    EXPECT_TRUE(scheduler.WaitForCommand(tunaro::peer::kScheduleScanEnded, 8000));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(m_panel, 411)));
    // The scan ends on the first station found.
    EXPECT_TRUE(WaitForFrequency(49750000));

    Exit();
    std::string saved = e2e::ReadFile(m_programTxt->Path());
    saved.erase(std::remove(saved.begin(), saved.end(), '\r'), saved.end());
    EXPECT_EQ(saved, "Name: New Channel\nFreq: 49750000\nChan: 0\nAudioChannels:0\nCheck:1\n"
                     "Name: New Channel\nFreq: 168250000\nChan: 2\nAudioChannels:0\nCheck:1\n");
}

} // namespace
