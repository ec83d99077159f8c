// The setup sheet and the single-page sheets.
#include "tv/dialogs/setup_sheet.h"

namespace tunaro {

CSetup::CSetup(SetupHost& host)
    : PropertySheet(host.Text("Setup", "系统设置")), m_host(host), m_channels(host), m_color(host),
      m_directories(host) {}

INT_PTR CSetup::DoModal(HWND parent) {
    if (!m_boPagesAdded) {
        AddPage(&m_channels);
        AddPage(&m_color);
        if (m_recordPage)
            AddPage(m_recordPage);
        AddPage(&m_directories);
        m_boPagesAdded = true;
    }
    SetStartPage(m_boStartOnRecord && m_recordPage ? 2 : 0);
    return PropertySheet::DoModal(parent);
}

namespace {

class CenteredSheet : public PropertySheet {
public:
    using PropertySheet::PropertySheet;

protected:
    void OnInitialized() override { CenterWindow(); }
};

} // namespace

INT_PTR RunSinglePage(PropertyPage& page, const std::string& caption, HWND parent) {
    CenteredSheet sheet(caption);
    sheet.AddPage(&page);
    return sheet.DoModal(parent);
}

} // namespace tunaro
