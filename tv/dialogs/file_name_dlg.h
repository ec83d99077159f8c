// The recording-name prompt (template 337): one edit with the base name of a recording file,
// proposed as the local time at opening. Characters a file name cannot hold are taken back as
// they are typed or pasted; OK accepts only a name a file can take.
#pragma once

#include <string>

#include "framework/dialog.h"
#include "framework/language.h"

namespace tunaro {

class CFileNameDlg : public Dialog {
public:
    // caption: the program's message-box caption (the panel's title).
    CFileNameDlg(LanguageMode language, std::string caption);

    // The name after OK (no directory, no extension).
    const std::string& Name() const { return m_strName; }

protected:
    BOOL OnInitDialog() override;
    const MessageMap* GetMessageMap() const override;
    void OnOK() override;

private:
    void OnNameChanged();
    const char* Text(const char* english, const char* chinese) const {
        return PickText(m_language, english, chinese);
    }

    LanguageMode m_language;
    std::string m_strCaption;
    std::string m_strName;
    std::string m_strLastGood; // the edit's text before the latest change
    bool m_boRestoring = false;
};

} // namespace tunaro
