// Unit tests of the agent's behaviour over a recording host: opening the receiver, polling, the
// pause around a scan, card arrival and removal, the exits and what each kind of key does.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "remote/key_table.h"
#include "remote/relay.h"

namespace {

using namespace tunaro::remote;

constexpr PeerId kTv = 11;
constexpr PeerId kFm = 22;

// Records every call as a short line; the receiver answers from a queue of codes.
class FakeHost : public RelayHost {
public:
    bool m_libraryPresent = true;
    bool m_startResult = true;
    bool m_tvRunning = false;
    bool m_fmRunning = false;
    bool m_directoryKnown = true;
    bool m_startSucceeds = true;
    bool m_chinese = false;
    std::deque<uint32_t> m_keys;
    std::vector<std::string> m_log;
    std::string m_label;
    bool m_red = false;

    bool LoadReceiver() override {
        m_log.push_back("load");
        m_loaded = m_libraryPresent;
        return m_loaded;
    }
    bool ReceiverLoaded() const override { return m_loaded; }
    void UnloadReceiver() override {
        m_log.push_back("unload");
        m_loaded = false;
    }
    bool StartReceiver() override {
        EXPECT_TRUE(m_loaded) << "Start called without the library";
        m_log.push_back("start");
        return m_startResult;
    }
    uint32_t ReadReceiver() override {
        m_log.push_back("read");
        if (!m_loaded || m_keys.empty())
            return kNoKey;
        const uint32_t code = m_keys.front();
        m_keys.pop_front();
        return code;
    }
    void StopReceiver() override { m_log.push_back("stop"); }
    void StartPollTimer() override { m_log.push_back("timer on"); }
    void StopPollTimer() override { m_log.push_back("timer off"); }
    void Pause(unsigned ms) override { m_log.push_back("pause " + std::to_string(ms)); }
    void ShowCode(uint32_t code) override { m_log.push_back("code " + std::to_string(code)); }
    void ShowWaiting() override {
        m_label = "wait for receive";
        m_red = false;
    }
    void ShowReceived(const std::string& text) override {
        m_label = text;
        m_red = true;
    }
    bool ChineseMode() const override { return m_chinese; }
    PeerId FindTarget() override { return m_tvRunning ? kTv : m_fmRunning ? kFm : kNoPeer; }
    PeerId FindTvWindow() override { return m_tvRunning ? kTv : kNoPeer; }
    void SendCommand(PeerId peer, uint32_t command) override {
        m_log.push_back("send " + Peer(peer) + " " + std::to_string(command));
    }
    void PostCommand(PeerId peer, uint32_t command) override {
        m_log.push_back("post " + Peer(peer) + " " + std::to_string(command));
    }
    bool TvDirectoryKnown() const override { return m_directoryKnown; }
    bool StartTvProgram() override {
        m_log.push_back("start tv");
        return m_startSucceeds;
    }
    void WaitForTvProgram(unsigned ms) override { m_log.push_back("wait tv " + std::to_string(ms)); }
    void ReleaseTvProgram() override { m_log.push_back("release tv"); }
    void StartPowerOff() override { m_log.push_back("power off"); }

    std::vector<std::string> Take() {
        std::vector<std::string> out;
        out.swap(m_log);
        return out;
    }

private:
    static std::string Peer(PeerId peer) { return peer == kTv ? "tv" : peer == kFm ? "fm" : "?"; }
    bool m_loaded = false;
};

using Log = std::vector<std::string>;

class RelayTest : public ::testing::Test {
protected:
    // Opens with a ready receiver and forgets the calls that took.
    void OpenReady() {
        m_relay.Open();
        ASSERT_TRUE(m_relay.Polling());
        m_host.Take();
    }
    Log Press(uint32_t code) {
        m_host.m_keys.push_back(code);
        m_relay.Poll();
        return m_host.Take();
    }

