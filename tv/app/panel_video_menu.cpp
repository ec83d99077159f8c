// The video menu's items that change what is shown: optimise mode, input, standard, and the
// desktop video mode, which runs the picture behind the desktop icons through a display overlay
// and gives up, changing nothing, on a display without one.
#include "tv/app/panel_video_menu.h"

#include <string>

#include "framework/peer_messages.h"
#include "res/tunaro/resource.h"
#include "tv/app/control_panel.h"
#include "tv/app/tunaro_app.h"
#include "tv/dialogs/setup_rules.h"

namespace tunaro {

namespace {

// Shows the desktop as the Windows key with D does.
void ShowDesktop() {
    INPUT keys[4] = {};
    const WORD codes[4] = {VK_LWIN, 'D', VK_LWIN, 'D'};
    for (int i = 0; i < 4; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = codes[i];
        keys[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
    }
    SendInput(4, keys, sizeof(INPUT));
}

} // namespace

void PanelVideoMenu::RestartPreview() {
    CaptureEngine* engine = m_panel.Engine();
    if (!engine)
        return;
    m_panel.EndTimeShift();
    engine->StartVideoPreview(static_cast<int>(m_state.settings.lDisplayMode));
    engine->SetMessageDrain(m_panel.VideoWindow());
}

void PanelVideoMenu::OnOptimize(UINT id) {
    if (!m_state.previewOn || m_state.recording)
        return;
    m_state.settings.lDisplayMode = id == ID_BEST_OPTIMIZE ? 1 : 2;
    RestartPreview();
}

void PanelVideoMenu::OnInput(UINT id) {
    const int input = InputOfMenuItem(id);
    if (m_state.scanning || m_state.recording || input < 0)
        return;
    m_state.settings.lVideoSource = input;
    // The panel's AV command routes the input and names it over the picture.
    ::SendMessageA(m_panel.GetHwnd(), WM_COMMAND, MAKEWPARAM(IDC_AV, 0), 0);
}

void PanelVideoMenu::OnStandard(UINT id) {
    CaptureEngine* engine = m_panel.Engine();
    const long standard = StandardOfMenuItem(id);
    if (m_state.scanning || m_state.recording || !engine || standard == 0)
        return;
    m_panel.EndTimeShift();
    engine->SetVideoFormat(standard);
    m_state.settings.lVideoStandard = standard;
}

void PanelVideoMenu::OnMenuOpening() {
    if (!m_state.fullScreen)
        return;
    ShowWindow(m_panel.GetHwnd(), SW_HIDE);
    m_state.panelShown = false;
}

void PanelVideoMenu::OnDesktopMode() {
    if (m_state.desktopMode)
        LeaveDesktopMode();
    else
        EnterDesktopMode();
}

void PanelVideoMenu::EnterDesktopMode() {
    CaptureEngine* engine = m_panel.Engine();
    HWND video = m_panel.VideoWindow();
    if (!engine || !video || !m_state.previewOn || m_state.recording)
        return;
    m_panel.EndTimeShift();
    // The overlay comes first: on a display without one nothing else changes, and the picture
    // comes back into its window.
    if (engine->StartDesktopVideo() != kEngineOk) {
        RestartPreview();
        const std::string text = Globals().Text(
            "Desktop mode needs the video overlay of the display card, and this display has none.\n"
            "The picture stays in its window.",
            "桌面模式需要显卡的视频叠加功能，当前显示设备不支持。\n图像仍显示在视频窗口中。");
        MessageBoxA(video, text.c_str(), Globals().app.strTitle.c_str(), MB_OK | MB_ICONINFORMATION);
        return;
    }
    m_state.desktopMode = true;
    HWND panel = m_panel.GetHwnd();
    ShowWindow(panel, SW_MINIMIZE);
    ShowWindow(video, SW_HIDE);
    SetTimer(video, kDesktopTimerId, kDesktopTimerMs, nullptr);
    SendMessageA(panel, WM_COMMAND, MAKEWPARAM(peer::kTvDisableButtons, 0), 0);
    ShowWindow(panel, SW_MINIMIZE);
    m_state.panelShown = false;
    SendToScheduler(peer::kScheduleDesktopEntered);
    ShowDesktop();
}

void PanelVideoMenu::LeaveDesktopMode() {
    HWND video = m_panel.VideoWindow();
    if (video)
        KillTimer(video, kDesktopTimerId);
    if (CaptureEngine* engine = m_panel.Engine())
        engine->StopDesktopVideo();
    RestartPreview();
    SendMessageA(m_panel.GetHwnd(), WM_COMMAND, MAKEWPARAM(peer::kTvEnableButtons, 0), 0);
    SendToScheduler(peer::kScheduleDesktopLeft);
    if (video)
        ShowWindow(video, SW_SHOW);
    m_state.desktopMode = false;
}

} // namespace tunaro
