// What the control panel's viewer watches and hears: scan, mute, picture, fine tuning,
// channel keys and video source, over the engine of the current card.
#include "tv/app/control_panel.h"

#include "res/tunaro/resource.h"
#include "tv/app/tunaro_app.h"
#include "framework/peer_messages.h"
#include "tv/profile_ini.h"

namespace tunaro {

// ---- the host of the live-TV controller ---------------------------------------------------------

bool PanelLiveTvHost::PreviewOn() const {
    return m_state.previewOn;
}
bool PanelLiveTvHost::Recording() const {
    return m_state.recording;
}
bool PanelLiveTvHost::PlaybackOpen() const {
    return m_state.playbackState != -1;
}
bool PanelLiveTvHost::TvWallShown() const {
    return m_state.tvWall;
}
bool PanelLiveTvHost::Scanning() const {
    return m_state.scanning;
}
void PanelLiveTvHost::SetScanning(bool scanning) {
    m_state.scanning = scanning;
}
bool PanelLiveTvHost::ChineseMode() const {
    return Globals().Chinese();
}
long PanelLiveTvHost::CardType() const {
    return Globals().CardType();
}
ChannelList& PanelLiveTvHost::Channels() {
    return m_state.channels;
}
long PanelLiveTvHost::VideoSourceIndex() const {
    return m_state.settings.lVideoSource;
}
void PanelLiveTvHost::SetVideoSourceIndex(long index) {
    m_state.settings.lVideoSource = index;
}

long PanelLiveTvHost::FreqSpace() const {
    return ReadFreqSpace(ProfileIni(Globals().paths.strTunaroIni));
}

bool PanelLiveTvHost::IsTunerInput() {
    CaptureEngine* engine = m_panel.Engine();
    return engine && engine->IsTunerInput();
}

int PanelLiveTvHost::SetVideoSource(int index) {
    CaptureEngine* engine = m_panel.Engine();
    return engine ? engine->SetVideoSource(index) : 0;
}

bool PanelLiveTvHost::GetSourceName(int index, std::string* name) {
    CaptureEngine* engine = m_panel.Engine();
    char buffer[kSourceNameMax + 1] = {0};
    if (!engine || !engine->GetSourceName(index, buffer, kSourceNameMax))
        return false;
    *name = buffer;
    return true;
}

int PanelLiveTvHost::SetCurrentChannel(long index) {
    CaptureEngine* engine = m_panel.Engine();
    return engine ? engine->SetCurrentChannel(static_cast<int>(index)) : 0;
}

int PanelLiveTvHost::SetFrequency(long frequency, long index) {
    CaptureEngine* engine = m_panel.Engine();
    return engine ? engine->SetFrequency(frequency, static_cast<int>(index)) : 0;
}

bool PanelLiveTvHost::GetFrequencyRange(long* maximum, long* minimum) {
    CaptureEngine* engine = m_panel.Engine();
    return engine && engine->GetFrequencyRange(maximum, minimum) == 1;
}

int PanelLiveTvHost::AutoScanTune(int reset) {
    CaptureEngine* engine = m_panel.Engine();
    return engine ? engine->AutoScanTune(reset) : -1;
}

bool PanelLiveTvHost::GetBrightness(long* value, long* maximum, long* minimum) {
    CaptureEngine* engine = m_panel.Engine();
    long def = 0;
    return engine && engine->GetBrightNess(value, maximum, minimum, &def) == 1;
}

bool PanelLiveTvHost::SetBrightness(long value) {
    CaptureEngine* engine = m_panel.Engine();
    return engine && engine->SetBrightNess(value) == 1;
}

bool PanelLiveTvHost::GetContrast(long* value, long* maximum, long* minimum) {
    CaptureEngine* engine = m_panel.Engine();
    long def = 0;
    return engine && engine->GetContrast(value, maximum, minimum, &def) == 1;
}

bool PanelLiveTvHost::SetContrast(long value) {
    CaptureEngine* engine = m_panel.Engine();
    return engine && engine->SetContrast(value) == 1;
}

void PanelLiveTvHost::MuteOutput(bool mute) {
    if (!m_panel.Volume())
        return;
    if (mute)
        m_panel.Volume()->Mute();
    else
        m_panel.Volume()->Unmute();
}

void PanelLiveTvHost::ShowOsd(const std::string& text, unsigned delayMs) {
    m_panel.ShowOsd(text, delayMs);
}
void PanelLiveTvHost::LockPanel(bool scanning) {
    m_panel.LockPanel(scanning);
}
void PanelLiveTvHost::UnlockPanel() {
    m_panel.UnlockPanel();
}
void PanelLiveTvHost::SetMuteLook(bool muted) {
    m_panel.SetMuteLook(muted);
}

void PanelLiveTvHost::SetScanButtonLook(bool scanning) {
    HWND button = GetDlgItem(m_panel.GetHwnd(), IDC_AUTOSCAN);
    if (!button)
        return;
    if (scanning) {
        char caption[128] = {0};
        GetWindowTextA(button, caption, sizeof caption);
        m_strScanCaption = caption;
        SetWindowTextA(button, Globals().Text("Finish", "结束"));
    } else {
        SetWindowTextA(button, m_strScanCaption.c_str());
    }
}

void SendToScheduler(UINT id) {
    if (HWND schedule = FindWindowA(nullptr, kSchedulerTitle))
        SendMessageA(schedule, WM_COMMAND, id, 0);
}

void ReportRecordingToScheduler(const tunaro::RecordingReport& report) {
    HWND schedule = FindWindowA(nullptr, kSchedulerTitle);
    if (!schedule)
        return;
    const std::string text = tunaro::EncodeRecordingReport(report);
    COPYDATASTRUCT data = {};
    data.dwData = 0;
    data.cbData = static_cast<DWORD>(text.size());
    data.lpData = const_cast<char*>(text.c_str());
    SendMessageA(schedule, WM_COPYDATA, static_cast<WPARAM>(tunaro::peer::kScheduleCopyDataRecorded),
                 reinterpret_cast<LPARAM>(&data));
}

void PanelLiveTvHost::SendToPeer(tunaro::LiveTvPeer peer, unsigned commandId) {
    const char* title = peer == tunaro::LiveTvPeer::Remote ? Globals().Text(kRemoteTitle, kRemoteTitleChinese)
                                                           : kSchedulerTitle;
    if (HWND window = FindWindowA(nullptr, title))
        SendMessageA(window, WM_COMMAND, commandId, 0);
}

uint32_t PanelLiveTvHost::TickCount() const {
    return GetTickCount();
}
void PanelLiveTvHost::StartScanTimer() {
    SetTimer(m_panel.GetHwnd(), TIMER_SCAN, kScanTimerMs, nullptr);
}
void PanelLiveTvHost::StopScanTimer() {
    KillTimer(m_panel.GetHwnd(), TIMER_SCAN);
}

// ---- the panel's commands ---------------------------------------------------------------------

// The panel's buttons and accelerators send the very ids the controller dispatches on.
static_assert(IDC_AUTOSCAN == kCmdAutoScan && IDC_MUTE == kCmdMute && IDC_BRIGHTNESS_UP == kCmdBrightnessUp &&
                  IDC_BRIGHTNESS_DOWN == kCmdBrightnessDown && IDC_CONTRAST_UP == kCmdContrastUp &&
                  IDC_CONTRAST_DOWN == kCmdContrastDown && IDC_FREQ_UP == kCmdFreqUp &&
                  IDC_FREQ_DOWN == kCmdFreqDown && IDC_DIGIT_0 == kCmdDigit0 && IDC_DIGIT_9 == kCmdDigit9 &&
                  IDC_PREVIOUS_CHANNEL == kCmdPreviousChannel && IDC_CHANNEL_DOWN == kCmdChannelDown &&
                  IDC_CHANNEL_UP == kCmdChannelUp && IDC_TWO_DIGIT == kCmdTwoDigit &&
                  IDC_VIDEO_SOURCE == kCmdVideoSource && IDC_AV == kCmdAv &&
                  IDC_CURRENT_TUNE == kCmdCurrentTune,
              "panel command ids and live-TV command ids must agree");

void CControlPanel::OnLiveTvCommand(UINT id) {
    if (PanelTimeShift::EndsShift(id))
        m_timeShift.ReturnToLive();
    m_liveTv.Command(id);
}

void CControlPanel::OnPlayerKey(UINT id) {
    if (!m_timeShift.OnPlayerKey(id))
        m_recording.OnPlayback(id);
}
void CControlPanel::OnScanTimer() {
    m_liveTv.ScanTick();
    m_state.scanCount = m_liveTv.ScanCounter();
}

} // namespace tunaro
