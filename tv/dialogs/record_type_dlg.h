// The record type page (template 134, the setup sheet's "Record" page, also opened alone by the
// panel's record type command): eight radio buttons choose the record format the next recording
// uses, a list beside them describes the chosen one. A click changes the program's format at
// once; OK also stores it in Tunaro.ini ("RecordType"/"Type").
#pragma once

#include <string>
#include <vector>

#include "framework/language.h"
#include "framework/property_sheet.h"
#include "tv/dialogs/setup_host.h"

namespace tunaro {

// The description lines of a record format code in a language; empty for an unknown code.
std::vector<std::string> RecordTypeDescription(long code, LanguageMode language);

class CRecordTypeDlg : public PropertyPage {
public:
    explicit CRecordTypeDlg(SetupHost& host);

protected:
    BOOL OnInitDialog() override;
    const MessageMap* GetMessageMap() const override;
    bool OnApply() override;

private:
    void OnTypeClicked(UINT id);
    void OnPageOk();
    void OnPageCancel();
    void OnIgnored();
    void FillDescription(long code);
    bool Store();

    SetupHost& m_host;
    bool m_boStored = false;
};

} // namespace tunaro
