// End-to-end test of pausing live TV in the real Tunaro.exe on the simulated card: Time Shift
// freezes the picture (remote snapshots 2 s apart are the same picture) while the status line
// counts the delay; Play goes on behind live; Forward at the live edge and TV return to live;
// a scheduler order during a pause records the ordered channel live; Exit leaves no buffer.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "engine/timeshift_ring.h"
#include "framework/peer_messages.h"
#include "res/tunaro/resource.h"
#include "tests/support/e2e.h"
#include "tests/support/tunaro_suite.h"

namespace {

constexpr int kStatusLine = 1069;
constexpr long kFirstHz = 184250000; // "River Arts" in the card's plan
constexpr long kSecondHz = 855250000;

class TimeShiftE2E : public e2e::TunaroSuite {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(Images().Made() && Videos().Made());
        Debug(); // the program's trace lines, for the failure reports
        char text[300];
        std::snprintf(text, sizeof text,
                      "Name: River Arts\nFreq: %ld\nChan: 1\nAudioChannels:0\nCheck:1\n"
                      "Name: Other\nFreq: %ld\nChan: 2\nAudioChannels:0\nCheck:1\n",
                      kFirstHz, kSecondHz);
        e2e::TunaroStart start;
        start.programTxt = text;
        start.tunaroIni = "[VideoSource]\r\nSource=0\r\n[Channel]\r\nCurrentIndex=0\r\nPreChannelIndex=0\r\n"
                          "[Country]\r\niCode=0\r\n[TimeShift]\r\nMinutes=2\r\n[SavImagePath]\r\nPath=" +
                          Images().Path() + "\r\n[SavVideoPath]\r\nPath=" + Videos().Path() + "\r\n";
        start.waitForStatus = true;
        ASSERT_TRUE(Tunaro().Start(start)) << Tunaro().Failure();
    }
    static e2e::ScratchDir& Images() {
        static e2e::ScratchDir images("shiftimg");
        return images;
    }
    static e2e::ScratchDir& Videos() {
        static e2e::ScratchDir videos("shiftvideo");
        return videos;
    }
    static e2e::PeerWindow& Debug() {
        static e2e::PeerWindow debug("DebugOutput", "ZOLT DebugOut Window");
        return debug;
    }
    // What the program traced, for a failure report.
    static std::string Traces() {
        std::string all;
        for (const e2e::ReceivedMessage& m : Debug().Messages())
            if (m.msg == WM_COPYDATA)
                all += "\n  " + std::string(m.data.c_str());
        return all;
    }
    static std::string Folder() { return tunaro::TimeShiftFolder(Videos().Path()); }
    static std::string Status() { return e2e::ControlText(Panel(), kStatusLine); }
    // The delay the status line shows in seconds; -1 without one.
    static long ShownDelay() {
        int minutes = 0, seconds = 0;
        const std::string text = Status();
        if (std::sscanf(text.c_str(), "Shift -%d:%d", &minutes, &seconds) != 2)
            return -1;
        return minutes * 60 + seconds;
    }
    // A remote snapshot's bytes (each one a new numbered file in the image folder).
    static std::string Snapshot() {
        static long number = 0;
        const std::string file = Images().File("cap" + std::to_string(++number) + ".BMP");
        e2e::SendCommand(Panel(), IDC_REMOTE_SNAPSHOT);
        std::string bytes, last;
        e2e::WaitUntil(
            [&] {
                bytes = e2e::FileExists(file) ? e2e::ReadFile(file) : std::string();
                const bool settled = !bytes.empty() && bytes.size() == last.size();
                last = bytes;
                return settled;
            },
            10000);
        return bytes;
    }
    static bool WaitForLive() {
        return e2e::WaitUntil([] { return Status().find("Shift") == std::string::npos; }, 10000);
    }
};

} // namespace

