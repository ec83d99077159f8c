// What the control panel's viewer watches and hears: scan, mute, picture, fine tuning,
// channel keys and video source, over the engine of the current card.
#include "control_panel.h"

#include "resource.h"
#include "tunaro_app.h"

void CControlPanel::OnAutoScan() {}        // filled by the live TV work
void CControlPanel::OnMute() {}            // filled by the live TV work
void CControlPanel::OnBrightnessUp() {}    // filled by the live TV work
void CControlPanel::OnBrightnessDown() {}  // filled by the live TV work
void CControlPanel::OnContrastUp() {}      // filled by the live TV work
void CControlPanel::OnContrastDown() {}    // filled by the live TV work
void CControlPanel::OnFreqUp() {}          // filled by the live TV work
void CControlPanel::OnFreqDown() {}        // filled by the live TV work
void CControlPanel::OnDigit(UINT) {}       // filled by the live TV work
void CControlPanel::OnPreviousChannel() {} // filled by the live TV work
void CControlPanel::OnChannelDown() {}     // filled by the live TV work
void CControlPanel::OnChannelUp() {}       // filled by the live TV work
void CControlPanel::OnTwoDigit() {}        // filled by the live TV work
void CControlPanel::OnVideoSource() {}     // filled by the live TV work
void CControlPanel::OnAv() {}              // filled by the live TV work
void CControlPanel::OnCurrentTune() {}     // filled by the live TV work
void CControlPanel::OnScanTimer() {
    KillTimer(m_hWnd, TIMER_SCAN);
} // filled by the live TV work
int CControlPanel::SelectSourceByName(const char*) {
    return 0;
} // filled by the live TV work
