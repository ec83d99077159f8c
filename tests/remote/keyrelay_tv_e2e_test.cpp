// End-to-end test of the remote with the real Tunaro under the test prefix: Start/Exit starts
// the TV program and polling resumes, digits tune (seen on the simulated card), Channel+ and
// Channel- zap in their labelled direction, the program's automatic scan pauses the remote until
// it ends, and Start/Exit closes the program again.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/remote/agent.h"
#include "tests/support/e2e.h"
#include "tests/platform/irrecv/irsend_runner.h"

namespace {

using irsend_test::Irsend;
using irsend_test::IrsendResult;
using namespace keyrelay_test;

constexpr const char* kTvTitle = "Tunaro";

// Stations of the simulated card's broadcast plan.
constexpr long kFrequencies[] = {49750000, 77250000, 168250000, 175250000, 184250000, 210250000};

std::string ProgramText() {
    std::string text;
    int i = 0;
    for (long frequency : kFrequencies) {
        char block[160];
        std::snprintf(block, sizeof block, "Name: Ch%d\nFreq: %ld\nChan: %d\nAudioChannels:0\nCheck:1\n", i,
                      frequency, i + 1);
        text += block;
        ++i;
    }
    return text;
}

bool WaitForFrequency(long hz, DWORD timeoutMs = 10000) {
    return e2e::WaitUntil([&] { return e2e::SimCardStateLong("Frequency") == hz; }, timeoutMs);
}

void Press(const std::string& args) {
    const IrsendResult result = Irsend(args);
    EXPECT_EQ(result.exitCode, 0u) << "irsend " << args << ": " << result.output;
}

TEST(KeyRelayWithTunaro, TheRemoteStartsZapsScansAndClosesTheTvProgram) {
    e2e::SavedFile programTxt(e2e::SystemDir() + "\\program.txt");
    e2e::SavedFile channelTxt(e2e::SystemDir() + "\\CHANNEL.TXT");
    e2e::SavedFile tunaroIni(e2e::InstallDir() + "\\Tunaro.ini");
    ASSERT_TRUE(e2e::WriteFile(programTxt.Path(), ProgramText()));
    ASSERT_TRUE(e2e::WriteFile(tunaroIni.Path(),
                               "[VideoSource]\r\nSource=1\r\n[Channel]\r\nCurrentIndex=2\r\n"
                               "PreChannelIndex=0\r\n[Country]\r\niCode=0\r\n"));
    // A small country table for the scan: two stations around an empty frequency.
    ASSERT_TRUE(e2e::WriteFile(channelTxt.Path(), "[Test Land]\r\nCountryCode=86\r\nChannelLow=1\r\n"
                                                  "ChannelHigh=3\r\nFormat=PAL-D\r\n49750000\r\n"
                                                  "63750000\r\n168250000\r\n"));
    // The TV program starts the scheduler when it finds none; a stand-in keeps it out of the way.
    e2e::PeerWindow scheduler("Schedule");

    Agent agent;
    ASSERT_TRUE(agent.Start());
    ASSERT_EQ(FindWindowA(nullptr, kTvTitle), nullptr);

    // Start/Exit with no TV window starts Tunaro; polling resumes once it has had its time.
    const DWORD pressed = GetTickCount();
    Press("start");
    Press("--timeout 20000 4");
    const DWORD resumed = GetTickCount() - pressed;
    HWND panel = e2e::WaitForWindow(kTvTitle, 30000);
    ASSERT_NE(panel, nullptr) << "Start/Exit did not start Tunaro";
    EXPECT_GE(resumed, 4500u) << "the agent waits for the program before it polls again";
    ASSERT_TRUE(e2e::WaitUntil([] { return e2e::SimCardStateLong("Running") == 1; }, 20000));

    // A digit tunes its channel.
    EXPECT_TRUE(WaitForFrequency(kFrequencies[4])) << "digit 4 did not tune channel 4";
    Press("1");
    EXPECT_TRUE(WaitForFrequency(kFrequencies[1]));

    // Channel+ goes up, Channel- goes down.
    Press("ch+");
    EXPECT_TRUE(WaitForFrequency(kFrequencies[2])) << "Channel+ did not go up";
    Press("ch+");
    EXPECT_TRUE(WaitForFrequency(kFrequencies[3]));
    Press("ch-");
    EXPECT_TRUE(WaitForFrequency(kFrequencies[2])) << "Channel- did not go down";

    // Auto scan from the remote: Tunaro pauses the agent while it scans and resumes it after.
    Press("scan");
    const IrsendResult during = Irsend("--timeout 800 5");
    EXPECT_EQ(during.exitCode, 1u) << "a key was read during the scan: " << during.output;
    EXPECT_NE(during.output.find("not read within 800 ms"), std::string::npos) << during.output;
    // The scan ends on the first station it found and the agent polls again.
    EXPECT_TRUE(WaitForFrequency(kFrequencies[0], 30000));
    ASSERT_TRUE(ReceiverReady(20000)) << "the agent did not resume after the scan";
    // The scanned list holds the two stations: digit 1 is the second.
    Press("1");
    EXPECT_TRUE(WaitForFrequency(168250000));

    // Start/Exit closes the running program.
    Press("start");
    EXPECT_TRUE(e2e::WaitForWindowGone(kTvTitle, 20000)) << "Start/Exit did not close Tunaro";
    EXPECT_TRUE(agent.Stop());
}

} // namespace
