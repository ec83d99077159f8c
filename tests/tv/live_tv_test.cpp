// Tests of the live-TV controller against a host that records every call: digits and two-digit
// entry, zapping and its wrap, fine tuning, inputs, mute, picture keys and the automatic scan.
#include "tv/live_tv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "framework/format.h"

namespace {

using tunaro::ChannelList;
using tunaro::ChannelRecord;
using tunaro::Format;
using tunaro::LiveTv;
using tunaro::LiveTvPeer;

class RecordingHost : public tunaro::LiveTvHost {
public:
    // State the commands read.
    bool preview = true, recording = false, playback = false, wall = false, scanning = false;
    bool chinese = false, tuner = true;
    long cardType = 2;
    long sourceIndex = 1;
    long freqSpace = 50000;
    bool rangeKnown = true;
    long rangeMin = 44000000, rangeMax = 870000000;
    std::vector<std::string> sourceNames = {"Video Composite", "Video Tuner", "Video SVideo"};
    bool hasPicture = true;
    long brightness = 128, contrast = 128;
    uint32_t tick = 1000;
    ChannelList list;

    // The simulated scan: frequencies of the country table and which of them carry a station.
    std::vector<std::pair<long, bool>> table;
    int scanPosition = 0;

    // What happened, in order.
    std::vector<std::string> log;
    std::vector<std::string> osd;
    std::vector<unsigned> osdDelays;
    std::vector<long> tuned;
    bool timerRunning = false;
    bool locked = false;
    bool muteLook = false;
    bool outputMuted = false;

    bool PreviewOn() const override { return preview; }
    bool Recording() const override { return recording; }
    bool PlaybackOpen() const override { return playback; }
    bool TvWallShown() const override { return wall; }
    bool Scanning() const override { return scanning; }
    void SetScanning(bool on) override {
        scanning = on;
        log.push_back(Format("scanning %d", on ? 1 : 0));
    }
    bool ChineseMode() const override { return chinese; }
    long CardType() const override { return cardType; }
    ChannelList& Channels() override { return list; }
    long VideoSourceIndex() const override { return sourceIndex; }
    void SetVideoSourceIndex(long index) override { sourceIndex = index; }
    long FreqSpace() const override { return freqSpace; }
    bool IsTunerInput() override { return tuner; }
    int SetVideoSource(int index) override {
        log.push_back(Format("source %d", index));
        return index;
    }
    bool GetSourceName(int index, std::string* name) override {
        if (index < 0 || index >= static_cast<int>(sourceNames.size()))
            return false;
        *name = sourceNames[static_cast<size_t>(index)];
        return true;
    }
    int SetCurrentChannel(long index) override {
        tuned.push_back(index);
        log.push_back(Format("tune %ld", index));
        return 1;
    }
    int SetFrequency(long frequency, long index) override {
        log.push_back(Format("freq %ld %ld", frequency, index));
        list.SetFrequency(index, static_cast<int32_t>(frequency));
        return 1;
    }
    bool GetFrequencyRange(long* maximum, long* minimum) override {
        *maximum = rangeMax;
        *minimum = rangeMin;
        return rangeKnown;
    }
    int AutoScanTune(int reset) override {
        log.push_back(Format("scan %d", reset));
        if (reset) {
            scanPosition = 0;
            return -1;
        }
        if (scanPosition >= static_cast<int>(table.size())) {
            scanPosition = 0;
            return -1;
        }
        if (scanPosition == 0)
            list.Clear();
        const auto& entry = table[static_cast<size_t>(scanPosition)];
        const int position = scanPosition++;
        if (!entry.second)
            return 1;
        ChannelRecord r;
        r.m_strName = "New Channel";
        r.m_nFrequency = static_cast<int32_t>(entry.first);
        r.m_nChannel = position;
        list.Append(r);
        return 3;
    }
    bool GetBrightness(long* value, long* maximum, long* minimum) override {
        *value = brightness;
        *maximum = 255;
        *minimum = 0;
        return hasPicture;
    }
    bool SetBrightness(long value) override {
        brightness = value;
        log.push_back(Format("brightness %ld", value));
        return true;
    }
    bool GetContrast(long* value, long* maximum, long* minimum) override {
        *value = contrast;
        *maximum = 255;
        *minimum = 0;
        return hasPicture;
    }
    bool SetContrast(long value) override {
        contrast = value;
        log.push_back(Format("contrast %ld", value));
        return true;
    }
    void MuteOutput(bool mute) override {
        outputMuted = mute;
        log.push_back(Format("mute %d", mute ? 1 : 0));
    }
    void ShowOsd(const std::string& text, unsigned delayMs) override {
        osd.push_back(text);
        osdDelays.push_back(delayMs);
        log.push_back("osd " + text);
    }
    void LockPanel(bool scan) override {
        locked = true;
        log.push_back(Format("lock %d", scan ? 1 : 0));
    }
    void UnlockPanel() override {
        locked = false;
        log.push_back("unlock");
    }
    void SetMuteLook(bool muted) override { muteLook = muted; }
    void SetScanButtonLook(bool scan) override { log.push_back(Format("button %d", scan ? 1 : 0)); }
    void SendToPeer(LiveTvPeer peer, unsigned id) override {
        log.push_back(Format("%s %u", peer == LiveTvPeer::Remote ? "remote" : "scheduler", id));
    }
    uint32_t TickCount() const override { return tick; }
    void StartScanTimer() override {
        timerRunning = true;
        log.push_back("timer on");
    }
    void StopScanTimer() override {
        timerRunning = false;
        log.push_back("timer off");
    }