    FakeHost m_host;
    Relay m_relay{m_host};
};

TEST_F(RelayTest, OpeningDropsAPendingKeyThenPolls) {
    m_host.m_keys.push_back(0x05);
    m_relay.Open();
    EXPECT_EQ(m_host.Take(), (Log{"load", "start", "read", "timer on"}));
    EXPECT_TRUE(m_relay.Polling());
    EXPECT_TRUE(m_relay.Running());
    EXPECT_TRUE(m_host.m_keys.empty());
}

TEST_F(RelayTest, MissingLibraryIsNeverCalledAndNeverPolled) {
    m_host.m_libraryPresent = false;
    m_relay.Open();
    EXPECT_EQ(m_host.Take(), (Log{"load"}));
    EXPECT_FALSE(m_relay.Polling());
    // The end of a scan does not start polling a receiver that never opened.
    m_relay.ScanEnded();
    EXPECT_FALSE(m_relay.Polling());
    // Nor does the card's arrival while the library is still missing.
    m_relay.CardArrived();
    EXPECT_FALSE(m_relay.Polling());
    for (const std::string& call : m_host.Take())
        EXPECT_TRUE(call == "load" || call == "read" || call == "timer off") << call;
}

TEST_F(RelayTest, ReceiverThatIsNotReadyWaitsForTheCard) {
    m_host.m_startResult = false;
    m_relay.Open();
    EXPECT_EQ(m_host.Take(), (Log{"load", "start"}));
    EXPECT_FALSE(m_relay.Polling());
    m_relay.ScanEnded();
    EXPECT_FALSE(m_relay.Polling());
    m_host.Take();
    m_relay.CardArrived();
    EXPECT_EQ(m_host.Take(), (Log{"load", "pause 200", "start", "pause 200", "timer on", "read"}));
    EXPECT_TRUE(m_relay.Polling());
    EXPECT_TRUE(m_relay.Running());
}

TEST_F(RelayTest, NoKeyShowsWaitingAndSendsNothing) {
    OpenReady();
    m_host.m_tvRunning = true;
    m_relay.Poll();
    EXPECT_EQ(m_host.Take(), (Log{"read", "code 255"}));
    EXPECT_EQ(m_host.m_label, "wait for receive");
    EXPECT_FALSE(m_host.m_red);
}

TEST_F(RelayTest, PlainKeysGoToTheTvWindowElseTheFmWindow) {
    OpenReady();
    m_host.m_tvRunning = true;
    m_host.m_fmRunning = true;
    EXPECT_EQ(Press(0x21), (Log{"read", "code 33", "send tv 1108"}));
    EXPECT_EQ(m_host.m_label, "Channel+");
    EXPECT_TRUE(m_host.m_red);
    EXPECT_EQ(Press(0x20), (Log{"read", "code 32", "send tv 1107"}));
    EXPECT_EQ(Press(0x05), (Log{"read", "code 5", "send tv 1101"}));
    m_host.m_tvRunning = false;
    EXPECT_EQ(Press(0x10), (Log{"read", "code 16", "send fm 502"}));
    EXPECT_EQ(m_host.m_label, "Volume+");
    m_host.m_fmRunning = false;
    // With neither program the command is lost.
    EXPECT_EQ(Press(0x10), (Log{"read", "code 16"}));
    EXPECT_EQ(m_host.m_label, "Volume+");
}

TEST_F(RelayTest, UnknownCodeShowsHexAndSendsAllOnes) {
    OpenReady();
    m_host.m_tvRunning = true;
    EXPECT_EQ(Press(0x7F), (Log{"read", "code 127", "send tv 4294967295"}));
    EXPECT_EQ(m_host.m_label, "7f");
}

TEST_F(RelayTest, ChineseModeShowsChineseLabels) {
    m_host.m_chinese = true;
    OpenReady();
    Press(0x21);
    EXPECT_EQ(m_host.m_label, "频道+");
}

TEST_F(RelayTest, HeldKeySendsOncePerPoll) {
    OpenReady();
    m_host.m_tvRunning = true;
    m_host.m_keys = {0x11, 0x11, 0x11};
    m_relay.Poll();
    m_relay.Poll();
    m_relay.Poll();
    m_relay.Poll();
    int sent = 0;
    for (const std::string& call : m_host.Take())
        sent += call == "send tv 501";
    EXPECT_EQ(sent, 3);
}

TEST_F(RelayTest, ScanPausesPollingAndItsEndDropsWhatWasPressed) {
    OpenReady();
    m_host.m_tvRunning = true;
    m_relay.ScanStarted();
    EXPECT_EQ(m_host.Take(), (Log{"read", "timer off"}));
    EXPECT_FALSE(m_relay.Polling());
    // A stray tick after the timer stopped reads nothing.
    m_host.m_keys.push_back(0x03);
    m_relay.Poll();
    EXPECT_TRUE(m_host.Take().empty());
    m_relay.ScanEnded();
    EXPECT_EQ(m_host.Take(), (Log{"timer on", "read"}));
    EXPECT_TRUE(m_host.m_keys.empty()) << "the key pressed during the scan is dropped";
    EXPECT_EQ(Press(0x04), (Log{"read", "code 4", "send tv 1100"}));
}

TEST_F(RelayTest, RemovalStopsTheReceiverAndClosesTheTvProgram) {
    OpenReady();
    m_host.m_tvRunning = true;
    m_relay.CardRemoved();
    EXPECT_EQ(m_host.Take(), (Log{"timer off", "stop", "pause 200", "unload", "pause 200", "post tv 403"}));
    EXPECT_FALSE(m_relay.Polling());
    EXPECT_FALSE(m_relay.Running());
    // Only the TV program is closed, not the FM program.
    m_host.m_tvRunning = false;
    m_host.m_fmRunning = true;
    m_relay.CardRemoved();
    for (const std::string& call : m_host.Take())
        EXPECT_EQ(call.find("post"), std::string::npos) << call;
    // After removal, the end of a scan does not poll an unloaded library.
    m_relay.ScanEnded();
    EXPECT_FALSE(m_relay.Polling());
}

TEST_F(RelayTest, ArrivalAfterRemovalPollsAgain) {
    OpenReady();
    m_relay.CardRemoved();
    m_host.Take();
    m_relay.CardArrived();
    EXPECT_EQ(m_host.Take(), (Log{"load", "pause 200", "start", "pause 200", "timer on", "read"}));
    EXPECT_TRUE(m_relay.Polling());
    m_host.m_tvRunning = true;
    EXPECT_EQ(Press(0x01), (Log{"read", "code 1", "send tv 1097"}));
}

TEST_F(RelayTest, StartExitClosesARunningProgram) {
    OpenReady();
    m_host.m_tvRunning = true;
    EXPECT_EQ(Press(0x0C), (Log{"read", "code 12", "post tv 403", "pause 1000", "release tv"}));
    EXPECT_TRUE(m_relay.Polling());
    m_host.m_tvRunning = false;
    m_host.m_fmRunning = true;
    EXPECT_EQ(Press(0x0C), (Log{"read", "code 12", "post fm 403", "pause 1000", "release tv"}));
}

TEST_F(RelayTest, StartExitStartsTheTvProgramAndPollsAgain) {
    OpenReady();
    EXPECT_EQ(Press(0x0C),
              (Log{"read", "code 12", "timer off", "start tv", "wait tv 3000", "pause 2000", "timer on"}));
    EXPECT_TRUE(m_relay.Polling());
}

TEST_F(RelayTest, StartExitThatCannotStartTheProgramStillPollsAgain) {
    OpenReady();
    m_host.m_startSucceeds = false;
    EXPECT_EQ(Press(0x0C), (Log{"read", "code 12", "timer off", "start tv", "timer on"}));
    EXPECT_TRUE(m_relay.Polling());
}

TEST_F(RelayTest, CloseComputerClosesTheProgramThenPowersOff) {
    OpenReady();
    m_host.m_tvRunning = true;
    EXPECT_EQ(Press(0x25), (Log{"read", "code 37", "post tv 403", "pause 300", "power off"}));
    EXPECT_EQ(m_host.m_label, "Close computer");
    m_host.m_tvRunning = false;
    EXPECT_EQ(Press(0x25), (Log{"read", "code 37", "pause 300", "power off"}));
}

TEST_F(RelayTest, SpecialKeysDoNothingWithoutTheTvDirectory) {
    OpenReady();
    m_host.m_directoryKnown = false;
    m_host.m_tvRunning = true;
    EXPECT_EQ(Press(0x25), (Log{"read", "code 37"}));
    EXPECT_EQ(Press(0x0C), (Log{"read", "code 12"}));
    // Plain keys still work.
    EXPECT_EQ(Press(0x09), (Log{"read", "code 9", "send tv 1105"}));
}

TEST_F(RelayTest, MenuExitStopsTheReceiverProperly) {
    OpenReady();
    m_relay.MenuExit();
    EXPECT_EQ(m_host.Take(), (Log{"timer off", "pause 200", "stop", "pause 200", "unload"}));
    EXPECT_FALSE(m_relay.Polling());
}

TEST_F(RelayTest, MenuExitAfterRemovalHasNothingToStop) {
    OpenReady();
    m_relay.CardRemoved();
    m_host.Take();
    m_relay.MenuExit();
    EXPECT_TRUE(m_host.Take().empty());
}

TEST_F(RelayTest, ExitButtonLetsTheLibraryGoWithoutStop) {
    OpenReady();
    m_relay.ExitButton();
    EXPECT_EQ(m_host.Take(), (Log{"timer off", "unload"}));
    EXPECT_FALSE(m_relay.Polling());
}

} // namespace
