// The About dialog: fills its texts from the settings read at start.
#include "tv/app/about_dlg.h"

#include "res/tunaro/resource.h"
#include "tv/app/tunaro_app.h"

namespace tunaro {

CAboutDlg::CAboutDlg() : Dialog(IDD_ABOUTBOX) {}

BOOL CAboutDlg::OnInitDialog() {
    const TvGlobals& g = Globals();
    SetWindowText(g.app.strTitle);
    SetItemText(IDC_ABOUT_APPNAME, g.app.strAppName);
    SetItemText(IDC_ABOUT_COMPANY, g.app.strCompany);
    SetItemText(IDOK, g.Text("OK", "确定"));
    return TRUE;
}

} // namespace tunaro
