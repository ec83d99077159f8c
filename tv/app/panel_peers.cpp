// The other programs' requests to the control panel. Enabling and disabling the buttons works;
// the scheduler's commands, its scheduled recording and the FM and Add Task buttons are not part
// of the program yet: they are accepted and do nothing.
#include "tv/app/panel_peers.h"

#include "tv/app/control_panel.h"

void PanelPeers::OnEnableButtons() {
    tunaro::EnableControls(m_panel.GetHwnd(), tunaro::RemoteEnableIds(), true);
}

void PanelPeers::OnDisableButtons() {
    tunaro::EnableControls(m_panel.GetHwnd(), tunaro::RemoteDisableIds(), false);
}

void PanelPeers::OnFm() {}
void PanelPeers::OnAddTask() {}
void PanelPeers::OnSchedulerCommand(UINT) {}

BOOL PanelPeers::OnCopyData(HWND, const COPYDATASTRUCT*) {
    return FALSE;
}