    // n channels "C0".."Cn-1" at 100 MHz + i MHz, all enabled.
    void Fill(int n) {
        list.Clear();
        for (int i = 0; i < n; ++i) {
            ChannelRecord r;
            r.m_strName = Format("C%d", i);
            r.m_nFrequency = 100000000 + i * 1000000;
            r.m_nChannel = i + 1;
            list.Append(r);
        }
        list.SetCurrentIndex(0);
        list.SetPreviousIndex(0);
    }
    void Reset() {
        log.clear();
        osd.clear();
        osdDelays.clear();
        tuned.clear();
    }
    std::string LastOsd() const { return osd.empty() ? "" : osd.back(); }
    bool Logged(const std::string& line) const {
        return std::find(log.begin(), log.end(), line) != log.end();
    }
};

class LiveTvTest : public ::testing::Test {
protected:
    RecordingHost m_host;
    LiveTv m_tv{m_host};
};

// ---- digits -------------------------------------------------------------------------------------

TEST_F(LiveTvTest, DigitSelectsThatChannelAndShowsItsTune) {
    m_host.Fill(5);
    EXPECT_TRUE(m_tv.Command(1096 + 3));
    EXPECT_EQ(m_host.list.CurrentIndex(), 3);
    EXPECT_EQ(m_host.list.PreviousIndex(), 0);
    EXPECT_EQ(m_host.tuned, std::vector<long>{3});
    EXPECT_EQ(m_host.LastOsd(), "[3]C3 Stereo");

    // A digit past the list's end tunes nothing but still shows the current channel.
    m_host.Reset();
    m_tv.Command(1096 + 7);
    EXPECT_TRUE(m_host.tuned.empty());
    EXPECT_EQ(m_host.list.CurrentIndex(), 3);
    EXPECT_EQ(m_host.LastOsd(), "[3]C3 Stereo");

    // A disabled record passes the selection on to the next enabled one.
    m_host.list.SetEnabled(1, 0);
    m_tv.Command(1096 + 1);
    EXPECT_EQ(m_host.list.CurrentIndex(), 2);
}

TEST_F(LiveTvTest, DigitsDoNothingWhereForbidden) {
    m_host.Fill(5);
    struct Case {
        const char* what;
        void (*set)(RecordingHost&);
    } cases[] = {
        {"off the tuner", [](RecordingHost& h) { h.tuner = false; }},
        {"recording", [](RecordingHost& h) { h.recording = true; }},
        {"scanning", [](RecordingHost& h) { h.scanning = true; }},
        {"playback", [](RecordingHost& h) { h.playback = true; }},
        {"empty list", [](RecordingHost& h) { h.list.Clear(); }},
    };
    for (const Case& c : cases) {
        RecordingHost h;
        h.Fill(5);
        c.set(h);
        LiveTv t(h);
        t.Command(1098);
        EXPECT_TRUE(h.log.empty()) << c.what;
        EXPECT_EQ(h.list.CurrentIndex(), 0) << c.what;
    }
}

TEST_F(LiveTvTest, TwoDigitEntryWithinFourSeconds) {
    m_host.Fill(13);
    m_tv.Command(1109);
    EXPECT_TRUE(m_tv.TwoDigitMode());
    EXPECT_EQ(m_host.LastOsd(), "__ __");
    m_host.tick += 1500;
    m_tv.Command(1097);
    EXPECT_EQ(m_host.LastOsd(), "1__");
    EXPECT_EQ(m_tv.PendingTens(), 1);
    EXPECT_TRUE(m_host.tuned.empty());
    m_host.tick += 2400; // 3900 ms after switching on
    m_tv.Command(1098);
    EXPECT_EQ(m_host.list.CurrentIndex(), 12);
    EXPECT_EQ(m_host.tuned, std::vector<long>{12});
    EXPECT_EQ(m_host.LastOsd(), "[12]C12");
    EXPECT_FALSE(m_tv.TwoDigitMode());

    // With twelve channels index 12 does not exist.
    RecordingHost small;
    small.Fill(12);
    LiveTv t(small);
    t.Command(1109);
    t.Command(1097);
    t.Command(1098);
    EXPECT_EQ(small.LastOsd(), "No current channel");
    EXPECT_TRUE(small.tuned.empty());
    EXPECT_FALSE(t.TwoDigitMode());
    small.chinese = true;
    small.list.Clear();
    EXPECT_NE(t.NoChannelText(), "No current channel");
    EXPECT_EQ(t.CurrentTuneText(), t.NoChannelText());
}

TEST_F(LiveTvTest, TwoDigitEntryExpiresAfterFourSeconds) {
    m_host.Fill(13);
    m_tv.Command(1109);
    m_host.tick += 5000;
    m_tv.Command(1096 + 4);
    EXPECT_FALSE(m_tv.TwoDigitMode());
    EXPECT_EQ(m_host.list.CurrentIndex(), 4);
    EXPECT_EQ(m_host.LastOsd(), "[4]C4 Stereo");

    // Expiry also throws away a pending tens digit.
    m_tv.Command(1109);
    m_tv.Command(1097);
    m_host.tick += 4001;
    m_tv.Command(1098);
    EXPECT_EQ(m_host.list.CurrentIndex(), 2);
    EXPECT_EQ(m_tv.PendingTens(), -1);

    // Exactly 4000 ms still counts as within the time; the tick counter may wrap meanwhile.
    m_host.tick = 0xFFFFF000u;
    m_tv.Command(1109);
    m_tv.Command(1097);
    m_host.tick = 0xFFFFF000u + 4000u; // wraps past zero
    m_tv.Command(1096);
    EXPECT_EQ(m_host.list.CurrentIndex(), 10);
}

TEST_F(LiveTvTest, TwoDigitToggleRules) {
    m_host.Fill(13);
    m_tv.Command(1109);
    m_tv.Command(1097);
    m_tv.Command(1109); // off: the pending digit goes
    EXPECT_FALSE(m_tv.TwoDigitMode());
    EXPECT_EQ(m_tv.PendingTens(), -1);
    EXPECT_EQ(m_host.LastOsd(), "__ __");
    m_tv.Command(1098);
    EXPECT_EQ(m_host.list.CurrentIndex(), 2);

    for (int which = 0; which < 3; ++which) {
        RecordingHost h;
        h.Fill(13);
        if (which == 0)
            h.recording = true;
        else if (which == 1)
            h.scanning = true;
        else
            h.sourceIndex = 0;
        LiveTv t(h);
        t.Command(1109);
        EXPECT_FALSE(t.TwoDigitMode()) << which;
        EXPECT_TRUE(h.osd.empty()) << which;
    }
}

// ---- previous, up and down ----------------------------------------------------------------------

TEST_F(LiveTvTest, PreviousChannelSwapsCurrentAndPrevious) {
    m_host.Fill(6);
    m_tv.Command(1096 + 2);
    m_tv.Command(1096 + 5);
    EXPECT_EQ(m_host.list.PreviousIndex(), 2);
    m_tv.Command(1106);
    EXPECT_EQ(m_host.list.CurrentIndex(), 2);
    EXPECT_EQ(m_host.list.PreviousIndex(), 5);
    EXPECT_EQ(m_host.LastOsd(), "[2]C2");
    m_tv.Command(1106);
    EXPECT_EQ(m_host.list.CurrentIndex(), 5);

    m_host.list.Clear();
    m_host.Reset();
    m_tv.Command(1106);
    EXPECT_EQ(m_host.LastOsd(), "No current channel");
    EXPECT_TRUE(m_host.tuned.empty());

    m_host.Fill(6);
    m_host.Reset();
    m_host.sourceIndex = 2;
    m_tv.Command(1106);
    m_host.sourceIndex = 1;
    m_host.preview = false;
    m_tv.Command(1106);
    m_host.preview = true;
    m_host.scanning = true;
    m_tv.Command(1106);
    EXPECT_TRUE(m_host.log.empty());
}

TEST_F(LiveTvTest, ChannelUpWrapsToFirstEnabledAndKeepsPrevious) {
    m_host.Fill(5);
    m_host.list.SetEnabled(0, 0);
    m_host.list.SetCurrentIndex(4);
    m_host.list.SetPreviousIndex(3);
    m_tv.Command(1108);
    EXPECT_EQ(m_host.list.CurrentIndex(), 1);
    EXPECT_EQ(m_host.list.PreviousIndex(), 3);
    EXPECT_EQ(m_host.tuned, std::vector<long>{1});
    EXPECT_EQ(m_host.LastOsd(), "[1]C1 Stereo");

    m_host.list.SetEnabled(2, 0);
    m_host.list.SetEnabled(3, 0);
    m_tv.Command(1108);
    EXPECT_EQ(m_host.list.CurrentIndex(), 4);
    m_tv.Command(1108); // past the end: the search starts again at 0, which is off
    EXPECT_EQ(m_host.list.CurrentIndex(), 1);
}

TEST_F(LiveTvTest, ChannelDownWrapsToLastEnabled) {
    m_host.Fill(5);
    m_host.list.SetEnabled(4, 0);
    m_tv.Command(1107); // from 0: the last enabled one
    EXPECT_EQ(m_host.list.CurrentIndex(), 3);
    m_tv.Command(1107);
    EXPECT_EQ(m_host.list.CurrentIndex(), 2);
    EXPECT_EQ(m_host.list.PreviousIndex(), 0);
    EXPECT_EQ(m_host.tuned, (std::vector<long>{3, 2}));
}

TEST_F(LiveTvTest, AllChannelsDisabledTunesNothing) {
    m_host.Fill(4);
    m_host.list.SetCurrentIndex(2);
    for (long i = 0; i < 4; ++i)
        m_host.list.SetEnabled(i, 0);
    m_tv.Command(1108);
    m_tv.Command(1107);
    EXPECT_TRUE(m_host.tuned.empty());
    EXPECT_EQ(m_host.list.CurrentIndex(), 2);
    EXPECT_EQ(m_host.osd, (std::vector<std::string>{"[2]C2 Stereo", "[2]C2 Stereo"}));
}

TEST_F(LiveTvTest, ZappingForbiddenStates) {
    for (int which = 0; which < 5; ++which) {
        RecordingHost h;
        h.Fill(4);
        switch (which) {
        case 0:
            h.preview = false;
            break;
        case 1:
            h.recording = true;
            break;
        case 2:
            h.scanning = true;
            break;
        case 3:
            h.wall = true;
            break;
        default:
            h.tuner = false;
            break;
        }
        LiveTv t(h);
        t.Command(1108);
        t.Command(1107);
        EXPECT_TRUE(h.log.empty()) << which;
    }
}

TEST_F(LiveTvTest, CurrentTuneTextFollowsTheCardsAudioRule) {
    m_host.Fill(3);
    m_host.list.SetAudioMode(0, 1);
    m_host.cardType = 2;
    EXPECT_EQ(m_tv.CurrentTuneText(), "[0]C0 Mono");
    m_host.cardType = 4; // always stereo
    EXPECT_EQ(m_tv.CurrentTuneText(), "[0]C0 Stereo");
    m_host.list.SetAudioMode(0, 0);
    m_host.cardType = 1; // always mono
    EXPECT_EQ(m_tv.CurrentTuneText(), "[0]C0 Mono");
    m_tv.Command(1205);
    EXPECT_EQ(m_host.LastOsd(), "[0]C0 Mono");
}

// ---- fine tuning --------------------------------------------------------------------------------

TEST_F(LiveTvTest, FineTuningStoresTheNewFrequency) {
    m_host.Fill(3);
    m_tv.Command(1096 + 1);
    m_host.Reset();
    m_tv.Command(1089);
    EXPECT_EQ(m_host.osd, std::vector<std::string>{"Freq+"});
    EXPECT_TRUE(m_host.Logged("freq 101050000 1"));
    EXPECT_EQ(m_host.list.Frequency(1), 101050000);

    m_host.freqSpace = 62500; // read again at every use
    m_tv.Command(1090);
    m_tv.Command(1090);
    EXPECT_EQ(m_host.LastOsd(), "Freq-");
    EXPECT_EQ(m_host.list.Frequency(1), 101050000 - 125000);
    EXPECT_EQ(m_host.list.Frequency(0), 100000000);
}

TEST_F(LiveTvTest, FineTuningStaysInTheTunersRange) {
    m_host.Fill(1);
    m_host.list.SetFrequency(0, 870000000 - 10000);
    m_tv.Command(1089);
    EXPECT_EQ(m_host.list.Frequency(0), 870000000 - 10000);
    m_host.rangeKnown = false;
    m_tv.Command(1089);
    EXPECT_EQ(m_host.list.Frequency(0), 870040000);
    m_host.list.SetFrequency(0, 30000);
    m_tv.Command(1090);
    EXPECT_EQ(m_host.list.Frequency(0), 30000);

    for (int which = 0; which < 4; ++which) {
        RecordingHost h;
        h.Fill(2);
        switch (which) {
        case 0:
            h.wall = true;
            break;
        case 1:
            h.scanning = true;
            break;
        case 2:
            h.recording = true;
            break;
        default:
            h.tuner = false;
            break;
        }
        LiveTv t(h);
        t.Command(1089);
        EXPECT_TRUE(h.log.empty()) << which;
        EXPECT_EQ(h.list.Frequency(0), 100000000) << which;
    }
}

// ---- inputs -------------------------------------------------------------------------------------

TEST_F(LiveTvTest, VideoSourceCyclesWithNames) {
    m_host.sourceIndex = 0;
    std::vector<long> seen;
    for (int i = 0; i < 3; ++i) {
        m_tv.Command(1112);
        seen.push_back(m_host.sourceIndex);
    }
    EXPECT_EQ(seen, (std::vector<long>{1, 2, 0}));
    EXPECT_EQ(m_host.osd, (std::vector<std::string>{"Video Tuner", "Video SVideo", "Video Composite"}));
    EXPECT_TRUE(m_host.Logged("source 2"));

    m_host.Reset();
    m_tv.Command(1120);
    EXPECT_EQ(m_host.log, (std::vector<std::string>{"osd Video Composite", "source 0"}));

    // A card with two inputs goes back and forth between them.
    m_host.sourceNames.pop_back();
    m_host.sourceIndex = 1;
    m_tv.Command(1112);
    EXPECT_EQ(m_host.sourceIndex, 0);
    m_tv.Command(1112);
    EXPECT_EQ(m_host.sourceIndex, 1);

    m_host.Reset();
    m_host.wall = true;
    m_tv.Command(1112);
    m_tv.Command(1120);
    m_host.wall = false;
    m_host.playback = true;
    m_tv.Command(1112);
    EXPECT_TRUE(m_host.log.empty());
}

TEST_F(LiveTvTest, SourceByName) {
    EXPECT_EQ(m_tv.SourceIndexByName("Tuner"), 1);
    EXPECT_EQ(m_tv.SourceIndexByName("SVideo"), 2);
    EXPECT_EQ(m_tv.SourceIndexByName("Composite"), 0);
    m_host.sourceNames = {"Video Tuner", "Video Composite"};
    EXPECT_EQ(m_tv.SourceIndexByName("Composite"), 1);
    EXPECT_EQ(m_tv.SourceIndexByName("SVideo"), 0);
}

// ---- sound and picture --------------------------------------------------------------------------

TEST_F(LiveTvTest, MuteToggles) {
    m_tv.Command(406);
    EXPECT_TRUE(m_host.outputMuted);
    EXPECT_TRUE(m_host.muteLook);
    EXPECT_EQ(m_host.LastOsd(), "Mute");
    m_tv.Command(406);
    EXPECT_FALSE(m_host.outputMuted);
    EXPECT_FALSE(m_host.muteLook);
    EXPECT_EQ(m_host.LastOsd(), "Unmute");
    m_host.playback = true;
    m_host.Reset();
    m_tv.Command(406);
    EXPECT_TRUE(m_host.log.empty());
}

TEST_F(LiveTvTest, BrightnessClampsAndShowsPercent) {
    m_host.brightness = 250;
    m_tv.Command(1083);
    EXPECT_EQ(m_host.brightness, 255);
    EXPECT_EQ(m_host.LastOsd(), "Brightness:100");
    m_tv.Command(1083);
    EXPECT_EQ(m_host.brightness, 255);
    m_tv.Command(1084);
    EXPECT_EQ(m_host.brightness, 240);
    EXPECT_EQ(m_host.LastOsd(), "Brightness:94");
    m_host.brightness = 10;
    m_tv.Command(1084);
    EXPECT_EQ(m_host.brightness, 0);
    EXPECT_EQ(m_host.LastOsd(), "Brightness:0");

    m_host.Reset();
    m_host.hasPicture = false;
    m_tv.Command(1083);
    EXPECT_TRUE(m_host.log.empty());
}

TEST_F(LiveTvTest, ChineseModeShowsTheChineseTwinsOfTheOsdTexts) {
    m_host.chinese = true;
    m_host.Fill(2);
    m_tv.Command(406);
    EXPECT_EQ(m_host.LastOsd(), "静音");
    m_tv.Command(406);
    EXPECT_EQ(m_host.LastOsd(), "取消静音");
    m_tv.Command(1089);
    EXPECT_EQ(m_host.LastOsd(), "微调+");
    m_tv.Command(1090);
    EXPECT_EQ(m_host.LastOsd(), "微调-");
    m_host.brightness = 250;
    m_tv.Command(1083);
    EXPECT_EQ(m_host.LastOsd(), "亮度:100");
    m_host.cardType = 4;
    EXPECT_EQ(m_tv.CurrentTuneText(), "[0]C0 立体声");
    m_host.cardType = 1;
    EXPECT_EQ(m_tv.CurrentTuneText(), "[0]C0 双声道");
    m_host.table = {{48250000, true}, {55250000, false}};
    m_tv.Command(405);
    m_tv.Command(405);
    EXPECT_EQ(m_host.LastOsd(), "已搜到 1");
}

TEST_F(LiveTvTest, ContrastStepsByEightBothWays) {
    m_tv.Command(1085);
    EXPECT_EQ(m_host.contrast, 136);
    m_tv.Command(1086);
    m_tv.Command(1086);
    EXPECT_EQ(m_host.contrast, 120);
    EXPECT_TRUE(m_host.osd.empty());
}

// ---- automatic scan -----------------------------------------------------------------------------

TEST_F(LiveTvTest, ScanRunsToItsEnd) {
    m_host.Fill(3);
    m_host.list.SetCurrentIndex(2);
    m_host.table = {{48250000, false}, {55250000, true}, {62250000, false}, {175250000, true}};
    m_tv.Command(405);
    EXPECT_TRUE(m_host.scanning);
    EXPECT_TRUE(m_host.timerRunning);
    EXPECT_TRUE(m_host.locked);
    EXPECT_TRUE(m_host.outputMuted);
    EXPECT_EQ(m_tv.ScanCounter(), 1);
    EXPECT_EQ(m_host.log.front(), "remote 5557");
    EXPECT_EQ(m_host.log.back(), "scheduler 2149");
    EXPECT_TRUE(m_host.Logged("button 1"));
    EXPECT_TRUE(m_host.Logged("lock 1"));

    for (int i = 0; i < 3; ++i)
        m_tv.ScanTick();
    EXPECT_TRUE(m_host.scanning);
    EXPECT_EQ(m_host.osd, (std::vector<std::string>{"2", "3", "4"}));
    m_tv.ScanTick(); // past the table
    EXPECT_FALSE(m_host.scanning);
    EXPECT_FALSE(m_host.timerRunning);
    EXPECT_FALSE(m_host.locked);
    EXPECT_FALSE(m_host.outputMuted);
    EXPECT_EQ(m_tv.ScanCounter(), 0);
    ASSERT_EQ(m_host.list.Count(), 2);
    EXPECT_EQ(m_host.list.Frequency(0), 55250000);
    EXPECT_EQ(m_host.list.Frequency(1), 175250000);
    EXPECT_EQ(m_host.list.Number(1), 3);
    EXPECT_EQ(m_host.list.CurrentIndex(), 0);
    EXPECT_EQ(m_host.tuned.back(), 0);
    EXPECT_EQ(m_host.LastOsd(), "scanned 2");
    EXPECT_EQ(m_host.osdDelays.back(), 0u);
    const std::vector<std::string> tail(m_host.log.end() - 2, m_host.log.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"remote 5558", "scheduler 2150"}));

    // A late tick does nothing but stop the timer.
    m_host.Reset();
    m_tv.ScanTick();
    EXPECT_EQ(m_host.log, std::vector<std::string>{"timer off"});
}

