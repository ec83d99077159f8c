// The live-TV controller's host inside the program: the control panel's flags, the engine of
// the current card, the master volume, the panel's looks and the peer windows.
#pragma once

#include <windows.h>

#include <string>

#include "framework/recording_report.h"
#include "tv/live_tv.h"

namespace tunaro {

class CControlPanel;
struct PanelState;

// Title of the remote agent's window in each language mode.
constexpr const char* kRemoteTitle = "Remote";
constexpr const char* kRemoteTitleChinese = "遥控";
constexpr const char* kSchedulerTitle = "Schedule";

// Tells the scheduler's window (when it runs) a command id; returns once it is handled.
void SendToScheduler(UINT id);
// Tells the scheduler what a stopped recording holds (peer::kScheduleCopyDataRecorded).
void ReportRecordingToScheduler(const tunaro::RecordingReport& report);

class PanelLiveTvHost : public LiveTvHost {
public:
    PanelLiveTvHost(CControlPanel& panel, PanelState& state) : m_panel(panel), m_state(state) {}

    bool PreviewOn() const override;
    bool Recording() const override;
    bool PlaybackOpen() const override;
    bool TvWallShown() const override;
    bool Scanning() const override;
    void SetScanning(bool scanning) override;
    bool ChineseMode() const override;
    long CardType() const override;
    ChannelList& Channels() override;
    long VideoSourceIndex() const override;
    void SetVideoSourceIndex(long index) override;
    long FreqSpace() const override;
    bool IsTunerInput() override;
    int SetVideoSource(int index) override;
    bool GetSourceName(int index, std::string* name) override;
    int SetCurrentChannel(long index) override;
    int SetFrequency(long frequency, long index) override;
    bool GetFrequencyRange(long* maximum, long* minimum) override;
    int AutoScanTune(int reset) override;
    bool GetBrightness(long* value, long* maximum, long* minimum) override;
    bool SetBrightness(long value) override;
    bool GetContrast(long* value, long* maximum, long* minimum) override;
    bool SetContrast(long value) override;
    void MuteOutput(bool mute) override;
    void ShowOsd(const std::string& text, unsigned delayMs) override;
    void LockPanel(bool scanning) override;
    void UnlockPanel() override;
    void SetMuteLook(bool muted) override;
    void SetScanButtonLook(bool scanning) override;
    void SendToPeer(LiveTvPeer peer, unsigned commandId) override;
    uint32_t TickCount() const override;
    void StartScanTimer() override;
    void StopScanTimer() override;

private:
    CControlPanel& m_panel; // the engine, the volume and the looks
    PanelState& m_state;
    std::string m_strScanCaption; // the Auto Scan button's own caption while "Finish" shows
};

} // namespace tunaro
