// The control panel's commands that open the setup sheet and its pages: setting, record
// setting, record type, colour adjust, channel edit and the video menu's directory setting.
// The dialogs themselves live in tv/dialogs/; PanelSetupHost lends them the panel's lists,
// settings, flags and engine.
#pragma once

#include <memory>
#include <string>

#include "tv/dialogs/setup_host.h"

namespace tunaro {

class CControlPanel;
struct PanelState;

class PanelSetupHost : public SetupHost {
public:
    PanelSetupHost(CControlPanel& panel, PanelState& state);
    ~PanelSetupHost() override;

    LanguageMode Language() const override;
    std::string Caption() const override;
    SetupEngine* Engine() override;
    long CardType() const override;
    ChannelList& Channels() override;
    CountryTable& Countries() override;
    TvSettings& Settings() override;
    std::string ProgramTxtPath() const override;
    std::string TunaroIniPath() const override;
    bool Scanning() const override;
    void SetScanning(bool scanning) override;
    void SendPanelCommand(unsigned id) override;
    void ShowOsd(const std::string& text) override;

private:
    CControlPanel& m_panel;
    PanelState& m_state;
    std::unique_ptr<CaptureSetupEngine> m_engine;
};

class PanelDialogs {
public:
    PanelDialogs(CControlPanel& panel, PanelState& state) : m_panel(panel), m_state(state) {}
    PanelDialogs(const PanelDialogs&) = delete;
    PanelDialogs& operator=(const PanelDialogs&) = delete;

    void OnSetting();          // IDC_SETTING: the whole sheet
    void OnRecordSetting();    // IDC_RECORD_SETTING: the whole sheet, on the record page if any
    void OnRecordType();       // IDC_RECORD_TYPE
    void OnColor();            // IDC_COLOR: the colour page alone
    void OnChannelEdit();      // IDC_CHANNEL_EDIT (and the menu's ID_CHANNEL_EDIT through it)
    void OnDirectorySetting(); // ID_DIRECTORY_SETTING of the video window's menu

private:
    void OpenSheet(bool recordSettings);

    CControlPanel& m_panel; // RunPanelDialog, its engine and looks
    PanelState& m_state;
};

} // namespace tunaro
