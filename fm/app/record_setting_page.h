// The setting sheet of the FM program (command 1015) and its record setting page (template
// 132): the timed-recording list with its plan check, the record directory and the encoder.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "fm/record_list.h"
#include "framework/property_sheet.h"

namespace tunaro {

class CRecordSettingPage : public PropertyPage {
public:
    // stations: the library's station names, in list order.
    CRecordSettingPage(std::vector<fm::TimedRecording> entries, std::vector<std::string> stations,
                       std::string recordPath, int recordType);

    // What OK leaves (read after the sheet closed with IDOK).
    const std::vector<fm::TimedRecording>& Entries() const { return m_entries; }
    const std::string& RecordPath() const { return m_strRecordPath; }
    int RecordType() const { return m_nRecordType; }

protected:
    BOOL OnInitDialog() override;
    bool OnApply() override;
    const MessageMap* GetMessageMap() const override;

private:
    void OnAdd();
    void OnDelete();
    void OnRemoveAll();
    void OnBrowse();
    void FillList();
    std::int64_t PickedTime(int dateId, int timeId) const;
    void SetPicked(int dateId, int timeId, std::int64_t seconds) const;
    std::string StationName(int channel) const;

    std::vector<fm::TimedRecording> m_entries;
    std::vector<std::string> m_stations;
    std::string m_strRecordPath;
    int m_nRecordType;
};

class CChannelSettingPage;
// Runs the setting sheet ("Setting", no Apply): the channel page (when the card is in use) and
// the record page; true after OK.
bool RunFmSettingSheet(HWND owner, CChannelSettingPage* channels, CRecordSettingPage& records);

} // namespace tunaro
