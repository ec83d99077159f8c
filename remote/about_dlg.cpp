// The About dialog: the template holds the Chinese texts; English mode puts its own in.
#include "remote/about_dlg.h"

#include "res/keyrelay/resource.h"

namespace tunaro::remote {

CAboutDlg::CAboutDlg(LanguageMode language) : Dialog(IDD_ABOUTBOX), m_language(language) {}

BOOL CAboutDlg::OnInitDialog() {
    if (m_language == kLanguageEnglish) {
        SetWindowText("About Remote");
        SetItemText(IDC_ABOUT_TEXT, "Remote control agent of Tunaro");
        SetItemText(IDOK, "OK");
    }
    return TRUE;
}

} // namespace tunaro::remote
