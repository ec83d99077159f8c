// The FM window's band scan: one step a second through the capture library until the band is
// done or the scan button stops it.
#pragma once

namespace tunaro {

class CFmDlg;
struct FmState;

class FmScan {
public:
    FmScan(CFmDlg& window, FmState& state) : m_window(window), m_state(state) {}
    FmScan(const FmScan&) = delete;
    FmScan& operator=(const FmScan&) = delete;

    void OnScan();      // IDC_SCAN: starts the scan, or stops it on the last station it found
    void OnScanTimer(); // TIMER_SCAN: one step
    // The window ends: the scan stops where it is.
    void Abandon();

private:
    CFmDlg& m_window;
    FmState& m_state;
};

} // namespace tunaro
