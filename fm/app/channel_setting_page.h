// The setting sheet's channel setting page (template 129): the capture library's station list
// with the current station selected, the scan sensitivity, fine tuning, the page's own band
// scan, and moving, deleting, inserting and renaming stations.
#pragma once

#include <windows.h>

#include "fm/app/capture_library.h"
#include "framework/property_sheet.h"

namespace tunaro {

class CChannelSettingPage : public PropertyPage {
public:
    CChannelSettingPage(fm::CaptureLibrary& library, int current, long sense);

    long Sense() const { return m_lSense; }
    bool Scanning() const { return m_boScanning; }

protected:
    BOOL OnInitDialog() override;
    bool OnApply() override;
    void OnReset() override;
    const MessageMap* GetMessageMap() const override;

private:
    void FillList();
    int Selected() const;
    void ShowStation(int index);
    void OnScroll(UINT code, UINT position, HWND bar);
    LRESULT OnListChanged(NMHDR* hdr);
    void OnScan();
    void OnStop();
    void OnTimer(UINT_PTR id);
    void OnUp();
    void OnDown();
    void Swap(int a, int b);
    void OnDelete();
    void OnInsert();
    void OnUpdate();
    void AddRow(int index);

    fm::CaptureLibrary& m_library;
    int m_nCurrent;
    long m_lSense;
    bool m_boScanning = false;
};

} // namespace tunaro
