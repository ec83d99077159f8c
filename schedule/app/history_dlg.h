// The "History" view (template 134): every run of every task, newest first, as the history file
// beside the task file holds them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/dialog.h"
#include "schedule/channel_reader.h"

namespace tunaro {

class CHistoryDlg : public Dialog {
public:
    CHistoryDlg(std::string historyFile, const std::vector<ScheduleChannel>& channels);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override { EndDialog(IDOK); }

private:
    std::string m_historyFile;
    const std::vector<ScheduleChannel>& m_channels;
};

} // namespace tunaro
