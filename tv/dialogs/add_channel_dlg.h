// The add-channel dialog (template 354): the name and frequency of one channel entered by hand,
// the frequency checked against what the tuner can receive.
#pragma once

#include <string>

#include "framework/dialog.h"
#include "tv/dialogs/setup_host.h"
#include "tv/dialogs/setup_rules.h"

namespace tunaro {

class CAddChannelDlg : public Dialog {
public:
    explicit CAddChannelDlg(SetupHost& host);

    // After OK: the name and the frequency entered.
    const std::string& Name() const { return m_strName; }
    long FrequencyHz() const { return m_lFrequency; }
    // The range the frequency was checked against (the tuner's, once the dialog opened).
    const FrequencyRange& Range() const { return m_range; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    SetupHost& m_host;
    std::string m_strName = "New Channel";
    long m_lFrequency = 87500000;
    FrequencyRange m_range;
};

} // namespace tunaro
