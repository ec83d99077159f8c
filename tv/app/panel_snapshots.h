// The control panel's still pictures: the snapshot browser (shown by Snapshot and the menu's
// Capture), the remote's snapshot key and the TV wall.
#pragma once

#include <windows.h>

#include <memory>

class CControlPanel;
class CSnapshotBrowser;
struct PanelState;

class PanelSnapshots {
public:
    PanelSnapshots(CControlPanel& panel, PanelState& state);
    ~PanelSnapshots();
    PanelSnapshots(const PanelSnapshots&) = delete;
    PanelSnapshots& operator=(const PanelSnapshots&) = delete;

    // Makes the snapshot browser, hidden until it is used; without it Snapshot does nothing.
    void Create(HWND panel);
    void Destroy();

    void OnSnapshot();       // IDC_SNAPSHOT, ID_CAPTURE
    void OnRemoteSnapshot(); // IDC_REMOTE_SNAPSHOT
    void OnTvWall();         // IDC_TV_WALL

private:
    CControlPanel& m_panel; // its engine and windows
    PanelState& m_state;
    std::unique_ptr<CSnapshotBrowser> m_browser;
};
