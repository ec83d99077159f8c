// The FM window's recording and its timed-recording list.
#include "fm/app/fm_recording.h"

#include <cstdint>

#include "fm/app/fm_app.h"
#include "fm/app/fm_settings.h"
#include "fm/app/fm_state.h"
#include "fm/app/fm_window.h"
#include "fm/fm_rules.h"
#include "framework/debug_print.h"
#include "res/fm/resource.h"

namespace tunaro {

namespace {

constexpr UINT kSecond = 1000;

std::int64_t NowSeconds() {
    SYSTEMTIME st = {};
    GetLocalTime(&st);
    return fm::ToSeconds(fm::CivilTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond});
}

} // namespace

void FmRecording::OnRecord() {
    if (!m_state.deviceRunning || m_state.scanning)
        return;
    if (m_state.recording)
        Stop();
    else
        Start(FmLocalTime("%Y%m%d-%H%M%S"));
}

void FmRecording::Start(const std::string& name) {
    fm::CaptureLibrary& library = m_window.Library();
    m_state.recordingType = m_state.settings.lRecordType == fm::kRecordWma ? fm::kRecordWma : fm::kRecordMp3;
    const std::string path = fm::RecordingPath(m_state.settings.strRecordPath, name, m_state.recordingType);
    m_window.SetRecordLook(true);
    if (m_state.recordingType == fm::kRecordWma)
        library.StartCaptureAudioWMA(path.c_str());
    else
        library.StartCapureMP3(path.c_str());
    m_window.ShowMode("Recording", "正在录音");
    m_state.recordStart = GetTickCount();
    SetTimer(m_window.GetHwnd(), TIMER_ELAPSED, kSecond, nullptr);
    KillTimer(m_window.GetHwnd(), TIMER_CLOCK);
    m_window.ShowElapsed(0);
    m_window.EnableStationButtons(false);
    m_window.EnablePlaybackButtons(false);
    m_state.recording = true;
}

void FmRecording::Stop() {
    fm::CaptureLibrary& library = m_window.Library();
    m_window.SetRecordLook(false);
    if (m_state.recordingType == fm::kRecordWma)
        library.StopCaptureAudioWMA();
    else
        library.StopCapureMP3();
    KillTimer(m_window.GetHwnd(), TIMER_ELAPSED);
    m_window.ShowMode("FM Radio", "调频广播");
    SetTimer(m_window.GetHwnd(), TIMER_CLOCK, kSecond, nullptr);
    m_window.ShowClock();
    m_window.EnableStationButtons(true);
    m_window.EnablePlaybackButtons(true);
    m_state.recording = false;
}

void FmRecording::OnStopRecord() {
    if (m_state.recording)
        m_window.SendCommand(IDC_RECORD);
    else if (m_state.PlaybackOpen())
        m_window.SendCommand(IDC_STOP_PLAY);
}

void FmRecording::OnTimedRecordingTimer() {
    if (m_state.scanning || m_state.timed.empty())
        return;
    const std::size_t before = m_state.timed.size();
    const fm::TimedDecision decision =
        fm::CheckTimedRecordings(m_state.timed, NowSeconds(), m_state.recording);
    switch (decision.action) {
    case fm::TimedAction::Start:
        if (!m_state.deviceRunning)
            break; // a file plays: the card is not ours now
        m_window.Stations().SelectStation(decision.entry.channel);
        Start(decision.entry.fileName);
        break;
    case fm::TimedAction::Stop:
        Stop();
        break;
    case fm::TimedAction::None:
        break;
    }
    if (decision.dropped > 0)
        TUNARO_TRACE("Tunaro FM: %d timed recording(s) passed unrecorded and left the list",
                     decision.dropped);
    if (m_state.timed.size() != before && !fm::SaveRecordList(Globals().strRecordList, m_state.timed))
        TUNARO_TRACE("Tunaro FM: the timed-recording list could not be written");
}

} // namespace tunaro
