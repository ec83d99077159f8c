// The setup sheet CSetup: the channel edit, colour adjust, record type (when the program has one)
// and directory pages under the caption "Setup", without Apply and Help; and the single pages the
// control panel and the video window open on their own.
#pragma once

#include <string>

#include "framework/property_sheet.h"
#include "tv/dialogs/ajust_color_dlg.h"
#include "tv/dialogs/channel_edit_dlg.h"
#include "tv/dialogs/dlg_sav_path.h"
#include "tv/dialogs/setup_host.h"

namespace tunaro {

class CSetup : public PropertySheet {
public:
    explicit CSetup(SetupHost& host);

    // The record type page goes third, between colour adjust and directories (set it before the
    // sheet first runs).
    void SetRecordPage(PropertyPage* page) { m_recordPage = page; }
    // Opens on the record type page (the panel's record settings command) when there is one.
    void StartOnRecordPage(bool recordPage) { m_boStartOnRecord = recordPage; }

    // Runs the sheet modally: IDOK or IDCANCEL.
    INT_PTR DoModal(HWND parent = nullptr);

    CChannelEditDlg& ChannelPage() { return m_channels; }
    CAjustColorDlg& ColorPage() { return m_color; }
    CDlgSavPath& DirectoryPage() { return m_directories; }

protected:
    // The sheet opens in the middle of the screen, whole, wherever the panel stands.
    void OnInitialized() override { CenterWindow(); }

private:
    SetupHost& m_host;
    CChannelEditDlg m_channels;
    CAjustColorDlg m_color;
    PropertyPage* m_recordPage = nullptr;
    CDlgSavPath m_directories;
    bool m_boStartOnRecord = false;
    bool m_boPagesAdded = false;
};

// One page in a sheet of its own: how the panel's colour and channel edit commands and the video
// window's directory item open their page.
INT_PTR RunSinglePage(PropertyPage& page, const std::string& caption, HWND parent);

} // namespace tunaro
