// The setup sheet and its pages opened from the control panel, over the panel's own lists,
// settings and engine; while one is open a topmost picture steps back and the panel's keys rest
// (a letter typed into a page must not start a scan).
#include "tv/app/panel_dialogs.h"

#include "tv/app/control_panel.h"
#include "tv/app/tunaro_app.h"
#include "tv/dialogs/record_type_dlg.h"
#include "tv/dialogs/setup_sheet.h"

namespace tunaro {

PanelSetupHost::PanelSetupHost(CControlPanel& panel, PanelState& state) : m_panel(panel), m_state(state) {}

PanelSetupHost::~PanelSetupHost() = default;

LanguageMode PanelSetupHost::Language() const {
    return Globals().language;
}

std::string PanelSetupHost::Caption() const {
    return Globals().app.strTitle;
}

SetupEngine* PanelSetupHost::Engine() {
    CaptureEngine* engine = m_panel.Engine();
    if (!engine)
        return nullptr;
    if (!m_engine)
        m_engine = std::make_unique<CaptureSetupEngine>(*engine);
    return m_engine.get();
}

long PanelSetupHost::CardType() const {
    return Globals().CardType();
}

ChannelList& PanelSetupHost::Channels() {
    return m_state.channels;
}

CountryTable& PanelSetupHost::Countries() {
    return m_state.countries;
}

TvSettings& PanelSetupHost::Settings() {
    return m_state.settings;
}

std::string PanelSetupHost::ProgramTxtPath() const {
    return Globals().paths.strProgramTxt;
}

std::string PanelSetupHost::TunaroIniPath() const {
    return Globals().paths.strTunaroIni;
}

bool PanelSetupHost::Scanning() const {
    return m_state.scanning;
}

void PanelSetupHost::SetScanning(bool scanning) {
    m_state.scanning = scanning;
}

void PanelSetupHost::SendPanelCommand(unsigned id) {
    ::SendMessageA(m_panel.GetHwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void PanelSetupHost::ShowOsd(const std::string& text) {
    m_panel.ShowOsd(text, 0);
}

void PanelDialogs::OpenSheet(bool recordSettings) {
    m_panel.RunPanelDialog(true, [this, recordSettings] {
        PanelSetupHost host(m_panel, m_state);
        CSetup sheet(host);
        CRecordTypeDlg recordPage(host);
        sheet.SetRecordPage(&recordPage);
        sheet.StartOnRecordPage(recordSettings);
        sheet.DoModal(m_panel.GetHwnd());
    });
}

void PanelDialogs::OnSetting() {
    OpenSheet(false);
}

void PanelDialogs::OnRecordSetting() {
    OpenSheet(true);
}

void PanelDialogs::OnRecordType() {
    m_panel.RunPanelDialog(true, [this] {
        PanelSetupHost host(m_panel, m_state);
        CRecordTypeDlg page(host);
        RunSinglePage(page, host.Text("Record Type", "录像格式"), m_panel.GetHwnd());
    });
}

void PanelDialogs::OnColor() {
    m_panel.RunPanelDialog(true, [this] {
        PanelSetupHost host(m_panel, m_state);
        CAjustColorDlg page(host);
        RunSinglePage(page, host.Text("Color Adjust", "色彩调节"), m_panel.GetHwnd());
    });
}

void PanelDialogs::OnChannelEdit() {
    m_panel.RunPanelDialog(true, [this] {
        PanelSetupHost host(m_panel, m_state);
        CChannelEditDlg page(host);
        RunSinglePage(page, host.Text("Channel list edit", "频道编辑"), m_panel.GetHwnd());
    });
}

void PanelDialogs::OnDirectorySetting() {
    m_panel.RunPanelDialog(true, [this] {
        PanelSetupHost host(m_panel, m_state);
        CDlgSavPath page(host);
        RunSinglePage(page, host.Text("Directory Setting", "目录设置"), m_panel.GetHwnd());
    });
}

} // namespace tunaro
