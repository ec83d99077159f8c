// The control panel's still pictures: the snapshot browser (shown by Snapshot and the menu's
// Capture), the remote's snapshot key and the TV wall.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace tunaro {

class CControlPanel;
class CSnapshotBrowser;
class CTvWallDlg;
struct PanelState;

class PanelSnapshots {
public:
    PanelSnapshots(CControlPanel& panel, PanelState& state);
    ~PanelSnapshots();
    PanelSnapshots(const PanelSnapshots&) = delete;
    PanelSnapshots& operator=(const PanelSnapshots&) = delete;

    // Makes the snapshot browser, hidden until it is used; without it Snapshot does nothing.
    void Create(HWND panel);
    // Closes the wall and the browser (the panel is ending).
    void Destroy();

    void OnSnapshot();       // IDC_SNAPSHOT, ID_CAPTURE
    void OnRemoteSnapshot(); // IDC_REMOTE_SNAPSHOT
    void OnTvWall();         // IDC_TV_WALL

private:
    void OpenWall();
    // backToLiveTv: rebuild the full-size preview on the current channel (not while the panel ends).
    void CloseWall(bool backToLiveTv);
    // Rebuilds the preview (at the wall's small size or the normal one) on the current input and
    // channel.
    void RestartPreview();
    // The engine's previews at the wall's cell size (on) or the normal size.
    void SetSmallPreview(bool on);
    // Tells the user that the image directory took no snapshot.
    void TellNotSaved(const std::string& dir, DWORD error) const;

    CControlPanel& m_panel; // its engine and windows
    PanelState& m_state;
    std::unique_ptr<CSnapshotBrowser> m_browser;
    std::unique_ptr<CTvWallDlg> m_wall;
    std::vector<HWND> m_hiddenForWall; // shown again when the wall closes
};

} // namespace tunaro
