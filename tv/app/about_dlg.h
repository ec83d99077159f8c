// The About dialog (template 100): the window title as caption, the application name and the
// company line of setting.ini.
#pragma once

#include "framework/dialog.h"

namespace tunaro {

class CAboutDlg : public Dialog {
public:
    CAboutDlg();

protected:
    BOOL OnInitDialog() override;
};

} // namespace tunaro
