// The FM window's band scan.
#include "fm/app/fm_scan.h"

#include "fm/app/fm_state.h"
#include "fm/app/fm_window.h"
#include "res/fm/resource.h"

namespace tunaro {

namespace {
constexpr UINT kStepMs = 1000;
}

void FmScan::OnScan() {
    if (m_state.recording)
        return;
    const int sense = static_cast<int>(m_state.settings.lSense);
    if (!m_state.scanning) {
        if (!m_state.deviceRunning)
            return; // the card is away while a file plays
        SetTimer(m_window.GetHwnd(), TIMER_SCAN, kStepMs, nullptr);
        m_window.ShowMode("Auto Scan", "自动搜台");
        m_state.scanning = true;
        m_state.stationCount = 0;
        return;
    }
    KillTimer(m_window.GetHwnd(), TIMER_SCAN);
    m_window.SetFrequencyColour(kFmYellow);
    m_window.ShowMode("FM Radio", "调频广播");
    m_window.Library().FMScanTuner(sense, 1);
    m_state.stationCount = m_window.Library().GetChannelListSize();
    m_state.scanning = false;
    // A stopped scan ends on the last station it found.
    m_window.Stations().SelectStation(m_state.stationCount - 1);
}

void FmScan::OnScanTimer() {
    if (!m_state.scanning) {
        KillTimer(m_window.GetHwnd(), TIMER_SCAN);
        return;
    }
    const fm::CaptureLibrary::ScanStep step =
        m_window.Library().FMScanTuner(static_cast<int>(m_state.settings.lSense), 0);
    if (step.done) {
        KillTimer(m_window.GetHwnd(), TIMER_SCAN);
        m_state.scanning = false;
        m_window.ShowMode("FM Radio", "调频广播");
        m_state.stationCount = m_window.Library().GetChannelListSize();
        // A finished scan listens to its first station.
        m_state.current = 0;
        if (!m_window.Stations().SelectStation(0))
            m_window.SetFrequencyColour(kFmYellow);
        return;
    }
    if (step.found)
        ++m_state.stationCount;
    m_window.ShowFrequency(step.frequency, step.found ? kFmRed : kFmYellow);
}

void FmScan::Abandon() {
    if (!m_state.scanning)
        return;
    KillTimer(m_window.GetHwnd(), TIMER_SCAN);
    m_window.Library().FMScanTuner(static_cast<int>(m_state.settings.lSense), 1);
    m_state.scanning = false;
}

} // namespace tunaro
