// The agent's About dialog (template 100), opened from the window's system menu.
#pragma once

#include "framework/dialog.h"
#include "framework/language.h"

namespace tunaro::remote {

class CAboutDlg : public Dialog {
public:
    explicit CAboutDlg(LanguageMode language);

protected:
    BOOL OnInitDialog() override;

private:
    LanguageMode m_language;
};

} // namespace tunaro::remote
