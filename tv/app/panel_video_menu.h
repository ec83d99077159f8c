// What the video window's menu changes in the panel's state: the optimise mode, the input, the
// video standard and the desktop video mode. The video window shows the menu and hands these
// items here, through the panel that keeps the state.
#pragma once

#include <windows.h>

namespace tunaro {

class CControlPanel;
struct PanelState;

class PanelVideoMenu {
public:
    PanelVideoMenu(CControlPanel& panel, PanelState& state) : m_panel(panel), m_state(state) {}
    PanelVideoMenu(const PanelVideoMenu&) = delete;
    PanelVideoMenu& operator=(const PanelVideoMenu&) = delete;

    void OnOptimize(UINT id); // ID_BEST_OPTIMIZE, ID_NO_OPTIMIZE
    void OnInput(UINT id);    // ID_INPUT_TV .. ID_INPUT_SVIDEO
    void OnStandard(UINT id); // ID_STANDARD_NTSC_M .. ID_STANDARD_SECAM_L
    // The video window's "Desktop mode" button (1178): the mode on or off.
    void OnDesktopMode();
    // The menu is about to open: over a full-screen picture the panel makes way.
    void OnMenuOpening();

private:
    void EnterDesktopMode();
    void LeaveDesktopMode();
    // The picture again in the video window, in the current optimise mode.
    void RestartPreview();

    CControlPanel& m_panel;
    PanelState& m_state;
};

} // namespace tunaro
