// The control panel's recording and playback commands: Record, quick record, Open File, the
// player keys and quick play. The recording graphs themselves are the engine's.
#pragma once

#include <windows.h>

class CControlPanel;
struct PanelState;

class PanelRecording {
public:
    PanelRecording(CControlPanel& panel, PanelState& state) : m_panel(panel), m_state(state) {}
    PanelRecording(const PanelRecording&) = delete;
    PanelRecording& operator=(const PanelRecording&) = delete;

    void OnRecord();          // IDC_RECORD (411): start or stop a recording
    void OnQuickRecord();     // IDC_QUICK_RECORD
    void OnOpenFile();        // IDC_OPEN_FILE: open a recording for playback
    void OnPlayback(UINT id); // IDC_PLAY .. IDC_TV: the player keys
    void OnQuickPlay();       // IDC_QUICK_PLAY

private:
    CControlPanel& m_panel; // its engine, looks and windows
    PanelState& m_state;
};
