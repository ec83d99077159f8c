// Pausing live TV from the panel.
#include "tv/app/panel_timeshift.h"

#include "engine/CaptureEngine.h"
#include "engine/timeshift_ring.h"
#include "framework/debug_print.h"
#include "res/tunaro/resource.h"
#include "tv/app/control_panel.h"
#include "tv/app/panel_state.h"
#include "tv/app/tunaro_app.h"
#include "tv/profile_ini.h"
#include "tv/settings.h"

namespace tunaro {

namespace {
constexpr long kStepSeconds = 5;
} // namespace

PanelTimeShift::PanelTimeShift(CControlPanel& panel, PanelState& state) : m_panel(panel), m_state(state) {}

std::string PanelTimeShift::Folder() const {
    return TimeShiftFolder(m_state.settings.strVideoPath);
}

void PanelTimeShift::RemoveLeftovers() {
    const std::string folder = Folder();
    if (folder.empty())
        return;
    WIN32_FIND_DATAA found = {};
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = found.cFileName;
        if (IsTimeShiftSegmentName(name) || name == "paused.bmp")
            DeleteFileA((folder + "\\" + name).c_str());
    } while (FindNextFileA(find, &found));
    FindClose(find);
    // Only an empty folder goes: whatever else the user put there stays.
    RemoveDirectoryA(folder.c_str());
}

bool PanelTimeShift::Shifted() const {
    CaptureEngine* engine = m_panel.Engine();
    return engine && engine->TimeShifted();
}

long PanelTimeShift::DelayMs() const {
    CaptureEngine* engine = m_panel.Engine();
    return engine && engine->TimeShifted() ? static_cast<long>(engine->TimeShift().DelayMs()) : 0;
}

bool PanelTimeShift::CanPause() const {
    return m_panel.Engine() && m_state.previewOn && !m_state.recording && !m_state.scanning &&
           !m_state.PlaybackOpen() && !m_state.tvWall && !m_state.desktopMode;
}

void PanelTimeShift::Pause() {
    if (!CanPause())
        return;
    const long minutes = ReadTimeShiftMinutes(ProfileIni(Globals().paths.strTunaroIni));
    if (minutes <= 0)
        return; // time shift is turned off
    const std::string folder = Folder();
    if (folder.empty())
        return;
    m_panel.Engine()->StartTimeShift(folder.c_str(), minutes);
    m_panel.RefreshStatus();
}

void PanelTimeShift::OnTimeShift() {
    CaptureEngine* engine = m_panel.Engine();
    if (!Shifted()) {
        Pause();
        return;
    }
    if (engine->TimeShift().State() == ShiftState::Paused)
        engine->ResumeTimeShift();
    else
        engine->PauseTimeShift();
    m_panel.RefreshStatus();
}

bool PanelTimeShift::OnPlayerKey(UINT id) {
    CaptureEngine* engine = m_panel.Engine();
    if (!Shifted()) {
        // Pause while live TV is shown pauses it; every other key is playback's.
        if (id != IDC_PAUSE || !CanPause())
            return false;
        Pause();
        return true;
    }
    switch (id) {
    case IDC_PAUSE:
        OnTimeShift();
        break;
    case IDC_PLAY:
        if (engine->TimeShift().State() == ShiftState::Paused)
            engine->ResumeTimeShift();
        break;
    case IDC_BACK:
        engine->StepTimeShift(-kStepSeconds);
        break;
    case IDC_FORWARD:
        engine->StepTimeShift(kStepSeconds);
        break;
    case IDC_TV:
        ReturnToLive();
        break;
    default:
        return false;
    }
    m_panel.RefreshStatus();
    return true;
}

void PanelTimeShift::ReturnToLive() {
    if (!Shifted())
        return;
    m_panel.Engine()->StopTimeShift();
    m_panel.RefreshStatus();
}

bool PanelTimeShift::EndsShift(UINT id) {
    switch (id) {
    case IDC_AUTOSCAN:
    case IDC_FREQ_UP:
    case IDC_FREQ_DOWN:
    case IDC_PREVIOUS_CHANNEL:
    case IDC_CHANNEL_DOWN:
    case IDC_CHANNEL_UP:
    case IDC_VIDEO_SOURCE:
    case IDC_AV:
        return true;
    default:
        return id >= IDC_DIGIT_0 && id <= IDC_DIGIT_9;
    }
}

void PanelTimeShift::OnStatusTick() {
    CaptureEngine* engine = m_panel.Engine();
    if (!Shifted())
        return;
    engine->TimeShift().Tick();
    if (!engine->TimeShift().WriterFailed())
        return;
    TUNARO_TRACE("Tunaro: the time shift buffer stopped growing");
    ReturnToLive();
    const TvGlobals& g = Globals();
    ::MessageBoxA(m_panel.GetHwnd(),
                  g.Text("The time shift buffer could not be written any more (is the disk full?).\n"
                         "Live TV is shown again.",
                         "时移缓存无法继续写入（磁盘已满？）。\n已返回直播电视。"),
                  g.app.strTitle.c_str(), MB_OK | MB_ICONWARNING);
}

} // namespace tunaro
