// Still pictures from the control panel: the snapshot browser shown in front. Grabbing into it,
// the remote's snapshot key and the TV wall are not part of the program yet and do nothing.
#include "tv/app/panel_snapshots.h"

#include "tv/app/control_panel.h"
#include "tv/app/snapshot_browser.h"

PanelSnapshots::PanelSnapshots(CControlPanel& panel, PanelState& state) : m_panel(panel), m_state(state) {}

PanelSnapshots::~PanelSnapshots() = default;

void PanelSnapshots::Create(HWND panel) {
    m_browser = std::make_unique<CSnapshotBrowser>();
    if (!m_browser->Create(panel))
        m_browser.reset();
}

void PanelSnapshots::Destroy() {
    m_browser.reset();
}

void PanelSnapshots::OnSnapshot() {
    if (!m_state.previewOn || m_state.Busy() || !m_browser)
        return;
    SetWindowPos(m_browser->GetHwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    m_browser->ShowWindow(SW_SHOW);
}

void PanelSnapshots::OnRemoteSnapshot() {}
void PanelSnapshots::OnTvWall() {}
