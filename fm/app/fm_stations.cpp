// The FM window's device and stations.
#include "fm/app/fm_stations.h"

#include "fm/app/fm_app.h"
#include "fm/app/fm_state.h"
#include "fm/app/fm_window.h"
#include "fm/fm_rules.h"
#include "res/fm/resource.h"

namespace tunaro {

bool FmStations::StartDevice(bool reportFailure) {
    const FmGlobals& g = Globals();
    fm::CaptureLibrary& library = m_window.Library();
    const fm::DeviceStart result = fm::StartFmDevice(library);
    if (result != fm::DeviceStart::Started) {
        if (reportFailure) {
            OpenDialogs::Scope scope(m_window.Dialogs(), m_window.GetHwnd(), true);
            if (result == fm::DeviceStart::NoCard)
                MessageBoxA(m_window.GetHwnd(),
                            g.Text("Cannot find any card, Please check driver setup success!",
                                   "找不到任何卡，请检查驱动程序是否安装成功！"),
                            g.Text("Error", "错误"), MB_OK | MB_ICONERROR);
            else
                MessageBoxA(m_window.GetHwnd(),
                            g.Text("Set FM mode fail, Please check driver setup success!",
                                   "设置FM模式失败，请检查驱动程序是否安装成功！"),
                            g.Text("Error", "错误"), MB_OK | MB_ICONERROR);
        }
        if (library.Loaded() && result == fm::DeviceStart::FmModeRefused) {
            library.StopDevice();
            library.CoUninitialize();
        }
        return false;
    }
    m_state.stationCount = library.GetChannelListSize();
    if (m_state.stationCount <= 0)
        library.SetFrequency(-1, fm::kFirstStartFrequency);
    m_state.deviceRunning = true;
    // The station of the last run; a list shorter than it starts on the first station.
    if (!SelectStation(m_state.current)) {
        if (!SelectStation(0))
            m_window.ShowFrequency(fm::kFirstStartFrequency, kFmYellow);
    }
    library.AudioMute(m_state.userMute ? 1 : 0);
    return true;
}

void FmStations::StopDevice() {
    m_window.Library().StopDevice();
    m_window.Library().CoUninitialize();
    m_state.deviceRunning = false;
}

bool FmStations::SelectStation(int index) {
    if (!fm::ValidStation(index, m_state.stationCount))
        return false;
    fm::CaptureLibrary& library = m_window.Library();
    const int previous = m_state.current;
    library.AudioMute(1);
    library.SetCurrentChannel(index);
    if (!m_state.userMute)
        library.AudioMute(0);
    m_state.previous = previous;
    m_state.current = index;
    m_window.ShowFrequency(library.GetFrequency(index), kFmYellow);
    return true;
}

bool FmStations::StationCommandsAllowed() const {
    return m_state.deviceRunning && !m_state.Busy() && m_state.stationCount > 0;
}

void FmStations::OnDigit(UINT id) {
    if (StationCommandsAllowed())
        SelectStation(static_cast<int>(id) - IDC_DIGIT_0);
}

void FmStations::OnChannelUp() {
    if (StationCommandsAllowed())
        SelectStation(fm::NextStation(m_state.current, m_state.stationCount));
}

void FmStations::OnChannelDown() {
    if (StationCommandsAllowed())
        SelectStation(fm::PreviousStation(m_state.current, m_state.stationCount));
}

void FmStations::OnLastChannel() {
    if (StationCommandsAllowed())
        SelectStation(m_state.previous);
}

void FmStations::OnFreqUp() {
    FineTune(fm::kFineTuneStep);
}

void FmStations::OnFreqDown() {
    FineTune(-fm::kFineTuneStep);
}

void FmStations::FineTune(long step) {
    if (m_state.Busy() || !m_state.deviceRunning)
        return;
    if (!fm::ValidStation(m_state.current, m_state.stationCount))
        return;
    fm::CaptureLibrary& library = m_window.Library();
    const long frequency = library.GetFrequency(m_state.current) + step;
    library.SetFrequency(m_state.current, frequency);
    m_window.ShowFrequency(frequency, kFmYellow);
}

void FmStations::OnMute() {
    m_state.userMute = !m_state.userMute;
    if (MasterVolume* mixer = m_window.Mixer()) {
        if (m_state.userMute)
            mixer->Mute();
        else
            mixer->Unmute();
    }
    m_window.SetMuteLook(m_state.userMute);
}

} // namespace tunaro
