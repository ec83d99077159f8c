// The About box of the scheduler (template 100): program name and version.
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