TEST_F(LiveTvTest, AnOutputMutedBeforeTheStartStaysMutedUntilTheFirstMute) {
    m_tv.TakeOverMute(1);
    EXPECT_TRUE(m_host.muteLook);
    EXPECT_FALSE(m_host.Logged("mute 0"));
    // A scan's end leaves the sound off.
    m_host.Fill(1);
    m_host.table = {{48250000, true}};
    m_tv.Command(405);
    m_tv.ScanTick();
    m_tv.ScanTick();
    EXPECT_FALSE(m_host.scanning);
    EXPECT_TRUE(m_host.outputMuted);
    // The first Mute unmutes.
    m_tv.Command(406);
    EXPECT_FALSE(m_host.outputMuted);
    EXPECT_FALSE(m_host.muteLook);
    EXPECT_EQ(m_host.LastOsd(), "Unmute");
    // Unknown is not muted: the first Mute mutes.
    m_tv.TakeOverMute(-1);
    EXPECT_FALSE(m_host.muteLook);
    m_tv.Command(406);
    EXPECT_TRUE(m_host.outputMuted);
}

TEST_F(LiveTvTest, ScanStoppedHalfWay) {
    m_host.Fill(3);
    m_host.table = {{48250000, true}, {55250000, true}, {62250000, true}, {175250000, true}};
    m_tv.Command(406); // the user's own mute survives the scan
    m_tv.Command(405);
    m_tv.ScanTick();
    m_host.Reset();
    m_tv.Command(405);
    EXPECT_FALSE(m_host.scanning);
    EXPECT_FALSE(m_host.timerRunning);
    EXPECT_FALSE(m_host.locked);
    EXPECT_TRUE(m_host.outputMuted);
    EXPECT_TRUE(m_host.Logged("scan 1"));
    EXPECT_EQ(m_host.scanPosition, 0);
    EXPECT_EQ(m_host.list.Count(), 2);
    EXPECT_EQ(m_host.LastOsd(), "scanned 2");
    EXPECT_EQ(m_host.osdDelays.back(), 20u);
    EXPECT_TRUE(m_host.Logged("remote 5558"));
    EXPECT_TRUE(m_host.Logged("scheduler 2150"));

    // The next scan starts at the top of the table again.
    m_tv.Command(405);
    EXPECT_EQ(m_host.list.Count(), 1);
    EXPECT_EQ(m_host.list.Frequency(0), 48250000);
}

TEST_F(LiveTvTest, ScanForbiddenStates) {
    for (int which = 0; which < 4; ++which) {
        RecordingHost h;
        h.Fill(2);
        h.table = {{48250000, true}};
        switch (which) {
        case 0:
            h.playback = true;
            break;
        case 1:
            h.recording = true;
            break;
        case 2:
            h.wall = true;
            break;
        default:
            h.tuner = false;
            break;
        }
        LiveTv t(h);
        t.Command(405);
        EXPECT_TRUE(h.log.empty()) << which;
        EXPECT_FALSE(h.scanning) << which;
    }
}

TEST_F(LiveTvTest, ScanWithEmptyTableEndsAtFirstTick) {
    m_host.Fill(2);
    m_tv.Command(405);
    m_tv.ScanTick();
    EXPECT_FALSE(m_host.scanning);
    EXPECT_EQ(m_host.LastOsd(), "scanned 2"); // nothing walked, nothing thrown away
    EXPECT_FALSE(m_tv.Command(1111));
}

} // namespace
