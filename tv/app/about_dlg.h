// The About dialog (template 100): the window title as caption, the application name and the
// company line of setting.ini.
#pragma once

#include "framework/dialog.h"

class CAboutDlg : public tunaro::Dialog {
public:
    CAboutDlg();

protected:
    BOOL OnInitDialog() override;
};
