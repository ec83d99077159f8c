// The control panel's window behaviour: window buttons, volume bar, menu commands, enabling,
// status and OSD timers, dragging and painting, and what the panel's looks give the others.
#include "control_panel.h"

#include "resource.h"
#include "tunaro_app.h"

// ---- what the looks provide (filled by the panel work) ----------------------------------------

void CControlPanel::ApplySkinRegion() {} // filled by the panel work
void CControlPanel::LayOutSkin() {}      // filled by the panel work
void CControlPanel::ReleaseSkin() {}     // filled by the panel work

void CControlPanel::ShowOsd(const std::string& text, UINT delayMs) {
    m_strOsdText = text; // filled by the panel work
    SetTimer(m_hWnd, TIMER_OSD, delayMs, nullptr);
}

void CControlPanel::LockPanel(bool) {}     // filled by the panel work
void CControlPanel::UnlockPanel() {}       // filled by the panel work
void CControlPanel::SetMuteLook(bool) {}   // filled by the panel work
void CControlPanel::SetRecordLook(bool) {} // filled by the panel work
void CControlPanel::LightVolumeSegments(int topId) {
    m_nVolumeSegment = topId; // filled by the panel work
}

// ---- commands and messages (filled by the panel work) ----------------------------------------

void CControlPanel::OnMinimize() {}          // filled by the panel work
void CControlPanel::OnFullScreen() {}        // filled by the panel work
void CControlPanel::OnDisplayPanel() {}      // filled by the panel work
void CControlPanel::OnVolumeDown() {}        // filled by the panel work
void CControlPanel::OnVolumeUp() {}          // filled by the panel work
void CControlPanel::OnVolumeSegment(UINT) {} // filled by the panel work
void CControlPanel::OnHelp() {
    ShowAbout();
} // filled by the panel work
void CControlPanel::OnMostTop() {}          // filled by the panel work
void CControlPanel::OnMenuDisplayPanel() {} // filled by the panel work
void CControlPanel::OnMenuFullScreen() {}   // filled by the panel work
void CControlPanel::OnMenuExit() {}         // filled by the panel work
void CControlPanel::OnMenuCommand(UINT) {}  // filled by the panel work
void CControlPanel::OnEnableButtons() {}    // filled by the panel work
void CControlPanel::OnDisableButtons() {}   // filled by the panel work
void CControlPanel::OnStatusTimer() {}      // filled by the panel work
void CControlPanel::OnOsdTimer() {
    KillTimer(m_hWnd, TIMER_OSD);
} // filled by the panel work
void CControlPanel::OnLButtonDown(UINT, POINT) {} // filled by the panel work
void CControlPanel::OnPaint() {
    ValidateRect(m_hWnd, nullptr);
} // filled by the panel work
BOOL CControlPanel::OnEraseBackground(HDC) {
    return FALSE;
} // filled by the panel work
LRESULT CControlPanel::OnIgnoredMessage() {
    return 0;
} // filled by the panel work

bool CControlPanel::PreTranslateMessage(MSG* msg) {
    return Dialog::PreTranslateMessage(msg); // filled by the panel work
}