TEST_F(TimeShiftE2E, PauseHoldsThePictureAndPlaysOnBehindLiveUntilLiveAgain) {
    const std::string live = Snapshot();
    ASSERT_FALSE(live.empty()) << "no live snapshot";
    const DWORD paused = GetTickCount();
    e2e::SendCommand(Panel(), IDC_TIME_SHIFT);
    ASSERT_TRUE(e2e::WaitUntil([] { return ShownDelay() >= 0; }, 5000)) << "status: " << Status();
    const std::string first = Snapshot();
    Sleep(2000);
    const std::string second = Snapshot();
    ASSERT_FALSE(first.empty());
    EXPECT_TRUE(first == second) << "the paused picture moved";
    EXPECT_TRUE(e2e::FileExists(tunaro::TimeShiftSegmentFile(Folder(), 1))) << "no buffer in " << Folder();

    // Five seconds after the pause the delay shown is five seconds, give or take one.
    const DWORD since = GetTickCount() - paused;
    Sleep(since < 5300 ? 5300 - since : 0);
    const long delay = ShownDelay();
    EXPECT_GE(delay, 4) << Status();
    EXPECT_LE(delay, 6) << Status();

    // Play goes on from the paused picture, and stays behind live.
    e2e::SendCommand(Panel(), IDC_PLAY, 0, 0, 30000);
    Sleep(1500);
    const std::string playing = Snapshot();
    ASSERT_FALSE(playing.empty()) << "no snapshot of the picture played" << Traces();
    EXPECT_FALSE(playing == second) << "the picture did not play on";
    // (The pictures of the moment the buffer took to start are skipped, never more than that.)
    EXPECT_GT(ShownDelay(), 1) << Status();
    EXPECT_LE(ShownDelay(), delay + 1) << Status();

    // Back moves away from live (held at the oldest picture), Forward five seconds toward it; at
    // the live edge Forward returns to live.
    const long behind = ShownDelay();
    e2e::SendCommand(Panel(), IDC_BACK, 0, 0, 30000);
    const long back = ShownDelay();
    EXPECT_GT(back, behind) << Status();
    EXPECT_LE(back, behind + 5) << Status();
    ASSERT_GT(back, 5) << Status();
    e2e::SendCommand(Panel(), IDC_FORWARD, 0, 0, 30000);
    EXPECT_NEAR(ShownDelay(), back - 5, 1) << Status();
    for (int i = 0; i < 3 && ShownDelay() >= 0; ++i)
        e2e::SendCommand(Panel(), IDC_FORWARD, 0, 0, 30000);
    EXPECT_TRUE(WaitForLive()) << Status();
    EXPECT_FALSE(e2e::FileExists(Folder())) << "the buffer outlived the time shift";

    // Pause from the remote's key, then TV: live again.
    e2e::SendCommand(Panel(), IDC_PAUSE);
    ASSERT_TRUE(e2e::WaitUntil([] { return ShownDelay() >= 0; }, 5000)) << Status();
    e2e::SendCommand(Panel(), IDC_TV, 0, 0, 30000);
    EXPECT_TRUE(WaitForLive()) << Status();
    EXPECT_EQ(e2e::SimCardStateLong("Running"), 1);
}

TEST_F(TimeShiftE2E, ASchedulerOrderDuringAPauseRecordsTheOrderedChannelLive) {
    e2e::SendCommand(Panel(), IDC_TIME_SHIFT);
    ASSERT_TRUE(e2e::WaitUntil([] { return ShownDelay() >= 0; }, 5000)) << Status();
    Tunaro().Schedule().Clear();
    const ULONG_PTR word = (0UL << 16) | 1UL; // DVD, channel 1
    static const char kText[] = "Record_00";
    EXPECT_EQ(e2e::SendCopyData(Panel(), reinterpret_cast<HWND>(tunaro::peer::kTvCopyDataRecord), word, kText,
                                sizeof kText - 1, 30000),
              TRUE);
    EXPECT_TRUE(Tunaro().Schedule().WaitForCommand(tunaro::peer::kScheduleRecordingStarted, 30000));
    EXPECT_TRUE(e2e::WaitUntil([] { return e2e::SimCardStateLong("Frequency") == kSecondHz; }, 8000));
    EXPECT_TRUE(e2e::WaitUntil([] { return Status().rfind("Recording: ", 0) == 0; }, 5000)) << Status();
    e2e::SendCommand(Panel(), tunaro::peer::kTvScheduleRecord, 0, 0, 30000);
    EXPECT_TRUE(Tunaro().Schedule().WaitForCommand(tunaro::peer::kScheduleRecordingStopped, 30000));
}

TEST_F(TimeShiftE2E, ExitDuringAPauseLeavesNoBuffer) {
    e2e::SendCommand(Panel(), IDC_TIME_SHIFT);
    ASSERT_TRUE(e2e::WaitUntil([] { return ShownDelay() >= 0; }, 5000)) << Status() << Traces();
    ASSERT_TRUE(e2e::FileExists(Folder()));
    EXPECT_TRUE(Tunaro().Stop()) << "Exit did not end the program";
    EXPECT_FALSE(e2e::FileExists(Folder())) << "the buffer outlived the program";
}
