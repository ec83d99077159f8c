// The control panel's commands that open the setup sheet and its pages: setting, record
// setting, record type, colour adjust, channel edit and the video menu's directory setting.
// The dialogs themselves live in tv/dialogs/.
#pragma once

class CControlPanel;
struct PanelState;

class PanelDialogs {
public:
    PanelDialogs(CControlPanel& panel, PanelState& state) : m_panel(panel), m_state(state) {}
    PanelDialogs(const PanelDialogs&) = delete;
    PanelDialogs& operator=(const PanelDialogs&) = delete;

    void OnSetting();          // IDC_SETTING
    void OnRecordSetting();    // IDC_RECORD_SETTING
    void OnRecordType();       // IDC_RECORD_TYPE
    void OnColor();            // IDC_COLOR
    void OnChannelEdit();      // IDC_CHANNEL_EDIT (and the menu's ID_CHANNEL_EDIT through it)
    void OnDirectorySetting(); // ID_DIRECTORY_SETTING of the video window's menu

private:
    CControlPanel& m_panel; // RunPanelDialog, its engine and looks
    PanelState& m_state;
};
