// The channel edit and auto scan page (template 132, the setup sheet's first page): the channel
// list with its check boxes, renaming in place, order, deleting, adding, fine tuning, the
// country of the frequency table, the audio of a channel and the automatic scan.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "framework/property_sheet.h"
#include "tv/dialogs/setup_host.h"

namespace tunaro {

class CChannelEditDlg : public PropertyPage {
public:
    explicit CChannelEditDlg(SetupHost& host);
    ~CChannelEditDlg() override;

    bool ScanRunning() const { return m_uScanTimer != 0; }
    // The base frequency of the current channel, from which the fine-tune slider offsets.
    unsigned long BaseFrequency() const { return m_dwBaseFrequency; }

protected:
    BOOL OnInitDialog() override;
    const MessageMap* GetMessageMap() const override;
    // OK and Cancel of the sheet both stop a running scan and save the list.
    bool OnApply() override;
    void OnReset() override;

private:
    // ---- the list and its rows ----
    void SetTexts();
    void InsertColumns();
    void FillRows();
    void InsertRow(long index);
    void ShowRow(long index);
    void ShowAudioText(long index);
    long SelectedRow() const;
    void SelectRow(long index);
    void ShowCurrentChannel();
    void FillCountries();
    void EnableEditing(bool enable);

    // ---- handlers ----
    LRESULT OnListDoubleClick(NMHDR* hdr);
    LRESULT OnListClick(NMHDR* hdr);
    LRESULT OnListRightClick(NMHDR* hdr);
    LRESULT OnListItemChanged(NMHDR* hdr);
    void OnNameChanged();
    void OnUpdate();
    void OnUp();
    void OnDown();
    void OnDelete();
    void OnAdd();
    void OnScroll(UINT code, UINT pos, HWND bar);
    void OnDefault();
    void OnScan();
    void OnCountryChanged();
    void OnAudioComboChanged();
    void OnAudioCommand(UINT id);
    void OnExit();
    void OnTimer(UINT_PTR id);
    LRESULT OnDestroy();

    // ---- helpers ----
    void StartScan();
    // Ends a running scan. An unfinished one (stopped, or the page closing) puts back the list
    // as it was before the scan, so the saved list is either the old one or a whole new one.
    void StopScan(bool finished);
    // StopScan, telling the panel (405) or not (the panel ended the scan itself).
    void EndScan(bool finished, bool tellPanel);
    void AppendFoundRow();
    void SetChannelAudio(long index, int32_t mode);
    void SaveList();
    void SetFrequencyTexts(long index, const std::string& text);
    void ShowMessage(const std::string& text, UINT flags) const;
    bool CanSwitchAudio() const;
    int32_t EffectiveAudio(long index) const;

    SetupHost& m_host;
    unsigned long m_dwBaseFrequency = 0;
    UINT_PTR m_uScanTimer = 0;
    long m_lScanSteps = 0;
    long m_lEditRow = -1;     // the row whose name the editor shows
    bool m_boFilling = false; // rows are being put in: their check boxes are not the user's
    bool m_boSaved = false;   // the list was written when the sheet closed

    // The list as it was when the scan began.
    std::vector<ChannelRecord> m_savedRecords;
    long m_lSavedCurrent = 0;
    long m_lSavedPrevious = 0;
};

} // namespace tunaro
