// The About box: its texts in the language of the run.
#include "schedule/app/about_dlg.h"

#include "res/schedule/resource.h"
#include "schedule/app/schedule_app.h"

namespace tunaro {

CAboutDlg::CAboutDlg() : Dialog(IDD_ABOUTBOX) {}

BOOL CAboutDlg::OnInitDialog() {
    const ScheduleGlobals& g = Globals();
    SetWindowText(g.Text("About Schedule", "关于 Schedule"));
    SetItemText(IDC_ABOUT_NAME, "Schedule");
    SetItemText(IDC_ABOUT_VERSION, g.Text("Version 1.0", "版本 1.0"));
    SetItemText(IDOK, g.Text("OK", "确定"));
    return TRUE;
}

} // namespace tunaro
