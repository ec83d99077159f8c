// What is watched and heard: channel by digits, up/down and previous, fine tuning, inputs, mute,
// picture keys with their on-screen texts, and the automatic scan run from the control panel.
#pragma once

#include <cstdint>
#include <string>

#include "framework/peer_messages.h"
#include "tv/channel_list.h"

namespace tunaro {

// Command ids the live-TV controller answers (the control panel's command table).
enum LiveTvCommand : unsigned {
    kCmdAutoScan = 405,
    kCmdMute = 406,
    kCmdBrightnessUp = 1083,
    kCmdBrightnessDown = 1084,
    kCmdContrastUp = 1085,
    kCmdContrastDown = 1086,
    kCmdFreqUp = 1089,
    kCmdFreqDown = 1090,
    kCmdDigit0 = 1096,
    kCmdDigit9 = 1105,
    kCmdPreviousChannel = 1106,
    kCmdChannelDown = 1107,
    kCmdChannelUp = 1108,
    kCmdTwoDigit = 1109,
    kCmdVideoSource = 1112,
    kCmdAv = 1120,
    kCmdCurrentTune = 1205,
};

// The automatic scan's step timer (id and period).
constexpr unsigned kScanTimerId = 10;
constexpr unsigned kScanTimerMs = 1000;
// The delay before a key's on-screen text shows, and before "scanned N" after a stopped scan.
constexpr unsigned kOsdDelayMs = 40;
constexpr unsigned kScanStoppedOsdDelayMs = 20;
// How long the two-digit entry waits for its digits.
constexpr uint32_t kTwoDigitTimeoutMs = 4000;
// Brightness and contrast steps of the picture keys (picture values run 0..255).
constexpr long kBrightnessStep = 15;
constexpr long kContrastStep = 8;
// The inputs the video-source key cycles through.
constexpr int kVideoSourceSlots = 3;
// Longest input name shown.
constexpr int kSourceNameMax = 260;

enum class LiveTvPeer { Remote, Scheduler };

// Everything the controller needs from the program around it. The control panel implements it
// over the capture engine, the master volume and its own windows; tests implement it in memory.
class LiveTvHost {
public:
    virtual ~LiveTvHost() = default;

    // ---- panel state ----
    virtual bool PreviewOn() const = 0;
    virtual bool Recording() const = 0;
    virtual bool PlaybackOpen() const = 0;
    virtual bool TvWallShown() const = 0;
    virtual bool Scanning() const = 0;
    virtual void SetScanning(bool scanning) = 0;
    virtual bool ChineseMode() const = 0;
    // Card family (for the effective audio mode of a channel).
    virtual long CardType() const = 0;

    // ---- channel list and settings ----
    virtual ChannelList& Channels() = 0;
    // The video source index kept in the settings (position in the card's input list).
    virtual long VideoSourceIndex() const = 0;
    virtual void SetVideoSourceIndex(long index) = 0;
    // Hz per fine-tuning step, read afresh at every use.
    virtual long FreqSpace() const = 0;

    // ---- engine ----
    virtual bool IsTunerInput() = 0;
    virtual int SetVideoSource(int index) = 0;
    // False when the card has no input at index.
    virtual bool GetSourceName(int index, std::string* name) = 0;
    virtual int SetCurrentChannel(long index) = 0;
    virtual int SetFrequency(long frequency, long index) = 0;
    // The tuner's frequency range in Hz; false when the tuner cannot tell.
    virtual bool GetFrequencyRange(long* maximum, long* minimum) = 0;
    // One scan step (reset 1: stop); -1 finished, 1 nothing found, 3 channel added.
    virtual int AutoScanTune(int reset) = 0;
    // Picture values in the 0..255 scale; false when the card has no such control.
    virtual bool GetBrightness(long* value, long* maximum, long* minimum) = 0;
    virtual bool SetBrightness(long value) = 0;
    virtual bool GetContrast(long* value, long* maximum, long* minimum) = 0;
    virtual bool SetContrast(long value) = 0;

    // ---- sound, screen, peers, time ----
    // Mutes or unmutes the output through the master volume.
    virtual void MuteOutput(bool mute) = 0;
    virtual void ShowOsd(const std::string& text, unsigned delayMs) = 0;
    virtual void LockPanel(bool scanning) = 0;
    virtual void UnlockPanel() = 0;
    virtual void SetMuteLook(bool muted) = 0;
    // The Auto Scan button shows "Finish" while a scan runs.
    virtual void SetScanButtonLook(bool scanning) = 0;
    // Sends a command to the peer's window when it exists at this moment; dropped otherwise.
    virtual void SendToPeer(LiveTvPeer peer, unsigned commandId) = 0;
    virtual uint32_t TickCount() const = 0;
    virtual void StartScanTimer() = 0;
    virtual void StopScanTimer() = 0;
};

// The live-TV commands of the control panel. Each command checks the panel's state first and
// does nothing when the state forbids it.
class LiveTv {
public:
    explicit LiveTv(LiveTvHost& host) : m_host(host) {}
    LiveTv(const LiveTv&) = delete;
    LiveTv& operator=(const LiveTv&) = delete;

    // Runs the command with this id; false when the id is not a live-TV command.
    bool Command(unsigned id);

    void Digit(int digit);
    void TwoDigitEntry();
    void PreviousChannel();
    void ChannelUp();
    void ChannelDown();
    void CurrentTune();
    void FineTune(bool up);
    void NextVideoSource();
    void ReapplyVideoSource();
    void ToggleMute();
    void Brightness(bool up);
    void Contrast(bool up);

    // Start or stop the automatic scan (the Auto Scan button), and one step of it (its timer).
    void AutoScan();
    void ScanTick();

    // The input whose name holds pattern ("Tuner", "Composite", "SVideo") among the first
    // three; 0 when none does.
    int SourceIndexByName(const char* pattern);

    // "[index]name Stereo" / "... Mono" for the current channel, or the no-channel text.
    std::string CurrentTuneText() const;
    std::string NoChannelText() const;

    bool TwoDigitMode() const { return m_boTwoDigit; }
    // The pending tens digit of a two-digit entry, -1 when none.
    int PendingTens() const { return m_nPendingTens; }
    bool Muted() const { return m_boMuted; }
    // Takes over the output's mute state found at start-up (the mixer's: 1 muted, 0 not, -1
    // unknown, taken as not muted), look included: a system muted before the start stays
    // muted, its first Mute unmutes and a scan's end leaves the sound off.
    void TakeOverMute(long muteState) {
        m_boMuted = muteState == 1;
        m_host.SetMuteLook(m_boMuted);
    }
    long ScanCounter() const { return m_lScanCounter; }

private:
    bool DigitsAllowed();
    bool ZappingAllowed();
    bool FineTuneAllowed();
    bool SourceKeysAllowed() const;
    void ExpireTwoDigit();
    void SelectIndex(long index);
    void TuneTo(long index);
    std::string IndexNameText() const;
    void StartScan();
    void EndScan(bool finished);

    LiveTvHost& m_host;
    bool m_boTwoDigit = false;
    uint32_t m_dwTwoDigitStart = 0;
    int m_nPendingTens = -1;
    bool m_boMuted = false;
    long m_lScanCounter = 0;
};

} // namespace tunaro
